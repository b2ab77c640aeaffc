#pragma once
// The about box, and the notebook picture it shows (also usable as the window icon).
#include <QDialog>
#include <QIcon>

class QLabel;
class QPushButton;

namespace inkwend {

// "About Inkwend!": picture, build and version labels, a rule and an Ok button.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QWidget* Image1;
  QLabel* BuildLabel;    // "64-bit version" (whatever this build really is)
  QLabel* VersionLabel;  // "Version 2.9d"
  QPushButton* OKButton;
};

// "64-bit version" on a 64-bit build, "32-bit version" on a 32-bit one.
QString BuildText();

// The ring-bound notebook drawn at a few sizes, sharp on high-dpi screens.
QIcon NotebookIcon();

// Shows the about box centred over `parent`, modally.
void ShowAboutBox(QWidget* parent);

}  // namespace inkwend
