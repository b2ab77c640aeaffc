#pragma once
// The control words the RTF reader knows: one table row per word with its kind, its default
// parameter (used when the word carries no number, or always when forced) and the action the
// reader performs. Words not in the table are skipped.
#include <cstdint>
#include <string_view>

namespace inkwend {

enum class RtfKind : uint8_t { Character, Destination, Property, Special };

enum class RtfAction : uint8_t {
  // characters
  Par,   // end of paragraph
  Line,  // line break inside the paragraph
  Tab,
  Char,    // add the character in `Arg`
  Ignore,  // accepted, no effect
  // character attributes
  Plain,
  Font,
  FontSize,
  Style,          // styleBits bit `Arg` on (n != 0) or off
  CharFlag,       // charFlags bit `Arg` on or off
  MoreFlag,       // moreFlags bit `Arg` on or off
  CharDirection,  // \rtlch, \ltrch: moreFlags direction bit `Arg`, the other one off
  Super,
  Sub,
  NoSuperSub,
  Up,            // \up: superscript when n > 0
  Down,          // \dn: subscript when n > 0
  UnderlineOff,  // \ulnone: both underline bits off
  InsPnt,
  InAut,
  WpRtf,
  Cf,
  Cb,
  // paragraph properties
  Pard,
  Li,
  Ri,
  Fi,
  Sb,
  Sa,
  Sl,
  Align,  // `Arg` = alignment
  PageBreak,
  Keep,
  ParDirection,  // \rtlpar, \ltrpar: parFlags direction bit `Arg`
  Tx,
  TabKind,     // `Arg` = pending tab kind
  TabLeader,   // `Arg` = pending tab leader
  SlMult,      // \slmult: the line spacing is a multiple of the line
  Border,      // `Arg` = bits of the first border byte, high byte = bits of the second
  BorderNone,  // \brdrnone, \brdrnil, \brdrtbl: the side just named has no border
  BrdrW,
  Brsp,
  BrdrCf,
  Shading,
  Cbpat,
  Cfpat,
  // document
  Page,  // `Arg`: 0 width, 1 height, 2..5 margins left, right, top, bottom
  Facing,
  Landscape,
  AnsiCpg,
  Deff,
  DefTab,
  Uc,
  U,
  // tables
  Trowd,
  Cellx,
  Row,
  Cell,
  Intbl,
  Clmrg,
  CellPadding,      // `Arg` = side (0 left, 1 top, 2 right, 3 bottom) + kPaddingOfRow for the row's
  CellPaddingUnit,  // the unit of that padding (3 twips; anything else: the padding is unset)
  Trgaph,
  Trleft,
  // colour table
  Red,
  Green,
  Blue,
  // font table
  FCharset,
  Family,  // `Arg` = family nibble
  Cpg,
  // pictures and objects
  Pict,
  PictKind,  // `Arg`: an EmbeddedPictureKind (richtext/picture/embedded_picture.h)
  PicValue,  // `Arg`: the index RtfPictureReader::SetValue takes
  PicFile,
  ObjTag,
  ObjW,
  ObjH,
  // destinations
  FontTbl,
  ColorTbl,
  InfoText,  // `Arg`: 6 title, 7 comment, 8 subject
  Footnote,
  FnNr,
  Chftn,
  Transparent,  // a destination whose text is read as document text
  SkipGroup,    // a destination whose contents are dropped
  NestRow,      // a nested row's definition: a line break, the definition skipped
  StyleSheet,
  Shape,        // a Word shape (\shp): its picture is kept
  ShapeInst,    // the shape's properties
  ShapeName,    // a property's name (\sn)
  ShapeValue,   // a property's value (\sv)
  ShapeResult,  // what older readers show instead of the shape
  // styles
  StyleNumber,  // \s, \cs, \ds, \ts: `Arg` 0 paragraph, 1 character, 2 other style
  BasedOn,      // \sbasedon
  // specials
  Hex,   // \'xx
  Star,  // \*
  Bin,
  ParBreak,  // backslash + CR or LF
};

inline constexpr int32_t kPaddingOfRow = 4;  // in the `Arg` of CellPadding and CellPaddingUnit

struct RtfKeyword {
  std::string_view word;
  int32_t defaultValue;
  bool forceDefault;
  RtfKind kind;
  RtfAction action;
  int32_t arg;
};

// The table entry of a control word (or control symbol), or nullptr for an unknown word.
const RtfKeyword* FindRtfKeyword(std::string_view word);

// The hash the look-up uses, so that a reader can compute it a byte at a time while it reads
// the word, and the look-up with that hash.
inline constexpr uint32_t kRtfKeywordHashSeed = 2166136261u;
constexpr uint32_t RtfKeywordHashStep(uint32_t h, uint8_t c) { return (h ^ c) * 16777619u; }
const RtfKeyword* FindRtfKeyword(std::string_view word, uint32_t hash);

}  // namespace inkwend
