#pragma once
// One character's attributes: a 10-byte record, kept per run of equal characters or beside every
// character of a paragraph being edited. Fonts, colours and tab stops live in shared tables of the
// document header; a record refers to them by index, so equal formatting costs no more than a
// compare of a few bytes. What the layout measures (widths, heights) and marks (misspelt words)
// is the layout's own, so measuring never breaks a run apart.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace inkwend {

// Character codes with a meaning of their own. Ordinary text never uses 0..3.
inline constexpr char32_t kCharObjectByTag = 1;     // object anchor, tagNumber = object tag
inline constexpr char32_t kCharObjectByNumber = 2;  // object anchor, tagNumber = sequence number
inline constexpr char32_t kCharTab = 9;
inline constexpr char32_t kCharLineBreak = 10;  // a line break inside the paragraph
// Not drawn, but a place where a word may break; drawn as a hyphen where the line breaks there.
inline constexpr char32_t kCharSoftHyphen = 0x00AD;

// styleBits
inline constexpr uint8_t kStyleBold = 0x01;
inline constexpr uint8_t kStyleItalic = 0x02;
inline constexpr uint8_t kStyleUnderline = 0x04;
inline constexpr uint8_t kStyleStrikeOut = 0x08;
inline constexpr uint8_t kStyleDoubleUnderline = 0x10;  // also how hyperlink text is marked
inline constexpr uint8_t kStyleSuperscript = 0x40;
inline constexpr uint8_t kStyleSubscript = 0x80;

// charFlags
inline constexpr uint8_t kCharHidden = 0x01;
inline constexpr uint8_t kCharProtected = 0x02;  // stored in RTF as \shad
inline constexpr uint8_t kCharRtfCode = 0x04;    // the text is itself RTF and is written unescaped
inline constexpr uint8_t kCharFootnote = 0x08;   // footnote anchor, tagNumber = footnote id
inline constexpr uint8_t kCharInsertPoint = 0x10;
inline constexpr uint8_t kCharAutomatic = 0x20;
inline constexpr uint8_t kCharObject = 0x40;  // object anchor (with character 1 or 2)

// Marks of the word walk, as the layout answers them per character (TextLayout::WordFlagsAt);
// they are never kept in the record.
inline constexpr uint8_t kLayoutHyphenation = 0x01;
inline constexpr uint8_t kLayoutWordSeen = 0x02;
inline constexpr uint8_t kLayoutFlaggedWord = 0x04;  // drawn with a red mark
// layoutFlags (byte 4)
inline constexpr uint8_t kLayoutReaderAutomatic = 0x20;  // automatic text inserted by the reader

// moreFlags: how letters are shown (the text itself keeps its case)
inline constexpr uint8_t kMoreAllCaps = 0x01;    // all letters as capitals
inline constexpr uint8_t kMoreSmallCaps = 0x02;  // small letters as capitals of a smaller size
// Direction of a run as a file gave it (RTF \rtlch, \ltrch); kept and written back.
inline constexpr uint8_t kMoreRightToLeft = 0x04;
inline constexpr uint8_t kMoreLeftToRight = 0x08;

struct CharAttr {
  uint8_t fontIndex = 0;     // header font table slot 0..98
  uint8_t colorIndexes = 0;  // low nibble text colour, high nibble background colour (0 = none)
  uint8_t styleBits = 0;
  uint8_t charFlags = 0;
  uint8_t layoutFlags = 0;
  uint8_t moreFlags = 0;
  uint8_t pointSize = 0;  // whole points; 0 means the default, 10 points
  // High nibbles of the colour indexes past the toolbar's 16: low nibble text, high background.
  uint8_t colorHigh = 0;
  uint16_t tagNumber = 0;  // insert-point number, object tag/number, or footnote id

  // Colour table indexes 0..255; a background of 0 means none.
  uint8_t TextColor() const { return static_cast<uint8_t>((colorIndexes & 0x0F) | (colorHigh & 0x0F) << 4); }
  uint8_t BackgroundColor() const { return static_cast<uint8_t>(colorIndexes >> 4 | (colorHigh & 0xF0)); }
  void SetTextColor(uint8_t index) {
    colorIndexes = static_cast<uint8_t>((colorIndexes & 0xF0) | (index & 0x0F));
    colorHigh = static_cast<uint8_t>((colorHigh & 0xF0) | index >> 4);
  }
  void SetBackgroundColor(uint8_t index) {
    colorIndexes = static_cast<uint8_t>((colorIndexes & 0x0F) | ((index & 0x0F) << 4));
    colorHigh = static_cast<uint8_t>((colorHigh & 0x0F) | (index & 0xF0));
  }
  // Style bits in the low byte, character flags in the high byte: the insert-point flag reads
  // as 4096, automatic text as 8192 and double underline as 16.
  uint16_t FlagWord() const { return static_cast<uint16_t>(styleBits | (charFlags << 8)); }
  int EffectivePointSize() const { return pointSize == 0 ? 10 : pointSize; }

  // Two records belong to one run (for writing and painting) when font, colours, the four
  // flag bytes and the size agree; the tag does not count.
  bool SameRun(const CharAttr& other) const {
    uint64_t a, b;
    std::memcpy(&a, &fontIndex, 8);
    std::memcpy(&b, &other.fontIndex, 8);
    return a == b;
  }

  // The same for what is stored: the word walk's bits, should a record carry them, are never
  // written, so records that differ only in them write as one run.
  bool SameStoredRun(const CharAttr& other) const {
    uint64_t a, b;
    std::memcpy(&a, &fontIndex, 8);
    std::memcpy(&b, &other.fontIndex, 8);
    return ((a ^ b) & kStoredRunMask) == 0;
  }
  // The bytes of SameRun's word that SameStoredRun compares (layoutFlags is byte 4 of it).
  static constexpr uint64_t kStoredRunMask = ~(uint64_t{kLayoutWordSeen | kLayoutFlaggedWord} << 32);

  bool operator==(const CharAttr&) const = default;
};
static_assert(std::endian::native == std::endian::little,
              "SameStoredRun's mask reads the record little-endian");

static_assert(sizeof(CharAttr) == 10, "the attribute record is 10 bytes");
static_assert(offsetof(CharAttr, fontIndex) == 0 && offsetof(CharAttr, layoutFlags) == 4 &&
                  offsetof(CharAttr, pointSize) == 6 && offsetof(CharAttr, colorHigh) == 7 &&
                  offsetof(CharAttr, tagNumber) == 8,
              "attribute record layout: SameRun reads bytes 0..7 as one word");

}  // namespace inkwend
