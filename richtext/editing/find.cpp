// Find and replace, and the word walk of the spell checker.
#include <algorithm>

#include "richtext/editing/text_input.h"

namespace inkwend {

bool IsWordChar(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
  if (c >= 0xC0 && c <= 0xFF) return true;
  if (c == kCharSoftHyphen) return true;  // where a word may break, inside it
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

bool TextMatchesAt(std::span<const char32_t> chars, size_t offset, std::u32string_view text,
                   const FindOptions& o) {
  const size_t n = chars.size();
  const size_t len = text.size();
  if (offset > n || len > n - offset) return false;
  for (size_t k = 0; k < len; ++k) {
    const char32_t t = text[k];
    if (t == U'*') continue;  // any one character
    const char32_t c = chars[offset + k];
    if (o.matchCase ? c != t : LowerChar(c) != LowerChar(t)) return false;
  }
  if (o.wholeWord) {
    if (offset > 0 && IsWordChar(chars[offset - 1])) return false;
    if (offset + len < n && IsWordChar(chars[offset + len])) return false;
  }
  return true;
}

bool EditController::MatchAt(const Paragraph* par, int offset, std::u32string_view text,
                             const FindOptions& o) const {
  if (offset < 0) return false;
  return TextMatchesAt(par->Text(), static_cast<size_t>(offset), text, o);
}

bool EditController::Search(std::u32string_view text, ParPos from, const FindOptions& o, ParPos& hit) const {
  if (text.empty() || !from.par) return false;
  const int len = static_cast<int>(text.size());
  if (o.down) {
    int start = from.offset;
    for (Paragraph* p = from.par; p; p = p->next, start = 0) {
      for (int i = start; i + len <= p->CharCount(); ++i) {
        if (MatchAt(p, i, text, o)) {
          hit = ParPos{p, i};
          return true;
        }
      }
    }
    return false;
  }
  int start = from.offset - len;  // a backward hit ends at or before `from`
  for (Paragraph* p = from.par; p; p = p->prev) {
    if (p != from.par) start = p->CharCount() - len;
    for (int i = start; i >= 0; --i) {
      if (MatchAt(p, i, text, o)) {
        hit = ParPos{p, i};
        return true;
      }
    }
  }
  return false;
}

void EditController::SelectHit(ParPos hit, int length, bool backwards) {
  const ParPos end{hit.par, hit.offset + length};
  MoveCaretTo(backwards ? end : hit, false);
  MoveCaretTo(backwards ? hit : end, true);
}

bool EditController::FindText(std::u32string_view text, bool backwards) {
  FindOptions o = findOptions;
  o.down = !backwards;
  const ParPos from = backwards ? ParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}
                                : ParPos{doc_.FirstParagraph(), 0};
  ParPos hit;
  if (!Search(text, from, o, hit)) return false;
  SelectHit(hit, static_cast<int>(text.size()), backwards);
  return true;
}

bool EditController::FindNext(std::u32string_view text) {
  ParPos hit;
  if (!Search(text, CaretPos(), findOptions, hit)) return false;
  SelectHit(hit, static_cast<int>(text.size()), !findOptions.down);
  return true;
}

bool EditController::ReplaceNext(std::u32string_view find, std::u32string_view replacement) {
  if (readOnly) return false;
  if (HasSelection()) {
    const ParPos a = SelectionBegin(), b = SelectionEnd();
    if (a.par == b.par && b.offset - a.offset == static_cast<int>(find.size()) &&
        MatchAt(a.par, a.offset, find, findOptions)) {
      ReplaceSelection(replacement);
      if (!findOptions.down) MoveCaretTo(a, false);
    }
  }
  return FindNext(find);
}

int EditController::ReplaceAll(std::u32string_view find, std::u32string_view replacement) {
  if (find.empty() || !CanEdit()) return 0;
  FindOptions o = findOptions;
  o.down = true;
  ParPos from{doc_.FirstParagraph(), 0};
  int count = 0;
  ParPos hit;
  BeginUndoGroup();  // undone as one step
  while (Search(find, from, o, hit)) {
    SelectHit(hit, static_cast<int>(find.size()), false);
    ReplaceSelection(replacement);
    from = CaretPos();
    ++count;
  }
  EndUndoGroup();
  return count;
}

// --------------------------------------------------------------------------------------------
// Word walk

void EditController::WordWalkRestart(bool from_caret) {
  walkPos_ = from_caret ? GetCaretPosition() : 0;
  walkWord_.clear();
  walkWordPos_ = -1;
}

std::u32string EditController::NextWord() {
  walkWord_.clear();
  walkWordPos_ = -1;
  ParPos p = PosAt(walkPos_);
  int64_t abs = PositionOf(p);
  for (; p.par;) {
    auto text = p.par->Text();
    const int n = p.par->CharCount();
    while (p.offset < n && !IsWordChar(text[static_cast<size_t>(p.offset)])) {
      ++p.offset;
      ++abs;
    }
    if (p.offset < n) {
      const int start = p.offset;
      while (p.offset < n && IsWordChar(text[static_cast<size_t>(p.offset)])) ++p.offset;
      walkWord_.assign(text.begin() + start, text.begin() + p.offset);
      walkWordPos_ = abs;
      walkPos_ = abs + (p.offset - start);
      SelectHit(ParPos{p.par, start}, p.offset - start, false);
      // The speller is asked for the word without the places it may break at.
      std::u32string word = walkWord_;
      std::erase(word, kCharSoftHyphen);
      return word;
    }
    if (!p.par->next) break;
    abs += 1;  // the paragraph end
    p = ParPos{p.par->next, 0};
  }
  walkPos_ = EndPosition() + 1;
  return {};
}

void EditController::SelectCurrentWord() {
  if (walkWordPos_ < 0) return;
  SelectRange(walkWordPos_, walkWordPos_ + static_cast<int64_t>(walkWord_.size()));
}

void EditController::ReplaceCurrentWord(std::u32string_view text) {
  if (walkWordPos_ < 0 || !CanEdit()) return;
  SelectCurrentWord();
  ReplaceSelection(text);
  walkWord_.assign(text);
  walkPos_ = walkWordPos_ + static_cast<int64_t>(text.size());
}

}  // namespace inkwend
