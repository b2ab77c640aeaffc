#include "spell/engine/dictionary_builder.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "spell/engine/dictionary_format.h"
#include "spell/engine/windows1252.h"
#include "store/atomic_file.h"

namespace inkwend::spell {

namespace {

// A word as the trie stores it: one letter code (0..63) per character.
using CodeWord = std::string;

CodeWord ToCodes(std::string_view upper) {
  CodeWord codes(upper.size(), '\0');
  for (size_t i = 0; i < upper.size(); ++i) codes[i] = static_cast<char>(LetterCode(static_cast<uint8_t>(upper[i])));
  return codes;
}

bool AllInAlphabet(std::string_view upper) {
  return std::all_of(upper.begin(), upper.end(), [](char c) {
    const auto b = static_cast<uint8_t>(c);
    return kAlphabet[LetterCode(b)] == b;
  });
}

// Lays out the trie of words[lo, hi) (sorted, distinct, all sharing their first `depth` codes and
// longer than `depth`) as one run at `start`, followed depth-first by the runs below it.
// `next_free` is the first unused node index; nodes go into `nodes` (index 0 unused).
void LayOutRun(const std::vector<CodeWord>& words, size_t lo, size_t hi, size_t depth, uint32_t start,
               uint32_t& next_free, std::vector<Node>& nodes) {
  struct Group {
    size_t lo, hi;
  };
  std::vector<Group> groups;
  for (size_t i = lo; i < hi;) {
    size_t j = i + 1;
    while (j < hi && words[j][depth] == words[i][depth]) ++j;
    groups.push_back({i, j});
    i = j;
  }
  next_free = std::max<uint32_t>(next_free, start + static_cast<uint32_t>(groups.size()));
  if (nodes.size() < next_free) nodes.resize(next_free);
  for (size_t g = 0; g < groups.size(); ++g) {
    Node& node = nodes[start + g];
    size_t first_longer = groups[g].lo;
    node.flags = static_cast<uint8_t>(words[groups[g].lo][depth]);
    if (words[groups[g].lo].size() == depth + 1) {  // sorted: the word ending here comes first
      node.flags |= kEndsWord;
      ++first_longer;
    }
    if (g + 1 == groups.size()) node.flags |= kLastInRun;
    node.child = kNoChild;
    if (first_longer < groups[g].hi) {
      const uint32_t child = next_free;
      nodes[start + g].child = static_cast<uint16_t>(child);
      LayOutRun(words, first_longer, groups[g].hi, depth + 1, child, next_free, nodes);
    }
  }
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
  if (options.max_nodes < 2 || options.max_nodes >= kFreeSlot)
    return Status::Error("The node limit of a dictionary must lie between 2 and 64999.");
  std::vector<std::string> upper;
  upper.reserve(words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    ++r.words_read;
    std::string u = UpperCase(words[i]);
    if (u.size() <= 1) {
      ++r.skipped_short;
    } else if ((i < unmappable.size() && unmappable[i]) || !AllInAlphabet(u)) {
      ++r.skipped_foreign;
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
      ++r.skipped_possessive;
      continue;
    }
    codes.push_back(ToCodes(u));
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  if (codes.empty()) return Status::Error("The word list holds no word of two or more letters.");
  r.words_stored = codes.size();

  // Split the sorted words wherever the next word's new nodes would pass the limit. A word of
  // more letters than the limit cannot be stored at all.
  std::vector<std::pair<size_t, size_t>> parts;
  size_t part_start = 0, part_nodes = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i].size() > static_cast<size_t>(options.max_nodes))
      return Status::Error("A word is longer than the node limit of a dictionary.");
    const size_t added = i == part_start ? codes[i].size() : codes[i].size() - CommonPrefix(codes[i - 1], codes[i]);
    if (part_nodes + added > static_cast<size_t>(options.max_nodes)) {
      parts.emplace_back(part_start, i);
      part_start = i;
      part_nodes = codes[i].size();
    } else {
      part_nodes += added;
    }
  }
  parts.emplace_back(part_start, codes.size());

  std::string out = "INKWEND MAIN DICTIONARY\r\n";
  out += options.description.empty() ? std::string("Word list dictionary") : options.description;
  out += "\r\n";
  out += static_cast<char>(kTextHeaderEnd);
  for (const auto& [lo, hi] : parts) {
    std::vector<Node> nodes(1);
    uint32_t next_free = 1;
    LayOutRun(codes, lo, hi, 0, 1, next_free, nodes);
    const auto count = static_cast<int32_t>(next_free - 1);
    DictionaryHeader header;
    header.nodes_used = count;
    header.capacity = count;
    header.word_count = static_cast<int32_t>(hi - lo);
    header.kind = kKindMain;
    header.offset = static_cast<int32_t>(out.size());
    AppendHeader(out, header);
    for (int32_t n = 1; n <= count; ++n) AppendNode(out, nodes[static_cast<size_t>(n)]);
    r.nodes += static_cast<size_t>(count);
  }
  r.dictionaries = parts.size();
  file_bytes = std::move(out);
  if (report) *report = r;
  return Status::Ok();
}

Status BuildDictionaryFile(const std::string& word_list_path, const std::string& out_path,
                           const BuildOptions& options, BuildReport* report) {
  std::string text;
  Status status = ReadWholeFile(word_list_path, text);
  if (!status.ok()) return status;
  std::vector<std::string> words;
  std::vector<bool> unmappable;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty()) continue;
    bool mapped = true;
    words.push_back(Utf8ToWindows1252(line, &mapped));
    unmappable.push_back(!mapped);
  }
  std::string bytes;
  status = BuildMainDictionary(words, unmappable, options, bytes, report);
  if (!status.ok()) return status;
  return WriteFileAtomically(out_path, bytes);
}

}  // namespace inkwend::spell
