#include "store/file_cipher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct CryptRun {
  PGCrypt crypt;
  std::vector<std::string> messages;
  std::vector<bool> busy;
  explicit CryptRun(FileSystem& fs = RealFileSystem()) : crypt(fs) {
    crypt.onMessage = [this](const std::string& m) { messages.push_back(m); };
    crypt.onBusy = [this](bool b) { busy.push_back(b); };
  }
};

TEST(PGCrypt, EncryptsAndDecryptsFilesOfEverySize) {
  TempDir dir;
  for (size_t size : {0, 1, 4095, 4096, 8192, 10000}) {
    std::string plain(size, '\0');
    for (size_t i = 0; i < size; ++i) plain[i] = static_cast<char>(i * 7);
    WriteFile(dir / "plain", plain);
    CryptRun enc;
    enc.crypt.SetInputFile(dir / "plain");
    enc.crypt.SetOutputFile(dir / "cipher");
    enc.crypt.SetPassword("Pass");
    ASSERT_TRUE(enc.crypt.Encrypt().IsOk());
    EXPECT_EQ(ReadFile(dir / "cipher"), EncryptBytes(plain, "Pass")) << size;
    EXPECT_EQ(enc.busy, (std::vector<bool>{true, false}));
    CryptRun dec;
    dec.crypt.SetInputFile(dir / "cipher");
    dec.crypt.SetOutputFile(dir / "back");
    dec.crypt.SetPassword("pASS");
    ASSERT_TRUE(dec.crypt.Decrypt().IsOk());
    EXPECT_EQ(ReadFile(dir / "back"), plain);
    EXPECT_TRUE(enc.messages.empty() && dec.messages.empty());
  }
}

TEST(PGCrypt, ValidationMessages) {
  TempDir dir;
  WriteFile(dir / "a", "abc");
  CryptRun r;
  r.crypt.SetInputFile(dir / "missing");
  EXPECT_EQ(r.crypt.InputFile(), "");
  r.crypt.SetInputFile("");
  r.crypt.SetInputFile(dir / "a");
  r.crypt.SetOutputFile(dir / "a");
  EXPECT_EQ(r.crypt.OutputFile(), "");
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Input file does not exist.",
                                                  "InputFile and OutputFile must be different files."}));
  // After a rejection the run does nothing and the file is untouched.
  ASSERT_TRUE(r.crypt.Encrypt().IsOk());
  EXPECT_TRUE(r.busy.empty());
  EXPECT_EQ(ReadFile(dir / "a"), "abc");
}

TEST(PGCrypt, SameFileUnderAnotherSpellingIsNotDestroyed) {
  TempDir dir;
  WriteFile(dir / "a", std::string(9000, 'x'));
  CryptRun r;
  r.crypt.SetInputFile(dir / "a");
  r.crypt.SetOutputFile(dir.path() + "./a");  // passes the text comparison
  ASSERT_TRUE(r.crypt.Encrypt().IsOk());
  EXPECT_EQ(ReadFile(dir / "a"), EncryptBytes(std::string(9000, 'x'), ""));
}

TEST(PGCrypt, UnwritableOutputReportsAndRestoresArrow) {
  TempDir dir;
  WriteFile(dir / "a", "abc");
  CryptRun r;
  r.crypt.SetInputFile(dir / "a");
  r.crypt.SetOutputFile(dir.path() + "no/such/dir/out");
  const Status s = r.crypt.Encrypt();
  EXPECT_FALSE(s.IsOk());
  EXPECT_NE(s.Message().find("out"), std::string::npos);
  EXPECT_EQ(r.busy, (std::vector<bool>{true, false}));
}

// A disk that fills up while the output is written, or an input whose read fails partway,
// leaves an existing output file as it was.
TEST(PGCrypt, FailedRunKeepsTheOldOutput) {
  const std::string kInput(10000, 'i');
  for (const bool read_fails : {false, true}) {
    SCOPED_TRACE(read_fails ? "read fails" : "disk full");
    TempDir dir;
    WriteFile(dir / "in", kInput);
    WriteFile(dir / "out", "old output");
    FaultyFileSystem fs;
    if (read_fails) {
      fs.FailReads(dir / "in");
    } else {
      fs.FailWrites(dir / "out", 4096);
    }
    CryptRun r(fs);
    r.crypt.SetInputFile(dir / "in");
    r.crypt.SetOutputFile(dir / "out");
    const Status s = r.crypt.Encrypt();
    EXPECT_FALSE(s.IsOk());
    EXPECT_NE(s.Message().find(read_fails ? dir / "in" : dir / "out"), std::string::npos) << s.Message();
    EXPECT_EQ(fs.FaultsInjected(), 1);
    EXPECT_EQ(ReadFile(dir / "out"), "old output");
    EXPECT_EQ(r.busy, (std::vector<bool>{true, false}));
  }
}

TEST(PGCrypt, NamedPipeAsInputIsRefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  CryptRun r;
  r.crypt.SetInputFile(dir / "pipe");
  r.crypt.SetOutputFile(dir / "out");
  const Status s = r.crypt.Encrypt();  // opening a pipe nobody writes to would wait forever
  EXPECT_FALSE(s.IsOk());
  EXPECT_NE(s.Message().find("named pipe"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "out"));
}

}  // namespace
}  // namespace inkwend
