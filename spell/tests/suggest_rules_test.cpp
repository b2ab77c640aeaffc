#include "spell/engine/suggest_rules.h"

#include <gtest/gtest.h>

namespace inkwend::spell {
namespace {

std::string KeyText(const PhoneticKey& key) { return std::string(key.begin(), key.end()); }

TEST(PhoneticKey, KeepsTheFirstCharacterAndCodesEachConsonantGroupOnce) {
  struct Case {
    const char* text;
    std::string key;
  };
  const Case cases[] = {
      {"SMITH", std::string("S\x05\x03\x00", 4)},
      {"CASK", std::string("C\x02\x00\x00", 4)},       // S and K share a group
      {"ABBA", std::string("A\x01\x00\x00", 4)},       // vowels after the first go
      {"SCRAPBOOK", std::string("S\x02\x06\x01", 4)},  // cut to four
      {"DKDK", std::string("D\x02\x03\x00", 4)},       // a repeat anywhere later is dropped
      {"A", std::string("A\x00\x00\x00", 4)},
      {"X-RAY", std::string("X\x07\x06\x00", 4)},
      {"N0L", std::string("NO\x04\x00", 4)},  // digit 0 reads as O
  };
  for (const Case& c : cases) EXPECT_EQ(KeyText(MakePhoneticKey(c.text)), c.key) << c.text;
}

TEST(PhoneticKey, FillsMissingPositionsFromAnotherKey) {
  const PhoneticKey full = MakePhoneticKey("SCRAPBOOK");
  EXPECT_EQ(MakePhoneticKey("SCA", &full), full);
  EXPECT_EQ(KeyText(MakePhoneticKey("STA", &full)), std::string("S\x03\x06\x01", 4));
}

TEST(FirstLetters, TableRowsAndInitialsOutsideTheTable) {
  EXPECT_EQ(FirstLettersFor('A'), "EDA\xC0\xC1\xC2\xC3\xC4\xC5\xC6");
  EXPECT_EQ(FirstLettersFor(0xC4), FirstLettersFor('A'));  // Ä shares A's row
  EXPECT_EQ(FirstLettersFor('K'), "CLJK");
  EXPECT_EQ(FirstLettersFor(0xDF), "PVNB\xDF");  // ß is in B's row
  EXPECT_EQ(FirstLettersFor('5'), "5");
  EXPECT_EQ(FirstLettersFor(0xD8), "\xD8");  // Ø is in no row
}

TEST(Score, SharedPiecesOverCombinedLength) {
  struct Case {
    const char* candidate;
    const char* word;
    int score;
  };
  const Case cases[] = {
      {"HELLO", "HELLO", 100},
      {"CAT", "CAR", 66},          // CA shared; the single letters left are not searched
      {"ABCXDEF", "ABCYDEF", 85},  // ABC, then DEF to its right
      {"DON'T", "DONT", 100},      // apostrophes of the candidate do not count
      {"A", "AB", 0},              // a one-letter candidate never scores
      {"XYZ", "ABC", 0},
      {"THE", "TEH", 66},            // T, then H or E: one letter each side
      {"CARNEGIE", "CARNAGIE", 87},  // CARN, then GIE although the lone E is met first
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScoreCandidate(c.candidate, c.word), c.score) << c.candidate << " " << c.word;
}

TEST(Score, LongWordsAreClippedToThirtyCharacters) {
  const std::string a(40, 'A');
  EXPECT_EQ(ScoreCandidate(a, std::string(30, 'A')), 100);
}

TEST(RankedList, BestFirstEqualScoresInArrivalOrderAndCapacity) {
  RankedList list(3);
  list.Add("B", 50);
  list.Add("A", 80);
  list.Add("C", 50);
  list.Add("D", 10);  // the list is full: dropped
  list.Add("E", 60);  // pushes the last one out
  std::vector<std::string> texts;
  for (const auto& e : list.entries()) texts.push_back(e.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"A", "E", "B"}));
}

TEST(Score, SplitsPayForTheMissingSpace) {
  EXPECT_EQ(ScoreCandidate("BRIT IAN", "BRITIAN"), 93);
  EXPECT_EQ(ScoreSplit("BRIT IAN", "BRITIAN"), 93 - kSplitPenalty);
  EXPECT_LT(ScoreSplit("BRIT IAN", "BRITIAN"), ScoreCandidate("BRITAIN", "BRITIAN"));
  EXPECT_EQ(ScoreSplit("A B", "XYZ"), 0);  // never below zero
}

TEST(EditCount, InsertionsDeletionsReplacementsAndSwaps) {
  struct Case {
    const char* candidate;
    const char* word;
    int edits;
  };
  const Case cases[] = {
      {"THE", "THE", 0},
      {"THE", "TEH", 1},
      {"THE", "TH", 1},
      {"THE", "THEE", 1},
      {"THE", "TXE", 1},
      {"DON'T", "DONT", 0},  // apostrophes ignored
      {"SPELL CHECK", "SPELLCHECK", 1},
      {"", "ABC", 3},
      {"CA", "ABC", 3},  // no swap-then-edit
  };
  for (const Case& c : cases)
    EXPECT_EQ(EditCount(c.candidate, c.word), c.edits) << c.candidate << " " << c.word;
  EXPECT_EQ(EditCount(std::string(40, 'A'), std::string(30, 'A')), 0);  // clipped to 30
}

TEST(RankedList, EqualScoresFewerEditsFirstWhenTheWordIsKnown) {
  RankedList list(3, "DORT");
  list.Add("FORTH", 75);  // two edits away
  list.Add("DIRT", 75);   // one edit: goes before FORTH
  list.Add("FORT", 75);   // one edit, came later: after DIRT
  list.Add("DOT", 75);    // one edit, came last: the list is full and FORTH falls out
  std::vector<std::string> texts;
  for (const auto& e : list.entries()) texts.push_back(e.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"DIRT", "FORT", "DOT"}));
}

TEST(RankedList, CapacityZeroStillTakesTheFirstCandidate) {
  RankedList list(0);
  list.Add("FIRST", 10);
  list.Add("LOWER", 5);
  ASSERT_EQ(list.entries().size(), 1u);
  EXPECT_EQ(list.entries()[0].text, "FIRST");
  list.Add("BETTER", 90);
  ASSERT_EQ(list.entries().size(), 1u);
  EXPECT_EQ(list.entries()[0].text, "BETTER");
}

TEST(LetterCase, CopiedFromTheTypedWord) {
  struct Case {
    const char* typed;
    const char* suggestion;
    const char* result;
  };
  const Case cases[] = {
      {"teh", "THE", "the"},
      {"Teh", "THE", "The"},
      {"TEH", "THE", "THE"},
      {"mcDonlad", "MCDONALD", "mcDonald"},
      {"o'brein", "O'BRIEN", "o'brien"},
      {"O'brein", "O'BRIEN", "O'brien"},
      {"Spellcheck", "SPELL CHECK", "Spell check"},
      {"\xe9t\xe9", "\xc9T\xc9S", "\xe9t\xe9s"},  // été: lower-case accented letters
      {"Sch\xf6nE", "SCH\xd6NE", "Sch\xf6nE"},    // ö keeps the two texts in step
      {"1st", "FIRST", "first"},
  };
  for (const Case& c : cases) EXPECT_EQ(CopyLetterCase(c.typed, c.suggestion), c.result) << c.typed;
}

}  // namespace
}  // namespace inkwend::spell
