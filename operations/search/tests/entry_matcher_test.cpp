#include "operations/search/entry_matcher.h"

#include <gtest/gtest.h>

namespace inkwend {
namespace {

const std::string kEntry =
    "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 We went to the "
    "Sea{\\b side} today.\\par Caf\\'e9 au lait\\tab and \\u26085?\\u35352? notes.\\par}";

TEST(EntryMatcher, MatchesAsTheEditorsFindWithItsDefaultOptions) {
  struct Case {
    const char32_t* text;
    bool found;
    int paragraph, offset;
  };
  const Case cases[] = {
      {U"seaside", true, 0, 15},       // across a change of formatting, in lower case
      {U"SEASIDE", true, 0, 15},       // and in capitals
      {U"side", true, 0, 18},          // anywhere, not only as a whole word
      {U"s*aside", true, 0, 15},       // "*" stands for one character
      {U"CAF\u00c9", true, 1, 0},      // letters beyond ASCII without regard to case
      {U"\u65e5\u8a18", true, 1, 17},  // text without any ASCII, read whole
      {U"lait*and", true, 1, 8},       // "*" matches the tab
      {U"today. Caf", false, 0, 0},    // never across paragraphs
      {U"Arial", false, 0, 0},         // the font table is no text
      {U"", false, 0, 0},
  };
  for (const Case& c : cases) {
    EntryMatcher matcher(c.text);
    const std::optional<TextHit> hit = matcher.Find(kEntry);
    ASSERT_EQ(hit.has_value(), c.found)
        << std::string(c.text, c.text + std::char_traits<char32_t>::length(c.text)).size();
    if (!hit) continue;
    EXPECT_EQ(hit->paragraph, c.paragraph);
    EXPECT_EQ(hit->offset, c.offset);
    EXPECT_EQ(hit->length, static_cast<int>(std::char_traits<char32_t>::length(c.text)));
  }
}

TEST(EntryMatcher, RulesOutWithoutReadingWhereTheTextAloneDecides) {
  EntryMatcher matcher(U"mountain");
  EXPECT_FALSE(matcher.Find(kEntry));
  EXPECT_EQ(matcher.RuledOut(), 1);
  EXPECT_EQ(matcher.ReadWhole(), 0);
  EXPECT_TRUE(EntryMatcher(U"seaside").Find(kEntry));
}

TEST(EntryMatcher, QuickTestFindsTheTextAtEitherEndOfTheEntry) {
  struct Case {
    const char32_t* text;
    const char* rtf;
    bool found;
  };
  const Case cases[] = {
      {U"zebra", "{\\rtf1 zebra}", true},  // the whole text, its rarest letter first
      {U"abz", "{\\rtf1 xabz}", true},     // at the very end, its rarest letter last
      {U"zz", "{\\rtf1 z}", false},        // longer than the whole entry
      {U"xq", "{\\rtf1 q xq}", true},      // the anchor alone at the start does not fit
      {U"e e", "{\\rtf1 ee e e}", true},   // the commonest characters only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EntryMatcher(c.text).Find(c.rtf).has_value(), c.found) << c.rtf;
  }
}

TEST(EntryMatcher, ContextHoldsTheWordsAroundTheMatch) {
  EntryMatcher matcher(U"went");
  const std::optional<TextHit> hit = matcher.Find(kEntry);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->context, U"We went to the Seaside today.");
  EXPECT_EQ(hit->contextMatch, 3);

  // A long paragraph is cut at whole words on either side.
  std::string long_entry = "{\\rtf1 ";
  for (int i = 0; i < 30; ++i) long_entry += "word" + std::to_string(i) + " ";
  long_entry += "needle";
  for (int i = 0; i < 30; ++i) long_entry += " more" + std::to_string(i);
  long_entry += "}";
  const std::optional<TextHit> far = EntryMatcher(U"needle").Find(long_entry);
  ASSERT_TRUE(far);
  const std::u32string& context = far->context;
  EXPECT_EQ(context.substr(static_cast<size_t>(far->contextMatch), 6), U"needle");
  EXPECT_LT(context.size(), 100u);
  EXPECT_EQ(context.front(), U'w');
  EXPECT_EQ(context.back() >= U'0' && context.back() <= U'9', true);
}

TEST(EntryMatcher, SearchesWhatCanBeReadOfDamagedRtf) {
  Status read;
  const std::optional<TextHit> hit =
      EntryMatcher(U"kept").Find("{\\rtf1 text kept before the cut {\\b", &read);
  EXPECT_TRUE(hit);
  EXPECT_EQ(read.Code(), StatusCode::Damaged);
}

}  // namespace
}  // namespace inkwend
