#include "richtext/rtf/writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <typeinfo>
#include <vector>

#include "base/text_encoding.h"
#include "richtext/model/charset.h"
#include "richtext/model/progress.h"
#include "richtext/picture/bitmap_codec.h"
#include "richtext/rtf/codepage.h"

namespace inkwend {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

char* Append(char* out, std::string_view word) {
  std::memcpy(out, word.data(), word.size());
  return out + word.size();
}

// Decimal, with a leading '-' when negative: at most 20 bytes.
char* AppendInt(char* out, int64_t value) {
  uint64_t u = static_cast<uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    u = 0 - u;
  }
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* AppendByteEscape(char* out, unsigned b) {  // \'xx with lower-case digits
  *out++ = '\\';
  *out++ = '\'';
  *out++ = kHexDigits[(b >> 4) & 15];
  *out++ = kHexDigits[b & 15];
  return out;
}

// Records of one run but for the default size in one and 10 points in the other: both are
// written "\fs20" and read back as one run.
bool SizesAlike(CharAttr a, const CharAttr& b) {
  if (a.pointSize + b.pointSize != 10 || (a.pointSize != 0 && b.pointSize != 0)) return false;
  a.pointSize = b.pointSize;
  return a.SameStoredRun(b);
}

// True when text of record `a` continues the run of `open` (which may be null) in its block.
bool ContinuesRun(const CharAttr* open, const CharAttr& a) {
  return open && (a.SameStoredRun(*open) || SizesAlike(a, *open));
}

// Where the run that starts at rec[pos] ends (at most `to`). Plain 8-byte compares with an
// early exit: comparing four records at once with vector instructions measured slower on
// runs of a few dozen characters.
int RunEnd(const CharAttr* rec, int pos, int to) {
  const CharAttr& first = rec[pos];
  int end = pos + 1;
  while (end + 4 <= to && rec[end].SameStoredRun(first) && rec[end + 1].SameStoredRun(first) &&
         rec[end + 2].SameStoredRun(first) && rec[end + 3].SameStoredRun(first)) {
    end += 4;
  }
  while (end < to && (rec[end].SameStoredRun(first) || SizesAlike(rec[end], first))) ++end;
  return end;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Ranges

TextRange WholeDocument(const WPRTFText& doc) {
  TextRange r;
  r.firstPar = doc.FirstParagraph();
  r.lastPar = doc.LastParagraph();
  if (r.lastPar) {
    r.lastLine = r.lastPar->LineCount() - 1;
    r.lastPos = r.lastPar->Line(r.lastLine).length;
  }
  return r;
}

TextRange NormalizeRange(const WPRTFText& doc, TextRange r) {
  if (!r.firstPar || !r.lastPar) return r;
  bool swap = false;
  if (r.firstPar == r.lastPar) {
    swap = r.firstLine > r.lastLine || (r.firstLine == r.lastLine && r.firstPos > r.lastPos);
  } else {
    // The end that is met first walking from the start of the document comes first.
    for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
      if (p == r.firstPar) break;
      if (p == r.lastPar) {
        swap = true;
        break;
      }
    }
  }
  if (swap) {
    std::swap(r.firstPar, r.lastPar);
    std::swap(r.firstLine, r.lastLine);
    std::swap(r.firstPos, r.lastPos);
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// WPTextWriter

WPTextWriter::WPTextWriter(const WPRTFText& doc, WPStream& stream)
    : doc_(doc), stream_(stream), range_(WholeDocument(doc)) {
  if (typeid(stream) == typeid(MemoryStream)) flushAt_ = kBulkFlushAt;
}

void WPTextWriter::SetRange(const TextRange& range) { range_ = NormalizeRange(doc_, range); }

void WPTextWriter::PutLong(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t take = std::min(bytes.size(), kRoom);
    std::memcpy(pending_ + pendingLen_, bytes.data(), take);
    pendingLen_ += take;
    bytes.remove_prefix(take);
    MaybeFlush();
  }
}

void WPTextWriter::PutInt(int64_t value) {
  pendingLen_ = static_cast<size_t>(AppendInt(pending_ + pendingLen_, value) - pending_);
  MaybeFlush();
}

void WPTextWriter::Flush() {
  if (pendingLen_ == 0) return;
  if (result_ == kResultOk) {
    const size_t n = stream_.Write(pending_, pendingLen_);
    if (n != pendingLen_) Fail(kResultStreamError);
  }
  pendingLen_ = 0;
}

int WPTextWriter::WriteAll() {
  omitInsertPoints_ = doc_.omitInsertPoints;
  omitAutomaticText_ = doc_.omitAutomaticText;
  writeBitmapAsDib_ = doc_.writeBitmapAsDib;
  try {
    const int body = WriteBody();
    if (body != kResultOk) {
      Flush();
      return result_ = body;
    }
    if (!Failed()) WriteDocumentEnd();
    Flush();
  } catch (const std::bad_alloc&) {
    Fail(kResultOutOfMemory);
  } catch (const std::exception&) {
    Fail(kResultStreamError);
  }
  return result_;
}

namespace {

void PrefetchBytes(const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  for (size_t offset = 0; offset < size; offset += 64) __builtin_prefetch(p + offset);
}

void PrefetchLine(const Paragraph& par, int line) {
  const auto text = par.LineText(line);
  PrefetchBytes(text.data(), text.size_bytes());
  if (par.IsCompact()) return;
  const auto attrs = par.LineAttrs(line);
  PrefetchBytes(attrs.data(), attrs.size_bytes());
}

}  // namespace

int WPTextWriter::WriteBody() {
  if (!doc_.FirstParagraph() || !range_.firstPar || !range_.lastPar) return kResultNothingToWrite;

  int64_t total = 0;
  for (Paragraph* p = range_.firstPar; p; p = p->next) {
    total += p->CharCount();
    if (p == range_.lastPar) break;
  }
  ProgressFrame progress(total);

  WriteHeader();
  for (Paragraph* par = range_.firstPar; par && !Failed(); par = par->next) {
    curPar_ = par;
    StartParagraph(par);
    const bool first = par == range_.firstPar;
    const bool last = par == range_.lastPar;
    WriteParagraphLines(par, first, last);
    if ((!last && par->next) || par->IsTableCell()) EndParagraph(par);
    progress.Advance(charsWritten_);
    prevPar_ = par;
    if (last) break;
  }
  return kResultOk;
}

// The lines of one paragraph of the range; the first and the last may be written in part.
void WPTextWriter::WriteParagraphLines(Paragraph* par, bool first, bool last) {
  const int first_line = first ? std::clamp(range_.firstLine, 0, par->LineCount() - 1) : 0;
  const int last_line = last ? std::clamp(range_.lastLine, 0, par->LineCount() - 1) : par->LineCount() - 1;
  for (int line = first_line; line <= last_line && !Failed(); ++line) {
    // The characters and records of the next line are asked for while this one is written:
    // a large document is read from memory, not from the cache, and each paragraph's
    // buffers are too short for the processor to notice the pattern by itself.
    if (line + 1 < par->LineCount()) {
      PrefetchLine(*par, line + 1);
    } else if (par->next && par->next->LineCount() > 0) {
      PrefetchLine(*par->next, 0);
    }
    const int len = par->Line(line).length;
    const int from = first && line == first_line ? std::clamp(range_.firstPos, 0, len) : 0;
    const int to = last && line == last_line ? std::clamp(range_.lastPos, from, len) : len;
    WriteLine(par, line, from, to);
    charsWritten_ += to - from;
    if (line < last_line) BetweenLines();
  }
}

void WPTextWriter::WriteLine(Paragraph* par, int line, int from, int to) {
  const auto text = par->LineText(line);
  std::span<const CharAttr> attrs;
  if (par->IsCompact()) {
    lineAttrs_.resize(text.size());
    par->CopyAttrs(par->Line(line).start, lineAttrs_);
    attrs = lineAttrs_;
  } else {
    attrs = par->LineAttrs(line);
  }
  if (attrs.empty()) {  // plain mode
    if (to > from) WriteRun(text.data() + from, static_cast<size_t>(to - from), nullptr);
    return;
  }
  WriteAttributedLine(text, attrs.data(), from, to);
}

void WPTextWriter::WriteAttributedLine(std::span<const char32_t> text, const CharAttr* rec, int from,
                                       int to) {
  int pos = from;
  // The text run before an anchor that is left out, which the text after it may continue.
  const CharAttr* open_run = nullptr;
  bool skipped = false;
  while (pos < to && !Failed()) {
    const CharAttr& a = rec[pos];
    const char32_t c = text[static_cast<size_t>(pos)];
    const bool object = (c == kCharObjectByTag || c == kCharObjectByNumber) && (a.charFlags & kCharObject);
    if (object && !WritesObject(c, a.tagNumber)) {
      skipped = true;
      ++pos;
      continue;
    }
    if (!(skipped && ContinuesRun(open_run, a))) WriteCharAttr(a);
    skipped = false;
    open_run = object || (a.charFlags & (kCharFootnote | kCharInsertPoint)) ? nullptr : &a;
    if (object) WriteObject(c, a.tagNumber);
    if (a.charFlags & kCharFootnote) {
      WriteFootnote(a.tagNumber);
      ++pos;
      continue;
    }
    // Equal flags mean no object anchor and no insert point can join a run of other text.
    const int end = object || (a.charFlags & kCharInsertPoint) ? pos + 1 : RunEnd(rec, pos, to);
    const bool omit = ((a.charFlags & kCharInsertPoint) && omitInsertPoints_) ||
                      ((a.charFlags & kCharAutomatic) && omitAutomaticText_);
    if (!omit) WriteRun(text.data() + pos, static_cast<size_t>(end - pos), &a);
    pos = end;
  }
}

namespace {

// The plain-text byte of each character below 256: its Windows-1252 byte, or '?'.
std::array<char, 256> MakePlainBytes() {
  std::array<char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const auto b = UnicodeToWindows1252(static_cast<char32_t>(c));
    t[static_cast<size_t>(c)] = static_cast<char>(b ? *b : '?');
  }
  return t;
}
const std::array<char, 256> kPlainBytes = MakePlainBytes();

}  // namespace

void WPTextWriter::WriteRun(const char32_t* text, size_t count, const CharAttr* /*attr*/) {
  if (utf8Output) {
    for (size_t i = 0; i < count && !Failed(); ++i) Put(ToUtf8(std::u32string_view(text + i, 1)));
    return;
  }
  // Straight into the pending buffer, handed on as soon as it passes flush_at. One
  // character at a time, unrolled: this outran copying blocks of ASCII with vector
  // instructions on text with a non-ASCII character every few words.
  char* out = PendingEnd();
  char* const flush_at = out - PendingLength() + flushAt_;
#pragma GCC unroll 4
  for (size_t i = 0; i < count; ++i) {
    const char32_t c = text[i];
    if (c < 256) [[likely]] {
      *out++ = kPlainBytes[c];
    } else {
      const auto b = UnicodeToWindows1252(c);
      *out++ = static_cast<char>(b ? *b : '?');
    }
    if (out > flush_at) [[unlikely]] {
      out = Commit(out);
      if (Failed()) return;
    }
  }
  Commit(out);
}

void WPTextWriter::EndParagraph(Paragraph* /*par*/) { Put("\r\n"); }

void WPTextWriter::WriteDocumentEnd() {
  if (!omitClosingZero) Put('\0');
}

// ---------------------------------------------------------------------------------------------
// WPRTFWriter

WPRTFWriter::WPRTFWriter(const WPRTFText& doc, WPStream& stream) : WPTextWriter(doc, stream) {
  linkedPicturesShort_ = doc.writeLinkedPicturesShort;
  dropProtected_ = doc.dropProtectedAttribute;
}

void WPRTFWriter::WriteInfoText(std::u32string_view text, const CodePageEncoder* encoder, bool symbol_font) {
  // Document information is written as it stands, but braces and backslashes are escaped: an
  // unbalanced brace in a title would otherwise swallow the rest of the file when read back.
  for (char32_t c : text) {
    if (c == U'\\' || c == U'{' || c == U'}') {
      Put('\\');
      Put(static_cast<char>(c));
      continue;
    }
    if (encoder && c >= 0x80) {
      WriteEncodedRun(&c, 1, *encoder);
      continue;
    }
    // In a symbol font a byte reads back as the symbol of that byte; elsewhere a symbol's byte
    // reads back as a letter, so a symbol there takes the \uN? form.
    if ((symbol_font && c >= 0x80) || (!symbol_font && IsSymbolChar(c))) {
      WriteChar(c, symbol_font);
      continue;
    }
    const int b = UnicodeToCp1252(c);
    if (b >= 4) {
      Put(static_cast<char>(b));
    } else if (b < 0) {
      WriteChar(c, false);
    }
  }
}

void WPRTFWriter::WriteHeader() {
  Put("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl");
  auto font_entry = [&](int number, const FontSlot& f) {
    Put("{\\f");
    PutInt(number);
    switch (f.pitchFamily & 0xF0) {
      case kFamilySwiss:
        Put("\\fswiss");
        break;
      case kFamilyModern:
        Put("\\fmodern");
        break;
      case kFamilyScript:
        Put("\\fscript");
        break;
      case kFamilyDecorative:
        Put("\\fdecor");
        break;
      default:
        Put("\\fnil");
        break;
    }
    Put("\\charset");
    PutInt(f.charSet);
    if (flavour == RtfFlavour::Clipboard) {
      Put("\\fcharset");
      PutInt(f.charSet);
    }
    Put(' ');
    WriteInfoText(f.name, CodePageEncoder::For(CodePageOfCharSet(f.charSet)), f.charSet == kSymbolCharSet);
    Put(";}");
  };
  const TextHeader& h = doc_.header;
  if (doc_.AttributeMode()) {
    for (int i = 0; i < kFontSlots && !h.fonts[static_cast<size_t>(i)].name.empty(); ++i) {
      font_entry(i, h.fonts[static_cast<size_t>(i)]);
    }
  } else {
    const int slot = doc_.defaultAttr.fontIndex < kFontSlots ? doc_.defaultAttr.fontIndex : 0;
    font_entry(0, h.fonts[static_cast<size_t>(slot)]);
  }
  Put("}{\\colortbl");
  // The diary's own table leaves its second black (index 15) unwritten; a table with colours of
  // its own there or past it is written whole, so that they read back as they are.
  const int count = h.ColorsBeyondDefault() ? h.ColorCount() : 15;
  for (int i = 0; i < count; ++i) {
    const ColorRef c = h.Color(i);
    Put("\\red");
    PutInt(RedOf(c));
    Put("\\green");
    PutInt(GreenOf(c));
    Put("\\blue");
    PutInt(BlueOf(c));
    Put(';');
  }
  Put("}\\paperw");
  PutInt(h.pageWidth);
  Put("\\paperh");
  PutInt(h.pageHeight);
  Put("\\margl");
  PutInt(h.marginLeft);
  Put("\\margr");
  PutInt(h.marginRight);
  Put("\\margt");
  PutInt(h.marginTop);
  Put("\\margb");
  PutInt(h.marginBottom);
  if (h.defaultTabTwips > 0) {  // a distance from elsewhere; the diary's grid states none
    Put("\\deftab");
    PutInt(h.defaultTabTwips);
  }
  if (!h.title.empty()) {
    Put("{\\title ");
    WriteInfoText(h.title);
    Put('}');
  }
  if (!h.subject.empty()) {
    Put("{\\subject\t");
    WriteInfoText(h.subject);
    Put('}');
  }
  if (!h.comment.empty()) {
    Put("{\\comment\t");
    WriteInfoText(h.comment);
    Put('}');
  }
}

// --- groups ---

void WPRTFWriter::OpenGroup(GroupKind kind) {
  Group g{kind, groups_.empty() ? Props{} : groups_.back().p};
  try {
    groups_.push_back(g);
  } catch (const std::bad_alloc&) {
    Fail(kResultOutOfMemory);
    return;
  }
  Put('{');
}

bool WPRTFWriter::HasGroup(GroupKind kind) const {
  for (size_t i = 1; i < groups_.size(); ++i) {
    if (groups_[i].kind == kind) return true;
  }
  return false;
}

void WPRTFWriter::CloseDownTo(GroupKind kind, bool including) {
  if (!HasGroup(kind)) return;
  while (groups_.size() > 1) {
    if (groups_.back().kind == kind) {
      if (including) {
        groups_.pop_back();
        Put('}');
      }
      return;
    }
    groups_.pop_back();
    Put('}');
  }
}

void WPRTFWriter::EndCode() {
  if (inCode_) {
    Put("\\wprtf0");
    inCode_ = false;
  }
}

std::vector<WPRTFWriter::CellKey> WPRTFWriter::RowCells(Paragraph* first) const {
  std::vector<CellKey> cells;
  for (Paragraph* c = first; c && c->IsTableCell() && static_cast<int>(cells.size()) < kMaxRowCells;
       c = c->next) {
    // Whether a block ends after a cell is not part of its definition (nor written): reading
    // a row back may mark it where the row's group closes.
    const auto border = static_cast<uint8_t>(c->borderFlags[0] & ~kBorderEndsBlock);
    cells.push_back(CellKey{{border, c->borderFlags[1], c->borderWidth, c->borderColor},
                            c->cellStart + c->cellWidth,
                            c->shadingColors,
                            c->shadingPercent,
                            {c->tableLayout[0], c->tableLayout[1]}});
    // A row ends with the cell after which no further cells follow.
    if (!(c->parFlags & kParMoreCells)) break;
  }
  return cells;
}

void WPRTFWriter::WriteTabStops(uint64_t mask) {
  const TextHeader& h = doc_.header;
  for (int slot = 0; slot < kTabSlots; ++slot) {
    if (!((mask >> slot) & 1)) continue;
    const TabSlot& t = h.tabs[static_cast<size_t>(slot)];
    if (t.position == 0) continue;  // a freed slot still named by a mask
    switch (t.kind) {
      case kTabRight:
        Put("\\tqr");
        break;
      case kTabCenter:
        Put("\\tqc");
        break;
      case kTabDecimal:
        Put("\\tqdec");
        break;
      default:
        break;
    }
    if (t.leader != kTabLeaderNone && t.leader <= kTabLeaderEquals) {
      static constexpr const char* kLeaderWords[] = {"", "\\tldot", "\\tlhyph", "\\tlul", "\\tlth", "\\tleq"};
      Put(kLeaderWords[t.leader]);
    }
    Put("\\tx");
    PutInt(t.position);
  }
}

void WPRTFWriter::WriteBorderStyle(const Paragraph* par) {
  Put(par->borderFlags[0] & kBorderDouble ? "\\brdrdb" : "\\brdrs");
}

bool WPRTFWriter::WritesNoText(const Paragraph* par) const {
  const auto text = par->Text();
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] != kCharObjectByTag && text[i] != kCharObjectByNumber) || !par->HasAttributes())
      return false;
    CharAttr a;
    par->CopyAttrs(i, std::span<CharAttr>(&a, 1));  // without expanding the paragraph's runs
    if (!(a.charFlags & kCharObject) || WritesObject(text[i], a.tagNumber)) return false;
  }
  return true;
}

void WPRTFWriter::StartParagraph(Paragraph* par) {
  EndCode();
  // 1. The body group.
  if (groups_.empty()) OpenGroup(GroupKind::BodyGroup);
  // 2. Close groups whose properties no longer hold.
  CloseEndedGroups(par);
  // The reader drops an empty paragraph that ends the document after a table: one with nothing
  // to write (a picture that is left out) states nothing either, so the next round is the same.
  if (par == range_.lastPar && par->prev && par->prev->IsTableCell() && !par->IsTableCell() &&
      WritesNoText(par)) {
    return;
  }
  // 3. Page break. Pending text goes to the stream first (a memory stream takes it with the
  // rest).
  if (!BulkStream()) Flush();
  if (par->parFlags & kParPageBreak) Put("\\page");
  if (par->IsTableCell()) {
    // 4. Table cell.
    if (HasGroup(GroupKind::TableGroup))
      ContinueRow(par);
    else
      StartRow(par);
  } else {
    // 5. Border group, shading group, keep, tab group.
    OpenParagraphGroups(par);
  }
  if (Failed()) return;
  WriteParagraphProps(par);
}

// The open table ends before a paragraph outside it or one that starts a row of other cells.
bool WPRTFWriter::TableEnds(Paragraph* par) const {
  if (!par->IsTableCell()) return true;
  if (par->parFlags & kParContinuesRow) return false;
  const std::vector<CellKey> row = RowCells(par);
  return row.size() > rowCache_.size() || !std::equal(row.begin(), row.end(), rowCache_.begin());
}

void WPRTFWriter::CloseEndedGroups(Paragraph* par) {
  if (HasGroup(GroupKind::BorderGroup) && (!par->HasBorder() || (prevPar_ && prevPar_->EndsBorderBlock()))) {
    CloseDownTo(GroupKind::BorderGroup, true);
  }
  if (par->IsTableCell() && !HasGroup(GroupKind::TableGroup)) {
    if (HasGroup(GroupKind::BorderGroup))
      CloseDownTo(GroupKind::BorderGroup, false);
    else
      CloseDownTo(GroupKind::BodyGroup, false);
  }
  if (HasGroup(GroupKind::TableGroup) && TableEnds(par)) CloseDownTo(GroupKind::TableGroup, true);
  if (HasGroup(GroupKind::TabGroup)) {
    for (size_t i = groups_.size(); i-- > 1;) {
      if (groups_[i].kind != GroupKind::TabGroup) continue;
      if (groups_[i].p.tabMask != 0 && groups_[i].p.tabMask != par->tabMask)
        CloseDownTo(GroupKind::TabGroup, true);
      break;
    }
  }
}

// A further cell of the row whose definition is written.
void WPRTFWriter::ContinueRow(Paragraph* par) {
  // Every cell states its own tab stops. A list of stops replaces the previous cell's for
  // the reader; only \pard takes them away, and it also clears what \intbl and the
  // indents below restate.
  Props& p = Top();
  if (par->tabMask == 0 && p.tabMask != 0) {
    Put("\\pard");
    p.alignment = 0;
    p.firstIndent = p.leftIndent = p.rightIndent = 0;
    p.borderFlags[0] = p.borderFlags[1] = 0;
    p.borderWidth = p.borderColor = 0;
    p.tabMask = 0;
    Put("\\intbl");
    if (par->leftIndent != 0) {
      Put("\\li");
      PutInt(par->leftIndent);
    }
  } else {
    Put("\\intbl");
    if (par->tabMask != p.tabMask) {
      WriteTabStops(par->tabMask);
      p.tabMask = par->tabMask;
    }
  }
}

// The first cell of a row: the row's definition (\trowd, each cell's borders, shading and edge).
void WPRTFWriter::StartRow(Paragraph* par) {
  OpenGroup(GroupKind::TableGroup);
  Put("\\pard\\trowd\\trgaph");
  PutInt((par->borderColor >> 4) * 567 / 160);
  Put("\\trleft");
  PutInt(par->leftIndent);
  // The edges follow from the row's indents, which are the first cell's: the reader gives every
  // cell of a row the row's, so a cell indented on its own would move its edge on each round.
  const int64_t row_width = doc_.header.TextWidthTwips() - par->rightIndent;
  int cells = 0;
  for (Paragraph* c = par; c && c->IsTableCell() && cells < kMaxRowCells; c = c->next, ++cells) {
    WriteCellDefinition(c);
    Put("\\cellx");
    PutInt(row_width * (c->cellStart + c->cellWidth) / 255 + par->leftIndent);
    if (!(c->parFlags & kParMoreCells)) break;
  }
  rowCache_ = RowCells(par);
  // \pard resets alignment, indents, borders and tabs for whoever reads this back.
  Props& p = Top();
  p.alignment = 0;
  p.firstIndent = p.leftIndent = p.rightIndent = 0;
  p.borderFlags[0] = p.borderFlags[1] = 0;
  p.borderWidth = p.borderColor = 0;
  Put("\\intbl");
  WriteTabStops(par->tabMask);
  p.tabMask = par->tabMask;
}

// Padding of cells from other programs, in the words Word reads (its \clpadt is the left).
void WPRTFWriter::WriteCellPadding(const Paragraph* c) {
  if (c->tableLayout[0] != 0) {
    const int64_t across = int64_t{c->tableLayout[0]} * kCellPaddingUnit;
    Put("\\clpadft3\\clpadt");
    PutInt(across);
    Put("\\clpadfr3\\clpadr");
    PutInt(across);
  }
  if (c->tableLayout[1] != 0) {
    const int64_t down = int64_t{c->tableLayout[1]} * kCellPaddingUnit;
    Put("\\clpadfl3\\clpadl");
    PutInt(down);
    Put("\\clpadfb3\\clpadb");
    PutInt(down);
  }
}

void WPRTFWriter::WriteCellDefinition(const Paragraph* c) {
  if (c->HasBorder()) {
    const uint8_t b = c->borderFlags[0];
    const bool box = b & kBorderBox;
    if (box || (b & kBorderTop)) {
      Put("\\clbrdrt");
      WriteBorderStyle(c);
    }
    if (box || (b & kBorderBottom)) {
      Put("\\clbrdrb");
      WriteBorderStyle(c);
    }
    if (box || (b & kBorderLeft)) {
      Put("\\clbrdrl");
      WriteBorderStyle(c);
    }
    if (box || (b & kBorderRight)) {
      Put("\\clbrdrr");
      WriteBorderStyle(c);
    }
    Put("\\brdrw");
    PutInt(int64_t{c->borderWidth} * 20);
    if (c->borderColor != 0) {
      Put("\\brdrcf");
      PutInt(c->borderColor & 0x0F);
    }
    if (c->borderFlags[1] & kBorderDotted) Put("\\brdrdot");
    if (c->borderFlags[1] & kBorderHairline) Put("\\brdrhair");
  }
  if (c->HasShading()) {
    // The percentage goes with the word (a cell read back would otherwise have none).
    Put("\\clshdng");
    if (c->shadingPercent != 0) PutInt(int64_t{c->shadingPercent} * 100);
    Put("\\clcfpat");
    PutInt(c->shadingColors & 0x0F);
    // Full shading hides the background, but the colour is kept for when it is lowered.
    if (c->shadingPercent != 100 || (c->shadingColors >> 4) != 0) {
      Put("\\clcbpat");
      PutInt(c->shadingColors >> 4);
    }
  }
  WriteCellPadding(c);
}

void WPRTFWriter::OpenParagraphGroups(Paragraph* par) {
  if (par->HasBorder() && (!prevPar_ || !prevPar_->HasBorder() || prevPar_->EndsBorderBlock())) {
    WriteParagraphBorder(par);
  }
  if (par->HasShading()) {
    // Kept on the group stack so that the properties written inside it are forgotten again
    // when it closes after the paragraph, as they are for the reader.
    OpenGroup(GroupKind::ShadingGroup);
    Put("\\shading");
    if (par->shadingPercent != 0)
      PutInt(int64_t{par->shadingPercent} * 100);
    else
      Put((par->shadingColors & 0x0F) != 0 ? "10000" : "1");
    Put("\\cfpat");
    PutInt(par->shadingColors & 0x0F);
    if (par->shadingPercent != 100 || (par->shadingColors >> 4) != 0) {
      Put("\\cbpat");
      PutInt(par->shadingColors >> 4);
    }
  }
  if (par->parFlags & kParKeep) Put("\\keep");
  if (par->parFlags & kParRightToLeft) Put("\\rtlpar");
  if (par->parFlags & kParLeftToRight) Put("\\ltrpar");
  if (par->tabMask != Top().tabMask) {
    OpenGroup(GroupKind::TabGroup);
    WriteTabStops(par->tabMask);
    Top().tabMask = par->tabMask;
  }
}

// Opens the border group of a bordered block.
void WPRTFWriter::WriteParagraphBorder(Paragraph* par) {
  OpenGroup(GroupKind::BorderGroup);
  const uint8_t b = par->borderFlags[0];
  if (b & kBorderBox) {
    Put("\\box");
    WriteBorderStyle(par);
  }
  if (b & kBorderTop) {
    Put("\\brdrt");
    WriteBorderStyle(par);
  }
  if (b & kBorderBottom) {
    Put("\\brdrb");
    WriteBorderStyle(par);
  }
  if (b & kBorderLeft) {
    Put("\\brdrl");
    WriteBorderStyle(par);
  }
  if (b & kBorderRight) {
    Put("\\brdrr");
    WriteBorderStyle(par);
  }
  if (par->borderFlags[1] & kBorderBar) Put("\\brdrbar");
  if (par->borderFlags[1] & kBorderTableLine) Put("\\brdrtablin");
  Put("\\brdrw");
  PutInt(int64_t{par->borderWidth} * 20);
  if (par->borderColor != 0) {
    Put("\\brsp");
    PutInt((par->borderColor >> 4) * 567 / 160);
    Put("\\brdrcf");
    PutInt(par->borderColor & 0x0F);
  }
  if (par->borderFlags[1] & kBorderDotted) Put("\\brdrdot");
  if (par->borderFlags[1] & kBorderHairline) Put("\\brdrhair");
  Props& p = Top();
  p.borderFlags[0] = par->borderFlags[0];
  p.borderFlags[1] = par->borderFlags[1];
  p.borderWidth = par->borderWidth;
  p.borderColor = par->borderColor;
}

// Alignment, indents and spacing, where they differ from what is in force.
void WPRTFWriter::WriteParagraphProps(Paragraph* par) {
  Props& p = Top();
  // 6. Alignment.
  if (par->alignment != p.alignment) {
    static constexpr const char* kWords[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    Put(kWords[par->alignment & 3]);
    p.alignment = par->alignment;
  }
  // 7. Indents.
  if (!par->IsTableCell() && (par->firstIndent != p.firstIndent || par->leftIndent != p.leftIndent ||
                              par->rightIndent != p.rightIndent)) {
    Put("\\li");
    PutInt(par->leftIndent);
    Put("\\fi");
    PutInt(static_cast<int64_t>(par->firstIndent) - par->leftIndent);
    Put("\\ri");
    PutInt(par->rightIndent);
    p.firstIndent = par->firstIndent;
    p.leftIndent = par->leftIndent;
    p.rightIndent = par->rightIndent;
  }
  // 8. Spacing (always for cells, whose space before the reader otherwise takes from the row gap).
  // A multiple of the line follows its \sl; a \sl alone reads as twips again.
  const bool multiple = par->lineSpacingMultiple && par->lineSpacing > 0;
  if (par->IsTableCell() || par->spaceBefore != p.spaceBefore || par->lineSpacing != p.lineSpacing ||
      par->spaceAfter != p.spaceAfter || multiple != p.lineSpacingMultiple) {
    Put("\\sb");
    PutInt(par->spaceBefore);
    Put("\\sl");
    if (par->lineSpacing != 0) PutInt(par->lineSpacing);
    if (multiple) Put("\\slmult1");
    Put("\\sa");
    PutInt(par->spaceAfter);
    p.spaceBefore = par->spaceBefore;
    p.lineSpacing = par->lineSpacing;
    p.lineSpacingMultiple = multiple;
    p.spaceAfter = par->spaceAfter;
  }
}

namespace {

// How each character is written, as one 64-bit word: up to 7 bytes in order from the low
// byte, and their count in the top byte. A table has an entry for every character below its
// limit and one more for all others; a count of kSlow sends a character to EscapeChar. One
// table for ordinary text, which also holds the forms of the characters up to U+21FF
// (typographic quotes and dashes, the euro sign, Greek, Cyrillic, ...), one for RTF code text
// (where backslashes and braces stay as they are), and one for symbol fonts.
struct EscapeTable {
  std::vector<uint64_t> words;
  char32_t limit;
};
constexpr uint64_t kSlow = 0xFF;

uint64_t EscapeWord(std::string_view bytes) {
  uint64_t word = static_cast<uint64_t>(bytes.size()) << 56;
  for (size_t i = 0; i < bytes.size(); ++i)
    word |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
  return word;
}

enum class EscapeKind { Text, Code, Symbol };

EscapeTable MakeEscapes(EscapeKind kind) {
  EscapeTable t{std::vector<uint64_t>(), kind == EscapeKind::Text ? char32_t{0x2200} : char32_t{256}};
  t.words.resize(t.limit + 1);
  for (char32_t c = 0; c < t.limit; ++c) {
    const char ch = static_cast<char>(c);
    uint64_t& e = t.words[c];
    if (c >= 32 && c <= 126) {
      const bool escaped = (c == '\\' || c == '{' || c == '}') && kind != EscapeKind::Code;
      const char esc[2] = {'\\', ch};
      e = escaped ? EscapeWord(std::string_view(esc, 2)) : EscapeWord(std::string_view(&ch, 1));
    } else if (c == '\t') {
      e = EscapeWord("\\tab ");
    } else if (c == '\n') {
      e = EscapeWord("\\line ");
    } else if (c <= 3) {
      e = 0;                                  // object anchors and never-text codes are not written as text
    } else if (kind == EscapeKind::Symbol) {  // NOLINT(bugprone-branch-clone): before the 1252 test
      e = kSlow << 56;  // a byte escape would read back as a symbol: the slow way decides
    } else if (const auto b = UnicodeToWindows1252(c)) {
      const char esc[4] = {'\\', '\'', kHexDigits[*b >> 4], kHexDigits[*b & 15]};
      e = EscapeWord(std::string_view(esc, 4));
    } else if (kind == EscapeKind::Text) {
      // \uN? with N below 8704: at most 7 bytes.
      char esc[8] = {'\\', 'u'};
      char* end = AppendInt(esc + 2, static_cast<int64_t>(c));
      *end++ = '?';
      e = EscapeWord(std::string_view(esc, static_cast<size_t>(end - esc)));
    } else {
      e = kSlow << 56;
    }
  }
  t.words[t.limit] = kSlow << 56;
  return t;
}

const EscapeTable kTextEscapes = MakeEscapes(EscapeKind::Text);
const EscapeTable kCodeEscapes = MakeEscapes(EscapeKind::Code);
const EscapeTable kSymbolEscapes = MakeEscapes(EscapeKind::Symbol);

char* AppendUnicodeEscape(char* out, char32_t c);

// The escaped form of a character that is not written through a table entry: at most 18 bytes
// ("\\u-10179?\\u-8704?").
char* EscapeChar(char* out, char32_t c, bool symbol_font) {
  // In a symbol font a byte escape reads back as the symbol of that byte, so only the font's
  // own symbols are written as bytes there; every other character that is not plain ASCII
  // takes the \uN? form.
  if (symbol_font) {
    if (IsSymbolChar(c)) return AppendByteEscape(out, c & 0xFF);
  } else if (const auto b = UnicodeToWindows1252(c)) {
    return AppendByteEscape(out, *b);
  }
  return AppendUnicodeEscape(out, c);
}

// \uN? with N the signed 16-bit unit, as a surrogate pair above U+FFFF.
char* AppendUnicodeEscape(char* out, char32_t c) {
  auto unit = [&](unsigned u) {
    *out++ = '\\';
    *out++ = 'u';
    out = AppendInt(out, static_cast<int16_t>(static_cast<uint16_t>(u)));
    *out++ = '?';
  };
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c > 0xFFFF) {
    const unsigned v = static_cast<unsigned>(c) - 0x10000;
    unit(0xD800 + (v >> 10));
    unit(0xDC00 + (v & 0x3FF));
  } else {
    unit(static_cast<unsigned>(c));
  }
  return out;
}

// One character through the table, or the slow way.
inline char* PutEscaped(char* out, char32_t c, const uint64_t* words, char32_t limit, bool symbol_font) {
  const uint64_t e = words[c < limit ? c : limit];
  if ((e >> 56) == kSlow) [[unlikely]]
    return EscapeChar(out, c, symbol_font);
  std::memcpy(out, &e, sizeof e);
  return out + (e >> 56);
}

}  // namespace

char* WPRTFWriter::BuildCharAttr(char* out, const CharAttr& a) const {
  out = Append(out, "\\plain\\f");
  out = AppendInt(out, a.fontIndex);
  out = Append(out, "\\fs");
  out = AppendInt(out, a.pointSize == 0 ? 20 : 2 * a.pointSize);
  out = Append(out, "\\cf");
  out = AppendInt(out, a.TextColor());
  if (a.BackgroundColor() != 0) {
    out = Append(out, "\\cb");
    out = AppendInt(out, a.BackgroundColor());
    if (flavour == RtfFlavour::Clipboard) {
      out = Append(out, "\\chcbpat");
      out = AppendInt(out, a.BackgroundColor());
      out = Append(out, "\\highlight");
      out = AppendInt(out, a.BackgroundColor());
    }
  }
  const uint8_t s = a.styleBits;
  if (s & kStyleBold) out = Append(out, "\\b");
  if (s & kStyleUnderline) out = Append(out, "\\ul");
  if (s & kStyleDoubleUnderline) out = Append(out, "\\uldb");
  if (s & kStyleSuperscript) out = Append(out, "\\super");
  if (s & kStyleSubscript) out = Append(out, "\\sub");
  if (s & kStyleItalic) out = Append(out, "\\i");
  if (s & kStyleStrikeOut) out = Append(out, "\\strike");
  const uint8_t f = a.charFlags;
  if ((f & kCharProtected) && !dropProtected_) out = Append(out, "\\shad");
  if (f & kCharHidden) out = Append(out, "\\v");
  if (f & kCharRtfCode) out = Append(out, "\\wprtf1");
  if ((f & kCharInsertPoint) && !omitInsertPoints_) {
    out = Append(out, "\\inspnt");
    out = AppendInt(out, a.tagNumber);
  }
  if ((f & kCharAutomatic) && !omitAutomaticText_) out = Append(out, "\\inaut");
  if (a.moreFlags & kMoreAllCaps) out = Append(out, "\\caps");
  if (a.moreFlags & kMoreSmallCaps) out = Append(out, "\\scaps");
  if (a.moreFlags & kMoreRightToLeft) out = Append(out, "\\rtlch");
  if (a.moreFlags & kMoreLeftToRight) out = Append(out, "\\ltrch");
  *out++ = ' ';
  return out;
}

void WPRTFWriter::WriteCharAttr(const CharAttr& a) {
  const bool code = a.charFlags & kCharRtfCode;
  if (code && inCode_) return;  // RTF code text that follows RTF code text writes no block
  if (inCode_ && !code) {
    Put("\\wprtf0");
    inCode_ = false;
  }
  lastHidden_ = a.charFlags & kCharHidden;
  inCode_ = code;
  const int slot = a.fontIndex;
  const uint8_t charset = slot < kFontSlots ? doc_.header.fonts[static_cast<size_t>(slot)].charSet : 0;
  symbolRun_ = charset == kSymbolCharSet;
  runEncoder_ = symbolRun_ ? nullptr : CodePageEncoder::For(CodePageOfCharSet(charset));

  char* out = PendingEnd();
  if (code || (a.charFlags & kCharInsertPoint)) {  // not cached: state or tag in the block
    Commit(BuildCharAttr(out, a));
    return;
  }
  // Ordinary blocks are remembered by the record's run bytes, which are all they depend on.
  uint64_t key;
  std::memcpy(&key, &a.fontIndex, sizeof key);
  key &= CharAttr::kStoredRunMask;  // spelling marks change nothing written
  if (key == kNoBlockKey) {         // a font slot past the table's: never the key of a cached block
    Commit(BuildCharAttr(out, a));
    return;
  }
  if (!blockKeys_) {
    blockKeys_ = std::make_unique<uint64_t[]>(kBlockCacheSize);
    std::fill_n(blockKeys_.get(), kBlockCacheSize, kNoBlockKey);
    blockTexts_ = std::make_unique_for_overwrite<CachedBlock[]>(kBlockCacheSize);
  }
  const size_t index = (key * 0x9E3779B97F4A7C15ull) >> (64 - kBlockCacheBits);
  CachedBlock& block = blockTexts_[index];
  if (blockKeys_[index] != key) {
    char* end = BuildCharAttr(out, a);
    const auto length = static_cast<size_t>(end - out);
    if (length <= sizeof block.text) {  // longer blocks (many styles at once) are built each time
      blockKeys_[index] = key;
      block.length = static_cast<uint8_t>(length);
      std::memcpy(block.text, out, length);
    }
    Commit(end);
    return;
  }
  // The whole entry is copied (the pending buffer has room for it); only its length counts.
  std::memcpy(out, block.text, sizeof block.text);
  Commit(out + block.length);
}

void WPRTFWriter::WriteChar(char32_t c, bool symbol_font) {
  char buf[32];
  Put(std::string_view(buf, static_cast<size_t>(EscapeChar(buf, c, symbol_font) - buf)));
}

void WPRTFWriter::WriteRun(const char32_t* text, size_t count, const CharAttr* attr) {
  const bool code = attr && (attr->charFlags & kCharRtfCode);
  const bool symbol = attr && symbolRun_;
  if (attr && !code && runEncoder_) {
    WriteEncodedRun(text, count, *runEncoder_);
    return;
  }
  const EscapeTable& escapes = code ? kCodeEscapes : symbol ? kSymbolEscapes : kTextEscapes;
  const uint64_t* words = escapes.words.data();
  const char32_t limit = escapes.limit;
  // Written straight into the pending buffer, which is handed on as soon as it passes
  // flush_at. A character adds at most 18 bytes (8 are stored for a table entry). One
  // character at a time, unrolled: on text with an escape every few words this loop, whose
  // only branches are rare ones, outran copying blocks of plain characters with vector
  // instructions, and unrolling made it a fifth faster.
  char* out = PendingEnd();
  char* const flush_at = out - PendingLength() + flushAt_;
#pragma GCC unroll 4
  for (size_t i = 0; i < count; ++i) {
    out = PutEscaped(out, text[i], words, limit, symbol);
    if (out > flush_at) [[unlikely]] {
      out = Commit(out);
      if (Failed()) return;
    }
  }
  Commit(out);
}

void WPRTFWriter::WriteEncodedRun(const char32_t* text, size_t count, const CodePageEncoder& encoder) {
  // The reader decodes "\'xx" in the font's code page: a character is written as the bytes that
  // decode to it there, or as \uN? where the code page has none. ASCII is the same everywhere.
  const uint64_t* words = kTextEscapes.words.data();
  char* out = PendingEnd();
  char* const flush_at = out - PendingLength() + flushAt_;
  for (size_t i = 0; i < count; ++i) {
    const char32_t c = text[i];
    const CodePageEncoder::Bytes b = c < 0x80 ? CodePageEncoder::Bytes{} : encoder.Encode(c);
    if (c < 0x80) {
      out = PutEscaped(out, c, words, kTextEscapes.limit, false);
    } else if (b.count == 0) {
      out = AppendUnicodeEscape(out, c);
    } else {
      for (int k = 0; k < b.count; ++k) out = AppendByteEscape(out, b.bytes[k]);
    }
    if (out > flush_at) [[unlikely]] {
      out = Commit(out);
      if (Failed()) return;
    }
  }
  Commit(out);
}

void WPRTFWriter::EndParagraph(Paragraph* par) {
  EndCode();
  if (par->IsTableCell()) {
    Put("\\cell");
    // The row ends with the cell after which no further cells follow (a row of one cell too).
    // (or before a paragraph that is no cell, where a row read from elsewhere may break off).
    if (!(par->parFlags & kParMoreCells) || !par->next || !par->next->IsTableCell()) Put("\\row");
    Put("\n\r");
  } else if (par->next) {
    Put(lastHidden_ ? "\\plain\\par" : "\\par");
    Put("\n\r");
  }
  if (HasGroup(GroupKind::ShadingGroup)) CloseDownTo(GroupKind::ShadingGroup, true);
}

void WPRTFWriter::WriteDocumentEnd() {
  EndCode();
  for (size_t i = 0; i < groups_.size(); ++i) Put('}');
  groups_.clear();
  Put("\r\n}");
}

// ---------------------------------------------------------------------------------------------

int WriteDocument(const WPRTFText& doc, WPStream& stream, WPLoadFormat format, const TextRange* range,
                  bool omit_closing_zero, RtfFlavour flavour) {
  if (format == WPLoadFormat::FormatHTML) return kResultNothingToWrite;
  try {
    if (format == WPLoadFormat::FormatRTF) {
      WPRTFWriter writer(doc, stream);
      writer.flavour = flavour;
      if (range) writer.SetRange(*range);
      return writer.WriteAll();
    }
    WPTextWriter writer(doc, stream);
    writer.omitClosingZero = omit_closing_zero;
    if (range) writer.SetRange(*range);
    return writer.WriteAll();
  } catch (const std::bad_alloc&) {
    return kResultOutOfMemory;
  } catch (const std::exception&) {
    return kResultStreamError;
  }
}

}  // namespace inkwend
