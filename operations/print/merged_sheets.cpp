#include "operations/print/merged_sheets.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

namespace inkwend {
namespace {

int Trunc(double x) { return static_cast<int>(std::trunc(x)); }

}  // namespace

ParagraphDescription MergedHeading(EditController& page, std::u32string text) {
  ParagraphDescription d;
  d.alignment = kAlignLeft;
  d.spaceAfter = 90;
  const int arial = page.FontIndexOf(U"Arial");
  d.charAttr.fontIndex = static_cast<uint8_t>(arial >= 0 && arial < kFontSlots ? arial : 0);
  d.charAttr.styleBits = kStyleBold | kStyleItalic | kStyleUnderline;
  d.charAttr.pointSize = 10;
  d.text = std::move(text);
  return d;
}

MergedSheets::MergedSheets(WPPrintDevice& device, EditController& page, const PrintMargins& margins)
    : device_(device), page_(page) {
  xPpi_ = std::max(1, device.XPixelsPerInch());
  yPpi_ = std::max(1, device.YPixelsPerInch());
  const int off_x = device.OffsetX(), off_y = device.OffsetY();
  const int w = device.PrintableWidth(), h = device.PrintableHeight();
  topPx_ = Trunc(yPpi_ * margins.top) - off_y;
  const int bottom_px = Trunc(yPpi_ * margins.bottom) - off_y;
  leftPx_ = Trunc(xPpi_ * margins.left) - off_x;
  const int right_px = Trunc(xPpi_ * margins.right) - off_x;
  textWidth_ = std::max(1, w - leftPx_ - right_px);
  pageBottom_ = h - bottom_px;
  quarter_ = yPpi_ / 4;
  half_ = yPpi_ / 2;
  const double x_ppi = xPpi_, y_ppi = yPpi_;
  widthTwips_ = Trunc(w / x_ppi * 1440) - Trunc(leftPx_ / x_ppi * 1440) - Trunc(right_px / x_ppi * 1440);
  heightTwips_ = Trunc(h / y_ppi * 1440) - Trunc(topPx_ / y_ppi * 1440) - Trunc(bottom_px / y_ppi * 1440);
  y_ = topPx_;
}

int MergedSheets::PrintLines(int first, int height, bool print, int* taken) {
  return page_.Layout().PrintLinesOnCanvas(print ? &device_.Canvas() : nullptr, &device_.Metrics(), xPpi_,
                                           yPpi_, leftPx_, y_, textWidth_, height, first, print, taken);
}

int MergedSheets::FitPrintBox(int first) {
  int box_bottom = pageBottom_;
  for (;;) {
    int taken = 0;
    const int rest = PrintLines(first, box_bottom - quarter_ - y_, false, &taken);
    if (rest != 0 || taken == 0) break;  // the rest would not fit into a box a quarter inch lower
    if (y_ + quarter_ >= box_bottom) break;
    box_bottom -= quarter_;
  }
  return box_bottom;
}

bool MergedSheets::StartNewSheet() {
  y_ = topPx_;
  sheetFresh_ = true;
  if (!device_.NewPage()) return false;
  ++sheets_;
  return true;
}

Result<int> MergedSheets::PrintPageDocument() {
  int first = 0;
  for (;;) {
    const int box_bottom = FitPrintBox(first);
    int taken = 0;
    int next = PrintLines(first, box_bottom - y_, true, &taken);
    if (taken == 0 && sheetFresh_) {
      // A line taller than a whole sheet (a large picture) is printed alone, cut at the bottom,
      // so that printing moves on.
      const int whole = std::max(box_bottom - y_, page_.Document().header.textAreaHeight);
      next = PrintLines(first, whole, true, &taken);
      if (taken == 0) return box_bottom;  // no line left
    }
    if (taken > 0) sheetFresh_ = false;
    // 0 with lines taken: the last line was among them. Nothing taken: not even the next line
    // fits below the previous entry, so it goes to the next sheet with the rest.
    if (taken > 0 && next == 0) return box_bottom;
    if (taken > 0) first = next;
    if (!StartNewSheet()) return Status::Error("The printer refused a new sheet.");
  }
}

Status MergedSheets::PrintEntry(EditController& entry, std::u32string heading) {
  if (!begun_) {
    if (!device_.BeginJob()) return Status::Error("The printer refused the job.");
    begun_ = true;
    sheets_ = 1;
  }
  try {
    page_.Clear();
    page_.AssignHeaderFrom(entry.Document());
    page_.SetPageLayout(0, 0, heightTwips_, widthTwips_, 0, 0);
    page_.AppendParagraph(MergedHeading(page_, std::move(heading)));
    page_.FastAppendText(entry);
    if (newSheetNeeded_ && !StartNewSheet()) return Status::Error("The printer refused a new sheet.");
    newSheetNeeded_ = false;
    Result<int> box_bottom = PrintPageDocument();
    if (!box_bottom.IsOk()) return box_bottom.GetStatus();
    y_ = box_bottom.Value() + quarter_;
    if (y_ + half_ > pageBottom_) newSheetNeeded_ = true;
  } catch (const std::exception& e) {
    return Status::Error(std::string("The entry could not be laid out for printing: ") + e.what());
  }
  return Status::Ok();
}

bool MergedSheets::End() { return !begun_ || device_.EndJob(); }

void MergedSheets::Abort() {
  if (begun_) device_.AbortJob();
}

}  // namespace inkwend
