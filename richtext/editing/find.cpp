// Find and replace, and the word walk of the spell checker.
#include <algorithm>

#include "richtext/editing/text_input.h"

namespace inkwend {

bool IsWordChar(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
  if (c >= 0xC0 && c <= 0xFF) return true;
  switch (c) {
    case 0x160:
    case 0x152:
    case 0x161:
    case 0x153:
    case 0x178:  // bytes 138, 140, 154, 156, 159
      return true;
    case 0x17D:
    case 0x17E:
    case 0x192:
    case 0x2C6:
    case 0x2DC:  // the other Windows-1252 extras
      return false;
    default:
      break;
  }
  if (c < 0x100) return false;
  // Letters of other scripts (typed through an input method) belong to words; punctuation,
  // symbols and spaces of the general blocks do not.
  if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x2E00 && c <= 0x2E7F) || (c >= 0x3000 && c <= 0x303F) ||
      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
      (c >= 0xFF5B && c <= 0xFF65) || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xE000 && c <= 0xF8FF) ||
      c >= 0x1F000) {
    return false;
  }
  return true;
}

char32_t LowerChar(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

bool EditController::MatchAt(const TParagraph* par, int offset, std::u32string_view text,
                             const TFindOptions& o) const {
  const int n = par->CharCount();
  const int len = static_cast<int>(text.size());
  if (offset < 0 || offset + len > n) return false;
  auto chars = par->Text();
  for (int k = 0; k < len; ++k) {
    const char32_t t = text[static_cast<size_t>(k)];
    if (t == U'*') continue;  // any one character
    const char32_t c = chars[static_cast<size_t>(offset) + static_cast<size_t>(k)];
    if (o.MatchCase ? c != t : LowerChar(c) != LowerChar(t)) return false;
  }
  if (o.WholeWord) {
    if (offset > 0 && IsWordChar(chars[static_cast<size_t>(offset) - 1])) return false;
    if (offset + len < n && IsWordChar(chars[static_cast<size_t>(offset) + static_cast<size_t>(len)]))
      return false;
  }
  return true;
}

bool EditController::Search(std::u32string_view text, TParPos from, const TFindOptions& o,
                            TParPos& hit) const {
  if (text.empty() || !from.Par) return false;
  const int len = static_cast<int>(text.size());
  if (o.Down) {
    int start = from.Offset;
    for (TParagraph* p = from.Par; p; p = p->Next, start = 0) {
      for (int i = start; i + len <= p->CharCount(); ++i) {
        if (MatchAt(p, i, text, o)) {
          hit = TParPos{p, i};
          return true;
        }
      }
    }
    return false;
  }
  int start = from.Offset - len;  // a backward hit ends at or before `from`
  for (TParagraph* p = from.Par; p; p = p->Prev) {
    if (p != from.Par) start = p->CharCount() - len;
    for (int i = start; i >= 0; --i) {
      if (MatchAt(p, i, text, o)) {
        hit = TParPos{p, i};
        return true;
      }
    }
  }
  return false;
}

void EditController::SelectHit(TParPos hit, int length, bool backwards) {
  const TParPos end{hit.Par, hit.Offset + length};
  MoveCaretTo(backwards ? end : hit, false);
  MoveCaretTo(backwards ? hit : end, true);
}

bool EditController::FindText(std::u32string_view text, bool backwards) {
  TFindOptions o = FindOptions;
  o.Down = !backwards;
  const TParPos from = backwards ? TParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}
                                 : TParPos{doc_.FirstParagraph(), 0};
  TParPos hit;
  if (!Search(text, from, o, hit)) return false;
  SelectHit(hit, static_cast<int>(text.size()), backwards);
  return true;
}

bool EditController::FindNext(std::u32string_view text) {
  TParPos hit;
  if (!Search(text, CaretPos(), FindOptions, hit)) return false;
  SelectHit(hit, static_cast<int>(text.size()), !FindOptions.Down);
  return true;
}

bool EditController::ReplaceNext(std::u32string_view find, std::u32string_view replacement) {
  if (ReadOnly) return false;
  if (HasSelection()) {
    const TParPos a = SelectionBegin(), b = SelectionEnd();
    if (a.Par == b.Par && b.Offset - a.Offset == static_cast<int>(find.size()) &&
        MatchAt(a.Par, a.Offset, find, FindOptions)) {
      ReplaceSelection(replacement);
      if (!FindOptions.Down) MoveCaretTo(a, false);
    }
  }
  return FindNext(find);
}

int EditController::ReplaceAll(std::u32string_view find, std::u32string_view replacement) {
  if (find.empty() || !CanEdit()) return 0;
  TFindOptions o = FindOptions;
  o.Down = true;
  TParPos from{doc_.FirstParagraph(), 0};
  int count = 0;
  TParPos hit;
  while (Search(find, from, o, hit)) {
    SelectHit(hit, static_cast<int>(find.size()), false);
    ReplaceSelection(replacement);
    from = CaretPos();
    ++count;
  }
  return count;
}

// --------------------------------------------------------------------------------------------
// Word walk

void EditController::WordWalkRestart(bool from_caret) {
  walk_pos_ = from_caret ? GetCaretPosition() : 0;
  walk_word_.clear();
  walk_word_pos_ = -1;
}

std::u32string EditController::NextWord() {
  walk_word_.clear();
  walk_word_pos_ = -1;
  TParPos p = PosAt(walk_pos_);
  int64_t abs = PositionOf(p);
  for (; p.Par;) {
    auto text = p.Par->Text();
    const int n = p.Par->CharCount();
    while (p.Offset < n && !IsWordChar(text[static_cast<size_t>(p.Offset)])) {
      ++p.Offset;
      ++abs;
    }
    if (p.Offset < n) {
      const int start = p.Offset;
      while (p.Offset < n && IsWordChar(text[static_cast<size_t>(p.Offset)])) ++p.Offset;
      walk_word_.assign(text.begin() + start, text.begin() + p.Offset);
      walk_word_pos_ = abs;
      walk_pos_ = abs + (p.Offset - start);
      SelectHit(TParPos{p.Par, start}, p.Offset - start, false);
      return walk_word_;
    }
    if (!p.Par->Next) break;
    abs += 1;  // the paragraph end
    p = TParPos{p.Par->Next, 0};
  }
  walk_pos_ = EndPosition() + 1;
  return {};
}

void EditController::SelectCurrentWord() {
  if (walk_word_pos_ < 0) return;
  SelectRange(walk_word_pos_, walk_word_pos_ + static_cast<int64_t>(walk_word_.size()));
}

void EditController::ReplaceCurrentWord(std::u32string_view text) {
  if (walk_word_pos_ < 0 || !CanEdit()) return;
  SelectCurrentWord();
  ReplaceSelection(text);
  walk_word_.assign(text);
  walk_pos_ = walk_word_pos_ + static_cast<int64_t>(text.size());
}

}  // namespace inkwend
