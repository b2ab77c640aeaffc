#include "store/stale_temp_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/tests/temp_dir.h"

namespace inkwend {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Every name a start may meet in the diary's folders: only our own temporary files go.
TEST(StaleTempFiles, OnlyTemporaryFilesOfOurOwnWritesAreRemoved) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Entries");
  struct Case {
    const char* name;  // below the program directory
    bool removed;
  } cases[] = {
      {"KW.INI.tmp-a1B2c3", true},
      {"Password.journal.tmp-a1B2c3", true},
      {"Entries/20240305.KWE.tmp-Zz09aQ", true},
      {"Entries/20240305.KWE.damaged.tmp-abcdef", true},
      {"Entries/20240305.KWE.damaged-12.tmp-abcdef", true},
      {"Entries/20240305.KWE.recover.tmp-abcdef", true},
      // What the diary keeps.
      {"KW.INI", false},
      {"Entries/20240305.KWE", false},
      {"Entries/20240305.KWE.damaged", false},
      {"Entries/20240305.KWE.recover", false},
      {"Entries/20240305.KWE.recovered.tmp-abcdef", false},
      // Names that only look like ours: another unique part, another target, another folder.
      {"KW.INI.tmp-abcde", false},
      {"KW.INI.tmp-abcdefg", false},
      {"KW.INI.tmp-abc.ef", false},
      {"kw.ini.tmp-abcdef", false},
      {"notes.txt.tmp-abcdef", false},
      {"20240305.KWE.tmp-abcdef", false},
      {"Entries/KW.INI.tmp-abcdef", false},
      {"Entries/2024035.KWE.tmp-abcdef", false},
      {"Entries/20240305.kwe.tmp-abcdef", false},
      {"Entries/20240305.KWE.damaged-.tmp-abcdef", false},
      {"Entries/20240305.KWE.old.tmp-abcdef", false},
      {"Entries/notes.tmp-abcdef", false},
  };
  for (const Case& c : cases) WriteFile(dir / c.name, "x");
  // A folder with our name is not a file we wrote.
  std::filesystem::create_directory(dir / "Entries/20240306.KWE.tmp-abcdef");

  int expected = 0;
  for (const Case& c : cases) expected += c.removed ? 1 : 0;
  EXPECT_EQ(RemoveStaleTempFiles(dir.path(), RealFileSystem()), expected);
  for (const Case& c : cases) EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Entries/20240306.KWE.tmp-abcdef"));
}

// A password change's re-enciphered copies go only when no journal says a run still needs them.
TEST(StaleTempFiles, ReencipheredCopiesGoOnlyWithoutAJournal) {
  for (const bool journal : {false, true}) {
    SCOPED_TRACE(journal ? "journal" : "no journal");
    TempDir dir;
    std::filesystem::create_directory(dir / "Entries");
    if (journal) WriteFile(dir / kPasswordJournalName, "x");
    const char* copies[] = {"Entries/20240305.KWE.rekeyed", "Entries/20240305.KWE.recover.rekeyed",
                            "Entries/old.kwe.rekeyed"};
    const char* kept[] = {"Entries/notes.rekeyed", "Entries/20240305.KWE", "KW.INI.rekeyed"};
    for (const char* name : copies) WriteFile(dir / name, "x");
    for (const char* name : kept) WriteFile(dir / name, "x");
    EXPECT_EQ(RemoveStaleTempFiles(dir.path(), RealFileSystem()), journal ? 0 : 3);
    for (const char* name : copies) EXPECT_EQ(std::filesystem::exists(dir / name), journal) << name;
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  }
}

TEST(StaleTempFiles, MissingFoldersAreNoError) {
  TempDir dir;
  EXPECT_EQ(RemoveStaleTempFiles(dir / "none/", RealFileSystem()), 0);
  EXPECT_EQ(RemoveStaleTempFiles(dir.path(), RealFileSystem()), 0);  // no Entries/ yet
}

}  // namespace
}  // namespace inkwend
