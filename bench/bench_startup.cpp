// Start-up: time from launching `inkwend --data-dir DIR` until its main window is first painted,
// on an empty diary and on a diary of ten years of daily entries (3650 RTF files written through
// the entry store), beside a minimal Qt program that shows an empty QTextEdit, all in one run.
// A diary holding only the big diary's entry of today tells what showing an entry costs apart
// from the size of the diary.
// Target: under 100 ms, and no slower with the big diary than with the empty one.
//
// Each run launches a fresh process with INKWEND_STARTUP_PROBE holding the launch time; the
// process prints "first-paint-ms N" once its window is painted and quits. The figure is taken
// here when that line arrives (the process's own figure is shown as probe_ms, and its CPU time,
// which a busy machine disturbs less than the wall time, as cpu_ms). Without a
// display the benchmark starts its own Xvfb; without Xvfb it falls back to the offscreen platform.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "richtext/rtf/text_io.h"
#include "store/entry_store.h"

extern char** environ;

namespace {

using namespace inkwend;
namespace fs = std::filesystem;

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// A display for the programs under test, chosen once.
class Display {
 public:
  static Display& Get() {
    static Display d;
    return d;
  }
  const std::string& Kind() const { return kind_; }
  ~Display() {
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }

 private:
  Display() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform && *platform) {
      kind_ = platform;
      return;
    }
    if (const char* display = std::getenv("DISPLAY"); display && *display) {
      kind_ = std::string("display ") + display;
      return;
    }
    if (StartXvfb()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    kind_ = "offscreen (no Xvfb)";
  }

  bool StartXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                          "1280x1024x24", "-nolisten",  "tcp",      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&xvfb_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      xvfb_ = 0;
      close(fds[0]);
      return false;
    }
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
      xvfb_ = 0;
      return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    kind_ = "Xvfb :" + number;
    return true;
  }

  pid_t xvfb_ = 0;
  std::string kind_;
};

// One launch: milliseconds until the first-paint line arrived, and the figure the process
// printed itself. Negative on failure.
struct Launch {
  double ms = -1;
  double probeMs = -1;
  double cpuMs = -1;  // user + system time of the whole process, until it ended
};

double CpuMs(const rusage& r) {
  return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 +
         double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

Launch LaunchOnce(const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) return {};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  const int64_t start = MonotonicNs();
  setenv("INKWEND_STARTUP_PROBE", std::to_string(start).c_str(), 1);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return {};
  }

  Launch result;
  std::string text;
  const int64_t deadline = start + int64_t{20} * 1000000000;
  for (;;) {
    const int64_t left = (deadline - MonotonicNs()) / 1000000;
    pollfd p{out[0], POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buffer[256];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
    const size_t at = text.find("first-paint-ms ");
    if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
      result.ms = double(MonotonicNs() - start) / 1e6;
      result.probeMs = std::atof(text.c_str() + at + 15);
      break;
    }
  }
  close(out[0]);
  // The process quits by itself right after the line; one that hangs is ended.
  for (int i = 0; i < 500; ++i) {
    rusage usage{};
    if (wait4(pid, nullptr, WNOHANG, &usage) == pid) {
      result.cpuMs = CpuMs(usage);
      return result;
    }
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return result;
}

// A private directory for the diaries, removed at exit.
struct TempRootDir {
  TempRootDir() {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/inkwend-startup-XXXXXX";
    if (!mkdtemp(path.data())) path.clear();
  }
  ~TempRootDir() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
  std::string path;
};

const std::string& TempRoot() {
  static const TempRootDir kRoot;
  return kRoot.path;
}

// A diary directory whose opening caution is switched off (it would wait for the user).
std::string MakeDiary(const std::string& name) {
  if (TempRoot().empty()) return {};
  const std::string dir = TempRoot() + "/" + name;
  fs::create_directories(dir);
  std::ofstream(dir + "/KW.INI", std::ios::binary) << "[Opening Screen]\r\nshow=0\r\n";
  return dir;
}

// One day's entry as the editor would save it: a few paragraphs of varied length with some
// bold and italic words, in a couple of fonts and sizes.
std::string EntryRtf(int day) {
  static const std::u32string kWords[] = {U"today", U"we",    U"walked",  U"along",  U"the",
                                          U"river", U"and",   U"talked",  U"about",  U"caf\u00e9",
                                          U"plans", U"for",   U"summer",  U"garden", U"letters",
                                          U"rain",  U"quiet", U"evening", U"read"};
  WPRTFText doc;
  const int fonts[] = {doc.header.FontIndexOf(U"Arial"), doc.header.FontIndexOf(U"Times New Roman")};
  unsigned seed = static_cast<unsigned>(day) * 2654435761u + 12345u;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
  Paragraph* par = doc.FirstParagraph();
  const int paragraphs = 1 + static_cast<int>(next() % 5);
  for (int p = 0; p < paragraphs; ++p) {
    if (p > 0) par = doc.NewParagraph(par);
    const int count = 15 + static_cast<int>(next() % 90);
    for (int w = 0; w < count; ++w) {
      CharAttr a = doc.defaultAttr;
      a.fontIndex = static_cast<uint8_t>(fonts[day % 2]);
      a.pointSize = static_cast<uint8_t>(day % 3 == 0 ? 12 : 10);
      const unsigned r = next() % 20;
      a.styleBits = static_cast<uint8_t>(r == 0 ? kStyleBold : r == 1 ? kStyleItalic : 0);
      doc.AppendText(par, kWords[next() % std::size(kWords)] + U" ", a);
    }
  }
  doc.saveFormat = WPLoadFormat::FormatRTF;
  MemoryStream out;
  SaveToStream(doc, out, doc.saveFormat);
  return out.TakeBytes();
}

const std::string& EmptyDiary() {
  static const std::string kDir = MakeDiary("empty");
  return kDir;
}

// Ten years of daily entries up to and including today.
const std::string& TenYearDiary() {
  static const std::string kDir = [] {
    const std::string d = MakeDiary("tenyears");
    if (d.empty()) return d;
    EntryStore store(d + "/");
    store.EnsureEntriesDirectory();
    using namespace std::chrono;
    const sys_days today = floor<days>(system_clock::now());
    for (int i = 0; i < 3650; ++i) {
      const Date date{today - days(i)};
      if (!store.WriteEntry(date, EntryRtf(i), "").IsOk()) std::fprintf(stderr, "could not write an entry\n");
    }
    return d;
  }();
  return kDir;
}

// Today's entry of the ten-year diary alone: what the big diary costs beyond showing an entry.
const std::string& OneEntryDiary() {
  static const std::string kDir = [] {
    const std::string d = MakeDiary("oneentry");
    if (d.empty()) return d;
    EntryStore store(d + "/");
    store.EnsureEntriesDirectory();
    const Date today{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    if (!store.WriteEntry(today, EntryRtf(0), "").IsOk()) std::fprintf(stderr, "could not write an entry\n");
    return d;
  }();
  return kDir;
}

// Every diary is written before the first measurement, and on disk, so that no run pays for
// the writing of another's files.
void PrepareDiaries() {
  static const bool kDone = [] {
    EmptyDiary();
    OneEntryDiary();
    TenYearDiary();
    sync();
    return true;
  }();
  (void)kDone;
}

constexpr int kRounds = 15;

enum class Case { Peer, Empty, OneEntry, TenYears, Cases };

// All cases are measured in turns (peer, empty, one entry, ten years, peer, ...), so that a
// machine whose load changes during the run affects each of them alike. Empty when a launch
// failed; `error` says why.
struct Measurements {
  std::vector<Launch> runs[static_cast<int>(Case::Cases)];
  std::string error;
};

const Measurements& Measure() {
  static const Measurements kM = [] {
    Measurements r;
    if (TempRoot().empty()) {
      r.error = "no temporary directory for the diaries";
      return r;
    }
    PrepareDiaries();
    const std::vector<std::string> args[static_cast<int>(Case::Cases)] = {
        {STARTUP_PEER_BINARY},
        {INKWEND_BINARY, "--data-dir", EmptyDiary()},
        {INKWEND_BINARY, "--data-dir", OneEntryDiary()},
        {INKWEND_BINARY, "--data-dir", TenYearDiary()}};
    for (const auto& a : args) {
      if (!fs::exists(a[0])) {
        r.error = a[0] + " is not built";
        return r;
      }
      LaunchOnce(a);  // warm-up: libraries and fonts into the page cache
    }
    for (int round = 0; round < kRounds; ++round) {
      for (int c = 0; c < static_cast<int>(Case::Cases); ++c) {
        const Launch l = LaunchOnce(args[c]);
        if (l.ms < 0) {
          r.error = args[c][0] + ": no first paint within 20 s";
          return r;
        }
        r.runs[c].push_back(l);
      }
    }
    return r;
  }();
  return kM;
}

void Report(benchmark::State& state, Case which) {
  state.SetLabel(Display::Get().Kind());
  const Measurements& m = Measure();
  if (!m.error.empty()) {
    state.SkipWithError(m.error.c_str());
    return;
  }
  const std::vector<Launch>& runs = m.runs[static_cast<int>(which)];
  size_t i = 0;
  for (auto _ : state) state.SetIterationTime(runs[i++ % runs.size()].ms / 1000.0);
  std::vector<double> ms;
  double probe = 0, cpu = 0;
  for (const Launch& l : runs) {
    ms.push_back(l.ms);
    probe += l.probeMs;
    cpu += l.cpuMs;
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["probe_ms"] = probe / double(runs.size());
  state.counters["cpu_ms"] = cpu / double(runs.size());
  state.counters["target_ms"] = 100;
}

void BM_StartupPeerQTextEdit(benchmark::State& state) { Report(state, Case::Peer); }
void BM_StartupEmptyDiary(benchmark::State& state) { Report(state, Case::Empty); }
void BM_StartupOneEntryDiary(benchmark::State& state) { Report(state, Case::OneEntry); }
void BM_StartupTenYearDiary(benchmark::State& state) { Report(state, Case::TenYears); }

BENCHMARK(BM_StartupPeerQTextEdit)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupEmptyDiary)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupOneEntryDiary)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupTenYearDiary)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

}  // namespace
