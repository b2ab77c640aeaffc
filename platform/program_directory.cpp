#include "platform/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace inkwend {
namespace {

QString& Directory() {
  static QString directory;
  return directory;
}

QString WithSlash(const QString& path) {
  QString p = QDir::cleanPath(QDir(path).absolutePath());
  if (!p.endsWith('/')) p += '/';
  return p;
}

QString DefaultDirectory() {
  const QString exe_dir = QCoreApplication::applicationDirPath();
  // A portable install keeps its diary beside the program.
  if (!exe_dir.isEmpty()) {
    QDir dir(exe_dir);
    if (QFileInfo::exists(dir.filePath("KW.INI")) || QFileInfo(dir.filePath("Entries")).isDir() ||
        QFileInfo(exe_dir).isWritable())
      return exe_dir;
  }
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty()) data = QDir::homePath() + "/.local/share";
  return data + "/inkwend";
}

}  // namespace

void InitProgramDirectory(const QStringList& arguments) {
  for (int i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--data-dir") {
      SetProgramDirectory(arguments[i + 1]);
      return;
    }
  }
  for (const QString& a : arguments) {
    if (a.startsWith("--data-dir=")) {
      SetProgramDirectory(a.mid(11));
      return;
    }
  }
  SetProgramDirectory(DefaultDirectory());
}

void SetProgramDirectory(const QString& directory) {
  QDir().mkpath(directory);
  Directory() = WithSlash(directory);
}

QString ProgramDirectory() {
  if (Directory().isEmpty()) SetProgramDirectory(DefaultDirectory());
  return Directory();
}

QString SettingsFilePath() { return ProgramDirectory() + "KW.INI"; }

}  // namespace inkwend
