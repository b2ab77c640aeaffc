#pragma once
// Character metrics as layout needs them: the advance of each character and the height and
// ascent of a font, in whole device pixels. The platform answers through TTextMetrics; layout
// never asks it directly but through TFontCache, which keeps every answer per font, so that
// re-wrapping a paragraph asks the platform nothing it was asked before.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace inkwend {

// A font as selected onto a device. PixelSize is the em height in device pixels
// (points x ppi / 72, rounded), the way a font of a given point size is created on a device.
struct TFontSpec {
  std::u32string Name;
  int PointSize = 10;  // after superscript/subscript reduction and zoom
  int PixelSize = 13;
  bool Bold = false;
  bool Italic = false;
  bool StrikeOut = false;
  uint8_t CharSet = 0;

  bool operator==(const TFontSpec&) const = default;
};

struct TFontMetrics {
  int Height = 16;  // text height plus external leading
  int Ascent = 14;
};

class TTextMetrics {
 public:
  virtual ~TTextMetrics() = default;
  virtual TFontMetrics Metrics(const TFontSpec& font) = 0;
  // Advances of the given characters, one per character, in pixels.
  virtual void Advances(const TFontSpec& font, std::span<const char32_t> chars, std::span<int> out) = 0;
};

// The answers of one font: metrics, the advances of codes 0..255 (asked at once, as a width
// table), and any other code asked so far.
struct TFontEntry {
  TFontSpec Font;
  TFontMetrics Metrics;
  std::array<uint16_t, 256> Low{};
  std::unordered_map<char32_t, uint16_t> High;
};

class TFontCache {
 public:
  explicit TFontCache(TTextMetrics* metrics = nullptr) : metrics_(metrics) {}
  void SetMetrics(TTextMetrics* metrics);
  TTextMetrics* Metrics() const { return metrics_; }
  // Scale factors of a reference device (1.0 when unset), applied to every width and height.
  void SetScale(double x, double y);

  // The entry of a font, created (and measured) on first use. The pointer stays valid until
  // the cache is cleared.
  TFontEntry* Entry(const TFontSpec& font);
  uint16_t Width(TFontEntry* entry, char32_t c);
  void Clear();
  // How many times the platform was asked (fonts and characters), for tests.
  int64_t PlatformQueries() const { return queries_; }

 private:
  TTextMetrics* metrics_;
  double scale_x_ = 1.0;
  double scale_y_ = 1.0;
  std::vector<std::unique_ptr<TFontEntry>> entries_;
  TFontEntry* last_ = nullptr;
  int64_t queries_ = 0;
};

}  // namespace inkwend
