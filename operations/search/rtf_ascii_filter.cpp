#include "operations/search/rtf_ascii_filter.h"

#include <algorithm>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "richtext/rtf/keywords.h"

namespace inkwend {
namespace {

constexpr int kMaxKeptDepth = 1000;  // below the reader's own bound on saved group states
constexpr size_t kMaxWordLetters = 32;

bool IsLetter(uint8_t b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }
bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool IsPrintableAscii(uint32_t c) { return c >= 0x20 && c < 0x7F; }
char Lower(uint8_t b) { return static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b); }

int HexValue(uint8_t b) {
  if (IsDigit(b)) return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// Code pages whose characters take two bytes: a byte of text can then belong to its neighbour.
bool IsMultiByteCodePage(int32_t code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 || code_page == 1361;
}
bool IsMultiByteCharset(int32_t charset) {
  return charset == 128 || charset == 129 || charset == 130 || charset == 134 || charset == 136;
}

// What a byte of text adds to the reduction: its lower case when it is printable ASCII, nothing
// (0) for the others, and kSpecial for the bytes that start a control word or a group.
constexpr uint8_t kSpecial = 0xFF;
struct TextByteTable {
  uint8_t value[256] = {};
  constexpr TextByteTable() {
    for (int b = 0x20; b < 0x7F; ++b) value[b] = static_cast<uint8_t>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    for (const unsigned char special : {'\\', '{', '}'}) value[special] = kSpecial;
  }
};
constexpr TextByteTable kTextBytes;

class Reducer {
 public:
  Reducer(std::string_view rtf, std::string& out) : rtf_(rtf), out_(out) {}

  bool Run() {
    // No input byte adds more than one character, so the output is written in place.
    out_.resize(rtf_.size());
    end_ = out_.data();
    const bool ok = Walk();
    out_.resize(static_cast<size_t>(end_ - out_.data()));
    return ok;
  }

 private:
  bool Walk() {
    const auto* data = reinterpret_cast<const uint8_t*>(rtf_.data());
    const size_t size = rtf_.size();
    while (pos_ < size) {
      // A stretch of text: the bulk of an entry, one table look-up a byte.
      if (dropDepth_ < 0) {
        TextStretch(data, size);
      } else {
        while (pos_ < size && kTextBytes.value[data[pos_]] != kSpecial) ++pos_;
      }
      if (pos_ >= size) break;
      const uint8_t b = data[pos_++];
      if (b == '\\') {
        if (!ControlWord()) return false;
      } else if (b == '{') {
        if (++depth_ > kMaxKeptDepth) return false;
      } else {  // '}'
        --depth_;
        if (dropDepth_ >= 0 && depth_ < dropDepth_) dropDepth_ = -1;
      }
    }
    return true;
  }

  // Copies text up to the next control word or group, lower-cased, leaving out the bytes that
  // are no printable ASCII. Blocks of 16 plain printable bytes (most of an entry) go at once.
  void TextStretch(const uint8_t* data, size_t size) {
    char* end = end_;
    while (true) {
#ifdef __SSE2__
      const __m128i below_space = _mm_set1_epi8(0x1F), delete_char = _mm_set1_epi8(0x7F);
      const __m128i before_a = _mm_set1_epi8('A' - 1), after_z = _mm_set1_epi8('Z' + 1);
      for (; pos_ + 16 <= size; pos_ += 16, end += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos_));
        // Signed compares: bytes from 0x80 up count as negative, so they fail the first test.
        __m128i plain = _mm_and_si128(_mm_cmpgt_epi8(v, below_space), _mm_cmplt_epi8(v, delete_char));
        const __m128i special = _mm_or_si128(
            _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')),
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('{')), _mm_cmpeq_epi8(v, _mm_set1_epi8('}'))));
        plain = _mm_andnot_si128(special, plain);
        if (_mm_movemask_epi8(plain) != 0xFFFF) break;
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, before_a), _mm_cmplt_epi8(v, after_z));
        v = _mm_add_epi8(v, _mm_and_si128(upper, _mm_set1_epi8(32)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(end), v);
      }
#endif
      // The block that held something else, a byte at a time.
      const size_t stop = std::min(size, pos_ + 16);
      uint8_t t = 0;
      for (; pos_ < stop && (t = kTextBytes.value[data[pos_]]) != kSpecial; ++pos_) {
        *end = static_cast<char>(t);
        end += t != 0;
      }
      if (pos_ >= size || t == kSpecial) break;
    }
    end_ = end;
  }

  void Emit(uint32_t c) {
    if (IsPrintableAscii(c)) *end_++ = Lower(static_cast<uint8_t>(c));
  }

  // The rest of the current group holds no document text.
  void DropGroup() {
    if (dropDepth_ < 0) dropDepth_ = depth_;
  }

  bool ControlWord() {
    if (pos_ >= rtf_.size()) return true;
    const auto first = static_cast<uint8_t>(rtf_[pos_]);
    if (!IsLetter(first)) {
      ++pos_;
      return ControlSymbol(first);
    }
    const size_t start = pos_;
    while (pos_ < rtf_.size() && IsLetter(static_cast<uint8_t>(rtf_[pos_]))) ++pos_;
    const std::string_view word = rtf_.substr(start, pos_ - start);
    bool has_param = false;
    int64_t param = 0;
    ReadParameter(has_param, param);
    const RtfKeyword* k = word.size() <= kMaxWordLetters ? FindRtfKeyword(word) : nullptr;
    const bool star = star_;
    star_ = false;
    if (!k) {
      if (star) DropGroup();
      return true;
    }
    const int64_t n = (!has_param || k->forceDefault) ? k->defaultValue : param;
    // Binary data and code pages matter wherever they stand (a font table is skipped as text).
    if (k->action == RtfAction::Bin) return false;
    if (k->action == RtfAction::AnsiCpg || k->action == RtfAction::Cpg)
      return !IsMultiByteCodePage(static_cast<int32_t>(n));
    if (k->action == RtfAction::FCharset) return !IsMultiByteCharset(static_cast<int32_t>(n));
    if (dropDepth_ >= 0) return true;
    return Word(*k, n);
  }

  void ReadParameter(bool& has_param, int64_t& param) {
    size_t p = pos_;
    bool negative = false;
    if (p < rtf_.size() && rtf_[p] == '-') {
      negative = true;
      ++p;
    }
    if (p < rtf_.size() && IsDigit(static_cast<uint8_t>(rtf_[p]))) {
      has_param = true;
      int digits = 0;
      while (p < rtf_.size() && IsDigit(static_cast<uint8_t>(rtf_[p]))) {
        if (++digits <= 10) param = param * 10 + (rtf_[p] - '0');
        ++p;
      }
      if (negative) param = -param;
      pos_ = p;
    } else if (negative) {
      return;  // "-" without digits belongs to the text
    }
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
  }

  bool ControlSymbol(uint8_t symbol) {
    if (symbol == '*') {
      star_ = true;
      return true;
    }
    star_ = false;
    if (symbol == '\'') {
      // A byte below 0x80 is that ASCII character; the others stand for characters of the code
      // page in force and are left out, which at worst joins two stretches of text (more
      // candidates, never fewer).
      int value = 0, digits = 0;
      for (; digits < 2 && pos_ < rtf_.size(); ++digits) {
        const int v = HexValue(static_cast<uint8_t>(rtf_[pos_]));
        if (v < 0) break;
        value = value * 16 + v;
        ++pos_;
      }
      if (digits == 2 && dropDepth_ < 0) Emit(static_cast<uint32_t>(value));
      return true;
    }
    if (dropDepth_ >= 0) return true;
    const RtfKeyword* k = FindRtfKeyword(std::string_view(reinterpret_cast<const char*>(&symbol), 1));
    if (k && k->action == RtfAction::Char) Emit(static_cast<uint32_t>(k->arg));
    return true;
  }

  bool Word(const RtfKeyword& k, int64_t n) {
    switch (k.action) {
      case RtfAction::Char:
        Emit(static_cast<uint32_t>(k.arg));
        return true;
      case RtfAction::U: {
        // A character of its own; its fallback follows at a boundary of the ASCII text. An ASCII
        // character or a surrogate half would need the fallback skipped exactly.
        const int64_t v = n < 0 ? n + 65536 : n;
        return v >= 0x80 && !(v >= 0xD800 && v <= 0xDFFF);
      }
      case RtfAction::WpRtf:
      case RtfAction::Footnote:
      case RtfAction::FnNr:
      case RtfAction::Chftn:
        return false;
      case RtfAction::FontTbl:
      case RtfAction::ColorTbl:
      case RtfAction::InfoText:
      case RtfAction::SkipGroup:
      case RtfAction::NestRow:
      case RtfAction::Pict:
      case RtfAction::PicFile:
        DropGroup();
        return true;
      default:
        return true;
    }
  }

  std::string_view rtf_;
  std::string& out_;
  char* end_ = nullptr;  // where the next character of out_ goes
  size_t pos_ = 0;
  int depth_ = 0;
  int dropDepth_ = -1;  // the depth whose group is being skipped, -1 none
  bool star_ = false;
};

}  // namespace

bool ReduceRtfToAscii(std::string_view rtf, std::string& out) { return Reducer(rtf, out).Run(); }

std::string AsciiCore(std::u32string_view text) {
  std::string best, run;
  for (const char32_t c : text) {
    if (IsPrintableAscii(c) && c != U'*') {
      run.push_back(Lower(static_cast<uint8_t>(c)));
      continue;
    }
    if (run.size() > best.size()) best = run;
    run.clear();
  }
  if (run.size() > best.size()) best = run;
  return best;
}

}  // namespace inkwend
