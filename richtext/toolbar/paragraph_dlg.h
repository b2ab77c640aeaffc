#pragma once
// ParagraphPropDlg: the "Paragraph Properties" dialog. It shows the indents of the paragraph
// at the caret in inches or centimetres and its spacing in points, and on OK applies them to
// the selected paragraphs. Values are held in twips while it is open; only their display
// follows the unit.
//
//   ParagraphPropDlg dialog(mainWindow);
//   dialog.SetEditor(&link);
//   dialog.exec();   // OK has applied the values
#include <QDialog>
#include <array>
#include <functional>

#include "richtext/toolbar/wp_editor_link.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace inkwend {

class ParagraphPropDlg : public QDialog {
 public:
  explicit ParagraphPropDlg(QWidget* parent = nullptr);

  WPEditorLink* Editor() const { return editor_; }
  void SetEditor(WPEditorLink* editor) { editor_ = editor; }

  // The values in twips: first indent, left indent, right indent, space before, space after,
  // line height.
  enum class ValueKind { First, Left, Right, Before, After, Line, ValueCount };
  int Value(ValueKind which) const { return values_[static_cast<int>(which)]; }

  // Tells the user why OK was refused; a message box when unassigned.
  std::function<void(const QString&)> onMessage;

  // --- handlers ---
  void FormShow();
  void EditChange(QLineEdit* edit);
  void ComboBox1Change();
  void FirstIndentComboClick();
  void OkbuttonClick();
  void ShowValues();
  void SetHints();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  bool InInches() const;
  QString UnitWord() const;
  int IndexOf(const QLineEdit* edit) const;

  WPEditorLink* editor_ = nullptr;
  std::array<int, static_cast<int>(ValueKind::ValueCount)> values_{};
  std::array<QLineEdit*, static_cast<int>(ValueKind::ValueCount)> edits_{};  // in the order of the values
  std::array<bool, static_cast<int>(ValueKind::ValueCount)>
      invalid_{};  // the box shows text that is no number
  QComboBox* firstIndentCombo_ = nullptr;
  QComboBox* units_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace inkwend
