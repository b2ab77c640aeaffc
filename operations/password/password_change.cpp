#include "operations/password/password_change.h"

#include "operations/password/password_journal.h"
#include "store/cipher.h"
#include "store/entry_store.h"
#include "store/ini_file.h"
#include "store/stale_temp_files.h"
#include "store/strong_cipher.h"

namespace inkwend {
namespace {

constexpr std::string_view kSuffix = kRekeyedSuffix;

// A message without its closing full stop, to be continued.
std::string Clause(const Status& s) {
  std::string text = s.Message();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

Status NotChanged(const Status& why) {
  return Status::Error(why.Code() == StatusCode::Ok ? StatusCode::IoError : why.Code(),
                       "The password was not changed: " + Clause(why) +
                           ". The diary keeps its previous password, and every entry is as it was.");
}

// Every transformation happens in memory: no plaintext reaches the disk.
void ClassicTransform(CipherDirection direction, std::string& bytes, std::string_view password) {
  if (password.empty()) return;
  uint32_t state = PasswordSeed(password);
  auto* data = reinterpret_cast<uint8_t*>(bytes.data());
  CipherTransform(direction, state, data, data, bytes.size());
}

// A file of a strong diary as plain text: strongly encrypted files are opened with the key (one
// that does not authenticate stops the run, naming it); any other file is read as it is, as the
// diary reads it.
Result<std::string> OpenStrong(const std::string& name, std::string bytes, const DiaryKey& key) {
  if (!IsStrongEntry(bytes)) return bytes;
  Result<std::string> plain = StrongDecrypt(bytes, key, DateKeyOfPath(name));
  if (!plain.IsOk())
    return Status::Error(StatusCode::Damaged, "\"" + name + "\" cannot be decrypted (" +
                                                  plain.GetStatus().Message() +
                                                  " Move it out of the Entries folder and try again)");
  return plain;
}

Status NeedsPassword() {
  return Status::Error(StatusCode::Refused,
                       "Strong encryption needs a password; the diary keeps its protection as it is.");
}

// The whole file, checked against the size the system records, so that a read cut short is
// never taken for the entry.
Result<std::string> ReadWhole(FileSystem& fs, const std::string& path) {
  Result<std::string> bytes = fs.ReadFile(path);
  if (!bytes.IsOk()) return bytes;
  const Result<uint64_t> size = fs.FileSize(path);
  if (!size.IsOk()) return size.GetStatus();
  if (size.Value() != bytes.Value().size()) return Status::Error("Cannot read \"" + path + "\" completely");
  return bytes;
}

}  // namespace

std::string InterruptedRunMessage(InterruptedPasswordChange what) {
  switch (what) {
    case InterruptedPasswordChange::Finished:
      return "A password change that was interrupted has been finished: the diary now has the new "
             "password.";
    case InterruptedPasswordChange::Undone:
      return "A password change that was interrupted has been undone: the diary keeps its previous "
             "password.";
    case InterruptedPasswordChange::None:
      break;
  }
  return {};
}

PasswordChange::PasswordChange(std::string program_directory, FileSystem& fs)
    : programDirectory_(std::move(program_directory)), fs_(&fs) {
  if (programDirectory_.empty() || programDirectory_.back() != '/') programDirectory_ += '/';
}

std::string PasswordChange::JournalPath() const { return programDirectory_ + kPasswordJournalName; }

void PasswordChange::Report(PasswordRunProgress::Phase phase, int done, int total) const {
  if (onProgress) onProgress(PasswordRunProgress{phase, done, total});
}

Result<std::vector<std::string>> PasswordChange::FilesToConvert() const {
  std::vector<std::string> files;
  Result<std::vector<std::string>> names = fs_->ListDirectory(EntriesFolder());
  if (!names.IsOk()) {
    if (names.GetStatus().Code() == StatusCode::NotFound) return files;  // no entry yet
    return names.GetStatus();
  }
  // A name that is no plain file (a folder, a pipe) holds no entry the diary shows.
  for (std::string& name : names.Value())
    if (IsStoredUnderPassword(name) && fs_->IsPlainFile(EntriesFolder() + name))
      files.push_back(std::move(name));
  return files;
}

Result<std::vector<std::string>> PasswordChange::StagedNames() const {
  std::vector<std::string> staged;
  Result<std::vector<std::string>> names = fs_->ListDirectory(EntriesFolder());
  if (!names.IsOk()) {
    if (names.GetStatus().Code() == StatusCode::NotFound) return staged;
    return names.GetStatus();
  }
  for (const std::string& name : names.Value()) {
    if (!name.ends_with(kSuffix)) continue;
    std::string base = name.substr(0, name.size() - kSuffix.size());
    if (IsStoredUnderPassword(base) && fs_->IsPlainFile(EntriesFolder() + name))
      staged.push_back(std::move(base));
  }
  return staged;
}

Status PasswordChange::StoreProtection(const Stored& target) {
  const std::string path = programDirectory_ + "KW.INI";
  IniFile ini;
  Status s = IniFile::Load(path, ini, *fs_);
  if (s.IsOk()) s = ini.WriteString("Security", "Password", target.password);
  // A classic diary's KW.INI never gets the key: its bytes stay as they always were.
  if (s.IsOk() && target.strongKey.empty()) ini.DeleteKey(kStrongKeySection, kStrongKeyName);
  if (s.IsOk() && !target.strongKey.empty())
    s = ini.WriteString(kStrongKeySection, kStrongKeyName, target.strongKey);
  if (s.IsOk()) s = ini.Save(path, *fs_);
  return s;
}

Status PasswordChange::WriteJournal(bool switching, const Stored& target) {
  PasswordJournal journal;
  journal.state = switching ? PasswordJournal::State::Switching : PasswordJournal::State::Staged;
  journal.storedPassword = target.password;
  journal.strongKey = target.strongKey;
  return fs_->WriteFileAtomically(JournalPath(), journal.Bytes());
}

Status PasswordChange::Run(std::string_view old_password, std::string_view new_password) {
  const std::string old_text(old_password), new_text(new_password);
  const Reencode reencipher = [old_text, new_text](const std::string&,
                                                   std::string bytes) -> Result<std::string> {
    ClassicTransform(CipherDirection::Decrypt, bytes, old_text);
    ClassicTransform(CipherDirection::Encrypt, bytes, new_text);
    return bytes;
  };
  const Stored target{new_password.empty() ? std::string() : EncryptString(new_password), std::string()};
  return RunWith(reencipher, target, old_password != new_password);
}

Status PasswordChange::ChangeProtection(const ProtectionChange& change) {
  if (!change.oldKey && !change.strong) {
    Status s = Run(change.oldPassword, change.newPassword);
    if (s.IsOk()) diaryKey_.reset();
    return s;
  }
  if (change.strong && change.newPassword.empty()) return NeedsPassword();
  std::shared_ptr<const DiaryKey> key = change.oldKey;
  if (change.strong && !key) key = DiaryKey::Generate();
  if (!key) return NotChanged(Status::Error("the encryption library could not be started"));
  Stored target;
  if (change.strong) {
    Result<std::string> sealed = WrapDiaryKey(*key, change.newPassword, change.cost);
    if (!sealed.IsOk()) return NotChanged(sealed.GetStatus());
    target.strongKey = sealed.TakeValue();
  } else if (!change.newPassword.empty()) {
    target.password = EncryptString(change.newPassword);
  }
  Reencode reencode;
  if (change.strong) {
    const std::string old_password = change.oldPassword;
    reencode = [old_password, key](const std::string& name, std::string bytes) -> Result<std::string> {
      ClassicTransform(CipherDirection::Decrypt, bytes, old_password);
      return StrongEncrypt(bytes, *key, DateKeyOfPath(name));
    };
  } else {
    const std::string new_password = change.newPassword;
    reencode = [new_password, key](const std::string& name, std::string bytes) -> Result<std::string> {
      Result<std::string> plain = OpenStrong(name, std::move(bytes), *key);
      if (plain.IsOk()) ClassicTransform(CipherDirection::Encrypt, plain.Value(), new_password);
      return plain;
    };
  }
  // A new password for a strong diary seals the same key again: no file changes.
  const Status s = RunWith(reencode, target, !(change.oldKey && change.strong));
  if (s.IsOk()) diaryKey_ = change.strong ? key : nullptr;
  return s;
}

Status PasswordChange::RunWith(const Reencode& reencode, const Stored& target, bool files_change) {
  if (fs_->FileExists(JournalPath()))
    return Status::Error(StatusCode::Refused,
                         "An earlier password change is unfinished; the next start of Inkwend finishes it.");
  // Copies left by an earlier run that was undone are no part of this one.
  if (const Result<std::vector<std::string>> left = StagedNames(); left.IsOk())
    for (const std::string& name : left.Value())
      (void)fs_->RemoveFile(EntriesFolder() + name + std::string(kSuffix));
  // KW.INI must be able to take the new protection before any file is touched.
  IniFile ini;
  Status s = IniFile::Load(programDirectory_ + "KW.INI", ini, *fs_);
  if (s.IsOk()) s = ini.WriteString("Security", "Password", target.password);
  if (s.IsOk() && !target.strongKey.empty())
    s = ini.WriteString(kStrongKeySection, kStrongKeyName, target.strongKey);
  if (!s.IsOk()) return NotChanged(s);
  Result<std::vector<std::string>> names = FilesToConvert();
  if (!names.IsOk()) return NotChanged(names.GetStatus());
  const int total = static_cast<int>(names.Value().size());
  if (!files_change) {
    // Stored again (or sealed again); every file already is what it would become.
    s = StoreProtection(target);
    if (!s.IsOk()) return NotChanged(s);
    Report(PasswordRunProgress::Phase::Done, total, total);
    return Status::Ok();
  }
  s = WriteJournal(false, target);
  if (!s.IsOk()) return NotChanged(s);
  s = Stage(names.Value(), reencode);
  if (!s.IsOk()) {
    const Status undone = Undo(names.Value());
    if (!undone.IsOk())
      return Status::Error(Clause(s) + ", and the run could not be undone yet: " + Clause(undone) +
                           ". The next start of Inkwend undoes it.");
    return NotChanged(s);
  }
  return Commit(names.Value(), target);
}

Status PasswordChange::Stage(const std::vector<std::string>& names, const Reencode& reencode) {
  const int total = static_cast<int>(names.size());
  for (int i = 0; i < total; ++i) {
    if (Status s = StageOne(names[static_cast<size_t>(i)], reencode); !s.IsOk()) return s;
    Report(PasswordRunProgress::Phase::Staging, i + 1, total);
  }
  // The copies' names are on disk before the journal says they are complete.
  return names.empty() ? Status::Ok() : fs_->SyncDirectory(EntriesFolder());
}

Status PasswordChange::StageOne(const std::string& name, const Reencode& reencode) {
  const std::string path = EntriesFolder() + name;
  Result<std::string> bytes = ReadWhole(*fs_, path);
  if (!bytes.IsOk()) return bytes.GetStatus();
  Result<std::string> converted = reencode(name, bytes.TakeValue());
  if (!converted.IsOk()) return converted.GetStatus();
  const std::string staged = path + std::string(kSuffix);
  // Flushed to disk here; the run's switch renames it over the entry.
  if (Status s = fs_->WriteFileInPlace(staged, converted.Value()); !s.IsOk()) return s;
  const Result<std::string> back = ReadWhole(*fs_, staged);
  if (!back.IsOk()) return back.GetStatus();
  if (back.Value() != converted.Value())
    return Status::Error("\"" + staged + "\" does not read back as it was written");
  return Status::Ok();
}

Status PasswordChange::Commit(const std::vector<std::string>& names, const Stored& target) {
  Status s = WriteJournal(true, target);
  if (s.IsOk()) s = StoreProtection(target);
  if (!s.IsOk()) {
    // Nothing is renamed yet and KW.INI holds the old password: the run can still be undone.
    const Status undone = Undo(names);
    if (!undone.IsOk())
      return Status::Error(Clause(s) + ", and the run could not be undone: " + Clause(undone) +
                           ". The next start of Inkwend finishes the change.");
    return NotChanged(s);
  }
  s = SwitchFiles(names);
  if (!s.IsOk())
    return Status::Error("The new password is stored, but not every entry is switched to it yet: " +
                         Clause(s) + ". The next start of Inkwend finishes the change.");
  return Status::Ok();
}

Status PasswordChange::SwitchFiles(const std::vector<std::string>& names) {
  const int total = static_cast<int>(names.size());
  Status first_failure;
  for (int i = 0; i < total; ++i) {
    const std::string path = EntriesFolder() + names[static_cast<size_t>(i)];
    // A copy that is no longer there was switched before an interruption.
    const std::string staged = path + std::string(kSuffix);
    if (fs_->FileExists(staged)) {
      const Status s = fs_->RenameWithoutSync(staged, path);
      if (!s.IsOk() && first_failure.IsOk()) first_failure = s;
    }
    Report(PasswordRunProgress::Phase::Switching, i + 1, total);
  }
  if (!first_failure.IsOk()) return first_failure;
  if (Status s = names.empty() ? Status::Ok() : fs_->SyncDirectory(EntriesFolder()); !s.IsOk()) return s;
  if (Status s = fs_->RemoveFile(JournalPath()); !s.IsOk()) return s;
  // Losing the journal's removal to a power cut only repeats a finished switch.
  (void)fs_->SyncDirectory(programDirectory_);
  Report(PasswordRunProgress::Phase::Done, total, total);
  return Status::Ok();
}

Status PasswordChange::Undo(const std::vector<std::string>& names) {
  if (Status s = fs_->RemoveFile(JournalPath()); !s.IsOk()) return s;
  if (Status s = fs_->SyncDirectory(programDirectory_); !s.IsOk()) return s;
  // Copies that stay behind are leftovers without a journal; the next start removes them.
  for (const std::string& name : names) (void)fs_->RemoveFile(EntriesFolder() + name + std::string(kSuffix));
  return Status::Ok();
}

Result<InterruptedPasswordChange> PasswordChange::FinishInterrupted() {
  if (!fs_->FileExists(JournalPath())) return InterruptedPasswordChange::None;
  const Result<std::string> bytes = fs_->ReadFile(JournalPath());
  if (!bytes.IsOk()) return bytes.GetStatus();
  const Result<PasswordJournal> journal = PasswordJournal::Parse(bytes.Value());
  if (!journal.IsOk())
    return Status::Error(StatusCode::Damaged, "The journal of a password change \"" + JournalPath() +
                                                  "\" is damaged: " + journal.GetStatus().Message());
  const Result<std::vector<std::string>> staged = StagedNames();
  if (!staged.IsOk()) return staged.GetStatus();
  if (journal.Value().state == PasswordJournal::State::Staged) {
    if (Status s = Undo(staged.Value()); !s.IsOk()) return s;
    return InterruptedPasswordChange::Undone;
  }
  if (Status s = StoreProtection({journal.Value().storedPassword, journal.Value().strongKey}); !s.IsOk())
    return s;
  if (Status s = SwitchFiles(staged.Value()); !s.IsOk()) return s;
  return InterruptedPasswordChange::Finished;
}

}  // namespace inkwend
