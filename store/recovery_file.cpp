#include "store/recovery_file.h"

#include <algorithm>
#include <chrono>

namespace inkwend {

bool LooksLikeRtf(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\b'))
    ++i;
  return bytes.substr(i).starts_with("{\\rtf");
}

std::string RecoveryFiles::Path(Date day) const {
  return store_->EntriesDirectory() + DateKey(day) + kSuffix;
}

Status RecoveryFiles::Write(Date day, std::string_view rtf, std::string_view password) const {
  return store_->WriteStoredText(Path(day), rtf, password);
}

Result<std::string> RecoveryFiles::Read(Date day, std::string_view password) const {
  std::string rtf;
  const Status read = store_->ReadStoredText(Path(day), password, rtf);
  if (!read.IsOk()) return read;
  if (!LooksLikeRtf(rtf))
    return Status::Error(StatusCode::Refused,
                         password.empty()
                             ? "It does not hold diary text (or it is enciphered and the diary has no "
                               "password)."
                             : "It cannot be deciphered with the diary's password.");
  return rtf;
}

Status RecoveryFiles::Remove(Date day) const { return fs_->RemoveFile(Path(day)); }

std::vector<Date> RecoveryFiles::Days() const {
  std::vector<Date> days;
  Result<std::vector<std::string>> names = fs_->ListDirectory(store_->EntriesDirectory());
  if (!names.IsOk()) return days;
  constexpr size_t kKeyLength = 8;
  const Date no_day{};  // not ok(): what STOD gives back for a name that is no key
  for (const std::string& name : names.Value()) {
    if (name.size() != kKeyLength + sizeof kSuffix - 1 || !name.ends_with(kSuffix)) continue;
    const Date day = STOD(std::string_view(name).substr(0, kKeyLength), no_day);
    if (!day.ok() || day.year() < std::chrono::year(1) || day.year() > std::chrono::year(9999)) continue;
    if (fs_->IsPlainFile(Path(day))) days.push_back(day);
  }
  // Earliest first, whatever order the listing had.
  std::sort(days.begin(), days.end());
  return days;
}

}  // namespace inkwend
