// inkwend-tool rtf on a file pandoc wrote: --text is LibreOffice's own plain text of it, byte
// for byte; --rtf is the diary's RTF of the same document; --dump lists what was read.
#include <gtest/gtest.h>

#include <filesystem>

#include "shell.h"
#include "store/tests/temp_dir.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::Shell;

const std::string kFixture =
    (std::filesystem::path(INKWEND_SOURCE_DIR) / "richtext" / "tests" / "data" / "pandoc_diary").string();

std::string Tool(const std::string& args) { return std::string(INKWEND_TOOL) + " rtf " + args; }

TEST(RtfCommand, TextRtfAndDump) {
  const auto text = Shell(Tool(kFixture + ".rtf --text"));
  EXPECT_EQ(text.code, 0);
  EXPECT_EQ(text.out, ReadFile(kFixture + ".txt"));

  const auto rtf = Shell(Tool(kFixture + ".rtf --rtf"));
  EXPECT_EQ(rtf.code, 0);
  EXPECT_EQ(rtf.out.rfind("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl", 0), 0u);
  EXPECT_NE(rtf.out.find("Accents and signs: caf\\'e9"), std::string::npos);

  const auto dump = Shell(Tool(kFixture + ".rtf --dump"));
  EXPECT_EQ(dump.code, 0);
  EXPECT_NE(dump.out.find("object number 2 tag 0 160x160 twips bitmap 8x8x24"), std::string::npos);
}

TEST(RtfCommand, Errors) {
  EXPECT_EQ(Shell(Tool("/no/such/file.rtf --text")).code, 1);
  EXPECT_EQ(Shell(Tool(kFixture + ".rtf")).code, 2);  // no mode
  EXPECT_EQ(Shell(Tool(kFixture + ".rtf --text --bogus")).code, 2);
}

}  // namespace
}  // namespace inkwend
