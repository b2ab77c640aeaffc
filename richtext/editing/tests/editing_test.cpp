// Tests of the editing controller: typing rules, positions, protection, paragraphs, find, the
// word walk, undo and paste. Without a metrics device every character is 16 pixels wide.
#include <gtest/gtest.h>

#include <string>

#include "richtext/editing/text_input.h"
#include "richtext/rtf/writer.h"

namespace inkwend {
namespace {

std::string Utf8(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80)
      out.push_back(static_cast<char>(c));
    else
      out += "?";
  }
  return out;
}

// Paragraphs joined with '|'.
std::string Dump(const EditController& doc) {
  std::string out;
  for (TParagraph* p = doc.Document().FirstParagraph(); p; p = p->Next) {
    if (p != doc.Document().FirstParagraph()) out += '|';
    out += Utf8(std::u32string(p->Text().begin(), p->Text().end()));
  }
  return out;
}

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetWordWrap(true);
    doc.Layout().SetWindowWidth(800);
    doc.OnChange = [this] { ++changes; };
  }
  void Type(std::u32string_view s) { doc.InsertText(s); }

  EditController doc;
  int changes = 0;
};

TEST_F(Editor, TypingParagraphsAndAbsolutePositions) {
  Type(U"ab\ncd");
  EXPECT_EQ(Dump(doc), "ab|cd");
  EXPECT_EQ(doc.GetCaretPosition(), 5);
  EXPECT_EQ(doc.EndPosition(), 5);
  struct Case {
    int64_t set, expect;
  } cases[] = {{-3, 0}, {2, 2}, {3, 3}, {100, 5}};
  for (const Case& c : cases) {
    doc.SetCaretPosition(c.set);
    EXPECT_EQ(doc.GetCaretPosition(), c.expect) << c.set;
  }
  doc.SetCaretPosition(2);
  EXPECT_EQ(doc.CaretPos().Par, doc.Document().FirstParagraph());
  doc.SetCaretPosition(3);
  EXPECT_EQ(doc.CaretPos().Par, doc.Document().LastParagraph());
  EXPECT_FALSE(doc.Document().IsEmpty());
  EXPECT_EQ(changes, 1);  // InsertText reports once
}

TEST_F(Editor, BackspaceAndDeleteAtTheEdges) {
  Type(U"ab\ncd");
  doc.SetCaretPosition(0);
  EXPECT_FALSE(doc.InputChar(kKeyBackspace));
  EXPECT_EQ(Dump(doc), "ab|cd");

  doc.SetCaretPosition(3);  // start of "cd": joins with the previous paragraph
  EXPECT_TRUE(doc.InputChar(kKeyBackspace));
  EXPECT_EQ(Dump(doc), "abcd");
  EXPECT_EQ(doc.GetCaretPosition(), 2);

  doc.SetCaretPosition(1);
  doc.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc), "a|bcd");
  doc.SetCaretPosition(1);  // end of "a": Delete joins the next paragraph
  doc.InputChar(kKeyDelete);
  EXPECT_EQ(Dump(doc), "abcd");

  // At the very end Delete clears the last paragraph's borders, shading and flags.
  TParagraph* last = doc.Document().LastParagraph();
  last->BorderFlags[0] = kBorderOn | kBorderBox;
  last->BorderWidth = 2;
  last->ShadingPercent = 20;
  last->ShadingColors = 0x31;
  last->ParFlags = kParPageBreak;
  doc.SetCaretPosition(doc.EndPosition());
  EXPECT_TRUE(doc.InputChar(kKeyDelete));
  EXPECT_EQ(Dump(doc), "abcd");
  EXPECT_EQ(last->BorderFlags[0], 0);
  EXPECT_EQ(last->BorderWidth, 0);
  EXPECT_EQ(last->ShadingPercent, 0);
  EXPECT_EQ(last->ShadingColors, 0);
  EXPECT_EQ(last->ParFlags, 0);
}

TEST_F(Editor, EnterAtTheStartKeepsTheCaretWithTheText) {
  Type(U"text");
  doc.Document().FirstParagraph()->LeftIndent = 720;
  doc.SetCaretPosition(0);
  doc.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc), "|text");
  EXPECT_EQ(doc.GetCaretPosition(), 1);
  EXPECT_EQ(doc.Document().FirstParagraph()->LeftIndent, 720);

  // Split in the middle: the new paragraph has the same properties, no page break.
  doc.Document().LastParagraph()->ParFlags |= kParPageBreak;
  doc.SetCaretPosition(3);
  doc.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc), "|te|xt");
  EXPECT_EQ(doc.Document().LastParagraph()->LeftIndent, 720);
  EXPECT_EQ(doc.Document().LastParagraph()->ParFlags & kParPageBreak, 0);
  EXPECT_EQ(doc.GetCaretPosition(), 4);
}

TEST_F(Editor, PageBreakTogglesAtParagraphStartAndSplitsElsewhere) {
  Type(U"one\ntwo");
  doc.SetCaretPosition(4);
  doc.InputChar(kKeyPageBreak);
  EXPECT_TRUE(doc.Document().LastParagraph()->ParFlags & kParPageBreak);
  doc.InputChar(kKeyPageBreak);
  EXPECT_FALSE(doc.Document().LastParagraph()->ParFlags & kParPageBreak);
  EXPECT_EQ(Dump(doc), "one|two");

  doc.SetCaretPosition(1);
  doc.InputChar(kKeyPageBreak);
  EXPECT_EQ(Dump(doc), "o|ne|two");
  EXPECT_TRUE(doc.Document().ParagraphAt(1)->ParFlags & kParPageBreak);
  EXPECT_EQ(doc.GetCaretPosition(), 2);
}

TEST_F(Editor, TypingDoesNotInheritSpecialFlags) {
  struct Case {
    const char* name;
    uint8_t flags;
  } cases[] = {{"hidden", kCharHidden},
               {"insert point", kCharInsertPoint},
               {"automatic", kCharAutomatic},
               {"footnote", kCharFootnote}};
  for (const Case& c : cases) {
    doc.Clear();
    TCharAttr special = doc.Document().DefaultAttr;
    special.CharFlags = c.flags;
    special.TagNumber = 7;
    special.StyleBits = kStyleBold;
    doc.Document().AppendText(doc.Document().FirstParagraph(), U"ab", special);
    doc.SetCaretPosition(2);
    Type(U"x");
    const TCharAttr typed = doc.Document().FirstParagraph()->Attrs()[2];
    EXPECT_EQ(typed.CharFlags, 0) << c.name;
    EXPECT_EQ(typed.TagNumber, 0) << c.name;
    EXPECT_EQ(typed.StyleBits, kStyleBold) << c.name;  // the ordinary formatting follows
    EXPECT_EQ(Dump(doc), "abx") << c.name;
  }
}

TEST_F(Editor, CurrentAttributeFollowsTheCaret) {
  TCharAttr bold = doc.Document().DefaultAttr;
  bold.StyleBits = kStyleBold;
  TCharAttr italic = doc.Document().DefaultAttr;
  italic.StyleBits = kStyleItalic;
  doc.Document().AppendText(doc.Document().FirstParagraph(), U"bb", bold);
  doc.Document().AppendText(doc.Document().FirstParagraph(), U"ii", italic);
  TParagraph* second = doc.Document().NewParagraph(doc.Document().FirstParagraph());
  doc.Document().AppendText(second, U"zz", doc.Document().DefaultAttr);
  doc.Reformat();

  doc.SetCaretPosition(1);
  EXPECT_EQ(doc.GetCurrentAttr().StyleBits, kStyleBold);
  doc.SetCaretPosition(3);
  EXPECT_EQ(doc.GetCurrentAttr().StyleBits, kStyleItalic);
  doc.SetCaretPosition(0);  // start of the document: its first character
  EXPECT_EQ(doc.GetCurrentAttr().StyleBits, kStyleBold);
  doc.SetCaretPosition(5);  // start of a paragraph: the last character of the previous one
  EXPECT_EQ(doc.GetCurrentAttr().StyleBits, kStyleItalic);

  // With ppDontUseAttrOfProtected the attribute of protected text is not taken.
  doc.ProtectedProp = ppProtected | ppDontUseAttrOfProtected;
  doc.Document().FirstParagraph()->Attrs()[3].CharFlags = kCharProtected;
  doc.SetCaretPosition(1);
  doc.SetCaretPosition(4);
  EXPECT_EQ(doc.GetCurrentAttr().StyleBits, kStyleBold);
}

TEST_F(Editor, HiddenCurrentAttributeRefusesTypingButNotProgrammaticText) {
  TCharAttr hidden = doc.Document().DefaultAttr;
  hidden.CharFlags = kCharHidden;
  doc.SetCurrentAttr(hidden);
  EXPECT_FALSE(doc.InputChar(U'a'));
  EXPECT_TRUE(doc.Document().IsEmpty());
  EXPECT_TRUE(doc.InputChar(U'a', /*programmatic=*/true));
  EXPECT_EQ(doc.Document().FirstParagraph()->Attrs()[0].CharFlags, kCharHidden);
}

TEST_F(Editor, OverwriteMode) {
  Type(U"abc");
  doc.SetCaretPosition(1);
  doc.Inserting = false;
  Type(U"XYZW");
  EXPECT_EQ(Dump(doc), "aXYZW");
}

TEST_F(Editor, ProtectedTextRefusesEdits) {
  TCharAttr prot = doc.Document().DefaultAttr;
  prot.CharFlags = kCharProtected;
  doc.Document().AppendText(doc.Document().FirstParagraph(), U"a", doc.Document().DefaultAttr);
  doc.Document().AppendText(doc.Document().FirstParagraph(), U"PPP", prot);
  doc.Document().AppendText(doc.Document().FirstParagraph(), U"b", doc.Document().DefaultAttr);
  doc.Reformat();
  doc.ProtectedProp = ppProtected;

  doc.SetCaretPosition(2);  // inside the protected run
  EXPECT_FALSE(doc.InputChar(U'x'));
  EXPECT_FALSE(doc.InputChar(kKeyBackspace));
  EXPECT_FALSE(doc.InputChar(kKeyDelete));
  doc.SetCaretPosition(4);  // after it: backspace would delete protected text
  EXPECT_FALSE(doc.InputChar(kKeyBackspace));
  EXPECT_TRUE(doc.InputChar(U'x'));  // at its edge typing is allowed
  EXPECT_EQ(Dump(doc), "aPPPxb");

  doc.ProtectedProp = ppProtected | ppProtectSelectedTextToo;
  doc.SelectRange(0, 3);
  doc.DeleteSelection();
  EXPECT_EQ(Dump(doc), "aPPPxb");
}

TEST_F(Editor, ReadOnlyRefusesEveryModification) {
  Type(U"keep\nme");
  doc.ReadOnly = true;
  doc.Modified = false;
  changes = 0;
  TParagraphDescription d;
  d.Text = U"new";
  const std::function<void()> ops[] = {
      [&] { doc.InputChar(U'x'); },
      [&] { doc.InsertText(U"x"); },
      [&] {
        doc.SelectAll();
        doc.DeleteSelection();
      },
      [&] {
        doc.SelectAll();
        doc.ReplaceSelection(U"x");
      },
      [&] { doc.AppendParagraph(d); },
      [&] { doc.SetParIndents(100, 100, 100); },
      [&] { doc.SetParSpacing(100, 100, 100); },
      [&] { doc.SetParShading(50, 0x12); },
      [&] { doc.SetPageLayout(1, 1, 1000, 1000, 1, 1); },
      [&] { doc.PasteBytes("pasted", TWPLoadFormat::FormatANSI); },
      [&] {
        TCharAttr a = doc.Document().DefaultAttr;
        a.StyleBits = kStyleBold;
        doc.SelectAll();
        doc.SetCurrentAttr(a);
      },
      [&] { doc.Undo(); },
  };
  for (const auto& op : ops) op();
  EXPECT_EQ(Dump(doc), "keep|me");
  EXPECT_EQ(doc.Document().FirstParagraph()->LeftIndent, 0);
  EXPECT_EQ(doc.Document().Header.PageWidth, 12240);
  EXPECT_EQ(doc.Document().FirstParagraph()->Attrs()[0].StyleBits, 0);
  EXPECT_FALSE(doc.Modified);
  EXPECT_EQ(changes, 0);
}

TEST_F(Editor, SelectionDeleteAndText) {
  Type(U"first\nsecond\nthird");
  doc.SelectRange(3, 14);  // "st|second|th"
  EXPECT_EQ(doc.SelectedText(), U"st\nsecond\nt");
  doc.DeleteSelection();
  EXPECT_EQ(Dump(doc), "firhird");
  EXPECT_EQ(doc.GetCaretPosition(), 3);
  EXPECT_FALSE(doc.HasSelection());

  // Typing replaces a selection made backwards.
  doc.SelectRange(5, 1);
  Type(U"X");
  EXPECT_EQ(Dump(doc), "fXrd");
}

TEST_F(Editor, SelectedTextGivesSymbolFontCharactersAsUnicode) {
  // Word's list bullet is byte B7 of the Symbol font, and LibreOffice writes it as U+F0B7 in the
  // ordinary font of the list text; the same byte in a picture font, and a Symbol byte with no
  // Unicode character, stay as they are.
  TCharAttr symbol = doc.Document().DefaultAttr, dingbats = doc.Document().DefaultAttr,
            other_symbol_set = doc.Document().DefaultAttr;
  symbol.FontIndex = static_cast<uint8_t>(doc.Document().Header.FontIndexOf(U"SYMBOL"));
  dingbats.FontIndex = static_cast<uint8_t>(doc.Document().Header.FontIndexOf(U"Wingdings 2"));
  other_symbol_set.FontIndex = static_cast<uint8_t>(doc.Document().Header.FontIndexOf(U"Pictures"));
  doc.Document().Header.Fonts[other_symbol_set.FontIndex].CharSet = kSymbolCharSet;
  TParagraph* p = doc.Document().FirstParagraph();
  doc.Document().AppendText(p, U"\uF0B7", symbol);
  doc.Document().AppendText(p, U"\titem \uF0B7 ", doc.Document().DefaultAttr);
  doc.Document().AppendText(p, U"\uF0B7\uF0E6", dingbats);
  doc.Document().AppendText(p, U"\uF0B7", other_symbol_set);
  doc.Document().AppendText(p, U"\uF061\uF0E6", symbol);
  doc.SelectAll();
  EXPECT_EQ(doc.SelectedText(), U"\u2022\titem \u2022 \uF0B7\uF0E6\uF0B7\u03B1\uF0E6");
}

TEST_F(Editor, CaretPlacesInAJustifiedLineFollowItsWidenedSpaces) {
  // Characters are 16 pixels wide: "aa bb cc " fills the first line, whose two inner spaces
  // share the slack; the space that ends the line keeps its width.
  doc.Layout().SetWindowWidth(260);
  Type(U"aa bb cc dddddddddddddddddddd");
  doc.SetParAlignment(kAlignJustify);
  doc.Layout().ReformatAll();
  const TParagraph* p = doc.Document().FirstParagraph();
  ASSERT_GE(p->LineCount(), 2);
  const TTextLine& l = p->Line(0);
  const LineBox& box = doc.Layout().Box(p, 0);
  ASSERT_TRUE(box.flags & kLineJustified);
  ASSERT_EQ(l.Length, 9);
  const int widened = box.values[kLvSpaceWidth];
  const int remainder = box.values[kLvRemainder];
  ASSERT_GT(widened, 16);
  std::vector<int> xs;
  doc.Layout().LineXs(p, 0, xs);
  ASSERT_EQ(xs.size(), 10u);
  std::vector<int> advances;
  for (size_t i = 1; i < xs.size(); ++i) advances.push_back(xs[i] - xs[i - 1]);
  EXPECT_EQ(advances, (std::vector<int>{16, 16, widened + (remainder > 0 ? 1 : 0), 16, 16,
                                        widened + (remainder > 1 ? 1 : 0), 16, 16, 16}));
}

TEST_F(Editor, LongTextBeyondOneLineCapacity) {
  std::u32string big(25000, U'w');
  Type(big.substr(0, 10));
  doc.SetCaretPosition(5);
  doc.InsertText(big);
  EXPECT_EQ(doc.Document().FirstParagraph()->CharCount(), 25010);
  EXPECT_EQ(doc.GetCaretPosition(), 25005);
  doc.SelectRange(3, 25008);
  doc.DeleteSelection();
  EXPECT_EQ(doc.Document().FirstParagraph()->CharCount(), 5);
}

TEST_F(Editor, FindOptions) {
  Type(U"The cat scattered CATS; cat.");
  struct Case {
    const char* text;
    bool match_case, whole_word, backwards;
    int64_t hit;  // selection begin, -1 none
  } cases[] = {
      {"cat", false, false, false, 4},  {"CAT", true, false, false, 18},  {"cat", false, true, false, 4},
      {"cat", false, true, true, 24},   {"c*t", false, false, false, 4},  {"s*at", false, false, false, 8},
      {"cats", false, true, false, 18}, {"dog", false, false, false, -1}, {"cat.", false, false, true, 24},
  };
  for (const Case& c : cases) {
    doc.FindOptions = TFindOptions{c.match_case, c.whole_word, true};
    std::u32string text(c.text, c.text + std::strlen(c.text));
    const bool found = doc.FindText(text, c.backwards);
    EXPECT_EQ(found, c.hit >= 0) << c.text;
    if (!found) continue;
    EXPECT_EQ(doc.PositionOf(doc.SelectionBegin()), c.hit) << c.text;
    EXPECT_EQ(doc.GetCaretPosition(), c.backwards ? c.hit : c.hit + static_cast<int64_t>(text.size()))
        << c.text;
  }
}

TEST_F(Editor, FindNextAndReplace) {
  Type(U"a cat, a cat\nand a cat");
  doc.FindOptions = TFindOptions{false, true, true};
  doc.SetCaretPosition(0);
  ASSERT_TRUE(doc.FindNext(U"cat"));
  EXPECT_TRUE(doc.ReplaceNext(U"cat", U"dog"));
  EXPECT_EQ(Dump(doc), "a dog, a cat|and a cat");
  EXPECT_EQ(doc.PositionOf(doc.SelectionBegin()), 9);
  EXPECT_EQ(doc.ReplaceAll(U"cat", U"cats and cat"), 2);
  EXPECT_EQ(Dump(doc), "a dog, a cats and cat|and a cats and cat");
}

TEST(WordChars, WindowsLettersAndSeparators) {
  for (char32_t c : {U'a', U'Z', U'\u00E9', U'\u00C0', U'\u0160', U'\u0153', U'\u0178', U'\u0416'}) {
    EXPECT_TRUE(IsWordChar(c)) << static_cast<int>(c);
  }
  for (char32_t c : {U' ', U'1', U'\'', U'-', U'\u2019', U'\u017D', U'\t', char32_t{2}}) {
    EXPECT_FALSE(IsWordChar(c)) << static_cast<int>(c);
  }
  EXPECT_EQ(LowerChar(U'\u00C9'), U'\u00E9');
  EXPECT_EQ(LowerChar(U'\u0160'), U'\u0161');
  EXPECT_EQ(LowerChar(U'\u0178'), U'\u00FF');
  EXPECT_EQ(LowerChar(U'\u00D7'), U'\u00D7');
}

TEST_F(Editor, WordWalkSelectsAndReplaces) {
  Type(U"Hello, wrld!\n2nd caf\u00E9");
  doc.WordWalkRestart();
  EXPECT_EQ(doc.NextWord(), U"Hello");
  EXPECT_EQ(doc.NextWord(), U"wrld");
  EXPECT_EQ(doc.SelectedText(), U"wrld");
  doc.ReplaceCurrentWord(U"world");
  EXPECT_EQ(doc.NextWord(), U"nd");
  EXPECT_EQ(doc.NextWord(), U"caf\u00E9");
  EXPECT_EQ(doc.NextWord(), U"");
  EXPECT_EQ(doc.NextWord(), U"");
  EXPECT_EQ(Dump(doc), "Hello, world!|2nd caf?");

  doc.SetCaretPosition(7);
  doc.WordWalkRestart(/*from_caret=*/true);
  EXPECT_EQ(doc.NextWord(), U"world");
}

TEST_F(Editor, UndoGroupsTypingAndRedoes) {
  Type(U"hello");
  Type(U" world");
  doc.InputChar(kKeyEnter);
  Type(U"x");
  EXPECT_EQ(Dump(doc), "hello world|x");
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Dump(doc), "hello world|");
  ASSERT_TRUE(doc.Undo());  // Enter is a step of its own
  EXPECT_EQ(Dump(doc), "hello world");
  EXPECT_EQ(doc.GetCaretPosition(), 11);
  ASSERT_TRUE(doc.Undo());  // both InsertText calls were one typing run
  EXPECT_TRUE(doc.Document().IsEmpty());
  EXPECT_FALSE(doc.Undo());
  doc.Redo();
  doc.Redo();

  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(Dump(doc), "hello world|x");
  EXPECT_FALSE(doc.CanRedo());

  // Moving the caret ends the group; deletion and formatting are steps of their own.
  doc.SetCaretPosition(5);
  Type(U"!");
  doc.SelectRange(0, 5);
  TCharAttr bold = doc.Document().DefaultAttr;
  bold.StyleBits = kStyleBold;
  doc.SetCurrentAttr(bold);
  doc.SelectRange(6, 7);
  doc.DeleteSelection();
  EXPECT_EQ(Dump(doc), "hello!world|x");
  doc.Undo();
  EXPECT_EQ(Dump(doc), "hello! world|x");
  doc.Undo();
  EXPECT_EQ(doc.Document().FirstParagraph()->Attrs()[0].StyleBits, 0);
  doc.Undo();
  EXPECT_EQ(Dump(doc), "hello world|x");
  doc.Redo();
  EXPECT_EQ(Dump(doc), "hello! world|x");
  Type(U"?");  // a new edit drops what could be redone
  EXPECT_FALSE(doc.CanRedo());
}

TEST_F(Editor, KeysTypedOneByOneInALaterParagraphUndoAsOneStep) {
  Type(U"first\nsecond");
  doc.SetCaretPosition(9);  // "sec|ond"
  for (char32_t c : std::u32string(U"XYZ")) doc.InputChar(c);
  doc.InputChar(kKeyBackspace);
  EXPECT_EQ(Dump(doc), "first|secXYond");
  doc.Undo();
  EXPECT_EQ(Dump(doc), "first|second");
  EXPECT_EQ(doc.GetCaretPosition(), 9);
  doc.Redo();
  EXPECT_EQ(Dump(doc), "first|secXYond");
  EXPECT_EQ(doc.GetCaretPosition(), 11);
}

TEST_F(Editor, UndoHistoryStaysWithinItsMemoryBudget) {
  doc.UndoMemoryLimit = 100000;
  Type(std::u32string(3000, U'a'));  // one typing step holding an empty paragraph
  doc.InputChar(kKeyEnter);          // a step holding the 3000-character paragraph (about 60 KB)
  Type(U"b");
  doc.SelectRange(0, 1);
  doc.DeleteSelection();  // another copy of the big paragraph: the oldest steps go
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.Document().FirstParagraph()->CharCount(), 3000);
  int steps = 1;
  while (doc.Undo()) ++steps;
  EXPECT_LT(steps, 4);
  EXPECT_FALSE(doc.Document().IsEmpty());  // the first typing could no longer be undone
}

TEST_F(Editor, UndoParagraphChanges) {
  Type(U"one\ntwo");
  doc.SelectAll();
  doc.SetParIndents(360, 720, -1000);
  doc.SetParSpacing(-1000, 240, -1000);
  EXPECT_EQ(doc.Document().LastParagraph()->FirstIndent, 360);
  EXPECT_EQ(doc.Document().LastParagraph()->LineSpacing, 240);
  doc.Undo();
  EXPECT_EQ(doc.Document().LastParagraph()->LineSpacing, 0);
  doc.Undo();
  EXPECT_EQ(doc.Document().FirstParagraph()->LeftIndent, 0);
  EXPECT_EQ(Dump(doc), "one|two");
}

TEST_F(Editor, AppendParagraph) {
  TParagraphDescription d;
  d.Alignment = kAlignCenter;
  d.LeftIndent = 500;
  d.CharAttr = doc.Document().DefaultAttr;
  d.CharAttr.StyleBits = kStyleItalic;
  d.Text = U"first";
  d.PageBreak = true;
  doc.AppendParagraph(d);  // the empty document's paragraph is reused; no page break on it
  EXPECT_EQ(Dump(doc), "first");
  EXPECT_EQ(doc.Document().FirstParagraph()->Alignment, kAlignCenter);
  EXPECT_EQ(doc.Document().FirstParagraph()->ParFlags, 0);
  EXPECT_EQ(doc.Document().FirstParagraph()->Attrs()[0].StyleBits, kStyleItalic);

  const std::u32string ptr_text = U"pointer wins";
  d.TextPtr = ptr_text.c_str();
  doc.AppendParagraph(d);
  EXPECT_EQ(Dump(doc), "first|pointer wins");
  EXPECT_TRUE(doc.Document().LastParagraph()->ParFlags & kParPageBreak);
  EXPECT_EQ(doc.GetCaretPosition(), doc.EndPosition());

  d.TextPtr = nullptr;
  d.Text = std::u32string(20000, U'y');
  doc.AppendParagraph(d);
  EXPECT_LT(doc.Document().LastParagraph()->CharCount(), 10000);
}

TEST_F(Editor, PageLayoutKeepsValuesAndRecomputesTheTextArea) {
  const TTextHeader before = doc.Document().Header;
  doc.Document().Header.TextAreaWidth = 1;  // stale
  doc.SetPageLayout(-1000, -1000, -1000, -1000, -1000, -1000);
  EXPECT_EQ(doc.Document().Header.PageWidth, before.PageWidth);
  EXPECT_EQ(doc.Document().Header.PageHeight, before.PageHeight);
  EXPECT_EQ(doc.Document().Header.MarginLeft, before.MarginLeft);
  EXPECT_EQ(doc.Document().Header.MarginRight, before.MarginRight);
  EXPECT_EQ(doc.Document().Header.MarginTop, before.MarginTop);
  EXPECT_EQ(doc.Document().Header.MarginBottom, before.MarginBottom);
  EXPECT_EQ(doc.Document().Header.TextAreaWidth, before.TextAreaWidth);

  doc.SetPageLayout(1440, -1000, -1000, 14400, -1000, 720);
  EXPECT_EQ(doc.Document().Header.MarginLeft, 1440);
  EXPECT_EQ(doc.Document().Header.MarginRight, before.MarginRight);
  EXPECT_EQ(doc.Document().Header.MarginTop, 720);
  EXPECT_EQ(doc.Document().Header.TextAreaWidth, TwipsToPixels(14400 - 1440 - before.MarginRight, 96));
}

TEST_F(Editor, ParIndentsIgnoreHugeValues) {
  Type(U"x");
  doc.SetParIndents(100, 200, 300);
  doc.SetParIndents(65000, -1000, 70000);
  EXPECT_EQ(doc.Document().FirstParagraph()->FirstIndent, 100);
  EXPECT_EQ(doc.Document().FirstParagraph()->LeftIndent, 200);
  EXPECT_EQ(doc.Document().FirstParagraph()->RightIndent, 300);
}

TEST_F(Editor, FastAppendText) {
  EXPECT_THROW(
      {
        try {
          doc.FastAppendText(doc);
        } catch (const TWPError& e) {
          EXPECT_STREQ(e.what(), "Cannot perform FastAppendText(self)");
          throw;
        }
      },
      TWPError);

  EditController other;
  TCharAttr a = other.Document().DefaultAttr;
  a.FontIndex = static_cast<uint8_t>(other.Document().Header.FontIndexOf(U"Courier New"));
  other.Document().AppendText(other.Document().FirstParagraph(), U"from", a);
  other.Document().AppendText(other.Document().NewParagraph(other.Document().FirstParagraph()), U"other", a);
  Type(U"mine");
  doc.FastAppendText(other);
  EXPECT_EQ(Dump(doc), "mine|from|other");
  const TCharAttr got = doc.Document().LastParagraph()->Attrs()[0];
  EXPECT_EQ(doc.Document().Header.Fonts[got.FontIndex].Name, U"Courier New");
  EXPECT_EQ(Dump(other), "from|other");
}

TEST_F(Editor, InsertGraphic) {
  EXPECT_THROW(doc.InsertGraphic(TDocGraphic{}), TWPError);
  try {
    doc.InsertGraphic(TDocGraphic{});
  } catch (const TWPError& e) {
    EXPECT_STREQ(e.what(), "No object was defined");
  }
  Type(U"ab");
  doc.SetCaretPosition(1);
  TDocGraphic g;
  TBitmap bmp;
  bmp.Width = 2;
  bmp.Height = 2;
  bmp.Bits.assign(static_cast<size_t>(bmp.Stride() * 2), 0xFF);
  g.Image = bmp;
  const int tag = doc.InsertGraphic(std::move(g));
  EXPECT_GE(tag, 2000);
  const TParagraph* p = doc.Document().FirstParagraph();
  ASSERT_EQ(p->CharCount(), 3);
  EXPECT_EQ(p->Text()[1], kCharObjectByNumber);
  EXPECT_TRUE(p->Attrs()[1].CharFlags & kCharObject);
  EXPECT_NE(doc.Document().FindObjectByNumber(p->Attrs()[1].TagNumber), nullptr);
  EXPECT_EQ(doc.GetCaretPosition(), 2);
  // Typing after the object does not make objects.
  Type(U"c");
  EXPECT_EQ(p->Attrs()[2].CharFlags, 0);
}

TEST_F(Editor, PastePlainTextAndRtf) {
  Type(U"ab");
  doc.SetCaretPosition(1);
  // No terminating 0: taken whole.
  EXPECT_TRUE(doc.PasteBytes("12", TWPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc), "a12b");
  EXPECT_EQ(doc.GetCaretPosition(), 3);
  // Up to the first 0 byte only.
  EXPECT_TRUE(doc.PasteBytes(std::string("x\0yz", 4), TWPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc), "a12xb");
  EXPECT_EQ(doc.Document().LastFormat,
            TWPLoadFormat::AutomaticFormat);  // pasting text does not change the save format

  EXPECT_TRUE(doc.PasteBytes("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 \\b bold\\b0\\par next}",
                             TWPLoadFormat::FormatRTF));
  EXPECT_EQ(Dump(doc), "a12xbold|nextb");
  EXPECT_EQ(doc.Document().FirstParagraph()->Attrs()[4].StyleBits & kStyleBold, kStyleBold);
  EXPECT_EQ(doc.GetCaretPosition(), 13);  // after "next"

  doc.Undo();
  EXPECT_EQ(Dump(doc), "a12xb");

  doc.OnBeforePasteEvent = [] { return false; };
  EXPECT_FALSE(doc.PasteBytes("vetoed", TWPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc), "a12xb");
}

TEST_F(Editor, PasteIntoAnEmptyDocument) {
  doc.Document().Header.PageWidth = 10000;
  EXPECT_TRUE(doc.PasteBytes("{\\rtf1\\paperw5000 one\\par two}", TWPLoadFormat::FormatRTF));
  EXPECT_EQ(Dump(doc), "one|two");
  EXPECT_EQ(doc.Document().Header.PageWidth, 10000);
  EXPECT_EQ(doc.GetCaretPosition(), 7);
  doc.Clear();
  doc.OnBeforePasteEvent = [] { return false; };
  EXPECT_FALSE(doc.PasteBytes("no", TWPLoadFormat::FormatANSI));
  EXPECT_TRUE(doc.Document().IsEmpty());
}

TEST_F(Editor, SaveSelectionWithoutSelectionSaysSo) {
  std::string shown;
  doc.OnMessage = [&](const std::string& m) { shown = m; };
  TMemoryStream out;
  EXPECT_EQ(doc.SaveSelectionToStream(out), kResultNothingToWrite);
  EXPECT_EQ(shown, "no text selected");
  doc.SetLanguage(TWPLanguage::twpGerman);
  doc.SaveSelectionToStream(out);
  EXPECT_EQ(shown, "keine Auswahl markiert");
  EXPECT_EQ(doc.Layout().DecimalSeparator, U',');
  Type(U"abc");
  doc.SelectRange(1, 2);
  EXPECT_EQ(doc.SaveSelectionToStream(out), kResultOk);
  EXPECT_NE(out.Bytes().find("b"), std::string::npos);
}

TEST_F(Editor, GeometryAndVerticalMoves) {
  // 800 pixels wrap at 16 pixels a character: lines of about 50 characters.
  std::u32string text;
  for (int i = 0; i < 30; ++i) text += U"word ";
  Type(text);
  ASSERT_GT(doc.Document().FirstParagraph()->LineCount(), 2);
  doc.SetCaretPosition(7);
  const TRect r = doc.CaretRect();
  const TParPos hit = doc.PosAtPoint(r.Left + 1, r.Top + 1);
  EXPECT_EQ(doc.PositionOf(hit), 7);

  doc.MoveDown(false);
  const int64_t below = doc.GetCaretPosition();
  EXPECT_GT(below, 40);
  EXPECT_EQ(doc.CaretRect().Left, r.Left);
  doc.MoveUp(false);
  EXPECT_EQ(doc.GetCaretPosition(), 7);

  doc.MoveEnd(false, false);
  const int line_end = static_cast<int>(doc.GetCaretPosition());
  EXPECT_EQ(doc.CaretRect().Top, r.Top);  // End stays on the line
  doc.MoveHome(false, true);
  EXPECT_EQ(doc.PositionOf(doc.SelectionBegin()), 0);
  EXPECT_EQ(doc.PositionOf(doc.SelectionEnd()), line_end);
  doc.MoveRight(true, false);
  EXPECT_EQ(doc.GetCaretPosition(), 5);
  doc.MoveLeft(true, false);
  EXPECT_EQ(doc.GetCaretPosition(), 0);

  // Scrolling keeps the caret in view.
  doc.MoveEnd(true, false);
  EXPECT_TRUE(doc.EnsureCaretVisible(800, 20));
  EXPECT_GT(doc.ScrollY, 0);
  EXPECT_GE(doc.CaretRect().Top, 0);
  EXPECT_LE(doc.CaretRect().Bottom, 20);
}

TEST_F(Editor, DirtyRangeCoversOnlyTheEditedParagraph) {
  Type(U"one\ntwo\nthree");
  doc.ResetDirty();
  doc.SetCaretPosition(5);
  Type(U"x");
  const TParagraph* second = doc.Document().ParagraphAt(1);
  EXPECT_EQ(doc.DirtyTop(), doc.Layout().Box(second, 0).top);
  EXPECT_EQ(doc.DirtyBottom(), doc.Layout().Box(second, 0).top + doc.Layout().Box(second, 0).height);
  doc.ResetDirty();
  doc.InputChar(kKeyEnter);  // heights below change
  EXPECT_GT(doc.DirtyBottom(), doc.Layout().DocumentHeight());
}

}  // namespace
}  // namespace inkwend
