#include "spell/engine/dictionary_builder.h"

#include <algorithm>
#include <deque>
#include <string_view>
#include <unordered_set>

#include "base/file_system.h"
#include "spell/engine/dictionary_format.h"
#include "spell/engine/windows1252.h"

namespace inkwend::spell {

namespace {

// A word as the trie stores it: one letter code (0..63) per character.
using CodeWord = std::string;

CodeWord ToCodes(std::string_view upper) {
  CodeWord codes(upper.size(), '\0');
  for (size_t i = 0; i < upper.size(); ++i)
    codes[i] = static_cast<char>(LetterCode(static_cast<uint8_t>(upper[i])));
  return codes;
}

bool AllInAlphabet(std::string_view upper) {
  return std::all_of(upper.begin(), upper.end(), [](char c) {
    const auto b = static_cast<uint8_t>(c);
    return kAlphabet[LetterCode(b)] == b;
  });
}

// Lays out the trie of sorted, distinct words. The top levels, which nearly every lookup passes
// through, go level by level: the run of first letters at node 1, then every run of second
// letters, and so on, so that they lie together at the front in few cache blocks. Below them
// each subtree is laid out depth first, a run followed at once by the subtree of its first
// node, then of its second, and so on: the runs a lookup visits below the top levels thus lie
// close together, mostly within a few memory lines. Returns the node count; nodes go into
// `nodes` (index 0 unused).
uint32_t LayOutTrie(const std::vector<CodeWord>& words, std::vector<Node>& nodes) {
  const size_t level_order_depth = 2;
  struct Group {
    size_t lo, hi;
  };
  // The letter groups of words[lo, hi) at `depth`, the letters with most words below them
  // first: a lookup scans a run up to its letter, so this shortens typical scans.
  auto groups_of = [&words](size_t lo, size_t hi, size_t depth) {
    std::vector<Group> groups;
    for (size_t i = lo; i < hi;) {
      size_t j = i + 1;
      while (j < hi && words[j][depth] == words[i][depth]) ++j;
      groups.push_back({i, j});
      i = j;
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return a.hi - a.lo > b.hi - b.lo; });
    return groups;
  };
  struct Pending {
    size_t depth;    // words of the run's groups share `depth` codes
    uint32_t start;  // where the run goes
    std::vector<Group> groups;
  };
  uint32_t next_free = 1;
  // Reserves the run for the words of `group` longer than depth + 1 (none: 0).
  auto reserve_child_run = [&](const Group& group, size_t depth, std::vector<Pending>& out) -> uint32_t {
    size_t first_longer = group.lo;
    if (words[group.lo].size() == depth + 1) ++first_longer;  // sorted: the word ending here comes first
    if (first_longer == group.hi) return 0;
    out.push_back({depth + 1, next_free, groups_of(first_longer, group.hi, depth + 1)});
    next_free += static_cast<uint32_t>(out.back().groups.size());
    nodes.resize(next_free);
    return out.back().start;
  };
  // Fills a run's nodes; the child runs it reserves are appended to `children`.
  auto fill_run = [&](const Pending& run, std::vector<Pending>& children, bool one_by_one,
                      auto&& descend) -> void {
    for (size_t g = 0; g < run.groups.size(); ++g) {
      const Group& group = run.groups[g];
      Node node;
      node.flags = static_cast<uint8_t>(words[group.lo][run.depth]);
      if (words[group.lo].size() == run.depth + 1) node.flags |= kEndsWord;
      if (g + 1 == run.groups.size()) node.flags |= kLastInRun;
      std::vector<Pending> mine;
      node.child = static_cast<uint16_t>(reserve_child_run(group, run.depth, one_by_one ? mine : children));
      nodes[run.start + g] = node;
      if (one_by_one && !mine.empty()) descend(mine.front(), descend);
    }
  };
  auto depth_first = [&](const Pending& run, auto&& self) -> void {
    std::vector<Pending> unused;
    fill_run(run, unused, true, self);
  };

  std::vector<Pending> level{{0, next_free, groups_of(0, words.size(), 0)}};
  next_free += static_cast<uint32_t>(level.front().groups.size());
  nodes.assign(next_free, Node{});
  while (!level.empty()) {
    std::vector<Pending> below;
    for (const Pending& run : level) {
      if (run.depth + 1 < level_order_depth)
        fill_run(run, below, false, depth_first);
      else
        depth_first(run, depth_first);
    }
    level = std::move(below);
  }
  return next_free - 1;
}

size_t CommonPrefix(const CodeWord& a, const CodeWord& b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

Status BuildMainDictionary(const std::vector<std::string>& words, const std::vector<bool>& unmappable,
                           const BuildOptions& options, std::string& file_bytes, BuildReport* report) {
  BuildReport r;
  if (options.maxNodes < 2 || options.maxNodes >= kFreeSlot)
    return Status::Error(StatusCode::Refused, "The node limit of a dictionary must lie between 2 and 64999.");
  std::vector<std::string> upper;
  upper.reserve(words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    ++r.wordsRead;
    std::string u = UpperCase(words[i]);
    if (u.size() <= 1) {
      ++r.skippedShort;
    } else if ((i < unmappable.size() && unmappable[i]) || !AllInAlphabet(u)) {
      ++r.skippedForeign;
    } else {
      upper.push_back(std::move(u));
    }
  }
  std::unordered_set<std::string> present(upper.begin(), upper.end());
  std::vector<CodeWord> codes;
  codes.reserve(upper.size());
  for (const std::string& u : upper) {
    const bool possessive = u.size() >= 3 && u.compare(u.size() - 2, 2, "'S") == 0;
    if (possessive && (u.size() == 3 || present.count(u.substr(0, u.size() - 2)))) {
      ++r.skippedPossessive;
      continue;
    }
    codes.push_back(ToCodes(u));
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  if (codes.empty())
    return Status::Error(StatusCode::Refused, "The word list holds no word of two or more letters.");
  r.wordsStored = codes.size();

  // Cut the sorted words into chunks: one per initial letter, and more where an initial has
  // more nodes than a dictionary holds. A word of more letters than the limit cannot be stored.
  struct Chunk {
    size_t lo, hi, nodes;
  };
  std::vector<Chunk> chunks;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i].size() > static_cast<size_t>(options.maxNodes))
      return Status::Error(StatusCode::Refused, "A word is longer than the node limit of a dictionary.");
    const bool new_initial = i == 0 || codes[i][0] != codes[i - 1][0];
    const size_t added =
        new_initial ? codes[i].size() : codes[i].size() - CommonPrefix(codes[i - 1], codes[i]);
    if (new_initial || chunks.back().nodes + added > static_cast<size_t>(options.maxNodes))
      chunks.push_back({i, i + 1, codes[i].size()});
    else
      chunks.back() = {chunks.back().lo, i + 1, chunks.back().nodes + added};
  }
  // Lookups try the dictionaries of a file in turn, so the initials that begin the most words
  // of running English text go into the first dictionary; the rest follow in alphabet order.
  const std::string kInitialOrder = "TAOISWCBPHFMDRELNGUVYJKQZX";
  auto rank = [&](const Chunk& c) {
    const size_t at = kInitialOrder.find(static_cast<char>(kAlphabet[static_cast<uint8_t>(codes[c.lo][0])]));
    return at == std::string::npos ? kInitialOrder.size() + static_cast<size_t>(codes[c.lo][0]) : at;
  };
  std::stable_sort(chunks.begin(), chunks.end(),
                   [&](const Chunk& a, const Chunk& b) { return rank(a) < rank(b); });
  // First fit: each chunk goes into the first dictionary with room for it.
  std::vector<std::vector<CodeWord>> dictionaries;
  std::vector<size_t> dictionary_nodes;
  for (const Chunk& c : chunks) {
    size_t d = 0;
    while (d < dictionaries.size() && dictionary_nodes[d] + c.nodes > static_cast<size_t>(options.maxNodes))
      ++d;
    if (d == dictionaries.size()) {
      dictionaries.emplace_back();
      dictionary_nodes.push_back(0);
    }
    dictionaries[d].insert(dictionaries[d].end(), codes.begin() + static_cast<std::ptrdiff_t>(c.lo),
                           codes.begin() + static_cast<std::ptrdiff_t>(c.hi));
    dictionary_nodes[d] += c.nodes;
  }

  std::string out = "INKWEND MAIN DICTIONARY\r\n";
  out += options.description.empty() ? std::string("Word list dictionary") : options.description;
  out += "\r\n";
  out += static_cast<char>(kTextHeaderEnd);
  for (std::vector<CodeWord>& words : dictionaries) {
    std::sort(words.begin(), words.end());
    std::vector<Node> nodes;
    const auto count = static_cast<int32_t>(LayOutTrie(words, nodes));
    DictionaryHeader header;
    header.nodesUsed = count;
    header.capacity = count;
    header.wordCount = static_cast<int32_t>(words.size());
    header.kind = kKindMain;
    header.offset = static_cast<int32_t>(out.size());
    AppendHeader(out, header);
    for (int32_t n = 1; n <= count; ++n) AppendNode(out, nodes[static_cast<size_t>(n)]);
    r.nodes += static_cast<size_t>(count);
  }
  r.dictionaries = dictionaries.size();
  file_bytes = std::move(out);
  if (report) *report = r;
  return Status::Ok();
}

Status BuildDictionaryFile(const std::string& word_list_path, const std::string& out_path,
                           const BuildOptions& options, BuildReport* report) {
  Result<std::string> read = RealFileSystem().ReadFile(word_list_path);
  if (!read.IsOk()) return read.GetStatus();
  const std::string& text = read.Value();
  std::vector<std::string> words;
  std::vector<bool> unmappable;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty()) continue;
    bool mapped = true;
    words.push_back(Utf8ToWindows1252(line, &mapped));
    unmappable.push_back(!mapped);
  }
  std::string bytes;
  const Status status = BuildMainDictionary(words, unmappable, options, bytes, report);
  if (!status.IsOk()) return status;
  return RealFileSystem().WriteFileAtomically(out_path, bytes);
}

}  // namespace inkwend::spell
