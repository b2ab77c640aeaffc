// RTF written by LibreOffice Writer and by pandoc, read with the pictures decoded by Qt as the
// program does. The text must be what LibreOffice itself reads from the same file (its own
// plain-text conversion, committed beside each file), and everything the model holds must
// arrive: fonts, sizes, styles, colours, alignment, indents, spacing, tab stops, page breaks,
// table cells and the PNG and JPEG pictures. richtext/tests/data/README.md says how the files
// were made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/qt_picture_decoder.h"
#include "richtext/model/charset.h"
#include "richtext/model/symbol_font.h"
#include "richtext/rtf/loader.h"
#include "richtext/rtf/picture_decoder.h"
#include "store/tests/temp_dir.h"

namespace inkwend {
namespace {

std::filesystem::path DataDir() {
  return std::filesystem::path(INKWEND_SOURCE_DIR) / "richtext" / "tests" / "data";
}

using testing::ReadFile;

class RtfFromPrograms : public ::testing::Test {
 protected:
  void SetUp() override { SetPictureDecoder(&QtPictureDecoderInstance()); }
  void TearDown() override { SetPictureDecoder(nullptr); }

  // Loads a fixture; its text as LibreOffice's conversion writes it: paragraphs on lines of
  // their own, object anchors left out, the document's closing empty paragraph not shown.
  std::string Load(const char* name) {
    EXPECT_EQ(LoadFromFile(doc, (DataDir() / name).string()), kResultOk) << name;
    std::u32string text;
    for (const TParagraph* p = doc.FirstParagraph(); p; p = p->Next) {
      if (!p->Next && p->CharCount() == 0) break;
      const auto chars = p->Text();
      const auto attrs = p->Attrs();
      for (size_t i = 0; i < chars.size(); ++i) {
        if (attrs[i].CharFlags & kCharObject) continue;
        text.push_back(PlainTextChar(doc.Header, chars[i], attrs[i]));
      }
      text.push_back(U'\n');
    }
    return ToUtf8(text);
  }

  const TCharAttr& AttrOf(int paragraph, std::u32string_view word) {
    const TParagraph* p = doc.ParagraphAt(paragraph);
    const std::u32string text(p->Text().begin(), p->Text().end());
    const size_t at = text.find(word);
    EXPECT_NE(at, std::u32string::npos) << ToUtf8(word);
    return p->Attrs()[at == std::u32string::npos ? 0 : at];
  }
  std::u32string FontOf(const TCharAttr& a) { return doc.Header.Fonts[a.FontIndex].Name; }
  TColorRef ColorOf(const TCharAttr& a) { return doc.Header.Colors[a.TextColor()]; }

  TWPRTFText doc;
};

TEST_F(RtfFromPrograms, LibreOfficeWriter) {
  EXPECT_EQ(Load("libreoffice_diary.rtf"), ReadFile(DataDir() / "libreoffice_diary.txt"));

  // Character formatting.
  EXPECT_EQ(AttrOf(0, U"bold").StyleBits, kStyleBold);
  EXPECT_EQ(AttrOf(0, U"italic").StyleBits, kStyleItalic);
  EXPECT_EQ(AttrOf(0, U"underlined").StyleBits, kStyleUnderline);
  EXPECT_EQ(AttrOf(0, U"struck").StyleBits, kStyleStrikeOut);
  EXPECT_EQ(FontOf(AttrOf(0, U"plain")), U"Liberation Serif");
  EXPECT_EQ(AttrOf(0, U"plain").PointSize, 12);
  // #C00000 is LibreOffice's 17th colour; the document's table holds 15, so the nearest.
  EXPECT_EQ(ColorOf(AttrOf(1, U"Red")), RGBColor(0xFF, 0, 0));
  const TCharAttr& blue = AttrOf(1, U"blue sans");
  EXPECT_EQ(ColorOf(blue), RGBColor(0, 0, 0xFF));
  EXPECT_EQ(FontOf(blue), U"Liberation Sans");
  EXPECT_EQ(blue.PointSize, 14);
  EXPECT_EQ(FontOf(AttrOf(1, U"mono")), U"Liberation Mono");
  EXPECT_EQ(AttrOf(1, U"mono").PointSize, 9);
  EXPECT_EQ(AttrOf(1, U"2.").StyleBits, kStyleSuperscript);

  // Paragraphs: alignment, indents (first-line absolute), spacing only where it was set.
  EXPECT_EQ(doc.ParagraphAt(2)->Alignment, kAlignCenter);
  EXPECT_EQ(doc.ParagraphAt(3)->Alignment, kAlignRight);
  EXPECT_EQ(doc.ParagraphAt(4)->Alignment, kAlignJustify);
  const TParagraph* indented = doc.ParagraphAt(5);
  EXPECT_EQ(indented->LeftIndent, 1440);
  EXPECT_EQ(indented->FirstIndent, 2160);
  EXPECT_EQ(indented->RightIndent, 720);
  EXPECT_EQ(indented->SpaceBefore, 240);
  EXPECT_EQ(indented->SpaceAfter, 120);
  const TParagraph* hanging = doc.ParagraphAt(6);
  EXPECT_EQ(hanging->LeftIndent, 1440);
  EXPECT_EQ(hanging->FirstIndent, 720);
  EXPECT_EQ(hanging->SpaceBefore, 0);
  EXPECT_EQ(hanging->SpaceAfter, 0);

  // Tab stops: left at 1", centred at 3", right at 5".
  const TParagraph* tabs = doc.ParagraphAt(7);
  std::vector<std::pair<int, int>> stops;
  for (int slot = 0; slot < kTabSlots; ++slot) {
    if (tabs->HasTab(slot)) stops.emplace_back(doc.Header.Tabs[slot].Position, doc.Header.Tabs[slot].Kind);
  }
  EXPECT_EQ(stops,
            (std::vector<std::pair<int, int>>{{1440, kTabLeft}, {4320, kTabCenter}, {7200, kTabRight}}));

  EXPECT_TRUE(doc.ParagraphAt(9)->ParFlags & kParPageBreak);

  // Two rows of three cells.
  int cells = 0, row_starts = 0;
  for (const TParagraph* p = doc.FirstParagraph(); p; p = p->Next) {
    if (!p->IsTableCell()) continue;
    ++cells;
    row_starts += (p->ParFlags & kParContinuesRow) == 0;
  }
  EXPECT_EQ(cells, 6);
  EXPECT_EQ(row_starts, 2);

  // The PNG (4 x 3) and the JPEG (8 x 8) as bitmaps, at the size the document gives them.
  ASSERT_EQ(doc.Objects().size(), 2u);
  ASSERT_NE(doc.Objects()[0]->Graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc.Objects()[0]->Graphic.Bitmap()->Width, 4);
  EXPECT_EQ(doc.Objects()[0]->Graphic.Bitmap()->Height, 3);
  EXPECT_EQ(doc.Objects()[0]->Width, 576);  // 0.4 inch
  ASSERT_NE(doc.Objects()[1]->Graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc.Objects()[1]->Graphic.Bitmap()->Width, 8);
  EXPECT_EQ(doc.Objects()[1]->Height, 720);  // 0.5 inch
}

TEST_F(RtfFromPrograms, Pandoc) {
  const std::string text = Load("pandoc_diary.rtf");
  EXPECT_EQ(text, ReadFile(DataDir() / "pandoc_diary.txt"));
  EXPECT_NE(text.find("\xF0\x9F\x98\x80"), std::string::npos);  // the emoji, from a \uN surrogate pair

  const TCharAttr& heading = AttrOf(0, U"Thursday");
  EXPECT_EQ(heading.StyleBits, kStyleBold);
  EXPECT_EQ(heading.PointSize, 18);
  EXPECT_EQ(FontOf(heading), U"Helvetica");
  EXPECT_EQ(AttrOf(1, U"struck").StyleBits, kStyleStrikeOut);
  EXPECT_EQ(FontOf(AttrOf(1, U"code")), U"Courier");
  EXPECT_EQ(AttrOf(1, U"link").StyleBits, kStyleUnderline);  // the field's result, not its instruction
  EXPECT_EQ(doc.ParagraphAt(0)->SpaceAfter, 180);
  EXPECT_EQ(doc.ParagraphAt(2)->LeftIndent, 720);  // the block quote
  EXPECT_EQ(doc.ParagraphAt(3)->SpaceAfter, 0);    // a list item

  int cells = 0;
  for (const TParagraph* p = doc.FirstParagraph(); p; p = p->Next) cells += p->IsTableCell();
  EXPECT_EQ(cells, 6);
  ASSERT_EQ(doc.Objects().size(), 2u);
  ASSERT_NE(doc.Objects()[0]->Graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc.Objects()[0]->Graphic.Bitmap()->Width, 4);
  ASSERT_NE(doc.Objects()[1]->Graphic.Bitmap(), nullptr);
  EXPECT_EQ(doc.Objects()[1]->Graphic.Bitmap()->Height, 8);
}

}  // namespace
}  // namespace inkwend
