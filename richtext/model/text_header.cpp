#include "richtext/model/text_header.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace inkwend {

namespace {

// The first slot that holds no tab (a free slot reads as position 0), -1 when all are taken.
int FirstFreeTabSlot(const std::array<TabSlot, kTabSlots>& tabs) {
  for (int i = 0; i < kTabSlots; ++i) {
    if (tabs[static_cast<size_t>(i)].position == 0) return i;
  }
  return -1;
}

char32_t FoldCase(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  // Latin-1 capitals (except the multiplication sign).
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

std::u32string_view CutName(std::u32string_view name) {
  return name.substr(0, std::min<size_t>(name.size(), kMaxFontNameLength));
}

}  // namespace

bool FontNamesEqual(std::u32string_view a, std::u32string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

int TwipsToPixels(int64_t twips, int ppi) {
  const int64_t product = twips * ppi;
  const int64_t half = 720;
  return static_cast<int>(product >= 0 ? (product + half) / 1440 : -((-product + half) / 1440));
}

TextHeader::TextHeader() {
  std::iota(tabOrder.begin(), tabOrder.end(), 0);
  UpdateTextArea();
}

// --- colours ---

ColorRef TextHeader::Color(int index) const {
  if (index >= 0 && index < 16) return colors[static_cast<size_t>(index)];
  const size_t more = static_cast<size_t>(index) - 16;
  return index > 0 && more < moreColors.size() ? moreColors[more] : 0;
}

int TextHeader::ColorIndexOf(ColorRef c, int first) {
  for (int i = first; i < ColorCount(); ++i) {
    if (Color(i) == c) return i;
  }
  if (ColorCount() >= kMaxColors) return NearestColor(c, kMaxColors);
  moreColors.push_back(c);
  return ColorCount() - 1;
}

int TextHeader::NearestColor(ColorRef c, int count) const {
  // The "red mean" distance: weights that follow the eye's sensitivity closely enough that dark
  // red stays dark red rather than turning into a brighter primary.
  int best = 0;
  int64_t best_d = std::numeric_limits<int64_t>::max();
  for (int i = 0; i < std::min(count, ColorCount()); ++i) {
    const ColorRef d = Color(i);
    const int64_t mean_red = (RedOf(c) + RedOf(d)) / 2;
    const int64_t dr = RedOf(c) - RedOf(d), dg = GreenOf(c) - GreenOf(d), db = BlueOf(c) - BlueOf(d);
    const int64_t dist = (512 + mean_red) * dr * dr + 1024 * dg * dg + (767 - mean_red) * db * db;
    if (dist < best_d) {
      best_d = dist;
      best = i;
    }
  }
  return best;
}

// --- fonts ---

int TextHeader::FindFont(std::u32string_view name) const {
  name = CutName(name);
  for (int i = 0; i < kFontSlots; ++i) {
    const FontSlot& slot = fonts[static_cast<size_t>(i)];
    if (slot.name.empty()) break;
    if (FontNamesEqual(slot.name, name)) return i;
  }
  return -1;
}

int TextHeader::FontIndexOf(std::u32string_view name) {
  name = CutName(name);
  for (int i = 0; i < kFontSlots; ++i) {
    FontSlot& slot = fonts[static_cast<size_t>(i)];
    if (slot.name.empty()) {
      if (name.empty()) return kNoFont;  // an empty name would end the table
      slot = FontSlot{std::u32string(name), 0, 0};
      return i;
    }
    if (FontNamesEqual(slot.name, name)) return i;
  }
  return kNoFont;
}

int TextHeader::FontCount() const {
  int n = 0;
  while (n < kFontSlots && !fonts[static_cast<size_t>(n)].name.empty()) ++n;
  return n;
}

void TextHeader::ClearFonts() {
  for (FontSlot& f : fonts) f = FontSlot{};
}

// --- tabs ---

int32_t TextHeader::SnapToTabGrid(int32_t twips) const {
  const int grid = TabGrid();
  return (twips + grid / 2 + 1) / grid * grid;  // truncating division, as stored files expect
}

uint64_t TextHeader::AddTab(int32_t position, uint8_t kind, uint8_t leader, TabSnap snap) {
  tabScratchMask = 0;
  if (kind > kTabAnyKind) kind = kTabLeft;
  if (leader > kTabLeaderEquals) leader = kTabLeaderNone;
  auto find = [&](int32_t pos) {
    for (int i = 0; i < kTabSlots; ++i) {
      const TabSlot& t = tabs[static_cast<size_t>(i)];
      if (t.position != 0 && t.position == pos && (kind == kTabAnyKind || t.kind == kind) &&
          t.leader == leader)
        return i;
    }
    return -1;
  };
  int slot = find(position);
  if (slot < 0 && snap == TabSnap::ToGrid) {
    position = SnapToTabGrid(position);
    // A free slot reads as position 0, so a tab that snaps to 0 or below cannot be stored.
    if (position <= 0) return 0;
    slot = find(position);
  }
  if (slot < 0) {
    slot = FirstFreeTabSlot(tabs);
    if (slot < 0 && onTabTableFull) {
      onTabTableFull();
      slot = FirstFreeTabSlot(tabs);
    }
    if (slot < 0) return 0;
    TabSlot& t = tabs[static_cast<size_t>(slot)];
    t.position = position;
    t.pixelPosition = TwipsToPixelsX(position);
    t.kind = kind == kTabAnyKind ? defaultTabKind : kind;
    t.leader = leader;
    SortTabs();
  }
  tabScratchMask = uint64_t{1} << slot;
  return tabScratchMask;
}

int TextHeader::FindTab(int32_t position, uint8_t kind, uint64_t mask) const {
  for (int i = 0; i < kTabSlots; ++i) {
    const TabSlot& t = tabs[static_cast<size_t>(i)];
    if (t.position == 0 || t.position != position || !((mask >> i) & 1)) continue;
    if (kind == kTabAnyKind || t.kind == kind) return i;
  }
  return -1;
}

int32_t TextHeader::TabPositionByRank(int rank) const {
  if (rank < 0) return 0;
  if (rank >= kTabSlots) return kFreeTabPosition;
  const int32_t pos = tabs[tabOrder[static_cast<size_t>(rank)]].position;
  return pos == 0 ? kFreeTabPosition : pos;
}

void TextHeader::ClearTab(int slot) {
  if (slot < 0 || slot >= kTabSlots) return;
  tabs[static_cast<size_t>(slot)] = TabSlot{};
  SortTabs();
}

void TextHeader::ClearTabs() {
  for (TabSlot& t : tabs) t = TabSlot{};
  SortTabs();
}

void TextHeader::SortTabs() {
  std::iota(tabOrder.begin(), tabOrder.end(), 0);
  auto key = [&](uint8_t slot) {
    const int32_t p = tabs[slot].position;
    return p == 0 ? kFreeTabPosition : p;
  };
  // A stable sort gives the same order as the bubble sort over slot numbers.
  std::stable_sort(tabOrder.begin(), tabOrder.end(), [&](uint8_t a, uint8_t b) { return key(a) < key(b); });
}

int TextHeader::RulerScale() const {
  return units == Units::Inch ? xPixelsPerInch * 100 / 300 : xPixelsPerInch * 100 / 254;
}

// --- page and metrics ---

void TextHeader::SetPageSize(int32_t width, int32_t height) {
  pageWidth = width;
  pageHeight = height;
  UpdateTextArea();
}

void TextHeader::SetMargins(int32_t left, int32_t right, int32_t top, int32_t bottom) {
  marginLeft = left;
  marginRight = right;
  marginTop = top;
  marginBottom = bottom;
  UpdateTextArea();
}

void TextHeader::SetResolution(int x_ppi, int y_ppi) {
  xPixelsPerInch = std::max(x_ppi, 1);
  yPixelsPerInch = std::max(y_ppi, 1);
  for (TabSlot& t : tabs) t.pixelPosition = t.position == 0 ? 0 : TwipsToPixelsX(t.position);
  UpdateTextArea();
}

void TextHeader::UpdateTextArea() {
  textAreaWidth = TwipsToPixelsX(static_cast<int64_t>(pageWidth) - marginLeft - marginRight);
  textAreaHeight = TwipsToPixelsY(static_cast<int64_t>(pageHeight) - marginTop - marginBottom);
}

int TextHeader::TwipsToPixelsX(int64_t twips) const { return TwipsToPixels(twips, xPixelsPerInch); }
int TextHeader::TwipsToPixelsY(int64_t twips) const { return TwipsToPixels(twips, yPixelsPerInch); }

}  // namespace inkwend
