// Painting of lines, objects and borders onto a Canvas.
#include <algorithm>
#include <cstdint>

#include "richtext/layout/layout.h"
#include "richtext/layout/metafile.h"
#include "richtext/layout/text_analysis.h"
#include "richtext/model/letter_case.h"

namespace inkwend {

namespace {

constexpr int kMaxRun = 100;

ColorRef Blend(ColorRef a, ColorRef b, int percent_b) {
  auto mix = [&](int shift) {
    const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    return static_cast<ColorRef>((ca * (100 - percent_b) + cb * percent_b) / 100) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

}  // namespace

void TextLayout::SelectionFor(const Paragraph* par, int& from, int& to) const {
  from = to = 0;
  if (!selBeginPar_ || printing_) return;
  const bool begins = par == selBeginPar_, ends = par == selEndPar_;
  if (begins && ends) {
    from = selBeginOff_;
    to = selEndOff_;
  } else if (begins) {
    from = selBeginOff_;
    to = par->CharCount() + 1;
  } else if (ends) {
    from = 0;
    to = selEndOff_;
  } else if (selInside_) {
    from = 0;
    to = par->CharCount() + 1;
  }
}

DocObject* TextLayout::ObjectAt(int x, int y) const {
  for (const HitObject& h : hitObjects_) {
    if (h.rect.Contains(x, y)) return h.object;
  }
  return nullptr;
}

Rect TextLayout::InvalidRect(int view_width, int view_height, int scroll_y) {
  Reformat();
  int top = INT32_MAX, bottom = INT32_MIN;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    if (!(p->layoutDirty & kDirtyPaint)) continue;
    top = std::min(top, Box(p, 0).top);
    bottom = std::max(bottom, BottomOf(p));
  }
  if (top == INT32_MAX) return {};
  Rect r{0, top - scroll_y, view_width, heightsChanged_ ? view_height : bottom - scroll_y};
  r.top = std::clamp(r.top, 0, view_height);
  r.bottom = std::clamp(r.bottom, 0, view_height);
  return r.Empty() ? Rect{} : r;
}

void TextLayout::BeginSelection(const PaintContext& context) {
  selBeginPar_ = selEndPar_ = nullptr;
  selInside_ = false;
  const TextCursor& start = context.selStart;
  const TextCursor& end = context.selEnd;
  if (!start.par || !end.par || start == end) return;
  auto off = [](const TextCursor& c) {
    const int line = std::clamp(c.line, 0, c.par->LineCount() - 1);
    return static_cast<int>(c.par->Line(line).start) +
           std::clamp(c.pos, 0, static_cast<int>(c.par->Line(line).length));
  };
  const Paragraph* a = start.par;
  const Paragraph* b = end.par;
  int oa = off(start), ob = off(end);
  bool a_first = true;
  if (a == b) {
    a_first = oa <= ob;
  } else {
    for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
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
  selBeginPar_ = a;
  selBeginOff_ = oa;
  selEndPar_ = b;
  selEndOff_ = ob;
}

Rect TextLayout::Paint(const PaintContext& context) {
  Reformat();
  heightsChanged_ = false;
  hitObjects_.clear();
  Canvas& canvas = context.canvas;
  const Rect& clip = context.clip;
  if (context.fillBackground) canvas.FillRect(clip, backgroundColor);
  BeginSelection(context);
  const int origin_x = -context.scrollX;
  const int scroll_y = context.scrollY;
  // The walk starts at the paragraph that reaches the clip, not at the first one, so that a
  // repaint costs the same in a long entry as in a short one.
  size_t index = FirstParagraphReaching(clip.top + scroll_y);
  Paragraph* const first = index == 0 ? doc_.FirstParagraph() : const_cast<Paragraph*>(order_[index].par);
  selInside_ = SelectionEnclosesIndex(index);
  for (Paragraph* p = first; p; p = p->next, ++index) {
    if (p == selBeginPar_) selInside_ = true;
    const std::vector<LineBox>& boxes = WalkBoxes(index, p).lines;
    const LineBox& last = boxes.back();
    if (last.top + last.height - scroll_y > clip.top) {
      if (boxes.front().top - scroll_y >= clip.bottom) break;
      for (int l = 0; l < p->LineCount(); ++l) {
        const LineBox& tl = boxes[static_cast<size_t>(l)];
        const int y = tl.top - scroll_y;
        if (y + tl.height <= clip.top) continue;
        if (y >= clip.bottom) break;
        PaintLine(canvas, p, l, origin_x, y, false);
      }
    }
    if (p == selEndPar_) selInside_ = false;
    p->layoutDirty &= static_cast<uint8_t>(~kDirtyPaint);
  }
  return PaintCaret(context);
}

Rect TextLayout::PaintCaret(const PaintContext& context) {
  if (!context.showCaret || !context.caret.par) return {};
  const Rect r = CaretRect(context.caret);
  const int dx = context.scrollX, dy = context.scrollY;
  const Rect view{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
  context.canvas.FillRect(view, context.caretColor);
  return view;
}

Rect TextLayout::PaintFromParagraph(const PaintContext& context, Paragraph* from) {
  Canvas& canvas = context.canvas;
  const Rect& clip = context.clip;
  if (context.fillBackground) canvas.FillRect(clip, backgroundColor);
  selBeginPar_ = selEndPar_ = nullptr;
  selInside_ = false;
  bool done = false;
  for (Paragraph* p = from; p && !done; p = p->next) {
    for (int l = 0; l < p->LineCount(); ++l) {
      const LineBox& tl = Box(p, l);
      const int y = tl.top - context.scrollY;
      if (y + tl.height <= clip.top) continue;
      if (y >= clip.bottom) {
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
  Paragraph* par = nullptr;
  const TextLine* line = nullptr;
  std::span<const char32_t> text;
  bool hasAttrs = false;
  CharAttr defaultAttr;
  const TextLayout* layout = nullptr;
  const ParagraphBoxes* measured = nullptr;  // the paragraph's widths and marks
  int selFrom = 0, selTo = 0;
  int top = 0, height = 0, spaceBefore = 0, spaceAfter = 0, baseline = 0, textHeight = 0;
  bool shaded = false;
  ColorRef shade = 0;
  bool tabsAsSpaces = false;
  int tabOrigin = 0;
  LineStretch* stretch = nullptr;

  const CharAttr& AttrAt(int offset) const {
    return hasAttrs ? par->AttrAt(static_cast<size_t>(offset)) : defaultAttr;
  }
  // What measuring gave the character at `offset` (plain mode: the template font's line).
  CharMetrics Measured(int offset) const {
    return hasAttrs ? layout->MeasuredIn(measured, par, static_cast<size_t>(offset))
                    : CharMetrics{0, layout->defaultHeight_, layout->defaultAscent_};
  }
  // Whether the word walk flagged the character (drawn with a mark on screen).
  bool Flagged(int offset) const { return measured && measured->Flagged(static_cast<size_t>(offset)); }
  bool Selected(int offset) const { return offset >= selFrom && offset < selTo; }
  // Whether the character at `offset` can join the run (it is not its first).
  bool Continues(const LineRun& run, int offset) const;
  // How the character `c` at line index `j` shows: a space for hidden text and control codes,
  // a soft hyphen as a hyphen (its width in `adv`) only where its line breaks, capitals for
  // the small letters of text in capitals.
  char32_t Shown(int j, char32_t c, bool hidden, bool caps, int& adv) const;
  // The width the character at line index `j` takes, a tab reaching to its stop.
  int Advance(const TextLayout& layout, int j, char32_t c, int rel_x) const {
    const int off = static_cast<int>(line->start) + j;
    int adv = 0;
    if (c == kCharTab && !tabsAsSpaces) return layout.NextTabIn(par, rel_x, off, tabOrigin) - rel_x;
    if (!stretch->Widens(j, c, adv)) adv = layout.CharWidthIn(measured, par, off);
    return adv;
  }
};

// Characters of one line painted in one go: same attributes, same selection state, no tab,
// object or insert point inside (those stand alone).
struct TextLayout::LineRun {
  int offset = 0;  // paragraph offset of the first character
  char32_t first = 0;
  const CharAttr* attr = nullptr;
  bool selected = false;
  bool flagged = false;
  std::vector<char32_t> text;
  std::vector<int> advances;
  int width = 0;
  bool endsLine = false;
  bool rtl = false;  // a run of right-to-left text (drawn shaped, right to left)

  bool IsObject() const {
    return (first == kCharObjectByTag || first == kCharObjectByNumber) && (attr->charFlags & kCharObject);
  }
};

bool TextLayout::LinePaint::Continues(const LineRun& run, int offset) const {
  if (run.text.size() >= kMaxRun) return false;
  const CharAttr& a = AttrAt(offset);
  if (!a.SameRun(*run.attr) || (a.charFlags & (kCharInsertPoint | kCharObject))) return false;
  // Small capitals keep small and capital letters in runs of their own, drawn at two sizes.
  if ((a.moreFlags & (kMoreAllCaps | kMoreSmallCaps)) == kMoreSmallCaps &&
      IsSmallLetter(text[static_cast<size_t>(offset)]) != IsSmallLetter(run.first)) {
    return false;
  }
  return Selected(offset) == run.selected && Flagged(offset) == run.flagged;
}

char32_t TextLayout::LinePaint::Shown(int j, char32_t c, bool hidden, bool caps, int& adv) const {
  if (hidden || c < 32) return U' ';
  if (c == kCharSoftHyphen) {
    const bool breaks_here =
        j == line->length - 1 && static_cast<int>(line->start + line->length) < par->CharCount();
    if (!breaks_here) return U' ';
    if (hasAttrs) adv = layout->MeasuredIn(measured, par, line->start + static_cast<size_t>(j)).width;
    return U'-';
  }
  return caps ? UpperCaseLetter(c) : c;
}

int TextLayout::AlignmentShift(const Paragraph* par, int line, int left, int right) const {
  const uint8_t alignment = ShownAlignment(par);
  if (alignment != kAlignRight && alignment != kAlignCenter) return 0;
  const int d = EffectiveLayoutWidth() - left - right - VisibleWidth(par, line);
  if (alignment == kAlignRight) return std::max(d, 0);
  return d > 1 ? d / 2 : 0;
}

int TextLayout::GatherRun(const LinePaint& lp, int first, int& rel_x, LineRun& run) const {
  const TextLine& l = *lp.line;
  run.offset = static_cast<int>(l.start) + first;
  run.attr = &lp.AttrAt(run.offset);
  run.selected = lp.Selected(run.offset);
  run.flagged = lp.Flagged(run.offset);
  run.first = lp.text[static_cast<size_t>(run.offset)];
  const bool single = run.first == kCharTab || run.IsObject() || (run.attr->charFlags & kCharInsertPoint);
  const bool caps = lp.hasAttrs && (run.attr->moreFlags & (kMoreAllCaps | kMoreSmallCaps));
  run.text.clear();
  run.advances.clear();
  run.width = 0;
  int j = first;
  for (; j < l.length; ++j) {
    const int off = static_cast<int>(l.start) + j;
    const char32_t c = lp.text[static_cast<size_t>(off)];
    if (j > first) {
      if (single || c == kCharTab || !lp.Continues(run, off)) break;
    }
    int adv = lp.Advance(*this, j, c, rel_x);
    const bool hidden = lp.hasAttrs && (lp.AttrAt(off).charFlags & kCharHidden) && !showHiddenText;
    run.text.push_back(lp.Shown(j, c, hidden, caps, adv));
    run.advances.push_back(hidden ? 0 : adv);
    run.width += hidden ? 0 : adv;
    rel_x += hidden ? 0 : adv;
  }
  run.endsLine = j >= l.length;
  return j;
}

void TextLayout::PaintRunLines(Canvas& canvas, const LineRun& run, const RunStyle& st, int x, int base,
                               int pen_w, ColorRef fg, int ascent) {
  // Lines under a run stop before trailing spaces of the line.
  int deco_w = run.width;
  if (run.endsLine) {
    for (size_t k = run.text.size(); k > 0 && run.text[k - 1] == U' '; --k) deco_w -= run.advances[k - 1];
  }
  if (deco_w <= 0) return;
  const ColorRef ucolor = run.selected ? fg : st.underlineColor;
  if (st.underline || st.doubleUnderline) {
    const int uy = base + pen_w + 1;
    canvas.DrawLine({x, uy}, {x + deco_w, uy}, Pen{ucolor, pen_w});
    if (st.doubleUnderline)
      canvas.DrawLine({x, uy + 2 * pen_w}, {x + deco_w, uy + 2 * pen_w}, Pen{ucolor, pen_w});
  }
  // Struck-out text is crossed here too, as underlines are: a glyph run's own strike-out
  // lands wherever the painter's origin is, not on the run.
  if (st.font.strikeOut) {
    const int sy = base - std::max(1, ascent * 3 / 10);
    canvas.DrawLine({x, sy}, {x + deco_w, sy}, Pen{fg, pen_w});
  }
  if (st.mark || (run.flagged && !printing_)) {
    std::vector<Point> zig;
    const int my = base + pen_w + 1;
    for (int k = 0; k <= deco_w; k += 2) zig.push_back({x + k, my + ((k / 2) % 2 ? 2 : 0)});
    if (zig.size() >= 2) canvas.DrawPolyline(zig, Pen{0x0000FF, pen_w});
  }
}

void TextLayout::PaintRun(Canvas& canvas, const LinePaint& lp, const LineRun& run, int x) {
  const CharAttr& a0 = *run.attr;
  const RunStyle st = StyleFor(a0, printing_);
  const CharMetrics measured = lp.Measured(run.offset);
  ColorRef fg = st.text, bg = st.background;
  bool opaque = st.hasBackground && bg != backgroundColor && bg != 0xFFFFFF;
  if (run.selected) {
    fg = highlightTextColor;
    bg = highlightColor;
    opaque = true;
  } else if (lp.shaded && !st.hasBackground) {
    bg = lp.shade;
  }
  const int extra = (st.font.italic && run.endsLine) ? 8 : 0;
  if (opaque && run.width + extra > 0)
    canvas.FillRect({x, lp.top + lp.spaceBefore, x + run.width + extra, lp.top + lp.height - lp.spaceAfter},
                    bg);

  if (run.IsObject()) {
    DocObject* obj = run.first == kCharObjectByTag ? doc_.FindObjectByTag(a0.tagNumber)
                                                   : doc_.FindObjectByNumber(a0.tagNumber);
    const int ow = measured.width, oh = measured.ascent;
    if (obj) PaintObject(canvas, obj, {x, lp.baseline - oh, x + ow, lp.baseline}, run.selected);
    return;
  }
  if (run.width <= 0 && run.text.empty()) return;
  int shift = 0;
  if (st.superscript)
    shift = -lp.textHeight / 3;
  else if (st.subscript)
    shift = lp.textHeight / 5;
  const int base = lp.baseline + shift;
  const bool any_visible =
      std::any_of(run.text.begin(), run.text.end(), [](char32_t c) { return c != U' '; });
  if (any_visible) {
    const bool small = st.smallCaps && IsSmallLetter(lp.text[static_cast<size_t>(run.offset)]);
    canvas.SetFont(small ? SmallCapsFont(st.font) : st.font);
    if (run.rtl || std::any_of(run.text.begin(), run.text.end(), NeedsShaping)) {
      canvas.DrawShapedText(x, base, run.text, run.advances, run.rtl, fg);
    } else {
      canvas.DrawText(x, base, run.text, run.advances, fg);
    }
  }
  PaintRunLines(canvas, run, st, x, base, lp.height / 20 + 1, fg, measured.ascent);
}

void TextLayout::PaintLine(Canvas& canvas, Paragraph* par, int line, int origin_x, int top, bool printing) {
  const bool was_printing = printing_;
  printing_ = printing || was_printing;
  const TextLine& l = par->Line(line);
  const LineBox& box = Box(par, line);
  const int layout_w = EffectiveLayoutWidth();
  const int left = LeftIndentPixels(par, line);
  const int right = RightIndentPixels(par);
  const ColorRef page_bg = printing_ ? 0xFFFFFF : backgroundColor;

  LinePaint lp;
  lp.par = par;
  lp.line = &l;
  lp.text = par->Text();
  lp.hasAttrs = par->HasAttributes();
  lp.defaultAttr = doc_.defaultAttr;
  lp.layout = this;
  lp.measured = FindBoxes(par);
  lp.top = top;
  lp.height = box.height;
  lp.shade = page_bg;
  // Paragraph shading fills the whole line, also an empty one.
  if (par->HasShading()) {
    const ColorRef back = (par->shadingColors >> 4) ? doc_.header.colors[par->shadingColors >> 4] : 0xFFFFFF;
    const ColorRef pattern = doc_.header.colors[par->shadingColors & 0x0F];
    lp.shade = Blend(back, pattern, std::min<int>(par->shadingPercent, 100));
    lp.shaded = true;
    if (!(par->IsTableCell() && l.length == 0)) {
      canvas.FillRect({origin_x + left, top, origin_x + layout_w - right, top + lp.height}, lp.shade);
    }
  }
  if (par->HasBorder()) PaintBorders(canvas, par, line, origin_x, top);
  if (showPageBreak && !printing_ && line == 0 && (par->parFlags & kParPageBreak) && par->prev)
    PaintPageBreakMark(canvas, origin_x, top);

  SelectionFor(par, lp.selFrom, lp.selTo);
  lp.spaceBefore = line == 0 ? PxY(par->spaceBefore) : 0;
  lp.spaceAfter = line == par->LineCount() - 1 ? PxY(par->spaceAfter) : 0;
  lp.textHeight = std::max(1, lp.height - lp.spaceBefore - lp.spaceAfter);
  lp.baseline = top + box.ascent;
  LineStretch stretch(l, box, lp.text);
  lp.stretch = &stretch;
  lp.tabsAsSpaces = par->alignment == kAlignRight || par->alignment == kAlignCenter;
  lp.tabOrigin = TabOrigin(par, line);

  LineRun run;
  run.text.reserve(kMaxRun);
  run.advances.reserve(kMaxRun);
  int x = origin_x + left + AlignmentShift(par, line, left, right);
  int rel_x = 0;  // x from the line's start, as the wrap computed it
  for (int i = PaintBidiLine(canvas, lp, x) ? l.length : 0; i < l.length;) {
    const int run_x = rel_x;
    i = GatherRun(lp, i, rel_x, run);
    PaintRun(canvas, lp, run, x);
    if (run.first == kCharTab && !lp.tabsAsSpaces && par->tabMask != 0)
      PaintTabLeader(canvas, lp, run, x, run_x);
    x += run.width;
  }
  printing_ = was_printing;
}

bool TextLayout::PaintBidiLine(Canvas& canvas, const LinePaint& lp, int x) {
  const std::vector<VisualRun> runs = BidiRuns(lp.par, *lp.line);
  if (runs.empty()) return false;
  const TextLine& l = *lp.line;
  const auto off = [&](int j) { return static_cast<int>(l.start) + j; };
  const auto hidden = [&](int j) {
    return lp.hasAttrs && (lp.AttrAt(off(j)).charFlags & kCharHidden) && !showHiddenText;
  };
  // Advances in logical order, as wrapping and the caret count them (tab stops, justified spaces).
  std::vector<int> advances(l.length);
  int rel_x = 0;
  for (int j = 0; j < l.length; ++j) {
    const int adv = hidden(j) ? 0 : lp.Advance(*this, j, lp.text[static_cast<size_t>(off(j))], rel_x);
    advances[static_cast<size_t>(j)] = adv;
    rel_x += adv;
  }
  std::vector<LineRun> pieces;
  for (const VisualRun& visual : runs) {
    pieces.clear();
    for (int j = visual.from; j < visual.to; ++j) {
      const char32_t c = lp.text[static_cast<size_t>(off(j))];
      if (pieces.empty() || c == kCharTab || pieces.back().first == kCharTab || pieces.back().IsObject() ||
          !lp.Continues(pieces.back(), off(j))) {
        LineRun& piece = pieces.emplace_back();
        piece.offset = off(j);
        piece.first = c;
        piece.attr = &lp.AttrAt(off(j));
        piece.selected = lp.Selected(off(j));
        piece.flagged = lp.Flagged(off(j));
        piece.rtl = visual.rtl;
      }
      LineRun& piece = pieces.back();
      int adv = advances[static_cast<size_t>(j)];
      const bool caps = lp.hasAttrs && (piece.attr->moreFlags & (kMoreAllCaps | kMoreSmallCaps));
      piece.text.push_back(lp.Shown(j, c, hidden(j), caps, adv));
      piece.advances.push_back(adv);
      piece.width += adv;
    }
    if (visual.rtl) std::reverse(pieces.begin(), pieces.end());
    for (const LineRun& piece : pieces) {
      PaintRun(canvas, lp, piece, x);
      x += piece.width;
    }
  }
  return true;
}

void TextLayout::PaintTabLeader(Canvas& canvas, const LinePaint& lp, const LineRun& run, int x, int rel_x) {
  if (run.width <= 0 || (lp.hasAttrs && (run.attr->charFlags & kCharHidden) && !showHiddenText)) return;
  int slot = -1;
  NextTabIn(lp.par, rel_x, run.offset, lp.tabOrigin, &slot);
  if (slot < 0) return;
  const uint8_t leader = doc_.header.tabs[static_cast<size_t>(slot)].leader;
  if (leader == kTabLeaderNone) return;
  const RunStyle st = StyleFor(*run.attr, printing_);
  const ColorRef fg = run.selected ? highlightTextColor : st.text;
  if (leader == kTabLeaderUnderline || leader == kTabLeaderThick) {
    const int pen_w = (lp.height / 20 + 1) * (leader == kTabLeaderThick ? 2 : 1);
    const int y = lp.baseline + pen_w + 1;
    canvas.DrawLine({x, y}, {x + run.width, y}, Pen{fg, pen_w});
    return;
  }
  const char32_t mark = leader == kTabLeaderDot ? U'.' : leader == kTabLeaderHyphen ? U'-' : U'=';
  FontEntry* e = cache_.Entry(st.font);
  const int w = std::max<int>(1, cache_.Width(e, mark));
  // The marks stand on a grid of their own width from the line's indent, so that the leaders
  // of lines one under the other line up.
  const int first = (rel_x + w - 1) / w * w - rel_x;
  std::vector<char32_t> marks;
  std::vector<int> advances;
  for (int at = first; at + w <= run.width; at += w) {
    marks.push_back(mark);
    advances.push_back(w);
  }
  if (marks.empty()) return;
  canvas.SetFont(st.font);
  canvas.DrawText(x + first, lp.baseline, marks, advances, fg);
}

void TextLayout::PaintPageBreakMark(Canvas& canvas, int origin_x, int top) {
  const Pen pen{0x808080, 1, PenStyle::Dot};
  canvas.DrawLine({origin_x, top}, {origin_x + EffectiveLayoutWidth(), top}, pen);
}

namespace {

// The bottom of the table row a cell belongs to, in document pixels: the lowest end of its
// cells, where the next row begins.
int RowBottom(const TextLayout& layout, const Paragraph* cell) {
  const Paragraph* first = cell;
  while ((first->parFlags & kParContinuesRow) && first->prev && first->prev->IsTableCell())
    first = first->prev;
  int bottom = 0;
  for (const Paragraph* c = first; c && c->IsTableCell(); c = c->next) {
    bottom = std::max(bottom, layout.BottomOf(c));
    if (!(c->parFlags & kParMoreCells)) break;
  }
  return bottom;
}

bool StartsBorderBlock(const Paragraph* par) {
  return !par->prev || !par->prev->HasBorder() || par->prev->EndsBorderBlock() || par->IsTableCell();
}

bool EndsBorderBlockHere(const Paragraph* par) {
  return !par->next || !par->next->HasBorder() || par->EndsBorderBlock() || par->IsTableCell();
}

}  // namespace

void TextLayout::PaintBorders(Canvas& canvas, Paragraph* par, int line, int origin_x, int top) {
  const uint8_t f = par->borderFlags[0];
  const uint8_t style = par->borderFlags[1];
  const bool box = f & kBorderBox;
  Pen pen;
  pen.color = doc_.header.colors[par->borderColor & 0x0F];
  pen.width = std::max(1, par->borderWidth * doc_.header.xPixelsPerInch / 72);
  if (style & kBorderHairline) pen.width = 1;
  if (style & kBorderDotted) pen.style = PenStyle::Dot;
  const int dist = PxX(BorderDistanceTwips(par));
  const LineBox& l = Box(par, line);
  // The box runs around the text column of the paragraph (or the cell), the distance outside it.
  int left_x, right_x;
  if (par->IsTableCell()) {
    left_x = origin_x + LeftIndentPixels(par, 0) - dist - 1;
    right_x = origin_x + EffectiveLayoutWidth() - RightIndentPixels(par) + dist;
  } else {
    // The box stands on the paragraph's indents, as on the right; the text keeps the distance
    // inside it because LeftIndentPixels adds it. A first line hanging out to the left of the
    // others takes the box with it, so that the box encloses the whole paragraph.
    left_x = origin_x + PxX(std::min(par->leftIndent, par->firstIndent));
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
    if (f & kBorderDouble) canvas.DrawLine({left_x, y + pen.width + 1}, {right_x, y + pen.width + 1}, pen);
  };
  auto vline = [&](int xx, int dir) {
    canvas.DrawLine({xx, y0}, {xx, y1}, pen);
    if (f & kBorderDouble)
      canvas.DrawLine({xx + dir * (pen.width + 1), y0}, {xx + dir * (pen.width + 1), y1}, pen);
  };
  if (box || (f & kBorderLeft) || (style & kBorderBar)) vline(left_x, 1);
  if (box || (f & kBorderRight)) vline(right_x, -1);
  if ((box || (f & kBorderTop)) && block_start) hline(y0);
  if ((box || (f & kBorderBottom)) && block_end) hline(y1 - 1 - ((f & kBorderDouble) ? pen.width + 1 : 0));
}

void TextLayout::PaintObject(Canvas& canvas, DocObject* object, const Rect& rect, bool selected) {
  if (!object) return;
  bool drawn = false;
  try {
    if (const Metafile* mf = object->graphic.Metafile()) {
      drawn = PlayMetafile(canvas, *mf, rect, nullptr);
    } else if (const Bitmap* bm = object->graphic.Bitmap()) {
      if (bm->Valid()) {
        canvas.DrawBitmap(*bm, rect);
        drawn = true;
      }
    } else if (object->graphic.control) {
      // On screen the control itself stands there (a printed page leaves its place empty).
      if (!printing_) object->graphic.control->Place(rect.left, rect.top, rect.Width(), rect.Height());
      drawn = true;
    }
  } catch (const std::exception&) {
    // A graphic that cannot be drawn is dropped, so it fails only once.
    object->graphic = DocGraphic{};
    object->tag = 0;
    object->number = 0;
    drawn = false;
  }
  if (!drawn) {
    const Pen pen{0x000000, 1};
    canvas.DrawRectangle(rect, pen, Brush{0xFFFFFF, true});
    if (!object->fileName.empty()) {
      // A linked picture that is missing: its name, at the left and vertically centred.
      CharAttr a = doc_.defaultAttr;
      a.styleBits = 0;
      a.charFlags = 0;
      const FontSpec font = StyleFor(a).font;
      FontEntry* e = cache_.Entry(font);
      std::vector<int> adv;
      for (char32_t c : object->fileName) adv.push_back(cache_.Width(e, c));
      canvas.SetClip(&rect);
      canvas.SetFont(font);
      canvas.DrawText(rect.left + 2, (rect.top + rect.bottom) / 2 + e->metrics.ascent - e->metrics.height / 2,
                      object->fileName, adv, 0x000000);
      canvas.SetClip(nullptr);
    } else {
      canvas.DrawLine({rect.left, rect.top}, {rect.right - 1, rect.bottom - 1}, pen);
      canvas.DrawLine({rect.left, rect.bottom - 1}, {rect.right - 1, rect.top}, pen);
    }
  }
  if (selected) canvas.DrawRectangle(rect, Pen{0x000000, 1}, Brush{0xFFFFFF, true});
  if (static_cast<int>(hitObjects_.size()) < kMaxHitObjects) hitObjects_.push_back({rect, object});
}

}  // namespace inkwend
