// Never losing typed text: a recovery copy of the unsaved text a few seconds after typing
// pauses, offered back at the next start after a crash or a power cut; and saving as Exit does
// when the session ends or a termination signal arrives, with nobody there to answer a question.
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "app/date_text.h"
#include "app/editor_rtf_reader.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/window_placement.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

// The day as the date above the page reads it.
QString LongDate(Date day) {
  return FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), ToQDate(day), SystemDateSettings());
}

// While the program saves with nobody at the screen: messages go to the error stream and every
// question is answered No, so that nothing waits for a click that never comes.
class UnattendedPrompter final : public Prompter {
 public:
  UnattendedPrompter() : previous_(SetPrompter(this)) {}
  ~UnattendedPrompter() override { SetPrompter(previous_); }
  UnattendedPrompter(const UnattendedPrompter&) = delete;
  UnattendedPrompter& operator=(const UnattendedPrompter&) = delete;

  QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons buttons, QMessageBox::Icon) override {
    std::fprintf(stderr, "inkwend: %s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
    return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
  }
  int Exec(QDialog&) override { return 0; }  // QDialog::Rejected

 private:
  Prompter* previous_;
};

}  // namespace

void MainScreen::ScheduleRecoveryCopy() {
  if (!recoveryTimer_) {
    recoveryTimer_ = new QTimer(this);
    recoveryTimer_->setSingleShot(true);
    recoveryTimer_->setInterval(kRecoveryDelayMs);
    connect(recoveryTimer_, &QTimer::timeout, this, [this] { KeepRecoveryCopy(); });
  }
  recoveryTimer_->start();  // each change starts the pause again
}

bool MainScreen::RecoveryCopyPending() const { return recoveryTimer_ && recoveryTimer_->isActive(); }

void MainScreen::KeepRecoveryCopy() {
  if (recoveryTimer_) recoveryTimer_->stop();
  if (!Modified() || session_.EntryLocked()) return;
  WPRichText& editor = *entryEditor_;
  // The text is still in the editor and Save still works: a copy that fails is not worth a
  // message box every few seconds, only a line for whoever looks.
  const Status kept = session_.KeepRecoveryCopy(WriterFor(editor), editor.IsEmpty());
  if (!kept.IsOk())
    std::fprintf(stderr, "inkwend: no recovery copy of the unsaved text: %s\n", kept.Message().c_str());
}

void MainScreen::DiscardRecoveryCopy() {
  if (recoveryTimer_) recoveryTimer_->stop();
  const Status discarded = session_.DiscardRecoveryCopy();
  if (!discarded.IsOk())
    std::fprintf(stderr, "inkwend: the recovery copy could not be removed: %s\n",
                 discarded.Message().c_str());
}

void MainScreen::OfferRecovery() {
  for (const Date day : session_.RecoveryDays()) {
    const QString path = QString::fromStdString(session_.RecoveryCopyPath(day));
    Result<std::string> rtf = session_.ReadRecoveryCopy(day);
    if (!rtf.IsOk()) {
      ReportError(
          QStringLiteral("The unsaved text of %1 kept when Inkwend last ended cannot be read; its file is "
                         "left as it is. %2\n%3")
              .arg(LongDate(day), QString::fromStdString(rtf.GetStatus().Message()), path));
      continue;
    }
    const bool recover = AskConfirm(QStringLiteral("Recover the unsaved text of %1?").arg(LongDate(day)));
    // The program is ending: whatever the box answered, the copy waits for the next start.
    if (endingUnattended_) return;
    if (recover) {
      ShowRecoveredText(day, rtf.TakeValue());
      return;  // one day at a time; other copies are offered at the next start
    }
    const Status removed = session_.RemoveRecoveryCopy(day);
    if (!removed.IsOk())
      ReportError(QStringLiteral("The unsaved text of %1 could not be removed. %2\n%3")
                      .arg(LongDate(day), QString::fromStdString(removed.Message()), path));
  }
}

void MainScreen::ShowRecoveredText(Date day, std::string rtf) {
  GoToDate(ToQDate(day));
  // A day whose entry cannot be read stays read-only (the user has been told); its copy stays
  // too, for the next start.
  if (session_.CurrentDate() != day || session_.EntryLocked()) return;
  loading = true;
  entryEditor_->Clear();  // the text replaces the entry's, as loading a day does
  const Status shown = ReaderFor(*entryEditor_)(std::move(rtf));
  loading = false;
  if (!shown.IsOk()) {
    LoadRichText();
    ReportError(QStringLiteral("The unsaved text of %1 cannot be shown; its file is left as it is. %2\n%3")
                    .arg(LongDate(day), QString::fromStdString(shown.Message()),
                         QString::fromStdString(session_.RecoveryCopyPath(day))));
    return;
  }
  // From here the copy is the shown text's: Save writes the entry and removes it, Cancel
  // drops both, and typing replaces it.
  session_.TakeOverRecoveryCopy();
  entryEditor_->SetCaretPosition(0);
  entryEditor_->viewport()->update();
  ShowModified(true);
}

bool MainScreen::SaveUnattended(bool ending) {
  if (ending) endingUnattended_ = true;
  if (savingUnattended_) return false;  // a second request while the first is saving
  savingUnattended_ = true;
  const UnattendedPrompter nobody_there;
  const bool saved = SaveButtonClick();
  // A text that could not be saved stays recoverable: its copy is brought up to date.
  if (!saved) KeepRecoveryCopy();
  SavePreferences();
  const QString error = SaveWindowPlacement(*this, QString::fromLatin1(kClassName));
  if (!error.isEmpty()) std::fprintf(stderr, "inkwend: %s\n", qUtf8Printable(error));
  savingUnattended_ = false;
  return saved;
}

}  // namespace inkwend
