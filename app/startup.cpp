#include "app/startup.h"

#include <QApplication>
#include <QTimer>

#include "app/first_paint_probe.h"
#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/prompter.h"
#include "app/single_instance.h"
#include "platform/program_directory.h"

namespace inkwend {

StartResult PrepareStart(const QStringList& arguments) {
  InitProgramDirectory(arguments);
  if (IsAlreadyRunning(ProgramDirectory())) {
    ShowInformation(QStringLiteral("Inkwend! is already running"));
    return StartResult::AlreadyRunning;
  }
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
  // Menus, buttons and dialogs take the desktop's font and size; the entry keeps its own.
  if (PrepareStart(QApplication::arguments()) != StartResult::Run) return 0;
  InstallFirstPaintProbe();
  MainScreen window;
  if (!window.startedOk()) {
    ShowInformation(QStringLiteral("Terminating Inkwend!"));
    return 1;
  }
  window.show();
  const int code = QApplication::exec();
  ReleaseInstanceLock();
  return code;
}

}  // namespace inkwend
