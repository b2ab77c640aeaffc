// inkwend-tool print [--data-dir DIR] [--password P] --from YYYY-MM-DD --to YYYY-MM-DD
//                    (--separate | --merged) (--pdf OUT.pdf | --printer NAME) [--paper letter|a4]
// Prints the entries of a range as the diary's Print does: into one PDF (merged), into one PDF
// per entry named OUT-YYYYMMDD.pdf (separate), or onto a printer queue. Needs no display.
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/diary_printing.h"
#include "platform/program_directory.h"
#include "tools/command_registry.h"
#include "tools/diary_password.h"
#include "tools/gui_application.h"

namespace {

using inkwend::Date;

constexpr char kUsage[] =
    "print [--data-dir DIR] [--password P] --from YYYY-MM-DD --to YYYY-MM-DD (--separate | --merged) "
    "(--pdf OUT.pdf | --printer NAME) [--paper letter|a4]";

struct PrintArgs {
  std::string dataDir, pdf, printer;
  std::optional<std::string> password;
  std::optional<Date> from, to;
  std::optional<inkwend::PrintMode> mode;
  std::optional<QPageSize> paper;
};

std::string DefaultDataDir() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  return inkwend::DefaultProgramDirectory(QString::fromStdString(exe.parent_path().string()),
                                          QString::fromUtf8(xdg ? xdg : ""),
                                          QString::fromUtf8(home ? home : ""))
      .toStdString();
}

std::optional<Date> ParseIsoDate(const std::string& text) {
  int y = 0;
  unsigned m = 0, d = 0;
  char tail = 0;
  if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &tail) != 3)
    return std::nullopt;
  const Date day{std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)};
  if (!day.ok() || y < 1) return std::nullopt;
  return day;
}

std::optional<QPageSize> ParsePaper(const std::string& name) {
  if (name == "letter") return QPageSize(QPageSize::Letter);
  if (name == "a4") return QPageSize(QPageSize::A4);
  return std::nullopt;
}

// Reads one option with its value; false on a bad value.
bool TakeOption(const std::string& name, const std::string& value, PrintArgs& a) {
  if (name == "--data-dir")
    a.dataDir = value;
  else if (name == "--password")
    a.password = value;
  else if (name == "--pdf")
    a.pdf = value;
  else if (name == "--printer")
    a.printer = value;
  else if (name == "--from")
    return (a.from = ParseIsoDate(value)).has_value();
  else if (name == "--to")
    return (a.to = ParseIsoDate(value)).has_value();
  else if (name == "--paper")
    return (a.paper = ParsePaper(value)).has_value();
  else
    return false;
  return true;
}

std::optional<PrintArgs> ParseArgs(const std::vector<std::string>& args) {
  PrintArgs a;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--separate" || args[i] == "--merged") {
      if (a.mode) return std::nullopt;
      a.mode = args[i] == "--merged" ? inkwend::PrintMode::Merged : inkwend::PrintMode::Separate;
    } else if (i + 1 >= args.size() || !TakeOption(args[i], args[i + 1], a)) {
      return std::nullopt;
    } else {
      ++i;
    }
  }
  if (!a.from || !a.to || !a.mode || a.pdf.empty() == a.printer.empty()) return std::nullopt;
  return a;
}

std::string IsoDate(Date d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
  return text;
}

int Report(const inkwend::Status& done, const inkwend::PrintSummary& summary) {
  if (!done.IsOk()) {
    if (summary.failedDay)
      std::fprintf(stderr, "inkwend-tool: %s: %s\n", IsoDate(*summary.failedDay).c_str(),
                   done.Message().c_str());
    else
      std::fprintf(stderr, "inkwend-tool: %s\n", done.Message().c_str());
    return 1;
  }
  std::printf("%d printed, %d empty, %d unreadable, %d %s\n", summary.printed, summary.empty,
              static_cast<int>(summary.unreadable.size()), summary.sheets,
              summary.sheets == 1 ? "sheet" : "sheets");
  return summary.unreadable.empty() ? 0 : 1;
}

int RunPrint(const std::vector<std::string>& args) {
  const std::optional<PrintArgs> a = ParseArgs(args);
  if (!a) {
    std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
    return 2;
  }
  // Fonts and PDF output need a GUI application object, not a display.
  const auto app = inkwend::tool::MakeGuiApplication();
  inkwend::DiarySession session(a->dataDir.empty() ? DefaultDataDir() : a->dataDir,
                                inkwend::RealFileSystem());
  const inkwend::Status settings = session.LoadPreferences(inkwend::WindowRect{});
  if (!settings.IsOk() && settings.Code() != inkwend::StatusCode::NotFound)
    std::fprintf(stderr, "inkwend-tool: %s\n", settings.Message().c_str());
  if (const inkwend::Status opened = inkwend::tool::OpenDiary(session, a->password); !opened.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", opened.Message().c_str());
    return 1;
  }

  inkwend::PrintSummary summary;
  inkwend::DiaryPrintRun run;
  run.summary = &summary;
  run.paper = a->paper;
  run.onUnreadable = [](Date day, const inkwend::Status& why) {
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", IsoDate(day).c_str(), why.Message().c_str());
  };
  inkwend::Status done;
  if (!a->pdf.empty()) {
    done = inkwend::PrintRangeToPdf(session, *a->from, *a->to, *a->mode, a->pdf, run);
  } else {
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(a->printer));
    if (info.isNull()) {
      std::fprintf(stderr, "inkwend-tool: no printer named %s\n", a->printer.c_str());
      return 1;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    if (a->paper) printer.setPageSize(*a->paper);
    done = inkwend::PrintRangeToPrinter(session, *a->from, *a->to, *a->mode, printer, run);
  }
  return Report(done, summary);
}

const inkwend::tool::ToolCommand kPrint("print", kUsage, RunPrint);

}  // namespace
