#pragma once
// A generated diary of ten years, one entry a day (3650 entries, about 19 MB of RTF), for the
// search benchmark and the test that checks inkwend-tool search against grep. Entries are RTF as
// the diary writes it, with bold words, accented letters and several paragraphs; a few words are
// rare (a handful of days), the rest common.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/cipher.h"
#include "store/entry_store.h"

namespace inkwend::testing {

inline constexpr int kTenYearDays = 3650;
inline const Date kTenYearFirstDay{std::chrono::year(2015), std::chrono::January, std::chrono::day(1)};

// Rare words, each on about one day in a hundred; "Zeppelin" is written with a capital.
inline constexpr const char* kRareWords[] = {"Zeppelin", "marmalade", "quokka"};

inline std::string TenYearEntry(int index) {
  static constexpr const char* kWords[] = {
      "the",   "a",       "walk", "garden", "rain",   "morning", "letter", "friend", "coffee",
      "train", "evening", "read", "wrote",  "market", "bread",   "river",  "quiet",  "long",
      "day",   "work",    "home", "sun",    "cold",   "warm",    "talked", "about",  "nothing",
      "much",  "and",     "then", "later",  "tired",  "happy"};
  uint32_t seed = static_cast<uint32_t>(index) * 2654435761u + 12345u;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\froman\\fcharset0 Times New Roman;}}{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  const size_t target = 4600 + next() % 1200;
  int words_in_paragraph = 0;
  while (rtf.size() < target) {
    const uint32_t pick = next();
    if (pick % 97 == 0) {
      rtf += "{\\b " + std::string(kWords[pick % std::size(kWords)]) + "}";
    } else if (pick % 89 == 0) {
      rtf += "caf\\'e9";
    } else {
      rtf += kWords[pick % std::size(kWords)];
    }
    rtf += ' ';
    if (++words_in_paragraph > 20 + static_cast<int>(pick % 10)) {
      rtf += "\\par\r\n";
      words_in_paragraph = 0;
    }
  }
  for (size_t w = 0; w < std::size(kRareWords); ++w) {
    if (next() % 100 == 0) rtf += std::string("\\par And then ") + kRareWords[w] + ".";
  }
  rtf += "\\par\r\n}\r\n";
  return rtf;
}

// Writes the diary's Entries/ below `program_directory` (enciphered with `password` when it is
// not empty) and, when `plain_directory` is not empty, the same entries deciphered there.
inline void WriteTenYearDiary(const std::string& program_directory, const std::string& password,
                              const std::string& plain_directory = {}) {
  std::filesystem::create_directories(program_directory + "/Entries");
  if (!plain_directory.empty()) std::filesystem::create_directories(plain_directory);
  for (int i = 0; i < kTenYearDays; ++i) {
    const Date day{std::chrono::sys_days(kTenYearFirstDay) + std::chrono::days(i)};
    const std::string rtf = TenYearEntry(i);
    const std::string name = DateKey(day) + ".KWE";
    std::ofstream(program_directory + "/Entries/" + name, std::ios::binary)
        << (password.empty() ? rtf : EncryptBytes(rtf, password));
    if (!plain_directory.empty()) std::ofstream(plain_directory + "/" + name, std::ios::binary) << rtf;
  }
}

}  // namespace inkwend::testing
