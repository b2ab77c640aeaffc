// inkwend-tool spell check|suggest|add [--dict FILE] [--user FILE] [WORD...]
// Words come from the arguments, or from standard input (split at white space) when none are
// given. Text in and out is UTF-8; the engine works in Windows-1252.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "spell/engine/lexiv_spell.h"
#include "spell/engine/windows1252.h"
#include "tools/command_registry.h"

namespace {

namespace fs = std::filesystem;

// The shipped inkwend.dct: beside the program when installed, in app/ of a build tree.
std::string ShippedDictionary() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    for (const fs::path& candidate :
         {exe.parent_path() / "inkwend.dct", exe.parent_path().parent_path() / "app" / "inkwend.dct"})
      if (fs::exists(candidate, ec)) return candidate.string();
  }
  return "inkwend.dct";
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: inkwend-tool spell check|suggest|add [--dict FILE] [--user FILE] [--max N] [WORD...]\n");
  return 2;
}

int RunSpell(const std::vector<std::string>& args) {
  std::string mode, dict, user;
  int max = 10;
  std::vector<std::string> words;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dict" && i + 1 < args.size()) {
      dict = args[++i];
    } else if (args[i] == "--user" && i + 1 < args.size()) {
      user = args[++i];
    } else if (args[i] == "--max" && i + 1 < args.size()) {
      max = std::atoi(args[++i].c_str());
    } else if (mode.empty()) {
      mode = args[i];
    } else {
      words.push_back(args[i]);
    }
  }
  if (mode != "check" && mode != "suggest" && mode != "add") return Usage();
  if (mode == "add" && user.empty()) {
    std::fprintf(stderr, "inkwend-tool: spell add needs --user FILE\n");
    return 2;
  }
  if (words.empty()) {
    std::string word;
    while (std::cin >> word) words.push_back(word);
  }

  inkwend::TLexivSpell spell;
  spell.SetMaxSuggestions(static_cast<uint8_t>(std::clamp(max, 0, 255)));
  if (dict.empty()) dict = ShippedDictionary();
  const inkwend::Status opened = spell.OpenDictionary(dict);
  if (opened.Code() == inkwend::StatusCode::Damaged) {
    // What could be read of a damaged dictionary is open; say what is missing and go on.
    std::fprintf(stderr, "inkwend-tool: %s\n", opened.Message().c_str());
  } else if (!opened.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: cannot open the main dictionary %s\n", dict.c_str());
    return 1;
  }
  int16_t number = -1;
  if (!user.empty()) {
    std::vector<std::string> none;
    inkwend::Result<int16_t> user_number = inkwend::Status::Error(inkwend::StatusCode::NotFound, "");
    if (access(user.c_str(), F_OK) == 0)
      user_number = spell.OpenUserDictionary(user);
    else if (mode == "add")
      user_number = spell.CreateUserDictionary(user, none);
    if (!user_number.IsOk()) {
      std::fprintf(stderr, "inkwend-tool: cannot open the user dictionary %s\n", user.c_str());
      return 1;
    }
    number = user_number.Value();
  }

  int exit_code = 0;
  for (const std::string& utf8 : words) {
    const std::string word = inkwend::spell::Utf8ToWindows1252(utf8);
    if (mode == "check") {
      std::printf("%s\t%s\n", utf8.c_str(), spell.CheckWord(word) ? "ok" : "wrong");
    } else if (mode == "suggest") {
      std::string line = utf8;
      for (const std::string& s : spell.Suggest(word)) line += "\t" + inkwend::spell::Windows1252ToUtf8(s);
      std::printf("%s\n", line.c_str());
    } else {
      const inkwend::Status added = spell.AddWord(word, number);
      if (!added.IsOk()) {
        std::fflush(stdout);
        std::fprintf(stderr, "inkwend-tool: %s: %s\n", utf8.c_str(), added.Message().c_str());
        exit_code = 1;
      }
      std::printf("%s\t%s\n", utf8.c_str(), added.IsOk() ? "added" : "refused");
    }
  }
  return exit_code;
}

const inkwend::tool::ToolCommand kSpell(
    "spell", "spell check|suggest|add [--dict FILE] [--user FILE] [--max N] [WORD...]", RunSpell);

}  // namespace
