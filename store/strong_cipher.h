#pragma once
// Strong encryption of a diary: a random 256-bit diary key, kept in locked memory that is wiped
// when it goes, encrypts each entry file with XChaCha20-Poly1305 (libsodium). Every write takes a
// fresh random nonce, and the entry's date key is authenticated with it, so an entry file that is
// altered, cut short, or moved to another day's name does not decrypt. The format is described in
// docs/formats/strong-encryption.md.
//
//   std::shared_ptr<const DiaryKey> key = DiaryKey::Generate();
//   std::string stored = StrongEncrypt(rtf, *key, "20240305");
//   Result<std::string> back = StrongDecrypt(stored, *key, "20240305");
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"

namespace inkwend {

// Sets libsodium up once; false when the system offers it no source of randomness.
bool StrongCryptoReady();

class DiaryKey {
 public:
  static constexpr size_t kBytes = 32;

  // A fresh random key; null when the library could not be set up.
  static std::unique_ptr<DiaryKey> Generate();
  // A key from its bytes (after unwrapping); `bytes` is wiped by the caller.
  static std::unique_ptr<DiaryKey> FromBytes(const unsigned char* bytes);

  ~DiaryKey();
  DiaryKey(const DiaryKey&) = delete;
  DiaryKey& operator=(const DiaryKey&) = delete;

  const unsigned char* Bytes() const { return bytes_.data(); }

 private:
  DiaryKey();
  std::array<unsigned char, kBytes> bytes_{};
};

// The first bytes of every strongly encrypted file. Classic entry files are plain RTF or the
// classic cipher's output; the eight-byte mark makes a chance match vanishingly rare.
inline constexpr std::string_view kStrongMagic{"\x89KWX\r\n\x1a\n", 8};
inline constexpr uint8_t kStrongVersion = 1;

// The file starts with the strong format's header.
bool IsStrongEntry(std::string_view stored);

// `date_key` is the "yyyymmdd" the file is named after.
std::string StrongEncrypt(std::string_view plain, const DiaryKey& key, std::string_view date_key);
// Refused when the file is cut short, altered, or belongs to another day or another diary key:
// nothing of such a file is given back (there is no partly readable text to show). The message
// completes "The entry of <day> cannot be shown: ...".
Result<std::string> StrongDecrypt(std::string_view stored, const DiaryKey& key, std::string_view date_key);

}  // namespace inkwend
