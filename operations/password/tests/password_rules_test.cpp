#include "operations/password/password_rules.h"

#include <gtest/gtest.h>

namespace inkwend {
namespace {

TEST(PasswordRules, NewPasswordCharactersAndLength) {
  struct Case {
    std::u32string typed;
    const char* refusal;  // nullptr: accepted
  } cases[] = {
      {U"", nullptr},
      {U"AZaz09 ", nullptr},
      {U"12345678", nullptr},
      {U"123456789", kPasswordTooLong},
      {U"pass-word", kInvalidPasswordCharacters},
      {U"caf\u00e9", kInvalidPasswordCharacters},
      {U"tab\t", kInvalidPasswordCharacters},
      {U"\u0410", kInvalidPasswordCharacters},  // a Cyrillic letter that looks like A
  };
  for (const Case& c : cases) {
    const Status s = CheckNewPassword(c.typed);
    EXPECT_EQ(s.IsOk(), c.refusal == nullptr);
    if (c.refusal) {
      EXPECT_EQ(s.Message(), c.refusal);
    }
  }
}

TEST(PasswordRules, OldPasswordIsComparedExactly) {
  EXPECT_TRUE(CheckOldPassword("", "").IsOk());       // no password: nothing to check
  EXPECT_TRUE(CheckOldPassword("stray", "").IsOk());  // the box is hidden then
  EXPECT_TRUE(CheckOldPassword("Secret", "Secret").IsOk());
  EXPECT_EQ(CheckOldPassword("", "Secret").Message(), kPreviousPasswordRequired);
  EXPECT_EQ(CheckOldPassword("SECRET", "Secret").Message(), kPreviousPasswordIncorrect);  // case counts
}

TEST(PasswordRules, FinalMessages) {
  EXPECT_EQ(PasswordChangedMessage(""), "Password cleared. No password now required.");
  EXPECT_EQ(PasswordChangedMessage("ABC 1"), "Be sure to write down your new password: ABC 1");
}

}  // namespace
}  // namespace inkwend
