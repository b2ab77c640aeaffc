// A paragraph that arrives as runs of equal records is measured, wrapped, marked, painted and
// hit-tested from its runs: it must give exactly what the same text with a record per character
// gives, and stay runs throughout.
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

struct Piece {
  std::u32string text;
  int pointSize;
  uint8_t styleBits;
  uint8_t charFlags;
};

// Small and large type (lines of two heights), bold, struck-out and hidden text, a tab, and a
// word the word walk flags.
const std::vector<Piece> kPieces = {
    {U"small words and ", 10, 0, 0},      {U"LARGE bold words ", 20, kStyleBold, 0},
    {U"secret ", 10, 0, kCharHidden},     {U"then\ta mispelt word struck ", 10, kStyleStrikeOut, 0},
    {U"and the end of it all", 12, 0, 0},
};

class Side {
 public:
  explicit Side(bool as_runs) {
    layout_.SetDevice(&metrics_, 96, 96);
    layout_.SetWordWrap(true);
    layout_.SetWindowWidth(150);
    layout_.onWord = [](TextLayout&, std::u32string_view word, std::array<int, 8>&, uint8_t& flags) {
      flags = word == U"mispelt" ? 2 : 0;
    };
    par_ = doc_.FirstParagraph();
    std::u32string text;
    std::vector<AttrRun> runs;
    for (const Piece& piece : kPieces) {
      CharAttr a = doc_.defaultAttr;
      a.pointSize = static_cast<uint8_t>(piece.pointSize);
      a.styleBits = piece.styleBits;
      a.charFlags = piece.charFlags;
      text += piece.text;
      runs.push_back({a, static_cast<uint32_t>(piece.text.size())});
      if (!as_runs) doc_.AppendText(par_, piece.text, a);
    }
    if (as_runs) doc_.AppendRuns(par_, text, runs);
    if (!as_runs) par_->Attrs();  // a record per character
    layout_.Reformat();
  }

  std::vector<std::string> Picture() {
    std::vector<std::string> out;
    for (int l = 0; l < par_->LineCount(); ++l) {
      const LineBox& box = layout_.Box(par_, l);
      std::vector<int> xs;
      layout_.LineXs(par_, l, xs);
      std::string line = "line " + std::to_string(par_->Line(l).length) + " h" + std::to_string(box.height) +
                         " a" + std::to_string(box.ascent) + " xs";
      for (int x : xs) line += " " + std::to_string(x);
      out.push_back(line);
    }
    RecordingCanvas canvas;
    layout_.Paint(canvas, {0, 0, 150, 400});
    for (const Op& op : canvas.ops) {
      std::string s = op.kind + " " + std::to_string(op.x) + "," + std::to_string(op.y) + " " +
                      std::to_string(op.from.x) + "," + std::to_string(op.from.y) + "-" +
                      std::to_string(op.to.x) + "," + std::to_string(op.to.y) + " n" +
                      std::to_string(op.text.size() + op.points.size());
      for (int a : op.advances) s += " " + std::to_string(a);
      out.push_back(s);
    }
    const TextCursor hit = layout_.HitTest(60, layout_.Box(par_, 1).top + 2);
    out.push_back("hit " + std::to_string(hit.line) + ":" + std::to_string(hit.pos));
    return out;
  }

  const Paragraph* Par() const { return par_; }
  TextLayout& Layout() { return layout_; }

 private:
  FixedMetrics metrics_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
  Paragraph* par_ = nullptr;
};

TEST(CompactLayout, RunsLayOutPaintAndHitTestAsRecordsDo) {
  Side runs(true), records(false);
  ASSERT_TRUE(runs.Par()->IsCompact());
  const std::vector<std::string> picture = records.Picture();
  ASSERT_GT(records.Par()->LineCount(), 3);
  EXPECT_EQ(runs.Picture(), picture);
  EXPECT_TRUE(runs.Par()->IsCompact());

  // The flagged word is drawn with its mark, on both sides.
  const int flagged =
      static_cast<int>(std::u32string_view(U"small words and LARGE bold words secret then\ta ").size());
  EXPECT_EQ(runs.Layout().WordFlagsAt(runs.Par(), flagged), kLayoutFlaggedWord);
  EXPECT_EQ(runs.Layout().WordFlagsAt(runs.Par(), flagged - 1), 0);
  EXPECT_NE(std::count_if(picture.begin(), picture.end(),
                          [](const std::string& s) { return s.rfind("polyline", 0) == 0; }),
            0);
}

// A width is kept in a byte; wider ones (a huge letter, a picture) are kept aside and must come
// back whole, also between narrow ones.
TEST(CompactLayout, WideCharactersKeepTheirWidths) {
  FixedMetrics metrics;
  WPRTFText doc;
  TextLayout layout(doc);
  layout.SetDevice(&metrics, 96, 96);
  layout.SetZooming(200);
  layout.SetWordWrap(true);
  layout.SetWindowWidth(2000);
  CharAttr huge = doc.defaultAttr;
  huge.pointSize = 255;  // 510 points at 200 %: 680 pixels, letters 341 wide
  const AttrRun runs[] = {{doc.defaultAttr, 1}, {huge, 2}, {doc.defaultAttr, 1}};
  doc.AppendRuns(doc.FirstParagraph(), U"aWWa", runs);
  layout.Reformat();
  const Paragraph* p = doc.FirstParagraph();
  EXPECT_EQ(layout.CharWidth(p, 0), 15);
  EXPECT_EQ(layout.CharWidth(p, 1), 341);
  EXPECT_EQ(layout.CharWidth(p, 2), 341);
  EXPECT_EQ(layout.CharWidth(p, 3), 15);
  EXPECT_EQ(layout.VisibleWidth(p, 0), 15 + 341 + 341 + 15);
}

}  // namespace
}  // namespace inkwend
