#pragma once
// Builds main dictionary files from word lists. Child links are 16-bit, so a large list is split
// into several dictionaries stored one after another in the same file; each word lies wholly in
// one of them, which keeps lookups (that try every dictionary in turn) correct.
#include <cstddef>
#include <string>
#include <vector>

#include "base/status.h"

namespace inkwend::spell {

struct BuildOptions {
  int maxNodes = 63999;     // nodes per dictionary; indices must stay below the free mark 65000
  std::string description;  // goes into the file's text header
};

struct BuildReport {
  size_t wordsRead = 0;
  size_t wordsStored = 0;        // distinct words, compared in upper case
  size_t skippedShort = 0;       // one-letter words: every one-letter word checks as correct
  size_t skippedPossessive = 0;  // X's where X is stored: accepted through the 's rule
  size_t skippedForeign = 0;     // characters outside the alphabet or outside Windows-1252
  size_t dictionaries = 0;
  size_t nodes = 0;
};

// Builds the bytes of a main dictionary file from Windows-1252 words; `unmappable` marks words
// whose UTF-8 form had characters Windows-1252 lacks (may be empty).
Status BuildMainDictionary(const std::vector<std::string>& words, const std::vector<bool>& unmappable,
                           const BuildOptions& options, std::string& file_bytes, BuildReport* report);

// Reads a UTF-8 word list (one word a line; blank lines and surrounding spaces ignored) and
// writes the dictionary file atomically.
Status BuildDictionaryFile(const std::string& word_list_path, const std::string& out_path,
                           const BuildOptions& options, BuildReport* report);

}  // namespace inkwend::spell
