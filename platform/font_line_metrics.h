#pragma once
// A font's line metrics as its designer set them for this platform: the `hhea` ascender,
// descender and line gap, or the OS/2 typographic ones when the font asks for those. Qt's
// FreeType engine answers with the OS/2 Windows extents instead, which for the URW fonts that
// stand in for Helvetica, Times and Courier are 15 % taller than their lines are meant to be,
// so pasted documents broke pages where LibreOffice and Word do not.
#include <QRawFont>
#include <optional>

namespace inkwend {

struct LineMetrics {
  double ascent = 0;   // pixels above the baseline
  double descent = 0;  // pixels below it, positive
  double leading = 0;  // the gap added between lines
};

// Empty when the font has no usable tables (bitmap fonts, a table with both extents zero).
std::optional<LineMetrics> DesignLineMetrics(const QRawFont& font);

}  // namespace inkwend
