// Right-to-left and mixed lines: the paragraph's direction, its mirrored alignment, the visual
// order of a line's runs and the caret positions that follow from it.
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {

bool TextLayout::RightToLeftParagraph(const Paragraph* par) {
  if (par->parFlags & kParRightToLeft) return true;
  if (par->parFlags & kParLeftToRight) return false;
  return FirstStrongDirection(par->Text()) == 1;
}

uint8_t TextLayout::ShownAlignment(const Paragraph* par) {
  // A paragraph whose direction is written down (\rtlpar from Word or LibreOffice, or one aligned
  // here by hand) stands on the side its alignment names, as those programs show it. One right
  // to left only by its first letter has never been aligned: its default left is its start.
  if (par->alignment != kAlignLeft || (par->parFlags & (kParRightToLeft | kParLeftToRight)))
    return par->alignment;
  return RightToLeftParagraph(par) ? kAlignRight : kAlignLeft;
}

void TextLayout::SetShownAlignment(Paragraph* par, uint8_t alignment) {
  const bool sided = alignment == kAlignLeft || alignment == kAlignRight;
  if (sided && !(par->parFlags & (kParRightToLeft | kParLeftToRight)) && RightToLeftParagraph(par))
    par->parFlags |= kParRightToLeft;
  par->alignment = alignment;
}

std::vector<VisualRun> TextLayout::BidiRuns(const Paragraph* par, const TextLine& line) {
  const auto text = par->Text().subspan(line.start, line.length);
  if (std::none_of(text.begin(), text.end(), [](char32_t c) { return IsRightToLeft(c); })) return {};
  const ParagraphBidi bidi(text, RightToLeftParagraph(par) ? 1 : 0);
  return bidi.LineRuns(0, line.length);
}

void TextLayout::ReorderCaretXs(std::span<const VisualRun> runs, std::vector<int>& xs) {
  const size_t n = xs.size() - 1;
  if (n == 0) return;
  std::vector<int> advance(n), left(n), level(n, 0);
  std::vector<bool> rtl(n, false);
  for (size_t j = 0; j < n; ++j) advance[j] = xs[j + 1] - xs[j];
  int x = xs[0];
  for (const VisualRun& run : runs) {
    for (int k = 0; k < run.to - run.from; ++k) {
      const auto j = static_cast<size_t>(run.rtl ? run.to - 1 - k : run.from + k);
      left[j] = x;
      rtl[j] = run.rtl;
      level[j] = run.level;
      x += advance[j];
    }
  }
  const auto leading = [&](size_t j) { return rtl[j] ? left[j] + advance[j] : left[j]; };
  const auto trailing = [&](size_t j) { return rtl[j] ? left[j] : left[j] + advance[j]; };
  // The caret before a character stands at its leading edge (the right one in right-to-left
  // text), except where an embedded run (a Hebrew word in English, a Latin word in Hebrew)
  // ends: there it stays at the run's own end. Taking the next run's edge there would put two
  // offsets on one place and leave another place between the runs out of reach of the arrows.
  xs[0] = leading(0);
  for (size_t j = 1; j < n; ++j) xs[j] = level[j - 1] > level[j] ? trailing(j - 1) : leading(j);
  xs[n] = trailing(n - 1);
}

}  // namespace inkwend
