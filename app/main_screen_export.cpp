// "Export to RTF (Rich Text Format)" of the main window: the options, the walk with the status
// window, and the final message. The walk itself is the engine's (operations/export).
#include <QApplication>
#include <QElapsedTimer>

#include "app/date_text.h"
#include "app/export_options.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/search_dialogs.h"
#include "app/window_placement.h"
#include "operations/export/diary_export.h"
#include "platform/diary_printing.h"
#include "platform/program_directory.h"
#include "platform/qt_picture_decoder.h"

namespace inkwend {
namespace {

// The status window is brought up to date at most this often.
constexpr qint64 kStatusIntervalMs = 100;

QString FormatWords(ExportFormat format) {
  switch (format) {
    case ExportFormat::PlainText:
      return QStringLiteral("plain text (UTF-8)");
    case ExportFormat::Markdown:
      return QStringLiteral("Markdown");
    case ExportFormat::Pdf:
      return QStringLiteral("PDF");
    case ExportFormat::Rtf:
      break;
  }
  return QStringLiteral("Rich Text Format (RTF)");
}

}  // namespace

void MainScreen::Export1Click() {
  if (!SaveButtonClick()) return;
  SaveOptions options(this);
  options.startDate = QDateTime(CurrentDate(), QTime(0, 0));
  options.endDate = QDateTime::currentDateTime();
  options.directory = ProgramDirectory();
  options.onGetEntryDays = [this](QStringList& days, int year, int month) {
    GetEntryDays(days, year, month);
  };
  CenterForm(options, this, false);
  if (CurrentPrompter().Exec(options) != QDialog::Accepted) return;
  QDate from = options.startDate.date(), to = options.endDate.date();
  if (options.currentOnly) {
    from = to = CurrentDate();
  } else if (options.all) {
    from = FirstDiaryRecord();
    to = LastDiaryRecord();
  }
  if (options.format == ExportFormat::Pdf) {
    ExportPdf(ToDate(from), ToDate(to), options.TargetDirectory());
  } else {
    ExportEntries(ToDate(from), ToDate(to), options.format, options.TargetDirectory());
  }
  FindDateRecord();
  LoadRichText();
}

void MainScreen::ExportEntries(Date from, Date to, ExportFormat format, const QString& directory) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool was_active = isActiveWindow();
  ConvertNotify notify(this);
  notify.SetWhatAmIdoing(QStringLiteral("Exporting..."));
  notify.show();
  DiaryExport out(session_, directory.toStdString());
  out.pictureDecoder = &QtPictureDecoderInstance();
  QElapsedTimer since_shown;
  out.onEntry = [&](Date day) {
    if (since_shown.isValid() && since_shown.elapsed() < kStatusIntervalMs) return;
    notify.SetStatus(QStringLiteral("Processing entry for ") +
                     FormatDate(QStringLiteral("ddddd"), ToQDate(day), SystemDateSettings()));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_shown.start();
  };
  const Status done = out.Run(from, to, format);
  notify.hide();
  if (was_active && !isActiveWindow()) activateWindow();
  QApplication::restoreOverrideCursor();
  if (!done.IsOk()) {
    ReportError(QString::fromStdString(done.Message()));
    return;
  }
  ShowInformation(QStringLiteral("Saved %1 file(s) as %2\rto directory: %3")
                      .arg(out.FilesWritten())
                      .arg(FormatWords(format), directory));
}

// One PDF of the range's merged pages, as the printing code prints them, with the same status
// window; entries that could not be read are named after the file is written.
void MainScreen::ExportPdf(Date from, Date to, const QString& directory) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool was_active = isActiveWindow();
  ConvertNotify notify(this);
  notify.SetWhatAmIdoing(QStringLiteral("Exporting..."));
  notify.show();
  QElapsedTimer since_shown;
  PrintSummary summary;
  DiaryPrintRun run;
  run.summary = &summary;
  run.onDay = [&](Date day) {
    if (since_shown.isValid() && since_shown.elapsed() < kStatusIntervalMs) return true;
    notify.SetStatus(QStringLiteral("Processing entry for ") +
                     FormatDate(QStringLiteral("ddddd"), ToQDate(day), SystemDateSettings()));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_shown.start();
    return true;
  };
  const QString path = directory + QString::fromStdString(RangePdfFileName(from, to));
  const Status done = PrintRangeToPdf(session_, from, to, PrintMode::Merged, path.toStdString(), run);
  notify.hide();
  if (was_active && !isActiveWindow()) activateWindow();
  QApplication::restoreOverrideCursor();
  if (!done.IsOk()) {
    ReportError(QString::fromStdString(done.Message()));
    return;
  }
  QString unread;
  for (const EntryTrouble& t : summary.unreadable)
    unread += QStringLiteral("\r") +
              FormatDate(QStringLiteral("ddddd"), ToQDate(t.day), SystemDateSettings()) +
              QStringLiteral(": ") + QString::fromStdString(t.why.Message());
  if (!unread.isEmpty())
    ReportError(QStringLiteral("These entries could not be read and are not in the PDF:") + unread);
  ShowInformation(QStringLiteral("Saved %1 file(s) as PDF\rto directory: %2")
                      .arg(summary.printed > 0 ? 1 : 0)
                      .arg(directory));
}

}  // namespace inkwend
