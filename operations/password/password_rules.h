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

// Strong encryption (store/strong_cipher.h) takes longer passwords of any characters: the key
// derivation, not the password's alphabet, is what makes guessing slow.
inline constexpr size_t kMaxStrongPasswordLength = 64;
inline constexpr char kStrongNeedsPassword[] = "Strong encryption needs a password";
inline constexpr char kStrongPasswordTooLong[] = "A password for strong encryption has at most 64 characters";
// The dialog's one plain sentence on each choice.
inline constexpr char kClassicProtectionChoice[] =
    "Classic protection, readable by anyone with the diary folder and a little effort.";
inline constexpr char kStrongEncryptionChoice[] =
    "Strong encryption: if you forget the password, nobody can recover your entries.";
// What the user reads once strong encryption is on (or has a new password); it never repeats the
// password.
inline constexpr char kStrongEncryptionDone[] =
    "Strong encryption is on. Keep your password safe: if you forget it, nobody can recover your "
    "entries.";

// A-Z, a-z, 0-9 and space. Lower-case letters pass although the wording names only A-Z.
bool IsValidPasswordCharacter(char32_t c);
// Every character valid (an empty text passes).
bool HasOnlyValidPasswordCharacters(std::u32string_view text);

// A new password as typed: Refused with kInvalidPasswordCharacters or kPasswordTooLong.
Status CheckNewPassword(std::u32string_view typed);

// A password for strong encryption: Refused with kStrongNeedsPassword or kStrongPasswordTooLong.
Status CheckStrongPassword(std::u32string_view typed);

// The old-password check: accepted when the diary has no password (the box is not even shown),
// or when `typed` equals `current` exactly (letter case counts, although the cipher ignores it).
// Refused with kPreviousPasswordRequired for an empty `typed`, kPreviousPasswordIncorrect else.
Status CheckOldPassword(std::string_view typed, std::string_view current);

// What the user reads once the run is done.
std::string PasswordChangedMessage(std::string_view new_password);

}  // namespace inkwend
