// How text from other programs is laid out and drawn: line spacing as a multiple of the line,
// the default tab distance, tab leaders, soft hyphens, capitals and page breaks on screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richtext/layout/layout.h"
#include "richtext/layout/tests/test_devices.h"

namespace inkwend {
namespace {

using testing::FixedMetrics;
using testing::Op;
using testing::RecordingCanvas;

// Fixed metrics at 96 ppi: a 10-point character is 8 pixels wide, its line 18 pixels high.
class LooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_.SetDevice(&metrics_, 96, 96);
    layout_.SetWordWrap(true);
    layout_.SetWindowWidth(400);
  }
  Paragraph* Para(std::u32string_view text, const CharAttr& attr) {
    Paragraph* p = doc_.FirstParagraph();
    doc_.AppendText(p, text, attr);
    layout_.Reformat();
    return p;
  }
  std::vector<Op> Paint() {
    canvas_.ops.clear();
    layout_.Reformat();
    layout_.Paint(PaintContext(canvas_, {0, 0, 400, 400}));
    return canvas_.ops;
  }
  static std::vector<Op> Of(const std::vector<Op>& ops, const std::string& kind) {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }
  FixedMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
  RecordingCanvas canvas_;
};

TEST_F(LooksTest, LineSpacingAsAMultipleOfTheLine) {
  struct Case {
    int32_t spacing;
    bool multiple;
    int height;
  } cases[] = {
      {360, true, 27},   // one and a half lines: 1.5 x 18
      {480, true, 36},   // double
      {276, true, 20},   // 115 %: more than a single line
      {240, true, 18},   // single
      {360, false, 24},  // at least 360 twips (24 pixels), as before
      {240, false, 18},  // at least 16 pixels: the line's own 18
  };
  Paragraph* p = Para(U"abc", doc_.defaultAttr);
  for (const Case& c : cases) {
    p->lineSpacing = c.spacing;
    p->lineSpacingMultiple = c.multiple;
    p->MarkDirty();
    layout_.Reformat();
    EXPECT_EQ(layout_.Box(p, 0).height, c.height) << c.spacing << (c.multiple ? " multiple" : "");
  }
}

TEST_F(LooksTest, DefaultTabDistanceOfTheFile) {
  EXPECT_EQ(layout_.DefaultTabInterval(), 32);  // the diary's own grid
  doc_.header.defaultTabTwips = 1440;
  EXPECT_EQ(layout_.DefaultTabInterval(), 96);
  Paragraph* p = Para(U"a\tb", doc_.defaultAttr);
  // Stops are counted from the left margin, one inch apart.
  EXPECT_EQ(layout_.NextTabPosition(p, 0, 8, 1), 96);
}

TEST_F(LooksTest, TabLeadersFillTheRoomTheTabJumps) {
  struct Case {
    uint8_t leader;
    char32_t mark;  // 0: a line instead of marks
  } cases[] = {{kTabLeaderDot, U'.'},    {kTabLeaderHyphen, U'-'}, {kTabLeaderEquals, U'='},
               {kTabLeaderUnderline, 0}, {kTabLeaderThick, 0},     {kTabLeaderNone, 0}};
  for (const Case& c : cases) {
    WPRTFText d;
    TextLayout l{d};
    l.SetDevice(&metrics_, 96, 96);
    l.SetWordWrap(true);
    l.SetWindowWidth(400);
    Paragraph* p = d.FirstParagraph();
    p->tabMask = d.header.AddTab(2880, kTabRight, c.leader);  // 192 pixels
    d.AppendText(p, U"a\t12", d.defaultAttr);
    l.Reformat();
    RecordingCanvas rc;
    l.Paint(PaintContext(rc, {0, 0, 400, 400}));
    std::u32string marks;
    for (const Op& op : rc.Of("text")) {
      if (op.text.find_first_not_of(c.mark) == std::u32string::npos) marks += op.text;
    }
    const std::vector<Op> lines = rc.Of("line");
    if (c.mark != 0) {
      // From "a" (8 pixels) to the right-aligned "12" at 192 - 16: 168 pixels of 8-pixel marks.
      EXPECT_EQ(marks.size(), 21u) << int{c.leader};
      EXPECT_TRUE(lines.empty()) << int{c.leader};
    } else if (c.leader != kTabLeaderNone) {
      ASSERT_EQ(lines.size(), 1u) << int{c.leader};
      EXPECT_EQ(lines[0].to.x - lines[0].from.x, 168);
    } else {
      EXPECT_TRUE(lines.empty());
    }
  }
}

TEST_F(LooksTest, SoftHyphenIsABreakShownOnlyWhereTheLineBreaks) {
  layout_.SetWindowWidth(50);
  Paragraph* p = Para(U"aaaa\u00ADbbbb cc", doc_.defaultAttr);
  ASSERT_EQ(p->LineCount(), 3);
  EXPECT_EQ(p->Line(0).length, 5);  // "aaaa" and the hyphen, which fits
  std::u32string first;
  for (const Op& op : Of(Paint(), "text")) {
    if (op.y == layout_.Box(p, 0).ascent) first += op.text;
  }
  EXPECT_EQ(first, U"aaaa-");

  // Where the line does not break there, nothing shows and the hyphen takes no room.
  WPRTFText d;
  TextLayout wide{d};
  wide.SetDevice(&metrics_, 96, 96);
  wide.SetWindowWidth(400);
  d.AppendText(d.FirstParagraph(), U"aa\u00ADbb", d.defaultAttr);
  wide.Reformat();
  EXPECT_EQ(wide.VisibleWidth(d.FirstParagraph(), 0), 32);
  RecordingCanvas rc;
  wide.Paint(PaintContext(rc, {0, 0, 400, 400}));
  std::u32string shown;
  for (const Op& op : rc.Of("text")) shown += op.text;
  EXPECT_EQ(shown, U"aa bb");
}

TEST_F(LooksTest, CapitalsAndSmallCapitals) {
  CharAttr caps = doc_.defaultAttr;
  caps.moreFlags = kMoreAllCaps;
  Paragraph* p = Para(U"ab\u00E9", caps);
  std::u32string shown;
  for (const Op& op : Of(Paint(), "text")) shown += op.text;
  EXPECT_EQ(shown, U"AB\u00C9");
  EXPECT_EQ(p->Text().front(), U'a');  // the text keeps its case

  // Small capitals: the small letters as capitals four fifths the size (13 -> 10 pixels, so
  // 6 pixels wide instead of 8).
  WPRTFText d;
  TextLayout l{d};
  l.SetDevice(&metrics_, 96, 96);
  l.SetWindowWidth(400);
  CharAttr small = d.defaultAttr;
  small.moreFlags = kMoreSmallCaps;
  d.AppendText(d.FirstParagraph(), U"Ab", small);
  l.Reformat();
  EXPECT_EQ(l.VisibleWidth(d.FirstParagraph(), 0), 8 + 6);
  RecordingCanvas rc;
  l.Paint(PaintContext(rc, {0, 0, 400, 400}));
  const std::vector<Op> runs = rc.Of("text");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text, U"A");
  EXPECT_EQ(runs[0].font.pixelSize, 13);
  EXPECT_EQ(runs[1].text, U"B");
  EXPECT_EQ(runs[1].font.pixelSize, 10);
}

TEST_F(LooksTest, PageBreakIsADottedLineOnScreenOnly) {
  Paragraph* first = Para(U"one", doc_.defaultAttr);
  Paragraph* second = doc_.NewParagraph(first);
  doc_.AppendText(second, U"two", doc_.defaultAttr);
  auto dotted = [](const std::vector<Op>& ops) {
    int n = 0;
    for (const Op& op : ops) n += op.kind == "line" && op.pen.style == PenStyle::Dot;
    return n;
  };
  EXPECT_EQ(dotted(Paint()), 0);
  second->parFlags |= kParPageBreak;
  second->MarkDirty();
  const std::vector<Op> screen = Paint();
  ASSERT_EQ(dotted(screen), 1);
  for (const Op& op : screen) {
    if (op.kind == "line") {
      EXPECT_EQ(op.from.y, layout_.Box(second, 0).top);
    }
  }
  canvas_.ops.clear();
  layout_.PaintLine(canvas_, second, 0, 0, 0, true);  // as printed
  EXPECT_EQ(dotted(canvas_.ops), 0);
}

}  // namespace
}  // namespace inkwend
