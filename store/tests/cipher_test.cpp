#include "store/cipher.h"

#include <gtest/gtest.h>

#include <random>

namespace inkwend {
namespace {

// The definition, one byte at a time, that the fast transform must match.
std::string SerialEncrypt(std::string_view plain, uint32_t seed) {
  CipherStream stream(seed);
  std::string out(plain);
  for (char& c : out) c = static_cast<char>(static_cast<uint8_t>(c) + stream.Draw());
  return out;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

TEST(CipherStream, FirstDrawsFromSeedZero) {
  CipherStream stream(0);
  std::vector<int> draws;
  for (int i = 0; i < 8; ++i) draws.push_back(stream.Draw());
  EXPECT_EQ(draws, (std::vector<int>{0, 8, 219, 51, 69, 171, 81, 41}));
}

TEST(CipherStream, NeverDraws255) {
  // The largest state gives floor(255 * (2^32-1) / 2^32) = 254.
  CipherStream stream(0);
  for (int i = 0; i < 1 << 20; ++i) ASSERT_LT(stream.Draw(), 255);
}

TEST(PasswordSeed, SumTimesLengthWithAsciiUpperCase) {
  EXPECT_EQ(PasswordSeed(""), 0u);
  EXPECT_EQ(PasswordSeed("a"), 65u);
  EXPECT_EQ(PasswordSeed("ab"), (65u + 66u) * 2u);
  EXPECT_EQ(PasswordSeed("Secret"), PasswordSeed("sEcReT"));
  // Only a-z fold: the Latin-1 letter 0xE9 keeps its value.
  EXPECT_EQ(PasswordSeed("\xE9"), 0xE9u);
  // Same length and byte sum give the same seed.
  EXPECT_EQ(PasswordSeed("AD"), PasswordSeed("BC"));
}

TEST(Cipher, EmptyPasswordUsesSeedZero) {
  const std::string out = EncryptBytes(std::string("\x10\x20\x30", 3), "");
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x10);
  EXPECT_EQ(static_cast<uint8_t>(out[1]), 0x28);
}

TEST(Cipher, FastTransformMatchesSerialDefinitionAtEverySize) {
  const std::string data = RandomBytes(9000, 1);
  for (size_t n : {0, 1, 31, 32, 33, 63, 64, 65, 127, 128, 129, 4095, 4096, 4097, 8192, 9000}) {
    const std::string plain = data.substr(0, n);
    for (std::string_view password : {"", "x", "Diary 2024!"}) {
      const std::string cipher = EncryptBytes(plain, password);
      ASSERT_EQ(cipher, SerialEncrypt(plain, PasswordSeed(password))) << n << " " << password;
      ASSERT_EQ(DecryptBytes(cipher, password), plain);
    }
  }
}

TEST(Cipher, StreamContinuesAcrossCalls) {
  // Chunked runs (4096 bytes at a time, as files are read) equal a single pass.
  const std::string plain = RandomBytes(8192 + 77, 2);
  uint32_t state = PasswordSeed("pw");
  std::string out(plain.size(), '\0');
  for (size_t pos = 0; pos < plain.size(); pos += 4096) {
    const size_t n = std::min<size_t>(4096, plain.size() - pos);
    CipherTransform(CipherDirection::Encrypt, state, reinterpret_cast<const uint8_t*>(plain.data() + pos),
                    reinterpret_cast<uint8_t*>(out.data() + pos), n);
  }
  EXPECT_EQ(out, EncryptBytes(plain, "pw"));
}

TEST(Cipher, CaseOnlyPasswordDifferenceDecipheres) {
  const std::string plain = "{\\rtf1\\ansi Dear diary}";
  EXPECT_EQ(DecryptBytes(EncryptBytes(plain, "Secret"), "SECRET"), plain);
  EXPECT_NE(DecryptBytes(EncryptBytes(plain, "Secret"), "Secreu"), plain);
}

TEST(PasswordScrambling, Examples) {
  EXPECT_EQ(EncryptString("abc"), "\xC2\xC9\xC4");
  EXPECT_EQ(EncryptString(""), "");
  EXPECT_EQ(Decryptstring(""), "");
  EXPECT_EQ(Decryptstring("\xC2\xC9\xC4"), "abc");
}

TEST(PasswordScrambling, RoundTripsEveryByteAndLength) {
  for (size_t len = 1; len < 300; len += 37) {
    const std::string t = RandomBytes(len, static_cast<unsigned>(len));
    EXPECT_EQ(Decryptstring(EncryptString(t)), t);
    EXPECT_EQ(EncryptString(t).size(), t.size());
  }
}

}  // namespace
}  // namespace inkwend
