#include "store/diary_session.h"

#include <chrono>
#include <utility>

#include "store/ini_file.h"
#include "store/recovery_file.h"

namespace inkwend {
namespace {

// Entry keys have four-digit years.
Result<Date> DayInKeyRange(Date day, const char* refusal) {
  if (day.year() < std::chrono::year(1) || day.year() > std::chrono::year(9999))
    return Status::Error(StatusCode::Refused, refusal);
  return day;
}

}  // namespace

DiarySession::DiarySession(std::string program_directory, FileSystem& file_system)
    : store_(std::move(program_directory), file_system),
      recovery_(store_, file_system),
      fileSystem_(file_system) {}

std::string DiarySession::DamagedCopyPath() const {
  const std::string first = EntryPath() + ".damaged";
  for (int n = 1; n <= kMaxDamagedCopies; ++n) {
    const std::string path = n == 1 ? first : first + "-" + std::to_string(n);
    if (!fileSystem_.FileExists(path) && !fileSystem_.DirectoryExists(path)) return path;
  }
  return std::string();
}

Status DiarySession::LoadPreferences(const WindowRect& main_window) {
  if (settingsRefused_) return Status::Ok();
  IniFile ini;
  const Status loaded = IniFile::Load(SettingsPath(), ini);
  // A settings file that cannot be read leaves an empty one: every preference its default.
  preferences_ = inkwend::LoadPreferences(ini, store_.programDirectory(), main_window);
  if (loaded.Code() != StatusCode::Refused) return loaded;
  // Writing the preferences back would replace the file with one of defaults: it is kept as it
  // is, for the user to look into.
  settingsRefused_ = true;
  return Status::Error(StatusCode::Refused, loaded.Message() +
                                                ". Inkwend starts with its default settings and leaves the "
                                                "file as it is; changes to the settings last until Inkwend "
                                                "closes.");
}

Status DiarySession::SavePreferences() const {
  if (settingsRefused_) return Status::Ok();
  IniFile ini;
  Status s = IniFile::Load(SettingsPath(), ini);
  if (s.IsOk()) s = inkwend::SavePreferences(ini, preferences_);
  if (s.IsOk()) s = ini.Save(SettingsPath());
  return s;
}

Result<std::string> DiarySession::ReadEntryRtf(Date day) const {
  std::string bytes;
  const Status read = store_.ReadEntry(day, Password(), bytes);
  if (!read.IsOk()) return read;
  // Entries are RTF. Anything else (the bytes of an entry enciphered with another password, or
  // of a file that is not an entry) would only show as noise.
  if (!LooksLikeRtf(bytes)) {
    return Status::Error(
        StatusCode::Refused,
        Password().empty()
            ? "Its file does not hold a diary entry (or it is enciphered and the diary has no password)."
            : "It cannot be deciphered with the diary's password: it was enciphered with another one, or "
              "the file is damaged.");
  }
  return bytes;
}

Status DiarySession::Load(const RtfReader& read) {
  entryLocked_ = false;
  entryDamaged_ = false;
  damagedCopy_.clear();
  if (!hasEntry_) return Status::Ok();
  // No second look at the file: one that vanished since FindEntry is reported, not passed over.
  Result<std::string> rtf = ReadEntryRtf(currentDate_);
  Status shown = rtf.IsOk() ? read(rtf.TakeValue()) : rtf.GetStatus();
  if (shown.Code() == StatusCode::Damaged)
    entryDamaged_ = true;
  else if (!shown.IsOk())
    entryLocked_ = true;
  return shown;
}

Status DiarySession::LoadDay(Date day, const RtfReader& read) const {
  if (!store_.HasEntry(day)) return Status::Ok();
  Result<std::string> rtf = ReadEntryRtf(day);
  if (!rtf.IsOk()) return rtf.GetStatus();
  return read(rtf.TakeValue());
}

Status DiarySession::LoadListedDay(Date day, const RtfReader& read) const {
  Result<std::string> rtf = ReadEntryRtf(day);
  if (!rtf.IsOk()) {
    // Only when the read failed is it worth a second look: one probe on the rare path instead
    // of one for every day.
    if (!store_.HasEntry(day)) return Status::Ok();
    return rtf.GetStatus();
  }
  return read(rtf.TakeValue());
}

bool DiarySession::CopyHolds(const std::string& copy, const std::string& original,
                             uint64_t original_size) const {
  if (copy.empty() || original.size() != original_size) return false;
  const Result<uint64_t> size = fileSystem_.FileSize(copy);
  if (!size.IsOk() || size.Value() != original_size) return false;
  const Result<std::string> bytes = fileSystem_.ReadFile(copy);
  return bytes.IsOk() && bytes.Value() == original;
}

// The damaged file is the only full record of what the user wrote; it is written over only when
// a copy of it is known to be whole. A copy made by an earlier, failed save is checked again and
// used when it still holds the file; otherwise a new one is made under the next free name.
Status DiarySession::KeepDamagedCopy() {
  const auto refuse = [](StatusCode code, const std::string& why) {
    return Status::Error(code,
                         "was not saved; your text is still in the editor. Its damaged file is left as it "
                         "is, as no copy of it could be kept beside it: " +
                             why);
  };
  const Result<uint64_t> size = fileSystem_.FileSize(EntryPath());
  if (size.GetStatus().Code() == StatusCode::NotFound) return Status::Ok();  // nothing left to keep
  Result<std::string> original = size.IsOk() ? fileSystem_.ReadFile(EntryPath()) : size.GetStatus();
  if (!original.IsOk()) return refuse(original.GetStatus().Code(), original.GetStatus().Message());
  if (CopyHolds(damagedCopy_, original.Value(), size.Value())) return Status::Ok();

  const std::string copy = DamagedCopyPath();
  if (copy.empty()) return refuse(StatusCode::Refused, "every name for a copy is taken");
  const Status copied = fileSystem_.CopyFile(EntryPath(), copy);
  if (!copied.IsOk()) return refuse(copied.Code(), copied.Message());
  if (!CopyHolds(copy, original.Value(), size.Value())) {
    fileSystem_.RemoveFile(copy);  // an incomplete copy would only mislead
    return refuse(StatusCode::IoError, "the copy \"" + copy + "\" did not read back the same as the file.");
  }
  damagedCopy_ = copy;
  return Status::Ok();
}

Status DiarySession::Save(const RtfWriter& write, bool document_empty) {
  if (document_empty && hasEntry_) {
    const Status removed = Remove();
    if (!removed.IsOk()) return Status::Error(removed.Code(), "could not be deleted: " + removed.Message());
    modified_ = false;
    return removed;
  }
  if (document_empty) {  // a day without entry and without text: nothing to keep
    modified_ = false;
    return Status::Ok();
  }
  if (entryLocked_) {
    return Status::Error(StatusCode::Refused,
                         "was not saved: its file could not be read, and it is not written over. Delete "
                         "the entry first to replace it.");
  }
  Result<std::string> rtf = write();
  if (!rtf.IsOk()) {
    return Status::Error(rtf.GetStatus().Code(),
                         "was not saved; your text is still in the editor. (The editor could not write it: " +
                             rtf.GetStatus().Message() + ".)");
  }
  if (entryDamaged_) {
    const Status kept = KeepDamagedCopy();
    if (!kept.IsOk()) return kept;
  }
  const Status written = store_.WriteEntry(currentDate_, rtf.Value(), Password());
  if (!written.IsOk()) {
    return Status::Error(written.Code(),
                         "was not saved; your text is still in the editor. Save again once the cause is "
                         "mended: " +
                             written.Message());
  }
  hasEntry_ = true;
  modified_ = false;
  entryDamaged_ = false;
  damagedCopy_.clear();
  return Status::Ok();
}

Status DiarySession::Remove() {
  const Status removed = store_.RemoveEntry(currentDate_);
  if (!removed.IsOk()) return removed;
  hasEntry_ = false;
  entryDamaged_ = false;
  damagedCopy_.clear();
  entryLocked_ = false;
  return removed;
}

Status DiarySession::KeepRecoveryCopy(const RtfWriter& write, bool document_empty) {
  if (document_empty) return DiscardRecoveryCopy();
  const bool ours = recoveryKept_ && *recoveryKept_ == currentDate_;
  if (!ours && fileSystem_.FileExists(recovery_.Path(currentDate_))) {
    // An earlier run's copy of this day has not been offered yet; it is not written over.
    return Status::Error(StatusCode::Refused, "an earlier unsaved text of this day waits to be recovered");
  }
  // Another day's copy is discarded first: only the day shown holds unsaved text.
  if (recoveryKept_ && !ours) {
    const Status discarded = DiscardRecoveryCopy();
    if (!discarded.IsOk()) return discarded;
  }
  Result<std::string> rtf = write();
  if (!rtf.IsOk()) return rtf.GetStatus();
  const Status written = recovery_.Write(currentDate_, rtf.Value(), Password());
  if (written.IsOk()) recoveryKept_ = currentDate_;
  return written;
}

Status DiarySession::DiscardRecoveryCopy() {
  if (!recoveryKept_) return Status::Ok();
  const Status removed = recovery_.Remove(*recoveryKept_);
  if (removed.IsOk()) recoveryKept_.reset();
  return removed;
}

Result<Date> DiarySession::FirstEntryDay(Date today) const { return store_.FirstDiaryRecord(today); }
Result<Date> DiarySession::LastEntryDay(Date today) const { return store_.LastDiaryRecord(today); }

Result<Date> DiarySession::NextDay() const {
  return DayInKeyRange(Date(std::chrono::sys_days(currentDate_) + std::chrono::days(1)),
                       "There is no day after 31 December 9999 in the diary.");
}

Result<Date> DiarySession::PreviousDay() const {
  return DayInKeyRange(Date(std::chrono::sys_days(currentDate_) - std::chrono::days(1)),
                       "There is no day before 1 January of the year 1 in the diary.");
}

}  // namespace inkwend
