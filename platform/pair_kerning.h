#pragma once
// Pair kerning of a font through HarfBuzz: how much the advance of one character changes
// when another follows it in the same font ("To", "Te", "av"). Word processors kern by
// default, so without it every line of ours ran half a percent longer than LibreOffice's and
// broke a word earlier. HarfBuzz reads the font's GPOS and kern tables as Qt hands them over,
// or the OpenType file of a face Qt opened as Type 1 (which has no tables).
#include <QRawFont>
#include <memory>
#include <optional>

#include "platform/sfnt_font_file.h"

struct hb_font_t;
struct hb_buffer_t;

namespace inkwend {

class PairKerning {
 public:
  // Null when the font has no kerning at all.
  static std::unique_ptr<PairKerning> For(const QRawFont& font, const std::optional<FontFile>& file);
  ~PairKerning();
  PairKerning(const PairKerning&) = delete;
  PairKerning& operator=(const PairKerning&) = delete;

  // The change of `left`'s advance before `right`, in pixels at the font's size; 0 when the
  // two are not a kerning pair or shape into anything but two glyphs.
  double Kerning(char32_t left, char32_t right);

 private:
  PairKerning(hb_font_t* font, double pixels_per_unit);
  hb_font_t* font_;
  hb_buffer_t* buffer_;
  double pixelsPerUnit_;
};

}  // namespace inkwend
