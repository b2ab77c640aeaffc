#pragma once
// WPTextReader: reads plain text into a document, and is the base of the RTF reader (it owns
// the input and collects the text of the paragraph being filled).
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/reader_input.h"

namespace inkwend {

// Whatever the writer writes must read back, however long, so the number of characters one read
// adds is bounded by the size of its input rather than by a fixed count: no input byte makes more
// than kReadCharsPerByte characters (a line feed in plain text starts a paragraph, which counts as
// 8), and kMaxReadChars more are allowed for a stream that grows while it is read. Memory thus
// stays in proportion to the input (laid out, the model takes 20 bytes per character); the rest
// of an input that goes past the bound is not read and the result is 7.
inline constexpr int64_t kMaxReadChars = int64_t{16} * 1024 * 1024;
inline constexpr int64_t kReadCharsPerByte = 8;

inline constexpr const char* kErrWrongArgumentsRtf = "Wrong Arguments in\tTWPRTFReader";
inline constexpr const char* kErrWrongArguments = "Wrong Arguments";

class WPTextReader {
 public:
  // Reads into `doc`, appending to its last paragraph. A null document raises WPError.
  explicit WPTextReader(WPRTFText* doc);
  virtual ~WPTextReader();
  WPTextReader(const WPTextReader&) = delete;
  WPTextReader& operator=(const WPTextReader&) = delete;

  // Reads the stream from its current position. Returns 0, 7 (damaged or cut input; what was
  // read stays) or 8 (nothing to read). Out of memory gives 2 and keeps what was read.
  int Read(WPStream& stream);

  // Flags all read text as automatic text.
  bool automaticText = false;

  int Result() const { return result_; }
  // The outcome of the last read: Ok, or Damaged with the stream offset where the damage was
  // found and what was left out (result 7); OutOfMemory for result 2.
  Status GetStatus() const;
  // The first paragraph the read filled (the document's last paragraph when the read began).
  Paragraph* FirstParagraphRead() const { return firstPar_; }

 protected:
  WPTextReader(WPRTFText* doc, const char* error);
  // Reads the body; the base reads plain text.
  virtual void ReadBody();
  // Called after the body, also after a failure: completes what the body left open.
  virtual void FinishRead() {}

  // Result 7: the input is damaged at the current offset; `dropped` says in words what was
  // left out. The first damage found is the one reported.
  void MarkDamaged(std::string dropped);

  // --- input ---
  int Get() { return input_.Get(); }
  void Unget() { input_.Unget(); }
  bool Refill() { return input_.Refill(); }
  size_t Available() const { return input_.Available(); }
  const uint8_t* Cursor() const { return input_.Cursor(); }
  void Advance(size_t n) { input_.Advance(n); }

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
  void AddCharWithAttr(char32_t c, const CharAttr& attr);
  // Ends the run of characters that share the current attribute (before the attribute changes).
  void FlushRun();
  // Hands the collected text of the paragraph to the document.
  void FlushParagraph();
  void DropCollected();
  // Ends the paragraph being filled and starts a new one after it.
  Paragraph* StartNewParagraph();
  // The attribute text gets (the current one, with the automatic-text flags when asked).
  CharAttr StoredAttr() const;
  bool ParagraphEmpty() const { return run_.empty() && par_->CharCount() == 0; }

  WPRTFText& doc_;
  ReaderInput input_;
  Paragraph* par_ = nullptr;       // the paragraph being filled
  Paragraph* firstPar_ = nullptr;  // the first paragraph of this read
  CharAttr attr_;                  // the current character attribute
  std::u32string run_;             // collected characters of the paragraph, not yet in the document
  std::vector<AttrRun> runs_;      // their records; characters from runStart_ on take attr_
  size_t runStart_ = 0;
  // Characters collected at most before they go to the document (a very long paragraph is
  // handed over in pieces).
  static constexpr size_t kCollectLimit = 65536;
  int result_ = kResultOk;
  int64_t charsRead_ = 0;
  int64_t maxChars_ = kMaxReadChars;  // this read's bound, from the size of its input
  bool full_ = false;                 // maxChars_ reached

 private:
  void MarkFull();

  Damage damage_;
};

}  // namespace inkwend
