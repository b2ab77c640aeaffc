#pragma once
// The layout engine's canvas over a cairo context drawing into a PDF. Text is drawn with the
// faces Qt measured it in, at the advances layout computed, and handed to cairo with the
// characters each glyph stands for, so that the PDF's text reads back as the characters typed:
// joined Arabic letters as the letters, not their presentation forms; a conjunct as the
// consonants it joins; an emoji sequence as its code points.
#include <cairo.h>

#include <string>
#include <vector>

#include "platform/cairo_font_faces.h"
#include "platform/qt_text_metrics.h"
#include "richtext/layout/canvas.h"

namespace inkwend {

class CairoPdfCanvas : public Canvas {
 public:
  // The context stays owned by the caller; the metrics give the fonts layout measured with.
  CairoPdfCanvas(cairo_t* cr, QtTextMetrics& metrics) : cr_(cr), metrics_(metrics) {}

  void SetFont(const FontSpec& font) override { font_ = font; }
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                ColorRef color) override;
  void DrawShapedText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                      bool rtl, ColorRef color) override;
  void FillRect(const Rect& rect, ColorRef color) override;
  void DrawLine(Point from, Point to, const Pen& pen) override;
  void DrawPolyline(std::span<const Point> points, const Pen& pen) override;
  void DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) override;
  void DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) override;
  void DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) override;
  void DrawBitmap(const Bitmap& bitmap, const Rect& dest) override;
  void SetClip(const Rect* rect) override;
  // Any drawing but text ends cairo's string of glyphs, and so does a new page.
  void EndTextChain() { chain_.open = false; }

 private:
  // Glyphs of one face in visual order, with the text each cluster of them stands for.
  struct GlyphRun {
    PdfFace* face = nullptr;
    std::vector<cairo_glyph_t> glyphs;
    std::string utf8;
    std::vector<cairo_text_cluster_t> clusters;
  };
  void ShowRun(GlyphRun& run, ColorRef color);
  void CompensateWidthCuts(GlyphRun& run, ColorRef color);
  void ShowShapedSegment(std::span<const char32_t> text, size_t from, size_t to, PdfFace& face,
                         std::span<const int> advances, std::span<const int> edges, bool rtl, int baseline,
                         ColorRef color);
  void ShowColorGlyphs(PdfFace& face, const GlyphRun& run);
  PdfFace* ClusterFace(std::span<const char32_t> cluster, const QRawFont& raw);
  void StrokeWith(const Pen& pen);
  void FillWith(const Brush& brush);

  cairo_t* cr_;
  QtTextMetrics& metrics_;
  FontSpec font_;
  PdfFontFaces faces_;
  // Where cairo's current string of glyphs stands, as far as the width cuts go.
  struct TextChain {
    bool open = false;
    ColorRef color = 0;
    int pixelSize = 0;
    double baseline = 0;
    double penEnd = 0;
    double drift = 0;  // thousandths of an em
  };
  TextChain chain_;
};

}  // namespace inkwend
