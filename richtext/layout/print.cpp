// Pages: page-start marks, printing through a device, and printing lines into a box.
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {

int TextLayout::Paginate(int page_height) {
  Reformat();
  if (page_height <= 0) page_height = doc_.header.textAreaHeight;
  page_height = std::max(page_height, 1);
  int pages = 1;
  int page_top = 0;
  bool first = true;
  for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    // Height of the whole paragraph, for the keep flag.
    std::vector<LineBox>& boxes = BoxesOf(p);
    const int par_height = boxes.back().top + boxes.back().height - boxes.front().top;
    for (LineBox& tl : boxes) {
      const int l = static_cast<int>(&tl - boxes.data());
      tl.flags &= static_cast<uint8_t>(~kLinePageStart);
      const bool forced = l == 0 && (p->parFlags & kParPageBreak);
      // A kept paragraph that fits on one page, just not on this one, moves on whole.
      const bool kept_whole = l == 0 && (p->parFlags & kParKeep) && par_height <= page_height &&
                              tl.top + par_height - page_top > page_height && tl.top > page_top;
      // The empty paragraph every document ends with (where the caret goes after the last
      // return) holds nothing to print: spilling over, it would only print a blank sheet.
      const bool overflows = tl.top + tl.height - page_top > page_height && tl.top > page_top &&
                             !(p->next == nullptr && p->CharCount() == 0 && p->borderFlags[0] == 0);
      const bool start = !first && (forced || kept_whole || overflows);
      if (start) {
        tl.flags |= kLinePageStart;
        page_top = tl.top;
        ++pages;
      }
      first = false;
    }
  }
  pageCount_ = pages;
  return pages;
}

int TextLayout::TotalLines() const {
  int n = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) n += p->LineCount();
  return n;
}

int TextLayout::LineIndexOf(const Paragraph* par, int line) const {
  int n = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    if (p == par) return n + std::clamp(line, 0, p->LineCount() - 1);
    n += p->LineCount();
  }
  return -1;
}

bool TextLayout::LineAt(int index, Paragraph*& par, int& line) const {
  if (index < 0) return false;
  for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    if (index < p->LineCount()) {
      par = p;
      line = index;
      return true;
    }
    index -= p->LineCount();
  }
  return false;
}

bool TextLayout::Print(WPPrintDevice& device, int first_page, int last_page) {
  if (!device.BeginJob()) return false;
  // The screen state, put back whatever happens.
  struct Saved {
    TextMetrics* metrics;
    int xPpi, yPpi, zoom, resize, forced;
    bool wrap;
  } saved{cache_.Metrics(), deviceXPpi_, deviceYPpi_, zooming_, resizing_, forcedWidth_, wordWrap_};
  auto restore = [this, &saved]() {
    printing_ = false;
    zooming_ = saved.zoom;
    resizing_ = saved.resize;
    forcedWidth_ = saved.forced;
    wordWrap_ = saved.wrap;
    cache_.SetMetrics(saved.metrics);
    deviceXPpi_ = saved.xPpi;
    deviceYPpi_ = saved.yPpi;
    ApplyResolution();
    ReformatAll();
    Paginate();
  };
  bool ok = true;
  printedPages_ = 0;
  try {
    printing_ = true;
    zooming_ = 100;
    resizing_ = 100;
    forcedWidth_ = 0;
    wordWrap_ = false;  // wrap to the page's text width
    cache_.SetMetrics(&device.Metrics());
    deviceXPpi_ = std::max(1, device.XPixelsPerInch());
    deviceYPpi_ = std::max(1, device.YPixelsPerInch());
    ApplyResolution();
    ReformatAll();
    Paginate(doc_.header.textAreaHeight);

    Canvas& canvas = device.Canvas();
    const int left = PxX(doc_.header.marginLeft) - device.OffsetX();
    const int top = PxY(doc_.header.marginTop) - device.OffsetY();
    const int width = doc_.header.textAreaWidth;
    const int height = doc_.header.textAreaHeight;
    const int footer_top = top + height;
    const int footer_height = std::max(0, device.PrintableHeight() - footer_top);
    if (first_page < 1) first_page = 1;
    auto in_range = [&](int page) { return page >= first_page && page <= last_page; };

    int page = 1;
    int line_number = 1;
    bool sheet_used = false;  // BeginJob provides the first sheet
    auto start_sheet = [&]() {
      if (sheet_used && !device.NewPage()) throw std::runtime_error("the printer refused a new page");
      sheet_used = true;
    };
    if (in_range(page)) {
      start_sheet();
      if (onPrintHeader) onPrintHeader(*this, canvas, left, 0, width, top, page, line_number);
    }
    int page_top = 0;
    bool first_line = true;
    for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
      for (int l = 0; l < p->LineCount(); ++l) {
        const LineBox& tl = Box(p, l);
        const bool breaks = (tl.flags & kLinePageStart) || (l == 0 && (p->parFlags & kParPageBreak));
        if (breaks && !first_line) {
          if (in_range(page) && onPrintFooter)
            onPrintFooter(*this, canvas, left, footer_top, width, footer_height, page, line_number);
          ++page;
          if (page > last_page) goto done;
          if (in_range(page)) {
            start_sheet();
            if (onPrintHeader) onPrintHeader(*this, canvas, left, 0, width, top, page, line_number);
          }
          page_top = tl.top;
        }
        first_line = false;
        if (in_range(page)) PaintLine(canvas, p, l, left, top + tl.top - page_top, true);
        ++line_number;
      }
    }
    if (in_range(page) && onPrintFooter)
      onPrintFooter(*this, canvas, left, footer_top, width, footer_height, page, line_number);
  done:
    printedPages_ = page;
    ok = device.EndJob();
  } catch (const std::exception& e) {
    lastPrintError = e.what();
    device.EndJob();
    ok = false;
  }
  restore();
  return ok;
}

int TextLayout::PrintLinesOnCanvas(Canvas* canvas, TextMetrics* metrics, int x_ppi, int y_ppi, int x, int y,
                                   int width, int height, int first_line, bool print, int* taken) {
  if (taken) *taken = 0;
  if (metrics && (metrics != cache_.Metrics() || x_ppi != deviceXPpi_ || y_ppi != deviceYPpi_)) {
    zooming_ = 100;
    resizing_ = 100;
    cache_.SetMetrics(metrics);
    deviceXPpi_ = std::max(1, x_ppi);
    deviceYPpi_ = std::max(1, y_ppi);
    ApplyResolution();
    for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) p->MarkDirty();
  }
  width = std::max(width, 1);
  if (width != forcedWidth_) {
    forcedWidth_ = width;
    for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) p->MarkDirty();
  }
  Reformat();
  Paragraph* par = nullptr;
  int line = 0;
  if (!LineAt(first_line, par, line)) return 0;
  const int y0 = Box(par, line).top;
  int index = first_line;
  int count = 0;
  // A line taller than a whole page is taken alone, so that printing always moves on.
  const bool force_one = height >= doc_.header.textAreaHeight;
  while (par) {
    const LineBox& tl = Box(par, line);
    if (tl.top + tl.height - y0 > height && !(count == 0 && force_one)) break;
    if (print && canvas) PaintLine(*canvas, par, line, x, y + tl.top - y0, true);
    ++count;
    ++index;
    if (++line >= par->LineCount()) {
      par = par->next;
      line = 0;
    }
  }
  if (taken) *taken = count;
  return par ? index : 0;
}

}  // namespace inkwend
