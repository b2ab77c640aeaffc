#pragma once
// The dialog in which the user picks the default font of new entries: name, size, bold,
// italic, underline and colour, with a sample. It is the working copy of the default font
// between reading and writing the preferences. Its controls (and the font list, which needs
// the system's fonts) are made when it is first shown, so that holding it costs nothing.
#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;

namespace inkwend {

// A default font as the preferences hold it; a size of 0 or less means 10 points.
QFont DefaultFontOf(const QString& name, int size, bool bold, bool italic, bool underline);

class DefaultFontDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DefaultFontDialog(QWidget* parent = nullptr);

  // Name, point size and the bold, italic and underline styles.
  QFont Font() const;
  void SetFont(const QFont& font);
  // Colour value with red in the low byte; a negative (system) colour is kept as it is until
  // the user picks another.
  int ColorValue() const { return color_; }
  void SetColorValue(int value);

  // Makes the controls (once); showing the dialog does it too.
  void Build();
  void setVisible(bool visible) override;

  QFontComboBox* fontName = nullptr;
  QComboBox* fontSize = nullptr;
  QCheckBox* bold = nullptr;
  QCheckBox* italic = nullptr;
  QCheckBox* underline = nullptr;
  QComboBox* fontColor = nullptr;
  QLabel* sample = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

 private:
  void ShowValues();
  void ShowColor();
  void ShowSample();
  void FillColors();

  // The font name as given, also when no installed font carries exactly that name (the list then
  // shows the closest one); a choice in the list replaces it.
  QString name_ = QStringLiteral("Arial");
  int size_ = 10;
  bool bold_ = false, italic_ = false, underline_ = false;
  int color_ = 0;
  bool showing_ = false;  // controls being set from the values: their signals change nothing
};

}  // namespace inkwend
