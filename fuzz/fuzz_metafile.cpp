// Fuzz entry for the metafile player: the input is the metafile's bytes, played into a
// rectangle on a canvas that checks every coordinate it is given and draws nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "richtext/layout/metafile.h"

namespace {

class TNullCanvas : public inkwend::TCanvas {
 public:
  void SetFont(const inkwend::TFontSpec& font) override {
    if (font.PixelSize <= 0) std::abort();
  }
  void DrawText(int, int, std::span<const char32_t> text, std::span<const int> advances,
                inkwend::TColorRef) override {
    if (!advances.empty() && advances.size() != text.size()) std::abort();
  }
  void FillRect(const inkwend::TRect&, inkwend::TColorRef) override {}
  void DrawLine(inkwend::TPoint, inkwend::TPoint, const inkwend::TPen&) override {}
  void DrawPolyline(std::span<const inkwend::TPoint>, const inkwend::TPen&) override {}
  void DrawPolygon(std::span<const inkwend::TPoint>, const inkwend::TPen&, const inkwend::TBrush&) override {}
  void DrawRectangle(const inkwend::TRect&, const inkwend::TPen&, const inkwend::TBrush&) override {}
  void DrawEllipse(const inkwend::TRect&, const inkwend::TPen&, const inkwend::TBrush&) override {}
  void DrawBitmap(const inkwend::TBitmap& bitmap, const inkwend::TRect&) override {
    if (!bitmap.Valid()) std::abort();
  }
  void SetClip(const inkwend::TRect*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  inkwend::TMetafile mf;
  mf.Bytes.assign(data, data + size);
  mf.Width = 100;
  mf.Height = 80;
  TNullCanvas canvas;
  inkwend::PlayMetafile(canvas, mf, {0, 0, 200, 160}, nullptr);
  return 0;
}
