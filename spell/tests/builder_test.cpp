// The dictionary builder and the shipped main dictionary.
#include <gtest/gtest.h>

#include <fstream>

#include "spell/engine/dictionary_builder.h"
#include "spell/engine/lexiv_spell.h"
#include "spell/engine/windows1252.h"
#include "spell/tests/test_files.h"

namespace inkwend::spell {
namespace {

using testing::RawDictionary;
using testing::ScratchDir;

// Every dictionary header of a main dictionary file, in file order.
std::vector<DictionaryHeader> Headers(const std::string& bytes) {
  std::vector<DictionaryHeader> headers;
  int64_t pos = static_cast<int64_t>(bytes.find(static_cast<char>(kTextHeaderEnd))) + 1;
  while (pos + kHeaderSize <= static_cast<int64_t>(bytes.size())) {
    headers.push_back(ParseHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + pos));
    pos += kHeaderSize + int64_t{kNodeSize} * headers.back().capacity;
  }
  return headers;
}

TEST(Builder, TrieRunsPutTheLettersWithMostWordsFirst) {
  BuildReport report;
  std::string bytes;
  ASSERT_TRUE(BuildMainDictionary({"cat", "car", "Cat", "at", "a", "ox", "ox's", "cat's", "\xe9t\xe9"}, {},
                                  BuildOptions{}, bytes, &report)
                  .IsOk());
  EXPECT_EQ(report.wordsRead, 9u);
  EXPECT_EQ(report.skippedShort, 1u);       // a
  EXPECT_EQ(report.skippedPossessive, 2u);  // ox's, cat's
  EXPECT_EQ(report.wordsStored, 5u);        // at car cat ox été
  EXPECT_EQ(report.dictionaries, 1u);
  const RawDictionary raw = RawDictionary::Parse(bytes);
  EXPECT_NE(raw.header.kind, 0);
  EXPECT_EQ(raw.header.wordCount, 5);
  EXPECT_EQ(static_cast<size_t>(raw.header.nodesUsed), report.nodes);
  EXPECT_EQ(raw.nodes.size(), report.nodes + 1);
  // The first run: C (two words below it), then A O É in alphabet order, the last marked.
  const std::string first_run = {char(LetterCode('C')), char(LetterCode('A')), char(LetterCode('O')),
                                 char(LetterCode(0xC9))};
  for (size_t i = 0; i < first_run.size(); ++i) {
    EXPECT_EQ(raw.nodes[1 + i].code(), first_run[i]);
    EXPECT_EQ(raw.nodes[1 + i].last_in_run(), i + 1 == first_run.size());
  }
}

TEST(Builder, SplitsLargeListsAndEveryWordStillChecks) {
  std::vector<std::string> words;
  for (char a = 'a'; a <= 'z'; ++a)
    for (char b = 'a'; b <= 'z'; ++b)
      for (char c = 'a'; c <= 'e'; ++c) words.push_back(std::string{a, b, c, 'x'});
  BuildOptions options;
  options.maxNodes = 500;
  std::string bytes;
  BuildReport report;
  ASSERT_TRUE(BuildMainDictionary(words, {}, options, bytes, &report).IsOk());
  EXPECT_GT(report.dictionaries, 5u);
  const auto headers = Headers(bytes);
  ASSERT_EQ(headers.size(), report.dictionaries);
  for (const auto& h : headers) EXPECT_LE(h.capacity, 500);

  ScratchDir dir;
  testing::WriteBytes(dir.File("split.dct"), bytes);
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(dir.File("split.dct")).IsOk());
  for (const auto& w : words) ASSERT_TRUE(spell.CheckWord(w)) << w;
  EXPECT_FALSE(spell.CheckWord("abfx"));
  EXPECT_FALSE(spell.CheckWord("abc"));
}

TEST(Builder, RejectsUselessInput) {
  std::string bytes;
  EXPECT_EQ(BuildMainDictionary({"a", "b", "1"}, {}, BuildOptions{}, bytes, nullptr).Code(),
            StatusCode::Refused);
  BuildOptions options;
  options.maxNodes = 65000;
  EXPECT_EQ(BuildMainDictionary({"word"}, {}, options, bytes, nullptr).Code(), StatusCode::Refused);
  BuildReport report;
  ASSERT_TRUE(
      BuildMainDictionary({"naive", "na?ve", "r2d2"}, {false, true, false}, BuildOptions{}, bytes, &report)
          .IsOk());
  EXPECT_EQ(report.skippedForeign, 2u);
  EXPECT_EQ(report.wordsStored, 1u);
}

TEST(Builder, ReadsUtf8WordListsAndReportsMissingFiles) {
  ScratchDir dir;
  testing::WriteBytes(dir.File("words.txt"), "  caf\xc3\xa9\r\n\nna\xc3\xafve\n\xce\xa9mega\nzebra");
  BuildReport report;
  ASSERT_TRUE(
      BuildDictionaryFile(dir.File("words.txt"), dir.File("out.dct"), BuildOptions{}, &report).IsOk());
  EXPECT_EQ(report.wordsStored, 3u);
  EXPECT_EQ(report.skippedForeign, 1u);
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(dir.File("out.dct")).IsOk());
  EXPECT_TRUE(spell.CheckWord(Utf8ToWindows1252("Caf\xc3\xa9")));
  EXPECT_TRUE(spell.CheckWord("naive") == false);
  EXPECT_TRUE(spell.CheckWord("zebra"));
  EXPECT_FALSE(
      BuildDictionaryFile(dir.File("none.txt"), dir.File("out2.dct"), BuildOptions{}, nullptr).IsOk());
}

TEST(ShippedDictionary, AcceptsItsWordListAndRejectsCommonMisspellings) {
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(INKWEND_SHIPPED_DICTIONARY).IsOk());
  EXPECT_GT(Headers(testing::ReadBytes(INKWEND_SHIPPED_DICTIONARY)).size(), 1u);
  std::ifstream list(INKWEND_WORD_LIST);
  std::string line;
  size_t checked = 0;
  while (std::getline(list, line)) {
    bool mapped = false;
    const std::string word = Utf8ToWindows1252(line, &mapped);
    if (!mapped) continue;
    ASSERT_TRUE(spell.CheckWord(word)) << line;
    ++checked;
  }
  EXPECT_GT(checked, 90000u);
  for (const char* w : {"recieve", "teh", "accomodate", "definately", "seperate", "wierd"})
    EXPECT_FALSE(spell.CheckWord(w)) << w;
  for (const char* w : {"Receive", "the", "diary's", "don't", "Paris"}) EXPECT_TRUE(spell.CheckWord(w)) << w;
}

TEST(ShippedDictionary, SuggestsTheIntendedWordForCommonTypos) {
  LexivSpell spell;
  ASSERT_TRUE(spell.OpenDictionary(INKWEND_SHIPPED_DICTIONARY).IsOk());
  struct Case {
    const char* typed;
    const char* wanted;
  };
  const Case cases[] = {{"recieve", "receive"},
                        {"Definately", "Definitely"},
                        {"seperate", "separate"},
                        {"acommodate", "accommodate"}};
  for (const Case& c : cases) {
    const auto& s = spell.Suggest(c.typed);
    const auto top =
        std::vector<std::string>(s.begin(), s.begin() + std::min<std::ptrdiff_t>(std::ssize(s), 5));
    EXPECT_NE(std::find(top.begin(), top.end(), c.wanted), top.end()) << c.typed;
  }
}

}  // namespace
}  // namespace inkwend::spell
