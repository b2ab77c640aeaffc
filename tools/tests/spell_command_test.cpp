// inkwend-tool spell and dct, run as a user would run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "shell.h"

namespace {

namespace fs = std::filesystem;

using Result = inkwend::testing::ShellResult;

Result Tool(const std::string& args, const std::string& input = "") {
  std::string command = std::string(INKWEND_TOOL) + " " + args;
  if (!input.empty()) command = "printf '" + input + "' | " + command;  // input: a printf format
  return inkwend::testing::Shell(command);
}

class SpellCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/spellcmd-XXXXXX";
    fs::create_directories(fs::path(templ).parent_path());
    dir_ = mkdtemp(templ.data());
    std::ofstream(dir_ / "words.txt") << "apple\napply\nbanana\nbandana\ncaf\xc3\xa9\nzebra\n";
    ASSERT_EQ(Tool("dct build --max-nodes 12 " + File("words.txt") + " " + File("small.dct")).code, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(SpellCommand, CheckPrintsOneLinePerWordInUtf8) {
  const Result r = Tool("spell check --dict " + File("small.dct") + " apple Caf\xc3\xa9 aple x");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "apple\tok\nCaf\xc3\xa9\tok\naple\twrong\nx\tok\n");
  EXPECT_EQ(Tool("spell check --dict " + File("small.dct"), "zebra\\nzebu banana\\n").out,
            "zebra\tok\nzebu\twrong\nbanana\tok\n");
}

TEST_F(SpellCommand, SuggestPrintsTheWordThenItsSuggestionsBestFirst) {
  const Result r = Tool("spell suggest --dict " + File("small.dct") + " Aple");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("Aple\tApple\t", 0), 0u) << r.out;
  EXPECT_EQ(r.out.back(), '\n');
}

TEST_F(SpellCommand, AddCreatesTheUserDictionaryAndCheckConsultsIt) {
  EXPECT_EQ(Tool("spell check --dict " + File("small.dct") + " inkwend").out, "inkwend\twrong\n");
  EXPECT_EQ(Tool("spell check --dict " + File("small.dct") + " --user " + File("u.dct") + " inkwend").code,
            1);
  EXPECT_EQ(Tool("spell add --dict " + File("small.dct") + " --user " + File("u.dct") + " Inkwend").out,
            "Inkwend\tadded\n");
  EXPECT_EQ(Tool("spell check --dict " + File("small.dct") + " --user " + File("u.dct") + " inkwend").out,
            "inkwend\tok\n");
}

TEST_F(SpellCommand, AddSaysWhyAWordWasRefused) {
  const std::string word(26, 'x');  // longer than a user dictionary takes
  const std::string add = std::string(INKWEND_TOOL) + " spell add --dict " + File("small.dct") + " --user " +
                          File("u.dct") + " Inkwend " + word;
  const Result out = inkwend::testing::Shell(add);
  EXPECT_EQ(out.code, 1);
  EXPECT_EQ(out.out, "Inkwend\tadded\n" + word + "\trefused\n");
  // The message goes to standard error.
  const Result both = inkwend::testing::Shell("{ " + add + " 2>&1; }");
  EXPECT_NE(both.out.find("inkwend-tool: " + word + ": The word is longer than 25 characters"),
            std::string::npos)
      << both.out;
}

TEST_F(SpellCommand, ADamagedDictionaryIsUsedForWhatItHoldsAndReported) {
  std::string bytes;
  {
    std::ifstream in(File("small.dct"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::ofstream(File("cut.dct"), std::ios::binary) << bytes.substr(0, bytes.size() - 3);
  const std::string check = std::string(INKWEND_TOOL) + " spell check --dict " + File("cut.dct") + " apple";
  const Result r = inkwend::testing::Shell(check);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "apple\tok\n");
  const Result both = inkwend::testing::Shell("{ " + check + " 2>&1; }");
  EXPECT_NE(both.out.find("is damaged at byte " + std::to_string(bytes.size() - 3)), std::string::npos)
      << both.out;
}

TEST_F(SpellCommand, DictionaryInfoAndErrors) {
  const Result info = Tool("dct info " + File("small.dct"));
  EXPECT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("dictionary 2 at"), std::string::npos) << info.out;  // split by the node limit
  EXPECT_EQ(Tool("spell check --dict " + File("missing.dct") + " word").code, 1);
  EXPECT_EQ(Tool("spell spellcheck word").code, 2);
  EXPECT_EQ(Tool("dct build " + File("missing.txt") + " " + File("x.dct")).code, 1);
  EXPECT_EQ(Tool("dct info " + File("words.txt")).code, 1);
}

TEST(ShippedDictionaryCommand, UsedByDefault) {
  const Result r = Tool("spell check receive recieve");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "receive\tok\nrecieve\twrong\n");
}

}  // namespace
