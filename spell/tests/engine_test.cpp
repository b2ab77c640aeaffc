// Checking words and suggesting replacements against main dictionaries.
#include <gtest/gtest.h>

#include "spell/engine/lexiv_spell.h"
#include "spell/tests/test_files.h"

namespace inkwend {
namespace {

using spell::testing::ScratchDir;
using spell::testing::WriteBytes;
using spell::testing::WriteMainDictionary;

TEST(CheckWord, EmptyAndOneCharacterWordsNeedNoDictionary) {
  LexivSpell spell;
  spell.SetDictionaryName("/nonexistent/inkwend.dct");
  EXPECT_TRUE(spell.CheckWord(""));
  EXPECT_TRUE(spell.CheckWord("q"));
  EXPECT_TRUE(spell.CheckWord("\xe9"));
  EXPECT_FALSE(spell.CheckWord("cat"));
}

TEST(CheckWord, CaseAccentsAndCharactersOutsideTheAlphabet) {
  ScratchDir dir;
  LexivSpell spell;
  ASSERT_TRUE(spell
                  .OpenDictionary(WriteMainDictionary(dir, {"cat", "Caf\xe9", "rock-and-roll",
                                                            "ma\xf1"
                                                            "ana"}))
                  .IsOk());
  struct Case {
    const char* word;
    bool ok;
  };
  const Case cases[] = {
      {"cat", true},
      {"CAT", true},
      {"cAt", true},
      {"ca", false},
      {"cats", false},
      {"cot", false},
      {"C5T", true},
      {"C T", true},
      {"C\xd7T", true},  // a digit, a space or × counts as A
      {"caf\xe9", true},
      {"CAF\xc9", true},
      {"cafe", false},
      {"Rock-and-Roll", true},
      {"rock and roll", false},
      {"MA\xd1"
       "ANA",
       true},
  };
  for (const Case& c : cases) EXPECT_EQ(spell.CheckWord(c.word), c.ok) << c.word;
}

TEST(CheckWord, PossessiveSIsStrippedAgainAndAgain) {
  ScratchDir dir;
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(WriteMainDictionary(dir, {"dog", "James"})).IsOk());
  EXPECT_TRUE(spell.CheckWord("dog's"));
  EXPECT_TRUE(spell.CheckWord("DOG'S"));
  EXPECT_TRUE(spell.CheckWord("dog's's"));
  EXPECT_TRUE(spell.CheckWord("James's"));
  EXPECT_FALSE(spell.CheckWord("dogs'"));
  EXPECT_FALSE(spell.CheckWord("cat's"));
  EXPECT_TRUE(spell.CheckWord("x's"));  // the stem is one letter
}

TEST(CheckWord, SeveralDictionariesInOneFileAreAllConsulted) {
  ScratchDir dir;
  // A node limit of 12 forces the builder to split these words over several dictionaries.
  const std::vector<std::string> words = {"apple", "apply", "banana", "band", "cherry", "zebra", "zero"};
  const std::string path = dir.File("split.dct");
  WriteBytes(path, spell::testing::MainDictionaryBytes(words, 12));
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(path).IsOk());
  for (const auto& w : words) EXPECT_TRUE(spell.CheckWord(w)) << w;
  EXPECT_FALSE(spell.CheckWord("ban"));
  EXPECT_FALSE(spell.CheckWord("zebras"));
}

TEST(OpenDictionary, AFileCutShortKeepsWhatItHoldsAndSaysWhatIsMissing) {
  ScratchDir dir;
  // Three dictionaries in one file (see above); the last one holds ZEBRA and ZERO.
  const std::vector<std::string> words = {"apple", "apply", "banana", "band", "cherry", "zebra", "zero"};
  const std::string bytes = spell::testing::MainDictionaryBytes(words, 12);
  struct Case {
    size_t cut;  // bytes cut off the end
    const char* dropped;
  };
  for (const Case& c :
       {Case{3, "the last node of dictionary 3"}, Case{7, "the last 3 nodes of dictionary 3"}}) {
    const std::string path = dir.File("cut.dct");
    WriteBytes(path, bytes.substr(0, bytes.size() - c.cut));
    LexivSpell spell;
    const Status opened = spell.OpenDictionary(path);
    ASSERT_EQ(opened.Code(), StatusCode::Damaged) << c.cut;
    EXPECT_EQ(opened.DamageFound()->offset, static_cast<int64_t>(bytes.size() - c.cut));
    EXPECT_NE(opened.DamageFound()->dropped.find(c.dropped), std::string::npos)
        << opened.DamageFound()->dropped;
    EXPECT_NE(opened.Message().find(c.dropped), std::string::npos) << opened.Message();
    for (const char* w : {"apple", "apply", "banana", "band", "cherry"}) EXPECT_TRUE(spell.CheckWord(w)) << w;
    EXPECT_EQ(spell.OpenDictionary(path).Code(), StatusCode::Refused);  // it is open
  }
}

TEST(CheckWord, NoBacktrackingWithinADictionary) {
  // A hand-made run holding A twice: the first A with a child decides, so AT, which only the
  // second A leads to, is not found; a sound file never holds a letter twice in a run.
  std::string bytes = "HAND MADE\x1a";
  spell::DictionaryHeader h;
  h.nodesUsed = h.capacity = 4;
  h.kind = spell::kKindMain;
  h.offset = static_cast<int32_t>(bytes.size());
  spell::AppendHeader(bytes, h);
  using spell::testing::MakeNode;
  spell::AppendNode(bytes, MakeNode(3, 'A', 0));                                     // A -> 3
  spell::AppendNode(bytes, MakeNode(4, 'A', spell::kLastInRun));                     // A -> 4
  spell::AppendNode(bytes, MakeNode(0, 'N', spell::kLastInRun | spell::kEndsWord));  // AN
  spell::AppendNode(bytes, MakeNode(0, 'T', spell::kLastInRun | spell::kEndsWord));  // AT
  ScratchDir dir;
  WriteBytes(dir.File("dup.dct"), bytes);
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(dir.File("dup.dct")).IsOk());
  EXPECT_TRUE(spell.CheckWord("an"));
  EXPECT_FALSE(spell.CheckWord("at"));
}

TEST(CheckWord, OneInitialSpreadOverSeveralDictionaries) {
  // A node limit of 8 puts the C-A words into two dictionaries that share their first two
  // letters, so a lookup must try both.
  const std::vector<std::string> words = {"cab", "cad", "cam", "can", "cap", "car", "cat", "caw", "cow"};
  ScratchDir dir;
  const std::string path = dir.File("split.dct");
  WriteBytes(path, spell::testing::MainDictionaryBytes(words, 8));
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(path).IsOk());
  for (const auto& w : words) EXPECT_TRUE(spell.CheckWord(w)) << w;
  for (const char* w : {"ca", "cax", "caws", "co", "cowl"}) EXPECT_FALSE(spell.CheckWord(w)) << w;
}

TEST(CheckWord, MainAndUserDictionariesAgreeOnOddTries) {
  // One hand-made trie with what sound files never hold: letters twice in a run, a child past
  // the end of the file, a free-slot child, a run that runs off the end of the file. Opened as
  // a main dictionary (read through the cache) and as a user dictionary (read node by node),
  // both must give the answers the search rules give.
  using spell::kEndsWord;
  using spell::kLastInRun;
  using spell::testing::MakeNode;
  std::string bytes = "HAND MADE\x1a";
  spell::DictionaryHeader h;
  h.nodesUsed = h.capacity = 11;
  h.kind = spell::kKindMain;
  h.offset = static_cast<int32_t>(bytes.size());
  spell::AppendHeader(bytes, h);
  const spell::Node nodes[] = {
      MakeNode(3, 'C', 0),                       // 1: the first C with a child decides
      MakeNode(7, 'C', kLastInRun),              // 2: never reached
      MakeNode(0, 'A', kEndsWord),               // 3: CA, no child: CA... goes on scanning
      MakeNode(8, 'A', 0),                       // 4: CA... goes to 8
      MakeNode(65000, 'O', kEndsWord),           // 5: CO; a free slot is no child
      MakeNode(60000, 'B', kLastInRun),          // 6: a child far past the end
      MakeNode(0, 'U', kEndsWord | kLastInRun),  // 7: CU under the second C
      MakeNode(10, 'T', kEndsWord),              // 8: CAT
      MakeNode(11, 'T', kLastInRun),             // 9: a second T
      MakeNode(0, 'S', kEndsWord),               // 10: CATS
      MakeNode(0, 'E', kEndsWord),               // 11: CATE; the run never ends
  };
  for (const spell::Node& n : nodes) spell::AppendNode(bytes, n);
  ScratchDir dir;
  WriteBytes(dir.File("main.dct"), bytes);
  std::string user = bytes;
  user[static_cast<size_t>(h.offset) + 12] = spell::kKindUser;
  WriteBytes(dir.File("user.dct"), user);

  LexivSpell as_main;
  ASSERT_TRUE(as_main.OpenDictionary(dir.File("main.dct")).IsOk());
  LexivSpell as_user;
  as_user.SetDictionaryName(dir.File("none.dct"));
  ASSERT_GE(as_user.OpenUserDictionary(dir.File("user.dct")).Value(), 2);
  struct Case {
    const char* word;
    bool ok;
  };
  const Case cases[] = {
      {"ca", true},   {"cat", true},  {"cats", true},   {"cate", true}, {"catx", false},
      {"caa", false}, {"co", true},   {"cox", false},   {"cb", false},  {"cbx", false},
      {"cu", false},  {"ca's", true}, {"cats's", true}, {"c", true},    {"xa", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(as_main.CheckWord(c.word), c.ok) << c.word << " as a main dictionary";
    EXPECT_EQ(as_user.CheckWord(c.word), c.ok) << c.word << " as a user dictionary";
  }
}

TEST(OpenDictionary, RefusesASecondMainAndUserFilesAndRetriesTheNameLater) {
  ScratchDir dir;
  const std::string main_path = WriteMainDictionary(dir, {"alpha"});
  LexivSpell spell;
  EXPECT_EQ(spell.DictionaryName(), "lexiv.dct");
  EXPECT_EQ(spell.DictionaryUser(), "custom.dct");
  spell.SetDictionaryName(main_path + ".missing");
  EXPECT_FALSE(spell.CheckWord("alpha"));  // nothing open yet: only one-letter words pass
  spell.SetDictionaryName(main_path);
  EXPECT_TRUE(spell.CheckWord("alpha"));  // the failed open is tried again
  EXPECT_EQ(spell.OpenDictionary(main_path).Code(), StatusCode::Refused);
  spell.CloseDictionaries();
  EXPECT_TRUE(spell.OpenDictionary(main_path).IsOk());
  EXPECT_EQ(spell.DictionaryName(), main_path);

  std::vector<std::string> none;
  LexivSpell other;
  ASSERT_GT(other.CreateUserDictionary(dir.File("user.dct"), none).Value(), 0);
  EXPECT_EQ(other.OpenDictionary(dir.File("user.dct")).Code(), StatusCode::Refused);
  WriteBytes(dir.File("text.dct"), "no end mark in this file");
  EXPECT_EQ(other.OpenDictionary(dir.File("text.dct")).Code(), StatusCode::Refused);
}

TEST(MaxSuggestions, StoresAtMost220) {
  LexivSpell spell;
  EXPECT_EQ(spell.MaxSuggestions(), 10);
  spell.SetMaxSuggestions(250);
  EXPECT_EQ(spell.MaxSuggestions(), 220);
  spell.SetMaxSuggestions(220);
  EXPECT_EQ(spell.MaxSuggestions(), 220);
}

class SuggestTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& words) {
    ASSERT_TRUE(spell_.OpenDictionary(WriteMainDictionary(dir_, words)).IsOk());
  }
  std::vector<std::string> Suggest(const std::string& word) { return spell_.Suggest(word); }
  ScratchDir dir_;
  LexivSpell spell_;
};

TEST_F(SuggestTest, BestFirstInTheTypedLetterCase) {
  Open({"the", "then", "hat", "zoo"});
  const auto lower = Suggest("teh");
  ASSERT_FALSE(lower.empty());
  EXPECT_EQ(lower[0], "the");
  EXPECT_EQ(Suggest("Teh")[0], "The");
  EXPECT_EQ(Suggest("TEH")[0], "THE");
  for (const auto& s : lower) EXPECT_NE(s, "zoo");  // another first letter and key
}

TEST_F(SuggestTest, TriesTheFirstLettersOfTheTableRow) {
  Open({"bat", "cat", "vat", "fat"});
  // V's row tries B, C and V; F is not in it.
  const auto from_v = Suggest("vatt");
  EXPECT_NE(std::find(from_v.begin(), from_v.end(), "bat"), from_v.end());
  EXPECT_NE(std::find(from_v.begin(), from_v.end(), "cat"), from_v.end());
  EXPECT_NE(std::find(from_v.begin(), from_v.end(), "vat"), from_v.end());
  EXPECT_EQ(std::find(from_v.begin(), from_v.end(), "fat"), from_v.end());
  // A digit is in no row: only the digit itself is tried, and no word starts with it.
  EXPECT_TRUE(Suggest("5at").empty());
}

TEST_F(SuggestTest, MaxSuggestionsZeroStillGivesOne) {
  Open({"cart", "card", "care", "cars"});
  spell_.SetMaxSuggestions(0);
  EXPECT_EQ(Suggest("carx").size(), 1u);
  spell_.SetMaxSuggestions(2);
  EXPECT_EQ(Suggest("carx").size(), 2u);
}

TEST_F(SuggestTest, SplitsWordsRunTogether) {
  Open({"spell", "check", "in", "into"});
  const auto s = Suggest("spellcheck");
  EXPECT_NE(std::find(s.begin(), s.end(), "spell check"), s.end());
}

TEST_F(SuggestTest, RealCorrectionsBeforeSplitsIntoShortWords) {
  Open({"adopt", "add", "opt", "spell", "check"});
  const auto addopt = Suggest("addopt");
  ASSERT_FALSE(addopt.empty());
  EXPECT_EQ(addopt[0], "adopt");
  EXPECT_NE(std::find(addopt.begin(), addopt.end(), "add opt"), addopt.end());  // still offered, later
  EXPECT_EQ(Suggest("spellcheck")[0], "spell check");  // where no word is closer, a split still leads
}

TEST_F(SuggestTest, EmptyWordAndLongWords) {
  Open({"internationalization"});
  EXPECT_TRUE(Suggest("").empty());
  // Cut to 25 characters before the search; still finds the word.
  const auto s = Suggest("internationalizationxxxxxxxxxx");
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s[0], "internationalization");
}

TEST_F(SuggestTest, OneLetterWordsComeOnceForEveryPassAndDictionary) {
  // One-letter words are never stored by the builder, so this trie is made by hand: the word I
  // at the first level and IN below it.
  std::string bytes = "HAND MADE\x1a";
  spell::DictionaryHeader h;
  h.nodesUsed = h.capacity = 2;
  h.kind = spell::kKindMain;
  h.offset = static_cast<int32_t>(bytes.size());
  spell::AppendHeader(bytes, h);
  spell::AppendNode(bytes, spell::testing::MakeNode(2, 'I', spell::kLastInRun | spell::kEndsWord));
  spell::AppendNode(bytes, spell::testing::MakeNode(0, 'N', spell::kLastInRun | spell::kEndsWord));
  WriteBytes(dir_.File("i.dct"), bytes);
  ASSERT_TRUE(spell_.OpenDictionary(dir_.File("i.dct")).IsOk());
  spell_.SetMaxSuggestions(50);
  const auto s = Suggest("ib");  // I's row tries 12 first letters
  EXPECT_EQ(std::count(s.begin(), s.end(), "i"), 12);
  EXPECT_EQ(s[0], "in");
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

TEST(DamagedDictionary, LoopsWildLinksAndHugeCapacitiesEndQuickly) {
  using spell::testing::MakeNode;
  ScratchDir dir;
  // A run that never ends and links back to itself: every prefix of vowels keeps the phonetic
  // key, so only the read budget stops the suggestion walk.
  std::string loops = "X\x1a";
  spell::DictionaryHeader h;
  h.nodesUsed = 4;
  h.capacity = 0x7fffffff;
  h.kind = spell::kKindMain;
  h.offset = static_cast<int32_t>(loops.size());
  spell::AppendHeader(loops, h);
  spell::AppendNode(loops, MakeNode(1, 'A', spell::kEndsWord));
  spell::AppendNode(loops, MakeNode(1, 'E', spell::kEndsWord));
  spell::AppendNode(loops, MakeNode(60000, 'I', 0));  // a child far past the end of the file
  spell::AppendNode(loops, MakeNode(2, 'O', spell::kEndsWord));
  WriteBytes(dir.File("loops.dct"), loops);
  LexivSpell spell;
  // The header claims far more nodes than the file holds: what is there is read, and the
  // status says where the file ends and what it lacks.
  const Status opened = spell.OpenDictionary(dir.File("loops.dct"));
  ASSERT_EQ(opened.Code(), StatusCode::Damaged);
  ASSERT_TRUE(opened.DamageFound().has_value());
  EXPECT_EQ(opened.DamageFound()->offset, static_cast<int64_t>(loops.size()));
  EXPECT_NE(opened.DamageFound()->dropped.find("2147483643 nodes of dictionary 1"), std::string::npos)
      << opened.DamageFound()->dropped;
  EXPECT_TRUE(spell.CheckWord("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"));
  EXPECT_FALSE(spell.CheckWord("ix"));
  spell.SetMaxSuggestions(5);
  EXPECT_EQ(spell.Suggest("aeo").size(), 5u);
  EXPECT_EQ(spell.LastSuggestNodeReads(), LexivSpell::kSuggestNodeBudget);

  // The same nodes as a user dictionary: additions stay within the file's reach.
  std::string user = loops;
  user[loops.find('\x1a') + 1 + 12] = 0;  // kind byte: user
  WriteBytes(dir.File("user.dct"), user);
  LexivSpell other;
  other.SetDictionaryName(dir.File("none.dct"));
  const int16_t number = other.OpenUserDictionary(dir.File("user.dct")).Value();
  ASSERT_GE(number, 2);
  EXPECT_TRUE(other.AddWord("zebra", number).IsOk());
  EXPECT_TRUE(other.CheckWord("zebra"));
  EXPECT_LT(spell::testing::ReadBytes(dir.File("user.dct")).size(), 1000u);
}

}  // namespace
}  // namespace inkwend
