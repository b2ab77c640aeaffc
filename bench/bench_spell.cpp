// The spell engine beside Hunspell (Debian's en_US dictionary), on the same inputs in one run:
//  - CheckWord: nanoseconds a word over a text of 1,000,000 words, made by repeating the English
//    licence texts every Debian system has in /usr/share/common-licenses;
//  - Suggest: milliseconds a word (mean and 95th percentile) over 1000 real misspellings, and how
//    often the intended word comes first and in the top five. The (misspelling, correct word)
//    pairs are read at run time from INKWEND_SPELL_PAIRS or the shared sample
//    samples/spelling/pairs.tsv (Wikipedia's list of common misspellings and the Birkbeck corpus),
//    else from Debian's codespell list when that package is installed.
// Words reach the engine already converted to Windows-1252, as the spell-check dialog passes them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <hunspell/hunspell.hxx>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "spell/engine/lexiv_spell.h"
#include "spell/engine/windows1252.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kTextWords = 1'000'000;
constexpr size_t kPairs = 1000;  // an even spread over the list, so that Hunspell's turn stays short
constexpr const char* kHunspellAff = "/usr/share/hunspell/en_US.aff";
constexpr const char* kHunspellDic = "/usr/share/hunspell/en_US.dic";

struct Pair {
  std::string wrong, right;
};

std::vector<std::string> LoadText() {
  std::vector<std::string> base;
  for (const auto& entry : fs::directory_iterator("/usr/share/common-licenses")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string word;
    char ch;
    while (in.get(ch)) {
      const bool letter =
          (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch == '\'' && !word.empty());
      if (letter) {
        word += ch;
      } else if (!word.empty()) {
        while (!word.empty() && word.back() == '\'') word.pop_back();
        if (!word.empty()) base.push_back(word);
        word.clear();
      }
    }
  }
  std::vector<std::string> text;
  text.reserve(kTextWords);
  while (!base.empty() && text.size() < kTextWords) text.push_back(base[text.size() % base.size()]);
  return text;
}

bool PlainWord(const std::string& w) {
  return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'';
  });
}

std::vector<Pair> LoadPairs(std::string& source) {
  std::vector<Pair> pairs;
  const char* env = std::getenv("INKWEND_SPELL_PAIRS");
  for (const std::string path : {std::string(env ? env : ""), std::string(INKWEND_SPELL_PAIRS)}) {
    std::ifstream in(path);
    if (path.empty() || !in) continue;
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      Pair p;
      if (std::getline(fields, p.wrong, '\t') && std::getline(fields, p.right, '\t')) pairs.push_back(p);
    }
    source = path;
    return pairs;
  }
  // codespell: "misspelling->correct" lines, several answers separated by commas.
  for (const char* path : {"/usr/lib/python3/dist-packages/codespell_lib/data/dictionary.txt",
                           "/usr/share/codespell/dictionary.txt"}) {
    std::ifstream in(path);
    if (!in) continue;
    std::string line;
    while (std::getline(in, line) && pairs.size() < 2000) {
      const size_t arrow = line.find("->");
      if (arrow == std::string::npos) continue;
      Pair p{line.substr(0, arrow), line.substr(arrow + 2)};
      if (PlainWord(p.wrong) && PlainWord(p.right)) pairs.push_back(p);
    }
    source = path;
    return pairs;
  }
  return pairs;
}

struct Fixture {
  std::vector<std::string> textUtf8, text1252;
  std::vector<Pair> pairs;
  std::string pairsSource;
  std::unique_ptr<Hunspell> hunspell;
  inkwend::LexivSpell engine;
  std::string userDictionary;

  Fixture() {
    textUtf8 = LoadText();
    for (const auto& w : textUtf8) text1252.push_back(inkwend::spell::Utf8ToWindows1252(w));
    std::vector<Pair> all = LoadPairs(pairsSource);
    for (size_t i = 0; i < kPairs && !all.empty(); ++i) {
      const size_t at = all.size() <= kPairs ? i : i * all.size() / kPairs;
      if (at < all.size()) pairs.push_back(all[at]);
    }
    hunspell = std::make_unique<Hunspell>(kHunspellAff, kHunspellDic);
    if (!engine.OpenDictionary(INKWEND_SHIPPED_DICTIONARY).IsOk())
      std::fprintf(stderr, "bench_spell: cannot open %s\n", INKWEND_SHIPPED_DICTIONARY);
    std::fprintf(stderr, "bench_spell: %zu words of text, %zu pairs from %s\n", textUtf8.size(), pairs.size(),
                 pairsSource.empty() ? "nowhere" : pairsSource.c_str());
  }
};

Fixture& F() {
  static Fixture fixture;
  return fixture;
}

template <typename CheckFn>
void CheckText(benchmark::State& state, const std::vector<std::string>& text, CheckFn check) {
  size_t wrong = 0;
  for (auto _ : state) {
    for (const auto& w : text) wrong += check(w) ? 0 : 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  // Printed in seconds with an SI prefix: "95n" is 95 ns a word.
  state.counters["time_per_word"] =
      benchmark::Counter(static_cast<double>(state.iterations() * text.size()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["rejected_pct"] =
      100.0 * static_cast<double>(wrong) / static_cast<double>(state.iterations() * text.size());
}

void BM_CheckWord_Inkwend(benchmark::State& state) {
  auto& f = F();
  CheckText(state, f.text1252, [&](const std::string& w) { return f.engine.CheckWord(w); });
}

void BM_CheckWord_InkwendWithUserDictionary(benchmark::State& state) {
  auto& f = F();
  inkwend::LexivSpell engine;
  engine.OpenDictionary(INKWEND_SHIPPED_DICTIONARY);
  const std::string path = (fs::temp_directory_path() / "bench_spell_user.dct").string();
  fs::remove(path);
  std::vector<std::string> words = {"Inkwend", "diary"};
  engine.CreateUserDictionary(path, words);
  CheckText(state, f.text1252, [&](const std::string& w) { return engine.CheckWord(w); });
  engine.CloseDictionaries();
  fs::remove(path);
}

void BM_CheckWord_Hunspell(benchmark::State& state) {
  auto& f = F();
  CheckText(state, f.textUtf8, [&](const std::string& w) { return f.hunspell->spell(w); });
}

// Processor time of this thread: on a shared machine, wall time also counts the time others ran.
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Percentile95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(0.95 * static_cast<double>(v.size() - 1))];
}

double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

template <typename SuggestFn>
void SuggestPairs(benchmark::State& state, SuggestFn suggest) {
  auto& f = F();
  if (f.pairs.empty()) {
    state.SkipWithError("no (misspelling, correct word) pairs found");
    return;
  }
  std::vector<double> ms, cpu_ms;
  size_t first = 0, top5 = 0;
  for (auto _ : state) {
    ms.clear();
    cpu_ms.clear();
    first = top5 = 0;
    for (const Pair& p : f.pairs) {
      const auto start = std::chrono::steady_clock::now();
      const double cpu_start = ThreadCpuMs();
      const std::vector<std::string> s = suggest(p.wrong);
      cpu_ms.push_back(ThreadCpuMs() - cpu_start);
      ms.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      const auto at = std::find(s.begin(), s.end(), p.right);
      if (at == s.begin() && !s.empty()) ++first;
      if (at != s.end() && at - s.begin() < 5) ++top5;
    }
  }
  const double n = static_cast<double>(ms.size());
  state.counters["words"] = n;
  state.counters["mean_ms"] = Mean(ms);
  state.counters["p95_ms"] = Percentile95(ms);
  state.counters["cpu_mean_ms"] = Mean(cpu_ms);
  state.counters["cpu_p95_ms"] = Percentile95(cpu_ms);
  state.counters["first_pct"] = 100.0 * static_cast<double>(first) / n;
  state.counters["top5_pct"] = 100.0 * static_cast<double>(top5) / n;
}

void BM_Suggest_Inkwend(benchmark::State& state) {
  auto& f = F();
  SuggestPairs(state, [&](const std::string& w) {
    std::vector<std::string> out;
    for (const auto& s : f.engine.Suggest(inkwend::spell::Utf8ToWindows1252(w)))
      out.push_back(inkwend::spell::Windows1252ToUtf8(s));
    return out;
  });
}

void BM_Suggest_Hunspell(benchmark::State& state) {
  auto& f = F();
  SuggestPairs(state, [&](const std::string& w) { return f.hunspell->suggest(w); });
}

BENCHMARK(BM_CheckWord_Inkwend)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CheckWord_InkwendWithUserDictionary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CheckWord_Hunspell)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Suggest_Inkwend)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Suggest_Hunspell)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
