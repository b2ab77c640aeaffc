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
    if (fd_ >= 0 && (size == 0 || write(fd_, data, size) == static_cast<ssize_t>(size))) path_ = "/proc/self/fd/" + std::to_string(fd_);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kWords[] = {"cat", "CAR", "cart's", "Zebra", "a5b", "\xe9t\xe9", "mississippi"};
  const MemoryFile main_file(data, size), user_file(data, size);
  if (main_file.path().empty() || user_file.path().empty()) std::abort();  // nothing would be tested
  const std::string& main_path = main_file.path();
  const std::string& user_path = user_file.path();
  {
    inkwend::TLexivSpell spell;
    spell.SetDictionaryName(main_path);
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("cart");
    spell.Suggest("zebre");
  }
  {
    inkwend::TLexivSpell spell;
    spell.SetDictionaryName("/nonexistent/inkwend.dct");
    const int16_t number = spell.OpenUserDictionary(user_path);
    for (const char* w : kWords) spell.AddWord(w, number);
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("zebre");
  }
  return 0;
}
