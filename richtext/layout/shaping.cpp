// Measuring text that must be shaped as a whole: a word of a joined or complex script, with
// marks or an emoji sequence takes the widths its shaped clusters give (the whole cluster's
// advance on its first character, 0 on the rest), so wrapping, caret and painting follow the
// glyphs that are drawn. Latin words never get here.
#include <string_view>

#include "richtext/layout/layout.h"
#include "richtext/layout/text_analysis.h"

namespace inkwend {

namespace {

// Shaping does not reach across these: words are shaped one at a time, which lets their
// widths be cached (words repeat) and keeps a re-wrap from shaping a whole paragraph.
bool EndsWord(char32_t c, bool object) { return c <= U' ' || c == kCharSoftHyphen || object; }

}  // namespace

void TextLayout::ShapeWords(FontEntry* e, std::span<const char32_t> text, bool object,
                            std::span<uint16_t> widths, size_t from, size_t to) {
  // Most runs are Latin through and through: one quick look settles them.
  size_t k = from;
  while (k < to && text[k] < 0x300) ++k;
  if (k == to) return;
  while (k > from && !EndsWord(text[k - 1], object)) --k;
  while (k < to) {
    if (EndsWord(text[k], object)) {
      ++k;
      continue;
    }
    const size_t begin = k;
    bool shaped = false;
    for (; k < to && !EndsWord(text[k], object); ++k) shaped = shaped || NeedsShaping(text[k]);
    if (!shaped) continue;
    const std::u32string_view word(text.data() + begin, k - begin);
    const bool rtl = FirstStrongDirection(std::span<const char32_t>(word.data(), word.size())) == 1;
    const std::vector<uint16_t>& shaped_widths = cache_.ShapedWidths(e, word, rtl);
    for (size_t i = 0; i < shaped_widths.size(); ++i) widths[begin + i] = shaped_widths[i];
  }
}

}  // namespace inkwend
