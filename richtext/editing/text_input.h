#pragma once
// The edit controller: holds a document and its layout side by side, with the caret and
// selection, the scroll position of the view and the undo stack, and is where typing, deletion,
// paragraphs, the current attribute, find and replace, the spell checker's word walk, paragraph
// formatting, loading and saving live. Every edit marks what it changed in the document and then
// has the layout re-wrap it. It knows nothing of windows or keys; the editor widget turns events
// into calls of this class and paints with its layout.
//
//   EditController edit;
//   edit.InsertText(U"Dear diary");        // typed at the caret with the current attribute
//   edit.InputChar(kKeyEnter);             // new paragraph
//   edit.SetCaretPosition(5);              // absolute: characters plus one per paragraph end
//   edit.SelectRange(0, 4);
//   edit.DeleteSelection();
//   edit.Undo();
//   edit.Document().FirstParagraph();      // the document itself
//   edit.Layout().DocumentHeight();        // and its layout
//
// Positions are absolute: every character of every paragraph counts one, and every paragraph
// end counts one more. Inside the class a place is a paragraph and an offset into its
// characters (ParPos); the layout's TextCursor (paragraph, line, index) is what the caret and
// the selection ends are kept as, because layout keeps those on their character when it
// re-wraps.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "richtext/layout/layout.h"
#include "richtext/rtf/writer.h"

namespace inkwend {

struct LoadOptions;
class WPPictureDecoder;

// Which kinds of text are protected from editing and how copying treats them.
using ProtectProps = uint16_t;
inline constexpr ProtectProps kPpProtected = 0x0001;
inline constexpr ProtectProps kPpHidden = 0x0002;
inline constexpr ProtectProps kPpIsInsertpoint = 0x0004;
inline constexpr ProtectProps kPpAutomatic = 0x0008;
inline constexpr ProtectProps kPpIsInvisible = 0x0010;
inline constexpr ProtectProps kPpParProtected = 0x0020;
inline constexpr ProtectProps kPpProtectSelectedTextToo = 0x0040;
inline constexpr ProtectProps kPpDontCopyProtectedAttribute = 0x0080;
inline constexpr ProtectProps kPpDontUseAttrOfProtected = 0x0100;

enum class WPLanguage : uint8_t { English, German };

// The component's texts, in both languages.
enum class WPMessage : uint8_t {
  FileFilter,
  AbortOperation,
  Ready,
  Reading,
  Writing,
  Formatting,
  InitializeMemory,
  NoTextSelected,
  Rich,
  Plain,
  InternalError,
  DeleteAllTabstops,
};
// UTF-8 text of a message.
const char* WPMessageText(WPMessage message, WPLanguage language);

inline constexpr const char* kErrFastAppendSelf = "Cannot perform FastAppendText(self)";
inline constexpr const char* kErrNoObject = "No object was defined";

// Control characters that InputChar understands besides ordinary text.
inline constexpr char32_t kKeyBackspace = 8;
inline constexpr char32_t kKeyEnter = 13;
inline constexpr char32_t kKeyPageBreak = 12;
inline constexpr char32_t kKeyDelete = 127;

// What AppendParagraph adds: paragraph properties, one attribute for all its text, the text.
struct ParagraphDescription {
  uint8_t alignment = kAlignLeft;
  int32_t firstIndent = 0;  // absolute, like Paragraph::firstIndent
  int32_t leftIndent = 0;
  int32_t rightIndent = 0;
  int32_t spaceBefore = 0;
  int32_t spaceAfter = 0;
  int32_t lineSpacing = 0;
  CharAttr charAttr;
  std::u32string text;
  const char32_t* textPtr = nullptr;  // 0-terminated; wins over Text when set
  uint8_t borderFlags[2] = {0, 0};
  uint8_t borderWidth = 0;
  uint8_t borderColor = 0;
  uint64_t tabMask = 0;
  bool pageBreak = false;
  uint8_t shadingColors = 0;
  uint8_t shadingPercent = 0;
};

// Options of the find engine, as the find dialog sets them.
struct FindOptions {
  bool matchCase = false;
  bool wholeWord = false;
  bool down = true;  // forward from the caret; false: backward
};

// A place: a paragraph and an offset into its characters (0..CharCount()).
struct ParPos {
  Paragraph* par = nullptr;
  int offset = 0;
  bool operator==(const ParPos&) const = default;
};

// Word characters of find and the spelling walk: A-Z, a-z and the letters of Windows-1252
// (Š Œ š œ Ÿ and U+00C0..U+00FF), plus letters of other scripts typed through an input method,
// and the soft hyphen, which stands inside a word.
bool IsWordChar(char32_t c);
// Lower case for comparisons (Latin, Greek and Cyrillic letters; others unchanged).
char32_t LowerChar(char32_t c);
// The find rule for one paragraph's characters: `text` matches at `offset` ("*" stands for any
// one character; letters compare without case unless matchCase; wholeWord wants non-word
// characters or the paragraph's ends around it). The diary-wide search uses the same rule.
bool TextMatchesAt(std::span<const char32_t> chars, size_t offset, std::u32string_view text,
                   const FindOptions& options);

class EditController {
 public:
  EditController();
  ~EditController();
  EditController(const EditController&) = delete;
  EditController& operator=(const EditController&) = delete;

  WPRTFText& Document() { return doc_; }
  const WPRTFText& Document() const { return doc_; }
  TextLayout& Layout() { return layout_; }
  const TextLayout& Layout() const { return layout_; }

  // Caret and selection ends; the layout keeps them on their character when it re-wraps.
  TextCursor caret;
  TextCursor selStart;
  TextCursor selEnd;
  // The view's scroll offsets: document pixels at the view's top left corner.
  int scrollX = 0;
  int scrollY = 0;

  // --- properties ---
  bool readOnly = false;
  bool inserting = true;  // false: typing overwrites
  ProtectProps protectedProp = 0;
  WPLanguage Language() const { return language_; }
  void SetLanguage(WPLanguage language);  // also the decimal-tab character
  const char* Message(WPMessage message) const { return WPMessageText(message, language_); }
  // False while a load is running: every modifying operation is refused.
  bool ready = true;
  // Set by every successful CanEdit, cleared by Clear and loads.
  bool modified = false;
  FindOptions findOptions;
  // Undo steps kept (older ones are dropped).
  size_t undoLimit = 200;
  // Bytes of paragraph copies the undo history may hold.
  size_t undoMemoryLimit = size_t{64} << 20;

  // --- events ---
  std::function<void()> onChange;
  // Asked with the pasted paragraphs before they are inserted; false vetoes the paste.
  std::function<bool(const WPRTFText& pasted)> onBeforePasteEvent;
  // Shows a message to the user (a message box in the widget).
  std::function<void(const std::string& text)> onMessage;
  // A paragraph made by Enter, a page break or AppendParagraph; returns whether it changed the
  // paragraph (indents, spacing, flags), which is then laid out again.
  std::function<bool(Paragraph& par)> onNewParCreated;
  // Typing or deleting was refused because it would change protected text.
  std::function<void()> onProtectedChange;

  // Decodes PNG and JPEG pictures in loads and pastes; without one they load as empty objects.
  // Not owned: the application keeps it alive.
  const WPPictureDecoder* pictureDecoder = nullptr;
  // Lays out what the edits left dirty; returns whether a height changed.
  bool Reformat() { return layout_.Reformat(); }
  // Word wrap to the view's width; switching it on scrolls back to the left edge.
  void SetWordWrap(bool on);

  // Fails when read-only or not ready; otherwise sets the modified flag.
  bool CanEdit();
  // Calls onChange.
  void Changed();

  // --- document ---
  // Empties the document (see WPRTFText::Clear) and resets caret, undo and scrolling.
  void Clear();
  // Loads a file or stream into the empty document (Clear first) or, into a non-empty one, at
  // the caret. Returns the result code (also in ioResult).
  int LoadFromFile(const std::string& path);
  int LoadFromStream(WPStream& stream);
  // The outcome of the last load with its details (for Damaged: where, and what was missing).
  const Status& LastLoadStatus() const { return lastLoadStatus_; }
  // Saves in the document's SaveFormat; the result is kept in its ioResult too.
  int SaveToStream(WPStream& stream);
  int SaveToFile(const std::string& path);
  // The selection only; without one the "no text selected" message and result 8.
  int SaveSelectionToStream(WPStream& stream);
  // The file name of the last successful load or save from or to a file.
  const std::string& FileName() const { return fileName_; }

  // --- positions ---
  int64_t GetCaretPosition() const;
  // Negative means 0; past the end means the end.
  void SetCaretPosition(int64_t position);
  // The last absolute position (the end of the last paragraph).
  int64_t EndPosition() const;
  int64_t PositionOf(ParPos pos) const;
  ParPos PosAt(int64_t position) const;
  ParPos CaretPos() const { return ToPos(caret); }
  // Moves the caret; with `extend` the selection grows from its anchor, else it is dropped.
  void MoveCaretTo(ParPos pos, bool extend = false);
  int ParagraphIndex(const Paragraph* par) const;

  // --- selection ---
  bool HasSelection() const;
  // Document-ordered ends of the selection (equal when there is none).
  ParPos SelectionBegin() const;
  ParPos SelectionEnd() const;
  void SelectRange(int64_t anchor, int64_t caret);
  void SelectAll();
  void HideSelection();
  void DeleteSelection();
  // The selected text: paragraph ends and line breaks as '\n', object anchors left out.
  std::u32string SelectedText() const;
  TextRange SelectionRange() const;

  // --- typing ---
  // One character as typed: 8 backspace, 127 delete, 13 Enter, 12 page break, others inserted.
  // `programmatic` insertions may write hidden text. Returns whether anything changed.
  bool InputChar(char32_t c, bool programmatic = false);
  // Inserts text at the caret as typed (each character by the rules of InputChar, '\n' and '\r'
  // as Enter, "\r\n" once), then onChange.
  void InsertText(std::u32string_view text);
  // Replaces the selection by text that takes the selection's first attribute.
  void ReplaceSelection(std::u32string_view text);
  // Inserts a picture at the caret; returns the object's tag. WPError "No object was defined"
  // for an empty graphic. Width and height in twips; 0 takes them from the graphic.
  int InsertGraphic(DocGraphic graphic, int width = 0, int height = 0);
  // Inserts clipboard bytes (RTF or plain text) at the caret, replacing the selection.
  // onBeforePasteEvent may veto. Returns whether anything was inserted.
  bool PasteBytes(const std::string& bytes, WPLoadFormat format);
  // RTF of the selection (protected attribute dropped with kPpDontCopyProtectedAttribute).
  std::string SelectionAsRtf();

  // --- current attribute ---
  CharAttr GetCurrentAttr() const { return doc_.defaultAttr; }
  // Sets the current attribute and applies it to the selection.
  void SetCurrentAttr(const CharAttr& attr);
  // Applies a change to the attribute of every selected character (and to the current
  // attribute), e.g. toolbar style buttons that toggle one bit.
  void ChangeSelectionAttr(const std::function<void(CharAttr&)>& change);
  // Re-takes the current attribute from the character before the caret.
  void UpdateCurrentAttr();
  int FontIndexOf(std::u32string_view name) { return doc_.header.FontIndexOf(name); }
  // Colour of a palette index: 0..15 from the colour table, above a grey scale.
  ColorRef PaletteColor(int index) const;
  // Whether the next insertion is an object or automatic text (keeps their flags).
  bool insertingSpecial = false;

  // --- paragraphs ---
  void AppendParagraph(const ParagraphDescription& description);
  // Margins and page size in twips; -1000 keeps a value.
  void SetPageLayout(int left, int right, int page_height, int page_width, int bottom, int top);
  // Before, line spacing, after in twips; -1000 keeps a value.
  void SetParSpacing(int before, int line_spacing, int after);
  // First (absolute), left, right in twips; -1000 keeps, 65000 and more are ignored.
  void SetParIndents(int first, int left, int right);
  void SetParShading(int percent, uint8_t colors);
  void SetParAlignment(uint8_t alignment);
  // Copies page layout, fonts, colours and tabs.
  void AssignHeaderFrom(const WPRTFText& other);
  // Appends copies of the other document's paragraphs; WPError for itself.
  void FastAppendText(EditController& other);

  // --- navigation (the widget's keys) ---
  void MoveLeft(bool word, bool extend);
  void MoveRight(bool word, bool extend);
  void MoveUp(bool extend);
  void MoveDown(bool extend);
  void MoveHome(bool document, bool extend);
  void MoveEnd(bool document, bool extend);
  // Scrolls one view height and keeps the caret at its place on the screen (keep_caret: the
  // caret stays in the text where it is).
  void PageMove(bool down, bool extend, bool keep_caret, int view_height);

  // --- geometry (view pixels: document pixels minus the scroll offsets) ---
  // The place under a view point.
  ParPos PosAtPoint(int x, int y) const;
  // The caret's rectangle in view pixels.
  Rect CaretRect() const;
  // Scrolls so that the caret is inside a view of that size; returns whether it scrolled.
  bool EnsureCaretVisible(int view_width, int view_height);
  // View rectangle (y range, full width) that the last edit made dirty, in document pixels;
  // Top > Bottom when nothing is dirty. ResetDirty after repainting.
  int DirtyTop() const { return dirtyTop_; }
  int DirtyBottom() const { return dirtyBottom_; }
  void ResetDirty();
  // The paragraph the last edit changed, when that edit was a key typed into an open typing
  // group and nothing else changed the layout (only that paragraph was wrapped again); else
  // null. Painting may then start at this paragraph without laying out the document first.
  Paragraph* LastTypedParagraph() const { return lastFastPar_; }

  // --- find and replace ---
  // Searches with findOptions from the start (backwards: from the end). On success selects the
  // hit with the caret after it (before it backwards).
  bool FindText(std::u32string_view text, bool backwards = false);
  // Searches from the caret in the findOptions direction.
  bool FindNext(std::u32string_view text);
  // Replaces the selection when it matches `find`, then finds the next hit. Returns whether a
  // next hit was found.
  bool ReplaceNext(std::u32string_view find, std::u32string_view replacement);
  // Replaces every hit from the start; returns the count.
  int ReplaceAll(std::u32string_view find, std::u32string_view replacement);

  // --- the spell checker's word walk ---
  // Restarts at the start of the document (or at the caret).
  void WordWalkRestart(bool from_caret = false);
  // The next word, selected; empty at the end.
  std::u32string NextWord();
  // The word the walk stands on.
  std::u32string CurrentWord() const { return walkWord_; }
  void SelectCurrentWord();
  // Replaces the current (selected) word; the walk continues after the replacement.
  void ReplaceCurrentWord(std::u32string_view text);

  // --- undo ---
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  bool Undo();
  bool Redo();
  void ClearUndo();
  // Ends the current typing group (the caret moved, the window lost focus).
  void BreakUndoGroup() { groupOpen_ = false; }
  // Edits between these calls undo and redo as one step (a dialog that sets spacing and
  // indents, a ruler drag, an inserted date). Calls nest; the outermost End closes the step.
  void BeginUndoGroup();
  void EndUndoGroup();
  // Adds the tab stops of `mask` (slots of the header's tab table) to the selected paragraphs,
  // or to the caret's paragraph.
  void AddParTabs(uint64_t mask);

 public:
  struct ParSnapshot;  // undo records (undo_step.h)
  struct UndoStep;

 private:
  int LoadWith(const std::function<int(const LoadOptions&)>& load);
  enum class EditKind : uint8_t { Typing, Other };

  // Conversion between layout cursors and places.
  ParPos ToPos(const TextCursor& c) const;
  TextCursor ToCursor(ParPos p, bool caret = true) const;
  // Left and Right in a line with right-to-left text: the caret goes to the cluster boundary
  // next to it on screen. False for a line in logical order (the plain steps apply).
  bool MoveVisually(bool right, bool extend);
  // The place the caret takes stepping off the visual end of its line.
  ParPos OffLine(const TextCursor& c, bool forward) const;
  void LineOf(const Paragraph* par, int offset, bool prefer_next, int& line, int& index) const;
  void SetCaretKeepAnchor(ParPos pos);

  // Raw edits on paragraph offsets (no undo, no checks).
  void RawInsert(ParPos at, std::u32string_view text, const CharAttr& attr, const CharAttr* attrs = nullptr);
  void RawDelete(Paragraph* par, int from, int to);
  // Deletes [a, b) across paragraphs; returns a.
  ParPos RawDeleteRange(ParPos a, ParPos b);
  Paragraph* RawSplit(ParPos at);
  void RawJoinNext(Paragraph* par);

  // Undo bookkeeping around an edit of the paragraphs [first, last] (by index).
  void BeginEdit(EditKind kind, int first_index, int last_index, bool structural = true);
  void EndEdit();
  // Typing inside one paragraph: consecutive keys in the same paragraph join one undo step
  // without walking the document (the paragraph count cannot change).
  void BeginTyping(Paragraph* par);
  void EndTyping();
  std::vector<ParSnapshot> Snapshot(int first_index, int count) const;
  void Restore(int first_index, int count, const std::vector<ParSnapshot>& pars);
  void Finished(bool changed);  // re-wrap, dirty range, onChange
  void MarkAllDirty();
  bool ApplyStep(UndoStep& step, bool undoing);
  void SwapStep(UndoStep& step);
  void TrimUndo();

  // `invisible`: the character measured no width but a height (TextLayout::Invisible).
  bool IsProtectedChar(const CharAttr& a, bool invisible) const;
  bool ProtectedAt(Paragraph* par, int offset) const;
  bool InsertAllowed(ParPos at) const;
  bool RangeEditable(ParPos a, ParPos b) const;

  bool InputCharRaw(char32_t c, bool programmatic);
  bool InputCharChecked(char32_t c, bool programmatic);
  void NewParagraphMade(Paragraph* par);
  bool Backspace();
  bool DeleteForward();
  bool Enter();
  bool PageBreak();
  bool TypeChar(char32_t c, bool programmatic);
  void DeleteSelectionRaw();
  template <typename F>
  void ForEachSelectedParagraph(F&& f);

  bool MatchAt(const Paragraph* par, int offset, std::u32string_view text, const FindOptions& o) const;
  bool Search(std::u32string_view text, ParPos from, const FindOptions& o, ParPos& hit) const;
  void SelectHit(ParPos hit, int length, bool backwards);

  int CaretX() const;

  // After a change the document made without the controller (a load, a highlight attribute):
  // drops the typing fast path and lays the document out.
  void DocumentChanged();

  // Set by the protection checks when they refuse; read once the edit is over.
  mutable bool refusedByProtection_ = false;
  WPRTFText doc_;
  TextLayout layout_{doc_};
  WPLanguage language_ = WPLanguage::English;
  Status lastLoadStatus_;
  std::string fileName_;
  int goalX_ = -1;  // x that Up and Down keep

  std::vector<std::unique_ptr<UndoStep>> undo_;
  std::vector<std::unique_ptr<UndoStep>> redo_;
  std::unique_ptr<UndoStep> pending_;
  int pendingCountBefore_ = 0;
  bool groupOpen_ = false;
  bool merging_ = false;
  // An open BeginUndoGroup: its nesting depth and the first undo step it made.
  int userGroupDepth_ = 0;
  size_t userGroupStart_ = 0;
  // Paragraphs touched by the edits since the last Finished (for the dirty range).
  int dirtyFirstIndex_ = -1;
  int dirtyLastIndex_ = -1;
  int heightBefore_ = 0;
  bool structureChanged_ = false;
  bool pendingStructural_ = true;
  // The open typing group: its paragraph and that paragraph's absolute start.
  Paragraph* typingPar_ = nullptr;
  int64_t typingParStart_ = 0;
  bool typingFast_ = false;
  // The one paragraph a typing edit changed (re-wrapped alone), or null.
  Paragraph* typedPar_ = nullptr;
  Paragraph* lastFastPar_ = nullptr;

  int dirtyTop_ = 1;
  int dirtyBottom_ = 0;

  int64_t walkPos_ = 0;
  std::u32string walkWord_;
  int64_t walkWordPos_ = -1;
};

}  // namespace inkwend
