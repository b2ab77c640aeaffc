#pragma once
// A surface to paint on: the editor window, a printer page or a test recorder. Coordinates are
// device pixels; text is drawn at positions given by the caller (layout decides where each
// character goes, so caret and glyphs never drift apart).
#include <cstdint>
#include <span>

#include "richtext/layout/metrics.h"
#include "richtext/model/objects.h"
#include "richtext/model/text_header.h"

namespace inkwend {

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Intersects(const TRect& o) const {
    return Left < o.Right && o.Left < Right && Top < o.Bottom && o.Top < Bottom;
  }
  bool operator==(const TRect&) const = default;
};

enum class TPenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Null };

struct TPen {
  TColorRef Color = 0;
  int Width = 1;
  TPenStyle Style = TPenStyle::Solid;
  bool operator==(const TPen&) const = default;
};

// A fill; Null means no fill.
struct TBrush {
  TColorRef Color = 0xFFFFFF;
  bool Null = false;
  bool operator==(const TBrush&) const = default;
};

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  virtual void SetFont(const TFontSpec& font) = 0;
  // Draws characters from (x, baseline) in the current font. With advances (one per character)
  // each character starts where the previous one's advance ends; without, the font's own
  // advances are used (metafile text).
  virtual void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                        TColorRef color) = 0;
  virtual void FillRect(const TRect& rect, TColorRef color) = 0;
  virtual void DrawLine(TPoint from, TPoint to, const TPen& pen) = 0;
  virtual void DrawPolyline(std::span<const TPoint> points, const TPen& pen) = 0;
  virtual void DrawPolygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) = 0;
  virtual void DrawRectangle(const TRect& rect, const TPen& pen, const TBrush& brush) = 0;
  virtual void DrawEllipse(const TRect& rect, const TPen& pen, const TBrush& brush) = 0;
  // Stretches a bitmap into the rectangle.
  virtual void DrawBitmap(const TBitmap& bitmap, const TRect& dest) = 0;
  // Limits drawing to a rectangle (nullptr: no limit).
  virtual void SetClip(const TRect* rect) = 0;
};

}  // namespace inkwend
