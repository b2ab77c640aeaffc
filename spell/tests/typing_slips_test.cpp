// Finding words a few slips from a typed word, and pricing the slips.
#include <gtest/gtest.h>

#include <algorithm>

#include "spell/engine/near_words.h"
#include "spell/engine/suggest_rules.h"
#include "spell/engine/typing_cost.h"
#include "spell/tests/test_files.h"

namespace inkwend::spell {
namespace {

std::vector<std::string> NearWords(const std::vector<std::string>& words, const std::string& typed,
                                   int max_edits) {
  const auto raw = testing::RawDictionary::Parse(testing::MainDictionaryBytes(words));
  const NodeReader read = [&](uint32_t n, Node& node) {
    if (n == 0 || n >= raw.nodes.size()) return false;
    node = raw.nodes[n];
    return true;
  };
  uint64_t budget = 100'000;
  std::vector<std::string> found;
  FindNearWords(read, typed, max_edits, budget, found);
  std::sort(found.begin(), found.end());
  return found;
}

TEST(NearWords, EveryWordWithinTheEditsAndNoOther) {
  const std::vector<std::string> words = {"and", "band", "bland", "dan", "hand", "sand", "land", "an"};
  // One edit from ADN: AND and DAN by a swap, AN by a letter left out.
  EXPECT_EQ(NearWords(words, "ADN", 1), (std::vector<std::string>{"AN", "AND", "DAN"}));
  EXPECT_EQ(NearWords(words, "ADN", 2),
            (std::vector<std::string>{"AN", "AND", "BAND", "DAN", "HAND", "LAND", "SAND"}));
  EXPECT_EQ(NearWords(words, "BLADN", 1), (std::vector<std::string>{"BLAND"}));
  EXPECT_TRUE(NearWords(words, "XYZQ", 2).empty());
}

TEST(NearWords, TheBudgetEndsTheWalk) {
  // A run whose only node links back to itself: every prefix of A's is in the trie.
  const NodeReader loop = [](uint32_t n, Node& node) {
    if (n != 1) return false;
    node = testing::MakeNode(1, 'A', kLastInRun | kEndsWord);
    return true;
  };
  uint64_t budget = 1000;
  std::vector<std::string> found;
  FindNearWords(loop, "AAAA", 2, budget, found);
  EXPECT_EQ(found, (std::vector<std::string>{"AA", "AAA", "AAAA", "AAAAA", "AAAAAA"}));
  EXPECT_GT(budget, 0u);  // the edits ended this walk, not the budget
  budget = 3;
  found.clear();
  FindNearWords(loop, "AAAA", 2, budget, found);
  EXPECT_EQ(budget, 0u);
  EXPECT_EQ(found, (std::vector<std::string>{"AA", "AAA"}));
}

TEST(TypingCost, CommonSlipsCostLessThanAPlainEdit) {
  struct Case {
    const char* candidate;
    const char* typed;
    int cost;
  };
  const Case cases[] = {
      {"AND", "AND", 0},           {"AIRPORT", "AIPORT", 7},  // a letter left out
      {"ADDRESS", "ADRESS", 4},                               // a doubled letter typed once
      {"AGAIN", "AGGAIN", 4},                                 // a single letter typed twice
      {"AND", "ADN", 6},                                      // neighbours swapped
      {"SOLDIERS", "SOILDERS", 8},                            // a letter typed two places early
      {"DON'T", "DONT", 2},                                   // the apostrophe left out
      {"BAT", "BIT", 7},                                      // a vowel for a vowel
      {"CAT", "CAR", 8},                                      // the key beside T
      {"CAT", "CAX", 10},                                     // a plain replacement
      {"CART", "CARXT", 10},                                  // a letter put in
      {"BAT", "CAT", 14},                                     // the first letter is rarely wrong
  };
  for (const Case& c : cases)
    EXPECT_EQ(TypingCost(c.candidate, c.typed), c.cost) << c.candidate << " " << c.typed;
}

TEST(TypingCost, StopsEarlyOverTheLimit) {
  EXPECT_GT(TypingCost("ABCDEFGHIJ", "KLMNOPQRST", 20), 20);
  EXPECT_EQ(TypingCost("AIRPORT", "AIPORT", 20), 7);  // within the limit the cost is exact
}

TEST(TypingCost, UnlikelyWordsPayMore) {
  EXPECT_EQ(UnlikelyWordCost("THE", "TEH"), 0);
  EXPECT_GT(UnlikelyWordCost("TED", "TEH"), 0);                               // not among the commonest
  EXPECT_GT(UnlikelyWordCost("TSP", "TEP"), UnlikelyWordCost("TIP", "TEP"));  // no vowel
  EXPECT_GT(UnlikelyWordCost("PA", "PAB"), UnlikelyWordCost("PAN", "PAB"));   // shorter than typed
}

TEST(CandidateRank, NearCandidatesFirstCheaperSlipsFirstThenTheScore) {
  // Near: cheaper slips first whatever the score.
  EXPECT_GT(CandidateRank(60, 6), CandidateRank(80, 10));
  // Equal slips: the higher score first.
  EXPECT_GT(CandidateRank(80, 10), CandidateRank(66, 10));
  // Every near candidate before every other.
  EXPECT_GT(CandidateRank(0, kNearCost), CandidateRank(100, kNearCost + 1));
  // The others keep their score as their rank, as the walk has always ranked them.
  EXPECT_EQ(CandidateRank(72, kNearCost + 1), 72);
}

}  // namespace
}  // namespace inkwend::spell
