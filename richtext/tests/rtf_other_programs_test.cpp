// RTF from and for other programs: colours past the toolbar's 16 kept exactly, borderless
// tables, cell padding and alignment as word processors write them, and the clipboard's RTF in
// words that word processors read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "richtext/rtf/loader.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"
#include "richtext/tests/document_text.h"

namespace inkwend {
namespace {

std::unique_ptr<WPRTFText> Read(const std::string& rtf) {
  auto doc = std::make_unique<WPRTFText>();
  MemoryStream s(rtf);
  WPRtfReader reader(doc.get());
  reader.Read(s);
  return doc;
}

std::string Write(const WPRTFText& doc, RtfFlavour flavour = RtfFlavour::Stored) {
  MemoryStream s;
  EXPECT_EQ(WriteDocument(doc, s, WPLoadFormat::FormatRTF, nullptr, true, flavour), kResultOk);
  return s.Bytes();
}

// The record of the first character of `word` in the document.
const CharAttr& AttrOf(const WPRTFText& doc, std::u32string_view word) {
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    const std::u32string text(p->Text().begin(), p->Text().end());
    const size_t at = text.find(word);
    if (at != std::u32string::npos) return p->Attrs()[at];
  }
  ADD_FAILURE() << "no such word";
  return doc.defaultAttr;
}

ColorRef TextColorOf(const WPRTFText& doc, std::u32string_view word) {
  return doc.header.Color(AttrOf(doc, word).TextColor());
}
ColorRef BackgroundOf(const WPRTFText& doc, std::u32string_view word) {
  const uint8_t index = AttrOf(doc, word).BackgroundColor();
  return index == 0 ? 0xFFFFFFFF : doc.header.Color(index);  // 0xFFFFFFFF: no background
}

const std::string kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}";

// LibreOffice's table: the automatic entry, its 16 standard colours, then its own (17 on).
const std::string kLibreOfficeColors =
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;"
    "\\red0\\green255\\blue0;\\red255\\green0\\blue255;\\red255\\green0\\blue0;\\red255\\green255\\blue0;"
    "\\red255\\green255\\blue255;\\red0\\green0\\blue128;\\red0\\green128\\blue128;\\red0\\green128\\blue0;"
    "\\red128\\green0\\blue128;\\red128\\green0\\blue0;\\red128\\green128\\blue0;\\red128\\green128\\blue128;"
    "\\red192\\green192\\blue192;"
    "\\red102\\green102\\blue102;\\red139\\green69\\blue19;\\red153\\green0\\blue0;"
    "\\red255\\green192\\blue203;}";

// --- colours ----------------------------------------------------------------------------------

TEST(RtfColors, ColorsPastTheToolbarsKeepTheirValues) {
  const std::string rtf = kHead + kLibreOfficeColors +
                          "\\cf17 grey \\cf18 brown \\cf19 darkred \\cf15 grey15 \\cf1{\\chcbpat20 pink} "
                          "{\\highlight18 marked} plain}";
  auto doc = Read(rtf);
  EXPECT_EQ(TextColorOf(*doc, U"grey"), RGBColor(102, 102, 102));
  EXPECT_EQ(TextColorOf(*doc, U"brown"), RGBColor(139, 69, 19));
  EXPECT_EQ(TextColorOf(*doc, U"darkred"), RGBColor(153, 0, 0));
  EXPECT_EQ(TextColorOf(*doc, U"grey15"), RGBColor(128, 128, 128));  // index 15 holds its own colour
  EXPECT_EQ(BackgroundOf(*doc, U"pink"), RGBColor(255, 192, 203));
  EXPECT_EQ(BackgroundOf(*doc, U"marked"), RGBColor(139, 69, 19));
  EXPECT_EQ(BackgroundOf(*doc, U"plain"), 0xFFFFFFFFu);
  // Runs that differ only in the high bits of their colours are runs of their own.
  CharAttr one, seventeen;
  one.SetTextColor(1);
  seventeen.SetTextColor(17);
  EXPECT_FALSE(one.SameRun(seventeen));

  // Written with the whole table, read back alike, and settled after one round.
  const std::string first = Write(*doc);
  EXPECT_NE(first.find("\\red255\\green192\\blue203;"), std::string::npos) << first;
  auto back = Read(first);
  EXPECT_EQ(TextColorOf(*back, U"brown"), RGBColor(139, 69, 19));
  EXPECT_EQ(TextColorOf(*back, U"grey15"), RGBColor(128, 128, 128));
  EXPECT_EQ(BackgroundOf(*back, U"pink"), RGBColor(255, 192, 203));
  EXPECT_EQ(Write(*back), first);
}

TEST(RtfColors, TheDiarysOwnTableIsWrittenAsBefore) {
  // The diary's own table states 15 colours. Read into a document that held colours of another
  // file past them (its index 15 too), the file is written back with its 15 entries.
  for (const std::string& table : {std::string(), std::string("{\\colortbl\\red1\\green2\\blue3;}")}) {
    WPRTFText doc;
    doc.header.colors[15] = RGBColor(9, 9, 9);
    doc.header.moreColors = {RGBColor(1, 1, 1)};
    MemoryStream s(kHead + table + "\\cf0 y}");
    ASSERT_EQ(LoadFromStream(doc, s, LoadOptions{}), kResultOk);
    EXPECT_EQ(doc.header.ColorCount(), 16);
    EXPECT_EQ(doc.header.colors[15], kDefaultColors[15]);
    const std::string rtf = Write(doc);
    const size_t start = rtf.find("{\\colortbl");
    const std::string entries = rtf.substr(start, rtf.find('}', start) - start);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), ';'), 15) << entries;
  }
}

TEST(RtfColors, BeyondTheTablesRoomTheNearestColourStandsIn) {
  std::string table = "{\\colortbl";
  for (int i = 0; i < 300; ++i) table += "\\red" + std::to_string(i % 2 ? 250 : 0) + "\\green0\\blue0;";
  table += "}";
  // Colour 299 is red (250, 0, 0) past the 256 the table keeps: the table's own red stands in;
  // a paragraph's shading keeps only the first 16 and takes the nearest of them.
  auto doc = Read(kHead + table + "\\cf299 far \\cf17 near\\par\\pard\\shading5000\\cbpat17 shaded}");
  EXPECT_EQ(doc->header.ColorCount(), kMaxColors);
  EXPECT_EQ(TextColorOf(*doc, U"far"), RGBColor(250, 0, 0));
  EXPECT_LT(AttrOf(*doc, U"far").TextColor(), kMaxColors);
  EXPECT_EQ(AttrOf(*doc, U"near").TextColor(), 17);
  const Paragraph* shaded = doc->ParagraphAt(1);
  EXPECT_EQ(doc->header.Color(shaded->shadingColors >> 4), RGBColor(250, 0, 0));
}

TEST(RtfColors, PastedTextAddsOnlyTheColoursItUses) {
  WPRTFText doc;
  doc.AppendText(doc.FirstParagraph(), U"HeadTail", doc.defaultAttr);
  MemoryStream s(kHead + kLibreOfficeColors + "\\cf18 brown {\\chcbpat1 onblack}}");
  LoadOptions options;
  options.caret = {doc.FirstParagraph(), 0, 4};
  ASSERT_EQ(LoadFromStream(doc, s, options), kResultOk);
  EXPECT_EQ(doc.header.ColorCount(), 17);  // black is the table's own
  EXPECT_EQ(TextColorOf(doc, U"brown"), RGBColor(139, 69, 19));
  // A black background is no "no background" (index 0): the table's second black serves.
  EXPECT_EQ(BackgroundOf(doc, U"onblack"), RGBColor(0, 0, 0));
}

// --- tables -----------------------------------------------------------------------------------

TEST(RtfTables, BordersNamedAsNoneAreNone) {
  struct Case {
    const char* name;
    std::string definition;
    uint8_t border;  // first border byte of the cell
  } cases[] = {
      {"none", "\\clbrdrt\\brdrnone\\clbrdrl\\brdrnone\\clbrdrb\\brdrnone\\clbrdrr\\brdrnone", 0},
      {"nil", "\\clbrdrt\\brdrnil\\clbrdrl\\brdrnil\\clbrdrb\\brdrnil\\clbrdrr\\brdrnil", 0},
      {"table's", "\\clbrdrt\\brdrtbl\\clbrdrl\\brdrtbl\\clbrdrb\\brdrtbl\\clbrdrr\\brdrtbl", 0},
      {"top only", "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrnone\\clbrdrb\\brdrtbl\\clbrdrr\\brdrnil",
       kBorderOn | kBorderTop},
      {"paragraph", "", 0},
  };
  for (const Case& c : cases) {
    const std::string body =
        std::string(c.name) == "paragraph"
            ? "\\pard\\brdrb\\brdrnone a\\par}"
            : "\\trowd" + c.definition + "\\cellx3000\\pard\\intbl a\\cell\\row\\pard b\\par}";
    auto doc = Read(kHead + body);
    EXPECT_EQ(doc->FirstParagraph()->borderFlags[0] & ~kBorderEndsBlock, c.border) << c.name;
  }
}

TEST(RtfTables, CellPaddingFromRowCellOrGap) {
  struct Case {
    const char* name;
    std::string row;
    int across, down;  // padding in twips, as kept (to 5 twips)
  } cases[] = {
      {"Word's gap", "\\trgaph108", 110, 0},
      {"row padding",
       "\\trgaph108\\trpaddl55\\trpaddr55\\trpaddfl3\\trpaddfr3\\trpaddft3\\trpaddt20"
       "\\trpaddfb3\\trpaddb20",
       55, 20},
      // Word's \clpadt is the left and \clpadl the top; a cell's own padding wins over the row's.
      {"cell padding", "\\trpaddl55\\trpaddfl3\\clpadft3\\clpadt200\\clpadfr3\\clpadr200\\clpadfl3\\clpadl40",
       200, 20},
      {"unit not twips", "\\trgaph50\\trpaddl300\\trpaddfl0", 50, 0},
  };
  for (const Case& c : cases) {
    auto doc = Read(kHead + "\\trowd" + c.row + "\\cellx3000\\pard\\intbl a\\cell\\row\\pard b\\par}");
    const Paragraph* cell = doc->FirstParagraph();
    EXPECT_EQ(cell->tableLayout[0] * kCellPaddingUnit, c.across) << c.name;
    EXPECT_EQ(cell->tableLayout[1] * kCellPaddingUnit, c.down) << c.name;
    EXPECT_EQ(cell->spaceBefore, 0) << c.name;  // the gap is no space before
    // Kept through a save, and settled after it.
    const std::string first = Write(*doc);
    auto back = Read(first);
    EXPECT_EQ(back->FirstParagraph()->tableLayout[0], cell->tableLayout[0]) << c.name << "\n" << first;
    EXPECT_EQ(back->FirstParagraph()->tableLayout[1], cell->tableLayout[1]) << c.name << "\n" << first;
    EXPECT_EQ(Write(*back), first) << c.name;
  }
}

TEST(RtfTables, PandocCellsKeepTheirAlignment) {
  // pandoc ends each cell's paragraph inside a group that closes before \cell.
  const std::string row =
      "\\trowd \\trgaph120\\cellx2000\\cellx4000\\cellx6000\\trkeep\\intbl{"
      "{{\\pard\\intbl \\ql \\f0 \\sa0 left\\par}\\cell}"
      "{{\\pard\\intbl \\qr \\f0 \\sa0 right\\par}\\cell}"
      "{{\\pard\\intbl \\qc \\f0 \\sa0 centred\\par}\\cell}}\\intbl\\row}";
  // Word's cell of two paragraphs takes the alignment of its last one.
  const std::string word = "\\trowd\\cellx2000\\pard\\intbl\\qc title\\par\\pard\\intbl\\qr body\\cell\\row";
  auto doc = Read(kHead + "{" + row + word + "\\pard after\\par}");
  EXPECT_EQ(doc->ParagraphAt(0)->alignment, kAlignLeft);
  EXPECT_EQ(doc->ParagraphAt(1)->alignment, kAlignRight);
  EXPECT_EQ(doc->ParagraphAt(2)->alignment, kAlignCenter);
  EXPECT_EQ(doc->ParagraphAt(3)->alignment, kAlignRight);
  EXPECT_EQ(doc->ParagraphAt(4)->alignment, kAlignLeft);
}

// --- clipboard --------------------------------------------------------------------------------

TEST(RtfClipboard, SaysWhatWordProcessorsReadStoredFilesStayAsTheyAre) {
  WPRTFText doc;
  const int symbol = doc.header.FontIndexOf(U"Symbol");
  doc.header.fonts[static_cast<size_t>(symbol)].charSet = kSymbolCharSet;
  CharAttr a = doc.defaultAttr;
  a.SetTextColor(12);
  a.SetBackgroundColor(1);
  doc.AppendText(doc.FirstParagraph(), U"white on red ", a);
  CharAttr bullet = doc.defaultAttr;
  bullet.fontIndex = static_cast<uint8_t>(symbol);
  doc.AppendText(doc.FirstParagraph(), U"\uF0B7", bullet);

  const std::string stored = Write(doc);
  const std::string clipboard = Write(doc, RtfFlavour::Clipboard);
  for (const char* word : {"\\fcharset", "\\chcbpat", "\\highlight"})
    EXPECT_EQ(stored.find(word), std::string::npos) << word;
  EXPECT_NE(clipboard.find("\\charset0\\fcharset0 Arial;"), std::string::npos) << clipboard;
  EXPECT_NE(clipboard.find("\\charset2\\fcharset2 Symbol;"), std::string::npos) << clipboard;
  EXPECT_NE(clipboard.find("\\cb1\\chcbpat1\\highlight1"), std::string::npos) << clipboard;
  // Read back by the diary, the clipboard's RTF is the same document.
  EXPECT_EQ(Write(*Read(clipboard)), stored);
}

}  // namespace
}  // namespace inkwend
