#pragma once
// SpellingMarker: spelling as you type. Words of the editor's text that the spell engine does not
// accept get a red wavy underline as they are laid out; the word the caret is in is left alone
// until the caret leaves it, so a word is never marked while it is being typed. A right click on
// a marked word offers the first suggestions, "Add to Dictionary" and "Ignore".
//
// Verdicts are kept per word, so a keystroke costs a look-up per word of its paragraph and the
// engine is asked once per new word. The marks live in the layout only: they are never stored.
//
//   SpellingMarker marker(editor, main_dictionary_path, user_dictionary_path);
//   marker.SetEnabled(preferences.markSpelling);
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "spell/engine/lexiv_spell.h"

class QMenu;
class QPoint;

namespace inkwend {

class WPRichText;
class Paragraph;

class SpellingMarker {
 public:
  // `editor` outlives the marker. The user dictionary is opened when it exists and created at
  // the first "Add to Dictionary".
  SpellingMarker(WPRichText& editor, const QString& main_dictionary, const QString& user_dictionary);
  ~SpellingMarker();
  SpellingMarker(const SpellingMarker&) = delete;
  SpellingMarker& operator=(const SpellingMarker&) = delete;

  bool Enabled() const { return enabled_; }
  // Marks the text's misspelt words, or drops every mark.
  void SetEnabled(bool on);
  // The dictionaries changed behind the marker (the spell-check dialog added words): asks again.
  void DictionariesChanged();
  // Whether the engine accepts a word (the verdicts the marks follow).
  bool Accepts(std::u32string_view word);
  // Tells the user why a word could not be added; a message box when unassigned.
  std::function<void(const QString&)> onMessage;
  // How many suggestions the right-click menu offers.
  static constexpr int kMenuSuggestions = 5;

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::u32string_view s) const { return std::hash<std::u32string_view>{}(s); }
  };
  using VerdictMap = std::unordered_map<std::u32string, bool, Hash, std::equal_to<>>;

  void OnWord(std::u32string_view word, uint8_t& flags);
  void OnCaretMoved();
  void FillMenu(QMenu& menu, const QPoint& point);
  // Whether `word` (a view into a paragraph's text) holds the caret or ends right at it; the
  // word is then remembered, to be judged when the caret leaves it.
  bool AtCaret(std::u32string_view word);
  bool CheckPiece(std::u32string_view piece);
  void AddToDictionary(const std::u32string& word);
  void Ignore(const std::u32string& word);
  bool OpenUserDictionary(bool create);

  WPRichText& editor_;
  QString userDictionary_;
  LexivSpell speller_;
  // The words checked before control returns to the message loop (one layout pass) look at the
  // user dictionary once; the timer ends the pass from the loop.
  std::optional<LexivSpell::Pass> pass_;
  QTimer passEnd_;
  int16_t userNumber_ = -1;
  bool enabled_ = false;
  VerdictMap verdicts_;
  std::unordered_set<std::u32string, Hash, std::equal_to<>> ignored_;  // this session only
  // The paragraph whose word at the caret was left unmarked, and that word's place in it.
  Paragraph* exemptPar_ = nullptr;
  int exemptStart_ = 0;
  int exemptEnd_ = 0;
  // Paragraphs whose unmarked word the caret left, to be asked about again.
  std::vector<Paragraph*> pendingRecheck_;
};

}  // namespace inkwend
