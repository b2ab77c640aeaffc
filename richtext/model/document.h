#pragma once
// The rich-text document: a chain of paragraphs, each holding its lines' characters (Unicode
// code points) with one 16-byte attribute record per character (kept as runs while nobody has
// asked for them: see paragraph.h), plus the header tables, the embedded objects and the
// footnotes.
//
// Building a document in code:
//
//   WPRTFText doc;                                  // one empty paragraph, one empty line
//   CharAttr a = doc.defaultAttr;                   // font 0, 10 pt
//   a.fontIndex = doc.Header.FontIndexOf(U"Arial");  // fonts, colours, tabs live in the header
//   a.pointSize = 12;
//   a.styleBits = kStyleBold;
//   Paragraph* p = doc.FirstParagraph();
//   doc.AppendText(p, U"Hi", a);                     // appends to the paragraph's last line
//   Paragraph* q = doc.NewParagraph(p);             // copies p's paragraph properties
//   q->Alignment = kAlignCenter;
//   doc.AppendText(q, U"centred", a);
//   q->tabMask |= doc.Header.AddTab(1440, kTabRight);
//   doc.ReplaceRange(q, 0, 0, 0, U"a ", 2, &a);      // the general edit: insert at line 0, index 0
//
// Paragraphs are walked with FirstParagraph() and Paragraph::Next; lines by index
// (Paragraph::LineCount/LineText/LineAttrs). Characters 9 (tab), 10 (line break) and the object
// anchors 1 and 2 (with kCharObject in their attribute) have meanings of their own; the paragraph
// mark is not stored. Structural errors raise WPError with the fixed messages below.
//
// The document knows nothing of layout: an operation that changes what layout shows marks the
// paragraphs it touched dirty (Paragraph::layoutDirty), and whoever drove the change asks the
// layout (richtext/layout/layout.h) to re-wrap them. Loading and saving live in richtext/rtf,
// editing with caret and undo in richtext/editing.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/model/char_attr.h"
#include "richtext/model/character_attr.h"
#include "richtext/model/objects.h"
#include "richtext/model/paragraph.h"
#include "richtext/model/text_header.h"

namespace inkwend {

// Structural errors of the model, with their fixed texts.
class WPError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
inline constexpr const char* kErrOutOfMemoryNewParagraph = "Out of Memory in\tNewParagraph";
inline constexpr const char* kErrLineTooLong = "Line longer then\t10000 character!";
inline constexpr const char* kErrAttribPtr = "Error AttribPtr()";

enum class WPLoadFormat : uint8_t { AutomaticFormat, LastFormat, FormatRTF, FormatANSI, FormatHTML };

// Result codes of loads and saves, kept in the document.
inline constexpr int kResultOk = 0;
inline constexpr int kResultOutOfMemory = 2;
inline constexpr int kResultStreamError = 7;
inline constexpr int kResultNothingToWrite = 8;

// Default capacity of the line of a new paragraph.
inline constexpr int kNewParagraphCapacity = 40;

class WPRTFText {
 public:
  WPRTFText();
  ~WPRTFText();
  WPRTFText(const WPRTFText&) = delete;
  WPRTFText& operator=(const WPRTFText&) = delete;

  TextHeader header;

  // The template attribute for new text. Change it through SetDefaultAttr.
  CharAttr defaultAttr;

  // Highlight attributes; a change marks every paragraph for re-wrapping or repainting and is
  // then announced through onHighlightChange (the edit controller re-lays the document out).
  CharacterAttr insertPointAttr{kInsertPointAttrId};
  CharacterAttr automaticTextAttr{kAutomaticTextAttrId};
  CharacterAttr hyperlinkTextAttr{kHyperlinkTextAttrId};
  CharacterAttr protectedTextAttr{kProtectedTextAttrId};

  // Pixel defaults used where no font has been measured.
  uint16_t tabWidth = 16;
  uint16_t defaultCharWidth = 16;
  uint16_t defaultLineHeight = 16;
  uint16_t defaultAscent = 14;

  // --- load/save state kept for the caller ---
  WPLoadFormat saveFormat = WPLoadFormat::AutomaticFormat;
  WPLoadFormat loadFormat = WPLoadFormat::AutomaticFormat;
  WPLoadFormat lastFormat = WPLoadFormat::AutomaticFormat;  // format of the last load
  int ioResult = kResultOk;                                 // 0, 2, 7 or 8 from the last load or save
  bool omitInsertPoints = false;
  bool omitAutomaticText = false;
  bool writeBitmapAsDib = false;
  bool writeLinkedPicturesShort = false;  // "\{bmc name\}" instead of a \picfile group
  bool dropProtectedAttribute = false;    // no \shad (clipboard copies)
  std::u32string htmlFilePath;            // directory tried for linked pictures

  // --- events ---
  // Asked to supply the graphic or control of an object record read without one.
  std::function<void(int tag, DocObject& object)> provideObjectEvent;
  // Asked for a picture linked by file name before it is looked for on disk; true when it put
  // the picture into the object's graphic.
  std::function<bool(const std::u32string& file_name, DocObject& object)> htmlBitmapRequest;
  // Receives the text of a clicked special run and its tag (see ReportSpecialRun).
  std::function<void(const std::u32string& text, uint16_t tag)> onSpecialRunClick;
  // A highlight attribute changed after the paragraphs were marked.
  std::function<void()> onHighlightChange;

  // --- paragraphs ---
  Paragraph* FirstParagraph() const { return first_; }
  Paragraph* LastParagraph() const { return last_; }
  Paragraph* ParagraphAt(int number) const;  // 0-based; nullptr past the end
  int ParagraphCount() const;
  // One paragraph, one line, no characters.
  bool IsEmpty() const;
  int64_t CharCount() const;  // characters of all paragraphs

  // --- attribute records and whole-document edits (they mark what layout must redo) ---
  // Copies `attr` into one position; layout measures it when it re-wraps the paragraph (marked
  // dirty).
  void SetCharAttr(Paragraph* par, int line, int pos, const CharAttr& attr);
  // Sends the run of equal flags around a position (at most 254 characters), or the name of
  // `object` when given, to onSpecialRunClick with the run's tagNumber.
  void ReportSpecialRun(Paragraph* par, int line, int pos, const DocObject* object);
  void SetDefaultAttr(const CharAttr& attr);
  // Frees all paragraphs; slot 0 takes the font defaultAttr uses (or "Arial"), defaultAttr uses
  // slot 0, other font and tab slots are emptied; one empty (dirty) paragraph remains.
  void Clear();
  // Replaces the text of paragraph `number` (0-based; the last one when too large) by the given
  // characters and attributes (attrs may be empty: defaultAttr), in one line.
  void ReplaceParagraphText(int number, std::span<const char32_t> text, std::span<const CharAttr> attrs);

  // --- attribute mode ---
  bool AttributeMode() const { return header.attributesOn; }
  // On: every paragraph gets attribute records filled with defaultAttr (and the cached width);
  // off: records are freed (lines take the default height when laid out). Returns the mode in force.
  bool SetAttributeMode(bool on);

  // --- primitives ---
  // A new paragraph after `after` (nullptr: at the front) with one empty line of `capacity`.
  // It copies indents, spacing, alignment, shading, parFlags, cell bytes, the tab mask (unless
  // `after` is a table cell) and the border bytes (unless `after` ends its bordered block).
  Paragraph* NewParagraph(Paragraph* after, int capacity = kNewParagraphCapacity);
  // A new empty line after line `after` (-1: before the first); returns its index.
  int NewLine(Paragraph* par, int after, int capacity);
  // Removes a line with its characters. A paragraph left without lines is unlinked (its
  // neighbours joined) and freed, except the only paragraph, which keeps one empty line.
  // Returns the paragraph that holds the position after the deleted line (or nullptr at the end).
  Paragraph* DeleteLine(Paragraph* par, int line);
  // Sets a line's capacity (rounded up to even; at most 10000, else WPError and no change).
  // A capacity below the length cuts the line to capacity - 1 characters.
  void ResizeLine(Paragraph* par, int line, int capacity);
  // The edit primitive: removes `remove` characters at `start` and inserts `count` characters
  // there, each with *attr, or with the record that was at `start` when attr is null. Returns
  // the change of the line's length. WPError when the line would exceed its limit (no change).
  int ReplaceRange(Paragraph* par, int line, int start, int remove, const char32_t* chars, int count,
                   const CharAttr* attr);
  // Appends text (with one attribute) at the end of the paragraph's last line.
  void AppendText(Paragraph* par, std::u32string_view text, const CharAttr& attr);
  // Appends text whose attribute records come as runs (the counts add up to text.size(); runs
  // are ignored in plain mode). Each buffer grows at most once, so a reader that collects a
  // whole paragraph hands it over in one call and leaves no slack behind. An empty or still
  // compact paragraph keeps the runs as runs.
  void AppendRuns(Paragraph* par, std::u32string_view text, std::span<const AttrRun> runs);
  // Appends characters with their own attributes (attrs.size() == text.size(), or empty for plain mode).
  void AppendText(Paragraph* par, std::span<const char32_t> text, std::span<const CharAttr> attrs);
  // The attribute record of a position; WPError kErrAttribPtr in plain mode or out of range.
  CharAttr* AttribPtr(Paragraph* par, int line, int pos);
  // The record a character typed at (line, pos) would start from: the record there, or the
  // paragraph's endAttr at its end.
  CharAttr AttrAt(const Paragraph* par, int line, int pos) const;
  int LastLine(const Paragraph* par) const { return par->LineCount() - 1; }
  // Re-divides the paragraph's characters into lines of the given lengths (they must add up to
  // the paragraph's character count); existing line records are reused in order.
  void SetLineLengths(Paragraph* par, std::span<const int> lengths);
  // Removes paragraph storage slack (NewParagraph does it for the paragraph before once the
  // slack is large).
  void TrimParagraph(Paragraph* par);

  // --- objects ---
  // Adds a record for a graphic. Tag -1 picks the next free tag from 2000 up (an internal tag).
  // The sequence number is one more than the largest in use.
  DocObject* AddObject(DocGraphic graphic, int tag);
  DocObject* FindObjectByTag(int tag) const;
  DocObject* FindObjectByNumber(int number) const;
  DocObject* FindObjectByFileName(std::u32string_view name) const;  // case-insensitive
  // A record created for a tag read from a file; asks provideObjectEvent for the graphic.
  DocObject* ObjectForTag(int tag);
  // Fills a missing width or height from the graphic's pixels (x 1440 / ppi), else 32 twips.
  void ComputeObjectSize(DocObject& object) const;
  void ResetObjectReferences();
  // Sets the reference flag of every record an anchor character points to.
  void MarkObjectReferences();
  // Frees every record whose reference flag is not set.
  void FreeUnreferencedObjects();
  // All three: reset, mark, free.
  void CollectObjects();
  const std::vector<std::unique_ptr<DocObject>>& Objects() const { return objects_; }

  // --- footnotes ---
  // Adds a footnote; its id is one more than the largest in use (starting at 1).
  FootnoteRec* AddFootnote(char32_t mark, int32_t number, std::u32string text);
  FootnoteRec* FindFootnote(int id) const;
  void FreeFootnotes();
  const std::vector<std::unique_ptr<FootnoteRec>>& Footnotes() const { return footnotes_; }

  // Memory held by paragraphs, lines, characters and records, in bytes (for measurements).
  size_t ModelBytes() const;

  // Unlinks and frees a paragraph (the caller keeps at least one).
  void FreeParagraph(Paragraph* par);

 private:
  void FreeAllParagraphs();
  // Marks every paragraph (for re-wrapping when `layout`, else for repainting) and announces it.
  void HighlightChanged(bool layout);
  // Appends `text` to the paragraph's character buffer and spreads it over its last line and
  // as many new lines as the line limit needs; the caller appends the records.
  void AppendToLastLines(Paragraph* par, std::u32string_view text);
  void EnsureOneParagraph();
  // TrimParagraph when the buffers hold more than an eighth of spare room.
  void TrimSlack(Paragraph* par);
  void RenumberLines(Paragraph* par, int from);

  Paragraph* first_ = nullptr;
  Paragraph* last_ = nullptr;
  std::vector<std::unique_ptr<DocObject>> objects_;
  std::vector<std::unique_ptr<FootnoteRec>> footnotes_;
};

}  // namespace inkwend
