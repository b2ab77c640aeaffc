#include "richtext/rtf/reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "base/file_system.h"
#include "richtext/model/bitmap_codec.h"
#include "richtext/model/charset.h"
#include "richtext/model/progress.h"
#include "richtext/rtf/keywords.h"
#include "richtext/rtf/picture_decoder.h"

namespace inkwend {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr size_t kMaxRtfFonts = 4096;
constexpr size_t kMaxRtfColors = 1024;
constexpr size_t kMaxInfoText = 4096;
constexpr size_t kMaxFootnoteText = 64 * 1024;
constexpr size_t kMaxFontName = 255;
constexpr size_t kMaxFileName = 255;
constexpr int kMaxLinkedPictures = 256;
constexpr int kMaxTableCells = 50;
// Lengths beyond 1,000,000 twips (about 17 metres) are clamped: nothing on a page is that long,
// and snapping such values to the tab grid would overflow.
constexpr int32_t kMaxLength = 1000000;

// Values of the fast text table (TWPRtfReader::fast_) that are not characters.
constexpr char32_t kFastStop = 0;              // the byte needs the byte loop
constexpr char32_t kFastIgnore = 0xFFFFFFFFu;  // CR, LF and TAB between text: dropped

constexpr std::array<int8_t, 256> kHexValue = [] {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
  return t;
}();

int32_t ClampInt(int64_t v, int32_t lo, int32_t hi) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, lo, hi));
}

// Indents are snapped to the tab grid, symmetric around 0 so that negative ones keep their size.
int32_t SnapIndent(const TTextHeader& h, int32_t v) {
  return v >= 0 ? h.SnapToTabGrid(v) : -h.SnapToTabGrid(-v);
}

// Twips of the writer's spacing unit (border-to-text distance and cell gap) back to its nibble.
uint8_t SpacingNibble(int32_t twips) {
  if (twips <= 0) return 0;
  const int64_t n = (static_cast<int64_t>(twips) * 160 + 566) / 567;
  return static_cast<uint8_t>(std::min<int64_t>(n, 15));
}

// Other programs' \trgaph: the space between a cell's border and its text, to the nearest
// millimetre (the unit of the border-spacing nibble).
uint8_t CellPaddingNibble(int32_t twips) {
  if (twips <= 0) return 0;
  const int64_t mm = (static_cast<int64_t>(twips) * 10 + 283) / 567;
  return static_cast<uint8_t>(std::min<int64_t>(mm, 15));
}

// A picture file named by a document; a pipe or device under that name is refused, not waited on.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  Result<std::string> bytes = RealFileSystem().ReadFile(path);
  if (!bytes.IsOk() || bytes.Value().empty() || bytes.Value().size() > kMaxPictureBytes) return false;
  out.assign(bytes.Value().begin(), bytes.Value().end());
  return true;
}

std::u32string LowerAscii(std::u32string s) {
  for (char32_t& c : s) {
    if (c >= U'A' && c <= U'Z') c += 32;
  }
  return s;
}

}  // namespace

std::vector<uint8_t> PlaceableMetafileBytes(const TMetafile& mf) {
  uint16_t w[11] = {};
  w[0] = 0xCDD7;  // key 0x9AC6CDD7, low word first
  w[1] = 0x9AC6;
  w[2] = 0;  // handle
  w[3] = 0;  // left
  w[4] = 0;  // top
  w[5] = static_cast<uint16_t>(std::clamp(mf.Width, 0, 0x7FFF));
  w[6] = static_cast<uint16_t>(std::clamp(mf.Height, 0, 0x7FFF));
  w[7] = 2540;  // units per inch
  w[8] = 0;     // reserved (32 bits)
  w[9] = 0;
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= w[i];
  w[10] = sum;
  std::vector<uint8_t> out;
  out.reserve(22 + mf.Bytes.size());
  for (uint16_t v : w) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  out.insert(out.end(), mf.Bytes.begin(), mf.Bytes.end());
  return out;
}

// ---------------------------------------------------------------------------------------------
// TWPTextReader

namespace {
TWPRTFText& CheckedDocument(TWPRTFText* doc, const char* error) {
  if (!doc) throw TWPError(error);
  return *doc;
}
}  // namespace

TWPTextReader::TWPTextReader(TWPRTFText* doc) : TWPTextReader(doc, kErrWrongArguments) {}

TWPTextReader::TWPTextReader(TWPRTFText* doc, const char* error) : doc_(CheckedDocument(doc, error)) {
  attr_ = doc_.DefaultAttr;
  attr_.Width = attr_.Height = attr_.Ascent = 0;
}

TWPTextReader::~TWPTextReader() = default;

bool TWPTextReader::Refill() {
  if (!stream_) return false;
  // Keep the last byte in front so that one byte can still be put back.
  size_t keep = 0;
  if (end_ > 0) {
    buffer_[0] = buffer_[end_ - 1];
    keep = 1;
  }
  const size_t n = stream_->Read(buffer_.get() + keep, kBufferSize - keep);
  pos_ = keep;
  end_ = keep + n;
  bytes_read_ += static_cast<int64_t>(n);
  if (n > 0) TWPProgress::Advance(bytes_read_);
  return n > 0;
}

TCharAttr TWPTextReader::StoredAttr() const {
  TCharAttr a = attr_;
  if (AutomaticText) {
    a.CharFlags |= kCharAutomatic;
    a.LayoutFlags |= kLayoutReaderAutomatic;
  }
  return a;
}

void TWPTextReader::FlushRun() {
  const size_t n = run_.size() - run_start_;
  if (n == 0) return;
  size_t take = n;
  if (chars_read_ + static_cast<int64_t>(n) > kMaxReadChars) {
    take = static_cast<size_t>(std::max<int64_t>(kMaxReadChars - chars_read_, 0));
    run_.resize(run_start_ + take);
    full_ = true;
    result_ = kResultStreamError;
  }
  chars_read_ += static_cast<int64_t>(take);
  if (take > 0) {
    const TCharAttr a = StoredAttr();
    // Two runs with the same record (a group that changed nothing, say) are one.
    if (!runs_.empty() && runs_.back().Attr == a) {
      runs_.back().Count += static_cast<uint32_t>(take);
    } else {
      runs_.push_back(TAttrRun{a, static_cast<uint32_t>(take)});
    }
  }
  run_start_ = run_.size();
}

void TWPTextReader::AddCharWithAttr(char32_t c, const TCharAttr& attr) {
  FlushRun();
  if (full_ || chars_read_ + 1 > kMaxReadChars) {
    full_ = true;
    result_ = kResultStreamError;
    return;
  }
  ++chars_read_;
  run_.push_back(c);
  runs_.push_back(TAttrRun{attr, 1});
  run_start_ = run_.size();
}

void TWPTextReader::FlushParagraph() {
  FlushRun();
  if (run_.empty()) return;
  doc_.AppendRuns(par_, run_, runs_);
  run_.clear();
  runs_.clear();
  run_start_ = 0;
}

void TWPTextReader::DropCollected() {
  run_.clear();
  runs_.clear();
  run_start_ = 0;
}

TParagraph* TWPTextReader::StartNewParagraph() {
  FlushParagraph();
  // A paragraph costs about as much as a few characters; empty ones count against the bound.
  chars_read_ += 8;
  if (chars_read_ > kMaxReadChars) {
    full_ = true;
    result_ = kResultStreamError;
    return par_;
  }
  doc_.TrimParagraph(par_);
  par_ = doc_.NewParagraph(par_, 60);
  return par_;
}

int TWPTextReader::Read(TWPStream& stream) {
  stream_ = &stream;
  buffer_.reset(new uint8_t[kBufferSize]);
  pos_ = end_ = 0;
  par_ = doc_.LastParagraph();
  first_par_ = par_;
  result_ = kResultOk;
  const int64_t remaining = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  TProgressFrame progress(remaining);
  try {
    if (remaining == 0 && !Refill()) {
      result_ = kResultNothingToWrite;
    } else {
      ReadBody();
    }
    FlushParagraph();
  } catch (const std::bad_alloc&) {
    DropCollected();
    result_ = kResultOutOfMemory;
  } catch (const std::exception&) {
    // What was collected of the paragraph is kept where that is still possible.
    try {
      FlushParagraph();
    } catch (const std::exception&) {
    }
    DropCollected();
    result_ = kResultStreamError;
  }
  try {
    FinishRead();
  } catch (const std::exception&) {
    if (result_ == kResultOk) result_ = kResultStreamError;
  }
  // Give back what the read did not consume, so a caller can go on from there.
  if (stream.Position() >= static_cast<int64_t>(end_ - pos_)) {
    stream.Seek(stream.Position() - static_cast<int64_t>(end_ - pos_));
  }
  buffer_.reset();
  stream_ = nullptr;
  return result_;
}

void TWPTextReader::ReadBody() {
  // CR, LF and CR LF each end a paragraph (text files from Linux end their lines with LF alone).
  // Text that is valid UTF-8 is read as UTF-8, anything else as Windows-1252.
  std::string pending;  // bytes of a UTF-8 sequence not complete yet
  bool utf8 = true;
  bool after_cr = false;
  int c;
  std::string all;  // the text is decoded once it is known whether it is UTF-8
  while ((c = Get()) >= 0) {
    if (c == 0) break;
    if (static_cast<int64_t>(all.size()) >= kMaxReadChars) {
      result_ = kResultStreamError;
      break;
    }
    all.push_back(static_cast<char>(c));
  }
  // A valid UTF-8 check that does not accept lone surrogates or overlong forms.
  {
    size_t i = 0;
    const size_t n = all.size();
    while (i < n && utf8) {
      const auto b = static_cast<uint8_t>(all[i]);
      if (b < 0x80) {
        ++i;
        continue;
      }
      int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
      if (b >= 0xF5) len = 0;
      if (len == 0 || i + static_cast<size_t>(len) > n) {
        utf8 = false;
        break;
      }
      for (int k = 1; k < len; ++k) {
        if ((static_cast<uint8_t>(all[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) utf8 = false;
      }
      if (!utf8) break;
      i += static_cast<size_t>(len);
    }
  }
  const std::u32string text = utf8 ? FromUtf8(all) : std::u32string();
  auto put = [&](char32_t ch) {
    if (full_) return;
    if (ch == U'\r') {
      StartNewParagraph();
      after_cr = true;
      return;
    }
    if (ch == U'\n') {
      if (!after_cr) StartNewParagraph();
      after_cr = false;
      return;
    }
    after_cr = false;
    if (ch < 4 && ch != 0) return;  // never ordinary text
    AddChar(ch);
  };
  if (utf8) {
    for (char32_t ch : text) put(ch);
  } else {
    for (char b : all) put(Cp1252ToUnicode(static_cast<uint8_t>(b)));
  }
  (void)pending;
}

// ---------------------------------------------------------------------------------------------
// TWPRtfReader

TWPRtfReader::TWPRtfReader(TWPRTFText* doc) : TWPTextReader(doc, kErrWrongArgumentsRtf) { f_.Attr = attr_; }

TWPRtfReader::~TWPRtfReader() = default;

void TWPRtfReader::SetDecoder(int codepage) {
  if (codepage == 0) codepage = ansi_codepage_;
  if (decoder_.CodePage() == codepage ||
      (codepage != kCodePageSymbol && decoder_.CodePage() == 1252 && (codepage == 1252 || codepage == 0))) {
    return;
  }
  decoder_ = TCodePageDecoder(codepage);
  BuildFastTable();
}

void TWPRtfReader::BuildFastTable() {
  // Text bytes the fast path may take: ASCII from space to tilde except the RTF specials, as
  // themselves, and 8-bit bytes that decode on their own in the code page in force.
  for (int b = 0; b < 256; ++b) {
    char32_t c = kFastStop;
    if (b == '\r' || b == '\n' || b == '\t') {
      c = kFastIgnore;
    } else if (b >= 0x20 && b < 0x7F) {
      if (b != '\\' && b != '{' && b != '}') c = static_cast<char32_t>(b);
    } else if (b >= 0x80) {
      c = decoder_.Single(static_cast<uint8_t>(b));
      if (c <= 3) c = kFastStop;
    }
    fast_[static_cast<size_t>(b)] = c;
  }
}

int TWPRtfReader::FontCodePage(int32_t number) const {
  for (const RtfFont& f : fonts_) {
    if (f.Number == number) return f.CodePage;
  }
  return 0;
}

template <typename F>
void TWPRtfReader::Prop(F&& set) {
  set(f_.Props);
  if (f_.Dest == kText) ApplyProps(par_, f_.Props);
}

void TWPRtfReader::ApplyProps(TParagraph* par, const ParProps& p) const {
  par->FirstIndent = p.First;
  par->LeftIndent = p.Left;
  par->RightIndent = p.Right;
  par->SpaceBefore = p.Before;
  par->SpaceAfter = p.After;
  par->LineSpacing = p.LineSpacing;
  par->Alignment = p.Alignment;
  const uint8_t ends = par->BorderFlags[0] & kBorderEndsBlock;
  par->BorderFlags[0] = static_cast<uint8_t>(p.Border[0] | (p.Border[0] ? ends : 0));
  par->BorderFlags[1] = p.Border[1];
  par->BorderWidth = p.BorderWidth;
  par->BorderColor = p.BorderColor;
  par->ShadingColors = p.ShadingColors;
  par->ShadingPercent = p.ShadingPercent;
  if (!par->IsTableCell()) par->TabMask = p.TabMask;
  par->MarkDirty();
}

void TWPRtfReader::ReadBody() {
  text_width_ = doc_.Header.TextWidthTwips();
  SetDecoder(0);
  BuildFastTable();
  if (Get() >= 0) {
    Unget();
    static constexpr std::string_view kOwnHeader = "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl";
    own_file_ =
        Available() >= kOwnHeader.size() && std::memcmp(Cursor(), kOwnHeader.data(), kOwnHeader.size()) == 0;
  }
  Control c{};
  while (!done_ && !full_) {
    if (f_.Dest == kPicture) {
      PictureHex();
    } else if (f_.Dest == kText && !verbatim_ && skip_fallback_ == 0 && !decoder_.Pending()) {
      TextFastPath();
    }
    const int b = Get();
    if (b < 0) break;
    if (restore_pending_ && b != '}' && b != '\r' && b != '\n' && b != '\t') ApplyRestoredProps();
    if (verbatim_) {
      VerbatimByte(static_cast<uint8_t>(b));
      continue;
    }
    if (f_.Dest == kColorTable && b == ';') {
      if (!KeepLayout && rtf_colors_.size() < kMaxRtfColors) {
        rtf_colors_.push_back(0);  // the next definition starts as black
        const size_t index = rtf_colors_.size() - 1;
        if (index < 15) doc_.Header.Colors[index] = 0;
      }
      continue;
    }
    switch (b) {
      case 0:
        done_ = true;
        break;
      case '\t':
      case '\n':
      case '\r':
        break;
      case '\\':
        if (!ReadControl(c)) {
          result_ = kResultStreamError;
          done_ = true;
          break;
        }
        Dispatch(c);
        break;
      case '{':
        PushGroup();
        break;
      case '}':
        PopGroup();
        break;
      default:
        if (!started_) break;  // bytes before the first group are not part of the document
        ByteOut(static_cast<uint8_t>(b));
        break;
    }
  }
}

void TWPRtfReader::TextFastPath() {
  // A stretch of text bytes straight into the collected paragraph; control words, groups and
  // bytes that need more than one table look-up go through the byte loop.
  if (!started_) return;
  if (restore_pending_) {
    if (Available() == 0) return;
    const char32_t first = fast_[*Cursor()];
    if (first == kFastStop || first == kFastIgnore) return;
    ApplyRestoredProps();
  }
  while (true) {
    const uint8_t* p = Cursor();
    const size_t n = Available();
    if (n == 0) return;
    // One pass: characters go to a chunk on the stack, then to the paragraph in one append.
    constexpr size_t kChunk = 1024;
    char32_t chunk[kChunk];
    const size_t limit = std::min(n, kChunk);
    size_t i = 0, count = 0;
    for (; i < limit; ++i) {
      const char32_t c = fast_[p[i]];
      if (c == kFastStop) break;
      chunk[count] = c;
      count += c != kFastIgnore;
    }
    if (i > 0) {
      run_.append(chunk, count);
      Advance(i);
      if (run_.size() >= kCollectLimit) FlushParagraph();
    }
    if (i < limit || full_) return;
    if (i == n && !Refill()) return;
  }
}

void TWPRtfReader::PictureHex() {
  // Hexadecimal digits of picture data, in either case, straight from the buffer.
  while (true) {
    const uint8_t* p = Cursor();
    const size_t n = Available();
    if (n == 0) {
      if (!Refill()) return;
      continue;
    }
    size_t i = 0;
    for (; i < n; ++i) {
      const int v = kHexValue[p[i]];
      if (v < 0) {
        if (p[i] == '\r' || p[i] == '\n' || p[i] == ' ' || p[i] == '\t') continue;
        break;
      }
      if (pict_nibble_ < 0) {
        pict_nibble_ = v;
      } else {
        if (pict_data_.size() < kMaxPictureBytes) {
          pict_data_.push_back(static_cast<uint8_t>(pict_nibble_ << 4 | v));
        } else {
          pict_overflow_ = true;
        }
        pict_nibble_ = -1;
      }
    }
    Advance(i);
    if (i < n) return;
  }
}

void TWPRtfReader::VerbatimByte(uint8_t b) {
  static constexpr char kEnd[] = "\\wprtf0";
  if (b == static_cast<uint8_t>(kEnd[verbatim_match_])) {
    if (++verbatim_match_ == 7) {
      verbatim_ = false;
      verbatim_match_ = 0;
      FlushRun();
      attr_.CharFlags &= static_cast<uint8_t>(~kCharRtfCode);
      f_.Attr = attr_;
    }
    return;
  }
  // The match broke: what was held back is text after all.
  for (int i = 0; i < verbatim_match_; ++i) AddChar(static_cast<char32_t>(kEnd[i]));
  verbatim_match_ = 0;
  if (b == '\\') {
    verbatim_match_ = 1;
    return;
  }
  if (b == '\r' || b == '\n' || b == 0) return;
  AddChar(Cp1252ToUnicode(b));
}

namespace {

constexpr bool IsLetter(int x) { return (x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z'); }
constexpr bool IsDigit(int x) { return x >= '0' && x <= '9'; }
constexpr size_t kMaxWordLetters = 32;  // no keyword is longer; longer words are unknown
constexpr int kMaxDigits = 19;

}  // namespace

bool TWPRtfReader::ReadControlInBuffer(Control& c) {
  // The common case: the whole word, its number and delimiter lie in the buffer.
  constexpr size_t kNeed = 1 + kMaxWordLetters + 1 + 24 + 1;
  if (Available() < kNeed) return false;
  const uint8_t* p = Cursor();
  size_t i = 0;
  uint8_t b = p[i++];
  c.has_param = false;
  c.param = 0;
  c.hash = RtfKeywordHashStep(kRtfKeywordHashSeed, b);
  c.word[0] = static_cast<char>(b);
  if (!IsLetter(b)) {
    c.length = 1;
    c.word[1] = 0;
    Advance(1);
    return true;
  }
  size_t len = 1;
  b = p[i++];
  while (IsLetter(b)) {
    if (len == kMaxWordLetters) return false;
    c.word[len++] = static_cast<char>(b);
    c.hash = RtfKeywordHashStep(c.hash, b);
    b = p[i++];
  }
  c.length = len;
  c.word[len] = 0;
  const bool negative = b == '-';
  if (negative) {
    if (!IsDigit(p[i])) {
      // "-" without digits is not part of the word.
      Advance(i - 1);
      return true;
    }
    b = p[i++];
  }
  if (IsDigit(b)) {
    int64_t v = 0;
    int digits = 0;
    while (IsDigit(b)) {
      if (++digits > 20) return false;
      if (digits <= kMaxDigits && v < (int64_t{1} << 40)) v = v * 10 + (b - '0');
      b = p[i++];
    }
    c.has_param = true;
    c.param =
        ClampInt(negative ? -v : v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  }
  // `b` is the delimiter: a space belongs to the word, anything else is read again.
  Advance(b == ' ' ? i : i - 1);
  return true;
}

bool TWPRtfReader::ReadControl(Control& c) {
  if (ReadControlInBuffer(c)) return true;
  c.length = 0;
  c.has_param = false;
  c.param = 0;
  int b = Get();
  if (b < 0) return false;
  c.hash = RtfKeywordHashStep(kRtfKeywordHashSeed, static_cast<uint8_t>(b));
  if (!IsLetter(b)) {
    c.word[0] = static_cast<char>(b);
    c.length = 1;
    c.word[1] = 0;
    return true;
  }
  c.hash = kRtfKeywordHashSeed;
  bool too_long = false;
  while (IsLetter(b)) {
    if (c.length < kMaxWordLetters) {
      c.word[c.length++] = static_cast<char>(b);
      c.hash = RtfKeywordHashStep(c.hash, static_cast<uint8_t>(b));
    } else {
      too_long = true;
    }
    b = Get();
    if (b < 0) return false;
  }
  if (too_long) c.length = 0;  // no keyword is that long
  c.word[c.length] = 0;
  bool negative = false;
  if (b == '-') {
    negative = true;
    b = Get();
    if (b < 0) return false;
  }
  if (IsDigit(b)) {
    c.has_param = true;
    int64_t v = 0;
    int digits = 0;
    while (IsDigit(b)) {
      if (digits < kMaxDigits && v < (int64_t{1} << 40)) v = v * 10 + (b - '0');
      ++digits;
      b = Get();
      if (b < 0) break;
    }
    v = negative ? -v : v;
    c.param = ClampInt(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (b < 0) return true;  // the number ended with the input: the word is complete
  } else if (negative) {
    // "-" without digits is not part of the word: both it and the byte after it are read
    // again (the buffer always holds the two bytes just read).
    Unget();
    Unget();
    return true;
  }
  if (b != ' ') Unget();
  return true;
}

void TWPRtfReader::PushGroup() {
  started_ = true;
  skip_fallback_ = 0;
  decoder_.Reset();
  if (stack_.size() >= static_cast<size_t>(kMaxGroupDepth) || overflow_depth_ > 0) {
    ++overflow_depth_;
    return;
  }
  FlushRun();
  f_.Attr = attr_;
  stack_.push_back(f_);
}

void TWPRtfReader::PopGroup() {
  skip_fallback_ = 0;
  decoder_.Reset();
  if (overflow_depth_ > 0) {
    --overflow_depth_;
    return;
  }
  if (stack_.empty()) {  // an unbalanced "}" ends the document
    done_ = true;
    return;
  }
  FlushRun();
  star_ = false;
  const Destination closing = f_.Dest;
  if (closing == kPicture && stack_.size() == pict_depth_) FinishPicture();
  if (closing == kPictureFile && stack_[stack_.size() - 1].Dest != kPictureFile) FinishPictureFile();
  if (closing == kFontTable && !font_name_.empty()) EndFontDefinition();
  if (closing == kFootnoteText && stack_.size() == footnote_depth_) footnote_ = nullptr;
  const bool had_border = f_.Props.Border[0] != 0;
  f_ = stack_.back();
  stack_.pop_back();
  attr_ = f_.Attr;
  SetDecoder(f_.CodePage);
  if (closing == kFontTable && f_.Dest != kFontTable) {
    // The default font is in force wherever no \f says otherwise.
    for (const RtfFont& font : fonts_) {
      if (font.Number == deff_) {
        attr_.FontIndex = font.Slot;
        f_.Attr.FontIndex = font.Slot;
      }
    }
  }
  if (stack_.empty()) {
    done_ = true;  // the outermost group closed; anything after it is not read
    return;
  }
  // Properties given inside the group end with it: a paragraph that has not begun yet takes
  // the restored ones once anything of it follows (groups that close at the end of the
  // document leave the last paragraph alone).
  (void)had_border;
  if (f_.Dest == kText && closing == kText && ParagraphEmpty()) restore_pending_ = true;
}

void TWPRtfReader::ApplyRestoredProps() {
  restore_pending_ = false;
  if (f_.Dest != kText || !ParagraphEmpty()) return;
  // A bordered block ends where a group closes that had the border.
  if (par_->HasBorder() && f_.Props.Border[0] == 0 && par_->Prev && par_->Prev->HasBorder()) {
    par_->Prev->BorderFlags[0] |= kBorderEndsBlock;
  }
  ApplyProps(par_, f_.Props);
}

void TWPRtfReader::ByteOut(uint8_t b) {
  if (skip_fallback_ > 0) {
    --skip_fallback_;
    return;
  }
  if (f_.Dest == kSkip || f_.Dest == kPicture || f_.Dest == kColorTable) return;
  char32_t c;
  if (b < 0x80 && !decoder_.Pending()) {
    c = b;
  } else {
    c = decoder_.Feed(b);
    if (c == 0) return;  // first byte of a pair
  }
  CharOut(c);
}

void TWPRtfReader::CharOut(char32_t c) {
  switch (f_.Dest) {
    case kText:
      if (c == 1) {
        TaggedObjectAnchor();
      } else if (c > 3) {
        AddChar(c);
      }
      break;
    case kFontTable:
      if (c == U';') {
        EndFontDefinition();
      } else if (!(font_name_.empty() && c == U' ') && font_name_.size() < kMaxFontName) {
        font_name_.push_back(c);
      }
      break;
    case kPictureFile:
      if (c == U'"') {
        pict_quoted_ = !pict_quoted_;
      } else if (pict_quoted_ && pict_file_.size() < kMaxFileName) {
        pict_file_.push_back(c);
      }
      break;
    case kTitle:
    case kComment:
    case kSubject: {
      std::u32string& t = f_.Dest == kTitle     ? doc_.Header.Title
                          : f_.Dest == kComment ? doc_.Header.Comment
                                                : doc_.Header.Subject;
      if (t.size() < kMaxInfoText && c >= 32) t.push_back(c);
      break;
    }
    case kFootnoteText:
      if (footnote_ && footnote_->Text.size() < kMaxFootnoteText) {
        if (footnote_->Text.empty() && (c == U' ' || c == footnote_->Mark)) break;
        footnote_->Text.push_back(c);
      }
      break;
    default:
      break;
  }
}

void TWPRtfReader::SkipBinary(int64_t count) {
  while (count > 0) {
    if (Available() == 0 && !Refill()) return;
    const size_t take = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(Available())));
    if (f_.Dest == kPicture) {
      const uint8_t* p = Cursor();
      const size_t room = kMaxPictureBytes - std::min(kMaxPictureBytes, pict_data_.size());
      if (take > room) pict_overflow_ = true;
      pict_data_.insert(pict_data_.end(), p, p + std::min(take, room));
    }
    Advance(take);
    count -= static_cast<int64_t>(take);
  }
}

// ---------------------------------------------------------------------------------------------
// Control words

void TWPRtfReader::Dispatch(const Control& c) {
  const TRtfKeyword* k = c.length ? FindRtfKeyword(std::string_view(c.word, c.length), c.hash) : nullptr;
  if (!k) {
    if (star_ && f_.Dest != kSkip) {
      FlushRun();
      f_.Dest = kSkip;
    }
    star_ = false;
    return;
  }
  if (k->Action == TRtfAction::Star) {
    star_ = true;
    return;
  }
  star_ = false;
  const int32_t n = (!c.has_param || k->ForceDefault) ? k->Default : c.param;

  // Words that matter even where the text is dropped.
  if (k->Action == TRtfAction::Bin) {
    if (c.has_param && c.param > 0) SkipBinary(c.param);
    return;
  }
  if (f_.Dest == kSkip) return;
  if (k->Action == TRtfAction::Hex) {
    int hi = Get();
    if (hi < 0) return;
    if (kHexValue[static_cast<size_t>(hi)] < 0) {
      Unget();
      return;
    }
    int lo = Get();
    if (lo < 0) return;
    if (kHexValue[static_cast<size_t>(lo)] < 0) {
      Unget();
      return;
    }
    const auto byte =
        static_cast<uint8_t>(kHexValue[static_cast<size_t>(hi)] << 4 | kHexValue[static_cast<size_t>(lo)]);
    if (skip_fallback_ > 0) {
      --skip_fallback_;
      return;
    }
    if (f_.Dest == kText && byte < 0x80 && !decoder_.Pending() && decoder_.CodePage() != kCodePageSymbol) {
      if (byte == 1)
        TaggedObjectAnchor();
      else if (byte > 3)
        AddChar(byte);
      return;
    }
    const char32_t ch = decoder_.Feed(byte);
    if (ch != 0) CharOut(ch);
    return;
  }
  if (k->Action == TRtfAction::U) {
    decoder_.Reset();
    int32_t v = n;
    if (v < 0) v += 65536;
    v = std::clamp(v, 0, 0xFFFF);
    char32_t ch = static_cast<char32_t>(v);
    if (ch >= 0xD800 && ch <= 0xDBFF) {
      high_surrogate_ = static_cast<char16_t>(ch);
      ch = 0;
    } else if (ch >= 0xDC00 && ch <= 0xDFFF) {
      ch = high_surrogate_
               ? 0x10000 + ((static_cast<char32_t>(high_surrogate_) - 0xD800) << 10) + (ch - 0xDC00)
               : 0xFFFD;
      high_surrogate_ = 0;
    } else {
      high_surrogate_ = 0;
    }
    skip_fallback_ = 0;
    if (ch != 0) CharOut(ch);
    skip_fallback_ = f_.Uc;
    return;
  }
  skip_fallback_ = 0;  // any other word ends the fallback of \uN
  if (decoder_.Pending()) decoder_.Reset();

  if (k->Kind == TRtfKind::Destination || k->Action == TRtfAction::Par || k->Action == TRtfAction::Cell ||
      k->Action == TRtfAction::Pard || k->Action == TRtfAction::Plain) {
    FlushRun();
  }

  using A = TRtfAction;
  const bool text = f_.Dest == kText;
  auto attr_change = [&](auto&& change) {
    FlushRun();
    change(attr_);
    f_.Attr = attr_;
  };
  switch (k->Action) {
    // --- characters ---
    case A::Par:
      if (text) EndParagraph();
      break;
    case A::ParBreak:
      if (text) EndParagraph();
      break;
    case A::Line:
      if (text) AddChar(kCharLineBreak);
      break;
    case A::Tab:
      if (text)
        AddChar(kCharTab);
      else if (f_.Dest == kFootnoteText)
        CharOut(U'\t');
      break;
    case A::Char:
      CharOut(static_cast<char32_t>(k->Arg));
      break;
    case A::Chftn:
      if (text) ChftnMark();
      break;
    case A::Ignore:
      break;
    // --- character attributes ---
    case A::Plain:
      attr_change([&](TCharAttr& a) {
        const uint8_t code = a.CharFlags & kCharRtfCode;
        a = TCharAttr{};
        a.CharFlags = code;
        for (const RtfFont& font : fonts_) {
          if (font.Number == deff_) a.FontIndex = font.Slot;
        }
      });
      f_.CodePage = FontCodePage(deff_);
      SetDecoder(f_.CodePage);
      break;
    case A::Font:
      if (f_.Dest == kFontTable) {
        if (!font_name_.empty()) EndFontDefinition();
        defining_font_ = n;
        defining_charset_ = 0;
        defining_codepage_ = 0;
        defining_family_ = 0;
      } else {
        SetFont(n);
      }
      break;
    case A::FontSize:
      attr_change([&](TCharAttr& a) {
        const int32_t pt = n / 2;
        a.PointSize = static_cast<uint8_t>(pt <= 0 ? 10 : std::min(pt, 255));
      });
      break;
    case A::Style:
      attr_change([&](TCharAttr& a) {
        if (n != 0)
          a.StyleBits |= static_cast<uint8_t>(k->Arg);
        else
          a.StyleBits &= static_cast<uint8_t>(~k->Arg);
      });
      break;
    case A::UnderlineOff:
      attr_change([&](TCharAttr& a) {
        a.StyleBits &= static_cast<uint8_t>(~(kStyleUnderline | kStyleDoubleUnderline));
      });
      break;
    case A::CharFlag:
      attr_change([&](TCharAttr& a) {
        if (n != 0)
          a.CharFlags |= static_cast<uint8_t>(k->Arg);
        else
          a.CharFlags &= static_cast<uint8_t>(~k->Arg);
      });
      break;
    case A::Super:
      if (text) {
        attr_change([&](TCharAttr& a) {
          a.StyleBits &= static_cast<uint8_t>(~kStyleSubscript);
          if (n != 0)
            a.StyleBits |= kStyleSuperscript;
          else
            a.StyleBits &= static_cast<uint8_t>(~kStyleSuperscript);
        });
      }
      break;
    case A::Up:
      attr_change([&](TCharAttr& a) {
        a.StyleBits &= static_cast<uint8_t>(~(kStyleSubscript | kStyleSuperscript));
        if (n > 0) a.StyleBits |= kStyleSuperscript;
      });
      break;
    case A::Sub:
    case A::Down:
      attr_change([&](TCharAttr& a) {
        a.StyleBits &= static_cast<uint8_t>(~(kStyleSubscript | kStyleSuperscript));
        if (n > 0) a.StyleBits |= kStyleSubscript;
      });
      break;
    case A::NoSuperSub:
      attr_change(
          [&](TCharAttr& a) { a.StyleBits &= static_cast<uint8_t>(~(kStyleSubscript | kStyleSuperscript)); });
      break;
    case A::InsPnt:
      attr_change([&](TCharAttr& a) {
        if (n != 0) {
          a.CharFlags = static_cast<uint8_t>((a.CharFlags | kCharInsertPoint) & ~kCharAutomatic);
          a.TagNumber = static_cast<uint16_t>(std::clamp(n, 0, 0xFFFF));
        } else {
          a.CharFlags &= static_cast<uint8_t>(~kCharInsertPoint);
          a.TagNumber = 0;
        }
      });
      break;
    case A::InAut:
      attr_change([&](TCharAttr& a) {
        if (n != 0)
          a.CharFlags = static_cast<uint8_t>((a.CharFlags | kCharAutomatic) & ~kCharInsertPoint);
        else
          a.CharFlags &= static_cast<uint8_t>(~kCharAutomatic);
      });
      break;
    case A::WpRtf:
      if (!text) break;
      attr_change([&](TCharAttr& a) {
        if (n != 0)
          a.CharFlags |= kCharRtfCode;
        else
          a.CharFlags &= static_cast<uint8_t>(~kCharRtfCode);
      });
      verbatim_ = n != 0;
      verbatim_match_ = 0;
      break;
    case A::Cf:
      attr_change([&](TCharAttr& a) { a.SetTextColor(MapColor(n)); });
      break;
    case A::Cb:
      attr_change([&](TCharAttr& a) { a.SetBackgroundColor(MapColor(n)); });
      break;
    // --- paragraph properties ---
    case A::Pard:
      Pard();
      break;
    case A::Li:
      Prop([&](ParProps& p) { p.Left = std::clamp(n, 0, kMaxLength); });
      break;
    case A::Ri:
      Prop([&](ParProps& p) { p.Right = std::clamp(n, 0, kMaxLength); });
      break;
    case A::Fi:
      Prop([&](ParProps& p) { p.First = std::clamp(n, -kMaxLength, kMaxLength); });
      break;
    case A::Sb:
      Prop([&](ParProps& p) { p.Before = std::clamp(n, 0, kMaxLength); });
      break;
    case A::Sa:
      Prop([&](ParProps& p) { p.After = std::clamp(n, 0, kMaxLength); });
      break;
    case A::Sl:
      Prop([&](ParProps& p) { p.LineSpacing = std::clamp(n, -kMaxLength, kMaxLength); });
      break;
    case A::Align:
      Prop([&](ParProps& p) { p.Alignment = static_cast<uint8_t>(k->Arg); });
      break;
    case A::PageBreak:
      if (!text || n == 0) break;
      // A break before any text of the paragraph breaks before it; one inside the text
      // breaks before the next paragraph.
      if (ParagraphEmpty())
        par_->ParFlags |= kParPageBreak;
      else
        page_break_pending_ = true;
      break;
    case A::Keep:
      if (text) par_->ParFlags |= kParKeep;
      break;
    case A::Tx:
      AddTab(n);
      break;
    case A::TabKind:
      pending_tab_kind_ = static_cast<uint8_t>(k->Arg);
      break;
    case A::Border:
      SetBorder(k->Arg);
      break;
    case A::BrdrW: {
      const auto w = static_cast<uint8_t>(std::clamp(n / 20, 0, 255));
      if (CellDef* cell = CurrentCellDef())
        cell->BorderWidth = w;
      else
        Prop([&](ParProps& p) { p.BorderWidth = w; });
      break;
    }
    case A::Brsp: {
      const uint8_t nib = SpacingNibble(n);
      Prop([&](ParProps& p) { p.BorderColor = static_cast<uint8_t>((p.BorderColor & 0x0F) | nib << 4); });
      break;
    }
    case A::BrdrCf: {
      const uint8_t col = MapColor(n);
      if (CellDef* cell = CurrentCellDef())
        cell->BorderColor = static_cast<uint8_t>((cell->BorderColor & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.BorderColor = static_cast<uint8_t>((p.BorderColor & 0xF0) | col); });
      break;
    }
    case A::Shading: {
      const auto pct = static_cast<uint8_t>(std::clamp(n / 100, 0, 100));
      if (CellDef* cell = CurrentCellDef()) {
        cell->ShadingPercent = pct;
        cell->ShadingColors = 0;
      } else {
        Prop([&](ParProps& p) {
          p.ShadingPercent = pct;
          p.ShadingColors = 0;
        });
      }
      break;
    }
    case A::Cbpat: {
      const uint8_t col = MapColor(n);
      if (CellDef* cell = CurrentCellDef())
        cell->ShadingColors = static_cast<uint8_t>((cell->ShadingColors & 0x0F) | col << 4);
      else
        Prop([&](ParProps& p) {
          p.ShadingColors = static_cast<uint8_t>((p.ShadingColors & 0x0F) | col << 4);
        });
      break;
    }
    case A::Cfpat: {
      const uint8_t col = MapColor(n);
      if (CellDef* cell = CurrentCellDef())
        cell->ShadingColors = static_cast<uint8_t>((cell->ShadingColors & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.ShadingColors = static_cast<uint8_t>((p.ShadingColors & 0xF0) | col); });
      break;
    }
    // --- document ---
    case A::Page:
      SetPage(k->Arg, n);
      break;
    case A::Facing:
      if (!KeepLayout) doc_.Header.FacingPages = n != 0;
      break;
    case A::Landscape:
      if (!KeepLayout) doc_.Header.Landscape = n != 0;
      break;
    case A::AnsiCpg:
      ansi_codepage_ = n;
      SetDecoder(f_.CodePage);
      break;
    case A::Deff:
      deff_ = n;
      break;
    case A::Uc:
      f_.Uc = static_cast<uint8_t>(std::clamp(n, 0, 16));
      break;
    // --- tables ---
    case A::Trowd:
      cells_.clear();
      cell_def_ = CellDef{};
      row_definition_ = true;
      cell_gap_ = 0;
      if (text) Prop([&](ParProps& p) { p.InTable = true; });
      break;
    case A::Cellx:
      if (cells_.size() < static_cast<size_t>(kMaxTableCells)) {
        CellDef def = cell_def_;
        def.Edge = ClampInt(static_cast<int64_t>(n) - f_.Props.Left, 0, kMaxLength);
        cells_.push_back(def);
      }
      cell_def_ = CellDef{};
      break;
    case A::Clmrg:
      cell_def_.Merged = true;
      break;
    case A::Trgaph:
      cell_gap_ = std::clamp(n, 0, kMaxLength);
      break;
    case A::Trleft:
      Prop([&](ParProps& p) { p.Left = std::clamp(n, 0, kMaxLength); });
      break;
    case A::Intbl:
      row_definition_ = false;
      if (!text) break;
      Prop([&](ParProps& p) {
        p.InTable = true;
        if (static_cast<size_t>(cell_index_) < cells_.size()) {
          const CellDef& cell = cells_[static_cast<size_t>(cell_index_)];
          p.Border[0] = cell.Border[0];
          p.Border[1] = cell.Border[1];
          p.BorderWidth = cell.BorderWidth;
          const uint8_t spacing = own_file_ ? SpacingNibble(cell_gap_) : CellPaddingNibble(cell_gap_);
          p.BorderColor = static_cast<uint8_t>((cell.BorderColor & 0x0F) | spacing << 4);
          p.ShadingColors = cell.ShadingColors;
          p.ShadingPercent = cell.ShadingPercent;
        }
        p.Before = cell_gap_;
      });
      break;
    case A::Cell:
      if (text) EndCell();
      break;
    case A::Row:
      row_definition_ = false;
      if (text) EndRow();
      break;
    // --- colour table ---
    case A::Red:
      SetColorComponent(0, n);
      break;
    case A::Green:
      SetColorComponent(8, n);
      break;
    case A::Blue:
      SetColorComponent(16, n);
      break;
    // --- font table ---
    case A::FCharset:
      if (f_.Dest == kFontTable) {
        defining_charset_ = n;
        if (defining_codepage_ == 0 || CodePageOfCharSet(n) != 0) defining_codepage_ = CodePageOfCharSet(n);
        SetDecoder(defining_codepage_);
      }
      break;
    case A::Cpg:
      if (f_.Dest == kFontTable && defining_charset_ != 2) {
        defining_codepage_ = n;
        SetDecoder(n);
      }
      break;
    case A::Family:
      if (f_.Dest == kFontTable) defining_family_ = static_cast<uint8_t>(k->Arg);
      break;
    // --- pictures and objects ---
    case A::Pict:
      StartPicture();
      break;
    case A::PictKind:
      if (f_.Dest == kPicture) {
        pict_kind_ = k->Arg;
        if (k->Arg == 0 || k->Arg == 5) pict_data_.clear();
      }
      break;
    case A::PicValue:
      if (f_.Dest == kPicture || f_.Dest == kPictureFile) pic_values_[k->Arg] = n;
      break;
    case A::PicFile:
      f_.Dest = kPictureFile;
      pict_file_.clear();
      pict_quoted_ = false;
      for (int32_t& v : pic_values_) v = 0;
      pic_values_[4] = pic_values_[5] = 100;
      break;
    case A::ObjTag:
      obj_tag_ = n;
      break;
    case A::ObjW:
      obj_w_ = std::max(n, 0);
      break;
    case A::ObjH:
      obj_h_ = std::max(n, 0);
      break;
    // --- destinations ---
    case A::FontTbl:
      f_.Dest = kFontTable;
      font_name_.clear();
      defining_font_ = 0;
      defining_charset_ = 0;
      defining_codepage_ = 0;
      defining_family_ = 0;
      break;
    case A::ColorTbl:
      f_.Dest = kColorTable;
      rtf_colors_.assign(1, 0);
      color_map_.clear();
      break;
    case A::InfoText: {
      const auto dest = static_cast<Destination>(k->Arg);
      const std::u32string& t = dest == kTitle     ? doc_.Header.Title
                                : dest == kComment ? doc_.Header.Comment
                                                   : doc_.Header.Subject;
      f_.Dest = t.empty() ? dest : kSkip;
      break;
    }
    case A::Footnote:
      StartFootnote();
      break;
    case A::FnNr:
      if (footnote_) footnote_->Number = std::max(n, 0);
      break;
    case A::Transparent:
      break;
    case A::SkipGroup:
      f_.Dest = kSkip;
      break;
    case A::NestRow:
      if (text) AddChar(kCharLineBreak);
      f_.Dest = kSkip;
      break;
    default:
      break;
  }
}

void TWPRtfReader::SetFont(int32_t number) {
  for (const RtfFont& font : fonts_) {
    if (font.Number == number) {
      FlushRun();
      attr_.FontIndex = font.Slot;
      f_.Attr = attr_;
      f_.CodePage = font.CodePage;
      SetDecoder(font.CodePage);
      return;
    }
  }
}

void TWPRtfReader::EndFontDefinition() {
  std::u32string name = std::move(font_name_);
  font_name_.clear();
  while (!name.empty() && name.back() == U' ') name.pop_back();
  if (name.empty() || fonts_.size() >= kMaxRtfFonts) return;
  TTextHeader& h = doc_.Header;
  const bool is_new = h.FindFont(name) < 0;
  int slot = h.FontIndexOf(name);
  if (slot >= kFontSlots) slot = 0;  // the table is full: the default font stands in
  if (is_new && slot > 0) {
    h.Fonts[static_cast<size_t>(slot)].PitchFamily = defining_family_;
    h.Fonts[static_cast<size_t>(slot)].CharSet = static_cast<uint8_t>(std::clamp(defining_charset_, 0, 255));
  }
  for (RtfFont& f : fonts_) {
    if (f.Number == defining_font_) {
      f.Slot = static_cast<uint8_t>(slot);
      f.CodePage = defining_codepage_;
      return;
    }
  }
  fonts_.push_back(RtfFont{defining_font_, static_cast<uint8_t>(slot), defining_codepage_});
}

void TWPRtfReader::SetColorComponent(int shift, int32_t value) {
  if (f_.Dest != kColorTable || KeepLayout || rtf_colors_.empty()) return;
  const size_t index = rtf_colors_.size() - 1;
  TColorRef& c = rtf_colors_[index];
  c = (c & ~(0xFFu << shift)) | (static_cast<TColorRef>(std::clamp(value, 0, 255)) << shift);
  if (index < 15) doc_.Header.Colors[index] = c;
}

uint8_t TWPRtfReader::MapColor(int32_t n) {
  if (n < 0) return 0;
  // Colours the document's table can hold keep their index; further RTF colours take the
  // nearest colour of the table.
  if (n < 15 || static_cast<size_t>(n) >= rtf_colors_.size()) return static_cast<uint8_t>(n <= 15 ? n : 0);
  if (color_map_.size() < rtf_colors_.size()) color_map_.resize(rtf_colors_.size(), -1);
  int16_t& m = color_map_[static_cast<size_t>(n)];
  if (m < 0) {
    const TColorRef c = rtf_colors_[static_cast<size_t>(n)];
    int best = 0;
    int64_t best_d = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < 16; ++i) {
      const TColorRef d = doc_.Header.Colors[static_cast<size_t>(i)];
      const int64_t dr = RedOf(c) - RedOf(d), dg = GreenOf(c) - GreenOf(d), db = BlueOf(c) - BlueOf(d);
      const int64_t dist = dr * dr + dg * dg + db * db;
      if (dist < best_d) {
        best_d = dist;
        best = i;
      }
    }
    m = static_cast<int16_t>(best);
  }
  return static_cast<uint8_t>(m);
}

void TWPRtfReader::SetPage(int which, int32_t value) {
  if (KeepLayout || f_.Dest == kSkip) return;
  TTextHeader& h = doc_.Header;
  switch (which) {
    case 0:
      h.PageWidth = std::clamp(value, 720, 200000);
      break;
    case 1:
      h.PageHeight = std::clamp(value, 720, 200000);
      break;
    case 2:
      h.MarginLeft = std::clamp(value, 0, 100000);
      break;
    case 3:
      h.MarginRight = std::clamp(value, 0, 100000);
      break;
    case 4:
      h.MarginTop = std::clamp(value, 0, 100000);
      break;
    case 5:
      h.MarginBottom = std::clamp(value, 0, 100000);
      break;
    default:
      break;
  }
  text_width_ = std::max(h.TextWidthTwips(), 1);
}

// --- paragraphs ---

void TWPRtfReader::EndParagraph() {
  if (f_.Props.InTable) {
    // Paragraphs inside a table cell become lines of the cell's one paragraph.
    AddChar(kCharLineBreak);
    return;
  }
  ApplyProps(par_, f_.Props);
  TParagraph* next = StartNewParagraph();
  next->ParFlags &=
      static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells | kParContinuesRow));
  if (page_break_pending_) {
    next->ParFlags |= kParPageBreak;
    page_break_pending_ = false;
  }
  next->CellStart = next->CellWidth = 0;
  f_.Props.TabRestart = true;
  ApplyProps(next, f_.Props);
}

void TWPRtfReader::Pard() {
  // A \pard between bordered paragraphs ends their block. Inside a table row it only clears
  // a cell's tab stops (or Word's restated properties); cells keep their own borders.
  const bool in_row = f_.Props.InTable || !row_cells_.empty();
  if (f_.Dest == kText && !in_row && ParagraphEmpty() && par_->Prev && par_->Prev->HasBorder() &&
      f_.Props.Border[0] != 0) {
    par_->Prev->BorderFlags[0] |= kBorderEndsBlock;
  }
  Prop([&](ParProps& p) {
    p.Alignment = 0;
    p.First = p.Left = p.Right = 0;
    p.Border[0] = p.Border[1] = 0;
    p.BorderWidth = p.BorderColor = 0;
    p.ShadingColors = p.ShadingPercent = 0;
    p.TabMask = 0;
    p.InTable = false;
    p.TabRestart = true;
    if (!own_file_) p.Before = p.After = p.LineSpacing = 0;
  });
  pending_tab_kind_ = kTabLeft;
}

void TWPRtfReader::AddTab(int32_t position) {
  const uint8_t kind = pending_tab_kind_;
  pending_tab_kind_ = kTabLeft;
  if (f_.Dest != kText || position <= 0 || position > kMaxLength) return;
  const uint64_t bit = doc_.Header.AddTab(position, kind);
  Prop([&](ParProps& p) {
    if (p.TabRestart) {
      p.TabMask = 0;
      p.TabRestart = false;
    }
    p.TabMask |= bit;
  });
}

TWPRtfReader::CellDef* TWPRtfReader::CurrentCellDef() { return row_definition_ ? &cell_def_ : nullptr; }

void TWPRtfReader::SetBorder(int bits) {
  const auto first = static_cast<uint8_t>(bits & 0xFF);
  const auto second = static_cast<uint8_t>(bits >> 8);
  if (CellDef* cell = CurrentCellDef()) {
    cell->Border[0] |= first;
    cell->Border[1] |= second;
    return;
  }
  Prop([&](ParProps& p) {
    p.Border[0] |= first;
    p.Border[1] |= second;
  });
}

void TWPRtfReader::EndCell() {
  if (!f_.Props.InTable) Prop([&](ParProps& p) { p.InTable = true; });
  ApplyProps(par_, f_.Props);
  par_->ParFlags |= kParTableCell | kParMoreCells;
  if (!row_cells_.empty())
    par_->ParFlags |= kParContinuesRow;
  else
    par_->ParFlags &= static_cast<uint8_t>(~kParContinuesRow);
  par_->TabMask = f_.Props.TabMask;
  if (row_cells_.size() < 4096) row_cells_.push_back(par_);
  ++cell_index_;
  TParagraph* next = StartNewParagraph();
  next->ParFlags &=
      static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells | kParContinuesRow));
  next->TabMask = 0;
  next->CellStart = next->CellWidth = 0;
  f_.Props.TabRestart = true;
  // The next cell takes its own border and shading when its \intbl comes; until then the
  // paragraph carries the row's plain properties.
  ApplyProps(next, f_.Props);
}

void TWPRtfReader::EndRow() {
  if (row_cells_.empty()) {
    cell_index_ = 0;
    return;
  }
  // Widths in 1/255 of the row's usable width, from the cell edges known by now (they may come
  // before the cells or, as newer writers put them, after them).
  int32_t largest = 0;
  for (const CellDef& c : cells_) largest = std::max(largest, c.Edge);
  const int32_t width = std::max(text_width_, 1);
  int total = 0;
  const size_t count = row_cells_.size();
  for (size_t i = 0; i < count; ++i) {
    TParagraph* p = row_cells_[i];
    int w;
    if (largest <= 0) {
      // No edges at all: the row is shared out evenly.
      w = std::max((255 - total) / static_cast<int>(count - i), 1);
    } else if (i < cells_.size()) {
      w = static_cast<int>((255 * static_cast<int64_t>(cells_[i].Edge) + largest / 2) / largest) - total;
      if (w < 1) w = 1;
    } else {
      w = 10;  // a cell without an edge
    }
    p->CellStart = static_cast<uint8_t>(std::min(total, 255));
    p->CellWidth = static_cast<uint8_t>(std::clamp(w, 1, 255 - std::min(total, 254)));
    total += w;
    p->RightIndent = largest > 0 ? std::max(width - largest, 0) : 0;
    p->ParFlags |= kParMoreCells;
  }
  row_cells_.back()->ParFlags &= static_cast<uint8_t>(~kParMoreCells);
  row_cells_.clear();
  cell_index_ = 0;
}

// --- pictures, objects, footnotes ---

void TWPRtfReader::StartPicture() {
  f_.Dest = kPicture;
  pict_depth_ = stack_.size();
  pict_kind_ = 0;
  for (int32_t& v : pic_values_) v = 0;
  pic_values_[4] = pic_values_[5] = 100;
  pic_values_[7] = 1;
  pict_data_.clear();
  pict_overflow_ = false;
  pict_nibble_ = -1;
}

void TWPRtfReader::AddObjectAnchor(char32_t code, TDocObject* object) {
  TCharAttr a = StoredAttr();
  a.CharFlags |= kCharObject;
  a.TagNumber = code == kCharObjectByTag ? object->Tag : object->Number;
  AddCharWithAttr(code, a);
}

void TWPRtfReader::FinishPicture() {
  std::vector<uint8_t> data = std::move(pict_data_);
  pict_data_.clear();
  // Pictures belong to document text; outside it (or past the bounds) they are dropped.
  const bool in_text = !stack_.empty() && stack_.back().Dest == kText;
  if (!in_text || pict_overflow_ || static_cast<int>(doc_.Objects().size()) >= kMaxObjects ||
      !doc_.AttributeMode()) {
    return;
  }
  TDocGraphic graphic;
  std::string error;
  const int32_t picw = pic_values_[0], pich = pic_values_[1];
  switch (pict_kind_) {
    case 0:
      if (!data.empty()) {
        TMetafile mf;
        mf.Bytes = std::move(data);
        mf.Width = std::max(picw, 0);
        mf.Height = std::max(pich, 0);
        graphic.Image = std::move(mf);
      }
      break;
    case 1: {
      // The image size field is recomputed: writers leave it 0 or wrong.
      if (data.size() >= 40) {
        uint32_t header = 0;
        std::memcpy(&header, data.data(), 4);
        if (header >= 40) {
          int32_t w = 0, h = 0;
          uint16_t bits = 0;
          std::memcpy(&w, data.data() + 4, 4);
          std::memcpy(&h, data.data() + 8, 4);
          std::memcpy(&bits, data.data() + 14, 2);
          // A row fits 64 bits (31 bits of width times 16 of depth); the product with the
          // height is checked before it is formed.
          const int64_t row = (std::abs(static_cast<int64_t>(w)) * bits + 31) / 32 * 4;
          const int64_t rows = std::abs(static_cast<int64_t>(h));
          constexpr int64_t kMaxSize = std::numeric_limits<uint32_t>::max();
          const int64_t size = row == 0 ? 0 : rows > kMaxSize / row ? -1 : row * rows;
          uint32_t compression = 0;
          std::memcpy(&compression, data.data() + 16, 4);
          if (compression == 0 && size >= 0) {
            const auto s = static_cast<uint32_t>(size);
            std::memcpy(data.data() + 20, &s, 4);
          }
        }
      }
      TBitmap bmp;
      if (DecodeDib(data, bmp, error)) graphic.Image = std::move(bmp);
      break;
    }
    case 2: {
      TBitmap bmp;
      if (DecodeDdb(picw, pich, pic_values_[7], pic_values_[6], pic_values_[8], data, bmp, error)) {
        graphic.Image = std::move(bmp);
      }
      break;
    }
    case 3:
    case 4:
      if (const TWPPictureDecoder* decoder = PictureDecoder()) {
        TBitmap bmp;
        if (decoder->Decode(pict_kind_ == 3 ? TPictureFormat::Png : TPictureFormat::Jpeg, data,
                            kMaxBitmapDimension, bmp)) {
          graphic.Image = std::move(bmp);
          graphic.InPictureHolder = true;  // written back as a device-independent bitmap
        }
      }
      break;
    default:
      break;
  }
  TDocObject* obj = doc_.AddObject(std::move(graphic), 0);
  const int32_t sx = pic_values_[4], sy = pic_values_[5];
  obj->Width =
      ClampInt(sx > 0 ? static_cast<int64_t>(pic_values_[2]) * sx / 100 : pic_values_[2], 0, 1 << 24);
  obj->Height =
      ClampInt(sy > 0 ? static_cast<int64_t>(pic_values_[3]) * sy / 100 : pic_values_[3], 0, 1 << 24);
  // Saved with f_ still the \pict group's frame: the anchor takes the attribute around it.
  const TCharAttr saved = attr_;
  attr_ = stack_.back().Attr;
  AddObjectAnchor(kCharObjectByNumber, obj);
  attr_ = saved;
}

void TWPRtfReader::FinishPictureFile() {
  const std::u32string name = std::move(pict_file_);
  pict_file_.clear();
  if (name.empty() || stack_.empty() || stack_.back().Dest != kText || !doc_.AttributeMode()) return;
  TDocObject* obj = doc_.FindObjectByFileName(name);
  if (!obj) {
    int linked = 0;
    for (const auto& o : doc_.Objects()) linked += !o->FileName.empty();
    if (linked >= kMaxLinkedPictures || static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(TDocGraphic{}, -1);
    obj->FileName = name;
  }
  const int32_t sx = pic_values_[4], sy = pic_values_[5];
  obj->Width =
      ClampInt(sx > 0 ? static_cast<int64_t>(pic_values_[2]) * sx / 100 : pic_values_[2], 0, 1 << 24);
  obj->Height =
      ClampInt(sy > 0 ? static_cast<int64_t>(pic_values_[3]) * sy / 100 : pic_values_[3], 0, 1 << 24);
  if (obj->Graphic.Empty()) {
    if (doc_.ProvideObjectEvent) {
      doc_.ProvideObjectEvent(obj->Tag, *obj);
    } else {
      const std::u32string lower = LowerAscii(name);
      auto try_load = [&](const std::u32string& path, bool allow_wmf) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(ToUtf8(path), bytes)) return false;
        std::string error;
        if (lower.find(U".bmp") != std::u32string::npos) {
          TBitmap bmp;
          if (!DecodeBmpFile(bytes, bmp, error)) return false;
          obj->Graphic.Image = std::move(bmp);
          return true;
        }
        if (allow_wmf && lower.find(U".wmf") != std::u32string::npos && bytes.size() > 22) {
          uint32_t key = 0;
          std::memcpy(&key, bytes.data(), 4);
          TMetafile mf;
          if (key == 0x9AC6CDD7u) {
            int16_t box[4];
            std::memcpy(box, bytes.data() + 6, 8);
            mf.Width = std::max(box[2] - box[0], 0);
            mf.Height = std::max(box[3] - box[1], 0);
            mf.Bytes.assign(bytes.begin() + 22, bytes.end());
          } else {
            mf.Bytes = std::move(bytes);
          }
          obj->Graphic.Image = std::move(mf);
          return true;
        }
        return false;
      };
      if (!try_load(name, true) && !doc_.HTMLFilePath.empty() &&
          lower.find(U".bmp") != std::u32string::npos) {
        std::u32string dir = doc_.HTMLFilePath;
        if (dir.back() != U'/') dir.push_back(U'/');
        try_load(dir + name, false);
      }
    }
  }
  const TCharAttr saved = attr_;
  attr_ = stack_.back().Attr;
  AddObjectAnchor(kCharObjectByTag, obj);
  attr_ = saved;
}

void TWPRtfReader::TaggedObjectAnchor() {
  if (obj_tag_ <= 0 || obj_tag_ > 0xFFFF || !doc_.AttributeMode()) return;
  TDocObject* obj = doc_.FindObjectByTag(obj_tag_);
  if (!obj) {
    if (static_cast<int>(doc_.Objects().size()) >= kMaxObjects) return;
    obj = doc_.AddObject(TDocGraphic{}, obj_tag_);
    obj->Tagged = true;
    obj->Width = obj_w_;
    obj->Height = obj_h_;
    if (obj->Graphic.Empty() && doc_.ProvideObjectEvent) doc_.ProvideObjectEvent(obj_tag_, *obj);
  }
  AddObjectAnchor(kCharObjectByTag, obj);
}

void TWPRtfReader::ChftnMark() {
  // Word's automatic footnote number: the number becomes the anchor character.
  const int next = footnote_count_ + 1;
  AddChar(next <= 9 ? static_cast<char32_t>(U'0' + next) : U'*');
}

void TWPRtfReader::StartFootnote() {
  f_.Dest = kSkip;
  if (!doc_.AttributeMode() || footnote_count_ >= kMaxFootnotes || !stack_.size() ||
      stack_.back().Dest != kText) {
    return;
  }
  FlushParagraph();
  ++footnote_count_;
  TFootnoteRec* fn = doc_.AddFootnote(U'?', 0, U"");
  // The character before the footnote is its mark and anchor.
  const int n = par_->CharCount();
  if (n > 0) {
    const int line = par_->LineCount() - 1;
    auto text = par_->LineText(line);
    auto attrs = par_->LineAttrs(line);
    if (!text.empty() && text.back() > 3) {
      fn->Mark = text.back();
      TCharAttr& a = attrs.back();
      a.TagNumber = fn->Id;
      a.CharFlags |= kCharFootnote;
      a.StyleBits &= static_cast<uint8_t>(~kStyleSuperscript);
    }
  }
  footnote_ = fn;
  footnote_depth_ = stack_.size();
  f_.Dest = kFootnoteText;
}

void TWPRtfReader::FinishRead() {
  FlushParagraph();
  if (!row_cells_.empty()) EndRow();
  // Every cell ends with \cell, the last one of a document too: the empty paragraph that
  // follows it is not part of the document.
  if (par_ && par_ != first_par_ && par_->CharCount() == 0 && par_->LineCount() == 1 && par_->Prev &&
      par_->Prev->IsTableCell() && !par_->IsTableCell()) {
    TParagraph* prev = par_->Prev;
    doc_.DeleteLine(par_, 0);
    par_ = prev;
  }
  // Indents were read relative (the first-line indent against the left one); the model keeps
  // the first-line indent absolute. Both are snapped to the tab grid.
  const TTextHeader& h = doc_.Header;
  for (TParagraph* p = first_par_; p; p = p->Next) {
    const int64_t first = static_cast<int64_t>(p->LeftIndent) + p->FirstIndent;
    p->FirstIndent = SnapIndent(h, ClampInt(first, -1000000, 1000000));
    p->LeftIndent = SnapIndent(h, p->LeftIndent);
    p->MarkDirty();
  }
  doc_.TrimParagraph(par_);
}

}  // namespace inkwend
