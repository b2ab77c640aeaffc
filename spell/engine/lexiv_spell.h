#pragma once
// TLexivSpell: checks words against letter-trie dictionaries (.dct files), adds words to user
// dictionaries and proposes replacements for misspelt words. Words cross this interface as
// single-byte Windows-1252 text; spell/engine/windows1252.h converts from and to UTF-8.
//
// A main dictionary file is read-only and read through a small cache; a user dictionary is read
// and written node by node, and its header is read again before every operation, so that
// several running copies of the program may share one user dictionary file.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace inkwend {

class TLexivSpell {
 public:
  TLexivSpell();
  ~TLexivSpell();
  TLexivSpell(const TLexivSpell&) = delete;
  TLexivSpell& operator=(const TLexivSpell&) = delete;

  // Main dictionary opened on demand by CheckWord, AddWord and Suggest while none is open.
  const std::string& DictionaryName() const { return dictionary_name_; }
  void SetDictionaryName(std::string path) { dictionary_name_ = std::move(path); }
  // Kept with the component for its users; no operation reads it.
  const std::string& DictionaryUser() const { return dictionary_user_; }
  void SetDictionaryUser(std::string path) { dictionary_user_ = std::move(path); }
  // Most suggestions returned; values above 220 store 220.
  uint8_t MaxSuggestions() const { return max_suggestions_; }
  void SetMaxSuggestions(uint8_t count) { max_suggestions_ = count > 220 ? 220 : count; }

  // Opens the main dictionaries of a file; false when one is already open or the file is not a
  // readable main dictionary file.
  bool OpenDictionary(const std::string& path);
  // Opens an existing user dictionary: its number, -1 when the file cannot be opened, 0 when
  // the file holds a main dictionary.
  int16_t OpenUserDictionary(const std::string& path);
  // Creates a new user dictionary holding the word A and `words` (which get sorted): its number,
  // or -1 when the file cannot be created. An existing file is never overwritten.
  int16_t CreateUserDictionary(const std::string& path, std::vector<std::string>& words);

  // Takes the word as it stands (no copy is made), so callers can pass a piece of a longer text.
  bool CheckWord(std::string_view word);
  // True for any open user dictionary number, also when the word was refused for its length
  // (more than 25 characters) or because the dictionary is full.
  bool AddWord(const std::string& word, int16_t number);
  // Replacements best first, in the letter case of `word`; owned by the engine and overwritten
  // by the next call.
  const std::vector<std::string>& Suggest(const std::string& word);
  // Closes every open dictionary.
  void CloseDictionaries();

  // Node reads the last Suggest made; a damaged dictionary is cut short at kSuggestNodeBudget.
  uint64_t LastSuggestNodeReads() const { return last_suggest_reads_; }
  static constexpr uint64_t kSuggestNodeBudget = 50'000;  // the shipped dictionary needs at most ~6'000

  struct Dictionary;  // one dictionary of the chain (defined in the .cpp)

 private:
  void OpenMainIfNeeded();
  // Reads every user dictionary's header again; for a check or a suggestion also the first
  // nodes that follow it, in the same read.
  void RefreshUserHeaders(bool with_first_nodes);
  bool CheckInChain(std::string_view word);                          // either letter case
  bool CheckInMainDictionaries(const uint8_t* word, size_t length);  // length >= 2
  static bool CheckInMainDictionary(Dictionary& dict, uint32_t run, const uint8_t* word, size_t length);
  static bool CheckInUserDictionary(Dictionary& dict, const uint8_t* word, size_t length);
  bool InsertWord(Dictionary& dict, const std::string& upper);  // false: no room on the disk
  int16_t AppendUserDictionary(int fd, const std::string& path, int64_t header_offset);

  std::string dictionary_name_ = "lexiv.dct";
  std::string dictionary_user_ = "custom.dct";
  uint8_t max_suggestions_ = 10;
  bool main_open_ = false;
  std::vector<std::unique_ptr<Dictionary>> chain_;
  int user_dictionaries_ = 0;  // in the chain
  // The main dictionaries of the chain, in chain order, and for each two letter codes c1 c2
  // (entry c1 * 64 + c2) where lookups of words starting with them go on (see the .cpp).
  std::vector<Dictionary*> mains_;
  std::vector<uint32_t> main_starts_;
  uint16_t next_user_number_ = 2;
  std::vector<std::string> suggestions_;
  uint64_t last_suggest_reads_ = 0;
};

}  // namespace inkwend
