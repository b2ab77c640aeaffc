// The inkwend-tool commands on a strongly encrypted diary: `password --strong` turns it on, and
// search, export and print open it with --password (or refuse without it when there is no
// terminal to ask on).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "operations/password/password_rules.h"
#include "operations/password/tests/test_diary.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"
#include "store/strong_cipher.h"
#include "tools/tests/shell.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::Shell;
using testing::ShellResult;
using testing::TestDiary;

const std::string kPassphrase = "correct horse 9";

// Standard error joins standard output; setsid leaves the tool without a terminal to ask on.
ShellResult Tool(const TestDiary& diary, const std::string& args) {
  return Shell("(LC_ALL=C LANG=C setsid -w " + std::string(INKWEND_TOOL) + " " + args + " --data-dir '" +
               diary.dir.path() + "' 2>&1)");
}

ShellResult Password(const TestDiary& diary, const std::string& old_password, const std::string& new_password,
                     bool strong) {
  return Tool(diary, "password --old '" + old_password + "' --new '" + new_password + "'" +
                         (strong ? " --strong" : ""));
}

class StrongCommand : public ::testing::Test {
 protected:
  StrongCommand() : diary_(5, "OLD") {
    const ShellResult on = Password(diary_, "OLD", kPassphrase, true);
    EXPECT_EQ(on.code, 0) << on.out;
    EXPECT_EQ(on.out, std::string(kStrongEncryptionDone) + "\n");
  }
  TestDiary diary_;
};

TEST_F(StrongCommand, TurnsItOnWithoutKeepingThePassword) {
  const IniFile settings(ReadFile(diary_.dir / "KW.INI"));
  EXPECT_EQ(settings.ReadString("Security", "Password", "?"), "");
  EXPECT_FALSE(ReadWrappedKey(settings).empty());
  for (const auto& [name, rtf] : diary_.plain)
    EXPECT_TRUE(IsStrongEntry(ReadFile(diary_.dir / ("Entries/" + name))));
  EXPECT_EQ(ReadFile(diary_.dir / "KW.INI").find(kPassphrase), std::string::npos);
}

TEST_F(StrongCommand, SearchExportAndPrintOpenItWithThePassword) {
  const ShellResult found = Tool(diary_, "search --password '" + kPassphrase + "' 'Day 3 '");
  EXPECT_EQ(found.code, 0) << found.out;
  EXPECT_NE(found.out.find("Day 3"), std::string::npos);

  const std::string out = diary_.dir / "exported";
  ASSERT_EQ(Tool(diary_, "export --password '" + kPassphrase + "' --format rtf --out '" + out + "'").code, 0);
  EXPECT_EQ(ReadFile(out + "/20200101.RTF").substr(0, 5), "{\\rtf");

  const std::string pdf = diary_.dir / "printed.pdf";
  const ShellResult printed =
      Tool(diary_, "print --password '" + kPassphrase +
                       "' --from 2020-01-01 --to 2020-01-31 --merged --paper letter --pdf '" + pdf + "'");
  EXPECT_EQ(printed.code, 0) << printed.out;
  EXPECT_TRUE(std::filesystem::exists(pdf));
}

TEST_F(StrongCommand, AWrongOrMissingPasswordIsRefused) {
  for (const std::string& password : {std::string(" --password 'correct horse 8'"), std::string()}) {
    const ShellResult r = Tool(diary_, "search" + password + " Day");
    EXPECT_EQ(r.code, 2) << r.out;
    EXPECT_EQ(r.out.find("Day"), std::string::npos);
  }
  EXPECT_NE(Tool(diary_, "search --password x Day").out.find(kWrongPasswordMessage), std::string::npos);
  EXPECT_EQ(Password(diary_, "OLD", "NEW", false).out,
            std::string("inkwend-tool: ") + kPreviousPasswordIncorrect + "\n");
}

TEST_F(StrongCommand, ANewPasswordThenBackToClassicAndToNone) {
  ASSERT_EQ(Password(diary_, kPassphrase, "another passphrase", true).code, 0);
  EXPECT_EQ(Tool(diary_, "search --password '" + kPassphrase + "' Day").code, 2);
  ASSERT_EQ(Password(diary_, "another passphrase", "NEW", false).out,
            "Be sure to write down your new password: NEW\n");
  EXPECT_TRUE(diary_.ReadsWithStoredPassword());
  EXPECT_EQ(diary_.StoredPassword(), "NEW");
  ASSERT_EQ(Password(diary_, "NEW", "secret words", true).code, 0);
  ASSERT_EQ(Password(diary_, "secret words", "", false).out, std::string(kPasswordCleared) + "\n");
  EXPECT_TRUE(diary_.ReadsWithStoredPassword());
  EXPECT_EQ(Password(diary_, "", "", true).out, std::string("inkwend-tool: ") + kStrongNeedsPassword + "\n");
}

}  // namespace
}  // namespace inkwend
