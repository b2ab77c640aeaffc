#pragma once
// Turning RTF's numbers into the model's values: clamping, the tab grid, the spacing nibbles.
// Shared by the parts of the RTF reader.
#include <algorithm>
#include <array>
#include <cstdint>

#include "richtext/model/text_header.h"

namespace inkwend::rtf_values {

// Lengths beyond 1,000,000 twips (about 17 metres) are clamped: nothing on a page is that long,
// and snapping such values to the tab grid would overflow.
inline constexpr int32_t kMaxLength = 1000000;

inline int32_t ClampInt(int64_t v, int32_t lo, int32_t hi) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, lo, hi));
}

// Twips of the writer's spacing unit (border-to-text distance and cell gap) back to its nibble.
inline uint8_t SpacingNibble(int32_t twips) {
  if (twips <= 0) return 0;
  const int64_t n = (static_cast<int64_t>(twips) * 160 + 566) / 567;
  return static_cast<uint8_t>(std::min<int64_t>(n, 15));
}

// The value of a hexadecimal digit (either case), -1 for any other byte.
inline constexpr std::array<int8_t, 256> kHexValue = [] {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
  return t;
}();

}  // namespace inkwend::rtf_values
