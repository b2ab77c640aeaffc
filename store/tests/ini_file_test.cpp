#include "store/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(IniFile, ReadsCaseInsensitivelyFirstOneWins) {
  const IniFile ini(
      "; comment\r\n[Default Font]\r\nName = Times New Roman \r\nSIZE=12\r\nsize=14\r\n"
      "[default font]\r\nBold=1\r\n[Other]\r\nName=x\r\n");
  EXPECT_EQ(ini.ReadString("DEFAULT FONT", "name", "Arial"), "Times New Roman");
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 10), 12);
  // The second "[default font]" is never consulted.
  EXPECT_FALSE(ini.ReadBool("Default Font", "Bold", false));
  EXPECT_EQ(ini.ReadString("Missing", "Name", "dflt"), "dflt");
}

TEST(IniFile, IntegerValues) {
  struct Case {
    const char* value;
    int expected;
  } cases[] = {
      {"12", 12},
      {"0x0C", 12},
      {"0X1f", 31},
      {"twelve", 10},
      {"", 10},
      {"0x", 10},
      {"12abc", 10},
      {"-2147483648", -2147483647 - 1},
      {"-16777201", -16777201},
      {"2147483648", 10},
      {"0xFFFFFFFF", -1},
      {"+7", 7},
      {"  42  ", 42},
      {"0x1FFFFFFFF", 10},
  };
  for (const Case& c : cases) {
    IniFile ini(std::string("[S]\nK=") + c.value + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", 10), c.expected) << c.value;
  }
  EXPECT_TRUE(IniFile("[S]\nK=2\n").ReadBool("S", "K", false));
  EXPECT_FALSE(IniFile("[S]\nK=0\n").ReadBool("S", "K", true));
  EXPECT_TRUE(IniFile("[S]\nK=yes\n").ReadBool("S", "K", true));  // malformed: the default
}

TEST(IniFile, WriteChangesOneKeyAndKeepsEverythingElse) {
  const std::string original =
      "; my settings\r\n[Default Font]\r\nname=Arial\r\nSize=10\r\n\r\n[Unknown]\r\nkeep=me\r\n";
  IniFile ini(original);
  ASSERT_TRUE(ini.WriteInteger("DEFAULT FONT", "SIZE", 12).IsOk());
  EXPECT_EQ(ini.Bytes(),
            "; my settings\r\n[Default Font]\r\nname=Arial\r\nSize=12\r\n\r\n[Unknown]\r\nkeep=me\r\n");
  ASSERT_TRUE(ini.WriteBool("Default Font", "Bold", true).IsOk());
  EXPECT_EQ(
      ini.Bytes(),
      "; my settings\r\n[Default Font]\r\nname=Arial\r\nSize=12\r\nBold=1\r\n\r\n[Unknown]\r\nkeep=me\r\n");
  ASSERT_TRUE(ini.WriteString("Icons", "File", "a.icl").IsOk());
  EXPECT_EQ(
      ini.Bytes(),
      "; my settings\r\n[Default Font]\r\nname=Arial\r\nSize=12\r\nBold=1\r\n\r\n[Unknown]\r\nkeep=me\r\n"
      "\r\n[Icons]\r\nFile=a.icl\r\n");
}

TEST(IniFile, NewFileUsesWindowsLineEndingsAndUnixFilesKeepTheirs) {
  IniFile fresh;
  ASSERT_TRUE(fresh.WriteString("Security", "Password", "").IsOk());
  EXPECT_EQ(fresh.Bytes(), "[Security]\r\nPassword=\r\n");
  IniFile unix_value("[A]\nx=1");
  ASSERT_TRUE(unix_value.WriteString("A", "y", "2").IsOk());
  EXPECT_EQ(unix_value.Bytes(), "[A]\nx=1\ny=2\n");
}

TEST(IniFile, ValuesReadBackAsWritten) {
  // Scrambled passwords may hold any byte; blanks at the ends and quotes must survive.
  for (std::string value : {std::string(" lead"), std::string("trail\t"), std::string("\"q\""),
                            std::string("'x'"), std::string("a=b;c[d]"), std::string("\xFF\x80\x01")}) {
    IniFile ini;
    ASSERT_TRUE(ini.WriteString("S", "K", value).IsOk());
    EXPECT_EQ(IniFile(ini.Bytes()).ReadString("S", "K", "?"), value);
  }
  IniFile ini("[S]\nK=old\n");
  EXPECT_FALSE(ini.WriteString("S", "K", "line\nbreak").IsOk());
  EXPECT_FALSE(ini.WriteString("S", "K", std::string("nul\0byte", 8)).IsOk());
  EXPECT_EQ(ini.Bytes(), "[S]\nK=old\n");
}

TEST(IniFile, DamagedInputNeverCrashesAndLaterWritesKeepIt) {
  std::string random(4096, '\0');
  unsigned x = 12345;
  for (char& c : random) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  const std::string huge(size_t{10} * 1024 * 1024, 'v');
  const std::string inputs[] = {random, "[S]\nK=" + huge + "\n", std::string("[S]\nK=a\0b\n", 10),
                                "[Unclosed\nK=1\n[S]\nK=2\n", "[S\nK=3\n"};
  for (const std::string& input : inputs) {
    IniFile ini(input);
    (void)ini.ReadString("S", "K", "");
    ASSERT_TRUE(ini.WriteString("New", "Key", "v").IsOk());
    const std::string out = ini.Bytes();
    EXPECT_EQ(out.substr(0, input.size()), input);
  }
  EXPECT_EQ(IniFile("[S]\nK=" + huge + "\n").ReadString("S", "K", "").size(), IniFile::kMaxValueLength);
  // A header without "]" is a section of its own, so its keys are not taken for [S]'s.
  EXPECT_EQ(IniFile("[Unclosed\nK=1\n[S]\nK=2\n").ReadInteger("S", "K", 0), 2);
  EXPECT_EQ(IniFile("[S\nK=3\n").ReadInteger("S", "K", 0), 3);
}

TEST(IniFile, SaveIsAtomicAndReportsRefusal) {
  TempDir dir;
  const std::string path = dir / "KW.INI";
  IniFile ini;
  ASSERT_TRUE(IniFile::Load(path, ini).IsOk());  // missing file: empty settings
  ASSERT_TRUE(ini.WriteString("Security", "Password", "").IsOk());
  ASSERT_TRUE(ini.Save(path).IsOk());
  EXPECT_EQ(ReadFile(path), "[Security]\r\nPassword=\r\n");

  // A full disk or a refused rename: the save says so and the old settings stay.
  for (const bool rename_fails : {false, true}) {
    FaultyFileSystem fs;
    if (rename_fails) {
      fs.FailRenames("KW.INI");
    } else {
      fs.FailWrites("KW.INI");
    }
    ASSERT_TRUE(ini.WriteString("Security", "Password", "x").IsOk());
    const Status s = ini.Save(path, fs);
    EXPECT_FALSE(s.IsOk());
    EXPECT_NE(s.Message().find("KW.INI"), std::string::npos);
    EXPECT_EQ(fs.FaultsInjected(), 1);
    EXPECT_EQ(ReadFile(path), "[Security]\r\nPassword=\r\n");
    // A read that fails is reported, and leaves no half-read settings behind.
    fs.FailReads("KW.INI");
    IniFile loaded;
    loaded.WriteString("Stale", "Key", "1");
    EXPECT_FALSE(IniFile::Load(path, loaded, fs).IsOk());
    EXPECT_EQ(loaded.Bytes(), "");
  }
  // A directory where the file should be is reported, not read.
  TempDir other;
  std::filesystem::create_directory(other / "KW.INI");
  EXPECT_FALSE(IniFile::Load(other / "KW.INI", ini).IsOk());
}

}  // namespace
}  // namespace inkwend
