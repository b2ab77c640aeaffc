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
  if (par->alignment != kAlignLeft && par->alignment != kAlignRight) return par->alignment;
  if (!RightToLeftParagraph(par)) return par->alignment;
  return par->alignment == kAlignLeft ? kAlignRight : kAlignLeft;
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
  std::vector<int> advance(n), left(n);
  std::vector<bool> rtl(n, false);
  for (size_t j = 0; j < n; ++j) advance[j] = xs[j + 1] - xs[j];
  int x = xs[0];
  for (const VisualRun& run : runs) {
    for (int k = 0; k < run.to - run.from; ++k) {
      const auto j = static_cast<size_t>(run.rtl ? run.to - 1 - k : run.from + k);
      left[j] = x;
      rtl[j] = run.rtl;
      x += advance[j];
    }
  }
  // The caret before a character stands at its leading edge: the right one in right-to-left text.
  for (size_t j = 0; j < n; ++j) xs[j] = rtl[j] ? left[j] + advance[j] : left[j];
  xs[n] = rtl[n - 1] ? left[n - 1] : left[n - 1] + advance[n - 1];
}

}  // namespace inkwend
