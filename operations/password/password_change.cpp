#include "operations/password/password_change.h"

#include "operations/password/password_journal.h"
#include "store/cipher.h"
#include "store/ini_file.h"
#include "store/stale_temp_files.h"

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

// The file's bytes under the new password, transformed in memory: no plaintext reaches the disk.
void Reencipher(std::string& bytes, std::string_view old_password, std::string_view new_password) {
  auto* data = reinterpret_cast<uint8_t*>(bytes.data());
  if (!old_password.empty()) {
    uint32_t state = PasswordSeed(old_password);
    CipherTransform(CipherDirection::Decrypt, state, data, data, bytes.size());
  }
  if (!new_password.empty()) {
    uint32_t state = PasswordSeed(new_password);
    CipherTransform(CipherDirection::Encrypt, state, data, data, bytes.size());
  }
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

Status PasswordChange::StorePassword(const std::string& stored_password) {
  const std::string path = programDirectory_ + "KW.INI";
  IniFile ini;
  Status s = IniFile::Load(path, ini, *fs_);
  if (s.IsOk()) s = ini.WriteString("Security", "Password", stored_password);
  if (s.IsOk()) s = ini.Save(path, *fs_);
  return s;
}

Status PasswordChange::WriteJournal(bool switching, const std::string& stored_password) {
  PasswordJournal journal;
  journal.state = switching ? PasswordJournal::State::Switching : PasswordJournal::State::Staged;
  journal.storedPassword = stored_password;
  return fs_->WriteFileAtomically(JournalPath(), journal.Bytes());
}

Status PasswordChange::Run(std::string_view old_password, std::string_view new_password) {
  if (fs_->FileExists(JournalPath()))
    return Status::Error(StatusCode::Refused,
                         "An earlier password change is unfinished; the next start of Inkwend finishes it.");
  // Copies left by an earlier run that was undone are no part of this one.
  if (const Result<std::vector<std::string>> left = StagedNames(); left.IsOk())
    for (const std::string& name : left.Value())
      (void)fs_->RemoveFile(EntriesFolder() + name + std::string(kSuffix));
  const std::string stored = new_password.empty() ? std::string() : EncryptString(new_password);
  // KW.INI must be able to take the new password before any file is touched.
  IniFile ini;
  Status s = IniFile::Load(programDirectory_ + "KW.INI", ini, *fs_);
  if (s.IsOk()) s = ini.WriteString("Security", "Password", stored);
  if (!s.IsOk()) return NotChanged(s);
  Result<std::vector<std::string>> names = FilesToConvert();
  if (!names.IsOk()) return NotChanged(names.GetStatus());
  const int total = static_cast<int>(names.Value().size());
  if (old_password == new_password) {
    // Stored again; every file already is what it would become.
    s = StorePassword(stored);
    if (!s.IsOk()) return NotChanged(s);
    Report(PasswordRunProgress::Phase::Done, total, total);
    return Status::Ok();
  }
  s = WriteJournal(false, stored);
  if (!s.IsOk()) return NotChanged(s);
  s = Stage(names.Value(), old_password, new_password);
  if (!s.IsOk()) {
    const Status undone = Undo(names.Value());
    if (!undone.IsOk())
      return Status::Error(Clause(s) + ", and the run could not be undone yet: " + Clause(undone) +
                           ". The next start of Inkwend undoes it.");
    return NotChanged(s);
  }
  return Commit(names.Value(), stored);
}

Status PasswordChange::Stage(const std::vector<std::string>& names, std::string_view old_password,
                             std::string_view new_password) {
  const int total = static_cast<int>(names.size());
  for (int i = 0; i < total; ++i) {
    if (Status s = StageOne(names[static_cast<size_t>(i)], old_password, new_password); !s.IsOk()) return s;
    Report(PasswordRunProgress::Phase::Staging, i + 1, total);
  }
  // The copies' names are on disk before the journal says they are complete.
  return names.empty() ? Status::Ok() : fs_->SyncDirectory(EntriesFolder());
}

Status PasswordChange::StageOne(const std::string& name, std::string_view old_password,
                                std::string_view new_password) {
  const std::string path = EntriesFolder() + name;
  Result<std::string> bytes = ReadWhole(*fs_, path);
  if (!bytes.IsOk()) return bytes.GetStatus();
  std::string& converted = bytes.Value();
  Reencipher(converted, old_password, new_password);
  const std::string staged = path + std::string(kSuffix);
  // Flushed to disk here; the run's switch renames it over the entry.
  if (Status s = fs_->WriteFileInPlace(staged, converted); !s.IsOk()) return s;
  const Result<std::string> back = ReadWhole(*fs_, staged);
  if (!back.IsOk()) return back.GetStatus();
  if (back.Value() != converted)
    return Status::Error("\"" + staged + "\" does not read back as it was written");
  return Status::Ok();
}

Status PasswordChange::Commit(const std::vector<std::string>& names, const std::string& stored_password) {
  Status s = WriteJournal(true, stored_password);
  if (s.IsOk()) s = StorePassword(stored_password);
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
  if (Status s = StorePassword(journal.Value().storedPassword); !s.IsOk()) return s;
  if (Status s = SwitchFiles(staged.Value()); !s.IsOk()) return s;
  return InterruptedPasswordChange::Finished;
}

}  // namespace inkwend
