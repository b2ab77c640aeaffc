#pragma once
// Fixed metrics and a recording canvas, so that layout and painting give exact numbers.
//
// Metrics: a font of pixel size P has characters (P + 3) / 2 wide, spaces (P + 3) / 4, height
// P + 5 and ascent P + 1. A 10-point font at 96 ppi is 13 pixels: characters 8, spaces 4,
// height 18, ascent 14.
#include <string>
#include <vector>

#include "richtext/layout/canvas.h"
#include "richtext/layout/metrics.h"

namespace inkwend::testing {

class TFixedMetrics : public TTextMetrics {
 public:
  TFontMetrics Metrics(const TFontSpec& font) override {
    ++font_queries;
    return {font.PixelSize + 5, font.PixelSize + 1};
  }
  void Advances(const TFontSpec& font, std::span<const char32_t> chars, std::span<int> out) override {
    ++advance_queries;
    for (size_t i = 0; i < chars.size(); ++i)
      out[i] = chars[i] == U' ' ? (font.PixelSize + 3) / 4 : (font.PixelSize + 3) / 2;
  }
  int font_queries = 0;
  int advance_queries = 0;
};

struct TOp {
  std::string Kind;  // text, fill, line, polyline, polygon, rect, ellipse, bitmap, clip
  TFontSpec Font;
  std::u32string Text;
  std::vector<int> Advances;
  TColorRef Color = 0;
  TRect Rect;
  TPoint From, To;
  TPen Pen;
  TBrush Brush;
  std::vector<TPoint> Points;
  int X = 0, Y = 0;
};

class TRecordingCanvas : public TCanvas {
 public:
  void SetFont(const TFontSpec& font) override { font_ = font; }
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                TColorRef color) override {
    TOp op;
    op.Kind = "text";
    op.Font = font_;
    op.Text.assign(text.begin(), text.end());
    op.Advances.assign(advances.begin(), advances.end());
    op.Color = color;
    op.X = x;
    op.Y = baseline;
    ops.push_back(op);
  }
  void FillRect(const TRect& rect, TColorRef color) override {
    TOp op;
    op.Kind = "fill";
    op.Rect = rect;
    op.Color = color;
    ops.push_back(op);
  }
  void DrawLine(TPoint from, TPoint to, const TPen& pen) override {
    TOp op;
    op.Kind = "line";
    op.From = from;
    op.To = to;
    op.Pen = pen;
    ops.push_back(op);
  }
  void DrawPolyline(std::span<const TPoint> points, const TPen& pen) override {
    TOp op;
    op.Kind = "polyline";
    op.Points.assign(points.begin(), points.end());
    op.Pen = pen;
    ops.push_back(op);
  }
  void DrawPolygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) override {
    TOp op;
    op.Kind = "polygon";
    op.Points.assign(points.begin(), points.end());
    op.Pen = pen;
    op.Brush = brush;
    ops.push_back(op);
  }
  void DrawRectangle(const TRect& rect, const TPen& pen, const TBrush& brush) override {
    TOp op;
    op.Kind = "rect";
    op.Rect = rect;
    op.Pen = pen;
    op.Brush = brush;
    ops.push_back(op);
  }
  void DrawEllipse(const TRect& rect, const TPen& pen, const TBrush& brush) override {
    TOp op;
    op.Kind = "ellipse";
    op.Rect = rect;
    op.Pen = pen;
    op.Brush = brush;
    ops.push_back(op);
  }
  void DrawBitmap(const TBitmap& bitmap, const TRect& dest) override {
    TOp op;
    op.Kind = "bitmap";
    op.Rect = dest;
    op.X = bitmap.Width;
    op.Y = bitmap.Height;
    ops.push_back(op);
  }
  void SetClip(const TRect* rect) override {
    TOp op;
    op.Kind = rect ? "clip" : "unclip";
    if (rect) op.Rect = *rect;
    ops.push_back(op);
  }
  std::vector<TOp> Of(const std::string& kind) const {
    std::vector<TOp> out;
    for (const TOp& op : ops) {
      if (op.Kind == kind) out.push_back(op);
    }
    return out;
  }
  std::vector<TOp> ops;

 private:
  TFontSpec font_;
};

}  // namespace inkwend::testing
