#pragma once
// Writers that turn a document into bytes: WPTextWriter (plain text, also the base with the
// driver) and WPRTFWriter (the RTF of the diary's entry files; docs/formats/rtf.md). The driver
// walks paragraphs and lines and calls one virtual operation per step; the RTF writer fills them
// in. Output is collected in a small buffer and handed to the stream whenever more than 90 bytes
// are pending (a memory stream takes larger blocks); a stream that takes fewer bytes than
// offered ends the write with result 7.
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"

namespace inkwend {

class CodePageEncoder;

// A range of the document in document order: from (firstPar, firstLine, firstPos) up to, not
// including, (lastPar, LastLine, lastPos).
struct TextRange {
  Paragraph* firstPar = nullptr;
  int firstLine = 0;
  int firstPos = 0;
  Paragraph* lastPar = nullptr;
  int lastLine = 0;
  int lastPos = 0;
};

// The whole document as a range.
TextRange WholeDocument(const WPRTFText& doc);
// Puts the two ends of a selection into document order.
TextRange NormalizeRange(const WPRTFText& doc, TextRange range);

class WPTextWriter {
 public:
  WPTextWriter(const WPRTFText& doc, WPStream& stream);
  virtual ~WPTextWriter() = default;
  WPTextWriter(const WPTextWriter&) = delete;
  WPTextWriter& operator=(const WPTextWriter&) = delete;

  // Writes the range (the whole document unless set) and the document end.
  // Returns 0, 2 (out of memory), 7 (short write) or 8 (nothing to write).
  int WriteAll();
  void SetRange(const TextRange& range);

  // Plain text only: characters that Windows-1252 cannot hold are written as '?' unless the
  // output is UTF-8.
  bool utf8Output = false;
  // Leave out the closing 0 byte of plain text (files).
  bool omitClosingZero = false;

  int Result() const { return result_; }

 protected:
  // The driver (slot 11) and the slots it calls.
  virtual int WriteBody();
  void WriteParagraphLines(Paragraph* par, bool first, bool last);
  virtual void WriteCharAttr(const CharAttr& attr) { (void)attr; }                  // 0
  virtual void WriteRun(const char32_t* text, size_t count, const CharAttr* attr);  // 2
  virtual void WriteLine(Paragraph* par, int line, int from, int to);               // 3
  // The characters [from, to) of a line with their records.
  void WriteAttributedLine(std::span<const char32_t> text, const CharAttr* rec, int from, int to);
  virtual void BetweenLines() {}                                                   // 4
  virtual void EndParagraph(Paragraph* par);                                       // 5
  virtual void StartParagraph(Paragraph* par) { (void)par; }                       // 7
  virtual void WriteObject(char32_t anchor, int key) { (void)anchor, (void)key; }  // 8
  // False for an anchor whose object WriteObject would write nothing for (a picture that could
  // not be decoded): such an anchor is left out with its attribute, which would otherwise be
  // written around nothing and be gone on the next round.
  virtual bool WritesObject(char32_t anchor, int key) const { return (void)anchor, (void)key, true; }
  virtual void WriteFootnote(int id) { (void)id; }  // 9
  virtual void WriteHeader() {}                     // 10
  virtual void WriteDocumentEnd();                  // 12

  // Output.
  void Put(std::string_view bytes) {
    if (bytes.size() > kRoom) return PutLong(bytes);
    std::memcpy(pending_ + pendingLen_, bytes.data(), bytes.size());
    pendingLen_ += bytes.size();
    MaybeFlush();
  }
  void Put(char c) {
    pending_[pendingLen_++] = c;
    MaybeFlush();
  }
  void PutInt(int64_t value);
  // Hands pending bytes to the stream once more than flushAt_ are waiting.
  void MaybeFlush() {
    if (pendingLen_ > flushAt_) Flush();
  }
  void Flush();
  bool Failed() const { return result_ != kResultOk; }
  void Fail(int code) {
    if (result_ == kResultOk) result_ = code;
  }

  const WPRTFText& doc_;
  WPStream& stream_;
  TextRange range_;
  Paragraph* prevPar_ = nullptr;  // the paragraph written before the current one
  Paragraph* curPar_ = nullptr;
  int64_t charsWritten_ = 0;
  // Options copied from the document before every write.
  bool omitInsertPoints_ = false;
  bool omitAutomaticText_ = false;
  bool writeBitmapAsDib_ = false;
  // The records of the line being written when its paragraph still holds compact runs: a
  // written document is not expanded to one record per character for the writer's sake.
  std::vector<CharAttr> lineAttrs_;

  // Pending bytes are handed to the stream as soon as more than kFlushAt wait. A memory stream
  // (where nobody sees how the bytes arrive) takes them in blocks of kBulkFlushAt instead, which
  // saves most of the calls when a document is saved to memory (as saving to a file does).
  static constexpr size_t kFlushAt = 90;
  static constexpr size_t kBulkFlushAt = 3840;
  static constexpr size_t kPendingSize = 4096;
  size_t flushAt_ = kFlushAt;
  bool BulkStream() const { return flushAt_ != kFlushAt; }

 private:
  int result_ = kResultOk;

 protected:
  // Direct access for writers that fill the buffer themselves: at least kRoom bytes are free
  // after PendingEnd() as long as the pending bytes are handed on as described above.
  static constexpr size_t kRoom = kPendingSize - kBulkFlushAt - 1;
  char* PendingEnd() { return pending_ + pendingLen_; }
  size_t PendingLength() const { return pendingLen_; }
  // Takes the bytes written up to `end` and hands them on once more than flushAt_ are
  // pending; returns where to continue writing.
  char* Commit(char* end) {
    pendingLen_ = static_cast<size_t>(end - pending_);
    if (pendingLen_ > flushAt_) {
      Flush();
      return pending_;
    }
    return end;
  }

 private:
  void PutLong(std::string_view bytes);

  char pending_[kPendingSize];
  size_t pendingLen_ = 0;
};

// Who reads the RTF: the diary's own files keep their format byte for byte; RTF put on the
// clipboard also says what word processors read in place of the diary's own words.
enum class RtfFlavour : uint8_t { Stored, Clipboard };

class WPRTFWriter : public WPTextWriter {
 public:
  WPRTFWriter(const WPRTFText& doc, WPStream& stream);

  // Clipboard: "\fcharsetN" beside "\charsetN" in the font table, and "\chcbpatN\highlightN"
  // beside "\cbN" for backgrounds.
  RtfFlavour flavour = RtfFlavour::Stored;

 protected:
  void WriteCharAttr(const CharAttr& attr) override;
  void WriteRun(const char32_t* text, size_t count, const CharAttr* attr) override;
  void EndParagraph(Paragraph* par) override;
  void StartParagraph(Paragraph* par) override;
  void WriteObject(char32_t anchor, int key) override;
  bool WritesObject(char32_t anchor, int key) const override;
  void WriteFootnote(int id) override;
  void WriteHeader() override;
  void WriteDocumentEnd() override;

 private:
  enum class GroupKind : uint8_t {
    BodyGroup = 0,
    TabGroup = 1,
    TableGroup = 2,
    BorderGroup = 3,
    ShadingGroup = 4
  };
  struct Props {  // paragraph properties in force inside a group
    uint8_t alignment = 0;
    int32_t firstIndent = 0, leftIndent = 0, rightIndent = 0;
    int32_t spaceBefore = 0, spaceAfter = 0, lineSpacing = 0;
    bool lineSpacingMultiple = false;
    uint64_t tabMask = 0;
    uint8_t borderFlags[2] = {0, 0};
    uint8_t borderWidth = 0, borderColor = 0;
  };
  struct Group {
    GroupKind kind;
    Props p;
  };
  struct CellKey {
    uint8_t border[4];
    int width;
    uint8_t shadingColors, shadingPercent;
    uint8_t padding[2];
    bool operator==(const CellKey&) const = default;
  };
  static constexpr int kMaxRowCells = 50;

  void OpenGroup(GroupKind kind);
  bool HasGroup(GroupKind kind) const;
  // Pops groups (writing "}") down to the innermost group of `kind`, including it or not;
  // never the body group. Nothing when no such group is open.
  void CloseDownTo(GroupKind kind, bool including);
  Props& Top() { return groups_.back().p; }
  std::vector<CellKey> RowCells(Paragraph* first) const;
  void WriteTabStops(uint64_t mask);
  void WriteBorderStyle(const Paragraph* par);
  // The steps of StartParagraph.
  void CloseEndedGroups(Paragraph* par);
  bool TableEnds(Paragraph* par) const;
  void ContinueRow(Paragraph* par);
  void StartRow(Paragraph* par);
  void WriteCellDefinition(const Paragraph* c);
  void WriteCellPadding(const Paragraph* c);
  void OpenParagraphGroups(Paragraph* par);
  // True when nothing of the paragraph's text would be written (it is empty, or holds only
  // anchors of pictures that are left out).
  bool WritesNoText(const Paragraph* par) const;
  void WriteParagraphBorder(Paragraph* par);
  void WriteParagraphProps(Paragraph* par);
  void EndCode();  // leaves RTF code text before anything that is not text
  // Text outside the body (font names, document information); `encoder` is the code page the
  // reader decodes it in where that is not Windows-1252, `symbol_font` says it reads symbols.
  void WriteInfoText(std::u32string_view text, const CodePageEncoder* encoder = nullptr,
                     bool symbol_font = false);
  void WriteHex(const uint8_t* data, size_t size);
  void WriteChar(char32_t c, bool symbol_font);
  // A run in a font whose code page is not Windows-1252: its bytes where it has them.
  void WriteEncodedRun(const char32_t* text, size_t count, const CodePageEncoder& encoder);
  // Builds the attribute block of a run into `out`; returns its end.
  char* BuildCharAttr(char* out, const CharAttr& a) const;

  // Attribute blocks of ordinary runs (no RTF code, no insert point) of up to 31 bytes are
  // remembered by the run bytes of their record: keys and texts in two arrays, made on first
  // use, small enough to stay in the processor's first cache.
  struct CachedBlock {
    char text[31];
    uint8_t length;
  };
  static constexpr int kBlockCacheBits = 10;
  static constexpr size_t kBlockCacheSize = size_t{1} << kBlockCacheBits;
  static constexpr uint64_t kNoBlockKey = ~uint64_t{0};  // no run key: font slots end at 98
  std::unique_ptr<uint64_t[]> blockKeys_;
  std::unique_ptr<CachedBlock[]> blockTexts_;

  std::vector<Group> groups_;
  std::vector<CellKey> rowCache_;
  bool lastHidden_ = false;
  bool inCode_ = false;
  bool symbolRun_ = false;  // the current run's font is a symbol font
  // The code page of the current run's font when it is neither Windows-1252 nor symbols.
  const CodePageEncoder* runEncoder_ = nullptr;
  // Options copied from the document.
  bool linkedPicturesShort_ = false;
  bool dropProtected_ = false;
};

// Writes the document (or a range of it) in the given format: FormatRTF or FormatANSI.
// FormatHTML is refused with result 8. Returns the result code.
int WriteDocument(const WPRTFText& doc, WPStream& stream, WPLoadFormat format,
                  const TextRange* range = nullptr, bool omit_closing_zero = false,
                  RtfFlavour flavour = RtfFlavour::Stored);

}  // namespace inkwend
