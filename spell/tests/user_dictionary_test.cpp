// User dictionaries: creation, insertion into the trie on disk, and sharing between engines.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <random>
#include <set>

#include "spell/engine/lexiv_spell.h"
#include "spell/tests/test_files.h"

namespace inkwend {
namespace {

using spell::Node;
using spell::testing::RawDictionary;
using spell::testing::ReadBytes;
using spell::testing::ScratchDir;
using spell::testing::WriteBytes;

constexpr uint8_t kLast = spell::kLastInRun;
constexpr uint8_t kEnd = spell::kEndsWord;

uint8_t Flags(char letter, uint8_t bits) { return static_cast<uint8_t>((letter - 'A') | bits); }

class UserDictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spell_.SetDictionaryName(dir_.File("no-main.dct"));
    path_ = dir_.File("inkwendu.dct");
    std::vector<std::string> none;
    number_ = spell_.CreateUserDictionary(path_, none).Value();
    ASSERT_GE(number_, 2);
  }
  RawDictionary Raw() const { return RawDictionary::Parse(ReadBytes(path_)); }

  ScratchDir dir_;
  LexivSpell spell_;
  std::string path_;
  int16_t number_ = -1;
};

TEST_F(UserDictionaryTest, RunsLongerThanOneReadAreFollowedToTheirEnd) {
  // 45 initials: each added word goes to the head of the first run, so the first ones added end
  // up past the first pieces a lookup reads.
  std::vector<std::string> words;
  for (int code = 0; code < 45; ++code)
    words.push_back(std::string{static_cast<char>(spell::kAlphabet[code]), 'Q'});
  for (const auto& w : words) ASSERT_TRUE(spell_.AddWord(w, number_).IsOk());
  for (const auto& w : words) EXPECT_TRUE(spell_.CheckWord(w)) << w;
  const std::string absent{static_cast<char>(spell::kAlphabet[50]), 'Q'};
  EXPECT_FALSE(spell_.CheckWord(absent));
  EXPECT_FALSE(spell_.CheckWord("AQX"));
  EXPECT_TRUE(spell_.CheckWord("aq"));
}

TEST_F(UserDictionaryTest, NewFileHoldsTheWordAAnd499FreeSlots) {
  const std::string bytes = ReadBytes(path_);
  EXPECT_EQ(bytes.rfind("USER DICTIONARY\r\n", 0), 0u);
  const RawDictionary raw = Raw();
  EXPECT_EQ(raw.header.nodesUsed, 1);
  EXPECT_EQ(raw.header.capacity, 500);
  EXPECT_EQ(raw.header.wordCount, 1);
  EXPECT_EQ(raw.header.kind, 0);
  EXPECT_EQ(raw.header.offset, static_cast<int32_t>(raw.headerOffset));
  EXPECT_EQ(bytes.size(), raw.headerOffset + 17 + size_t{3} * 500);
  ASSERT_EQ(raw.nodes.size(), 501u);
  EXPECT_EQ(raw.nodes[1].child, 0);
  EXPECT_EQ(raw.nodes[1].flags, 0xC0);
  for (size_t n = 2; n <= 500; ++n) {
    EXPECT_EQ(raw.nodes[n].child, 65000);
    EXPECT_EQ(raw.nodes[n].flags, 0xC0);
  }
}

TEST_F(UserDictionaryTest, CatThenCarShareOnePathWithRBeforeT) {
  EXPECT_TRUE(spell_.AddWord("cat", number_).IsOk());
  EXPECT_TRUE(spell_.AddWord("CAR", number_).IsOk());
  const RawDictionary raw = Raw();
  EXPECT_EQ(raw.header.nodesUsed, 5);
  EXPECT_EQ(raw.header.wordCount, 3);
  struct Expected {
    uint16_t child;
    uint8_t flags;
  };
  const Expected nodes[] = {
      {3, Flags('C', 0)},             // 1: C, then the old head A
      {0, Flags('A', kLast | kEnd)},  // 2: the word A
      {4, Flags('A', kLast)},         // 3: CA
      {0, Flags('R', kEnd)},          // 4: CAR, head of the run
      {0, Flags('T', kLast | kEnd)},  // 5: CAT
  };
  for (size_t n = 1; n <= 5; ++n) {
    EXPECT_EQ(raw.nodes[n].child, nodes[n - 1].child) << "node " << n;
    EXPECT_EQ(raw.nodes[n].flags, nodes[n - 1].flags) << "node " << n;
  }
  for (const char* w : {"cat", "car", "Cat's"}) EXPECT_TRUE(spell_.CheckWord(w)) << w;
  for (const char* w : {"ca", "cart", "ct"}) EXPECT_FALSE(spell_.CheckWord(w)) << w;
}

TEST_F(UserDictionaryTest, AddingAPresentWordOnlyMarksItButCounts) {
  spell_.AddWord("cat", number_).IsOk();
  const RawDictionary before = Raw();
  spell_.AddWord("cat", number_).IsOk();
  const RawDictionary after = Raw();
  EXPECT_EQ(after.header.wordCount, before.header.wordCount + 1);
  EXPECT_EQ(after.header.nodesUsed, before.header.nodesUsed);
  for (size_t n = 1; n < before.nodes.size(); ++n) EXPECT_EQ(after.nodes[n].flags, before.nodes[n].flags);
  EXPECT_FALSE(spell_.CheckWord("ca"));
  spell_.AddWord("ca", number_).IsOk();  // a prefix of a present word: only its end mark is set
  EXPECT_TRUE(spell_.CheckWord("ca"));
  EXPECT_EQ(Raw().header.nodesUsed, before.header.nodesUsed);
}

TEST_F(UserDictionaryTest, RefusedWordsAndUnknownNumbersSaySoAndChangeNothing) {
  for (const int16_t number : {int16_t{-1}, static_cast<int16_t>(number_ + 1), int16_t{0}})
    EXPECT_EQ(spell_.AddWord("word", number).Code(), StatusCode::NotFound) << number;

  const std::string before = ReadBytes(path_);
  for (const std::string& word : {std::string(26, 'x'), std::string()}) {
    const Status added = spell_.AddWord(word, number_);
    EXPECT_EQ(added.Code(), StatusCode::Refused) << word;
    EXPECT_FALSE(added.Message().empty());
  }
  EXPECT_TRUE(ReadBytes(path_) == before);  // unchanged
  EXPECT_TRUE(spell_.AddWord(std::string(25, 'x'), number_).IsOk());
  EXPECT_TRUE(spell_.CheckWord(std::string(25, 'x')));
}

TEST_F(UserDictionaryTest, AFullDictionaryRefusesMoreNodes) {
  spell_.AddWord("cat", number_).IsOk();
  // Claim 63996 nodes in use: four more letters pass the 63999 limit, three do not.
  std::string bytes = ReadBytes(path_);
  const RawDictionary raw = Raw();
  uint8_t* h = reinterpret_cast<uint8_t*>(bytes.data()) + raw.headerOffset;
  spell::PutInt32(h, 63996);
  WriteBytes(path_, bytes);
  const Status refused = spell_.AddWord("dogs", number_);
  EXPECT_EQ(refused.Code(), StatusCode::Refused);
  EXPECT_NE(refused.Message().find("is full"), std::string::npos) << refused.Message();
  EXPECT_TRUE(ReadBytes(path_) == bytes);  // unchanged
  EXPECT_FALSE(spell_.CheckWord("dogs"));
  EXPECT_TRUE(spell_.AddWord("dog", number_).IsOk());
  EXPECT_EQ(Raw().header.nodesUsed, 63996 + 3);
}

TEST_F(UserDictionaryTest, AFullDiskLeavesTheDictionaryAsItWas) {
  // Fill the 500 reserved slots, then forbid the file to grow: the next word that needs more
  // nodes is not added, and no node has moved.
  for (char a = 'b'; a <= 'z' && Raw().header.nodesUsed < 490; ++a)
    for (char b = 'b'; b <= 'z' && Raw().header.nodesUsed < 490; ++b)
      spell_.AddWord(std::string{'w', a, b, 'q'}, number_).IsOk();
  ASSERT_GE(Raw().header.nodesUsed, 490);
  const std::string before = ReadBytes(path_);
  struct rlimit old_limit {};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = before.size();
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const Status result = spell_.AddWord("aardvarkzzzz", number_);  // 11 new nodes at the head of run 1
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(result.Code(), StatusCode::IoError);
  const std::string after = ReadBytes(path_);
  EXPECT_TRUE(after == before);  // unchanged
  EXPECT_FALSE(spell_.CheckWord("aardvarkzzzz"));
  EXPECT_TRUE(spell_.CheckWord("wbcq"));
  EXPECT_TRUE(spell_.AddWord("aardvarkzzzz", number_).IsOk());  // room again
  EXPECT_TRUE(spell_.CheckWord("aardvarkzzzz"));
  EXPECT_TRUE(spell_.CheckWord("wbcq"));
}

TEST_F(UserDictionaryTest, DigitsGoInAsTheATheyCountAs) {
  spell_.AddWord("b2b", number_).IsOk();
  spell_.AddWord("bab", number_).IsOk();
  // One path B-A-B, not a second A node in the run after B.
  EXPECT_EQ(Raw().header.nodesUsed, 1 + 3);
  EXPECT_TRUE(spell_.CheckWord("B2B"));
  EXPECT_TRUE(spell_.CheckWord("bab"));
}

TEST_F(UserDictionaryTest, ManyWordsSurviveNodeMovesAndReopening) {
  // Enough words that inserting near the front moves more than one 2048-node block.
  std::mt19937 gen(7);
  std::set<std::string> words;
  while (words.size() < 2500) {
    std::string w;
    const int len = 2 + static_cast<int>(gen() % 9);
    for (int i = 0; i < len; ++i) w += static_cast<char>('a' + gen() % 6);
    words.insert(w);
  }
  std::vector<std::string> order(words.begin(), words.end());
  std::shuffle(order.begin(), order.end(), gen);
  for (const auto& w : order) ASSERT_TRUE(spell_.AddWord(w, number_).IsOk());
  EXPECT_GT(Raw().header.nodesUsed, 2 * 2048);

  LexivSpell fresh;
  fresh.SetDictionaryName(dir_.File("no-main.dct"));
  const int16_t n = fresh.OpenUserDictionary(path_).Value();
  ASSERT_GE(n, 2);
  for (const auto& w : words) ASSERT_TRUE(fresh.CheckWord(w)) << w;
  int rejected = 0;
  for (int i = 0; i < 2000; ++i) {
    std::string w;
    const int len = 2 + static_cast<int>(gen() % 9);
    for (int k = 0; k < len; ++k) w += static_cast<char>('a' + gen() % 6);
    if (words.count(w)) continue;
    EXPECT_FALSE(fresh.CheckWord(w)) << w;
    ++rejected;
  }
  EXPECT_GT(rejected, 1000);
}

TEST_F(UserDictionaryTest, TwoEnginesShareOneFile) {
  LexivSpell other;
  other.SetDictionaryName(dir_.File("no-main.dct"));
  const int16_t other_number = other.OpenUserDictionary(path_).Value();
  ASSERT_GE(other_number, 2);
  EXPECT_FALSE(other.CheckWord("zebra"));
  spell_.AddWord("zebra", number_).IsOk();
  EXPECT_TRUE(other.CheckWord("zebra"));  // headers are read again before every check
  other.AddWord("zebu", other_number).IsOk();
  EXPECT_TRUE(spell_.CheckWord("zebu"));
  EXPECT_TRUE(spell_.CheckWord("zebra"));
  EXPECT_EQ(Raw().header.wordCount, 3);
}

TEST_F(UserDictionaryTest, APassLooksAtTheFileOnceAndTheNextPassSeesAdditions) {
  LexivSpell other;
  other.SetDictionaryName(dir_.File("no-main.dct"));
  const int16_t other_number = other.OpenUserDictionary(path_).Value();
  {
    const LexivSpell::Pass pass(spell_);
    EXPECT_FALSE(spell_.CheckWord("zebra"));
    ASSERT_TRUE(other.AddWord("zebra", other_number).IsOk());
    EXPECT_FALSE(spell_.CheckWord("zebra"));  // the pass keeps what it saw first
    {
      const LexivSpell::Pass inner(spell_);
      EXPECT_FALSE(spell_.CheckWord("zebra"));
    }
    // The engine's own addition is seen at once, and so is what the other one added before.
    ASSERT_TRUE(spell_.AddWord("zebu", number_).IsOk());
    EXPECT_TRUE(spell_.CheckWord("zebu"));
    EXPECT_TRUE(spell_.CheckWord("zebra"));
    ASSERT_TRUE(other.AddWord("zed", other_number).IsOk());
    EXPECT_FALSE(spell_.CheckWord("zed"));
  }
  EXPECT_TRUE(spell_.CheckWord("zed"));
}

TEST_F(UserDictionaryTest, AFileCutShortOrGrownIsReadAgain) {
  ASSERT_TRUE(spell_.AddWord("zebra", number_).IsOk());
  EXPECT_TRUE(spell_.CheckWord("zebra"));
  const std::string whole = ReadBytes(path_);
  // Cut inside the header: no node is left to find a word in.
  WriteBytes(path_, whole.substr(0, whole.find('\x1a') + 5));
  EXPECT_FALSE(spell_.CheckWord("zebra"));
  WriteBytes(path_, whole);
  EXPECT_TRUE(spell_.CheckWord("zebra"));
}

TEST(UserDictionary, OpenAndCreateResults) {
  ScratchDir dir;
  LexivSpell spell;
  EXPECT_EQ(spell.OpenUserDictionary(dir.File("missing.dct")).GetStatus().Code(), StatusCode::NotFound);
  EXPECT_EQ(spell.OpenUserDictionary(spell::testing::WriteMainDictionary(dir, {"main"})).GetStatus().Code(),
            StatusCode::Refused);
  WriteBytes(dir.File("garbage.dct"), "no end mark");
  EXPECT_EQ(spell.OpenUserDictionary(dir.File("garbage.dct")).GetStatus().Code(), StatusCode::Refused);

  std::vector<std::string> words = {"zulu", "alpha", "mike", std::string(30, 'z')};
  const Result<int16_t> first = spell.CreateUserDictionary(dir.File("u1.dct"), words);
  ASSERT_TRUE(first.IsOk()) << first.GetStatus().Message();
  EXPECT_EQ(first.Value(), 2);
  EXPECT_EQ(words, (std::vector<std::string>{"alpha", "mike", "zulu", std::string(30, 'z')}));  // sorted
  spell.SetDictionaryName(dir.File("no-main.dct"));
  for (const auto& w : {"alpha", "mike", "zulu"}) EXPECT_TRUE(spell.CheckWord(w));
  // The word too long for a user dictionary is left out.
  EXPECT_EQ(RawDictionary::Parse(ReadBytes(dir.File("u1.dct"))).header.wordCount, 4);

  // An existing file is never overwritten.
  const std::string before = ReadBytes(dir.File("u1.dct"));
  std::vector<std::string> none;
  EXPECT_EQ(spell.CreateUserDictionary(dir.File("u1.dct"), none).GetStatus().Code(), StatusCode::Refused);
  EXPECT_TRUE(ReadBytes(dir.File("u1.dct")) == before);  // unchanged
  EXPECT_EQ(spell.CreateUserDictionary(dir.File("no/such/dir.dct"), none).GetStatus().Code(),
            StatusCode::IoError);
  EXPECT_EQ(spell.OpenUserDictionary(dir.File("u1.dct")).Value(), 3);  // numbers keep counting
}

TEST(UserDictionary, CloseDictionariesClosesUserDictionariesToo) {
  ScratchDir dir;
  LexivSpell spell;
  spell.SetDictionaryName(dir.File("no-main.dct"));
  std::vector<std::string> words = {"kayak"};
  const int16_t number = spell.CreateUserDictionary(dir.File("u.dct"), words).Value();
  ASSERT_GE(number, 2);
  EXPECT_TRUE(spell.CheckWord("kayak"));
  spell.CloseDictionaries();
  EXPECT_FALSE(spell.CheckWord("kayak"));
  EXPECT_EQ(spell.AddWord("canoe", number).Code(), StatusCode::NotFound);
}

TEST(UserDictionary, MainAndUserWordsBothCheckAndSuggest) {
  ScratchDir dir;
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(spell::testing::WriteMainDictionary(dir, {"house", "mouse"})).IsOk());
  std::vector<std::string> words = {"Inkwend"};
  const int16_t number = spell.CreateUserDictionary(dir.File("u.dct"), words).Value();
  ASSERT_GE(number, 2);
  EXPECT_TRUE(spell.CheckWord("house"));
  EXPECT_TRUE(spell.CheckWord("inkwend"));
  const auto s = spell.Suggest("Inkwnd");
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s[0], "Inkwend");
}

}  // namespace
}  // namespace inkwend
