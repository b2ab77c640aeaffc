// inkwend-tool password --data-dir DIR --old OLD --new NEW [--strong] [--progress]
// Changes the diary password as "Select or Change Password" does, with the same checks and
// messages, for scripts. An empty --old or --new stands for no password. --strong turns strong
// encryption on (or gives a strongly encrypted diary a new password); without it a strongly
// encrypted diary goes back to classic protection, or to none with an empty --new. A run an
// earlier kill interrupted is finished or undone first, and said so.
#include <QLockFile>
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/text_encoding.h"
#include "operations/password/password_change.h"
#include "operations/password/password_rules.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"
#include "store/preferences.h"
#include "tools/command_registry.h"

namespace {

struct PasswordArgs {
  std::string dataDir, oldPassword, newPassword;
  bool progress = false;
  bool strong = false;
};

bool ParseArgs(const std::vector<std::string>& args, PasswordArgs& out) {
  bool has_dir = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--data-dir" && has_value) {
      out.dataDir = args[++i];
      has_dir = true;
    } else if (args[i] == "--old" && has_value) {
      out.oldPassword = args[++i];
    } else if (args[i] == "--new" && has_value) {
      out.newPassword = args[++i];
    } else if (args[i] == "--progress") {
      out.progress = true;
    } else if (args[i] == "--strong") {
      out.strong = true;
    } else {
      return false;
    }
  }
  return has_dir && !out.dataDir.empty();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "inkwend-tool: %s\n", message.c_str());
  return 1;
}

void PrintProgress(const inkwend::PasswordRunProgress& p) {
  using Phase = inkwend::PasswordRunProgress::Phase;
  if (p.phase == Phase::Done) {
    std::printf("done %d\n", p.total);
  } else {
    std::printf("%s %d/%d\n", p.phase == Phase::Staging ? "staged" : "switched", p.done, p.total);
  }
  // A script (or a test that stops the run at a chosen step) reads each line as it comes.
  std::fflush(stdout);
}

// The old password against the diary's protection: a strongly encrypted diary's key must open
// with it (it is kept in `wanted` for the run); a classic one's must equal the stored password.
inkwend::Status CheckOld(const inkwend::IniFile& ini, inkwend::ProtectionChange& wanted) {
  const std::string sealed = inkwend::ReadWrappedKey(ini);
  if (sealed.empty()) {
    const std::string current = inkwend::ReadStoredPassword(ini);
    const inkwend::Status s = inkwend::CheckOldPassword(wanted.oldPassword, current);
    if (s.IsOk()) wanted.oldPassword = current;
    return s;
  }
  if (wanted.oldPassword.empty())
    return inkwend::Status::Error(inkwend::StatusCode::Refused, inkwend::kPreviousPasswordRequired);
  inkwend::Result<std::unique_ptr<inkwend::DiaryKey>> key =
      inkwend::UnwrapDiaryKey(sealed, wanted.oldPassword);
  if (key.GetStatus().Code() == inkwend::StatusCode::Refused)
    return inkwend::Status::Error(inkwend::StatusCode::Refused, inkwend::kPreviousPasswordIncorrect);
  if (!key.IsOk()) return key.GetStatus();
  wanted.oldKey = key.TakeValue();
  return inkwend::Status::Ok();
}

int RunPassword(const std::vector<std::string>& args) {
  PasswordArgs a;
  if (!ParseArgs(args, a)) {
    std::fprintf(stderr,
                 "usage: inkwend-tool password --data-dir DIR --old OLD --new NEW [--strong] [--progress]\n");
    return 2;
  }
  inkwend::FileSystem& fs = inkwend::RealFileSystem();
  if (!fs.DirectoryExists(a.dataDir)) return Fail("There is no diary folder \"" + a.dataDir + "\".");
  if (a.dataDir.back() != '/') a.dataDir += '/';
  // The diary's own lock: a running Inkwend would go on writing entries under the old password.
  QLockFile lock(QString::fromStdString(a.dataDir + "inkwend.lock"));
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError)
    return Fail("Inkwend! is already running");

  inkwend::PasswordChange change(a.dataDir, fs);
  const inkwend::Result<inkwend::InterruptedPasswordChange> earlier = change.FinishInterrupted();
  if (!earlier.IsOk()) return Fail(earlier.GetStatus().Message());
  if (const std::string said = inkwend::InterruptedRunMessage(earlier.Value()); !said.empty())
    std::printf("%s\n", said.c_str());

  inkwend::IniFile ini;
  if (inkwend::Status s = inkwend::IniFile::Load(a.dataDir + "KW.INI", ini, fs); !s.IsOk())
    return Fail(s.Message());
  inkwend::ProtectionChange wanted;
  wanted.oldPassword = a.oldPassword;
  wanted.newPassword = a.newPassword;
  wanted.strong = a.strong;
  if (inkwend::Status s = CheckOld(ini, wanted); !s.IsOk()) return Fail(s.Message());
  // Every valid classic character is ASCII, so a byte beyond it is refused as the character it starts.
  const std::u32string typed(a.newPassword.begin(), a.newPassword.end());
  const inkwend::Status checked = a.strong ? inkwend::CheckStrongPassword(inkwend::FromUtf8(a.newPassword))
                                           : inkwend::CheckNewPassword(typed);
  if (!checked.IsOk()) return Fail(checked.Message());

  if (a.progress) change.onProgress = PrintProgress;
  if (inkwend::Status s = change.ChangeProtection(wanted); !s.IsOk()) return Fail(s.Message());
  if (a.strong)
    std::printf("%s\n", inkwend::kStrongEncryptionDone);
  else if (wanted.oldKey || wanted.oldPassword != a.newPassword)
    std::printf("%s\n", inkwend::PasswordChangedMessage(a.newPassword).c_str());
  return 0;
}

const inkwend::tool::ToolCommand kPassword(
    "password", "password --data-dir DIR --old OLD --new NEW [--strong] [--progress]", RunPassword);

}  // namespace
