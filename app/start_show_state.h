#pragma once
// How the main window first shows itself, as the command that started the program asks: a
// launcher or a session that restores the desktop may start the diary minimised (to the task
// bar) or maximised. Without either option the window shows normally, in front.
#include <QStringList>

namespace inkwend {

enum class StartShowState { Normal, Minimized, Maximized };

// From the command line: "--minimized" (also "--minimised", "--iconic"), "--maximized" (also
// "--maximised"); the last one given wins.
StartShowState StartShowStateFromArguments(const QStringList& arguments);

// The state of this run: set by start-up from the command line, read by the main window's first
// activation.
StartShowState CurrentStartShowState();
void SetStartShowState(StartShowState state);

}  // namespace inkwend
