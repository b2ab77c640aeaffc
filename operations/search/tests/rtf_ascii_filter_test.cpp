// The quick test's promise: every stretch of printable ASCII in a paragraph of the document the
// RTF reader builds stands in the reduction, so no entry that holds the text is ruled out.
#include "operations/search/rtf_ascii_filter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/loader.h"

namespace inkwend {
namespace {

// Each paragraph's longest runs of printable ASCII, lower-cased.
std::vector<std::string> AsciiRuns(const std::string& rtf) {
  WPRTFText doc;
  MemoryStream stream{rtf};
  LoadFromStream(doc, stream);
  std::vector<std::string> runs;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    std::string run;
    for (const char32_t c : p->Text()) {
      if (c >= 0x20 && c < 0x7F) {
        run.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
        continue;
      }
      if (!run.empty()) runs.push_back(run);
      run.clear();
    }
    if (!run.empty()) runs.push_back(run);
  }
  return runs;
}

// When the reduction vouches for the RTF, it holds every run of the document.
void ExpectHoldsEveryRun(const std::string& rtf, const std::string& name) {
  std::string reduced;
  if (!ReduceRtfToAscii(rtf, reduced)) return;
  for (const std::string& run : AsciiRuns(rtf))
    EXPECT_NE(reduced.find(run), std::string::npos)
        << name << ": \"" << run << "\" missing from \"" << reduced << "\"";
}

TEST(RtfAsciiFilter, ReducesAsTheReaderReads) {
  struct Case {
    const char* rtf;
    bool vouches;
    const char* reduced;
  };
  const Case cases[] = {
      {"{\\rtf1\\ansi Dear Diary\\par}", true, "dear diary"},
      // Formatting inside a word, line ends of the RTF and a trailing space after a word.
      {"{\\rtf1 hol{\\b i}\\i0 da\r\ny}", true, "holiday"},
      {"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255;}{\\info{\\title Secret}}text}", true,
       "text"},
      {"{\\rtf1{\\*\\unknownword hidden}{\\*\\b shown}}", true, "shown"},
      {"{\\rtf1 a\\'41b caf\\'e9 \\{x\\}}", true, "aab caf {x}"},
      {"{\\rtf1 x\\u233?y}", true, "x?y"},
      {"{\\rtf1 {\\pict\\wmetafile8 0123abcd}z}", true, "z"},
      {"{\\rtf1 a\\-b}", true, "ab"},
      // What the reduction cannot vouch for.
      {"{\\rtf1 a\\u65?b}", false, ""},
      {"{\\rtf1 a\\u-10179?\\u-8704?b}", false, ""},
      {"{\\rtf1\\ansi\\ansicpg932 a\\'81@b}", false, ""},
      {"{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}a}", false, ""},
      {"{\\rtf1 a\\bin3 xyzb}", false, ""},
      {"{\\rtf1 a{\\footnote note}b}", false, ""},
      {"{\\rtf1 \\wprtf1 \\b x\\wprtf0 }", false, ""},
  };
  for (const Case& c : cases) {
    std::string reduced;
    EXPECT_EQ(ReduceRtfToAscii(c.rtf, reduced), c.vouches) << c.rtf;
    if (c.vouches) {
      EXPECT_EQ(reduced, c.reduced) << c.rtf;
    }
    ExpectHoldsEveryRun(c.rtf, c.rtf);
  }
}

TEST(RtfAsciiFilter, HoldsEveryRunOfTheSampleAndFuzzFiles) {
  int files = 0;
  for (const char* folder : {"/fuzz/corpus/fuzz_rtf", "/richtext/tests/data"}) {
    const std::filesystem::path dir = std::filesystem::path(INKWEND_SOURCE_DIR) / (folder + 1);
    if (!std::filesystem::exists(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().extension() != ".rtf") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ExpectHoldsEveryRun(rtf, entry.path().filename().string());
      ++files;
    }
  }
  EXPECT_GT(files, 10);
}

// RTF made at random from pieces that meet at awkward places: words split by every kind of
// control word, group and escape the reader treats specially.
TEST(RtfAsciiFilter, HoldsEveryRunOfRandomRtf) {
  const std::vector<std::string> pieces = {
      "ab",
      "Cd",
      " ",
      "\\par ",
      "\\b ",
      "\\b0",
      "{",
      "}",
      "\\'41",
      "\\'e9",
      "\\'0",
      "\\'02",
      "\\u233?",
      "\\u8364 ",
      "\\u65?",
      "\\u-10179?",
      "\\u0 ",
      "\\bin2 ",
      "\\wprtf1 ",
      "\\uc0 ",
      "\\uc2 ",
      "\\{",
      "\\\\",
      "\\~",
      "\\tab ",
      "\\line ",
      "{\\*\\zz q}",
      "{\\*\\bkmkstart w}",
      "\\fs-",
      "\\fs24-1",
      "\r\n",
      "\t",
      "\x02",
      "\\f1 ",
      "{\\fonttbl{\\f1 Sym;}}",
      "\\*",
      "\\plain ",
      "\\emdash ",
      "{\\field{\\*\\fldinst X}{\\fldrslt Y}}",
      "{\\title T}",
      "\\-",
      "\\cell ",
      "\\row ",
      "\\trowd ",
      "{\\pict 0a}",
      "\\x",
      "\\",
      "e",
      "-",
  };
  std::mt19937 random(19);
  for (int round = 0; round < 3000; ++round) {
    std::string rtf = "{\\rtf1\\ansi ";
    const int count = 1 + static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) rtf += pieces[random() % pieces.size()];
    rtf += "}";
    ExpectHoldsEveryRun(rtf, rtf);
    if (HasFailure()) return;
  }
}

TEST(RtfAsciiFilter, CoreIsTheLongestAsciiStretch) {
  EXPECT_EQ(AsciiCore(U"Holiday"), "holiday");
  EXPECT_EQ(AsciiCore(U"caf\u00e9 au lait"), " au lait");
  EXPECT_EQ(AsciiCore(U"h*liday"), "liday");
  EXPECT_EQ(AsciiCore(U"\u65e5\u8a18"), "");
  EXPECT_EQ(AsciiCore(U"*"), "");
}

}  // namespace
}  // namespace inkwend
