// Markdown export: the Markdown written for an entry with a heading, bold and italic runs, lists,
// a link, characters Markdown takes as markup and a picture; pandoc reads it back to the entry's
// text, and the picture beside it is a PNG that ImageMagick reads with its pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "base/tests/temp_dir.h"
#include "operations/export/diary_export.h"
#include "operations/export/entry_markdown.h"
#include "operations/export/entry_text.h"
#include "operations/export/png_writer.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char two[3];
  for (const uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

// A 2 x 2 picture: red and blue on top, green and white below (a bottom-up 24-bit DIB).
std::string PictureRtf() {
  std::vector<uint8_t> dib = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
  dib.resize(40, 0);
  for (const uint8_t b : {0, 255, 0, 255, 255, 255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0}) dib.push_back(b);
  return "{\\pict\\dibitmap0\\picw53\\pich53\\picwgoal30\\pichgoal30 " + Hex(dib) + "}";
}

const std::string kEntry =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
    "{\\b\\fs36 A day at the sea\\par}"
    "\\tab Some {\\b bold} and {\\i italic} words, {\\b\\i both}.\\par "
    "Costs $5 & 10% off *now* [sic] <b> under_score #1 back\\\\slash `tick` @home\\line - not a list\\par "
    "\\u8226?\\tab Apples\\par \\u8226?\\tab Pears\\par "
    "1.\\tab First\\par 2)\\tab Second\\par "
    "{\\uldb https://example.org/a_b} and {\\uldb a named link}\\par "
    "+ plus, = equals, 3. three\\par "
    "Caf\\'e9 " +
    PictureRtf() + " end\\par }";

const std::string kMarkdown =
    "# A day at the sea\n"
    "\n"
    "Some **bold** and *italic* words, ***both***.\n"
    "\n"
    "Costs \\$5 \\& 10% off \\*now\\* \\[sic\\] \\<b\\> under\\_score \\#1 back\\\\slash \\`tick\\` "
    "\\@home\\\n"
    "\\- not a list\n"
    "\n"
    "- Apples\n"
    "- Pears\n"
    "\n"
    "1. First\n"
    "2. Second\n"
    "\n"
    "<https://example.org/a_b> and a named link\n"
    "\n"
    "\\+ plus, = equals, 3\\. three\n"
    "\n"
    "Café ![picture](20240305-1.png) end\n";

MarkdownEntry Convert(const std::string& rtf) {
  WPRTFText doc;
  EXPECT_TRUE(ReadEntryDocument(rtf, doc).IsOk());
  return EntryMarkdown(doc, "20240305");
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    pclose(pipe);
  }
  return out;
}

// The words of a text, without list markers and the picture's stand-in, which only say how the
// text is laid out.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) {
    if (w == "-" || w == "\xE2\x80\xA2" || w == "[picture]" || w == "1." || w == "2." || w == "2)") continue;
    words.push_back(w);
  }
  return words;
}

TEST(MarkdownExport, MarksWhatTheEntryShows) {
  const MarkdownEntry md = Convert(kEntry);
  EXPECT_EQ(md.text, kMarkdown);
  ASSERT_EQ(md.pictures.size(), 1u);
  EXPECT_EQ(md.pictures[0].name, "20240305-1.png");
}

TEST(MarkdownExport, PandocReadsBackTheSameText) {
  TempDir dir;
  const MarkdownEntry md = Convert(kEntry);
  WriteFile(dir / "20240305.md", md.text);
  const std::string plain = Output("pandoc -f markdown -t plain --wrap=none " + dir / "20240305.md");
  ASSERT_FALSE(plain.empty()) << "pandoc is needed (dev.sh installs it)";
  WPRTFText doc;
  ASSERT_TRUE(ReadEntryDocument(kEntry, doc).IsOk());
  EXPECT_EQ(Words(plain), Words(EntryPlainText(doc))) << plain;
}

TEST(MarkdownExport, PicturesArePngFilesBesideTheEntry) {
  TempDir dir;
  const MarkdownEntry md = Convert(kEntry);
  ASSERT_EQ(md.pictures.size(), 1u);
  WriteFile(dir / "p.png", md.pictures[0].bytes);
  const std::string pixels = Output("convert " + dir / "p.png" + " -depth 8 txt:- 2>&1");
  // ImageMagick's listing: one line per pixel, "x,y: (...)  #RRGGBB ...".
  for (const char* expected : {"0,0: (255,0,0", "1,0: (0,0,255", "0,1: (0,255,0", "1,1: (255,255,255"})
    EXPECT_NE(pixels.find(expected), std::string::npos) << expected << " in\n" << pixels;
}

TEST(MarkdownExport, LargePicturesSpanSeveralStoredBlocks) {
  Bitmap big;
  big.width = 200;
  big.height = 150;  // 90 000 bytes of pixels: two stored blocks
  big.bits.assign(static_cast<size_t>(big.Stride()) * 150, 0x80);
  TempDir dir;
  WriteFile(dir / "big.png", EncodePng(big));
  EXPECT_EQ(Output("identify -format '%w %h' " + dir / "big.png" + " 2>&1"), "200 150");
}

}  // namespace
}  // namespace inkwend
