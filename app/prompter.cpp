#include "app/prompter.h"

#include <QApplication>
#include <QDialog>

namespace inkwend {
namespace {

class QtPrompter final : public Prompter {
 public:
  QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon) override {
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    return static_cast<QMessageBox::StandardButton>(box.exec());
  }
  int Exec(QDialog& dialog) override { return dialog.exec(); }
};

QtPrompter& RealPrompter() {
  static QtPrompter prompter;
  return prompter;
}

Prompter*& Installed() {
  static Prompter* installed = nullptr;
  return installed;
}

}  // namespace

Prompter& CurrentPrompter() { return Installed() ? *Installed() : RealPrompter(); }

Prompter* SetPrompter(Prompter* prompter) {
  Prompter* previous = Installed();
  Installed() = prompter;
  return previous;
}

QMessageBox::StandardButton ShowMessageBox(const QString& text, const QString& caption,
                                           QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
  return CurrentPrompter().MessageBox(text.left(255), caption.left(255), buttons, icon);
}

void ShowInformation(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Information"), QMessageBox::Ok, QMessageBox::Information);
}

bool AskConfirm(const QString& text) {
  return ShowMessageBox(text, QStringLiteral("Confirm"), QMessageBox::Yes | QMessageBox::No,
                        QMessageBox::Question) == QMessageBox::Yes;
}

}  // namespace inkwend
