#pragma once
// Adding a word to a user dictionary, done on a copy of its nodes in memory. The caller writes
// back the nodes that changed in one piece, so a write that fails can be undone with the copy
// of the nodes as they were (see LexivSpell::AddWord).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spell/engine/dictionary_format.h"

namespace inkwend::spell {

// The node area of a user dictionary as its file holds it: node 1 first, whole nodes only.
class UserNodes {
 public:
  // `bytes` holds nodes 1, 2, ... in file layout; a partial node at its end is left out.
  explicit UserNodes(std::string bytes);

  uint32_t Count() const { return static_cast<uint32_t>(bytes_.size() / kNodeSize); }
  // False for node 0 and past the end, as a read past the end of the file fails.
  bool Read(uint32_t n, Node& node) const;
  // Past the end the area grows, with zero bytes in between, as a write past the end of a file.
  void Write(uint32_t n, const Node& node);
  // Appends free slots up to node `last`.
  void GrowTo(uint32_t last);

  // Raw nodes first .. first + count - 1 (all present), for moving nodes a block at a time.
  std::vector<uint8_t> ReadBlock(uint32_t first, uint32_t count) const;
  void WriteBlock(uint32_t first, const std::vector<uint8_t>& block);

  // The nodes written since construction or the last ForgetChanges: first and last index; no
  // change when first is 0.
  uint32_t FirstChanged() const { return firstChanged_; }
  uint32_t LastChanged() const { return lastChanged_; }
  void ForgetChanges() { firstChanged_ = lastChanged_ = 0; }
  // The bytes of nodes first .. last in file layout, as far as the area reaches.
  std::string_view Bytes(uint32_t first, uint32_t last) const;

 private:
  void NoteChange(uint32_t first, uint32_t last);

  std::string bytes_;
  uint32_t firstChanged_ = 0;
  uint32_t lastChanged_ = 0;
};

// Puts the upper-case word into the trie (see docs/formats/dictionary.md), raising
// header.nodesUsed by the nodes it takes. The caller has checked that the word fits and that
// `nodes` reaches node header.nodesUsed + word length.
void InsertWord(UserNodes& nodes, DictionaryHeader& header, const std::string& upper);

}  // namespace inkwend::spell
