// Suggestions from the shipped dictionary for misspellings people make, and the order the
// similarity score gives where no typing slip explains the misspelling.
#include <gtest/gtest.h>

#include <algorithm>

#include "spell/engine/lexiv_spell.h"
#include "spell/engine/suggest_rules.h"
#include "spell/engine/typing_cost.h"
#include "spell/tests/test_files.h"

namespace inkwend {
namespace {

class ShippedSuggestions : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(spell_.OpenDictionary(INKWEND_SHIPPED_DICTIONARY).IsOk()); }
  LexivSpell spell_;
};

// Each of these once missed its word: the phonetic walk never met AND, AIRPORT or HAVE (their
// consonants differ from the typed ones), and the similarity score put ASIAN before AGAIN and
// BRIAN before BRITAIN.
TEST_F(ShippedSuggestions, TypingSlipsFindTheirWordFirst) {
  struct Case {
    const char* typed;
    const char* meant;
  };
  const Case cases[] = {
      {"adn", "and"},         {"agian", "again"}, {"ahve", "have"},       {"aiport", "airport"},
      {"Britian", "Britain"}, {"teh", "the"},     {"recieve", "receive"}, {"soilders", "soldiers"},
      {"adress", "address"},  {"THier", "THeir"},
  };
  for (const Case& c : cases) {
    const auto& s = spell_.Suggest(c.typed);
    ASSERT_FALSE(s.empty()) << c.typed;
    EXPECT_EQ(s[0], c.meant) << c.typed;
  }
}

TEST_F(ShippedSuggestions, EachWordOnceAndAtMostMaxSuggestions) {
  // Found both by the phonetic walk and among the near words, a word is still offered once.
  spell_.SetMaxSuggestions(30);
  auto s = spell_.Suggest("recieve");
  EXPECT_LE(s.size(), 30u);
  std::sort(s.begin(), s.end());
  EXPECT_EQ(std::adjacent_find(s.begin(), s.end()), s.end());
}

class ScoreOrder : public ::testing::Test {
 protected:
  spell::testing::ScratchDir dir_;
  LexivSpell spell_;
};

// Where no word lies within a few slips of the typed one, the walk's candidates keep the order
// of their similarity scores, as they always had.
TEST_F(ScoreOrder, FarCandidatesKeepTheOrderOfTheirScores) {
  const std::vector<std::string> words = {"scrub", "scribe", "scrapbook", "scrabble", "scrap"};
  ASSERT_TRUE(spell_.OpenDictionary(spell::testing::WriteMainDictionary(dir_, words)).IsOk());
  const std::string typed = "SKRAPPBUUKKK";
  const std::vector<std::string> s = spell_.Suggest(typed);
  ASSERT_EQ(s.size(), words.size());
  for (const auto& w : s) EXPECT_GT(spell::TypingCost(w, typed), spell::kNearCost) << w;
  for (size_t k = 1; k < s.size(); ++k)
    EXPECT_GE(spell::ScoreCandidate(s[k - 1], typed), spell::ScoreCandidate(s[k], typed)) << s[k];
}

}  // namespace
}  // namespace inkwend
