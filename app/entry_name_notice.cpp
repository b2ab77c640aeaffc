#include "app/entry_name_notice.h"

#include <QDir>

namespace inkwend {

QString OutOfRangeEntriesMessage(const QString& entries_folder, const std::vector<std::string>& names) {
  if (names.empty()) return {};
  const QString first =
      QDir::toNativeSeparators(QDir(entries_folder).filePath(QString::fromStdString(names[0])));
  const QString why = QStringLiteral(
      "the diary holds the years 1 to 9999 only. Such files are left as they are, and First, Last and "
      "the diary-wide operations pass them by.");
  if (names.size() == 1)
    return QStringLiteral("The entry file %1 is named for a day outside the diary's calendar: %2")
        .arg(first, why);
  return QStringLiteral("%1 entry files, such as %2, are named for days outside the diary's calendar: %3")
      .arg(names.size())
      .arg(first, why);
}

}  // namespace inkwend
