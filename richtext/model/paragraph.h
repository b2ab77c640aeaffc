#pragma once
// Paragraphs and lines. A paragraph keeps the characters of all its lines in one buffer, with a
// parallel buffer of attribute records (absent in plain mode); a line is a range of that buffer.
// Re-wrapping therefore only moves line boundaries; the pixels of a line (its top, height,
// baseline) are the layout's own (richtext/layout/layout.h). Lines are addressed by their index in the
// paragraph, characters by their index in the line. Structural changes go through WPRTFText, which keeps the
// ranges consistent.
//
// A paragraph that arrives whole with runs of equal records (the RTF reader delivers every
// paragraph so) keeps those runs instead of one record per character until something asks for
// the records themselves: editing, the listing. Layout and painting read the runs through AttrAt
// and SameRunEnd, so a document that is only shown, searched or written again never pays a
// record per character.
#include <cstdint>
#include <span>
#include <vector>

#include "richtext/model/char_attr.h"

namespace inkwend {

// parFlags
inline constexpr uint8_t kParPageBreak = 0x01;     // page break before this paragraph
inline constexpr uint8_t kParContinuesRow = 0x02;  // cell continues a row begun by an earlier cell
inline constexpr uint8_t kParMoreCells = 0x04;     // further cells of the same row follow
inline constexpr uint8_t kParTableCell = 0x08;
// Direction of the paragraph as a file gave it (RTF \rtlpar, \ltrpar); with neither, the first
// strong character decides.
inline constexpr uint8_t kParRightToLeft = 0x10;
inline constexpr uint8_t kParLeftToRight = 0x20;
inline constexpr uint8_t kParJustifyLastLine = 0x40;
inline constexpr uint8_t kParKeep = 0x80;  // keep paragraph on one page

// layoutDirty
inline constexpr uint8_t kDirtyWrap = 0x01;
inline constexpr uint8_t kDirtyPaint = 0x02;
inline constexpr uint8_t kDirtyAll = kDirtyWrap | kDirtyPaint;

// borderFlags[0]
inline constexpr int kCellPaddingUnit = 5;  // twips, the unit of a cell's padding

inline constexpr uint8_t kBorderOn = 0x01;
inline constexpr uint8_t kBorderEndsBlock = 0x02;  // the bordered block ends after this paragraph
inline constexpr uint8_t kBorderTop = 0x04;
inline constexpr uint8_t kBorderBottom = 0x08;
inline constexpr uint8_t kBorderLeft = 0x10;
inline constexpr uint8_t kBorderRight = 0x20;
inline constexpr uint8_t kBorderBox = 0x40;
inline constexpr uint8_t kBorderDouble = 0x80;
// borderFlags[1]
inline constexpr uint8_t kBorderDotted = 0x01;
inline constexpr uint8_t kBorderHairline = 0x02;
inline constexpr uint8_t kBorderBar = 0x04;
inline constexpr uint8_t kBorderTableLine = 0x40;

// Alignment
inline constexpr uint8_t kAlignLeft = 0;
inline constexpr uint8_t kAlignRight = 1;
inline constexpr uint8_t kAlignCenter = 2;
inline constexpr uint8_t kAlignJustify = 3;

// The longest a line may be (its capacity, terminator included).
inline constexpr int kMaxLineCapacity = 10000;

struct TextLine {
  uint16_t capacity = 0;  // characters this line may hold, terminator included (at most 10000)
  uint16_t length = 0;    // characters in use
  uint32_t start = 0;     // offset of the first character in the paragraph's buffer
};

class WPRTFText;

// Characters that share one attribute record, as appended in one call.
struct AttrRun {
  CharAttr attr;
  uint32_t count = 0;
};

class Paragraph {
 public:
  int32_t firstIndent = 0;  // absolute, from the same origin as leftIndent
  int32_t leftIndent = 0;
  int32_t rightIndent = 0;
  int32_t spaceBefore = 0;
  int32_t spaceAfter = 0;
  int32_t lineSpacing = 0;  // RTF \sl; 0 = automatic
  // RTF \slmult1: a positive lineSpacing is in 240ths of the single line height, not twips.
  bool lineSpacingMultiple = false;
  uint8_t alignment = kAlignLeft;
  uint8_t parFlags = 0;
  uint8_t layoutDirty = 0;
  uint8_t borderFlags[2] = {0, 0};
  uint8_t borderWidth = 0;       // points
  uint8_t borderColor = 0;       // low nibble colour index, high nibble border-to-text distance in mm
  uint8_t reserved[2] = {0, 0};  // copied to new paragraphs
  uint8_t shadingColors = 0;     // low nibble pattern colour, high nibble background colour
  uint8_t shadingPercent = 0;    // 0..100
  uint8_t spare = 0;
  uint64_t tabMask = 0;   // bit n set: header tab slot n applies to this paragraph
  uint8_t cellStart = 0;  // table cell: left edge in 1/255 of the row's usable width
  uint8_t cellWidth = 0;  // table cell: width in 1/255 of the row's usable width
  // Table cell: the space between the cell's edges and its text, in kCellPaddingUnit, left and
  // right in [0], top and bottom in [1] (cells from other programs; the diary's own keep 0).
  uint8_t tableLayout[2] = {0, 0};

  // The chain. The document owns every paragraph; these only link them.
  Paragraph* next = nullptr;
  Paragraph* prev = nullptr;

  // The attribute an empty paragraph (or the end of one) offers to the next typed character:
  // a new paragraph's copy of defaultAttr, or the record of the last character removed there.
  CharAttr endAttr;

  // Unique for the life of the program: a layout keeps its lines by paragraph and must not take
  // a new paragraph at a freed one's address for the old one.
  uint64_t Id() const { return id_; }

  int LineCount() const { return static_cast<int>(lines_.size()); }
  TextLine& Line(int line) { return lines_[static_cast<size_t>(line)]; }
  const TextLine& Line(int line) const { return lines_[static_cast<size_t>(line)]; }

  // The characters of one line, and their attribute records (empty in plain mode).
  std::span<char32_t> LineText(int line);
  std::span<const char32_t> LineText(int line) const;
  std::span<CharAttr> LineAttrs(int line);
  std::span<const CharAttr> LineAttrs(int line) const;

  // All characters of the paragraph, in line order.
  std::span<const char32_t> Text() const { return text_; }
  std::span<CharAttr> Attrs() {
    Expand();
    return attrs_;
  }
  std::span<const CharAttr> Attrs() const {
    Expand();
    return attrs_;
  }
  // Copies the records of characters [from, from + out.size()) without expanding compact runs
  // (for readers of a line at a time, such as the writer). Plain mode: nothing to copy.
  void CopyAttrs(size_t from, std::span<CharAttr> out) const;
  // The record of one character, without expanding compact runs (offset < CharCount(), attribute
  // mode). The reference holds until the paragraph changes.
  const CharAttr& AttrAt(size_t offset) const {
    if (!compact_) return attrs_[offset];
    return runs_[RunIndexOf(offset)].attr;
  }
  // The end of the run of records like the one at `from` (CharAttr::SameRun) that starts there:
  // a walk over a paragraph's runs in steps of this costs no record per character when compact.
  size_t SameRunEnd(size_t from) const;
  // True while the records are held as runs (see the top of this file).
  bool IsCompact() const { return compact_; }
  int CharCount() const { return static_cast<int>(text_.size()); }
  bool HasAttributes() const { return hasAttrs_; }

  bool IsTableCell() const { return (parFlags & kParTableCell) != 0; }
  bool HasBorder() const { return (borderFlags[0] & kBorderOn) != 0; }
  bool EndsBorderBlock() const { return (borderFlags[0] & kBorderEndsBlock) != 0; }
  bool HasShading() const { return shadingPercent != 0 || shadingColors != 0; }
  bool HasTab(int slot) const { return slot >= 0 && slot < 64 && ((tabMask >> slot) & 1) != 0; }
  void MarkDirty() { layoutDirty |= kDirtyAll; }

  // Copies the paragraph properties (everything but text, lines and links) from another one.
  void CopyPropertiesFrom(const Paragraph& other);

  // Memory held by the paragraph's buffers and line table, in bytes (for measurements).
  size_t AllocatedBytes() const;

 private:
  friend class WPRTFText;

  // Turns compact runs into one record per character. Keeps the paragraph as it was when the
  // allocation fails (std::bad_alloc). Inline: painting asks once per character.
  void Expand() const {
    if (compact_) ExpandRuns();
  }
  void ExpandRuns() const;
  // The index in runs_ of the run holding `offset` (compact only).
  size_t RunIndexOf(size_t offset) const;

  static uint64_t NextId();

  uint64_t id_ = NextId();
  std::vector<TextLine> lines_;
  std::vector<char32_t> text_;
  // A run as kept: its record and the offset after its last character.
  struct StoredRun {
    CharAttr attr;
    uint32_t end = 0;
  };
  // One record per character, unless compact_: then runs_ covers text_ in order instead and
  // attrs_ is empty. Mutable because the first reader of the records expands the runs.
  mutable std::vector<CharAttr> attrs_;
  mutable std::vector<StoredRun> runs_;
  mutable bool compact_ = false;
  bool hasAttrs_ = true;
};

}  // namespace inkwend
