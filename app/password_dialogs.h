#pragma once
// The dialogs of "Select or Change Password": the backup warning shown first, and the password
// dialog that checks the old password and the new one and then runs the re-enciphering
// (operations/password) with its gauge. The menu command itself is MainScreen::MnuSecurityClick
// (password_dialogs.cpp).
#include <QDialog>
#include <functional>
#include <string>

#include "store/diary_session.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace inkwend {

// "Warning!": make backups first. Ok goes on, Cancel stops.
class WarningScreen : public QDialog {
  Q_OBJECT
 public:
  explicit WarningScreen(QWidget* parent = nullptr);

  QPushButton* okButton;      // OKButton
  QPushButton* cancelButton;  // CancelButton
};

// "Set Up Password".
class GetPassword : public QDialog {
  Q_OBJECT
 public:
  // `session` holds the current password and the program directory and outlives the dialog;
  // `load_preferences` and `save_preferences` are the main window's (the password lives in KW.INI).
  GetPassword(DiarySession& session, std::function<void()> load_preferences,
              std::function<void()> save_preferences, QWidget* parent = nullptr);

  QFrame* passPanel;       // PassPanel
  QLabel* label2;          // "(none)"
  QLineEdit* oldPassword;  // OldPassword
  QLineEdit* newPassword;  // NewPassword
  QLabel* label4;          // what the new password may hold
  // The choice of protection, one plain sentence on each.
  QRadioButton* classicChoice;  // ClassicChoice
  QRadioButton* strongChoice;   // StrongChoice
  QLabel* protectionNote;       // ProtectionNote: what classic protection does not do
  QLabel* label5;               // "Processing new password:"
  QProgressBar* gauge1;         // Gauge1
  QPushButton* okButton;        // OkButton
  QPushButton* cancelButton;    // CancelButton
  QPushButton* clearButton;     // ClearButton

  void OkButtonClick();
  void ClearButtonClick();
  // The new password's characters; false (after telling the user) when one is not valid.
  bool NewPasswordExit();
  // Whether the old password is accepted; tells the user when it is not.
  bool checkoldpassword();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void FormCreate();
  QFrame* CreatePassPanel();
  // Re-enciphers every entry from the current protection to `new_password` (strongly encrypted
  // when `strong`) and closes.
  void ProcessPassword(const std::string& new_password, bool strong);
  void ShowRunning(int files);
  // The boxes and notes follow the choice of protection.
  void ChoiceChanged();
  // The old password opens the strongly encrypted diary's key.
  Status CheckOldStrongPassword() const;

  DiarySession& session_;  // outlives the dialog (see the constructor)
  std::function<void()> loadPreferences_;
  std::function<void()> savePreferences_;
  bool checkingNew_ = false;
};

// The main window's toolbar button for the command (a padlock).
QToolButton* CreatePasswordButton(QWidget* parent);

}  // namespace inkwend
