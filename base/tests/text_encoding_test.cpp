#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace inkwend {
namespace {

TEST(Windows1252, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const char32_t c = Windows1252ToUnicode(static_cast<unsigned char>(b));
    EXPECT_EQ(UnicodeToWindows1252(c), static_cast<unsigned char>(b)) << b;
  }
}

TEST(Windows1252, Table) {
  struct Case {
    unsigned char byte;
    char32_t unicode;
  } cases[] = {{0x41, U'A'},      {0x80, U'\u20AC'}, {0x81, 0x81},      {0x8A, U'\u0160'}, {0x92, U'\u2019'},
               {0x99, U'\u2122'}, {0x9F, U'\u0178'}, {0xA0, U'\u00A0'}, {0xE9, U'\u00E9'}, {0xFF, U'\u00FF'}};
  for (const Case& c : cases) EXPECT_EQ(Windows1252ToUnicode(c.byte), c.unicode) << int{c.byte};
  // Characters the code page lacks, including the C1 controls it does give bytes to.
  for (char32_t c : {U'\u0080', U'\u0100', U'\u20AD', U'\u2123', U'\u65E5', U'\U0001F600'})
    EXPECT_FALSE(UnicodeToWindows1252(c)) << static_cast<uint32_t>(c);
}

TEST(Utf8, RoundTripsAndRepairs) {
  struct Case {
    std::u32string text;
    std::string utf8;
  } round_trips[] = {
      {U"", ""},
      {U"A\u00E9", "A\xC3\xA9"},
      {U"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
      {U"\uFFFF\U00010000\U0010FFFF", "\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
  };
  for (const Case& c : round_trips) {
    EXPECT_EQ(ToUtf8(c.text), c.utf8);
    EXPECT_EQ(FromUtf8(c.utf8), c.text);
  }
  // What no UTF-8 encoder writes reads as U+FFFD, and what UTF-8 cannot hold is written as it.
  struct Bad {
    std::string utf8;
    std::u32string text;
  } bad[] = {
      {"\x80x", U"\uFFFDx"},                              // stray continuation byte
      {"\xC0\x80x", U"\uFFFD\uFFFDx"},                    // overlong NUL
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},            // surrogate
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"a\xE2\x82", U"a\uFFFD"},                          // cut off by the end
  };
  for (const Bad& b : bad) EXPECT_EQ(FromUtf8(b.utf8), b.text) << b.utf8;
  EXPECT_EQ(ToUtf8(std::u32string{0xD800, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace inkwend
