// Feeds arbitrary bytes to the spell engine as a main dictionary and as a user dictionary:
// checking, suggesting and adding words must neither crash nor hang on any file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "spell/engine/lexiv_spell.h"

namespace {

std::string ScratchPath(const char* name) {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_dictionary_" + std::to_string(getpid()) + "_" + name;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kWords[] = {"cat", "CAR", "cart's", "Zebra", "a5b", "\xe9t\xe9", "mississippi"};
  const std::string main_path = ScratchPath("main.dct");
  const std::string user_path = ScratchPath("user.dct");
  if (!WriteFile(main_path, data, size) || !WriteFile(user_path, data, size)) return 0;
  {
    inkwend::TLexivSpell spell;
    spell.SetDictionaryName(main_path);
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("cart");
    spell.Suggest("zebre");
  }
  {
    inkwend::TLexivSpell spell;
    spell.SetDictionaryName(ScratchPath("missing.dct"));
    const int16_t number = spell.OpenUserDictionary(user_path);
    for (const char* w : kWords) spell.AddWord(w, number);
    for (const char* w : kWords) spell.CheckWord(w);
    spell.Suggest("zebre");
  }
  unlink(main_path.c_str());
  unlink(user_path.c_str());
  return 0;
}
