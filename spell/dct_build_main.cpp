// Build-time maker of the shipped main dictionary: inkwend-dct-build WORDLIST OUT.
// It links only the spell engine, so the dictionary can be built before anything else.
#include <cstdio>

#include "spell/engine/dictionary_builder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WORDLIST OUT\n", argv[0]);
    return 2;
  }
  inkwend::spell::BuildOptions options;
  options.description = "Built by Inkwend from Debian's American English word list (wamerican).";
  inkwend::spell::BuildReport report;
  const inkwend::Status status = inkwend::spell::BuildDictionaryFile(argv[1], argv[2], options, &report);
  if (!status.IsOk()) {
    std::fprintf(stderr, "inkwend-dct-build: %s\n", status.Message().c_str());
    return 1;
  }
  std::printf("inkwend-dct-build: %zu words in %zu dictionaries, %zu nodes\n", report.wordsStored,
              report.dictionaries, report.nodes);
  return 0;
}
