// inkwend-tool export run as a user would, on an enciphered diary whose password KW.INI keeps:
// RTF files byte-equal to the deciphered entries, text files, and the refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "base/tests/temp_dir.h"
#include "store/cipher.h"
#include "tools/tests/shell.h"

namespace inkwend {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Shell;
using testing::ShellResult;
using testing::TempDir;
using testing::WriteFile;

const std::string kTool = INKWEND_TOOL;

struct Diary {
  TempDir dir;
  std::map<std::string, std::string> plain;
  Diary() {
    fs::create_directory(dir / "Entries");
    WriteFile(dir / "KW.INI", "[Security]\r\nPassword=" + EncryptString("Secret") + "\r\n");
    Add("20240101", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 New {\\i year}.\\par}");
    Add("20240215", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Mid February\\par}");
    Add("20240301", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 March\\par}");
  }
  void Add(const std::string& key, const std::string& rtf) {
    WriteFile(dir / ("Entries/" + key + ".KWE"), EncryptBytes(rtf, "Secret"));
    plain[key] = rtf;
  }
  std::string Run(const std::string& options) const {
    return kTool + " export --data-dir " + dir.path() + " " + options;
  }
};

std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

TEST(ExportCommand, WritesTheRangeInEachFormat) {
  Diary diary;
  TempDir out;
  const std::string rtf_dir = out / "rtf";  // made by the command
  const ShellResult rtf = Shell(diary.Run("--from 2024-01-01 --to 20240228 --format rtf --out " + rtf_dir));
  ASSERT_EQ(rtf.code, 0);
  EXPECT_EQ(rtf.out, "2 file(s) written to " + rtf_dir + "/\n");
  EXPECT_EQ(Files(rtf_dir), (std::map<std::string, std::string>{{"20240101.RTF", diary.plain["20240101"]},
                                                                {"20240215.RTF", diary.plain["20240215"]}}));
  // Without dates: every entry.
  ASSERT_EQ(Shell(diary.Run("--format TXT --out " + out / "txt")).code, 0);
  EXPECT_EQ(Files(out / "txt"), (std::map<std::string, std::string>{{"20240101.txt", "New year.\n"},
                                                                    {"20240215.txt", "Mid February\n"},
                                                                    {"20240301.txt", "March\n"}}));
  ASSERT_EQ(Shell(diary.Run("--from 2024-01-01 --to 2024-01-01 --format md --out " + out / "md")).code, 0);
  EXPECT_EQ(Files(out / "md"), (std::map<std::string, std::string>{{"20240101.md", "New *year*.\n"}}));
  // PDF: the range as one file of merged pages, each entry under its date heading, in order.
  const ShellResult pdf =
      Shell("LC_ALL=C " + diary.Run("--from 2024-01-01 --to 2024-02-28 --format pdf --out " + out / "pdf"));
  ASSERT_EQ(pdf.code, 0) << pdf.out;
  ASSERT_EQ(Files(out / "pdf").count("20240101-20240228.pdf"), 1u);
  const std::string text = Shell("pdftotext -layout " + out / "pdf/20240101-20240228.pdf -").out;
  const size_t first = text.find("Monday, January 1, 2024"),
               second = text.find("Thursday, February 15, 2024");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, text.find("New year."));
  EXPECT_LT(text.find("New year."), second);
  EXPECT_LT(second, text.find("Mid February"));
  EXPECT_EQ(text.find("March"), std::string::npos);
}

TEST(ExportCommand, RefusesWhatItCannotDo) {
  Diary diary;
  TempDir out;
  EXPECT_EQ(Shell(diary.Run("--format doc --out " + out.path())).code, 2);
  EXPECT_EQ(Shell(diary.Run("--from 2024-02-30 --format rtf --out " + out.path())).code, 2);
  EXPECT_EQ(Shell(diary.Run("--format rtf")).code, 2);
  EXPECT_TRUE(Files(out.path()).empty());
  // A folder that cannot be made (a file is in the way).
  WriteFile(out / "taken", "");
  EXPECT_EQ(Shell(diary.Run("--format rtf --out " + out / "taken")).code, 1);
}

}  // namespace
}  // namespace inkwend
