#pragma once
// WPRichText: the editor widget in which the user writes an entry. It owns an edit controller
// (EditController: the document, its layout, caret, selection and undo) and turns keys, mouse,
// input-method text, scrolling, the clipboard and drag and drop into calls of it; it paints with
// the controller's layout through a paint context on the Qt canvas. The operations carry the names the rest
// of the program uses (Clear, LoadFromFile, SaveToFile, IsEmpty, SetCaretPosition, FindText, Print, ...).
//
//   WPRichText editor;
//   editor.onChange = [&](WPRichText&) { saveButton->show(); };
//   editor.Clear();
//   editor.LoadFromFile("Eraseme.rtf");
//   editor.SetCaretPosition(0);
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTextCharFormat>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "richtext/editing/text_input.h"

class QMimeData;
class QLabel;
class QPainter;
class QScrollBar;
class QStatusBar;
class QPrinter;
#include <QDialog>

namespace inkwend {

enum class WPBorderStyle : uint8_t { None, Single };
enum class WPScrollBars : uint8_t { None, Horizontal, Vertical, Both };
// Rich: every character keeps its own attribute; Plain: the text has no attribute records.
enum class WPMemoryFormat : uint8_t { Rich, Plain };

class WPRichText : public QAbstractScrollArea {
 public:
  explicit WPRichText(QWidget* parent = nullptr);
  ~WPRichText() override;

  // The edit controller; Memo().Document() and Memo().Layout() reach the document and its layout.
  EditController& Memo() { return *doc_; }
  const EditController& Memo() const { return *doc_; }

  // --- properties ---
  bool ReadOnly() const { return doc_->readOnly; }
  void SetReadOnly(bool on);
  bool WordWrap() const { return doc_->Layout().WordWrap(); }
  void SetWordWrap(bool on);
  int Zooming() const { return doc_->Layout().Zooming(); }
  void SetZooming(int percent);  // 0 or less: 100
  int Resizing() const { return doc_->Layout().Resizing(); }
  void SetResizing(int percent);
  bool Inserting() const { return doc_->inserting; }
  void SetInserting(bool on) { doc_->inserting = on; }
  WPLanguage Language() const { return doc_->Language(); }
  void SetLanguage(WPLanguage language) { doc_->SetLanguage(language); }
  ProtectProps ProtectedProp() const { return doc_->protectedProp; }
  void SetProtectedProp(ProtectProps props) { doc_->protectedProp = props; }
  CharacterAttr& InsertPointAttr() { return doc_->Document().insertPointAttr; }
  CharacterAttr& AutomaticTextAttr() { return doc_->Document().automaticTextAttr; }
  CharacterAttr& HyperlinkTextAttr() { return doc_->Document().hyperlinkTextAttr; }
  CharacterAttr& ProtectedTextAttr() { return doc_->Document().protectedTextAttr; }
  WPLoadFormat SaveFormat() const { return doc_->Document().saveFormat; }
  void SetSaveFormat(WPLoadFormat f) { doc_->Document().saveFormat = f; }
  WPLoadFormat LoadFormat() const { return doc_->Document().loadFormat; }
  void SetLoadFormat(WPLoadFormat f) { doc_->Document().loadFormat = f; }
  bool WriteBitmapAsDib() const { return doc_->Document().writeBitmapAsDib; }
  void SetWriteBitmapAsDib(bool on) { doc_->Document().writeBitmapAsDib = on; }
  QString HTMLFilePath() const;
  void SetHTMLFilePath(const QString& path);
  // The font and colour new documents start with (Clear takes them).
  QFont Font() const { return font_; }
  void SetFont(const QFont& font) { font_ = font; }
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color) { fontColor_ = color; }
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  bool dragAndDropSupport = false;

  // --- display settings ---
  // Dragging with the mouse moves the caret without marking a block.
  bool NoBlockMarking() const { return display_.noBlockMarking; }
  void SetNoBlockMarking(bool on) { display_.noBlockMarking = on; }
  // A single press on hyperlink text reports it (document's onSpecialRunClick) instead of
  // placing the caret; otherwise that takes a double click.
  bool OneClickHyperlink() const { return display_.oneClickHyperlink; }
  void SetOneClickHyperlink(bool on) { display_.oneClickHyperlink = on; }
  // The mouse cursor over hyperlink text and linked pictures.
  Qt::CursorShape HyperLinkCursor() const { return display_.hyperLinkCursor; }
  void SetHyperLinkCursor(Qt::CursorShape shape) { display_.hyperLinkCursor = shape; }
  // A line above every paragraph that starts a new page (on by default).
  bool ShowPageBreak() const;
  void SetShowPageBreak(bool on);
  bool CaretDisabled() const { return display_.caretDisabled; }
  void SetCaretDisabled(bool on);
  // Light grey frames around table cells that have no border of their own.
  bool PaintGrayTable() const { return display_.paintGrayTable; }
  void SetPaintGrayTable(bool on);
  // The window behind shows through where the text has no background of its own.
  bool Transparent() const { return display_.transparent; }
  void SetTransparent(bool on);
  // A picture tiled behind the text. Only bitmaps: a metafile is refused with
  // "Please use Bitmap." (false).
  QImage BackgroundImage() const { return display_.backgroundImage; }
  bool SetBackgroundImage(const DocGraphic& graphic);
  void SetBackgroundImage(const QImage& image);
  bool BackgroundLoadFromFile(const QString& path);
  // The picture scrolls with the text (true) or stays where it is.
  bool BackgroundScrolling() const { return display_.backgroundScrolling; }
  void SetBackgroundScrolling(bool on);
  // Pixels between the control's edge and the text.
  int TopOffset() const { return display_.topOffset; }
  void SetTopOffset(int pixels);
  int LeftOffset() const { return display_.leftOffset; }
  void SetLeftOffset(int pixels);
  WPBorderStyle BorderStyle() const;
  void SetBorderStyle(WPBorderStyle style);
  WPScrollBars ScrollBars() const;
  void SetScrollBars(WPScrollBars bars);
  // The whole text as RTF; setting it replaces the text (returns the load's result).
  QByteArray RtfText();
  int SetRtfText(const QByteArray& rtf);
  WPMemoryFormat MemoryFormat() const;
  void SetMemoryFormat(WPMemoryFormat format);
  bool Modified() const { return doc_->modified; }
  void SetModified(bool on) { doc_->modified = on; }
  QString FileName() const;

  // --- linked controls (not owned; a deleted one unlinks itself) ---
  // A status bar and a label that show what the editor is doing: "reading ...", "writing ...",
  // "formatting ...", then "Ready" (in the editor's Language).
  void SetStatusBar(QStatusBar* bar);
  void SetStatusLabel(QLabel* label);
  // Scroll bars elsewhere in the window, positions 0..1000: they follow the view and move it.
  void SetExternHorScrollBar(QScrollBar* bar);
  void SetExternVerScrollBar(QScrollBar* bar);

  // --- events ---
  std::function<void(WPRichText&)> onChange;
  // The view scrolled: its left (x) or top (y) edge in document pixels.
  std::function<void(WPRichText&, int x)> onXPosChanged;
  std::function<void(WPRichText&, int y)> onYPosChanged;
  // Text about to be typed or inserted (keys, input methods, InsertText): the handler may
  // change it; made empty, nothing is inserted.
  std::function<void(WPRichText&, QString& text)> getTextToInsert;
  // Enter, a page break or AppendParagraph made this paragraph; what the handler changes in it
  // is laid out.
  std::function<void(WPRichText&, Paragraph& par)> onNewParCreatedEvent;
  // Typing or deleting was refused because it would change protected text (ProtectedProp).
  std::function<void(WPRichText&)> onProtectedChange;
  // A picture linked by file name is being read; a non-null image is taken for it, otherwise
  // the file is looked for on disk (and in HTMLFilePath).
  std::function<QImage(WPRichText&, const QString& file_name)> onHTMLBitmapRequest;
  // Called with the pasted paragraphs before they are inserted; veto by returning false.
  std::function<bool(WPRichText&, const WPRTFText& pasted)> onBeforePasteEvent;
  std::function<bool(WPRichText&)> onBeforeCopyEvent;
  // Selection present, clipboard not empty.
  std::function<void(WPRichText&, bool has_selection, bool clipboard_not_empty)> editStateEvent;
  std::function<void(WPRichText&)> ctrlTabPressed;
  std::function<void(WPRichText&)> shiftTabPressed;
  // A key before the editor handles it; true when it was handled.
  std::function<bool(WPRichText&, QKeyEvent*)> onKeyDown;
  // Dragging something over the editor: true accepts it. Dropping: true when the drop was taken.
  // False from either leaves the drag to the editor's own handling (text, RTF and pictures).
  std::function<bool(WPRichText&, QDragMoveEvent*)> onDragOver;
  std::function<bool(WPRichText&, QDropEvent*)> onDragDrop;
  // Whether there is something to undo or redo changed (Undo and Redo commands follow it).
  std::function<void(WPRichText&)> historyChanged;
  // Messages for the user ("no text selected"); a message box when unassigned.
  std::function<void(WPRichText&, const QString&)> onMessage;
  // After every operation that may have moved the caret (typing, keys, clicks, commands).
  std::function<void(WPRichText&)> onCaretMoved;
  // A right click at `point` (viewport pixels): fills the menu shown there; nothing is shown
  // when it stays empty.
  std::function<void(WPRichText&, QMenu& menu, const QPoint& point)> onContextMenu;
  // Spelling as you type: asked about every word as the text is laid out (TextLayout's
  // WPWordEvent; bit 1 of `flags` marks the word with a red wave). Setting it asks about every
  // word of the text at once; clearing it drops every mark.
  using SpellCheckWordEvent =
      std::function<void(WPRichText&, std::u32string_view word, std::array<int, 8>& offsets, uint8_t& flags)>;
  void SetOnSpellCheckWord(SpellCheckWordEvent handler);
  // Asks OnSpellCheckWord about the words of one paragraph (null: of the text) again and repaints.
  void RecheckWords(Paragraph* only = nullptr);
  // The menu of the last right click while it is open (tests drive it).
  QMenu* ActiveContextMenu() const { return contextMenu_.data(); }

  // --- operations ---
  void Clear();
  int LoadFromFile(const QString& path);
  int LoadFromStream(WPStream& stream);
  // The outcome of the last load with its details (for Damaged: where, and what was missing).
  const Status& LastLoadStatus() const { return doc_->LastLoadStatus(); }
  // Decodes PNG and JPEG pictures in this editor's loads and pastes; without one they load as
  // empty objects. Not owned: the caller keeps it alive while the editor lives.
  void SetPictureDecoder(const WPPictureDecoder* decoder) { doc_->pictureDecoder = decoder; }
  int SaveToFile(const QString& path);
  int SaveToStream(WPStream& stream);
  int SaveSelectionToStream(WPStream& stream);
  bool IsEmpty() const { return doc_->Document().IsEmpty(); }
  void SetCaretPosition(int64_t position);
  int64_t GetCaretPosition() const { return doc_->GetCaretPosition(); }
  // Selects from `anchor` to `caret` (positions as SetCaretPosition counts them) and scrolls the
  // caret into view.
  void SelectRange(int64_t anchor, int64_t caret);
  bool HasSelection() const { return doc_->HasSelection(); }
  void SelectAll();
  void DeleteSelection();
  void HideSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // Inserts text at the caret as typed, undone as one step.
  void InsertText(const QString& text);
  // Inserts a picture (0 width or height: from the picture); returns its tag. WPError
  // "No object was defined" for an empty graphic.
  int InsertGraphic(DocGraphic graphic, int width = 0, int height = 0);
  int InsertGraphic(const QImage& image, int width = 0, int height = 0);
  // Inserts a widget as an object at the caret, at its present size; the text owns it from then
  // on and places it where the text puts it. `on_click` (x, y inside the control) gets the
  // special-click presses (a double click, or any press with OneClickHyperlink) that land on
  // the control's place and returns whether it took them. Returns the object's tag.
  int InsertControl(QWidget* widget, std::function<bool(int x, int y)> on_click = {});
  // Inserts a picture put in from outside (a file, the clipboard, a drop) at the caret: at its
  // natural size, or scaled down to the width of the text when it is wider. Returns its tag, 0
  // when nothing was inserted.
  int InsertPicture(DocGraphic graphic);
  CharAttr GetCurrentAttr() const { return doc_->GetCurrentAttr(); }
  void SetCurrentAttr(const CharAttr& attr);
  int FontIndexOf(const QString& name);
  ColorRef PaletteColor(int index) const { return doc_->PaletteColor(index); }
  void AppendParagraph(const ParagraphDescription& description);
  void SetPageLayout(int left, int right, int page_height, int page_width, int bottom, int top);
  void SetParSpacing(int before, int line_spacing, int after);
  void SetParIndents(int first, int left, int right);
  void SetParShading(int percent, uint8_t colors);
  void Reformat();
  void Changed();
  void Refresh();
  void FindDialog();
  void ReplaceDialog();
  bool FindText(const QString& text, bool backwards = false);
  void ReplaceSelection(const QString& text);
  void AssignHeaderFrom(const WPRichText& other) { AssignHeaderFrom(other.Memo().Document()); }
  void AssignHeaderFrom(const WPRTFText& document);
  // WPError "Cannot perform FastAppendText(self)" for itself.
  void FastAppendText(WPRichText& other);
  // Prints every page on the default printer (or the given one). False with lastPrintError.
  bool Print();
  bool Print(QPrinter& printer);
  QString lastPrintError;
  void Undo();
  void Redo();
  bool CanUndo() const { return doc_->CanUndo(); }
  bool CanRedo() const { return doc_->CanRedo(); }
  // Painting is held back while locked (Refresh does nothing).
  void LockPaint(bool on) { paintLocked_ = on; }

  // The spell checker's word walk.
  void SpellRestart(bool from_caret = false) { doc_->WordWalkRestart(from_caret); }
  QString NextWord();
  void SelectWord();
  void ReplaceWord(const QString& text);

  // The clipboard formats offered and taken for rich text.
  static QStringList RtfMimeTypes();

  // The find dialog while it is open (tests drive it).
  QDialog* ActiveFindDialog() const { return findDialog_.data(); }

  // The text an input method is composing at the caret; it is drawn there but is not yet part
  // of the document.
  QString PreeditText() const { return preedit_.text; }
  // Pixels the view scrolls per tick while a held selection's pointer is that far outside it.
  static int AutoScrollStep(int outside_pixels);
  bool AutoScrolling() const { return autoScroll_.isActive(); }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool focusNextPrevChild(bool next) override;
  void contextMenuEvent(QContextMenuEvent* e) override;  // wp_rich_text_spelling.cpp

 private:
  // After every operation: scroll bars, caret in view, repaint of what changed, edit state.
  void AfterEdit(bool keep_caret_visible = true);
  void UpdateScrollBars();
  void UpdateAll();
  void RepaintDirty();
  void RepaintCaret();
  void BlinkCaret();
  // Whether a repaint of `rect` only shows the caret on or off on its laid-out line.
  bool CaretOnlyRepaint(const QRect& rect) const;
  void ReportEditState();
  void TypeText(const QString& text);
  QMimeData* SelectionMimeData();
  bool PasteMimeData(const QMimeData* mime);
  void ShowMessage(const QString& text);
  void StartDrag();
  void SelectObjectAt(const TextLayout::HitObject& hit);
  const TextLayout::HitObject* SelectedObjectHit() const;
  void OpenFindDialog(bool replace);
  // wp_rich_text_events.cpp
  void ConnectControllerEvents();
  QString TextToInsert(const QString& text);
  // wp_rich_text_properties.cpp
  // Paints the background itself (a picture) or leaves it to the parent (transparent); false
  // when the layout fills it with the background colour.
  bool PaintBackground(QPainter& painter, const QRect& area);
  void PaintOverlays(QPainter& painter, const QRect& area);
  void PaintGrayTable(QPainter& painter);
  // A press on hyperlink text (double underline) at or just before `pos`: reports the run and
  // answers true.
  bool ReportHyperlinkAt(ParPos pos);
  // wp_rich_text_controls.cpp: hands a press to the click handler of the control under it.
  bool ClickObjectAt(const QPoint& point);
  // After a paint of the whole view: controls whose place was not painted are hidden.
  void HideControlsOutOfView();
  // wp_rich_text_linked.cpp
  QString StatusText(WPMessage message) const;
  void ShowStatus(WPMessage message);
  void ShowStatusText(const QString& text);
  void LinkExternScrollBar(QPointer<QScrollBar>& held, QScrollBar* bar, bool horizontal);
  void SyncExternScrollBars();
  // wp_rich_text_ime.cpp
  QFont PreeditFont() const;
  QRect PreeditCursorRect() const;
  void PaintPreedit(QPainter& painter);
  // wp_rich_text_autoscroll.cpp
  void SetUpAutoScroll();
  void FollowHeldSelection(const QPoint& point);
  void StopAutoScroll();
  void AutoScrollTick();

  std::unique_ptr<EditController> doc_;
  QFont font_;
  QColor fontColor_{Qt::black};
  QColor color_{Qt::white};
  QTimer blink_;
  bool caretOn_ = true;
  QRect caretRect_;  // where the caret was last drawn (viewport pixels)
  bool paintLocked_ = false;
  bool lastHasSelection_ = false;
  bool lastCanUndo_ = false;
  bool lastCanRedo_ = false;
  // Painting after typing: the typed paragraph, unless something else waits to be repainted.
  Paragraph* fastPar_ = nullptr;
  bool fullUpdatePending_ = true;
  bool lastPaintSelection_ = true;

  // mouse
  enum class MouseMode : uint8_t { None, Selecting, PendingDrag, Resizing };
  MouseMode mouseMode_ = MouseMode::None;
  QPoint pressPoint_;
  bool resizeArmed_ = false;  // the pointer is on the corner of the selected object
  DocObject* resizeObject_ = nullptr;
  QPoint resizeOrigin_;
  bool draggingOut_ = false;

  // What an input method is composing: its text, cursor and the looks of its parts.
  struct PreeditFormat {
    int start = 0;
    int length = 0;
    QTextCharFormat format;
  };
  struct Preedit {
    QString text;
    int cursor = 0;
    bool cursorVisible = true;
    std::vector<PreeditFormat> formats;
  };
  Preedit preedit_;
  struct DisplaySettings {
    bool noBlockMarking = false;
    bool oneClickHyperlink = false;
    Qt::CursorShape hyperLinkCursor = Qt::PointingHandCursor;
    bool caretDisabled = false;
    bool paintGrayTable = false;
    bool transparent = false;
    QImage backgroundImage;
    bool backgroundScrolling = true;
    int topOffset = 0;
    int leftOffset = 0;
  };
  DisplaySettings display_;
  QPointer<QStatusBar> statusBar_;
  QPointer<QLabel> statusLabel_;
  QPointer<QScrollBar> externHor_;
  QPointer<QScrollBar> externVer_;
  bool syncingExtern_ = false;
  int reportedX_ = 0;  // the scroll position last reported by onXPosChanged / onYPosChanged
  int reportedY_ = 0;
  // Scrolling while a held selection's pointer stays outside the view.
  QTimer autoScroll_;
  QPoint autoScrollPoint_;

  QPointer<QDialog> findDialog_;  // deleted when closed
  QPointer<QMenu> contextMenu_;   // deleted when closed
  SpellCheckWordEvent onSpellCheckWord_;
};

}  // namespace inkwend
