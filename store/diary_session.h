#pragma once
// DiarySession: the diary as the main window works on it, with no widget in sight. It keeps the
// day shown, whether that day has an entry and whether its text holds unsaved changes, the
// diary's password and the rest of its preferences, and it loads, saves and removes entries.
// The documents themselves stay in the editors: the session deals in RTF bytes and leaves
// putting them into a document (and taking them out) to the RtfReader and RtfWriter it is given.
//
//   session.SetCurrentDate(day);
//   session.FindEntry();
//   Status shown = session.Load([&](std::string rtf) { return PutIntoEditor(rtf); });
//   if (shown.Code() == StatusCode::Damaged) TellUser(...);
//
// The diary-wide operations (search, print, export) walk the days with LoadDay, which leaves
// the day shown as it is.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/file_system.h"
#include "base/status.h"
#include "store/entry_store.h"
#include "store/preferences.h"
#include "store/recovery_file.h"

namespace inkwend {

// Puts an entry's RTF into a document. Ok: all of it was read. Damaged: the document holds
// what could be read of damaged RTF. Any other code: nothing could be read (the message says
// why).
using RtfReader = std::function<Status(std::string rtf)>;
// The document as RTF, or why it could not be written.
using RtfWriter = std::function<Result<std::string>()>;

class DiarySession {
 public:
  // `program_directory` ends in "/" (one is added when it does not); `file_system` outlives
  // the session.
  DiarySession(std::string program_directory, FileSystem& file_system);
  // Its parts point at one another (the recovery copies at the store).
  DiarySession(const DiarySession&) = delete;
  DiarySession& operator=(const DiarySession&) = delete;

  const EntryStore& Store() const { return store_; }
  // The file system the diary is reached through (diary-wide operations use it too).
  FileSystem& Files() const { return fileSystem_; }
  Status EnsureEntriesDirectory() const { return store_.EnsureEntriesDirectory(); }

  // --- the day shown ---
  Date CurrentDate() const { return currentDate_; }
  // Moves to another day; FindEntry then tells whether it has an entry.
  void SetCurrentDate(Date day) { currentDate_ = day; }
  // Looks up whether the current day has an entry file.
  void FindEntry() { hasEntry_ = store_.HasEntry(currentDate_); }
  bool HasEntry() const { return hasEntry_; }
  std::string EntryPath() const { return store_.EntryPath(currentDate_); }
  // The shown text holds changes that are not saved.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  // The shown entry could not be read: nothing of it is shown, and a save of new text is refused
  // so that its file is not overwritten, until another day is loaded or AllowRemoval is called.
  bool EntryLocked() const { return entryLocked_; }
  // The user chose to delete the entry: the next save of the emptied text removes its file.
  void AllowRemoval() { entryLocked_ = false; }
  // The shown entry is damaged (what could be read is shown); a save keeps its file as
  // DamagedCopyPath() first, and writes only once that copy is read back whole. Set until a save
  // of the day succeeds.
  bool EntryDamaged() const { return entryDamaged_; }
  // Where a copy of the damaged entry file goes: "YYYYMMDD.KWE.damaged", or with "-2", "-3", ...
  // appended when earlier copies exist; an earlier copy is never overwritten. Empty when every
  // name up to kMaxDamagedCopies is taken.
  std::string DamagedCopyPath() const;
  static constexpr int kMaxDamagedCopies = 1000;

  // --- preferences (KW.INI) ---
  const std::string& Password() const { return preferences_.password; }
  void SetPassword(std::string password) { preferences_.password = std::move(password); }
  const Preferences& GetPreferences() const { return preferences_; }
  Preferences& MutablePreferences() { return preferences_; }
  std::string SettingsPath() const { return store_.programDirectory() + "KW.INI"; }
  // Reads every preference; when KW.INI cannot be read the defaults apply and the failure is
  // returned. `main_window` is the main window's rectangle (palette defaults derive from it).
  // A settings file that is refused (too large to be one, or not a plain file) is said once:
  // from then on the preferences live in memory only, reading changes nothing and is Ok.
  Status LoadPreferences(const WindowRect& main_window);
  // Writes every preference into KW.INI, keeping its other sections. A refused settings file is
  // left as it is (Ok).
  Status SavePreferences() const;
  bool SettingsRefused() const { return settingsRefused_; }

  // --- strong encryption (store/strong_cipher.h) ---
  // The diary key, once the password prompt has opened it (null for a diary without strong
  // encryption). The password of such a diary is not kept: Password() stays empty.
  void SetDiaryKey(std::shared_ptr<const DiaryKey> key) { store_.SetDiaryKey(std::move(key)); }
  bool StronglyEncrypted() const { return store_.StronglyEncrypted(); }

  // --- entries ---
  // Shows the current day's entry through `read`. A day without entry reads nothing and is Ok.
  // Damaged: the document holds what could be read (EntryDamaged is set). Any other failure:
  // nothing is shown and the entry is locked (EntryLocked), its file left as it is.
  Status Load(const RtfReader& read);
  // Reads any day's entry through `read` for a diary-wide operation, touching nothing of the
  // day shown. A day without entry reads nothing and is Ok.
  Status LoadDay(Date day, const RtfReader& read) const;
  // LoadDay for a day a listing of Entries/ has just named (EntryStore::EntryDaysBetween): the
  // file is read without a look beforehand, and a name that turns out not to be a plain file
  // (or gone meanwhile) is a day without entry, as LoadDay has it.
  Status LoadListedDay(Date day, const RtfReader& read) const;
  // Saves the shown text: an empty document removes the day's entry, other text is written by
  // `write` (called only then) and stored, enciphered when the diary has a password. A damaged
  // entry's file is copied aside first (see DamagedCopyPath) and the copy compared with it byte
  // for byte, at every save until one succeeds; when the copy fails or differs, nothing is
  // written. On failure the message completes "The entry of <day> ..." and the text stays
  // modified.
  Status Save(const RtfWriter& write, bool document_empty);
  // Removes the current day's entry file; a day without one is no error.
  Status Remove();

  // --- recovery copies of unsaved text (store/recovery_file.h) ---
  // Keeps the shown, unsaved text (as `write` gives it) in the current day's recovery copy,
  // enciphered like the entry; the entry file is left as it is. An empty document has nothing
  // to recover: the copy this run keeps is removed instead.
  Status KeepRecoveryCopy(const RtfWriter& write, bool document_empty);
  // Removes the copy this run wrote or took over (on Save, Cancel and day change). Copies an
  // earlier run left wait for their offer; none kept is no error.
  Status DiscardRecoveryCopy();
  // The days for which a copy exists, earliest first.
  std::vector<Date> RecoveryDays() const { return recovery_.Days(); }
  // A copy's text (deciphered with the diary's password), or why it cannot be shown.
  Result<std::string> ReadRecoveryCopy(Date day) const { return recovery_.Read(day, Password()); }
  // Removes a copy the user declined.
  Status RemoveRecoveryCopy(Date day) const { return recovery_.Remove(day); }
  // The current day shows the text of its copy, which from now on is this run's to replace or
  // discard.
  void TakeOverRecoveryCopy() { recoveryKept_ = currentDate_; }
  std::string RecoveryCopyPath(Date day) const { return recovery_.Path(day); }

  // --- days to go to ---
  // The earlier of `today` and the earliest entry day; the later of `today` and the latest.
  Result<Date> FirstEntryDay(Date today) const;
  Result<Date> LastEntryDay(Date today) const;
  // The calendar day after / before the current one (entry or not). Refused outside the years
  // 1 to 9999, which no entry key can name.
  Result<Date> NextDay() const;
  Result<Date> PreviousDay() const;

 private:
  // The day's RTF (deciphered), or why there is none that a document could show.
  Result<std::string> ReadEntryRtf(Date day) const;
  Status KeepDamagedCopy();
  // The copy at `copy` holds exactly `original`, which the entry file holds (`original_size` is its
  // size as the system records it, so that a read cut short is not taken for the whole file).
  bool CopyHolds(const std::string& copy, const std::string& original, uint64_t original_size) const;

  EntryStore store_;
  RecoveryFiles recovery_;
  // The day whose recovery copy this run keeps, if any.
  std::optional<Date> recoveryKept_;
  FileSystem& fileSystem_;  // outlives the session (see the constructor)
  Preferences preferences_;
  Date currentDate_{};
  bool hasEntry_ = false;
  bool modified_ = false;
  bool entryLocked_ = false;
  bool entryDamaged_ = false;
  bool settingsRefused_ = false;
  std::string damagedCopy_;  // the checked copy of the damaged entry file, once made
};

}  // namespace inkwend
