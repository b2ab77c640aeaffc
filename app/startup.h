#pragma once
// The program's entry sequence, from the command line to the message loop.
#include <QStringList>

namespace inkwend {

enum class StartResult { Run, NoProgramDirectory, AlreadyRunning, PasswordRefused, PasswordChangeUnfinished };

// Everything before the main window: program directory, start state, single instance,
// an interrupted password change finished or undone, leftovers of interrupted saves, opening password. Shows
// the messages itself.
StartResult PrepareStart(const QStringList& arguments);

// The whole sequence; returns the process exit code.
int RunInkwend(int argc, char** argv);

}  // namespace inkwend
