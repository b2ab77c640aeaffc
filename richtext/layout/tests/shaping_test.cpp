// Text beyond one glyph per character: which characters are shaped, where clusters begin, the
// visual order of mixed lines, and how layout measures, paints and places the caret in them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "richtext/layout/layout.h"
#include "richtext/layout/tests/test_devices.h"
#include "richtext/layout/text_analysis.h"

namespace inkwend {
namespace {

using testing::FixedMetrics;
using testing::RecordingCanvas;

// A shaper for the tests: every grapheme cluster is 10 pixels, on its first character.
class ShapingMetrics : public FixedMetrics {
 public:
  void Shape(const FontSpec& /*font*/, std::span<const char32_t> chars, bool rtl,
             std::span<int> out) override {
    asked.push_back({std::u32string(chars.begin(), chars.end()), rtl});
    for (size_t i = 0; i < chars.size(); ++i) out[i] = IsClusterBoundary(chars, static_cast<int>(i)) ? 10 : 0;
  }
  struct Asked {
    std::u32string word;
    bool rtl;
  };
  std::vector<Asked> asked;
};

struct Drawn {
  int x;
  std::u32string text;
  bool shaped;
  bool rtl;
};

class ShapingCanvas : public RecordingCanvas {
 public:
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                ColorRef color) override {
    RecordingCanvas::DrawText(x, baseline, text, advances, color);
    drawn.push_back({x, std::u32string(text.begin(), text.end()), false, false});
  }
  void DrawShapedText(int x, int /*baseline*/, std::span<const char32_t> text,
                      std::span<const int> /*advances*/, bool rtl, ColorRef /*color*/) override {
    drawn.push_back({x, std::u32string(text.begin(), text.end()), true, rtl});
  }
  std::vector<Drawn> drawn;
};

TEST(TextAnalysis, WhatNeedsShaping) {
  struct Case {
    char32_t c;
    bool shaped;
  } cases[] = {{U'a', false},     {U'\u00E9', false}, {U'\u4E2D', false}, {U'\uF0B7', false},
               {U'\u0301', true}, {U'\u05D0', true},  {U'\u0645', true},  {U'\u0915', true},
               {U'\u0E01', true}, {U'\u200D', true},  {U'\uFE0F', true},  {U'\U0001F44D', true}};
  for (const Case& c : cases) EXPECT_EQ(NeedsShaping(c.c), c.shaped) << std::hex << uint32_t{c.c};
}

TEST(TextAnalysis, ClusterBoundaries) {
  struct Case {
    std::u32string text;
    std::vector<int> inside;  // offsets that are not boundaries
  } cases[] = {
      {U"ab", {}},
      {U"e\u0301x", {1}},                                             // a letter and its accent
      {U"\U0001F44D\U0001F3FD!", {1}},                                // thumb with skin tone
      {U"\U0001F468\u200D\U0001F469\u200D\U0001F467", {1, 2, 3, 4}},  // a family
      {U"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", {1, 3}},          // two flags
      {U"\u2764\uFE0F", {1}},                                         // red heart
      {U"\u0E19\u0E49\u0E33", {1, 2}},                                // Thai marks
  };
  for (const Case& c : cases) {
    for (int i = 0; i <= static_cast<int>(c.text.size()); ++i) {
      const bool inside = std::find(c.inside.begin(), c.inside.end(), i) != c.inside.end();
      EXPECT_EQ(IsClusterBoundary(c.text, i), !inside) << "case " << (&c - cases) << " offset " << i;
    }
  }
  const std::u32string family = cases[3].text;
  EXPECT_EQ(NextClusterBoundary(family, 0), 5);
  EXPECT_EQ(PreviousClusterBoundary(family, 5), 0);
}

TEST(TextAnalysis, VisualRunsOfMixedLines) {
  const std::u32string mixed = U"ab \u05D0\u05D1\u05D2 cd";
  const ParagraphBidi ltr(mixed, -1);
  EXPECT_FALSE(ltr.BaseRightToLeft());
  auto runs = ltr.LineRuns(0, static_cast<int>(mixed.size()));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1].from, 3);
  EXPECT_EQ(runs[1].to, 6);
  EXPECT_TRUE(runs[1].rtl);
  // Right to left first: the Latin word stands at the left end.
  const std::u32string hebrew_first = U"\u05D0\u05D1 cd";
  const ParagraphBidi rtl(hebrew_first, -1);
  EXPECT_TRUE(rtl.BaseRightToLeft());
  runs = rtl.LineRuns(0, static_cast<int>(hebrew_first.size()));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].from, 3);
  EXPECT_FALSE(runs[0].rtl);
  EXPECT_EQ(runs[1].from, 0);
  EXPECT_TRUE(runs[1].rtl);
  // Latin text needs no bidi work at all.
  EXPECT_TRUE(ParagraphBidi(U"plain text", -1).IsPlain());
}

// A Thai sentence, written as Thai is, without spaces: the words as the dictionary knows them.
const std::vector<std::u32string> kThaiWords = {U"\u0E27\u0E31\u0E19",
                                                U"\u0E19\u0E35\u0E49",
                                                U"\u0E09\u0E31\u0E19",
                                                U"\u0E44\u0E1B",
                                                U"\u0E15\u0E25\u0E32\u0E14",
                                                U"\u0E01\u0E31\u0E1A",
                                                U"\u0E40\u0E1E\u0E37\u0E48\u0E2D\u0E19",
                                                U"\u0E41\u0E25\u0E30",
                                                U"\u0E0B\u0E37\u0E49\u0E2D",
                                                U"\u0E21\u0E32\u0E01\u0E21\u0E32\u0E22"};

// The sentence and the offsets where its words begin.
std::pair<std::u32string, std::vector<int>> ThaiSentence() {
  std::u32string text;
  std::vector<int> starts;
  for (const std::u32string& word : kThaiWords) {
    starts.push_back(static_cast<int>(text.size()));
    text += word;
  }
  return {text, starts};
}

TEST(TextAnalysis, DictionaryLineBreaks) {
  const auto [thai, starts] = ThaiSentence();
  const int ban_start = starts[3];  // the fourth word
  struct Case {
    std::u32string text;
    int from, offset, expected;
  } cases[] = {
      {thai, 0, ban_start + 1, ban_start},   // inside a word: its start
      {thai, 0, ban_start, ban_start},       // a word's first letter: the break before it
      {thai, ban_start, ban_start + 1, -1},  // no boundary after the line's start
      {thai, 0, 1, -1},                      // inside the first word of the run
      {U"ab " + thai, 0, 4, -1},             // the run's first word, after a space
      {U"abcdef", 0, 3, -1},                 // not a script that runs its words together
  };
  for (const Case& c : cases)
    EXPECT_EQ(DictionaryLineBreak(c.text, c.from, c.offset), c.expected) << "case " << (&c - cases);
}

class ShapedLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_.SetDevice(&metrics_, 96, 96);
    layout_.SetWordWrap(true);
    layout_.SetWindowWidth(200);
  }
  Paragraph* Para(std::u32string_view text) {
    Paragraph* p = doc_.FirstParagraph();
    doc_.AppendText(p, text, doc_.defaultAttr);
    layout_.Reformat();
    return p;
  }
  std::vector<int> Widths(const Paragraph* p) const {
    std::vector<int> out;
    for (int i = 0; i < p->CharCount(); ++i) out.push_back(layout_.MeasuredAt(p, i).width);
    return out;
  }
  std::vector<Drawn> Painted() {
    canvas_.drawn.clear();
    layout_.Paint(canvas_, {0, 0, 200, 100});
    return canvas_.drawn;
  }
  ShapingMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
  ShapingCanvas canvas_;
};

TEST_F(ShapedLayout, WordsThatNeedShapingTakeTheirClusterWidths) {
  Paragraph* p = Para(U"go \U0001F44D\U0001F3FD \u0633\u0644\u0627\u0645 go \u0633\u0644\u0627\u0645");
  EXPECT_EQ(Widths(p), (std::vector<int>{8, 8, 4, 10, 0, 4, 10, 10, 10, 10, 4, 8, 8, 4, 10, 10, 10, 10}));
  // Latin words keep the per-character path; a repeated word is shaped once.
  ASSERT_EQ(metrics_.asked.size(), 2u);
  EXPECT_FALSE(metrics_.asked[0].rtl);
  EXPECT_EQ(metrics_.asked[1].word, U"\u0633\u0644\u0627\u0645");
  EXPECT_TRUE(metrics_.asked[1].rtl);
}

TEST_F(ShapedLayout, RightToLeftParagraphStandsAtTheRightDrawnShaped) {
  Para(U"\u05D0\u05D1\u05D2 \u05D3\u05D4");  // 5 clusters of 10 and a space of 4
  const auto drawn = Painted();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_TRUE(drawn[0].shaped);
  EXPECT_TRUE(drawn[0].rtl);
  EXPECT_EQ(drawn[0].x, 200 - 54);
  // An explicit left-to-right paragraph keeps its text at the left margin.
  doc_.FirstParagraph()->parFlags |= kParLeftToRight;
  doc_.FirstParagraph()->MarkDirty();
  EXPECT_EQ(Painted()[0].x, 1);
}

TEST_F(ShapedLayout, AlignmentOfRightToLeftParagraphs) {
  Para(U"\u05D0\u05D1\u05D2 \u05D3\u05D4");
  constexpr int kLeft = 1, kRight = 200 - 54;
  // Left and right name sides, as Word and LibreOffice show "\rtlpar\ql" and "\rtlpar\qr";
  // only a paragraph right to left by its first letter and never aligned starts at the right.
  struct Case {
    uint8_t flags, alignment;
    int x;
  } cases[] = {{0, kAlignLeft, kRight},
               {0, kAlignRight, kRight},
               {kParRightToLeft, kAlignLeft, kLeft},
               {kParRightToLeft, kAlignRight, kRight},
               {kParLeftToRight, kAlignRight, kRight}};
  for (const Case& c : cases) {
    Paragraph* p = doc_.FirstParagraph();
    p->parFlags = c.flags;
    p->alignment = c.alignment;
    p->MarkDirty();
    EXPECT_EQ(Painted()[0].x, c.x) << "case " << (&c - cases);
  }
}

TEST_F(ShapedLayout, MixedLinePaintsItsRunsInVisualOrder) {
  Para(U"ab \u05D0\u05D1\u05D2 cd");
  const auto drawn = Painted();
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].text, U"ab ");
  EXPECT_EQ(drawn[0].x, 1);
  EXPECT_EQ(drawn[1].text, U"\u05D0\u05D1\u05D2");
  EXPECT_TRUE(drawn[1].rtl);
  EXPECT_EQ(drawn[1].x, 1 + 20);
  EXPECT_EQ(drawn[2].text, U" cd");
  EXPECT_EQ(drawn[2].x, 1 + 20 + 30);
}

TEST_F(ShapedLayout, CaretAndHitTestFollowTheVisualOrder) {
  Paragraph* p = Para(U"ab \u05D0\u05D1 cd");
  std::vector<int> xs;
  layout_.LineXs(p, 0, xs);
  // Before the first Hebrew letter is the right edge of the Hebrew word, before the second
  // its middle, after the word its left edge: every place between two letters on the screen
  // has its own offset.
  EXPECT_EQ(xs, (std::vector<int>{1, 9, 17, 41, 31, 21, 45, 53, 61}));
  EXPECT_EQ(layout_.HitTest(40, 5).pos, 3);
  EXPECT_EQ(layout_.HitTest(32, 5).pos, 4);
  EXPECT_EQ(layout_.HitTest(50, 5).pos, 7);
  EXPECT_EQ(layout_.CaretRect(TextCursor{p, 0, 4}).left, 31);
}

TEST_F(ShapedLayout, ThaiWrapsOnlyBetweenWords) {
  const auto [thai, starts] = ThaiSentence();
  Paragraph* p = Para(thai);
  for (int width : {70, 90, 130}) {
    layout_.SetWindowWidth(width);
    layout_.ReformatAll();
    ASSERT_GT(p->LineCount(), 1) << width;
    for (int line = 1; line < p->LineCount(); ++line) {
      const int start = static_cast<int>(p->Line(line).start);
      EXPECT_NE(std::find(starts.begin(), starts.end(), start), starts.end()) << width << " line " << line;
    }
  }
}

TEST_F(ShapedLayout, HitTestNeverLandsInsideACluster) {
  Para(U"e\u0301\u0301x");  // boundaries at 0, 3 and 4; xs 1, 11, 11, 11, 21
  struct Case {
    int x, pos;
  } cases[] = {{0, 0}, {5, 0}, {7, 3}, {11, 3}, {15, 3}, {17, 4}, {60, 4}};
  for (const Case& c : cases) EXPECT_EQ(layout_.HitTest(c.x, 5).pos, c.pos) << c.x;
}

}  // namespace
}  // namespace inkwend
