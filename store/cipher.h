#pragma once
// The entry cipher: a password-seeded additive byte stream, and the reversible scrambling
// of the password kept in the settings file. Neither resists analysis; both must match the
// bytes of existing diaries exactly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace inkwend {

// Seed of the keystream: (sum of the bytes of the password with a-z upper-cased) x length,
// low 32 bits of a signed multiplication.
uint32_t PasswordSeed(std::string_view password);

// The keystream generator: X := X * 134775813 + 1, draw = floor(255 * X / 2^32).
class CipherStream {
 public:
  explicit CipherStream(uint32_t seed) : state_(seed) {}
  uint8_t Draw();
  uint32_t state() const { return state_; }

 private:
  uint32_t state_;
};

enum class CipherDirection { Encrypt, Decrypt };

// Transforms `size` bytes from `in` to `out` (which may be the same buffer), continuing the
// stream from `state` and leaving it where a byte-at-a-time loop would.
void CipherTransform(CipherDirection direction, uint32_t& state, const uint8_t* in, uint8_t* out,
                     size_t size);

// Whole-buffer convenience over CipherTransform, seeded from the password.
std::string EncryptBytes(std::string_view plain, std::string_view password);
std::string DecryptBytes(std::string_view cipher, std::string_view password);

// Password scrambling for the settings file (length preserving, bytes in 0..255).
std::string EncryptString(std::string_view text);
std::string Decryptstring(std::string_view text);

// A password as bytes: Windows-1252 when every character fits (so diaries made on Windows
// open with the same password), UTF-8 otherwise.
std::string PasswordBytes(std::u32string_view password);

}  // namespace inkwend
