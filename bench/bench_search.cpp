// The diary-wide search over a ten-year diary (3650 entries, about 19 MB of RTF, enciphered with a
// password), warm, beside its peer: grep -rl over the same entries deciphered to plain RTF. The
// same diary strongly encrypted is searched beside the classic one (the key is opened once, as the
// password prompt does, and not timed).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "operations/search/diary_search.h"
#include "operations/search/tests/ten_year_diary.h"
#include "store/strong_cipher.h"

namespace {

using namespace std::chrono;

constexpr char kPassword[] = "Dear diary";

struct TenYears {
  std::string root;
  std::string program;
  std::string plain;
  std::string strong;
  std::shared_ptr<const inkwend::DiaryKey> key = inkwend::DiaryKey::Generate();
  TenYears() {
    char pattern[] = "/tmp/inkwend-bench-search-XXXXXX";
    root = ::mkdtemp(pattern);
    program = root + "/diary/";
    plain = root + "/plain";
    strong = root + "/strong/";
    inkwend::testing::WriteTenYearDiary(program, kPassword, plain);
    std::filesystem::create_directories(strong + "Entries");
    for (int i = 0; i < inkwend::testing::kTenYearDays; ++i) {
      const std::string key_text =
          inkwend::DateKey(inkwend::Date{sys_days(inkwend::testing::kTenYearFirstDay) + days(i)});
      std::ofstream(strong + "Entries/" + key_text + ".KWE", std::ios::binary)
          << inkwend::StrongEncrypt(inkwend::testing::TenYearEntry(i), *key, key_text);
    }
  }
  ~TenYears() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

TenYears& Diary() {
  static TenYears diary;
  return diary;
}

const inkwend::Date kFrom{year(2015), January, day(1)};
const inkwend::Date kTo{year(2024), December, day(31)};

// The diary opened as the window opens it: classic with its password, strong with its key.
void Open(inkwend::DiarySession& session, bool strong) {
  if (strong)
    session.SetDiaryKey(Diary().key);
  else
    session.SetPassword(kPassword);
}

// A word no entry holds: the walk goes through every entry, as "Find Any" does before "No matches".
void SearchWalk(benchmark::State& state, bool strong) {
  inkwend::DiarySession session(strong ? Diary().strong : Diary().program, inkwend::RealFileSystem());
  Open(session, strong);
  for (auto _ : state) {
    inkwend::DiarySearch search(session, U"balloon");
    benchmark::DoNotOptimize(search.FindFirst(kFrom, kTo));
  }
}
void BM_SearchWalkTenYears(benchmark::State& state) { SearchWalk(state, false); }
void BM_SearchWalkTenYearsStrong(benchmark::State& state) { SearchWalk(state, true); }
BENCHMARK(BM_SearchWalkTenYears)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);
BENCHMARK(BM_SearchWalkTenYearsStrong)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);

// Every day holding a rare word ("Show All Entries Containing...", inkwend-tool search).
void SearchAll(benchmark::State& state, bool strong) {
  inkwend::DiarySession session(strong ? Diary().strong : Diary().program, inkwend::RealFileSystem());
  Open(session, strong);
  int found = 0;
  for (auto _ : state) {
    inkwend::DiarySearch search(session, U"zeppelin");
    found = 0;
    search.FindAll(kFrom, kTo, [&](const inkwend::SearchHit&) { return ++found > 0; });
  }
  state.counters["days"] = found;
}
void BM_SearchAllTenYears(benchmark::State& state) { SearchAll(state, false); }
void BM_SearchAllTenYearsStrong(benchmark::State& state) { SearchAll(state, true); }
BENCHMARK(BM_SearchAllTenYears)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);
BENCHMARK(BM_SearchAllTenYearsStrong)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);

double ChildrenCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The peer: grep -rl over the deciphered entries, as a process started from a shell. Its own
// processor time (grep's, which the CPU column cannot see) is the counter cpu_ms, to compare with
// the walk's CPU column on a busy machine.
void BM_GrepPeerTenYears(benchmark::State& state) {
  const std::string command = "grep -rl balloon " + Diary().plain + " > /dev/null";
  const double before = ChildrenCpuMs();
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  state.counters["cpu_ms"] = (ChildrenCpuMs() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrepPeerTenYears)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);

}  // namespace
