#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "richtext/model/charset.h"
#include "richtext/model/dump.h"
#include "richtext/model/progress.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/text_io.h"
#include "richtext/rtf/writer.h"

namespace inkwend {
namespace {

const std::string kColorTable =
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green128\\blue0;"
    "\\red0\\green0\\blue255;"
    "\\red255\\green255\\blue0;\\red255\\green0\\blue255;\\red128\\green0\\blue128;\\red128\\green0\\blue0;"
    "\\red0\\green255\\blue0;\\red0\\green255\\blue255;\\red0\\green128\\blue128;\\red0\\green0\\blue128;"
    "\\red255\\green255\\blue255;\\red192\\green192\\blue192;\\red128\\green128\\blue128;}";
const std::string kPage = "\\paperw12240\\paperh15840\\margl1880\\margr1880\\margt1440\\margb1440";
const std::string kHeader =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss\\charset0 Arial;}}" + kColorTable + kPage;
const std::string kEnd = "\r\n}";
const std::string kPlain = "\\plain\\f0\\fs20\\cf0 ";  // the attribute block of defaultAttr

std::string SaveRtf(WPRTFText& doc) {
  MemoryStream out;
  doc.saveFormat = WPLoadFormat::FormatRTF;
  EXPECT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  return out.Bytes();
}

// The part between the header and the end.
std::string Body(WPRTFText& doc) {
  const std::string all = SaveRtf(doc);
  const size_t start = all.find(kPage);
  EXPECT_NE(start, std::string::npos);
  EXPECT_EQ(all.substr(all.size() - kEnd.size()), kEnd);
  return all.substr(start + kPage.size(), all.size() - kEnd.size() - start - kPage.size());
}

Paragraph* Para(WPRTFText& doc, std::u32string_view text, Paragraph* after = nullptr) {
  Paragraph* p = after ? doc.NewParagraph(after) : doc.FirstParagraph();
  doc.AppendText(p, text, doc.defaultAttr);
  return p;
}

// A stream that takes at most `limit` bytes in all and records the size of every write.
class TestStream : public WPStream {
 public:
  explicit TestStream(size_t limit = SIZE_MAX) : limit_(limit) {}
  size_t Write(const void* data, size_t size) override {
    writes.push_back(size);
    const size_t n = std::min(size, limit_ - bytes.size());
    bytes.append(static_cast<const char*>(data), n);
    return n;
  }
  size_t Read(void*, size_t) override { return 0; }
  int64_t Position() const override { return static_cast<int64_t>(bytes.size()); }
  bool Seek(int64_t) override { return false; }
  int64_t Size() const override { return static_cast<int64_t>(bytes.size()); }
  std::string bytes;
  std::vector<size_t> writes;

 private:
  size_t limit_;
};

TEST(RtfWriter, HiInArialTwelvePointBold) {
  WPRTFText doc;
  CharAttr a = doc.defaultAttr;
  a.pointSize = 12;
  a.styleBits = kStyleBold;
  doc.AppendText(doc.FirstParagraph(), U"Hi", a);
  EXPECT_EQ(SaveRtf(doc), kHeader + "{\\plain\\f0\\fs24\\cf0\\b Hi}\r\n}");
}

TEST(RtfWriter, EmptyDocumentToStreamIsOneZeroByte) {
  WPRTFText doc;
  MemoryStream out;
  EXPECT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  EXPECT_EQ(out.Bytes(), std::string(1, '\0'));
}

TEST(RtfWriter, EmptyDocumentToFileHasAnEmptyBody) {
  WPRTFText doc;
  // A name of this process's own: other builds may run this test at the same time.
  const auto path =
      std::filesystem::temp_directory_path() / ("richtext_empty_test_" + std::to_string(getpid()) + ".rtf");
  doc.saveFormat = WPLoadFormat::FormatANSI;  // the name's ".rtf" wins
  ASSERT_EQ(SaveToFile(doc, path.string(), doc.saveFormat), kResultOk);
  EXPECT_EQ(doc.saveFormat, WPLoadFormat::FormatANSI);  // restored
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), kHeader + "{}" + kEnd);
  std::filesystem::remove(path);
}

TEST(RtfWriter, SaveToFileFailsWithResultSevenWhenTheFileCannotBeWritten) {
  WPRTFText doc;
  Para(doc, U"x");
  EXPECT_EQ(SaveToFile(doc, "/nonexistent-dir/x.rtf", doc.saveFormat), kResultStreamError);
}

TEST(RtfWriter, TextEscapes) {
  struct Case {
    std::u32string text;
    std::string written;
  } cases[] = {
      {U"a{b}c\\d", "a\\{b\\}c\\\\d"},
      {U"caf\u00e9 \u00c9", "caf\\'e9 \\'c9"},  // lower-case hex digits
      {U"\u20ac\u2019", "\\'80\\'92"},          // Windows-1252 above 127
      {U"x\ty\nz", "x\\tab y\\line z"},
      {U"\x05\x7f", "\\'05\\'7f"},
      {U"a\x01\x02\x03"
       U"b",
       "ab"},                                  // never text
      {U"\u03a9", "\\u937?"},                  // outside Windows-1252
      {U"\U0001F600", "\\u-10179?\\u-8704?"},  // a surrogate pair
      {U"\uf061", "\\u-3999?"},                // a symbol character outside a symbol font
  };
  for (const Case& c : cases) {
    WPRTFText doc;
    Para(doc, c.text);
    EXPECT_EQ(Body(doc), "{" + kPlain + c.written + "}") << c.written;
  }
}

TEST(RtfWriter, SymbolFontKeepsItsBytes) {
  WPRTFText doc;
  const int slot = doc.header.FontIndexOf(U"Symbol");
  doc.header.fonts[static_cast<size_t>(slot)].charSet = kSymbolCharSet;
  doc.header.fonts[static_cast<size_t>(slot)].pitchFamily = kFamilyDecorative;
  CharAttr a = doc.defaultAttr;
  a.fontIndex = static_cast<uint8_t>(slot);
  doc.AppendText(doc.FirstParagraph(), U"\uf061\uf0e9a", a);
  const std::string all = SaveRtf(doc);
  EXPECT_NE(all.find("{\\f1\\fdecor\\charset2 Symbol;}"), std::string::npos);
  EXPECT_NE(all.find("{\\plain\\f1\\fs20\\cf0 \\'61\\'e9a}"), std::string::npos);
}

TEST(RtfWriter, AttributeBlocks) {
  struct Case {
    CharAttr attr;
    std::string block;
  };
  auto make = [](uint8_t font, uint8_t size, uint8_t colors, uint8_t style, uint8_t flags, uint16_t tag = 0) {
    CharAttr a;
    a.fontIndex = font;
    a.pointSize = size;
    a.colorIndexes = colors;
    a.styleBits = style;
    a.charFlags = flags;
    a.tagNumber = tag;
    return a;
  };
  const Case cases[] = {
      {make(0, 0, 0x0F, 0, 0), "\\plain\\f0\\fs20\\cf15 "},  // size 0 is 10 pt; colour 15 exists
      {make(0, 10, 0x31, 0, 0), "\\plain\\f0\\fs20\\cf1\\cb3 "},
      {make(0, 10, 0, 0xFF, 0), "\\plain\\f0\\fs20\\cf0\\b\\ul\\uldb\\super\\sub\\i\\strike "},
      {make(0, 10, 0, 0, kCharProtected | kCharAutomatic), "\\plain\\f0\\fs20\\cf0\\shad\\inaut "},
      {make(0, 72, 0, 0, kCharInsertPoint, 12), "\\plain\\f0\\fs144\\cf0\\inspnt12 "},
  };
  for (const Case& c : cases) {
    WPRTFText doc;
    doc.header.FontIndexOf(U"Courier New");
    doc.AppendText(doc.FirstParagraph(), U"x", c.attr);
    EXPECT_EQ(Body(doc), "{" + c.block + "x}");
  }
}

TEST(RtfWriter, OneBlockPerRun) {
  WPRTFText doc;
  CharAttr bold = doc.defaultAttr;
  bold.styleBits = kStyleBold;
  CharAttr wide = doc.defaultAttr;
  wide.tagNumber = 3;  // the tag does not split a run
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"ab", doc.defaultAttr);
  doc.AppendText(p, U"cd", wide);
  doc.AppendText(p, U"ef", bold);
  doc.NewLine(p, 0, 10);  // a second line starts a new block
  doc.AppendText(p, U"gh", bold);
  EXPECT_EQ(Body(doc), "{" + kPlain + "abcd\\plain\\f0\\fs20\\cf0\\b ef\\plain\\f0\\fs20\\cf0\\b gh}");
}

TEST(RtfWriter, InsertPointsFormRunsOfOneAndCanBeOmitted) {
  WPRTFText doc;
  CharAttr ip = doc.defaultAttr;
  ip.charFlags = kCharInsertPoint;
  ip.tagNumber = 4;
  doc.AppendText(doc.FirstParagraph(), U"ab", ip);
  EXPECT_EQ(Body(doc), "{\\plain\\f0\\fs20\\cf0\\inspnt4 a\\plain\\f0\\fs20\\cf0\\inspnt4 b}");
  doc.omitInsertPoints = true;
  EXPECT_EQ(Body(doc), "{" + kPlain + kPlain + "}");
}

TEST(RtfWriter, ParagraphProperties) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a");
  a->alignment = kAlignCenter;
  a->leftIndent = 720;
  a->firstIndent = 1080;
  a->rightIndent = -144;
  a->spaceBefore = 120;
  Paragraph* b = Para(doc, U"b", a);  // equal properties: no paragraph words
  Paragraph* c = Para(doc, U"c", b);
  c->alignment = kAlignJustify;
  c->lineSpacing = 240;
  c->parFlags = kParPageBreak | kParKeep;
  EXPECT_EQ(Body(doc), "{\\qc\\li720\\fi360\\ri-144\\sb120\\sl\\sa0" + kPlain + "a\\par\n\r" + kPlain +
                           "b\\par\n\r\\page\\keep\\qj\\sb120\\sl240\\sa0" + kPlain + "c}");
}

TEST(RtfWriter, HiddenTextBeforeTheParagraphEnd) {
  WPRTFText doc;
  CharAttr hidden = doc.defaultAttr;
  hidden.charFlags = kCharHidden;
  Paragraph* a = Para(doc, U"x");
  doc.AppendText(a, U"h", hidden);
  Para(doc, U"y", a);
  EXPECT_EQ(Body(doc), "{" + kPlain + "x\\plain\\f0\\fs20\\cf0\\v h\\plain\\par\n\r" + kPlain + "y}");
}

TEST(RtfWriter, LongLineInChunksWithoutLineBreaks) {
  WPRTFText doc;
  std::u32string text;
  for (int i = 0; i < 10000; ++i) text += static_cast<char32_t>(i % 7 == 0 ? U'{' : U'a' + i % 26);
  Para(doc, text);
  doc.saveFormat = WPLoadFormat::FormatRTF;
  TestStream out;
  ASSERT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  const size_t body = out.bytes.find("{\\plain");
  ASSERT_NE(body, std::string::npos);
  const std::string written = out.bytes.substr(body, out.bytes.size() - body - kEnd.size());
  EXPECT_EQ(written.find('\n'), std::string::npos);
  EXPECT_EQ(written.find('\r'), std::string::npos);
  // The paragraph holds two lines (9994 + 6 characters); each line starts with its block.
  EXPECT_EQ(written.size(), 1 + 2 * kPlain.size() + 10000 + 1429 + 1);  // 1429 escaped braces
  for (size_t n : out.writes) EXPECT_LE(n, 96u);
  EXPECT_GT(out.writes.size(), 100u);
}

TEST(RtfWriter, ShortWriteGivesSevenAndKeepsWhatWasWritten) {
  WPRTFText full_doc;
  Para(full_doc, std::u32string(500, U'x'));
  const std::string full = SaveRtf(full_doc);

  for (size_t limit : {size_t{0}, size_t{10}, size_t{700}, full.size() - 1}) {
    WPRTFText doc;
    Para(doc, std::u32string(500, U'x'));
    doc.saveFormat = WPLoadFormat::FormatRTF;
    TestStream out(limit);
    EXPECT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultStreamError);
    EXPECT_EQ(out.bytes, full.substr(0, limit));
  }
}

TEST(RtfWriter, HeaderFontsFamiliesAndInformation) {
  WPRTFText doc;
  const char32_t* names[] = {U"Times New Roman", U"Courier New", U"Script", U"Wingdings", U"Other"};
  const uint8_t families[] = {kFamilyRoman, kFamilyModern, kFamilyScript, kFamilyDecorative, 0};
  for (int i = 0; i < 5; ++i) {
    const int slot = doc.header.FontIndexOf(names[i]);
    doc.header.fonts[static_cast<size_t>(slot)].pitchFamily = families[i];
  }
  doc.header.fonts[5].charSet = 2;
  doc.header.title = U"My {day}";
  doc.header.subject = U"S\u00e9";
  doc.header.comment = U"C";
  doc.header.pageWidth = 11906;
  doc.header.marginTop = 720;
  Para(doc, U"x");
  const std::string all = SaveRtf(doc);
  EXPECT_EQ(
      all.substr(0, all.find("{\\colortbl")),
      "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss\\charset0 Arial;}{\\f1\\fnil\\charset0 Times "
      "New "
      "Roman;}{\\f2\\fmodern\\charset0 Courier New;}{\\f3\\fscript\\charset0 Script;}{\\f4\\fdecor\\charset0 "
      "Wingdings;}{\\f5\\fnil\\charset2 Other;}}");
  EXPECT_NE(all.find(kColorTable + "\\paperw11906\\paperh15840\\margl1880\\margr1880\\margt720\\margb1440"
                                   "{\\title My \\{day\\}}{\\subject\tS\xe9}{\\comment\tC}{"),
            std::string::npos);
}

TEST(RtfWriter, PlainModeWritesOnlyTheDefaultFont) {
  WPRTFText doc;
  doc.header.FontIndexOf(U"Courier New");
  CharAttr a = doc.defaultAttr;
  a.fontIndex = 1;
  doc.SetDefaultAttr(a);
  Para(doc, U"a{");
  doc.SetAttributeMode(false);
  const std::string all = SaveRtf(doc);
  EXPECT_EQ(all, "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil\\charset0 Courier New;}}" +
                     kColorTable + kPage + "{a\\{}" + kEnd);
}

TEST(RtfWriter, TabGroups) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a\tb");
  a->tabMask = doc.header.AddTab(1440, kTabRight) | doc.header.AddTab(720, kTabLeft) |
               doc.header.AddTab(2880, kTabDecimal) | doc.header.AddTab(4320, kTabCenter);
  Paragraph* b = Para(doc, U"b", a);  // same tabs: stays in the group
  Paragraph* c = Para(doc, U"c", b);
  c->tabMask = 0;  // leaves it
  EXPECT_EQ(Body(doc), "{{\\tqr\\tx1440\\tx720\\tqdec\\tx2880\\tqc\\tx4320" + kPlain + "a\\tab b\\par\n\r" +
                           kPlain + "b\\par\n\r}" + kPlain + "c}");
}

TEST(RtfWriter, BorderedBlock) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a");
  a->borderFlags[0] = kBorderOn | kBorderBox;
  a->borderWidth = 1;
  a->borderColor = 0x21;  // colour 1, 2 mm from the text
  Paragraph* b = Para(doc, U"b", a);
  b->borderFlags[0] |= kBorderEndsBlock;
  Paragraph* c = Para(doc, U"c", b);  // a new block of its own
  c->borderFlags[0] = kBorderOn | kBorderTop | kBorderBottom | kBorderDouble;
  c->borderFlags[1] = kBorderDotted | kBorderHairline | kBorderBar | kBorderTableLine;
  c->borderWidth = 3;
  c->borderColor = 0;
  Paragraph* d = Para(doc, U"d", c);
  d->borderFlags[0] = 0;
  EXPECT_EQ(Body(doc),
            "{{\\box\\brdrs\\brdrw20\\brsp7\\brdrcf1" + kPlain + "a\\par\n\r" + kPlain + "b\\par\n\r}" +
                "{\\brdrt\\brdrdb\\brdrb\\brdrdb\\brdrbar\\brdrtablin\\brdrw60\\brdrdot\\brdrhair" + kPlain +
                "c\\par\n\r}" + kPlain + "d}");
}

TEST(RtfWriter, ShadedParagraphForgetsItsPropertiesAfterwards) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a");
  a->shadingPercent = 30;
  a->shadingColors = 0x21;
  a->alignment = kAlignCenter;
  Paragraph* b = Para(doc, U"b", a);
  b->shadingPercent = 0;
  b->shadingColors = 0;
  Paragraph* c = Para(doc, U"c", b);
  c->shadingPercent = 100;
  c->shadingColors = 0x03;
  Paragraph* d = Para(doc, U"d", c);
  d->shadingPercent = 0;
  d->shadingColors = 0x20;  // background only, no pattern colour
  // The shading group closes after its paragraph, so the next one states its alignment again.
  EXPECT_EQ(Body(doc), "{{\\shading3000\\cfpat1\\cbpat2\\qc" + kPlain + "a\\par\n\r}\\qc" + kPlain +
                           "b\\par\n\r" + "{\\shading10000\\cfpat3" + kPlain + "c\\par\n\r}" +
                           "{\\shading1\\cfpat0\\cbpat2" + kPlain + "d}}");
}

TEST(RtfWriter, TableRow) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"x");
  a->parFlags = kParTableCell | kParMoreCells;
  a->borderFlags[0] = kBorderOn | kBorderBox;
  a->borderWidth = 1;
  a->cellStart = 0;
  a->cellWidth = 127;
  a->shadingPercent = 20;
  a->shadingColors = 0x12;
  Paragraph* b = Para(doc, U"y", a);
  b->parFlags = kParTableCell | kParContinuesRow;
  b->borderFlags[0] = 0;
  b->borderWidth = 0;
  b->shadingPercent = 0;
  b->shadingColors = 0;
  b->cellStart = 127;
  b->cellWidth = 128;
  b->spaceBefore = 100;
  b->spaceAfter = 200;
  Paragraph* c = Para(doc, U"after", b);
  c->parFlags = 0;
  c->spaceBefore = c->spaceAfter = 0;
  EXPECT_EQ(Body(doc),
            "{{"
            "\\pard\\trowd\\trgaph0\\trleft0\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\clbrdrl\\brdrs\\clbrdrr\\brdrs"
            "\\brdrw20"
            "\\clshdng2000\\clcfpat2\\clcbpat1\\cellx4223\\cellx8480\\intbl\\sb0\\sl\\sa0" +
                kPlain + "x\\cell\n\r\\intbl\\sb100\\sl\\sa200" + kPlain + "y\\cell\\row\n\r}" + kPlain +
                "after}");
}

TEST(RtfWriter, RowOfOneCellEndsWithRow) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"only");
  a->parFlags = kParTableCell;
  a->cellWidth = 255;
  EXPECT_EQ(Body(doc), "{{\\pard\\trowd\\trgaph0\\trleft0\\cellx8480\\intbl\\sb0\\sl\\sa0" + kPlain +
                           "only\\cell\\row\n\r}}");
}

TEST(RtfWriter, RtfCodeTextIsWrittenAsItIsAndClosedBeforeTheParagraphEnd) {
  WPRTFText doc;
  CharAttr code = doc.defaultAttr;
  code.charFlags = kCharRtfCode;
  Paragraph* a = doc.FirstParagraph();
  doc.AppendText(a, U"{\\b x}", code);
  doc.AppendText(a, U"y", doc.defaultAttr);
  doc.AppendText(a, U"{z}", code);
  Para(doc, U"w", a);
  EXPECT_EQ(Body(doc),
            "{\\plain\\f0\\fs20\\cf0\\wprtf1 {\\b x}\\wprtf0\\plain\\f0\\fs20\\cf0 y"
            "\\plain\\f0\\fs20\\cf0\\wprtf1 {z}\\wprtf0\\par\n\r" +
                kPlain + "w}");
}

TEST(RtfWriter, Footnotes) {
  WPRTFText doc;
  FootnoteRec* plain = doc.AddFootnote(U'*', 0, U"first {note}");
  FootnoteRec* numbered = doc.AddFootnote(U'1', 1, U"second");
  CharAttr anchor = doc.defaultAttr;
  anchor.charFlags = kCharFootnote;
  Paragraph* p = Para(doc, U"A");
  anchor.tagNumber = plain->id;
  doc.AppendText(p, U"*", anchor);
  anchor.tagNumber = numbered->id;
  doc.AppendText(p, U"1", anchor);
  EXPECT_EQ(
      Body(doc),
      "{" + kPlain + "A" + kPlain +
          "{\\cs16\\super *{\\*\\footnote \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super "
          "*} "
          "first \\{note\\}}}" +
          kPlain +
          "{\\cs16\\super 1{\\*\\footnote \\wpfnnr1 \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 "
          "{\\cs16\\super\t1} second}}}");
}

TEST(RtfWriter, SelectionInEitherDirection) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"abc");
  Paragraph* b = Para(doc, U"def", a);
  Para(doc, U"ghi", b);
  doc.saveFormat = WPLoadFormat::FormatRTF;
  const std::string expected = kHeader + "{" + kPlain + "bc\\par\n\r" + kPlain + "d}" + kEnd;
  for (bool backwards : {false, true}) {
    TextRange r{a, 0, 1, b, 0, 1};
    if (backwards) r = TextRange{b, 0, 1, a, 0, 1};
    MemoryStream out;
    EXPECT_EQ(SaveSelectionToStream(doc, out, r, doc.saveFormat), kResultOk);
    EXPECT_EQ(out.Bytes(), expected);
  }
}

// --- what the reader must get back -----------------------------------------------------------

std::unique_ptr<WPRTFText> ReadBack(const std::string& rtf) {
  auto doc = std::make_unique<WPRTFText>();
  MemoryStream in(rtf);
  WPRtfReader reader(doc.get());
  EXPECT_EQ(reader.Read(in), kResultOk);
  return doc;
}

std::u32string TextOf(const Paragraph* p) { return std::u32string(p->Text().begin(), p->Text().end()); }

TEST(RtfWriter, SymbolFontTextReadsBackUnchanged) {
  struct Case {
    std::u32string text;
    std::string written;
  } cases[] = {
      {U"\uf061\uf080\uf0e9\uf009", "\\'61\\'80\\'e9\\'09"},  // the font's own symbols as bytes
      {U"a;{\\}", "a;\\{\\\\\\}"},                            // ASCII as in any font
      // A byte escape would read back as the symbol of that byte.
      {U"\u20ac\u00e9\u0005\u007f\u0081", "\\u8364?\\u233?\\u5?\\u127?\\u129?"},
      {U"\u03a9\t\n", "\\u937?\\tab \\line "},
      {U"longer plain text\u20acand then \uf0e9 more", "longer plain text\\u8364?and then \\'e9 more"},
  };
  for (const Case& c : cases) {
    WPRTFText doc;
    const int slot = doc.header.FontIndexOf(U"Symbol");
    doc.header.fonts[static_cast<size_t>(slot)].charSet = kSymbolCharSet;
    CharAttr a = doc.defaultAttr;
    a.fontIndex = static_cast<uint8_t>(slot);
    doc.AppendText(doc.FirstParagraph(), c.text, a);
    const std::string rtf = SaveRtf(doc);
    EXPECT_EQ(Body(doc), "{\\plain\\f1\\fs20\\cf0 " + c.written + "}");
    EXPECT_EQ(TextOf(ReadBack(rtf)->FirstParagraph()), c.text) << c.written;
  }
}

TEST(RtfWriter, EveryCharacterBelowU2400ReadsBackInAnyFont) {
  // The characters the writer has ready-made forms for, and their neighbours beyond, in an
  // ordinary font and in a symbol font.
  std::u32string text;
  for (char32_t c = 4; c < 0x2400; ++c) {
    if (c != U'\n') text += c;
  }
  for (uint8_t charset : {uint8_t{0}, kSymbolCharSet}) {
    WPRTFText doc;
    CharAttr a = doc.defaultAttr;
    a.fontIndex = static_cast<uint8_t>(doc.header.FontIndexOf(U"Other"));
    doc.header.fonts[a.fontIndex].charSet = charset;
    Paragraph* p = doc.FirstParagraph();
    for (size_t at = 0; at < text.size(); at += 5000)
      doc.AppendText(p, std::u32string_view(text).substr(at, 5000), a);
    const auto back = ReadBack(SaveRtf(doc));
    const std::u32string read = TextOf(back->FirstParagraph());
    ASSERT_EQ(read.size(), text.size()) << int(charset);
    for (size_t i = 0; i < text.size(); ++i)
      ASSERT_EQ(read[i], text[i]) << "U+" << std::hex << uint32_t(text[i]);
  }
}

TEST(RtfWriter, FullShadingKeepsItsBackgroundColour) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a");
  a->shadingPercent = 100;
  a->shadingColors = 0x23;
  Paragraph* cell = Para(doc, U"c", a);
  cell->shadingPercent = 100;
  cell->shadingColors = 0x45;
  cell->parFlags = kParTableCell;
  cell->cellWidth = 255;
  EXPECT_EQ(Body(doc), "{{\\shading10000\\cfpat3\\cbpat2" + kPlain + "a\\par\n\r}" +
                           "{\\pard\\trowd\\trgaph0\\trleft0\\clshdng10000\\clcfpat5\\clcbpat4\\cellx8480\\in"
                           "tbl\\sb0\\sl\\sa0" +
                           kPlain + "c\\cell\\row\n\r}}");
  const auto back = ReadBack(SaveRtf(doc));
  EXPECT_EQ(back->FirstParagraph()->shadingPercent, 100);
  EXPECT_EQ(back->FirstParagraph()->shadingColors, 0x23);
  EXPECT_EQ(back->FirstParagraph()->next->shadingColors, 0x45);
  EXPECT_EQ(back->FirstParagraph()->next->shadingPercent, 100);
}

// The tab stops of a paragraph as (position, kind) pairs, whatever slots hold them.
std::vector<std::pair<int32_t, uint8_t>> TabStops(const WPRTFText& doc, const Paragraph* p) {
  std::vector<std::pair<int32_t, uint8_t>> stops;
  for (int slot = 0; slot < kTabSlots; ++slot) {
    if (p->HasTab(slot))
      stops.emplace_back(doc.header.tabs[static_cast<size_t>(slot)].position,
                         doc.header.tabs[static_cast<size_t>(slot)].kind);
  }
  std::sort(stops.begin(), stops.end());
  return stops;
}

TEST(RtfWriter, EveryTableCellKeepsItsTabStops) {
  WPRTFText doc;
  const uint64_t right = doc.header.AddTab(1440, kTabRight);
  const uint64_t two = doc.header.AddTab(720, kTabLeft) | doc.header.AddTab(2880, kTabCenter);
  // Three rows of the same three cells: stops that differ from the previous cell's, stops equal
  // to them, and none after some (also across the end of a row).
  const uint64_t masks[] = {right, two, 0, right, right, two, 0, 0, right};
  Paragraph* p = nullptr;
  for (int i = 0; i < 9; ++i) {
    p = Para(doc, std::u32string(1, static_cast<char32_t>(U'a' + i)), p);
    const int col = i % 3;
    p->parFlags = static_cast<uint8_t>(kParTableCell | (col > 0 ? kParContinuesRow : 0) |
                                       (col < 2 ? kParMoreCells : 0));
    p->cellStart = static_cast<uint8_t>(85 * col);
    p->cellWidth = 85;
    p->tabMask = masks[i];
  }
  const std::string cell = "\\sb0\\sl\\sa0" + kPlain;
  EXPECT_EQ(Body(doc),
            "{{\\pard\\trowd\\trgaph0\\trleft0\\cellx2826\\cellx5653\\cellx8480\\intbl\\tqr\\tx1440" + cell +
                "a\\cell\n\r\\intbl\\tx720\\tqc\\tx2880" + cell + "b\\cell\n\r\\pard\\intbl" + cell +
                "c\\cell\\row\n\r\\intbl\\tqr\\tx1440" + cell + "d\\cell\n\r\\intbl" + cell +
                "e\\cell\n\r\\intbl\\tx720\\tqc\\tx2880" + cell + "f\\cell\\row\n\r\\pard\\intbl" + cell +
                "g\\cell\n\r\\intbl" + cell + "h\\cell\n\r\\intbl\\tqr\\tx1440" + cell +
                "i\\cell\\row\n\r}}");
  const auto back = ReadBack(SaveRtf(doc));
  const Paragraph* q = back->FirstParagraph();
  const Paragraph* o = doc.FirstParagraph();
  for (int i = 0; i < 9; ++i, q = q->next, o = o->next) {
    ASSERT_TRUE(q);
    EXPECT_TRUE(q->IsTableCell());
    EXPECT_EQ(TabStops(*back, q), TabStops(doc, o)) << "cell " << i;
    EXPECT_EQ(q->parFlags, o->parFlags) << "cell " << i;
  }
}

TEST(RtfWriter, ManyDistinctAttributesEachGetTheirOwnBlock) {
  // More distinct attributes than the writer remembers blocks for, each used several times in
  // random order, so that remembered blocks are both reused and displaced.
  WPRTFText doc;
  for (const char32_t* name : {U"Times New Roman", U"Courier New", U"Georgia", U"Verdana", U"Tahoma"}) {
    doc.header.FontIndexOf(name);
  }
  std::mt19937 gen(11);
  std::vector<CharAttr> pool(1500, doc.defaultAttr);
  for (CharAttr& a : pool) {
    a.fontIndex = static_cast<uint8_t>(gen() % 6);
    a.pointSize = static_cast<uint8_t>(6 + gen() % 60);
    a.SetTextColor(static_cast<uint8_t>(gen() % 15));  // 15 is not in the colour table
    a.SetBackgroundColor(static_cast<uint8_t>(gen() % 15));
    a.styleBits = static_cast<uint8_t>(gen() % 32 | (gen() % 3 == 0 ? kStyleSuperscript : 0));
    a.charFlags = static_cast<uint8_t>(gen() % 4 & (kCharHidden | kCharProtected));
  }
  Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < 5000; ++i) {
    doc.AppendText(p, U"ab", pool[gen() % pool.size()]);
    if (i % 30 == 29) p = doc.NewParagraph(p);
  }
  const auto back = ReadBack(SaveRtf(doc));
  // Compared paragraph by paragraph to keep a failure readable.
  const Paragraph* q = back->FirstParagraph();
  int n = 0;
  for (const Paragraph* o = doc.FirstParagraph(); o; o = o->next, q = q ? q->next : nullptr, ++n) {
    ASSERT_TRUE(q);
    ASSERT_EQ(DumpParagraph(*q, n), DumpParagraph(*o, n));
  }
}

TEST(RtfWriter, MemoryStreamTakesTheSameBytesInLargerBlocks) {
  WPRTFText doc;
  std::mt19937 gen(5);
  const std::u32string words[] = {U"plain ", U"{b}", U"caf\u00e9 ", U"\u03a9 ", U"\t", U"\\"};
  Paragraph* p = doc.FirstParagraph();
  for (int i = 0; i < 3000; ++i) {
    CharAttr a = doc.defaultAttr;
    a.styleBits = static_cast<uint8_t>(gen() % 3);
    doc.AppendText(p, words[gen() % std::size(words)], a);
    if (i % 100 == 99) p = doc.NewParagraph(p);
  }
  doc.saveFormat = WPLoadFormat::FormatRTF;
  TestStream small;  // handed a block whenever more than 90 bytes wait
  ASSERT_EQ(SaveToStream(doc, small, doc.saveFormat), kResultOk);
  EXPECT_GT(small.writes.size(), small.bytes.size() / 128);
  MemoryStream memory;
  ASSERT_EQ(SaveToStream(doc, memory, doc.saveFormat), kResultOk);
  EXPECT_EQ(memory.Bytes(), small.bytes);
  EXPECT_GT(memory.Bytes().size(), 30000u);
}

TEST(TextWriter, PlainTextWithClosingZero) {
  WPRTFText doc;
  Paragraph* a = Para(doc, U"a{\u00e9");
  Para(doc, U"\u03a9b", a);
  doc.saveFormat = WPLoadFormat::FormatANSI;
  MemoryStream out;
  ASSERT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  EXPECT_EQ(out.Bytes(), std::string("a{\xe9\r\n?b\0", 8));
}

TEST(TextWriter, LongLineHandedOnInChunksOfNinetyOneBytes) {
  // ASCII stretches of every length between characters that need a conversion.
  std::u32string text;
  std::string expected;
  for (int stretch = 0; text.size() < 3000; stretch = (stretch + 1) % 20) {
    for (int k = 0; k < stretch; ++k) {
      text += static_cast<char32_t>(U'a' + k);
      expected += static_cast<char>('a' + k);
    }
    text += stretch % 2 ? U'\u00e9' : U'\u03a9';
    expected += stretch % 2 ? '\xe9' : '?';
  }
  WPRTFText doc;
  Para(doc, text);
  doc.saveFormat = WPLoadFormat::FormatANSI;
  TestStream out;
  ASSERT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  EXPECT_EQ(out.bytes, expected + std::string(1, '\0'));
  // Handed on as soon as more than 90 bytes wait: 91 at a time, the rest (and the 0) at the end.
  ASSERT_GT(out.writes.size(), 2u);
  for (size_t i = 0; i + 1 < out.writes.size(); ++i) EXPECT_EQ(out.writes[i], 91u) << i;
}

TEST(TextWriter, Utf8OutputKeepsEveryCharacter) {
  WPRTFText doc;
  Para(doc, U"\u03a9\u00e9");
  MemoryStream out;
  WPTextWriter writer(doc, out);
  writer.utf8Output = true;
  writer.omitClosingZero = true;
  ASSERT_EQ(writer.WriteAll(), kResultOk);
  EXPECT_EQ(out.Bytes(), "\xce\xa9\xc3\xa9");
}

TEST(RtfWriter, SaveReportsProgressAndClosesItsFrame) {
  WPRTFText doc;
  Paragraph* p = Para(doc, std::u32string(300, U'a'));
  for (int i = 0; i < 9; ++i) p = Para(doc, std::u32string(300, U'b'), p);
  std::vector<int> seen;
  progress_event = [&](int percent) { seen.push_back(percent); };
  SaveRtf(doc);
  progress_event = nullptr;
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], 10);  // after the first of ten equal paragraphs
  EXPECT_EQ(seen[seen.size() - 2], 100);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end() - 1));
  EXPECT_EQ(WPProgress::Depth(), 0);
}

TEST(SaveFormat, AutomaticAndLastFormatChoice) {
  WPRTFText doc;
  EXPECT_EQ(EffectiveSaveFormat(doc, doc.saveFormat), WPLoadFormat::FormatRTF);
  doc.lastFormat = WPLoadFormat::FormatANSI;
  EXPECT_EQ(EffectiveSaveFormat(doc, doc.saveFormat), WPLoadFormat::FormatANSI);
  doc.saveFormat = WPLoadFormat::LastFormat;
  doc.lastFormat = WPLoadFormat::FormatHTML;
  EXPECT_EQ(EffectiveSaveFormat(doc, doc.saveFormat), WPLoadFormat::FormatRTF);
  doc.SetAttributeMode(false);
  EXPECT_EQ(EffectiveSaveFormat(doc, doc.saveFormat), WPLoadFormat::FormatANSI);
  doc.saveFormat = WPLoadFormat::FormatRTF;
  EXPECT_EQ(EffectiveSaveFormat(doc, doc.saveFormat), WPLoadFormat::FormatRTF);
}

TEST(SaveFormat, HtmlIsRefused) {
  WPRTFText doc;
  Para(doc, U"x");
  doc.saveFormat = WPLoadFormat::FormatHTML;
  MemoryStream out;
  EXPECT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultNothingToWrite);
  EXPECT_TRUE(out.Bytes().empty());
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

// An independent reading of the writer's output for the properties every entry file must have:
// groups balance and never close the document early, no raw control bytes appear inside text,
// and the characters come back in order (escapes, \tab, \line, \uN? and paragraph ends decoded).
struct Decoded {
  bool balanced = true;
  std::u32string text;  // paragraphs separated by U'\r'
};

Decoded DecodeWriterOutput(const std::string& rtf) {
  Decoded d;
  int depth = 0;
  size_t i = 0;
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{') {
      ++depth;
      ++i;
    } else if (c == '}') {
      if (--depth < 0 || (depth == 0 && i + 1 != rtf.size())) d.balanced = false;
      ++i;
    } else if (c == '\r' || c == '\n') {
      ++i;
    } else if (c == '\\') {
      const char n = rtf[i + 1];
      if (n == '\\' || n == '{' || n == '}') {
        d.text += static_cast<char32_t>(n);
        i += 2;
      } else if (n == '\'') {
        d.text += Cp1252ToUnicode(static_cast<uint8_t>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16)));
        i += 4;
      } else {
        size_t j = i + 1;
        while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
        const std::string word = rtf.substr(i + 1, j - i - 1);
        size_t k = j;
        if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) ++k;
        while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
        const std::string number = rtf.substr(j, k - j);
        if (k < rtf.size() && rtf[k] == ' ') ++k;
        if (word == "tab") d.text += U'\t';
        if (word == "line") d.text += U'\n';
        if (word == "par") d.text += U'\r';
        if (word == "u") {
          d.text += static_cast<char32_t>(static_cast<uint16_t>(std::stoi(number)));
          if (k < rtf.size() && rtf[k] == '?') ++k;
        }
        // Only the body carries text: skip the font and colour tables.
        if (word == "fonttbl" || word == "colortbl") {
          for (int inner = 1; k < rtf.size() && inner > 0; ++k)
            inner += rtf[k] == '{' ? 1 : rtf[k] == '}' ? -1 : 0;
          --depth;
        }
        i = k;
      }
    } else {
      if (static_cast<unsigned char>(c) < 32) d.balanced = false;
      d.text += static_cast<unsigned char>(c);
      ++i;
    }
  }
  if (depth != 0) d.balanced = false;
  return d;
}

std::u32string JoinSurrogates(const std::u32string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size()) {
      out += static_cast<char32_t>(0x10000 + ((s[i] - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

TEST(RtfWriter, RandomDocumentsKeepTheirTextAndBalance) {
  std::mt19937 gen(7);
  const char32_t alphabet[] = {U'a',      U'Z',      U' ',      U'{',          U'}',    U'\\',   U'\t', U'\n',
                               U'\u00e9', U'\u20ac', U'\u03a9', U'\U0001F600', U'\x05', U'\x7f', U';',  U'?'};
  for (int round = 0; round < 20; ++round) {
    WPRTFText doc;
    std::u32string expected;
    Paragraph* p = doc.FirstParagraph();
    const int paragraphs = 1 + static_cast<int>(gen() % 6);
    for (int n = 0; n < paragraphs; ++n) {
      if (n > 0) {
        p = doc.NewParagraph(p);
        expected += U'\r';
      }
      p->alignment = static_cast<uint8_t>(gen() % 4);
      p->leftIndent = static_cast<int32_t>(gen() % 3) * 360;
      if (gen() % 4 == 0) p->shadingPercent = 20;
      if (gen() % 4 == 0) p->borderFlags[0] = kBorderOn | kBorderBox;
      if (gen() % 5 == 0) p->borderFlags[0] |= kBorderEndsBlock;
      if (gen() % 4 == 0) p->tabMask = doc.header.AddTab(720 * (1 + static_cast<int>(gen() % 4)), kTabLeft);
      const int runs = static_cast<int>(gen() % 5);
      for (int r = 0; r < runs; ++r) {
        CharAttr a = doc.defaultAttr;
        a.styleBits = static_cast<uint8_t>(gen() % 256);
        a.charFlags = static_cast<uint8_t>(gen() % 2 ? kCharHidden : 0);
        a.colorIndexes = static_cast<uint8_t>(gen() % 256);
        std::u32string run;
        for (int k = static_cast<int>(gen() % 12); k > 0; --k) run += alphabet[gen() % std::size(alphabet)];
        doc.AppendText(p, run, a);
        expected += run;
      }
    }
    doc.saveFormat = WPLoadFormat::FormatRTF;
    MemoryStream out;
    ASSERT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
    if (doc.IsEmpty()) continue;
    const Decoded d = DecodeWriterOutput(out.Bytes());
    EXPECT_TRUE(d.balanced) << out.Bytes();
    EXPECT_EQ(JoinSurrogates(d.text), expected) << out.Bytes();
  }
}

}  // namespace
}  // namespace inkwend
