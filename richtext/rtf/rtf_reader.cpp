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

// Values of the fast text table (WPRtfReader::fast_) that are not characters.
constexpr char32_t kFastStop = 0;              // the byte needs the byte loop
constexpr char32_t kFastIgnore = 0xFFFFFFFFu;  // CR, LF and TAB between text: dropped

}  // namespace

WPRtfReader::WPRtfReader(WPRTFText* doc) : WPTextReader(doc, kErrWrongArgumentsRtf) {
  // RTF states its own formatting: text it does not mark bold, italic or coloured is plain,
  // whatever the caret's attribute (the template) has. Only font and size, which RTF always
  // states where it cares, start from the template.
  CharAttr plain;
  plain.fontIndex = attr_.fontIndex;
  plain.pointSize = attr_.pointSize;
  attr_ = plain;
  f_.attr = attr_;
}

WPRtfReader::~WPRtfReader() = default;

void WPRtfReader::SetDecoder(int codepage) {
  if (codepage == 0) codepage = ansiCodepage_;
  if (decoder_.CodePage() == codepage ||
      (codepage != kCodePageSymbol && decoder_.CodePage() == 1252 && (codepage == 1252 || codepage == 0))) {
    return;
  }
  decoder_ = CodePageDecoder(codepage);
  BuildFastTable();
}

void WPRtfReader::BuildFastTable() {
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

void WPRtfReader::ReadBody() {
  textWidth_ = doc_.header.TextWidthTwips();
  SetDecoder(0);
  BuildFastTable();
  if (Get() >= 0) {
    Unget();
    static constexpr std::string_view kOwnHeader = "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl";
    ownFile_ =
        Available() >= kOwnHeader.size() && std::memcmp(Cursor(), kOwnHeader.data(), kOwnHeader.size()) == 0;
  }
  if (!ownFile_) {
    // Text from elsewhere that states no size is in RTF's default size.
    attr_.pointSize = plainSize_;
    f_.attr = attr_;
  } else {
    plainSize_ = 0;
  }
  ControlWord c{};
  while (!done_ && !full_) {
    if (f_.dest == Destination::Picture) {
      PictureHex();
    } else if (f_.dest == Destination::Text && !verbatim_ && skipFallback_ == 0 && !decoder_.Pending()) {
      TextFastPath();
    }
    const int b = Get();
    if (b < 0) break;
    if (restorePending_ && b != '}' && b != '\r' && b != '\n' && b != '\t') ApplyRestoredProps();
    if (verbatim_) {
      VerbatimByte(static_cast<uint8_t>(b));
      continue;
    }
    if (f_.dest == Destination::ColorTable && b == ';') {
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

void WPRtfReader::ReportCutOff(bool in_control_word) {
  // The input ended before the document did: a file cut off (a full disk, a copy broken off).
  // What was read stays; the reader says what was missing.
  const int64_t open = static_cast<int64_t>(stack_.size()) + overflowDepth_;
  std::string missing = in_control_word ? "an unfinished control word" : "";
  if (open > 0) {
    if (!missing.empty()) missing += " and ";
    missing += std::to_string(open) + (open == 1 ? " group" : " groups") + " not closed";
  }
  if (!missing.empty()) MarkDamaged(std::move(missing));
}

void WPRtfReader::TextFastPath() {
  // A stretch of text bytes straight into the collected paragraph; control words, groups and
  // bytes that need more than one table look-up go through the byte loop.
  if (!started_) return;
  if (restorePending_) {
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

void WPRtfReader::PictureHex() {
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

void WPRtfReader::VerbatimByte(uint8_t b) {
  static constexpr char kEnd[] = "\\wprtf0";
  // Line ends and zero bytes are no part of the text: they do not break "\wprtf0" either, or
  // the text kept would hold the word whole and end there when written and read again.
  if (b == '\r' || b == '\n' || b == 0) return;
  if (b == static_cast<uint8_t>(kEnd[verbatimMatch_])) {
    if (++verbatimMatch_ == 7) {
      verbatim_ = false;
      verbatimMatch_ = 0;
      FlushRun();
      attr_.charFlags &= static_cast<uint8_t>(~kCharRtfCode);
      f_.attr = attr_;
    }
    return;
  }
  // The match broke: what was held back is text after all.
  for (int i = 0; i < verbatimMatch_; ++i) AddChar(static_cast<char32_t>(kEnd[i]));
  verbatimMatch_ = 0;
  if (b == '\\') {
    verbatimMatch_ = 1;
    return;
  }
  AddChar(Cp1252ToUnicode(b));
}

void WPRtfReader::ByteOut(uint8_t b) {
  if (skipFallback_ > 0) {
    --skipFallback_;
    return;
  }
  if (f_.dest == Destination::Skip || f_.dest == Destination::Picture || f_.dest == Destination::ColorTable)
    return;
  char32_t c;
  if (b < 0x80 && !decoder_.Pending()) {
    c = b;
  } else {
    c = decoder_.Feed(b);
    if (c == 0) return;  // first byte of a pair
  }
  CharOut(c);
}

void WPRtfReader::CharOut(char32_t c) {
  switch (f_.dest) {
    case Destination::Text:
      if (c == 1) {
        TaggedObjectAnchor();
      } else if (c > 3) {
        AddChar(c);
      }
      break;
    case Destination::FontTable:
      if (c == U';') {
        EndFontDefinition();
      } else if (c >= 0x20 && !(fontName_.empty() && c == U' ') && fontName_.size() < kMaxFontName) {
        // (control characters are no part of a name: written back they would not be read)
        fontName_.push_back(c);
      }
      break;
    case Destination::PictureFile:
      picture_.AddFileNameChar(c);
      break;
    case Destination::Title:
    case Destination::Comment:
    case Destination::Subject: {
      std::u32string& t = f_.dest == Destination::Title     ? doc_.header.title
                          : f_.dest == Destination::Comment ? doc_.header.comment
                                                            : doc_.header.subject;
      if (t.size() < kMaxInfoText && c >= 32) t.push_back(c);
      break;
    }
    case Destination::FootnoteText:
      FootnoteChar(c);
      break;
    case Destination::ShapeName:
      if (shapeName_.size() < 32 && c > U' ') shapeName_.push_back(c);
      break;
    default:
      break;
  }
}

void WPRtfReader::NextColor() {
  if (!KeepsColors() && rtfColors_.size() < kMaxRtfColors) {
    EndColorDefinition();
    rtfColors_.push_back(0);  // the next definition starts as black
    const size_t index = rtfColors_.size() - 1;
    if (index < 15) doc_.header.colors[index] = 0;
  }
}

void WPRtfReader::SkipBinary(int64_t count) {
  while (count > 0) {
    if (Available() == 0 && !Refill()) return;
    const size_t take = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(Available())));
    if (f_.dest == Destination::Picture) picture_.AddBinary(Cursor(), take);
    Advance(take);
    count -= static_cast<int64_t>(take);
  }
}

void WPRtfReader::FinishRead() {
  FlushParagraph();
  if (table_.RowHasCells()) EndRow();
  // Every cell ends with \cell, the last one of a document too: the empty paragraph that
  // follows it is not part of the document.
  if (par_ && par_ != firstPar_ && par_->CharCount() == 0 && par_->LineCount() == 1 && par_->prev &&
      par_->prev->IsTableCell() && !par_->IsTableCell()) {
    Paragraph* prev = par_->prev;
    doc_.DeleteLine(par_, 0);
    par_ = prev;
  }
  // Indents were read relative (the first-line indent against the left one); the model keeps
  // the first-line indent absolute. They stay where the file put them: snapped to our ruler's
  // grid, a list's 0.25-inch hanging indent became 0.3 inch, moved every line of it and was
  // saved back moved. Indents set on our ruler are on the grid anyway.
  for (Paragraph* p = firstPar_; p; p = p->next) {
    const int64_t first = static_cast<int64_t>(p->leftIndent) + p->firstIndent;
    p->firstIndent = ClampInt(first, -1000000, 1000000);
    p->MarkDirty();
  }
  doc_.TrimParagraph(par_);
}

}  // namespace inkwend
