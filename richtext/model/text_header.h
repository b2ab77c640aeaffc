#pragma once
// The document header: the shared tables that characters and paragraphs refer to by index
// (colours, fonts, tab stops), the page layout, the screen metrics used to turn twips into
// pixels, and the document information texts. Each document owns exactly one header.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwend {

enum class Units : uint8_t { Inch, Centimetre };

// Tab kinds; kTabAnyKind matches any kind when looking up and stores the default kind when adding.
inline constexpr uint8_t kTabLeft = 0;
inline constexpr uint8_t kTabRight = 1;
inline constexpr uint8_t kTabCenter = 2;
inline constexpr uint8_t kTabDecimal = 3;
inline constexpr uint8_t kTabAnyKind = 4;

// What fills the room a tab jumps over.
inline constexpr uint8_t kTabLeaderNone = 0;
inline constexpr uint8_t kTabLeaderDot = 1;
inline constexpr uint8_t kTabLeaderHyphen = 2;
inline constexpr uint8_t kTabLeaderUnderline = 3;
inline constexpr uint8_t kTabLeaderThick = 4;
inline constexpr uint8_t kTabLeaderEquals = 5;

inline constexpr int kFontSlots = 99;  // slots 0..98
inline constexpr int kNoFont = 99;     // result of a lookup-or-add on a full table
inline constexpr int kMaxFontNameLength = 31;
inline constexpr int kTabSlots = 64;
inline constexpr int32_t kFreeTabPosition = 0xFFFFFF;  // what a free slot reads as by rank
enum class TabSnap { ToGrid, Exact };

// Pitch-and-family byte: the upper nibble is the family.
inline constexpr uint8_t kFamilyRoman = 0x10;
inline constexpr uint8_t kFamilySwiss = 0x20;
inline constexpr uint8_t kFamilyModern = 0x30;
inline constexpr uint8_t kFamilyScript = 0x40;
inline constexpr uint8_t kFamilyDecorative = 0x50;
inline constexpr uint8_t kSymbolCharSet = 2;

// 32-bit colour: red in the low byte, then green, then blue.
using ColorRef = uint32_t;
inline constexpr ColorRef RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}
inline constexpr uint8_t RedOf(ColorRef c) { return c & 0xFF; }
inline constexpr uint8_t GreenOf(ColorRef c) { return (c >> 8) & 0xFF; }
inline constexpr uint8_t BlueOf(ColorRef c) { return (c >> 16) & 0xFF; }

// black, red, green, blue, yellow, magenta, purple, maroon, lime, aqua, teal, navy, white,
// silver, grey, black (index 15 is a second black).
inline constexpr std::array<ColorRef, 16> kDefaultColors = {
    0x000000, 0x0000FF, 0x008000, 0xFF0000, 0x00FFFF, 0xFF00FF, 0x800080, 0x000080,
    0x00FF00, 0xFFFF00, 0x808000, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000};

// A character refers to a colour by an 8-bit index: the 16 entries of the toolbar's table first,
// then the colours a document from elsewhere brings beyond them.
inline constexpr int kMaxColors = 256;

struct FontSlot {
  std::u32string name;  // at most 31 characters; an empty name ends the table
  uint8_t pitchFamily = 0;
  uint8_t charSet = 0;
};

struct TabSlot {
  int32_t position = 0;  // twips; 0 = free slot
  int32_t pixelPosition = 0;
  uint8_t kind = kTabLeft;
  uint8_t leader = kTabLeaderNone;
};

class TextHeader {
 public:
  TextHeader();

  // Colour table: the 16 entries the toolbar offers, and what a document holds past them.
  std::array<ColorRef, 16> colors = kDefaultColors;
  std::vector<ColorRef> moreColors;  // indexes 16 and up, at most kMaxColors in all

  // Screen metrics. The text area (in pixels) follows page size, margins and resolution; call
  // UpdateTextArea() after changing any of them directly, or use the setters below.
  int xPixelsPerInch = 96;
  int yPixelsPerInch = 96;
  int textAreaWidth = 0;   // pixels
  int textAreaHeight = 0;  // pixels

  Units units = Units::Inch;  // chooses the tab grid and the ruler scale
  bool attributesOn = true;   // every line carries attribute records (see WPRTFText::SetAttributeMode)

  std::array<FontSlot, kFontSlots> fonts;

  std::array<TabSlot, kTabSlots> tabs;
  std::array<uint8_t, kTabSlots> tabOrder;  // slot numbers sorted by position, free slots last
  uint64_t tabScratchMask = 0;              // the mask the last AddTab returned
  uint8_t defaultTabKind = kTabLeft;        // what kTabAnyKind stores
  // The distance of the default tab stops in twips as a file from elsewhere states it (\deftab);
  // 0 keeps the diary's own grid (see TextLayout::DefaultTabInterval).
  int32_t defaultTabTwips = 0;
  // Called once when AddTab finds no free slot; it may free slots (ClearTab) to make room.
  std::function<void()> onTabTableFull;

  // Page layout in twips.
  int32_t pageWidth = 12240;   // 8.5 inch
  int32_t pageHeight = 15840;  // 11 inch
  int32_t pageExtra = 1;       // kept and copied; its role is not settled
  int32_t marginLeft = 1880;
  int32_t marginRight = 1880;
  int32_t marginTop = 1440;
  int32_t marginBottom = 1440;
  uint8_t facingPages = 0;
  uint8_t landscape = 0;

  // Document information (empty until set).
  std::u32string title;
  std::u32string subject;
  std::u32string comment;

  // --- fonts ---
  // Index of the font (case-insensitive, name cut to 31 characters); adds it in the first
  // empty slot when missing. kNoFont (99) when all 99 slots are used.
  int FontIndexOf(std::u32string_view name);
  // Index of the font or -1, without adding.
  int FindFont(std::u32string_view name) const;
  int FontCount() const;  // used slots before the first empty name
  void ClearFonts();

  // --- colours ---
  int ColorCount() const { return 16 + static_cast<int>(moreColors.size()); }
  // The colour of an index; one past the table reads as black.
  ColorRef Color(int index) const;
  // Whether the table says more than its first 15 entries (which is all a file of the diary's own
  // states): index 15 holds a colour of its own, or there are colours past the 16.
  bool ColorsBeyondDefault() const { return colors[15] != kDefaultColors[15] || !moreColors.empty(); }
  // Index of the colour, the first of the table from `first` on that is equal; added past the 16
  // when missing. When the table is full, the perceptually nearest colour's index.
  int ColorIndexOf(ColorRef c, int first = 0);
  // Index of the perceptually nearest colour among the first `count` entries.
  int NearestColor(ColorRef c, int count) const;
  void ResetColors() {
    colors = kDefaultColors;
    moreColors.clear();
  }

  // --- tabs ---
  // Adds a tab stop (twips, kind 0..3 or kTabAnyKind) and returns the mask with its slot's bit:
  // an exact match first, then the position snapped to the tab grid; a miss takes the first
  // free slot. An empty mask means the tab was dropped (table full, or nothing left after snapping).
  // A stop with a leader (kTabLeader...) is a slot of its own beside one without.
  // Exact keeps the position as it stands (a document from elsewhere, whose stops are where
  // its author put them); the grid is for stops set on our ruler.
  uint64_t AddTab(int32_t position, uint8_t kind, uint8_t leader = kTabLeaderNone,
                  TabSnap snap = TabSnap::ToGrid);
  // Slot of an exact tab among the slots of `mask` (kind kTabAnyKind matches any kind), or -1.
  int FindTab(int32_t position, uint8_t kind, uint64_t mask) const;
  // Position of the tab with the given rank in position order; a free slot or a rank above 63
  // reads as 0xFFFFFF, a negative rank as 0.
  int32_t TabPositionByRank(int rank) const;
  void ClearTab(int slot);
  void ClearTabs();
  void SortTabs();
  int TabGrid() const { return units == Units::Inch ? 144 : 141; }
  int32_t SnapToTabGrid(int32_t twips) const;

  // Ruler scale factor: ppi x 100 / 300 (inch) or ppi x 100 / 254 (centimetre).
  int RulerScale() const;

  // --- page and metrics ---
  void SetPageSize(int32_t width, int32_t height);
  void SetMargins(int32_t left, int32_t right, int32_t top, int32_t bottom);
  void SetResolution(int x_ppi, int y_ppi);  // also refreshes the tab pixel positions
  void UpdateTextArea();
  int32_t TextWidthTwips() const { return pageWidth - marginLeft - marginRight; }
  int TwipsToPixelsX(int64_t twips) const;
  int TwipsToPixelsY(int64_t twips) const;
};

// Case-insensitive comparison of font names (ASCII and Latin-1 letters).
bool FontNamesEqual(std::u32string_view a, std::u32string_view b);

// twips x ppi / 1440, 64-bit, rounded to nearest (halves away from zero).
int TwipsToPixels(int64_t twips, int ppi);

}  // namespace inkwend
