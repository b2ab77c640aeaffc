// Fuzz entry for the metafile player: the input is the metafile's bytes, played into a
// rectangle on a canvas that checks every coordinate it is given and draws nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "richtext/layout/metafile.h"

namespace {

class NullCanvas : public inkwend::Canvas {
 public:
  void SetFont(const inkwend::FontSpec& font) override {
    if (font.pixelSize <= 0) std::abort();
  }
  void DrawText(int, int, std::span<const char32_t> text, std::span<const int> advances,
                inkwend::ColorRef) override {
    if (!advances.empty() && advances.size() != text.size()) std::abort();
  }
  void FillRect(const inkwend::Rect&, inkwend::ColorRef) override {}
  void DrawLine(inkwend::Point, inkwend::Point, const inkwend::Pen&) override {}
  void DrawPolyline(std::span<const inkwend::Point>, const inkwend::Pen&) override {}
  void DrawPolygon(std::span<const inkwend::Point>, const inkwend::Pen&, const inkwend::Brush&) override {}
  void DrawRectangle(const inkwend::Rect&, const inkwend::Pen&, const inkwend::Brush&) override {}
  void DrawEllipse(const inkwend::Rect&, const inkwend::Pen&, const inkwend::Brush&) override {}
  void DrawBitmap(const inkwend::Bitmap& bitmap, const inkwend::Rect&) override {
    if (!bitmap.Valid()) std::abort();
  }
  void SetClip(const inkwend::Rect*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  inkwend::Metafile mf;
  mf.bytes.assign(data, data + size);
  mf.width = 100;
  mf.height = 80;
  NullCanvas canvas;
  inkwend::PlayMetafile(canvas, mf, {0, 0, 200, 160}, nullptr);
  return 0;
}
