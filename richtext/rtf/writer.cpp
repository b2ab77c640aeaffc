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

// Where the run that starts at rec[pos] ends (at most `to`). Plain 8-byte compares with an
// early exit: comparing four records at once with vector instructions measured slower on
// runs of a few dozen characters.
int RunEnd(const TCharAttr* rec, int pos, int to) {
  const TCharAttr& first = rec[pos];
  int end = pos + 1;
  while (end + 4 <= to && rec[end].SameRun(first) && rec[end + 1].SameRun(first) &&
         rec[end + 2].SameRun(first) && rec[end + 3].SameRun(first)) {
    end += 4;
  }
  while (end < to && rec[end].SameRun(first)) ++end;
  return end;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Ranges

TTextRange WholeDocument(const TWPRTFText& doc) {
  TTextRange r;
  r.FirstPar = doc.FirstParagraph();
  r.LastPar = doc.LastParagraph();
  if (r.LastPar) {
    r.LastLine = r.LastPar->LineCount() - 1;
    r.LastPos = r.LastPar->Line(r.LastLine).Length;
  }
  return r;
}

TTextRange NormalizeRange(const TWPRTFText& doc, TTextRange r) {
  if (!r.FirstPar || !r.LastPar) return r;
  bool swap = false;
  if (r.FirstPar == r.LastPar) {
    swap = r.FirstLine > r.LastLine || (r.FirstLine == r.LastLine && r.FirstPos > r.LastPos);
  } else {
    // The end that is met first walking from the start of the document comes first.
    for (const TParagraph* p = doc.FirstParagraph(); p; p = p->Next) {
      if (p == r.FirstPar) break;
      if (p == r.LastPar) {
        swap = true;
        break;
      }
    }
  }
  if (swap) {
    std::swap(r.FirstPar, r.LastPar);
    std::swap(r.FirstLine, r.LastLine);
    std::swap(r.FirstPos, r.LastPos);
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// TWPTextWriter

TWPTextWriter::TWPTextWriter(const TWPRTFText& doc, TWPStream& stream)
    : doc_(doc), stream_(stream), range_(WholeDocument(doc)) {
  if (typeid(stream) == typeid(TMemoryStream)) flush_at_ = kBulkFlushAt;
}

void TWPTextWriter::SetRange(const TTextRange& range) { range_ = NormalizeRange(doc_, range); }

void TWPTextWriter::PutLong(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t take = std::min(bytes.size(), kRoom);
    std::memcpy(pending_ + pending_len_, bytes.data(), take);
    pending_len_ += take;
    bytes.remove_prefix(take);
    MaybeFlush();
  }
}

void TWPTextWriter::PutInt(int64_t value) {
  pending_len_ = static_cast<size_t>(AppendInt(pending_ + pending_len_, value) - pending_);
  MaybeFlush();
}

void TWPTextWriter::Flush() {
  if (pending_len_ == 0) return;
  if (result_ == kResultOk) {
    const size_t n = stream_.Write(pending_, pending_len_);
    if (n != pending_len_) Fail(kResultStreamError);
  }
  pending_len_ = 0;
}

int TWPTextWriter::WriteAll() {
  omit_insert_points_ = doc_.OmitInsertPoints;
  omit_automatic_text_ = doc_.OmitAutomaticText;
  write_bitmap_as_dib_ = doc_.WriteBitmapAsDib;
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

void PrefetchLine(const TParagraph& par, int line) {
  const auto text = par.LineText(line);
  PrefetchBytes(text.data(), text.size_bytes());
  if (par.IsCompact()) return;
  const auto attrs = par.LineAttrs(line);
  PrefetchBytes(attrs.data(), attrs.size_bytes());
}

}  // namespace

int TWPTextWriter::WriteBody() {
  if (!doc_.FirstParagraph() || !range_.FirstPar || !range_.LastPar) return kResultNothingToWrite;

  int64_t total = 0;
  for (TParagraph* p = range_.FirstPar; p; p = p->Next) {
    total += p->CharCount();
    if (p == range_.LastPar) break;
  }
  TProgressFrame progress(total);

  WriteHeader();
  for (TParagraph* par = range_.FirstPar; par && !Failed(); par = par->Next) {
    cur_par_ = par;
    StartParagraph(par);
    const bool first = par == range_.FirstPar;
    const bool last = par == range_.LastPar;
    WriteParagraphLines(par, first, last);
    if ((!last && par->Next) || par->IsTableCell()) EndParagraph(par);
    progress.Advance(chars_written_);
    prev_par_ = par;
    if (last) break;
  }
  return kResultOk;
}

// The lines of one paragraph of the range; the first and the last may be written in part.
void TWPTextWriter::WriteParagraphLines(TParagraph* par, bool first, bool last) {
  const int first_line = first ? std::clamp(range_.FirstLine, 0, par->LineCount() - 1) : 0;
  const int last_line = last ? std::clamp(range_.LastLine, 0, par->LineCount() - 1) : par->LineCount() - 1;
  for (int line = first_line; line <= last_line && !Failed(); ++line) {
    // The characters and records of the next line are asked for while this one is written:
    // a large document is read from memory, not from the cache, and each paragraph's
    // buffers are too short for the processor to notice the pattern by itself.
    if (line + 1 < par->LineCount()) {
      PrefetchLine(*par, line + 1);
    } else if (par->Next && par->Next->LineCount() > 0) {
      PrefetchLine(*par->Next, 0);
    }
    const int len = par->Line(line).Length;
    const int from = first && line == first_line ? std::clamp(range_.FirstPos, 0, len) : 0;
    const int to = last && line == last_line ? std::clamp(range_.LastPos, from, len) : len;
    WriteLine(par, line, from, to);
    chars_written_ += to - from;
    if (line < last_line) BetweenLines();
  }
}

void TWPTextWriter::WriteLine(TParagraph* par, int line, int from, int to) {
  const auto text = par->LineText(line);
  std::span<const TCharAttr> attrs;
  if (par->IsCompact()) {
    line_attrs_.resize(text.size());
    par->CopyAttrs(par->Line(line).Start, line_attrs_);
    attrs = line_attrs_;
  } else {
    attrs = par->LineAttrs(line);
  }
  if (attrs.empty()) {  // plain mode
    if (to > from) WriteRun(text.data() + from, static_cast<size_t>(to - from), nullptr);
    return;
  }
  const TCharAttr* rec = attrs.data();
  int pos = from;
  while (pos < to && !Failed()) {
    const TCharAttr& a = rec[pos];
    WriteCharAttr(a);
    const char32_t c = text[static_cast<size_t>(pos)];
    const bool object = (c == kCharObjectByTag || c == kCharObjectByNumber) && (a.CharFlags & kCharObject);
    if (object) WriteObject(c, a.TagNumber);
    if (a.CharFlags & kCharFootnote) {
      WriteFootnote(a.TagNumber);
      ++pos;
      continue;
    }
    // Equal flags mean no object anchor and no insert point can join a run of other text.
    const int end = object || (a.CharFlags & kCharInsertPoint) ? pos + 1 : RunEnd(rec, pos, to);
    const bool omit = ((a.CharFlags & kCharInsertPoint) && omit_insert_points_) ||
                      ((a.CharFlags & kCharAutomatic) && omit_automatic_text_);
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

void TWPTextWriter::WriteRun(const char32_t* text, size_t count, const TCharAttr* /*attr*/) {
  if (Utf8Output) {
    for (size_t i = 0; i < count && !Failed(); ++i) Put(ToUtf8(std::u32string_view(text + i, 1)));
    return;
  }
  // Straight into the pending buffer, handed on as soon as it passes flush_at. One
  // character at a time, unrolled: this outran copying blocks of ASCII with vector
  // instructions on text with a non-ASCII character every few words.
  char* out = PendingEnd();
  char* const flush_at = out - PendingLength() + flush_at_;
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

void TWPTextWriter::EndParagraph(TParagraph* /*par*/) { Put("\r\n"); }

void TWPTextWriter::WriteDocumentEnd() {
  if (!OmitClosingZero) Put('\0');
}

// ---------------------------------------------------------------------------------------------
// TWPRTFWriter

TWPRTFWriter::TWPRTFWriter(const TWPRTFText& doc, TWPStream& stream) : TWPTextWriter(doc, stream) {
  linked_pictures_short_ = doc.WriteLinkedPicturesShort;
  drop_protected_ = doc.DropProtectedAttribute;
}

void TWPRTFWriter::WriteInfoText(std::u32string_view text) {
  // Document information is written as it stands, but braces and backslashes are escaped: an
  // unbalanced brace in a title would otherwise swallow the rest of the file when read back.
  for (char32_t c : text) {
    if (c == U'\\' || c == U'{' || c == U'}') {
      Put('\\');
      Put(static_cast<char>(c));
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

void TWPRTFWriter::WriteHeader() {
  Put("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl");
  auto font_entry = [&](int number, const TFontSlot& f) {
    Put("{\\f");
    PutInt(number);
    switch (f.PitchFamily & 0xF0) {
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
    PutInt(f.CharSet);
    Put(' ');
    WriteInfoText(f.Name);
    Put(";}");
  };
  const TTextHeader& h = doc_.Header;
  if (doc_.AttributeMode()) {
    for (int i = 0; i < kFontSlots && !h.Fonts[static_cast<size_t>(i)].Name.empty(); ++i) {
      font_entry(i, h.Fonts[static_cast<size_t>(i)]);
    }
  } else {
    const int slot = doc_.DefaultAttr.FontIndex < kFontSlots ? doc_.DefaultAttr.FontIndex : 0;
    font_entry(0, h.Fonts[static_cast<size_t>(slot)]);
  }
  Put("}{\\colortbl");
  for (int i = 0; i < 15; ++i) {
    const TColorRef c = h.Colors[static_cast<size_t>(i)];
    Put("\\red");
    PutInt(RedOf(c));
    Put("\\green");
    PutInt(GreenOf(c));
    Put("\\blue");
    PutInt(BlueOf(c));
    Put(';');
  }
  Put("}\\paperw");
  PutInt(h.PageWidth);
  Put("\\paperh");
  PutInt(h.PageHeight);
  Put("\\margl");
  PutInt(h.MarginLeft);
  Put("\\margr");
  PutInt(h.MarginRight);
  Put("\\margt");
  PutInt(h.MarginTop);
  Put("\\margb");
  PutInt(h.MarginBottom);
  if (!h.Title.empty()) {
    Put("{\\title ");
    WriteInfoText(h.Title);
    Put('}');
  }
  if (!h.Subject.empty()) {
    Put("{\\subject\t");
    WriteInfoText(h.Subject);
    Put('}');
  }
  if (!h.Comment.empty()) {
    Put("{\\comment\t");
    WriteInfoText(h.Comment);
    Put('}');
  }
}

// --- groups ---

void TWPRTFWriter::OpenGroup(GroupKind kind) {
  Group g{kind, groups_.empty() ? Props{} : groups_.back().P};
  try {
    groups_.push_back(g);
  } catch (const std::bad_alloc&) {
    Fail(kResultOutOfMemory);
    return;
  }
  Put('{');
}

bool TWPRTFWriter::HasGroup(GroupKind kind) const {
  for (size_t i = 1; i < groups_.size(); ++i) {
    if (groups_[i].Kind == kind) return true;
  }
  return false;
}

void TWPRTFWriter::CloseDownTo(GroupKind kind, bool including) {
  if (!HasGroup(kind)) return;
  while (groups_.size() > 1) {
    if (groups_.back().Kind == kind) {
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

void TWPRTFWriter::EndCode() {
  if (in_code_) {
    Put("\\wprtf0");
    in_code_ = false;
  }
}

std::vector<TWPRTFWriter::CellKey> TWPRTFWriter::RowCells(TParagraph* first) const {
  std::vector<CellKey> cells;
  for (TParagraph* c = first; c && c->IsTableCell() && static_cast<int>(cells.size()) < kMaxRowCells;
       c = c->Next) {
    cells.push_back(CellKey{{c->BorderFlags[0], c->BorderFlags[1], c->BorderWidth, c->BorderColor},
                            c->CellStart + c->CellWidth,
                            c->ShadingColors,
                            c->ShadingPercent});
    // A row ends with the cell after which no further cells follow.
    if (!(c->ParFlags & kParMoreCells)) break;
  }
  return cells;
}

void TWPRTFWriter::WriteTabStops(uint64_t mask) {
  const TTextHeader& h = doc_.Header;
  for (int slot = 0; slot < kTabSlots; ++slot) {
    if (!((mask >> slot) & 1)) continue;
    const TTabSlot& t = h.Tabs[static_cast<size_t>(slot)];
    if (t.Position == 0) continue;  // a freed slot still named by a mask
    switch (t.Kind) {
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
    Put("\\tx");
    PutInt(t.Position);
  }
}

void TWPRTFWriter::WriteBorderStyle(const TParagraph* par) {
  Put(par->BorderFlags[0] & kBorderDouble ? "\\brdrdb" : "\\brdrs");
}

void TWPRTFWriter::StartParagraph(TParagraph* par) {
  EndCode();
  // 1. The body group.
  if (groups_.empty()) OpenGroup(kBodyGroup);
  // 2. Close groups whose properties no longer hold.
  CloseEndedGroups(par);
  // 3. Page break. Pending text goes to the stream first (a memory stream takes it with the
  // rest).
  if (!BulkStream()) Flush();
  if (par->ParFlags & kParPageBreak) Put("\\page");
  if (par->IsTableCell()) {
    // 4. Table cell.
    if (HasGroup(kTableGroup))
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
bool TWPRTFWriter::TableEnds(TParagraph* par) const {
  if (!par->IsTableCell()) return true;
  if (par->ParFlags & kParContinuesRow) return false;
  const std::vector<CellKey> row = RowCells(par);
  return row.size() > row_cache_.size() || !std::equal(row.begin(), row.end(), row_cache_.begin());
}

void TWPRTFWriter::CloseEndedGroups(TParagraph* par) {
  if (HasGroup(kBorderGroup) && (!par->HasBorder() || (prev_par_ && prev_par_->EndsBorderBlock()))) {
    CloseDownTo(kBorderGroup, true);
  }
  if (par->IsTableCell() && !HasGroup(kTableGroup)) {
    if (HasGroup(kBorderGroup))
      CloseDownTo(kBorderGroup, false);
    else
      CloseDownTo(kBodyGroup, false);
  }
  if (HasGroup(kTableGroup) && TableEnds(par)) CloseDownTo(kTableGroup, true);
  if (HasGroup(kTabGroup)) {
    for (size_t i = groups_.size(); i-- > 1;) {
      if (groups_[i].Kind != kTabGroup) continue;
      if (groups_[i].P.TabMask != 0 && groups_[i].P.TabMask != par->TabMask) CloseDownTo(kTabGroup, true);
      break;
    }
  }
}

// A further cell of the row whose definition is written.
void TWPRTFWriter::ContinueRow(TParagraph* par) {
  // Every cell states its own tab stops. A list of stops replaces the previous cell's for
  // the reader; only \pard takes them away, and it also clears what \intbl and the
  // indents below restate.
  Props& p = Top();
  if (par->TabMask == 0 && p.TabMask != 0) {
    Put("\\pard");
    p.Alignment = 0;
    p.FirstIndent = p.LeftIndent = p.RightIndent = 0;
    p.BorderFlags[0] = p.BorderFlags[1] = 0;
    p.BorderWidth = p.BorderColor = 0;
    p.TabMask = 0;
    Put("\\intbl");
    if (par->LeftIndent != 0) {
      Put("\\li");
      PutInt(par->LeftIndent);
    }
  } else {
    Put("\\intbl");
    if (par->TabMask != p.TabMask) {
      WriteTabStops(par->TabMask);
      p.TabMask = par->TabMask;
    }
  }
}

// The first cell of a row: the row's definition (\trowd, each cell's borders, shading and edge).
void TWPRTFWriter::StartRow(TParagraph* par) {
  OpenGroup(kTableGroup);
  Put("\\pard\\trowd\\trgaph");
  PutInt((par->BorderColor >> 4) * 567 / 160);
  Put("\\trleft");
  PutInt(par->LeftIndent);
  const int64_t text_width = doc_.Header.TextWidthTwips();
  int cells = 0;
  for (TParagraph* c = par; c && c->IsTableCell() && cells < kMaxRowCells; c = c->Next, ++cells) {
    WriteCellDefinition(c);
    Put("\\cellx");
    PutInt((text_width - c->RightIndent) * (c->CellStart + c->CellWidth) / 255 + c->LeftIndent);
    if (!(c->ParFlags & kParMoreCells)) break;
  }
  row_cache_ = RowCells(par);
  // \pard resets alignment, indents, borders and tabs for whoever reads this back.
  Props& p = Top();
  p.Alignment = 0;
  p.FirstIndent = p.LeftIndent = p.RightIndent = 0;
  p.BorderFlags[0] = p.BorderFlags[1] = 0;
  p.BorderWidth = p.BorderColor = 0;
  Put("\\intbl");
  WriteTabStops(par->TabMask);
  p.TabMask = par->TabMask;
}

void TWPRTFWriter::WriteCellDefinition(const TParagraph* c) {
  if (c->HasBorder()) {
    const uint8_t b = c->BorderFlags[0];
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
    PutInt(int64_t{c->BorderWidth} * 20);
    if (c->BorderColor != 0) {
      Put("\\brdrcf");
      PutInt(c->BorderColor & 0x0F);
    }
    if (c->BorderFlags[1] & kBorderDotted) Put("\\brdrdot");
    if (c->BorderFlags[1] & kBorderHairline) Put("\\brdrhair");
  }
  if (c->HasShading()) {
    // The percentage goes with the word (a cell read back would otherwise have none).
    Put("\\clshdng");
    if (c->ShadingPercent != 0) PutInt(int64_t{c->ShadingPercent} * 100);
    Put("\\clcfpat");
    PutInt(c->ShadingColors & 0x0F);
    // Full shading hides the background, but the colour is kept for when it is lowered.
    if (c->ShadingPercent != 100 || (c->ShadingColors >> 4) != 0) {
      Put("\\clcbpat");
      PutInt(c->ShadingColors >> 4);
    }
  }
}

void TWPRTFWriter::OpenParagraphGroups(TParagraph* par) {
  if (par->HasBorder() && (!prev_par_ || !prev_par_->HasBorder() || prev_par_->EndsBorderBlock())) {
    WriteParagraphBorder(par);
  }
  if (par->HasShading()) {
    // Kept on the group stack so that the properties written inside it are forgotten again
    // when it closes after the paragraph, as they are for the reader.
    OpenGroup(kShadingGroup);
    Put("\\shading");
    if (par->ShadingPercent != 0)
      PutInt(int64_t{par->ShadingPercent} * 100);
    else
      Put((par->ShadingColors & 0x0F) != 0 ? "10000" : "1");
    Put("\\cfpat");
    PutInt(par->ShadingColors & 0x0F);
    if (par->ShadingPercent != 100 || (par->ShadingColors >> 4) != 0) {
      Put("\\cbpat");
      PutInt(par->ShadingColors >> 4);
    }
  }
  if (par->ParFlags & kParKeep) Put("\\keep");
  if (par->TabMask != Top().TabMask) {
    OpenGroup(kTabGroup);
    WriteTabStops(par->TabMask);
    Top().TabMask = par->TabMask;
  }
}

// Opens the border group of a bordered block.
void TWPRTFWriter::WriteParagraphBorder(TParagraph* par) {
  OpenGroup(kBorderGroup);
  const uint8_t b = par->BorderFlags[0];
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
  if (par->BorderFlags[1] & kBorderBar) Put("\\brdrbar");
  if (par->BorderFlags[1] & kBorderTableLine) Put("\\brdrtablin");
  Put("\\brdrw");
  PutInt(int64_t{par->BorderWidth} * 20);
  if (par->BorderColor != 0) {
    Put("\\brsp");
    PutInt((par->BorderColor >> 4) * 567 / 160);
    Put("\\brdrcf");
    PutInt(par->BorderColor & 0x0F);
  }
  if (par->BorderFlags[1] & kBorderDotted) Put("\\brdrdot");
  if (par->BorderFlags[1] & kBorderHairline) Put("\\brdrhair");
  Props& p = Top();
  p.BorderFlags[0] = par->BorderFlags[0];
  p.BorderFlags[1] = par->BorderFlags[1];
  p.BorderWidth = par->BorderWidth;
  p.BorderColor = par->BorderColor;
}

// Alignment, indents and spacing, where they differ from what is in force.
void TWPRTFWriter::WriteParagraphProps(TParagraph* par) {
  Props& p = Top();
  // 6. Alignment.
  if (par->Alignment != p.Alignment) {
    static constexpr const char* kWords[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    Put(kWords[par->Alignment & 3]);
    p.Alignment = par->Alignment;
  }
  // 7. Indents.
  if (!par->IsTableCell() && (par->FirstIndent != p.FirstIndent || par->LeftIndent != p.LeftIndent ||
                              par->RightIndent != p.RightIndent)) {
    Put("\\li");
    PutInt(par->LeftIndent);
    Put("\\fi");
    PutInt(static_cast<int64_t>(par->FirstIndent) - par->LeftIndent);
    Put("\\ri");
    PutInt(par->RightIndent);
    p.FirstIndent = par->FirstIndent;
    p.LeftIndent = par->LeftIndent;
    p.RightIndent = par->RightIndent;
  }
  // 8. Spacing (always for cells, whose space before the reader otherwise takes from the row gap).
  if (par->IsTableCell() || par->SpaceBefore != p.SpaceBefore || par->LineSpacing != p.LineSpacing ||
      par->SpaceAfter != p.SpaceAfter) {
    Put("\\sb");
    PutInt(par->SpaceBefore);
    Put("\\sl");
    if (par->LineSpacing != 0) PutInt(par->LineSpacing);
    Put("\\sa");
    PutInt(par->SpaceAfter);
    p.SpaceBefore = par->SpaceBefore;
    p.LineSpacing = par->LineSpacing;
    p.SpaceAfter = par->SpaceAfter;
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
  std::vector<uint64_t> Words;
  char32_t Limit;
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
  t.Words.resize(t.Limit + 1);
  for (char32_t c = 0; c < t.Limit; ++c) {
    const char ch = static_cast<char>(c);
    uint64_t& e = t.Words[c];
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
  t.Words[t.Limit] = kSlow << 56;
  return t;
}

const EscapeTable kTextEscapes = MakeEscapes(EscapeKind::Text);
const EscapeTable kCodeEscapes = MakeEscapes(EscapeKind::Code);
const EscapeTable kSymbolEscapes = MakeEscapes(EscapeKind::Symbol);

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
  // \uN? with N the signed 16-bit unit, as a surrogate pair above U+FFFF.
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

char* TWPRTFWriter::BuildCharAttr(char* out, const TCharAttr& a) const {
  out = Append(out, "\\plain\\f");
  out = AppendInt(out, a.FontIndex);
  out = Append(out, "\\fs");
  out = AppendInt(out, a.PointSize == 0 ? 20 : 2 * a.PointSize);
  out = Append(out, "\\cf");
  out = AppendInt(out, a.TextColor());
  if (a.BackgroundColor() != 0) {
    out = Append(out, "\\cb");
    out = AppendInt(out, a.BackgroundColor());
  }
  const uint8_t s = a.StyleBits;
  if (s & kStyleBold) out = Append(out, "\\b");
  if (s & kStyleUnderline) out = Append(out, "\\ul");
  if (s & kStyleDoubleUnderline) out = Append(out, "\\uldb");
  if (s & kStyleSuperscript) out = Append(out, "\\super");
  if (s & kStyleSubscript) out = Append(out, "\\sub");
  if (s & kStyleItalic) out = Append(out, "\\i");
  if (s & kStyleStrikeOut) out = Append(out, "\\strike");
  const uint8_t f = a.CharFlags;
  if ((f & kCharProtected) && !drop_protected_) out = Append(out, "\\shad");
  if (f & kCharHidden) out = Append(out, "\\v");
  if (f & kCharRtfCode) out = Append(out, "\\wprtf1");
  if ((f & kCharInsertPoint) && !omit_insert_points_) {
    out = Append(out, "\\inspnt");
    out = AppendInt(out, a.TagNumber);
  }
  if ((f & kCharAutomatic) && !omit_automatic_text_) out = Append(out, "\\inaut");
  *out++ = ' ';
  return out;
}

void TWPRTFWriter::WriteCharAttr(const TCharAttr& a) {
  const bool code = a.CharFlags & kCharRtfCode;
  if (code && in_code_) return;  // RTF code text that follows RTF code text writes no block
  if (in_code_ && !code) {
    Put("\\wprtf0");
    in_code_ = false;
  }
  last_hidden_ = a.CharFlags & kCharHidden;
  in_code_ = code;
  const int slot = a.FontIndex;
  symbol_run_ = slot < kFontSlots && doc_.Header.Fonts[static_cast<size_t>(slot)].CharSet == kSymbolCharSet;

  char* out = PendingEnd();
  if (code || (a.CharFlags & kCharInsertPoint)) {  // not cached: state or tag in the block
    Commit(BuildCharAttr(out, a));
    return;
  }
  // Ordinary blocks are remembered by the record's run bytes, which are all they depend on.
  uint64_t key;
  std::memcpy(&key, &a.FontIndex, sizeof key);
  key &= (uint64_t{1} << 56) - 1;
  if (!block_keys_) {
    block_keys_ = std::make_unique<uint64_t[]>(kBlockCacheSize);
    std::fill_n(block_keys_.get(), kBlockCacheSize, kNoBlockKey);
    block_texts_ = std::make_unique_for_overwrite<CachedBlock[]>(kBlockCacheSize);
  }
  const size_t index = (key * 0x9E3779B97F4A7C15ull) >> (64 - kBlockCacheBits);
  CachedBlock& block = block_texts_[index];
  if (block_keys_[index] != key) {
    char* end = BuildCharAttr(out, a);
    const auto length = static_cast<size_t>(end - out);
    if (length <= sizeof block.Text) {  // longer blocks (many styles at once) are built each time
      block_keys_[index] = key;
      block.Length = static_cast<uint8_t>(length);
      std::memcpy(block.Text, out, length);
    }
    Commit(end);
    return;
  }
  // The whole entry is copied (the pending buffer has room for it); only its length counts.
  std::memcpy(out, block.Text, sizeof block.Text);
  Commit(out + block.Length);
}

void TWPRTFWriter::WriteChar(char32_t c, bool symbol_font) {
  char buf[32];
  Put(std::string_view(buf, static_cast<size_t>(EscapeChar(buf, c, symbol_font) - buf)));
}

void TWPRTFWriter::WriteRun(const char32_t* text, size_t count, const TCharAttr* attr) {
  const bool code = attr && (attr->CharFlags & kCharRtfCode);
  const bool symbol = attr && symbol_run_;
  const EscapeTable& escapes = code ? kCodeEscapes : symbol ? kSymbolEscapes : kTextEscapes;
  const uint64_t* words = escapes.Words.data();
  const char32_t limit = escapes.Limit;
  // Written straight into the pending buffer, which is handed on as soon as it passes
  // flush_at. A character adds at most 18 bytes (8 are stored for a table entry). One
  // character at a time, unrolled: on text with an escape every few words this loop, whose
  // only branches are rare ones, outran copying blocks of plain characters with vector
  // instructions, and unrolling made it a fifth faster.
  char* out = PendingEnd();
  char* const flush_at = out - PendingLength() + flush_at_;
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

void TWPRTFWriter::EndParagraph(TParagraph* par) {
  EndCode();
  if (par->IsTableCell()) {
    Put("\\cell");
    // The row ends with the cell after which no further cells follow (a row of one cell too).
    if (!(par->ParFlags & kParMoreCells)) Put("\\row");
    Put("\n\r");
  } else if (par->Next) {
    Put(last_hidden_ ? "\\plain\\par" : "\\par");
    Put("\n\r");
  }
  if (HasGroup(kShadingGroup)) CloseDownTo(kShadingGroup, true);
}

void TWPRTFWriter::WriteHex(const uint8_t* data, size_t size) {
  char* out = PendingEnd();
  for (size_t i = 0; i < size; ++i) {
    *out++ = kHexDigits[data[i] >> 4];
    *out++ = kHexDigits[data[i] & 15];
    out = Commit(out);
    if (Failed()) return;
  }
}

void TWPRTFWriter::WriteObject(char32_t anchor, int key) {
  EndCode();
  TDocObject* obj = anchor == kCharObjectByTag ? doc_.FindObjectByTag(key) : doc_.FindObjectByNumber(key);
  if (!obj) return;
  doc_.ComputeObjectSize(*obj);
  const TDocGraphic& g = obj->Graphic;
  auto goal = [&] {
    Put("\\picwgoal");
    PutInt(obj->Width);
    Put("\\pichgoal");
    PutInt(obj->Height);
  };
  if (!obj->FileName.empty()) {
    if (linked_pictures_short_) {
      Put("\\{bmc ");
      WriteInfoText(obj->FileName);
      Put("\\}");
      return;
    }
    Put("{\\*\\picfile");
    if (g.Bitmap() || g.Metafile()) {
      Put("\\picw");
      PutInt(g.PixelWidth());
      Put("\\pich");
      PutInt(g.PixelHeight());
    }
    goal();
    Put(" \"");
    WriteInfoText(obj->FileName);
    Put("\"}");
    return;
  }
  if (obj->Tagged && obj->Tag != 0) {
    Put("\\wpobjtag");
    PutInt(obj->Tag);
    Put("\\wpobjw");
    PutInt(obj->Width);
    Put("\\wpobjh");
    PutInt(obj->Height);
    Put(" \\'01");
    return;
  }
  if (const TMetafile* mf = g.Metafile()) {
    Put("{\\pict\\wmetafile8\\picw");
    PutInt(mf->Width);
    Put("\\pich");
    PutInt(mf->Height);
    goal();
    Put("\r\n");
    WriteHex(mf->Bytes.data(), mf->Bytes.size());
    Put('}');
    return;
  }
  const TBitmap* bmp = g.Bitmap();
  if (!bmp || !bmp->Valid()) return;
  if (!write_bitmap_as_dib_ && !g.InPictureHolder) {
    const TDdbImage ddb = EncodeDdb(*bmp);
    Put("{\\pict\\wbitmap0\\wbmbitspixel");
    PutInt(ddb.BitsPerPixel);
    Put("\\wbmplanes");
    PutInt(ddb.Planes);
    Put("\\wbmwidthbytes");
    PutInt(ddb.WidthBytes);
    Put("\\picw");
    PutInt(bmp->Width);
    Put("\\pich");
    PutInt(bmp->Height);
    goal();
    Put("\r\n");
    WriteHex(ddb.Bits.data(), ddb.Bits.size());
    Put('}');
    return;
  }
  const std::vector<uint8_t> dib = EncodeDib(*bmp);
  Put("{\\pict\\dibitmap0\\wbmbitspixel");
  PutInt(bmp->BitsPerPixel);
  Put("\\wbmplanes");
  PutInt(bmp->Planes);
  Put("\\wbmwidthbytes");
  PutInt((static_cast<int64_t>(bmp->Width) * bmp->BitsPerPixel + 7) / 8);
  Put("\\picw");
  PutInt(bmp->Width);
  Put("\\pich");
  PutInt(bmp->Height);
  goal();
  Put("\r\n");
  WriteHex(dib.data(), dib.size());
  Put('}');
}

void TWPRTFWriter::WriteFootnote(int id) {
  EndCode();
  const TFootnoteRec* fn = doc_.FindFootnote(id);
  if (!fn) return;
  const std::u32string_view mark(&fn->Mark, 1);
  Put("{\\cs16\\super ");
  WriteInfoText(mark);
  if (fn->Number == 0 || fn->MarkOnly) {
    Put("{\\*\\footnote \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super ");
  } else {
    Put("{\\*\\footnote \\wpfnnr");
    PutInt(fn->Number);
    Put(" \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super\t");
  }
  WriteInfoText(mark);
  Put("} ");
  WriteInfoText(fn->Text);
  Put("}}");
}

void TWPRTFWriter::WriteDocumentEnd() {
  EndCode();
  for (size_t i = 0; i < groups_.size(); ++i) Put('}');
  groups_.clear();
  Put("\r\n}");
}

// ---------------------------------------------------------------------------------------------

int WriteDocument(const TWPRTFText& doc, TWPStream& stream, TWPLoadFormat format, const TTextRange* range,
                  bool omit_closing_zero) {
  if (format == TWPLoadFormat::FormatHTML) return kResultNothingToWrite;
  try {
    if (format == TWPLoadFormat::FormatRTF) {
      TWPRTFWriter writer(doc, stream);
      if (range) writer.SetRange(*range);
      return writer.WriteAll();
    }
    TWPTextWriter writer(doc, stream);
    writer.OmitClosingZero = omit_closing_zero;
    if (range) writer.SetRange(*range);
    return writer.WriteAll();
  } catch (const std::bad_alloc&) {
    return kResultOutOfMemory;
  } catch (const std::exception&) {
    return kResultStreamError;
  }
}

}  // namespace inkwend
