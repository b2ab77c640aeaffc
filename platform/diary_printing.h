#pragma once
// Printing a range of the diary through Qt PrintSupport: to a printer (any CUPS queue) or into
// PDF files. The walk itself (which entries, separate or merged, headers, headings, sheets,
// cancel, unreadable entries) is DiaryPrint's (operations/print); this side gives it devices.
//
// PDF files are written beside their target and renamed over it only when their job completed,
// so a cancelled or failed job never leaves half a file in place of a good one. In separate
// mode every entry is a file of its own: OUT.pdf becomes OUT-YYYYMMDD.pdf for each day.
//
//   DiaryPrintRun run;
//   run.onDay = [&](Date day) { ShowStatus(day); return !cancelled; };
//   Status done = PrintRangeToPdf(session, from, to, PrintMode::Merged, "/home/me/diary.pdf", run);
#include <QPageSize>
#include <QPrinter>
#include <functional>
#include <optional>
#include <string>

#include "operations/print/diary_print.h"
#include "store/diary_session.h"

namespace inkwend {

struct DiaryPrintRun {
  // After each entry day; false cancels (see DiaryPrint::onDay).
  std::function<bool(Date day)> onDay;
  // An entry that could not be read, or was damaged; the walk goes on.
  std::function<void(Date day, const Status& why)> onUnreadable;
  // The page header of a separate job and the heading of a merged entry; the system locale's
  // long date and "dddd, MMMM d, yyyy" when unset.
  std::function<std::u32string(Date day)> headerText;
  std::function<std::u32string(Date day)> headingText;
  // PDF only: the paper (DefaultPaper() when unset) and the resolution in dots per inch.
  std::optional<QPageSize> paper;
  int resolution = 720;
  // Receives what the walk did, when set.
  PrintSummary* summary = nullptr;
};

// The paper of the default printer, else Letter where the locale measures in inches and A4
// elsewhere.
QPageSize DefaultPaper();

// OUT.pdf -> OUT-YYYYMMDD.pdf: the file of one entry of a separate PDF print.
std::string PerEntryPdfPath(const std::string& path, Date day);

// Prints the entries from `from` to `to` into PDF: one file (merged) or one per entry
// (separate). Ok also when some entries could not be read (the run's summary lists them);
// Cancelled when cancelled; another code when a file could not be written.
Status PrintRangeToPdf(const DiarySession& session, Date from, Date to, PrintMode mode,
                       const std::string& path, const DiaryPrintRun& run = {});

// The same onto a printer set up by the user (one job per entry in separate mode). A printer
// whose output is a PDF file prints through PrintRangeToPdf into that file.
Status PrintRangeToPrinter(const DiarySession& session, Date from, Date to, PrintMode mode, QPrinter& printer,
                           const DiaryPrintRun& run = {});

}  // namespace inkwend
