#include "richtext/model/document.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace inkwend {

namespace {

int EvenCapacity(int capacity) { return capacity < 2 ? 2 : (capacity + 1) & ~1; }

bool CaseInsensitiveEqual(std::u32string_view a, std::u32string_view b) { return FontNamesEqual(a, b); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TParagraph

std::span<char32_t> TParagraph::LineText(int line) {
  const TTextLine& l = Line(line);
  return std::span<char32_t>(text_.data() + l.Start, l.Length);
}

std::span<const char32_t> TParagraph::LineText(int line) const {
  const TTextLine& l = Line(line);
  return std::span<const char32_t>(text_.data() + l.Start, l.Length);
}

std::span<TCharAttr> TParagraph::LineAttrs(int line) {
  if (!has_attrs_) return {};
  Expand();
  const TTextLine& l = Line(line);
  return std::span<TCharAttr>(attrs_.data() + l.Start, l.Length);
}

std::span<const TCharAttr> TParagraph::LineAttrs(int line) const {
  if (!has_attrs_) return {};
  Expand();
  const TTextLine& l = Line(line);
  return std::span<const TCharAttr>(attrs_.data() + l.Start, l.Length);
}

void TParagraph::ExpandRuns() const {
  std::vector<TCharAttr> records;
  records.reserve(text_.size());
  for (const TAttrRun& r : runs_) records.insert(records.end(), r.Count, r.Attr);
  attrs_.swap(records);
  std::vector<TAttrRun>().swap(runs_);
  compact_ = false;
}

void TParagraph::CopyAttrs(size_t from, std::span<TCharAttr> out) const {
  if (!has_attrs_ || out.empty()) return;
  if (!compact_) {
    std::copy_n(attrs_.begin() + static_cast<ptrdiff_t>(from), out.size(), out.begin());
    return;
  }
  size_t start = 0;  // offset of the current run's first character
  size_t filled = 0;
  for (const TAttrRun& r : runs_) {
    const size_t end = start + r.Count;
    if (end > from + filled) {
      const size_t take = std::min(end - (from + filled), out.size() - filled);
      std::fill_n(out.begin() + static_cast<ptrdiff_t>(filled), take, r.Attr);
      filled += take;
      if (filled == out.size()) return;
    }
    start = end;
  }
}

void TParagraph::CopyPropertiesFrom(const TParagraph& o) {
  FirstIndent = o.FirstIndent;
  LeftIndent = o.LeftIndent;
  RightIndent = o.RightIndent;
  SpaceBefore = o.SpaceBefore;
  SpaceAfter = o.SpaceAfter;
  LineSpacing = o.LineSpacing;
  Alignment = o.Alignment;
  ParFlags = o.ParFlags;
  BorderFlags[0] = o.BorderFlags[0];
  BorderFlags[1] = o.BorderFlags[1];
  BorderWidth = o.BorderWidth;
  BorderColor = o.BorderColor;
  Reserved[0] = o.Reserved[0];
  Reserved[1] = o.Reserved[1];
  ShadingColors = o.ShadingColors;
  ShadingPercent = o.ShadingPercent;
  Spare = o.Spare;
  TabMask = o.TabMask;
  CellStart = o.CellStart;
  CellWidth = o.CellWidth;
  TableLayout[0] = o.TableLayout[0];
  TableLayout[1] = o.TableLayout[1];
}

uint64_t TParagraph::NextId() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

size_t TParagraph::AllocatedBytes() const {
  return lines_.capacity() * sizeof(TTextLine) + text_.capacity() * sizeof(char32_t) +
         attrs_.capacity() * sizeof(TCharAttr) + runs_.capacity() * sizeof(TAttrRun);
}

// ---------------------------------------------------------------------------------------------
// TWPRTFText: construction, clearing, modes

TWPRTFText::TWPRTFText() {
  DefaultAttr.FontIndex = 0;
  DefaultAttr.PointSize = 10;

  InsertPointAttr.SetTextColor(kDefaultColors[1]);         // red; also switches UseTextColor on
  HyperlinkTextAttr.SetUnderlineColor(kDefaultColors[3]);  // blue
  HyperlinkTextAttr.SetUnderline(TThreeState::tsTRUE);
  for (TCharacterAttr* a : {&InsertPointAttr, &AutomaticTextAttr, &HyperlinkTextAttr, &ProtectedTextAttr}) {
    a->OnChange = [this](int /*id*/, bool layout) { HighlightChanged(layout); };
  }

  Header.AttributesOn = true;
  Header.Fonts[0].Name = U"Arial";
  Header.Fonts[0].PitchFamily = kFamilySwiss;
  EnsureOneParagraph();
}

TWPRTFText::~TWPRTFText() { FreeAllParagraphs(); }

void TWPRTFText::FreeParagraph(TParagraph* par) {
  if (par->Prev)
    par->Prev->Next = par->Next;
  else
    first_ = par->Next;
  if (par->Next)
    par->Next->Prev = par->Prev;
  else
    last_ = par->Prev;
  delete par;
}

void TWPRTFText::FreeAllParagraphs() {
  TParagraph* p = first_;
  while (p) {
    TParagraph* next = p->Next;
    delete p;
    p = next;
  }
  first_ = last_ = nullptr;
}

void TWPRTFText::EnsureOneParagraph() {
  if (!first_) NewParagraph(nullptr, kNewParagraphCapacity);
}

void TWPRTFText::Clear() {
  FreeAllParagraphs();
  objects_.clear();
  footnotes_.clear();

  // Slot 0 becomes the font the template attribute uses. The other slots and the tab table are
  // emptied too: a document that is cleared and refilled many times (the diary reuses one editor
  // for every day) would otherwise fill both tables with fonts and tabs it no longer uses.
  const int slot = DefaultAttr.FontIndex;
  if (slot > 0 && slot < kFontSlots && !Header.Fonts[static_cast<size_t>(slot)].Name.empty()) {
    Header.Fonts[0] = Header.Fonts[static_cast<size_t>(slot)];
  }
  for (int i = 1; i < kFontSlots; ++i) Header.Fonts[static_cast<size_t>(i)] = TFontSlot{};
  Header.ClearTabs();
  DefaultAttr.FontIndex = 0;
  if (DefaultAttr.PointSize == 0) DefaultAttr.PointSize = 10;
  if (Header.Fonts[0].Name.empty()) {
    Header.Fonts[0].Name = U"Arial";
    Header.Fonts[0].PitchFamily = kFamilySwiss;
    Header.Fonts[0].CharSet = 0;
  }
  Header.Title.clear();
  Header.Subject.clear();
  Header.Comment.clear();
  EnsureOneParagraph();
}

void TWPRTFText::SetDefaultAttr(const TCharAttr& attr) { DefaultAttr = attr; }

void TWPRTFText::HighlightChanged(bool layout) {
  if (layout) {
    for (TParagraph* p = first_; p; p = p->Next) p->MarkDirty();
  } else {
    for (TParagraph* p = first_; p; p = p->Next) p->LayoutDirty |= kDirtyPaint;
  }
  if (onHighlightChange) onHighlightChange();
}

void TWPRTFText::MeasureChar(char32_t c, TCharAttr& attr) const {
  attr.Width = c == kCharTab ? TabWidth : DefaultCharWidth;
  attr.Height = DefaultLineHeight;
  attr.Ascent = DefaultAscent;
}

bool TWPRTFText::SetAttributeMode(bool on) {
  if (on == Header.AttributesOn) return on;
  if (on) {
    try {
      for (TParagraph* p = first_; p; p = p->Next) {
        p->attrs_.assign(p->text_.size(), DefaultAttr);
        for (size_t i = 0; i < p->text_.size(); ++i) MeasureChar(p->text_[i], p->attrs_[i]);
        std::vector<TAttrRun>().swap(p->runs_);
        p->compact_ = false;
        p->has_attrs_ = true;
        p->EndAttr = DefaultAttr;
      }
    } catch (const std::bad_alloc&) {
      for (TParagraph* p = first_; p; p = p->Next) {
        std::vector<TCharAttr>().swap(p->attrs_);
        p->has_attrs_ = false;
      }
      return false;
    }
    Header.AttributesOn = true;
    for (TParagraph* p = first_; p; p = p->Next) p->MarkDirty();
    return true;
  }
  for (TParagraph* p = first_; p; p = p->Next) {
    std::vector<TCharAttr>().swap(p->attrs_);
    std::vector<TAttrRun>().swap(p->runs_);
    p->compact_ = false;
    p->has_attrs_ = false;
    p->MarkDirty();  // lines take the default height when laid out again
  }
  Header.AttributesOn = false;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Queries

TParagraph* TWPRTFText::ParagraphAt(int number) const {
  if (number < 0) return nullptr;
  TParagraph* p = first_;
  while (p && number-- > 0) p = p->Next;
  return p;
}

int TWPRTFText::ParagraphCount() const {
  int n = 0;
  for (TParagraph* p = first_; p; p = p->Next) ++n;
  return n;
}

bool TWPRTFText::IsEmpty() const {
  return first_ == nullptr ||
         (first_->Next == nullptr && first_->LineCount() <= 1 && first_->CharCount() == 0);
}

int64_t TWPRTFText::CharCount() const {
  int64_t n = 0;
  for (TParagraph* p = first_; p; p = p->Next) n += p->CharCount();
  return n;
}

size_t TWPRTFText::ModelBytes() const {
  size_t n = sizeof(*this);
  for (TParagraph* p = first_; p; p = p->Next) n += sizeof(TParagraph) + p->AllocatedBytes();
  for (const auto& o : objects_) n += sizeof(TDocObject) + o->FileName.capacity() * sizeof(char32_t);
  for (const auto& f : footnotes_) n += sizeof(TFootnoteRec) + (f->Text.capacity() + f->Text2.capacity()) * 4;
  return n;
}

// ---------------------------------------------------------------------------------------------
// Paragraph and line primitives

TParagraph* TWPRTFText::NewParagraph(TParagraph* after, int capacity) {
  TParagraph* par = new (std::nothrow) TParagraph;
  if (!par) throw TWPError(kErrOutOfMemoryNewParagraph);
  try {
    if (after) {
      par->CopyPropertiesFrom(*after);
      par->Spare = 0;
      par->TableLayout[0] = par->TableLayout[1] = 0;
      if (after->IsTableCell()) par->TabMask = 0;
      if (after->EndsBorderBlock()) {
        par->BorderFlags[0] = par->BorderFlags[1] = 0;
        par->BorderWidth = par->BorderColor = 0;
      }
    }
    par->has_attrs_ = Header.AttributesOn;
    par->EndAttr = DefaultAttr;
    TTextLine line;
    line.Capacity = static_cast<uint16_t>(std::clamp(EvenCapacity(capacity), 8, kMaxLineCapacity));
    par->lines_.push_back(line);
  } catch (const std::bad_alloc&) {
    delete par;
    throw TWPError(kErrOutOfMemoryNewParagraph);
  }
  par->LayoutDirty = kDirtyAll;

  if (after) {
    // The paragraph before is usually complete now (a reader or an Enter moves on from it):
    // give back large growth slack so that built documents stay near 20 bytes per character.
    TrimSlack(after);
    par->Prev = after;
    par->Next = after->Next;
    if (after->Next)
      after->Next->Prev = par;
    else
      last_ = par;
    after->Next = par;
  } else {
    par->Next = first_;
    if (first_)
      first_->Prev = par;
    else
      last_ = par;
    first_ = par;
  }
  return par;
}

void TWPRTFText::RenumberLines(TParagraph* par, int from) {
  uint32_t start = from > 0 ? par->lines_[static_cast<size_t>(from - 1)].Start +
                                  par->lines_[static_cast<size_t>(from - 1)].Length
                            : 0;
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < par->lines_.size(); ++i) {
    par->lines_[i].Start = start;
    start += par->lines_[i].Length;
  }
}

int TWPRTFText::NewLine(TParagraph* par, int after, int capacity) {
  after = std::clamp(after, -1, par->LineCount() - 1);
  TTextLine line;
  line.Capacity = static_cast<uint16_t>(std::clamp(EvenCapacity(capacity), 8, kMaxLineCapacity));
  if (after >= 0) {
    const TTextLine& prev = par->Line(after);
    line.Start = prev.Start + prev.Length;
  }
  par->lines_.insert(par->lines_.begin() + (after + 1), line);
  par->MarkDirty();
  return after + 1;
}

TParagraph* TWPRTFText::DeleteLine(TParagraph* par, int line) {
  if (line < 0 || line >= par->LineCount()) return par;
  const TTextLine l = par->Line(line);
  par->Expand();
  par->text_.erase(par->text_.begin() + l.Start, par->text_.begin() + l.Start + l.Length);
  if (par->has_attrs_) {
    par->attrs_.erase(par->attrs_.begin() + l.Start, par->attrs_.begin() + l.Start + l.Length);
  }
  par->lines_.erase(par->lines_.begin() + line);
  par->MarkDirty();
  if (!par->lines_.empty()) {
    RenumberLines(par, line);
    return line < par->LineCount() ? par : par->Next;
  }
  if (par == first_ && par == last_) {
    TTextLine empty;
    empty.Capacity = kNewParagraphCapacity;
    par->lines_.push_back(empty);
    return nullptr;
  }
  TParagraph* next = par->Next;
  FreeParagraph(par);
  return next;
}

void TWPRTFText::ResizeLine(TParagraph* par, int line, int capacity) {
  const int cap = EvenCapacity(capacity);
  if (cap > kMaxLineCapacity) throw TWPError(kErrLineTooLong);
  TTextLine& l = par->Line(line);
  if (cap < l.Length) {
    par->Expand();
    const int keep = cap - 1;
    const uint32_t cut = l.Start + static_cast<uint32_t>(keep);
    const uint32_t end = l.Start + l.Length;
    par->text_.erase(par->text_.begin() + cut, par->text_.begin() + end);
    if (par->has_attrs_) par->attrs_.erase(par->attrs_.begin() + cut, par->attrs_.begin() + end);
    l.Length = static_cast<uint16_t>(keep);
    RenumberLines(par, line + 1);
    par->MarkDirty();
  }
  l.Capacity = static_cast<uint16_t>(cap);
}

int TWPRTFText::ReplaceRange(TParagraph* par, int line, int start, int remove, const char32_t* chars,
                             int count, const TCharAttr* attr) {
  if (remove <= 0 && count <= 0) return 0;
  if (line < 0 || line >= par->LineCount()) return 0;
  TTextLine* l = &par->Line(line);
  const int len = l->Length;
  start = std::clamp(start, 0, len);
  remove = std::clamp(remove, 0, len - start);
  count = std::max(count, 0);
  if (!chars) count = 0;
  if (remove == 0 && count == 0) return 0;
  par->Expand();

  const int growth = count - remove;
  if (growth > 0) {
    ResizeLine(par, line, len + growth + 6);  // throws before anything changes
    l = &par->Line(line);
  }

  const size_t off = l->Start + static_cast<size_t>(start);
  const TCharAttr fill = attr ? *attr : AttrAt(par, line, start);
  const bool at_paragraph_end = line == par->LineCount() - 1 && start + remove == len;
  if (par->has_attrs_ && remove > count && at_paragraph_end) par->EndAttr = par->attrs_[off + count];

  // Overwrite the common part in place, then insert or erase the difference.
  const int common = std::min(count, remove);
  std::copy(chars, chars + common, par->text_.begin() + static_cast<ptrdiff_t>(off));
  if (par->has_attrs_) std::fill_n(par->attrs_.begin() + static_cast<ptrdiff_t>(off), common, fill);
  const size_t tail = off + static_cast<size_t>(common);
  if (growth > 0) {
    par->text_.insert(par->text_.begin() + static_cast<ptrdiff_t>(tail), chars + common, chars + count);
    if (par->has_attrs_) par->attrs_.insert(par->attrs_.begin() + static_cast<ptrdiff_t>(tail), growth, fill);
  } else if (growth < 0) {
    par->text_.erase(par->text_.begin() + static_cast<ptrdiff_t>(tail),
                     par->text_.begin() + static_cast<ptrdiff_t>(tail) - growth);
    if (par->has_attrs_) {
      par->attrs_.erase(par->attrs_.begin() + static_cast<ptrdiff_t>(tail),
                        par->attrs_.begin() + static_cast<ptrdiff_t>(tail) - growth);
    }
  }
  l->Length = static_cast<uint16_t>(len + growth);
  if (growth != 0) RenumberLines(par, line + 1);
  par->MarkDirty();
  return growth;
}

// Appends text to the paragraph's last line, starting new lines where one is full. The caller
// has reserved the room (ReserveAppend), so that a failed allocation changes nothing.
void TWPRTFText::AppendToLastLines(TParagraph* par, std::u32string_view text) {
  par->text_.insert(par->text_.end(), text.begin(), text.end());
  size_t left = text.size();
  while (left > 0) {
    TTextLine* l = &par->lines_.back();
    const int room = kMaxLineCapacity - 6 - l->Length;
    if (room <= 0) {
      NewLine(par, par->LineCount() - 1, 60);
      continue;
    }
    const size_t take = std::min(static_cast<size_t>(room), left);
    l->Length = static_cast<uint16_t>(l->Length + take);
    l->Capacity = static_cast<uint16_t>(std::max<int>(l->Capacity, EvenCapacity(l->Length + 6)));
    left -= take;
  }
  par->MarkDirty();
}

namespace {

// Room for `extra` more elements: exactly that much for a buffer's first fill (a paragraph
// read or pasted in one piece keeps no slack), at least half again otherwise (so that many
// small appends stay linear).
template <typename T>
void ReserveFor(std::vector<T>& v, size_t extra) {
  const size_t need = v.size() + extra;
  if (need <= v.capacity()) return;
  v.reserve(v.empty() ? need : std::max(need, v.size() + v.size() / 2));
}

void ReserveAppend(TParagraph& par, std::vector<char32_t>& text, std::vector<TCharAttr>& attrs, size_t n) {
  ReserveFor(text, n);
  if (par.HasAttributes() && !par.IsCompact()) ReserveFor(attrs, n);
}

}  // namespace

void TWPRTFText::AppendText(TParagraph* par, std::u32string_view text, const TCharAttr& attr) {
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  par->Expand();
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, text);
  if (par->has_attrs_) par->attrs_.insert(par->attrs_.end(), text.size(), attr);
}

void TWPRTFText::AppendText(TParagraph* par, std::span<const char32_t> text,
                            std::span<const TCharAttr> attrs) {
  if (par->has_attrs_ && attrs.size() != text.size()) {
    throw std::invalid_argument("AppendText: one attribute record per character");
  }
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  par->Expand();
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, std::u32string_view(text.data(), text.size()));
  if (par->has_attrs_) par->attrs_.insert(par->attrs_.end(), attrs.begin(), attrs.end());
}

void TWPRTFText::AppendRuns(TParagraph* par, std::u32string_view text, std::span<const TAttrRun> runs) {
  if (par->has_attrs_) {
    size_t sum = 0;
    for (const TAttrRun& r : runs) sum += r.Count;
    if (sum != text.size()) throw std::invalid_argument("AppendRuns: the runs must cover the text");
  }
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  if (!par->has_attrs_) {
    ReserveFor(par->text_, text.size());
    AppendToLastLines(par, text);
    return;
  }
  // Runs stay runs in a paragraph that is empty or still compact; a paragraph that already
  // holds one record per character takes them as records.
  if (par->compact_ || par->text_.empty()) {
    const bool joins =
        par->compact_ && !par->runs_.empty() && !runs.empty() && par->runs_.back().Attr == runs.front().Attr;
    ReserveFor(par->text_, text.size());
    ReserveFor(par->runs_, runs.size() - (joins ? 1 : 0));
    AppendToLastLines(par, text);
    auto from = runs.begin();
    if (joins) par->runs_.back().Count += (from++)->Count;
    for (; from != runs.end(); ++from) {
      if (from->Count > 0) par->runs_.push_back(*from);
    }
    std::vector<TCharAttr>().swap(par->attrs_);
    par->compact_ = true;
    return;
  }
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, text);
  for (const TAttrRun& r : runs) par->attrs_.insert(par->attrs_.end(), r.Count, r.Attr);
}

TCharAttr* TWPRTFText::AttribPtr(TParagraph* par, int line, int pos) {
  if (!par || !par->has_attrs_ || line < 0 || line >= par->LineCount()) throw TWPError(kErrAttribPtr);
  par->Expand();
  const TTextLine& l = par->Line(line);
  if (pos >= 0 && pos < l.Length) return &par->attrs_[l.Start + static_cast<size_t>(pos)];
  if (pos == l.Length && line == par->LineCount() - 1) return &par->EndAttr;
  throw TWPError(kErrAttribPtr);
}

TCharAttr TWPRTFText::AttrAt(const TParagraph* par, int line, int pos) const {
  if (!par->has_attrs_) return DefaultAttr;
  if (line < 0 || line >= par->LineCount()) return par->EndAttr;
  const size_t off = par->Line(line).Start + static_cast<size_t>(std::max(pos, 0));
  if (off >= par->text_.size()) return par->EndAttr;
  TCharAttr a;
  par->CopyAttrs(off, std::span<TCharAttr>(&a, 1));
  return a;
}

void TWPRTFText::SetCharAttr(TParagraph* par, int line, int pos, const TCharAttr& attr) {
  TCharAttr* rec = AttribPtr(par, line, pos);
  *rec = attr;
  const TTextLine& l = par->Line(line);
  const char32_t c = pos < l.Length ? par->text_[l.Start + static_cast<size_t>(pos)] : U' ';
  MeasureChar(c, *rec);
  par->MarkDirty();
}

void TWPRTFText::SetLineLengths(TParagraph* par, std::span<const int> lengths) {
  int64_t sum = 0;
  for (int n : lengths) {
    if (n < 0 || n > 0xFFFF - 4) throw std::invalid_argument("SetLineLengths: bad line length");
    sum += n;
  }
  if (lengths.empty() || sum != par->CharCount()) {
    throw std::invalid_argument("SetLineLengths: lengths must cover the paragraph");
  }
  par->lines_.resize(lengths.size());
  uint32_t start = 0;
  for (size_t i = 0; i < lengths.size(); ++i) {
    TTextLine& l = par->lines_[i];
    l.Start = start;
    l.Length = static_cast<uint16_t>(lengths[i]);
    l.Capacity = static_cast<uint16_t>(EvenCapacity(lengths[i] + 4));
    start += static_cast<uint32_t>(lengths[i]);
  }
  par->MarkDirty();
}

void TWPRTFText::TrimSlack(TParagraph* par) {
  const size_t size = par->text_.size();
  if (par->text_.capacity() > size + size / 8 + 16) TrimParagraph(par);
}

void TWPRTFText::TrimParagraph(TParagraph* par) {
  par->text_.shrink_to_fit();
  par->attrs_.shrink_to_fit();
  par->runs_.shrink_to_fit();
  par->lines_.shrink_to_fit();
}

void TWPRTFText::ReplaceParagraphText(int number, std::span<const char32_t> text,
                                      std::span<const TCharAttr> attrs) {
  TParagraph* par = ParagraphAt(number);
  if (!par) par = last_;
  if (!par) return;
  if (static_cast<int64_t>(text.size()) + 1 > kMaxLineCapacity) throw TWPError(kErrLineTooLong);
  std::vector<char32_t> new_text(text.begin(), text.end());
  std::vector<TCharAttr> new_attrs;
  if (par->has_attrs_) {
    if (attrs.size() == text.size())
      new_attrs.assign(attrs.begin(), attrs.end());
    else
      new_attrs.assign(text.size(), DefaultAttr);
  }
  par->text_.swap(new_text);
  par->attrs_.swap(new_attrs);
  std::vector<TAttrRun>().swap(par->runs_);
  par->compact_ = false;
  TTextLine line;
  line.Length = static_cast<uint16_t>(text.size());
  line.Capacity = static_cast<uint16_t>(std::max(8, EvenCapacity(static_cast<int>(text.size()) + 6)));
  line.Capacity = static_cast<uint16_t>(std::min<int>(line.Capacity, kMaxLineCapacity));
  par->lines_.assign(1, line);
  par->MarkDirty();
}

void TWPRTFText::ReportSpecialRun(TParagraph* par, int line, int pos, const TDocObject* object) {
  if (!OnSpecialRunClick) return;
  if (object) {
    OnSpecialRunClick(object->FileName, object->Tag);
    return;
  }
  if (!par || line < 0 || line >= par->LineCount() || !par->has_attrs_) return;
  auto text = par->LineText(line);
  auto attrs = par->LineAttrs(line);
  if (pos < 0 || pos >= static_cast<int>(text.size())) return;
  const uint8_t flags = attrs[static_cast<size_t>(pos)].CharFlags;
  int from = pos, to = pos + 1;
  constexpr int kMaxRun = 254;
  while (from > 0 && attrs[static_cast<size_t>(from - 1)].CharFlags == flags && to - from < kMaxRun) --from;
  while (to < static_cast<int>(text.size()) && attrs[static_cast<size_t>(to)].CharFlags == flags &&
         to - from < kMaxRun) {
    ++to;
  }
  OnSpecialRunClick(std::u32string(text.begin() + from, text.begin() + to),
                    attrs[static_cast<size_t>(pos)].TagNumber);
}

// ---------------------------------------------------------------------------------------------
// Objects

TDocObject* TWPRTFText::AddObject(TDocGraphic graphic, int tag) {
  auto obj = std::make_unique<TDocObject>();
  obj->Graphic = std::move(graphic);
  if (tag < 0) {
    int t = 2000;
    while (t < 0xFFFF && FindObjectByTag(t)) ++t;
    obj->Tag = static_cast<uint16_t>(t);
    obj->Internal = true;
  } else {
    obj->Tag = static_cast<uint16_t>(std::min(tag, 0xFFFF));
  }
  int number = 0;
  for (const auto& o : objects_) number = std::max<int>(number, o->Number);
  if (number >= 0xFFFF) {  // numbers exhausted: take the first free one
    number = 0;
    while (number < 0xFFFF && FindObjectByNumber(number + 1)) ++number;
  }
  obj->Number = static_cast<uint16_t>(number + 1);
  objects_.push_back(std::move(obj));
  return objects_.back().get();
}

TDocObject* TWPRTFText::FindObjectByTag(int tag) const {
  for (const auto& o : objects_) {
    if (o->Tag == tag) return o.get();
  }
  return nullptr;
}

TDocObject* TWPRTFText::FindObjectByNumber(int number) const {
  for (const auto& o : objects_) {
    if (o->Number == number) return o.get();
  }
  return nullptr;
}

TDocObject* TWPRTFText::FindObjectByFileName(std::u32string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& o : objects_) {
    if (CaseInsensitiveEqual(o->FileName, name)) return o.get();
  }
  return nullptr;
}

TDocObject* TWPRTFText::ObjectForTag(int tag) {
  TDocObject* obj = AddObject(TDocGraphic{}, std::max(tag, 0));
  if (obj->Graphic.Empty() && ProvideObjectEvent) ProvideObjectEvent(tag, *obj);
  return obj;
}

void TWPRTFText::ComputeObjectSize(TDocObject& object) const {
  if (object.Width == 0) {
    const int px = object.Graphic.PixelWidth();
    object.Width =
        px > 0 ? static_cast<int32_t>(static_cast<int64_t>(px) * 1440 / std::max(Header.XPixelsPerInch, 1))
               : 32;
  }
  if (object.Height == 0) {
    const int px = object.Graphic.PixelHeight();
    object.Height =
        px > 0 ? static_cast<int32_t>(static_cast<int64_t>(px) * 1440 / std::max(Header.YPixelsPerInch, 1))
               : 32;
  }
}

void TWPRTFText::ResetObjectReferences() {
  for (auto& o : objects_) o->Referenced = false;
}

void TWPRTFText::MarkObjectReferences() {
  if (objects_.empty()) return;
  for (TParagraph* p = first_; p; p = p->Next) {
    if (!p->has_attrs_) continue;
    for (size_t i = 0; i < p->text_.size(); ++i) {
      const char32_t c = p->text_[i];
      if (c != kCharObjectByTag && c != kCharObjectByNumber) continue;
      TCharAttr a;
      p->CopyAttrs(i, std::span<TCharAttr>(&a, 1));
      if (!(a.CharFlags & kCharObject)) continue;
      const int key = a.TagNumber;
      TDocObject* o = c == kCharObjectByTag ? FindObjectByTag(key) : FindObjectByNumber(key);
      if (o) o->Referenced = true;
    }
  }
}

void TWPRTFText::FreeUnreferencedObjects() {
  std::erase_if(objects_, [](const std::unique_ptr<TDocObject>& o) { return !o->Referenced; });
}

void TWPRTFText::CollectObjects() {
  ResetObjectReferences();
  MarkObjectReferences();
  FreeUnreferencedObjects();
}

// ---------------------------------------------------------------------------------------------
// Footnotes

TFootnoteRec* TWPRTFText::AddFootnote(char32_t mark, int32_t number, std::u32string text) {
  int id = 0;
  for (const auto& f : footnotes_) id = std::max<int>(id, f->Id);
  if (id >= 0xFFFF) {
    id = 0;
    while (id < 0xFFFF && FindFootnote(id + 1)) ++id;
  }
  auto rec = std::make_unique<TFootnoteRec>();
  rec->Mark = mark;
  rec->Number = number;
  rec->Id = static_cast<uint16_t>(id + 1);
  rec->Text = std::move(text);
  footnotes_.push_back(std::move(rec));
  return footnotes_.back().get();
}

TFootnoteRec* TWPRTFText::FindFootnote(int id) const {
  for (const auto& f : footnotes_) {
    if (f->Id == id) return f.get();
  }
  return nullptr;
}

void TWPRTFText::FreeFootnotes() { footnotes_.clear(); }

}  // namespace inkwend
