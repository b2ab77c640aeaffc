// inkwend-tool print onto a real CUPS queue: a cups-pdf queue, whose PDF files are read back
// with pdfinfo. Starts the scheduler where it is installed but not running; skips, saying why,
// where it cannot run or cups-pdf is not installed.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "base/tests/temp_dir.h"
#include "shell.h"

namespace {

namespace fs = std::filesystem;

using inkwend::testing::Shell;
using inkwend::testing::TempDir;

constexpr char kPpd[] = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
constexpr char kOwnQueue[] = "inkwend-test-pdf";
constexpr char kCupsd[] = "/usr/sbin/cupsd";
constexpr char kCupsdPid[] = "/run/cups/cupsd.pid";

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}\\f0\\fs24 " + body + "}";
}

// Where cups-pdf puts the files of this user's jobs (its "Out" setting, ${HOME} being the home
// the system knows for the user, not $HOME).
fs::path CupsPdfOutput() {
  std::string out = "${HOME}/PDF";
  std::ifstream conf("/etc/cups/cups-pdf.conf");
  for (std::string line; std::getline(conf, line);) {
    if (line.rfind("Out ", 0) == 0) out = line.substr(4);
  }
  const passwd* pw = getpwuid(getuid());
  const std::string home = pw ? pw->pw_dir : "/root";
  const size_t at = out.find("${HOME}");
  if (at != std::string::npos) out.replace(at, 7, home);
  return out;
}

std::set<fs::path> PdfsIn(const fs::path& dir) {
  std::set<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (e.path().extension() == ".pdf") found.insert(e.path());
  }
  return found;
}

bool SchedulerRunning() { return Shell("lpstat -r").out.find("is running") != std::string::npos; }

class PrintCups : public ::testing::Test {
 protected:
  // A machine with CUPS installed but not started (a build container) gets a scheduler for the
  // test, started by root, stopped afterwards; a running one is left as it is.
  static void SetUpTestSuite() {
    if (SchedulerRunning() || geteuid() != 0 || !fs::exists(kCupsd)) return;
    if (Shell(std::string(kCupsd)).code != 0) return;
    for (int tries = 0; tries < 50 && !SchedulerRunning(); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::ifstream pid_file(kCupsdPid);
    pid_file >> startedCupsd_;
  }
  static void TearDownTestSuite() {
    if (startedCupsd_ > 0) kill(startedCupsd_, SIGTERM);
    startedCupsd_ = 0;
  }
  void SetUp() override {
    if (!SchedulerRunning()) GTEST_SKIP() << "the CUPS scheduler is not running and cannot be started here";
    std::smatch m;
    const std::string queues = Shell("lpstat -v").out;
    if (std::regex_search(queues, m, std::regex("device for ([^:]+): cups-pdf:"))) {
      queue_ = m[1];
    } else if (fs::exists(kPpd) &&
               Shell(std::string("lpadmin -p ") + kOwnQueue + " -v cups-pdf:/ -P " + kPpd + " -E").code ==
                   0) {
      queue_ = kOwnQueue;
      ownQueue_ = true;
    } else {
      GTEST_SKIP() << "no cups-pdf queue, and none can be added (install printer-driver-cups-pdf)";
    }
    fs::create_directories(dir_ / "Entries");
    std::ofstream(dir_ / "Entries/20230101.KWE") << Rtf("New year.\\par");
    std::string lines;
    for (int i = 1; i <= 80; ++i) lines += "Line " + std::to_string(i) + "\\par ";
    std::ofstream(dir_ / "Entries/20230103.KWE") << Rtf(lines);
    std::ofstream(dir_ / "Entries/20230104.KWE") << Rtf("The fourth.\\par");
    before_ = PdfsIn(CupsPdfOutput());
  }
  void TearDown() override {
    for (const fs::path& p : written_) fs::remove(p);
    if (ownQueue_) Shell(std::string("lpadmin -x ") + kOwnQueue);
  }
  int Print(const std::string& mode) {
    return Shell(std::string(INKWEND_TOOL) + " print --data-dir " + dir_.path() +
                 " --from 2023-01-01 --to 2023-01-31 --paper letter " + mode + " --printer " + queue_)
        .code;
  }
  // The files the queue wrote since SetUp, once `count` are there and the queue is idle.
  std::set<fs::path> Written(size_t count) {
    for (int tries = 0; tries < 600; ++tries) {
      std::set<fs::path> now = PdfsIn(CupsPdfOutput());
      written_.clear();
      for (const fs::path& p : now) {
        if (!before_.count(p)) written_.insert(p);
      }
      if (written_.size() >= count && Shell("lpstat -o " + queue_).out.empty()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return written_;
  }
  static int Pages(const fs::path& pdf) {
    const std::string out = Shell("pdfinfo " + pdf.string()).out;
    const size_t at = out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
  }

  static inline pid_t startedCupsd_ = 0;
  TempDir dir_;
  std::string queue_;
  bool ownQueue_ = false;
  std::set<fs::path> before_, written_;
};

TEST_F(PrintCups, MergedIsOneJobAndSeparateOneJobPerEntry) {
  ASSERT_EQ(Print("--merged"), 0);
  std::set<fs::path> merged = Written(1);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(Pages(*merged.begin()), 2);
  for (const fs::path& p : merged) before_.insert(p);

  ASSERT_EQ(Print("--separate"), 0);
  const std::set<fs::path> separate = Written(3);
  ASSERT_EQ(separate.size(), 3u);
  int pages = 0;
  for (const fs::path& p : separate) pages += Pages(p);
  EXPECT_EQ(pages, 4);  // the long entry takes two sheets
  for (const fs::path& p : merged) written_.insert(p);
}

}  // namespace
