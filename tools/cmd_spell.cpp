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

struct SpellOptions {
  std::string mode, dict, user;
  int max = 10;
  std::vector<std::string> words;
};

SpellOptions ParseSpellArgs(const std::vector<std::string>& args) {
  SpellOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dict" && i + 1 < args.size()) {
      options.dict = args[++i];
    } else if (args[i] == "--user" && i + 1 < args.size()) {
      options.user = args[++i];
    } else if (args[i] == "--max" && i + 1 < args.size()) {
      options.max = std::atoi(args[++i].c_str());
    } else if (options.mode.empty()) {
      options.mode = args[i];
    } else {
      options.words.push_back(args[i]);
    }
  }
  return options;
}

// Opens the main dictionary (a damaged one is used as far as it reads) and the user dictionary,
// creating the latter only for "add". False after the message when either cannot be used.
bool OpenDictionaries(inkwend::LexivSpell& spell, SpellOptions& options, int16_t& number) {
  if (options.dict.empty()) options.dict = ShippedDictionary();
  const inkwend::Status opened = spell.OpenDictionary(options.dict);
  if (opened.Code() == inkwend::StatusCode::Damaged) {
    // What could be read of a damaged dictionary is open; say what is missing and go on.
    std::fprintf(stderr, "inkwend-tool: %s\n", opened.Message().c_str());
  } else if (!opened.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: cannot open the main dictionary %s: %s\n", options.dict.c_str(),
                 opened.Message().c_str());
    return false;
  }
  number = -1;
  if (options.user.empty()) return true;
  std::vector<std::string> none;
  inkwend::Result<int16_t> user_number = inkwend::Status::Error(inkwend::StatusCode::NotFound, "");
  if (access(options.user.c_str(), F_OK) == 0)
    user_number = spell.OpenUserDictionary(options.user);
  else if (options.mode == "add")
    user_number = spell.CreateUserDictionary(options.user, none);
  if (!user_number.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: cannot open the user dictionary %s: %s\n", options.user.c_str(),
                 user_number.GetStatus().Message().empty() ? "it does not exist"
                                                           : user_number.GetStatus().Message().c_str());
    return false;
  }
  number = user_number.Value();
  return true;
}

// Handles one word in the chosen mode; false when an "add" was refused.
bool SpellWord(inkwend::LexivSpell& spell, const std::string& mode, const std::string& utf8, int16_t number) {
  const std::string word = inkwend::spell::Utf8ToWindows1252(utf8);
  if (mode == "check") {
    std::printf("%s\t%s\n", utf8.c_str(), spell.CheckWord(word) ? "ok" : "wrong");
    return true;
  }
  if (mode == "suggest") {
    std::string line = utf8;
    for (const std::string& s : spell.Suggest(word)) line += "\t" + inkwend::spell::Windows1252ToUtf8(s);
    std::printf("%s\n", line.c_str());
    return true;
  }
  const inkwend::Status added = spell.AddWord(word, number);
  if (!added.IsOk()) {
    std::fflush(stdout);
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", utf8.c_str(), added.Message().c_str());
  }
  std::printf("%s\t%s\n", utf8.c_str(), added.IsOk() ? "added" : "refused");
  return added.IsOk();
}

int RunSpell(const std::vector<std::string>& args) {
  SpellOptions options = ParseSpellArgs(args);
  const std::string& mode = options.mode;
  if (mode != "check" && mode != "suggest" && mode != "add") return Usage();
  if (mode == "add" && options.user.empty()) {
    std::fprintf(stderr, "inkwend-tool: spell add needs --user FILE\n");
    return 2;
  }
  if (options.words.empty()) {
    std::string word;
    while (std::cin >> word) options.words.push_back(word);
  }

  inkwend::LexivSpell spell;
  spell.SetMaxSuggestions(static_cast<uint8_t>(std::clamp(options.max, 0, 255)));
  int16_t number = -1;
  if (!OpenDictionaries(spell, options, number)) return 1;

  int exit_code = 0;
  for (const std::string& utf8 : options.words)
    if (!SpellWord(spell, mode, utf8, number)) exit_code = 1;
  return exit_code;
}

const inkwend::tool::ToolCommand kSpell(
    "spell", "spell check|suggest|add [--dict FILE] [--user FILE] [--max N] [WORD...]", RunSpell);

}  // namespace
