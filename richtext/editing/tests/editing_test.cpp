// Tests of the editing controller: typing rules, positions, protection, paragraphs, find, the
// word walk, undo and paste. Without a metrics device every character is 16 pixels wide.
#include <gtest/gtest.h>

#include <string>

#include "richtext/editing/text_input.h"
#include "richtext/layout/tests/test_devices.h"
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
  for (Paragraph* p = doc.Document().FirstParagraph(); p; p = p->next) {
    if (p != doc.Document().FirstParagraph()) out += '|';
    out += Utf8(std::u32string(p->Text().begin(), p->Text().end()));
  }
  return out;
}

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_.SetWordWrap(true);
    doc_.Layout().SetWindowWidth(800);
    doc_.onChange = [this] { ++changes_; };
  }
  void Type(std::u32string_view s) { doc_.InsertText(s); }

  EditController doc_;
  int changes_ = 0;
};

TEST_F(Editor, TypingParagraphsAndAbsolutePositions) {
  Type(U"ab\ncd");
  EXPECT_EQ(Dump(doc_), "ab|cd");
  EXPECT_EQ(doc_.GetCaretPosition(), 5);
  EXPECT_EQ(doc_.EndPosition(), 5);
  struct Case {
    int64_t set, expect;
  } cases[] = {{-3, 0}, {2, 2}, {3, 3}, {100, 5}};
  for (const Case& c : cases) {
    doc_.SetCaretPosition(c.set);
    EXPECT_EQ(doc_.GetCaretPosition(), c.expect) << c.set;
  }
  doc_.SetCaretPosition(2);
  EXPECT_EQ(doc_.CaretPos().par, doc_.Document().FirstParagraph());
  doc_.SetCaretPosition(3);
  EXPECT_EQ(doc_.CaretPos().par, doc_.Document().LastParagraph());
  EXPECT_FALSE(doc_.Document().IsEmpty());
  EXPECT_EQ(changes_, 1);  // InsertText reports once
}

TEST_F(Editor, BackspaceAndDeleteAtTheEdges) {
  Type(U"ab\ncd");
  doc_.SetCaretPosition(0);
  EXPECT_FALSE(doc_.InputChar(kKeyBackspace));
  EXPECT_EQ(Dump(doc_), "ab|cd");

  doc_.SetCaretPosition(3);  // start of "cd": joins with the previous paragraph
  EXPECT_TRUE(doc_.InputChar(kKeyBackspace));
  EXPECT_EQ(Dump(doc_), "abcd");
  EXPECT_EQ(doc_.GetCaretPosition(), 2);

  doc_.SetCaretPosition(1);
  doc_.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc_), "a|bcd");
  doc_.SetCaretPosition(1);  // end of "a": Delete joins the next paragraph
  doc_.InputChar(kKeyDelete);
  EXPECT_EQ(Dump(doc_), "abcd");

  // At the very end Delete clears the last paragraph's borders, shading and flags.
  Paragraph* last = doc_.Document().LastParagraph();
  last->borderFlags[0] = kBorderOn | kBorderBox;
  last->borderWidth = 2;
  last->shadingPercent = 20;
  last->shadingColors = 0x31;
  last->parFlags = kParPageBreak;
  doc_.SetCaretPosition(doc_.EndPosition());
  EXPECT_TRUE(doc_.InputChar(kKeyDelete));
  EXPECT_EQ(Dump(doc_), "abcd");
  EXPECT_EQ(last->borderFlags[0], 0);
  EXPECT_EQ(last->borderWidth, 0);
  EXPECT_EQ(last->shadingPercent, 0);
  EXPECT_EQ(last->shadingColors, 0);
  EXPECT_EQ(last->parFlags, 0);
}

TEST_F(Editor, EnterAtTheStartKeepsTheCaretWithTheText) {
  Type(U"text");
  doc_.Document().FirstParagraph()->leftIndent = 720;
  doc_.SetCaretPosition(0);
  doc_.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc_), "|text");
  EXPECT_EQ(doc_.GetCaretPosition(), 1);
  EXPECT_EQ(doc_.Document().FirstParagraph()->leftIndent, 720);

  // Split in the middle: the new paragraph has the same properties, no page break.
  doc_.Document().LastParagraph()->parFlags |= kParPageBreak;
  doc_.SetCaretPosition(3);
  doc_.InputChar(kKeyEnter);
  EXPECT_EQ(Dump(doc_), "|te|xt");
  EXPECT_EQ(doc_.Document().LastParagraph()->leftIndent, 720);
  EXPECT_EQ(doc_.Document().LastParagraph()->parFlags & kParPageBreak, 0);
  EXPECT_EQ(doc_.GetCaretPosition(), 4);
}

TEST_F(Editor, PageBreakTogglesAtParagraphStartAndSplitsElsewhere) {
  Type(U"one\ntwo");
  doc_.SetCaretPosition(4);
  doc_.InputChar(kKeyPageBreak);
  EXPECT_TRUE(doc_.Document().LastParagraph()->parFlags & kParPageBreak);
  doc_.InputChar(kKeyPageBreak);
  EXPECT_FALSE(doc_.Document().LastParagraph()->parFlags & kParPageBreak);
  EXPECT_EQ(Dump(doc_), "one|two");

  doc_.SetCaretPosition(1);
  doc_.InputChar(kKeyPageBreak);
  EXPECT_EQ(Dump(doc_), "o|ne|two");
  EXPECT_TRUE(doc_.Document().ParagraphAt(1)->parFlags & kParPageBreak);
  EXPECT_EQ(doc_.GetCaretPosition(), 2);
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
    doc_.Clear();
    CharAttr special = doc_.Document().defaultAttr;
    special.charFlags = c.flags;
    special.tagNumber = 7;
    special.styleBits = kStyleBold;
    doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"ab", special);
    doc_.SetCaretPosition(2);
    Type(U"x");
    const CharAttr typed = doc_.Document().FirstParagraph()->Attrs()[2];
    EXPECT_EQ(typed.charFlags, 0) << c.name;
    EXPECT_EQ(typed.tagNumber, 0) << c.name;
    EXPECT_EQ(typed.styleBits, kStyleBold) << c.name;  // the ordinary formatting follows
    EXPECT_EQ(Dump(doc_), "abx") << c.name;
  }
}

TEST_F(Editor, CurrentAttributeFollowsTheCaret) {
  CharAttr bold = doc_.Document().defaultAttr;
  bold.styleBits = kStyleBold;
  CharAttr italic = doc_.Document().defaultAttr;
  italic.styleBits = kStyleItalic;
  doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"bb", bold);
  doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"ii", italic);
  Paragraph* second = doc_.Document().NewParagraph(doc_.Document().FirstParagraph());
  doc_.Document().AppendText(second, U"zz", doc_.Document().defaultAttr);
  doc_.Reformat();

  doc_.SetCaretPosition(1);
  EXPECT_EQ(doc_.GetCurrentAttr().styleBits, kStyleBold);
  doc_.SetCaretPosition(3);
  EXPECT_EQ(doc_.GetCurrentAttr().styleBits, kStyleItalic);
  doc_.SetCaretPosition(0);  // start of the document: its first character
  EXPECT_EQ(doc_.GetCurrentAttr().styleBits, kStyleBold);
  doc_.SetCaretPosition(5);  // start of a paragraph: the last character of the previous one
  EXPECT_EQ(doc_.GetCurrentAttr().styleBits, kStyleItalic);

  // With kPpDontUseAttrOfProtected the attribute of protected text is not taken.
  doc_.protectedProp = kPpProtected | kPpDontUseAttrOfProtected;
  doc_.Document().FirstParagraph()->Attrs()[3].charFlags = kCharProtected;
  doc_.SetCaretPosition(1);
  doc_.SetCaretPosition(4);
  EXPECT_EQ(doc_.GetCurrentAttr().styleBits, kStyleBold);
}

TEST_F(Editor, HiddenCurrentAttributeRefusesTypingButNotProgrammaticText) {
  CharAttr hidden = doc_.Document().defaultAttr;
  hidden.charFlags = kCharHidden;
  doc_.SetCurrentAttr(hidden);
  EXPECT_FALSE(doc_.InputChar(U'a'));
  EXPECT_TRUE(doc_.Document().IsEmpty());
  EXPECT_TRUE(doc_.InputChar(U'a', /*programmatic=*/true));
  EXPECT_EQ(doc_.Document().FirstParagraph()->Attrs()[0].charFlags, kCharHidden);
}

TEST_F(Editor, OverwriteMode) {
  Type(U"abc");
  doc_.SetCaretPosition(1);
  doc_.inserting = false;
  Type(U"XYZW");
  EXPECT_EQ(Dump(doc_), "aXYZW");
}

TEST_F(Editor, ProtectedTextRefusesEdits) {
  CharAttr prot = doc_.Document().defaultAttr;
  prot.charFlags = kCharProtected;
  doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"a", doc_.Document().defaultAttr);
  doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"PPP", prot);
  doc_.Document().AppendText(doc_.Document().FirstParagraph(), U"b", doc_.Document().defaultAttr);
  doc_.Reformat();
  doc_.protectedProp = kPpProtected;

  doc_.SetCaretPosition(2);  // inside the protected run
  EXPECT_FALSE(doc_.InputChar(U'x'));
  EXPECT_FALSE(doc_.InputChar(kKeyBackspace));
  EXPECT_FALSE(doc_.InputChar(kKeyDelete));
  doc_.SetCaretPosition(4);  // after it: backspace would delete protected text
  EXPECT_FALSE(doc_.InputChar(kKeyBackspace));
  EXPECT_TRUE(doc_.InputChar(U'x'));  // at its edge typing is allowed
  EXPECT_EQ(Dump(doc_), "aPPPxb");

  doc_.protectedProp = kPpProtected | kPpProtectSelectedTextToo;
  doc_.SelectRange(0, 3);
  doc_.DeleteSelection();
  EXPECT_EQ(Dump(doc_), "aPPPxb");
}

TEST_F(Editor, ReadOnlyRefusesEveryModification) {
  Type(U"keep\nme");
  doc_.readOnly = true;
  doc_.modified = false;
  changes_ = 0;
  ParagraphDescription d;
  d.text = U"new";
  const std::function<void()> ops[] = {
      [&] { doc_.InputChar(U'x'); },
      [&] { doc_.InsertText(U"x"); },
      [&] {
        doc_.SelectAll();
        doc_.DeleteSelection();
      },
      [&] {
        doc_.SelectAll();
        doc_.ReplaceSelection(U"x");
      },
      [&] { doc_.AppendParagraph(d); },
      [&] { doc_.SetParIndents(100, 100, 100); },
      [&] { doc_.SetParSpacing(100, 100, 100); },
      [&] { doc_.SetParShading(50, 0x12); },
      [&] { doc_.SetPageLayout(1, 1, 1000, 1000, 1, 1); },
      [&] { doc_.PasteBytes("pasted", WPLoadFormat::FormatANSI); },
      [&] {
        CharAttr a = doc_.Document().defaultAttr;
        a.styleBits = kStyleBold;
        doc_.SelectAll();
        doc_.SetCurrentAttr(a);
      },
      [&] { doc_.Undo(); },
  };
  for (const auto& op : ops) op();
  EXPECT_EQ(Dump(doc_), "keep|me");
  EXPECT_EQ(doc_.Document().FirstParagraph()->leftIndent, 0);
  EXPECT_EQ(doc_.Document().header.pageWidth, 12240);
  EXPECT_EQ(doc_.Document().FirstParagraph()->Attrs()[0].styleBits, 0);
  EXPECT_FALSE(doc_.modified);
  EXPECT_EQ(changes_, 0);
}

TEST_F(Editor, SelectionDeleteAndText) {
  Type(U"first\nsecond\nthird");
  doc_.SelectRange(3, 14);  // "st|second|th"
  EXPECT_EQ(doc_.SelectedText(), U"st\nsecond\nt");
  doc_.DeleteSelection();
  EXPECT_EQ(Dump(doc_), "firhird");
  EXPECT_EQ(doc_.GetCaretPosition(), 3);
  EXPECT_FALSE(doc_.HasSelection());

  // Typing replaces a selection made backwards.
  doc_.SelectRange(5, 1);
  Type(U"X");
  EXPECT_EQ(Dump(doc_), "fXrd");
}

TEST_F(Editor, SelectedTextGivesSymbolFontCharactersAsUnicode) {
  // Word's list bullet is byte B7 of the Symbol font, and LibreOffice writes it as U+F0B7 in the
  // ordinary font of the list text; the same byte in a picture font, and a Symbol byte with no
  // Unicode character, stay as they are.
  CharAttr symbol = doc_.Document().defaultAttr, dingbats = doc_.Document().defaultAttr,
           other_symbol_set = doc_.Document().defaultAttr;
  symbol.fontIndex = static_cast<uint8_t>(doc_.Document().header.FontIndexOf(U"SYMBOL"));
  dingbats.fontIndex = static_cast<uint8_t>(doc_.Document().header.FontIndexOf(U"Wingdings 2"));
  other_symbol_set.fontIndex = static_cast<uint8_t>(doc_.Document().header.FontIndexOf(U"Pictures"));
  doc_.Document().header.fonts[other_symbol_set.fontIndex].charSet = kSymbolCharSet;
  Paragraph* p = doc_.Document().FirstParagraph();
  doc_.Document().AppendText(p, U"\uF0B7", symbol);
  doc_.Document().AppendText(p, U"\titem \uF0B7 ", doc_.Document().defaultAttr);
  doc_.Document().AppendText(p, U"\uF0B7\uF0E6", dingbats);
  doc_.Document().AppendText(p, U"\uF0B7", other_symbol_set);
  doc_.Document().AppendText(p, U"\uF061\uF0E6", symbol);
  doc_.SelectAll();
  EXPECT_EQ(doc_.SelectedText(), U"\u2022\titem \u2022 \uF0B7\uF0E6\uF0B7\u03B1\uF0E6");
}

TEST_F(Editor, CaretPlacesInAJustifiedLineFollowItsWidenedSpaces) {
  // Characters are 16 pixels wide: "aa bb cc " fills the first line, whose two inner spaces
  // share the slack; the space that ends the line keeps its width.
  doc_.Layout().SetWindowWidth(260);
  Type(U"aa bb cc dddddddddddddddddddd");
  doc_.SetParAlignment(kAlignJustify);
  doc_.Layout().ReformatAll();
  const Paragraph* p = doc_.Document().FirstParagraph();
  ASSERT_GE(p->LineCount(), 2);
  const TextLine& l = p->Line(0);
  const LineBox& box = doc_.Layout().Box(p, 0);
  ASSERT_TRUE(box.flags & kLineJustified);
  ASSERT_EQ(l.length, 9);
  const int widened = box.values[kLvSpaceWidth];
  const int remainder = box.values[kLvRemainder];
  ASSERT_GT(widened, 16);
  std::vector<int> xs;
  doc_.Layout().LineXs(p, 0, xs);
  ASSERT_EQ(xs.size(), 10u);
  std::vector<int> advances;
  for (size_t i = 1; i < xs.size(); ++i) advances.push_back(xs[i] - xs[i - 1]);
  EXPECT_EQ(advances, (std::vector<int>{16, 16, widened + (remainder > 0 ? 1 : 0), 16, 16,
                                        widened + (remainder > 1 ? 1 : 0), 16, 16, 16}));
}

TEST_F(Editor, LongTextBeyondOneLineCapacity) {
  std::u32string big(25000, U'w');
  Type(big.substr(0, 10));
  doc_.SetCaretPosition(5);
  doc_.InsertText(big);
  EXPECT_EQ(doc_.Document().FirstParagraph()->CharCount(), 25010);
  EXPECT_EQ(doc_.GetCaretPosition(), 25005);
  doc_.SelectRange(3, 25008);
  doc_.DeleteSelection();
  EXPECT_EQ(doc_.Document().FirstParagraph()->CharCount(), 5);
}

TEST_F(Editor, FindOptions) {
  Type(U"The cat scattered CATS; cat.");
  struct Case {
    const char* text;
    bool matchCase, wholeWord, backwards;
    int64_t hit;  // selection begin, -1 none
  } cases[] = {
      {"cat", false, false, false, 4},  {"CAT", true, false, false, 18},  {"cat", false, true, false, 4},
      {"cat", false, true, true, 24},   {"c*t", false, false, false, 4},  {"s*at", false, false, false, 8},
      {"cats", false, true, false, 18}, {"dog", false, false, false, -1}, {"cat.", false, false, true, 24},
  };
  for (const Case& c : cases) {
    doc_.findOptions = FindOptions{c.matchCase, c.wholeWord, true};
    std::u32string text(c.text, c.text + std::strlen(c.text));
    const bool found = doc_.FindText(text, c.backwards);
    EXPECT_EQ(found, c.hit >= 0) << c.text;
    if (!found) continue;
    EXPECT_EQ(doc_.PositionOf(doc_.SelectionBegin()), c.hit) << c.text;
    EXPECT_EQ(doc_.GetCaretPosition(), c.backwards ? c.hit : c.hit + static_cast<int64_t>(text.size()))
        << c.text;
  }
}

TEST_F(Editor, FindNextAndReplace) {
  Type(U"a cat, a cat\nand a cat");
  doc_.findOptions = FindOptions{false, true, true};
  doc_.SetCaretPosition(0);
  ASSERT_TRUE(doc_.FindNext(U"cat"));
  EXPECT_TRUE(doc_.ReplaceNext(U"cat", U"dog"));
  EXPECT_EQ(Dump(doc_), "a dog, a cat|and a cat");
  EXPECT_EQ(doc_.PositionOf(doc_.SelectionBegin()), 9);
  EXPECT_EQ(doc_.ReplaceAll(U"cat", U"cats and cat"), 2);
  EXPECT_EQ(Dump(doc_), "a dog, a cats and cat|and a cats and cat");
}

TEST(WordChars, WindowsLettersAndSeparators) {
  for (char32_t c :
       {U'a', U'Z', U'\u00E9', U'\u00C0', U'\u0160', U'\u0153', U'\u0178', U'\u0416', U'\u00AD'}) {
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
  doc_.WordWalkRestart();
  EXPECT_EQ(doc_.NextWord(), U"Hello");
  EXPECT_EQ(doc_.NextWord(), U"wrld");
  EXPECT_EQ(doc_.SelectedText(), U"wrld");
  doc_.ReplaceCurrentWord(U"world");
  EXPECT_EQ(doc_.NextWord(), U"nd");
  EXPECT_EQ(doc_.NextWord(), U"caf\u00E9");
  EXPECT_EQ(doc_.NextWord(), U"");
  EXPECT_EQ(doc_.NextWord(), U"");
  EXPECT_EQ(Dump(doc_), "Hello, world!|2nd caf?");

  doc_.SetCaretPosition(7);
  doc_.WordWalkRestart(/*from_caret=*/true);
  EXPECT_EQ(doc_.NextWord(), U"world");
}

TEST_F(Editor, WordWithSoftHyphensIsOneWordForTheSpeller) {
  Type(U"hy\u00ADphen next");
  doc_.WordWalkRestart();
  EXPECT_EQ(doc_.NextWord(), U"hyphen");
  EXPECT_EQ(doc_.SelectedText(), U"hy\u00ADphen");  // the whole word as it stands
  doc_.ReplaceCurrentWord(U"hyphens");
  EXPECT_EQ(doc_.NextWord(), U"next");
}

TEST_F(Editor, UndoGroupsTypingAndRedoes) {
  Type(U"hello");
  Type(U" world");
  doc_.InputChar(kKeyEnter);
  Type(U"x");
  EXPECT_EQ(Dump(doc_), "hello world|x");
  ASSERT_TRUE(doc_.Undo());
  EXPECT_EQ(Dump(doc_), "hello world|");
  ASSERT_TRUE(doc_.Undo());  // Enter is a step of its own
  EXPECT_EQ(Dump(doc_), "hello world");
  EXPECT_EQ(doc_.GetCaretPosition(), 11);
  ASSERT_TRUE(doc_.Undo());  // both InsertText calls were one typing run
  EXPECT_TRUE(doc_.Document().IsEmpty());
  EXPECT_FALSE(doc_.Undo());
  doc_.Redo();
  doc_.Redo();

  ASSERT_TRUE(doc_.Redo());
  EXPECT_EQ(Dump(doc_), "hello world|x");
  EXPECT_FALSE(doc_.CanRedo());

  // Moving the caret ends the group; deletion and formatting are steps of their own.
  doc_.SetCaretPosition(5);
  Type(U"!");
  doc_.SelectRange(0, 5);
  CharAttr bold = doc_.Document().defaultAttr;
  bold.styleBits = kStyleBold;
  doc_.SetCurrentAttr(bold);
  doc_.SelectRange(6, 7);
  doc_.DeleteSelection();
  EXPECT_EQ(Dump(doc_), "hello!world|x");
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "hello! world|x");
  doc_.Undo();
  EXPECT_EQ(doc_.Document().FirstParagraph()->Attrs()[0].styleBits, 0);
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "hello world|x");
  doc_.Redo();
  EXPECT_EQ(Dump(doc_), "hello! world|x");
  Type(U"?");  // a new edit drops what could be redone
  EXPECT_FALSE(doc_.CanRedo());
}

TEST_F(Editor, KeysTypedOneByOneInALaterParagraphUndoAsOneStep) {
  Type(U"first\nsecond");
  doc_.SetCaretPosition(9);  // "sec|ond"
  for (char32_t c : std::u32string(U"XYZ")) doc_.InputChar(c);
  doc_.InputChar(kKeyBackspace);
  EXPECT_EQ(Dump(doc_), "first|secXYond");
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "first|second");
  EXPECT_EQ(doc_.GetCaretPosition(), 9);
  doc_.Redo();
  EXPECT_EQ(Dump(doc_), "first|secXYond");
  EXPECT_EQ(doc_.GetCaretPosition(), 11);
}

TEST_F(Editor, UndoHistoryStaysWithinItsMemoryBudget) {
  doc_.undoMemoryLimit = 100000;
  Type(std::u32string(4500, U'a'));  // one typing step holding an empty paragraph
  doc_.InputChar(kKeyEnter);         // a step holding the 4500-character paragraph (about 60 KB)
  Type(U"b");
  doc_.SelectRange(0, 1);
  doc_.DeleteSelection();  // another copy of the big paragraph: the oldest steps go
  EXPECT_TRUE(doc_.Undo());
  EXPECT_EQ(doc_.Document().FirstParagraph()->CharCount(), 4500);
  int steps = 1;
  while (doc_.Undo()) ++steps;
  EXPECT_LT(steps, 4);
  EXPECT_FALSE(doc_.Document().IsEmpty());  // the first typing could no longer be undone
}

TEST_F(Editor, UndoParagraphChanges) {
  Type(U"one\ntwo");
  doc_.SelectAll();
  doc_.SetParIndents(360, 720, -1000);
  doc_.SetParSpacing(-1000, 240, -1000);
  EXPECT_EQ(doc_.Document().LastParagraph()->firstIndent, 360);
  EXPECT_EQ(doc_.Document().LastParagraph()->lineSpacing, 240);
  doc_.Undo();
  EXPECT_EQ(doc_.Document().LastParagraph()->lineSpacing, 0);
  doc_.Undo();
  EXPECT_EQ(doc_.Document().FirstParagraph()->leftIndent, 0);
  EXPECT_EQ(Dump(doc_), "one|two");
}

TEST_F(Editor, UndoGroupUndoesItsEditsAsOneStep) {
  Type(U"one\ntwo");
  doc_.SelectAll();
  doc_.BeginUndoGroup();
  doc_.SetParSpacing(-1000, 240, -1000);
  doc_.BeginUndoGroup();  // nested: only the outermost group closes the step
  doc_.SetParIndents(360, 720, -1000);
  doc_.EndUndoGroup();
  doc_.SetCaretPosition(3);
  doc_.InputChar(kKeyEnter);
  doc_.EndUndoGroup();
  EXPECT_EQ(Dump(doc_), "one||two");
  ASSERT_TRUE(doc_.Undo());
  EXPECT_EQ(Dump(doc_), "one|two");
  for (Paragraph* p = doc_.Document().FirstParagraph(); p; p = p->next) {
    EXPECT_EQ(p->lineSpacing, 0);
    EXPECT_EQ(p->leftIndent, 0);
  }
  ASSERT_TRUE(doc_.Redo());
  EXPECT_EQ(Dump(doc_), "one||two");
  EXPECT_EQ(doc_.Document().LastParagraph()->lineSpacing, 240);
  EXPECT_EQ(doc_.Document().LastParagraph()->leftIndent, 720);
  EXPECT_EQ(doc_.GetCaretPosition(), 4);
  ASSERT_TRUE(doc_.Undo());
  EXPECT_EQ(Dump(doc_), "one|two");  // the typing before the group has steps of its own
  while (doc_.Undo()) {
  }
  EXPECT_TRUE(doc_.Document().IsEmpty());
  while (doc_.Redo()) {
  }
  EXPECT_EQ(Dump(doc_), "one||two");

  // Typing right after a group starts a step of its own; an empty group leaves no step.
  doc_.SetCaretPosition(3);
  doc_.BeginUndoGroup();
  doc_.EndUndoGroup();
  doc_.BeginUndoGroup();
  Type(U"X");
  doc_.EndUndoGroup();
  Type(U"Y");
  EXPECT_EQ(Dump(doc_), "oneXY||two");
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "oneX||two");
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "one||two");
}

TEST_F(Editor, ReplaceAllAndTabStopsUndoInOneStep) {
  Type(U"cat dog cat\ncat");
  EXPECT_EQ(doc_.ReplaceAll(U"cat", U"owl"), 3);
  doc_.SelectAll();
  doc_.AddParTabs(0b101);
  EXPECT_EQ(doc_.Document().LastParagraph()->tabMask, 0b101u);
  doc_.Undo();
  EXPECT_EQ(doc_.Document().FirstParagraph()->tabMask, 0u);
  EXPECT_EQ(doc_.Document().LastParagraph()->tabMask, 0u);
  EXPECT_EQ(Dump(doc_), "owl dog owl|owl");
  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "cat dog cat|cat");
  doc_.Redo();
  EXPECT_EQ(Dump(doc_), "owl dog owl|owl");
}

TEST_F(Editor, AppendParagraph) {
  ParagraphDescription d;
  d.alignment = kAlignCenter;
  d.leftIndent = 500;
  d.charAttr = doc_.Document().defaultAttr;
  d.charAttr.styleBits = kStyleItalic;
  d.text = U"first";
  d.pageBreak = true;
  doc_.AppendParagraph(d);  // the empty document's paragraph is reused; no page break on it
  EXPECT_EQ(Dump(doc_), "first");
  EXPECT_EQ(doc_.Document().FirstParagraph()->alignment, kAlignCenter);
  EXPECT_EQ(doc_.Document().FirstParagraph()->parFlags, 0);
  EXPECT_EQ(doc_.Document().FirstParagraph()->Attrs()[0].styleBits, kStyleItalic);

  const std::u32string ptr_text = U"pointer wins";
  d.textPtr = ptr_text.c_str();
  doc_.AppendParagraph(d);
  EXPECT_EQ(Dump(doc_), "first|pointer wins");
  EXPECT_TRUE(doc_.Document().LastParagraph()->parFlags & kParPageBreak);
  EXPECT_EQ(doc_.GetCaretPosition(), doc_.EndPosition());

  d.textPtr = nullptr;
  d.text = std::u32string(20000, U'y');
  doc_.AppendParagraph(d);
  EXPECT_LT(doc_.Document().LastParagraph()->CharCount(), 10000);
}

TEST_F(Editor, PageLayoutKeepsValuesAndRecomputesTheTextArea) {
  const TextHeader before = doc_.Document().header;
  doc_.Document().header.textAreaWidth = 1;  // stale
  doc_.SetPageLayout(-1000, -1000, -1000, -1000, -1000, -1000);
  EXPECT_EQ(doc_.Document().header.pageWidth, before.pageWidth);
  EXPECT_EQ(doc_.Document().header.pageHeight, before.pageHeight);
  EXPECT_EQ(doc_.Document().header.marginLeft, before.marginLeft);
  EXPECT_EQ(doc_.Document().header.marginRight, before.marginRight);
  EXPECT_EQ(doc_.Document().header.marginTop, before.marginTop);
  EXPECT_EQ(doc_.Document().header.marginBottom, before.marginBottom);
  EXPECT_EQ(doc_.Document().header.textAreaWidth, before.textAreaWidth);

  doc_.SetPageLayout(1440, -1000, -1000, 14400, -1000, 720);
  EXPECT_EQ(doc_.Document().header.marginLeft, 1440);
  EXPECT_EQ(doc_.Document().header.marginRight, before.marginRight);
  EXPECT_EQ(doc_.Document().header.marginTop, 720);
  EXPECT_EQ(doc_.Document().header.textAreaWidth, TwipsToPixels(14400 - 1440 - before.marginRight, 96));
}

TEST_F(Editor, ParIndentsIgnoreHugeValues) {
  Type(U"x");
  doc_.SetParIndents(100, 200, 300);
  doc_.SetParIndents(65000, -1000, 70000);
  EXPECT_EQ(doc_.Document().FirstParagraph()->firstIndent, 100);
  EXPECT_EQ(doc_.Document().FirstParagraph()->leftIndent, 200);
  EXPECT_EQ(doc_.Document().FirstParagraph()->rightIndent, 300);
}

TEST_F(Editor, FastAppendText) {
  EXPECT_THROW(
      {
        try {
          doc_.FastAppendText(doc_);
        } catch (const WPError& e) {
          EXPECT_STREQ(e.what(), "Cannot perform FastAppendText(self)");
          throw;
        }
      },
      WPError);

  EditController other;
  CharAttr a = other.Document().defaultAttr;
  a.fontIndex = static_cast<uint8_t>(other.Document().header.FontIndexOf(U"Courier New"));
  other.Document().AppendText(other.Document().FirstParagraph(), U"from", a);
  other.Document().AppendText(other.Document().NewParagraph(other.Document().FirstParagraph()), U"other", a);
  Type(U"mine");
  doc_.FastAppendText(other);
  EXPECT_EQ(Dump(doc_), "mine|from|other");
  const CharAttr got = doc_.Document().LastParagraph()->Attrs()[0];
  EXPECT_EQ(doc_.Document().header.fonts[got.fontIndex].name, U"Courier New");
  EXPECT_EQ(Dump(other), "from|other");
}

TEST_F(Editor, InsertGraphic) {
  EXPECT_THROW(doc_.InsertGraphic(DocGraphic{}), WPError);
  try {
    doc_.InsertGraphic(DocGraphic{});
  } catch (const WPError& e) {
    EXPECT_STREQ(e.what(), "No object was defined");
  }
  Type(U"ab");
  doc_.SetCaretPosition(1);
  DocGraphic g;
  Bitmap bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.bits.assign(static_cast<size_t>(bmp.Stride()) * 2, 0xFF);
  g.image = bmp;
  const int tag = doc_.InsertGraphic(std::move(g));
  EXPECT_GE(tag, 2000);
  const Paragraph* p = doc_.Document().FirstParagraph();
  ASSERT_EQ(p->CharCount(), 3);
  EXPECT_EQ(p->Text()[1], kCharObjectByNumber);
  EXPECT_TRUE(p->Attrs()[1].charFlags & kCharObject);
  EXPECT_NE(doc_.Document().FindObjectByNumber(p->Attrs()[1].tagNumber), nullptr);
  EXPECT_EQ(doc_.GetCaretPosition(), 2);
  // Typing after the object does not make objects.
  Type(U"c");
  EXPECT_EQ(p->Attrs()[2].charFlags, 0);
}

TEST_F(Editor, PastePlainTextAndRtf) {
  Type(U"ab");
  doc_.SetCaretPosition(1);
  // No terminating 0: taken whole.
  EXPECT_TRUE(doc_.PasteBytes("12", WPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc_), "a12b");
  EXPECT_EQ(doc_.GetCaretPosition(), 3);
  // Up to the first 0 byte only.
  EXPECT_TRUE(doc_.PasteBytes(std::string("x\0yz", 4), WPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc_), "a12xb");
  EXPECT_EQ(doc_.Document().lastFormat,
            WPLoadFormat::AutomaticFormat);  // pasting text does not change the save format

  EXPECT_TRUE(doc_.PasteBytes("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 \\b bold\\b0\\par next}",
                              WPLoadFormat::FormatRTF));
  EXPECT_EQ(Dump(doc_), "a12xbold|nextb");
  EXPECT_EQ(doc_.Document().FirstParagraph()->Attrs()[4].styleBits & kStyleBold, kStyleBold);
  EXPECT_EQ(doc_.GetCaretPosition(), 13);  // after "next"

  doc_.Undo();
  EXPECT_EQ(Dump(doc_), "a12xb");

  doc_.onBeforePasteEvent = [](const WPRTFText&) { return false; };
  EXPECT_FALSE(doc_.PasteBytes("vetoed", WPLoadFormat::FormatANSI));
  EXPECT_EQ(Dump(doc_), "a12xb");
}

// The paste event sees the paragraphs that are about to be inserted, in an empty text too.
TEST_F(Editor, PasteEventIsShownThePastedParagraphs) {
  std::vector<std::u32string> seen;
  doc_.onBeforePasteEvent = [&](const WPRTFText& pasted) {
    seen.clear();
    for (const Paragraph* p = pasted.FirstParagraph(); p; p = p->next)
      seen.emplace_back(p->Text().begin(), p->Text().end());
    return true;
  };
  for (const bool empty : {true, false}) {
    doc_.Clear();
    if (!empty) Type(U"x");
    EXPECT_TRUE(doc_.PasteBytes("{\\rtf1\\ansi one\\par two}", WPLoadFormat::FormatRTF)) << empty;
    EXPECT_EQ(seen, (std::vector<std::u32string>{U"one", U"two"})) << empty;
    EXPECT_EQ(Dump(doc_), empty ? "one|two" : "xone|two") << empty;
  }
}

// Pasted RTF keeps the formatting it states, whatever the caret's; plain text takes the
// caret's attribute.
TEST_F(Editor, PastedRtfKeepsItsOwnItalics) {
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 up{\\i slant}right}";
  for (const bool italic_caret : {false, true}) {
    doc_.Clear();
    Type(U"[]");
    doc_.SetCaretPosition(1);
    CharAttr caret = doc_.GetCurrentAttr();
    caret.styleBits = italic_caret ? kStyleItalic : 0;
    doc_.SetCurrentAttr(caret);
    ASSERT_TRUE(doc_.PasteBytes(rtf, WPLoadFormat::FormatRTF));
    doc_.SetCurrentAttr(caret);  // the paste moved the caret after "right"
    ASSERT_TRUE(doc_.PasteBytes("plain", WPLoadFormat::FormatANSI));
    ASSERT_EQ(Dump(doc_), "[upslantrightplain]");
    std::string styles;
    for (const CharAttr& a : doc_.Document().FirstParagraph()->Attrs())
      styles += (a.styleBits & kStyleItalic) ? 'i' : '-';
    EXPECT_EQ(styles.substr(1, 12), "--iiiii-----") << italic_caret;
    EXPECT_EQ(styles.substr(13, 5), italic_caret ? "iiiii" : "-----");
  }
}

// RTF pasted from a word processor keeps its colours, those past the toolbar's 16 too; what
// goes to the clipboard says the background in words word processors read.
TEST_F(Editor, PastedAndCopiedColours) {
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;"
      "\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;"
      "\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;"
      "\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;"
      "\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red139\\green69\\blue19;}"
      "\\f0 \\cf2 red {\\cf17\\chcbpat2 brown}}";
  for (const bool empty : {true, false}) {
    doc_.Clear();
    if (!empty) Type(U"[]");
    doc_.SetCaretPosition(empty ? 0 : 1);
    ASSERT_TRUE(doc_.PasteBytes(rtf, WPLoadFormat::FormatRTF));
    const auto attrs = doc_.Document().FirstParagraph()->Attrs();
    const TextHeader& h = doc_.Document().header;
    const size_t at = empty ? 0 : 1;
    EXPECT_EQ(h.Color(attrs[at].TextColor()), RGBColor(255, 0, 0)) << empty;
    EXPECT_EQ(h.Color(attrs[at + 4].TextColor()), RGBColor(139, 69, 19)) << empty;
    EXPECT_EQ(h.Color(attrs[at + 4].BackgroundColor()), RGBColor(255, 0, 0)) << empty;
  }
  doc_.SelectAll();
  EXPECT_NE(doc_.SelectionAsRtf().find("\\chcbpat1\\highlight1"), std::string::npos) << doc_.SelectionAsRtf();
}

TEST_F(Editor, PasteIntoAnEmptyDocument) {
  doc_.Document().header.pageWidth = 10000;
  EXPECT_TRUE(doc_.PasteBytes("{\\rtf1\\paperw5000 one\\par two}", WPLoadFormat::FormatRTF));
  EXPECT_EQ(Dump(doc_), "one|two");
  EXPECT_EQ(doc_.Document().header.pageWidth, 10000);
  EXPECT_EQ(doc_.GetCaretPosition(), 7);
  doc_.Clear();
  doc_.onBeforePasteEvent = [](const WPRTFText&) { return false; };
  EXPECT_FALSE(doc_.PasteBytes("no", WPLoadFormat::FormatANSI));
  EXPECT_TRUE(doc_.Document().IsEmpty());
}

TEST_F(Editor, SaveSelectionWithoutSelectionSaysSo) {
  std::string shown;
  doc_.onMessage = [&](const std::string& m) { shown = m; };
  MemoryStream out;
  EXPECT_EQ(doc_.SaveSelectionToStream(out), kResultNothingToWrite);
  EXPECT_EQ(shown, "no text selected");
  doc_.SetLanguage(WPLanguage::German);
  doc_.SaveSelectionToStream(out);
  EXPECT_EQ(shown, "keine Auswahl markiert");
  EXPECT_EQ(doc_.Layout().decimalSeparator, U',');
  Type(U"abc");
  doc_.SelectRange(1, 2);
  EXPECT_EQ(doc_.SaveSelectionToStream(out), kResultOk);
  EXPECT_NE(out.Bytes().find("b"), std::string::npos);
}

TEST_F(Editor, GeometryAndVerticalMoves) {
  // 800 pixels wrap at 16 pixels a character: lines of about 50 characters.
  std::u32string text;
  for (int i = 0; i < 30; ++i) text += U"word ";
  Type(text);
  ASSERT_GT(doc_.Document().FirstParagraph()->LineCount(), 2);
  doc_.SetCaretPosition(7);
  const Rect r = doc_.CaretRect();
  const ParPos hit = doc_.PosAtPoint(r.left + 1, r.top + 1);
  EXPECT_EQ(doc_.PositionOf(hit), 7);

  doc_.MoveDown(false);
  const int64_t below = doc_.GetCaretPosition();
  EXPECT_GT(below, 40);
  EXPECT_EQ(doc_.CaretRect().left, r.left);
  doc_.MoveUp(false);
  EXPECT_EQ(doc_.GetCaretPosition(), 7);

  doc_.MoveEnd(false, false);
  const int line_end = static_cast<int>(doc_.GetCaretPosition());
  EXPECT_EQ(doc_.CaretRect().top, r.top);  // End stays on the line
  doc_.MoveHome(false, true);
  EXPECT_EQ(doc_.PositionOf(doc_.SelectionBegin()), 0);
  EXPECT_EQ(doc_.PositionOf(doc_.SelectionEnd()), line_end);
  doc_.MoveRight(true, false);
  EXPECT_EQ(doc_.GetCaretPosition(), 5);
  doc_.MoveLeft(true, false);
  EXPECT_EQ(doc_.GetCaretPosition(), 0);

  // Scrolling keeps the caret in view.
  doc_.MoveEnd(true, false);
  EXPECT_TRUE(doc_.EnsureCaretVisible(800, 20));
  EXPECT_GT(doc_.scrollY, 0);
  EXPECT_GE(doc_.CaretRect().top, 0);
  EXPECT_LE(doc_.CaretRect().bottom, 20);
}

TEST_F(Editor, DirtyRangeCoversOnlyTheEditedParagraph) {
  Type(U"one\ntwo\nthree");
  doc_.ResetDirty();
  doc_.SetCaretPosition(5);
  Type(U"x");
  const Paragraph* second = doc_.Document().ParagraphAt(1);
  EXPECT_EQ(doc_.DirtyTop(), doc_.Layout().Box(second, 0).top);
  EXPECT_EQ(doc_.DirtyBottom(), doc_.Layout().Box(second, 0).top + doc_.Layout().Box(second, 0).height);
  doc_.ResetDirty();
  doc_.InputChar(kKeyEnter);  // heights below change
  EXPECT_GT(doc_.DirtyBottom(), doc_.Layout().DocumentHeight());
}

// A key typed into a long paragraph repaints the lines it changed, not the whole paragraph.
TEST_F(Editor, TypingRepaintsOnlyTheLinesItChanged) {
  // Lines of at most 35 characters (16 px each in 564 px). In `lines` each line ends well
  // before that, because the long word after it does not fit.
  std::u32string lines;
  for (int i = 0; i < 6; ++i) lines += U"ninechars ninechars ninechars twentyfivecharacterswords ";
  lines.pop_back();
  // The first line has room for two more characters; the third pushes its last word down onto
  // the second line, which has room for it.
  const std::u32string push = U"aaaaaaaaa bbbbbbbbb ccccccccccccc ddddd zzzzzzzzzzzzzzzzzzzzzzzzzzzzzz eeeee";
  struct Case {
    const char* what;
    const std::u32string& text;
    int at;                   // where the keys are typed
    char32_t key;             // the third key (the first two open the typing)
    int firstLine, lastLine;  // the lines it repaints
  } cases[] = {
      {"the first line", lines, 0, U'x', 0, 0},
      {"a middle line", lines, 70, U'x', 2, 2},
      {"the last line", lines, static_cast<int>(lines.size()), U'x', 11, 11},
      {"a word pushed down", push, 0, U'x', 0, 1},
      // A right-to-left letter may turn the whole paragraph around.
      {"a right-to-left letter", lines, 0, U'\u05D0', 0, 11},
  };
  for (const Case& c : cases) {
    EditController doc;
    doc.SetWordWrap(true);
    doc.Layout().SetWindowWidth(600);
    doc.InsertText(c.text);
    doc.SetCaretPosition(c.at);
    doc.InputChar(U'y');
    doc.InputChar(U'z');
    const Paragraph* par = doc.Document().FirstParagraph();
    const int line_count = par->LineCount();
    doc.ResetDirty();
    doc.InputChar(c.key);
    ASSERT_EQ(par->LineCount(), line_count) << c.what;
    EXPECT_EQ(doc.DirtyTop(), doc.Layout().Box(par, c.firstLine).top) << c.what;
    const LineBox& last = doc.Layout().Box(par, c.lastLine);
    EXPECT_EQ(doc.DirtyBottom(), last.top + last.height) << c.what;
  }
}

// Lines below a paragraph that grows are moved by a number kept for them, caught up as they
// are looked at: painting far down, and every box, must stand where a full layout puts them.
TEST_F(Editor, LinesBelowAGrowingParagraphStandWhereTheyBelong) {
  constexpr int kParagraphs = 100;
  std::u32string text;
  for (int i = 1; i < kParagraphs; ++i) text += U"\nline " + std::u32string(1, U'a' + i % 26);
  Type(text);
  doc_.SetCaretPosition(0);
  const Paragraph* first = doc_.Document().FirstParagraph();
  const int line_height = doc_.Layout().Box(first, 0).height;
  // Types at the top until the first paragraph has one line more.
  const auto grow = [&] {
    const int lines = first->LineCount();
    while (first->LineCount() == lines) doc_.InputChar(U'w');
  };
  // Paints one line's height at the top of the view scrolled to the 20th paragraph from the end,
  // found from the document's height alone.
  const auto paint_far_down = [&] {
    testing::RecordingCanvas canvas;
    PaintContext context(canvas, {0, 0, 200, line_height});
    context.scrollY = doc_.Layout().DocumentHeight() - 20 * line_height;
    doc_.Layout().Paint(context);
    const auto texts = canvas.Of("text");
    return texts.empty() ? std::u32string() : texts.front().text;
  };
  const std::u32string far_down = U"line " + std::u32string(1, U'a' + (kParagraphs - 20) % 26);
  grow();
  EXPECT_EQ(paint_far_down(), far_down);
  grow();  // again, with the boxes above the painted ones caught up and those below not
  grow();
  EXPECT_EQ(paint_far_down(), far_down);
  grow();
  // Looked at from the bottom up, then from the top down: each paragraph right below the last.
  std::vector<const Paragraph*> pars;
  for (const Paragraph* p = first; p; p = p->next) pars.push_back(p);
  const TextLayout& layout = doc_.Layout();
  EXPECT_EQ(layout.BottomOf(pars.back()), layout.DocumentHeight());
  for (size_t i = pars.size() - 1; i > 0; --i)
    ASSERT_EQ(layout.Box(pars[i], 0).top, layout.BottomOf(pars[i - 1])) << i;
  grow();
  for (size_t i = 1; i < pars.size(); ++i)
    ASSERT_EQ(layout.Box(pars[i], 0).top, layout.BottomOf(pars[i - 1])) << i;
  EXPECT_EQ(layout.BottomOf(pars.back()), layout.DocumentHeight());
}

TEST_F(Editor, CaretBackspaceAndDeleteGoByCluster) {
  Type(U"a\U0001F44D\U0001F3FDe\u0301b");  // a, thumb with skin tone, e with accent, b
  struct Step {
    const char* what;
    int64_t caret;
  } steps[] = {{"left", 5}, {"left", 3}, {"left", 1}, {"right", 3}};
  for (const Step& s : steps) {
    if (std::string(s.what) == "left")
      doc_.MoveLeft(false, false);
    else
      doc_.MoveRight(false, false);
    EXPECT_EQ(doc_.GetCaretPosition(), s.caret) << (&s - steps);
  }
  EXPECT_TRUE(doc_.InputChar(kKeyDelete));  // the accented e
  EXPECT_EQ(doc_.Document().FirstParagraph()->CharCount(), 4);
  doc_.MoveLeft(false, false);
  EXPECT_TRUE(doc_.InputChar(kKeyBackspace));  // a
  EXPECT_TRUE(doc_.InputChar(kKeyDelete));     // the thumb
  EXPECT_EQ(Dump(doc_), "b");
}

TEST_F(Editor, ArrowsMoveOnTheScreenInRightToLeftText) {
  Type(U"\u05D0\u05D1 xy");  // shown "xy" at the left, the Hebrew word at the right
  doc_.SetCaretPosition(0);  // at the right edge
  struct Step {
    bool right;
    int64_t caret;
  } steps[] = {{false, 1}, {false, 2}, {false, 5}, {false, 4}, {true, 5}, {true, 2}, {true, 1}, {true, 0}};
  for (const Step& s : steps) {
    if (s.right)
      doc_.MoveRight(false, false);
    else
      doc_.MoveLeft(false, false);
    EXPECT_EQ(doc_.GetCaretPosition(), s.caret) << (&s - steps);
  }
  // Deleting at the end of the document keeps the paragraph's direction.
  doc_.Document().FirstParagraph()->parFlags |= kParRightToLeft;
  doc_.SetCaretPosition(5);
  doc_.InputChar(kKeyDelete);
  EXPECT_TRUE(doc_.Document().FirstParagraph()->parFlags & kParRightToLeft);
}

TEST_F(Editor, AligningAHebrewParagraphShowsTheSideChosen) {
  Type(U"\u05D0\u05D1 xy");
  const auto par = [this] { return doc_.Document().FirstParagraph(); };
  EXPECT_EQ(TextLayout::ShownAlignment(par()), kAlignRight);  // by its first letter
  const uint8_t sides[] = {kAlignLeft, kAlignRight, kAlignLeft};
  for (const uint8_t side : sides) {
    doc_.SetParAlignment(side);
    EXPECT_EQ(TextLayout::ShownAlignment(par()), side);
    EXPECT_TRUE(par()->parFlags & kParRightToLeft);  // kept in the file beside the alignment
  }
  for (size_t k = 0; k < std::size(sides); ++k) ASSERT_TRUE(doc_.Undo());
  EXPECT_EQ(par()->CharCount(), 5);  // the text stays, only the alignments went back
  EXPECT_FALSE(par()->parFlags & kParRightToLeft);
  EXPECT_EQ(TextLayout::ShownAlignment(par()), kAlignRight);
}

}  // namespace
}  // namespace inkwend
