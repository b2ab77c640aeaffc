#include "store/entry_store.h"

#include <algorithm>
#include <cstdio>

#include "store/cipher.h"

namespace inkwend {
namespace {

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// Entry keys have four-digit years, and the calendar the window shows has no year 0.
bool InKeyRange(Date date) {
  return date.year() >= std::chrono::year(1) && date.year() <= std::chrono::year(9999);
}

// The part before the first "." of an entry file's name ("20240305" of "20240305.kwe"), upper
// case; empty for a name that is no entry file's.
std::string EntryStem(std::string name) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (name.size() < 4 || name.compare(name.size() - 4, 4, ".KWE") != 0) return {};
  return name.substr(0, name.find('.'));
}

}  // namespace

std::string_view DateKeyOfPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.substr(0, 8);
}

std::string DateKey(Date date) {
  char key[16];
  std::snprintf(key, sizeof key, "%04d%02u%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return key;
}

Date STOD(std::string_view key, Date today) {
  if (key.size() != 8 || !AllDigits(key)) return today;
  const Date d{std::chrono::year(Number(key.substr(0, 4))),
               std::chrono::month(static_cast<unsigned>(Number(key.substr(4, 2)))),
               std::chrono::day(static_cast<unsigned>(Number(key.substr(6, 2))))};
  return d.ok() && InKeyRange(d) ? d : today;
}

EntryStore::EntryStore(std::string program_directory, FileSystem& fs)
    : programDirectory_(std::move(program_directory)), fs_(&fs) {
  if (programDirectory_.empty() || programDirectory_.back() != '/') programDirectory_ += '/';
}

std::string EntryStore::EntryPath(Date date) const { return EntriesDirectory() + DateKey(date) + ".KWE"; }

Status EntryStore::EnsureEntriesDirectory() const {
  std::string dir = EntriesDirectory();
  dir.pop_back();
  return fs_->CreateDirectory(dir);
}

// Only a plain file (or a link to one) is an entry. Anything else under a day's name (a
// pipe, a device, a folder) holds no diary text: the day shows as empty, a diary-wide walk
// passes it by, and a save of new text for that day replaces the name with a real entry.
bool EntryStore::HasEntry(Date date) const { return fs_->IsPlainFile(EntryPath(date)); }

Status EntryStore::ReadEntry(Date date, std::string_view password, std::string& rtf) const {
  return ReadStoredText(EntryPath(date), password, rtf);
}

Status EntryStore::WriteEntry(Date date, std::string_view rtf, std::string_view password) const {
  return WriteStoredText(EntryPath(date), rtf, password);
}

Status EntryStore::ReadStoredText(const std::string& path, std::string_view password,
                                  std::string& rtf) const {
  Result<std::string> bytes = fs_->ReadFile(path);
  if (!bytes.IsOk()) {
    rtf.clear();
    return bytes.GetStatus();
  }
  if (IsStrongEntry(bytes.Value())) {
    rtf.clear();
    if (!diaryKey_)
      return Status::Error(StatusCode::Refused,
                           "Its file is strongly encrypted, and the diary is not opened with its key.");
    Result<std::string> plain = StrongDecrypt(bytes.Value(), *diaryKey_, DateKeyOfPath(path));
    if (!plain.IsOk()) return plain.GetStatus();
    rtf = plain.TakeValue();
    return Status::Ok();
  }
  rtf = password.empty() ? bytes.TakeValue() : DecryptBytes(bytes.Value(), password);
  return Status::Ok();
}

Status EntryStore::WriteStoredText(const std::string& path, std::string_view rtf,
                                   std::string_view password) const {
  Status s = EnsureEntriesDirectory();
  if (!s.IsOk()) return s;
  if (diaryKey_) return fs_->WriteFileAtomically(path, StrongEncrypt(rtf, *diaryKey_, DateKeyOfPath(path)));
  if (password.empty()) return fs_->WriteFileAtomically(path, rtf);
  return fs_->WriteFileAtomically(path, EncryptBytes(rtf, password));
}

Status EntryStore::RemoveEntry(Date date) const { return fs_->RemoveFile(EntryPath(date)); }

std::vector<Date> EntryStore::AllEntryDays(Date today) const {
  std::vector<Date> days;
  Result<std::vector<std::string>> names = fs_->ListDirectory(EntriesDirectory());
  if (!names.IsOk()) return days;
  for (const std::string& name : names.Value()) {
    const std::string stem = EntryStem(name);
    // A name that is no key (or names a day outside the years 1 to 9999) converts to today,
    // which leaves both bounds as they are.
    if (!stem.empty()) days.push_back(STOD(stem, today));
  }
  return days;
}

std::vector<std::string> EntryStore::OutOfRangeEntryNames() const {
  std::vector<std::string> ignored;
  Result<std::vector<std::string>> names = fs_->ListDirectory(EntriesDirectory());
  if (!names.IsOk()) return ignored;
  for (const std::string& name : names.Value()) {
    const std::string stem = EntryStem(name);
    if (stem.size() != 8 || !AllDigits(stem)) continue;
    const Date d{std::chrono::year(Number(stem.substr(0, 4))),
                 std::chrono::month(static_cast<unsigned>(Number(stem.substr(4, 2)))),
                 std::chrono::day(static_cast<unsigned>(Number(stem.substr(6, 2))))};
    if (d.ok() && !InKeyRange(d)) ignored.push_back(name);
  }
  return ignored;
}

Date EntryStore::FirstDiaryRecord(Date today) const {
  Date result = today;
  for (Date d : AllEntryDays(today))
    if (std::chrono::sys_days(d) < std::chrono::sys_days(result)) result = d;
  return result;
}

Date EntryStore::LastDiaryRecord(Date today) const {
  Date result = today;
  for (Date d : AllEntryDays(today))
    if (std::chrono::sys_days(d) > std::chrono::sys_days(result)) result = d;
  return result;
}

std::vector<int> EntryStore::EntryDays(int year, unsigned month) const {
  std::vector<int> days;
  const std::chrono::year_month_day_last last{std::chrono::year(year) / std::chrono::month(month) /
                                              std::chrono::last};
  if (!last.ok()) return days;
  const unsigned length = static_cast<unsigned>(last.day());
  for (unsigned day = 1; day <= length; ++day) {
    const Date d{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
    if (HasEntry(d)) days.push_back(static_cast<int>(day));
  }
  return days;
}

std::vector<Date> EntryStore::EntryDaysBetween(Date from, Date to) const {
  std::vector<Date> days;
  Result<std::vector<std::string>> names = fs_->ListDirectory(EntriesDirectory());
  if (!names.IsOk()) return days;
  const auto before = [](Date a, Date b) { return std::chrono::sys_days(a) < std::chrono::sys_days(b); };
  for (const std::string& name : names.Value()) {
    // "YYYYMMDD.KWE" exactly: other spellings are not the day's entry on a case-sensitive disk.
    if (name.size() != 12 || name.compare(8, 4, ".KWE") != 0) continue;
    const std::string key = name.substr(0, 8);
    if (!AllDigits(key)) continue;
    const Date d{std::chrono::year(Number(key.substr(0, 4))),
                 std::chrono::month(static_cast<unsigned>(Number(key.substr(4, 2)))),
                 std::chrono::day(static_cast<unsigned>(Number(key.substr(6, 2))))};
    if (!d.ok() || !InKeyRange(d) || before(d, from) || before(to, d)) continue;
    days.push_back(d);
  }
  std::sort(days.begin(), days.end(), before);
  return days;
}

}  // namespace inkwend
