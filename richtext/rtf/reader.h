#pragma once
// Readers that turn bytes into a document: TWPTextReader (plain text, also the base that owns
// the input buffer and the paragraph being filled) and TWPRtfReader (RTF: the diary's entry
// files as the RTF writer makes them, and RTF from other programs; docs/formats/rtf.md).
//
// The RTF reader is one pass over the bytes: a control word is looked up in the keyword table
// (keywords.h) and its action performed; "{" and "}" save and restore the character attribute,
// the paragraph properties in force and the destination. Words it does not know are skipped,
// and groups marked "\*" whose word it does not know are dropped whole.
//
// Bounds on hostile input (each keeps reading and loses no text that can be kept):
// - groups nest at most kMaxGroupDepth deep with their own saved state; deeper groups are still
//   counted so braces balance, but share the state of the deepest kept one;
// - a control word keeps 32 letters and a number 19 digits (larger numbers are clamped);
// - one picture holds at most kMaxPictureBytes; a larger one is dropped;
// - at most kMaxObjects pictures and objects, kMaxFootnotes footnotes, 4096 RTF fonts and 1024
//   RTF colours are taken; more are ignored;
// - "\bin N" skips at most the bytes that are there;
// - one read adds at most kMaxReadChars characters.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/codepage.h"

namespace inkwend {

inline constexpr int kMaxGroupDepth = 1024;
inline constexpr size_t kMaxPictureBytes = 64u << 20;
inline constexpr int kMaxObjects = 4096;
inline constexpr int kMaxFootnotes = 4096;
// Characters one read adds at most (laid out, the model takes 20 bytes per character); the rest of a
// larger input is not read and the result is 7.
inline constexpr int64_t kMaxReadChars = 16 * 1024 * 1024;

inline constexpr const char* kErrWrongArgumentsRtf = "Wrong Arguments in\tTWPRTFReader";
inline constexpr const char* kErrWrongArguments = "Wrong Arguments";

// A placeable metafile (22-byte header with key 0x9AC6CDD7, bounding box 0, 0, width, height,
// 2540 units per inch and the XOR checksum of its first ten words) followed by the records.
std::vector<uint8_t> PlaceableMetafileBytes(const TMetafile& metafile);

class TWPTextReader {
 public:
  // Reads into `doc`, appending to its last paragraph. A null document raises TWPError.
  explicit TWPTextReader(TWPRTFText* doc);
  virtual ~TWPTextReader();
  TWPTextReader(const TWPTextReader&) = delete;
  TWPTextReader& operator=(const TWPTextReader&) = delete;

  // Reads the stream from its current position. Returns 0, 7 (damaged or cut input; what was
  // read stays) or 8 (nothing to read). Out of memory gives 2 and keeps what was read.
  int Read(TWPStream& stream);

  // Flags all read text as automatic text.
  bool AutomaticText = false;

  int Result() const { return result_; }
  // The first paragraph the read filled (the document's last paragraph when the read began).
  TParagraph* FirstParagraphRead() const { return first_par_; }

 protected:
  TWPTextReader(TWPRTFText* doc, const char* error);
  // Reads the body; the base reads plain text.
  virtual void ReadBody();
  // Called after the body, also after a failure: completes what the body left open.
  virtual void FinishRead() {}

  // --- input ---
  // The next byte, or -1 at the end of the input.
  int Get() {
    if (pos_ < end_) return buffer_[pos_++];
    return Refill() ? buffer_[pos_++] : -1;
  }
  // Puts back the byte just read (only one).
  void Unget() { --pos_; }
  bool Refill();
  // Bytes readable without a refill.
  size_t Available() const { return end_ - pos_; }
  const uint8_t* Cursor() const { return buffer_.get() + pos_; }
  void Advance(size_t n) { pos_ += n; }

  // --- output ---
  // The text of the paragraph being filled is collected here and handed to the document in one
  // call when the paragraph ends (or its collected part grows large), so that the document's
  // buffers are allocated once, at their final size.
  //
  // Adds a character with the current attribute.
  void AddChar(char32_t c) {
    run_.push_back(c);
    if (run_.size() >= kCollectLimit) FlushParagraph();
  }
  // Adds one character with its own attribute record (an object anchor).
  void AddCharWithAttr(char32_t c, const TCharAttr& attr);
  // Ends the run of characters that share the current attribute (before the attribute changes).
  void FlushRun();
  // Hands the collected text of the paragraph to the document.
  void FlushParagraph();
  void DropCollected();
  // Ends the paragraph being filled and starts a new one after it.
  TParagraph* StartNewParagraph();
  // The attribute text gets (the current one, with the automatic-text flags when asked).
  TCharAttr StoredAttr() const;
  bool ParagraphEmpty() const { return run_.empty() && par_->CharCount() == 0; }

  TWPRTFText& doc_;
  TParagraph* par_ = nullptr;        // the paragraph being filled
  TParagraph* first_par_ = nullptr;  // the first paragraph of this read
  TCharAttr attr_;                   // the current character attribute
  std::u32string run_;               // collected characters of the paragraph, not yet in the document
  std::vector<TAttrRun> runs_;       // their records; characters from run_start_ on take attr_
  size_t run_start_ = 0;
  // Characters collected at most before they go to the document (a very long paragraph is
  // handed over in pieces).
  static constexpr size_t kCollectLimit = 65536;
  int result_ = kResultOk;
  int64_t bytes_read_ = 0;
  int64_t chars_read_ = 0;
  bool full_ = false;  // kMaxReadChars reached

 private:
  TWPStream* stream_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

class TWPRtfReader : public TWPTextReader {
 public:
  explicit TWPRtfReader(TWPRTFText* doc);
  ~TWPRtfReader() override;

  // Keeps the document's colour table and page layout (colour and page words are ignored).
  bool KeepLayout = false;

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
  struct Frame {
    TCharAttr Attr;
    ParProps Props;
    Destination Dest = kText;
    uint8_t Uc = 1;
    int CodePage = 0;  // code page of the current font, 0 = the document's
  };
  struct CellDef {
    int32_t Edge = -1;  // right edge relative to the row's left indent; -1 = none
    uint8_t Border[2] = {0, 0};
    uint8_t BorderWidth = 0, BorderColor = 0;
    uint8_t ShadingColors = 0, ShadingPercent = 0;
    bool Merged = false;
  };
  struct RtfFont {
    int32_t Number;
    uint8_t Slot;
    int CodePage;
  };
  struct Control {
    char word[33];
    size_t length;
    uint32_t hash;  // of the word, as the keyword look-up computes it
    bool has_param;
    int32_t param;
  };

  void Dispatch(const Control& c);
  bool ReadControl(Control& c);          // false at the end of the input
  bool ReadControlInBuffer(Control& c);  // false when the word may reach past the buffer
  void PushGroup();
  void PopGroup();
  void ApplyRestoredProps();
  void ByteOut(uint8_t b);   // a byte of text (8-bit or from \'xx) in the current code page
  void CharOut(char32_t c);  // a character for the current destination
  void TextFastPath();
  void BuildFastTable();
  void PictureHex();
  void VerbatimByte(uint8_t b);
  void SkipBinary(int64_t count);

  // Paragraph properties: `set` changes the pending set and, in document text, the paragraph.
  template <typename F>
  void Prop(F&& set);
  void ApplyProps(TParagraph* par, const ParProps& p) const;
  void EndParagraph();
  void Pard();
  void AddTab(int32_t position);
  void SetBorder(int bits);
  CellDef* CurrentCellDef();
  void EndCell();
  void EndRow();
  void SetPage(int which, int32_t value);
  void SetFont(int32_t number);
  void EndFontDefinition();
  uint8_t MapColor(int32_t n);
  void SetColorComponent(int shift, int32_t value);
  void StartPicture();
  void FinishPicture();
  void FinishPictureFile();
  void StartFootnote();
  void TaggedObjectAnchor();
  void AddObjectAnchor(char32_t code, TDocObject* object);
  void SetDecoder(int codepage);
  int FontCodePage(int32_t number) const;
  void ChftnMark();

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
  // kFastStop and kFastIgnore (reader.cpp).
  std::array<char32_t, 256> fast_{};
  std::vector<std::unique_ptr<TCodePageDecoder>> decoders_;

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

  // tables
  std::vector<CellDef> cells_;
  CellDef cell_def_;  // the cell being defined (before its \cellx)
  bool row_definition_ = false;
  int cell_index_ = 0;
  int32_t cell_gap_ = 0;
  std::vector<TParagraph*> row_cells_;

  // pictures
  int pict_kind_ = 0;  // 0 metafile, 1 DIB, 2 device bitmap, 3 PNG, 4 JPEG, 5 unsupported
  int32_t pic_values_[9] = {};
  std::vector<uint8_t> pict_data_;
  bool pict_overflow_ = false;
  int pict_nibble_ = -1;
  size_t pict_depth_ = 0;  // stack size at which the \pict group was opened
  std::u32string pict_file_;
  bool pict_quoted_ = false;
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
