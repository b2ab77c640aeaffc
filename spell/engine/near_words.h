#pragma once
// The words of a dictionary trie within a few typing slips of a word: letters left out, added,
// changed, or two neighbours swapped. The phonetic walk of a suggestion search never meets a word
// whose consonants a slip has reordered or changed (AND for ADN), so these are looked for apart,
// by walking the trie once with the edit distance of every prefix, and leaving a branch as soon
// as no word below it can come close enough.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "spell/engine/dictionary_format.h"

namespace inkwend::spell {

// Reads node n of a trie into `node`; false when there is no such node.
using NodeReader = std::function<bool(uint32_t n, Node& node)>;

// Appends to `found` every word of the trie whose first run starts at node 1 that is at most
// `max_edits` edits (insertions, deletions, replacements, swaps of neighbours) from `word` (upper
// case). Each node looked at costs one from `budget`; the walk stops when it runs out, so that a
// damaged trie whose links go round in circles ends quickly.
void FindNearWords(const NodeReader& read, std::string_view word, int max_edits, uint64_t& budget,
                   std::vector<std::string>& found);

}  // namespace inkwend::spell
