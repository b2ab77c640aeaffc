#include "operations/print/diary_print.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include "operations/print/merged_sheets.h"
#include "richtext/model/stream.h"

namespace inkwend {
namespace {

using namespace std::chrono;

// [x]: the fraction dropped, toward zero.
int Trunc(double x) { return static_cast<int>(std::trunc(x)); }

// Room the separate job's header and footer take beyond the margins, in inches.
constexpr double kHeaderRoom = 0.3125;
constexpr double kFooterRoom = 0.25;

void DrawHeader(const std::u32string& text, TextMetrics& metrics, Canvas& canvas, int y_ppi, int x, int y,
                int w, int h) {
  FontSpec font;
  font.name = U"Arial";
  font.pointSize = 12;
  font.pixelSize = std::max(1, (12 * y_ppi + 36) / 72);
  font.bold = true;
  font.italic = true;
  canvas.SetFont(font);
  std::vector<int> advances(text.size());
  metrics.Advances(font, text, advances);
  // The text's top stands halfway down the band; the canvas draws from the baseline.
  const int top = y + Trunc(h * 0.5);
  canvas.DrawText(x, top + metrics.Metrics(font).ascent, text, advances, 0);
  const int y2 = y + h - h / 4;
  canvas.DrawLine({x, y2}, {x + w, y2}, Pen{});
}

}  // namespace

std::u32string EnglishLongDate(Date day) {
  static constexpr std::array<const char*, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                          "May",       "June",     "July",     "August",
                                                          "September", "October",  "November", "December"};
  const weekday wd{sys_days(day)};
  const std::string text =
      std::string(kDays[wd.c_encoding()]) + ", " + kMonths[static_cast<unsigned>(day.month()) - 1] + " " +
      std::to_string(static_cast<unsigned>(day.day())) + ", " + std::to_string(static_cast<int>(day.year()));
  return std::u32string(text.begin(), text.end());
}

int TruePrinterPageWidth(const WPPrintDevice& device) {
  const int w = device.PaperWidth();
  return w > 0 ? w : device.PrintableWidth() + 2 * device.OffsetX();
}

int TruePrinterPageHeight(const WPPrintDevice& device) {
  const int h = device.PaperHeight();
  return h > 0 ? h : device.PrintableHeight() + 2 * device.OffsetY();
}

DiaryPrint::DiaryPrint(const DiarySession& session, PrintDestination& destination)
    : session_(session), destination_(destination) {
  // Printing keeps no history of its own edits.
  loader_.undoLimit = 0;
  page_.undoLimit = 0;
  loader_.Layout().onPrintHeader = [this](TextLayout& layout, Canvas& canvas, int x, int y, int w, int h, int,
                                          int) {
    TextMetrics* metrics = layout.DeviceMetrics();
    if (metrics) DrawHeader(header_, *metrics, canvas, layout.DeviceYPixelsPerInch(), x, y, w, h);
  };
  loader_.Layout().onPrintFooter = [](TextLayout& layout, Canvas& canvas, int x, int y, int w, int, int,
                                      int) {
    // A quarter inch below the text.
    const int y3 = y + Trunc(layout.DeviceYPixelsPerInch() * 0.25);
    canvas.DrawLine({x, y3}, {x + w, y3}, Pen{});
  };
}

std::u32string DiaryPrint::HeaderText(Date day) const {
  return headerText ? headerText(day) : EnglishLongDate(day);
}
std::u32string DiaryPrint::HeadingText(Date day) const {
  return headingText ? headingText(day) : EnglishLongDate(day);
}

Status DiaryPrint::LoadEntry(Date day) {
  loader_.Clear();
  bool read = false;
  const Status loaded = session_.LoadListedDay(day, [this, &read](std::string rtf) {
    read = true;
    loader_.pictureDecoder = pictureDecoder;
    MemoryStream stream(std::move(rtf));
    loader_.LoadFromStream(stream);
    return loader_.LastLoadStatus();
  });
  // A file gone since the listing is no entry; one without any text is an empty entry.
  if (!read) return loaded.IsOk() ? Status::Error(StatusCode::NotFound, "") : loaded;
  if (loaded.Code() == StatusCode::NotFound) {
    loader_.Clear();
    return Status::Ok();
  }
  return loaded;
}

bool DiaryPrint::EntryToPrint(Date day) {
  const Status loaded = LoadEntry(day);
  if (loaded.Code() == StatusCode::Damaged) {
    summary_.damaged.push_back({day, loaded});
    if (onUnreadable) onUnreadable(day, loaded);
  } else if (!loaded.IsOk()) {
    if (loaded.Code() != StatusCode::NotFound) {
      summary_.unreadable.push_back({day, loaded});
      if (onUnreadable) onUnreadable(day, loaded);
    }
    return false;
  }
  if (loader_.Document().IsEmpty()) {
    ++summary_.empty;
    return false;
  }
  return true;
}

bool DiaryPrint::DayDone(Date day) {
  ++summary_.entries;
  const bool go_on = !onDay || onDay(day);
  if (!go_on) summary_.cancelled = true;
  return go_on;
}

void DiaryPrint::SetWPPageSize(const WPPrintDevice& device) {
  const double x_ppi = std::max(1, device.XPixelsPerInch());
  const double y_ppi = std::max(1, device.YPixelsPerInch());
  const int height = Trunc(TruePrinterPageHeight(device) / y_ppi * 1440);
  const int width = Trunc(TruePrinterPageWidth(device) / x_ppi * 1440);
  loader_.SetPageLayout(Trunc(margins.left * 1440), Trunc(margins.right * 1440), height, width,
                        Trunc((margins.bottom + kFooterRoom) * 1440),
                        Trunc((margins.top + kHeaderRoom) * 1440));
}

Status DiaryPrint::Run(Date from, Date to, PrintMode mode) {
  summary_ = PrintSummary{};
  const std::vector<Date> days = session_.Store().EntryDaysBetween(from, to);
  Status done = mode == PrintMode::Merged ? PrintEntriesMerged(days) : PrintEntriesSeperate(days);
  if (done.IsOk() && summary_.cancelled) return Status::Error(StatusCode::Cancelled, "Cancelled");
  return done;
}

Status DiaryPrint::PrintOneEntry(Date day) {
  Result<WPPrintDevice*> device = destination_.OpenJob(day);
  if (!device.IsOk()) return device.GetStatus();
  SetWPPageSize(*device.Value());
  header_ = HeaderText(day);
  TextLayout& layout = loader_.Layout();
  layout.lastPrintError.clear();
  const bool printed = layout.Print(*device.Value());
  const Status closed = destination_.CloseJob(printed);
  if (!printed) {
    return Status::Error(layout.lastPrintError.empty()
                             ? "The printer refused the job."
                             : "The printer failed while printing: " + layout.lastPrintError + ".");
  }
  if (!closed.IsOk()) return closed;
  ++summary_.jobs;
  summary_.sheets += layout.PrintedPages();
  return Status::Ok();
}

Status DiaryPrint::PrintEntriesSeperate(const std::vector<Date>& days) {
  for (const Date day : days) {
    if (EntryToPrint(day)) {
      const Status printed = PrintOneEntry(day);
      if (!printed.IsOk()) {
        summary_.failedDay = day;
        return printed;
      }
      ++summary_.printed;
    }
    if (!DayDone(day)) break;
  }
  return Status::Ok();
}

Status DiaryPrint::PrintEntriesMerged(const std::vector<Date>& days) {
  Result<WPPrintDevice*> opened = destination_.OpenJob(std::nullopt);
  if (!opened.IsOk()) return opened.GetStatus();
  MergedSheets sheets(*opened.Value(), page_, margins);
  for (const Date day : days) {
    if (EntryToPrint(day)) {
      const Status printed = sheets.PrintEntry(loader_, HeadingText(day));
      if (!printed.IsOk()) {
        sheets.Abort();
        destination_.CloseJob(false);
        summary_.failedDay = day;
        return printed;
      }
      ++summary_.printed;
    }
    if (!DayDone(day)) {
      // What was sent is discarded.
      sheets.Abort();
      destination_.CloseJob(false);
      return Status::Ok();
    }
  }
  // A range without anything to print sends no job (a printer would feed a blank sheet).
  if (!sheets.Begun()) return destination_.CloseJob(false);
  if (!sheets.End()) {
    destination_.CloseJob(false);
    return Status::Error("The printer did not complete the job.");
  }
  summary_.sheets = sheets.Sheets();
  Status closed = destination_.CloseJob(true);
  if (!closed.IsOk()) return closed;
  ++summary_.jobs;
  return Status::Ok();
}

}  // namespace inkwend
