#include "operations/password/password_rules.h"

namespace inkwend {

bool IsValidPasswordCharacter(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U' ';
}

bool HasOnlyValidPasswordCharacters(std::u32string_view text) {
  for (const char32_t c : text)
    if (!IsValidPasswordCharacter(c)) return false;
  return true;
}

Status CheckNewPassword(std::u32string_view typed) {
  if (!HasOnlyValidPasswordCharacters(typed))
    return Status::Error(StatusCode::Refused, kInvalidPasswordCharacters);
  if (typed.size() > kMaxPasswordLength) return Status::Error(StatusCode::Refused, kPasswordTooLong);
  return Status::Ok();
}

Status CheckOldPassword(std::string_view typed, std::string_view current) {
  if (current.empty() || typed == current) return Status::Ok();
  return Status::Error(StatusCode::Refused,
                       typed.empty() ? kPreviousPasswordRequired : kPreviousPasswordIncorrect);
}

std::string PasswordChangedMessage(std::string_view new_password) {
  if (new_password.empty()) return kPasswordCleared;
  return kWriteDownNewPassword + std::string(new_password);
}

Status CheckStrongPassword(std::u32string_view typed) {
  if (typed.empty()) return Status::Error(StatusCode::Refused, kStrongNeedsPassword);
  if (typed.size() > kMaxStrongPasswordLength)
    return Status::Error(StatusCode::Refused, kStrongPasswordTooLong);
  return Status::Ok();
}

}  // namespace inkwend
