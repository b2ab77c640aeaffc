// A password change over ten years of daily entries (3650 files, about 19 MB), durably, beside
// the machine's durable-write floor measured in the same run: writing as many files of the same
// sizes each with write, fsync, rename and a folder fsync, the least any crash-safe save of them
// one by one costs. Both run on the disk of the working directory (set INKWEND_BENCH_DIR to
// measure another). The run's "per_file" and "x_floor" counters compare the two; "gauge_steps"
// shows that the gauge moved once per file. Beside them: turning strong encryption on and off
// over the same files, and the key derivation the password prompt of a strong diary pays.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "operations/password/password_change.h"
#include "store/cipher.h"
#include "store/ini_file.h"

namespace {

constexpr int kEntries = 3650;

// Sizes spread around 5.2 KB, as a diary's days are: some short, a few long.
size_t EntrySize(int i) { return 600 + static_cast<size_t>((i * 7919) % 9200); }

std::string EntryName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "%08d.KWE", 20000101 + (i / 28) * 100 + i % 28);
  return name;
}

class BenchDiary {
 public:
  BenchDiary() {
    const char* where = std::getenv("INKWEND_BENCH_DIR");
    std::string pattern =
        (std::filesystem::path(where && *where ? where : ".") / "bench-password-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    std::filesystem::create_directory(dir_ / "Entries");
    inkwend::FileSystem& fs = inkwend::RealFileSystem();
    for (int i = 0; i < kEntries; ++i) {
      std::string rtf = "{\\rtf1\\ansi Day " + std::to_string(i) + " ";
      rtf.append(EntrySize(i), static_cast<char>('a' + i % 26));
      (void)fs.WriteFileInPlace((dir_ / "Entries" / EntryName(i)).string(),
                                inkwend::EncryptBytes(rtf + "}", "OLD"));
    }
    (void)fs.WriteFileInPlace((dir_ / "KW.INI").string(),
                              "[Security]\r\nPassword=" + inkwend::EncryptString("OLD") + "\r\n");
  }
  ~BenchDiary() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path() const { return dir_.string() + "/"; }
  static BenchDiary& Shared() {
    static BenchDiary diary;
    return diary;
  }

 private:
  std::filesystem::path dir_;
};

double& FloorSeconds() {
  static double seconds = 0;
  return seconds;
}

void BM_DurableWriteFloor(benchmark::State& state) {
  const std::string folder = BenchDiary::Shared().Path() + "Floor/";
  std::filesystem::create_directory(folder);
  inkwend::FileSystem& fs = inkwend::RealFileSystem();
  std::vector<std::string> contents;
  for (int i = 0; i < kEntries; ++i) contents.emplace_back(EntrySize(i) + 20, 'x');
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    // Write, fsync, rename over the name and fsync the folder: one crash-safe save per file.
    for (int i = 0; i < kEntries; ++i)
      if (!fs.WriteFileAtomically(folder + EntryName(i), contents[static_cast<size_t>(i)]).IsOk())
        state.SkipWithError("cannot write");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  FloorSeconds() = total / static_cast<double>(state.iterations());
  state.counters["per_file_ms"] = FloorSeconds() * 1000 / kEntries;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DurableWriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PasswordChange(benchmark::State& state) {
  const std::string dir = BenchDiary::Shared().Path();
  const char* passwords[] = {"OLD", "NEW"};
  int run = 0, gauge_steps = 0;
  double total = 0;
  for (auto _ : state) {
    inkwend::PasswordChange change(dir, inkwend::RealFileSystem());
    change.onProgress = [&gauge_steps](const inkwend::PasswordRunProgress& p) {
      if (p.phase == inkwend::PasswordRunProgress::Phase::Staging) ++gauge_steps;
    };
    const auto start = std::chrono::steady_clock::now();
    if (!change.Run(passwords[run % 2], passwords[(run + 1) % 2]).IsOk())
      state.SkipWithError("the run failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++run;
  }
  const double seconds = total / static_cast<double>(state.iterations());
  state.counters["per_file_ms"] = seconds * 1000 / kEntries;
  state.counters["gauge_steps"] = static_cast<double>(gauge_steps) / static_cast<double>(state.iterations());
  if (FloorSeconds() > 0) state.counters["x_floor"] = seconds / FloorSeconds();
}
BENCHMARK(BM_PasswordChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

// On from classic, then off to classic again: an even number of runs leaves the diary as it was.
void BM_StrongOnOff(benchmark::State& state) {
  const std::string dir = BenchDiary::Shared().Path();
  std::shared_ptr<const inkwend::DiaryKey> key;
  int run = 0;
  double total = 0;
  for (auto _ : state) {
    inkwend::PasswordChange change(dir, inkwend::RealFileSystem());
    inkwend::ProtectionChange wanted;
    wanted.strong = run % 2 == 0;
    wanted.oldPassword = wanted.strong ? "OLD" : "pass phrase";
    wanted.newPassword = wanted.strong ? "pass phrase" : "OLD";
    wanted.oldKey = key;
    const auto start = std::chrono::steady_clock::now();
    if (!change.ChangeProtection(wanted).IsOk()) state.SkipWithError("the run failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    key = change.DiaryKeyNow();
    ++run;
  }
  state.counters["per_file_ms"] = total / static_cast<double>(state.iterations()) * 1000 / kEntries;
}
BENCHMARK(BM_StrongOnOff)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// What the password prompt of a strong diary costs: Argon2id at the program's setting.
void BM_StrongKeyDerivation(benchmark::State& state) {
  const auto key = inkwend::DiaryKey::Generate();
  const std::string sealed =
      inkwend::WrapDiaryKey(*key, "pass phrase", inkwend::KeyDerivation::Default()).Value();
  for (auto _ : state) benchmark::DoNotOptimize(inkwend::UnwrapDiaryKey(sealed, "pass phrase").IsOk());
}
BENCHMARK(BM_StrongKeyDerivation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
