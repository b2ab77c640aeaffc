#pragma once
// WPRtfReader: RTF into a document (the diary's entry files as the RTF writer makes them, and
// RTF from other programs; docs/formats/rtf.md). See reader.h for the bounds it keeps on
// hostile input.
//
// One pass over the bytes (rtf_reader.cpp): a control word (rtf_tokenizer.h) is looked up in
// the keyword table (keywords.h) and its action performed by the part of the reader for its
// kind: characters and their attributes, paragraphs, the document's page and code page, tables
// (rtf_table_builder.h), pictures (rtf_picture_reader.h), the font and colour tables,
// footnotes, and the destinations a group can switch to (information, skipped and field
// groups). "{" and "}" save and restore the character attribute, the paragraph properties in
// force and the destination (rtf_groups.cpp).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "richtext/picture/picture_decoder.h"
#include "richtext/rtf/codepage.h"
#include "richtext/rtf/rtf_picture_reader.h"
#include "richtext/rtf/rtf_table_builder.h"
#include "richtext/rtf/rtf_tokenizer.h"
#include "richtext/rtf/text_reader.h"

namespace inkwend {

struct RtfKeyword;

inline constexpr int kMaxGroupDepth = 1024;
inline constexpr int kMaxObjects = 4096;
inline constexpr int kMaxFootnotes = 4096;

class WPRtfReader : public WPTextReader {
 public:
  explicit WPRtfReader(WPRTFText* doc);
  ~WPRtfReader() override;

  // Keeps the document's page layout (page words are ignored), and its colour table unless
  // readColors (colour table words are ignored; a document of its own that the text is inserted
  // from reads them, to map them into the document's).
  bool keepLayout = false;
  bool readColors = false;
  bool KeepsColors() const { return keepLayout && !readColors; }
  // Decodes PNG and JPEG pictures; without one they load as empty objects. Not owned; it must
  // outlive the reads.
  const WPPictureDecoder* pictureDecoder = nullptr;

 protected:
  void ReadBody() override;
  void FinishRead() override;

 private:
  enum class Destination : uint8_t {
    Text = 0,
    Skip = 1,
    FontTable = 2,
    ColorTable = 3,
    Picture = 4,
    PictureFile = 5,
    Title = 6,
    Comment = 7,
    Subject = 8,
    FootnoteText = 9,
    StyleSheet = 10,
    // Inside a Word shape; only the words of a shape's picture act there.
    Shape = 11,
    ShapeName = 12,
    ShapeValue = 13,
  };
  // Paragraph properties in force (firstIndent relative to the left indent while reading).
  struct ParProps {
    int32_t first = 0, left = 0, right = 0, before = 0, after = 0, lineSpacing = 0;
    bool lineMultiple = false;  // \slmult1
    uint8_t alignment = 0;
    uint8_t border[2] = {0, 0};
    uint8_t borderWidth = 0, borderColor = 0;
    uint8_t shadingColors = 0, shadingPercent = 0;
    uint8_t cellPadding[2] = {0, 0};  // a cell's Paragraph::tableLayout
    uint64_t tabMask = 0;
    bool inTable = false;
    bool tabRestart = true;  // the next \tx begins a new set
    bool operator==(const ParProps&) const = default;
  };
  // The state a group saves and restores.
  struct Frame {
    CharAttr attr;
    ParProps props;
    Destination dest = Destination::Text;
    uint8_t uc = 1;
    int codePage = 0;  // code page of the current font, 0 = the document's
  };
  struct RtfFont {
    int32_t number;
    uint8_t slot;
    int codePage;
  };
  // A style of the style sheet: its formatting words, performed where text names the style.
  struct StyleWord {
    const RtfKeyword* keyword;
    int32_t value;
  };
  // What applying a style last did. The same state before gives the same state after, so a
  // file that names a style in every paragraph pays for its words once (styles whose words do
  // more than change the state, such as tab stops or borders, are performed each time).
  struct StyleMemo {
    bool valid = false;
    CharAttr attrBefore, attrAfter;
    ParProps propsBefore, propsAfter;
    int codePageBefore = 0, codePageAfter = 0;
  };
  struct RtfStyle {
    int32_t number = 0;
    uint8_t kind = 0;  // 0 paragraph, 1 character, 2 other (section, table)
    int32_t basedOn = -1;
    std::vector<StyleWord> words;
    StyleMemo memo;
  };

  // --- the byte loop (rtf_reader.cpp) ---
  void ByteOut(uint8_t b);   // a byte of text (8-bit or from \'xx) in the current code page
  void CharOut(char32_t c);  // a character for the current destination
  void TextFastPath();
  void BuildFastTable();
  void SetDecoder(int codepage);
  void PictureHex();
  void VerbatimByte(uint8_t b);
  void SkipBinary(int64_t count);
  // The input ended inside a control word or with groups still open: the file was cut off.
  void ReportCutOff(bool in_control_word);

  // --- groups (rtf_groups.cpp) ---
  void PushGroup();
  void PopGroup();
  void ApplyRestoredProps();

  // --- control words by kind; each returns false for a word of another kind ---
  void Dispatch(const ControlWord& c);           // rtf_dispatch.cpp
  void Perform(const RtfKeyword& k, int32_t n);  // rtf_dispatch.cpp
  void HexByte();
  void UnicodeChar(int32_t n);
  bool DoCharacter(const RtfKeyword& k, int32_t n);       // rtf_characters.cpp
  bool DoCharacterAttr(const RtfKeyword& k, int32_t n);   // rtf_characters.cpp
  bool DoCharacterFlag(const RtfKeyword& k, int32_t n);   // rtf_characters.cpp
  void PlainCharacterAttr();                              // rtf_characters.cpp
  bool DoParagraph(const RtfKeyword& k, int32_t n);       // rtf_paragraphs.cpp
  bool DoBorderShading(const RtfKeyword& k, int32_t n);   // rtf_paragraphs.cpp
  bool DoSection(const RtfKeyword& k, int32_t n);         // rtf_section.cpp
  bool DoTable(const RtfKeyword& k, int32_t n);           // rtf_tables.cpp
  bool DoFontColorTable(const RtfKeyword& k, int32_t n);  // rtf_font_color_tables.cpp
  bool DoPicture(const RtfKeyword& k, int32_t n);         // rtf_pictures.cpp
  bool DoFootnote(const RtfKeyword& k, int32_t n);        // rtf_footnotes.cpp
  bool DoDestination(const RtfKeyword& k);                // rtf_destinations.cpp
  bool DoShape(const RtfKeyword& k);                      // rtf_destinations.cpp
  bool DoStyle(const RtfKeyword& k, int32_t n);           // rtf_styles.cpp
  template <typename F>
  void ChangeAttr(F&& change) {
    FlushRun();
    change(attr_);
    f_.attr = attr_;
  }

  // --- paragraphs (rtf_paragraphs.cpp) ---
  // Paragraph properties: `set` changes the pending set and, in document text, the paragraph.
  template <typename F>
  void Prop(F&& set) {
    set(f_.props);
    if (f_.dest == Destination::Text) ApplyProps(par_, f_.props);
  }
  void ApplyProps(Paragraph* par, const ParProps& p) const;
  void EndParagraph();
  void Pard();
  void AddTab(int32_t position);
  void SetBorder(int bits);
  void ClearLastBorderSide();
  int CellTextLength() const { return par_->CharCount() + static_cast<int>(run_.size()); }

  // --- tables (rtf_tables.cpp) ---
  void EndCell();
  void EndRow();
  void LoadCellProps();

  // --- document (rtf_section.cpp) ---
  void SetPage(int which, int32_t value);

  // --- font and colour tables (rtf_font_color_tables.cpp) ---
  void SetFont(int32_t number);
  void StartFontDefinition(int32_t number);
  void EndFontDefinition();
  int FontCodePage(int32_t number) const;
  void SelectDefaultFont();
  uint8_t MapColor(int32_t n);
  uint8_t MapParagraphColor(int32_t n);
  void NextColor();
  void EndColorDefinition();
  void SetColorComponent(int shift, int32_t value);

  // --- pictures and objects (rtf_pictures.cpp) ---
  void FinishPicture();
  void FinishPictureFile();
  void LoadLinkedPicture(DocObject& obj, const std::u32string& name);
  void TaggedObjectAnchor();
  void AddObjectAnchor(char32_t code, DocObject* object);
  void AddAnchorInOuterAttr(char32_t code, DocObject* object);

  // --- styles (rtf_styles.cpp) ---
  void StyleSheetWord(const RtfKeyword& k, int32_t n);
  void BeginStyleDefinition();
  void EndStyleDefinition();
  RtfStyle* FindStyle(int32_t number, uint8_t kind);
  void ApplyStyle(int32_t number, uint8_t kind);
  // Performs the words of a style, those of the style it is based on first; false when one of
  // them does more than change the state.
  bool PerformStyleWords(const RtfStyle& style, int depth);

  // --- footnotes (rtf_footnotes.cpp) ---
  void StartFootnote();
  void ChftnMark();
  void FootnoteChar(char32_t c);

  Frame f_;  // the state of the innermost group
  std::vector<Frame> stack_;
  int64_t overflowDepth_ = 0;  // groups nested beyond kMaxGroupDepth
  bool started_ = false;       // the first "{" was read
  bool done_ = false;
  bool restorePending_ = false;  // a group closed before the paragraph began
  bool star_ = false;            // "\*" was read: drop the group if the next word is unknown
  int skipFallback_ = 0;         // characters still to skip after \uN
  char16_t highSurrogate_ = 0;

  // code pages
  int ansiCodepage_ = 1252;
  CodePageDecoder decoder_;
  // Per byte: the character it adds to document text on the fast path, or one of the markers
  // kFastStop and kFastIgnore (rtf_reader.cpp).
  std::array<char32_t, 256> fast_{};

  // font table
  std::vector<RtfFont> fonts_;
  int32_t definingFont_ = 0;
  int definingCharset_ = 0;
  int definingCodepage_ = 0;
  uint8_t definingFamily_ = 0;
  std::u32string fontName_;
  int32_t deff_ = 0;

  // colour table
  std::vector<ColorRef> rtfColors_;
  std::vector<int16_t> colorMap_;  // RTF colour index -> document index, -1 = not computed

  // page values kept for the table computations
  int32_t textWidth_ = 0;

  RtfTableBuilder table_;
  RtfPictureReader picture_;
  int32_t objTag_ = 0, objW_ = 0, objH_ = 0;

  // verbatim RTF code
  bool verbatim_ = false;
  int verbatimMatch_ = 0;

  // footnotes
  FootnoteRec* footnote_ = nullptr;
  size_t footnoteDepth_ = 0;
  int footnoteCount_ = 0;
  bool pageBreakPending_ = false;
  uint8_t pendingTabKind_ = 0;
  uint8_t lastBorderSide_ = 0;  // the side bits the last border word named
  // The alignment in force at the last paragraph end inside the cell being read, and where in
  // the cell's text that end is (-1: none yet).
  uint8_t cellParAlignment_ = 0;
  int cellParEnd_ = -1;
  uint8_t pendingTabLeader_ = 0;
  // The size \plain gives: RTF's own default of 12 points in files from elsewhere; the diary's
  // files state a size after every \plain, and read as they always have.
  uint8_t plainSize_ = 12;
  bool defTabSeen_ = false;

  // style sheet
  std::vector<RtfStyle> styles_;
  RtfStyle definingStyle_;
  size_t styleSheetDepth_ = 0;  // group depth of the style sheet's contents

  // Word shapes
  std::u32string shapeName_;   // the name of the shape property being read
  bool shapePicture_ = false;  // the shape's properties held its picture

  // Set when the file begins as the diary's own writer begins. That writer states space
  // before, space after and line spacing only where they change, relying on \pard to keep
  // them (every other program restates them after \pard, which resets them as RTF defines);
  // and it stores a cell's border spacing in \trgaph, which other programs use for the half
  // gap between cells (Word's 108 twips would read as the widest spacing, 15 mm).
  bool ownFile_ = true;
};

}  // namespace inkwend
