#pragma once
// Character metrics as layout needs them: the advance of each character and the height and
// ascent of a font, in whole device pixels. The platform answers through TextMetrics; layout
// never asks it directly but through FontCache, which keeps every answer per font, so that
// re-wrapping a paragraph asks the platform nothing it was asked before.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace inkwend {

// A font as selected onto a device. pixelSize is the em height in device pixels
// (points x ppi / 72, rounded), the way a font of a given point size is created on a device.
struct FontSpec {
  std::u32string name;
  int pointSize = 10;  // after superscript/subscript reduction and zoom
  int pixelSize = 13;
  bool bold = false;
  bool italic = false;
  bool strikeOut = false;
  uint8_t charSet = 0;

  bool operator==(const FontSpec&) const = default;
};

struct FontMetrics {
  int height = 16;  // text height plus external leading
  int ascent = 14;
};

class TextMetrics {
 public:
  virtual ~TextMetrics() = default;
  virtual FontMetrics Metrics(const FontSpec& font) = 0;
  // Advances of the given characters, one per character, in pixels.
  virtual void Advances(const FontSpec& font, std::span<const char32_t> chars, std::span<int> out) = 0;
  // Pair kerning: whether the font has any, and how much the advance of `left` changes when
  // `right` follows it in the same font, in pixels before rounding.
  virtual bool HasKerning(const FontSpec& /*font*/) { return false; }
  virtual double Kerning(const FontSpec& /*font*/, char32_t /*left*/, char32_t /*right*/) { return 0; }
  // A run of one direction shaped as a whole (joined letters, marks, emoji sequences): per
  // character the advance of the cluster it begins, 0 for the rest of a cluster. Without a
  // shaper, the characters' own advances.
  virtual void Shape(const FontSpec& font, std::span<const char32_t> chars, bool /*rtl*/,
                     std::span<int> out) {
    Advances(font, chars, out);
  }
};

// The answers of one font: metrics, the advances of codes 0..255 (asked at once, as a width
// table), and any other code asked so far.
struct FontEntry {
  FontSpec font;
  FontMetrics metrics;
  std::array<uint16_t, 256> low{};
  std::unordered_map<char32_t, uint16_t> high;
  // Kerning pairs asked so far: printable ASCII in a table (kUnknownKern until asked), the
  // rest by (left << 32 | right).
  bool kerns = false;
  std::vector<int16_t> asciiKerns;
  std::unordered_map<uint64_t, int16_t> otherKerns;
  // Shaped words asked so far (the key ends in 1 for right-to-left), their widths per character.
  std::unordered_map<std::u32string, std::vector<uint16_t>> shaped;
};

inline constexpr int16_t kUnknownKern = INT16_MIN;
inline constexpr char32_t kKernTableFirst = 32;  // the table holds pairs of codes 32..126
inline constexpr char32_t kKernTableSpan = 95;

class FontCache {
 public:
  explicit FontCache(TextMetrics* metrics = nullptr) : metrics_(metrics) {}
  void SetMetrics(TextMetrics* metrics);
  TextMetrics* Metrics() const { return metrics_; }
  // Scale factors of a reference device (1.0 when unset), applied to every width and height.
  void SetScale(double x, double y);

  // The entry of a font, created (and measured) on first use. The pointer stays valid until
  // the cache is cleared.
  FontEntry* Entry(const FontSpec& font);
  uint16_t Width(FontEntry* entry, char32_t c);
  // Whole pixels added to `left`'s width before `right` (0 for a font without kerning).
  // Inline for the pairs of printable ASCII already asked, the bulk of any text.
  int Kern(FontEntry* entry, char32_t left, char32_t right) {
    if (left - kKernTableFirst < kKernTableSpan && right - kKernTableFirst < kKernTableSpan &&
        !entry->asciiKerns.empty()) {
      const int16_t known =
          entry->asciiKerns[(left - kKernTableFirst) * kKernTableSpan + (right - kKernTableFirst)];
      if (known != kUnknownKern) return known;
    }
    return AskKern(entry, left, right);
  }
  // The widths of a word that needs shaping (cached per font, since words repeat).
  const std::vector<uint16_t>& ShapedWidths(FontEntry* entry, std::u32string_view word, bool rtl);
  void Clear();
  // How many times the platform was asked (fonts and characters), for tests.
  int64_t PlatformQueries() const { return queries_; }

 private:
  TextMetrics* metrics_;
  double scaleX_ = 1.0;
  double scaleY_ = 1.0;
  std::vector<std::unique_ptr<FontEntry>> entries_;
  FontEntry* last_ = nullptr;
  int64_t queries_ = 0;
  int AskKern(FontEntry* entry, char32_t left, char32_t right);
};

}  // namespace inkwend
