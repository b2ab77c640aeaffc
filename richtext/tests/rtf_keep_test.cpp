// Nothing lost on save: text in fonts of other character sets reads back as itself, and files
// from other programs settle after one read and write (write(read(write(read(f)))) equals
// write(read(f))).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "base/text_encoding.h"
#include "richtext/model/charset.h"
#include "richtext/model/dump.h"
#include "richtext/picture/picture_decoder.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"
#include "richtext/tests/document_text.h"
#include "richtext/tests/read_rtf.h"

namespace inkwend {
namespace {

std::string Write(const WPRTFText& doc) {
  MemoryStream s;
  EXPECT_EQ(WriteDocument(doc, s, WPLoadFormat::FormatRTF, nullptr, true), kResultOk);
  return s.Bytes();
}

using testing::Read;
using testing::Text;

// --- character sets ---------------------------------------------------------------------------

TEST(RtfCharset, TextInFontsOfOtherCharacterSetsReadsBackAsItself) {
  struct Case {
    uint8_t charset;
    std::u32string text;
    const char* bytes;  // how one of its characters is written
  } cases[] = {
      // Cyrillic: Windows-1251 has the letters and the quotes, not the accented Latin ones.
      {204, U"caf\u00E9 na\u00EFve \u201C\u0416\u0438\u0437\u043D\u044C\u201D \u20AC", "\\'c6"},
      // Japanese: Shift-JIS pairs for the kana, \uN? for what it lacks.
      {128, U"\u201Cquoted\u201D caf\u00E9 \u65E5\u672C\u8A9E \uFF76\u2014", "\\'93\\'fa"},
      {238, U"\u0141\u00F3d\u017A \u00E9t\u00E9 \u00C6", "\\'a3"},
      {161, U"\u0391\u03B8\u03AE\u03BD\u03B1 \u00E9", "\\'c1"},
  };
  for (const Case& c : cases) {
    WPRTFText doc;
    const int slot = doc.header.FontIndexOf(U"Other");
    doc.header.fonts[static_cast<size_t>(slot)].charSet = c.charset;
    CharAttr a = doc.defaultAttr;
    a.fontIndex = static_cast<uint8_t>(slot);
    doc.AppendText(doc.FirstParagraph(), c.text + U" \\{}\t", a);
    const std::string rtf = Write(doc);
    EXPECT_NE(rtf.find(c.bytes), std::string::npos) << int{c.charset} << "\n" << rtf;
    auto back = Read(rtf);
    EXPECT_EQ(ToUtf8(Text(*back)), ToUtf8(Text(doc))) << int{c.charset} << "\n" << rtf;
    EXPECT_EQ(Write(*back), rtf) << int{c.charset};
  }
}

TEST(RtfCharset, FontNamesAreWrittenInTheirOwnCodePage) {
  WPRTFText doc;
  const int slot = doc.header.FontIndexOf(U"Caf\u00E9 \u0416");
  doc.header.fonts[static_cast<size_t>(slot)].charSet = 204;
  CharAttr a = doc.defaultAttr;
  a.fontIndex = static_cast<uint8_t>(slot);
  doc.AppendText(doc.FirstParagraph(), U"x", a);
  auto back = Read(Write(doc));
  EXPECT_EQ(back->header.FindFont(U"Caf\u00E9 \u0416"), slot);
}

// --- one read and write settles a file ---------------------------------------------------------

// write(read(f)), and the same once more from what it wrote.
struct Rounds {
  std::string first, second;
};

Rounds WriteTwice(const std::string& rtf) {
  Rounds r;
  r.first = Write(*Read(rtf));
  r.second = Write(*Read(r.first));
  return r;
}

const std::string kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}";

// A row of two boxed cells.
const std::string kBoxRow =
    "\\trowd\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx3000"
    "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx6000";

// A device-independent bitmap of 2 x 1 pixels at 24 bits.
const std::string kDib =
    "28000000020000000100000001001800000000000800000000000000000000000000000000000000"
    "0000ff00ff000000";

// --- direction ---------------------------------------------------------------------------------

TEST(RtfDirection, ParagraphAndRunDirectionsAreKeptAndWritten) {
  // A paragraph's direction is its own; a group ends a run's; \ltrch after \rtlch replaces it.
  const std::string rtf = kHead +
                          "\\pard\\rtlpar {\\rtlch \\u1488?}b\\par "
                          "\\ltrpar c{\\rtlch\\ltrch d}\\par "
                          "e\\par}";
  auto doc = Read(rtf);
  const Paragraph* p = doc->FirstParagraph();
  const uint8_t both = kParRightToLeft | kParLeftToRight;
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->parFlags & both, kParRightToLeft);
  EXPECT_EQ(p->Attrs()[0].moreFlags, kMoreRightToLeft);
  EXPECT_EQ(p->Attrs()[1].moreFlags, 0);
  ASSERT_NE(p->next, nullptr);
  EXPECT_EQ(p->next->parFlags & both, kParLeftToRight);
  EXPECT_EQ(p->next->Attrs()[1].moreFlags, kMoreLeftToRight);
  ASSERT_NE(p->next->next, nullptr);
  EXPECT_EQ(p->next->next->parFlags & both, 0);
  const Rounds r = WriteTwice(rtf);
  EXPECT_NE(r.first.find("\\rtlpar"), std::string::npos) << r.first;
  EXPECT_NE(r.first.find("\\ltrpar"), std::string::npos) << r.first;
  EXPECT_NE(r.first.find("\\rtlch"), std::string::npos) << r.first;
  EXPECT_NE(r.first.find("\\ltrch"), std::string::npos) << r.first;
  EXPECT_EQ(r.second, r.first);
}

TEST(RtfFixedPoint, FilesFromOtherProgramsSettleAfterOneRound) {
  struct Case {
    const char* name;
    std::string rtf;
  } cases[] = {
      // A PNG is written as the PNG it is, which must stay one.
      {"png picture", kHead + "a{\\pict\\pngblip\\picw2\\pich1\\picwgoal30\\pichgoal15 89504e47}b}"},
      {"device-independent bitmap",
       kHead + "a{\\pict\\dibitmap0\\picw2\\pich1\\picwgoal30\\pichgoal15 " + kDib + "}b}"},
      {"tab in a footnote", kHead + "x{\\super 1}{\\footnote \\pard {\\super 1} one\\tab two}y\\par z}"},
      // Word's nested table: the inner rows stay in the outer cell; the outer rows, bordered,
      // each close their own group.
      {"nested table", kHead + "{" + kBoxRow +
                           "\\pard\\intbl outer\\par\\pard\\intbl\\itap2 a\\nestcell b\\nestcell"
                           "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
                           "\\pard\\intbl\\itap1 after\\cell second\\cell\\row}{" +
                           kBoxRow + "\\pard\\intbl third\\cell fourth\\cell\\row}\\pard end\\par}"},
      // A font name longer than the font table keeps, cut after a space.
      {"long font name",
       "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Thursday, 10 December. A plain line;}}"
       "\\f1 x\\f0 y}"},
      // A cell paragraph indented on its own does not move the row's cell edges.
      {"indented cell",
       kHead + "\\trowd\\trleft100\\cellx2000\\cellx4000\\pard\\intbl a\\cell\\pard\\intbl\\li720 b"
               "\\cell\\row\\pard end\\par}"},
  };
  for (const Case& c : cases) {
    const Rounds r = WriteTwice(c.rtf);
    EXPECT_EQ(r.second, r.first) << c.name;
  }
}

// Random RTF of the kinds other programs write: text in three code pages, groups, tables and
// nested tables, bordered paragraphs, footnotes, pictures, and braces that need not balance.
TEST(RtfFixedPoint, GeneratedFilesSettleAfterOneRound) {
  const std::string head =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset204 Times Cyr;}"
      "{\\f2\\fnil\\fcharset128 Gothic;}{\\f3\\fnil\\fcharset2 Symbol;}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red1\\green2\\blue3;\\red4\\green5\\blue6;\\red7\\green8\\blue9;"
      "\\red9\\green9\\blue9;\\red10\\green9\\blue9;\\red11\\green9\\blue9;\\red12\\green9\\blue9;"
      "\\red13\\green9\\blue9;\\red14\\green9\\blue9;\\red15\\green9\\blue9;\\red16\\green9\\blue9;"
      "\\red17\\green9\\blue9;\\red18\\green9\\blue9;\\red19\\green9\\blue9;\\red20\\green9\\blue9;"
      "\\red21\\green9\\blue9;\\red139\\green69\\blue19;\\red255\\green192\\blue203;}"
      "{\\stylesheet{\\s1\\qc\\sb240\\sl360\\slmult1\\b\\fs32 Heading;}{\\*\\cs2\\additive\\scaps Small;}"
      "{\\s3\\tqr\\tldot\\tx6000\\sbasedon1 Contents;}}";
  const std::string fragments[] = {
      "text ",
      "\\par ",
      "{\\b bold}",
      "{\\i ",
      "}",
      "{",
      "\\tab ",
      "\\'e9",
      "\\u1046?",
      "{\\f1 \\'c6\\'e8\\'93}",
      "{\\f2 \\'93\\'fa\\'b6}",
      "\\f1 ",
      "\\f3 \\'b7",
      "\\plain ",
      "\\fs28 ",
      "\\cf2 ",
      "\\cf15 ",
      "\\cf18 ",
      "{\\chcbpat19 ",
      "\\highlight18 ",
      "\\trowd\\trpaddl55\\trpaddfl3\\clbrdrt\\brdrnone\\clbrdrb\\brdrs\\clpadft3\\clpadt90\\cellx2500 ",
      "{\\pard\\intbl\\qr right\\par}",
      "\\clcbpat19 ",
      "\\trowd\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx2000\\cellx4000 ",
      "\\trowd\\trleft300\\cellx3000 ",
      "\\intbl ",
      "\\cell ",
      "\\row ",
      "\\nestcell ",
      "{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}",
      "\\itap2 ",
      "{\\nonesttables\\par}",
      "x{\\footnote \\pard a\\tab b}",
      "{\\pict\\pngblip 8950}",
      "{\\pict\\pngblip 89}",
      "{\\pict\\dibitmap0 " + kDib + "}",
      "\\pard ",
      "\\li720 ",
      "\\qc ",
      "\\box\\brdrs ",
      "{\\brdrt\\brdrs ",
      "\\page ",
      "\\line ",
      "\\sb120 ",
      "\\tx1440 ",
      "\\keep ",
      "\\s1 ",
      "\\s3 ",
      "{\\cs2 cs}",
      "\\sl276\\slmult1 ",
      "\\tqr\\tlhyph\\tx5000 ",
      "\\deftab1134 ",
      "hy\\-phen ",
      "{\\caps c}",
      "\\scaps ",
      "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\pngblip 8950}}}}{\\shprslt r}}",
  };
  std::mt19937 rng(18);
  for (int round = 0; round < 1000; ++round) {
    std::string rtf = head;
    for (int n = 3 + static_cast<int>(rng() % 40); n > 0; --n) rtf += fragments[rng() % std::size(fragments)];
    rtf += '}';
    const Rounds r = WriteTwice(rtf);
    EXPECT_EQ(r.second, r.first) << rtf;
    if (HasFailure()) break;
  }
}

TEST(RtfFixedPoint, OurFixturesFromOtherProgramsSettle) {
  for (const char* name : {"libreoffice_writer.rtf", "libreoffice_diary.rtf", "pandoc_diary.rtf"}) {
    std::ifstream in(std::filesystem::path(INKWEND_SOURCE_DIR) / "richtext" / "tests" / "data" / name,
                     std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    ASSERT_FALSE(bytes.str().empty()) << name;
    const Rounds r = WriteTwice(bytes.str());
    EXPECT_EQ(r.second, r.first) << name;
  }
}

}  // namespace
}  // namespace inkwend
