// Merged printing of a year of typical entries (365, about 1.8 MB of RTF) into one PDF, beside
// its peer in the same run: LibreOffice converting the same entries, concatenated under their
// date headings into one RTF file, to PDF (soffice --headless --convert-to pdf). Without soffice
// the peer is skipped with a note.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/text_encoding.h"
#include "operations/print/diary_print.h"
#include "operations/search/tests/ten_year_diary.h"
#include "platform/diary_printing.h"

namespace {

using namespace std::chrono;

constexpr int kDays = 365;

// The year's entries as the diary keeps them, and the same entries as one RTF for the peer.
struct OneYear {
  std::string root;
  std::string program;
  std::string concatenated;
  OneYear() {
    char pattern[] = "/tmp/inkwend-bench-print-XXXXXX";
    root = ::mkdtemp(pattern);
    program = root + "/diary/";
    std::filesystem::create_directories(program + "Entries");
    inkwend::EntryStore store(program);
    std::string header, body;
    for (int i = 0; i < kDays; ++i) {
      const inkwend::Date day{sys_days(inkwend::testing::kTenYearFirstDay) + days(i)};
      const std::string rtf = inkwend::testing::TenYearEntry(i);
      std::ofstream(store.EntryPath(day), std::ios::binary) << rtf;
      // Every entry starts with the same header; its text runs from \viewkind4 to the last brace.
      const size_t text = rtf.find("\\viewkind4");
      if (header.empty()) header = rtf.substr(0, text);
      body += "\\pard\\f0\\fs20{\\b\\i\\ul " + inkwend::ToUtf8(inkwend::EnglishLongDate(day)) + "}\\par " +
              rtf.substr(text, rtf.rfind('}') - text);
    }
    concatenated = root + "/year.rtf";
    std::ofstream(concatenated, std::ios::binary) << header << body << "}\r\n";
  }
  ~OneYear() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

OneYear& Year() {
  static OneYear year;
  return year;
}

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_print";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  return app;
}

void BM_PrintYearMergedToPdf(benchmark::State& state) {
  App();
  inkwend::DiarySession session(Year().program, inkwend::RealFileSystem());
  const std::string out = Year().root + "/ours.pdf";
  inkwend::PrintSummary summary;
  inkwend::DiaryPrintRun run;
  run.summary = &summary;
  run.paper = QPageSize(QPageSize::Letter);
  const inkwend::Date from = inkwend::testing::kTenYearFirstDay;
  const inkwend::Date to{sys_days(from) + days(kDays - 1)};
  for (auto _ : state) {
    if (!inkwend::PrintRangeToPdf(session, from, to, inkwend::PrintMode::Merged, out, run).IsOk()) {
      state.SkipWithError("printing failed");
      return;
    }
  }
  state.counters["entries"] = summary.printed;
  state.counters["sheets"] = summary.sheets;
}
BENCHMARK(BM_PrintYearMergedToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

double ChildrenCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The peer, started as a user would from a shell, with a profile of its own made before timing
// (the first start of LibreOffice sets up its profile, which is not conversion work).
void BM_LibreOfficePeerYearToPdf(benchmark::State& state) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0) {
    state.SkipWithError(
        "soffice is missing (install libreoffice-writer-nogui): LibreOffice's side is not measured");
    return;
  }
  const std::string profile = "file://" + Year().root + "/lo-profile";
  const std::string command = "soffice -env:UserInstallation=" + profile +
                              " --headless --convert-to pdf --outdir " + Year().root + "/lo " +
                              Year().concatenated + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    state.SkipWithError("soffice could not convert the file");
    return;
  }
  const double before = ChildrenCpuMs();
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  state.counters["cpu_ms"] = (ChildrenCpuMs() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LibreOfficePeerYearToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
