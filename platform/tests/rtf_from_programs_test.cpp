// RTF written by LibreOffice Writer and by pandoc, read with the pictures decoded by Qt as the
// program does. The text must be what LibreOffice itself reads from the same file (its own
// plain-text conversion, committed beside each file), and everything the model holds must
// arrive: fonts, sizes, styles, colours, alignment, indents, spacing, tab stops, page breaks,
// table cells and the PNG and JPEG pictures. richtext/tests/data/README.md says how the files
// were made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/tests/temp_dir.h"
#include "platform/qt_picture_decoder.h"
#include "richtext/model/charset.h"
#include "richtext/model/symbol_font.h"
#include "richtext/rtf/loader.h"

namespace inkwend {
namespace {

std::filesystem::path DataDir() {
  return std::filesystem::path(INKWEND_SOURCE_DIR) / "richtext" / "tests" / "data";
}

using testing::ReadFile;

class RtfFromPrograms : public ::testing::Test {
 protected:
  // Loads a fixture; its text as LibreOffice's conversion writes it: paragraphs on lines of
  // their own, object anchors left out, the document's closing empty paragraph not shown.
  std::string Load(const char* name) {
    LoadOptions options;
    options.pictureDecoder = &QtPictureDecoderInstance();
    EXPECT_EQ(LoadFromFile(doc_, (DataDir() / name).string(), options), kResultOk) << name;
    std::u32string text;
    for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
      if (!p->next && p->CharCount() == 0) break;
      const auto chars = p->Text();
      const auto attrs = p->Attrs();
      for (size_t i = 0; i < chars.size(); ++i) {
        if (attrs[i].charFlags & kCharObject) continue;
        text.push_back(PlainTextChar(doc_.header, chars[i], attrs[i]));
      }
      text.push_back(U'\n');
    }
    return ToUtf8(text);
  }

  const CharAttr& AttrOf(int paragraph, std::u32string_view word) {
    const Paragraph* p = doc_.ParagraphAt(paragraph);
    const std::u32string text(p->Text().begin(), p->Text().end());
    const size_t at = text.find(word);
    EXPECT_NE(at, std::u32string::npos) << ToUtf8(word);
    return p->Attrs()[at == std::u32string::npos ? 0 : at];
  }
  std::u32string FontOf(const CharAttr& a) { return doc_.header.fonts[a.fontIndex].name; }
  ColorRef ColorOf(const CharAttr& a) { return doc_.header.Color(a.TextColor()); }

  WPRTFText doc_;
};

TEST_F(RtfFromPrograms, LibreOfficeWriter) {
  EXPECT_EQ(Load("libreoffice_diary.rtf"), ReadFile(DataDir() / "libreoffice_diary.txt"));

  // Character formatting.
  EXPECT_EQ(AttrOf(0, U"bold").styleBits, kStyleBold);
  EXPECT_EQ(AttrOf(0, U"italic").styleBits, kStyleItalic);
  EXPECT_EQ(AttrOf(0, U"underlined").styleBits, kStyleUnderline);
  EXPECT_EQ(AttrOf(0, U"struck").styleBits, kStyleStrikeOut);
  EXPECT_EQ(FontOf(AttrOf(0, U"plain")), U"Liberation Serif");
  EXPECT_EQ(AttrOf(0, U"plain").pointSize, 12);
  // #C00000 is LibreOffice's 17th colour, past the toolbar's 16: kept as it is.
  EXPECT_EQ(ColorOf(AttrOf(1, U"Red")), RGBColor(0xC0, 0, 0));
  const CharAttr& blue = AttrOf(1, U"blue sans");
  EXPECT_EQ(ColorOf(blue), RGBColor(0, 0, 0xFF));
  EXPECT_EQ(FontOf(blue), U"Liberation Sans");
  EXPECT_EQ(blue.pointSize, 14);
  EXPECT_EQ(FontOf(AttrOf(1, U"mono")), U"Liberation Mono");
  EXPECT_EQ(AttrOf(1, U"mono").pointSize, 9);
  EXPECT_EQ(AttrOf(1, U"2.").styleBits, kStyleSuperscript);

  // Paragraphs: alignment, indents (first-line absolute), spacing only where it was set.
  EXPECT_EQ(doc_.ParagraphAt(2)->alignment, kAlignCenter);
  EXPECT_EQ(doc_.ParagraphAt(3)->alignment, kAlignRight);
  EXPECT_EQ(doc_.ParagraphAt(4)->alignment, kAlignJustify);
  const Paragraph* indented = doc_.ParagraphAt(5);
  EXPECT_EQ(indented->leftIndent, 1440);
  EXPECT_EQ(indented->firstIndent, 2160);
  EXPECT_EQ(indented->rightIndent, 720);
  EXPECT_EQ(indented->spaceBefore, 240);
  EXPECT_EQ(indented->spaceAfter, 120);
  const Paragraph* hanging = doc_.ParagraphAt(6);
  EXPECT_EQ(hanging->leftIndent, 1440);
  EXPECT_EQ(hanging->firstIndent, 720);
  EXPECT_EQ(hanging->spaceBefore, 0);
  EXPECT_EQ(hanging->spaceAfter, 0);

  // Tab stops: left at 1", centred at 3", right at 5".
  const Paragraph* tabs = doc_.ParagraphAt(7);
  std::vector<std::pair<int, int>> stops;
  for (int slot = 0; slot < kTabSlots; ++slot) {
    if (tabs->HasTab(slot)) stops.emplace_back(doc_.header.tabs[slot].position, doc_.header.tabs[slot].kind);
  }
  EXPECT_EQ(stops,
            (std::vector<std::pair<int, int>>{{1440, kTabLeft}, {4320, kTabCenter}, {7200, kTabRight}}));

  EXPECT_TRUE(doc_.ParagraphAt(9)->parFlags & kParPageBreak);

  // Two rows of three cells.
  int cells = 0, row_starts = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    if (!p->IsTableCell()) continue;
    ++cells;
    row_starts += (p->parFlags & kParContinuesRow) == 0;
  }
  EXPECT_EQ(cells, 6);
  EXPECT_EQ(row_starts, 2);

  // The PNG (4 x 3) and the JPEG (8 x 8) as bitmaps, at the size the document gives them.
  ASSERT_EQ(doc_.Objects().size(), 2u);
  ASSERT_NE(doc_.Objects()[0]->graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc_.Objects()[0]->graphic.Bitmap()->width, 4);
  EXPECT_EQ(doc_.Objects()[0]->graphic.Bitmap()->height, 3);
  EXPECT_EQ(doc_.Objects()[0]->width, 576);  // 0.4 inch
  ASSERT_NE(doc_.Objects()[1]->graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc_.Objects()[1]->graphic.Bitmap()->width, 8);
  EXPECT_EQ(doc_.Objects()[1]->height, 720);  // 0.5 inch
}

TEST_F(RtfFromPrograms, Pandoc) {
  const std::string text = Load("pandoc_diary.rtf");
  EXPECT_EQ(text, ReadFile(DataDir() / "pandoc_diary.txt"));
  EXPECT_NE(text.find("\xF0\x9F\x98\x80"), std::string::npos);  // the emoji, from a \uN surrogate pair

  const CharAttr& heading = AttrOf(0, U"Thursday");
  EXPECT_EQ(heading.styleBits, kStyleBold);
  EXPECT_EQ(heading.pointSize, 18);
  EXPECT_EQ(FontOf(heading), U"Helvetica");
  EXPECT_EQ(AttrOf(1, U"struck").styleBits, kStyleStrikeOut);
  EXPECT_EQ(FontOf(AttrOf(1, U"code")), U"Courier");
  EXPECT_EQ(AttrOf(1, U"link").styleBits, kStyleUnderline);  // the field's result, not its instruction
  EXPECT_EQ(doc_.ParagraphAt(0)->spaceAfter, 180);
  EXPECT_EQ(doc_.ParagraphAt(2)->leftIndent, 720);  // the block quote
  EXPECT_EQ(doc_.ParagraphAt(3)->spaceAfter, 0);    // a list item

  int cells = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) cells += p->IsTableCell();
  EXPECT_EQ(cells, 6);
  ASSERT_EQ(doc_.Objects().size(), 2u);
  ASSERT_NE(doc_.Objects()[0]->graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc_.Objects()[0]->graphic.Bitmap()->width, 4);
  ASSERT_NE(doc_.Objects()[1]->graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc_.Objects()[1]->graphic.Bitmap()->height, 8);
}

}  // namespace
}  // namespace inkwend
