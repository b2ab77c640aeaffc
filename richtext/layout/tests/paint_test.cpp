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

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_.SetDevice(&metrics_, 96, 96);
    layout_.SetWordWrap(true);
    layout_.SetWindowWidth(200);
  }
  Paragraph* Para(std::u32string_view text, uint8_t alignment = kAlignLeft) {
    Paragraph* p = doc_.FirstParagraph();
    p->alignment = alignment;
    doc_.AppendText(p, text, doc_.defaultAttr);
    layout_.Reformat();
    return p;
  }
  std::vector<Op> PaintText() {
    canvas_.ops.clear();
    PaintContext context(canvas_, {0, 0, 200, 400});
    context.selStart = selStart_;
    context.selEnd = selEnd_;
    layout_.Paint(context);
    return canvas_.Of("text");
  }
  FixedMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
  RecordingCanvas canvas_;
  TextCursor selStart_, selEnd_;  // the selection painted
};

TEST_F(PaintTest, AlignmentOffsetsAndBaseline) {
  // Content 24 pixels in 200 with the line starting at 1: 175 pixels to spare.
  struct Case {
    uint8_t alignment;
    int x;
  };
  for (const Case& c : {Case{kAlignLeft, 1}, Case{kAlignCenter, 1 + 87}, Case{kAlignRight, 1 + 175}}) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    d_layout.SetWordWrap(true);
    d_layout.SetWindowWidth(200);
    d.FirstParagraph()->alignment = c.alignment;
    d.AppendText(d.FirstParagraph(), U"abc  ", d.defaultAttr);  // trailing spaces do not count
    RecordingCanvas rc;
    d_layout.Paint(rc, {0, 0, 200, 100});
    const auto texts = rc.Of("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].x, c.x);
    EXPECT_EQ(texts[0].y, 14);
  }
}

TEST_F(PaintTest, JustifiedSpacesAndTabsAdvanceAsLaidOut) {
  layout_.SetWindowWidth(50);
  Para(U"aa bb cccccc", kAlignJustify);
  auto texts = PaintText();
  ASSERT_GE(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, U"aa bb ");
  EXPECT_EQ(texts[0].advances, (std::vector<int>{8, 8, 15, 8, 8, 4}));

  WPRTFText d;

  TextLayout d_layout{d};
  d_layout.SetDevice(&metrics_, 96, 96);
  d.AppendText(d.FirstParagraph(), U"a\tb", d.defaultAttr);
  RecordingCanvas rc;
  d_layout.Paint(rc, {0, 0, 600, 100});
  texts = rc.Of("text");
  ASSERT_EQ(texts.size(), 2u);  // the tab is its own run and draws nothing
  EXPECT_EQ(texts[1].text, U"b");
  EXPECT_EQ(texts[1].x, 1 + 32);
}

TEST_F(PaintTest, RunsHoldAtMostOneHundredCharactersAndControlCodesDrawAsSpaces) {
  doc_.header.SetPageSize(40000, 15840);  // wide enough for one line of 2000 pixels
  layout_.SetWindowWidth(2500);
  Para(std::u32string(250, U'x') + U"\n");
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text.size(), 100u);
  EXPECT_EQ(texts[1].x, 1 + 800);
  EXPECT_EQ(texts[2].text.size(), 51u);
  EXPECT_EQ(texts[2].text.back(), U' ');
}

TEST_F(PaintTest, SelectionUsesHighlightColours) {
  Paragraph* p = Para(U"abc");
  selStart_ = {p, 0, 2};
  selEnd_ = {p, 0, 1};  // either direction
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].color, 0x000000u);
  EXPECT_EQ(texts[1].text, U"b");
  EXPECT_EQ(texts[1].color, layout_.highlightTextColor);
  bool filled = false;
  for (const Op& f : canvas_.Of("fill"))
    filled |= f.color == layout_.highlightColor && f.rect == Rect{9, 0, 17, 18};
  EXPECT_TRUE(filled);
  // The whole line selected: one run in the highlight colour, and the document is not touched.
  selEnd_ = {p, 0, 3};
  selStart_ = {p, 0, 0};
  const auto whole = PaintText();
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].text, U"abc");
  EXPECT_EQ(whole[0].color, layout_.highlightTextColor);
}

TEST_F(PaintTest, AttributesDecideFontColourShiftAndLines) {
  Paragraph* p = doc_.FirstParagraph();
  CharAttr super = doc_.defaultAttr;
  super.pointSize = 12;
  super.styleBits = kStyleSuperscript;
  CharAttr big = doc_.defaultAttr;
  big.pointSize = 40;  // 53 pixels: line height 58, pen 58 / 20 + 1 = 3
  big.styleBits = kStyleDoubleUnderline | kStyleBold;
  big.SetTextColor(2);
  big.SetBackgroundColor(4);
  doc_.AppendText(p, U"x", super);
  doc_.AppendText(p, U"Y", big);
  layout_.Reformat();
  ASSERT_EQ(layout_.Box(p, 0).height, 58);
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].font.pointSize, 8);
  EXPECT_EQ(texts[0].y, layout_.Box(p, 0).ascent - 58 / 3);
  // Double underline is link text: the link highlight draws it with a single blue underline.
  EXPECT_EQ(texts[1].color, 0x008000u);
  const auto lines = canvas_.Of("line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pen.width, 3);
  EXPECT_EQ(lines[0].pen.color, 0xFF0000u);
  // A background other than white is painted opaque.
  bool yellow = false;
  for (const Op& f : canvas_.Of("fill")) yellow |= f.color == 0x00FFFFu;
  EXPECT_TRUE(yellow);
  // When the link highlight leaves underlining alone, the double underline shows as two lines;
  // a single underline as one.
  doc_.hyperlinkTextAttr.SetUnderline(ThreeState::Ignore);
  CharAttr single = doc_.defaultAttr;
  single.styleBits = kStyleUnderline | kStyleItalic;
  doc_.AppendText(p, U"z", single);
  layout_.Reformat();
  PaintText();
  EXPECT_EQ(canvas_.Of("line").size(), 3u);
}

TEST_F(PaintTest, StruckOutRunsAreCrossedAboveTheirBaseline) {
  Paragraph* p = doc_.FirstParagraph();
  CharAttr struck = doc_.defaultAttr;
  struck.styleBits = kStyleStrikeOut;
  struck.SetTextColor(2);
  doc_.AppendText(p, U"ab ", doc_.defaultAttr);
  doc_.AppendText(p, U"cd", struck);
  doc_.AppendText(p, U" e", doc_.defaultAttr);
  layout_.Reformat();
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  ASSERT_EQ(texts[1].text, U"cd");
  const auto lines = canvas_.Of("line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].from.x, texts[1].x);
  EXPECT_EQ(lines[0].to.x, texts[1].x + texts[1].advances[0] + texts[1].advances[1]);
  EXPECT_EQ(lines[0].from.y, lines[0].to.y);
  EXPECT_LT(lines[0].from.y, texts[1].y);                                 // above the baseline ...
  EXPECT_GT(lines[0].from.y, texts[1].y - layout_.Box(p, 0).ascent / 2);  // ... through the lower letters
  EXPECT_EQ(lines[0].pen.color, texts[1].color);
}

TEST_F(PaintTest, FlaggedWordsGetARedMarkAndBordersFollowTheBorderBytes) {
  Paragraph* p = doc_.FirstParagraph();
  CharAttr flagged = doc_.defaultAttr;
  flagged.layoutFlags = kLayoutFlaggedWord;
  doc_.AppendText(p, U"teh", flagged);
  layout_.Reformat();
  PaintText();
  const auto marks = canvas_.Of("polyline");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].pen.color, 0x0000FFu);
  EXPECT_EQ(marks[0].pen.width, 18 / 20 + 1);
  EXPECT_EQ(marks[0].points.front().x, 1);
  EXPECT_EQ(marks[0].points.back().x, 1 + 24);

  // A boxed paragraph of one line: left, right, top and bottom, in the border colour.
  p->borderFlags[0] = kBorderOn | kBorderBox;
  p->borderWidth = 1;
  p->borderColor = 0x03;  // blue, no distance
  p->MarkDirty();
  PaintText();
  const auto lines = canvas_.Of("line");
  ASSERT_EQ(lines.size(), 4u);
  for (const Op& l : lines) EXPECT_EQ(l.pen.color, 0xFF0000u);
  // Only the top: one line, at the line's top.
  p->borderFlags[0] = kBorderOn | kBorderTop;
  PaintText();
  ASSERT_EQ(canvas_.Of("line").size(), 1u);
  EXPECT_EQ(canvas_.Of("line")[0].from.y, 0);
}

TEST_F(PaintTest, AClipFarDownPaintsItsLinesWithTheSelectionThatSpansThem) {
  // 300 one-line paragraphs, a selection from the 10th into the 250th, and a two-line cell of a
  // row whose short second cell starts at the same height.
  Paragraph* p = doc_.FirstParagraph();
  std::vector<Paragraph*> pars;
  for (int i = 0; i < 300; ++i) {
    if (i > 0) p = doc_.NewParagraph(p);
    const std::u32string text = i == 200   ? U"q\nr"
                                : i == 201 ? U"s"
                                           : U"p" + std::u32string(1, U'a' + i % 26);
    doc_.AppendText(p, text, doc_.defaultAttr);
    pars.push_back(p);
  }
  pars[200]->parFlags = kParTableCell | kParMoreCells;
  pars[201]->parFlags = kParTableCell | kParContinuesRow;
  pars[201]->cellStart = 127;
  for (Paragraph* cell : {pars[200], pars[201]}) {
    cell->cellWidth = 127;
    cell->MarkDirty();
  }
  layout_.Reformat();
  selStart_ = {pars[9], 0, 0};
  selEnd_ = {pars[249], 0, 1};
  struct Case {
    int first;  // paragraph at the top of the view
    int y;      // clip's top in the view
    std::vector<std::u32string> texts;
  };
  const int row_top = layout_.Box(pars[200], 0).top;
  const Case cases[] = {
      {100, 0, {U"pw", U"px"}},
      // The clip meets the first cell's second line, below the second cell, and what follows.
      {200, 20, {U"r", U"pu"}},
  };
  for (const Case& c : cases) {
    canvas_.ops.clear();
    const int scroll_y = c.first == 200 ? row_top : layout_.Box(pars[static_cast<size_t>(c.first)], 0).top;
    PaintContext context(canvas_, {0, c.y, 90, c.y + 30});
    context.scrollY = scroll_y;
    context.selStart = selStart_;
    context.selEnd = selEnd_;
    layout_.Paint(context);
    std::vector<std::u32string> texts;
    for (const Op& t : canvas_.Of("text")) {
      texts.push_back(t.text);
      EXPECT_EQ(t.color, layout_.highlightTextColor) << c.first;
    }
    EXPECT_EQ(texts, c.texts) << c.first;
  }
}

TEST_F(PaintTest, BoxEnclosesAHangingFirstLine) {
  // Two lines of 48 pixels each; the box's left edge stands at the smaller of the two indents.
  struct Case {
    int32_t firstIndent, leftIndent;  // twips
    int boxLeft;                      // pixels
  };
  for (const Case& c : {Case{0, 720, 0}, Case{720, 0, 0}, Case{720, 1440, 48}, Case{360, 360, 24}}) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    d_layout.SetWordWrap(true);
    d_layout.SetWindowWidth(200);
    Paragraph* p = d.FirstParagraph();
    p->firstIndent = c.firstIndent;
    p->leftIndent = c.leftIndent;
    p->borderFlags[0] = kBorderOn | kBorderBox;
    p->borderWidth = 1;
    d.AppendText(p, U"abcdefgh\nabcdefgh", d.defaultAttr);
    d_layout.Reformat();
    RecordingCanvas rc;
    d_layout.Paint(rc, {0, 0, 200, 100});
    int left_edge = 1000;
    for (const Op& l : rc.Of("line"))
      if (l.from.x == l.to.x) left_edge = std::min(left_edge, l.from.x);
    EXPECT_EQ(left_edge, c.boxLeft) << c.firstIndent << " " << c.leftIndent;
    for (const Op& t : rc.Of("text")) EXPECT_GT(t.x, left_edge) << c.firstIndent << " " << c.leftIndent;
  }
}

TEST_F(PaintTest, BoxedCellsOfARowShareTheRowsHeight) {
  // Two boxed cells side by side, the second two lines high: the first cell's box reaches down
  // to the row's end too.
  Paragraph* p = doc_.FirstParagraph();
  const uint8_t flags[2] = {kParTableCell | kParMoreCells, kParTableCell | kParContinuesRow};
  const char32_t* texts[2] = {U"a", U"b\nc"};
  for (int i = 0; i < 2; ++i) {
    Paragraph* cell = i == 0 ? p : doc_.NewParagraph(p);
    cell->parFlags = flags[i];
    cell->cellStart = static_cast<uint8_t>(127 * i);
    cell->cellWidth = 127;
    cell->borderFlags[0] = kBorderOn | kBorderBox;
    cell->borderWidth = 1;
    doc_.AppendText(cell, texts[i], doc_.defaultAttr);
  }
  layout_.Reformat();
  PaintText();
  // Each cell: its bottom is one horizontal line, and both lie at the same height.
  std::vector<int> bottoms;
  int lowest_vertical_end = 0;
  for (const Op& l : canvas_.Of("line")) {
    if (l.from.y == l.to.y && l.from.y > 0) bottoms.push_back(l.from.y);
    if (l.from.x == l.to.x) lowest_vertical_end = std::max(lowest_vertical_end, l.to.y);
  }
  ASSERT_EQ(bottoms.size(), 2u);
  EXPECT_EQ(bottoms[0], bottoms[1]);
  EXPECT_GE(bottoms[0], 2 * 16 - 1);  // below the two-line cell's second line
  EXPECT_EQ(lowest_vertical_end, bottoms[0] + 1);
}

TEST_F(PaintTest, ShadedParagraphFillsEvenItsEmptyLine) {
  Paragraph* p = doc_.FirstParagraph();
  p->shadingPercent = 100;
  p->shadingColors = 0x04;  // yellow pattern at 100 %
  layout_.Reformat();
  PaintText();
  bool found = false;
  for (const Op& f : canvas_.Of("fill")) found |= f.color == 0x00FFFFu && f.rect == Rect{1, 0, 200, 18};
  EXPECT_TRUE(found);
}

TEST_F(PaintTest, ObjectsPaintIntoTheirRectanglesAndEnterTheHitTable) {
  Paragraph* p = doc_.FirstParagraph();
  DocGraphic g;
  Bitmap bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.bitsPerPixel = 24;
  bmp.bits.assign(static_cast<size_t>(bmp.Stride()) * 2, 0x80);
  g.image = bmp;
  DocObject* pic = doc_.AddObject(std::move(g), 7);
  pic->width = 720;  // 48 x 24 pixels
  pic->height = 360;
  DocObject* empty = doc_.AddObject(DocGraphic{}, 8);
  empty->width = 300;
  empty->height = 300;
  CharAttr anchor = doc_.defaultAttr;
  anchor.charFlags = kCharObject;
  anchor.tagNumber = 7;
  doc_.AppendText(p, U"\x01", anchor);
  anchor.tagNumber = 8;
  doc_.AppendText(p, U"\x01", anchor);
  layout_.SetWindowWidth(400);
  layout_.Reformat();
  PaintText();
  const auto bitmaps = canvas_.Of("bitmap");
  ASSERT_EQ(bitmaps.size(), 1u);
  const int baseline = layout_.Box(p, 0).ascent;
  EXPECT_EQ(bitmaps[0].rect, (Rect{1, baseline - 24, 49, baseline}));
  // No graphic: a crossed box.
  EXPECT_EQ(canvas_.Of("rect").size(), 1u);
  EXPECT_EQ(canvas_.Of("line").size(), 2u);
  ASSERT_EQ(layout_.HitObjects().size(), 2u);
  EXPECT_EQ(layout_.ObjectAt(10, baseline - 5), pic);
  EXPECT_EQ(layout_.ObjectAt(60, baseline - 5), empty);

  // At most 30 objects enter the table; the rest are still painted.
  anchor.tagNumber = 8;
  doc_.AppendText(p, std::u32string(40, U'\x01'), anchor);
  layout_.SetWindowWidth(5000);
  PaintText();
  EXPECT_EQ(layout_.HitObjects().size(), 30u);
  EXPECT_EQ(canvas_.Of("rect").size(), 41u);
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

TEST(InvalidRectTest, ChangedParagraphOnlyUnlessHeightsChanged) {
  testing::FixedMetrics metrics;
  WPRTFText doc;
  TextLayout layout{doc};
  layout.SetDevice(&metrics, 96, 96);
  layout.SetWordWrap(true);
  layout.SetWindowWidth(300);
  Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) p = doc.NewParagraph(p);
    doc.AppendText(p, U"text", doc.defaultAttr);
  }
  testing::RecordingCanvas canvas;
  layout.Paint(canvas, {0, 0, 300, 200});
  EXPECT_TRUE(layout.InvalidRect(300, 200).Empty());
  Paragraph* second = doc.ParagraphAt(1);
  const CharAttr a = doc.defaultAttr;
  doc.ReplaceRange(second, 0, 0, 0, U"x", 1, &a);
  EXPECT_EQ(layout.InvalidRect(300, 200), (Rect{0, 18, 300, 36}));
  layout.Paint(canvas, {0, 0, 300, 200});
  CharAttr big = a;
  big.pointSize = 20;
  doc.ReplaceRange(second, 0, 0, 0, U"X", 1, &big);
  EXPECT_EQ(layout.InvalidRect(300, 200), (Rect{0, 18, 300, 200}));
}

}  // namespace
}  // namespace inkwend
