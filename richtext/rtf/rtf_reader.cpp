// The byte loop of the RTF reader: text bytes, groups and control words, the fast path for
// plain runs of text, picture data, verbatim RTF code and the end of reading.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "richtext/model/charset.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using namespace rtf_values;

namespace {

constexpr size_t kMaxRtfColors = 1024;
constexpr size_t kMaxInfoText = 4096;
constexpr size_t kMaxFontName = 255;

// Values of the fast text table (TWPRtfReader::fast_) that are not characters.
constexpr char32_t kFastStop = 0;              // the byte needs the byte loop
constexpr char32_t kFastIgnore = 0xFFFFFFFFu;  // CR, LF and TAB between text: dropped

}  // namespace

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
  ControlWord c{};
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
      NextColor();
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
        if (!ReadControlWord(input_, c)) {
          ReportCutOff(true);
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
  if (!done_ && !full_) ReportCutOff(false);
}

void TWPRtfReader::ReportCutOff(bool in_control_word) {
  // The input ended before the document did: a file cut off (a full disk, a copy broken off).
  // What was read stays; the reader says what was missing.
  const int64_t open = static_cast<int64_t>(stack_.size()) + overflow_depth_;
  std::string missing = in_control_word ? "an unfinished control word" : "";
  if (open > 0) {
    if (!missing.empty()) missing += " and ";
    missing += std::to_string(open) + (open == 1 ? " group" : " groups") + " not closed";
  }
  if (!missing.empty()) MarkDamaged(std::move(missing));
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
    const size_t n = Available();
    if (n == 0) {
      if (!Refill()) return;
      continue;
    }
    const size_t taken = picture_.AddHexDigits(Cursor(), n);
    Advance(taken);
    if (taken < n) return;
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
      picture_.AddFileNameChar(c);
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
      FootnoteChar(c);
      break;
    default:
      break;
  }
}

void TWPRtfReader::NextColor() {
  if (!KeepLayout && rtf_colors_.size() < kMaxRtfColors) {
    rtf_colors_.push_back(0);  // the next definition starts as black
    const size_t index = rtf_colors_.size() - 1;
    if (index < 15) doc_.Header.Colors[index] = 0;
  }
}

void TWPRtfReader::SkipBinary(int64_t count) {
  while (count > 0) {
    if (Available() == 0 && !Refill()) return;
    const size_t take = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(Available())));
    if (f_.Dest == kPicture) picture_.AddBinary(Cursor(), take);
    Advance(take);
    count -= static_cast<int64_t>(take);
  }
}

void TWPRtfReader::FinishRead() {
  FlushParagraph();
  if (table_.RowHasCells()) EndRow();
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
