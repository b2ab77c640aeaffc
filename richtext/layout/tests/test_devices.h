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

class FixedMetrics : public TextMetrics {
 public:
  FontMetrics Metrics(const FontSpec& font) override {
    ++fontQueries;
    return {font.pixelSize + 5, font.pixelSize + 1};
  }
  void Advances(const FontSpec& font, std::span<const char32_t> chars, std::span<int> out) override {
    ++advanceQueries;
    for (size_t i = 0; i < chars.size(); ++i)
      out[i] = chars[i] == U' ' ? (font.pixelSize + 3) / 4 : (font.pixelSize + 3) / 2;
  }
  int fontQueries = 0;
  int advanceQueries = 0;
};

struct Op {
  std::string kind;  // text, fill, line, polyline, polygon, rect, ellipse, bitmap, clip
  FontSpec font;
  std::u32string text;
  std::vector<int> advances;
  ColorRef color = 0;
  Rect rect;
  Point from, to;
  Pen pen;
  Brush brush;
  std::vector<Point> points;
  int x = 0, y = 0;
};

class RecordingCanvas : public Canvas {
 public:
  void SetFont(const FontSpec& font) override { font_ = font; }
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                ColorRef color) override {
    Op op;
    op.kind = "text";
    op.font = font_;
    op.text.assign(text.begin(), text.end());
    op.advances.assign(advances.begin(), advances.end());
    op.color = color;
    op.x = x;
    op.y = baseline;
    ops.push_back(op);
  }
  void FillRect(const Rect& rect, ColorRef color) override {
    Op op;
    op.kind = "fill";
    op.rect = rect;
    op.color = color;
    ops.push_back(op);
  }
  void DrawLine(Point from, Point to, const Pen& pen) override {
    Op op;
    op.kind = "line";
    op.from = from;
    op.to = to;
    op.pen = pen;
    ops.push_back(op);
  }
  void DrawPolyline(std::span<const Point> points, const Pen& pen) override {
    Op op;
    op.kind = "polyline";
    op.points.assign(points.begin(), points.end());
    op.pen = pen;
    ops.push_back(op);
  }
  void DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) override {
    Op op;
    op.kind = "polygon";
    op.points.assign(points.begin(), points.end());
    op.pen = pen;
    op.brush = brush;
    ops.push_back(op);
  }
  void DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) override {
    Op op;
    op.kind = "rect";
    op.rect = rect;
    op.pen = pen;
    op.brush = brush;
    ops.push_back(op);
  }
  void DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) override {
    Op op;
    op.kind = "ellipse";
    op.rect = rect;
    op.pen = pen;
    op.brush = brush;
    ops.push_back(op);
  }
  void DrawBitmap(const Bitmap& bitmap, const Rect& dest) override {
    Op op;
    op.kind = "bitmap";
    op.rect = dest;
    op.x = bitmap.width;
    op.y = bitmap.height;
    ops.push_back(op);
  }
  void SetClip(const Rect* rect) override {
    Op op;
    op.kind = rect ? "clip" : "unclip";
    if (rect) op.rect = *rect;
    ops.push_back(op);
  }
  std::vector<Op> Of(const std::string& kind) const {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }
  std::vector<Op> ops;

 private:
  FontSpec font_;
};

}  // namespace inkwend::testing
