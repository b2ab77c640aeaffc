#include "platform/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "base/file_system.h"

namespace inkwend {
namespace {

QString& Directory() {
  static QString directory;
  return directory;
}

QString& ShippedBase() {
  static QString base;
  return base;
}

QString WithSlash(const QString& path) {
  QString p = QDir::cleanPath(QDir(path).absolutePath());
  if (!p.endsWith('/')) p += '/';
  return p;
}

QString DefaultDirectory() {
  return DefaultProgramDirectory(QCoreApplication::applicationDirPath(),
                                 qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
}

QString DataDirArgument(const QStringList& arguments) {
  for (int i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--data-dir") return arguments[i + 1];
  }
  for (const QString& a : arguments) {
    if (a.startsWith("--data-dir=")) return a.mid(11);
  }
  return {};
}

}  // namespace

QString DefaultProgramDirectory(const QString& exe_dir, const QString& xdg_data_home, const QString& home) {
  // Only a folder that already is a portable install keeps the diary beside the program; being
  // writable is no reason, as build folders are writable too.
  if (!exe_dir.isEmpty()) {
    const QDir dir(exe_dir);
    if (QFileInfo(dir.filePath("KW.INI")).isFile() || QFileInfo(dir.filePath("Entries")).isDir() ||
        QFileInfo(dir.filePath(QLatin1String(kPortableMarker))).isFile())
      return exe_dir;
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
  const QString data = QDir::isAbsolutePath(xdg_data_home) ? xdg_data_home : home + "/.local/share";
  return QDir::cleanPath(data + "/inkwend");
}

Status InitProgramDirectory(const QStringList& arguments) {
  const QString given = DataDirArgument(arguments);
  return SetProgramDirectory(given.isEmpty() ? DefaultDirectory() : given);
}

Status SetProgramDirectory(const QString& directory) {
  Directory() = WithSlash(directory);
  QString folder = Directory();
  folder.chop(1);
  const Status made = RealFileSystem().CreateDirectory(folder.toStdString());
  if (made.IsOk()) return made;
  return Status::Error(made.Code(), "Inkwend cannot keep its diary in the folder \"" + folder.toStdString() +
                                        "\". " + made.Message());
}

QString ProgramDirectory() {
  if (Directory().isEmpty()) SetProgramDirectory(DefaultDirectory());
  return Directory();
}

QString SettingsFilePath() { return ProgramDirectory() + "KW.INI"; }

QStringList ShippedFileCandidates(const QString& relative_path) {
  const QString exe_dir = ShippedBase().isEmpty() ? QCoreApplication::applicationDirPath() : ShippedBase();
  if (exe_dir.isEmpty()) return {};
  QStringList candidates{QDir::cleanPath(exe_dir + '/' + relative_path),
                         QDir::cleanPath(exe_dir + "/../share/inkwend/" + relative_path)};
  candidates.removeDuplicates();
  return candidates;
}

QString FindShippedFile(const QString& relative_path) {
  for (const QString& path : ShippedFileCandidates(relative_path)) {
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

void SetShippedFilesBase(const QString& exe_dir) { ShippedBase() = exe_dir; }

}  // namespace inkwend
