// inkwend-tool search [--data-dir DIR] [--password P] TEXT
// Prints "YYYY-MM-DD<TAB>context" for every entry that holds TEXT, in date order, by the same
// rules as the diary's own search (any case, anywhere, "*" for one character). The password
// defaults to the one the diary keeps in KW.INI.
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "operations/search/diary_search.h"
#include "platform/program_directory.h"
#include "tools/command_registry.h"
#include "tools/diary_password.h"

namespace {

using namespace std::chrono;

constexpr char kUsage[] = "search [--data-dir DIR] [--password P] TEXT";

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

std::string IsoDate(inkwend::Date d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
  return text;
}

int RunSearch(const std::vector<std::string>& args) {
  std::string data_dir, text;
  std::optional<std::string> password;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--data-dir" && i + 1 < args.size()) {
      data_dir = args[++i];
    } else if (args[i] == "--password" && i + 1 < args.size()) {
      password = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 1 || positional[0].empty()) {
    std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
    return 2;
  }
  if (data_dir.empty()) data_dir = DefaultDataDir();
  inkwend::DiarySession session(data_dir, inkwend::RealFileSystem());
  const inkwend::Status settings = session.LoadPreferences(inkwend::WindowRect{});
  if (!settings.IsOk() && settings.Code() != inkwend::StatusCode::NotFound)
    std::fprintf(stderr, "inkwend-tool: %s\n", settings.Message().c_str());
  if (const inkwend::Status opened = inkwend::tool::OpenDiary(session, password); !opened.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", opened.Message().c_str());
    return 2;
  }

  inkwend::DiarySearch search(session, inkwend::FromUtf8(positional[0]));
  bool unreadable = false;
  search.onUnreadable = [&](inkwend::Date day, const inkwend::Status& why) {
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", IsoDate(day).c_str(), why.Message().c_str());
    unreadable = true;
  };
  int found = 0;
  search.FindAll(inkwend::Date{year(1), January, day(1)}, inkwend::Date{year(9999), December, day(31)},
                 [&](const inkwend::SearchHit& hit) {
                   std::printf("%s\t%s\n", IsoDate(hit.day).c_str(),
                               inkwend::ToUtf8(hit.where.context).c_str());
                   ++found;
                   return true;
                 });
  // As grep: 0 with matches, 1 without, 2 when an entry could not be searched.
  if (unreadable) return 2;
  return found ? 0 : 1;
}

const inkwend::tool::ToolCommand kSearch("search", kUsage, RunSearch);

}  // namespace
