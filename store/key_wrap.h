#pragma once
// The diary key as a strongly encrypted diary keeps it: sealed (XChaCha20-Poly1305) under a key
// that Argon2id derives from the password and a random salt, with the derivation's cost stored
// beside it, as one line of text in KW.INI ("Security", "StrongKey"). The password itself is
// never stored in any form; a wrong one simply fails to open the seal, which says nothing about
// how close it was. Changing the password seals the same diary key again, so no entry file is
// touched.
//
//   Result<std::string> line = WrapDiaryKey(*key, password, KeyDerivation::Default());
//   Result<std::unique_ptr<DiaryKey>> opened = UnwrapDiaryKey(line.Value(), password);
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"
#include "store/ini_file.h"
#include "store/strong_cipher.h"

namespace inkwend {

// The cost of deriving the wrapping key from the password.
struct KeyDerivation {
  uint64_t passes = 4;                         // Argon2id time cost
  uint64_t memoryBytes = uint64_t{128} << 20;  // Argon2id memory cost

  // About half a second on a current two-core machine: paid once, at the password prompt.
  static KeyDerivation Default() { return {}; }
  // The least the library allows: for tests, which derive keys by the hundred.
  static KeyDerivation Fastest();
};

inline constexpr char kStrongKeySection[] = "Security";
inline constexpr char kStrongKeyName[] = "StrongKey";

// The sealed diary key as a line of text.
Result<std::string> WrapDiaryKey(const DiaryKey& key, std::string_view password, KeyDerivation cost);
// Refused with "The password is not correct." for a wrong password; Damaged for a line that is
// no sealed key (or asks for a derivation cost beyond any this program sets).
Result<std::unique_ptr<DiaryKey>> UnwrapDiaryKey(std::string_view wrapped, std::string_view password);

// The sealed key KW.INI holds; empty when the diary is not strongly encrypted.
std::string ReadWrappedKey(const IniFile& ini);

inline constexpr char kWrongPasswordMessage[] = "The password is not correct.";

}  // namespace inkwend
