#include "richtext/rtf/keywords.h"

#include <array>
#include <cstddef>

#include "richtext/model/char_attr.h"
#include "richtext/model/paragraph.h"
#include "richtext/model/text_header.h"

namespace inkwend {

namespace {

using K = RtfKind;
using A = RtfAction;

constexpr int32_t kB2(int first, int second) { return first | (second << 8); }

// clang-format off
constexpr RtfKeyword kKeywords[] = {
    // characters and breaks
    {"par", 0, false, K::Property, A::Par, 0},
    {"sect", 0, false, K::Property, A::Par, 0},
    {"line", 0, false, K::Character, A::Line, 0},
    {"tab", 0, false, K::Character, A::Tab, 0},
    {"ldblquote", 0, false, K::Character, A::Char, 0x201C},
    {"rdblquote", 0, false, K::Character, A::Char, 0x201D},
    {"lquote", 0, false, K::Character, A::Char, 0x2018},
    {"rquote", 0, false, K::Character, A::Char, 0x2019},
    {"emdash", 0, false, K::Character, A::Char, 0x2014},
    {"endash", 0, false, K::Character, A::Char, 0x2013},
    {"bullet", 0, false, K::Character, A::Char, 0x2022},
    {"emspace", 0, false, K::Character, A::Char, 0x2003},
    {"enspace", 0, false, K::Character, A::Char, 0x2002},
    {"qmspace", 0, false, K::Character, A::Char, 0x2005},
    {"~", 0, false, K::Character, A::Char, 0x00A0},
    {"_", 0, false, K::Character, A::Char, 0x2011},
    {"-", 0, false, K::Character, A::Char, kCharSoftHyphen},
    {"{", 0, false, K::Character, A::Char, '{'},
    {"}", 0, false, K::Character, A::Char, '}'},
    {"\\", 0, false, K::Character, A::Char, '\\'},
    {"\n", 0, false, K::Character, A::ParBreak, 0},
    {"\r", 0, false, K::Character, A::ParBreak, 0},
    {"'", 0, false, K::Special, A::Hex, 0},
    {"*", 0, false, K::Special, A::Star, 0},
    {"bin", 0, false, K::Special, A::Bin, 0},
    {"u", 0, false, K::Special, A::U, 0},
    {"uc", 1, false, K::Property, A::Uc, 0},
    // character attributes
    {"plain", 0, false, K::Property, A::Plain, 0},
    {"f", 0, false, K::Property, A::Font, 0},
    {"fs", 100, false, K::Property, A::FontSize, 0},
    {"b", 1, false, K::Property, A::Style, kStyleBold},
    {"i", 1, false, K::Property, A::Style, kStyleItalic},
    {"ul", 1, false, K::Property, A::Style, kStyleUnderline},
    {"uld", 1, false, K::Property, A::Style, kStyleUnderline},
    {"ulw", 1, false, K::Property, A::Style, kStyleUnderline},
    {"uldash", 1, false, K::Property, A::Style, kStyleUnderline},
    {"ulwave", 1, false, K::Property, A::Style, kStyleUnderline},
    {"ulth", 1, false, K::Property, A::Style, kStyleUnderline},
    {"uldb", 1, false, K::Property, A::Style, kStyleDoubleUnderline},
    {"ulnone", 0, false, K::Property, A::UnderlineOff, 0},
    {"strike", 1, false, K::Property, A::Style, kStyleStrikeOut},
    {"striked", 1, false, K::Property, A::Style, kStyleStrikeOut},
    {"shad", 1, false, K::Property, A::CharFlag, kCharProtected},
    {"v", 1, false, K::Property, A::CharFlag, kCharHidden},
    {"caps", 1, false, K::Property, A::MoreFlag, kMoreAllCaps},
    {"scaps", 1, false, K::Property, A::MoreFlag, kMoreSmallCaps},
    {"rtlch", 0, false, K::Property, A::CharDirection, kMoreRightToLeft},
    {"ltrch", 0, false, K::Property, A::CharDirection, kMoreLeftToRight},
    {"super", 1, false, K::Property, A::Super, 0},
    {"sub", 1, false, K::Property, A::Sub, 0},
    {"nosupersub", 1, false, K::Property, A::NoSuperSub, 0},
    {"up", 6, false, K::Property, A::Up, 0},
    {"dn", 6, false, K::Property, A::Down, 0},
    {"inspnt", 0, false, K::Property, A::InsPnt, 0},
    {"inaut", 1, false, K::Property, A::InAut, 0},
    {"wprtf", 1, false, K::Property, A::WpRtf, 0},
    {"cf", 0, false, K::Property, A::Cf, 0},
    {"cb", 0, false, K::Property, A::Cb, 0},
    {"highlight", 0, false, K::Property, A::Cb, 0},
    {"chcbpat", 0, false, K::Property, A::Cb, 0},
    // paragraph properties
    {"pard", 0, false, K::Property, A::Pard, 0},
    {"li", 0, false, K::Property, A::Li, 0},
    {"lin", 0, false, K::Property, A::Li, 0},
    {"ri", 0, false, K::Property, A::Ri, 0},
    {"rin", 0, false, K::Property, A::Ri, 0},
    {"fi", 0, false, K::Property, A::Fi, 0},
    {"sb", 0, false, K::Property, A::Sb, 0},
    {"sa", 0, false, K::Property, A::Sa, 0},
    {"sl", 0, false, K::Property, A::Sl, 0},
    {"slmult", 0, false, K::Property, A::SlMult, 0},
    {"ql", 0, true, K::Property, A::Align, kAlignLeft},
    {"qr", 1, true, K::Property, A::Align, kAlignRight},
    {"qc", 2, true, K::Property, A::Align, kAlignCenter},
    {"qj", 3, true, K::Property, A::Align, kAlignJustify},
    {"page", 1, false, K::Property, A::PageBreak, 0},
    {"pagebb", 1, false, K::Property, A::PageBreak, 0},
    {"keep", 1, true, K::Property, A::Keep, 0},
    {"keepn", 1, true, K::Property, A::Keep, 0},
    {"rtlpar", 0, false, K::Property, A::ParDirection, kParRightToLeft},
    {"ltrpar", 0, false, K::Property, A::ParDirection, kParLeftToRight},
    {"tx", 0, false, K::Property, A::Tx, 0},
    {"tb", 0, false, K::Property, A::Tx, 0},
    {"tqr", 1, true, K::Property, A::TabKind, kTabRight},
    {"tqc", 2, true, K::Property, A::TabKind, kTabCenter},
    {"tqdec", 3, true, K::Property, A::TabKind, kTabDecimal},
    {"tldot", 0, true, K::Property, A::TabLeader, kTabLeaderDot},
    {"tlmdot", 0, true, K::Property, A::TabLeader, kTabLeaderDot},
    {"tlhyph", 0, true, K::Property, A::TabLeader, kTabLeaderHyphen},
    {"tlul", 0, true, K::Property, A::TabLeader, kTabLeaderUnderline},
    {"tlth", 0, true, K::Property, A::TabLeader, kTabLeaderThick},
    {"tleq", 0, true, K::Property, A::TabLeader, kTabLeaderEquals},
    // borders: bits of the first border byte, and of the second in the high byte
    {"box", 0, true, K::Property, A::Border, kBorderOn | kBorderBox},
    {"brdrt", 0, true, K::Property, A::Border, kBorderOn | kBorderTop},
    {"brdrl", 0, true, K::Property, A::Border, kBorderOn | kBorderLeft},
    {"brdrb", 0, true, K::Property, A::Border, kBorderOn | kBorderBottom},
    {"brdrr", 0, true, K::Property, A::Border, kBorderOn | kBorderRight},
    {"clbrdrt", 0, true, K::Property, A::Border, kBorderOn | kBorderTop},
    {"clbrdrl", 0, true, K::Property, A::Border, kBorderOn | kBorderLeft},
    {"clbrdrb", 0, true, K::Property, A::Border, kBorderOn | kBorderBottom},
    {"clbrdrr", 0, true, K::Property, A::Border, kBorderOn | kBorderRight},
    {"brdrdb", 0, true, K::Property, A::Border, kBorderOn | kBorderDouble},
    {"brdrdot", 0, true, K::Property, A::Border, kB2(kBorderOn, kBorderDotted)},
    {"brdrhair", 0, true, K::Property, A::Border, kB2(kBorderOn, kBorderHairline)},
    {"brdrbar", 0, true, K::Property, A::Border, kB2(kBorderOn, kBorderBar)},
    {"brdrtablin", 0, true, K::Property, A::Border, kB2(kBorderOn, kBorderTableLine)},
    {"brdrnone", 0, false, K::Property, A::BorderNone, 0},
    {"brdrnil", 0, false, K::Property, A::BorderNone, 0},
    {"brdrtbl", 0, false, K::Property, A::BorderNone, 0},
    {"brdrw", 0, false, K::Property, A::BrdrW, 0},
    {"brsp", 0, false, K::Property, A::Brsp, 0},
    {"brdrcf", 0, false, K::Property, A::BrdrCf, 0},
    {"shading", 0, false, K::Property, A::Shading, 0},
    {"clshdng", 0, false, K::Property, A::Shading, 0},
    {"cbpat", 0, false, K::Property, A::Cbpat, 0},
    {"clcbpat", 0, false, K::Property, A::Cbpat, 0},
    {"cfpat", 0, false, K::Property, A::Cfpat, 0},
    {"clcfpat", 0, false, K::Property, A::Cfpat, 0},
    // document
    {"paperw", 12240, false, K::Property, A::Page, 0},
    {"paperh", 15480, false, K::Property, A::Page, 1},
    {"margl", 1800, false, K::Property, A::Page, 2},
    {"margr", 1800, false, K::Property, A::Page, 3},
    {"margt", 1440, false, K::Property, A::Page, 4},
    {"margb", 1440, false, K::Property, A::Page, 5},
    {"facingp", 1, true, K::Property, A::Facing, 0},
    {"landscape", 1, true, K::Property, A::Landscape, 0},
    {"ansicpg", 1252, false, K::Property, A::AnsiCpg, 0},
    {"deff", 0, false, K::Property, A::Deff, 0},
    {"deftab", 720, false, K::Property, A::DefTab, 0},
    // tables
    {"trowd", 0, false, K::Property, A::Trowd, 0},
    {"cellx", 0, false, K::Property, A::Cellx, 0},
    {"row", 0, false, K::Property, A::Row, 0},
    {"cell", 0, false, K::Property, A::Cell, 0},
    // A nested table, which the model cannot hold, stays in its outer cell: its cells separated
    // by tabs, its rows (whose definitions end with \nestrow) by line breaks.
    {"nestcell", 0, false, K::Character, A::Tab, 0},
    {"nesttableprops", 0, false, K::Destination, A::NestRow, 0},
    {"nonesttables", 0, false, K::Destination, A::SkipGroup, 0},
    {"intbl", 0, false, K::Property, A::Intbl, 0},
    {"clmrg", 0, false, K::Property, A::Clmrg, 0},
    {"trgaph", 0, false, K::Property, A::Trgaph, 0},
    // cell padding; Word (and so everyone) reads \clpadl as the top and \clpadt as the left
    {"trpaddl", 0, false, K::Property, A::CellPadding, kPaddingOfRow + 0},
    {"trpaddt", 0, false, K::Property, A::CellPadding, kPaddingOfRow + 1},
    {"trpaddr", 0, false, K::Property, A::CellPadding, kPaddingOfRow + 2},
    {"trpaddb", 0, false, K::Property, A::CellPadding, kPaddingOfRow + 3},
    {"trpaddfl", 0, false, K::Property, A::CellPaddingUnit, kPaddingOfRow + 0},
    {"trpaddft", 0, false, K::Property, A::CellPaddingUnit, kPaddingOfRow + 1},
    {"trpaddfr", 0, false, K::Property, A::CellPaddingUnit, kPaddingOfRow + 2},
    {"trpaddfb", 0, false, K::Property, A::CellPaddingUnit, kPaddingOfRow + 3},
    {"clpadt", 0, false, K::Property, A::CellPadding, 0},
    {"clpadl", 0, false, K::Property, A::CellPadding, 1},
    {"clpadr", 0, false, K::Property, A::CellPadding, 2},
    {"clpadb", 0, false, K::Property, A::CellPadding, 3},
    {"clpadft", 0, false, K::Property, A::CellPaddingUnit, 0},
    {"clpadfl", 0, false, K::Property, A::CellPaddingUnit, 1},
    {"clpadfr", 0, false, K::Property, A::CellPaddingUnit, 2},
    {"clpadfb", 0, false, K::Property, A::CellPaddingUnit, 3},
    {"trleft", 0, false, K::Property, A::Trleft, 0},
    // colour table
    {"red", 0, false, K::Property, A::Red, 0},
    {"green", 0, false, K::Property, A::Green, 0},
    {"blue", 0, false, K::Property, A::Blue, 0},
    // font table
    {"fcharset", 0, false, K::Property, A::FCharset, 0},
    {"charset", 0, false, K::Property, A::FCharset, 0},
    {"cpg", 0, false, K::Property, A::Cpg, 0},
    {"fnil", 0, true, K::Property, A::Family, 0},
    {"froman", 0, true, K::Property, A::Family, kFamilyRoman},
    {"fswiss", 0, true, K::Property, A::Family, kFamilySwiss},
    {"fmodern", 0, true, K::Property, A::Family, kFamilyModern},
    {"fscript", 0, true, K::Property, A::Family, kFamilyScript},
    {"fdecor", 0, true, K::Property, A::Family, kFamilyDecorative},
    {"ftech", 0, true, K::Property, A::Family, kFamilyDecorative},
    // pictures and objects
    {"pict", 0, false, K::Destination, A::Pict, 0},
    {"wmetafile", 0, false, K::Property, A::PictKind, 0},
    {"dibitmap", 0, false, K::Property, A::PictKind, 1},
    {"wbitmap", 0, false, K::Property, A::PictKind, 2},
    {"pngblip", 0, false, K::Property, A::PictKind, 3},
    {"jpegblip", 0, false, K::Property, A::PictKind, 4},
    {"emfblip", 0, false, K::Property, A::PictKind, 5},
    {"macpict", 0, false, K::Property, A::PictKind, 5},
    {"pmmetafile", 0, false, K::Property, A::PictKind, 5},
    {"picw", 0, false, K::Property, A::PicValue, 0},
    {"pich", 0, false, K::Property, A::PicValue, 1},
    {"picwgoal", 0, false, K::Property, A::PicValue, 2},
    {"pichgoal", 0, false, K::Property, A::PicValue, 3},
    {"picscalex", 100, false, K::Property, A::PicValue, 4},
    {"picscaley", 100, false, K::Property, A::PicValue, 5},
    {"wbmbitspixel", 0, false, K::Property, A::PicValue, 6},
    {"wbmplanes", 1, true, K::Property, A::PicValue, 7},
    {"wbmwidthbytes", 0, false, K::Property, A::PicValue, 8},
    {"picfile", 0, false, K::Destination, A::PicFile, 0},
    {"wpobjtag", 0, false, K::Property, A::ObjTag, 0},
    {"wpobjw", 0, false, K::Property, A::ObjW, 0},
    {"wpobjh", 0, false, K::Property, A::ObjH, 0},
    // destinations
    {"fonttbl", 0, false, K::Destination, A::FontTbl, 0},
    {"colortbl", 0, false, K::Destination, A::ColorTbl, 0},
    {"title", 0, false, K::Destination, A::InfoText, 6},
    {"comment", 0, false, K::Destination, A::InfoText, 7},
    {"subject", 0, false, K::Destination, A::InfoText, 8},
    {"footnote", 0, false, K::Destination, A::Footnote, 0},
    {"wpfnnr", 0, false, K::Property, A::FnNr, 0},
    {"chftn", 0, false, K::Character, A::Chftn, 0},
    // read as ordinary text: field results, the picture wrappers of newer writers, shape
    // results, objects (their \result holds the picture), list number texts
    {"field", 0, false, K::Destination, A::Transparent, 0},
    {"fldrslt", 0, false, K::Destination, A::Transparent, 0},
    {"shppict", 0, false, K::Destination, A::Transparent, 0},
    {"object", 0, false, K::Destination, A::Transparent, 0},
    {"result", 0, false, K::Destination, A::Transparent, 0},
    {"listtext", 0, false, K::Destination, A::Transparent, 0},
    {"pntext", 0, false, K::Destination, A::Transparent, 0},
    // dropped with everything inside
    {"delphicontrol", 0, false, K::Destination, A::SkipGroup, 0},
    {"author", 0, false, K::Destination, A::SkipGroup, 0},
    {"buptim", 0, false, K::Destination, A::SkipGroup, 0},
    {"creatim", 0, false, K::Destination, A::SkipGroup, 0},
    {"doccomm", 0, false, K::Destination, A::SkipGroup, 0},
    {"footer", 0, false, K::Destination, A::SkipGroup, 0},
    {"footerf", 0, false, K::Destination, A::SkipGroup, 0},
    {"footerl", 0, false, K::Destination, A::SkipGroup, 0},
    {"footerr", 0, false, K::Destination, A::SkipGroup, 0},
    {"ftncn", 0, false, K::Destination, A::SkipGroup, 0},
    {"ftnsep", 0, false, K::Destination, A::SkipGroup, 0},
    {"ftnsepc", 0, false, K::Destination, A::SkipGroup, 0},
    {"aftncn", 0, false, K::Destination, A::SkipGroup, 0},
    {"aftnsep", 0, false, K::Destination, A::SkipGroup, 0},
    {"aftnsepc", 0, false, K::Destination, A::SkipGroup, 0},
    {"header", 0, false, K::Destination, A::SkipGroup, 0},
    {"headerf", 0, false, K::Destination, A::SkipGroup, 0},
    {"headerl", 0, false, K::Destination, A::SkipGroup, 0},
    {"headerr", 0, false, K::Destination, A::SkipGroup, 0},
    {"info", 0, false, K::Destination, A::SkipGroup, 0},
    {"keywords", 0, false, K::Destination, A::SkipGroup, 0},
    {"operator", 0, false, K::Destination, A::SkipGroup, 0},
    {"printim", 0, false, K::Destination, A::SkipGroup, 0},
    {"private1", 0, false, K::Destination, A::SkipGroup, 0},
    {"revtim", 0, false, K::Destination, A::SkipGroup, 0},
    {"rxe", 0, false, K::Destination, A::SkipGroup, 0},
    {"tc", 0, false, K::Destination, A::SkipGroup, 0},
    {"xe", 0, false, K::Destination, A::SkipGroup, 0},
    {"fldinst", 0, false, K::Destination, A::SkipGroup, 0},
    {"nonshppict", 0, false, K::Destination, A::SkipGroup, 0},
    {"listtable", 0, false, K::Destination, A::SkipGroup, 0},
    {"listoverridetable", 0, false, K::Destination, A::SkipGroup, 0},
    {"revtbl", 0, false, K::Destination, A::SkipGroup, 0},
    {"rsidtbl", 0, false, K::Destination, A::SkipGroup, 0},
    {"pgdsctbl", 0, false, K::Destination, A::SkipGroup, 0},
    {"objdata", 0, false, K::Destination, A::SkipGroup, 0},
    {"objclass", 0, false, K::Destination, A::SkipGroup, 0},
    {"bkmkstart", 0, false, K::Destination, A::SkipGroup, 0},
    {"bkmkend", 0, false, K::Destination, A::SkipGroup, 0},
    {"pn", 0, false, K::Destination, A::SkipGroup, 0},
    {"falt", 0, false, K::Destination, A::SkipGroup, 0},
    {"panose", 0, false, K::Destination, A::SkipGroup, 0},
    {"blipuid", 0, false, K::Destination, A::SkipGroup, 0},
    // styles: the style sheet's formatting is applied where text names a style (rtf_styles.cpp)
    {"stylesheet", 0, false, K::Destination, A::StyleSheet, 0},
    {"s", 0, false, K::Property, A::StyleNumber, 0},
    {"cs", 0, false, K::Property, A::StyleNumber, 1},
    {"ds", 0, false, K::Property, A::StyleNumber, 2},
    {"ts", 0, false, K::Property, A::StyleNumber, 2},
    {"sbasedon", 0, false, K::Property, A::BasedOn, 0},
    // Word's shapes: a picture among the shape's properties is kept, and then the result
    // older readers would show instead is not read as well
    {"shp", 0, false, K::Destination, A::Shape, 0},
    {"shpinst", 0, false, K::Destination, A::ShapeInst, 0},
    {"sn", 0, false, K::Destination, A::ShapeName, 0},
    {"sv", 0, false, K::Destination, A::ShapeValue, 0},
    {"shprslt", 0, false, K::Destination, A::ShapeResult, 0},
    // accepted and ignored
    {"cols", 1, false, K::Property, A::Ignore, 0},
    {"sbknone", 0, false, K::Property, A::Ignore, 0},
    {"sbkcol", 0, false, K::Property, A::Ignore, 0},
    {"sbkeven", 0, false, K::Property, A::Ignore, 0},
    {"sbkodd", 0, false, K::Property, A::Ignore, 0},
    {"sbkpage", 0, false, K::Property, A::Ignore, 0},
    {"pgnx", 0, false, K::Property, A::Ignore, 0},
    {"pgny", 0, false, K::Property, A::Ignore, 0},
    {"pgndec", 0, false, K::Property, A::Ignore, 0},
    {"pgnucrm", 0, false, K::Property, A::Ignore, 0},
    {"pgnlcrm", 0, false, K::Property, A::Ignore, 0},
    {"pgnucltr", 0, false, K::Property, A::Ignore, 0},
    {"pgnlcltr", 0, false, K::Property, A::Ignore, 0},
    {"pgnstart", 1, false, K::Property, A::Ignore, 0},
};
// clang-format on

constexpr size_t kTableSize = 1024;  // a power of two, well above twice the entry count
static_assert(std::size(kKeywords) * 2 < kTableSize);

constexpr uint32_t Hash(std::string_view w) {
  uint32_t h = kRtfKeywordHashSeed;
  for (char c : w) h = RtfKeywordHashStep(h, static_cast<uint8_t>(c));
  return h;
}

// Open addressing over the table; slot value is the entry index + 1 (0 = empty). Earlier
// entries win, as when the table is searched in order.
struct Index {
  std::array<uint16_t, kTableSize> slotsValue{};
  constexpr Index() {
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
      size_t s = Hash(kKeywords[i].word) & (kTableSize - 1);
      bool seen = false;
      while (slotsValue[s] != 0) {
        if (kKeywords[slotsValue[s] - 1].word == kKeywords[i].word) seen = true;
        s = (s + 1) & (kTableSize - 1);
      }
      if (!seen) slotsValue[s] = static_cast<uint16_t>(i + 1);
    }
  }
};

constexpr Index kIndex{};

}  // namespace

const RtfKeyword* FindRtfKeyword(std::string_view word) { return FindRtfKeyword(word, Hash(word)); }

const RtfKeyword* FindRtfKeyword(std::string_view word, uint32_t hash) {
  size_t s = hash & (kTableSize - 1);
  while (kIndex.slotsValue[s] != 0) {
    const RtfKeyword& k = kKeywords[kIndex.slotsValue[s] - 1];
    if (k.word.size() == word.size()) {
      // Words are short: a byte loop beats a call to memcmp.
      size_t i = 0;
      while (i < word.size() && k.word[i] == word[i]) ++i;
      if (i == word.size()) return &k;
    }
    s = (s + 1) & (kTableSize - 1);
  }
  return nullptr;
}

}  // namespace inkwend
