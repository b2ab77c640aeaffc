#include "spell/ui/spelling_marker.h"

#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPoint>
#include <vector>

#include "richtext/widgets/wp_rich_text.h"
#include "spell/ui/spell_check_dialog.h"

namespace inkwend {
namespace {

// Verdicts kept before the list starts afresh (a few megabytes at most).
constexpr size_t kMaxVerdicts = 200'000;

bool IsApostrophe(char32_t c) { return c == U'\'' || c == U'\u2019'; }
bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

QString FromU32(std::u32string_view s) {
  return QString::fromUcs4(s.data(), static_cast<qsizetype>(s.size()));
}

// The word as the engine's dictionaries spell it: typographic apostrophes as plain ones,
// without the soft hyphens that only say where it may break. False when Windows-1252 cannot
// hold it (the dictionaries know no such word, so it is not theirs to judge).
bool SpellerText(std::u32string_view word, std::string& out) {
  std::u32string plain;
  plain.reserve(word.size());
  for (char32_t c : word) {
    if (c == kCharSoftHyphen) continue;
    plain.push_back(c == U'\u2019' ? U'\'' : c);
  }
  return ToSpellerText(FromU32(plain), out);
}

bool SameLetters(std::u32string_view a, std::u32string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

bool InDocument(const WPRichText& editor, const Paragraph* par) {
  for (const Paragraph* p = editor.Memo().Document().FirstParagraph(); p; p = p->next)
    if (p == par) return true;
  return false;
}

}  // namespace

SpellingMarker::SpellingMarker(WPRichText& editor, const QString& main_dictionary,
                               const QString& user_dictionary)
    : editor_(editor), userDictionary_(user_dictionary) {
  passEnd_.setSingleShot(true);
  passEnd_.setInterval(0);
  QObject::connect(&passEnd_, &QTimer::timeout, [this] { pass_.reset(); });
  // Named first, so that the engine's retries look in the same place.
  speller_.SetDictionaryName(main_dictionary.toStdString());
  (void)speller_.OpenDictionary(main_dictionary.toStdString());  // without it: the user's words only
  OpenUserDictionary(false);
}

SpellingMarker::~SpellingMarker() {
  if (enabled_) SetEnabled(false);
  speller_.CloseDictionaries();
}

bool SpellingMarker::OpenUserDictionary(bool create) {
  if (userNumber_ != -1) return true;
  const std::string path = userDictionary_.toStdString();
  if (QFileInfo::exists(userDictionary_)) {
    Result<int16_t> opened = speller_.OpenUserDictionary(path);
    if (opened.IsOk()) userNumber_ = opened.Value();
  } else if (create) {
    std::vector<std::string> none;
    Result<int16_t> made = speller_.CreateUserDictionary(path, none);
    if (made.IsOk()) userNumber_ = made.Value();
  }
  return userNumber_ != -1;
}

void SpellingMarker::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  exemptPar_ = nullptr;
  if (on) {
    editor_.onCaretMoved = [this](WPRichText&) { OnCaretMoved(); };
    editor_.onContextMenu = [this](WPRichText&, QMenu& menu, const QPoint& point) { FillMenu(menu, point); };
    editor_.SetOnSpellCheckWord([this](WPRichText&, std::u32string_view word, std::array<int, 8>&,
                                       uint8_t& flags) { OnWord(word, flags); });
  } else {
    editor_.onCaretMoved = nullptr;
    editor_.onContextMenu = nullptr;
    editor_.SetOnSpellCheckWord(nullptr);
  }
}

void SpellingMarker::DictionariesChanged() {
  verdicts_.clear();
  if (enabled_) editor_.RecheckWords();
}

void SpellingMarker::OnWord(std::u32string_view word, uint8_t& flags) {
  if (AtCaret(word)) {
    flags = 0;  // judged when the caret leaves it
    return;
  }
  flags = Accepts(word) ? 0 : 2;
}

bool SpellingMarker::AtCaret(std::u32string_view word) {
  const EditController& memo = editor_.Memo();
  Paragraph* par = memo.caret.par;
  if (!par) return false;
  const std::span<const char32_t> text = par->Text();
  const std::less<const char32_t*> before;
  if (before(word.data(), text.data()) || before(text.data() + text.size(), word.data())) return false;
  const auto start = static_cast<int>(word.data() - text.data());
  const int end = start + static_cast<int>(word.size());
  const int caret = memo.CaretPos().offset;
  if (caret <= start || caret > end) return false;
  if (exemptPar_ && exemptPar_ != par) pendingRecheck_.push_back(exemptPar_);
  exemptPar_ = par;
  exemptStart_ = start;
  exemptEnd_ = end;
  return true;
}

void SpellingMarker::OnCaretMoved() {
  if (!exemptPar_ && pendingRecheck_.empty()) return;
  const ParPos caret = editor_.Memo().CaretPos();
  if (exemptPar_ && !(caret.par == exemptPar_ && caret.offset > exemptStart_ && caret.offset <= exemptEnd_)) {
    pendingRecheck_.push_back(exemptPar_);
    exemptPar_ = nullptr;
  }
  std::vector<Paragraph*> left;
  left.swap(pendingRecheck_);
  for (Paragraph* par : left) {
    // An edit may have removed the paragraph meanwhile (joined to the one before).
    if (par == caret.par || InDocument(editor_, par)) editor_.RecheckWords(par);
  }
}

bool SpellingMarker::Accepts(std::u32string_view word) {
  for (char32_t c : word)
    if (IsDigit(c)) return true;  // "2nd", "mp3": not words of a dictionary
  size_t i = 0;
  const size_t n = word.size();
  while (i < n) {
    if (!IsWordChar(word[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && (IsWordChar(word[j]) || (IsApostrophe(word[j]) && j + 1 < n && IsWordChar(word[j + 1]))))
      ++j;
    if (!CheckPiece(word.substr(i, j - i))) return false;
    i = j;
  }
  return true;
}

bool SpellingMarker::CheckPiece(std::u32string_view piece) {
  if (piece.size() <= 1 || ignored_.contains(piece)) return true;
  if (const auto it = verdicts_.find(piece); it != verdicts_.end()) return it->second;
  std::string text;
  if (!pass_) {
    pass_.emplace(speller_);
    passEnd_.start();
  }
  const bool ok = !SpellerText(piece, text) || speller_.CheckWord(text);
  if (verdicts_.size() >= kMaxVerdicts) verdicts_.clear();
  verdicts_.emplace(std::u32string(piece), ok);
  return ok;
}

void SpellingMarker::FillMenu(QMenu& menu, const QPoint& point) {
  const EditController& memo = editor_.Memo();
  const ParPos at = memo.PosAtPoint(point.x(), point.y());
  if (!at.par || !at.par->HasAttributes()) return;
  const std::span<const char32_t> text = at.par->Text();
  const int n = static_cast<int>(text.size());
  const TextLayout& layout = memo.Layout();
  auto marked = [&](int k) {
    return k >= 0 && k < n && (layout.WordFlagsAt(at.par, k) & kLayoutFlaggedWord);
  };
  int start = at.offset;
  if (!marked(start)) {
    if (!marked(start - 1)) return;
    --start;
  }
  while (marked(start - 1)) --start;
  int end = start;
  while (marked(end)) ++end;
  const std::u32string word(text.begin() + start, text.begin() + end);
  const int64_t from = memo.PositionOf(ParPos{at.par, start});
  const int64_t to = from + (end - start);

  std::string speller_text;
  int offered = 0;
  if (SpellerText(word, speller_text)) {
    for (const std::string& suggestion : speller_.Suggest(speller_text)) {
      if (offered++ == kMenuSuggestions) break;
      const QString replacement = FromSpellerText(suggestion);
      QAction* a = menu.addAction(replacement);
      QFont bold = a->font();
      bold.setBold(true);
      a->setFont(bold);
      QObject::connect(a, &QAction::triggered, &editor_, [this, from, to, word, replacement] {
        // The word must still stand where it was when the menu opened.
        const EditController& now = editor_.Memo();
        const ParPos p = now.PosAt(from);
        const std::span<const char32_t> t = p.par ? p.par->Text() : std::span<const char32_t>();
        if (static_cast<size_t>(p.offset) + word.size() > t.size() ||
            !std::equal(word.begin(), word.end(), t.begin() + p.offset))
          return;
        editor_.SelectRange(from, to);
        editor_.ReplaceSelection(replacement);  // one undoable edit
      });
    }
  }
  if (offered == 0) menu.addAction(QStringLiteral("(no suggestions)"))->setEnabled(false);
  menu.addSeparator();
  menu.addAction(QStringLiteral("Add to Dictionary"), &editor_, [this, word] { AddToDictionary(word); })
      ->setObjectName(QStringLiteral("AddToDictionary"));
  menu.addAction(QStringLiteral("Ignore"), &editor_, [this, word] { Ignore(word); })
      ->setObjectName(QStringLiteral("IgnoreWord"));
}

void SpellingMarker::AddToDictionary(const std::u32string& word) {
  std::string text;
  Status added = Status::Error(StatusCode::Refused, "Its letters are not ones the dictionary can hold.");
  if (!OpenUserDictionary(true))
    added = Status::Error(StatusCode::IoError, "The dictionary " + userDictionary_.toStdString() +
                                                   " could not be opened or created.");
  else if (SpellerText(word, text))
    added = speller_.AddWord(text, userNumber_);
  if (!added.IsOk()) {
    const QString why = QStringLiteral("\"%1\" could not be added to your dictionary. %2")
                            .arg(FromU32(word), QString::fromStdString(added.Message()));
    if (onMessage)
      onMessage(why);
    else
      QMessageBox::information(&editor_, QStringLiteral("Information"), why);
    return;
  }
  // Every letter case of the word is known from now on.
  for (auto& [known, ok] : verdicts_)
    if (!ok && SameLetters(known, word)) ok = true;
  editor_.RecheckWords();
}

void SpellingMarker::Ignore(const std::u32string& word) {
  ignored_.insert(word);
  editor_.RecheckWords();
}

}  // namespace inkwend
