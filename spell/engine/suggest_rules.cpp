#include "spell/engine/suggest_rules.h"

#include <algorithm>

#include "spell/engine/windows1252.h"

namespace inkwend::spell {

namespace {

constexpr int kMaxScore = 100;
// Above every score, and above every rank of a near candidate once its slips are paid.
constexpr int kNearRankBase = 30'000;

// One row of the first-letter table: the initials it covers and the letters tried.
struct FirstLetterRow {
  const char* initials;
  const char* letters;
};

const FirstLetterRow kFirstLetterRows[] = {
    {"A\xC0\xC1\xC2\xC3\xC4\xC5\xC6", "EDA\xC0\xC1\xC2\xC3\xC4\xC5\xC6"},
    {"B\xDF", "PVNB\xDF"},
    {"C\x8C\xC7", "SXVC\xC7\x8C"},
    {"D\xD0", "FD\xD0"},
    {"E\xC8\xC9\xCA\xCB", "IWRE\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"},
    {"F", "DGF"},
    {"G", "JG"},
    {"H", "JGH"},
    {"I\xCC\xCD\xCE\xCF", "EOUI\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"},
    {"J", "GJ"},
    {"K", "CLJK"},
    {"L", "KL"},
    {"M", "NM\xD1"},
    {"N\xD1", "MBN\xD1"},
    {"O\xD2\xD3\xD4\xD5\xD6", "PIO\xD2\xD3\xD4\xD5\xD6\xCC\xCD\xCE\xCF"},
    {"P\xDE", "BOP\xDE"},
    {"Q", "WQ"},
    {"R", "ETR"},
    {"S", "ACDS\x8A\x8C"},
    {"T", "YRT"},
    {"U\xD9\xDA\xDB\xDC", "YIU\xD9\xDA\xDB\xDC"},
    {"V", "BCV\xC7\x8C"},
    {"W", "QEW"},
    {"X", "CZX"},
    {"Y\x9F\xDD", "TUY\x9F\xDD"},
    {"Z", "XZ"},
};

struct FirstLetterTable {
  std::array<std::string, 256> letters;
  FirstLetterTable() {
    for (int b = 0; b < 256; ++b) letters[b] = std::string(1, static_cast<char>(b));
    for (const FirstLetterRow& row : kFirstLetterRows)
      for (const char* p = row.initials; *p; ++p) letters[static_cast<uint8_t>(*p)] = row.letters;
  }
};

bool InRange(uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; }

// Characters dropped from the key after the first: vowels, H, W, Y and their accented forms.
bool DroppedFromKey(uint8_t b) {
  switch (b) {
    case 'A':
    case 'E':
    case 'H':
    case 'I':
    case 'O':
    case 'U':
    case 'W':
    case 'Y':
    case 0x9F:
    case 0xF0:
      return true;
    default:
      return InRange(b, 0xC0, 0xC6) || InRange(b, 0xC8, 0xCF) || InRange(b, 0xD2, 0xD6) ||
             InRange(b, 0xD8, 0xDD);
  }
}

uint8_t GroupCode(uint8_t b) {
  switch (b) {
    case 'B':
    case 'F':
    case 'P':
    case 'V':
    case 0xDE:
    case 0xDF:
    case '6':
    case '8':
      return 1;
    case 'C':
    case 'G':
    case 'J':
    case 'K':
    case 'Q':
    case 'S':
    case 'X':
    case 'Z':
    case 0x8A:
    case 0x8C:
    case 0xC7:
    case '3':
    case '4':
    case '5':
    case '9':
      return 2;
    case 'D':
    case 'T':
    case 0xD0:
      return 3;
    case 'L':
    case '2':
      return 4;
    case 'M':
    case 'N':
    case 0xD1:
      return 5;
    case 'R':
      return 6;
    case '\'':
    case '-':
    case '`':
      return 7;
    case '0':
    case 0xD8:
      return 'O';
    case '1':
    case '7':
      return 'I';
    default:
      break;
  }
  if (InRange(b, 0xD2, 0xD6)) return 'O';
  if (InRange(b, 0xCC, 0xCF)) return 'I';
  if (InRange(b, 0xC0, 0xC6)) return 'A';
  if (InRange(b, 0xC8, 0xCB)) return 'E';
  if (InRange(b, 0xD9, 0xDC)) return 'U';
  return b;
}

// The longest-common-piece match: adds twice the length of the longest common piece of
// c[a1..b1] and w[a2..b2] (1-based, inclusive) to `total`, then does the same for what lies to
// the right of that piece and what lies to its left. Of several longest pieces the one found
// first, scanning c from the left and w from the left for each position of c, counts.
//
// Every pair of starting positions is tried. (Narrowing the scan after each find, as a shortcut,
// would skip the longest piece whenever a shorter one was found first: CARNAGIE against
// CARNEGIE then found CARN and E but not GIE, and scored below CARRIE.)
void Match(const char* c, const char* w, int a1, int b1, int a2, int b2, int& total) {
  if (a1 >= b1 || a2 >= b2) return;  // a one-character (or empty) range is not searched
  int best = 0, bi = 0, bj = 0;
  for (int i = a1; i + best <= b1; ++i) {
    for (int j = a2; j + best <= b2; ++j) {
      if (c[i - 1] != w[j - 1]) continue;
      int len = 1;
      while (i + len <= b1 && j + len <= b2 && c[i + len - 1] == w[j + len - 1]) ++len;
      if (len > best) {
        best = len;
        bi = i;
        bj = j;
      }
    }
  }
  if (best > 0) {
    total += 2 * best;
    Match(c, w, bi + best, b1, bj + best, b2, total);
    Match(c, w, a1, bi - 1, a2, bj - 1, total);
  }
}

bool IsLowerLetter(uint8_t b) {
  return InRange(b, 'a', 'z') || b == 0x9A || b == 0x9C || (b >= 0xE0 && b != 0xF0 && b != 0xF7);
}

bool IsUpperLetter(uint8_t b) {
  return InRange(b, 'A', 'Z') || b == 0x8A || b == 0x8C || b == 0x9F || InRange(b, 0xC0, 0xD6) ||
         InRange(b, 0xD8, 0xDF) || b == 0xF0;
}

// Letters when lining up the typed word with a suggestion. The same set serves both texts, so
// that an accented letter such as ö keeps the two in step.
bool IsLetter(uint8_t b) {
  return InRange(b, 'A', 'Z') || InRange(b, 'a', 'z') || b == '\'' || b == 0x8A || b == 0x8C || b == 0x9A ||
         b == 0x9C || b == 0x9F || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
}

}  // namespace

std::string_view FirstLettersFor(uint8_t initial) {
  static const FirstLetterTable kTable;
  return kTable.letters[initial];
}

int PhoneticKeyBuilder::Add(uint8_t c) {
  if (!started_) {
    started_ = true;
    key_[0] = c;
    length_ = 1;
    return 0;
  }
  if (length_ >= 4 || DroppedFromKey(c)) return -1;
  const uint8_t code = GroupCode(c);
  // Codes from the second position on appear once.
  for (int k = 1; k < length_; ++k)
    if (key_[k] == code) return -1;
  key_[length_] = code;
  return length_++;
}

PhoneticKey MakePhoneticKey(std::string_view text, const PhoneticKey* fill) {
  PhoneticKeyBuilder builder;
  for (char c : text) {
    if (builder.length() >= 4) break;
    builder.Add(static_cast<uint8_t>(c));
  }
  PhoneticKey key = builder.key();
  if (fill)
    for (int k = builder.length(); k < 4; ++k) key[k] = (*fill)[k];
  return key;
}

int ScoreCandidate(std::string_view candidate, std::string_view word) {
  candidate = candidate.substr(0, 30);
  word = word.substr(0, 30);
  char c[30];
  int c_len = 0;
  for (char ch : candidate)
    if (ch != '\'') c[c_len++] = ch;
  const int w_len = static_cast<int>(word.size());
  if (c_len + w_len == 0) return 0;
  int total = 0;
  Match(c, word.data(), 1, c_len, 1, w_len, total);
  return total * 100 / (c_len + w_len);
}

int ScoreSplit(std::string_view candidate, std::string_view word) {
  return std::max(0, ScoreCandidate(candidate, word) - kSplitPenalty);
}

int CandidateRank(int score, int typing_cost) {
  if (typing_cost > kNearCost) return score;
  return kNearRankBase - typing_cost * (kMaxScore + 1) + score;
}

int EditCount(std::string_view candidate, std::string_view word) {
  // Optimal string alignment distance over at most 30 x 30 characters.
  constexpr int kMax = 30;
  char c[kMax];
  int n = 0;
  for (char ch : candidate.substr(0, kMax))
    if (ch != '\'') c[n++] = ch;
  word = word.substr(0, kMax);
  const int m = static_cast<int>(word.size());
  int d[kMax + 1][kMax + 1];
  for (int i = 0; i <= n; ++i) d[i][0] = i;
  for (int j = 0; j <= m; ++j) d[0][j] = j;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= m; ++j) {
      d[i][j] =
          std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (c[i - 1] == word[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && c[i - 1] == word[j - 2] && c[i - 2] == word[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[n][m];
}

int RankedList::Edits(Entry& entry) const {
  if (entry.edits < 0) entry.edits = EditCount(entry.text, word_);
  return entry.edits;
}

void RankedList::Add(std::string_view text, int score) {
  Entry entry{std::string(text.substr(0, 30)), static_cast<uint16_t>(score)};
  if (entries_.empty()) {
    entries_.push_back(std::move(entry));
    return;
  }
  auto pos = std::find_if(entries_.begin(), entries_.end(), [&](Entry& e) {
    if (e.score != entry.score) return e.score < entry.score;
    return !word_.empty() && Edits(e) > Edits(entry);
  });
  const bool full = entries_.size() >= capacity_;
  if (pos == entries_.end()) {
    if (!full) entries_.push_back(std::move(entry));
    return;
  }
  entries_.insert(pos, std::move(entry));
  if (full) entries_.pop_back();
}

std::string CopyLetterCase(std::string_view typed, std::string_view suggestion) {
  std::string s = UpperCase(suggestion);
  if (std::none_of(typed.begin(), typed.end(),
                   [](char ch) { return IsLowerLetter(static_cast<uint8_t>(ch)); }))
    return s;
  s = LowerCase(s);
  if (s.empty()) return s;
  const size_t last_o = typed.size() - 1, last_s = s.size() - 1;
  size_t k = 0, l = 0;
  for (;;) {
    while (k < last_o && !IsLetter(static_cast<uint8_t>(typed[k]))) ++k;
    while (l < last_s && !IsLetter(static_cast<uint8_t>(s[l]))) ++l;
    if (IsUpperLetter(static_cast<uint8_t>(typed[k])))
      s[l] = static_cast<char>(UpperCase(static_cast<uint8_t>(s[l])));
    if (k >= last_o || l >= last_s) break;
    ++k;
    ++l;
  }
  return s;
}

}  // namespace inkwend::spell
