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
// Paragraph

std::span<char32_t> Paragraph::LineText(int line) {
  const TextLine& l = Line(line);
  return std::span<char32_t>(text_.data() + l.start, l.length);
}

std::span<const char32_t> Paragraph::LineText(int line) const {
  const TextLine& l = Line(line);
  return std::span<const char32_t>(text_.data() + l.start, l.length);
}

std::span<CharAttr> Paragraph::LineAttrs(int line) {
  if (!hasAttrs_) return {};
  Expand();
  const TextLine& l = Line(line);
  return std::span<CharAttr>(attrs_.data() + l.start, l.length);
}

std::span<const CharAttr> Paragraph::LineAttrs(int line) const {
  if (!hasAttrs_) return {};
  Expand();
  const TextLine& l = Line(line);
  return std::span<const CharAttr>(attrs_.data() + l.start, l.length);
}

void Paragraph::ExpandRuns() const {
  std::vector<CharAttr> records;
  records.reserve(text_.size());
  size_t start = 0;
  for (const StoredRun& r : runs_) {
    records.insert(records.end(), r.end - start, r.attr);
    start = r.end;
  }
  attrs_.swap(records);
  std::vector<StoredRun>().swap(runs_);
  compact_ = false;
}

void Paragraph::CopyAttrs(size_t from, std::span<CharAttr> out) const {
  if (!hasAttrs_ || out.empty()) return;
  if (!compact_) {
    std::copy_n(attrs_.begin() + static_cast<ptrdiff_t>(from), out.size(), out.begin());
    return;
  }
  size_t filled = 0;
  for (size_t k = RunIndexOf(from); k < runs_.size(); ++k) {
    const StoredRun& r = runs_[k];
    const size_t take = std::min(r.end - (from + filled), out.size() - filled);
    std::fill_n(out.begin() + static_cast<ptrdiff_t>(filled), take, r.attr);
    filled += take;
    if (filled == out.size()) return;
  }
}

size_t Paragraph::RunIndexOf(size_t offset) const {
  // Painting and the walks ask for one character after the other: the run found last, or the
  // one after it, is tried before searching. The guess is checked against this paragraph's runs,
  // so one left by another paragraph costs nothing but the check.
  thread_local size_t last = 0;
  if (last < runs_.size() && offset < runs_[last].end) {
    if (last == 0 || runs_[last - 1].end <= offset) return last;
  } else if (last + 1 < runs_.size() && runs_[last].end <= offset && offset < runs_[last + 1].end) {
    return ++last;
  }
  const auto it = std::upper_bound(runs_.begin(), runs_.end(), offset,
                                   [](size_t off, const StoredRun& r) { return off < r.end; });
  last = static_cast<size_t>(it - runs_.begin());
  return last;
}

size_t Paragraph::SameRunEnd(size_t from) const {
  const size_t n = text_.size();
  if (!hasAttrs_ || from >= n) return n;
  if (!compact_) {
    const CharAttr& first = attrs_[from];
    size_t j = from + 1;
    while (j < n && attrs_[j].SameRun(first)) ++j;
    return j;
  }
  size_t k = RunIndexOf(from);
  const CharAttr& first = runs_[k].attr;
  while (k + 1 < runs_.size() && runs_[k + 1].attr.SameRun(first)) ++k;
  return runs_[k].end;
}

void Paragraph::CopyPropertiesFrom(const Paragraph& o) {
  firstIndent = o.firstIndent;
  leftIndent = o.leftIndent;
  rightIndent = o.rightIndent;
  spaceBefore = o.spaceBefore;
  spaceAfter = o.spaceAfter;
  lineSpacing = o.lineSpacing;
  lineSpacingMultiple = o.lineSpacingMultiple;
  alignment = o.alignment;
  parFlags = o.parFlags;
  borderFlags[0] = o.borderFlags[0];
  borderFlags[1] = o.borderFlags[1];
  borderWidth = o.borderWidth;
  borderColor = o.borderColor;
  reserved[0] = o.reserved[0];
  reserved[1] = o.reserved[1];
  shadingColors = o.shadingColors;
  shadingPercent = o.shadingPercent;
  spare = o.spare;
  tabMask = o.tabMask;
  cellStart = o.cellStart;
  cellWidth = o.cellWidth;
  tableLayout[0] = o.tableLayout[0];
  tableLayout[1] = o.tableLayout[1];
}

uint64_t Paragraph::NextId() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

size_t Paragraph::AllocatedBytes() const {
  return lines_.capacity() * sizeof(TextLine) + text_.capacity() * sizeof(char32_t) +
         attrs_.capacity() * sizeof(CharAttr) + runs_.capacity() * sizeof(StoredRun);
}

// ---------------------------------------------------------------------------------------------
// WPRTFText: construction, clearing, modes

WPRTFText::WPRTFText() {
  defaultAttr.fontIndex = 0;
  defaultAttr.pointSize = 10;

  insertPointAttr.SetTextColor(kDefaultColors[1]);         // red; also switches UseTextColor on
  hyperlinkTextAttr.SetUnderlineColor(kDefaultColors[3]);  // blue
  hyperlinkTextAttr.SetUnderline(ThreeState::True);
  for (CharacterAttr* a : {&insertPointAttr, &automaticTextAttr, &hyperlinkTextAttr, &protectedTextAttr}) {
    a->onChange = [this](int /*id*/, bool layout) { HighlightChanged(layout); };
  }

  header.attributesOn = true;
  header.fonts[0].name = U"Arial";
  header.fonts[0].pitchFamily = kFamilySwiss;
  EnsureOneParagraph();
}

WPRTFText::~WPRTFText() { FreeAllParagraphs(); }

void WPRTFText::FreeParagraph(Paragraph* par) {
  if (par->prev)
    par->prev->next = par->next;
  else
    first_ = par->next;
  if (par->next)
    par->next->prev = par->prev;
  else
    last_ = par->prev;
  delete par;
}

void WPRTFText::FreeAllParagraphs() {
  Paragraph* p = first_;
  while (p) {
    Paragraph* next = p->next;
    delete p;
    p = next;
  }
  first_ = last_ = nullptr;
}

void WPRTFText::EnsureOneParagraph() {
  if (!first_) NewParagraph(nullptr, kNewParagraphCapacity);
}

void WPRTFText::Clear() {
  FreeAllParagraphs();
  objects_.clear();
  footnotes_.clear();

  // Slot 0 becomes the font the template attribute uses. The other slots and the tab table are
  // emptied too: a document that is cleared and refilled many times (the diary reuses one editor
  // for every day) would otherwise fill both tables with fonts and tabs it no longer uses.
  const int slot = defaultAttr.fontIndex;
  if (slot > 0 && slot < kFontSlots && !header.fonts[static_cast<size_t>(slot)].name.empty()) {
    header.fonts[0] = header.fonts[static_cast<size_t>(slot)];
  }
  for (int i = 1; i < kFontSlots; ++i) header.fonts[static_cast<size_t>(i)] = FontSlot{};
  header.ClearTabs();
  defaultAttr.fontIndex = 0;
  if (defaultAttr.pointSize == 0) defaultAttr.pointSize = 10;
  if (header.fonts[0].name.empty()) {
    header.fonts[0].name = U"Arial";
    header.fonts[0].pitchFamily = kFamilySwiss;
    header.fonts[0].charSet = 0;
  }
  header.title.clear();
  header.subject.clear();
  header.comment.clear();
  // Colours past the toolbar's 16 came with the text: they go with it.
  header.colors[15] = kDefaultColors[15];
  header.moreColors.clear();
  EnsureOneParagraph();
}

void WPRTFText::SetDefaultAttr(const CharAttr& attr) { defaultAttr = attr; }

void WPRTFText::HighlightChanged(bool layout) {
  if (layout) {
    for (Paragraph* p = first_; p; p = p->next) p->MarkDirty();
  } else {
    for (Paragraph* p = first_; p; p = p->next) p->layoutDirty |= kDirtyPaint;
  }
  if (onHighlightChange) onHighlightChange();
}

bool WPRTFText::SetAttributeMode(bool on) {
  if (on == header.attributesOn) return on;
  if (on) {
    try {
      for (Paragraph* p = first_; p; p = p->next) {
        p->attrs_.assign(p->text_.size(), defaultAttr);
        std::vector<Paragraph::StoredRun>().swap(p->runs_);
        p->compact_ = false;
        p->hasAttrs_ = true;
        p->endAttr = defaultAttr;
      }
    } catch (const std::bad_alloc&) {
      for (Paragraph* p = first_; p; p = p->next) {
        std::vector<CharAttr>().swap(p->attrs_);
        p->hasAttrs_ = false;
      }
      return false;
    }
    header.attributesOn = true;
    for (Paragraph* p = first_; p; p = p->next) p->MarkDirty();
    return true;
  }
  for (Paragraph* p = first_; p; p = p->next) {
    std::vector<CharAttr>().swap(p->attrs_);
    std::vector<Paragraph::StoredRun>().swap(p->runs_);
    p->compact_ = false;
    p->hasAttrs_ = false;
    p->MarkDirty();  // lines take the default height when laid out again
  }
  header.attributesOn = false;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Queries

Paragraph* WPRTFText::ParagraphAt(int number) const {
  if (number < 0) return nullptr;
  Paragraph* p = first_;
  while (p && number-- > 0) p = p->next;
  return p;
}

int WPRTFText::ParagraphCount() const {
  int n = 0;
  for (Paragraph* p = first_; p; p = p->next) ++n;
  return n;
}

bool WPRTFText::IsEmpty() const {
  return first_ == nullptr ||
         (first_->next == nullptr && first_->LineCount() <= 1 && first_->CharCount() == 0);
}

int64_t WPRTFText::CharCount() const {
  int64_t n = 0;
  for (Paragraph* p = first_; p; p = p->next) n += p->CharCount();
  return n;
}

size_t WPRTFText::ModelBytes() const {
  size_t n = sizeof(*this);
  for (Paragraph* p = first_; p; p = p->next) n += sizeof(Paragraph) + p->AllocatedBytes();
  for (const auto& o : objects_) n += sizeof(DocObject) + o->fileName.capacity() * sizeof(char32_t);
  for (const auto& f : footnotes_) n += sizeof(FootnoteRec) + (f->text.capacity() + f->text2.capacity()) * 4;
  return n;
}

// ---------------------------------------------------------------------------------------------
// Paragraph and line primitives

Paragraph* WPRTFText::NewParagraph(Paragraph* after, int capacity) {
  Paragraph* par = new (std::nothrow) Paragraph;
  if (!par) throw WPError(kErrOutOfMemoryNewParagraph);
  try {
    if (after) {
      par->CopyPropertiesFrom(*after);
      par->spare = 0;
      par->tableLayout[0] = par->tableLayout[1] = 0;
      if (after->IsTableCell()) par->tabMask = 0;
      if (after->EndsBorderBlock()) {
        par->borderFlags[0] = par->borderFlags[1] = 0;
        par->borderWidth = par->borderColor = 0;
      }
    }
    par->hasAttrs_ = header.attributesOn;
    par->endAttr = defaultAttr;
    TextLine line;
    line.capacity = static_cast<uint16_t>(std::clamp(EvenCapacity(capacity), 8, kMaxLineCapacity));
    par->lines_.push_back(line);
  } catch (const std::bad_alloc&) {
    delete par;
    throw WPError(kErrOutOfMemoryNewParagraph);
  }
  par->layoutDirty = kDirtyAll;

  if (after) {
    // The paragraph before is usually complete now (a reader or an Enter moves on from it):
    // give back large growth slack so that built documents stay near 20 bytes per character.
    TrimSlack(after);
    par->prev = after;
    par->next = after->next;
    if (after->next)
      after->next->prev = par;
    else
      last_ = par;
    after->next = par;
  } else {
    par->next = first_;
    if (first_)
      first_->prev = par;
    else
      last_ = par;
    first_ = par;
  }
  return par;
}

void WPRTFText::RenumberLines(Paragraph* par, int from) {
  uint32_t start = from > 0 ? par->lines_[static_cast<size_t>(from - 1)].start +
                                  par->lines_[static_cast<size_t>(from - 1)].length
                            : 0;
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < par->lines_.size(); ++i) {
    par->lines_[i].start = start;
    start += par->lines_[i].length;
  }
}

int WPRTFText::NewLine(Paragraph* par, int after, int capacity) {
  after = std::clamp(after, -1, par->LineCount() - 1);
  TextLine line;
  line.capacity = static_cast<uint16_t>(std::clamp(EvenCapacity(capacity), 8, kMaxLineCapacity));
  if (after >= 0) {
    const TextLine& prev = par->Line(after);
    line.start = prev.start + prev.length;
  }
  par->lines_.insert(par->lines_.begin() + (after + 1), line);
  par->MarkDirty();
  return after + 1;
}

Paragraph* WPRTFText::DeleteLine(Paragraph* par, int line) {
  if (line < 0 || line >= par->LineCount()) return par;
  const TextLine l = par->Line(line);
  par->Expand();
  par->text_.erase(par->text_.begin() + l.start, par->text_.begin() + l.start + l.length);
  if (par->hasAttrs_) {
    par->attrs_.erase(par->attrs_.begin() + l.start, par->attrs_.begin() + l.start + l.length);
  }
  par->lines_.erase(par->lines_.begin() + line);
  par->MarkDirty();
  if (!par->lines_.empty()) {
    RenumberLines(par, line);
    return line < par->LineCount() ? par : par->next;
  }
  if (par == first_ && par == last_) {
    TextLine empty;
    empty.capacity = kNewParagraphCapacity;
    par->lines_.push_back(empty);
    return nullptr;
  }
  Paragraph* next = par->next;
  FreeParagraph(par);
  return next;
}

void WPRTFText::ResizeLine(Paragraph* par, int line, int capacity) {
  const int cap = EvenCapacity(capacity);
  if (cap > kMaxLineCapacity) throw WPError(kErrLineTooLong);
  TextLine& l = par->Line(line);
  if (cap < l.length) {
    par->Expand();
    const int keep = cap - 1;
    const uint32_t cut = l.start + static_cast<uint32_t>(keep);
    const uint32_t end = l.start + l.length;
    par->text_.erase(par->text_.begin() + cut, par->text_.begin() + end);
    if (par->hasAttrs_) par->attrs_.erase(par->attrs_.begin() + cut, par->attrs_.begin() + end);
    l.length = static_cast<uint16_t>(keep);
    RenumberLines(par, line + 1);
    par->MarkDirty();
  }
  l.capacity = static_cast<uint16_t>(cap);
}

int WPRTFText::ReplaceRange(Paragraph* par, int line, int start, int remove, const char32_t* chars, int count,
                            const CharAttr* attr) {
  if (remove <= 0 && count <= 0) return 0;
  if (line < 0 || line >= par->LineCount()) return 0;
  TextLine* l = &par->Line(line);
  const int len = l->length;
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

  const size_t off = l->start + static_cast<size_t>(start);
  const CharAttr fill = attr ? *attr : AttrAt(par, line, start);
  const bool at_paragraph_end = line == par->LineCount() - 1 && start + remove == len;
  if (par->hasAttrs_ && remove > count && at_paragraph_end) par->endAttr = par->attrs_[off + count];

  // Overwrite the common part in place, then insert or erase the difference.
  const int common = std::min(count, remove);
  std::copy(chars, chars + common, par->text_.begin() + static_cast<ptrdiff_t>(off));
  if (par->hasAttrs_) std::fill_n(par->attrs_.begin() + static_cast<ptrdiff_t>(off), common, fill);
  const size_t tail = off + static_cast<size_t>(common);
  if (growth > 0) {
    par->text_.insert(par->text_.begin() + static_cast<ptrdiff_t>(tail), chars + common, chars + count);
    if (par->hasAttrs_) par->attrs_.insert(par->attrs_.begin() + static_cast<ptrdiff_t>(tail), growth, fill);
  } else if (growth < 0) {
    par->text_.erase(par->text_.begin() + static_cast<ptrdiff_t>(tail),
                     par->text_.begin() + static_cast<ptrdiff_t>(tail) - growth);
    if (par->hasAttrs_) {
      par->attrs_.erase(par->attrs_.begin() + static_cast<ptrdiff_t>(tail),
                        par->attrs_.begin() + static_cast<ptrdiff_t>(tail) - growth);
    }
  }
  l->length = static_cast<uint16_t>(len + growth);
  if (growth != 0) RenumberLines(par, line + 1);
  par->MarkDirty();
  return growth;
}

// Appends text to the paragraph's last line, starting new lines where one is full. The caller
// has reserved the room (ReserveAppend), so that a failed allocation changes nothing.
void WPRTFText::AppendToLastLines(Paragraph* par, std::u32string_view text) {
  par->text_.insert(par->text_.end(), text.begin(), text.end());
  size_t left = text.size();
  while (left > 0) {
    TextLine* l = &par->lines_.back();
    const int room = kMaxLineCapacity - 6 - l->length;
    if (room <= 0) {
      NewLine(par, par->LineCount() - 1, 60);
      continue;
    }
    const size_t take = std::min(static_cast<size_t>(room), left);
    l->length = static_cast<uint16_t>(l->length + take);
    l->capacity = static_cast<uint16_t>(std::max<int>(l->capacity, EvenCapacity(l->length + 6)));
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

void ReserveAppend(Paragraph& par, std::vector<char32_t>& text, std::vector<CharAttr>& attrs, size_t n) {
  ReserveFor(text, n);
  if (par.HasAttributes() && !par.IsCompact()) ReserveFor(attrs, n);
}

}  // namespace

void WPRTFText::AppendText(Paragraph* par, std::u32string_view text, const CharAttr& attr) {
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  par->Expand();
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, text);
  if (par->hasAttrs_) par->attrs_.insert(par->attrs_.end(), text.size(), attr);
}

void WPRTFText::AppendText(Paragraph* par, std::span<const char32_t> text, std::span<const CharAttr> attrs) {
  if (par->hasAttrs_ && attrs.size() != text.size()) {
    throw std::invalid_argument("AppendText: one attribute record per character");
  }
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  par->Expand();
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, std::u32string_view(text.data(), text.size()));
  if (par->hasAttrs_) par->attrs_.insert(par->attrs_.end(), attrs.begin(), attrs.end());
}

void WPRTFText::AppendRuns(Paragraph* par, std::u32string_view text, std::span<const AttrRun> runs) {
  if (par->hasAttrs_) {
    size_t sum = 0;
    for (const AttrRun& r : runs) sum += r.count;
    if (sum != text.size()) throw std::invalid_argument("AppendRuns: the runs must cover the text");
  }
  if (text.empty()) {
    par->MarkDirty();
    return;
  }
  if (!par->hasAttrs_) {
    ReserveFor(par->text_, text.size());
    AppendToLastLines(par, text);
    return;
  }
  // Runs stay runs in a paragraph that is empty or still compact; a paragraph that already
  // holds one record per character takes them as records.
  if (par->compact_ || par->text_.empty()) {
    const bool joins =
        par->compact_ && !par->runs_.empty() && !runs.empty() && par->runs_.back().attr == runs.front().attr;
    uint32_t end = static_cast<uint32_t>(par->text_.size());
    ReserveFor(par->text_, text.size());
    ReserveFor(par->runs_, runs.size() - (joins ? 1 : 0));
    AppendToLastLines(par, text);
    auto from = runs.begin();
    if (joins) par->runs_.back().end = end += (from++)->count;
    for (; from != runs.end(); ++from) {
      if (from->count > 0) par->runs_.push_back({from->attr, end += from->count});
    }
    std::vector<CharAttr>().swap(par->attrs_);
    par->compact_ = true;
    return;
  }
  ReserveAppend(*par, par->text_, par->attrs_, text.size());
  AppendToLastLines(par, text);
  for (const AttrRun& r : runs) par->attrs_.insert(par->attrs_.end(), r.count, r.attr);
}

CharAttr* WPRTFText::AttribPtr(Paragraph* par, int line, int pos) {
  if (!par || !par->hasAttrs_ || line < 0 || line >= par->LineCount()) throw WPError(kErrAttribPtr);
  par->Expand();
  const TextLine& l = par->Line(line);
  if (pos >= 0 && pos < l.length) return &par->attrs_[l.start + static_cast<size_t>(pos)];
  if (pos == l.length && line == par->LineCount() - 1) return &par->endAttr;
  throw WPError(kErrAttribPtr);
}

CharAttr WPRTFText::AttrAt(const Paragraph* par, int line, int pos) const {
  if (!par->hasAttrs_) return defaultAttr;
  if (line < 0 || line >= par->LineCount()) return par->endAttr;
  const size_t off = par->Line(line).start + static_cast<size_t>(std::max(pos, 0));
  if (off >= par->text_.size()) return par->endAttr;
  CharAttr a;
  par->CopyAttrs(off, std::span<CharAttr>(&a, 1));
  return a;
}

void WPRTFText::SetCharAttr(Paragraph* par, int line, int pos, const CharAttr& attr) {
  CharAttr* rec = AttribPtr(par, line, pos);
  *rec = attr;
  par->MarkDirty();
}

void WPRTFText::SetLineLengths(Paragraph* par, std::span<const int> lengths) {
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
    TextLine& l = par->lines_[i];
    l.start = start;
    l.length = static_cast<uint16_t>(lengths[i]);
    l.capacity = static_cast<uint16_t>(EvenCapacity(lengths[i] + 4));
    start += static_cast<uint32_t>(lengths[i]);
  }
  par->MarkDirty();
}

void WPRTFText::TrimSlack(Paragraph* par) {
  const size_t size = par->text_.size();
  if (par->text_.capacity() > size + size / 8 + 16) TrimParagraph(par);
}

void WPRTFText::TrimParagraph(Paragraph* par) {
  par->text_.shrink_to_fit();
  par->attrs_.shrink_to_fit();
  par->runs_.shrink_to_fit();
  par->lines_.shrink_to_fit();
}

void WPRTFText::ReplaceParagraphText(int number, std::span<const char32_t> text,
                                     std::span<const CharAttr> attrs) {
  Paragraph* par = ParagraphAt(number);
  if (!par) par = last_;
  if (!par) return;
  if (static_cast<int64_t>(text.size()) + 1 > kMaxLineCapacity) throw WPError(kErrLineTooLong);
  std::vector<char32_t> new_text(text.begin(), text.end());
  std::vector<CharAttr> new_attrs;
  if (par->hasAttrs_) {
    if (attrs.size() == text.size())
      new_attrs.assign(attrs.begin(), attrs.end());
    else
      new_attrs.assign(text.size(), defaultAttr);
  }
  par->text_.swap(new_text);
  par->attrs_.swap(new_attrs);
  std::vector<Paragraph::StoredRun>().swap(par->runs_);
  par->compact_ = false;
  TextLine line;
  line.length = static_cast<uint16_t>(text.size());
  line.capacity = static_cast<uint16_t>(std::max(8, EvenCapacity(static_cast<int>(text.size()) + 6)));
  line.capacity = static_cast<uint16_t>(std::min<int>(line.capacity, kMaxLineCapacity));
  par->lines_.assign(1, line);
  par->MarkDirty();
}

void WPRTFText::ReportSpecialRun(Paragraph* par, int line, int pos, const DocObject* object) {
  if (!onSpecialRunClick) return;
  if (object) {
    onSpecialRunClick(object->fileName, object->tag);
    return;
  }
  if (!par || line < 0 || line >= par->LineCount() || !par->hasAttrs_) return;
  auto text = par->LineText(line);
  auto attrs = par->LineAttrs(line);
  if (pos < 0 || pos >= static_cast<int>(text.size())) return;
  const uint8_t flags = attrs[static_cast<size_t>(pos)].charFlags;
  int from = pos, to = pos + 1;
  constexpr int kMaxRun = 254;
  while (from > 0 && attrs[static_cast<size_t>(from - 1)].charFlags == flags && to - from < kMaxRun) --from;
  while (to < static_cast<int>(text.size()) && attrs[static_cast<size_t>(to)].charFlags == flags &&
         to - from < kMaxRun) {
    ++to;
  }
  onSpecialRunClick(std::u32string(text.begin() + from, text.begin() + to),
                    attrs[static_cast<size_t>(pos)].tagNumber);
}

// ---------------------------------------------------------------------------------------------
// Objects

DocObject* WPRTFText::AddObject(DocGraphic graphic, int tag) {
  auto obj = std::make_unique<DocObject>();
  obj->graphic = std::move(graphic);
  if (tag < 0) {
    int t = 2000;
    while (t < 0xFFFF && FindObjectByTag(t)) ++t;
    obj->tag = static_cast<uint16_t>(t);
    obj->internal = true;
  } else {
    obj->tag = static_cast<uint16_t>(std::min(tag, 0xFFFF));
  }
  int number = 0;
  for (const auto& o : objects_) number = std::max<int>(number, o->number);
  if (number >= 0xFFFF) {  // numbers exhausted: take the first free one
    number = 0;
    while (number < 0xFFFF && FindObjectByNumber(number + 1)) ++number;
  }
  obj->number = static_cast<uint16_t>(number + 1);
  objects_.push_back(std::move(obj));
  return objects_.back().get();
}

DocObject* WPRTFText::FindObjectByTag(int tag) const {
  for (const auto& o : objects_) {
    if (o->tag == tag) return o.get();
  }
  return nullptr;
}

DocObject* WPRTFText::FindObjectByNumber(int number) const {
  for (const auto& o : objects_) {
    if (o->number == number) return o.get();
  }
  return nullptr;
}

DocObject* WPRTFText::FindObjectByFileName(std::u32string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& o : objects_) {
    if (CaseInsensitiveEqual(o->fileName, name)) return o.get();
  }
  return nullptr;
}

DocObject* WPRTFText::ObjectForTag(int tag) {
  DocObject* obj = AddObject(DocGraphic{}, std::max(tag, 0));
  if (obj->graphic.Empty() && provideObjectEvent) provideObjectEvent(tag, *obj);
  return obj;
}

void WPRTFText::ComputeObjectSize(DocObject& object) const {
  // At most 2^24 twips, the most the RTF reader takes for a picture's size: a size computed
  // from a huge picture is then written as it reads back (and never wraps around).
  constexpr int64_t kMaxTwips = int64_t{1} << 24;
  auto twips = [&](int px, int ppi) {
    return px > 0 ? static_cast<int32_t>(std::min(int64_t{px} * 1440 / std::max(ppi, 1), kMaxTwips)) : 32;
  };
  if (object.width == 0) object.width = twips(object.graphic.PixelWidth(), header.xPixelsPerInch);
  if (object.height == 0) object.height = twips(object.graphic.PixelHeight(), header.yPixelsPerInch);
}

void WPRTFText::ResetObjectReferences() {
  for (auto& o : objects_) o->referenced = false;
}

void WPRTFText::MarkObjectReferences() {
  if (objects_.empty()) return;
  for (Paragraph* p = first_; p; p = p->next) {
    if (!p->hasAttrs_) continue;
    for (size_t i = 0; i < p->text_.size(); ++i) {
      const char32_t c = p->text_[i];
      if (c != kCharObjectByTag && c != kCharObjectByNumber) continue;
      CharAttr a;
      p->CopyAttrs(i, std::span<CharAttr>(&a, 1));
      if (!(a.charFlags & kCharObject)) continue;
      const int key = a.tagNumber;
      DocObject* o = c == kCharObjectByTag ? FindObjectByTag(key) : FindObjectByNumber(key);
      if (o) o->referenced = true;
    }
  }
}

void WPRTFText::FreeUnreferencedObjects() {
  std::erase_if(objects_, [](const std::unique_ptr<DocObject>& o) { return !o->referenced; });
}

void WPRTFText::CollectObjects() {
  ResetObjectReferences();
  MarkObjectReferences();
  FreeUnreferencedObjects();
}

// ---------------------------------------------------------------------------------------------
// Footnotes

FootnoteRec* WPRTFText::AddFootnote(char32_t mark, int32_t number, std::u32string text) {
  int id = 0;
  for (const auto& f : footnotes_) id = std::max<int>(id, f->id);
  if (id >= 0xFFFF) {
    id = 0;
    while (id < 0xFFFF && FindFootnote(id + 1)) ++id;
  }
  auto rec = std::make_unique<FootnoteRec>();
  rec->mark = mark;
  rec->number = number;
  rec->id = static_cast<uint16_t>(id + 1);
  rec->text = std::move(text);
  footnotes_.push_back(std::move(rec));
  return footnotes_.back().get();
}

FootnoteRec* WPRTFText::FindFootnote(int id) const {
  for (const auto& f : footnotes_) {
    if (f->id == id) return f.get();
  }
  return nullptr;
}

void WPRTFText::FreeFootnotes() { footnotes_.clear(); }

}  // namespace inkwend
