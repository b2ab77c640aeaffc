#pragma once
// Everything that asks the user something goes through the current Prompter, so that tests
// can answer message boxes and drive modal dialogs instead of blocking on them.
#include <QMessageBox>
#include <QString>

class QDialog;

namespace inkwend {

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::Icon icon) = 0;
  // Runs a dialog modally and returns its result (QDialog::Accepted or Rejected).
  virtual int Exec(QDialog& dialog) = 0;
};

// The prompter in use; the real one shows Qt dialogs. Tests install their own.
Prompter& CurrentPrompter();
// Installs a prompter (not owned; nullptr restores the real one). Returns the previous one.
Prompter* SetPrompter(Prompter* prompter);

// The application's modal message box; text and caption are cut to 255 characters.
QMessageBox::StandardButton ShowMessageBox(const QString& text, const QString& caption,
                                           QMessageBox::StandardButtons buttons, QMessageBox::Icon icon);
// Caption "Information", an OK button and the information icon.
void ShowInformation(const QString& text);
// Caption "Confirm", Yes and No and the question icon; true for Yes.
bool AskConfirm(const QString& text);

}  // namespace inkwend
