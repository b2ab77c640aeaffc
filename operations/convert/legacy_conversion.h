#pragma once
// LegacyConversion: turns the diary table of earlier releases (INKWEND.DBF with its memo file
// INKWEND.FPT in the program directory) into entry files, once. Records are taken in table order;
// deleted records and records without a DATE are passed by, and a later record of a date replaces
// the entry an earlier one wrote. Each entry file holds the record's memo exactly as stored,
// enciphered in memory when the diary has a password.
//
// The entries are written into a staging folder beside Entries/ and that folder is renamed to
// Entries/ only once every record is through. A conversion cut short (a crash, a full disk) so
// leaves no Entries/ behind: the next start finds the table without Entries/ and offers the
// conversion again, which clears the staging folder and starts over. The table is only read.
//
//   LegacyConversion conversion(program_directory, fs);
//   if (conversion.Offered() && UserAgrees()) {
//     conversion.onEntry = [&](std::string_view date) { ShowProgress(date); };
//     Result<ConversionReport> done = conversion.Run(password);
//   }
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"
#include "store/strong_cipher.h"

namespace inkwend {

inline constexpr char kLegacyTableName[] = "INKWEND.DBF";
inline constexpr char kLegacyMemoName[] = "INKWEND.FPT";
// The folder the entries are converted into before it becomes Entries/.
inline constexpr char kConversionStagingName[] = "Entries.converting";

struct ConversionReport {
  int entriesWritten = 0;  // entry files in the new Entries/ folder
  // Records that were passed by although live, in words ("record 7 (20240102): ..."): a DATE
  // that cannot name a file, a record or memo that cannot be read. Their data stays in the table.
  std::vector<std::string> passedBy;
};

class LegacyConversion {
 public:
  // `program_directory` ends in "/" (one is added when it does not); `fs` outlives the object.
  LegacyConversion(std::string program_directory, FileSystem& fs);

  // There is no Entries/ folder, and INKWEND.DBF and INKWEND.FPT are both there.
  bool Offered() const;

  // Before each live record with a DATE is converted, with the DATE text.
  std::function<void(std::string_view date_text)> onEntry;
  // Before that record's memo is enciphered (diaries with a password only).
  std::function<void(std::string_view date_text)> onEncrypt;
  // The key of a strongly encrypted diary: every entry is then strongly encrypted, whatever the
  // password given to Run.
  std::shared_ptr<const DiaryKey> diaryKey;

  // Converts the table; `password` empty writes plain entries. On failure (the table cannot be
  // opened, a file cannot be written, the folder cannot be put in place) no Entries/ folder is
  // made and what was staged is removed; the message says what and why.
  Result<ConversionReport> Run(std::string_view password);

  std::string EntriesDirectory() const { return programDirectory_ + "Entries"; }
  std::string StagingDirectory() const { return programDirectory_ + kConversionStagingName; }

 private:
  // Creates the staging folder and empties what an earlier, interrupted run left in it.
  Status PrepareStaging() const;
  void ClearStaging() const;

  std::string programDirectory_;
  FileSystem& fs_;  // outlives the object (see the constructor)
};

}  // namespace inkwend
