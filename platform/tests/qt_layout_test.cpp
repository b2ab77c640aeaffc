// The layout engine on real fonts: Qt metrics and canvas, and printing into PDF files that are
// read back with poppler-utils.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/qt_canvas.h"
#include "platform/qt_printing.h"
#include "platform/qt_text_metrics.h"
#include "richtext/layout/layout.h"

namespace inkwend {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

class QtLayoutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "platform_layout_test";
      static char* argv[] = {name, nullptr};
      app_ = new QGuiApplication(argc, argv);
    }
  }
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/qtlayout-XXXXXX";
    fs::create_directories(fs::path(templ).parent_path());
    dir_ = mkdtemp(templ.data());
    layout_.SetDevice(&SharedTextMetrics(), 96, 96);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  static QGuiApplication* app_;
  fs::path dir_;
  WPRTFText doc_;
  TextLayout layout_{doc_};
};
QGuiApplication* QtLayoutTest::app_ = nullptr;

TEST_F(QtLayoutTest, RealFontsGiveSensibleMetrics) {
  FontSpec arial;
  arial.name = U"Arial";
  arial.pixelSize = 13;
  const FontMetrics m = SharedTextMetrics().Metrics(arial);
  EXPECT_GE(m.height, 13);
  EXPECT_LE(m.height, 18);
  EXPECT_GT(m.ascent, 8);
  int w[3] = {};
  const char32_t chars[3] = {U'W', U'i', U'\u20AC'};
  SharedTextMetrics().Advances(arial, chars, w);
  EXPECT_GT(w[0], w[1]);
  EXPECT_GT(w[1], 0);
  EXPECT_GT(w[2], 0);
  // The engine's cache asks the platform once per font.
  doc_.AppendText(doc_.FirstParagraph(), U"Hello world", doc_.defaultAttr);
  layout_.ReformatAll();
  const int64_t queries = layout_.FontCache().PlatformQueries();
  layout_.ReformatAll();
  EXPECT_EQ(layout_.FontCache().PlatformQueries(), queries);
}

// Lines stand at the heights the font's designer gave them (the `hhea` extents and gap), as
// LibreOffice sets them: the URW stand-in for Helvetica, which Qt may open as a Type 1 file
// without those tables, has lines of 1.2 em, not the 1.38 em of its Windows extents.
TEST_F(QtLayoutTest, LinesStandAtTheFontsDesignedHeight) {
  const struct {
    const char32_t* family;
    int height, ascent;  // at 1000 pixels
  } cases[] = {{U"Nimbus Sans", 1200, 729}, {U"Nimbus Roman", 1200, 683}, {U"Liberation Sans", 1150, 905}};
  for (const auto& c : cases) {
    if (!QFontDatabase::hasFamily(QString::fromStdU32String(c.family))) continue;
    FontSpec font;
    font.name = c.family;
    font.pixelSize = 1000;
    const FontMetrics m = SharedTextMetrics().Metrics(font);
    EXPECT_NEAR(m.height, c.height, 1) << QString::fromStdU32String(c.family).toStdString();
    EXPECT_NEAR(m.ascent, c.ascent, 1) << QString::fromStdU32String(c.family).toStdString();
  }
}

// Pairs kern as the font says, as word processors kern by default: "To" is narrower than a T
// and an o side by side, and the layout's widths carry it; a pair the font does not list, or
// characters of a font without kerning, stay as they are.
TEST_F(QtLayoutTest, PairsKernAsTheFontSays) {
  FontSpec font;
  font.name = U"Liberation Sans";
  font.pixelSize = 100;
  if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
    GTEST_SKIP() << "Liberation Sans is missing";
  ASSERT_TRUE(SharedTextMetrics().HasKerning(font));
  EXPECT_LE(SharedTextMetrics().Kerning(font, U'T', U'o'), -5.0);
  EXPECT_EQ(SharedTextMetrics().Kerning(font, U'o', U'o'), 0.0);

  CharAttr attr = doc_.defaultAttr;
  attr.fontIndex = static_cast<uint8_t>(doc_.header.FontIndexOf(U"Liberation Sans"));
  attr.pointSize = 72;
  doc_.AppendText(doc_.FirstParagraph(), U"Too", attr);
  layout_.ReformatAll();
  const Paragraph* par = doc_.FirstParagraph();
  const int widths[3] = {layout_.MeasuredAt(par, 0).width, layout_.MeasuredAt(par, 1).width,
                         layout_.MeasuredAt(par, 2).width};
  int plain[2] = {};
  const char32_t to[2] = {U'T', U'o'};
  FontSpec at_96 = font;
  at_96.pixelSize = 96;
  SharedTextMetrics().Advances(at_96, to, plain);
  EXPECT_LT(widths[0], plain[0]);  // T before o
  EXPECT_EQ(widths[1], plain[1]);  // o before o
  EXPECT_EQ(widths[2], plain[1]);  // the last character has no pair
}

// Justified lines end at the right margin on paper too, where the space that ends each line is
// tens of device pixels wide.
TEST_F(QtLayoutTest, JustifiedLinesStayInsideTheMarginOnPaper) {
  Paragraph* p = doc_.FirstParagraph();
  p->alignment = kAlignJustify;
  std::u32string text;
  for (int i = 0; i < 150; ++i) text += U"word ";
  doc_.AppendText(p, text, doc_.defaultAttr);
  std::string error;
  ASSERT_TRUE(PrintDocumentToPdf(layout_, File("justified.pdf"), &error)) << error;
  const std::string boxes = Shell("pdftotext -bbox-layout " + File("justified.pdf") + " -");
  const double right_margin = (doc_.header.pageWidth - doc_.header.marginRight) / 20.0;
  int lines = 0;
  for (size_t at = boxes.find("<line "); at != std::string::npos; at = boxes.find("<line ", at + 1)) {
    const size_t x_max = boxes.find("xMax=\"", at);
    ASSERT_NE(x_max, std::string::npos);
    EXPECT_LE(std::atof(boxes.c_str() + x_max + 6), right_margin + 0.5);
    ++lines;
  }
  EXPECT_GE(lines, 3);
}

TEST_F(QtLayoutTest, GlyphsLandWhereLayoutPutThem) {
  layout_.SetWordWrap(true);
  layout_.SetWindowWidth(400);
  Paragraph* p = doc_.FirstParagraph();
  p->alignment = kAlignRight;
  doc_.AppendText(p, U"MMMMMMMM", doc_.defaultAttr);
  layout_.Reformat();
  QImage image(400, 40, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    QtCanvas canvas(painter, SharedTextMetrics());
    layout_.Paint(canvas, {0, 0, 400, 40});
  }
  const int width = layout_.VisibleWidth(p, 0);
  const int right = 400;  // right-aligned: the text ends at the layout width
  int min_x = 400, max_x = -1;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
      }
    }
  }
  ASSERT_GE(max_x, 0) << "nothing was drawn";
  EXPECT_NEAR(min_x, right - width, 3);
  EXPECT_NEAR(max_x, right - 1, 3);
}

TEST_F(QtLayoutTest, CharactersTheFontLacksComeFromAFallbackFont) {
  // Arial (Liberation Sans) has no emoji; fontconfig names a font that has (the program
  // installs one). Measured and painted, the emoji is that font's glyph, not an empty box.
  FontSpec arial;
  arial.name = U"Arial";
  arial.pixelSize = 20;
  const char32_t chars[2] = {U'\U0001F600', U'x'};
  QList<quint32> glyphs;
  std::vector<const QRawFont*> fonts;
  SharedTextMetrics().Glyphs(arial, chars, glyphs, fonts);
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_NE(fonts[0], &SharedTextMetrics().RawFont(arial));
  EXPECT_NE(glyphs[0], 0u);
  EXPECT_TRUE(fonts[0]->supportsCharacter(0x1F600u));
  EXPECT_EQ(fonts[1], &SharedTextMetrics().RawFont(arial));
  int w[2] = {};
  SharedTextMetrics().Advances(arial, chars, w);
  EXPECT_GT(w[0], w[1]);
  Paragraph* p = doc_.FirstParagraph();
  CharAttr big = doc_.defaultAttr;
  big.pointSize = 20;
  doc_.AppendText(p, U"\U0001F600", big);
  layout_.Reformat();
  QImage image(120, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QtCanvas canvas(painter, SharedTextMetrics());
    layout_.Paint(canvas, {0, 0, 120, 60});
  }
  const int width = layout_.VisibleWidth(p, 0);
  int ink = 0, outside = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (qGray(image.pixel(x, y)) > 160) continue;
      (x <= width + 2 ? ink : outside) += 1;
    }
  }
  EXPECT_GT(ink, 40);  // an empty box or a missing glyph leaves far fewer
  EXPECT_EQ(outside, 0);
}

TEST_F(QtLayoutTest, SymbolBytesTheFontLacksShowAsTheCharactersTheyStandFor) {
  // Word's list bullet is Symbol byte B7, kept as U+F0B7; a font without private-use codes
  // shows U+2022 for it. A picture font's byte is not taken for a Symbol one.
  FontSpec symbol;
  symbol.name = U"Symbol";
  symbol.pixelSize = 20;
  FontSpec wingdings = symbol;
  wingdings.name = U"Wingdings";
  const char32_t bullet[1] = {U'\uF0B7'};
  const char32_t meant[1] = {U'\u2022'};
  QList<quint32> got, expected;
  std::vector<const QRawFont*> got_fonts, expected_fonts;
  SharedTextMetrics().Glyphs(symbol, bullet, got, got_fonts);
  SharedTextMetrics().Glyphs(symbol, meant, expected, expected_fonts);
  ASSERT_NE(expected[0], 0u);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got_fonts, expected_fonts);
  SharedTextMetrics().Glyphs(wingdings, bullet, got, got_fonts);
  SharedTextMetrics().Glyphs(wingdings, meant, expected, expected_fonts);
  EXPECT_FALSE(got == expected && got_fonts == expected_fonts);
}

TEST_F(QtLayoutTest, PrintsPagesWithHeaderAndFooterIntoAPdf) {
  Paragraph* p = doc_.FirstParagraph();
  for (int i = 1; i <= 120; ++i) {
    if (i > 1) p = doc_.NewParagraph(p);
    doc_.AppendText(
        p,
        U"Paragraph " + std::u32string(1, U'A' + static_cast<char32_t>((i - 1) % 26)) + U" number " +
            [](int v) {
              std::u32string s;
              for (char c : std::to_string(v)) s.push_back(static_cast<char32_t>(c));
              return s;
            }(i),
        doc_.defaultAttr);
  }
  int headers = 0, footers = 0;
  layout_.onPrintHeader = [&](TextLayout&, Canvas& canvas, int x, int y, int, int h, int page, int) {
    ++headers;
    FontSpec f;
    f.name = U"Arial";
    f.pixelSize = 12 * 600 / 72;
    f.bold = true;
    canvas.SetFont(f);
    std::u32string text = U"Header of page ";
    text.push_back(static_cast<char32_t>(U'0' + page));
    canvas.DrawText(x, y + h / 2, text, {}, 0);
  };
  layout_.onPrintFooter = [&](TextLayout&, Canvas& canvas, int x, int y, int w, int, int, int) {
    ++footers;
    canvas.DrawLine({x, y + 150}, {x + w, y + 150}, Pen{0, 1});
  };
  std::string error;
  ASSERT_TRUE(PrintDocumentToPdf(layout_, File("out.pdf"), &error)) << error;
  const int pages = layout_.PrintedPages();
  EXPECT_GE(pages, 2);
  EXPECT_EQ(headers, pages);
  EXPECT_EQ(footers, pages);
  const std::string info = Shell("pdfinfo " + File("out.pdf"));
  const size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), pages);
  EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << info;
  const std::string text = Shell("pdftotext -layout " + File("out.pdf") + " -");
  EXPECT_NE(text.find("Header of page 1"), std::string::npos);
  EXPECT_NE(text.find("Header of page 2"), std::string::npos);
  EXPECT_LT(text.find("number 1\n"), text.find("number 120"));
  // The screen layout is back.
  EXPECT_EQ(doc_.header.xPixelsPerInch, 96);
}

TEST_F(QtLayoutTest, PicturesPrintWhereTheyStand) {
  Bitmap red;
  red.width = 4;
  red.height = 4;
  red.bitsPerPixel = 24;
  red.bits.assign(static_cast<size_t>(red.Stride()) * 4, 0);
  const auto stride = static_cast<size_t>(red.Stride());
  for (size_t y = 0; y < 4; ++y) {
    for (size_t x = 0; x < 4; ++x) red.bits[y * stride + x * 3 + 2] = 0xFF;
  }
  DocGraphic g;
  g.image = red;
  DocObject* o = doc_.AddObject(std::move(g), 3);
  o->width = 1440;  // one inch square
  o->height = 1440;
  CharAttr anchor = doc_.defaultAttr;
  anchor.charFlags = kCharObject;
  anchor.tagNumber = 3;
  doc_.AppendText(doc_.FirstParagraph(), U"\x01", anchor);
  doc_.header.SetMargins(1440, 1440, 1440, 1440);
  std::string error;
  ASSERT_TRUE(PrintDocumentToPdf(layout_, File("pic.pdf"), &error)) << error;
  Shell("pdftoppm -r 36 -png -f 1 -l 1 -singlefile " + File("pic.pdf") + " " + File("pic"));
  QImage page(QString::fromStdString(File("pic.png")));
  ASSERT_FALSE(page.isNull());
  // At 36 ppi the inch square starts one inch (36 pixels) from the top left.
  const QColor inside = page.pixelColor(36 + 18, 36 + 18);
  EXPECT_GT(inside.red(), 200);
  EXPECT_LT(inside.green(), 60);
  const QColor outside = page.pixelColor(36 + 60, 36 + 18);
  EXPECT_GT(outside.green(), 200);
}

}  // namespace
}  // namespace inkwend
