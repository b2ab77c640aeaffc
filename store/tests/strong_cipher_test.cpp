#include "store/strong_cipher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "base/tests/temp_dir.h"
#include "store/cipher.h"
#include "store/diary_session.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kRtf = "{\\rtf1\\ansi Dear diary, the secret is out\\par }";

TEST(StrongCipher, RoundTripsAndEveryWriteTakesAFreshNonce) {
  const auto key = DiaryKey::Generate();
  ASSERT_TRUE(key);
  for (const std::string& text : {std::string(), kRtf, std::string(100000, 'x')}) {
    const std::string first = StrongEncrypt(text, *key, "20240305");
    const std::string second = StrongEncrypt(text, *key, "20240305");
    EXPECT_TRUE(IsStrongEntry(first));
    EXPECT_NE(first, second);
    const Result<std::string> back = StrongDecrypt(first, *key, "20240305");
    ASSERT_TRUE(back.IsOk());
    EXPECT_EQ(back.Value(), text);
  }
}

// Whatever is wrong with a file, nothing of it comes back: a flipped byte anywhere (header, nonce,
// text, tag), a file cut short at any length, another day's file, another diary's key.
TEST(StrongCipher, RefusesEveryAlteredFile) {
  const auto key = DiaryKey::Generate();
  const auto other_key = DiaryKey::Generate();
  const std::string stored = StrongEncrypt(kRtf, *key, "20240305");
  for (size_t at = 0; at < stored.size(); ++at) {
    std::string flipped = stored;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
    EXPECT_FALSE(StrongDecrypt(flipped, *key, "20240305").IsOk()) << "byte " << at;
    EXPECT_FALSE(StrongDecrypt(stored.substr(0, at), *key, "20240305").IsOk()) << "cut at " << at;
  }
  EXPECT_FALSE(StrongDecrypt(stored, *key, "20240306").IsOk());
  EXPECT_FALSE(StrongDecrypt(stored, *other_key, "20240305").IsOk());
  EXPECT_EQ(StrongDecrypt(stored + "x", *key, "20240305").GetStatus().Code(), StatusCode::Refused);
}

TEST(StrongCipher, ClassicFilesAreNotTakenForStrongOnes) {
  EXPECT_FALSE(IsStrongEntry(kRtf));
  EXPECT_FALSE(IsStrongEntry(EncryptBytes(kRtf, "SECRET")));
  EXPECT_FALSE(IsStrongEntry(""));
  EXPECT_FALSE(IsStrongEntry(std::string(kStrongMagic.substr(0, 7))));
}

TEST(KeyWrap, OpensWithThePasswordOnlyAndNeverHoldsIt) {
  const auto key = DiaryKey::Generate();
  const Result<std::string> line = WrapDiaryKey(*key, "Secret 1", KeyDerivation::Fastest());
  ASSERT_TRUE(line.IsOk());
  EXPECT_EQ(line.Value().find("Secret"), std::string::npos);
  EXPECT_NE(line.Value(), WrapDiaryKey(*key, "Secret 1", KeyDerivation::Fastest()).Value());  // fresh salt

  Result<std::unique_ptr<DiaryKey>> opened = UnwrapDiaryKey(line.Value(), "Secret 1");
  ASSERT_TRUE(opened.IsOk());
  EXPECT_EQ(0, std::memcmp(opened.Value()->Bytes(), key->Bytes(), DiaryKey::kBytes));

  for (const char* wrong : {"secret 1", "Secret 2", "", "Secret 1 "}) {
    const Status refused = UnwrapDiaryKey(line.Value(), wrong).GetStatus();
    EXPECT_EQ(refused.Code(), StatusCode::Refused) << wrong;
    EXPECT_EQ(refused.Message(), kWrongPasswordMessage);
  }
}

TEST(KeyWrap, ADamagedOrHostileLineIsDamaged) {
  const auto key = DiaryKey::Generate();
  const std::string line = WrapDiaryKey(*key, "pw", KeyDerivation::Fastest()).Value();
  const size_t passes = line.find(':', line.find(':') + 1) + 1;
  std::string huge_cost = line;
  huge_cost.replace(passes, line.find(':', passes) - passes, "100000");
  for (const std::string& bad : {std::string(), std::string("argon2id:1"), line.substr(0, line.size() - 2),
                                 "x" + line.substr(1), huge_cost}) {
    EXPECT_EQ(UnwrapDiaryKey(bad, "pw").GetStatus().Code(), StatusCode::Damaged) << bad;
  }
}

// A strongly encrypted diary as the window and the diary-wide operations see it.
class StrongDiaryTest : public ::testing::Test {
 protected:
  static constexpr Date kDays[] = {year(2024) / 3 / 5, year(2024) / 3 / 6, year(2024) / 3 / 7};

  StrongDiaryTest() : key_(DiaryKey::Generate()), session_(dir_.path(), RealFileSystem()) {
    session_.SetDiaryKey(key_);
    for (Date d : kDays) {
      session_.SetCurrentDate(d);
      EXPECT_TRUE(session_.Save([d] { return Result<std::string>(Text(d)); }, false).IsOk());
    }
  }
  static std::string Text(Date d) { return "{\\rtf1 the day " + DateKey(d) + "\\par }"; }
  std::string PathOf(Date d) const { return dir_ / ("Entries/" + DateKey(d) + ".KWE"); }
  Result<std::string> Read(Date d) const {
    std::string shown;
    const Status s = session_.LoadDay(d, [&](std::string rtf) {
      shown = std::move(rtf);
      return Status::Ok();
    });
    if (!s.IsOk()) return s;
    return shown;
  }

  TempDir dir_;
  std::shared_ptr<const DiaryKey> key_;
  DiarySession session_;
};

TEST_F(StrongDiaryTest, EveryEntryReadsBackAndNoneIsPlainOnDisk) {
  for (Date d : kDays) {
    EXPECT_TRUE(IsStrongEntry(ReadFile(PathOf(d))));
    ASSERT_TRUE(Read(d).IsOk());
    EXPECT_EQ(Read(d).Value(), Text(d));
  }
  // The unsaved text kept for a crash is encrypted the same way.
  session_.SetCurrentDate(kDays[0]);
  ASSERT_TRUE(session_.KeepRecoveryCopy([] { return Result<std::string>(kRtf); }, false).IsOk());
  const std::string copy = ReadFile(session_.RecoveryCopyPath(kDays[0]));
  EXPECT_TRUE(IsStrongEntry(copy));
  EXPECT_EQ(copy.find("secret"), std::string::npos);
  EXPECT_EQ(session_.ReadRecoveryCopy(kDays[0]).Value(), kRtf);
}

// A flipped byte, a file cut short and two files that traded names are each refused, and the other
// days still open.
TEST_F(StrongDiaryTest, AnAlteredFileIsRefusedAndTheRestOpens) {
  const std::function<void()> alterations[] = {
      [&] {
        std::string bytes = ReadFile(PathOf(kDays[0]));
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
        WriteFile(PathOf(kDays[0]), bytes);
      },
      [&] { std::filesystem::resize_file(PathOf(kDays[0]), 30); },
      [&] {
        std::filesystem::rename(PathOf(kDays[0]), dir_ / "swap");
        std::filesystem::rename(PathOf(kDays[1]), PathOf(kDays[0]));
        std::filesystem::rename(dir_ / "swap", PathOf(kDays[1]));
      },
  };
  for (const auto& alter : alterations) {
    for (Date d : kDays)
      session_.SetCurrentDate(d), (void)session_.Save([d] { return Result<std::string>(Text(d)); }, false);
    alter();
    const Status refused = Read(kDays[0]).GetStatus();
    EXPECT_EQ(refused.Code(), StatusCode::Refused);
    EXPECT_NE(refused.Message().find("encrypted file"), std::string::npos) << refused.Message();
    EXPECT_EQ(Read(kDays[2]).Value(), Text(kDays[2]));
    // The window shows nothing of it, and does not let a save replace its file.
    session_.SetCurrentDate(kDays[0]);
    session_.FindEntry();
    EXPECT_FALSE(session_.Load([](std::string) { return Status::Ok(); }).IsOk());
    EXPECT_TRUE(session_.EntryLocked());
  }
}

TEST_F(StrongDiaryTest, WithoutTheKeyAStrongFileIsRefusedNotShownAsNoise) {
  DiarySession without_key(dir_.path(), RealFileSystem());
  std::string shown;
  const Status s = without_key.LoadDay(kDays[0], [&](std::string rtf) {
    shown = rtf;
    return Status::Ok();
  });
  EXPECT_EQ(s.Code(), StatusCode::Refused);
  EXPECT_TRUE(shown.empty());
}

TEST(IniFile, DeleteKeyRemovesOnlyThatKey) {
  IniFile ini("[Security]\r\nPassword=\r\nStrongKey=abc\r\n[Other]\r\nStrongKey=keep\r\n");
  ini.DeleteKey("Security", "StrongKey");
  EXPECT_EQ(ini.Bytes(), "[Security]\r\nPassword=\r\n[Other]\r\nStrongKey=keep\r\n");
  ini.DeleteKey("Security", "Missing");
  ini.DeleteKey("Nowhere", "StrongKey");
  EXPECT_EQ(ini.Bytes(), "[Security]\r\nPassword=\r\n[Other]\r\nStrongKey=keep\r\n");
}

}  // namespace
}  // namespace inkwend
