#pragma once
// A small diary on disk for the tests of password changes: entries of assorted sizes (some over
// the cipher's 4096-byte chunk), a recovery copy and a damaged copy, all stored under a
// password, beside names that are no entry; and the check that every file still reads as its
// original RTF with whichever password KW.INI holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "base/tests/temp_dir.h"
#include "store/cipher.h"
#include "store/ini_file.h"
#include "store/preferences.h"
#include "store/stale_temp_files.h"

namespace inkwend::testing {

class TestDiary {
 public:
  // Below `root` when one is given, else below $TMPDIR.
  TestDiary(int entries, const std::string& password, const std::string& root = "")
      : dir(root.empty() ? TempDir() : TempDir(root)) {
    std::filesystem::create_directory(dir / "Entries");
    for (int i = 0; i < entries; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%04d%02d%02d.KWE", 2020 + i / 336, 1 + i / 28 % 12, 1 + i % 28);
      std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Day " + std::to_string(i) + " ";
      rtf.append(static_cast<size_t>(150 + (i * 977) % 9000), static_cast<char>('a' + i % 26));
      plain[name] = rtf + "}";
    }
    if (entries > 0) {
      const std::string first = plain.begin()->first;
      plain[first + ".recover"] = "{\\rtf1 unsaved}";
      plain[first + ".damaged"] = "{\\rtf1 damaged";
    }
    for (const auto& [name, rtf] : plain) WriteFile(dir / ("Entries/" + name), Stored(rtf, password));
    WriteFile(dir / "Entries/notes.txt", "not an entry");
    std::filesystem::create_directory(dir / "Entries/20991231.KWE");  // a folder, no entry
    WriteFile(dir / "KW.INI", "[Security]\r\nPassword=" + (password.empty() ? "" : EncryptString(password)) +
                                  "\r\n[Default Font]\r\nName=Arial\r\n");
  }

  static std::string Stored(const std::string& rtf, const std::string& password) {
    return password.empty() ? rtf : EncryptBytes(rtf, password);
  }

  std::string StoredPassword() const { return ReadStoredPassword(IniFile(ReadFile(dir / "KW.INI"))); }

  // Every file reads as its original with the stored password, and no run is left half done.
  ::testing::AssertionResult ReadsWithStoredPassword() const {
    const std::string password = StoredPassword();
    for (const auto& [name, rtf] : plain)
      if (ReadFile(dir / ("Entries/" + name)) != Stored(rtf, password))
        return ::testing::AssertionFailure() << name << " does not read with \"" << password << "\"";
    if (ReadFile(dir / "Entries/notes.txt") != "not an entry")
      return ::testing::AssertionFailure() << "notes.txt";
    for (const auto& e : std::filesystem::directory_iterator(dir / "Entries"))
      if (e.path().string().ends_with(kRekeyedSuffix))
        return ::testing::AssertionFailure() << e.path() << " is left";
    if (std::filesystem::exists(dir / kPasswordJournalName))
      return ::testing::AssertionFailure() << "journal left";
    return ::testing::AssertionSuccess();
  }

  TempDir dir;
  std::map<std::string, std::string> plain;  // file name in Entries/ -> its RTF
};

}  // namespace inkwend::testing
