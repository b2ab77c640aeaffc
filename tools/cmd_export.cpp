// inkwend-tool export --data-dir DIR [--password P] [--from DATE] [--to DATE] --format rtf|txt|md|pdf --out
// DIR writes the entries from DATE to DATE (YYYY-MM-DD or YYYYMMDD; the earliest and the latest entry when
// left out) into the folder DIR as the diary's export does: YYYYMMDD.RTF, .txt or .md, or one PDF of the
// range's merged pages. The password defaults to the one the diary keeps in KW.INI; the folder is created
// when missing.
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/export/diary_export.h"
#include "platform/diary_printing.h"
#include "tools/command_registry.h"
#include "tools/diary_password.h"
#include "tools/gui_application.h"

namespace {

using namespace std::chrono;
using inkwend::Date;

constexpr char kUsage[] =
    "export --data-dir DIR [--password P] [--from DATE] [--to DATE] --format rtf|txt|md|pdf --out DIR";

int Usage() {
  std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
  return 2;
}

// "2024-03-05" or "20240305".
std::optional<Date> ParseDay(std::string text) {
  if (text.size() == 10 && text[4] == '-' && text[7] == '-')
    text = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
  const Date none{year(0), month(0), day(0)};
  const Date d = inkwend::STOD(text, none);
  if (d == none) return std::nullopt;
  return d;
}

// The options given as "--name value"; false when one is unknown or has no value.
bool ReadOptions(const std::vector<std::string>& args, std::map<std::string, std::string>& options) {
  for (size_t i = 0; i < args.size(); i += 2) {
    static const char* const kKnown[] = {"--data-dir", "--password", "--from", "--to", "--format", "--out"};
    bool known = false;
    for (const char* k : kKnown) known = known || args[i] == k;
    if (!known || i + 1 >= args.size()) return false;
    options[args[i]] = args[i + 1];
  }
  return options.count("--data-dir") && options.count("--format") && options.count("--out");
}

// The range as one PDF of merged pages, through the printing code. Fonts and PDF output need a
// GUI application object, not a display.
int ExportPdf(const inkwend::DiarySession& session, Date from, Date to, std::string folder) {
  const auto app = inkwend::tool::MakeGuiApplication();
  if (folder.empty() || folder.back() != '/') folder += '/';
  const std::string path = folder + inkwend::RangePdfFileName(from, to);
  inkwend::PrintSummary summary;
  inkwend::DiaryPrintRun run;
  run.summary = &summary;
  const inkwend::Status done =
      inkwend::PrintRangeToPdf(session, from, to, inkwend::PrintMode::Merged, path, run);
  for (const inkwend::EntryTrouble& t : summary.unreadable)
    std::fprintf(stderr, "inkwend-tool: %s not exported: %s\n", inkwend::DateKey(t.day).c_str(),
                 t.why.Message().c_str());
  if (!done.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", done.Message().c_str());
    return 1;
  }
  if (summary.printed == 0) {
    std::printf("0 file(s) written: no entry to print from %s to %s\n", inkwend::DateKey(from).c_str(),
                inkwend::DateKey(to).c_str());
    return summary.unreadable.empty() ? 0 : 1;
  }
  std::printf("1 file(s) written to %s (%d entries, %d sheets)\n", folder.c_str(), summary.printed,
              summary.sheets);
  return summary.unreadable.empty() ? 0 : 1;
}

int RunExport(const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  inkwend::ExportFormat format = inkwend::ExportFormat::Rtf;
  if (!ReadOptions(args, options) || !inkwend::FormatFromName(options["--format"], &format)) return Usage();
  inkwend::DiarySession session(options["--data-dir"], inkwend::RealFileSystem());
  const inkwend::Status settings = session.LoadPreferences(inkwend::WindowRect{});
  if (!settings.IsOk() && settings.Code() != inkwend::StatusCode::NotFound)
    std::fprintf(stderr, "inkwend-tool: %s\n", settings.Message().c_str());
  const std::optional<std::string> password =
      options.count("--password") ? std::optional<std::string>(options["--password"]) : std::nullopt;
  if (const inkwend::Status opened = inkwend::tool::OpenDiary(session, password); !opened.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", opened.Message().c_str());
    return 1;
  }

  const Date today{floor<days>(system_clock::now())};
  std::optional<Date> from = session.Store().FirstDiaryRecord(today),
                      to = session.Store().LastDiaryRecord(today);
  if (options.count("--from")) from = ParseDay(options["--from"]);
  if (options.count("--to")) to = ParseDay(options["--to"]);
  if (!from || !to) {
    std::fprintf(stderr, "inkwend-tool: a date is not of the form YYYY-MM-DD\n");
    return 2;
  }
  const inkwend::Status folder = inkwend::RealFileSystem().CreateDirectory(options["--out"]);
  if (!folder.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", folder.Message().c_str());
    return 1;
  }
  if (format == inkwend::ExportFormat::Pdf) return ExportPdf(session, *from, *to, options["--out"]);
  inkwend::DiaryExport out(session, options["--out"]);
  const inkwend::Status done = out.Run(*from, *to, format);
  if (!done.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", done.Message().c_str());
    return 1;
  }
  std::printf("%d file(s) written to %s\n", out.FilesWritten(), out.TargetDirectory().c_str());
  return 0;
}

const inkwend::tool::ToolCommand kExport("export", kUsage, RunExport);

}  // namespace
