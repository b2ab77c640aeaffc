#pragma once
// The about box, and the notebook picture it shows (also usable as the window icon).
#include <QDialog>
#include <QIcon>

class QLabel;
class QPushButton;

namespace inkwend {

// "About Inkwend!": picture, build and version labels, the diary's folder, a rule and an Ok
// button.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

  QWidget* image1;
  QLabel* buildLabel;        // "64-bit version" (whatever this build really is)
  QLabel* versionLabel;      // "Version 2.9d"
  QLabel* diaryFolderLabel;  // "Diary folder: /home/…/inkwend", selectable
  QPushButton* okButton;
};

// "64-bit version" on a 64-bit build, "32-bit version" on a 32-bit one.
QString BuildText();

// The ring-bound notebook drawn at a few sizes, sharp on high-dpi screens.
QIcon NotebookIcon();

// Shows the about box centred over `parent`, modally.
void ShowAboutBox(QWidget* parent);

}  // namespace inkwend
