// Geometry, wrapping, tab stops and line heights of the layout layer.
#include "richtext/layout/layout.h"

#include <algorithm>
#include <unordered_map>

#include "richtext/layout/text_analysis.h"
#include "richtext/model/letter_case.h"

namespace inkwend {

namespace {

// twips x ppi / 1440 with the 64-bit product divided toward zero.
int MulDiv1440(int64_t twips, int ppi) { return static_cast<int>(twips * ppi / 1440); }

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

bool IsSpace(char32_t c) { return c == U' '; }

// The longest line the model holds (capacity includes the terminator and some slack).
constexpr int kMaxWrappedLine = kMaxLineCapacity - 8;

}  // namespace

TextLayout::TextLayout(WPRTFText& document) : doc_(document) {
  defaultWidths_.fill(doc_.defaultCharWidth);
  ApplyResolution();
}

// --------------------------------------------------------------------------------------------
// Device, zoom, width

void TextLayout::ApplyResolution() {
  const int64_t scale = static_cast<int64_t>(zooming_) * resizing_;
  const int x = static_cast<int>(std::max<int64_t>(1, deviceXPpi_ * scale / 10000));
  const int y = static_cast<int>(std::max<int64_t>(1, deviceYPpi_ * scale / 10000));
  doc_.header.SetResolution(x, y);
  if (cache_.Metrics()) {
    CharAttr a = doc_.defaultAttr;
    a.styleBits = 0;
    a.charFlags = 0;
    FontEntry* e = cache_.Entry(StyleFor(a).font);
    for (int i = 0; i < 256; ++i) defaultWidths_[static_cast<size_t>(i)] = e->low[static_cast<size_t>(i)];
    defaultWidths_[kCharTab] = doc_.tabWidth;
    // Lines of plain mode are as high as the template's font on this device, like any line.
    defaultHeight_ = static_cast<uint16_t>(std::clamp(e->metrics.height, 0, 0xFFFF));
    defaultAscent_ = static_cast<uint16_t>(std::clamp(e->metrics.ascent, 0, 0xFFFF));
  } else {
    defaultWidths_.fill(doc_.defaultCharWidth);
    defaultWidths_[kCharTab] = doc_.tabWidth;
    defaultHeight_ = doc_.defaultLineHeight;
    defaultAscent_ = doc_.defaultAscent;
  }
}

void TextLayout::SetDevice(TextMetrics* metrics, int x_ppi, int y_ppi) {
  x_ppi = std::max(x_ppi, 1);
  y_ppi = std::max(y_ppi, 1);
  if (metrics == cache_.Metrics() && x_ppi == deviceXPpi_ && y_ppi == deviceYPpi_) return;
  if (metrics != cache_.Metrics()) cache_.SetMetrics(metrics);
  deviceXPpi_ = x_ppi;
  deviceYPpi_ = y_ppi;
  ApplyResolution();
  ReformatAll();
}

void TextLayout::SetReferenceScale(double x, double y) {
  cache_.SetScale(x, y);
  ApplyResolution();
  ReformatAll();
}

void TextLayout::SetZooming(int percent) {
  if (percent <= 0 || percent == zooming_) return;
  zooming_ = percent;
  ApplyResolution();
  ReformatAll();
}

void TextLayout::SetResizing(int percent) {
  if (percent <= 0 || percent == resizing_) return;
  resizing_ = percent;
  ApplyResolution();
  ReformatAll();
}

void TextLayout::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  ReformatAll();
}

void TextLayout::SetWindowWidth(int pixels) {
  pixels = std::max(pixels, 0);
  if (pixels == windowWidth_) return;
  windowWidth_ = pixels;
  if (wordWrap_) ReformatAll();
}

void TextLayout::PageLayoutChanged() {
  doc_.header.UpdateTextArea();
  ReformatAll();
}

int TextLayout::EffectiveLayoutWidth() const { return forcedWidth_ > 0 ? forcedWidth_ : LayoutWidth(); }

int TextLayout::DefaultTabInterval() const {
  if (doc_.header.defaultTabTwips > 0) return std::max(1, PxX(doc_.header.defaultTabTwips));
  const int ppi = doc_.header.xPixelsPerInch;
  return std::max(1, doc_.header.units == Units::Inch ? ppi * 100 / 300 : ppi * 100 / 254);
}

int TextLayout::PxX(int64_t twips) const { return MulDiv1440(twips, doc_.header.xPixelsPerInch); }
int TextLayout::PxY(int64_t twips) const { return MulDiv1440(twips, doc_.header.yPixelsPerInch); }

void TextLayout::TrackCursor(TextCursor* cursor, bool is_caret) { tracked_.push_back({cursor, is_caret}); }

// --------------------------------------------------------------------------------------------
// Indents

namespace {

// A cell's padding above and below its text, which counts as space before and after.
int VerticalPaddingTwips(const Paragraph* par) {
  return par->IsTableCell() ? par->tableLayout[1] * kCellPaddingUnit : 0;
}

}  // namespace

int TextLayout::BorderDistanceTwips(const Paragraph* par) const {
  const int mm = par->borderColor >> 4;
  const int border = par->HasBorder() && mm >= 1 ? mm * 567 / 10 : 0;
  // A cell keeps its text off its edges by its padding as well, with a border or without.
  return par->IsTableCell() ? border + par->tableLayout[0] * kCellPaddingUnit : border;
}

int TextLayout::CellLeftTwips(const Paragraph* par) const {
  const int64_t usable =
      static_cast<int64_t>(doc_.header.TextWidthTwips()) - par->rightIndent - par->leftIndent;
  return static_cast<int>(par->leftIndent + usable * par->cellStart / 255);
}

int TextLayout::LeftIndentPixels(const Paragraph* par, int line) const {
  if (par->IsTableCell()) return PxX(CellLeftTwips(par) + BorderDistanceTwips(par)) + 1;
  const int64_t twips =
      static_cast<int64_t>(line == 0 ? par->firstIndent : par->leftIndent) + BorderDistanceTwips(par);
  return PxX(twips) + ((par->parFlags & kParContinuesRow) ? 0 : 1);
}

int TextLayout::RightIndentPixels(const Paragraph* par) const {
  int right;
  if (par->IsTableCell()) {
    const int64_t usable =
        static_cast<int64_t>(doc_.header.TextWidthTwips()) - par->rightIndent - par->leftIndent;
    const int64_t right_edge = par->leftIndent + usable * (par->cellStart + par->cellWidth) / 255;
    right = std::max(0, PxX(doc_.header.TextWidthTwips() - right_edge + BorderDistanceTwips(par)));
  } else {
    right = PxX(static_cast<int64_t>(par->rightIndent) + BorderDistanceTwips(par));
  }
  // Measured against the page's text width, corrected to the layout width: a window wider
  // than the page still wraps at the page, a narrower one at the window. Cells too: their
  // left edges stand on the page, and a right edge measured from the window put every cell's
  // right border (and its wrap) off by the difference, drawing a three-column row as five.
  const int d = doc_.header.textAreaWidth - EffectiveLayoutWidth();
  if (d != 0) right = right - d > 0 ? right - d : 0;
  return right;
}

int TextLayout::AvailableWidth(const Paragraph* par, int line) const {
  const int w = EffectiveLayoutWidth() - RightIndentPixels(par) - LeftIndentPixels(par, line);
  return w <= 0 ? 16 : w;
}

// --------------------------------------------------------------------------------------------
// Character widths

int TextLayout::CharWidth(const Paragraph* par, int offset) const {
  return CharWidthIn(FindBoxes(par), par, offset);
}

int TextLayout::CharWidthIn(const ParagraphBoxes* m, const Paragraph* par, int offset) const {
  const char32_t c = par->Text()[static_cast<size_t>(offset)];
  // (A soft hyphen measures as the hyphen it shows where a line breaks.)
  if (c == kCharLineBreak || c == kCharSoftHyphen) return 0;
  if (par->HasAttributes()) {
    if ((par->AttrAt(static_cast<size_t>(offset)).charFlags & kCharHidden) && !showHiddenText) return 0;
    return MeasuredIn(m, par, static_cast<size_t>(offset)).width;
  }
  if (c == kCharTab) return doc_.tabWidth;
  return c < 256 ? defaultWidths_[c] : doc_.defaultCharWidth;
}

CharMetrics TextLayout::MeasuredAt(const Paragraph* par, int offset) const {
  return MeasuredIn(FindBoxes(par), par, static_cast<size_t>(offset));
}

CharMetrics TextLayout::MeasuredIn(const ParagraphBoxes* m, const Paragraph* par, size_t offset) const {
  // A character typed since the paragraph was measured counts with the defaults until the next
  // re-wrap measures it.
  const HeightRun* run = m && offset < m->widths.size() ? m->HeightAt(offset) : nullptr;
  if (!run) {
    const bool tab = offset < par->Text().size() && par->Text()[offset] == kCharTab;
    return {tab ? doc_.tabWidth : doc_.defaultCharWidth, doc_.defaultLineHeight, doc_.defaultAscent};
  }
  return {m->Width(offset), run->height, run->ascent};
}

uint16_t TextLayout::ParagraphBoxes::WideAt(size_t offset) const {
  const auto it = std::lower_bound(wide.begin(), wide.end(), offset,
                                   [](const WideWidth& w, size_t off) { return w.offset < off; });
  return it != wide.end() && it->offset == offset ? it->width : kWideWidth;
}

void TextLayout::ParagraphBoxes::StoreWidths(std::span<const uint16_t> measured) {
  widths.resize(measured.size());
  widths.shrink_to_fit();
  wide.clear();
  for (size_t i = 0; i < measured.size(); ++i) {
    const uint16_t w = measured[i];
    widths[i] = static_cast<uint8_t>(w < kWideWidth ? w : kWideWidth);
    if (w >= kWideWidth) wide.push_back({static_cast<uint32_t>(i), w});
  }
  wide.shrink_to_fit();
}

const TextLayout::HeightRun* TextLayout::ParagraphBoxes::HeightAt(size_t offset) const {
  const auto it = std::upper_bound(heights.begin(), heights.end(), offset,
                                   [](size_t off, const HeightRun& r) { return off < r.end; });
  return it == heights.end() ? nullptr : &*it;
}

bool TextLayout::ParagraphBoxes::Flagged(size_t offset) const {
  const auto it = std::upper_bound(flagged.begin(), flagged.end(), offset,
                                   [](size_t off, const WordRange& r) { return off < r.end; });
  return it != flagged.end() && it->start <= offset;
}

bool TextLayout::Invisible(const Paragraph* par, int offset) const {
  if (!par->HasAttributes() || offset < 0 || offset >= par->CharCount()) return false;
  const CharMetrics m = MeasuredAt(par, offset);
  return m.width == 0 && m.height != 0;
}

uint8_t TextLayout::WordFlagsAt(const Paragraph* par, int offset) const {
  const ParagraphBoxes* m = FindBoxes(par);
  if (!m || offset < 0) return 0;
  const auto off = static_cast<size_t>(offset);
  uint8_t flags = m->Flagged(off) ? kLayoutFlaggedWord : 0;
  if (std::binary_search(m->hyphens.begin(), m->hyphens.end(), static_cast<uint32_t>(off)))
    flags |= kLayoutHyphenation;
  return flags;
}

namespace {

// The switchable styles of a run, as its attribute sets them and a highlight overrides them.
struct StyleFlags {
  bool bold = false, italic = false, strike = false, underline = false, dbl = false, super = false,
       sub = false;

  static StyleFlags Of(const CharAttr& attr) {
    StyleFlags f;
    f.bold = attr.styleBits & kStyleBold;
    f.italic = attr.styleBits & kStyleItalic;
    f.strike = attr.styleBits & kStyleStrikeOut;
    f.underline = attr.styleBits & kStyleUnderline;
    f.dbl = attr.styleBits & kStyleDoubleUnderline;
    f.super = (attr.styleBits & kStyleSuperscript) || (attr.charFlags & kCharFootnote);
    f.sub = (attr.styleBits & kStyleSubscript) && !f.super;
    return f;
  }

  static void Set(ThreeState v, bool& field) {
    if (v == ThreeState::True)
      field = true;
    else if (v == ThreeState::False)
      field = false;
  }

  void Apply(const CharacterAttr& hl, bool is_link) {
    Set(hl.Bold(), bold);
    Set(hl.Italic(), italic);
    Set(hl.StrikeOut(), strike);
    if (is_link && hl.Underline() != ThreeState::Ignore) {
      // Double underline marks link text; the link highlight decides how it is underlined.
      dbl = false;
      underline = hl.Underline() == ThreeState::True;
    } else {
      Set(hl.Underline(), underline);
    }
    Set(hl.SuperScript(), super);
    Set(hl.SubScript(), sub);
    if (super && sub) sub = false;
  }
};

}  // namespace

const CharacterAttr* TextLayout::HighlightOf(const CharAttr& attr) const {
  if (attr.charFlags & kCharInsertPoint) return &doc_.insertPointAttr;
  if (attr.styleBits & kStyleDoubleUnderline) return &doc_.hyperlinkTextAttr;
  if (attr.charFlags & kCharAutomatic) return &doc_.automaticTextAttr;
  if (attr.charFlags & kCharProtected) return &doc_.protectedTextAttr;
  return nullptr;
}

RunStyle TextLayout::StyleFor(const CharAttr& attr, bool printing) const {
  RunStyle s;
  const CharacterAttr* hl = HighlightOf(attr);

  s.text = doc_.header.Color(attr.TextColor());
  if (hl && hl->UseTextColor()) s.text = hl->TextColor();
  if (attr.BackgroundColor() != 0) {
    s.background = doc_.header.Color(attr.BackgroundColor());
    s.hasBackground = true;
  } else {
    s.background = printing ? 0xFFFFFF : backgroundColor;
  }
  if (hl && hl->UseBackgroundColor()) {
    s.background = hl->BackgroundColor();
    s.hasBackground = true;
  }

  // A slot out of range or without a name falls back to the default font rather than failing
  // in the middle of painting.
  const size_t slot =
      attr.fontIndex < kFontSlots && !doc_.header.fonts[attr.fontIndex].name.empty() ? attr.fontIndex : 0;
  s.font.name = doc_.header.fonts[slot].name.empty() ? U"Arial" : doc_.header.fonts[slot].name;
  s.font.charSet = doc_.header.fonts[slot].charSet;

  StyleFlags f = StyleFlags::Of(attr);
  s.underlineColor = s.text;
  if (hl) {
    f.Apply(*hl, hl == &doc_.hyperlinkTextAttr);
    if (hl->UseUnderlineColor()) s.underlineColor = hl->UnderlineColor();
  }
  const bool super = f.super, sub = f.sub;
  s.font.bold = f.bold;
  s.font.italic = f.italic;
  s.font.strikeOut = f.strike;
  s.underline = f.underline;
  s.doubleUnderline = f.dbl;
  s.superscript = super;
  s.subscript = sub;
  s.mark = (attr.layoutFlags & kLayoutFlaggedWord) && !printing;  // a mark for the screen only
  s.caps = attr.moreFlags & kMoreAllCaps;
  s.smallCaps = (attr.moreFlags & kMoreSmallCaps) && !s.caps;

  int size = attr.EffectivePointSize();
  if ((super || sub) && size > 1) size = size * 2 / 3;
  size = static_cast<int>(static_cast<int64_t>(size) * zooming_ * resizing_ / 10000);
  size = std::max(size, 1);
  s.font.pointSize = size;
  s.font.pixelSize = std::max(1, (size * deviceYPpi_ + 36) / 72);
  return s;
}

CharMetrics TextLayout::MeasureChar(char32_t c, const CharAttr& attr) {
  const bool object = (c == kCharObjectByTag || c == kCharObjectByNumber) && (attr.charFlags & kCharObject);
  if (!cache_.Metrics() && !object)
    return {c == kCharTab ? doc_.tabWidth : doc_.defaultCharWidth, doc_.defaultLineHeight,
            doc_.defaultAscent};
  FontEntry* e = cache_.Entry(StyleFor(attr).font);
  CharMetrics m;
  m.height = static_cast<uint16_t>(std::clamp(e->metrics.height, 0, 0xFFFF));
  m.ascent = static_cast<uint16_t>(std::clamp(e->metrics.ascent, 0, 0xFFFF));
  if (c == kCharTab) {
    m.width = doc_.tabWidth;
  } else if (object) {
    m = ObjectMetrics(e, c, attr);
  } else if (attr.moreFlags & (kMoreAllCaps | kMoreSmallCaps)) {
    m.width = CapsWidth(e, c, attr);
  } else {
    m.width = cache_.Width(e, c);
  }
  return m;
}

CharMetrics TextLayout::ObjectMetrics(const FontEntry* e, char32_t c, const CharAttr& attr) const {
  const DocObject* o =
      c == kCharObjectByTag ? doc_.FindObjectByTag(attr.tagNumber) : doc_.FindObjectByNumber(attr.tagNumber);
  int w = 32, h = 32;
  if (o) {
    int64_t tw = o->width, th = o->height;
    if (tw <= 0 || th <= 0) {
      const int pw = o->graphic.PixelWidth(), ph = o->graphic.PixelHeight();
      if (tw <= 0) tw = pw > 0 ? int64_t{pw} * 1440 / 96 : int64_t{32} * 15;
      if (th <= 0) th = ph > 0 ? int64_t{ph} * 1440 / 96 : int64_t{32} * 15;
    }
    w = TwipsToPixels(tw, doc_.header.xPixelsPerInch);
    h = TwipsToPixels(th, doc_.header.yPixelsPerInch);
  }
  w = std::clamp(w, 1, 0x7FFF);
  h = std::clamp(h, 1, 0x7FFF);
  // The picture stands on the baseline, the font's descent below it.
  const int descent = std::max(0, e->metrics.height - e->metrics.ascent);
  return {static_cast<uint16_t>(w), static_cast<uint16_t>(std::min(0xFFFF, h + descent)),
          static_cast<uint16_t>(h)};
}

FontSpec SmallCapsFont(const FontSpec& font) {
  FontSpec small = font;
  small.pointSize = std::max(1, font.pointSize * 4 / 5);
  small.pixelSize = std::max(1, font.pixelSize * 4 / 5);
  return small;
}

uint16_t TextLayout::CapsWidth(FontEntry* entry, char32_t c, const CharAttr& attr) {
  const char32_t upper = UpperCaseLetter(c);
  if (upper != c && !(attr.moreFlags & kMoreAllCaps)) entry = cache_.Entry(SmallCapsFont(entry->font));
  return cache_.Width(entry, upper);
}

namespace {

// Appends the metrics of the character before `end` to a paragraph's height runs.
template <class Runs>
void AddHeight(Runs& runs, size_t end, const CharMetrics& m, bool hidden) {
  if (!runs.empty() && runs.back().height == m.height && runs.back().ascent == m.ascent &&
      runs.back().hidden == hidden) {
    runs.back().end = static_cast<uint32_t>(end);
    return;
  }
  runs.push_back({static_cast<uint32_t>(end), m.height, m.ascent, hidden});
}

bool IsObjectAnchor(char32_t c, const CharAttr& a) {
  return (c == kCharObjectByTag || c == kCharObjectByNumber) && (a.charFlags & kCharObject);
}

}  // namespace

void TextLayout::MeasureParagraph(Paragraph* par) {
  if (!par->HasAttributes()) return;
  ParagraphBoxes& m = EntryOf(par);
  // An empty paragraph is as high as the font its next character would take.
  if (par->CharCount() == 0) m.empty = MeasureChar(U' ', par->endAttr);
  const size_t n = par->Text().size();
  measureWidths_.resize(n);
  m.heights.clear();
  for (size_t i = 0; i < n;) i = MeasureRun(par, i, m);
  m.StoreWidths(std::span<const uint16_t>(measureWidths_.data(), n));
  m.heights.shrink_to_fit();
}

size_t TextLayout::MeasureRun(const Paragraph* par, size_t i, ParagraphBoxes& into) {
  const auto text = par->Text();
  const std::span<uint16_t> widths(measureWidths_.data(), text.size());
  const size_t end = par->SameRunEnd(i);
  const CharAttr first = par->AttrAt(i);
  const bool hidden = (first.charFlags & kCharHidden) != 0;
  // Capitals, and every character without a device, a character at a time.
  if (!cache_.Metrics() || (first.moreFlags & (kMoreAllCaps | kMoreSmallCaps))) {
    for (size_t k = i; k < end; ++k) {
      const CharMetrics cm = MeasureChar(text[k], IsObjectAnchor(text[k], first) ? par->AttrAt(k) : first);
      widths[k] = cm.width;
      AddHeight(into.heights, k + 1, cm, hidden);
    }
    return end;
  }
  FontEntry* e = cache_.Entry(StyleFor(first).font);
  const CharMetrics font{0, static_cast<uint16_t>(std::clamp(e->metrics.height, 0, 0xFFFF)),
                         static_cast<uint16_t>(std::clamp(e->metrics.ascent, 0, 0xFFFF))};
  const bool object = (first.charFlags & kCharObject) != 0;
  for (size_t k = i; k < end; ++k) {
    const char32_t c = text[k];
    if (c == kCharTab) {
      widths[k] = doc_.tabWidth;
    } else if (object && IsObjectAnchor(c, first)) {
      const CharMetrics cm = MeasureChar(c, par->AttrAt(k));
      widths[k] = cm.width;
      AddHeight(into.heights, k + 1, cm, hidden);
      continue;
    } else {
      widths[k] = c < 256 ? e->low[c] : cache_.Width(e, c);
    }
    AddHeight(into.heights, k + 1, font, hidden);
  }
  if (e->kerns) KernRun(e, text, object, widths, i, end);
  ShapeWords(e, text, object, widths, i, end);
  return end;
}

// Pairs of ordinary characters within one font's run move together as the font's kerning
// says; the change goes into the first one's width, so wrapping, caret and painting follow it.
void TextLayout::KernRun(FontEntry* e, std::span<const char32_t> text, bool object,
                         std::span<uint16_t> widths, size_t from, size_t to) {
  const auto kernable = [&](size_t k) {
    const char32_t c = text[k];
    return c >= 32 && c != kCharSoftHyphen && !object && !NeedsShaping(c);
  };
  for (size_t k = from; k + 1 < to; ++k) {
    const bool ascii = text[k] - 32U < 95U && text[k + 1] - 32U < 95U;  // always kernable
    if (!ascii && (!kernable(k) || !kernable(k + 1))) continue;
    const int kern = cache_.Kern(e, text[k], text[k + 1]);
    if (kern != 0) widths[k] = static_cast<uint16_t>(std::clamp(widths[k] + kern, 0, 0xFFFF));
  }
}

// --------------------------------------------------------------------------------------------
// Tabs

int TextLayout::TabOrigin(const Paragraph* par, int line) const {
  if (par->IsTableCell()) return 0;
  // Tab stops are measured from the left margin; x from the line's left indent.
  return LeftIndentPixels(par, line) - ((par->parFlags & kParContinuesRow) ? 0 : 1);
}

int TextLayout::NextTabPosition(const Paragraph* par, int line, int x, int index) const {
  return NextTabIn(par, x, index, TabOrigin(par, line));
}

int TextLayout::NextTabIn(const Paragraph* par, int x, int index, int origin, int* slot_out) const {
  if (slot_out) *slot_out = -1;
  if (par->tabMask != 0) {
    auto text = par->Text();
    const int n = static_cast<int>(text.size());
    // Right, centred and decimal stops must lie within the width the line wraps at. The right
    // indent is measured against the layout width (a window wider than the page adds the
    // difference to it), so the limit is too: against the text area, a wide window left no
    // room for any such stop.
    const int limit = par->IsTableCell()
                          ? EffectiveLayoutWidth() - RightIndentPixels(par) - LeftIndentPixels(par, 0)
                          : EffectiveLayoutWidth() - RightIndentPixels(par) - origin;
    for (int rank = 0; rank < kTabSlots; ++rank) {
      const int slot = doc_.header.tabOrder[static_cast<size_t>(rank)];
      const TabSlot& t = doc_.header.tabs[static_cast<size_t>(slot)];
      if (t.position == 0) break;  // free slots sort last
      if (!par->HasTab(slot)) continue;
      const int stop = t.pixelPosition - origin;
      if (stop <= x) continue;
      if (slot_out) *slot_out = slot;
      if (t.kind == kTabLeft || t.kind > kTabDecimal) return stop;
      if (stop > limit) return x;
      const int room = stop - x;
      const ParagraphBoxes* measured = FindBoxes(par);
      int sum = 0;
      for (int j = index + 1; j < n; ++j) {
        const char32_t c = text[static_cast<size_t>(j)];
        if (c == kCharTab || c == kCharLineBreak) break;
        if (t.kind == kTabDecimal && c == decimalSeparator) break;
        if (t.kind == kTabCenter && sum >= 2 * room) break;
        sum += CharWidthIn(measured, par, j);
      }
      if (t.kind == kTabCenter) return std::max(x, stop - sum / 2);
      return sum > room ? x : stop - sum;
    }
  }
  const int interval = DefaultTabInterval();
  const int abs = x + origin;
  return (FloorDiv(abs, interval) + 1) * interval - origin;
}

// --------------------------------------------------------------------------------------------
// Visible width and line height

int TextLayout::VisibleWidth(const Paragraph* par, int line) const {
  const TextLine& l = par->Line(line);
  auto text = par->Text();
  const ParagraphBoxes* measured = FindBoxes(par);
  int width = 0, pending = 0;
  for (int i = 0; i < l.length; ++i) {
    const int off = static_cast<int>(l.start) + i;
    const char32_t c = text[static_cast<size_t>(off)];
    const int w = CharWidthIn(measured, par, off);
    if (c == U' ' || c == kCharTab) {
      pending += w;
    } else if (c == kCharLineBreak) {
      pending = 0;
    } else {
      width += pending + w;
      pending = 0;
    }
  }
  return width;
}

bool TextLayout::LineHeight(Paragraph* par, int line) {
  std::vector<LineBox>& boxes = BoxesOf(par);
  return LineHeightOf(FindBoxes(par), par, line, boxes[static_cast<size_t>(line)]);
}

CharMetrics TextLayout::EmptyLineMetrics(const ParagraphBoxes* m, const Paragraph* par, int line) const {
  if (line > 0 && par->Line(line - 1).length > 0) {
    const TextLine& before = par->Line(line - 1);
    return MeasuredIn(m, par, before.start + before.length - 1u);
  }
  return m ? m->empty : CharMetrics{};
}

// The paragraph's line spacing on a line of height h and ascent asc: a multiple of the line, at
// least a height, or exactly one (negative); the room it adds or takes is shared above and below.
void TextLayout::ApplyLineSpacing(const Paragraph* par, int& h, int& asc) const {
  if (par->lineSpacingMultiple && par->lineSpacing > 0) {
    // In 240ths of the line: 360 is one and a half lines, 480 double.
    const int v = static_cast<int>(std::min<int64_t>(int64_t{h} * par->lineSpacing / 240, 0xFFFF));
    asc = std::max(0, asc + (v - h) / 2);
    h = v;
    return;
  }
  const int ls = par->lineSpacing != 0 ? PxY(par->lineSpacing) : 0;
  if (ls > h) {
    asc += (ls - h) / 2;
    h = ls;
  } else if (ls < 0) {
    const int v = -ls;
    asc = std::max(0, asc - (h - v) / 2);
    h = v;
  }
}

bool TextLayout::LineHeightOf(const ParagraphBoxes* m, const Paragraph* par, int line, LineBox& box) const {
  const TextLine& l = par->Line(line);
  const int old = box.height;
  int h = 0, asc = 0;
  // An empty line (or one of spaces only) is as high as its font, like any line: the empty
  // paragraph's end, or the line break before the line.
  auto take = [&](const CharMetrics& a) {
    h = a.height;
    asc = a.ascent;
  };
  if (!par->HasAttributes()) {
    h = defaultHeight_;
    asc = defaultAscent_;
  } else if (l.length == 0 && par->IsTableCell() && cellHeight >= 0) {
    h = cellHeight;
    asc = h * 7 / 8;
  } else if (l.length == 0) {
    take(EmptyLineMetrics(m, par, line));
  } else {
    TallestOnLine(m, par, l, h, asc);
    if (h < 1) take(MeasuredIn(m, par, l.start));
  }
  if (h < 1) {
    h = doc_.defaultLineHeight;
    asc = doc_.defaultAscent;
  }
  ApplyLineSpacing(par, h, asc);
  const int padding = VerticalPaddingTwips(par);
  if (line == 0) {
    const int before = PxY(par->spaceBefore + padding);
    h += before;
    asc += before;
  }
  if (line == par->LineCount() - 1) h += PxY(par->spaceAfter + padding);
  box.height = static_cast<uint16_t>(std::clamp(h, 0, 0xFFFF));
  box.ascent = static_cast<uint16_t>(std::clamp(asc, 0, 0xFFFF));
  return box.height != old;
}

void TextLayout::TallestOnLine(const ParagraphBoxes* m, const Paragraph* par, const TextLine& l, int& h,
                               int& asc) const {
  const auto text = par->Text();
  const size_t end = l.start + static_cast<size_t>(l.length);
  for (size_t i = l.start; i < end;) {
    // The heights a run at a time, past the measured ones a character at a time.
    const HeightRun* run = m && i < m->widths.size() ? m->HeightAt(i) : nullptr;
    const size_t stop = run ? std::min<size_t>(run->end, end) : i + 1;
    const bool hidden = run ? run->hidden : (par->AttrAt(i).charFlags & kCharHidden) != 0;
    const CharMetrics cm = run ? CharMetrics{0, run->height, run->ascent} : MeasuredIn(m, par, i);
    if (cm.height > h && !(hidden && !showHiddenText) &&
        std::any_of(text.begin() + static_cast<ptrdiff_t>(i), text.begin() + static_cast<ptrdiff_t>(stop),
                    [](char32_t c) { return c != U' '; })) {
      h = cm.height;
      asc = cm.ascent;
    }
    i = stop;
  }
}

// --------------------------------------------------------------------------------------------
// Wrapping

namespace {

// Characters of a word for onWord: letters and everything from 'A' on, and digits, so that
// "2nd" or "mp3" come as one word. An apostrophe joins the letters around it ("don't", "o’clock").
bool IsWordPart(char32_t c) { return c >= 65 || (c >= U'0' && c <= U'9'); }
bool IsApostrophe(char32_t c) { return c == U'\'' || c == U'\u2019'; }

}  // namespace

void TextLayout::RecheckWords(Paragraph* only) {
  if (only) {
    RunWordEvent(only);
    only->layoutDirty |= kDirtyPaint;
    return;
  }
  for (Paragraph* par = doc_.FirstParagraph(); par; par = par->next) {
    RunWordEvent(par);
    par->layoutDirty |= kDirtyPaint;
  }
}

void TextLayout::ClearWordMarks() {
  for (Paragraph* par = doc_.FirstParagraph(); par; par = par->next) {
    if (!par->HasAttributes()) continue;
    if (ParagraphBoxes* m = const_cast<ParagraphBoxes*>(FindBoxes(par)))
      std::vector<WordRange>().swap(m->flagged);
    par->layoutDirty |= kDirtyPaint;
  }
}

void TextLayout::RunWordEvent(Paragraph* par) {
  if (!onWord || !par->HasAttributes()) return;
  ParagraphBoxes& m = EntryOf(par);
  std::vector<WordRange> old_flagged;
  std::vector<uint32_t> old_hyphens;
  old_flagged.swap(m.flagged);
  old_hyphens.swap(m.hyphens);
  auto text = par->Text();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    if (!IsWordPart(text[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && (IsWordPart(text[j]) || (IsApostrophe(text[j]) && j + 1 < n && IsWordPart(text[j + 1]))))
      ++j;
    const size_t len = std::min<size_t>(j - i, 99);
    std::array<int, 8> offsets{};
    uint8_t flags = 1;
    onWord(*this, std::u32string_view(text.data() + i, len), offsets, flags);
    if (flags & 1)
      KeepWordMarks(old_flagged, old_hyphens, i, j, m);
    else
      MarkWord(offsets, flags, i, j, m);
    i = j;
  }
  m.flagged.shrink_to_fit();
  m.hyphens.shrink_to_fit();
}

void TextLayout::MarkWord(const std::array<int, 8>& offsets, uint8_t flags, size_t from, size_t to,
                          ParagraphBoxes& m) {
  if (flags & 2) m.flagged.push_back({static_cast<uint32_t>(from), static_cast<uint32_t>(to)});
  if (!(flags & 4)) return;
  // Ascending points inside the word; the walk stops at the first that does not ascend.
  size_t next = 0;
  for (size_t k = from; k < to; ++k) {
    const int rel = static_cast<int>(k - from);
    while (next < offsets.size() && offsets[next] < rel && (next == 0 || offsets[next] > offsets[next - 1]))
      ++next;
    if (next < offsets.size() && offsets[next] == rel && rel > 0) {
      m.hyphens.push_back(static_cast<uint32_t>(k));
      ++next;
    }
  }
}

void TextLayout::KeepWordMarks(const std::vector<WordRange>& old_flagged,
                               const std::vector<uint32_t>& old_hyphens, size_t from, size_t to,
                               ParagraphBoxes& m) {
  auto r = std::upper_bound(old_flagged.begin(), old_flagged.end(), from,
                            [](size_t off, const WordRange& w) { return off < w.end; });
  for (; r != old_flagged.end() && r->start < to; ++r) {
    const size_t a = std::max<size_t>(r->start, from), b = std::min<size_t>(r->end, to);
    if (a < b) m.flagged.push_back({static_cast<uint32_t>(a), static_cast<uint32_t>(b)});
  }
  auto h = std::lower_bound(old_hyphens.begin(), old_hyphens.end(), static_cast<uint32_t>(from));
  for (; h != old_hyphens.end() && *h < to; ++h) m.hyphens.push_back(*h);
}

bool TextLayout::ReformatParagraph(Paragraph* par, bool compare) {
  BoxesOf(par);
  return ReformatParagraphInto(par, EntryOf(par), compare);
}

namespace {

// Where a line being wrapped stands, and the last place it could break.
struct WrapScan {
  int x = 0, spaces = 0, spaceWidth = 0, lastTab = -1;
  int bp = -1, bpX = 0, bpSpaces = 0, bpSpaceWidth = 0, bpLastTab = -1;
  int bpOwnWidth = 0;  // of the space at the break point, which the line's width leaves out
  bool bpIsSpace = false;

  // A tab is a break point before it and starts the stretchable spaces afresh.
  void TakeTab(int idx, int tab_x) {
    bp = idx;
    bpX = x;
    bpSpaces = 0;
    bpSpaceWidth = 0;
    bpLastTab = idx;
    bpIsSpace = false;
    x = tab_x;
    spaces = 0;
    spaceWidth = 0;
    lastTab = idx;
  }
  // A soft hyphen is a break point after it, where the line then shows a hyphen of width `w`.
  void TakeSoftHyphen(int idx, int w) {
    bp = idx;
    bpX = x + w;
    bpSpaces = spaces;
    bpSpaceWidth = spaceWidth;
    bpLastTab = lastTab;
    bpIsSpace = false;
  }
  void TakeSpace(int idx, int w) {
    ++spaces;
    spaceWidth += w;
    bp = idx;
    bpX = x;
    bpSpaces = spaces;
    bpSpaceWidth = spaceWidth;
    bpLastTab = lastTab;
    bpOwnWidth = w;
    bpIsSpace = true;
    x += w;
  }
};

}  // namespace

void TextLayout::RememberCursorOffsets(const Paragraph* par) {
  // Tracked cursors (caret and selection ends) as offsets in the paragraph.
  auto offset_of = [par](const TextCursor& c) {
    if (c.par != par) return -1;
    const int line = std::clamp(c.line, 0, par->LineCount() - 1);
    const TextLine& l = par->Line(line);
    return static_cast<int>(l.start) + std::clamp(c.pos, 0, static_cast<int>(l.length));
  };
  cursorOffsets_.resize(tracked_.size());
  for (size_t k = 0; k < tracked_.size(); ++k) cursorOffsets_[k] = offset_of(*tracked_[k].cursor);
}

void TextLayout::FillWrapWidths(const ParagraphBoxes& m, const Paragraph* par) {
  const auto text = par->Text();
  const size_t n = text.size();
  wrapWidths_.resize(n);
  if (!par->HasAttributes()) {
    for (size_t i = 0; i < n; ++i)
      wrapWidths_[i] = static_cast<uint16_t>(CharWidthIn(&m, par, static_cast<int>(i)));
    return;
  }
  // A run of heights at a time: it tells whether its characters are hidden.
  size_t i = 0;
  for (const HeightRun& run : m.heights) {
    const bool shown = !run.hidden || showHiddenText;
    for (; i < run.end; ++i) {
      const char32_t c = text[i];
      wrapWidths_[i] = shown && c != kCharLineBreak && c != kCharSoftHyphen ? m.Width(i) : 0;
    }
  }
}

TextLayout::LineBreak TextLayout::BreakLine(const ParagraphBoxes& m, const Paragraph* par, int pos,
                                            int line) const {
  auto text = par->Text();
  const int n = static_cast<int>(text.size());
  const bool tabs_as_spaces = par->alignment == kAlignRight || par->alignment == kAlignCenter;
  const int avail = AvailableWidth(par, line);
  const int origin = TabOrigin(par, line);
  WrapScan s;
  bool full = false;
  int i = pos;
  for (; i < n; ++i) {
    const int idx = i - pos;
    if ((charsPerLineLimit > 0 && idx >= charsPerLineLimit) || idx >= kMaxWrappedLine) {
      full = true;
      break;
    }
    const char32_t c = text[static_cast<size_t>(i)];
    const int w = wrapWidths_[static_cast<size_t>(i)];
    if (c == kCharLineBreak) {
      ++i;
      break;
    }
    if (c == kCharTab && !tabs_as_spaces) {
      s.TakeTab(idx, NextTabIn(par, s.x, i, origin));
    } else if (IsSpace(c) || c == kCharTab) {
      s.TakeSpace(idx, w);
    } else if (c == kCharSoftHyphen) {
      const int hyphen = par->HasAttributes() ? m.Width(static_cast<size_t>(i)) : defaultWidths_['-'];
      if (s.x + hyphen < avail) s.TakeSoftHyphen(idx, hyphen);
    } else if (s.x + w >= avail && idx > 0) {
      full = true;
      break;
    } else {
      s.x += w;
    }
  }

  LineBreak b;
  b.length = i - pos;
  b.width = s.x;
  bool trailing_space = false;
  int trailing_width = 0;
  // Thai and its neighbours write no spaces between words: a line full inside such a run ends
  // at its last word boundary, when that comes after the last space.
  const int word_end = full ? DictionaryLineBreak(text, pos, i) : -1;
  if (word_end > pos && word_end - pos > (s.bp >= 2 ? s.bp + 1 : 0)) {
    b.length = word_end - pos;
    for (int k = word_end; k < i; ++k) b.width -= CharWidth(par, k);
  } else if (full && s.bp >= 2) {
    b.length = s.bp + 1;
    b.width = s.bpX;
    s.spaces = s.bpSpaces;
    s.spaceWidth = s.bpSpaceWidth;
    s.lastTab = s.bpLastTab;
    trailing_space = s.bpIsSpace;
    trailing_width = s.bpIsSpace ? s.bpOwnWidth : 0;
  } else if (full) {
    // At least one cluster (a letter with its marks, an emoji sequence) and never part of one.
    b.length = NextClusterBoundary(text, pos + std::max(i - pos, 1) - 1) - pos;
  }
  const bool last_line = pos + b.length >= n;
  const bool justify = par->alignment == kAlignJustify;
  if (justify && (!last_line || (par->parFlags & kParJustifyLastLine)) && s.spaces >= 2) {
    const int stretched = trailing_space ? s.spaces - 1 : s.spaces;
    // The slack counts the space that ends the line although it is not drawn: six pixels
    // short of the margin absorb it on screen, but at printer resolution (a space of 30
    // pixels) the line would run past the margin, so it never passes the available width.
    const int slack = std::max(
        0, std::min(s.spaceWidth + avail - b.width - 6, s.spaceWidth - trailing_width + avail - b.width));
    b.justified = true;
    b.lastTab = std::max(s.lastTab, 0);
    b.spaceWidth = slack / stretched;
    b.remainder = slack % stretched;
  }
  return b;
}

void TextLayout::BreakLines(const ParagraphBoxes& m, const Paragraph* par) {
  auto text = par->Text();
  const int n = static_cast<int>(text.size());
  breaks_.clear();
  int pos = 0, line = 0;
  do {
    const LineBreak b = BreakLine(m, par, pos, line);
    breaks_.push_back(b);
    pos += b.length;
    ++line;
  } while (pos < n);
  // A line break at the very end leaves an empty line after it for the caret.
  if (n > 0 && text[static_cast<size_t>(n - 1)] == kCharLineBreak) breaks_.push_back(LineBreak{});
}

void TextLayout::StoreLineBreaks(Paragraph* par, std::vector<LineBox>& boxes) {
  std::vector<int> lengths(breaks_.size());
  for (size_t k = 0; k < breaks_.size(); ++k) lengths[k] = breaks_[k].length;
  doc_.SetLineLengths(par, lengths);
  boxes.resize(static_cast<size_t>(par->LineCount()));
  for (size_t k = 0; k < breaks_.size(); ++k) {
    LineBox& l = boxes[k];
    const LineBreak& b = breaks_[k];
    l.flags = static_cast<uint8_t>(b.justified ? kLineJustified : 0);
    const uint16_t width = static_cast<uint16_t>(std::clamp(b.width, 0, 0xFFFF));
    l.values[kLvWidthOrLastTab] = b.justified ? static_cast<uint16_t>(b.lastTab) : width;
    l.values[kLvSpaceWidth] = static_cast<uint16_t>(std::clamp(b.spaceWidth, 0, 0xFFFF));
    l.values[kLvRemainder] = static_cast<uint16_t>(b.remainder);
    l.values[kLvWidth] = width;
  }
}

void TextLayout::PlaceCursors(Paragraph* par) {
  // Back to (line, index): a position between two lines stays at the end of the earlier one,
  // except the caret, which moves to the start of the following line.
  auto place = [par](TextCursor& c, int off, bool caret) {
    if (off < 0) return;
    const int count = par->LineCount();
    int lo = 0, hi = count - 1;
    while (lo < hi) {  // first line whose end reaches the offset
      const int mid = (lo + hi) / 2;
      const TextLine& l = par->Line(mid);
      if (static_cast<int>(l.start + l.length) >= off)
        hi = mid;
      else
        lo = mid + 1;
    }
    int line = lo;
    const TextLine& l = par->Line(line);
    if (caret && off == static_cast<int>(l.start + l.length) && line + 1 < count && l.length > 0) {
      c = TextCursor{par, line + 1, 0};
      return;
    }
    c = TextCursor{par, line, std::clamp(off - static_cast<int>(l.start), 0, static_cast<int>(l.length))};
  };
  for (size_t k = 0; k < tracked_.size(); ++k)
    place(*tracked_[k].cursor, cursorOffsets_[k], tracked_[k].isCaret);
}

bool TextLayout::ReformatParagraphInto(Paragraph* par, ParagraphBoxes& entry, bool compare) {
  std::vector<LineBox>& boxes = entry.lines;
  int old_sum = 0;
  for (const LineBox& box : boxes) old_sum += box.height;

  ++wraps_;
  RememberCursorOffsets(par);
  MeasureParagraph(par);
  RunWordEvent(par);
  FillWrapWidths(entry, par);
  BreakLines(entry, par);
  StoreLineBreaks(par, boxes);
  PlaceCursors(par);

  int sum = 0;
  for (int l = 0; l < par->LineCount(); ++l) {
    LineHeightOf(&entry, par, l, boxes[static_cast<size_t>(l)]);
    sum += boxes[static_cast<size_t>(l)].height;
  }
  par->layoutDirty = static_cast<uint8_t>((par->layoutDirty & ~kDirtyWrap) | kDirtyPaint);

  // Tops: everything below moves when the height changed, else only this paragraph.
  const bool changed = sum != old_sum;
  if (!inReformat_) UpdateTops(par, !changed);
  return compare ? changed : true;
}

const TextLayout::ParagraphBoxes* TextLayout::FindBoxes(const Paragraph* par) const {
  if (const auto it = index_.find(par); it != index_.end()) {
    const ParagraphBoxes& e = order_[it->second];
    if (e.par == par && e.paragraphId == par->Id()) {
      if (it->second >= lagFrom_) CatchUpTops(it->second);
      return &e;
    }
  }
  if (const auto it = extra_.find(par); it != extra_.end() && it->second.paragraphId == par->Id())
    return &it->second;
  return nullptr;
}

const LineBox& TextLayout::Box(const Paragraph* par, int line) const {
  static const LineBox kNotLaidOut;
  const ParagraphBoxes* e = FindBoxes(par);
  if (!e || line < 0 || static_cast<size_t>(line) >= e->lines.size()) return kNotLaidOut;
  return e->lines[static_cast<size_t>(line)];
}

int TextLayout::BottomOf(const Paragraph* par) const {
  const LineBox& l = Box(par, par->LineCount() - 1);
  return l.top + l.height;
}

TextLayout::ParagraphBoxes& TextLayout::EntryOf(const Paragraph* par) {
  ParagraphBoxes* e = const_cast<ParagraphBoxes*>(FindBoxes(par));
  if (!e) {
    e = &extra_[par];
    *e = ParagraphBoxes{};
    e->par = par;
    e->paragraphId = par->Id();
  }
  return *e;
}

std::vector<LineBox>& TextLayout::BoxesOf(const Paragraph* par) {
  ParagraphBoxes& e = EntryOf(par);
  e.lines.resize(static_cast<size_t>(par->LineCount()));
  return e.lines;
}

TextLayout::ParagraphBoxes& TextLayout::WalkBoxes(size_t index, const Paragraph* par) {
  if (index >= order_.size() || order_[index].par != par || order_[index].paragraphId != par->Id() ||
      !extra_.empty()) {
    RebuildOrder();
  }
  if (index >= lagFrom_) CatchUpTops(index);
  ParagraphBoxes& entry = order_[index];
  if (entry.lines.size() != static_cast<size_t>(par->LineCount()))
    entry.lines.resize(static_cast<size_t>(par->LineCount()));
  return entry;
}

void TextLayout::RebuildOrder() {
  CatchUpTops(order_.size());  // the indexes change
  std::vector<ParagraphBoxes> order;
  std::unordered_map<const Paragraph*, size_t> index;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    ParagraphBoxes e;
    if (ParagraphBoxes* old = const_cast<ParagraphBoxes*>(FindBoxes(p))) e = std::move(*old);
    e.par = p;
    e.paragraphId = p->Id();
    index.emplace(p, order.size());
    order.push_back(std::move(e));
  }
  order_.swap(order);
  index_.swap(index);
  extra_.clear();
}

namespace {

bool ContinuesRow(const Paragraph* p) {
  return p->IsTableCell() && (p->parFlags & kParContinuesRow) && p->prev && p->prev->IsTableCell();
}

}  // namespace

// Places paragraphs one below the other; the cells of a table row side by side, all from the
// row's top, with the row as tall as its tallest cell.
struct TopPlacer {
  explicit TopPlacer(TextLayout& layout) : layout(layout) {}
  TextLayout& layout;
  int y = 0;  // bottom of everything placed so far
  int rowTop = 0;
  bool inRow = false;
  void Place(Paragraph* p) { Place(p, layout.BoxesOf(p)); }
  void Place(const Paragraph* p, std::vector<LineBox>& boxes, bool placed_before = false) {
    int top = y;
    if (p->IsTableCell()) {
      if ((p->parFlags & kParContinuesRow) && inRow)
        top = rowTop;
      else
        rowTop = y;
      inRow = (p->parFlags & kParMoreCells) != 0;
    } else {
      inRow = false;
    }
    // A paragraph not wrapped again that starts where it did keeps the tops it was given.
    if (placed_before && !boxes.empty() && boxes.front().top == top) {
      y = std::max(y, boxes.back().top + boxes.back().height);
      return;
    }
    for (LineBox& box : boxes) {
      box.top = top;
      top += box.height;
    }
    y = std::max(y, top);
  }
};

void TextLayout::UpdateTops(Paragraph* from, bool only_row) {
  if (!from) return;
  // Start at the first cell of the row `from` belongs to, below everything before it.
  while (ContinuesRow(from)) from = from->prev;
  TopPlacer placer(*this);
  if (from->prev) {
    const Paragraph* q = from->prev;
    placer.y = BottomOf(q);
    while (ContinuesRow(q)) {
      q = q->prev;
      placer.y = std::max(placer.y, BottomOf(q));
    }
  }
  Paragraph* p = from;
  placer.Place(p);
  for (p = p->next; p && ContinuesRow(p); p = p->next) placer.Place(p);
  if (!p) {
    documentHeight_ = placer.y;
    return;
  }
  if (only_row) return;
  // Everything below moves by as much as the row's bottom moved: by a number kept for the
  // boxes in chain order (caught up as they are looked at), so that a key typed at the top of
  // a long entry costs no walk over the rest of it.
  if (MoveTopsBelow(p, placer.y)) return;
  // Paragraphs added since the last walk: placed one by one.
  CatchUpTops(order_.size());
  const auto at = extra_.empty() ? index_.find(p) : index_.end();
  size_t index = at != index_.end() ? at->second : order_.size();
  for (; p; p = p->next, ++index) {
    if (index >= order_.size() || order_[index].par != p || order_[index].paragraphId != p->Id()) {
      index = order_.size();
      placer.Place(p);
      continue;
    }
    std::vector<LineBox>& lines = order_[index].lines;
    if (lines.size() != static_cast<size_t>(p->LineCount()))
      lines.resize(static_cast<size_t>(p->LineCount()));
    placer.Place(p, lines);
  }
  documentHeight_ = placer.y;
}

bool TextLayout::Reformat() {
  if (inReformat_) return false;
  inReformat_ = true;
  bool changed = false;
  try {
    TopPlacer placer(*this);
    size_t paragraphs = 0;
    for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
      ParagraphBoxes& entry = WalkBoxes(paragraphs, p);
      const bool wrap = (p->layoutDirty & kDirtyWrap) != 0;
      if (wrap) changed |= ReformatParagraphInto(p, entry, true);
      placer.Place(p, entry.lines, !wrap);
      ++paragraphs;
    }
    // Boxes of paragraphs freed since the last walk are dropped.
    if (order_.size() != paragraphs) RebuildOrder();
    documentHeight_ = placer.y;
    heightsChanged_ |= changed;
  } catch (...) {
    inReformat_ = false;
    throw;
  }
  inReformat_ = false;
  return changed;
}

size_t TextLayout::AllocatedBytes() const {
  const auto bytes = [](const ParagraphBoxes& e) {
    return sizeof(e) + e.lines.capacity() * sizeof(LineBox) + e.widths.capacity() +
           e.wide.capacity() * sizeof(WideWidth) + e.heights.capacity() * sizeof(HeightRun) +
           e.flagged.capacity() * sizeof(WordRange) + e.hyphens.capacity() * sizeof(uint32_t);
  };
  size_t n = 0;
  for (const ParagraphBoxes& e : order_) n += bytes(e);
  for (const auto& [par, e] : extra_) n += bytes(e);
  return n;
}

void TextLayout::ReformatAll() {
  for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) p->MarkDirty();
  Reformat();
}

}  // namespace inkwend
