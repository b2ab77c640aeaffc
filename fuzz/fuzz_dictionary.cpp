// Feeds arbitrary bytes to the spell engine as a main dictionary and as a user dictionary:
// checking, suggesting and adding words must neither crash nor hang on any file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "spell/engine/lexiv_spell.h"

namespace {

// An anonymous in-memory file holding the input, so that the engine can open it by path
// (/proc/self/fd/N) without depending on a writable temporary directory.
class MemoryFile {
 public:
  MemoryFile(const uint8_t* data, size_t size) : fd_(memfd_create("fuzz_dictionary", 0)) {
    if (fd_ >= 0 && (size == 0 || write(fd_, data, size) == static_cast<ssize_t>(size)))
      path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

// When the input holds one dictionary whose capacity covers every node in the file, that trie
// read as a main dictionary (through the cache, with lookup tables made at open) and as a user
// dictionary (node by node) must accept exactly the same words. Returns the words to ask about:
// paths through the trie, so that lookups go deep, and each of them with a letter more.
std::vector<std::string> TrieWords(const uint8_t* data, size_t size) {
  std::vector<std::string> words;
  size_t header = 0;
  while (header < size && data[header] != 26) ++header;
  ++header;
  if (header + 17 > size) return words;
  const auto capacity =
      static_cast<int32_t>(data[header + 4] | data[header + 5] << 8 | data[header + 6] << 16 |
                           static_cast<uint32_t>(data[header + 7]) << 24);
  const auto nodes = static_cast<int64_t>(size - header - 17) / 3;
  if (capacity < nodes ||
      static_cast<int64_t>(header) + 17 + 3 * int64_t{capacity} + 20 < static_cast<int64_t>(size))
    return words;
  static const char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ'-\x8a\x8c\x9f\xc0\xc1\xc2\xc3\xc4\xc5\xc6\xc7\xc8\xc9\xca\xcb"
      "\xcc\xcd\xce\xcf\xd0\xd1\xd2\xd3\xd4\xd5\xd6\xd8\xd9\xda\xdb\xdc\xdd\xde\xdf\xf0`";
  struct Step {
    int64_t run;
    std::string prefix;
  };
  std::vector<Step> stack{{1, ""}};
  while (!stack.empty() && words.size() < 300) {
    const Step step = stack.back();
    stack.pop_back();
    for (int64_t n = step.run; n >= 1 && n <= nodes && words.size() < 300; ++n) {
      const uint8_t* p = data + header + 17 + 3 * (n - 1);
      const std::string word = step.prefix + kLetters[p[2] & 63];
      words.push_back(word);
      words.push_back(word + "E");
      const int child = p[0] | p[1] << 8;
      if (child != 0 && child != 65000 && word.size() < 12) stack.push_back({child, word});
      if (p[2] & 0x40) break;
    }
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kWords[] = {"cat", "CAR", "cart's", "Zebra", "a5b", "\xe9t\xe9", "mississippi"};
  const MemoryFile main_file(data, size), user_file(data, size);
  if (main_file.path().empty() || user_file.path().empty()) std::abort();  // nothing would be tested
  const std::string& main_path = main_file.path();
  const std::string& user_path = user_file.path();
  {
    inkwend::LexivSpell spell;
    spell.SetDictionaryName(main_path);
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("cart");
    spell.Suggest("zebre");
  }
  {
    inkwend::LexivSpell spell;
    spell.SetDictionaryName("/nonexistent/inkwend.dct");
    const inkwend::Result<int16_t> number = spell.OpenUserDictionary(user_path);
    for (const char* w : kWords) spell.AddWord(w, number.IsOk() ? number.Value() : int16_t{-1});
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("zebre");
  }
  const std::vector<std::string> words = TrieWords(data, size);
  if (!words.empty()) {
    std::vector<uint8_t> bytes(data, data + size);
    size_t kind = 0;
    while (bytes[kind] != 26) ++kind;
    kind += 1 + 12;
    bytes[kind] = 1;
    const MemoryFile as_main(bytes.data(), bytes.size());
    bytes[kind] = 0;
    const MemoryFile as_user(bytes.data(), bytes.size());
    inkwend::LexivSpell main_spell, user_spell;
    user_spell.SetDictionaryName("/nonexistent/inkwend.dct");
    // A damaged main file is open all the same, with what could be read of it.
    const inkwend::Status opened = main_spell.OpenDictionary(as_main.path());
    const inkwend::Result<int16_t> number = user_spell.OpenUserDictionary(as_user.path());
    if ((!opened.IsOk() && opened.Code() != inkwend::StatusCode::Damaged) || !number.IsOk() ||
        number.Value() < 2)
      std::abort();
    for (const std::string& w : words)
      if (main_spell.CheckWord(w) != user_spell.CheckWord(w)) std::abort();
  }
  return 0;
}
