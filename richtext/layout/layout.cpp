// Geometry, wrapping, tab stops and line heights of the layout layer.
#include "richtext/layout/layout.h"

#include <algorithm>
#include <unordered_map>

namespace inkwend {

namespace {

// twips x ppi / 1440 with the 64-bit product divided toward zero.
int MulDiv1440(int64_t twips, int ppi) { return static_cast<int>(twips * ppi / 1440); }

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

bool IsSpace(char32_t c) { return c == U' '; }

// The longest line the model holds (capacity includes the terminator and some slack).
constexpr int kMaxWrappedLine = kMaxLineCapacity - 8;

}  // namespace

TextLayout::TextLayout(TWPRTFText& document) : doc_(document) {
  default_widths_.fill(doc_.DefaultCharWidth);
  ApplyResolution();
}

// --------------------------------------------------------------------------------------------
// Device, zoom, width

void TextLayout::ApplyResolution() {
  const int64_t scale = static_cast<int64_t>(zooming_) * resizing_;
  const int x = static_cast<int>(std::max<int64_t>(1, device_x_ppi_ * scale / 10000));
  const int y = static_cast<int>(std::max<int64_t>(1, device_y_ppi_ * scale / 10000));
  doc_.Header.SetResolution(x, y);
  if (cache_.Metrics()) {
    TCharAttr a = doc_.DefaultAttr;
    a.StyleBits = 0;
    a.CharFlags = 0;
    TFontEntry* e = cache_.Entry(StyleFor(a).Font);
    for (int i = 0; i < 256; ++i) default_widths_[static_cast<size_t>(i)] = e->Low[static_cast<size_t>(i)];
    default_widths_[kCharTab] = doc_.TabWidth;
  } else {
    default_widths_.fill(doc_.DefaultCharWidth);
    default_widths_[kCharTab] = doc_.TabWidth;
  }
}

void TextLayout::SetDevice(TTextMetrics* metrics, int x_ppi, int y_ppi) {
  x_ppi = std::max(x_ppi, 1);
  y_ppi = std::max(y_ppi, 1);
  if (metrics == cache_.Metrics() && x_ppi == device_x_ppi_ && y_ppi == device_y_ppi_) return;
  if (metrics != cache_.Metrics()) cache_.SetMetrics(metrics);
  device_x_ppi_ = x_ppi;
  device_y_ppi_ = y_ppi;
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
  if (on == word_wrap_) return;
  word_wrap_ = on;
  ReformatAll();
}

void TextLayout::SetWindowWidth(int pixels) {
  pixels = std::max(pixels, 0);
  if (pixels == window_width_) return;
  window_width_ = pixels;
  if (word_wrap_) ReformatAll();
}

void TextLayout::PageLayoutChanged() {
  doc_.Header.UpdateTextArea();
  ReformatAll();
}

int TextLayout::EffectiveLayoutWidth() const { return forced_width_ > 0 ? forced_width_ : LayoutWidth(); }

int TextLayout::DefaultTabInterval() const {
  const int ppi = doc_.Header.XPixelsPerInch;
  return std::max(1, doc_.Header.Units == TUnits::Inch ? ppi * 100 / 300 : ppi * 100 / 254);
}

int TextLayout::PxX(int64_t twips) const { return MulDiv1440(twips, doc_.Header.XPixelsPerInch); }
int TextLayout::PxY(int64_t twips) const { return MulDiv1440(twips, doc_.Header.YPixelsPerInch); }

void TextLayout::TrackCursor(TTextCursor* cursor, bool is_caret) { tracked_.push_back({cursor, is_caret}); }

// --------------------------------------------------------------------------------------------
// Indents

int TextLayout::BorderDistanceTwips(const TParagraph* par) const {
  const int mm = par->BorderColor >> 4;
  if (!par->HasBorder() || mm < 1) return 0;
  return mm * 567 / 10;
}

int TextLayout::CellLeftTwips(const TParagraph* par) const {
  const int64_t usable =
      static_cast<int64_t>(doc_.Header.TextWidthTwips()) - par->RightIndent - par->LeftIndent;
  return static_cast<int>(par->LeftIndent + usable * par->CellStart / 255);
}

int TextLayout::LeftIndentPixels(const TParagraph* par, int line) const {
  if (par->IsTableCell()) return PxX(CellLeftTwips(par) + BorderDistanceTwips(par)) + 1;
  const int64_t twips =
      static_cast<int64_t>(line == 0 ? par->FirstIndent : par->LeftIndent) + BorderDistanceTwips(par);
  return PxX(twips) + ((par->ParFlags & kParContinuesRow) ? 0 : 1);
}

int TextLayout::RightIndentPixels(const TParagraph* par) const {
  int right;
  if (par->IsTableCell()) {
    const int64_t usable =
        static_cast<int64_t>(doc_.Header.TextWidthTwips()) - par->RightIndent - par->LeftIndent;
    const int64_t right_edge = par->LeftIndent + usable * (par->CellStart + par->CellWidth) / 255;
    right = std::max(0, PxX(doc_.Header.TextWidthTwips() - right_edge + BorderDistanceTwips(par)));
  } else {
    right = PxX(static_cast<int64_t>(par->RightIndent) + BorderDistanceTwips(par));
  }
  // Measured against the page's text width, corrected to the layout width: a window wider
  // than the page still wraps at the page, a narrower one at the window. Cells too: their
  // left edges stand on the page, and a right edge measured from the window put every cell's
  // right border (and its wrap) off by the difference, drawing a three-column row as five.
  const int d = doc_.Header.TextAreaWidth - EffectiveLayoutWidth();
  if (d != 0) right = right - d > 0 ? right - d : 0;
  return right;
}

int TextLayout::AvailableWidth(const TParagraph* par, int line) const {
  const int w = EffectiveLayoutWidth() - RightIndentPixels(par) - LeftIndentPixels(par, line);
  return w <= 0 ? 16 : w;
}

// --------------------------------------------------------------------------------------------
// Character widths

int TextLayout::CharWidth(const TParagraph* par, int offset) const {
  const char32_t c = par->Text()[static_cast<size_t>(offset)];
  if (c == kCharLineBreak) return 0;
  if (par->HasAttributes()) {
    const TCharAttr& a = par->Attrs()[static_cast<size_t>(offset)];
    if ((a.CharFlags & kCharHidden) && !ShowHiddenText) return 0;
    return a.Width;
  }
  if (c == kCharTab) return doc_.TabWidth;
  return c < 256 ? default_widths_[c] : doc_.DefaultCharWidth;
}

namespace {

// The switchable styles of a run, as its attribute sets them and a highlight overrides them.
struct StyleFlags {
  bool bold = false, italic = false, strike = false, underline = false, dbl = false, super = false,
       sub = false;

  static StyleFlags Of(const TCharAttr& attr) {
    StyleFlags f;
    f.bold = attr.StyleBits & kStyleBold;
    f.italic = attr.StyleBits & kStyleItalic;
    f.strike = attr.StyleBits & kStyleStrikeOut;
    f.underline = attr.StyleBits & kStyleUnderline;
    f.dbl = attr.StyleBits & kStyleDoubleUnderline;
    f.super = (attr.StyleBits & kStyleSuperscript) || (attr.CharFlags & kCharFootnote);
    f.sub = (attr.StyleBits & kStyleSubscript) && !f.super;
    return f;
  }

  static void Set(TThreeState v, bool& field) {
    if (v == TThreeState::tsTRUE)
      field = true;
    else if (v == TThreeState::tsFALSE)
      field = false;
  }

  void Apply(const TCharacterAttr& hl, bool is_link) {
    Set(hl.Bold(), bold);
    Set(hl.Italic(), italic);
    Set(hl.StrikeOut(), strike);
    if (is_link && hl.Underline() != TThreeState::tsIgnore) {
      // Double underline marks link text; the link highlight decides how it is underlined.
      dbl = false;
      underline = hl.Underline() == TThreeState::tsTRUE;
    } else {
      Set(hl.Underline(), underline);
    }
    Set(hl.SuperScript(), super);
    Set(hl.SubScript(), sub);
    if (super && sub) sub = false;
  }
};

}  // namespace

const TCharacterAttr* TextLayout::HighlightOf(const TCharAttr& attr) const {
  if (attr.CharFlags & kCharInsertPoint) return &doc_.InsertPointAttr;
  if (attr.StyleBits & kStyleDoubleUnderline) return &doc_.HyperlinkTextAttr;
  if (attr.CharFlags & kCharAutomatic) return &doc_.AutomaticTextAttr;
  if (attr.CharFlags & kCharProtected) return &doc_.ProtectedTextAttr;
  return nullptr;
}

TRunStyle TextLayout::StyleFor(const TCharAttr& attr, bool printing) const {
  TRunStyle s;
  const TCharacterAttr* hl = HighlightOf(attr);

  s.Text = doc_.Header.Colors[attr.TextColor()];
  if (hl && hl->UseTextColor()) s.Text = hl->TextColor();
  if (attr.BackgroundColor() != 0) {
    s.Background = doc_.Header.Colors[attr.BackgroundColor()];
    s.HasBackground = true;
  } else {
    s.Background = printing ? 0xFFFFFF : BackgroundColor;
  }
  if (hl && hl->UseBackgroundColor()) {
    s.Background = hl->BackgroundColor();
    s.HasBackground = true;
  }

  // A slot out of range or without a name falls back to the default font rather than failing
  // in the middle of painting.
  const size_t slot =
      attr.FontIndex < kFontSlots && !doc_.Header.Fonts[attr.FontIndex].Name.empty() ? attr.FontIndex : 0;
  s.Font.Name = doc_.Header.Fonts[slot].Name.empty() ? U"Arial" : doc_.Header.Fonts[slot].Name;
  s.Font.CharSet = doc_.Header.Fonts[slot].CharSet;

  StyleFlags f = StyleFlags::Of(attr);
  s.UnderlineColor = s.Text;
  if (hl) {
    f.Apply(*hl, hl == &doc_.HyperlinkTextAttr);
    if (hl->UseUnderlineColor()) s.UnderlineColor = hl->UnderlineColor();
  }
  const bool super = f.super, sub = f.sub;
  s.Font.Bold = f.bold;
  s.Font.Italic = f.italic;
  s.Font.StrikeOut = f.strike;
  s.Underline = f.underline;
  s.DoubleUnderline = f.dbl;
  s.Superscript = super;
  s.Subscript = sub;
  s.Mark = attr.LayoutFlags & kLayoutFlaggedWord;

  int size = attr.EffectivePointSize();
  if ((super || sub) && size > 1) size = size * 2 / 3;
  size = static_cast<int>(static_cast<int64_t>(size) * zooming_ * resizing_ / 10000);
  size = std::max(size, 1);
  s.Font.PointSize = size;
  s.Font.PixelSize = std::max(1, (size * device_y_ppi_ + 36) / 72);
  return s;
}

void TextLayout::MeasureChar(char32_t c, TCharAttr& attr) {
  if (!cache_.Metrics()) {
    doc_.MeasureChar(c, attr);
    if ((c == kCharObjectByTag || c == kCharObjectByNumber) && (attr.CharFlags & kCharObject)) {
      // fall through to the object size below
    } else {
      return;
    }
  }
  TFontEntry* e = cache_.Entry(StyleFor(attr).Font);
  attr.Height = static_cast<uint16_t>(std::clamp(e->Metrics.Height, 0, 0xFFFF));
  attr.Ascent = static_cast<uint16_t>(std::clamp(e->Metrics.Ascent, 0, 0xFFFF));
  if (c == kCharTab) {
    attr.Width = doc_.TabWidth;
  } else if ((c == kCharObjectByTag || c == kCharObjectByNumber) && (attr.CharFlags & kCharObject)) {
    const TDocObject* o = c == kCharObjectByTag ? doc_.FindObjectByTag(attr.TagNumber)
                                                : doc_.FindObjectByNumber(attr.TagNumber);
    int w = 32, h = 32;
    if (o) {
      TDocObject copy_size;
      copy_size.Width = o->Width;
      copy_size.Height = o->Height;
      int64_t tw = o->Width, th = o->Height;
      if (tw <= 0 || th <= 0) {
        const int pw = o->Graphic.PixelWidth(), ph = o->Graphic.PixelHeight();
        if (tw <= 0) tw = pw > 0 ? int64_t{pw} * 1440 / 96 : int64_t{32} * 15;
        if (th <= 0) th = ph > 0 ? int64_t{ph} * 1440 / 96 : int64_t{32} * 15;
      }
      w = TwipsToPixels(tw, doc_.Header.XPixelsPerInch);
      h = TwipsToPixels(th, doc_.Header.YPixelsPerInch);
    }
    w = std::clamp(w, 1, 0x7FFF);
    h = std::clamp(h, 1, 0x7FFF);
    const int descent = std::max(0, e->Metrics.Height - e->Metrics.Ascent);
    attr.Width = static_cast<uint16_t>(w);
    attr.Ascent = static_cast<uint16_t>(h);
    attr.Height = static_cast<uint16_t>(std::min(0xFFFF, h + descent));
  } else {
    attr.Width = cache_.Width(e, c);
  }
}

void TextLayout::MeasureParagraph(TParagraph* par) {
  if (!par->HasAttributes()) return;
  auto text = par->Text();
  auto attrs = par->Attrs();
  const size_t n = text.size();
  if (!cache_.Metrics()) {
    for (size_t i = 0; i < n; ++i) MeasureChar(text[i], attrs[i]);
    return;
  }
  size_t i = 0;
  while (i < n) {
    TCharAttr& first = attrs[i];
    TFontEntry* e = cache_.Entry(StyleFor(first).Font);
    const uint16_t h = static_cast<uint16_t>(std::clamp(e->Metrics.Height, 0, 0xFFFF));
    const uint16_t asc = static_cast<uint16_t>(std::clamp(e->Metrics.Ascent, 0, 0xFFFF));
    size_t j = i;
    while (j < n && (j == i || attrs[j].SameRun(first))) {
      const char32_t c = text[j];
      TCharAttr& a = attrs[j];
      if (c == kCharTab) {
        a.Width = doc_.TabWidth;
        a.Height = h;
        a.Ascent = asc;
      } else if ((c == kCharObjectByTag || c == kCharObjectByNumber) && (a.CharFlags & kCharObject)) {
        MeasureChar(c, a);
      } else {
        a.Width = c < 256 ? e->Low[c] : cache_.Width(e, c);
        a.Height = h;
        a.Ascent = asc;
      }
      ++j;
    }
    i = j;
  }
}

// --------------------------------------------------------------------------------------------
// Tabs

int TextLayout::TabOrigin(const TParagraph* par, int line) const {
  if (par->IsTableCell()) return 0;
  // Tab stops are measured from the left margin; x from the line's left indent.
  return LeftIndentPixels(par, line) - ((par->ParFlags & kParContinuesRow) ? 0 : 1);
}

int TextLayout::NextTabPosition(const TParagraph* par, int line, int x, int index) const {
  return NextTabIn(par, x, index, TabOrigin(par, line));
}

int TextLayout::NextTabIn(const TParagraph* par, int x, int index, int origin) const {
  if (par->TabMask != 0) {
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
      const int slot = doc_.Header.TabOrder[static_cast<size_t>(rank)];
      const TTabSlot& t = doc_.Header.Tabs[static_cast<size_t>(slot)];
      if (t.Position == 0) break;  // free slots sort last
      if (!par->HasTab(slot)) continue;
      const int stop = t.PixelPosition - origin;
      if (stop <= x) continue;
      if (t.Kind == kTabLeft || t.Kind > kTabDecimal) return stop;
      if (stop > limit) return x;
      const int room = stop - x;
      int sum = 0;
      for (int j = index + 1; j < n; ++j) {
        const char32_t c = text[static_cast<size_t>(j)];
        if (c == kCharTab || c == kCharLineBreak) break;
        if (t.Kind == kTabDecimal && c == DecimalSeparator) break;
        if (t.Kind == kTabCenter && sum >= 2 * room) break;
        sum += CharWidth(par, j);
      }
      if (t.Kind == kTabCenter) return std::max(x, stop - sum / 2);
      return sum > room ? x : stop - sum;
    }
  }
  const int interval = DefaultTabInterval();
  const int abs = x + origin;
  return (FloorDiv(abs, interval) + 1) * interval - origin;
}

// --------------------------------------------------------------------------------------------
// Visible width and line height

int TextLayout::VisibleWidth(const TParagraph* par, int line) const {
  const TTextLine& l = par->Line(line);
  auto text = par->Text();
  int width = 0, pending = 0;
  for (int i = 0; i < l.Length; ++i) {
    const int off = static_cast<int>(l.Start) + i;
    const char32_t c = text[static_cast<size_t>(off)];
    const int w = CharWidth(par, off);
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

bool TextLayout::LineHeight(TParagraph* par, int line) {
  return LineHeightOf(par, line, BoxesOf(par)[static_cast<size_t>(line)]);
}

bool TextLayout::LineHeightOf(const TParagraph* par, int line, LineBox& box) const {
  const TTextLine& l = par->Line(line);
  const int old = box.height;
  int h = 0, asc = 0;
  if (!par->HasAttributes()) {
    h = doc_.DefaultLineHeight;
    asc = doc_.DefaultAscent;
  } else if (l.Length == 0) {
    if (par->IsTableCell()) {
      h = CellHeight < 0 ? 16 : CellHeight;
      asc = h * 7 / 8;
    }
  } else {
    auto text = par->LineText(line);
    auto attrs = par->LineAttrs(line);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == U' ') continue;
      if ((attrs[i].CharFlags & kCharHidden) && !ShowHiddenText) continue;
      if (attrs[i].Height > h) {
        h = attrs[i].Height;
        asc = attrs[i].Ascent;
      }
    }
  }
  if (h < 1) {
    h = doc_.DefaultLineHeight;
    asc = doc_.DefaultAscent;
  }
  if (par->LineSpacing != 0) {
    const int ls = PxY(par->LineSpacing);
    if (ls > 0) {
      if (ls > h) {
        asc += (ls - h) / 2;
        h = ls;
      }
    } else if (ls < 0) {
      const int v = -ls;
      asc = std::max(0, asc - (h - v) / 2);
      h = v;
    }
  }
  if (line == 0) {
    const int before = PxY(par->SpaceBefore);
    h += before;
    asc += before;
  }
  if (line == par->LineCount() - 1) h += PxY(par->SpaceAfter);
  box.height = static_cast<uint16_t>(std::clamp(h, 0, 0xFFFF));
  box.ascent = static_cast<uint16_t>(std::clamp(asc, 0, 0xFFFF));
  return box.height != old;
}

// --------------------------------------------------------------------------------------------
// Wrapping

void TextLayout::RunWordEvent(TParagraph* par) {
  if (!OnWord || !par->HasAttributes()) return;
  auto text = par->Text();
  auto attrs = par->Attrs();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    if (text[i] < 65) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && text[j] >= 65) ++j;
    const size_t len = std::min<size_t>(j - i, 99);
    std::array<int, 8> offsets{};
    uint8_t flags = 1;
    OnWord(*this, std::u32string_view(text.data() + i, len), offsets, flags);
    if (!(flags & 1)) {
      size_t next = 0;
      for (size_t k = i; k < j; ++k) {
        TCharAttr& a = attrs[k];
        a.LayoutFlags = static_cast<uint8_t>((a.LayoutFlags | kLayoutWordSeen) & ~kLayoutHyphenation);
        if (flags & 2)
          a.LayoutFlags |= kLayoutFlaggedWord;
        else
          a.LayoutFlags &= static_cast<uint8_t>(~kLayoutFlaggedWord);
        if (flags & 4) {
          const int rel = static_cast<int>(k - i);
          while (next < offsets.size() && offsets[next] < rel &&
                 (next == 0 || offsets[next] > offsets[next - 1]))
            ++next;
          if (next < offsets.size() && offsets[next] == rel && rel > 0) {
            a.LayoutFlags |= kLayoutHyphenation;
            ++next;
          }
        }
      }
    }
    i = j;
  }
}

bool TextLayout::ReformatParagraph(TParagraph* par, bool compare) {
  return ReformatParagraphInto(par, BoxesOf(par), compare);
}

namespace {

// Where a line being wrapped stands, and the last place it could break.
struct WrapScan {
  int x = 0, spaces = 0, spaceWidth = 0, lastTab = -1;
  int bp = -1, bpX = 0, bpSpaces = 0, bpSpaceWidth = 0, bpLastTab = -1;
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
  void TakeSpace(int idx, int w) {
    ++spaces;
    spaceWidth += w;
    bp = idx;
    bpX = x;
    bpSpaces = spaces;
    bpSpaceWidth = spaceWidth;
    bpLastTab = lastTab;
    bpIsSpace = true;
    x += w;
  }
};

}  // namespace

void TextLayout::RememberCursorOffsets(const TParagraph* par) {
  // Tracked cursors (caret and selection ends) as offsets in the paragraph.
  auto offset_of = [par](const TTextCursor& c) {
    if (c.Par != par) return -1;
    const int line = std::clamp(c.Line, 0, par->LineCount() - 1);
    const TTextLine& l = par->Line(line);
    return static_cast<int>(l.Start) + std::clamp(c.Pos, 0, static_cast<int>(l.Length));
  };
  cursor_offsets_.resize(tracked_.size());
  for (size_t k = 0; k < tracked_.size(); ++k) cursor_offsets_[k] = offset_of(*tracked_[k].cursor);
}

TextLayout::TLineBreak TextLayout::BreakLine(const TParagraph* par, int pos, int line) const {
  auto text = par->Text();
  const int n = static_cast<int>(text.size());
  const bool tabs_as_spaces = par->Alignment == kAlignRight || par->Alignment == kAlignCenter;
  const int avail = AvailableWidth(par, line);
  const int origin = TabOrigin(par, line);
  WrapScan s;
  bool full = false;
  int i = pos;
  for (; i < n; ++i) {
    const int idx = i - pos;
    if ((CharsPerLineLimit > 0 && idx >= CharsPerLineLimit) || idx >= kMaxWrappedLine) {
      full = true;
      break;
    }
    const char32_t c = text[static_cast<size_t>(i)];
    const int w = CharWidth(par, i);
    if (c == kCharLineBreak) {
      ++i;
      break;
    }
    if (c == kCharTab && !tabs_as_spaces) {
      s.TakeTab(idx, NextTabIn(par, s.x, i, origin));
    } else if (IsSpace(c) || c == kCharTab) {
      s.TakeSpace(idx, w);
    } else if (s.x + w >= avail && idx > 0) {
      full = true;
      break;
    } else {
      s.x += w;
    }
  }

  TLineBreak b;
  b.Length = i - pos;
  b.Width = s.x;
  bool trailing_space = false;
  if (full && s.bp >= 2) {
    b.Length = s.bp + 1;
    b.Width = s.bpX;
    s.spaces = s.bpSpaces;
    s.spaceWidth = s.bpSpaceWidth;
    s.lastTab = s.bpLastTab;
    trailing_space = s.bpIsSpace;
  } else if (full) {
    b.Length = std::max(i - pos, 1);
  }
  const bool last_line = pos + b.Length >= n;
  const bool justify = par->Alignment == kAlignJustify;
  if (justify && (!last_line || (par->ParFlags & kParJustifyLastLine)) && s.spaces >= 2) {
    const int stretched = trailing_space ? s.spaces - 1 : s.spaces;
    const int slack = std::max(0, s.spaceWidth + avail - b.Width - 6);
    b.Justified = true;
    b.LastTab = std::max(s.lastTab, 0);
    b.SpaceWidth = slack / stretched;
    b.Remainder = slack % stretched;
  }
  return b;
}

void TextLayout::BreakLines(const TParagraph* par) {
  auto text = par->Text();
  const int n = static_cast<int>(text.size());
  breaks_.clear();
  int pos = 0, line = 0;
  do {
    const TLineBreak b = BreakLine(par, pos, line);
    breaks_.push_back(b);
    pos += b.Length;
    ++line;
  } while (pos < n);
  // A line break at the very end leaves an empty line after it for the caret.
  if (n > 0 && text[static_cast<size_t>(n - 1)] == kCharLineBreak) breaks_.push_back(TLineBreak{});
}

void TextLayout::StoreLineBreaks(TParagraph* par, std::vector<LineBox>& boxes) {
  std::vector<int> lengths(breaks_.size());
  for (size_t k = 0; k < breaks_.size(); ++k) lengths[k] = breaks_[k].Length;
  doc_.SetLineLengths(par, lengths);
  boxes.resize(static_cast<size_t>(par->LineCount()));
  for (size_t k = 0; k < breaks_.size(); ++k) {
    LineBox& l = boxes[k];
    const TLineBreak& b = breaks_[k];
    l.flags = static_cast<uint8_t>(b.Justified ? kLineJustified : 0);
    const uint16_t width = static_cast<uint16_t>(std::clamp(b.Width, 0, 0xFFFF));
    l.values[kLvWidthOrLastTab] = b.Justified ? static_cast<uint16_t>(b.LastTab) : width;
    l.values[kLvSpaceWidth] = static_cast<uint16_t>(std::clamp(b.SpaceWidth, 0, 0xFFFF));
    l.values[kLvRemainder] = static_cast<uint16_t>(b.Remainder);
    l.values[kLvWidth] = width;
  }
}

void TextLayout::PlaceCursors(TParagraph* par) {
  // Back to (line, index): a position between two lines stays at the end of the earlier one,
  // except the caret, which moves to the start of the following line.
  auto place = [par](TTextCursor& c, int off, bool caret) {
    if (off < 0) return;
    const int count = par->LineCount();
    int lo = 0, hi = count - 1;
    while (lo < hi) {  // first line whose end reaches the offset
      const int mid = (lo + hi) / 2;
      const TTextLine& l = par->Line(mid);
      if (static_cast<int>(l.Start + l.Length) >= off)
        hi = mid;
      else
        lo = mid + 1;
    }
    int line = lo;
    const TTextLine& l = par->Line(line);
    if (caret && off == static_cast<int>(l.Start + l.Length) && line + 1 < count && l.Length > 0) {
      c = TTextCursor{par, line + 1, 0};
      return;
    }
    c = TTextCursor{par, line, std::clamp(off - static_cast<int>(l.Start), 0, static_cast<int>(l.Length))};
  };
  for (size_t k = 0; k < tracked_.size(); ++k)
    place(*tracked_[k].cursor, cursor_offsets_[k], tracked_[k].isCaret);
}

bool TextLayout::ReformatParagraphInto(TParagraph* par, std::vector<LineBox>& boxes, bool compare) {
  int old_sum = 0;
  for (const LineBox& box : boxes) old_sum += box.height;

  RememberCursorOffsets(par);
  MeasureParagraph(par);
  RunWordEvent(par);
  BreakLines(par);
  StoreLineBreaks(par, boxes);
  PlaceCursors(par);

  int sum = 0;
  for (int l = 0; l < par->LineCount(); ++l) {
    LineHeightOf(par, l, boxes[static_cast<size_t>(l)]);
    sum += boxes[static_cast<size_t>(l)].height;
  }
  par->LayoutDirty = static_cast<uint8_t>((par->LayoutDirty & ~kDirtyWrap) | kDirtyPaint);

  // Tops: everything below moves when the height changed, else only this paragraph.
  const bool changed = sum != old_sum;
  if (!in_reformat_) UpdateTops(par, !changed);
  return compare ? changed : true;
}

const TextLayout::ParagraphBoxes* TextLayout::FindBoxes(const TParagraph* par) const {
  if (const auto it = index_.find(par); it != index_.end()) {
    const ParagraphBoxes& e = order_[it->second];
    if (e.par == par && e.paragraphId == par->Id()) return &e;
  }
  if (const auto it = extra_.find(par); it != extra_.end() && it->second.paragraphId == par->Id())
    return &it->second;
  return nullptr;
}

const LineBox& TextLayout::Box(const TParagraph* par, int line) const {
  static const LineBox kNotLaidOut;
  const ParagraphBoxes* e = FindBoxes(par);
  if (!e || line < 0 || static_cast<size_t>(line) >= e->lines.size()) return kNotLaidOut;
  return e->lines[static_cast<size_t>(line)];
}

int TextLayout::BottomOf(const TParagraph* par) const {
  const LineBox& l = Box(par, par->LineCount() - 1);
  return l.top + l.height;
}

std::vector<LineBox>& TextLayout::BoxesOf(const TParagraph* par) {
  ParagraphBoxes* e = const_cast<ParagraphBoxes*>(FindBoxes(par));
  if (!e) {
    e = &extra_[par];
    *e = ParagraphBoxes{par, par->Id(), {}};
  }
  e->lines.resize(static_cast<size_t>(par->LineCount()));
  return e->lines;
}

std::vector<LineBox>& TextLayout::WalkBoxes(size_t index, const TParagraph* par) {
  if (index >= order_.size() || order_[index].par != par || order_[index].paragraphId != par->Id() ||
      !extra_.empty()) {
    RebuildOrder();
  }
  std::vector<LineBox>& lines = order_[index].lines;
  if (lines.size() != static_cast<size_t>(par->LineCount()))
    lines.resize(static_cast<size_t>(par->LineCount()));
  return lines;
}

void TextLayout::RebuildOrder() {
  std::vector<ParagraphBoxes> order;
  std::unordered_map<const TParagraph*, size_t> index;
  for (const TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
    ParagraphBoxes e{p, p->Id(), {}};
    if (ParagraphBoxes* old = const_cast<ParagraphBoxes*>(FindBoxes(p))) e.lines = std::move(old->lines);
    index.emplace(p, order.size());
    order.push_back(std::move(e));
  }
  order_.swap(order);
  index_.swap(index);
  extra_.clear();
}

namespace {

bool ContinuesRow(const TParagraph* p) {
  return p->IsTableCell() && (p->ParFlags & kParContinuesRow) && p->Prev && p->Prev->IsTableCell();
}

}  // namespace

// Places paragraphs one below the other; the cells of a table row side by side, all from the
// row's top, with the row as tall as its tallest cell.
struct TopPlacer {
  explicit TopPlacer(TextLayout& layout) : layout_(layout) {}
  TextLayout& layout_;
  int y = 0;  // bottom of everything placed so far
  int row_top = 0;
  bool in_row = false;
  void Place(TParagraph* p) { Place(p, layout_.BoxesOf(p)); }
  void Place(const TParagraph* p, std::vector<LineBox>& boxes) {
    int top = y;
    if (p->IsTableCell()) {
      if ((p->ParFlags & kParContinuesRow) && in_row)
        top = row_top;
      else
        row_top = y;
      in_row = (p->ParFlags & kParMoreCells) != 0;
    } else {
      in_row = false;
    }
    for (LineBox& box : boxes) {
      box.top = top;
      top += box.height;
    }
    y = std::max(y, top);
  }
};

void TextLayout::UpdateTops(TParagraph* from, bool only_row) {
  if (!from) return;
  // Start at the first cell of the row `from` belongs to, below everything before it.
  while (ContinuesRow(from)) from = from->Prev;
  TopPlacer placer(*this);
  if (from->Prev) {
    const TParagraph* q = from->Prev;
    placer.y = BottomOf(q);
    while (ContinuesRow(q)) {
      q = q->Prev;
      placer.y = std::max(placer.y, BottomOf(q));
    }
  }
  TParagraph* p = from;
  placer.Place(p);
  for (p = p->Next; p && (!only_row || ContinuesRow(p)); p = p->Next) placer.Place(p);
  if (!p) document_height_ = placer.y;
}

bool TextLayout::Reformat() {
  if (in_reformat_) return false;
  in_reformat_ = true;
  bool changed = false;
  try {
    TopPlacer placer(*this);
    size_t paragraphs = 0;
    for (TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
      std::vector<LineBox>& boxes = WalkBoxes(paragraphs, p);
      if (p->LayoutDirty & kDirtyWrap) changed |= ReformatParagraphInto(p, boxes, true);
      placer.Place(p, boxes);
      ++paragraphs;
    }
    // Boxes of paragraphs freed since the last walk are dropped.
    if (order_.size() != paragraphs) RebuildOrder();
    document_height_ = placer.y;
    heights_changed_ |= changed;
  } catch (...) {
    in_reformat_ = false;
    throw;
  }
  in_reformat_ = false;
  return changed;
}

void TextLayout::ReformatAll() {
  for (TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) p->MarkDirty();
  Reformat();
}

}  // namespace inkwend
