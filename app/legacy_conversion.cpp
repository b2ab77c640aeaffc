#include "app/legacy_conversion.h"

#include <QApplication>
#include <QStringList>

#include "app/date_text.h"
#include "app/prompter.h"
#include "app/search_dialogs.h"
#include "operations/convert/legacy_conversion.h"

namespace inkwend {
namespace {

// The DATE text as a day in the short date format; a text that names no day shows today, as the
// old program's status line did.
QString ShortDateOf(std::string_view date_text) {
  const QDate today = QDate::currentDate();
  const Date d = STOD(date_text, Date{std::chrono::year(today.year()),
                                      std::chrono::month(static_cast<unsigned>(today.month())),
                                      std::chrono::day(static_cast<unsigned>(today.day()))});
  const QDate day(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                  static_cast<int>(static_cast<unsigned>(d.day())));
  return FormatDate(QStringLiteral("ddddd"), day, SystemDateSettings());
}

void ReportPassedBy(const std::vector<std::string>& passed_by) {
  if (passed_by.empty()) return;
  QStringList lines;
  for (const std::string& line : passed_by) lines << QString::fromStdString(line);
  ShowInformation(QStringLiteral("These records of INKWEND.DBF were not converted; the table keeps them:\n") +
                  lines.join('\n'));
}

}  // namespace

ConversionOutcome PerformConversion(const DiarySession& session) {
  LegacyConversion conversion(session.Store().programDirectory(), session.Files());
  if (!conversion.Offered()) return ConversionOutcome::NotOffered;
  if (!AskConfirm(QStringLiteral("Old file format detected. Would you like to\r"
                                 "convert to the new file format now? (Press No\r"
                                 "if you wish to make backups of your datafiles\r"
                                 "first)")))
    return ConversionOutcome::Declined;

  // The main window is not shown yet: the status window stands on its own.
  ConvertNotify notify(nullptr);
  notify.SetWhatAmIdoing(QStringLiteral("Converting to new Inkwend! file format...."));
  notify.SetStatus(QStringLiteral("Working..."));
  notify.show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto show = [&notify](const QString& what, std::string_view date) {
    notify.SetStatus(what + ShortDateOf(date));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  conversion.onEntry = [&](std::string_view date) { show(QStringLiteral("Processing entry for "), date); };
  conversion.onEncrypt = [&](std::string_view date) { show(QStringLiteral("Encrypting entry for "), date); };
  conversion.diaryKey = session.Store().GetDiaryKey();
  const Result<ConversionReport> done = conversion.Run(session.Password());
  QApplication::restoreOverrideCursor();
  notify.hide();
  if (!done.IsOk()) {
    ShowMessageBox(QString::fromStdString(done.GetStatus().Message()), QStringLiteral("Inkwend"),
                   QMessageBox::Ok, QMessageBox::Warning);
    return ConversionOutcome::Failed;
  }
  ReportPassedBy(done.Value().passedBy);
  return ConversionOutcome::Converted;
}

}  // namespace inkwend
