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
// Turning strong encryption on or off (store/strong_cipher.h) is the same run with another
// transformation of each file; KW.INI then gets the sealed diary key (or loses it) in the same
// write that stores the password. A new password for a strongly encrypted diary only seals its
// key again: one atomic write of KW.INI, no entry file touched.
//
//   PasswordChange change(program_directory, fs);
//   if (auto earlier = change.FinishInterrupted(); earlier.IsOk()) Tell(InterruptedRunMessage(...));
//   Status done = change.Run(old_password, new_password);
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"
#include "store/key_wrap.h"

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

// What ChangeProtection is asked to do.
struct ProtectionChange {
  // The password as typed now (bytes as KW.INI's password; empty for none) and, for a strongly
  // encrypted diary, the key it opened (null for a classic diary).
  std::string oldPassword;
  std::shared_ptr<const DiaryKey> oldKey;
  std::string newPassword;
  bool strong = false;  // the diary is to be strongly encrypted (it then needs a password)
  KeyDerivation cost = KeyDerivation::Default();
};

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

  // Any change of protection: classic to classic is Run; strong on, strong off, or a new password
  // for a strong diary otherwise (see the top of this file). Refused for strong encryption without
  // a password. On failure the diary is as it was, and the message says so.
  Status ChangeProtection(const ProtectionChange& change);
  // The diary key after a successful ChangeProtection (null when the diary is no longer strongly
  // encrypted): the session reads and writes with it from then on.
  const std::shared_ptr<const DiaryKey>& DiaryKeyNow() const { return diaryKey_; }

  // Finishes or undoes a run that was interrupted. Ok(None) when there was none. A failure (a
  // damaged journal, a disk that refuses) changes nothing that a later try could not redo; the
  // diary must not be opened then.
  Result<InterruptedPasswordChange> FinishInterrupted();

  std::string JournalPath() const;

 private:
  // One file's bytes under the new protection, from its bytes under the old one. `name` is the
  // file's name in Entries/; strong encryption binds the file to the day it starts with.
  using Reencode = std::function<Result<std::string>(const std::string& name, std::string bytes)>;
  // What KW.INI holds of the protection: the scrambled password and the sealed diary key.
  struct Stored {
    std::string password;
    std::string strongKey;
  };

  std::string EntriesFolder() const { return programDirectory_ + "Entries/"; }
  void Report(PasswordRunProgress::Phase phase, int done, int total) const;
  // The run over every file; `files_change` false stores `target` only.
  Status RunWith(const Reencode& reencode, const Stored& target, bool files_change);
  Status Stage(const std::vector<std::string>& names, const Reencode& reencode);
  Status StageOne(const std::string& name, const Reencode& reencode);
  Status Commit(const std::vector<std::string>& names, const Stored& target);
  // Renames every copy there is over its file; the journal goes last.
  Status SwitchFiles(const std::vector<std::string>& names);
  // Removes the journal first (so that no later start finishes a run being undone), then the copies.
  Status Undo(const std::vector<std::string>& names);
  Status WriteJournal(bool switching, const Stored& target);
  Status StoreProtection(const Stored& target);
  Result<std::vector<std::string>> StagedNames() const;

  std::string programDirectory_;
  FileSystem* fs_;  // not owned
  std::shared_ptr<const DiaryKey> diaryKey_;
};

}  // namespace inkwend
