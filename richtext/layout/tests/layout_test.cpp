#include "richtext/layout/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richtext/layout/tests/test_devices.h"

namespace inkwend {
namespace {

using testing::FixedMetrics;

std::vector<std::u32string> Lines(const Paragraph* p) {
  std::vector<std::u32string> out;
  for (int l = 0; l < p->LineCount(); ++l) {
    auto t = p->LineText(l);
    out.emplace_back(t.begin(), t.end());
  }
  return out;
}

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_.SetDevice(&metrics_, 96, 96);
    layout_.SetWordWrap(true);
  }
  // One paragraph with `text` in 10-point Arial, wrapped in a window `width` pixels wide. With
  // no indents, the line starts 1 pixel in, so the available width is width - 1.
  Paragraph* Para(std::u32string_view text, int width, uint8_t alignment = kAlignLeft) {
    layout_.SetWindowWidth(width);
    Paragraph* p = doc_.FirstParagraph();
    p->alignment = alignment;
    doc_.AppendText(p, text, doc_.defaultAttr);
    layout_.Reformat();
    return p;
  }
  FixedMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
};

TEST_F(LayoutTest, WrapsAtTheLastSpaceAndSplitsLongWords) {
  struct Case {
    std::u32string text;
    int width;
    std::vector<std::u32string> lines;
  };
  const std::vector<Case> cases = {
      // 8-pixel letters, 4-pixel spaces; a line ends before a letter that reaches the width.
      {U"aaaa bbbb cccc", 50, {U"aaaa ", U"bbbb ", U"cccc"}},
      // Spaces hang past the edge instead of starting the next line.
      {U"aaaaa     bb", 42, {U"aaaaa     ", U"bb"}},
      // A word longer than the line is split where the width runs out.
      {U"abcdefghij", 41, {U"abcd", U"efgh", U"ij"}},
      // A space at index 1 is no break point: the line is cut where the width ran out.
      {U"a bcdefgh", 41, {U"a bcd", U"efgh"}},
      // Narrower than one character: one character per line.
      {U"abc", 5, {U"a", U"b", U"c"}},
      // A line feed ends the line after it.
      {U"ab\ncd", 200, {U"ab\n", U"cd"}},
      {U"", 200, {U""}},
  };
  for (const Case& c : cases) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    d_layout.SetWordWrap(true);
    d_layout.SetWindowWidth(c.width);
    d.AppendText(d.FirstParagraph(), c.text, d.defaultAttr);
    d_layout.Reformat();
    EXPECT_EQ(Lines(d.FirstParagraph()), c.lines) << "width " << c.width;
  }
}

TEST_F(LayoutTest, VisibleWidthLeavesOutTrailingSpaces) {
  struct Case {
    std::u32string text;
    int width;
  };
  // Letters 8, spaces 4, tabs their cached 16.
  for (const Case& c :
       {Case{U"ab  ", 16}, Case{U"a b", 20}, Case{U"a \t", 8}, Case{U"a \tb", 36}, Case{U"  ", 0}}) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    d.AppendText(d.FirstParagraph(), c.text, d.defaultAttr);
    d_layout.Reformat();
    EXPECT_EQ(d_layout.VisibleWidth(d.FirstParagraph(), 0), c.width);
  }
  // A line feed drops the spaces before it.
  Paragraph* p = Para(U"ab  \ncd", 500);
  EXPECT_EQ(layout_.VisibleWidth(p, 0), 16);
}

TEST_F(LayoutTest, CharacterLimitEndsLines) {
  layout_.charsPerLineLimit = 3;
  Paragraph* p = Para(U"abcdefg", 500);
  EXPECT_EQ(Lines(p), (std::vector<std::u32string>{U"abc", U"def", U"g"}));
}

TEST_F(LayoutTest, DefaultTabGridInInchesAndCentimetres) {
  Paragraph* p = Para(U"\tX", 500);
  EXPECT_EQ(layout_.DefaultTabInterval(), 32);
  EXPECT_EQ(layout_.NextTabPosition(p, 0, 0, 0), 32);
  EXPECT_EQ(layout_.NextTabPosition(p, 0, 32, 0), 64);  // strictly after x
  EXPECT_EQ(layout_.Box(p, 0).values[kLvWidth], 40);
  doc_.header.units = Units::Centimetre;
  EXPECT_EQ(layout_.DefaultTabInterval(), 37);
  EXPECT_EQ(layout_.NextTabPosition(p, 0, 0, 0), 37);
  EXPECT_EQ(layout_.NextTabPosition(p, 0, 40, 0), 74);
}

TEST_F(LayoutTest, TabsCountAsSpacesInCentredAndRightParagraphs) {
  // Left: the tab moves x from 8 to 32; centred: it counts its cached width 16 like a space.
  Paragraph* left = Para(U"a\tb", 500, kAlignLeft);
  EXPECT_EQ(layout_.Box(left, 0).values[kLvWidth], 40);
  WPRTFText centred;
  TextLayout centred_layout{centred};
  centred_layout.SetDevice(&metrics_, 96, 96);
  centred.FirstParagraph()->alignment = kAlignCenter;
  centred.AppendText(centred.FirstParagraph(), U"a\tb", centred.defaultAttr);
  centred_layout.Reformat();
  EXPECT_EQ(centred_layout.Box(centred.FirstParagraph(), 0).values[kLvWidth], 32);
}

TEST_F(LayoutTest, TabStopKinds) {
  // A stop at 1440 twips is 96 pixels; the text after the tab is 8 pixels a character.
  struct Case {
    uint8_t kind;
    std::u32string text;
    int expected;
  };
  const std::vector<Case> cases = {
      {kTabLeft, U"\t1234", 96},
      {kTabRight, U"\t1234", 96 - 32},
      {kTabDecimal, U"\t12.50", 96 - 16},  // stops at the decimal separator
      {kTabCenter, U"\tabcd", 96 - 16},
      {kTabRight, U"\t" + std::u32string(20, U'x'), 0},  // more text than room: the tab takes none
  };
  for (const Case& c : cases) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    Paragraph* p = d.FirstParagraph();
    p->tabMask = d.header.AddTab(1440, c.kind);
    d.AppendText(p, c.text, d.defaultAttr);
    d_layout.Reformat();
    EXPECT_EQ(d_layout.NextTabPosition(p, 0, 0, 0), c.expected) << int(c.kind);
  }
  // A right stop beyond the text area is not used: the tab takes no room.
  WPRTFText d;
  TextLayout d_layout{d};
  d_layout.SetDevice(&metrics_, 96, 96);
  Paragraph* p = d.FirstParagraph();
  p->tabMask = d.header.AddTab(20000, kTabRight);
  d.AppendText(p, U"\tab", d.defaultAttr);
  d_layout.Reformat();
  EXPECT_EQ(d_layout.NextTabPosition(p, 0, 10, 0), 10);
  // With word wrap in a window wider than the page, lines still wrap at the page's text width,
  // and right and centred stops inside it still apply.
  for (const int window : {400, d.header.textAreaWidth, 2000}) {
    WPRTFText w;
    TextLayout w_layout{w};
    w_layout.SetDevice(&metrics_, 96, 96);
    w_layout.SetWordWrap(true);
    w_layout.SetWindowWidth(window);
    Paragraph* q = w.FirstParagraph();
    q->tabMask = w.header.AddTab(2880, kTabRight) | w.header.AddTab(1440, kTabCenter);
    w.AppendText(q, U"\tab\tcd", w.defaultAttr);
    w_layout.Reformat();
    EXPECT_EQ(w_layout.NextTabPosition(q, 0, 0, 0), 96 - 8) << window;
    EXPECT_EQ(w_layout.NextTabPosition(q, 0, 100, 3), 192 - 16) << window;
  }
  // A stop not in the paragraph's mask is ignored: the default grid applies.
  p->tabMask = 0;
  d.header.AddTab(1440, kTabLeft);
  EXPECT_EQ(d_layout.NextTabPosition(p, 0, 0, 0), 32);
}

TEST_F(LayoutTest, TabStopsCountFromTheMargin) {
  // A hanging indent: the first line starts at 360 twips, the tab stop at 720 twips lines the
  // text up with the following lines at 720 twips (48 pixels + 1).
  Paragraph* p = doc_.FirstParagraph();
  p->firstIndent = 360;
  p->leftIndent = 720;
  p->tabMask = doc_.header.AddTab(720, kTabLeft);
  layout_.SetWindowWidth(500);
  doc_.AppendText(p, U"1\ttext", doc_.defaultAttr);
  layout_.Reformat();
  EXPECT_EQ(layout_.LeftIndentPixels(p, 0), 25);
  EXPECT_EQ(layout_.LeftIndentPixels(p, 0) + layout_.NextTabPosition(p, 0, 8, 1),
            layout_.LeftIndentPixels(p, 1));
}

TEST_F(LayoutTest, JustifiedLinesStoreSpaceWidthAndRemainder) {
  // "aa bb " breaks before "cc": width 36 (x before the ending space), spaces 8 pixels,
  // available 49: slack = 8 + 49 - 36 - 6 = 15 over one stretched space.
  Paragraph* p = Para(U"aa bb cccccc", 50, kAlignJustify);
  ASSERT_EQ(Lines(p), (std::vector<std::u32string>{U"aa bb ", U"cccccc"}));
  const LineBox& l = layout_.Box(p, 0);
  EXPECT_TRUE(l.flags & kLineJustified);
  EXPECT_EQ(l.values[kLvWidthOrLastTab], 0);
  EXPECT_EQ(l.values[kLvSpaceWidth], 15);
  EXPECT_EQ(l.values[kLvRemainder], 0);
  EXPECT_FALSE(layout_.Box(p, 1).flags & kLineJustified);  // last line

  // Three spaces: slack = 12 + 65 - 64 - 6 = 7 over two spaces: 3 each, remainder 1.
  WPRTFText d;
  TextLayout d_layout{d};
  d_layout.SetDevice(&metrics_, 96, 96);
  d_layout.SetWordWrap(true);
  d_layout.SetWindowWidth(66);
  d.FirstParagraph()->alignment = kAlignJustify;
  d.AppendText(d.FirstParagraph(), U"aa bb ccc dddddd", d.defaultAttr);
  d_layout.Reformat();
  const LineBox& l3 = d_layout.Box(d.FirstParagraph(), 0);
  ASSERT_EQ(Lines(d.FirstParagraph())[0], U"aa bb ccc ");
  EXPECT_EQ(l3.values[kLvSpaceWidth], 3);
  EXPECT_EQ(l3.values[kLvRemainder], 1);
}

TEST_F(LayoutTest, JustificationNeedsTwoSpacesAndSparesTheLastLine) {
  // One space: not widened.
  Paragraph* p = Para(U"aaa bbbbbb", 50, kAlignJustify);
  ASSERT_EQ(p->LineCount(), 2);
  EXPECT_FALSE(layout_.Box(p, 0).flags & kLineJustified);
  // The last line is justified only with parFlags 0x40.
  WPRTFText d;
  TextLayout d_layout{d};
  d_layout.SetDevice(&metrics_, 96, 96);
  d_layout.SetWordWrap(true);
  d_layout.SetWindowWidth(200);
  Paragraph* q = d.FirstParagraph();
  q->alignment = kAlignJustify;
  d.AppendText(q, U"a b c", d.defaultAttr);
  d_layout.Reformat();
  EXPECT_FALSE(d_layout.Box(q, 0).flags & kLineJustified);
  q->parFlags |= kParJustifyLastLine;
  q->MarkDirty();
  d_layout.Reformat();
  EXPECT_TRUE(d_layout.Box(q, 0).flags & kLineJustified);
}

// A cell from another program keeps its text off its edges by its padding, with a border or
// without, and its box around the padding; padding above and below makes the line higher.
TEST_F(LayoutTest, CellPaddingKeepsTextOffTheCellEdges) {
  layout_.SetWindowWidth(565);
  Paragraph* p = doc_.FirstParagraph();
  p->parFlags = kParTableCell;
  p->cellStart = 0;
  p->cellWidth = 255;
  doc_.AppendText(p, U"abc", doc_.defaultAttr);
  layout_.Reformat();
  const int left = layout_.LeftIndentPixels(p, 0), right = layout_.RightIndentPixels(p);
  const int height = layout_.Box(p, 0).height, ascent = layout_.Box(p, 0).ascent;
  p->tableLayout[0] = 24;  // 120 twips: 8 pixels at 96 ppi
  p->tableLayout[1] = 12;  // 60 twips: 4 pixels
  p->MarkDirty();
  layout_.Reformat();
  for (const uint8_t border : {uint8_t{0}, static_cast<uint8_t>(kBorderOn | kBorderBox)}) {
    p->borderFlags[0] = border;
    EXPECT_EQ(layout_.LeftIndentPixels(p, 0), left + 8) << int{border};
    EXPECT_EQ(layout_.RightIndentPixels(p), right + 8) << int{border};
  }
  EXPECT_EQ(layout_.Box(p, 0).height, height + 8);
  EXPECT_EQ(layout_.Box(p, 0).ascent, ascent + 4);
}

TEST_F(LayoutTest, LineHeights) {
  // Natural height of 10-point text is 18 with ascent 14.
  Paragraph* p = Para(U"abc", 200);
  EXPECT_EQ(layout_.Box(p, 0).height, 18);
  EXPECT_EQ(layout_.Box(p, 0).ascent, 14);

  struct Case {
    std::u32string text;
    int lineSpacing, before, after;
    int height, ascent;
  };
  const std::vector<Case> cases = {
      {U"    ", 0, 0, 0, 18, 14},    // only spaces: as high as their font
      {U"", 0, 0, 0, 18, 14},        // empty line: as high as its font
      {U"abc", -300, 0, 0, 20, 15},  // exactly 20, ascent up by (18 - 20) / 2 = -1
      {U"abc", -150, 0, 0, 10, 10},  // 10 high, ascent up by 4
      {U"abc", 600, 0, 0, 40, 25},   // 40 high, ascent down by 11
      {U"abc", 150, 0, 0, 18, 14},   // smaller than natural: unchanged
      {U"abc", 0, 150, 300, 18 + 10 + 20, 14 + 10},
  };
  for (const Case& c : cases) {
    WPRTFText d;
    TextLayout d_layout{d};
    d_layout.SetDevice(&metrics_, 96, 96);
    Paragraph* q = d.FirstParagraph();
    q->lineSpacing = c.lineSpacing;
    q->spaceBefore = c.before;
    q->spaceAfter = c.after;
    d.AppendText(q, c.text, d.defaultAttr);
    d_layout.Reformat();
    EXPECT_EQ(d_layout.Box(q, 0).height, c.height) << c.lineSpacing;
    EXPECT_EQ(d_layout.Box(q, 0).ascent, c.ascent) << c.lineSpacing;
  }
}

TEST_F(LayoutTest, TallestVisibleCharacterGivesTheHeight) {
  layout_.SetWindowWidth(500);
  Paragraph* p = doc_.FirstParagraph();
  CharAttr big = doc_.defaultAttr;
  big.pointSize = 20;  // 27 pixels: height 32, ascent 28
  CharAttr hidden = big;
  hidden.pointSize = 40;
  hidden.charFlags = kCharHidden;
  doc_.AppendText(p, U"ab", doc_.defaultAttr);
  doc_.AppendText(p, U"c", big);
  doc_.AppendText(p, U"d", hidden);
  layout_.Reformat();
  EXPECT_EQ(layout_.Box(p, 0).height, 32);
  EXPECT_EQ(layout_.Box(p, 0).ascent, 28);
  EXPECT_EQ(layout_.CharWidth(p, 3), 0);  // hidden text takes no room
  layout_.showHiddenText = true;
  EXPECT_EQ(layout_.CharWidth(p, 3), 28);
}

TEST_F(LayoutTest, SuperscriptIsTwoThirdsOfTheSize) {
  CharAttr a = doc_.defaultAttr;
  a.pointSize = 12;
  a.styleBits = kStyleSuperscript;
  EXPECT_EQ(layout_.StyleFor(a).font.pointSize, 8);
  a.styleBits = kStyleSuperscript | kStyleSubscript;  // both: subscript is dropped
  EXPECT_TRUE(layout_.StyleFor(a).superscript);
  EXPECT_FALSE(layout_.StyleFor(a).subscript);
  a.styleBits = 0;
  layout_.SetZooming(150);
  EXPECT_EQ(layout_.StyleFor(a).font.pointSize, 18);
  EXPECT_EQ(doc_.header.xPixelsPerInch, 144);
}

TEST_F(LayoutTest, ReferenceScaleMultipliesMeasuredMetrics) {
  Paragraph* p = Para(U"ab", 500);
  layout_.SetReferenceScale(2.0, 1.5);
  EXPECT_EQ(layout_.CharWidth(p, 0), 16);
  EXPECT_EQ(layout_.Box(p, 0).height, 27);
  layout_.SetReferenceScale(1.0, 1.0);
  EXPECT_EQ(layout_.CharWidth(p, 0), 8);
}

TEST_F(LayoutTest, IndentsInPixels) {
  Paragraph* p = doc_.FirstParagraph();
  layout_.SetWindowWidth(565);  // the page's text width at 96 ppi
  p->firstIndent = 720;
  p->leftIndent = 1440;
  p->rightIndent = 720;
  EXPECT_EQ(layout_.LeftIndentPixels(p, 0), 49);
  EXPECT_EQ(layout_.LeftIndentPixels(p, 1), 97);
  EXPECT_EQ(layout_.RightIndentPixels(p), 48);
  // A border 2 mm from the text adds 113 twips (7 pixels) on both sides.
  p->borderFlags[0] = kBorderOn | kBorderBox;
  p->borderColor = 0x20;
  EXPECT_EQ(layout_.LeftIndentPixels(p, 1), 104);
  EXPECT_EQ(layout_.RightIndentPixels(p), 55);
  p->borderFlags[0] = 0;
  // Window 100 pixels narrower than the page: the right indent shrinks by 100 (not below 0).
  layout_.SetWindowWidth(465);
  EXPECT_EQ(layout_.RightIndentPixels(p), 0);
  // Wider: the right indent grows, so lines still end at the page's text width.
  layout_.SetWindowWidth(765);
  EXPECT_EQ(layout_.RightIndentPixels(p), 248);
  EXPECT_EQ(layout_.AvailableWidth(p, 1), 765 - 248 - 97);
  // A table cell from 1/5 to 3/5 of the row.
  p->parFlags = kParTableCell;
  p->leftIndent = 0;
  p->rightIndent = 0;
  p->cellStart = 51;
  p->cellWidth = 102;
  EXPECT_EQ(layout_.LeftIndentPixels(p, 0), 8480 / 5 * 96 / 1440 + 1);
  // Its right edge stands on the page too, whatever the window's width: 3/5 of the row.
  const int right_edge = 8480 * 153 / 255 * 96 / 1440;
  for (const int window : {565, 765}) {
    layout_.SetWindowWidth(window);
    EXPECT_NEAR(window - layout_.RightIndentPixels(p), right_edge, 1) << window;
  }
  // In a window narrower than the cell's right edge the cell ends at the window.
  layout_.SetWindowWidth(300);
  EXPECT_EQ(layout_.RightIndentPixels(p), 0);
}

TEST_F(LayoutTest, WordWrapOffWrapsAtThePageAndIgnoresTheWindow) {
  layout_.SetWordWrap(false);
  std::u32string words;
  for (int i = 0; i < 40; ++i) words += U"word ";
  doc_.AppendText(doc_.FirstParagraph(), words, doc_.defaultAttr);
  layout_.Reformat();
  const int lines = doc_.FirstParagraph()->LineCount();
  EXPECT_EQ(layout_.LayoutWidth(), 565);
  layout_.SetWindowWidth(100);
  EXPECT_EQ(doc_.FirstParagraph()->LineCount(), lines);
  layout_.SetWordWrap(true);
  EXPECT_GT(doc_.FirstParagraph()->LineCount(), lines);
}

TEST_F(LayoutTest, LineBoxesFollowTheirParagraphsWhenTheChainChanges) {
  // Four paragraphs of one, two, three and one lines (18 pixels each), then the chain changes
  // in the middle and at the end between two layouts.
  Paragraph* a = Para(U"aaaa", 50);
  Paragraph* b = doc_.NewParagraph(a);
  doc_.AppendText(b, U"bbbb bbbb", doc_.defaultAttr);
  Paragraph* c = doc_.NewParagraph(b);
  doc_.AppendText(c, U"cccc cccc cccc", doc_.defaultAttr);
  Paragraph* d = doc_.NewParagraph(c);
  doc_.AppendText(d, U"dddd", doc_.defaultAttr);
  layout_.Reformat();
  EXPECT_EQ(layout_.Box(c, 0).top, 3 * 18);
  EXPECT_EQ(layout_.DocumentHeight(), 7 * 18);

  // A paragraph that was never laid out has no boxes, also where a freed one stood.
  doc_.DeleteLine(b, 1);
  doc_.DeleteLine(b, 0);  // b is freed
  Paragraph* e = doc_.NewParagraph(a);
  doc_.AppendText(e, U"eeee eeee eeee eeee", doc_.defaultAttr);
  EXPECT_EQ(layout_.Box(e, 0).height, 0);
  EXPECT_EQ(layout_.Box(e, 0).top, 0);
  doc_.DeleteLine(d, 0);  // the last paragraph goes too
  layout_.Reformat();
  ASSERT_EQ(e->LineCount(), 4);
  EXPECT_EQ(layout_.Box(e, 0).top, 18);
  EXPECT_EQ(layout_.Box(e, 3).top, 4 * 18);
  EXPECT_EQ(layout_.Box(c, 0).top, 5 * 18);
  EXPECT_EQ(layout_.Box(c, 2).top, 7 * 18);
  EXPECT_EQ(layout_.DocumentHeight(), 8 * 18);
}

TEST_F(LayoutTest, CaretAndSelectionStayOnTheirCharacters) {
  Paragraph* p = Para(U"aaaa bbbb cccc", 50);
  ASSERT_EQ(p->LineCount(), 3);
  TextCursor caret, sel_start, sel_end;
  layout_.TrackCursor(&caret, true);
  layout_.TrackCursor(&sel_start, false);
  layout_.TrackCursor(&sel_end, false);
  caret = {p, 1, 2};      // the third b
  sel_start = {p, 0, 5};  // end of line 0 = start of line 1
  sel_end = {p, 2, 1};
  layout_.SetWindowWidth(500);  // one line now
  ASSERT_EQ(p->LineCount(), 1);
  EXPECT_EQ(caret, (TextCursor{p, 0, 7}));
  EXPECT_EQ(sel_start, (TextCursor{p, 0, 5}));
  EXPECT_EQ(sel_end, (TextCursor{p, 0, 11}));
  // Back to three lines: the position between two lines stays at the end of the earlier line
  // for a selection end, and moves to the start of the next line for the caret.
  caret = {p, 0, 5};
  layout_.SetWindowWidth(50);
  EXPECT_EQ(caret, (TextCursor{p, 1, 0}));
  EXPECT_EQ(sel_start, (TextCursor{p, 0, 5}));
  EXPECT_EQ(sel_end, (TextCursor{p, 2, 1}));
}

TEST_F(LayoutTest, OnlyDirtyParagraphsAreWrappedAndMetricsAreAskedOnce) {
  Paragraph* a = doc_.FirstParagraph();
  doc_.AppendText(a, U"first paragraph", doc_.defaultAttr);
  Paragraph* b = doc_.NewParagraph(a);
  doc_.AppendText(b, U"second paragraph", doc_.defaultAttr);
  layout_.SetWindowWidth(300);
  layout_.Reformat();
  std::vector<std::u32string> seen;
  layout_.onWord = [&](TextLayout&, std::u32string_view w, std::array<int, 8>&, uint8_t&) {
    seen.emplace_back(w);
  };
  const int64_t queries = layout_.FontCache().PlatformQueries();
  const CharAttr a0 = *doc_.AttribPtr(b, 0, 0);
  doc_.ReplaceRange(b, 0, 0, 0, U"x", 1, &a0);
  EXPECT_FALSE(a->layoutDirty & kDirtyWrap);
  layout_.Reformat();
  EXPECT_EQ(seen, (std::vector<std::u32string>{U"xsecond", U"paragraph"}));
  EXPECT_EQ(layout_.FontCache().PlatformQueries(), queries);
  EXPECT_EQ(layout_.Box(b, 0).top, layout_.Box(a, 0).height);
  EXPECT_EQ(layout_.DocumentHeight(), 36);
}

TEST_F(LayoutTest, WordCallbackSetsMarksAndHyphenationPoints) {
  layout_.onWord = [](TextLayout&, std::u32string_view w, std::array<int, 8>& offsets, uint8_t& flags) {
    if (w == U"badd") {
      flags = 2;  // act, flag it
    } else if (w == U"hyphen") {
      flags = 4;
      offsets[0] = 2;
      offsets[1] = 4;
    }
  };
  Paragraph* p = Para(U"badd hyphen ok1", 500);
  const struct {
    int offset;
    uint8_t flags;
  } kCases[] = {{0, kLayoutFlaggedWord},
                {3, kLayoutFlaggedWord},
                {4, 0},
                {5, 0},
                {7, kLayoutHyphenation},
                {8, 0},
                {9, kLayoutHyphenation},
                {12, 0}};  // "ok1": preset flag 1 left alone
  for (const auto& c : kCases) EXPECT_EQ(layout_.WordFlagsAt(p, c.offset), c.flags) << c.offset;

  // A walk that leaves every word alone keeps the marks they had; clearing drops them.
  layout_.onWord = [](TextLayout&, std::u32string_view, std::array<int, 8>&, uint8_t&) {};
  layout_.RecheckWords(p);
  EXPECT_EQ(layout_.WordFlagsAt(p, 2), kLayoutFlaggedWord);
  EXPECT_EQ(layout_.WordFlagsAt(p, 7), kLayoutHyphenation);
  layout_.ClearWordMarks();
  EXPECT_EQ(layout_.WordFlagsAt(p, 2), 0);
}

TEST_F(LayoutTest, PlainModeUsesTheDefaultWidthTable) {
  layout_.SetWindowWidth(50);
  doc_.AppendText(doc_.FirstParagraph(), U"aaaa bbbb", doc_.defaultAttr);
  doc_.SetAttributeMode(false);
  layout_.ReformatAll();
  Paragraph* p = doc_.FirstParagraph();
  EXPECT_EQ(layout_.CharWidth(p, 0), 8);
  EXPECT_EQ(Lines(p), (std::vector<std::u32string>{U"aaaa ", U"bbbb"}));
  EXPECT_EQ(layout_.Box(p, 0).height, 18);  // the template's font, as with attributes
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

TEST(TableLayoutTest, CellsOfARowStandSideBySide) {
  testing::FixedMetrics metrics;
  WPRTFText doc;
  TextLayout layout{doc};
  layout.SetDevice(&metrics, 96, 96);
  Paragraph* before = doc.FirstParagraph();
  doc.AppendText(before, U"above", doc.defaultAttr);
  const uint8_t flags[3] = {kParTableCell | kParMoreCells, kParTableCell | kParContinuesRow | kParMoreCells,
                            kParTableCell | kParContinuesRow};
  const char32_t* texts[3] = {U"one", U"two\nlines", U"three"};
  Paragraph* p = before;
  std::vector<Paragraph*> cells;
  for (int i = 0; i < 3; ++i) {
    p = doc.NewParagraph(p);
    p->parFlags = flags[i];
    p->cellStart = static_cast<uint8_t>(85 * i);
    p->cellWidth = 85;
    doc.AppendText(p, texts[i], doc.defaultAttr);
    cells.push_back(p);
  }
  Paragraph* after = doc.NewParagraph(p);
  after->parFlags = 0;
  doc.AppendText(after, U"below", doc.defaultAttr);
  layout.Reformat();
  for (Paragraph* c : cells) EXPECT_EQ(layout.Box(c, 0).top, 18);
  EXPECT_LT(layout.LeftIndentPixels(cells[0], 0), layout.LeftIndentPixels(cells[1], 0));
  EXPECT_EQ(layout.Box(after, 0).top, 18 + 36);  // below the two-line cell
  EXPECT_EQ(layout.DocumentHeight(), 18 + 36 + 18);
  // Editing a cell keeps the row together.
  const CharAttr a = doc.defaultAttr;
  doc.ReplaceRange(cells[2], 0, 0, 0, U"x\n", 2, &a);
  doc.ReplaceRange(cells[2], 0, 0, 0, U"y\n", 2, &a);  // three lines now
  layout.Reformat();
  EXPECT_EQ(layout.Box(cells[2], 0).top, 18);
  EXPECT_EQ(layout.Box(after, 0).top, 18 + 54);
}

}  // namespace
}  // namespace inkwend
