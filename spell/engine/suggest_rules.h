#pragma once
// The rules behind suggestions, kept apart from the dictionary walk so that each can be tested
// on its own: the first letters tried for an initial, the four-character phonetic key, the
// similarity score and the ranked list of candidates. All text is upper-case Windows-1252.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace inkwend::spell {

// The first letters a suggestion search tries for a word starting with `initial`, in order; an
// initial in no row of the table is tried alone.
std::string_view FirstLettersFor(uint8_t initial);

using PhoneticKey = std::array<uint8_t, 4>;

// Builds a phonetic key one character at a time, so that a trie walk extends the key of a
// prefix instead of computing it again for every node.
class PhoneticKeyBuilder {
 public:
  // Adds the next character; returns the position it filled in the key, or -1 when it added
  // nothing (a dropped character, a repeated code, or a key already 4 long).
  int Add(uint8_t c);
  const PhoneticKey& key() const { return key_; }
  int length() const { return length_; }

 private:
  PhoneticKey key_{0, 0, 0, 0};
  int length_ = 0;
  bool started_ = false;
};

// The key of `text`: the first character as it is, then the group codes of the consonants that
// follow, each code once. Short keys are filled with byte 0, or, given `fill`, with the
// characters of `fill` at the missing positions.
PhoneticKey MakePhoneticKey(std::string_view text, const PhoneticKey* fill = nullptr);

// Similarity of a candidate to the typed word, 0..100: twice the characters the two share in
// longest common pieces, over their combined length. Apostrophes of the candidate are ignored.
int ScoreCandidate(std::string_view candidate, std::string_view word);

// The score of two words run together, `candidate` being the two parts with a space between.
// The missing space costs a fixed number of points: scored as a plain candidate, a split of
// the typed word keeps every letter in place and so outscored nearly every real correction,
// offering "BRIT IAN" (93) before "BRITAIN" (71) for BRITIAN. With the cost a split ranks
// below a one-letter slip in a word of seven letters, and still high where nothing is closer.
inline constexpr int kSplitPenalty = 25;
int ScoreSplit(std::string_view candidate, std::string_view word);

// Where a candidate goes in the list, from its score and what its typing slips cost (see
// typing_cost.h). A candidate whose slips cost at most kNearCost, three plain edits, comes before
// every other, the cheaper slips first and the higher score among equal slips. The others keep
// the order of their scores alone. The score measures shared letters, not slips, and so put ASIAN
// and AGING (80) before AGAIN (72) for AGIAN, and never met AND for ADN at all.
inline constexpr int kNearCost = 30;
int CandidateRank(int score, int typing_cost);

// Edits (letters inserted, deleted, replaced, or two neighbours swapped) that turn the candidate,
// without its apostrophes, into the typed word; both are clipped to 30 characters as for scoring.
int EditCount(std::string_view candidate, std::string_view word);

// The best candidates so far, best first. The first candidate always gets in, even when the
// capacity is 0. Equal scores keep the order they came in, unless the typed word is given:
// then, among equal scores, candidates fewer edits away from it come first (arrival order still
// settles equal edit counts). Arrival order alone favours whatever the walk meets first, and
// the walk tries other first letters before the typed one.
class RankedList {
 public:
  struct Entry {
    std::string text;
    uint16_t score;
    int edits = -1;  // from the typed word; -1 while not needed yet
  };

  explicit RankedList(size_t capacity, std::string_view word = {}) : capacity_(capacity), word_(word) {}
  void Add(std::string_view text, int score);
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  int Edits(Entry& entry) const;

  size_t capacity_;
  std::string word_;
  std::vector<Entry> entries_;
};

// The suggestion `suggestion` (upper case) written in the letter case of the typed word `typed`:
// all upper case when `typed` has no lower-case letter, otherwise lower case with capitals where
// the letters of `typed` have them.
std::string CopyLetterCase(std::string_view typed, std::string_view suggestion);

}  // namespace inkwend::spell
