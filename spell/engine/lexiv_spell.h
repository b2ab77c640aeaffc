#pragma once
// LexivSpell: checks words against letter-trie dictionaries (.dct files), adds words to user
// dictionaries and proposes replacements for misspelt words. Words cross this interface as
// single-byte Windows-1252 text; spell/engine/windows1252.h converts from and to UTF-8.
//
// A main dictionary file is read-only and read through a small cache. Several running copies of
// the program may share one user dictionary file, so before an operation its size and times are
// looked at and it is read again when they changed; an addition changes it in place under a
// lock. Within a Pass (a walk over many words) it is looked at once, at the first operation.
//
// Failures come back as a Status (base/status.h) with a message for the user.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace inkwend {

namespace spell {
class UserDictionaryWriter;
}

class LexivSpell {
 public:
  LexivSpell();
  ~LexivSpell();
  LexivSpell(const LexivSpell&) = delete;
  LexivSpell& operator=(const LexivSpell&) = delete;

  // Main dictionary opened on demand by CheckWord, AddWord and Suggest while none is open.
  const std::string& DictionaryName() const { return dictionaryName_; }
  void SetDictionaryName(std::string path) { dictionaryName_ = std::move(path); }
  // Kept with the component for its users; no operation reads it.
  const std::string& DictionaryUser() const { return dictionaryUser_; }
  void SetDictionaryUser(std::string path) { dictionaryUser_ = std::move(path); }
  // Where additions to user dictionaries are written; the file system's unless a test puts a
  // failing one in.
  void SetUserDictionaryWriter(spell::UserDictionaryWriter& writer) { writer_ = &writer; }
  // Most suggestions returned; values above 220 store 220.
  uint8_t MaxSuggestions() const { return maxSuggestions_; }
  void SetMaxSuggestions(uint8_t count) { maxSuggestions_ = count > 220 ? 220 : count; }

  // Opens the main dictionaries of a file. Refused while one is open or when the file holds no
  // main dictionary. A damaged file gives Damaged: the dictionaries are open with what could be
  // read, and the status says where the damage lies and what was left out.
  Status OpenDictionary(const std::string& path);
  // Opens an existing user dictionary and gives its number; Refused when the file holds a main
  // dictionary (nothing is added to the chain).
  Result<int16_t> OpenUserDictionary(const std::string& path);
  // Creates a new user dictionary holding the word A and `words` (which get sorted; a word too
  // long for a user dictionary is left out) and gives its number. An existing file is never
  // overwritten; a file that could not be written whole is removed again.
  Result<int16_t> CreateUserDictionary(const std::string& path, std::vector<std::string>& words);

  // Takes the word as it stands (no copy is made), so callers can pass a piece of a longer text.
  bool CheckWord(std::string_view word);
  // Adds the word to the open user dictionary with that number. NotFound for a number that
  // names none; Refused for a word that is empty, longer than 25 characters or would take the
  // dictionary past 63999 nodes; IoError when the file could not be written, in which case the
  // file and the engine are left as they were before the call.
  Status AddWord(const std::string& word, int16_t number);
  // Replacements best first, in the letter case of `word`; owned by the engine and overwritten
  // by the next call. Words a few typing slips from `word` come first, the cheapest slips first;
  // the rest follow in the order of their similarity scores.
  const std::vector<std::string>& Suggest(const std::string& word);
  // Closes every open dictionary.
  void CloseDictionaries();

  // While one is alive, the user dictionaries are looked at by the first operation only; what
  // another program adds meanwhile is seen by the next pass. Passes may nest.
  class Pass {
   public:
    explicit Pass(LexivSpell& spell);
    ~Pass();
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    LexivSpell& spell_;
  };

  // Node reads the phonetic walk of the last Suggest made; a damaged dictionary is cut short at
  // kSuggestNodeBudget. (The search for words a few typing slips away has a budget of its own.)
  uint64_t LastSuggestNodeReads() const { return lastSuggestReads_; }
  static constexpr uint64_t kSuggestNodeBudget = 50'000;  // the shipped dictionary needs at most ~6'000

  struct Dictionary;  // one dictionary of the chain (defined in the .cpp)

 private:
  void OpenMainIfNeeded();
  // Where lookups go after their first two letters, over every main dictionary of the chain.
  void IndexMainDictionaries();
  // Reads every user dictionary's header again.
  void RefreshUserHeaders();
  // Brings the user dictionaries up to date with their files (once per pass within one).
  void RefreshUserDictionaries();
  // Makes the next operation read the user dictionaries again.
  void ForgetUserDictionaries();
  bool CheckInChain(std::string_view word);                          // either letter case
  bool CheckInMainDictionaries(const uint8_t* word, size_t length);  // length >= 2
  static bool CheckInMainDictionary(Dictionary& dict, uint32_t run, const uint8_t* word, size_t length);
  static bool CheckInUserDictionary(const Dictionary& dict, const uint8_t* word, size_t length);
  Dictionary* FindUserDictionary(int16_t number) const;
  Status AddToUserDictionary(Dictionary& dict, const std::string& upper);
  Result<int16_t> AppendUserDictionary(int fd, const std::string& path, int64_t header_offset);
  std::string dictionaryName_ = "lexiv.dct";
  std::string dictionaryUser_ = "custom.dct";
  uint8_t maxSuggestions_ = 10;
  bool mainOpen_ = false;
  std::vector<std::unique_ptr<Dictionary>> chain_;
  int userDictionaries_ = 0;  // in the chain
  // The main dictionaries of the chain, in chain order, and for each two letter codes c1 c2
  // (entry c1 * 64 + c2) where lookups of words starting with them go on (see the .cpp).
  std::vector<Dictionary*> mains_;
  std::vector<uint32_t> mainStarts_;
  uint16_t nextUserNumber_ = 2;
  spell::UserDictionaryWriter* writer_;
  std::vector<std::string> suggestions_;
  uint64_t lastSuggestReads_ = 0;
  int passes_ = 0;           // Pass objects alive
  bool userLooked_ = false;  // the user dictionaries were looked at in the current pass
};

}  // namespace inkwend
