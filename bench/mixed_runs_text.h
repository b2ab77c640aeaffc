#pragma once
// The documents the memory and end-to-end benchmarks open: words in runs of mixed fonts, sizes
// and bold, the same for every program measured, made from a fixed seed.
#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace inkwend::bench {

struct Run {
  std::string text;
  int font;  // 0 Arial, 1 Times New Roman, 2 Courier New
  int size;  // points
  bool bold;
};
using ParagraphRuns = std::vector<Run>;

const char* const kFontNames[] = {"Arial", "Times New Roman", "Courier New"};

// About `bytes` characters of words: paragraphs of 60 to 140 words, runs of 1 to 12 words.
std::vector<ParagraphRuns> MakeText(size_t bytes) {
  static const char* const kWords[] = {"the",   "diary",  "morning", "walked", "river",   "quietly",
                                       "after", "letter", "garden",  "winter", "thought", "evening",
                                       "and",   "of",     "bright",  "window", "friends", "remember"};
  std::mt19937 rng(27);
  std::vector<ParagraphRuns> text;
  size_t total = 0;
  while (total < bytes) {
    ParagraphRuns par;
    const int words = 60 + static_cast<int>(rng() % 81);
    for (int done = 0; done < words;) {
      Run run{{}, static_cast<int>(rng() % 3), 10 + 2 * static_cast<int>(rng() % 3), rng() % 5 == 0};
      const int k = std::min(words - done, 1 + static_cast<int>(rng() % 12));
      for (int i = 0; i < k; ++i, ++done) {
        run.text += kWords[rng() % std::size(kWords)];
        run.text += ' ';
      }
      total += run.text.size();
      par.push_back(std::move(run));
    }
    text.push_back(std::move(par));
  }
  return text;
}

std::string Rtf(const std::vector<ParagraphRuns>& text) {
  std::string out =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}"
      "{\\f2\\fmodern Courier New;}}\n";
  for (const ParagraphRuns& par : text) {
    out += "\\pard ";
    for (const Run& run : par)
      out += "\\plain\\f" + std::to_string(run.font) + "\\fs" + std::to_string(run.size * 2) +
             (run.bold ? "\\b " : " ") + run.text;
    out += "\\par\n";
  }
  return out + "}";
}

}  // namespace inkwend::bench
