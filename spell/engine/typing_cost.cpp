#include "spell/engine/typing_cost.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "spell/engine/common_words.h"

namespace inkwend::spell {

namespace {

constexpr int kMaxLength = 30;
// A letter the typist left out costs less than one put in or changed: leaving out a letter is the
// commonest slip of all (AIPORT, ITEMS typed TEMS).
constexpr int kDroppedCost = 7;
constexpr int kSwapCost = 6;
constexpr int kMoveCost = 8;         // a letter typed two places early or late (SOILDERS)
constexpr int kDoubledCost = 4;      // a doubled letter typed once, or a single letter typed twice
constexpr int kPunctuationCost = 2;  // an apostrophe or hyphen left out or put in
constexpr int kVowelCost = 7;        // one vowel for another
constexpr int kNearKeyCost = 8;      // a key beside the right one
constexpr int kSoundCost = 7;        // a consonant that sounds alike (C for K, S for Z)
constexpr int kFirstLetterCost = 4;  // added when the first letter is replaced
// What a candidate unlike a word of running text adds: no vowel at all (CPU, NJ, TSP), two
// letters for a longer typed word, and not one of the commonest words.
constexpr int kNoVowelCost = 6;
constexpr int kShortCost = 4;
constexpr int kUncommonCost = 3;

// Rows of a QWERTY keyboard; each lower row sits about half a key to the right of the one above.
constexpr std::string_view kKeyRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
// Consonants that stand for the same sound often enough to be confused in spelling.
constexpr std::string_view kSoundGroups[] = {"CKQ", "CS", "SZ", "GJ", "FV", "PB", "TD", "MN", "XKS"};

struct LetterTables {
  std::array<bool, 256> vowel{};     // A E I O U
  std::array<bool, 256> vowelOrY{};  // and Y, for telling words from abbreviations
  std::array<int, 256> keyRow{};     // -1: not a letter key
  std::array<int, 256> keyColumn{};
  std::array<uint16_t, 256> soundGroups{};  // bit g set: the letter is in kSoundGroups[g]

  LetterTables() {
    keyRow.fill(-1);
    for (const char c : std::string_view("AEIOU")) vowel[static_cast<uint8_t>(c)] = true;
    vowelOrY = vowel;
    vowelOrY['Y'] = true;
    for (int r = 0; r < 3; ++r)
      for (size_t k = 0; k < kKeyRows[r].size(); ++k) {
        const auto c = static_cast<uint8_t>(kKeyRows[r][k]);
        keyRow[c] = r;
        keyColumn[c] = static_cast<int>(k);
      }
    for (size_t g = 0; g < std::size(kSoundGroups); ++g)
      for (const char c : kSoundGroups[g])
        soundGroups[static_cast<uint8_t>(c)] |= static_cast<uint16_t>(1u << g);
  }
};

const LetterTables& Tables() {
  static const LetterTables kTables;
  return kTables;
}

bool NearKeys(const LetterTables& t, uint8_t a, uint8_t b) {
  const int row_a = t.keyRow[a], row_b = t.keyRow[b];
  if (row_a < 0 || row_b < 0) return false;
  const int col_a = t.keyColumn[a], col_b = t.keyColumn[b];
  if (row_a == row_b) return std::abs(col_a - col_b) == 1;
  if (std::abs(row_a - row_b) != 1) return false;
  const int upper_col = row_a < row_b ? col_a : col_b, lower_col = row_a < row_b ? col_b : col_a;
  return lower_col == upper_col || lower_col + 1 == upper_col;
}

int ReplaceCost(uint8_t from, uint8_t to) {
  if (from == to) return 0;
  const LetterTables& t = Tables();
  if (t.vowel[from] && t.vowel[to]) return kVowelCost;
  if (NearKeys(t, from, to)) return kNearKeyCost;
  if (t.soundGroups[from] & t.soundGroups[to]) return kSoundCost;
  return kEditCost;
}

// Cost of the letter text[i] being there in one text and missing from the other.
int LoneLetterCost(const uint8_t* text, int length, int i, int plain) {
  const uint8_t c = text[i];
  if (c == '\'' || c == '-') return kPunctuationCost;
  if ((i > 0 && text[i - 1] == c) || (i + 1 < length && text[i + 1] == c)) return kDoubledCost;
  return plain;
}

// A letter of the candidate typed two places later or earlier, ending at c[i - 1] and t[j - 1]:
// XAB typed ABX, or ABX typed XAB.
bool MovedLetter(const uint8_t* c, int i, const uint8_t* t, int j) {
  if (i < 3 || j < 3) return false;
  const bool later = c[i - 3] == t[j - 1] && c[i - 2] == t[j - 3] && c[i - 1] == t[j - 2];
  const bool earlier = c[i - 1] == t[j - 3] && c[i - 3] == t[j - 2] && c[i - 2] == t[j - 1];
  return later || earlier;
}

bool Swapped(const uint8_t* c, int i, const uint8_t* t, int j) {
  return i > 1 && j > 1 && c[i - 1] == t[j - 2] && c[i - 2] == t[j - 1] && c[i - 1] != c[i - 2];
}

}  // namespace

int TypingCost(std::string_view candidate, std::string_view typed, int limit) {
  const int n = static_cast<int>(std::min<size_t>(candidate.size(), kMaxLength));
  const int m = static_cast<int>(std::min<size_t>(typed.size(), kMaxLength));
  const auto* c = reinterpret_cast<const uint8_t*>(candidate.data());
  const auto* t = reinterpret_cast<const uint8_t*>(typed.data());
  // d[i][j]: the cheapest way from the first i letters of the candidate to the first j typed.
  std::array<std::array<int, kMaxLength + 1>, kMaxLength + 1> d;
  d[0][0] = 0;
  for (int i = 1; i <= n; ++i) d[i][0] = d[i - 1][0] + LoneLetterCost(c, n, i - 1, kDroppedCost);
  for (int j = 1; j <= m; ++j) d[0][j] = d[0][j - 1] + LoneLetterCost(t, m, j - 1, kEditCost);
  int over = 0;  // rows in a row whose every cell is over the limit
  for (int i = 1; i <= n; ++i) {
    int smallest = d[i][0];
    for (int j = 1; j <= m; ++j) {
      int replace = ReplaceCost(c[i - 1], t[j - 1]);
      if (i == 1 && j == 1 && replace > 0) replace += kFirstLetterCost;
      int cell = std::min({d[i - 1][j] + LoneLetterCost(c, n, i - 1, kDroppedCost),
                           d[i][j - 1] + LoneLetterCost(t, m, j - 1, kEditCost), d[i - 1][j - 1] + replace});
      if (Swapped(c, i, t, j)) cell = std::min(cell, d[i - 2][j - 2] + kSwapCost);
      if (MovedLetter(c, i, t, j)) cell = std::min(cell, d[i - 3][j - 3] + kMoveCost);
      d[i][j] = cell;
      smallest = std::min(smallest, cell);
    }
    // A row builds only on the three above it, so three rows over the limit end the search.
    over = smallest > limit ? over + 1 : 0;
    if (over == 3) return limit + 1;
  }
  return d[n][m];
}

int UnlikelyWordCost(std::string_view candidate, std::string_view typed) {
  const LetterTables& t = Tables();
  int cost = 0;
  if (std::none_of(candidate.begin(), candidate.end(),
                   [&](char ch) { return t.vowelOrY[static_cast<uint8_t>(ch)]; }))
    cost += kNoVowelCost;
  if (candidate.size() <= 2 && typed.size() > candidate.size()) cost += kShortCost;
  if (!IsCommonWord(candidate)) cost += kUncommonCost;
  return cost;
}

}  // namespace inkwend::spell
