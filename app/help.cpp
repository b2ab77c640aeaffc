#include "app/help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "app/prompter.h"
#include "platform/program_directory.h"

namespace inkwend {
namespace {

QString PagePath() { return QLatin1String(kHelpFolder) + '/' + QLatin1String(kHelpPage); }

}  // namespace

QStringList HelpFileCandidates() { return ShippedFileCandidates(PagePath()); }

QString FindHelpFile() { return FindShippedFile(PagePath()); }

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
