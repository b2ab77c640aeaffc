#include "store/cipher.h"

#include <array>

#include "base/text_encoding.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define INKWEND_CIPHER_AVX2 1
#endif

namespace inkwend {
namespace {

constexpr uint32_t kMultiplier = 134775813u;
constexpr uint32_t kIncrement = 1u;
constexpr size_t kLanes = 128;

// floor(255 * x / 2^32) with 32-bit arithmetic only, so that the lane loop vectorises:
// 255x = (x >> 24) * 2^32 + ((x & 0xFFFFFF) << 8) - x, and the last difference lies in
// (-2^32, 2^32), so it lowers the high word by one exactly when it is negative.
inline uint32_t DrawOf(uint32_t x) { return (x >> 24) - ((x << 8) < x ? 1u : 0u); }

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

// Portable form (machines without AVX2, and the tail of a buffer): independent lanes that the
// compiler can vectorise.
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
        out[pos + i] =
            kEncrypt ? static_cast<uint8_t>(in[pos + i] + r) : static_cast<uint8_t>(in[pos + i] - r);
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

#ifdef INKWEND_CIPHER_AVX2
// 64 bytes per step: two blocks of 32, each in four vectors of eight states (eight independent
// multiply chains hide the multiply's latency). The states are placed in the order in which
// the two saturating packs interleave them, so the packed draws come out in byte order:
// vector k, lane j of a block draws for its byte 16 * (j / 4) + 4 * k + j % 4.
template <bool kEncrypt>
__attribute__((target("avx2"))) size_t TransformAvx2(uint32_t& state, const uint8_t* in, uint8_t* out,
                                                     size_t size) {
  constexpr size_t kBlock = 32, kStep = 2 * kBlock;
  if (size < kStep) return 0;
  alignas(32) uint32_t first[kStep];
  uint32_t x = state;
  for (size_t i = 0; i < kStep; ++i) first[i] = x = x * kMultiplier + kIncrement;
  __m256i v[8];
  for (size_t k = 0; k < 8; ++k) {
    alignas(32) uint32_t lanes[8];
    for (size_t j = 0; j < 8; ++j) lanes[j] = first[kBlock * (k / 4) + 16 * (j / 4) + 4 * (k % 4) + j % 4];
    v[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
  }
  constexpr Jump kJump = JumpOf(kStep);
  const __m256i a = _mm256_set1_epi32(static_cast<int>(kJump.a));
  const __m256i c = _mm256_set1_epi32(static_cast<int>(kJump.c));
  const __m256i sign = _mm256_set1_epi32(static_cast<int>(0x80000000u));
  size_t pos = 0;
  for (; pos + kStep <= size; pos += kStep) {
    __m256i r[8];
    for (int k = 0; k < 8; ++k) {
      // draw = (x >> 24) - ((x << 8) < x), the comparison made signed by flipping the sign bits.
      const __m256i hi = _mm256_srli_epi32(v[k], 24);
      const __m256i lo = _mm256_slli_epi32(v[k], 8);
      const __m256i borrow = _mm256_cmpgt_epi32(_mm256_xor_si256(v[k], sign), _mm256_xor_si256(lo, sign));
      r[k] = _mm256_add_epi32(hi, borrow);
      v[k] = _mm256_add_epi32(_mm256_mullo_epi32(v[k], a), c);
    }
    for (size_t b = 0; b < 2; ++b) {
      const __m256i* rb = r + 4 * b;
      const __m256i draws =
          _mm256_packus_epi16(_mm256_packus_epi32(rb[0], rb[1]), _mm256_packus_epi32(rb[2], rb[3]));
      const auto* src = reinterpret_cast<const __m256i*>(in + pos + kBlock * b);
      const __m256i bytes = _mm256_loadu_si256(src);
      const __m256i result = kEncrypt ? _mm256_add_epi8(bytes, draws) : _mm256_sub_epi8(bytes, draws);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + pos + kBlock * b), result);
    }
  }
  state = Advance(state, pos);
  return pos;
}
#endif

template <bool kEncrypt>
void TransformAll(uint32_t& state, const uint8_t* in, uint8_t* out, size_t size) {
#ifdef INKWEND_CIPHER_AVX2
  if (__builtin_cpu_supports("avx2")) {
    const size_t done = TransformAvx2<kEncrypt>(state, in, out, size);
    in += done;
    out += done;
    size -= done;
  }
#endif
  TransformLanes<kEncrypt>(state, in, out, size);
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
    TransformAll<true>(state, in, out, size);
  else
    TransformAll<false>(state, in, out, size);
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

std::string PasswordBytes(std::u32string_view password) {
  std::string bytes;
  for (char32_t c : password) {
    const auto b = UnicodeToWindows1252(c);
    if (!b) {
      bytes.clear();
      for (char32_t u : password) AppendUtf8(bytes, u);
      return bytes;
    }
    bytes += static_cast<char>(*b);
  }
  return bytes;
}

}  // namespace inkwend
