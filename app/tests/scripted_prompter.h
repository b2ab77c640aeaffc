#pragma once
// A prompter for tests: records message boxes and answers them, and runs modal dialogs by
// handing them to a script that drives them as a user would.
#include <QDialog>
#include <QStringList>
#include <functional>

#include "app/prompter.h"

namespace inkwend::testing {

class ScriptedPrompter : public Prompter {
 public:
  ScriptedPrompter() { previous_ = SetPrompter(this); }
  ~ScriptedPrompter() override { SetPrompter(previous_); }

  QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons buttons, QMessageBox::Icon) override {
    messages << caption + ": " + text;
    if (buttons.testFlag(QMessageBox::Yes)) return answerYes ? QMessageBox::Yes : QMessageBox::No;
    return QMessageBox::Ok;
  }

  // The script gets the shown dialog; the dialog's result is returned once the script ends
  // (a script that leaves the dialog open counts as Rejected).
  int Exec(QDialog& dialog) override {
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    dialogs << dialog.windowTitle();
    if (script) script(dialog);
    const int result = dialog.result();
    dialog.hide();
    return result;
  }

  QStringList messages;
  QStringList dialogs;
  bool answerYes = true;
  std::function<void(QDialog&)> script;

 private:
  Prompter* previous_ = nullptr;
};

}  // namespace inkwend::testing
