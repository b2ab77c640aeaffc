#pragma once
// Changing the diary password without ever leaving half a diary. The password seeds the cipher
// of every file in Entries/, so a change re-enciphers them all; done one file at a time in place,
// a crash, a full disk or an unreadable file would leave some entries under the old password and
// some under the new one with nothing recording which, and those entries would be lost.
//
// A run instead goes through two phases, recorded in a journal (password_journal.h):
//  1. staged: beside each file it writes the re-enciphered bytes (NAME + kRekeyedSuffix),
//     flushed to disk and read back; KW.INI and the files themselves are untouched. Any failure
//     undoes the phase, and so does the next start after a kill.
//  2. switching: once every copy is verified, the journal says so, KW.INI gets the new password
//     and each copy is renamed over its file. The next start after a kill finishes the phase.
// So at every instant the diary opens with either the old password and its old files or the new
// password and its new files. No plaintext is written: entries are re-enciphered in memory.
//
//   PasswordChange change(program_directory, fs);
//   if (auto earlier = change.FinishInterrupted(); earlier.IsOk()) Tell(InterruptedRunMessage(...));
//   Status done = change.Run(old_password, new_password);
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"

namespace inkwend {

struct PasswordRunProgress {
  enum class Phase { Staging, Switching, Done };
  Phase phase = Phase::Staging;
  int done = 0;   // files of this phase done so far
  int total = 0;  // files of the run
};

// What the start found of an earlier run.
enum class InterruptedPasswordChange { None, Finished, Undone };

// The message for the user after FinishInterrupted; empty for None.
std::string InterruptedRunMessage(InterruptedPasswordChange what);

class PasswordChange {
 public:
  // `program_directory` holds KW.INI and Entries/ (a "/" is added when missing); `fs` outlives
  // the object.
  PasswordChange(std::string program_directory, FileSystem& fs);

  // After each file of each phase, and once at the end; the gauge follows it.
  std::function<void(const PasswordRunProgress&)> onProgress;

  // The files of Entries/ a run re-enciphers (entries, their damaged and recovery copies).
  Result<std::vector<std::string>> FilesToConvert() const;

  // Re-enciphers every file from `old_password` to `new_password` (bytes as KW.INI's password;
  // empty for none) and stores the new password in KW.INI. Equal passwords store it again and
  // touch no file. On failure the diary keeps the old password and every file as it was, and the
  // message says so; Refused while an earlier run is unfinished (FinishInterrupted first).
  Status Run(std::string_view old_password, std::string_view new_password);

  // Finishes or undoes a run that was interrupted. Ok(None) when there was none. A failure (a
  // damaged journal, a disk that refuses) changes nothing that a later try could not redo; the
  // diary must not be opened then.
  Result<InterruptedPasswordChange> FinishInterrupted();

  std::string JournalPath() const;

 private:
  std::string EntriesFolder() const { return programDirectory_ + "Entries/"; }
  void Report(PasswordRunProgress::Phase phase, int done, int total) const;
  Status Stage(const std::vector<std::string>& names, std::string_view old_password,
               std::string_view new_password);
  Status StageOne(const std::string& name, std::string_view old_password, std::string_view new_password);
  Status Commit(const std::vector<std::string>& names, const std::string& stored_password);
  // Renames every copy there is over its file; the journal goes last.
  Status SwitchFiles(const std::vector<std::string>& names);
  // Removes the journal first (so that no later start finishes a run being undone), then the copies.
  Status Undo(const std::vector<std::string>& names);
  Status WriteJournal(bool switching, const std::string& stored_password);
  Status StorePassword(const std::string& stored_password);
  Result<std::vector<std::string>> StagedNames() const;

  std::string programDirectory_;
  FileSystem* fs_;  // not owned
};

}  // namespace inkwend
