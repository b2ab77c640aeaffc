// Additions to a user dictionary that fail part-way: the engine says so, and the file and the
// engine stay as they were. The failures come from a writer that stands in for a full disk.
#include <gtest/gtest.h>

#include "spell/engine/lexiv_spell.h"
#include "spell/engine/user_dictionary_writer.h"
#include "spell/tests/test_files.h"

namespace inkwend {
namespace {

using spell::testing::RawDictionary;
using spell::testing::ReadBytes;
using spell::testing::ScratchDir;

// Passes writes on to the real file system until the one numbered `failAt` (from 0): that one
// writes the first half of its bytes, as a disk that fills up part-way does, and fails. With
// `failLater` every later write and truncation fails too, so undoing is impossible.
class FullDiskWriter : public spell::UserDictionaryWriter {
 public:
  Status WriteAt(int fd, const std::string& path, int64_t offset, std::string_view bytes) override {
    const int index = writes++;
    if (!Fails(index)) return real_.WriteAt(fd, path, offset, bytes);
    real_.WriteAt(fd, path, offset, bytes.substr(0, bytes.size() / 2));
    return Status::Error("Cannot write \"" + path + "\": No space left on device");
  }
  Status Truncate(int fd, const std::string& path, int64_t size) override {
    if (failLater && failAt >= 0 && writes > failAt) return Status::Error("Cannot write \"" + path + "\"");
    return real_.Truncate(fd, path, size);
  }

  int failAt = -1;
  bool failLater = false;
  int writes = 0;

 private:
  bool Fails(int index) const { return failAt >= 0 && (index == failAt || (failLater && index > failAt)); }

  spell::UserDictionaryWriter& real_ = spell::PosixUserDictionaryWriter();
};

class AddWordFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spell_.SetDictionaryName(dir_.File("no-main.dct"));
    spell_.SetUserDictionaryWriter(writer_);
    path_ = dir_.File("inkwendu.dct");
    std::vector<std::string> none;
    number_ = spell_.CreateUserDictionary(path_, none).Value();
    // Nearly fill the 500 reserved nodes, so that a long word grows the file.
    for (char a = 'b'; a <= 'z' && Raw().header.nodesUsed < 490; ++a)
      for (char b = 'b'; b <= 'z' && Raw().header.nodesUsed < 490; ++b)
        ASSERT_TRUE(spell_.AddWord(std::string{'w', a, b, 'q'}, number_).IsOk());
  }
  RawDictionary Raw() const { return RawDictionary::Parse(ReadBytes(path_)); }

  // The file after adding `word` to a copy of the dictionary with nothing failing.
  std::string AddedCleanly(const std::string& word) {
    const std::string copy = dir_.File("copy.dct");
    spell::testing::WriteBytes(copy, ReadBytes(path_));
    LexivSpell clean;
    clean.SetDictionaryName(dir_.File("no-main.dct"));
    EXPECT_TRUE(clean.AddWord(word, clean.OpenUserDictionary(copy).Value()).IsOk());
    return ReadBytes(copy);
  }

  ScratchDir dir_;
  FullDiskWriter writer_;
  LexivSpell spell_;
  std::string path_;
  int16_t number_ = -1;
};

TEST_F(AddWordFailureTest, AFailedWriteIsUndoneAndTheWordGoesInOnceThereIsRoom) {
  struct Case {
    const char* word;
    int failingWrite;  // of this addition: growing the file (when it grows), nodes, header
    const char* what;
  };
  const Case cases[] = {
      {"aardvarkzzzz", 0, "growing the file"},  // 11 new nodes at the head of run 1
      {"aardvarkzzzz", 1, "moving nodes after growing the file"},
      {"aardvarkzzzz", 2, "the header after growing the file"},
      {"wbcqs", 0, "nodes, the file big enough"},
      {"wbcqs", 1, "the header, the file big enough"},
  };
  const std::string start = ReadBytes(path_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    spell::testing::WriteBytes(path_, start);
    const std::string expected = AddedCleanly(c.word);
    writer_.writes = 0;
    writer_.failAt = c.failingWrite;
    const Status added = spell_.AddWord(c.word, number_);
    writer_.failAt = -1;
    EXPECT_EQ(added.Code(), StatusCode::IoError);
    EXPECT_NE(added.Message().find("No space left on device"), std::string::npos) << added.Message();
    EXPECT_NE(added.Message().find("as it was"), std::string::npos) << added.Message();
    EXPECT_TRUE(ReadBytes(path_) == start);  // unchanged
    EXPECT_FALSE(spell_.CheckWord(c.word));
    EXPECT_TRUE(spell_.CheckWord("wbcq"));
    // Once there is room the same word goes in, to the same bytes as if nothing had failed.
    ASSERT_TRUE(spell_.AddWord(c.word, number_).IsOk());
    EXPECT_TRUE(ReadBytes(path_) == expected);
  }
}

TEST_F(AddWordFailureTest, AnUndoThatFailsTooIsReported) {
  writer_.writes = 0;
  writer_.failAt = 1;  // the nodes, and every write after them
  writer_.failLater = true;
  const Status added = spell_.AddWord("aardvarkzzzz", number_);
  EXPECT_EQ(added.Code(), StatusCode::IoError);
  EXPECT_NE(added.Message().find("could not be put back"), std::string::npos) << added.Message();
}

TEST(CreateUserDictionary, AFileThatCannotBeWrittenIsNotLeftBehind) {
  ScratchDir dir;
  FullDiskWriter writer;
  LexivSpell spell;
  spell.SetDictionaryName(dir.File("no-main.dct"));
  spell.SetUserDictionaryWriter(writer);
  std::vector<std::string> words = {"kayak", "canoe"};
  struct Case {
    int failingWrite;  // 0: the new file; then the words, two writes each
    const char* what;
  };
  for (const Case& c : {Case{0, "the new file"}, Case{2, "the nodes of the first word"}}) {
    SCOPED_TRACE(c.what);
    writer.writes = 0;
    writer.failAt = c.failingWrite;
    const Result<int16_t> created = spell.CreateUserDictionary(dir.File("u.dct"), words);
    EXPECT_EQ(created.GetStatus().Code(), StatusCode::IoError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("u.dct")));
    EXPECT_FALSE(spell.CheckWord("kayak"));
  }
  writer.failAt = -1;
  EXPECT_TRUE(spell.CreateUserDictionary(dir.File("u.dct"), words).IsOk());
  EXPECT_TRUE(spell.CheckWord("kayak"));
}

}  // namespace
}  // namespace inkwend
