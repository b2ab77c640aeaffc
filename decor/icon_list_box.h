#pragma once
// IconListBox: every icon of one icon-bearing file shown as a grid of square cells. Icons are
// extracted when their cell is first painted or first asked for (or all at once with caching off)
// and kept with their list item until the next reload. The control is the drag source from which
// icons are dropped into a diary entry.
#include <QListWidget>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace inkwend {

namespace icons {
class IconFile;
}

class IconListBox : public QListWidget {
  Q_OBJECT

 public:
  // The MIME type of a dragged icon; the payload is the icon's index in the file, and the icon
  // itself travels as the drag's image data.
  static constexpr const char* kIconMimeType = "application/x-inkwend-icon";
  // Item data role of the attached icon: invalid until extracted, then a QImage.
  static constexpr int kIconRole = Qt::UserRole + 1;

  explicit IconListBox(QWidget* parent = nullptr);
  ~IconListBox() override;

  QString FileName() const { return fileName_; }
  // Reloads only when the text differs (exactly, letter case included), then raises onFileChange.
  void SetFileName(const QString& name);

  bool AutoDisable() const { return autoDisable_; }
  void SetAutoDisable(bool value);

  bool EnableCaching() const { return enableCaching_; }
  // Turning caching off reloads at once, extracting every icon.
  void SetEnableCaching(bool value);

  // Icons in the file as last counted; -1 while no existing file is named.
  int NumberOfIcons() const { return numberOfIcons_; }

  int XIcons() const { return xIcons_; }
  int YIcons() const { return yIcons_; }
  void SetXIcons(int value);  // values <= 0 are ignored
  void SetYIcons(int value);

  QString Version() const { return QStringLiteral("TIconListBox v1.10"); }
  void SetVersion(const QString&) {}

  // The icon of item `index`, extracted and attached now if caching left it out so far. An icon
  // that could not be extracted is a null image; nullopt only for an index without an item.
  std::optional<QImage> GetIcon(int index);

  int CellWidth() const { return cellWidth_; }
  int ItemHeight() const { return itemHeight_; }

  // Raised after FileName has changed and the new file has been loaded.
  std::function<void(IconListBox* sender)> onFileChange;

  // Paints one cell as the list does: filled with the list's (or the highlight) colour, the icon
  // centred. Public so that a caller can render cells off screen.
  void DrawCell(QPainter* painter, int index, const QRect& rect, bool selected);

 protected:
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Reload();
  void UpdateEnabled();
  void ResizeToGrid();
  void UpdateGrid();
  QImage ExtractIcon(int index) const;
  bool FileExists() const;

  QString fileName_;
  bool autoDisable_ = true;
  bool enableCaching_ = true;
  int numberOfIcons_ = -1;
  int cellWidth_;
  int itemHeight_;
  int xIcons_ = 0;
  int yIcons_ = 1;
  int columns_ = 1;
  // The file the icons come from, kept open between on-demand extractions.
  std::unique_ptr<icons::IconFile> iconFile_;
};

}  // namespace inkwend
