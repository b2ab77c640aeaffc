#pragma once
// DiaryPrint: the walk of printing a range of the diary. It goes through the days that have an
// entry between two dates, deciphers each in memory and prints it, either as a job of its own
// under a page header with the day's long date ("separate"), or into one job in which entries
// follow each other on the same sheets under a date heading ("merged"). The day shown is not
// touched and no plaintext reaches the disk.
//
// Where the jobs go is the PrintDestination's business (a printer, or PDF files written beside
// their target and put in place only when whole); the walk only draws on the device it is given.
//
//   DiaryPrint print(session, destination);
//   print.onDay = [&](Date day) { ShowStatus("Printed " + ...); return !cancelled; };
//   Status done = print.Run(from, to, PrintMode::Merged);
//
// An entry that cannot be read or deciphered is reported with its day (onUnreadable) and the
// walk goes on: nothing of it is printed and nothing else depends on it. A damaged entry is
// printed with what could be read and reported too. A printer that fails ends the walk with a
// message that says so and which day it was printing.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "operations/print/print_margins.h"
#include "richtext/editing/text_input.h"
#include "richtext/layout/layout.h"
#include "store/diary_session.h"

namespace inkwend {

enum class PrintMode : uint8_t { Separate, Merged };

// Where jobs go: one per printed entry in separate mode, one for the range in merged mode.
class PrintDestination {
 public:
  virtual ~PrintDestination() = default;
  // The device of the next job, for the entry of `day` (separate) or for the range (none).
  // The walk begins and ends the job on it.
  virtual Result<WPPrintDevice*> OpenJob(std::optional<Date> day) = 0;
  // After the job opened last: `completed` false when it was cancelled or failed, so that
  // anything it wrote is dropped. A failure to keep what it wrote is returned.
  virtual Status CloseJob(bool completed) = 0;
};

// An entry that was not printed whole, and why.
struct EntryTrouble {
  Date day;
  Status why;
};

// What a walk did.
struct PrintSummary {
  int entries = 0;  // entry days walked (printed, empty and unreadable ones)
  int printed = 0;  // entries printed
  int empty = 0;    // entries whose document is empty: skipped
  int jobs = 0;     // print jobs completed
  int sheets = 0;   // sheets of the merged job, or of every separate job together
  bool cancelled = false;
  std::optional<Date> failedDay;         // the entry being printed when the printer failed
  std::vector<EntryTrouble> unreadable;  // not printed
  std::vector<EntryTrouble> damaged;     // printed with what could be read
};

class DiaryPrint {
 public:
  // `session` and `destination` outlive the walk.
  DiaryPrint(const DiarySession& session, PrintDestination& destination);

  // After each entry day, whether printed, empty or unreadable (the status line shows
  // "Printed " and the day). Returning false cancels: the walk stops after that day, and a
  // merged job is aborted rather than completed.
  std::function<bool(Date day)> onDay;
  // An entry that could not be read, or was damaged, with why; the walk goes on.
  std::function<void(Date day, const Status& why)> onUnreadable;
  // The page header's text of a separate job (the locale's long date) and the heading of an
  // entry in a merged job ("dddd, mmmm d, yyyy"). English texts when unset.
  std::function<std::u32string(Date day)> headerText;
  std::function<std::u32string(Date day)> headingText;
  // Decodes the PNG and JPEG pictures other programs embed; not owned.
  const WPPictureDecoder* pictureDecoder = nullptr;
  PrintMargins margins;

  // Prints the entries from `from` to `to` (inclusive). Ok also when some entries could not be
  // read (the summary lists them); Cancelled when onDay cancelled; another code when a printer
  // or an output file failed (the message says which day).
  Status Run(Date from, Date to, PrintMode mode);
  const PrintSummary& Summary() const { return summary_; }

 private:
  // The entry's document in loader_; Ok, Damaged (printed), NotFound (no entry any more) or why
  // it cannot be printed.
  Status LoadEntry(Date day);
  // Loads the day's entry; true when it has something to print. Empty and unreadable entries
  // are counted (and the unreadable reported) here.
  bool EntryToPrint(Date day);
  // After the day: reports it and asks whether to go on.
  bool DayDone(Date day);
  Status PrintEntriesSeperate(const std::vector<Date>& days);
  Status PrintEntriesMerged(const std::vector<Date>& days);
  Status PrintOneEntry(Date day);
  // The loader's page: the device's sheet with the margins, plus the header's and the
  // footer's extra room.
  void SetWPPageSize(const WPPrintDevice& device);
  std::u32string HeaderText(Date day) const;
  std::u32string HeadingText(Date day) const;

  const DiarySession& session_;    // outlives the walk (see the constructor)
  PrintDestination& destination_;  // likewise
  EditController loader_;          // the entry as loaded
  EditController page_;            // merged mode: heading and entry laid out for the sheet
  std::u32string header_;          // the header date of the separate job in progress
  PrintSummary summary_;
};

// The device's sheet in pixels; the printable area with its offsets when it cannot tell.
int TruePrinterPageWidth(const WPPrintDevice& device);
int TruePrinterPageHeight(const WPPrintDevice& device);

// "Sunday, March 2, 1997".
std::u32string EnglishLongDate(Date day);

}  // namespace inkwend
