// RTF from other programs keeps how it looks: RTF's default size and the style sheet, line
// spacing as a multiple of the line, the default tab distance, tab leaders, soft hyphens,
// capitals and pictures in Word's shapes; and each of them is written so that it reads back,
// while the diary's own files read and are written as before.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "richtext/picture/picture_decoder.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"
#include "richtext/tests/document_text.h"
#include "richtext/tests/read_rtf.h"

namespace inkwend {
namespace {

using testing::Text;

const std::string kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times;}}";

using testing::Read;

std::string Write(const WPRTFText& doc) {
  MemoryStream s;
  EXPECT_EQ(WriteDocument(doc, s, WPLoadFormat::FormatRTF, nullptr, true), kResultOk);
  return s.Bytes();
}

const CharAttr& AttrAt(const WPRTFText& doc, int par_index, int offset) {
  const Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < par_index; ++i) p = p->next;
  return p->Attrs()[static_cast<size_t>(offset)];
}

const Paragraph* ParAt(const WPRTFText& doc, int par_index) {
  const Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < par_index; ++i) p = p->next;
  return p;
}

// --- sizes and styles ---------------------------------------------------------------------------

TEST(RtfLooks, TextWithoutASizeIsInRtfsDefaultSize) {
  struct Case {
    const char* body;
    uint8_t size;
  } cases[] = {
      {"a", 12},                  // nothing stated (pandoc)
      {"\\fs20 x\\plain a", 12},  // \plain goes back to the default
      {"\\fs28 a", 14},
  };
  for (const Case& c : cases) {
    auto doc = Read(kHead + c.body + "}");
    const auto text = doc->FirstParagraph()->Text();
    EXPECT_EQ(AttrAt(*doc, 0, static_cast<int>(text.size()) - 1).pointSize, c.size) << c.body;
  }
  // Saved, it stays 12 points (it was a permanent 10).
  EXPECT_NE(Write(*Read(kHead + "a}")).find("\\fs24\\cf0 a"), std::string::npos);
}

TEST(RtfLooks, StylesOfTheStyleSheetApplyWhereTheTextNamesThem) {
  const std::string sheet =
      "{\\stylesheet{\\ql\\fs22 Normal;}{\\s1\\qc\\sb240\\sa120\\b\\f1\\fs32\\sbasedon0 heading 1;}"
      "{\\s2\\i\\sbasedon1 heading 2;}{\\*\\cs10\\additive\\i\\cf1 Emphasis;}}";
  auto doc = Read(kHead + "{\\colortbl;\\red255\\green0\\blue0;}" + sheet +
                  "\\pard\\plain\\s1 Title\\par"
                  "\\pard\\plain\\s2\\fs40 Sub\\par"
                  "\\pard\\plain body {\\cs10 stress} end\\par"
                  "\\pard\\plain\\s7 unknown\\par"
                  // The same style again, from the same state and from another one.
                  "\\pard\\plain\\s1 Again\\par\\pard\\plain\\i\\fs18\\s1 Third}");
  ASSERT_EQ(Text(*doc), U"Title|Sub|body stress end|unknown|Again|Third");
  const Paragraph* title = ParAt(*doc, 0);
  EXPECT_EQ(title->alignment, kAlignCenter);
  EXPECT_EQ(title->spaceBefore, 240);
  EXPECT_EQ(title->spaceAfter, 120);
  EXPECT_EQ(AttrAt(*doc, 0, 0).pointSize, 16);
  EXPECT_EQ(AttrAt(*doc, 0, 0).styleBits, kStyleBold);
  EXPECT_EQ(AttrAt(*doc, 0, 0).fontIndex, doc->header.FindFont(U"Times"));
  // Based on heading 1: its formatting first, then the style's own, then the words after it.
  EXPECT_EQ(ParAt(*doc, 1)->alignment, kAlignCenter);
  EXPECT_EQ(AttrAt(*doc, 1, 0).styleBits, kStyleBold | kStyleItalic);
  EXPECT_EQ(AttrAt(*doc, 1, 0).pointSize, 20);
  // A character style adds to the text's formatting.
  EXPECT_EQ(AttrAt(*doc, 2, 0).styleBits, 0);
  EXPECT_EQ(AttrAt(*doc, 2, 5).styleBits, kStyleItalic);
  EXPECT_NE(AttrAt(*doc, 2, 5).TextColor(), 0);
  EXPECT_EQ(AttrAt(*doc, 2, 5).pointSize, 12);
  EXPECT_EQ(ParAt(*doc, 2)->alignment, kAlignLeft);
  // A style the sheet does not define changes nothing; the sheet's names are no text.
  EXPECT_EQ(AttrAt(*doc, 3, 0).pointSize, 12);
  EXPECT_EQ(AttrAt(*doc, 4, 0), AttrAt(*doc, 0, 0));
  EXPECT_EQ(ParAt(*doc, 4)->spaceBefore, 240);
  EXPECT_EQ(AttrAt(*doc, 5, 0).styleBits, kStyleBold | kStyleItalic);
  EXPECT_EQ(AttrAt(*doc, 5, 0).pointSize, 16);
  EXPECT_EQ(ParAt(*doc, 5)->alignment, kAlignCenter);
}

TEST(RtfLooks, TheDiarysOwnFilesReadAsBefore) {
  // Our writer states the size of every run; text of the default size (0, written \fs20)
  // and the footnote's style words read back as they were written.
  WPRTFText doc;
  CharAttr plain = doc.defaultAttr;
  plain.pointSize = 0;
  doc.AppendText(doc.FirstParagraph(), U"default size", plain);
  Paragraph* second = doc.NewParagraph(doc.FirstParagraph());
  second->lineSpacing = 300;
  CharAttr big = plain;
  big.pointSize = 14;
  doc.AppendText(second, U"bigger\tafter a tab", big);
  const std::string once = Write(doc);
  EXPECT_EQ(once.find("\\deftab", 20), std::string::npos) << once;  // only the header's
  EXPECT_EQ(once.find("slmult"), std::string::npos);
  auto back = Read(once);
  EXPECT_EQ(AttrAt(*back, 0, 0).pointSize, 10);  // \fs20, as it always read
  EXPECT_EQ(AttrAt(*back, 1, 0).pointSize, 14);
  EXPECT_FALSE(ParAt(*back, 1)->lineSpacingMultiple);
  EXPECT_EQ(back->header.defaultTabTwips, 0);  // \deftab720 of our header is not a distance
  EXPECT_EQ(Write(*back), once);
}

// --- spacing and tabs ---------------------------------------------------------------------------

TEST(RtfLooks, LineSpacingAsAMultipleIsKeptAndWritten) {
  struct Case {
    const char* words;
    int32_t spacing;
    bool multiple;
  } cases[] = {
      {"\\sl360\\slmult1", 360, true},    {"\\sl276\\slmult1", 276, true},
      {"\\sl360\\slmult0", 360, false},   {"\\sl360", 360, false},  // at least 360 twips
      {"\\sl-300\\slmult1", -300, false},                           // exactly 300 twips
  };
  for (const Case& c : cases) {
    auto doc = Read(kHead + "\\pard" + c.words + " a\\par\\pard b}");
    EXPECT_EQ(ParAt(*doc, 0)->lineSpacing, c.spacing) << c.words;
    EXPECT_EQ(ParAt(*doc, 0)->lineSpacingMultiple, c.multiple) << c.words;
    EXPECT_FALSE(ParAt(*doc, 1)->lineSpacingMultiple) << c.words;  // \pard ends it
    const std::string once = Write(*doc);
    EXPECT_EQ(once.find("\\slmult1") != std::string::npos, c.multiple) << once;
    auto back = Read(once);
    EXPECT_EQ(ParAt(*back, 0)->lineSpacingMultiple, c.multiple) << once;
    EXPECT_FALSE(ParAt(*back, 1)->lineSpacingMultiple) << once;
    EXPECT_EQ(Write(*back), once);
  }
}

TEST(RtfLooks, DefaultTabDistanceOfAFileFromElsewhere) {
  auto doc = Read("{\\rtf1\\ansi\\deff0\\deftab1134{\\fonttbl{\\f0 Arial;}}a\\tab b}");
  EXPECT_EQ(doc->header.defaultTabTwips, 1134);
  const std::string once = Write(*doc);
  EXPECT_NE(once.find("\\margb1440\\deftab1134"), std::string::npos) << once;
  auto back = Read(once);
  EXPECT_EQ(back->header.defaultTabTwips, 1134);
  EXPECT_EQ(Write(*back), once);
  // Pasted text keeps the document's own distance.
  WPRTFText into;
  MemoryStream s(std::string("{\\rtf1\\ansi\\deftab1134 x}"));
  WPRtfReader reader(&into);
  reader.keepLayout = true;
  reader.Read(s);
  EXPECT_EQ(into.header.defaultTabTwips, 0);
}

TEST(RtfLooks, TabLeadersAreKeptAndWritten) {
  struct Case {
    const char* word;
    uint8_t leader;
  } cases[] = {{"\\tldot", kTabLeaderDot},  {"\\tlhyph", kTabLeaderHyphen}, {"\\tlul", kTabLeaderUnderline},
               {"\\tlth", kTabLeaderThick}, {"\\tleq", kTabLeaderEquals},   {"", kTabLeaderNone}};
  for (const Case& c : cases) {
    // The same stop with and without a leader: two stops of their own.
    auto doc = Read(kHead + "\\pard\\tqr" + c.word + "\\tx8640 Chapter\\tab 3\\par\\pard\\tqr\\tx8640 x}");
    const Paragraph* toc = ParAt(*doc, 0);
    int slot = -1;
    for (int i = 0; i < kTabSlots; ++i) {
      if (toc->HasTab(i)) slot = i;
    }
    ASSERT_GE(slot, 0) << c.word;
    const TabSlot& t = doc->header.tabs[static_cast<size_t>(slot)];
    EXPECT_EQ(t.leader, c.leader) << c.word;
    EXPECT_EQ(t.kind, kTabRight) << c.word;
    EXPECT_EQ(ParAt(*doc, 1)->tabMask == toc->tabMask, c.leader == kTabLeaderNone) << c.word;
    const std::string once = Write(*doc);
    EXPECT_NE(once.find(std::string("\\tqr") + c.word + "\\tx8640"), std::string::npos) << once;
    EXPECT_EQ(Write(*Read(once)), once) << c.word;
  }
}

// --- characters ---------------------------------------------------------------------------------

TEST(RtfLooks, SoftHyphenAndCapitalsAreKeptAndWritten) {
  auto doc = Read(kHead + "hy\\-phen {\\caps all} {\\scaps small} {\\caps\\caps0 none}}");
  ASSERT_EQ(Text(*doc), U"hy\u00ADphen all small none");
  EXPECT_EQ(AttrAt(*doc, 0, 9).moreFlags, kMoreAllCaps);
  EXPECT_EQ(AttrAt(*doc, 0, 13).moreFlags, kMoreSmallCaps);
  EXPECT_EQ(AttrAt(*doc, 0, 19).moreFlags, 0);
  const std::string once = Write(*doc);
  EXPECT_NE(once.find("\\caps all"), std::string::npos) << once;
  EXPECT_NE(once.find("\\scaps small"), std::string::npos) << once;
  auto back = Read(once);
  EXPECT_EQ(Text(*back), Text(*doc));
  EXPECT_EQ(AttrAt(*back, 0, 13).moreFlags, kMoreSmallCaps);
  EXPECT_EQ(Write(*back), once);
}

TEST(RtfLooks, PictureInAWordShapeIsKeptOnce) {
  const std::string pib =
      "{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip\\picwgoal300\\pichgoal150 "
      "89504e47}}}";
  struct Case {
    const char* name;
    std::string body;
    size_t pictures;
  } cases[] = {
      // The result older readers show (here a picture too) is not read a second time.
      {"picture property", "a{\\shp{\\*\\shpinst\\shpleft0" + pib + "}{\\shprslt {\\pict\\pngblip 8950}}}b",
       1},
      {"picture property, no result", "a{\\shp{\\*\\shpinst" + pib + "}}b", 1},
      // A shape without a picture: its result is the text shown.
      {"text box",
       "a{\\shp{\\*\\shpinst{\\sp{\\sn fillColor}{\\sv 255}}}{\\shprslt {\\pict\\pngblip 8950}}}b", 1},
      {"no picture", "a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}}}b", 0},
  };
  for (const Case& c : cases) {
    auto doc = Read(kHead + c.body + "}");
    EXPECT_EQ(doc->Objects().size(), c.pictures) << c.name;
    std::u32string text = Text(*doc);
    std::erase_if(text, [](char32_t ch) { return ch < 4; });
    EXPECT_EQ(text, U"ab") << c.name;  // no property names or values as text
  }
  auto doc = Read(kHead + cases[0].body + "}");
  ASSERT_EQ(doc->Objects().size(), 1u);
  EXPECT_EQ(doc->Objects()[0]->width, 300);
  const std::string once = Write(*doc);
  EXPECT_EQ(Write(*Read(once)), once);
}

}  // namespace
}  // namespace inkwend
