// inkwend-tool pdf, run as a user would run it; the PDF files are read back with poppler-utils.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell.h"

namespace {

namespace fs = std::filesystem;

using Result = inkwend::testing::ShellResult;
using inkwend::testing::Shell;

class PdfCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/pdfcmd-XXXXXX";
    fs::create_directories(fs::path(templ).parent_path());
    dir_ = mkdtemp(templ.data());
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& rtf) {
    std::ofstream(dir_ / name, std::ios::binary) << rtf;
  }
  Result Tool(const std::string& args) { return Shell(std::string(INKWEND_TOOL) + " pdf " + args); }
  int Pages(const std::string& pdf) {
    const Result r = Shell("pdfinfo " + pdf);
    const size_t at = r.out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(r.out.c_str() + at + 6);
  }
  std::string Text(const std::string& pdf, int page = 0) {
    std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    return Shell("pdftotext -layout" + pages + " " + pdf + " -").out;
  }
  fs::path dir_;
};

const char* k_header = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}";

TEST_F(PdfCommand, PrintsTextInOrderAndBreaksPages) {
  Write("in.rtf", std::string(k_header) +
                      "\\pard\\fs24 First paragraph of the entry.\\par"
                      "\\pard\\qc\\b Centred bold heading\\b0\\par"
                      "\\pard\\page After the page break.\\par}");
  const Result r = Tool(File("in.rtf") + " " + File("out.pdf"));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "2 pages\n");
  EXPECT_EQ(Pages(File("out.pdf")), 2);
  const std::string first = Text(File("out.pdf"), 1);
  EXPECT_NE(first.find("First paragraph of the entry."), std::string::npos) << first;
  EXPECT_LT(first.find("First paragraph"), first.find("Centred bold heading"));
  EXPECT_EQ(first.find("After the page break."), std::string::npos);
  EXPECT_NE(Text(File("out.pdf"), 2).find("After the page break."), std::string::npos);
}

TEST_F(PdfCommand, LongDocumentFillsPagesAndMarginsChangeTheCount) {
  std::string rtf = k_header;
  for (int i = 1; i <= 150; ++i)
    rtf += "\\pard Line number " + std::to_string(i) + " of the long entry.\\par";
  rtf += "}";
  Write("long.rtf", rtf);
  ASSERT_EQ(Tool(File("long.rtf") + " " + File("narrow.pdf") + " --margins 0.5").code, 0);
  ASSERT_EQ(Tool(File("long.rtf") + " " + File("wide.pdf") + " --margins 2").code, 0);
  const int narrow = Pages(File("narrow.pdf")), wide = Pages(File("wide.pdf"));
  EXPECT_GE(narrow, 2);
  EXPECT_GT(wide, narrow);
  // Every line once, in order, over all pages.
  const std::string all = Text(File("narrow.pdf"));
  size_t at = 0;
  for (int i = 1; i <= 150; ++i) {
    const size_t next = all.find("Line number " + std::to_string(i) + " of", at);
    ASSERT_NE(next, std::string::npos) << i;
    at = next;
  }
  EXPECT_NE(Text(File("narrow.pdf"), narrow).find("Line number 150 "), std::string::npos);
}

TEST_F(PdfCommand, PrintsPicturesOtherProgramsEmbedded) {
  // LibreOffice's file holds a 4 x 3 PNG and an 8 x 8 JPEG.
  const std::string in =
      (fs::path(INKWEND_SOURCE_DIR) / "richtext" / "tests" / "data" / "libreoffice_diary.rtf").string();
  ASSERT_EQ(Tool(in + " " + File("pictures.pdf")).code, 0);
  const std::string images = Shell("pdfimages -list " + File("pictures.pdf")).out;
  EXPECT_NE(images.find("     4     3 "), std::string::npos) << images;
  EXPECT_NE(images.find("     8     8 "), std::string::npos) << images;
}

TEST_F(PdfCommand, BadInputIsReportedAndKeepsAnExistingFile) {
  std::ofstream(dir_ / "old.pdf") << "old";
  EXPECT_EQ(Tool(File("missing.rtf") + " " + File("old.pdf")).code, 1);
  Write("in.rtf", std::string(k_header) + "text\\par}");
  EXPECT_EQ(Tool(File("in.rtf") + " " + File("old.pdf") + " --margins abc").code, 2);
  EXPECT_EQ(Tool(File("in.rtf") + " " + File("old.pdf") + " --margins 5").code, 2);  // no room left
  EXPECT_EQ(Tool(File("in.rtf")).code, 2);
  std::ifstream in(dir_ / "old.pdf");
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "old");
  EXPECT_EQ(Tool(File("in.rtf") + " " + dir_.string() + "/no/such/dir/out.pdf").code, 1);
}

// Text as RTF writes it beyond ASCII: one \uN per UTF-16 unit, a signed 16-bit number.
std::string RtfText(std::u32string_view text) {
  std::string out;
  const auto unit = [&out](unsigned u) { out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?"; };
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c > 0xFFFF) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

// The code points of UTF-8 text that fall in [low, high].
std::u32string CodePointsIn(const std::string& utf8, char32_t low, char32_t high) {
  std::u32string found;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    if (c >= low && c <= high) found += c;
    i += static_cast<size_t>(length);
  }
  return found;
}

// The PDF's text reads back as typed: shaped glyphs (joined Arabic letters, Devanagari
// conjuncts, Thai marks, emoji sequences) stand for the characters they were made of, and
// right-to-left words come out in the order they were written.
TEST_F(PdfCommand, ShapedTextReadsBackAsTyped) {
  const std::u32string paragraphs[] = {
      U"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645",              // Arabic
      U"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD",                                      // Hebrew
      U"Hello \u05E9\u05DC\u05D5\u05DD world",                                                   // mixed
      U"\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F \u0939\u093F\u0928\u094D\u0926\u0940",  // conjuncts
      U"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35 \u0E19\u0E49\u0E33",                                // Thai marks
      U"\U0001F44D\U0001F3FD \u2764\uFE0F \U0001F468\u200D\U0001F469\u200D\U0001F467",           // emoji
  };
  std::string rtf = k_header;
  for (const std::u32string& text : paragraphs) rtf += "\\pard\\fs28 " + RtfText(text) + "\\par";
  Write("scripts.rtf", rtf + "}");
  ASSERT_EQ(Tool(File("scripts.rtf") + " " + File("scripts.pdf")).code, 0);
  const std::string text = Shell("pdftotext " + File("scripts.pdf") + " -").out;
  const char* words[] = {
      "\u0645\u0631\u062D\u0628\u0627",
      "\u0628\u0627\u0644\u0639\u0627\u0644\u0645",
      "\u05E9\u05DC\u05D5\u05DD",
      "\u05E2\u05D5\u05DC\u05DD",
      "Hello",
      "world",
      "\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F",
      "\u0939\u093F\u0928\u094D\u0926\u0940",
      "\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35",
      "\u0E19\u0E49\u0E33",
      "\U0001F44D\U0001F3FD",
      "\u2764\uFE0F",
      "\U0001F468\u200D\U0001F469\u200D\U0001F467",
  };
  for (const char* word : words) EXPECT_NE(text.find(word), std::string::npos) << word << " in\n" << text;
  // Arabic presentation forms are glyph names, not the letters typed.
  EXPECT_TRUE(CodePointsIn(text, 0xFB50, 0xFDFF).empty()) << text;
  EXPECT_TRUE(CodePointsIn(text, 0xFE70, 0xFEFF).empty()) << text;
}

}  // namespace
