#pragma once
// Small helpers for the spell tests: a scratch directory, whole-file reads and writes, and main
// dictionaries built from word lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "spell/engine/dictionary_builder.h"
#include "spell/engine/dictionary_format.h"
#include "spell/engine/windows1252.h"

namespace inkwend::spell::testing {

class ScratchDir {
 public:
  ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path base = tmp && *tmp ? tmp : "/tmp";
    std::filesystem::create_directories(base);
    std::string templ = (base / "spelltest-XXXXXX").string();
    path_ = mkdtemp(templ.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string MainDictionaryBytes(const std::vector<std::string>& words, int max_nodes = 63999) {
  BuildOptions options;
  options.maxNodes = max_nodes;
  std::string bytes;
  const Status status = BuildMainDictionary(words, {}, options, bytes, nullptr);
  EXPECT_TRUE(status.IsOk()) << status.Message();
  return bytes;
}

inline std::string WriteMainDictionary(const ScratchDir& dir, const std::vector<std::string>& words,
                                       const std::string& name = "main.dct") {
  const std::string path = dir.File(name);
  WriteBytes(path, MainDictionaryBytes(words));
  return path;
}

inline Node MakeNode(uint16_t child, char letter, int flags) {
  return Node{child, static_cast<uint8_t>(LetterCode(static_cast<uint8_t>(letter)) | flags)};
}

// Header and nodes of the first dictionary of a file, for tests that look at the raw trie.
struct RawDictionary {
  size_t headerOffset = 0;
  DictionaryHeader header;
  std::vector<Node> nodes;  // nodes[0] unused

  static RawDictionary Parse(const std::string& bytes) {
    RawDictionary raw;
    raw.headerOffset = bytes.find(static_cast<char>(kTextHeaderEnd)) + 1;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    raw.header = ParseHeader(p + raw.headerOffset);
    raw.nodes.resize(1);
    for (size_t off = raw.headerOffset + kHeaderSize; off + kNodeSize <= bytes.size(); off += kNodeSize)
      raw.nodes.push_back(ParseNode(p + off));
    return raw;
  }
};

}  // namespace inkwend::spell::testing
