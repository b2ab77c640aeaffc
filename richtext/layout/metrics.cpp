#include "richtext/layout/metrics.h"

#include <algorithm>
#include <cmath>

namespace inkwend {

namespace {

uint16_t ClampWidth(double w) { return static_cast<uint16_t>(std::clamp(std::lround(w), 0L, 0xFFFFL)); }

}  // namespace

void TFontCache::SetMetrics(TTextMetrics* metrics) {
  if (metrics == metrics_) return;
  metrics_ = metrics;
  Clear();
}

void TFontCache::SetScale(double x, double y) {
  if (x <= 0) x = 1.0;
  if (y <= 0) y = 1.0;
  if (x == scale_x_ && y == scale_y_) return;
  scale_x_ = x;
  scale_y_ = y;
  Clear();
}

void TFontCache::Clear() {
  entries_.clear();
  last_ = nullptr;
}

TFontEntry* TFontCache::Entry(const TFontSpec& font) {
  if (last_ && last_->Font == font) return last_;
  for (auto& e : entries_) {
    if (e->Font == font) return last_ = e.get();
  }
  auto entry = std::make_unique<TFontEntry>();
  entry->Font = font;
  if (metrics_) {
    ++queries_;
    TFontMetrics m = metrics_->Metrics(font);
    entry->Metrics.Height = static_cast<int>(std::lround(std::max(m.Height, 0) * scale_y_));
    entry->Metrics.Ascent = static_cast<int>(std::lround(std::max(m.Ascent, 0) * scale_y_));
    std::array<char32_t, 256> codes;
    std::array<int, 256> widths{};
    for (int i = 0; i < 256; ++i) codes[static_cast<size_t>(i)] = static_cast<char32_t>(i);
    metrics_->Advances(font, codes, widths);
    for (int i = 0; i < 256; ++i)
      entry->Low[static_cast<size_t>(i)] = ClampWidth(widths[static_cast<size_t>(i)] * scale_x_);
  } else {
    entry->Low.fill(16);
  }
  entries_.push_back(std::move(entry));
  return last_ = entries_.back().get();
}

uint16_t TFontCache::Width(TFontEntry* entry, char32_t c) {
  if (c < 256) return entry->Low[c];
  auto it = entry->High.find(c);
  if (it != entry->High.end()) return it->second;
  uint16_t w = 16;
  if (metrics_) {
    ++queries_;
    int out = 0;
    metrics_->Advances(entry->Font, std::span<const char32_t>(&c, 1), std::span<int>(&out, 1));
    w = ClampWidth(out * scale_x_);
  }
  entry->High.emplace(c, w);
  return w;
}

}  // namespace inkwend
