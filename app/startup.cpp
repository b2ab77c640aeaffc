#include "app/startup.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

#include "app/first_paint_probe.h"
#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/printer_probe.h"
#include "app/prompter.h"
#include "app/single_instance.h"
#include "app/start_show_state.h"
#include "operations/password/password_change.h"
#include "platform/program_directory.h"
#include "platform/termination_signals.h"
#include "store/stale_temp_files.h"

namespace inkwend {
namespace {

constexpr int kPrinterProbeDelayMs = 1000;

// A password change a kill or a power cut interrupted is finished or undone before anything
// reads the diary, so that every entry reads with the password KW.INI holds. False when that
// cannot be done now: the diary must not open half changed (the message says why).
bool MendInterruptedPasswordChange() {
  PasswordChange change(ProgramDirectory().toStdString(), RealFileSystem());
  const Result<InterruptedPasswordChange> mended = change.FinishInterrupted();
  if (!mended.IsOk()) {
    ShowMessageBox(QStringLiteral("A password change that was interrupted cannot be finished now: %1\n\n"
                                  "Inkwend! closes without opening the diary, so that no entry is lost; "
                                  "start it again once this is mended.")
                       .arg(QString::fromStdString(mended.GetStatus().Message())),
                   QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Critical);
    return false;
  }
  const std::string said = InterruptedRunMessage(mended.Value());
  if (!said.empty()) ShowInformation(QString::fromStdString(said));
  return true;
}

}  // namespace

StartResult PrepareStart(const QStringList& arguments) {
  const Status folder = InitProgramDirectory(arguments);
  if (!folder.IsOk()) {
    ShowMessageBox(QString::fromStdString(folder.Message()), QStringLiteral("Inkwend"), QMessageBox::Ok,
                   QMessageBox::Critical);
    return StartResult::NoProgramDirectory;
  }
  SetStartShowState(StartShowStateFromArguments(arguments));
  if (IsAlreadyRunning(ProgramDirectory())) {
    ShowInformation(QStringLiteral("Inkwend! is already running"));
    return StartResult::AlreadyRunning;
  }
  // Only now, with the lock held, is no other copy of the program writing beside them.
  if (!MendInterruptedPasswordChange()) {
    ReleaseInstanceLock();
    return StartResult::PasswordChangeUnfinished;
  }
  RemoveStaleTempFiles(ProgramDirectory().toStdString(), RealFileSystem());
  QCoreApplication::processEvents();
  if (!CheckOpeningPassword()) {
    ReleaseInstanceLock();
    return StartResult::PasswordRefused;
  }
  return StartResult::Run;
}

int RunInkwend(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Inkwend"));
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.inkwend.Inkwend"));
  // Menus, buttons and dialogs take the desktop's font and size; the entry keeps its own.
  const StartResult start = PrepareStart(QApplication::arguments());
  if (start != StartResult::Run)
    return start == StartResult::NoProgramDirectory || start == StartResult::PasswordChangeUnfinished ? 1 : 0;
  InstallFirstPaintProbe();
  MainScreen window;
  if (!window.startedOk()) {
    ShowInformation(QStringLiteral("Terminating Inkwend!"));
    return 1;
  }
  window.show();
  // A system whose only printer is a rendering pseudo-printer counts as having none. Asking
  // loads the printing system's back end, a noticeable part of the start-up time, so it is
  // asked once the window stands; printing before then asks at once.
  QTimer::singleShot(kPrinterProbeDelayMs, &window, [] { ProbePrinters(); });
  // A logout, a shutdown, `kill` or Ctrl+C in the terminal ends the program without asking: the
  // text is saved first, and what cannot be saved stays in its recovery copy.
  const TerminationSignals termination(
      [&window](int) { QCoreApplication::exit(window.SaveUnattended(true) ? 0 : 1); });
#ifndef QT_NO_SESSIONMANAGER
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.SaveUnattended(false); });
#endif
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] {
    if (window.Modified()) window.SaveUnattended(true);
  });
  const int code = QApplication::exec();
  ReleaseInstanceLock();
  return code;
}

}  // namespace inkwend
