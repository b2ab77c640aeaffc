#pragma once
// What a diary password may be, how the old one is checked before a change, and the texts the
// user reads about it. Shared by the password dialog and `inkwend-tool password`, so that both
// refuse and answer alike.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/status.h"

namespace inkwend {

inline constexpr size_t kMaxPasswordLength = 8;

inline constexpr char kPreviousPasswordRequired[] = "Previous password is required";
inline constexpr char kPreviousPasswordIncorrect[] = "Previous password is incorrect";
inline constexpr char kInvalidPasswordCharacters[] = "Valid password characters are A-Z, 0-9 and spaces";
inline constexpr char kPasswordTooLong[] = "A password has at most 8 characters";
inline constexpr char kPasswordCleared[] = "Password cleared. No password now required.";
inline constexpr char kWriteDownNewPassword[] = "Be sure to write down your new password: ";
// What the password protects against, in one sentence for the dialog.
inline constexpr char kPasswordProtectionNote[] =
    "This password keeps out a casual reader, not someone who has the diary folder and a little "
    "effort: the stored password can be unscrambled without a key, and the cipher has fewer than "
    "8,000 different keys, so other passwords open the same diary.";

// A-Z, a-z, 0-9 and space. Lower-case letters pass although the wording names only A-Z.
bool IsValidPasswordCharacter(char32_t c);
// Every character valid (an empty text passes).
bool HasOnlyValidPasswordCharacters(std::u32string_view text);

// A new password as typed: Refused with kInvalidPasswordCharacters or kPasswordTooLong.
Status CheckNewPassword(std::u32string_view typed);

// The old-password check: accepted when the diary has no password (the box is not even shown),
// or when `typed` equals `current` exactly (letter case counts, although the cipher ignores it).
// Refused with kPreviousPasswordRequired for an empty `typed`, kPreviousPasswordIncorrect else.
Status CheckOldPassword(std::string_view typed, std::string_view current);

// What the user reads once the run is done.
std::string PasswordChangedMessage(std::string_view new_password);

}  // namespace inkwend
