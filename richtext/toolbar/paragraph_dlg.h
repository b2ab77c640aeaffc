#pragma once
// TParagraphPropDlg: the "Paragraph Properties" dialog. It shows the indents of the paragraph
// at the caret in inches or centimetres and its spacing in points, and on OK applies them to
// the selected paragraphs. Values are held in twips while it is open; only their display
// follows the unit.
//
//   TParagraphPropDlg dialog(mainWindow);
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

class TParagraphPropDlg : public QDialog {
 public:
  explicit TParagraphPropDlg(QWidget* parent = nullptr);

  TWPEditorLink* Editor() const { return editor_; }
  void SetEditor(TWPEditorLink* editor) { editor_ = editor; }

  // The values in twips: first indent, left indent, right indent, space before, space after,
  // line height.
  enum TValue { kFirst, kLeft, kRight, kBefore, kAfter, kLine, kValueCount };
  int Value(TValue which) const { return values_[which]; }

  // Tells the user why OK was refused; a message box when unassigned.
  std::function<void(const QString&)> OnMessage;

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

  TWPEditorLink* editor_ = nullptr;
  std::array<int, kValueCount> values_{};
  std::array<QLineEdit*, kValueCount> edits_{};  // in the order of the values
  std::array<bool, kValueCount> invalid_{};      // the box shows text that is no number
  QComboBox* first_indent_combo_ = nullptr;
  QComboBox* units_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace inkwend
