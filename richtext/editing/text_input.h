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
// characters (TParPos); the layout's TTextCursor (paragraph, line, index) is what the caret and
// the selection ends are kept as, because layout keeps those on their character when it
// re-wraps.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "richtext/layout/layout.h"
#include "richtext/rtf/writer.h"

namespace inkwend {

struct TLoadOptions;
class TWPPictureDecoder;

// Which kinds of text are protected from editing and how copying treats them.
using TProtectProps = uint16_t;
inline constexpr TProtectProps ppProtected = 0x0001;
inline constexpr TProtectProps ppHidden = 0x0002;
inline constexpr TProtectProps ppIsInsertpoint = 0x0004;
inline constexpr TProtectProps ppAutomatic = 0x0008;
inline constexpr TProtectProps ppIsInvisible = 0x0010;
inline constexpr TProtectProps ppParProtected = 0x0020;
inline constexpr TProtectProps ppProtectSelectedTextToo = 0x0040;
inline constexpr TProtectProps ppDontCopyProtectedAttribute = 0x0080;
inline constexpr TProtectProps ppDontUseAttrOfProtected = 0x0100;

enum class TWPLanguage : uint8_t { twpEnglish, twpGerman };

// The component's texts, in both languages.
enum class TWPMessage : uint8_t {
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
const char* WPMessageText(TWPMessage message, TWPLanguage language);

inline constexpr const char* kErrFastAppendSelf = "Cannot perform FastAppendText(self)";
inline constexpr const char* kErrNoObject = "No object was defined";

// Control characters that InputChar understands besides ordinary text.
inline constexpr char32_t kKeyBackspace = 8;
inline constexpr char32_t kKeyEnter = 13;
inline constexpr char32_t kKeyPageBreak = 12;
inline constexpr char32_t kKeyDelete = 127;

// What AppendParagraph adds: paragraph properties, one attribute for all its text, the text.
struct TParagraphDescription {
  uint8_t Alignment = kAlignLeft;
  int32_t FirstIndent = 0;  // absolute, like TParagraph::FirstIndent
  int32_t LeftIndent = 0;
  int32_t RightIndent = 0;
  int32_t SpaceBefore = 0;
  int32_t SpaceAfter = 0;
  int32_t LineSpacing = 0;
  TCharAttr CharAttr;
  std::u32string Text;
  const char32_t* TextPtr = nullptr;  // 0-terminated; wins over Text when set
  uint8_t BorderFlags[2] = {0, 0};
  uint8_t BorderWidth = 0;
  uint8_t BorderColor = 0;
  uint64_t TabMask = 0;
  bool PageBreak = false;
  uint8_t ShadingColors = 0;
  uint8_t ShadingPercent = 0;
};

// Options of the find engine, as the find dialog sets them.
struct TFindOptions {
  bool MatchCase = false;
  bool WholeWord = false;
  bool Down = true;  // forward from the caret; false: backward
};

// A place: a paragraph and an offset into its characters (0..CharCount()).
struct TParPos {
  TParagraph* Par = nullptr;
  int Offset = 0;
  bool operator==(const TParPos&) const = default;
};

// Word characters of find and the spelling walk: A-Z, a-z and the letters of Windows-1252
// (Š Œ š œ Ÿ and U+00C0..U+00FF), plus letters of other scripts typed through an input method.
bool IsWordChar(char32_t c);
// Lower case for comparisons (Latin, Greek and Cyrillic letters; others unchanged).
char32_t LowerChar(char32_t c);

class EditController {
 public:
  EditController();
  ~EditController();
  EditController(const EditController&) = delete;
  EditController& operator=(const EditController&) = delete;

  TWPRTFText& Document() { return doc_; }
  const TWPRTFText& Document() const { return doc_; }
  TextLayout& Layout() { return layout_; }
  const TextLayout& Layout() const { return layout_; }

  // Caret and selection ends; the layout keeps them on their character when it re-wraps.
  TTextCursor Caret;
  TTextCursor SelStart;
  TTextCursor SelEnd;
  // The view's scroll offsets: document pixels at the view's top left corner.
  int ScrollX = 0;
  int ScrollY = 0;

  // --- properties ---
  bool ReadOnly = false;
  bool Inserting = true;  // false: typing overwrites
  TProtectProps ProtectedProp = 0;
  TWPLanguage Language() const { return language_; }
  void SetLanguage(TWPLanguage language);  // also the decimal-tab character
  const char* Message(TWPMessage message) const { return WPMessageText(message, language_); }
  // False while a load is running: every modifying operation is refused.
  bool Ready = true;
  // Set by every successful CanEdit, cleared by Clear and loads.
  bool Modified = false;
  TFindOptions FindOptions;
  // Undo steps kept (older ones are dropped).
  size_t UndoLimit = 200;
  // Bytes of paragraph copies the undo history may hold.
  size_t UndoMemoryLimit = size_t{64} << 20;

  // --- events ---
  std::function<void()> OnChange;
  // Asked before pasted text is inserted; false vetoes the paste.
  std::function<bool()> OnBeforePasteEvent;
  // Shows a message to the user (a message box in the widget).
  std::function<void(const std::string& text)> OnMessage;

  // Decodes PNG and JPEG pictures in loads and pastes; without one they load as empty objects.
  // Not owned: the application keeps it alive.
  const TWPPictureDecoder* pictureDecoder = nullptr;
  // Lays out what the edits left dirty; returns whether a height changed.
  bool Reformat() { return layout_.Reformat(); }
  // Word wrap to the view's width; switching it on scrolls back to the left edge.
  void SetWordWrap(bool on);

  // Fails when read-only or not ready; otherwise sets the modified flag.
  bool CanEdit();
  // Calls OnChange.
  void Changed();

  // --- document ---
  // Empties the document (see TWPRTFText::Clear) and resets caret, undo and scrolling.
  void Clear();
  // Loads a file or stream into the empty document (Clear first) or, into a non-empty one, at
  // the caret. Returns the result code (also in IoResult).
  int LoadFromFile(const std::string& path);
  int LoadFromStream(TWPStream& stream);
  // The outcome of the last load with its details (for Damaged: where, and what was missing).
  const Status& LastLoadStatus() const { return lastLoadStatus_; }
  // Saves in the document's SaveFormat; the result is kept in its IoResult too.
  int SaveToStream(TWPStream& stream);
  int SaveToFile(const std::string& path);
  // The selection only; without one the "no text selected" message and result 8.
  int SaveSelectionToStream(TWPStream& stream);
  // The file name of the last successful load or save from or to a file.
  const std::string& FileName() const { return file_name_; }

  // --- positions ---
  int64_t GetCaretPosition() const;
  // Negative means 0; past the end means the end.
  void SetCaretPosition(int64_t position);
  // The last absolute position (the end of the last paragraph).
  int64_t EndPosition() const;
  int64_t PositionOf(TParPos pos) const;
  TParPos PosAt(int64_t position) const;
  TParPos CaretPos() const { return ToPos(Caret); }
  // Moves the caret; with `extend` the selection grows from its anchor, else it is dropped.
  void MoveCaretTo(TParPos pos, bool extend = false);
  int ParagraphIndex(const TParagraph* par) const;

  // --- selection ---
  bool HasSelection() const;
  // Document-ordered ends of the selection (equal when there is none).
  TParPos SelectionBegin() const;
  TParPos SelectionEnd() const;
  void SelectRange(int64_t anchor, int64_t caret);
  void SelectAll();
  void HideSelection();
  void DeleteSelection();
  // The selected text: paragraph ends and line breaks as '\n', object anchors left out.
  std::u32string SelectedText() const;
  TTextRange SelectionRange() const;

  // --- typing ---
  // One character as typed: 8 backspace, 127 delete, 13 Enter, 12 page break, others inserted.
  // `programmatic` insertions may write hidden text. Returns whether anything changed.
  bool InputChar(char32_t c, bool programmatic = false);
  // Inserts text at the caret as typed (each character by the rules of InputChar, '\n' and '\r'
  // as Enter, "\r\n" once), then OnChange.
  void InsertText(std::u32string_view text);
  // Replaces the selection by text that takes the selection's first attribute.
  void ReplaceSelection(std::u32string_view text);
  // Inserts a picture at the caret; returns the object's tag. TWPError "No object was defined"
  // for an empty graphic. Width and height in twips; 0 takes them from the graphic.
  int InsertGraphic(TDocGraphic graphic, int width = 0, int height = 0);
  // Inserts clipboard bytes (RTF or plain text) at the caret, replacing the selection.
  // OnBeforePasteEvent may veto. Returns whether anything was inserted.
  bool PasteBytes(const std::string& bytes, TWPLoadFormat format);
  // RTF of the selection (protected attribute dropped with ppDontCopyProtectedAttribute).
  std::string SelectionAsRtf();

  // --- current attribute ---
  TCharAttr GetCurrentAttr() const { return doc_.DefaultAttr; }
  // Sets the current attribute and applies it to the selection.
  void SetCurrentAttr(const TCharAttr& attr);
  // Applies a change to the attribute of every selected character (and to the current
  // attribute), e.g. toolbar style buttons that toggle one bit.
  void ChangeSelectionAttr(const std::function<void(TCharAttr&)>& change);
  // Re-takes the current attribute from the character before the caret.
  void UpdateCurrentAttr();
  int FontIndexOf(std::u32string_view name) { return doc_.Header.FontIndexOf(name); }
  // Colour of a palette index: 0..15 from the colour table, above a grey scale.
  TColorRef PaletteColor(int index) const;
  // Whether the next insertion is an object or automatic text (keeps their flags).
  bool InsertingSpecial = false;

  // --- paragraphs ---
  void AppendParagraph(const TParagraphDescription& description);
  // Margins and page size in twips; -1000 keeps a value.
  void SetPageLayout(int left, int right, int page_height, int page_width, int bottom, int top);
  // Before, line spacing, after in twips; -1000 keeps a value.
  void SetParSpacing(int before, int line_spacing, int after);
  // First (absolute), left, right in twips; -1000 keeps, 65000 and more are ignored.
  void SetParIndents(int first, int left, int right);
  void SetParShading(int percent, uint8_t colors);
  void SetParAlignment(uint8_t alignment);
  // Copies page layout, fonts, colours and tabs.
  void AssignHeaderFrom(const TWPRTFText& other);
  // Appends copies of the other document's paragraphs; TWPError for itself.
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
  TParPos PosAtPoint(int x, int y) const;
  // The caret's rectangle in view pixels.
  TRect CaretRect() const;
  // Scrolls so that the caret is inside a view of that size; returns whether it scrolled.
  bool EnsureCaretVisible(int view_width, int view_height);
  // View rectangle (y range, full width) that the last edit made dirty, in document pixels;
  // Top > Bottom when nothing is dirty. ResetDirty after repainting.
  int DirtyTop() const { return dirty_top_; }
  int DirtyBottom() const { return dirty_bottom_; }
  void ResetDirty();
  // The paragraph the last edit changed, when that edit was a key typed into an open typing
  // group and nothing else changed the layout (only that paragraph was wrapped again); else
  // null. Painting may then start at this paragraph without laying out the document first.
  TParagraph* LastTypedParagraph() const { return last_fast_par_; }

  // --- find and replace ---
  // Searches with FindOptions from the start (backwards: from the end). On success selects the
  // hit with the caret after it (before it backwards).
  bool FindText(std::u32string_view text, bool backwards = false);
  // Searches from the caret in the FindOptions direction.
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
  std::u32string CurrentWord() const { return walk_word_; }
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
  void BreakUndoGroup() { group_open_ = false; }

 public:
  struct TParSnapshot;  // undo records (undo_step.h)
  struct TUndoStep;

 private:
  int LoadWith(const std::function<int(const TLoadOptions&)>& load);
  enum class TEditKind : uint8_t { Typing, Other };

  // Conversion between layout cursors and places.
  TParPos ToPos(const TTextCursor& c) const;
  TTextCursor ToCursor(TParPos p, bool caret = true) const;
  void LineOf(const TParagraph* par, int offset, bool prefer_next, int& line, int& index) const;
  void SetCaretKeepAnchor(TParPos pos);

  // Raw edits on paragraph offsets (no undo, no checks).
  void RawInsert(TParPos at, std::u32string_view text, const TCharAttr& attr,
                 const TCharAttr* attrs = nullptr);
  void RawDelete(TParagraph* par, int from, int to);
  // Deletes [a, b) across paragraphs; returns a.
  TParPos RawDeleteRange(TParPos a, TParPos b);
  TParagraph* RawSplit(TParPos at);
  void RawJoinNext(TParagraph* par);

  // Undo bookkeeping around an edit of the paragraphs [first, last] (by index).
  void BeginEdit(TEditKind kind, int first_index, int last_index, bool structural = true);
  void EndEdit();
  // Typing inside one paragraph: consecutive keys in the same paragraph join one undo step
  // without walking the document (the paragraph count cannot change).
  void BeginTyping(TParagraph* par);
  void EndTyping();
  std::vector<TParSnapshot> Snapshot(int first_index, int count) const;
  void Restore(int first_index, int count, const std::vector<TParSnapshot>& pars);
  void Finished(bool changed);  // re-wrap, dirty range, OnChange
  void MarkAllDirty();
  bool ApplyStep(TUndoStep& step);
  void TrimUndo();

  bool IsProtectedChar(const TCharAttr& a) const;
  bool ProtectedAt(TParagraph* par, int offset) const;
  bool InsertAllowed(TParPos at) const;
  bool RangeEditable(TParPos a, TParPos b) const;

  bool InputCharRaw(char32_t c, bool programmatic);
  bool Backspace();
  bool DeleteForward();
  bool Enter();
  bool PageBreak();
  bool TypeChar(char32_t c, bool programmatic);
  void DeleteSelectionRaw();
  template <typename F>
  void ForEachSelectedParagraph(F&& f);

  bool MatchAt(const TParagraph* par, int offset, std::u32string_view text, const TFindOptions& o) const;
  bool Search(std::u32string_view text, TParPos from, const TFindOptions& o, TParPos& hit) const;
  void SelectHit(TParPos hit, int length, bool backwards);

  int CaretX() const;

  // After a change the document made without the controller (a load, a highlight attribute):
  // drops the typing fast path and lays the document out.
  void DocumentChanged();

  TWPRTFText doc_;
  TextLayout layout_{doc_};
  TWPLanguage language_ = TWPLanguage::twpEnglish;
  Status lastLoadStatus_;
  std::string file_name_;
  int goal_x_ = -1;  // x that Up and Down keep

  std::vector<std::unique_ptr<TUndoStep>> undo_;
  std::vector<std::unique_ptr<TUndoStep>> redo_;
  std::unique_ptr<TUndoStep> pending_;
  int pending_count_before_ = 0;
  bool group_open_ = false;
  bool merging_ = false;
  // Paragraphs touched by the edits since the last Finished (for the dirty range).
  int dirty_first_index_ = -1;
  int dirty_last_index_ = -1;
  int height_before_ = 0;
  bool structure_changed_ = false;
  bool pending_structural_ = true;
  // The open typing group: its paragraph and that paragraph's absolute start.
  TParagraph* typing_par_ = nullptr;
  int64_t typing_par_start_ = 0;
  bool typing_fast_ = false;
  // The one paragraph a typing edit changed (re-wrapped alone), or null.
  TParagraph* typed_par_ = nullptr;
  TParagraph* last_fast_par_ = nullptr;

  int dirty_top_ = 1;
  int dirty_bottom_ = 0;

  int64_t walk_pos_ = 0;
  std::u32string walk_word_;
  int64_t walk_word_pos_ = -1;
};

}  // namespace inkwend
