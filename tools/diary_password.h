#pragma once
// How the commands that read a diary (search, export, print) come by its password: --password
// when given; for a strongly encrypted diary without it, asked on the terminal without echo.
#include <optional>
#include <string>

#include "base/status.h"
#include "store/diary_session.h"

namespace inkwend::tool {

// The password typed on the terminal after `prompt`, without echo; Refused when there is no
// terminal to ask on.
Result<std::string> AskPasswordOnTerminal(const char* prompt);

// After session.LoadPreferences: a classic diary takes `password` in place of the one KW.INI
// keeps (when given); a strongly encrypted one opens its key with it (asked when absent). Refused
// for a wrong password, which says nothing more.
Status OpenDiary(DiarySession& session, const std::optional<std::string>& password);

}  // namespace inkwend::tool
