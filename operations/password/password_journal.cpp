#include "operations/password/password_journal.h"

#include <string_view>

namespace inkwend {
namespace {

constexpr std::string_view kHeader = "Inkwend password change\n";
constexpr std::string_view kStaged = "state=staged\n";
constexpr std::string_view kSwitching = "state=switching\n";
constexpr std::string_view kPassword = "password=";
constexpr std::string_view kStrongKey = "strongkey=";
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool DecodeHex(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexValue(hex[i]);
    const int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

}  // namespace

std::string PasswordJournal::Bytes() const {
  std::string out(kHeader);
  out += state == State::Staged ? kStaged : kSwitching;
  out += kPassword;
  for (const char c : storedPassword) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 15];
  }
  out += '\n';
  if (!strongKey.empty()) {
    out += kStrongKey;
    out += strongKey;
    out += '\n';
  }
  return out;
}

Result<PasswordJournal> PasswordJournal::Parse(const std::string& bytes) {
  const Status damaged =
      Status::Damaged("It is not the journal of a password change.", Damage{0, "all of it"});
  std::string_view rest = bytes;
  if (!rest.starts_with(kHeader)) return damaged;
  rest.remove_prefix(kHeader.size());
  PasswordJournal journal;
  if (rest.starts_with(kStaged)) {
    journal.state = State::Staged;
    rest.remove_prefix(kStaged.size());
  } else if (rest.starts_with(kSwitching)) {
    journal.state = State::Switching;
    rest.remove_prefix(kSwitching.size());
  } else {
    return damaged;
  }
  if (!rest.starts_with(kPassword) || !rest.ends_with('\n')) return damaged;
  rest.remove_prefix(kPassword.size());
  const size_t end = rest.find('\n');
  if (!DecodeHex(rest.substr(0, end), journal.storedPassword)) return damaged;
  rest.remove_prefix(end + 1);
  if (rest.empty()) return journal;
  if (!rest.starts_with(kStrongKey)) return damaged;
  rest.remove_prefix(kStrongKey.size());
  rest.remove_suffix(1);
  if (rest.empty() || rest.find('\n') != std::string_view::npos) return damaged;
  journal.strongKey = std::string(rest);
  return journal;
}

}  // namespace inkwend
