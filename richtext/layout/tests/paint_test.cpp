#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richtext/layout/layout.h"
#include "richtext/layout/tests/test_devices.h"

namespace inkwend {
namespace {

using testing::TFixedMetrics;
using testing::TOp;
using testing::TRecordingCanvas;

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout.SetDevice(&metrics, 96, 96);
    layout.SetWordWrap(true);
    layout.SetWindowWidth(200);
  }
  TParagraph* Para(std::u32string_view text, uint8_t alignment = kAlignLeft) {
    TParagraph* p = doc.FirstParagraph();
    p->Alignment = alignment;
    doc.AppendText(p, text, doc.DefaultAttr);
    layout.Reformat();
    return p;
  }
  std::vector<TOp> PaintText() {
    canvas.ops.clear();
    PaintContext context(canvas, {0, 0, 200, 400});
    context.selStart = sel_start;
    context.selEnd = sel_end;
    layout.Paint(context);
    return canvas.Of("text");
  }
  TFixedMetrics metrics;
  TWPRTFText doc;
  TextLayout layout{doc};
  TRecordingCanvas canvas;
  TTextCursor sel_start, sel_end;  // the selection painted
};

TEST_F(PaintTest, AlignmentOffsetsAndBaseline) {
  // Content 24 pixels in 200 with the line starting at 1: 175 pixels to spare.
  struct Case {
    uint8_t alignment;
    int x;
  };
  for (const Case& c : {Case{kAlignLeft, 1}, Case{kAlignCenter, 1 + 87}, Case{kAlignRight, 1 + 175}}) {
    TWPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics, 96, 96);
    d_layout.SetWordWrap(true);
    d_layout.SetWindowWidth(200);
    d.FirstParagraph()->Alignment = c.alignment;
    d.AppendText(d.FirstParagraph(), U"abc  ", d.DefaultAttr);  // trailing spaces do not count
    TRecordingCanvas rc;
    d_layout.Paint(rc, {0, 0, 200, 100});
    const auto texts = rc.Of("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].X, c.x);
    EXPECT_EQ(texts[0].Y, 14);
  }
}

TEST_F(PaintTest, JustifiedSpacesAndTabsAdvanceAsLaidOut) {
  layout.SetWindowWidth(50);
  Para(U"aa bb cccccc", kAlignJustify);
  auto texts = PaintText();
  ASSERT_GE(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, U"aa bb ");
  EXPECT_EQ(texts[0].Advances, (std::vector<int>{8, 8, 15, 8, 8, 4}));

  TWPRTFText d;

  TextLayout d_layout{d};
  d_layout.SetDevice(&metrics, 96, 96);
  d.AppendText(d.FirstParagraph(), U"a\tb", d.DefaultAttr);
  TRecordingCanvas rc;
  d_layout.Paint(rc, {0, 0, 600, 100});
  texts = rc.Of("text");
  ASSERT_EQ(texts.size(), 2u);  // the tab is its own run and draws nothing
  EXPECT_EQ(texts[1].Text, U"b");
  EXPECT_EQ(texts[1].X, 1 + 32);
}

TEST_F(PaintTest, RunsHoldAtMostOneHundredCharactersAndControlCodesDrawAsSpaces) {
  doc.Header.SetPageSize(40000, 15840);  // wide enough for one line of 2000 pixels
  layout.SetWindowWidth(2500);
  Para(std::u32string(250, U'x') + U"\n");
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].Text.size(), 100u);
  EXPECT_EQ(texts[1].X, 1 + 800);
  EXPECT_EQ(texts[2].Text.size(), 51u);
  EXPECT_EQ(texts[2].Text.back(), U' ');
}

TEST_F(PaintTest, SelectionUsesHighlightColours) {
  TParagraph* p = Para(U"abc");
  sel_start = {p, 0, 2};
  sel_end = {p, 0, 1};  // either direction
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].Color, 0x000000u);
  EXPECT_EQ(texts[1].Text, U"b");
  EXPECT_EQ(texts[1].Color, layout.HighlightTextColor);
  bool filled = false;
  for (const TOp& f : canvas.Of("fill"))
    filled |= f.Color == layout.HighlightColor && f.Rect == TRect{9, 0, 17, 18};
  EXPECT_TRUE(filled);
  // The whole line selected: one run in the highlight colour, and the document is not touched.
  sel_end = {p, 0, 3};
  sel_start = {p, 0, 0};
  const auto whole = PaintText();
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].Text, U"abc");
  EXPECT_EQ(whole[0].Color, layout.HighlightTextColor);
}

TEST_F(PaintTest, AttributesDecideFontColourShiftAndLines) {
  TParagraph* p = doc.FirstParagraph();
  TCharAttr super = doc.DefaultAttr;
  super.PointSize = 12;
  super.StyleBits = kStyleSuperscript;
  TCharAttr big = doc.DefaultAttr;
  big.PointSize = 40;  // 53 pixels: line height 58, pen 58 / 20 + 1 = 3
  big.StyleBits = kStyleDoubleUnderline | kStyleBold;
  big.SetTextColor(2);
  big.SetBackgroundColor(4);
  doc.AppendText(p, U"x", super);
  doc.AppendText(p, U"Y", big);
  layout.Reformat();
  ASSERT_EQ(layout.Box(p, 0).height, 58);
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Font.PointSize, 8);
  EXPECT_EQ(texts[0].Y, layout.Box(p, 0).ascent - 58 / 3);
  // Double underline is link text: the link highlight draws it with a single blue underline.
  EXPECT_EQ(texts[1].Color, 0x008000u);
  const auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Pen.Width, 3);
  EXPECT_EQ(lines[0].Pen.Color, 0xFF0000u);
  // A background other than white is painted opaque.
  bool yellow = false;
  for (const TOp& f : canvas.Of("fill")) yellow |= f.Color == 0x00FFFFu;
  EXPECT_TRUE(yellow);
  // When the link highlight leaves underlining alone, the double underline shows as two lines;
  // a single underline as one.
  doc.HyperlinkTextAttr.SetUnderline(TThreeState::tsIgnore);
  TCharAttr single = doc.DefaultAttr;
  single.StyleBits = kStyleUnderline | kStyleItalic;
  doc.AppendText(p, U"z", single);
  layout.Reformat();
  PaintText();
  EXPECT_EQ(canvas.Of("line").size(), 3u);
}

TEST_F(PaintTest, StruckOutRunsAreCrossedAboveTheirBaseline) {
  TParagraph* p = doc.FirstParagraph();
  TCharAttr struck = doc.DefaultAttr;
  struck.StyleBits = kStyleStrikeOut;
  struck.SetTextColor(2);
  doc.AppendText(p, U"ab ", doc.DefaultAttr);
  doc.AppendText(p, U"cd", struck);
  doc.AppendText(p, U" e", doc.DefaultAttr);
  layout.Reformat();
  const auto texts = PaintText();
  ASSERT_EQ(texts.size(), 3u);
  ASSERT_EQ(texts[1].Text, U"cd");
  const auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].From.X, texts[1].X);
  EXPECT_EQ(lines[0].To.X, texts[1].X + texts[1].Advances[0] + texts[1].Advances[1]);
  EXPECT_EQ(lines[0].From.Y, lines[0].To.Y);
  EXPECT_LT(lines[0].From.Y, texts[1].Y);                                // above the baseline ...
  EXPECT_GT(lines[0].From.Y, texts[1].Y - layout.Box(p, 0).ascent / 2);  // ... through the lower letters
  EXPECT_EQ(lines[0].Pen.Color, texts[1].Color);
}

TEST_F(PaintTest, FlaggedWordsGetARedMarkAndBordersFollowTheBorderBytes) {
  TParagraph* p = doc.FirstParagraph();
  TCharAttr flagged = doc.DefaultAttr;
  flagged.LayoutFlags = kLayoutFlaggedWord;
  doc.AppendText(p, U"teh", flagged);
  layout.Reformat();
  PaintText();
  const auto marks = canvas.Of("polyline");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].Pen.Color, 0x0000FFu);
  EXPECT_EQ(marks[0].Pen.Width, 18 / 20 + 1);
  EXPECT_EQ(marks[0].Points.front().X, 1);
  EXPECT_EQ(marks[0].Points.back().X, 1 + 24);

  // A boxed paragraph of one line: left, right, top and bottom, in the border colour.
  p->BorderFlags[0] = kBorderOn | kBorderBox;
  p->BorderWidth = 1;
  p->BorderColor = 0x03;  // blue, no distance
  p->MarkDirty();
  PaintText();
  const auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 4u);
  for (const TOp& l : lines) EXPECT_EQ(l.Pen.Color, 0xFF0000u);
  // Only the top: one line, at the line's top.
  p->BorderFlags[0] = kBorderOn | kBorderTop;
  PaintText();
  ASSERT_EQ(canvas.Of("line").size(), 1u);
  EXPECT_EQ(canvas.Of("line")[0].From.Y, 0);
}

TEST_F(PaintTest, BoxedCellsOfARowShareTheRowsHeight) {
  // Two boxed cells side by side, the second two lines high: the first cell's box reaches down
  // to the row's end too.
  TParagraph* p = doc.FirstParagraph();
  const uint8_t flags[2] = {kParTableCell | kParMoreCells, kParTableCell | kParContinuesRow};
  const char32_t* texts[2] = {U"a", U"b\nc"};
  for (int i = 0; i < 2; ++i) {
    TParagraph* cell = i == 0 ? p : doc.NewParagraph(p);
    cell->ParFlags = flags[i];
    cell->CellStart = static_cast<uint8_t>(127 * i);
    cell->CellWidth = 127;
    cell->BorderFlags[0] = kBorderOn | kBorderBox;
    cell->BorderWidth = 1;
    doc.AppendText(cell, texts[i], doc.DefaultAttr);
  }
  layout.Reformat();
  PaintText();
  // Each cell: its bottom is one horizontal line, and both lie at the same height.
  std::vector<int> bottoms;
  int lowest_vertical_end = 0;
  for (const TOp& l : canvas.Of("line")) {
    if (l.From.Y == l.To.Y && l.From.Y > 0) bottoms.push_back(l.From.Y);
    if (l.From.X == l.To.X) lowest_vertical_end = std::max(lowest_vertical_end, l.To.Y);
  }
  ASSERT_EQ(bottoms.size(), 2u);
  EXPECT_EQ(bottoms[0], bottoms[1]);
  EXPECT_GE(bottoms[0], 2 * 16 - 1);  // below the two-line cell's second line
  EXPECT_EQ(lowest_vertical_end, bottoms[0] + 1);
}

TEST_F(PaintTest, ShadedParagraphFillsEvenItsEmptyLine) {
  TParagraph* p = doc.FirstParagraph();
  p->ShadingPercent = 100;
  p->ShadingColors = 0x04;  // yellow pattern at 100 %
  layout.Reformat();
  PaintText();
  bool found = false;
  for (const TOp& f : canvas.Of("fill")) found |= f.Color == 0x00FFFFu && f.Rect == TRect{1, 0, 200, 16};
  EXPECT_TRUE(found);
}

TEST_F(PaintTest, ObjectsPaintIntoTheirRectanglesAndEnterTheHitTable) {
  TParagraph* p = doc.FirstParagraph();
  TDocGraphic g;
  TBitmap bmp;
  bmp.Width = 2;
  bmp.Height = 2;
  bmp.BitsPerPixel = 24;
  bmp.Bits.assign(static_cast<size_t>(bmp.Stride()) * 2, 0x80);
  g.Image = bmp;
  TDocObject* pic = doc.AddObject(std::move(g), 7);
  pic->Width = 720;  // 48 x 24 pixels
  pic->Height = 360;
  TDocObject* empty = doc.AddObject(TDocGraphic{}, 8);
  empty->Width = 300;
  empty->Height = 300;
  TCharAttr anchor = doc.DefaultAttr;
  anchor.CharFlags = kCharObject;
  anchor.TagNumber = 7;
  doc.AppendText(p, U"\x01", anchor);
  anchor.TagNumber = 8;
  doc.AppendText(p, U"\x01", anchor);
  layout.SetWindowWidth(400);
  layout.Reformat();
  PaintText();
  const auto bitmaps = canvas.Of("bitmap");
  ASSERT_EQ(bitmaps.size(), 1u);
  const int baseline = layout.Box(p, 0).ascent;
  EXPECT_EQ(bitmaps[0].Rect, (TRect{1, baseline - 24, 49, baseline}));
  // No graphic: a crossed box.
  EXPECT_EQ(canvas.Of("rect").size(), 1u);
  EXPECT_EQ(canvas.Of("line").size(), 2u);
  ASSERT_EQ(layout.HitObjects().size(), 2u);
  EXPECT_EQ(layout.ObjectAt(10, baseline - 5), pic);
  EXPECT_EQ(layout.ObjectAt(60, baseline - 5), empty);

  // At most 30 objects enter the table; the rest are still painted.
  anchor.TagNumber = 8;
  doc.AppendText(p, std::u32string(40, U'\x01'), anchor);
  layout.SetWindowWidth(5000);
  PaintText();
  EXPECT_EQ(layout.HitObjects().size(), 30u);
  EXPECT_EQ(canvas.Of("rect").size(), 41u);
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

TEST(InvalidRectTest, ChangedParagraphOnlyUnlessHeightsChanged) {
  testing::TFixedMetrics metrics;
  TWPRTFText doc;
  TextLayout layout{doc};
  layout.SetDevice(&metrics, 96, 96);
  layout.SetWordWrap(true);
  layout.SetWindowWidth(300);
  TParagraph* p = doc.FirstParagraph();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) p = doc.NewParagraph(p);
    doc.AppendText(p, U"text", doc.DefaultAttr);
  }
  testing::TRecordingCanvas canvas;
  layout.Paint(canvas, {0, 0, 300, 200});
  EXPECT_TRUE(layout.InvalidRect(300, 200).Empty());
  TParagraph* second = doc.ParagraphAt(1);
  const TCharAttr a = doc.DefaultAttr;
  doc.ReplaceRange(second, 0, 0, 0, U"x", 1, &a);
  EXPECT_EQ(layout.InvalidRect(300, 200), (TRect{0, 18, 300, 36}));
  layout.Paint(canvas, {0, 0, 300, 200});
  TCharAttr big = a;
  big.PointSize = 20;
  doc.ReplaceRange(second, 0, 0, 0, U"X", 1, &big);
  EXPECT_EQ(layout.InvalidRect(300, 200), (TRect{0, 18, 300, 200}));
}

}  // namespace
}  // namespace inkwend
