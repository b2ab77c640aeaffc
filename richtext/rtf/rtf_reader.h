#pragma once
// TWPRtfReader: RTF into a document (the diary's entry files as the RTF writer makes them, and
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

struct TRtfKeyword;

inline constexpr int kMaxGroupDepth = 1024;
inline constexpr int kMaxObjects = 4096;
inline constexpr int kMaxFootnotes = 4096;

class TWPRtfReader : public TWPTextReader {
 public:
  explicit TWPRtfReader(TWPRTFText* doc);
  ~TWPRtfReader() override;

  // Keeps the document's colour table and page layout (colour and page words are ignored).
  bool KeepLayout = false;
  // Decodes PNG and JPEG pictures; without one they load as empty objects. Not owned; it must
  // outlive the reads.
  const TWPPictureDecoder* pictureDecoder = nullptr;

 protected:
  void ReadBody() override;
  void FinishRead() override;

 private:
  enum Destination : uint8_t {
    kText = 0,
    kSkip = 1,
    kFontTable = 2,
    kColorTable = 3,
    kPicture = 4,
    kPictureFile = 5,
    kTitle = 6,
    kComment = 7,
    kSubject = 8,
    kFootnoteText = 9,
  };
  // Paragraph properties in force (FirstIndent relative to the left indent while reading).
  struct ParProps {
    int32_t First = 0, Left = 0, Right = 0, Before = 0, After = 0, LineSpacing = 0;
    uint8_t Alignment = 0;
    uint8_t Border[2] = {0, 0};
    uint8_t BorderWidth = 0, BorderColor = 0;
    uint8_t ShadingColors = 0, ShadingPercent = 0;
    uint64_t TabMask = 0;
    bool InTable = false;
    bool TabRestart = true;  // the next \tx begins a new set
  };
  // The state a group saves and restores.
  struct Frame {
    TCharAttr Attr;
    ParProps Props;
    Destination Dest = kText;
    uint8_t Uc = 1;
    int CodePage = 0;  // code page of the current font, 0 = the document's
  };
  struct RtfFont {
    int32_t Number;
    uint8_t Slot;
    int CodePage;
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
  void Dispatch(const ControlWord& c);  // rtf_dispatch.cpp
  void HexByte();
  void UnicodeChar(int32_t n);
  bool DoCharacter(const TRtfKeyword& k, int32_t n);       // rtf_characters.cpp
  bool DoCharacterAttr(const TRtfKeyword& k, int32_t n);   // rtf_characters.cpp
  bool DoCharacterFlag(const TRtfKeyword& k, int32_t n);   // rtf_characters.cpp
  void PlainCharacterAttr();                               // rtf_characters.cpp
  bool DoParagraph(const TRtfKeyword& k, int32_t n);       // rtf_paragraphs.cpp
  bool DoBorderShading(const TRtfKeyword& k, int32_t n);   // rtf_paragraphs.cpp
  bool DoSection(const TRtfKeyword& k, int32_t n);         // rtf_section.cpp
  bool DoTable(const TRtfKeyword& k, int32_t n);           // rtf_tables.cpp
  bool DoFontColorTable(const TRtfKeyword& k, int32_t n);  // rtf_font_color_tables.cpp
  bool DoPicture(const TRtfKeyword& k, int32_t n);         // rtf_pictures.cpp
  bool DoFootnote(const TRtfKeyword& k, int32_t n);        // rtf_footnotes.cpp
  bool DoDestination(const TRtfKeyword& k);                // rtf_destinations.cpp
  template <typename F>
  void ChangeAttr(F&& change) {
    FlushRun();
    change(attr_);
    f_.Attr = attr_;
  }

  // --- paragraphs (rtf_paragraphs.cpp) ---
  // Paragraph properties: `set` changes the pending set and, in document text, the paragraph.
  template <typename F>
  void Prop(F&& set) {
    set(f_.Props);
    if (f_.Dest == kText) ApplyProps(par_, f_.Props);
  }
  void ApplyProps(TParagraph* par, const ParProps& p) const;
  void EndParagraph();
  void Pard();
  void AddTab(int32_t position);
  void SetBorder(int bits);

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
  void NextColor();
  void SetColorComponent(int shift, int32_t value);

  // --- pictures and objects (rtf_pictures.cpp) ---
  void FinishPicture();
  void FinishPictureFile();
  void LoadLinkedPicture(TDocObject& obj, const std::u32string& name);
  void TaggedObjectAnchor();
  void AddObjectAnchor(char32_t code, TDocObject* object);
  void AddAnchorInOuterAttr(char32_t code, TDocObject* object);

  // --- footnotes (rtf_footnotes.cpp) ---
  void StartFootnote();
  void ChftnMark();
  void FootnoteChar(char32_t c);

  Frame f_;  // the state of the innermost group
  std::vector<Frame> stack_;
  int64_t overflow_depth_ = 0;  // groups nested beyond kMaxGroupDepth
  bool started_ = false;        // the first "{" was read
  bool done_ = false;
  bool restore_pending_ = false;  // a group closed before the paragraph began
  bool star_ = false;             // "\*" was read: drop the group if the next word is unknown
  int skip_fallback_ = 0;         // characters still to skip after \uN
  char16_t high_surrogate_ = 0;

  // code pages
  int ansi_codepage_ = 1252;
  TCodePageDecoder decoder_;
  // Per byte: the character it adds to document text on the fast path, or one of the markers
  // kFastStop and kFastIgnore (rtf_reader.cpp).
  std::array<char32_t, 256> fast_{};

  // font table
  std::vector<RtfFont> fonts_;
  int32_t defining_font_ = 0;
  int defining_charset_ = 0;
  int defining_codepage_ = 0;
  uint8_t defining_family_ = 0;
  std::u32string font_name_;
  int32_t deff_ = 0;

  // colour table
  std::vector<TColorRef> rtf_colors_;
  std::vector<int16_t> color_map_;  // RTF colour index -> document index, -1 = not computed

  // page values kept for the table computations
  int32_t text_width_ = 0;

  RtfTableBuilder table_;
  RtfPictureReader picture_;
  int32_t obj_tag_ = 0, obj_w_ = 0, obj_h_ = 0;

  // verbatim RTF code
  bool verbatim_ = false;
  int verbatim_match_ = 0;

  // footnotes
  TFootnoteRec* footnote_ = nullptr;
  size_t footnote_depth_ = 0;
  int footnote_count_ = 0;
  bool page_break_pending_ = false;
  uint8_t pending_tab_kind_ = 0;
  // Set when the file begins as the diary's own writer begins. That writer states space
  // before, space after and line spacing only where they change, relying on \pard to keep
  // them (every other program restates them after \pard, which resets them as RTF defines);
  // and it stores a cell's border spacing in \trgaph, which other programs use for the half
  // gap between cells (Word's 108 twips would read as the widest spacing, 15 mm).
  bool own_file_ = true;
};

}  // namespace inkwend
