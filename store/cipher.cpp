#include "store/cipher.h"

#include <array>

namespace inkwend {
namespace {

constexpr uint32_t kMultiplier = 134775813u;
constexpr uint32_t kIncrement = 1u;
constexpr size_t kLanes = 32;

// floor(255 * x / 2^32) with 32-bit arithmetic only, so that the lane loop vectorises:
// 255x = (x >> 24) * 2^32 + ((x & 0xFFFFFF) << 8) - x, and the last difference lies in
// (-2^32, 2^32), so it lowers the high word by one exactly when it is negative.
inline uint32_t DrawOf(uint32_t x) { return (x >> 24) - (((x & 0xFFFFFFu) << 8) < x ? 1u : 0u); }

// The generator advanced n steps at once: X -> a_n * X + c_n.
struct Jump {
  uint32_t a = 1, c = 0;
};
constexpr Jump JumpOf(size_t n) {
  Jump j;
  for (size_t i = 0; i < n; ++i) j = {j.a * kMultiplier, j.c * kMultiplier + kIncrement};
  return j;
}
constexpr Jump kLaneJump = JumpOf(kLanes);

// The state n steps after x, by squaring the affine map (n may be large).
uint32_t Advance(uint32_t x, size_t n) {
  Jump step{kMultiplier, kIncrement};
  while (n != 0) {
    if (n & 1) x = x * step.a + step.c;
    step = {step.a * step.a, step.c * step.a + step.c};
    n >>= 1;
  }
  return x;
}

template <bool kEncrypt>
void TransformLanes(uint32_t& state, const uint8_t* in, uint8_t* out, size_t size) {
  size_t pos = 0;
  if (size >= kLanes) {
    // lane[i] holds the state whose draw enciphers byte pos + i.
    alignas(64) std::array<uint32_t, kLanes> lane;
    uint32_t x = state;
    for (size_t i = 0; i < kLanes; ++i) lane[i] = x = x * kMultiplier + kIncrement;
    for (; pos + kLanes <= size; pos += kLanes) {
      for (size_t i = 0; i < kLanes; ++i) {
        const uint8_t r = static_cast<uint8_t>(DrawOf(lane[i]));
        out[pos + i] = kEncrypt ? static_cast<uint8_t>(in[pos + i] + r) : static_cast<uint8_t>(in[pos + i] - r);
        lane[i] = lane[i] * kLaneJump.a + kLaneJump.c;
      }
    }
    state = Advance(state, pos);
  }
  for (; pos < size; ++pos) {
    state = state * kMultiplier + kIncrement;
    const uint8_t r = static_cast<uint8_t>(DrawOf(state));
    out[pos] = kEncrypt ? static_cast<uint8_t>(in[pos] + r) : static_cast<uint8_t>(in[pos] - r);
  }
}

std::string Transform(CipherDirection direction, std::string_view bytes, std::string_view password) {
  std::string out(bytes.size(), '\0');
  uint32_t state = PasswordSeed(password);
  CipherTransform(direction, state, reinterpret_cast<const uint8_t*>(bytes.data()),
                  reinterpret_cast<uint8_t*>(out.data()), bytes.size());
  return out;
}

}  // namespace

uint32_t PasswordSeed(std::string_view password) {
  uint32_t sum = 0;
  for (unsigned char c : password) sum += (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
  // Signed 32-bit multiplication keeping the low 32 bits equals the unsigned one.
  return sum * static_cast<uint32_t>(password.size());
}

uint8_t CipherStream::Draw() {
  state_ = state_ * kMultiplier + kIncrement;
  return static_cast<uint8_t>(DrawOf(state_));
}

void CipherTransform(CipherDirection direction, uint32_t& state, const uint8_t* in, uint8_t* out,
                     size_t size) {
  if (direction == CipherDirection::Encrypt)
    TransformLanes<true>(state, in, out, size);
  else
    TransformLanes<false>(state, in, out, size);
}

std::string EncryptBytes(std::string_view plain, std::string_view password) {
  return Transform(CipherDirection::Encrypt, plain, password);
}

std::string DecryptBytes(std::string_view cipher, std::string_view password) {
  return Transform(CipherDirection::Decrypt, cipher, password);
}

std::string EncryptString(std::string_view text) {
  const auto len = static_cast<unsigned>(text.size());
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned c = static_cast<unsigned char>(out[i]);
    // Positions count from 1, so index 0 is odd.
    out[i] = static_cast<char>((i % 2 == 0) ? c - len + 100 : c + len + 100);
  }
  return out;
}

std::string Decryptstring(std::string_view text) {
  const auto len = static_cast<unsigned>(text.size());
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned c = static_cast<unsigned char>(out[i]);
    out[i] = static_cast<char>((i % 2 == 0) ? c + len - 100 : c - len - 100);
  }
  return out;
}

}  // namespace inkwend
