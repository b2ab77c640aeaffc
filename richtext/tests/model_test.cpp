#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "richtext/model/charset.h"
#include "richtext/model/document.h"
#include "richtext/model/dump.h"
#include "richtext/model/progress.h"
#include "richtext/model/stream.h"

namespace inkwend {
namespace {

std::u32string LineString(const Paragraph* p, int line) {
  auto t = p->LineText(line);
  return std::u32string(t.begin(), t.end());
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const WPError& e) {
    return e.what();
  }
  return "";
}

// A paragraph with the given line texts, every character with `a`.
Paragraph* MakeLines(WPRTFText& doc, Paragraph* p, const std::vector<std::u32string>& lines,
                     const CharAttr& a) {
  std::u32string all;
  std::vector<int> lengths;
  for (const auto& l : lines) {
    all += l;
    lengths.push_back(static_cast<int>(l.size()));
  }
  doc.AppendText(p, all, a);
  doc.SetLineLengths(p, lengths);
  return p;
}

TEST(Document, NewDocumentDefaults) {
  WPRTFText doc;
  const Paragraph* p = doc.FirstParagraph();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->next, nullptr);
  EXPECT_EQ(p->LineCount(), 1);
  EXPECT_EQ(p->Line(0).capacity, 40);
  EXPECT_TRUE(doc.IsEmpty());
  EXPECT_TRUE(doc.AttributeMode());
  EXPECT_EQ(doc.defaultAttr.fontIndex, 0);
  EXPECT_EQ(doc.defaultAttr.pointSize, 10);
  EXPECT_EQ(p->endAttr, doc.defaultAttr);

  const TextHeader& h = doc.header;
  EXPECT_EQ(h.fonts[0].name, U"Arial");
  EXPECT_EQ(h.pageWidth, 12240);
  EXPECT_EQ(h.pageHeight, 15840);
  EXPECT_EQ(h.marginLeft, 1880);
  EXPECT_EQ(h.marginRight, 1880);
  EXPECT_EQ(h.marginTop, 1440);
  EXPECT_EQ(h.marginBottom, 1440);
  EXPECT_EQ(h.pageExtra, 1);
  EXPECT_EQ(h.units, Units::Inch);
  EXPECT_EQ(h.colors[1], 0x0000FFu);   // red
  EXPECT_EQ(h.colors[3], 0xFF0000u);   // blue
  EXPECT_EQ(h.colors[15], 0x000000u);  // a second black
  EXPECT_EQ(h.textAreaWidth, (12240 - 3760) * 96 / 1440);
  EXPECT_EQ(doc.tabWidth, 16);
  EXPECT_EQ(doc.defaultLineHeight, 16);
  EXPECT_EQ(doc.defaultAscent, 14);
}

TEST(Document, TheHeaderExampleBuildsWhatItSays) {
  WPRTFText doc;
  CharAttr a = doc.defaultAttr;
  a.fontIndex = static_cast<uint8_t>(doc.header.FontIndexOf(U"Arial"));
  a.pointSize = 12;
  a.styleBits = kStyleBold;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"Hi", a);
  Paragraph* q = doc.NewParagraph(p);
  q->alignment = kAlignCenter;
  doc.AppendText(q, U"centred", a);
  q->tabMask |= doc.header.AddTab(1440, kTabRight);
  doc.ReplaceRange(q, 0, 0, 0, U"a ", 2, &a);
  EXPECT_EQ(DumpDocument(doc),
            "P0 al=0 fi=0 li=0 ri=0 sb=0 sa=0 sl=0 pf=00 bd=00.00 bw=0 bc=00 sh=00/0 tabs=0 cell=0/0\n"
            " L0 \"Hi\"\n"
            "  [0,2) f0 s12 c00 st01 cf00 lf00 mf00 t0\n"
            "P1 al=2 fi=0 li=0 ri=0 sb=0 sa=0 sl=0 pf=00 bd=00.00 bw=0 bc=00 sh=00/0 tabs=1 cell=0/0\n"
            " L0 \"a centred\"\n"
            "  [0,9) f0 s12 c00 st01 cf00 lf00 mf00 t0\n");
}

TEST(Document, HighlightAttributesHaveTheirIdsAndDefaults) {
  WPRTFText doc;
  EXPECT_EQ(doc.insertPointAttr.Id(), 4096);
  EXPECT_EQ(doc.automaticTextAttr.Id(), 8192);
  EXPECT_EQ(doc.hyperlinkTextAttr.Id(), 16);
  EXPECT_EQ(doc.protectedTextAttr.Id(), 0);
  EXPECT_TRUE(doc.insertPointAttr.UseTextColor());
  EXPECT_EQ(doc.insertPointAttr.TextColor(), 0x0000FFu);
  EXPECT_TRUE(doc.hyperlinkTextAttr.UseUnderlineColor());
  EXPECT_EQ(doc.hyperlinkTextAttr.UnderlineColor(), 0xFF0000u);
  EXPECT_EQ(doc.hyperlinkTextAttr.Underline(), ThreeState::True);
  EXPECT_EQ(doc.automaticTextAttr.Bold(), ThreeState::Ignore);
  EXPECT_FALSE(doc.protectedTextAttr.UseTextColor());

  // Flag-word ids match the attribute bits they stand for.
  CharAttr a;
  a.charFlags = kCharInsertPoint;
  EXPECT_EQ(a.FlagWord(), 4096);
  a.charFlags = kCharAutomatic;
  EXPECT_EQ(a.FlagWord(), 8192);
  a.charFlags = 0;
  a.styleBits = kStyleDoubleUnderline;
  EXPECT_EQ(a.FlagWord(), 16);
}

TEST(CharacterAttr, NotifiesChangesWithLayoutFlag) {
  CharacterAttr attr(7);
  std::vector<std::pair<int, bool>> calls;
  attr.onChange = [&](int id, bool layout) { calls.emplace_back(id, layout); };

  attr.SetBold(ThreeState::True);
  attr.SetBold(ThreeState::True);  // unchanged: silent
  attr.SetUnderline(ThreeState::False);
  attr.SetHidden(true);
  attr.SetStrikeOut(ThreeState::True);
  attr.SetSubScript(ThreeState::True);
  EXPECT_EQ(calls,
            (std::vector<std::pair<int, bool>>{{7, true}, {7, false}, {7, true}, {7, false}, {7, true}}));

  calls.clear();
  attr.SetTextColor(0x123456);
  EXPECT_TRUE(attr.UseTextColor());
  attr.SetBackgroundColor(0x10);
  EXPECT_TRUE(attr.UseBackgroundColor());
  EXPECT_EQ(calls.size(), 2u);

  // The underline colour switch notifies only while underline is on.
  calls.clear();
  attr.SetUseUnderlineColor(true);
  EXPECT_TRUE(calls.empty());
  attr.SetUnderline(ThreeState::True);
  attr.SetUseUnderlineColor(false);
  EXPECT_EQ(calls.size(), 2u);
}

TEST(Document, HighlightChangeReachesTheDocument) {
  WPRTFText doc;
  int changes = 0;
  doc.onHighlightChange = [&] { ++changes; };
  doc.FirstParagraph()->layoutDirty = 0;
  doc.automaticTextAttr.SetItalic(ThreeState::True);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(doc.FirstParagraph()->layoutDirty, kDirtyAll);
}

TEST(Document, ClearKeepsTheDefaultFontInSlotZero) {
  WPRTFText doc;
  const int courier = doc.header.FontIndexOf(U"Courier New");
  doc.header.FontIndexOf(U"Times New Roman");
  doc.header.AddTab(1440, kTabLeft);
  CharAttr a = doc.defaultAttr;
  a.fontIndex = static_cast<uint8_t>(courier);
  a.pointSize = 0;
  doc.SetDefaultAttr(a);
  doc.AppendText(doc.FirstParagraph(), U"text", a);
  doc.NewParagraph(doc.FirstParagraph());
  doc.header.title = U"t";

  doc.Clear();
  EXPECT_TRUE(doc.IsEmpty());
  EXPECT_EQ(doc.ParagraphCount(), 1);
  EXPECT_EQ(doc.header.fonts[0].name, U"Courier New");
  EXPECT_EQ(doc.header.FontCount(), 1);
  EXPECT_EQ(doc.defaultAttr.fontIndex, 0);
  EXPECT_EQ(doc.defaultAttr.pointSize, 10);
  EXPECT_EQ(doc.header.TabPositionByRank(0), kFreeTabPosition);
  EXPECT_TRUE(doc.header.title.empty());
  EXPECT_EQ(doc.FirstParagraph()->layoutDirty, kDirtyAll);  // for the layout to wrap

  doc.header.fonts[0].name.clear();
  doc.Clear();
  EXPECT_EQ(doc.header.fonts[0].name, U"Arial");
}

// --- replace range ---

struct ReplaceCase {
  const char* name;
  std::u32string before;
  int start, remove;
  std::u32string insert;
  std::u32string after;
  int delta;
};

TEST(ReplaceRange, AllCases) {
  const ReplaceCase cases[] = {
      {"insert into empty", U"", 0, 0, U"abc", U"abc", 3},
      {"insert in the middle", U"abef", 2, 0, U"cd", U"abcdef", 2},
      {"overwrite equal counts", U"abcdef", 1, 2, U"XY", U"aXYdef", 0},
      {"replace by more", U"abcdef", 1, 1, U"XYZ", U"aXYZcdef", 2},
      {"replace by fewer", U"abcdef", 1, 3, U"X", U"aXef", -2},
      {"delete in the middle", U"abcdef", 2, 2, U"", U"abef", -2},
      {"delete to the end", U"abcdef", 3, 3, U"", U"abc", -3},
      {"removal cut at the end", U"abcdef", 4, 100, U"", U"abcd", -2},
      {"nothing to do", U"abc", 1, 0, U"", U"abc", 0},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    WPRTFText doc;
    Paragraph* p = doc.FirstParagraph();
    doc.AppendText(p, c.before, doc.defaultAttr);
    p->layoutDirty = 0;
    const int delta = doc.ReplaceRange(p, 0, c.start, c.remove, c.insert.data(),
                                       static_cast<int>(c.insert.size()), nullptr);
    EXPECT_EQ(delta, c.delta);
    EXPECT_EQ(LineString(p, 0), c.after);
    EXPECT_EQ(p->Line(0).length, c.after.size());
    EXPECT_EQ(p->Attrs().size(), c.after.size());
    EXPECT_EQ(p->layoutDirty, c.delta == 0 && c.insert.empty() && c.remove == 0 ? 0 : kDirtyAll);
  }
}

TEST(ReplaceRange, NegativeInsertCountInsertsNothing) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"abc", doc.defaultAttr);
  EXPECT_EQ(doc.ReplaceRange(p, 0, 0, 1, U"xyz", -3, nullptr), -1);
  EXPECT_EQ(LineString(p, 0), U"bc");
}

TEST(ReplaceRange, AttributesFollowTheirCharacters) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  CharAttr bold = doc.defaultAttr, italic = doc.defaultAttr, red = doc.defaultAttr;
  bold.styleBits = kStyleBold;
  italic.styleBits = kStyleItalic;
  red.SetTextColor(1);
  doc.AppendText(p, U"ab", bold);
  doc.AppendText(p, U"cd", italic);

  // Without an attribute the inserted characters take the record at the start position.
  doc.ReplaceRange(p, 0, 2, 0, U"XY", 2, nullptr);
  std::vector<uint8_t> styles;
  for (const CharAttr& a : p->Attrs()) styles.push_back(a.styleBits);
  EXPECT_EQ(styles, (std::vector<uint8_t>{1, 1, 2, 2, 2, 2}));
  // With one, every overwritten or inserted position gets it; the tail keeps its own.
  doc.ReplaceRange(p, 0, 0, 1, U"123", 3, &red);
  EXPECT_EQ(LineString(p, 0), U"123bXYcd");
  EXPECT_EQ(p->Attrs()[2].TextColor(), 1);
  EXPECT_EQ(p->Attrs()[3].styleBits, kStyleBold);
  EXPECT_EQ(p->Attrs()[7].styleBits, kStyleItalic);

  // Removing the paragraph's last characters leaves their format for typing there.
  doc.ReplaceRange(p, 0, 6, 2, nullptr, 0, nullptr);
  EXPECT_EQ(p->endAttr.styleBits, kStyleItalic);
}

TEST(ReplaceRange, LaterLinesMoveWithTheEdit) {
  WPRTFText doc;
  Paragraph* p = MakeLines(doc, doc.FirstParagraph(), {U"one ", U"two ", U"three"}, doc.defaultAttr);
  doc.ReplaceRange(p, 1, 0, 0, U"and ", 4, nullptr);
  EXPECT_EQ(LineString(p, 0), U"one ");
  EXPECT_EQ(LineString(p, 1), U"and two ");
  EXPECT_EQ(LineString(p, 2), U"three");
  doc.ReplaceRange(p, 0, 0, 4, nullptr, 0, nullptr);
  EXPECT_EQ(LineString(p, 0), U"");
  EXPECT_EQ(LineString(p, 1), U"and two ");
  EXPECT_EQ(LineString(p, 2), U"three");
}

TEST(ReplaceRange, LineLongerThanTenThousandFailsUnchanged) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  const std::u32string long_text(9994, U'x');
  doc.ReplaceRange(p, 0, 0, 0, long_text.data(), 9994, nullptr);  // 9994 + 6 = 10000 still fits
  EXPECT_EQ(p->Line(0).length, 9994);
  EXPECT_EQ(p->Line(0).capacity, 10000);
  EXPECT_EQ(ErrorOf([&] { doc.ReplaceRange(p, 0, 5, 0, U"y", 1, nullptr); }),
            "Line longer then\t10000 character!");
  EXPECT_EQ(p->Line(0).length, 9994);
  EXPECT_EQ(LineString(p, 0), long_text);
  // Overwriting needs no room.
  EXPECT_EQ(doc.ReplaceRange(p, 0, 0, 1, U"y", 1, nullptr), 0);
}

TEST(ResizeLine, EvenCapacityLimitAndCut) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"abcdefghij", doc.defaultAttr);
  doc.ResizeLine(p, 0, 51);
  EXPECT_EQ(p->Line(0).capacity, 52);
  EXPECT_EQ(ErrorOf([&] { doc.ResizeLine(p, 0, 10001); }), "Line longer then\t10000 character!");
  EXPECT_EQ(p->Line(0).capacity, 52);
  doc.ResizeLine(p, 0, 10000);
  EXPECT_EQ(p->Line(0).capacity, 10000);
  doc.ResizeLine(p, 0, 5);  // rounds to 6, below the length: 5 characters remain
  EXPECT_EQ(p->Line(0).capacity, 6);
  EXPECT_EQ(LineString(p, 0), U"abcde");
  EXPECT_EQ(p->Attrs().size(), 5u);
}

// --- paragraphs and lines ---

TEST(NewParagraph, CopiesPropertiesWithTheTwoExceptions) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  p->firstIndent = 100;
  p->leftIndent = 200;
  p->rightIndent = 300;
  p->spaceBefore = 1;
  p->spaceAfter = 2;
  p->lineSpacing = 3;
  p->alignment = kAlignCenter;
  p->shadingColors = 0x21;
  p->shadingPercent = 50;
  p->parFlags = kParKeep | kParPageBreak;
  p->tabMask = 0x5;
  p->borderFlags[0] = kBorderOn | kBorderBox;
  p->borderWidth = 2;
  p->cellStart = 10;
  p->cellWidth = 20;
  doc.AppendText(p, U"text", doc.defaultAttr);

  Paragraph* q = doc.NewParagraph(p, 3);
  EXPECT_EQ(p->next, q);
  EXPECT_EQ(q->prev, p);
  EXPECT_EQ(doc.LastParagraph(), q);
  EXPECT_EQ(q->firstIndent, 100);
  EXPECT_EQ(q->rightIndent, 300);
  EXPECT_EQ(q->lineSpacing, 3);
  EXPECT_EQ(q->alignment, kAlignCenter);
  EXPECT_EQ(q->shadingPercent, 50);
  EXPECT_EQ(q->parFlags, kParKeep | kParPageBreak);
  EXPECT_EQ(q->tabMask, 0x5u);
  EXPECT_EQ(q->borderFlags[0], kBorderOn | kBorderBox);
  EXPECT_EQ(q->cellWidth, 20);
  EXPECT_EQ(q->CharCount(), 0);
  EXPECT_EQ(q->Line(0).capacity, 8);  // at least 8
  EXPECT_EQ(q->endAttr, doc.defaultAttr);
  EXPECT_EQ(q->layoutDirty, kDirtyAll);

  p->parFlags = kParTableCell;
  p->borderFlags[0] |= kBorderEndsBlock;
  Paragraph* r = doc.NewParagraph(p);
  EXPECT_EQ(r->tabMask, 0u);
  EXPECT_EQ(r->borderFlags[0], 0);
  EXPECT_EQ(r->borderWidth, 0);
  EXPECT_EQ(r->next, q);
  EXPECT_EQ(q->prev, r);

  Paragraph* front = doc.NewParagraph(nullptr);
  EXPECT_EQ(doc.FirstParagraph(), front);
  EXPECT_EQ(front->next, p);
  EXPECT_EQ(doc.ParagraphCount(), 4);
}

TEST(DeleteLine, RemovesLinesAndEmptiedParagraphs) {
  WPRTFText doc;
  Paragraph* a = MakeLines(doc, doc.FirstParagraph(), {U"a1 ", U"a2"}, doc.defaultAttr);
  Paragraph* b = doc.NewParagraph(a);
  doc.AppendText(b, U"b", doc.defaultAttr);
  Paragraph* c = doc.NewParagraph(b);
  doc.AppendText(c, U"c", doc.defaultAttr);

  EXPECT_EQ(doc.DeleteLine(a, 0), a);
  EXPECT_EQ(a->LineCount(), 1);
  EXPECT_EQ(LineString(a, 0), U"a2");
  EXPECT_EQ(a->Line(0).start, 0u);

  // The only line of a middle paragraph: the paragraph goes and its neighbours are joined.
  EXPECT_EQ(doc.DeleteLine(b, 0), c);
  EXPECT_EQ(a->next, c);
  EXPECT_EQ(c->prev, a);
  EXPECT_EQ(doc.DeleteLine(c, 0), nullptr);
  EXPECT_EQ(doc.LastParagraph(), a);
  // The only paragraph keeps one empty line.
  doc.DeleteLine(a, 0);
  EXPECT_EQ(doc.ParagraphCount(), 1);
  EXPECT_TRUE(doc.IsEmpty());
}

TEST(NewParagraph, GivesBackTheSlackOfTheParagraphBefore) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < 5000; ++i) doc.AppendText(p, U"x", doc.defaultAttr);  // as a reader appends
  doc.NewParagraph(p);
  const size_t chars = 5000 * (sizeof(char32_t) + sizeof(CharAttr));
  EXPECT_LE(p->AllocatedBytes(), chars + chars / 8 + 1024);
  EXPECT_EQ(p->CharCount(), 5000);
}

TEST(Lines, NewLineAndLineLengths) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"abcdef", doc.defaultAttr);
  EXPECT_EQ(doc.NewLine(p, 0, 3), 1);
  EXPECT_EQ(p->Line(1).capacity, 8);
  EXPECT_EQ(p->Line(1).start, 6u);
  doc.ReplaceRange(p, 1, 0, 0, U"gh", 2, nullptr);
  EXPECT_EQ(LineString(p, 1), U"gh");
  doc.SetLineLengths(p, std::vector<int>{3, 3, 2});
  EXPECT_EQ(LineString(p, 0), U"abc");
  EXPECT_EQ(LineString(p, 1), U"def");
  EXPECT_EQ(LineString(p, 2), U"gh");
  EXPECT_THROW(doc.SetLineLengths(p, std::vector<int>{3, 3}), std::invalid_argument);
}

TEST(Document, AppendTextStartsNewLinesBeforeTheLimit) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, std::u32string(25000, U'z'), doc.defaultAttr);
  EXPECT_EQ(p->CharCount(), 25000);
  EXPECT_EQ(p->LineCount(), 3);
  for (int i = 0; i < p->LineCount(); ++i) EXPECT_LE(p->Line(i).capacity, kMaxLineCapacity);
}

TEST(Document, AppendRunsSpreadsRecordsAndLinesWithoutSlack) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  CharAttr bold = doc.defaultAttr, italic = doc.defaultAttr;
  bold.styleBits = kStyleBold;
  italic.styleBits = kStyleItalic;
  // Runs that cross the line limit: the second line begins inside the bold run.
  const int first = kMaxLineCapacity - 8, second = 20;
  const std::u32string text(static_cast<size_t>(first + second + 1), U'x');
  const std::vector<AttrRun> runs = {
      {doc.defaultAttr, static_cast<uint32_t>(first)}, {bold, static_cast<uint32_t>(second)}, {italic, 1}};
  doc.AppendRuns(p, text, runs);
  ASSERT_EQ(p->CharCount(), first + second + 1);
  ASSERT_EQ(p->LineCount(), 2);
  EXPECT_EQ(p->Line(0).length, kMaxLineCapacity - 6);
  EXPECT_EQ(p->Line(1).start, static_cast<uint32_t>(kMaxLineCapacity - 6));
  EXPECT_EQ(p->Attrs()[static_cast<size_t>(first - 1)].styleBits, 0);
  EXPECT_EQ(p->Attrs()[static_cast<size_t>(first)].styleBits, kStyleBold);
  EXPECT_EQ(p->LineAttrs(1).front().styleBits, kStyleBold);
  EXPECT_EQ(p->LineAttrs(1).back().styleBits, kStyleItalic);
  // One append into an empty paragraph allocates exactly what it holds.
  const size_t exact = text.size() * (sizeof(char32_t) + sizeof(CharAttr)) + 2 * sizeof(TextLine);
  EXPECT_LE(p->AllocatedBytes(), exact);

  // Runs that do not cover the text are refused before anything changes.
  const std::vector<AttrRun> short_runs = {{bold, 2}};
  EXPECT_THROW(doc.AppendRuns(p, U"abc", short_runs), std::invalid_argument);
  EXPECT_EQ(p->CharCount(), first + second + 1);
  // Plain paragraphs take the text and ignore the runs.
  doc.SetAttributeMode(false);
  Paragraph* q = doc.NewParagraph(p);
  doc.AppendRuns(q, U"abc", short_runs);
  EXPECT_EQ(LineString(q, 0), U"abc");
}

TEST(Document, ReadRunsStayCompactUntilRecordsAreAskedFor) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  CharAttr bold = doc.defaultAttr, italic = doc.defaultAttr;
  bold.styleBits = kStyleBold;
  italic.styleBits = kStyleItalic;
  // The bold run crosses into the second line; the second append continues it.
  const size_t first = kMaxLineCapacity - 8;
  const std::vector<AttrRun> runs1 = {{doc.defaultAttr, static_cast<uint32_t>(first)}, {bold, 10}};
  const std::vector<AttrRun> runs2 = {{bold, 1}, {italic, 1}};
  doc.AppendRuns(p, std::u32string(first + 10, U'x'), runs1);
  doc.AppendRuns(p, U"yz", runs2);
  std::vector<CharAttr> expected(first, doc.defaultAttr);
  expected.insert(expected.end(), 11, bold);
  expected.push_back(italic);
  ASSERT_EQ(p->CharCount(), static_cast<int>(expected.size()));
  ASSERT_EQ(p->LineCount(), 2);
  ASSERT_TRUE(p->IsCompact());

  // Single records and stretches across runs and lines are read from the runs.
  const size_t line1 = p->Line(1).start;
  for (size_t from : {size_t{0}, first - 2, line1 - 1, line1, expected.size() - 3}) {
    std::vector<CharAttr> got(std::min<size_t>(5, expected.size() - from));
    p->CopyAttrs(from, got);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin() + static_cast<ptrdiff_t>(from))) << from;
  }
  EXPECT_EQ(doc.AttrAt(p, 1, 0), expected[line1]);
  EXPECT_EQ(doc.AttrAt(p, 1, p->Line(1).length - 1), italic);
  // One record at a time in any order (forwards, backwards, jumping), and where a run of like
  // records that starts at a character ends.
  for (size_t k :
       {size_t{0}, first + 3, size_t{1}, expected.size() - 1, first, first - 1, first + 10, first + 11})
    EXPECT_EQ(p->AttrAt(k), expected[k]) << k;
  EXPECT_EQ(p->SameRunEnd(0), first);
  EXPECT_EQ(p->SameRunEnd(first + 2), first + 11);  // bold, continued by the second append
  EXPECT_EQ(p->SameRunEnd(first + 11), expected.size());
  EXPECT_TRUE(p->IsCompact());
  doc.TrimParagraph(p);  // as a reader does when it is done
  EXPECT_LT(p->AllocatedBytes(),
            expected.size() * sizeof(char32_t) + 4 * sizeof(AttrRun) + 2 * sizeof(TextLine) + 1);

  // The first ask for the records themselves gives one per character.
  const auto records = p->Attrs();
  EXPECT_FALSE(p->IsCompact());
  EXPECT_TRUE(std::equal(records.begin(), records.end(), expected.begin(), expected.end()));
}

TEST(Document, EditingACompactParagraphMatchesEditingRecords) {
  CharAttr bold;
  bold.styleBits = kStyleBold;
  bold.pointSize = 10;
  auto build = [&](WPRTFText& doc, bool compact) {
    Paragraph* p = doc.FirstParagraph();
    if (compact) {
      const std::vector<AttrRun> runs = {{doc.defaultAttr, 4}, {bold, 4}};
      doc.AppendRuns(p, U"abcdefgh", runs);
    } else {
      doc.AppendText(p, U"abcd", doc.defaultAttr);
      doc.AppendText(p, U"efgh", bold);
    }
    return p;
  };
  using Edit = std::function<void(WPRTFText&, Paragraph*)>;
  const std::vector<std::pair<const char*, Edit>> edits = {
      {"insert taking the record before",
       [](WPRTFText& d, Paragraph* p) { d.ReplaceRange(p, 0, 5, 0, U"QR", 2, nullptr); }},
      {"replace across the runs",
       [](WPRTFText& d, Paragraph* p) { d.ReplaceRange(p, 0, 2, 4, U"Z", 1, nullptr); }},
      {"remove the end", [](WPRTFText& d, Paragraph* p) { d.ReplaceRange(p, 0, 6, 2, nullptr, 0, nullptr); }},
      {"append a record", [&](WPRTFText& d, Paragraph* p) { d.AppendText(p, U"!", bold); }},
      {"set one record", [&](WPRTFText& d, Paragraph* p) { d.SetCharAttr(p, 0, 1, bold); }},
  };
  for (const auto& [name, edit] : edits) {
    WPRTFText a, b;
    Paragraph* pa = build(a, true);
    Paragraph* pb = build(b, false);
    edit(a, pa);
    edit(b, pb);
    EXPECT_EQ(LineString(pa, 0), LineString(pb, 0)) << name;
    EXPECT_TRUE(std::ranges::equal(pa->Attrs(), pb->Attrs())) << name;
    EXPECT_EQ(pa->endAttr, pb->endAttr) << name;
  }
}

TEST(AttributeMode, SwitchingOffAndOn) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  CharAttr bold = doc.defaultAttr;
  bold.styleBits = kStyleBold;
  doc.AppendText(p, U"a\tb", bold);
  p->layoutDirty = 0;

  EXPECT_FALSE(doc.SetAttributeMode(false));
  EXPECT_FALSE(p->HasAttributes());
  EXPECT_TRUE(p->LineAttrs(0).empty());
  EXPECT_EQ(p->layoutDirty, kDirtyAll);  // laid out again, with the default height
  EXPECT_EQ(ErrorOf([&] { doc.AttribPtr(p, 0, 0); }), "Error AttribPtr()");
  // Plain paragraphs take text without records.
  doc.AppendText(p, U"c", bold);
  EXPECT_EQ(LineString(p, 0), U"a\tbc");

  p->layoutDirty = 0;
  EXPECT_TRUE(doc.SetAttributeMode(true));
  ASSERT_EQ(p->LineAttrs(0).size(), 4u);
  EXPECT_EQ(p->LineAttrs(0)[0].styleBits, 0);  // defaultAttr, not the old record
  EXPECT_EQ(p->layoutDirty, kDirtyAll);        // for the layout to measure and wrap
  EXPECT_EQ(doc.AttribPtr(p, 0, 1), &p->LineAttrs(0)[1]);
  EXPECT_EQ(doc.AttribPtr(p, 0, 4), &p->endAttr);
  EXPECT_EQ(ErrorOf([&] { doc.AttribPtr(p, 0, 5); }), "Error AttribPtr()");
}

TEST(Document, SetCharAttrAndReplaceParagraphText) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"ab", doc.defaultAttr);
  CharAttr a = doc.defaultAttr;
  a.styleBits = kStyleItalic;
  p->layoutDirty = 0;
  doc.SetCharAttr(p, 0, 1, a);
  EXPECT_EQ(p->Attrs()[1].styleBits, kStyleItalic);
  EXPECT_EQ(p->layoutDirty, kDirtyAll);  // for the layout to measure it

  Paragraph* q = MakeLines(doc, doc.NewParagraph(p), {U"x", U"y"}, doc.defaultAttr);
  doc.ReplaceParagraphText(7, std::u32string_view(U"new"), {});  // too large: the last one
  EXPECT_EQ(q->LineCount(), 1);
  EXPECT_EQ(LineString(q, 0), U"new");
  EXPECT_EQ(LineString(p, 0), U"ab");
}

TEST(Document, ReportSpecialRunSendsTheRunOfEqualFlags) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  CharAttr ip = doc.defaultAttr;
  ip.charFlags = kCharInsertPoint;
  ip.tagNumber = 5;
  doc.AppendText(p, U"see ", doc.defaultAttr);
  doc.AppendText(p, U"[name]", ip);
  doc.AppendText(p, U" here", doc.defaultAttr);
  std::u32string text;
  int tag = -1;
  doc.onSpecialRunClick = [&](const std::u32string& t, uint16_t n) {
    text = t;
    tag = n;
  };
  doc.ReportSpecialRun(p, 0, 6, nullptr);
  EXPECT_EQ(text, U"[name]");
  EXPECT_EQ(tag, 5);
}

// --- fonts ---

TEST(Fonts, LookupOrAdd) {
  TextHeader h;
  h.fonts[0].name = U"Arial";
  EXPECT_EQ(h.FontIndexOf(U"ARIAL"), 0);
  EXPECT_EQ(h.FontIndexOf(U"Courier New"), 1);
  EXPECT_EQ(h.FontIndexOf(U"courier new"), 1);
  EXPECT_EQ(h.FindFont(U"Symbol"), -1);
  // Names are cut to 31 characters, before adding and before comparing.
  const std::u32string long_name = U"A Font Name That Is Far Too Long For The Table";
  EXPECT_EQ(h.FontIndexOf(long_name), 2);
  EXPECT_EQ(h.fonts[2].name.size(), 31u);
  EXPECT_EQ(h.FontIndexOf(long_name.substr(0, 31) + U" other"), 2);

  for (int i = 3; i < 99; ++i)
    EXPECT_EQ(h.FontIndexOf(U"Font " + std::u32string(1, char32_t(U'A' + i % 26)) +
                            std::u32string(1, char32_t(U'a' + i / 26))),
              i);
  EXPECT_EQ(h.FontIndexOf(U"The hundredth"), kNoFont);
  EXPECT_EQ(h.FontCount(), 99);
  EXPECT_EQ(h.FontIndexOf(U"arial"), 0);
}

// --- tabs ---

TEST(Tabs, SnapToGridAndMatchExactly) {
  TextHeader h;
  const uint64_t m1 = h.AddTab(1000, kTabLeft);
  EXPECT_EQ(m1, 1u);
  EXPECT_EQ(h.tabs[0].position, 1008);
  EXPECT_EQ(h.tabs[0].pixelPosition, 67);  // 1008 * 96 / 1440 = 67.2
  EXPECT_EQ(h.AddTab(1440, kTabLeft), 2u);
  EXPECT_EQ(h.tabs[1].position, 1440);
  EXPECT_EQ(h.AddTab(1008, kTabLeft), 1u);     // exact match
  EXPECT_EQ(h.AddTab(1050, kTabLeft), 1u);     // snaps onto the same stop
  EXPECT_EQ(h.AddTab(1008, kTabRight), 4u);    // another kind is another stop
  EXPECT_EQ(h.AddTab(1008, kTabAnyKind), 1u);  // any kind matches the first
  EXPECT_EQ(h.tabScratchMask, 1u);

  EXPECT_EQ(h.FindTab(1440, kTabLeft, ~0ull), 1);
  EXPECT_EQ(h.FindTab(1440, kTabRight, ~0ull), -1);
  EXPECT_EQ(h.FindTab(1440, kTabAnyKind, 1u), -1);  // slot 1 is not in the mask

  h.defaultTabKind = kTabCenter;
  EXPECT_EQ(h.AddTab(2880, kTabAnyKind), 8u);
  EXPECT_EQ(h.tabs[3].kind, kTabCenter);

  // Centimetre grid: 141 twips, half plus one is 71.
  TextHeader cm;
  cm.units = Units::Centimetre;
  cm.AddTab(1000, kTabLeft);
  EXPECT_EQ(cm.tabs[0].position, 987);
  // A position that snaps to 0 cannot be stored (0 marks a free slot).
  EXPECT_EQ(cm.AddTab(50, kTabLeft), 0u);
}

TEST(Tabs, RankOrderAndFullTable) {
  TextHeader h;
  h.AddTab(2880, kTabLeft);
  h.AddTab(1440, kTabLeft);
  h.AddTab(4320, kTabLeft);
  EXPECT_EQ(h.TabPositionByRank(0), 1440);
  EXPECT_EQ(h.TabPositionByRank(1), 2880);
  EXPECT_EQ(h.TabPositionByRank(2), 4320);
  EXPECT_EQ(h.TabPositionByRank(3), 0xFFFFFF);
  EXPECT_EQ(h.TabPositionByRank(64), 0xFFFFFF);
  EXPECT_EQ(h.TabPositionByRank(-1), 0);

  for (int i = 3; i < 64; ++i) EXPECT_NE(h.AddTab(144 * (100 + i), kTabLeft), 0u);
  EXPECT_EQ(h.AddTab(144 * 500, kTabLeft), 0u);  // a 65th position without a callback is dropped

  int calls = 0;
  h.onTabTableFull = [&] {
    ++calls;
    h.ClearTab(1);
  };
  EXPECT_EQ(h.AddTab(144 * 501, kTabLeft), 2u);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(h.TabPositionByRank(0), 2880);
  h.onTabTableFull = [&] { ++calls; };
  EXPECT_EQ(h.AddTab(144 * 502, kTabLeft), 0u);
  EXPECT_EQ(calls, 2);
}

// --- objects and footnotes ---

TEST(Objects, TagsNumbersLookupAndCollection) {
  WPRTFText doc;
  DocObject* a = doc.AddObject(DocGraphic{}, -1);
  DocObject* b = doc.AddObject(DocGraphic{}, -1);
  DocObject* c = doc.AddObject(DocGraphic{}, 77);
  EXPECT_EQ(a->tag, 2000);
  EXPECT_TRUE(a->internal);
  EXPECT_EQ(b->tag, 2001);
  EXPECT_EQ(c->tag, 77);
  EXPECT_FALSE(c->internal);
  EXPECT_EQ(a->number, 1);
  EXPECT_EQ(c->number, 3);
  EXPECT_EQ(doc.FindObjectByTag(2001), b);
  EXPECT_EQ(doc.FindObjectByNumber(3), c);
  b->fileName = U"Pics/Cat.BMP";
  EXPECT_EQ(doc.FindObjectByFileName(U"pics/cat.bmp"), b);
  EXPECT_EQ(doc.FindObjectByFileName(U"dog.bmp"), nullptr);

  // Anchors: a by tag (code 1), c by number (code 2); b has none and is collected.
  CharAttr anchor = doc.defaultAttr;
  anchor.charFlags = kCharObject;
  anchor.tagNumber = 2000;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, std::u32string(1, kCharObjectByTag), anchor);
  anchor.tagNumber = 3;
  doc.AppendText(p, std::u32string(1, kCharObjectByNumber), anchor);
  anchor.charFlags = 0;  // a 1 without the object flag is no anchor
  anchor.tagNumber = 2001;
  doc.AppendText(p, std::u32string(1, kCharObjectByTag), anchor);
  doc.CollectObjects();
  ASSERT_EQ(doc.Objects().size(), 2u);
  EXPECT_EQ(doc.FindObjectByTag(2001), nullptr);
  EXPECT_NE(doc.FindObjectByNumber(3), nullptr);
}

TEST(Objects, SizeFromTheGraphicOrDefault) {
  WPRTFText doc;
  DocGraphic g;
  Bitmap bmp;
  bmp.width = 96;
  bmp.height = 48;
  bmp.bits.assign(static_cast<size_t>(bmp.Stride()) * 48, 0);
  g.image = bmp;
  DocObject* o = doc.AddObject(std::move(g), -1);
  doc.ComputeObjectSize(*o);
  EXPECT_EQ(o->width, 1440);
  EXPECT_EQ(o->height, 720);

  DocObject* empty = doc.AddObject(DocGraphic{}, 5);
  empty->height = 100;
  doc.ComputeObjectSize(*empty);
  EXPECT_EQ(empty->width, 32);
  EXPECT_EQ(empty->height, 100);
}

TEST(Objects, ProvideObjectEventSuppliesTheGraphic) {
  WPRTFText doc;
  int asked = -1;
  doc.provideObjectEvent = [&](int tag, DocObject& obj) {
    asked = tag;
    obj.graphic.image = Metafile{{1, 2, 3}, 10, 20};
  };
  DocObject* o = doc.ObjectForTag(42);
  EXPECT_EQ(asked, 42);
  EXPECT_EQ(o->tag, 42);
  ASSERT_NE(o->graphic.Metafile(), nullptr);
}

TEST(Footnotes, IdsCountUpFromOne) {
  WPRTFText doc;
  FootnoteRec* a = doc.AddFootnote(U'*', 0, U"first");
  FootnoteRec* b = doc.AddFootnote(U'1', 1, U"second");
  EXPECT_EQ(a->id, 1);
  EXPECT_EQ(b->id, 2);
  EXPECT_EQ(doc.FindFootnote(2), b);
  EXPECT_EQ(doc.FindFootnote(3), nullptr);
  doc.FreeFootnotes();
  EXPECT_EQ(doc.AddFootnote(U'#', 0, U"")->id, 1);
}

// --- progress ---

TEST(Progress, FramesReportPercentagesAndCloseWithZero) {
  std::vector<int> seen;
  progress_event = [&](int p) { seen.push_back(p); };
  {
    ProgressFrame frame(200);  // 0.5 % per unit, a report every 2 units
    frame.Advance(1);          // less than a step: nothing
    frame.Advance(2);
    frame.Advance(3);
    frame.Advance(100);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 50, 100, 0}));

  seen.clear();
  {
    ProgressFrame outer(4);
    outer.Advance(2);  // 50
    {
      ProgressFrame inner(0);  // no step: never reports until it closes
      inner.Advance(10);
      EXPECT_EQ(WPProgress::Depth(), 2);
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{50, 100, 100, 0}));

  progress_disabled = true;
  seen.clear();
  {
    ProgressFrame frame(10);
    frame.Advance(10);
  }
  EXPECT_TRUE(seen.empty());
  progress_disabled = false;
  progress_event = nullptr;
}

// --- header metrics ---

TEST(Header, TextAreaFollowsPageMarginsAndResolution) {
  TextHeader h;
  h.SetMargins(1440, 1440, 720, 720);
  EXPECT_EQ(h.textAreaWidth, 9360 * 96 / 1440);
  EXPECT_EQ(h.textAreaHeight, (15840 - 1440) * 96 / 1440);
  h.AddTab(1440, kTabLeft);
  h.SetResolution(120, 144);
  EXPECT_EQ(h.textAreaWidth, 780);
  EXPECT_EQ(h.textAreaHeight, 1440);
  EXPECT_EQ(h.tabs[0].pixelPosition, 120);
  h.SetPageSize(11906, 16838);
  EXPECT_EQ(h.textAreaWidth, TwipsToPixels(11906 - 2880, 120));
  EXPECT_EQ(h.RulerScale(), 40);
  h.units = Units::Centimetre;
  EXPECT_EQ(h.RulerScale(), 47);
  EXPECT_EQ(TwipsToPixels(15, 96), 1);   // 1.0 exactly
  EXPECT_EQ(TwipsToPixels(7, 96), 0);    // 0.47 rounds down
  EXPECT_EQ(TwipsToPixels(-8, 96), -1);  // -0.53 rounds away from zero
}

// --- streams ---

TEST(MemoryStream, WriteReadSeek) {
  MemoryStream s;
  EXPECT_EQ(s.Write("hello", 5), 5u);
  EXPECT_TRUE(s.Seek(1));
  EXPECT_EQ(s.Write("EY", 2), 2u);  // overwrites in the middle
  EXPECT_EQ(s.Bytes(), "hEYlo");
  EXPECT_FALSE(s.Seek(6));
  EXPECT_TRUE(s.Seek(3));
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, sizeof buf), 2u);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(s.Read(buf, sizeof buf), 0u);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_TRUE(s.Seek(5));
  EXPECT_EQ(s.Write("!", 1), 1u);
  EXPECT_EQ(s.TakeBytes(), "hEYlo!");
  EXPECT_EQ(s.Size(), 0);
}

// --- text helpers ---

TEST(Charset, Windows1252RoundTripsEveryByte) {
  for (int b = 0; b < 256; ++b) EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<uint8_t>(b))), b);
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'€');
  EXPECT_EQ(UnicodeToCp1252(U'é'), 0xE9);
  EXPECT_EQ(UnicodeToCp1252(U'€'), 0x80);
  EXPECT_EQ(UnicodeToCp1252(U'Ω'), -1);
  EXPECT_EQ(UnicodeToCp1252(0x85), -1);  // a C1 control that 1252 puts elsewhere
}

TEST(Charset, Utf8BothWaysAndDamage) {
  const std::u32string text = U"aé€😀";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(FromUtf8("a\xC3"), U"a\uFFFD");          // cut sequence
  EXPECT_EQ(FromUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(FromUtf8("\xFF"), U"\uFFFD");
}

TEST(Dump, ShowsParagraphsLinesAndRuns) {
  WPRTFText doc;
  CharAttr b = doc.defaultAttr;
  b.styleBits = kStyleBold;
  doc.AppendText(doc.FirstParagraph(), U"a\t", doc.defaultAttr);
  doc.AppendText(doc.FirstParagraph(), U"b", b);
  EXPECT_EQ(DumpDocument(doc),
            "P0 al=0 fi=0 li=0 ri=0 sb=0 sa=0 sl=0 pf=00 bd=00.00 bw=0 bc=00 sh=00/0 tabs=0 cell=0/0\n"
            " L0 \"a\\tb\"\n"
            "  [0,2) f0 s10 c00 st00 cf00 lf00 mf00 t0\n"
            "  [2,3) f0 s10 c00 st01 cf00 lf00 mf00 t0\n");
}

}  // namespace
}  // namespace inkwend
