#include "app/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "app/prompter.h"
#include "platform/program_directory.h"

namespace inkwend {
namespace {

QString PageIn(const QString& directory) {
  return QDir::cleanPath(directory + '/' + QLatin1String(kHelpFolder) + '/' + QLatin1String(kHelpPage));
}

}  // namespace

QStringList HelpFileCandidates() {
  QStringList candidates;
  const QString exe_dir = QCoreApplication::applicationDirPath();
  if (!exe_dir.isEmpty()) {
    candidates << PageIn(exe_dir);
    candidates << PageIn(exe_dir + QStringLiteral("/../share/inkwend"));
  }
  candidates << PageIn(ProgramDirectory());
  candidates.removeDuplicates();
  return candidates;
}

QString FindHelpFile() {
  for (const QString& path : HelpFileCandidates()) {
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

QUrl HelpContentsUrl(const QString& path) {
  QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
  url.setFragment(QString::fromLatin1(kHelpContentsAnchor));
  return url;
}

bool OpenHelpContents(QWidget*) {
  const QString path = FindHelpFile();
  if (path.isEmpty()) {
    ShowMessageBox(
        QStringLiteral("The help file could not be found. It belongs in the folder \"%1\" beside the "
                       "program (%2).")
            .arg(QLatin1String(kHelpFolder), QDir::toNativeSeparators(HelpFileCandidates().value(0))),
        QStringLiteral("Help"), QMessageBox::Ok, QMessageBox::Warning);
    return false;
  }
  if (!QDesktopServices::openUrl(HelpContentsUrl(path))) {
    ShowMessageBox(QStringLiteral("No web browser could be started to show the help file %1.")
                       .arg(QDir::toNativeSeparators(path)),
                   QStringLiteral("Help"), QMessageBox::Ok, QMessageBox::Warning);
    return false;
  }
  return true;
}

}  // namespace inkwend
