#include "platform/font_line_metrics.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>

namespace inkwend {

namespace {

// Big-endian 16-bit fields of a font table; zero past its end.
int16_t Signed16(const QByteArray& table, qsizetype at) {
  if (at < 0 || at + 2 > table.size()) return 0;
  const auto hi = static_cast<uint8_t>(table[at]);
  const auto lo = static_cast<uint8_t>(table[at + 1]);
  return static_cast<int16_t>(static_cast<uint16_t>((hi << 8) | lo));
}

uint16_t Unsigned16(const QByteArray& table, qsizetype at) {
  return static_cast<uint16_t>(Signed16(table, at));
}

constexpr uint16_t kUseTypoMetrics = 1U << 7;  // OS/2 fsSelection bit 7

}  // namespace

std::optional<LineMetrics> DesignLineMetrics(const QRawFont& font) {
  const double units = font.unitsPerEm();
  if (!font.isValid() || units <= 0) return std::nullopt;
  const double scale = font.pixelSize() / units;
  const QByteArray os2 = font.fontTable("OS/2");
  if (os2.size() >= 74 && (Unsigned16(os2, 62) & kUseTypoMetrics) != 0) {
    const int ascent = Signed16(os2, 68);
    const int descent = -Signed16(os2, 70);
    if (ascent + descent > 0)
      return LineMetrics{ascent * scale, descent * scale, std::max(0, int{Signed16(os2, 72)}) * scale};
  }
  const QByteArray hhea = font.fontTable("hhea");
  if (hhea.size() < 10) return std::nullopt;
  const int ascent = Signed16(hhea, 4);
  const int descent = -Signed16(hhea, 6);
  if (ascent + descent <= 0) return std::nullopt;
  return LineMetrics{ascent * scale, descent * scale, std::max(0, int{Signed16(hhea, 8)}) * scale};
}

}  // namespace inkwend
