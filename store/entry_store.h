#pragma once
// The diary's entries on disk: one file per day, Entries/YYYYMMDD.KWE below the program
// directory, holding the day's RTF as it is when the diary has no password and enciphered
// (same length) when it has one. Nothing in such a file says which; the caller's password
// decides. A strongly encrypted diary (store/strong_cipher.h) gives the store its diary key: its
// files start with a header of their own, are read with the key whatever password is given, and
// every write is strongly encrypted.
// Entries are enciphered and deciphered in memory: no plaintext of a protected diary is ever
// written to disk, and a save replaces the file atomically.
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"
#include "store/strong_cipher.h"

namespace inkwend {

using Date = std::chrono::year_month_day;

// "yyyymmdd": four-digit year, two-digit month and day.
std::string DateKey(Date date);
// The day named by an eight-digit key; `today` when the key names no valid date or a day outside
// the years 1 to 9999 ("0000MMDD").
Date STOD(std::string_view key, Date today);

class EntryStore {
 public:
  // `programDirectory` ends with "/". `fs` outlives the store.
  explicit EntryStore(std::string program_directory, FileSystem& fs = RealFileSystem());

  const std::string& programDirectory() const { return programDirectory_; }
  std::string EntriesDirectory() const { return programDirectory_ + "Entries/"; }
  std::string EntryPath(Date date) const;

  // The key of a strongly encrypted diary (null for none): from now on every write is strongly
  // encrypted. The key is shared with whoever else reads the diary in this run.
  void SetDiaryKey(std::shared_ptr<const DiaryKey> key) { diaryKey_ = std::move(key); }
  const std::shared_ptr<const DiaryKey>& GetDiaryKey() const { return diaryKey_; }
  bool StronglyEncrypted() const { return diaryKey_ != nullptr; }

  // Creates Entries/ and any missing parent.
  Status EnsureEntriesDirectory() const;

  // True when the day's name is a plain file (see the .cpp for other kinds of names).
  bool HasEntry(Date date) const;
  // The day's plain RTF (deciphered with `password` when it is not empty). A name that is not
  // a plain file is refused at once with an error, never waited on.
  Status ReadEntry(Date date, std::string_view password, std::string& rtf) const;
  // Writes the day's RTF, enciphered when `password` is not empty.
  Status WriteEntry(Date date, std::string_view rtf, std::string_view password) const;
  // Removes the day's entry; a day without one is no error.
  Status RemoveEntry(Date date) const;

  // Any file kept as an entry is (the recovery copies of unsaved text): read deciphered with
  // `password` when it is not empty, written atomically and enciphered when it is not empty.
  // With a diary key, a file with the strong header is decrypted with it (Refused when it does not
  // authenticate for the day its name starts with) and every write is strongly encrypted.
  Status ReadStoredText(const std::string& path, std::string_view password, std::string& rtf) const;
  Status WriteStoredText(const std::string& path, std::string_view rtf, std::string_view password) const;

  // The earlier of today and the earliest entry day / the later of today and the latest.
  // Names that are not date keys, and any failure on one name, change nothing.
  Date FirstDiaryRecord(Date today) const;
  Date LastDiaryRecord(Date today) const;

  // Names of entry files in Entries/ that are valid keys of days outside the years 1 to 9999
  // ("0000MMDD.KWE"): no day the diary shows has them, so every walk over the entries passes
  // them by; the window says so once.
  std::vector<std::string> OutOfRangeEntryNames() const;

  // The days (1-31) of a month that have an entry (as HasEntry tells), ascending.
  std::vector<int> EntryDays(int year, unsigned month) const;
  // The days from `from` to `to` (inclusive) whose entry file name exists as EntryPath names
  // it, earliest first: one listing of Entries/ instead of a probe per calendar day.
  std::vector<Date> EntryDaysBetween(Date from, Date to) const;

 private:
  std::vector<Date> AllEntryDays(Date today) const;

  std::string programDirectory_;
  FileSystem* fs_;  // not owned
  std::shared_ptr<const DiaryKey> diaryKey_;
};

// The date key a file of Entries/ is named after ("20240305" of ".../20240305.KWE.recover").
std::string_view DateKeyOfPath(std::string_view path);

}  // namespace inkwend
