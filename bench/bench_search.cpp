// The diary-wide search over a ten-year diary (3650 entries, about 19 MB of RTF, enciphered with a
// password), warm, beside its peer: grep -rl over the same entries deciphered to plain RTF.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "operations/search/diary_search.h"
#include "operations/search/tests/ten_year_diary.h"

namespace {

using namespace std::chrono;

constexpr char kPassword[] = "Dear diary";

struct TenYears {
  std::string root;
  std::string program;
  std::string plain;
  TenYears() {
    char pattern[] = "/tmp/inkwend-bench-search-XXXXXX";
    root = ::mkdtemp(pattern);
    program = root + "/diary/";
    plain = root + "/plain";
    inkwend::testing::WriteTenYearDiary(program, kPassword, plain);
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

// A word no entry holds: the walk goes through every entry, as "Find Any" does before "No matches".
void BM_SearchWalkTenYears(benchmark::State& state) {
  inkwend::DiarySession session(Diary().program, inkwend::RealFileSystem());
  session.SetPassword(kPassword);
  for (auto _ : state) {
    inkwend::DiarySearch search(session, U"balloon");
    benchmark::DoNotOptimize(search.FindFirst(kFrom, kTo));
  }
}
BENCHMARK(BM_SearchWalkTenYears)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);

// Every day holding a rare word ("Show All Entries Containing...", inkwend-tool search).
void BM_SearchAllTenYears(benchmark::State& state) {
  inkwend::DiarySession session(Diary().program, inkwend::RealFileSystem());
  session.SetPassword(kPassword);
  int found = 0;
  for (auto _ : state) {
    inkwend::DiarySearch search(session, U"zeppelin");
    found = 0;
    search.FindAll(kFrom, kTo, [&](const inkwend::SearchHit&) { return ++found > 0; });
  }
  state.counters["days"] = found;
}
BENCHMARK(BM_SearchAllTenYears)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2);

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
