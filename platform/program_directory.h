#pragma once
// Where the diary keeps its files, and where the files that ship with the program are found.
//
// The diary (KW.INI and Entries/) lives in the program directory: the executable's own folder
// only when that folder already holds KW.INI, Entries/ or a file named "portable" (a portable
// install); otherwise $XDG_DATA_HOME/inkwend (~/.local/share/inkwend when the variable is unset
// or not an absolute path), so that a build folder, which `rm -rf build` takes away, never holds
// a diary. --data-dir DIR overrides both.
//
// Read-only files that ship with the program (help, dictionary, icon sets) are found beside the
// executable (a build tree or a portable install) or under the install prefix's share/inkwend/.
#include <QString>
#include <QStringList>

#include "base/status.h"

namespace inkwend {

// The name of the file that marks the executable's folder as a portable install.
inline constexpr char kPortableMarker[] = "portable";

// Decides the program directory once from the command line and creates it; call before any
// other use. On failure the message names the folder and says why it cannot be made.
Status InitProgramDirectory(const QStringList& arguments);
// Sets it directly and creates it (tests use this as --data-dir).
Status SetProgramDirectory(const QString& directory);
// The choice made when no --data-dir is given (see above); `xdg_data_home` and `home` are the
// values of those variables.
QString DefaultProgramDirectory(const QString& exe_dir, const QString& xdg_data_home, const QString& home);

// The program directory with a trailing "/".
QString ProgramDirectory();
// ProgramDirectory() + "KW.INI".
QString SettingsFilePath();

// The places a shipped file (`relative_path`, e.g. "help/index.html") may be, most likely first:
// beside the executable, then under the install prefix.
QStringList ShippedFileCandidates(const QString& relative_path);
// The first of those that is a file, or empty.
QString FindShippedFile(const QString& relative_path);
// The folder taken as the executable's when looking for shipped files (tests); empty restores
// the real one.
void SetShippedFilesBase(const QString& exe_dir);

}  // namespace inkwend
