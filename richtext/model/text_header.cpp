#include "richtext/model/text_header.h"

#include <algorithm>
#include <numeric>

namespace inkwend {

namespace {

// The first slot that holds no tab (a free slot reads as position 0), -1 when all are taken.
int FirstFreeTabSlot(const std::array<TTabSlot, kTabSlots>& tabs) {
  for (int i = 0; i < kTabSlots; ++i) {
    if (tabs[static_cast<size_t>(i)].Position == 0) return i;
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

TTextHeader::TTextHeader() {
  std::iota(TabOrder.begin(), TabOrder.end(), 0);
  UpdateTextArea();
}

// --- fonts ---

int TTextHeader::FindFont(std::u32string_view name) const {
  name = CutName(name);
  for (int i = 0; i < kFontSlots; ++i) {
    const TFontSlot& slot = Fonts[static_cast<size_t>(i)];
    if (slot.Name.empty()) break;
    if (FontNamesEqual(slot.Name, name)) return i;
  }
  return -1;
}

int TTextHeader::FontIndexOf(std::u32string_view name) {
  name = CutName(name);
  for (int i = 0; i < kFontSlots; ++i) {
    TFontSlot& slot = Fonts[static_cast<size_t>(i)];
    if (slot.Name.empty()) {
      if (name.empty()) return kNoFont;  // an empty name would end the table
      slot = TFontSlot{std::u32string(name), 0, 0};
      return i;
    }
    if (FontNamesEqual(slot.Name, name)) return i;
  }
  return kNoFont;
}

int TTextHeader::FontCount() const {
  int n = 0;
  while (n < kFontSlots && !Fonts[static_cast<size_t>(n)].Name.empty()) ++n;
  return n;
}

void TTextHeader::ClearFonts() {
  for (TFontSlot& f : Fonts) f = TFontSlot{};
}

// --- tabs ---

int32_t TTextHeader::SnapToTabGrid(int32_t twips) const {
  const int grid = TabGrid();
  return (twips + grid / 2 + 1) / grid * grid;  // truncating division, as stored files expect
}

uint64_t TTextHeader::AddTab(int32_t position, uint8_t kind) {
  TabScratchMask = 0;
  if (kind > kTabAnyKind) kind = kTabLeft;
  auto find = [&](int32_t pos) {
    for (int i = 0; i < kTabSlots; ++i) {
      const TTabSlot& t = Tabs[static_cast<size_t>(i)];
      if (t.Position != 0 && t.Position == pos && (kind == kTabAnyKind || t.Kind == kind)) return i;
    }
    return -1;
  };
  int slot = find(position);
  if (slot < 0) {
    position = SnapToTabGrid(position);
    // A free slot reads as position 0, so a tab that snaps to 0 or below cannot be stored.
    if (position <= 0) return 0;
    slot = find(position);
  }
  if (slot < 0) {
    slot = FirstFreeTabSlot(Tabs);
    if (slot < 0 && OnTabTableFull) {
      OnTabTableFull();
      slot = FirstFreeTabSlot(Tabs);
    }
    if (slot < 0) return 0;
    TTabSlot& t = Tabs[static_cast<size_t>(slot)];
    t.Position = position;
    t.PixelPosition = TwipsToPixelsX(position);
    t.Kind = kind == kTabAnyKind ? DefaultTabKind : kind;
    SortTabs();
  }
  TabScratchMask = uint64_t{1} << slot;
  return TabScratchMask;
}

int TTextHeader::FindTab(int32_t position, uint8_t kind, uint64_t mask) const {
  for (int i = 0; i < kTabSlots; ++i) {
    const TTabSlot& t = Tabs[static_cast<size_t>(i)];
    if (t.Position == 0 || t.Position != position || !((mask >> i) & 1)) continue;
    if (kind == kTabAnyKind || t.Kind == kind) return i;
  }
  return -1;
}

int32_t TTextHeader::TabPositionByRank(int rank) const {
  if (rank < 0) return 0;
  if (rank >= kTabSlots) return kFreeTabPosition;
  const int32_t pos = Tabs[TabOrder[static_cast<size_t>(rank)]].Position;
  return pos == 0 ? kFreeTabPosition : pos;
}

void TTextHeader::ClearTab(int slot) {
  if (slot < 0 || slot >= kTabSlots) return;
  Tabs[static_cast<size_t>(slot)] = TTabSlot{};
  SortTabs();
}

void TTextHeader::ClearTabs() {
  for (TTabSlot& t : Tabs) t = TTabSlot{};
  SortTabs();
}

void TTextHeader::SortTabs() {
  std::iota(TabOrder.begin(), TabOrder.end(), 0);
  auto key = [&](uint8_t slot) {
    const int32_t p = Tabs[slot].Position;
    return p == 0 ? kFreeTabPosition : p;
  };
  // A stable sort gives the same order as the bubble sort over slot numbers.
  std::stable_sort(TabOrder.begin(), TabOrder.end(), [&](uint8_t a, uint8_t b) { return key(a) < key(b); });
}

int TTextHeader::RulerScale() const {
  return Units == TUnits::Inch ? XPixelsPerInch * 100 / 300 : XPixelsPerInch * 100 / 254;
}

// --- page and metrics ---

void TTextHeader::SetPageSize(int32_t width, int32_t height) {
  PageWidth = width;
  PageHeight = height;
  UpdateTextArea();
}

void TTextHeader::SetMargins(int32_t left, int32_t right, int32_t top, int32_t bottom) {
  MarginLeft = left;
  MarginRight = right;
  MarginTop = top;
  MarginBottom = bottom;
  UpdateTextArea();
}

void TTextHeader::SetResolution(int x_ppi, int y_ppi) {
  XPixelsPerInch = std::max(x_ppi, 1);
  YPixelsPerInch = std::max(y_ppi, 1);
  for (TTabSlot& t : Tabs) t.PixelPosition = t.Position == 0 ? 0 : TwipsToPixelsX(t.Position);
  UpdateTextArea();
}

void TTextHeader::UpdateTextArea() {
  TextAreaWidth = TwipsToPixelsX(static_cast<int64_t>(PageWidth) - MarginLeft - MarginRight);
  TextAreaHeight = TwipsToPixelsY(static_cast<int64_t>(PageHeight) - MarginTop - MarginBottom);
}

int TTextHeader::TwipsToPixelsX(int64_t twips) const { return TwipsToPixels(twips, XPixelsPerInch); }
int TTextHeader::TwipsToPixelsY(int64_t twips) const { return TwipsToPixels(twips, YPixelsPerInch); }

}  // namespace inkwend
