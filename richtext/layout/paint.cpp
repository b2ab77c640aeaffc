// Painting of lines, objects and borders onto a TCanvas.
#include <algorithm>
#include <cstdint>

#include "richtext/layout/layout.h"
#include "richtext/layout/metafile.h"

namespace inkwend {

namespace {

constexpr int kMaxRun = 100;

TColorRef Blend(TColorRef a, TColorRef b, int percent_b) {
  auto mix = [&](int shift) {
    const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    return static_cast<TColorRef>((ca * (100 - percent_b) + cb * percent_b) / 100) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

}  // namespace

void TextLayout::SelectionFor(const TParagraph* par, int& from, int& to) const {
  from = to = 0;
  if (!sel_begin_par_ || printing_) return;
  const bool begins = par == sel_begin_par_, ends = par == sel_end_par_;
  if (begins && ends) {
    from = sel_begin_off_;
    to = sel_end_off_;
  } else if (begins) {
    from = sel_begin_off_;
    to = par->CharCount() + 1;
  } else if (ends) {
    from = 0;
    to = sel_end_off_;
  } else if (sel_inside_) {
    from = 0;
    to = par->CharCount() + 1;
  }
}

TDocObject* TextLayout::ObjectAt(int x, int y) const {
  for (const THitObject& h : hit_objects_) {
    if (h.Rect.Contains(x, y)) return h.Object;
  }
  return nullptr;
}

TRect TextLayout::InvalidRect(int view_width, int view_height, int scroll_y) {
  Reformat();
  int top = INT32_MAX, bottom = INT32_MIN;
  for (const TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
    if (!(p->LayoutDirty & kDirtyPaint)) continue;
    top = std::min(top, Box(p, 0).top);
    bottom = std::max(bottom, BottomOf(p));
  }
  if (top == INT32_MAX) return {};
  TRect r{0, top - scroll_y, view_width, heights_changed_ ? view_height : bottom - scroll_y};
  r.Top = std::clamp(r.Top, 0, view_height);
  r.Bottom = std::clamp(r.Bottom, 0, view_height);
  return r.Empty() ? TRect{} : r;
}

void TextLayout::BeginSelection(const PaintContext& context) {
  sel_begin_par_ = sel_end_par_ = nullptr;
  sel_inside_ = false;
  const TTextCursor& start = context.selStart;
  const TTextCursor& end = context.selEnd;
  if (!start.Par || !end.Par || start == end) return;
  auto off = [](const TTextCursor& c) {
    const int line = std::clamp(c.Line, 0, c.Par->LineCount() - 1);
    return static_cast<int>(c.Par->Line(line).Start) +
           std::clamp(c.Pos, 0, static_cast<int>(c.Par->Line(line).Length));
  };
  const TParagraph* a = start.Par;
  const TParagraph* b = end.Par;
  int oa = off(start), ob = off(end);
  bool a_first = true;
  if (a == b) {
    a_first = oa <= ob;
  } else {
    for (const TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
      if (p == a) break;
      if (p == b) {
        a_first = false;
        break;
      }
    }
  }
  if (!a_first) {
    std::swap(a, b);
    std::swap(oa, ob);
  }
  sel_begin_par_ = a;
  sel_begin_off_ = oa;
  sel_end_par_ = b;
  sel_end_off_ = ob;
}

TRect TextLayout::Paint(const PaintContext& context) {
  Reformat();
  heights_changed_ = false;
  hit_objects_.clear();
  TCanvas& canvas = context.canvas;
  const TRect& clip = context.clip;
  canvas.FillRect(clip, BackgroundColor);
  BeginSelection(context);
  const int origin_x = -context.scrollX;
  const int scroll_y = context.scrollY;
  size_t index = 0;
  for (TParagraph* p = doc_.FirstParagraph(); p; p = p->Next, ++index) {
    if (p == sel_begin_par_) sel_inside_ = true;
    const std::vector<LineBox>& boxes = WalkBoxes(index, p);
    const LineBox& last = boxes.back();
    if (last.top + last.height - scroll_y > clip.Top) {
      if (boxes.front().top - scroll_y >= clip.Bottom) break;
      for (int l = 0; l < p->LineCount(); ++l) {
        const LineBox& tl = boxes[static_cast<size_t>(l)];
        const int y = tl.top - scroll_y;
        if (y + tl.height <= clip.Top) continue;
        if (y >= clip.Bottom) break;
        PaintLine(canvas, p, l, origin_x, y, false);
      }
    }
    if (p == sel_end_par_) sel_inside_ = false;
    p->LayoutDirty &= static_cast<uint8_t>(~kDirtyPaint);
  }
  return PaintCaret(context);
}

TRect TextLayout::PaintCaret(const PaintContext& context) {
  if (!context.showCaret || !context.caret.Par) return {};
  const TRect r = CaretRect(context.caret);
  const int dx = context.scrollX, dy = context.scrollY;
  const TRect view{r.Left - dx, r.Top - dy, r.Right - dx, r.Bottom - dy};
  context.canvas.FillRect(view, context.caretColor);
  return view;
}

TRect TextLayout::PaintFromParagraph(const PaintContext& context, TParagraph* from) {
  TCanvas& canvas = context.canvas;
  const TRect& clip = context.clip;
  canvas.FillRect(clip, BackgroundColor);
  sel_begin_par_ = sel_end_par_ = nullptr;
  sel_inside_ = false;
  bool done = false;
  for (TParagraph* p = from; p && !done; p = p->Next) {
    for (int l = 0; l < p->LineCount(); ++l) {
      const LineBox& tl = Box(p, l);
      const int y = tl.top - context.scrollY;
      if (y + tl.height <= clip.Top) continue;
      if (y >= clip.Bottom) {
        done = true;
        break;
      }
      PaintLine(canvas, p, l, -context.scrollX, y, false);
    }
  }
  return PaintCaret(context);
}

// What every run of one line shares while it is painted.
struct TextLayout::LinePaint {
  TParagraph* par = nullptr;
  const TTextLine* line = nullptr;
  std::span<const char32_t> text;
  bool hasAttrs = false;
  TCharAttr defaultAttr;
  int selFrom = 0, selTo = 0;
  int top = 0, height = 0, spaceBefore = 0, spaceAfter = 0, baseline = 0, textHeight = 0;
  bool shaded = false;
  TColorRef shade = 0;
  bool tabsAsSpaces = false;
  int tabOrigin = 0;
  TLineStretch* stretch = nullptr;

  const TCharAttr& AttrAt(int offset) const {
    return hasAttrs ? par->Attrs()[static_cast<size_t>(offset)] : defaultAttr;
  }
  bool Selected(int offset) const { return offset >= selFrom && offset < selTo; }
  // Whether the character at `offset` can join the run (it is not its first).
  bool Continues(const LineRun& run, int offset) const;
  // The width the character at line index `j` takes, a tab reaching to its stop.
  int Advance(const TextLayout& layout, int j, char32_t c, int rel_x) const {
    const int off = static_cast<int>(line->Start) + j;
    int adv = 0;
    if (c == kCharTab && !tabsAsSpaces) return layout.NextTabIn(par, rel_x, off, tabOrigin) - rel_x;
    if (!stretch->Widens(j, c, adv)) adv = layout.CharWidth(par, off);
    return adv;
  }
};

// Characters of one line painted in one go: same attributes, same selection state, no tab,
// object or insert point inside (those stand alone).
struct TextLayout::LineRun {
  int offset = 0;  // paragraph offset of the first character
  char32_t first = 0;
  const TCharAttr* attr = nullptr;
  bool selected = false;
  std::vector<char32_t> text;
  std::vector<int> advances;
  int width = 0;
  bool endsLine = false;

  bool IsObject() const {
    return (first == kCharObjectByTag || first == kCharObjectByNumber) && (attr->CharFlags & kCharObject);
  }
};

bool TextLayout::LinePaint::Continues(const LineRun& run, int offset) const {
  if (run.text.size() >= kMaxRun) return false;
  const TCharAttr& a = AttrAt(offset);
  if (!a.SameRun(*run.attr) || (a.CharFlags & (kCharInsertPoint | kCharObject))) return false;
  return Selected(offset) == run.selected;
}

int TextLayout::AlignmentShift(const TParagraph* par, int line, int left, int right) const {
  if (par->Alignment != kAlignRight && par->Alignment != kAlignCenter) return 0;
  const int d = EffectiveLayoutWidth() - left - right - VisibleWidth(par, line);
  if (par->Alignment == kAlignRight) return std::max(d, 0);
  return d > 1 ? d / 2 : 0;
}

int TextLayout::GatherRun(const LinePaint& lp, int first, int& rel_x, LineRun& run) const {
  const TTextLine& l = *lp.line;
  run.offset = static_cast<int>(l.Start) + first;
  run.attr = &lp.AttrAt(run.offset);
  run.selected = lp.Selected(run.offset);
  run.first = lp.text[static_cast<size_t>(run.offset)];
  const bool single = run.first == kCharTab || run.IsObject() || (run.attr->CharFlags & kCharInsertPoint);
  run.text.clear();
  run.advances.clear();
  run.width = 0;
  int j = first;
  for (; j < l.Length; ++j) {
    const int off = static_cast<int>(l.Start) + j;
    const char32_t c = lp.text[static_cast<size_t>(off)];
    if (j > first) {
      if (single || c == kCharTab || !lp.Continues(run, off)) break;
    }
    const int adv = lp.Advance(*this, j, c, rel_x);
    const bool hidden = lp.hasAttrs && (lp.AttrAt(off).CharFlags & kCharHidden) && !ShowHiddenText;
    run.text.push_back(hidden || c < 32 ? U' ' : c);
    run.advances.push_back(hidden ? 0 : adv);
    run.width += hidden ? 0 : adv;
    rel_x += hidden ? 0 : adv;
  }
  run.endsLine = j >= l.Length;
  return j;
}

void TextLayout::PaintRunLines(TCanvas& canvas, const LineRun& run, const TRunStyle& st, int x, int base,
                               int pen_w, TColorRef fg) {
  // Lines under a run stop before trailing spaces of the line.
  int deco_w = run.width;
  if (run.endsLine) {
    for (size_t k = run.text.size(); k > 0 && run.text[k - 1] == U' '; --k) deco_w -= run.advances[k - 1];
  }
  if (deco_w <= 0) return;
  const TColorRef ucolor = run.selected ? fg : st.UnderlineColor;
  if (st.Underline || st.DoubleUnderline) {
    const int uy = base + pen_w + 1;
    canvas.DrawLine({x, uy}, {x + deco_w, uy}, TPen{ucolor, pen_w});
    if (st.DoubleUnderline)
      canvas.DrawLine({x, uy + 2 * pen_w}, {x + deco_w, uy + 2 * pen_w}, TPen{ucolor, pen_w});
  }
  // Struck-out text is crossed here too, as underlines are: a glyph run's own strike-out
  // lands wherever the painter's origin is, not on the run.
  if (st.Font.StrikeOut) {
    const int sy = base - std::max(1, run.attr->Ascent * 3 / 10);
    canvas.DrawLine({x, sy}, {x + deco_w, sy}, TPen{fg, pen_w});
  }
  if (st.Mark) {
    std::vector<TPoint> zig;
    const int my = base + pen_w + 1;
    for (int k = 0; k <= deco_w; k += 2) zig.push_back({x + k, my + ((k / 2) % 2 ? 2 : 0)});
    if (zig.size() >= 2) canvas.DrawPolyline(zig, TPen{0x0000FF, pen_w});
  }
}

void TextLayout::PaintRun(TCanvas& canvas, const LinePaint& lp, const LineRun& run, int x) {
  const TCharAttr& a0 = *run.attr;
  const TRunStyle st = StyleFor(a0, printing_);
  TColorRef fg = st.Text, bg = st.Background;
  bool opaque = st.HasBackground && bg != BackgroundColor && bg != 0xFFFFFF;
  if (run.selected) {
    fg = HighlightTextColor;
    bg = HighlightColor;
    opaque = true;
  } else if (lp.shaded && !st.HasBackground) {
    bg = lp.shade;
  }
  const int extra = (st.Font.Italic && run.endsLine) ? 8 : 0;
  if (opaque && run.width + extra > 0)
    canvas.FillRect({x, lp.top + lp.spaceBefore, x + run.width + extra, lp.top + lp.height - lp.spaceAfter},
                    bg);

  if (run.IsObject()) {
    TDocObject* obj = run.first == kCharObjectByTag ? doc_.FindObjectByTag(a0.TagNumber)
                                                    : doc_.FindObjectByNumber(a0.TagNumber);
    const int ow = a0.Width, oh = a0.Ascent;
    if (obj) PaintObject(canvas, obj, {x, lp.baseline - oh, x + ow, lp.baseline}, run.selected);
    return;
  }
  if (run.width <= 0 && run.text.empty()) return;
  int shift = 0;
  if (st.Superscript)
    shift = -lp.textHeight / 3;
  else if (st.Subscript)
    shift = lp.textHeight / 5;
  const int base = lp.baseline + shift;
  const bool any_visible =
      std::any_of(run.text.begin(), run.text.end(), [](char32_t c) { return c != U' '; });
  if (any_visible) {
    canvas.SetFont(st.Font);
    canvas.DrawText(x, base, run.text, run.advances, fg);
  }
  PaintRunLines(canvas, run, st, x, base, lp.height / 20 + 1, fg);
}

void TextLayout::PaintLine(TCanvas& canvas, TParagraph* par, int line, int origin_x, int top, bool printing) {
  const bool was_printing = printing_;
  printing_ = printing || was_printing;
  const TTextLine& l = par->Line(line);
  const LineBox& box = Box(par, line);
  const int layout_w = EffectiveLayoutWidth();
  const int left = LeftIndentPixels(par, line);
  const int right = RightIndentPixels(par);
  const TColorRef page_bg = printing_ ? 0xFFFFFF : BackgroundColor;

  LinePaint lp;
  lp.par = par;
  lp.line = &l;
  lp.text = par->Text();
  lp.hasAttrs = par->HasAttributes();
  lp.defaultAttr = doc_.DefaultAttr;
  lp.top = top;
  lp.height = box.height;
  lp.shade = page_bg;
  // Paragraph shading fills the whole line, also an empty one.
  if (par->HasShading()) {
    const TColorRef back = (par->ShadingColors >> 4) ? doc_.Header.Colors[par->ShadingColors >> 4] : 0xFFFFFF;
    const TColorRef pattern = doc_.Header.Colors[par->ShadingColors & 0x0F];
    lp.shade = Blend(back, pattern, std::min<int>(par->ShadingPercent, 100));
    lp.shaded = true;
    if (!(par->IsTableCell() && l.Length == 0)) {
      canvas.FillRect({origin_x + left, top, origin_x + layout_w - right, top + lp.height}, lp.shade);
    }
  }
  if (par->HasBorder()) PaintBorders(canvas, par, line, origin_x, top);

  SelectionFor(par, lp.selFrom, lp.selTo);
  lp.spaceBefore = line == 0 ? PxY(par->SpaceBefore) : 0;
  lp.spaceAfter = line == par->LineCount() - 1 ? PxY(par->SpaceAfter) : 0;
  lp.textHeight = std::max(1, lp.height - lp.spaceBefore - lp.spaceAfter);
  lp.baseline = top + box.ascent;
  TLineStretch stretch(l, box, lp.text);
  lp.stretch = &stretch;
  lp.tabsAsSpaces = par->Alignment == kAlignRight || par->Alignment == kAlignCenter;
  lp.tabOrigin = TabOrigin(par, line);

  LineRun run;
  run.text.reserve(kMaxRun);
  run.advances.reserve(kMaxRun);
  int x = origin_x + left + AlignmentShift(par, line, left, right);
  int rel_x = 0;  // x from the line's start, as the wrap computed it
  for (int i = 0; i < l.Length;) {
    i = GatherRun(lp, i, rel_x, run);
    PaintRun(canvas, lp, run, x);
    x += run.width;
  }
  printing_ = was_printing;
}

namespace {

// The bottom of the table row a cell belongs to, in document pixels: the lowest end of its
// cells, where the next row begins.
int RowBottom(const TextLayout& layout, const TParagraph* cell) {
  const TParagraph* first = cell;
  while ((first->ParFlags & kParContinuesRow) && first->Prev && first->Prev->IsTableCell())
    first = first->Prev;
  int bottom = 0;
  for (const TParagraph* c = first; c && c->IsTableCell(); c = c->Next) {
    bottom = std::max(bottom, layout.BottomOf(c));
    if (!(c->ParFlags & kParMoreCells)) break;
  }
  return bottom;
}

bool StartsBorderBlock(const TParagraph* par) {
  return !par->Prev || !par->Prev->HasBorder() || par->Prev->EndsBorderBlock() || par->IsTableCell();
}

bool EndsBorderBlockHere(const TParagraph* par) {
  return !par->Next || !par->Next->HasBorder() || par->EndsBorderBlock() || par->IsTableCell();
}

}  // namespace

void TextLayout::PaintBorders(TCanvas& canvas, TParagraph* par, int line, int origin_x, int top) {
  const uint8_t f = par->BorderFlags[0];
  const uint8_t style = par->BorderFlags[1];
  const bool box = f & kBorderBox;
  TPen pen;
  pen.Color = doc_.Header.Colors[par->BorderColor & 0x0F];
  pen.Width = std::max(1, par->BorderWidth * doc_.Header.XPixelsPerInch / 72);
  if (style & kBorderHairline) pen.Width = 1;
  if (style & kBorderDotted) pen.Style = TPenStyle::Dot;
  const int dist = PxX(BorderDistanceTwips(par));
  const LineBox& l = Box(par, line);
  // The box runs around the text column of the paragraph (or the cell), the distance outside it.
  int left_x, right_x;
  if (par->IsTableCell()) {
    left_x = origin_x + LeftIndentPixels(par, 0) - dist - 1;
    right_x = origin_x + EffectiveLayoutWidth() - RightIndentPixels(par) + dist;
  } else {
    // The box stands on the paragraph's indents, as on the right; the text keeps the distance
    // inside it because LeftIndentPixels adds it.
    left_x = origin_x + PxX(par->LeftIndent);
    right_x = origin_x + EffectiveLayoutWidth() - RightIndentPixels(par) + dist;
  }
  const int y0 = top;
  int y1 = top + l.height;
  // A cell's box reaches down to the end of its row, so that the cells of a row share one height.
  if (par->IsTableCell() && line == par->LineCount() - 1)
    y1 = std::max(y1, top + RowBottom(*this, par) - l.top);
  // Top and bottom belong to the first and last paragraph of a bordered block.
  const bool block_start = line == 0 && StartsBorderBlock(par);
  const bool block_end = line == par->LineCount() - 1 && EndsBorderBlockHere(par);
  auto hline = [&](int y) {
    canvas.DrawLine({left_x, y}, {right_x, y}, pen);
    if (f & kBorderDouble) canvas.DrawLine({left_x, y + pen.Width + 1}, {right_x, y + pen.Width + 1}, pen);
  };
  auto vline = [&](int xx, int dir) {
    canvas.DrawLine({xx, y0}, {xx, y1}, pen);
    if (f & kBorderDouble)
      canvas.DrawLine({xx + dir * (pen.Width + 1), y0}, {xx + dir * (pen.Width + 1), y1}, pen);
  };
  if (box || (f & kBorderLeft) || (style & kBorderBar)) vline(left_x, 1);
  if (box || (f & kBorderRight)) vline(right_x, -1);
  if ((box || (f & kBorderTop)) && block_start) hline(y0);
  if ((box || (f & kBorderBottom)) && block_end) hline(y1 - 1 - ((f & kBorderDouble) ? pen.Width + 1 : 0));
}

void TextLayout::PaintObject(TCanvas& canvas, TDocObject* object, const TRect& rect, bool selected) {
  if (!object) return;
  bool drawn = false;
  try {
    if (const TMetafile* mf = object->Graphic.Metafile()) {
      drawn = PlayMetafile(canvas, *mf, rect, nullptr);
    } else if (const TBitmap* bm = object->Graphic.Bitmap()) {
      if (bm->Valid()) {
        canvas.DrawBitmap(*bm, rect);
        drawn = true;
      }
    } else if (object->Graphic.Control) {
      drawn = true;  // the editor places controls itself
    }
  } catch (const std::exception&) {
    // A graphic that cannot be drawn is dropped, so it fails only once.
    object->Graphic = TDocGraphic{};
    object->Tag = 0;
    object->Number = 0;
    drawn = false;
  }
  if (!drawn) {
    const TPen pen{0x000000, 1};
    canvas.DrawRectangle(rect, pen, TBrush{0xFFFFFF, true});
    if (!object->FileName.empty()) {
      // A linked picture that is missing: its name, at the left and vertically centred.
      TCharAttr a = doc_.DefaultAttr;
      a.StyleBits = 0;
      a.CharFlags = 0;
      const TFontSpec font = StyleFor(a).Font;
      TFontEntry* e = cache_.Entry(font);
      std::vector<int> adv;
      for (char32_t c : object->FileName) adv.push_back(cache_.Width(e, c));
      canvas.SetClip(&rect);
      canvas.SetFont(font);
      canvas.DrawText(rect.Left + 2, (rect.Top + rect.Bottom) / 2 + e->Metrics.Ascent - e->Metrics.Height / 2,
                      object->FileName, adv, 0x000000);
      canvas.SetClip(nullptr);
    } else {
      canvas.DrawLine({rect.Left, rect.Top}, {rect.Right - 1, rect.Bottom - 1}, pen);
      canvas.DrawLine({rect.Left, rect.Bottom - 1}, {rect.Right - 1, rect.Top}, pen);
    }
  }
  if (selected) canvas.DrawRectangle(rect, TPen{0x000000, 1}, TBrush{0xFFFFFF, true});
  if (static_cast<int>(hit_objects_.size()) < kMaxHitObjects) hit_objects_.push_back({rect, object});
}

}  // namespace inkwend
