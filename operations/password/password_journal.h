#pragma once
// The journal of a password change: one small file in the program directory, written
// atomically, that says how far a run got, so that the next start can finish or undo a run a
// crash, a kill or a power cut interrupted.
//
//   Inkwend password change
//   state=staged          (re-enciphered copies are being written: undo)
//   state=switching       (every copy is written and verified: finish)
//   password=C2C9C4       (the new password as KW.INI stores it, in hex; empty for none)
//   strongkey=argon2id:...  (only when the run turns strong encryption on: the sealed diary key)
#include <string>

#include "base/file_system.h"
#include "base/status.h"

namespace inkwend {

struct PasswordJournal {
  enum class State { Staged, Switching };
  State state = State::Staged;
  std::string storedPassword;  // scrambled, as in KW.INI; empty when the new password is none
  std::string strongKey;       // the sealed diary key (store/key_wrap.h); empty for none

  std::string Bytes() const;
  // Damaged for bytes that are no journal of ours.
  static Result<PasswordJournal> Parse(const std::string& bytes);
};

}  // namespace inkwend
