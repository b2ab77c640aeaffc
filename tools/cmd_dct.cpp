// inkwend-tool dct build [--max-nodes N] WORDLIST OUT   (word list: UTF-8, one word a line)
// inkwend-tool dct info FILE                             (the dictionaries a .dct file holds)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "spell/engine/dictionary_builder.h"
#include "spell/engine/dictionary_format.h"
#include "tools/command_registry.h"

namespace {

using namespace inkwend::spell;

int Build(const std::vector<std::string>& args) {
  BuildOptions options;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--max-nodes" && i + 1 < args.size())
      options.maxNodes = std::atoi(args[++i].c_str());
    else
      files.push_back(args[i]);
  }
  if (files.size() != 2) {
    std::fprintf(stderr, "usage: inkwend-tool dct build [--max-nodes N] WORDLIST OUT\n");
    return 2;
  }
  options.description = "Built by inkwend-tool from " + files[0];
  BuildReport r;
  const inkwend::Status status = BuildDictionaryFile(files[0], files[1], options, &r);
  if (!status.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", status.Message().c_str());
    return 1;
  }
  std::printf("%zu words read, %zu stored in %zu dictionaries of %zu nodes in all\n", r.wordsRead,
              r.wordsStored, r.dictionaries, r.nodes);
  std::printf("left out: %zu one-letter, %zu possessive, %zu with characters outside the alphabet\n",
              r.skippedShort, r.skippedPossessive, r.skippedForeign);
  return 0;
}

int Info(const std::string& path) {
  inkwend::Result<std::string> read = inkwend::RealFileSystem().ReadFile(path);
  if (!read.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", read.GetStatus().Message().c_str());
    return 1;
  }
  const std::string& bytes = read.Value();
  const size_t end = bytes.find(static_cast<char>(kTextHeaderEnd));
  if (end == std::string::npos || end + 1 + kHeaderSize > bytes.size()) {
    std::fprintf(stderr, "inkwend-tool: %s is not a dictionary file (no header)\n", path.c_str());
    return 1;
  }
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  int64_t pos = static_cast<int64_t>(end) + 1;
  for (int index = 1;; ++index) {
    const DictionaryHeader h = ParseHeader(data + pos);
    std::printf("dictionary %d at %lld: %s, %d nodes used, capacity %d, word counter %d\n", index,
                static_cast<long long>(pos), h.kind == kKindUser ? "user" : "main", h.nodesUsed, h.capacity,
                h.wordCount);
    // Like the engine, only main files hold further dictionaries, read while more than 20
    // bytes follow.
    if (h.kind == kKindUser || h.capacity < 0) break;
    const int64_t next = pos + kHeaderSize + int64_t{kNodeSize} * h.capacity;
    if (next + 20 >= static_cast<int64_t>(bytes.size())) break;
    pos = next;
  }
  return 0;
}

int RunDct(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "build") return Build({args.begin() + 1, args.end()});
  if (args.size() == 2 && args[0] == "info") return Info(args[1]);
  std::fprintf(stderr, "usage: inkwend-tool dct build [--max-nodes N] WORDLIST OUT | dct info FILE\n");
  return 2;
}

const inkwend::tool::ToolCommand kDct("dct", "dct build [--max-nodes N] WORDLIST OUT | dct info FILE",
                                      RunDct);

}  // namespace
