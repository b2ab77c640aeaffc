#include "store/stale_temp_files.h"

#include <functional>
#include <string_view>
#include <vector>

namespace inkwend {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (const char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Removes the temporary files in `folder` (ending in "/") whose target `is_ours` accepts.
int RemoveIn(const std::string& folder, const std::function<bool(const std::string&)>& is_ours,
             FileSystem& fs) {
  const Result<std::vector<std::string>> names = fs.ListDirectory(folder);
  if (!names.IsOk()) return 0;
  int removed = 0;
  for (const std::string& name : names.Value()) {
    std::string target;
    if (!IsAtomicWriteTempName(name, &target) || !is_ours(target)) continue;
    const std::string path = folder + name;
    if (fs.IsPlainFile(path) && fs.RemoveFile(path).IsOk()) ++removed;
  }
  return removed;
}

// The re-enciphered copies of a password change that never reached its switch.
int RemoveRekeyed(const std::string& entries, FileSystem& fs) {
  const Result<std::vector<std::string>> names = fs.ListDirectory(entries);
  if (!names.IsOk()) return 0;
  constexpr std::string_view kSuffix = kRekeyedSuffix;
  int removed = 0;
  for (const std::string& name : names.Value()) {
    if (!name.ends_with(kSuffix) || !IsStoredUnderPassword(name.substr(0, name.size() - kSuffix.size())))
      continue;
    const std::string path = entries + name;
    if (fs.IsPlainFile(path) && fs.RemoveFile(path).IsOk()) ++removed;
  }
  return removed;
}

}  // namespace

bool IsEntryFolderFileName(const std::string& name) {
  constexpr std::string_view kEntrySuffix = ".KWE";
  constexpr std::string_view kDamaged = ".damaged";
  constexpr std::string_view kRecovery = ".recover";  // the recovery copy of unsaved text
  const std::string_view n = name;
  if (n.size() < 8 + kEntrySuffix.size() || !AllDigits(n.substr(0, 8)) ||
      n.substr(8, kEntrySuffix.size()) != kEntrySuffix)
    return false;
  std::string_view rest = n.substr(8 + kEntrySuffix.size());
  if (rest.empty() || rest == kRecovery) return true;
  if (rest.substr(0, kDamaged.size()) != kDamaged) return false;
  rest.remove_prefix(kDamaged.size());
  return rest.empty() || (rest.front() == '-' && AllDigits(rest.substr(1)));
}

bool IsStoredUnderPassword(const std::string& name) {
  if (IsEntryFolderFileName(name)) return true;
  constexpr std::string_view kEntrySuffix = ".KWE";
  if (name.size() < kEntrySuffix.size()) return false;
  std::string tail = name.substr(name.size() - kEntrySuffix.size());
  for (char& c : tail)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return tail == kEntrySuffix;
}

int RemoveStaleTempFiles(const std::string& program_directory, FileSystem& fs) {
  std::string folder = program_directory;
  if (folder.empty() || folder.back() != '/') folder += '/';
  const int settings = RemoveIn(
      folder, [](const std::string& target) { return target == "KW.INI" || target == kPasswordJournalName; },
      fs);
  const std::string entries = folder + "Entries/";
  const int temp_files = RemoveIn(entries, IsEntryFolderFileName, fs);
  return settings + temp_files +
         (fs.FileExists(folder + kPasswordJournalName) ? 0 : RemoveRekeyed(entries, fs));
}

}  // namespace inkwend
