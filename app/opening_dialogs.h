#pragma once
// The two dialogs of start-up: the password prompt and the opening caution.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "base/status.h"
#include "store/strong_cipher.h"

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
  // A strongly encrypted diary: `opens` tries the typed password on the sealed key (Refused for a
  // wrong one; any other failure is shown as it is).
  GetOpeningPassword(std::function<Status(const QString&)> opens, QWidget* parent);

  QLineEdit* pass;
  QPushButton* bitBtn1;  // OK
  QPushButton* bitBtn2;  // Close

 private:
  void BitBtn1Click();
  std::function<Status(const QString&)> opens_;
};

// The bytes a typed password stands for.
std::string PasswordBytesOf(const QString& typed);
// The bytes a typed password stands for in strong encryption: UTF-8 always, as on the command line.
std::string StrongPasswordBytesOf(const QString& typed);

// "Inkwend!": the caution about keeping backups, with "Do not show this message again".
class ShowOpeningMessageDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ShowOpeningMessageDialog(QWidget* parent = nullptr);

  QCheckBox* dontShow;
  QPushButton* okButton;
};

// Asks for the stored password when one is set, or for the password of a strongly encrypted diary
// (whose key then waits in OpenedDiaryKey); true when the program may go on.
bool CheckOpeningPassword();

// The diary key the opening prompt opened (null for a diary without strong encryption), for the
// main window's session.
std::shared_ptr<const DiaryKey>& OpenedDiaryKey();

// Shows the caution; returns the new value of the "show" preference.
bool ShowOpeningMessage(QWidget* parent);

}  // namespace inkwend
