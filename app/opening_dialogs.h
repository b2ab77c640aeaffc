#pragma once
// The two dialogs of start-up: the password prompt and the opening caution.
#include <QDialog>
#include <QString>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace inkwend {

// "Inkwend! - Password Required": OK accepts only the exact expected password; Close ends.
class GetOpeningPassword : public QDialog {
  Q_OBJECT
 public:
  // `expected` is the stored password's bytes (see PasswordBytes).
  explicit GetOpeningPassword(std::string expected, QWidget* parent = nullptr);

  QLineEdit* pass;
  QPushButton* bitBtn1;  // OK
  QPushButton* bitBtn2;  // Close

 private:
  void BitBtn1Click();
  std::string expected_;
};

// The bytes a typed password stands for.
std::string PasswordBytesOf(const QString& typed);

// "Inkwend!": the caution about keeping backups, with "Do not show this message again".
class ShowOpeningMessageDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ShowOpeningMessageDialog(QWidget* parent = nullptr);

  QCheckBox* dontShow;
  QPushButton* okButton;
};

// Asks for the stored password when one is set; true when the program may go on.
bool CheckOpeningPassword();

// Shows the caution; returns the new value of the "show" preference.
bool ShowOpeningMessage(QWidget* parent);

}  // namespace inkwend
