#pragma once
// ImageBrowser ("Load Image File  "): the user walks places, folders and picture files, sees a
// preview, chooses a size in percent and confirms; the main window then puts the picture into
// the entry at the caret. Pictures come through the platform's picture loading: PNG and JPEG are
// kept as themselves, other kinds as bitmaps.
#include <QDialog>
#include <QString>
#include <functional>

#include "richtext/model/objects.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace inkwend {

class WPRichText;

class ImageBrowser : public QDialog {
 public:
  // The file mask of the list and the caption below it.
  static constexpr const char* kFileMask =
      "*.BMP;*.DIB;*.JPG;*.JPEG;*.JIF;*.GIF;*.PNG;*.WEBP;*.PCX;*.RLE;*.TGA;*.ICO;*.WMF";

  explicit ImageBrowser(QWidget* parent = nullptr);

  // Shows the folders and picture files of `directory`.
  void SetDirectory(const QString& directory);
  QString Directory() const { return directory_; }

  // The picture as loaded (100 %); empty when none is chosen or it could not be loaded.
  const DocGraphic& Picture() const { return picture_; }
  int Percent() const;

  // Puts the chosen picture into `editor` at the caret: as loaded at 100 % (scaled down to the
  // text's width when wider), at the chosen size otherwise (PNG and JPEG keep their bytes and
  // are shown at that size, other kinds become a bitmap of that size). Returns its tag, or 0.
  int InsertInto(WPRichText& editor);

  // Tells the user a picture file could not be read; a message box when unassigned.
  std::function<void(const QString& text)> onError;

 private:
  void DriveChanged(int index);
  void DirectoryActivated();
  void FileListBox1Change();
  void SpinEdit1Change();
  void OKButtonClick();
  void ShowPreview();
  const QListWidgetItem* SelectedFile() const;

  QString directory_;
  DocGraphic picture_;
  QComboBox* drives_ = nullptr;          // DriveComboBox1
  QListWidget* directories_ = nullptr;   // DirectoryListBox1
  QListWidget* files_ = nullptr;         // FileListBox1
  QLabel* maskCaption_ = nullptr;        // Panel3
  QLabel* preview_ = nullptr;            // Image1
  QSpinBox* percent_ = nullptr;          // SpinEdit1
  QPushButton* okButton_ = nullptr;      // OKButton
  QPushButton* cancelButton_ = nullptr;  // Cancelbutton
};

}  // namespace inkwend
