#include "spell/engine/windows1252.h"

#include <gtest/gtest.h>

namespace inkwend::spell {
namespace {

TEST(LetterCode, AlphabetPositionsAndLowerCasePartners) {
  struct Case {
    uint8_t byte;
    int code;
  };
  const Case cases[] = {
      {'A', 0},
      {'Z', 25},
      {'a', 0},
      {'z', 25},
      {'\'', 26},
      {'-', 27},
      {0x8A, 28},
      {0x9A, 28},
      {0x8C, 29},
      {0x9C, 29},
      {0x9F, 30},
      {0xFF, 30},
      {0xC0, 31},
      {0xE0, 31},
      {0xCF, 46},
      {0xEF, 46},
      {0xD0, 47},
      {0xD1, 48},
      {0xF1, 48},
      {0xD6, 53},
      {0xF6, 53},
      {0xD8, 54},
      {0xF8, 54},
      {0xDE, 60},
      {0xFE, 60},
      {0xDF, 61},
      {0xF0, 62},
      {'`', 63},
      // Outside the alphabet: the code of A.
      {'5', 0},
      {' ', 0},
      {0xD7, 0},
      {0xF7, 0},
      {0x80, 0},
      {0x00, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LetterCode(c.byte), c.code) << "byte " << int(c.byte);
}

TEST(LetterCode, DecodingIgnoresTheFlagBits) {
  for (int code = 0; code < kAlphabetSize; ++code) {
    const uint8_t letter = kAlphabet[code];
    EXPECT_EQ(LetterCode(letter), code);
    for (int flags : {0x00, 0x40, 0x80, 0xC0})
      EXPECT_EQ(DecodeLetter(static_cast<uint8_t>(code | flags)), letter);
  }
}

TEST(CaseTables, Windows1252Partners) {
  EXPECT_EQ(UpperCase("abc\x9a\x9c\xff\xe9"), "ABC\x8a\x8c\x9f\xc9");
  EXPECT_EQ(UpperCase("\xf0\xf7\xdf"), "\xf0\xf7\xdf");  // ð ÷ ß have no upper-case form here
  EXPECT_EQ(LowerCase("ABC\x8a\x8c\x9f\xc9\xde"), "abc\x9a\x9c\xff\xe9\xfe");
  EXPECT_EQ(LowerCase("\xd0\xd7"), "\xd0\xd7");  // Ð and × stay
  EXPECT_EQ(UpperCase("1-2 'x'"), "1-2 'X'");
}

TEST(Utf8, ConvertsBothWays) {
  bool mapped = false;
  EXPECT_EQ(Utf8ToWindows1252("\xc3\x85ngstr\xc3\xb6m \xe2\x82\xac \xc5\x93", &mapped),
            "\xc5ngstr\xf6m \x80 \x9c");
  EXPECT_TRUE(mapped);
  EXPECT_EQ(Windows1252ToUtf8("\xc5ngstr\xf6m \x80 \x9c"), "\xc3\x85ngstr\xc3\xb6m \xe2\x82\xac \xc5\x93");
}

TEST(Utf8, CharactersOutsideWindows1252BecomeOneUnmappableByte) {
  bool mapped = true;
  // Greek omega, an emoji, a stray continuation byte and a cut sequence.
  EXPECT_EQ(Utf8ToWindows1252("a\xce\xa9"
                              "b\xf0\x9f\x98\x80"
                              "c\x80"
                              "d\xc3",
                              &mapped),
            "a?b?c?d?");
  EXPECT_FALSE(mapped);
  EXPECT_EQ(LetterCode(static_cast<uint8_t>(kUnmappable)), 0);
}

TEST(Utf8, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  bool mapped = false;
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all), &mapped), all);
  EXPECT_TRUE(mapped);
}

}  // namespace
}  // namespace inkwend::spell
