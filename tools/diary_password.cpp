#include "tools/diary_password.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "store/ini_file.h"
#include "store/key_wrap.h"

namespace inkwend::tool {

Result<std::string> AskPasswordOnTerminal(const char* prompt) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty)
    return Status::Error(StatusCode::Refused, "The diary needs its password: give it with --password.");
  const int fd = fileno(tty);
  termios before{};
  const bool is_terminal = tcgetattr(fd, &before) == 0;
  if (is_terminal) {
    termios quiet = before;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt, tty);
  std::fflush(tty);
  std::string typed;
  for (int c = std::fgetc(tty); c != EOF && c != '\n'; c = std::fgetc(tty)) typed += static_cast<char>(c);
  if (is_terminal) tcsetattr(fd, TCSAFLUSH, &before);
  std::fputc('\n', tty);
  std::fclose(tty);
  return typed;
}

Status OpenDiary(DiarySession& session, const std::optional<std::string>& password) {
  IniFile ini;
  (void)IniFile::Load(session.SettingsPath(), ini, session.Files());
  const std::string sealed = ReadWrappedKey(ini);
  if (sealed.empty()) {
    if (password) session.SetPassword(*password);
    return Status::Ok();
  }
  Result<std::string> typed = password ? Result<std::string>(*password) : AskPasswordOnTerminal("Password: ");
  if (!typed.IsOk()) return typed.GetStatus();
  Result<std::unique_ptr<DiaryKey>> key = UnwrapDiaryKey(sealed, typed.Value());
  if (!key.IsOk()) return key.GetStatus();
  session.SetDiaryKey(key.TakeValue());
  return Status::Ok();
}

}  // namespace inkwend::tool
