#pragma once
// Where the diary keeps its files: the program's own directory when it is a portable install,
// otherwise $XDG_DATA_HOME/inkwend; --data-dir overrides both.
#include <QString>
#include <QStringList>

namespace inkwend {

// Decides the program directory once from the command line; call before any other use.
void InitProgramDirectory(const QStringList& arguments);
// Sets it directly (tests).
void SetProgramDirectory(const QString& directory);

// The program directory with a trailing "/".
QString ProgramDirectory();
// ProgramDirectory() + "KW.INI".
QString SettingsFilePath();

}  // namespace inkwend
