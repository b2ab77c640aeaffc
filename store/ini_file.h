#pragma once
// The settings file (KW.INI) in the private-profile format: "[Section]" lines followed by
// "Key=Value" lines. Sections and keys match without regard to ASCII letter case; the first
// of duplicate sections or keys wins on reading. A write changes one key and keeps every
// other line (comments, blank lines, unknown keys) byte for byte and in order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"

namespace inkwend {

class IniFile {
 public:
  // Values longer than this are cut on reading, as the private-profile functions do.
  static constexpr size_t kMaxValueLength = 1023;

  IniFile() = default;
  explicit IniFile(std::string_view bytes) { Parse(bytes); }

  // Settings files hold a few kilobytes; a larger one is refused unread (it would only cost
  // memory and start-up time) rather than parsed.
  static constexpr uint64_t kMaxFileBytes = uint64_t{1} << 20;

  // Loads the file; a missing file is an empty settings file, not an error. A file over
  // kMaxFileBytes, or a name that is not a plain file, is Refused.
  static Status Load(const std::string& path, IniFile& ini, FileSystem& fs = RealFileSystem());
  // Replaces the file atomically with the current content.
  Status Save(const std::string& path, FileSystem& fs = RealFileSystem()) const;

  std::string Bytes() const;

  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal after "0x"/"0X" when longer than two characters; anything else
  // (including values outside 32 bits) gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Refuses values that a settings line cannot hold (line breaks, NUL).
  Status WriteString(std::string_view section, std::string_view key, std::string_view value);
  Status WriteInteger(std::string_view section, std::string_view key, int value);
  Status WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes every line of the key in the section (the first one of that name); a key that is not
  // there changes nothing.
  void DeleteKey(std::string_view section, std::string_view key);

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string eol;   // "\r\n", "\n", "\r" or "" for a last line without one
  };
  void Parse(std::string_view bytes);
  // Index of the first header line of the section, or npos.
  size_t FindSection(std::string_view section) const;
  // Index of the first line of the key in the section starting at `header`, or npos.
  size_t FindKey(size_t header, std::string_view key) const;
  std::string NewLineEnding() const;

  std::vector<Line> lines_;
};

// Integer parsing shared with other readers of the settings file.
std::optional<int> ParseProfileInteger(std::string_view text);

}  // namespace inkwend
