#pragma once
// Writers that turn a document into bytes: TWPTextWriter (plain text, also the base with the
// driver) and TWPRTFWriter (the RTF of the diary's entry files; docs/formats/rtf.md). The driver
// walks paragraphs and lines and calls one virtual operation per step; the RTF writer fills them
// in. Output is collected in a small buffer and handed to the stream whenever more than 90 bytes
// are pending (a memory stream takes larger blocks); a stream that takes fewer bytes than
// offered ends the write with result 7.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"

namespace inkwend {

// A range of the document in document order: from (FirstPar, FirstLine, FirstPos) up to, not
// including, (LastPar, LastLine, LastPos).
struct TTextRange {
  TParagraph* FirstPar = nullptr;
  int FirstLine = 0;
  int FirstPos = 0;
  TParagraph* LastPar = nullptr;
  int LastLine = 0;
  int LastPos = 0;
};

// The whole document as a range.
TTextRange WholeDocument(const TWPRTFText& doc);
// Puts the two ends of a selection into document order.
TTextRange NormalizeRange(const TWPRTFText& doc, TTextRange range);

class TWPTextWriter {
 public:
  TWPTextWriter(const TWPRTFText& doc, TWPStream& stream);
  virtual ~TWPTextWriter() = default;
  TWPTextWriter(const TWPTextWriter&) = delete;
  TWPTextWriter& operator=(const TWPTextWriter&) = delete;

  // Writes the range (the whole document unless set) and the document end.
  // Returns 0, 2 (out of memory), 7 (short write) or 8 (nothing to write).
  int WriteAll();
  void SetRange(const TTextRange& range);

  // Plain text only: characters that Windows-1252 cannot hold are written as '?' unless the
  // output is UTF-8.
  bool Utf8Output = false;
  // Leave out the closing 0 byte of plain text (files).
  bool OmitClosingZero = false;

  int Result() const { return result_; }

 protected:
  // The driver (slot 11) and the slots it calls.
  virtual int WriteBody();
  void WriteParagraphLines(TParagraph* par, bool first, bool last);
  virtual void WriteCharAttr(const TCharAttr& attr) { (void)attr; }                  // 0
  virtual void WriteRun(const char32_t* text, size_t count, const TCharAttr* attr);  // 2
  virtual void WriteLine(TParagraph* par, int line, int from, int to);               // 3
  virtual void BetweenLines() {}                                                     // 4
  virtual void EndParagraph(TParagraph* par);                                        // 5
  virtual void StartParagraph(TParagraph* par) { (void)par; }                        // 7
  virtual void WriteObject(char32_t anchor, int key) { (void)anchor, (void)key; }    // 8
  virtual void WriteFootnote(int id) { (void)id; }                                   // 9
  virtual void WriteHeader() {}                                                      // 10
  virtual void WriteDocumentEnd();                                                   // 12

  // Output.
  void Put(std::string_view bytes) {
    if (bytes.size() > kRoom) return PutLong(bytes);
    std::memcpy(pending_ + pending_len_, bytes.data(), bytes.size());
    pending_len_ += bytes.size();
    MaybeFlush();
  }
  void Put(char c) {
    pending_[pending_len_++] = c;
    MaybeFlush();
  }
  void PutInt(int64_t value);
  // Hands pending bytes to the stream once more than flush_at_ are waiting.
  void MaybeFlush() {
    if (pending_len_ > flush_at_) Flush();
  }
  void Flush();
  bool Failed() const { return result_ != kResultOk; }
  void Fail(int code) {
    if (result_ == kResultOk) result_ = code;
  }

  const TWPRTFText& doc_;
  TWPStream& stream_;
  TTextRange range_;
  TParagraph* prev_par_ = nullptr;  // the paragraph written before the current one
  TParagraph* cur_par_ = nullptr;
  int64_t chars_written_ = 0;
  // Options copied from the document before every write.
  bool omit_insert_points_ = false;
  bool omit_automatic_text_ = false;
  bool write_bitmap_as_dib_ = false;
  // The records of the line being written when its paragraph still holds compact runs: a
  // written document is not expanded to one record per character for the writer's sake.
  std::vector<TCharAttr> line_attrs_;

  // Pending bytes are handed to the stream as soon as more than kFlushAt wait. A memory stream
  // (where nobody sees how the bytes arrive) takes them in blocks of kBulkFlushAt instead, which
  // saves most of the calls when a document is saved to memory (as saving to a file does).
  static constexpr size_t kFlushAt = 90;
  static constexpr size_t kBulkFlushAt = 3840;
  static constexpr size_t kPendingSize = 4096;
  size_t flush_at_ = kFlushAt;
  bool BulkStream() const { return flush_at_ != kFlushAt; }

 private:
  int result_ = kResultOk;

 protected:
  // Direct access for writers that fill the buffer themselves: at least kRoom bytes are free
  // after PendingEnd() as long as the pending bytes are handed on as described above.
  static constexpr size_t kRoom = kPendingSize - kBulkFlushAt - 1;
  char* PendingEnd() { return pending_ + pending_len_; }
  size_t PendingLength() const { return pending_len_; }
  // Takes the bytes written up to `end` and hands them on once more than flush_at_ are
  // pending; returns where to continue writing.
  char* Commit(char* end) {
    pending_len_ = static_cast<size_t>(end - pending_);
    if (pending_len_ > flush_at_) {
      Flush();
      return pending_;
    }
    return end;
  }

 private:
  void PutLong(std::string_view bytes);

  char pending_[kPendingSize];
  size_t pending_len_ = 0;
};

class TWPRTFWriter : public TWPTextWriter {
 public:
  TWPRTFWriter(const TWPRTFText& doc, TWPStream& stream);

 protected:
  void WriteCharAttr(const TCharAttr& attr) override;
  void WriteRun(const char32_t* text, size_t count, const TCharAttr* attr) override;
  void EndParagraph(TParagraph* par) override;
  void StartParagraph(TParagraph* par) override;
  void WriteObject(char32_t anchor, int key) override;
  void WriteFootnote(int id) override;
  void WriteHeader() override;
  void WriteDocumentEnd() override;

 private:
  enum GroupKind : uint8_t {
    kBodyGroup = 0,
    kTabGroup = 1,
    kTableGroup = 2,
    kBorderGroup = 3,
    kShadingGroup = 4
  };
  struct Props {  // paragraph properties in force inside a group
    uint8_t Alignment = 0;
    int32_t FirstIndent = 0, LeftIndent = 0, RightIndent = 0;
    int32_t SpaceBefore = 0, SpaceAfter = 0, LineSpacing = 0;
    uint64_t TabMask = 0;
    uint8_t BorderFlags[2] = {0, 0};
    uint8_t BorderWidth = 0, BorderColor = 0;
  };
  struct Group {
    GroupKind Kind;
    Props P;
  };
  struct CellKey {
    uint8_t Border[4];
    int Width;
    uint8_t ShadingColors, ShadingPercent;
    bool operator==(const CellKey&) const = default;
  };
  static constexpr int kMaxRowCells = 50;

  void OpenGroup(GroupKind kind);
  bool HasGroup(GroupKind kind) const;
  // Pops groups (writing "}") down to the innermost group of `kind`, including it or not;
  // never the body group. Nothing when no such group is open.
  void CloseDownTo(GroupKind kind, bool including);
  Props& Top() { return groups_.back().P; }
  std::vector<CellKey> RowCells(TParagraph* first) const;
  void WriteTabStops(uint64_t mask);
  void WriteBorderStyle(const TParagraph* par);
  // The steps of StartParagraph.
  void CloseEndedGroups(TParagraph* par);
  bool TableEnds(TParagraph* par) const;
  void ContinueRow(TParagraph* par);
  void StartRow(TParagraph* par);
  void WriteCellDefinition(const TParagraph* c);
  void OpenParagraphGroups(TParagraph* par);
  void WriteParagraphBorder(TParagraph* par);
  void WriteParagraphProps(TParagraph* par);
  void EndCode();  // leaves RTF code text before anything that is not text
  void WriteInfoText(std::u32string_view text);
  void WriteHex(const uint8_t* data, size_t size);
  void WriteChar(char32_t c, bool symbol_font);
  // Builds the attribute block of a run into `out`; returns its end.
  char* BuildCharAttr(char* out, const TCharAttr& a) const;

  // Attribute blocks of ordinary runs (no RTF code, no insert point) of up to 31 bytes are
  // remembered by the run bytes of their record: keys and texts in two arrays, made on first
  // use, small enough to stay in the processor's first cache.
  struct CachedBlock {
    char Text[31];
    uint8_t Length;
  };
  static constexpr int kBlockCacheBits = 10;
  static constexpr size_t kBlockCacheSize = size_t{1} << kBlockCacheBits;
  static constexpr uint64_t kNoBlockKey = ~uint64_t{0};  // run keys have 56 bits
  std::unique_ptr<uint64_t[]> block_keys_;
  std::unique_ptr<CachedBlock[]> block_texts_;

  std::vector<Group> groups_;
  std::vector<CellKey> row_cache_;
  bool last_hidden_ = false;
  bool in_code_ = false;
  bool symbol_run_ = false;  // the current run's font is a symbol font
  // Options copied from the document.
  bool linked_pictures_short_ = false;
  bool drop_protected_ = false;
};

// Writes the document (or a range of it) in the given format: FormatRTF or FormatANSI.
// FormatHTML is refused with result 8. Returns the result code.
int WriteDocument(const TWPRTFText& doc, TWPStream& stream, TWPLoadFormat format,
                  const TTextRange* range = nullptr, bool omit_closing_zero = false);

}  // namespace inkwend
