// The spell engine beside Hunspell (Debian's en_US dictionary), on the same inputs in one run:
//  - CheckWord: nanoseconds a word over a text of 1,000,000 words, made by repeating the English
//    licence texts every Debian system has in /usr/share/common-licenses, and over 1,000,000
//    words drawn at random from Debian's American English word list (wamerican), which a small
//    repeated text cannot stand for: its few hundred distinct words stay in the processor's
//    caches. With a user dictionary open, once as a layout pass or a dialog walk checks (one
//    look at the file for the whole walk) and once a word at a time (a look for every word);
//  - Suggest: milliseconds a word (mean and 95th percentile) over 1000 real misspellings and 500
//    made-up typos, and how often the intended word comes first and in the top five, for each
//    source apart. The (misspelling, correct word) pairs are read at run time from
//    INKWEND_SPELL_PAIRS or the shared sample samples/spelling/pairs.tsv (Wikipedia's list of
//    common misspellings and the Birkbeck corpus, the third column naming the source), else from
//    Debian's codespell list when that package is installed. The made-up typos take one edit each
//    (a letter dropped, added, changed, or two neighbours swapped) of words of the licence texts,
//    drawn the same way in every run; a typo that either engine accepts as a word is drawn again.
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
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "spell/engine/lexiv_spell.h"
#include "spell/engine/windows1252.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kTextWords = 1'000'000;
constexpr size_t kPairs = 1000;  // an even spread over the list, so that Hunspell's turn stays short
constexpr size_t kTypos = 500;
constexpr const char* kHunspellAff = "/usr/share/hunspell/en_US.aff";
constexpr const char* kHunspellDic = "/usr/share/hunspell/en_US.dic";
constexpr const char* kWordList = "/usr/share/dict/american-english";

// The three sources of misspellings, each measured on its own: typos in running text are easy,
// weak spellers' attempts are hard, and a figure over both hides how either half fares.
enum class Source { Wikipedia, Birkbeck, Synthetic };
constexpr Source kSources[] = {Source::Wikipedia, Source::Birkbeck, Source::Synthetic};

const char* SourceName(Source source) {
  switch (source) {
    case Source::Wikipedia:
      return "wikipedia";
    case Source::Birkbeck:
      return "birkbeck";
    case Source::Synthetic:
      return "synthetic";
  }
  return "";
}

struct Pair {
  std::string wrong, right;
  Source source = Source::Wikipedia;
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

// kTextWords words of the word list, drawn the same way in every run.
std::vector<std::string> LoadRandomWords() {
  std::vector<std::string> list;
  std::ifstream in(kWordList);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) list.push_back(line);
  std::vector<std::string> words;
  if (list.empty()) return words;
  std::mt19937 rng(27);
  words.reserve(kTextWords);
  while (words.size() < kTextWords) words.push_back(list[rng() % list.size()]);
  return words;
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
      std::string source;
      if (!std::getline(fields, p.wrong, '\t') || !std::getline(fields, p.right, '\t')) continue;
      if (std::getline(fields, source, '\t') && source.rfind("birkbeck", 0) == 0) p.source = Source::Birkbeck;
      pairs.push_back(p);
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

// A small generator of its own, so that the typos are the same with every standard library.
class Draw {
 public:
  size_t Below(size_t n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<size_t>((state_ >> 33) % n);
  }

 private:
  uint64_t state_ = 20261211;
};

// One edit of `word`: kind 0 drops a letter, 1 adds one, 2 changes one, 3 swaps two neighbours.
std::string OneEdit(const std::string& word, int kind, Draw& draw) {
  std::string typo = word;
  const auto letter = [&] { return static_cast<char>('a' + draw.Below(26)); };
  switch (kind) {
    case 0:
      typo.erase(draw.Below(word.size()), 1);
      break;
    case 1:
      typo.insert(draw.Below(word.size() + 1), 1, letter());
      break;
    case 2:
      typo[draw.Below(word.size())] = letter();
      break;
    default: {
      const size_t at = draw.Below(word.size() - 1);
      std::swap(typo[at], typo[at + 1]);
    }
  }
  return typo;
}

struct Fixture {
  std::vector<std::string> textUtf8, text1252;
  std::vector<std::string> randomUtf8, random1252;
  std::vector<Pair> pairs;
  std::string pairsSource;
  std::unique_ptr<Hunspell> hunspell;
  inkwend::LexivSpell engine;
  std::string userDictionary;

  Fixture() {
    textUtf8 = LoadText();
    for (const auto& w : textUtf8) text1252.push_back(inkwend::spell::Utf8ToWindows1252(w));
    randomUtf8 = LoadRandomWords();
    for (const auto& w : randomUtf8) random1252.push_back(inkwend::spell::Utf8ToWindows1252(w));
    std::vector<Pair> all = LoadPairs(pairsSource);
    for (size_t i = 0; i < kPairs && !all.empty(); ++i) {
      const size_t at = all.size() <= kPairs ? i : i * all.size() / kPairs;
      if (at < all.size()) pairs.push_back(all[at]);
    }
    hunspell = std::make_unique<Hunspell>(kHunspellAff, kHunspellDic);
    if (!engine.OpenDictionary(INKWEND_SHIPPED_DICTIONARY).IsOk())
      std::fprintf(stderr, "bench_spell: cannot open %s\n", INKWEND_SHIPPED_DICTIONARY);
    const size_t real = pairs.size();
    AddTypos();
    std::fprintf(stderr, "bench_spell: %zu words of text, %zu pairs from %s, %zu made-up typos\n",
                 textUtf8.size(), real, pairsSource.empty() ? "nowhere" : pairsSource.c_str(),
                 pairs.size() - real);
  }

  bool BothAccept(const std::string& word) {
    return hunspell->spell(word) && engine.CheckWord(inkwend::spell::Utf8ToWindows1252(word));
  }
  bool EitherAccepts(const std::string& word) {
    return hunspell->spell(word) || engine.CheckWord(inkwend::spell::Utf8ToWindows1252(word));
  }

  // kTypos one-edit typos of distinct lower-case words of three letters or more from the text,
  // spread evenly over them in alphabetical order.
  void AddTypos() {
    std::set<std::string> distinct;
    for (const auto& w : textUtf8)
      if (w.size() >= 3 && std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
        distinct.insert(w);
    std::vector<std::string> words;
    for (const auto& w : distinct)
      if (BothAccept(w)) words.push_back(w);
    Draw draw;
    for (size_t i = 0; i < kTypos && i < words.size(); ++i) {
      const std::string& word = words[i * words.size() / kTypos];
      for (int attempt = 0; attempt < 20; ++attempt) {
        const std::string typo = OneEdit(word, static_cast<int>(i % 4), draw);
        if (typo == word || EitherAccepts(typo)) continue;
        pairs.push_back(Pair{typo, word, Source::Synthetic});
        break;
      }
    }
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

// An engine with the shipped dictionary and a user dictionary of a few words, as the diary has.
struct WithUserDictionary {
  inkwend::LexivSpell engine;
  const std::string path = (fs::temp_directory_path() / "bench_spell_user.dct").string();
  WithUserDictionary() {
    engine.OpenDictionary(INKWEND_SHIPPED_DICTIONARY);
    fs::remove(path);
    std::vector<std::string> words = {"Inkwend", "diary", "Lexivane", "Xvfb", "Hunspell"};
    engine.CreateUserDictionary(path, words);
  }
  ~WithUserDictionary() {
    engine.CloseDictionaries();
    fs::remove(path);
  }
  WithUserDictionary(const WithUserDictionary&) = delete;
  WithUserDictionary& operator=(const WithUserDictionary&) = delete;
};

const std::vector<std::string>& Words1252(int random) { return random ? F().random1252 : F().text1252; }
const char* WordsName(int random) { return random ? "random dictionary words" : "licence texts"; }

void BM_CheckWord_InkwendWithUserDictionary(benchmark::State& state) {
  state.SetLabel(WordsName(static_cast<int>(state.range(0))));
  WithUserDictionary with;
  CheckText(state, Words1252(static_cast<int>(state.range(0))),
            [&](const std::string& w) { return with.engine.CheckWord(w); });
}

// The text walked as a layout pass or the spell-check dialog walks it: one look at the user
// dictionary's file for the whole walk.
void BM_CheckWord_InkwendWithUserDictionaryInPass(benchmark::State& state) {
  state.SetLabel(WordsName(static_cast<int>(state.range(0))));
  WithUserDictionary with;
  const std::vector<std::string>& words = Words1252(static_cast<int>(state.range(0)));
  size_t wrong = 0;
  for (auto _ : state) {
    const inkwend::LexivSpell::Pass pass(with.engine);
    for (const auto& w : words) wrong += with.engine.CheckWord(w) ? 0 : 1;
  }
  const auto n = static_cast<double>(state.iterations() * words.size());
  state.SetItemsProcessed(static_cast<int64_t>(n));
  state.counters["time_per_word"] =
      benchmark::Counter(n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["rejected_pct"] = 100.0 * static_cast<double>(wrong) / n;
}

void BM_CheckWord_Hunspell(benchmark::State& state) {
  auto& f = F();
  CheckText(state, f.textUtf8, [&](const std::string& w) { return f.hunspell->spell(w); });
}

void BM_CheckRandomWords_Inkwend(benchmark::State& state) {
  auto& f = F();
  CheckText(state, f.random1252, [&](const std::string& w) { return f.engine.CheckWord(w); });
}

void BM_CheckRandomWords_Hunspell(benchmark::State& state) {
  auto& f = F();
  CheckText(state, f.randomUtf8, [&](const std::string& w) { return f.hunspell->spell(w); });
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

// What one engine made of one source.
struct SourceFigures {
  size_t words = 0, first = 0, top5 = 0;
  double cpuMs = 0;
};

using EngineFigures = std::map<Source, SourceFigures>;

EngineFigures& Figures(const std::string& engine) {
  static std::map<std::string, EngineFigures> figures;
  return figures[engine];
}

template <typename SuggestFn>
void SuggestPairs(benchmark::State& state, const std::string& engine, SuggestFn suggest) {
  auto& f = F();
  if (f.pairs.empty()) {
    state.SkipWithError("no (misspelling, correct word) pairs found");
    return;
  }
  std::vector<double> ms, cpu_ms;
  EngineFigures figures;
  for (auto _ : state) {
    ms.clear();
    cpu_ms.clear();
    figures.clear();
    for (const Pair& p : f.pairs) {
      const auto start = std::chrono::steady_clock::now();
      const double cpu_start = ThreadCpuMs();
      const std::vector<std::string> s = suggest(p.wrong);
      cpu_ms.push_back(ThreadCpuMs() - cpu_start);
      ms.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      const auto at = std::find(s.begin(), s.end(), p.right);
      SourceFigures& source = figures[p.source];
      ++source.words;
      source.cpuMs += cpu_ms.back();
      if (at == s.begin() && !s.empty()) ++source.first;
      if (at != s.end() && at - s.begin() < 5) ++source.top5;
    }
  }
  const double n = static_cast<double>(ms.size());
  state.counters["words"] = n;
  state.counters["mean_ms"] = Mean(ms);
  state.counters["p95_ms"] = Percentile95(ms);
  state.counters["cpu_mean_ms"] = Mean(cpu_ms);
  state.counters["cpu_p95_ms"] = Percentile95(cpu_ms);
  for (const Source source : kSources) {
    const SourceFigures& got = figures[source];
    const double words = static_cast<double>(std::max<size_t>(got.words, 1));
    const std::string name = SourceName(source);
    state.counters[name + "_first_pct"] = 100.0 * static_cast<double>(got.first) / words;
    state.counters[name + "_top5_pct"] = 100.0 * static_cast<double>(got.top5) / words;
  }
  Figures(engine) = figures;
}

// Once both engines have run: each source on a line of its own, the two engines side by side
// (processor milliseconds a word, as on a shared machine wall time also counts others).
void PrintSideBySide() {
  const EngineFigures& ours = Figures("inkwend");
  const EngineFigures& peer = Figures("hunspell");
  if (ours.empty() || peer.empty()) return;
  std::fprintf(stderr, "\n%-10s %6s  %28s  %28s\n", "source", "words", "Inkwend first/top5 cpu ms",
               "Hunspell first/top5 cpu ms");
  for (const Source source : kSources) {
    const SourceFigures& a = ours.at(source);
    const SourceFigures& b = peer.at(source);
    const auto pct = [](size_t k, size_t n) {
      return 100.0 * static_cast<double>(k) / static_cast<double>(n);
    };
    std::fprintf(stderr, "%-10s %6zu  %9.1f %% %6.1f %% %7.2f  %9.1f %% %6.1f %% %7.2f\n", SourceName(source),
                 a.words, pct(a.first, a.words), pct(a.top5, a.words), a.cpuMs / static_cast<double>(a.words),
                 pct(b.first, b.words), pct(b.top5, b.words), b.cpuMs / static_cast<double>(b.words));
  }
}

void BM_Suggest_Inkwend(benchmark::State& state) {
  auto& f = F();
  SuggestPairs(state, "inkwend", [&](const std::string& w) {
    std::vector<std::string> out;
    for (const auto& s : f.engine.Suggest(inkwend::spell::Utf8ToWindows1252(w)))
      out.push_back(inkwend::spell::Windows1252ToUtf8(s));
    return out;
  });
  PrintSideBySide();
}

void BM_Suggest_Hunspell(benchmark::State& state) {
  auto& f = F();
  SuggestPairs(state, "hunspell", [&](const std::string& w) { return f.hunspell->suggest(w); });
  PrintSideBySide();
}

BENCHMARK(BM_CheckWord_Inkwend)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CheckWord_InkwendWithUserDictionary)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_CheckWord_InkwendWithUserDictionaryInPass)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_CheckWord_Hunspell)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CheckRandomWords_Inkwend)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CheckRandomWords_Hunspell)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Suggest_Inkwend)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Suggest_Hunspell)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
