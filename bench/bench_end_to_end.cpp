// End to end, as a person uses the programs: the real `inkwend` and a bare QTextEdit program
// (text_edit_peer) are started under a virtual X server of their own (Xvfb) on the same document (an
// empty one, 1 MB and 5 MB of text in mixed fonts, sizes and bold), as the diary's entry of
// today and as an HTML file for the peer. For each it reports
//   - the time from launch to the first paint of the window with the document in it (a launch
//     with INKWEND_STARTUP_PROBE set, after which the program ends by itself), and
//   - the processor time a key costs (a second, ordinary launch): a few hundred keys are typed
//     through X (xdotool) at the start of the document, and the process's processor time over
//     the typing, less what it spends idle for as long (the caret's blink), is divided by the
//     keys. Any build of the diary can be measured (INKWEND_E2E_DIARY names its binary);
//   - the resident memory (VmRSS) with the document open, after the typing, and after going
//     to its end (Ctrl+End), each less the same program's with the empty document.
// Three rounds, each running both programs on each document one after the other; the figures
// are the medians of the rounds. Nothing of the user's display is touched: without Xvfb or
// xdotool the benchmark fails and says why.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/mixed_runs_text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr int kRounds = 3;  // INKWEND_E2E_ROUNDS may ask for others
constexpr int kKeys = 300;
constexpr int kKeyDelayMs = 12;  // xdotool's own default pace
constexpr milliseconds kSettle{1000};
constexpr milliseconds kIdleSpan{2000};

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// --- the documents ---

using inkwend::bench::kFontNames;
using inkwend::bench::MakeText;
using inkwend::bench::Rtf;
using inkwend::bench::Run;
using Paragraph = inkwend::bench::ParagraphRuns;

std::string Html(const std::vector<Paragraph>& text) {
  std::string out = "<html><body>\n";
  for (const Paragraph& par : text) {
    out += "<p>";
    for (const Run& run : par)
      out += std::string("<span style=\"font-family:'") + kFontNames[run.font] +
             "'; font-size:" + std::to_string(run.size) + "pt" + (run.bold ? "; font-weight:bold" : "") +
             "\">" + run.text + "</span>";
    out += "</p>\n";
  }
  return out + "</body></html>\n";
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// --- processes ---

struct Process {
  pid_t pid = 0;
  int out = -1;  // its standard output
};

Process Spawn(const std::vector<std::string>& args, bool capture) {
  int fds[2] = {-1, -1};
  if (capture && pipe(fds) != 0) return {};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (capture) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  Process p;
  const int rc = posix_spawnp(&p.pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (capture) close(fds[1]);
  if (rc != 0) {
    if (capture) close(fds[0]);
    return {};
  }
  p.out = capture ? fds[0] : -1;
  return p;
}

void End(Process& p) {
  if (p.out >= 0) close(p.out);
  if (p.pid > 0) {
    kill(p.pid, SIGKILL);
    waitpid(p.pid, nullptr, 0);
  }
  p = {};
}

// Runs a command to its end; its standard output, or nothing when it failed.
std::string Output(const std::vector<std::string>& args) {
  Process p = Spawn(args, true);
  if (p.pid <= 0) return {};
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(p.out, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(p.out);
  int status = 0;
  waitpid(p.pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

// Reads standard output up to a line starting with `prefix`; the rest of that line, or nothing
// once `timeout_ms` passed.
std::string WaitForLine(int fd, const std::string& prefix, int timeout_ms) {
  std::string text;
  const int64_t deadline = MonotonicNs() + int64_t{timeout_ms} * 1000000;
  for (;;) {
    const size_t at = text.find(prefix);
    if (at != std::string::npos) {
      const size_t end = text.find('\n', at);
      if (end != std::string::npos) return text.substr(at + prefix.size(), end - at - prefix.size());
    }
    const int64_t left = (deadline - MonotonicNs()) / 1000000;
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return {};
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return {};
    text.append(buffer, static_cast<size_t>(n));
  }
}

// Processor time of every thread of the process so far, in milliseconds (the scheduler's
// nanosecond account, not the 10 ms ticks of /proc/PID/stat).
double CpuMs(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double ms = 0;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator(tasks, ec)) {
    std::ifstream in(task.path() / "schedstat");
    long long ns = 0;
    if (in >> ns) ms += double(ns) / 1e6;
  }
  return ms;
}

// Waits until the process has been idle for a while (no more than its blink costs); false after
// `timeout_ms`.
bool WaitUntilIdle(pid_t pid, double idle_ms_per_s, int timeout_ms) {
  const int64_t deadline = MonotonicNs() + int64_t{timeout_ms} * 1000000;
  double before = CpuMs(pid);
  while (MonotonicNs() < deadline) {
    std::this_thread::sleep_for(milliseconds(300));
    const double now = CpuMs(pid);
    if (now - before <= 0.3 * idle_ms_per_s + 1.0) return true;
    before = now;
  }
  return false;
}

// --- the display ---

class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    Process p = Spawn({"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, false);
    close(fds[1]);
    xvfb_ = p.pid;
    std::string number;
    pollfd poll_fd{fds[0], POLLIN, 0};
    char c;
    while (xvfb_ > 0 && poll(&poll_fd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("WAYLAND_DISPLAY");
    name_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  const std::string& Name() const { return name_; }

 private:
  pid_t xvfb_ = 0;
  std::string name_;
};

// --- one measurement ---

// Resident memory of a typing run, in megabytes.
struct Resident {
  double open = -1, typed = -1, atEnd = -1;
};

struct Figures {
  double firstPaintMs = -1;
  double cpuPerKeyMs = -1;
  Resident resident;
};

double ResidentMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;  // in kB
  }
  return -1;
}

std::string TypedText() {
  // Words, and a new paragraph now and then, as a diary is written.
  const std::string line = "today we walked along the river and talked about the garden ";
  std::string text;
  while (static_cast<int>(text.size()) < kKeys) {
    text += line;
    text.back() = '\n';
  }
  text.resize(kKeys);
  return text;
}

// Milliseconds from launch until the program's window stood painted with the document in it:
// with INKWEND_STARTUP_PROBE set, both programs print the time and end.
double FirstPaintMs(const std::vector<std::string>& command) {
  const int64_t start = MonotonicNs();
  setenv("INKWEND_STARTUP_PROBE", std::to_string(start).c_str(), 1);
  Process p = Spawn(command, true);
  unsetenv("INKWEND_STARTUP_PROBE");
  if (p.pid <= 0) return -1;
  const bool painted = !WaitForLine(p.out, "first-paint-ms ", 60000).empty();
  const double ms = double(MonotonicNs() - start) / 1e6;
  End(p);
  return painted ? ms : -1;
}

// Processor milliseconds a key costs the program, typing at the start of the document; its
// resident memory into `resident`.
double CpuPerKeyMs(const std::vector<std::string>& command, Resident& resident) {
  Process p = Spawn(command, false);
  if (p.pid <= 0) return -1;
  std::string window;
  for (int tries = 0; tries < 300 && window.empty(); ++tries) {
    std::istringstream lines(
        Output({"timeout", "5", "xdotool", "search", "--onlyvisible", "--pid", std::to_string(p.pid)}));
    if (!std::getline(lines, window)) window.clear();
    if (window.empty()) std::this_thread::sleep_for(milliseconds(200));
  }
  if (window.empty()) {
    std::fprintf(stderr, "bench_end_to_end: no window of %s showed\n", command[0].c_str());
    End(p);
    return -1;
  }
  std::this_thread::sleep_for(kSettle);
  Output({"timeout", "10", "xdotool", "windowfocus", "--sync", window});
  WaitUntilIdle(p.pid, 0, 30000);
  resident.open = ResidentMb(p.pid);

  const double idle_start = CpuMs(p.pid);
  const int64_t idle_from = MonotonicNs();
  std::this_thread::sleep_for(kIdleSpan);
  const double idle_ms_per_s = (CpuMs(p.pid) - idle_start) / (double(MonotonicNs() - idle_from) / 1e9);

  const double typing_start = CpuMs(p.pid);
  const int64_t typing_from = MonotonicNs();
  Output({"timeout", "120", "xdotool", "type", "--delay", std::to_string(kKeyDelayMs), TypedText()});
  const bool settled = WaitUntilIdle(p.pid, idle_ms_per_s, 60000);
  const double seconds = double(MonotonicNs() - typing_from) / 1e9;
  const double typing_ms = CpuMs(p.pid) - typing_start - idle_ms_per_s * seconds;
  resident.typed = ResidentMb(p.pid);
  Output({"timeout", "30", "xdotool", "key", "ctrl+End"});
  WaitUntilIdle(p.pid, idle_ms_per_s, 30000);
  resident.atEnd = ResidentMb(p.pid);
  if (!settled || typing_ms <= 0)
    std::fprintf(stderr, "bench_end_to_end: %s %s (%.1f ms over the keys, %.2f ms a second idle)\n",
                 command[0].c_str(), settled ? "took no time over the keys" : "never came to rest", typing_ms,
                 idle_ms_per_s);
  End(p);
  return settled && typing_ms > 0 ? typing_ms / kKeys : -1;
}

// Of the runs that gave a figure.
double Median(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[16];
  std::strftime(name, sizeof name, "%Y%m%d", &local);
  return name;
}

struct Document {
  const char* name;
  const char* file;  // of the peer's copy
  size_t bytes;
  std::string rtf, html;
};

struct Results {
  std::vector<double> ourPaint, peerPaint, ourKey, peerKey;
  std::vector<double> ourOpen, peerOpen, ourTyped, peerTyped, ourEnd, peerEnd;
};

// A diary of its own for each launch, so that nothing one run leaves (a recovery file, the
// settings) changes the next.
std::vector<std::string> DiaryCommand(const fs::path& root, const Document& doc, int launch) {
  const fs::path dir = root / ("diary-" + std::to_string(launch));
  fs::create_directories(dir / "Entries");
  WriteFile(dir / "KW.INI", "[Opening Screen]\r\nshow=0\r\n");
  if (doc.bytes > 0) WriteFile(dir / "Entries" / (Today() + ".KWE"), doc.rtf);
  // Another build of the diary may be measured against the same peer, for figures before and
  // after a change.
  const char* other = std::getenv("INKWEND_E2E_DIARY");
  return {other && *other ? other : INKWEND_BINARY, "--data-dir", dir.string()};
}

void PrintResident(const std::vector<Document>& docs, const std::vector<Results>& results) {
  std::printf("\n%-6s  %41s\n", "", "resident MB less the empty entry's (median)");
  std::printf("%-6s  %17s %17s %17s\n", "", "open", "typed", "at end");
  std::printf("%-6s  %8s %8s %8s %8s %8s %8s  %s\n", "entry", "inkwend", "QTextEdit", "inkwend", "QTextEdit",
              "inkwend", "QTextEdit", "ratio open/typed/end");
  const Results& empty = results.front();
  const double our_base = Median(empty.ourOpen), peer_base = Median(empty.peerOpen);
  for (size_t d = 0; d < docs.size(); ++d) {
    const Results& r = results[d];
    const double o[3] = {Median(r.ourOpen) - our_base, Median(r.ourTyped) - our_base,
                         Median(r.ourEnd) - our_base};
    const double q[3] = {Median(r.peerOpen) - peer_base, Median(r.peerTyped) - peer_base,
                         Median(r.peerEnd) - peer_base};
    std::printf("%-6s  %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f  %.2fx %.2fx %.2fx\n", docs[d].name, o[0], q[0],
                o[1], q[1], o[2], q[2], q[0] > 0 ? o[0] / q[0] : 0, q[1] > 0 ? o[1] / q[1] : 0,
                q[2] > 0 ? o[2] / q[2] : 0);
  }
  std::printf("(ratio: inkwend's memory against QTextEdit's; at most 1 is the goal)\n");
}

void Print(const std::vector<Document>& docs, const std::vector<Results>& results) {
  std::printf("\n%-6s  %28s  %38s\n", "", "first paint ms (median)", "processor ms a key (median)");
  std::printf("%-6s  %8s %8s %9s  %9s %9s %9s %8s\n", "entry", "inkwend", "QTextEdit", "ratio", "inkwend",
              "QTextEdit", "ratio", "vs empty");
  const double empty_key = Median(results.front().ourKey);
  for (size_t d = 0; d < docs.size(); ++d) {
    const Results& r = results[d];
    const double a = Median(r.ourPaint), b = Median(r.peerPaint);
    const double k = Median(r.ourKey), q = Median(r.peerKey);
    std::printf("%-6s  %8.1f %8.1f %8.2fx  %9.3f %9.3f %8.2fx %7.2fx\n", docs[d].name, a, b,
                b > 0 ? a / b : 0, k, q, k > 0 ? q / k : 0, empty_key > 0 ? k / empty_key : 0);
  }
  std::printf(
      "(key ratio: how many times cheaper inkwend types; vs empty: inkwend's key against its "
      "empty entry)\n");
  PrintResident(docs, results);
}

}  // namespace

int main() {
  VirtualDisplay display;
  if (display.Name().empty()) {
    std::fprintf(stderr, "bench_end_to_end: cannot start Xvfb (Debian package xvfb)\n");
    return 1;
  }
  if (Output({"xdotool", "version"}).empty()) {
    std::fprintf(stderr, "bench_end_to_end: xdotool is needed (Debian package xdotool)\n");
    return 1;
  }
  char root_template[] = "/tmp/inkwend-e2e-XXXXXX";
  if (!mkdtemp(root_template)) return 1;
  const fs::path root = root_template;

  std::vector<Document> docs = {{"empty", "empty.html", 0, {}, {}},
                                {"1 MB", "1mb.html", 1000000, {}, {}},
                                {"5 MB", "5mb.html", 5000000, {}, {}}};
  for (Document& doc : docs) {
    const std::vector<Paragraph> text = MakeText(doc.bytes);
    doc.rtf = Rtf(text);
    doc.html = Html(text);
    WriteFile(root / doc.file, doc.html);
  }
  std::printf("bench_end_to_end: %s, %d keys a run\n", display.Name().c_str(), kKeys);
  std::vector<Results> results(docs.size());
  int launch = 0, failures = 0;
  const char* rounds_wanted = std::getenv("INKWEND_E2E_ROUNDS");
  const int rounds = rounds_wanted && std::atoi(rounds_wanted) > 0 ? std::atoi(rounds_wanted) : kRounds;
  for (int round = 1; round <= rounds; ++round) {
    for (size_t d = 0; d < docs.size(); ++d) {
      // A typing run that gives no figure (a window that never showed on a busy machine) is
      // tried once more.
      const auto typing = [](const auto& command, Figures& f) {
        f.cpuPerKeyMs = CpuPerKeyMs(command(), f.resident);
        if (f.cpuPerKeyMs < 0) f.cpuPerKeyMs = CpuPerKeyMs(command(), f.resident);
      };
      Figures ours;
      ours.firstPaintMs = FirstPaintMs(DiaryCommand(root, docs[d], launch++));
      typing([&] { return DiaryCommand(root, docs[d], launch++); }, ours);
      const std::vector<std::string> peer_command = {E2E_PEER_BINARY, (root / docs[d].file).string()};
      Figures peer;
      peer.firstPaintMs = FirstPaintMs(peer_command);
      typing([&] { return peer_command; }, peer);
      std::printf(
          "round %d %-6s  inkwend %.1f ms, %.3f ms a key, %.1f/%.1f/%.1f MB;  QTextEdit %.1f ms, %.3f ms a "
          "key, "
          "%.1f/%.1f/%.1f MB\n",
          round, docs[d].name, ours.firstPaintMs, ours.cpuPerKeyMs, ours.resident.open, ours.resident.typed,
          ours.resident.atEnd, peer.firstPaintMs, peer.cpuPerKeyMs, peer.resident.open, peer.resident.typed,
          peer.resident.atEnd);
      std::fflush(stdout);
      for (const Figures& f : {ours, peer}) failures += f.firstPaintMs < 0 || f.cpuPerKeyMs < 0 ? 1 : 0;
      results[d].ourPaint.push_back(ours.firstPaintMs);
      results[d].peerPaint.push_back(peer.firstPaintMs);
      results[d].ourKey.push_back(ours.cpuPerKeyMs);
      results[d].peerKey.push_back(peer.cpuPerKeyMs);
      results[d].ourOpen.push_back(ours.resident.open);
      results[d].peerOpen.push_back(peer.resident.open);
      results[d].ourTyped.push_back(ours.resident.typed);
      results[d].peerTyped.push_back(peer.resident.typed);
      results[d].ourEnd.push_back(ours.resident.atEnd);
      results[d].peerEnd.push_back(peer.resident.atEnd);
    }
  }
  Print(docs, results);
  std::error_code ec;
  fs::remove_all(root, ec);
  if (failures > 0) {
    std::fprintf(stderr, "bench_end_to_end: %d runs gave no figure\n", failures);
    return 1;
  }
  return 0;
}
