#include "store/ini_file.h"

#include <charconv>
#include <cstdint>

namespace inkwend {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// A section header: "[name]" after optional blanks. A header missing its "]" takes the rest
// of the line as the name, so the lines below it stay in a section of their own rather than
// being read as keys of the section above.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const auto close = line.rfind(']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  return Trim(line);
}

// "key=value": returns the key, or nullopt for comments, blank lines and lines without "=".
std::optional<std::string_view> KeyOf(std::string_view line, std::string_view* value = nullptr) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  if (value) *value = Trim(line.substr(eq + 1));
  return Trim(line.substr(0, eq));
}

// One pair of matching quotes around a value is removed on reading; the writer adds them
// where a value would otherwise not read back as written.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

bool NeedsQuotes(std::string_view v) {
  if (v.empty()) return false;
  if (IsBlank(v.front()) || IsBlank(v.back())) return true;
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
  text = Trim(text);
  int base = 10;
  bool negative = false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t magnitude = 0;
  auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (err != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (base == 16) {
    // Hexadecimal spells the 32-bit pattern, so 0xFFFFFFFF is -1.
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<int>(static_cast<uint32_t>(magnitude));
  }
  if (negative ? magnitude > 2147483648ull : magnitude > 2147483647ull) return std::nullopt;
  return negative ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
}

void IniFile::Parse(std::string_view bytes) {
  lines_.clear();
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = start;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
    Line line{std::string(bytes.substr(start, end - start)), ""};
    if (end < bytes.size()) {
      const size_t eol_length =
          (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
      line.eol = std::string(bytes.substr(end, eol_length));
      end += eol_length;
    }
    lines_.push_back(std::move(line));
    start = end;
  }
}

Status IniFile::Load(const std::string& path, IniFile& ini, FileSystem& fs) {
  ini = IniFile();
  if (!fs.FileExists(path))
    return fs.DirectoryExists(path) ? Status::Error("\"" + path + "\" is a directory") : Status::Ok();
  Result<std::string> bytes = fs.ReadFileAtMost(path, kMaxFileBytes);
  if (!bytes.IsOk()) return bytes.GetStatus();
  ini.Parse(bytes.Value());
  return Status::Ok();
}

Status IniFile::Save(const std::string& path, FileSystem& fs) const {
  return fs.WriteFileAtomically(path, Bytes());
}

std::string IniFile::Bytes() const {
  std::string out;
  for (const Line& l : lines_) out += l.text + l.eol;
  return out;
}

size_t IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (name && SameText(*name, section)) return i;
  }
  return std::string::npos;
}

size_t IniFile::FindKey(size_t header, std::string_view key) const {
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    if (SectionName(lines_[i].text)) break;
    const auto k = KeyOf(lines_[i].text);
    if (k && SameText(*k, key)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  const size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  const size_t at = FindKey(header, key);
  if (at == std::string::npos) return std::nullopt;
  std::string_view value;
  KeyOf(lines_[at].text, &value);
  value = Unquote(value);
  return std::string(value.substr(0, kMaxValueLength));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  auto v = Find(section, key);
  return v ? *v : std::string(def.substr(0, kMaxValueLength));
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const auto v = Find(section, key);
  if (!v) return def;
  return ParseProfileInteger(*v).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::string IniFile::NewLineEnding() const {
  // Follow the file's own convention; new files get the Windows form the format comes from.
  for (const Line& l : lines_)
    if (!l.eol.empty()) return l.eol;
  return "\r\n";
}

Status IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return Status::Error("The value of \"" + std::string(key) +
                         "\" cannot be stored in a settings file line.");
  if (key.empty() || key.find_first_of("=\r\n[") != std::string_view::npos ||
      section.find_first_of("]\r\n") != std::string_view::npos)
    return Status::Error("Invalid settings key \"" + std::string(section) + "/" + std::string(key) + "\".");
  const std::string stored = NeedsQuotes(value) ? "\"" + std::string(value) + "\"" : std::string(value);
  const std::string eol = NewLineEnding();
  size_t header = FindSection(section);
  if (header == std::string::npos) {
    if (!lines_.empty()) {
      if (lines_.back().eol.empty()) lines_.back().eol = eol;
      if (!Trim(lines_.back().text).empty()) lines_.push_back({"", eol});
    }
    lines_.push_back({"[" + std::string(section) + "]", eol});
    lines_.push_back({std::string(key) + "=" + stored, eol});
    return Status::Ok();
  }
  const size_t at = FindKey(header, key);
  if (at != std::string::npos) {
    // Keep the key as spelt in the file, replace only the value.
    lines_[at].text = std::string(*KeyOf(lines_[at].text)) + "=" + stored;
    return Status::Ok();
  }
  // New key: after the last key line of the section, before any blank lines that end it.
  size_t insert = header + 1;
  for (size_t i = header + 1; i < lines_.size() && !SectionName(lines_[i].text); ++i)
    if (!Trim(lines_[i].text).empty()) insert = i + 1;
  if (lines_[insert - 1].eol.empty()) lines_[insert - 1].eol = eol;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert),
                Line{std::string(key) + "=" + stored, eol});
  return Status::Ok();
}

Status IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const size_t header = FindSection(section);
  if (header == std::string::npos) return;
  for (size_t at = FindKey(header, key); at != std::string::npos; at = FindKey(header, key))
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
}

Status IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

}  // namespace inkwend
