#include "spell/engine/user_dictionary_edit.h"

#include <algorithm>

#include "spell/engine/windows1252.h"

namespace inkwend::spell {

namespace {

constexpr uint32_t kMoveBlockNodes = 2048;

// Raises by one every child link of `block` that points past the insertion point p.
bool ShiftChildren(std::vector<uint8_t>& block, uint32_t p) {
  bool changed = false;
  for (size_t off = 0; off < block.size(); off += kNodeSize) {
    Node node = ParseNode(&block[off]);
    if (node.child > p && node.child != kFreeSlot && node.child != 0xFFFF) {
      ++node.child;
      SerializeNode(node, &block[off]);
      changed = true;
    }
  }
  return changed;
}

// Opens a slot at p: nodes p .. used move up by one, from the end backwards a block at a time,
// and every link past p follows them. False when a block lies beyond the nodes.
bool OpenSlot(UserNodes& nodes, uint32_t p, uint32_t used) {
  for (uint32_t hi = used; hi >= p;) {
    const uint32_t lo = hi - p + 1 > kMoveBlockNodes ? hi - kMoveBlockNodes + 1 : p;
    std::vector<uint8_t> block = nodes.ReadBlock(lo, hi - lo + 1);
    if (block.empty()) return false;
    ShiftChildren(block, p);
    nodes.WriteBlock(lo + 1, block);
    if (lo == p) break;
    hi = lo - 1;
  }
  for (uint32_t lo = 1; lo < p; lo += kMoveBlockNodes) {
    std::vector<uint8_t> block = nodes.ReadBlock(lo, std::min(kMoveBlockNodes, p - lo));
    if (block.empty()) return false;
    if (ShiftChildren(block, p)) nodes.WriteBlock(lo, block);
  }
  return true;
}

// Puts the characters upper[from..] as a new chain at index p: p holds the first, the others
// follow after the last used node, each the last of its run.
void PlaceChain(UserNodes& nodes, DictionaryHeader& header, const std::string& upper, uint32_t p,
                size_t from) {
  auto used = static_cast<uint32_t>(header.nodesUsed);
  if (p <= used && !OpenSlot(nodes, p, used)) return;
  ++used;
  uint32_t last = p;
  nodes.Write(p, Node{static_cast<uint16_t>(used + 1), LetterCode(static_cast<uint8_t>(upper[from]))});
  for (size_t i = from + 1; i < upper.size(); ++i) {
    ++used;
    last = used;
    nodes.Write(used, Node{static_cast<uint16_t>(used + 1),
                           static_cast<uint8_t>(LetterCode(static_cast<uint8_t>(upper[i])) | kLastInRun)});
  }
  Node tail;
  if (nodes.Read(last, tail)) {
    tail.child = kNoChild;
    tail.flags |= kEndsWord;
    if (upper.size() - from > 1) tail.flags |= kLastInRun;
    nodes.Write(last, tail);
  }
  header.nodesUsed = static_cast<int32_t>(used);
}

}  // namespace

UserNodes::UserNodes(std::string bytes) : bytes_(std::move(bytes)) {
  bytes_.resize(bytes_.size() / kNodeSize * kNodeSize);
}

bool UserNodes::Read(uint32_t n, Node& node) const {
  if (n == 0 || n > kMaxNodeIndex || n > Count()) return false;
  node = ParseNode(reinterpret_cast<const uint8_t*>(bytes_.data()) + size_t{kNodeSize} * (n - 1));
  return true;
}

void UserNodes::Write(uint32_t n, const Node& node) {
  if (n == 0) return;
  if (n > Count()) bytes_.resize(size_t{kNodeSize} * n, '\0');
  SerializeNode(node, reinterpret_cast<uint8_t*>(bytes_.data()) + size_t{kNodeSize} * (n - 1));
  NoteChange(n, n);
}

void UserNodes::GrowTo(uint32_t last) {
  for (uint32_t n = Count() + 1; n <= last; ++n) AppendNode(bytes_, Node{kFreeSlot, kLastInRun | kEndsWord});
}

std::vector<uint8_t> UserNodes::ReadBlock(uint32_t first, uint32_t count) const {
  if (first == 0 || count == 0 || first - 1 + count > Count()) return {};
  const auto* start = reinterpret_cast<const uint8_t*>(bytes_.data()) + size_t{kNodeSize} * (first - 1);
  return std::vector<uint8_t>(start, start + size_t{kNodeSize} * count);
}

void UserNodes::WriteBlock(uint32_t first, const std::vector<uint8_t>& block) {
  const auto count = static_cast<uint32_t>(block.size() / kNodeSize);
  if (first == 0 || count == 0) return;
  if (first - 1 + count > Count()) bytes_.resize(size_t{kNodeSize} * (first - 1 + count), '\0');
  std::copy(block.begin(), block.end(), bytes_.begin() + std::ptrdiff_t{kNodeSize} * (first - 1));
  NoteChange(first, first + count - 1);
}

std::string_view UserNodes::Bytes(uint32_t first, uint32_t last) const {
  if (first == 0 || last < first) return {};
  const size_t from = std::min(bytes_.size(), size_t{kNodeSize} * (first - 1));
  return std::string_view(bytes_).substr(from, size_t{kNodeSize} * (last - first + 1));
}

void UserNodes::NoteChange(uint32_t first, uint32_t last) {
  firstChanged_ = firstChanged_ == 0 ? first : std::min(firstChanged_, first);
  lastChanged_ = std::max(lastChanged_, last);
}

void InsertWord(UserNodes& nodes, DictionaryHeader& header, const std::string& upper) {
  uint32_t run = 1;
  Node node;
  for (size_t pos = 0; pos < upper.size();) {
    // Letters are compared by code, as CheckWord compares them, so that a character outside the
    // alphabet finds the A it counts as instead of adding a duplicate A to the run.
    const uint8_t code = LetterCode(static_cast<uint8_t>(upper[pos]));
    uint32_t found = 0;
    for (uint32_t n = run; nodes.Read(n, node); ++n) {
      if (node.code() == code) {
        found = n;
        break;
      }
      if (node.last_in_run()) break;
    }
    if (found == 0) {
      PlaceChain(nodes, header, upper, run, pos);  // the new node becomes the head of this run
      return;
    }
    ++pos;
    if (pos == upper.size()) {
      node.flags |= kEndsWord;
      nodes.Write(found, node);
      return;
    }
    if (node.has_child()) {
      run = node.child;
      continue;
    }
    const uint32_t p = static_cast<uint32_t>(header.nodesUsed) + 1;
    PlaceChain(nodes, header, upper, p, pos);
    if (nodes.Read(found, node)) {
      node.child = static_cast<uint16_t>(p);
      nodes.Write(found, node);
    }
    if (nodes.Read(p, node)) {
      node.flags |= kLastInRun;  // the only child of its parent
      nodes.Write(p, node);
    }
    return;
  }
}

}  // namespace inkwend::spell
