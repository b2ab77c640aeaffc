#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richtext/layout/layout.h"
#include "richtext/layout/tests/test_devices.h"

namespace inkwend {
namespace {

using testing::FixedMetrics;
using testing::RecordingCanvas;

// A printer at 192 ppi with a printing offset, recording what it was asked.
class FakePrinter : public WPPrintDevice {
 public:
  bool BeginJob() override {
    log += "begin ";
    return true;
  }
  bool NewPage() override {
    log += "page ";
    return true;
  }
  bool EndJob() override {
    log += "end";
    return true;
  }
  void AbortJob() override { log += "abort"; }
  inkwend::Canvas& Canvas() override { return canvas; }
  TextMetrics& Metrics() override { return metrics; }
  int XPixelsPerInch() const override { return 192; }
  int YPixelsPerInch() const override { return 192; }
  int OffsetX() const override { return 10; }
  int OffsetY() const override { return 20; }
  int PrintableWidth() const override { return 1632 - 20; }
  int PrintableHeight() const override { return 2112 - 40; }
  std::string log;
  RecordingCanvas canvas;
  FixedMetrics metrics;
};

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override { layout_.SetDevice(&metrics_, 96, 96); }
  // `count` paragraphs of one 18-pixel line each ("p0", "p1", ...).
  void Fill(int count) {
    Paragraph* p = doc_.FirstParagraph();
    for (int i = 0; i < count; ++i) {
      if (i > 0) p = doc_.NewParagraph(p);
      doc_.AppendText(p, U"p" + std::u32string(1, U'0' + static_cast<char32_t>(i)), doc_.defaultAttr);
    }
    layout_.Reformat();
  }
  std::vector<int> PageStarts() {
    std::vector<int> out;
    int i = 0;
    for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
      for (int l = 0; l < p->LineCount(); ++l, ++i) {
        if (layout_.Box(p, l).flags & kLinePageStart) out.push_back(i);
      }
    }
    return out;
  }
  FixedMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
};

TEST_F(PrintTest, PagesFillUpToTheTextHeightAndBreakWhereAsked) {
  Fill(7);
  EXPECT_EQ(layout_.Paginate(40), 4);  // two 18-pixel lines a page
  EXPECT_EQ(PageStarts(), (std::vector<int>{2, 4, 6}));
  doc_.ParagraphAt(1)->parFlags |= kParPageBreak;
  EXPECT_EQ(layout_.Paginate(40), 4);
  EXPECT_EQ(PageStarts(), (std::vector<int>{1, 3, 5}));
  doc_.ParagraphAt(0)->parFlags |= kParPageBreak;  // nothing before the first line
  EXPECT_EQ(layout_.Paginate(40), 4);
}

// The empty paragraph after a document's last return prints nothing, so it does not start a
// sheet of its own; a bordered one, or an empty paragraph before others, still does.
TEST_F(PrintTest, TheEmptyLastParagraphStartsNoPage) {
  Fill(2);
  Paragraph* last = doc_.NewParagraph(doc_.ParagraphAt(1));
  layout_.Reformat();
  EXPECT_EQ(layout_.Paginate(40), 1);
  last->borderFlags[0] = kBorderOn | kBorderBox;
  layout_.Reformat();
  EXPECT_EQ(layout_.Paginate(40), 2);
  last->borderFlags[0] = 0;
  doc_.AppendText(doc_.NewParagraph(last), U"p3", doc_.defaultAttr);
  layout_.Reformat();
  EXPECT_EQ(layout_.Paginate(40), 2);
  EXPECT_EQ(PageStarts(), (std::vector<int>{2}));
}

TEST_F(PrintTest, KeptParagraphMovesToTheNextPageWhenItFitsThere) {
  Fill(2);
  Paragraph* second = doc_.ParagraphAt(1);
  doc_.AppendText(second, U"\nline\nline", doc_.defaultAttr);  // three lines, 54 pixels
  layout_.Reformat();
  EXPECT_EQ(layout_.Paginate(60), 2);  // line 3 does not fit: the page breaks inside the paragraph
  EXPECT_EQ(PageStarts(), (std::vector<int>{3}));
  second->parFlags |= kParKeep;
  EXPECT_EQ(layout_.Paginate(60), 2);
  EXPECT_EQ(PageStarts(), (std::vector<int>{1}));
  EXPECT_EQ(layout_.Paginate(50), 2);  // too tall for any page: the flag cannot be kept
  EXPECT_EQ(PageStarts(), (std::vector<int>{2}));
}

TEST_F(PrintTest, PrintCallsHeaderAndFooterForEveryPageAndRestoresTheScreen) {
  Fill(3);
  doc_.ParagraphAt(2)->parFlags |= kParPageBreak;
  layout_.SetWordWrap(true);
  layout_.SetWindowWidth(300);
  struct Band {
    int x, y, w, h, page, line;
  };
  std::vector<Band> headers, footers;
  layout_.onPrintHeader = [&](TextLayout&, Canvas&, int x, int y, int w, int h, int page, int line) {
    headers.push_back({x, y, w, h, page, line});
  };
  layout_.onPrintFooter = [&](TextLayout&, Canvas&, int x, int y, int w, int h, int page, int line) {
    footers.push_back({x, y, w, h, page, line});
  };
  FakePrinter printer;
  ASSERT_TRUE(layout_.Print(printer));
  EXPECT_EQ(printer.log, "begin page end");
  // Margins 1880 and 1440 twips at 192 ppi are 250 and 192 pixels, less the printing offset.
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_EQ(headers[0].x, 240);
  EXPECT_EQ(headers[0].y, 0);
  EXPECT_EQ(headers[0].h, 172);
  EXPECT_EQ(headers[0].w, 1131);  // 1130.67 rounded
  EXPECT_EQ(headers[1].page, 2);
  EXPECT_EQ(headers[1].line, 3);
  ASSERT_EQ(footers.size(), 2u);
  EXPECT_EQ(footers[0].y, 172 + 12960 * 192 / 1440);
  EXPECT_EQ(footers[0].h, 2072 - footers[0].y);
  // Lines at the printer's resolution (10 points = 27 pixels: line height 32), each page from
  // the top of the text area.
  const auto texts = printer.canvas.Of("text");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].x, 241);
  EXPECT_EQ(texts[0].y, 172 + 28);
  EXPECT_EQ(texts[1].y, 172 + 32 + 28);
  EXPECT_EQ(texts[2].y, 172 + 28);
  EXPECT_EQ(texts[0].font.pixelSize, 27);
  // The screen state is back.
  EXPECT_EQ(doc_.header.xPixelsPerInch, 96);
  EXPECT_EQ(layout_.Box(doc_.FirstParagraph(), 0).height, 18);
  EXPECT_TRUE(layout_.WordWrap());
  EXPECT_EQ(layout_.LayoutWidth(), 300);
  EXPECT_FALSE(layout_.Printing());
}

// An empty paragraph is as high as its font, on screen and on paper: a fixed 16 device pixels
// is a full line at 96 ppi but a sliver at 600.
TEST_F(PrintTest, EmptyParagraphsAreAsHighAsTheirFont) {
  Fill(2);
  Paragraph* empty = doc_.NewParagraph(doc_.FirstParagraph());
  Paragraph* big = doc_.NewParagraph(empty);
  big->endAttr.pointSize = 20;  // where the next typed character would be 20 points
  for (const int ppi : {96, 600}) {
    layout_.SetDevice(&metrics_, ppi, ppi);
    layout_.Reformat();
    const int line = (10 * ppi + 36) / 72 + 5;  // the fixed metrics' height of 10 points
    EXPECT_EQ(layout_.Box(doc_.FirstParagraph(), 0).height, line) << ppi;
    EXPECT_EQ(layout_.Box(empty, 0).height, line) << ppi;
    EXPECT_EQ(layout_.Box(big, 0).height, (20 * ppi + 36) / 72 + 5) << ppi;
  }
}

// Plain text (a large file is read without attributes) prints each line below the one before.
TEST_F(PrintTest, LongPlainTextPrintsLinesThatDoNotOverlap) {
  Fill(8);
  doc_.NewParagraph(doc_.ParagraphAt(3));  // a blank line
  doc_.SetAttributeMode(false);
  layout_.ReformatAll();
  FakePrinter printer;
  ASSERT_TRUE(layout_.Print(printer));
  const auto texts = printer.canvas.Of("text");
  ASSERT_EQ(texts.size(), 8u);
  const int line = 27 + 5;  // 10 points at 192 ppi
  for (size_t i = 1; i < texts.size(); ++i)
    EXPECT_EQ(texts[i].y - texts[i - 1].y, i == 4 ? 2 * line : line) << i;
}

TEST_F(PrintTest, PageRangeAndFailingEvents) {
  Fill(3);
  doc_.ParagraphAt(1)->parFlags |= kParPageBreak;
  doc_.ParagraphAt(2)->parFlags |= kParPageBreak;
  FakePrinter printer;
  ASSERT_TRUE(layout_.Print(printer, 2, 2));
  EXPECT_EQ(printer.log, "begin end");
  ASSERT_EQ(printer.canvas.Of("text").size(), 1u);
  EXPECT_EQ(printer.canvas.Of("text")[0].text, U"p1");

  layout_.onPrintHeader = [](TextLayout&, Canvas&, int, int, int, int, int page, int) {
    if (page == 2) throw std::runtime_error("no paper");
  };
  FakePrinter failing;
  EXPECT_FALSE(layout_.Print(failing));
  EXPECT_EQ(layout_.lastPrintError, "no paper");
  EXPECT_EQ(failing.log, "begin page end");
  EXPECT_EQ(doc_.header.xPixelsPerInch, 96);
}

TEST_F(PrintTest, CanvasLinePrintingTakesWhatFits) {
  Fill(5);
  RecordingCanvas canvas;
  FixedMetrics printer_metrics;
  // At 96 ppi every line is 18 high: a box of 40 holds two.
  int taken = 0;
  EXPECT_EQ(layout_.PrintLinesOnCanvas(&canvas, &printer_metrics, 96, 96, 50, 100, 300, 40, 0, false, &taken),
            2);
  EXPECT_EQ(taken, 2);
  EXPECT_TRUE(canvas.ops.empty());  // measuring draws nothing
  EXPECT_EQ(layout_.PrintLinesOnCanvas(&canvas, &printer_metrics, 96, 96, 50, 100, 300, 40, 2, true), 4);
  const auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, U"p2");
  EXPECT_EQ(texts[0].x, 51);
  EXPECT_EQ(texts[0].y, 100 + 14);
  EXPECT_EQ(texts[1].y, 100 + 18 + 14);
  // The last line taken: 0.
  EXPECT_EQ(layout_.PrintLinesOnCanvas(&canvas, &printer_metrics, 96, 96, 50, 100, 300, 1000, 4, true), 0);
  // Nothing fits: the first line is returned.
  EXPECT_EQ(layout_.PrintLinesOnCanvas(&canvas, &printer_metrics, 96, 96, 50, 100, 300, 10, 3, false, &taken),
            3);
  EXPECT_EQ(taken, 0);
}

}  // namespace
}  // namespace inkwend
