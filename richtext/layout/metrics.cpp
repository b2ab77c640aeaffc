#include "richtext/layout/metrics.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace inkwend {

namespace {

uint16_t ClampWidth(double w) { return static_cast<uint16_t>(std::clamp(std::lround(w), 0L, 0xFFFFL)); }

}  // namespace

void FontCache::SetMetrics(TextMetrics* metrics) {
  if (metrics == metrics_) return;
  metrics_ = metrics;
  Clear();
}

void FontCache::SetScale(double x, double y) {
  if (x <= 0) x = 1.0;
  if (y <= 0) y = 1.0;
  if (x == scaleX_ && y == scaleY_) return;
  scaleX_ = x;
  scaleY_ = y;
  Clear();
}

void FontCache::Clear() {
  entries_.clear();
  last_ = nullptr;
}

FontEntry* FontCache::Entry(const FontSpec& font) {
  if (last_ && last_->font == font) return last_;
  for (auto& e : entries_) {
    if (e->font == font) return last_ = e.get();
  }
  auto entry = std::make_unique<FontEntry>();
  entry->font = font;
  if (metrics_) {
    ++queries_;
    FontMetrics m = metrics_->Metrics(font);
    entry->metrics.height = static_cast<int>(std::lround(std::max(m.height, 0) * scaleY_));
    entry->metrics.ascent = static_cast<int>(std::lround(std::max(m.ascent, 0) * scaleY_));
    std::array<char32_t, 256> codes;
    std::array<int, 256> widths{};
    for (int i = 0; i < 256; ++i) codes[static_cast<size_t>(i)] = static_cast<char32_t>(i);
    metrics_->Advances(font, codes, widths);
    for (int i = 0; i < 256; ++i)
      entry->low[static_cast<size_t>(i)] = ClampWidth(widths[static_cast<size_t>(i)] * scaleX_);
    // A soft hyphen is measured as the hyphen it shows where a line breaks there (layout counts
    // it as nothing elsewhere).
    entry->low[0xAD] = entry->low['-'];
    entry->kerns = metrics_->HasKerning(font);
  } else {
    entry->low.fill(16);
  }
  entries_.push_back(std::move(entry));
  return last_ = entries_.back().get();
}

uint16_t FontCache::Width(FontEntry* entry, char32_t c) {
  if (c < 256) return entry->low[c];
  auto it = entry->high.find(c);
  if (it != entry->high.end()) return it->second;
  uint16_t w = 16;
  if (metrics_) {
    ++queries_;
    int out = 0;
    metrics_->Advances(entry->font, std::span<const char32_t>(&c, 1), std::span<int>(&out, 1));
    w = ClampWidth(out * scaleX_);
  }
  entry->high.emplace(c, w);
  return w;
}

const std::vector<uint16_t>& FontCache::ShapedWidths(FontEntry* entry, std::u32string_view word, bool rtl) {
  std::u32string key(word);
  key.push_back(rtl ? 1 : 0);
  auto it = entry->shaped.find(key);
  if (it != entry->shaped.end()) return it->second;
  std::vector<int> widths(word.size(), 16);
  if (metrics_) {
    ++queries_;
    metrics_->Shape(entry->font, std::span<const char32_t>(word.data(), word.size()), rtl, widths);
  }
  std::vector<uint16_t> clamped(word.size());
  for (size_t i = 0; i < word.size(); ++i) clamped[i] = ClampWidth(widths[i] * scaleX_);
  return entry->shaped.emplace(std::move(key), std::move(clamped)).first->second;
}

int FontCache::AskKern(FontEntry* entry, char32_t left, char32_t right) {
  if (!entry->kerns || !metrics_) return 0;
  int16_t* slot = nullptr;
  if (left - kKernTableFirst < kKernTableSpan && right - kKernTableFirst < kKernTableSpan) {
    if (entry->asciiKerns.empty())
      entry->asciiKerns.assign(size_t{kKernTableSpan} * kKernTableSpan, kUnknownKern);
    slot = &entry->asciiKerns[size_t{left - kKernTableFirst} * kKernTableSpan + (right - kKernTableFirst)];
  } else {
    const uint64_t key = (uint64_t{left} << 32) | right;
    auto it = entry->otherKerns.find(key);
    if (it != entry->otherKerns.end()) return it->second;
  }
  const double kern = metrics_->Kerning(entry->font, left, right) * scaleX_;
  const auto value = static_cast<int16_t>(std::clamp(std::lround(kern), -0x7FFFL, 0x7FFFL));
  if (slot) {
    *slot = value;
  } else {
    entry->otherKerns.emplace((uint64_t{left} << 32) | right, value);
  }
  return value;
}

}  // namespace inkwend
