#include "spell/engine/near_words.h"

#include <algorithm>
#include <array>

#include "spell/engine/windows1252.h"

namespace inkwend::spell {

namespace {

constexpr int kMaxWord = kMaxWordLength;
// Deeper than any word within the edits allowed of a word the search takes.
constexpr int kMaxDepth = kMaxWord + 4;

// Row d of the table: the edits between the prefix of d letters and each beginning of the word.
using Row = std::array<uint8_t, kMaxWord + 1>;

struct NearWalk {
  const NodeReader& read;
  std::string_view word;
  int maxEdits;
  uint64_t& budget;
  std::vector<std::string>& found;
  std::string prefix;
  std::array<Row, kMaxDepth + 1> rows{};

  // Fills row d (d >= 1) for the prefix's last letter; the smallest value in it.
  int FillRow(size_t d) {
    const Row& above = rows[d - 1];
    Row& row = rows[d];
    const auto letter = static_cast<uint8_t>(prefix[d - 1]);
    const size_t m = word.size();
    row[0] = static_cast<uint8_t>(d);
    int smallest = row[0];
    for (size_t j = 1; j <= m; ++j) {
      const auto typed = static_cast<uint8_t>(word[j - 1]);
      int cell = std::min({above[j] + 1, row[j - 1] + 1, above[j - 1] + (letter == typed ? 0 : 1)});
      // Two neighbours swapped.
      if (d > 1 && j > 1 && letter == static_cast<uint8_t>(word[j - 2]) &&
          static_cast<uint8_t>(prefix[d - 2]) == typed)
        cell = std::min(cell, rows[d - 2][j - 2] + 1);
      row[j] = static_cast<uint8_t>(cell);
      smallest = std::min(smallest, cell);
    }
    return smallest;
  }

  void Walk(uint32_t run) {
    Node node;
    for (uint32_t n = run; budget > 0 && read(n, node); ++n) {
      --budget;
      prefix.push_back(static_cast<char>(DecodeLetter(node.flags)));
      const size_t d = prefix.size();
      const int smallest = FillRow(d);
      if (node.ends_word() && rows[d][word.size()] <= maxEdits) found.push_back(prefix);
      if (smallest <= maxEdits && node.has_child() && d < kMaxDepth) Walk(node.child);
      prefix.pop_back();
      if (node.last_in_run()) break;
    }
  }
};

}  // namespace

void FindNearWords(const NodeReader& read, std::string_view word, int max_edits, uint64_t& budget,
                   std::vector<std::string>& found) {
  if (word.empty() || word.size() > static_cast<size_t>(kMaxWord)) return;
  NearWalk walk{read, word, max_edits, budget, found, {}, {}};
  for (size_t j = 0; j <= word.size(); ++j) walk.rows[0][j] = static_cast<uint8_t>(j);
  walk.Walk(1);
}

}  // namespace inkwend::spell
