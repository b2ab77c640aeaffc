#include "richtext/widgets/wp_rich_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt_canvas.h"
#include "platform/qt_picture_decoder.h"
#include "platform/qt_picture_files.h"
#include "platform/qt_printing.h"
#include "platform/qt_text_metrics.h"

namespace inkwend {

namespace {

constexpr int kDragDistance = 6;  // pixels (horizontal plus vertical) before a drag begins
constexpr int kCornerGrip = 10;   // pixels above and left of an object's corner that resize it
constexpr int kCaretBlinkMs = 500;
constexpr int kMinObjectPixels = 2;

std::u32string ToU32(const QString& s) { return s.toStdU32String(); }
QString FromU32(std::u32string_view s) {
  return QString::fromUcs4(s.data(), static_cast<qsizetype>(s.size()));
}

ColorRef ToColorRef(const QColor& c) {
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

QStringList WPRichText::RtfMimeTypes() {
  return {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"), QStringLiteral("text/richtext")};
}

WPRichText::WPRichText(QWidget* parent)
    : QAbstractScrollArea(parent), doc_(std::make_unique<EditController>()) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAcceptDrops(true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  font_ = QFont(QStringLiteral("Arial"));
  font_.setPixelSize(11);

  doc_->Layout().SetDevice(&SharedTextMetrics(), std::max(1, logicalDpiX()), std::max(1, logicalDpiY()));
  doc_->SetWordWrap(true);
  doc_->Layout().SetWindowWidth(viewport()->width());
  doc_->Layout().backgroundColor = ToColorRef(color_);
  doc_->onChange = [this] {
    if (onChange) onChange(*this);
  };
  doc_->onBeforePasteEvent = [this](const WPRTFText& pasted) {
    return !onBeforePasteEvent || onBeforePasteEvent(*this, pasted);
  };
  doc_->onMessage = [this](const std::string& text) { ShowMessage(QString::fromStdString(text)); };

  blink_.setInterval(kCaretBlinkMs);
  QObject::connect(&blink_, &QTimer::timeout, viewport(), [this] { BlinkCaret(); });
  SetUpAutoScroll();
  ConnectControllerEvents();
  QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, viewport(),
                   [this] { ReportEditState(); });
  UpdateScrollBars();
}

WPRichText::~WPRichText() = default;

// --------------------------------------------------------------------------------------------
// Properties

void WPRichText::SetReadOnly(bool on) {
  doc_->readOnly = on;
  RepaintCaret();
}

void WPRichText::SetWordWrap(bool on) {
  doc_->SetWordWrap(on);
  doc_->Layout().SetWindowWidth(viewport()->width());
  UpdateAll();
  AfterEdit();
}

void WPRichText::SetZooming(int percent) {
  doc_->Layout().SetZooming(percent <= 0 ? 100 : percent);
  UpdateAll();
  AfterEdit();
}

void WPRichText::SetResizing(int percent) {
  doc_->Layout().SetResizing(percent <= 0 ? 100 : percent);
  UpdateAll();
  AfterEdit();
}

QString WPRichText::HTMLFilePath() const { return FromU32(doc_->Document().htmlFilePath); }
void WPRichText::SetHTMLFilePath(const QString& path) { doc_->Document().htmlFilePath = ToU32(path); }

void WPRichText::SetColor(const QColor& color) {
  color_ = color;
  doc_->Layout().backgroundColor = ToColorRef(color);
  UpdateAll();
}

QString WPRichText::FileName() const {
  return QFile::decodeName(QByteArray::fromStdString(doc_->FileName()));
}

// --------------------------------------------------------------------------------------------
// Operations

void WPRichText::Clear() {
  doc_->Clear();
  // New text takes the control's font and colours.
  CharAttr a = doc_->Document().defaultAttr;
  const QString family = font_.family().left(31);
  if (!family.isEmpty()) doc_->Document().header.fonts[0].name = ToU32(family);
  a.fontIndex = 0;
  int points = font_.pointSize();
  if (points <= 0 && font_.pixelSize() > 0) points = (font_.pixelSize() * 72 + 48) / 96;
  a.pointSize = static_cast<uint8_t>(std::clamp(points, 1, 255));
  const ColorRef text = ToColorRef(fontColor_), back = ToColorRef(color_);
  int text_index = 0, back_index = 0;
  for (int i = 14; i >= 0; --i) {
    if (doc_->Document().header.colors[static_cast<size_t>(i)] == text) text_index = i;
    if (doc_->Document().header.colors[static_cast<size_t>(i)] == back) back_index = i;
  }
  a.SetTextColor(static_cast<uint8_t>(text_index));
  a.SetBackgroundColor(static_cast<uint8_t>(back_index));
  a.styleBits = static_cast<uint8_t>((font_.bold() ? kStyleBold : 0) | (font_.italic() ? kStyleItalic : 0) |
                                     (font_.underline() ? kStyleUnderline : 0));
  a.charFlags = 0;
  doc_->Document().SetDefaultAttr(a);
  doc_->Document().FirstParagraph()->endAttr = a;
  doc_->Document().FirstParagraph()->MarkDirty();
  doc_->Reformat();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  UpdateAll();
  AfterEdit();
  ShowStatus(WPMessage::Ready);  // the file name is forgotten there too
}

int WPRichText::LoadFromFile(const QString& path) {
  ShowStatus(WPMessage::Reading);
  const int result = doc_->LoadFromFile(QFile::encodeName(path).toStdString());
  ShowStatus(WPMessage::Formatting);
  UpdateAll();
  AfterEdit(false);
  ShowStatus(WPMessage::Ready);
  return result;
}

int WPRichText::LoadFromStream(WPStream& stream) {
  ShowStatus(WPMessage::Reading);
  const int result = doc_->LoadFromStream(stream);
  ShowStatus(WPMessage::Formatting);
  UpdateAll();
  AfterEdit(false);
  ShowStatus(WPMessage::Ready);
  return result;
}

int WPRichText::SaveToFile(const QString& path) {
  ShowStatus(WPMessage::Writing);
  const int result = doc_->SaveToFile(QFile::encodeName(path).toStdString());
  ShowStatus(WPMessage::Ready);
  return result;
}

int WPRichText::SaveToStream(WPStream& stream) {
  ShowStatus(WPMessage::Writing);
  const int result = doc_->SaveToStream(stream);
  ShowStatus(WPMessage::Ready);
  return result;
}

int WPRichText::SaveSelectionToStream(WPStream& stream) { return doc_->SaveSelectionToStream(stream); }

void WPRichText::SetCaretPosition(int64_t position) {
  doc_->SetCaretPosition(position);
  AfterEdit();
}

void WPRichText::SelectRange(int64_t anchor, int64_t caret) {
  doc_->SelectRange(anchor, caret);
  AfterEdit();
}

void WPRichText::SelectAll() {
  doc_->SelectAll();
  AfterEdit(false);
}

void WPRichText::DeleteSelection() {
  doc_->DeleteSelection();
  AfterEdit();
}

void WPRichText::HideSelection() {
  doc_->HideSelection();
  AfterEdit(false);
}

QMimeData* WPRichText::SelectionMimeData() {
  auto* mime = new QMimeData;
  const QByteArray rtf = QByteArray::fromStdString(doc_->SelectionAsRtf());
  for (const QString& type : RtfMimeTypes()) mime->setData(type, rtf);
  mime->setText(FromU32(doc_->SelectedText()));
  return mime;
}

void WPRichText::CopyToClipboard() {
  if (!doc_->HasSelection()) return;
  if (onBeforeCopyEvent && !onBeforeCopyEvent(*this)) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
}

void WPRichText::CutToClipboard() {
  if (!doc_->HasSelection()) return;
  if (onBeforeCopyEvent && !onBeforeCopyEvent(*this)) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
  doc_->DeleteSelection();
  AfterEdit();
}

bool WPRichText::PasteMimeData(const QMimeData* mime) {
  if (!mime) return false;
  for (const QString& type : RtfMimeTypes()) {
    if (mime->hasFormat(type)) {
      const QByteArray bytes = mime->data(type);
      if (!bytes.isEmpty()) return doc_->PasteBytes(bytes.toStdString(), WPLoadFormat::FormatRTF);
    }
  }
  if (mime->hasText()) {
    const QString text = mime->text();
    if (!text.isEmpty()) return doc_->PasteBytes(text.toUtf8().toStdString(), WPLoadFormat::FormatANSI);
  }
  try {
    // A PNG or JPEG is kept as itself; decoded image data is all some programs offer.
    for (const char* type : {"image/png", "image/jpeg"}) {
      DocGraphic graphic = mime->hasFormat(QLatin1String(type))
                               ? GraphicFromEncodedPicture(mime->data(QLatin1String(type)))
                               : DocGraphic{};
      if (!graphic.Empty()) return InsertPicture(std::move(graphic)) != 0;
    }
    Bitmap bitmap = mime->hasImage() ? BitmapFromImage(qvariant_cast<QImage>(mime->imageData())) : Bitmap{};
    if (bitmap.width > 0) {
      DocGraphic graphic;
      graphic.image = std::move(bitmap);
      return InsertPicture(std::move(graphic)) != 0;
    }
  } catch (const std::exception&) {
    // A picture that cannot be taken is left on the clipboard.
  }
  return false;
}

void WPRichText::PasteFromClipboard() {
  if (!doc_->readOnly) PasteMimeData(QApplication::clipboard()->mimeData());
  UpdateAll();
  AfterEdit();
}

void WPRichText::InsertText(const QString& text) {
  // A program's insertion (a date, a time) is not part of the typing around it.
  doc_->BeginUndoGroup();
  doc_->InsertText(ToU32(TextToInsert(text)));
  doc_->EndUndoGroup();
  AfterEdit();
}

int WPRichText::InsertGraphic(DocGraphic graphic, int width, int height) {
  const int tag = doc_->InsertGraphic(std::move(graphic), width, height);
  AfterEdit();
  return tag;
}

int WPRichText::InsertPicture(DocGraphic graphic) {
  if (graphic.Empty()) return 0;
  // A picture wider than the text is shown at the text's width. The size shown is what the
  // entry keeps, and the corner handle can make the picture larger again.
  int width = 0, height = 0;
  const int available = doc_->Layout().AvailableWidth(doc_->caret.par, doc_->caret.line);
  const int pixel_width = graphic.PixelWidth(), pixel_height = graphic.PixelHeight();
  if (available > 0 && pixel_width > available) {
    const TextHeader& header = doc_->Document().header;
    const int64_t shown_height = std::max<int64_t>(1, int64_t{pixel_height} * available / pixel_width);
    width = static_cast<int>(int64_t{available} * 1440 / std::max(1, header.xPixelsPerInch));
    height = static_cast<int>(shown_height * 1440 / std::max(1, header.yPixelsPerInch));
  }
  return InsertGraphic(std::move(graphic), width, height);
}

int WPRichText::InsertGraphic(const QImage& image, int width, int height) {
  DocGraphic graphic;
  Bitmap bmp = BitmapFromImage(image);
  if (bmp.width > 0) graphic.image = std::move(bmp);
  return InsertGraphic(std::move(graphic), width, height);
}

void WPRichText::SetCurrentAttr(const CharAttr& attr) {
  doc_->SetCurrentAttr(attr);
  AfterEdit();
}

int WPRichText::FontIndexOf(const QString& name) { return doc_->FontIndexOf(ToU32(name)); }

void WPRichText::AppendParagraph(const ParagraphDescription& description) {
  doc_->AppendParagraph(description);
  AfterEdit();
}

void WPRichText::SetPageLayout(int left, int right, int page_height, int page_width, int bottom, int top) {
  doc_->SetPageLayout(left, right, page_height, page_width, bottom, top);
  AfterEdit();
}

void WPRichText::SetParSpacing(int before, int line_spacing, int after) {
  doc_->SetParSpacing(before, line_spacing, after);
  AfterEdit();
}

void WPRichText::SetParIndents(int first, int left, int right) {
  doc_->SetParIndents(first, left, right);
  AfterEdit();
}

void WPRichText::SetParShading(int percent, uint8_t colors) {
  doc_->SetParShading(percent, colors);
  AfterEdit();
}

void WPRichText::Reformat() {
  ShowStatus(WPMessage::Formatting);
  doc_->Layout().ReformatAll();
  UpdateAll();
  AfterEdit();
  ShowStatus(WPMessage::Ready);
}

void WPRichText::Changed() { doc_->Changed(); }

void WPRichText::Refresh() {
  if (paintLocked_) return;
  UpdateAll();
}

bool WPRichText::FindText(const QString& text, bool backwards) {
  const bool found = doc_->FindText(ToU32(text), backwards);
  AfterEdit();
  return found;
}

void WPRichText::ReplaceSelection(const QString& text) {
  doc_->ReplaceSelection(ToU32(text));
  AfterEdit();
}

void WPRichText::AssignHeaderFrom(const WPRTFText& document) {
  doc_->AssignHeaderFrom(document);
  UpdateAll();
  AfterEdit(false);
}

void WPRichText::FastAppendText(WPRichText& other) {
  doc_->FastAppendText(other.Memo());
  UpdateAll();
  AfterEdit(false);
}

bool WPRichText::Print() {
  QPrinter printer(QPrinter::HighResolution);
  return Print(printer);
}

bool WPRichText::Print(QPrinter& printer) {
  std::string error;
  const bool ok = PrintDocument(doc_->Layout(), printer, &error, 0, 0xFFFFFF);
  lastPrintError = QString::fromStdString(error);
  doc_->Layout().SetWindowWidth(viewport()->width());
  UpdateAll();
  AfterEdit(false);
  return ok;
}

void WPRichText::Undo() {
  doc_->Undo();
  AfterEdit();
}

void WPRichText::Redo() {
  doc_->Redo();
  AfterEdit();
}

QString WPRichText::NextWord() {
  const QString word = FromU32(doc_->NextWord());
  AfterEdit();
  return word;
}

void WPRichText::SelectWord() {
  doc_->SelectCurrentWord();
  AfterEdit();
}

void WPRichText::ReplaceWord(const QString& text) {
  doc_->ReplaceCurrentWord(ToU32(text));
  AfterEdit();
}

void WPRichText::ShowMessage(const QString& text) {
  if (onMessage)
    onMessage(*this, text);
  else
    QMessageBox::information(this, QString(), text);
}

// --------------------------------------------------------------------------------------------
// Repainting, scrolling, caret

void WPRichText::UpdateAll() {
  fullUpdatePending_ = true;
  viewport()->update();
}

void WPRichText::AfterEdit(bool keep_caret_visible) {
  // The controller has laid out what its operations changed. A key typed into a paragraph
  // repaints from that paragraph only, without a layout pass over the document.
  Paragraph* typed = doc_->LastTypedParagraph();
  if (doc_->DirtyTop() <= doc_->DirtyBottom()) {
    if (typed && (!fastPar_ || fastPar_ == typed))
      fastPar_ = typed;
    else
      fullUpdatePending_ = true;
  }
  if (keep_caret_visible) doc_->EnsureCaretVisible(viewport()->width(), viewport()->height());
  UpdateScrollBars();
  RepaintDirty();
  caretOn_ = true;
  if (hasFocus()) blink_.start();
  RepaintCaret();
  ReportEditState();
  if (onCaretMoved) onCaretMoved(*this);
}

void WPRichText::UpdateScrollBars() {
  const int vh = viewport()->height(), vw = viewport()->width();
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  const int vmax = std::max(0, doc_->Layout().DocumentHeight() - vh);
  if (v->maximum() != vmax) v->setRange(0, vmax);
  v->setPageStep(std::max(1, vh));
  v->setSingleStep(16);
  const int content_w = doc_->Layout().WordWrap() ? 0 : doc_->Layout().LayoutWidth() + 16;
  const int hmax = std::max(0, content_w - vw);
  if (h->maximum() != hmax) h->setRange(0, hmax);
  h->setPageStep(std::max(1, vw));
  h->setSingleStep(16);
  doc_->scrollY = std::clamp(doc_->scrollY, 0, vmax);
  doc_->scrollX = std::clamp(doc_->scrollX, 0, hmax);
  if (v->value() != doc_->scrollY) v->setValue(doc_->scrollY);
  if (h->value() != doc_->scrollX) h->setValue(doc_->scrollX);
  SyncExternScrollBars();
}

void WPRichText::scrollContentsBy(int, int) {
  const int x = horizontalScrollBar()->value(), y = verticalScrollBar()->value();
  if (x == doc_->scrollX && y == doc_->scrollY) return;
  doc_->scrollX = x;
  doc_->scrollY = y;
  UpdateAll();
  SyncExternScrollBars();
}

void WPRichText::RepaintDirty() {
  if (doc_->DirtyTop() > doc_->DirtyBottom()) return;
  const int top = std::max(0, doc_->DirtyTop() - doc_->scrollY);
  const int bottom = std::min(viewport()->height(), doc_->DirtyBottom() - doc_->scrollY);
  if (!fastPar_) fullUpdatePending_ = true;
  if (bottom > top && !paintLocked_) viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
  doc_->ResetDirty();
}

void WPRichText::RepaintCaret() {
  if (!caretRect_.isNull()) viewport()->update(caretRect_.adjusted(-1, 0, 1, 0));
  const QRect now = ToQRect(doc_->CaretRect());
  viewport()->update(now.adjusted(-1, 0, 1, 0));
}

void WPRichText::BlinkCaret() {
  caretOn_ = !caretOn_;
  RepaintCaret();
}

void WPRichText::ReportEditState() {
  const bool has = doc_->HasSelection();
  if (has != lastHasSelection_) UpdateAll();
  lastHasSelection_ = has;
  if (doc_->CanUndo() != lastCanUndo_ || doc_->CanRedo() != lastCanRedo_) {
    lastCanUndo_ = doc_->CanUndo();
    lastCanRedo_ = doc_->CanRedo();
    if (historyChanged) historyChanged(*this);
  }
  if (editStateEvent) {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    editStateEvent(*this, has, mime && !mime->formats().isEmpty());
  }
}

void WPRichText::paintEvent(QPaintEvent* e) {
  QPainter painter(viewport());
  QtCanvas canvas(painter, SharedTextMetrics());
  const QRect r = e->rect();
  PaintContext context(canvas, Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  context.scrollX = doc_->scrollX;
  context.scrollY = doc_->scrollY;
  context.selStart = doc_->selStart;
  context.selEnd = doc_->selEnd;
  context.showCaret = hasFocus() && caretOn_ && !doc_->HasSelection() && !display_.caretDisabled;
  context.fillBackground = !PaintBackground(painter, r);
  context.caret = doc_->caret.par ? doc_->caret : TextCursor{doc_->Document().FirstParagraph(), 0, 0};
  context.caretColor = QColor(color_).lightness() < 128 ? 0xFFFFFF : 0x000000;
  Paragraph* from = fastPar_;
  bool fast = from && !fullUpdatePending_ && from == doc_->LastTypedParagraph() && !lastPaintSelection_ &&
              !doc_->HasSelection() && context.clip.top >= doc_->Layout().Box(from, 0).top - doc_->scrollY;
  // A blink of the caret lays nothing out: its line is painted as it stands.
  if (!fast && CaretOnlyRepaint(r)) {
    fast = true;
    from = doc_->caret.par;
  }
  fastPar_ = nullptr;
  fullUpdatePending_ = false;
  Rect caret;
  if (fast) {
    // Only the typed paragraph (and what moved below it) is in the clip, and it is laid out.
    caret = doc_->Layout().PaintFromParagraph(context, from);
  } else {
    caret = doc_->Layout().Paint(context);
    lastPaintSelection_ = doc_->HasSelection();
  }
  caretRect_ = caret.Empty() ? QRect() : ToQRect(caret);
  PaintOverlays(painter, r);
}

void WPRichText::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  doc_->Layout().SetWindowWidth(viewport()->width());
  doc_->Reformat();
  UpdateScrollBars();
  UpdateAll();
}

void WPRichText::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  caretOn_ = true;
  blink_.start();
  RepaintCaret();
}

void WPRichText::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  blink_.stop();
  StopAutoScroll();  // a window that took the focus took the mouse too
  doc_->BreakUndoGroup();
  RepaintCaret();
}

// --------------------------------------------------------------------------------------------
// Keyboard

bool WPRichText::focusNextPrevChild(bool) { return false; }  // Tab is text here

bool WPRichText::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // Editing keys belong to the editor even when a window action uses the same shortcut.
    auto* k = static_cast<QKeyEvent*>(e);
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    switch (k->key()) {
      case Qt::Key_C:
      case Qt::Key_V:
      case Qt::Key_X:
      case Qt::Key_Z:
      case Qt::Key_Y:
      case Qt::Key_A:
        if (ctrl) {
          e->accept();
          return true;
        }
        break;
      case Qt::Key_Delete:
      case Qt::Key_Backspace:
      case Qt::Key_Insert:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
        e->accept();
        return true;
      default:
        break;
    }
  }
  return QAbstractScrollArea::event(e);
}

void WPRichText::TypeText(const QString& typed) {
  const QString text = TextToInsert(typed);
  bool any = false;
  for (char32_t c : text.toUcs4()) {
    if (c < 32 || c == 127) continue;  // tab and line feed arrive as keys of their own
    CharAttr a = doc_->GetCurrentAttr();
    if (a.charFlags & kCharHidden) {
      a.charFlags &= static_cast<uint8_t>(~kCharHidden);
      doc_->Document().SetDefaultAttr(a);
    }
    any |= doc_->InputChar(c);
  }
  if (any || !text.isEmpty()) AfterEdit();
}

void WPRichText::keyPressEvent(QKeyEvent* e) {
  if (onKeyDown && onKeyDown(*this, e)) return;
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  const bool shift = mods & Qt::ShiftModifier;
  const bool alt = mods & Qt::AltModifier;
  const int vh = viewport()->height();
  switch (e->key()) {
    case Qt::Key_Tab:
      if (mods == Qt::NoModifier) {
        doc_->InputChar(kCharTab);
        AfterEdit();
      } else if (ctrl && !shift && !alt) {
        if (ctrlTabPressed) ctrlTabPressed(*this);
      }
      return;
    case Qt::Key_Backtab:
      if (!ctrl && !alt && shiftTabPressed) shiftTabPressed(*this);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      doc_->InputChar(ctrl ? kKeyPageBreak : kKeyEnter);
      AfterEdit();
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      doc_->PageMove(e->key() == Qt::Key_PageDown, shift, ctrl, vh);
      AfterEdit(!ctrl);
      return;
    case Qt::Key_Home:
      doc_->MoveHome(ctrl, shift);
      AfterEdit();
      return;
    case Qt::Key_End:
      doc_->MoveEnd(ctrl, shift);
      AfterEdit();
      return;
    case Qt::Key_Left:
      doc_->MoveLeft(ctrl, shift);
      AfterEdit();
      return;
    case Qt::Key_Right:
      doc_->MoveRight(ctrl, shift);
      AfterEdit();
      return;
    case Qt::Key_Up:
      doc_->MoveUp(shift);
      AfterEdit();
      return;
    case Qt::Key_Down:
      doc_->MoveDown(shift);
      AfterEdit();
      return;
    case Qt::Key_Insert:
      if (shift)
        PasteFromClipboard();
      else if (ctrl)
        CopyToClipboard();
      else
        doc_->inserting = !doc_->inserting;
      return;
    case Qt::Key_Delete:
      if (shift || ctrl) {
        CutToClipboard();
      } else {
        doc_->InputChar(kKeyDelete);
        AfterEdit();
      }
      return;
    case Qt::Key_Backspace:
      doc_->InputChar(kKeyBackspace);
      AfterEdit();
      return;
    case Qt::Key_Escape:
      HideSelection();
      return;
    default:
      break;
  }
  if (ctrl && !alt) {
    switch (e->key()) {
      case Qt::Key_C:
        CopyToClipboard();
        return;
      case Qt::Key_V:
        PasteFromClipboard();
        return;
      case Qt::Key_X:
        CutToClipboard();
        return;
      case Qt::Key_A:
        SelectAll();
        return;
      case Qt::Key_Y:
        Redo();
        return;
      case Qt::Key_Z:
        if (shift)
          Redo();
        else
          Undo();
        return;
      default:
        return;  // other Ctrl combinations type nothing
    }
  }
  const QString text = e->text();
  if (!text.isEmpty()) {
    TypeText(text);
    return;
  }
  QAbstractScrollArea::keyPressEvent(e);
}

// --------------------------------------------------------------------------------------------
// Mouse

const TextLayout::HitObject* WPRichText::SelectedObjectHit() const {
  if (!doc_->HasSelection()) return nullptr;
  const ParPos a = doc_->SelectionBegin(), b = doc_->SelectionEnd();
  if (a.par != b.par || b.offset != a.offset + 1 || !a.par->HasAttributes()) return nullptr;
  const char32_t c = a.par->Text()[static_cast<size_t>(a.offset)];
  const CharAttr& attr = a.par->AttrAt(static_cast<size_t>(a.offset));
  if (!(attr.charFlags & kCharObject)) return nullptr;
  const DocObject* o = c == kCharObjectByTag ? doc_->Document().FindObjectByTag(attr.tagNumber)
                                             : doc_->Document().FindObjectByNumber(attr.tagNumber);
  for (const auto& h : doc_->Layout().HitObjects()) {
    if (h.object == o) return &h;
  }
  return nullptr;
}

void WPRichText::SelectObjectAt(const TextLayout::HitObject& hit) {
  // The anchor is the character painted at the object's left edge.
  const ParPos p = doc_->PosAtPoint(hit.rect.left + 1, hit.rect.top + hit.rect.Height() / 2);
  for (int off : {p.offset, p.offset - 1}) {
    if (off < 0 || off >= p.par->CharCount() || !p.par->HasAttributes()) continue;
    const CharAttr& a = p.par->AttrAt(static_cast<size_t>(off));
    if (a.charFlags & kCharObject) {
      doc_->MoveCaretTo(ParPos{p.par, off}, false);
      doc_->MoveCaretTo(ParPos{p.par, off + 1}, true);
      return;
    }
  }
}

void WPRichText::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  pressPoint_ = e->position().toPoint();
  if (resizeArmed_) {
    if (const auto* hit = SelectedObjectHit()) {
      mouseMode_ = MouseMode::Resizing;
      resizeObject_ = hit->object;
      resizeOrigin_ = QPoint(hit->rect.left, hit->rect.top);
      return;
    }
  }
  const ParPos pos = doc_->PosAtPoint(pressPoint_.x(), pressPoint_.y());
  if (dragAndDropSupport && doc_->HasSelection()) {
    const int64_t at = doc_->PositionOf(pos);
    if (at >= doc_->PositionOf(doc_->SelectionBegin()) && at < doc_->PositionOf(doc_->SelectionEnd())) {
      mouseMode_ = MouseMode::PendingDrag;
      return;
    }
  }
  setFocus(Qt::MouseFocusReason);
  // With one-click hyperlinks a press goes to a control or a link first; the caret then stays.
  if (display_.oneClickHyperlink && (ClickObjectAt(pressPoint_) || ReportHyperlinkAt(pos))) return;
  doc_->MoveCaretTo(pos, (e->modifiers() & Qt::ShiftModifier) != 0 && !display_.noBlockMarking);
  mouseMode_ = MouseMode::Selecting;
  AfterEdit();
}

void WPRichText::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  mouseMode_ = MouseMode::None;
  if (ClickObjectAt(p)) return;  // a control with a click handler of its own takes it
  for (const auto& hit : doc_->Layout().HitObjects()) {
    if (hit.rect.Contains(p.x(), p.y())) {
      SelectObjectAt(hit);
      AfterEdit(false);
      return;
    }
  }
  // Otherwise the word under the pointer.
  ParPos pos = doc_->PosAtPoint(p.x(), p.y());
  auto text = pos.par->Text();
  int from = pos.offset, to = pos.offset;
  while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)])) --from;
  while (to < pos.par->CharCount() && IsWordChar(text[static_cast<size_t>(to)])) ++to;
  if (to > from) {
    doc_->MoveCaretTo(ParPos{pos.par, from}, false);
    doc_->MoveCaretTo(ParPos{pos.par, to}, true);
    if (pos.par->HasAttributes() &&
        (pos.par->AttrAt(static_cast<size_t>(from)).styleBits & kStyleDoubleUnderline)) {
      const TextCursor c = doc_->caret;
      doc_->Document().ReportSpecialRun(c.par, c.line, std::max(0, c.pos - 1), nullptr);
    }
  }
  AfterEdit(false);
}

void WPRichText::StartDrag() {
  mouseMode_ = MouseMode::None;
  auto* drag = new QDrag(this);
  drag->setMimeData(SelectionMimeData());
  draggingOut_ = true;
  const Qt::DropAction action = drag->exec(doc_->readOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction);
  const bool moved_elsewhere = draggingOut_ && action == Qt::MoveAction && drag->target() != viewport();
  draggingOut_ = false;
  if (moved_elsewhere) {
    doc_->DeleteSelection();
    AfterEdit();
  }
}

void WPRichText::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (!(e->buttons() & Qt::LeftButton)) {
    // Hovering: which cursor.
    resizeArmed_ = false;
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (const auto* hit = SelectedObjectHit()) {
      const int dx = hit->rect.right - p.x(), dy = hit->rect.bottom - p.y();
      if (dx >= 0 && dx <= kCornerGrip && dy >= 0 && dy <= kCornerGrip) {
        shape = Qt::SizeFDiagCursor;
        resizeArmed_ = true;
      }
    }
    if (!resizeArmed_) {
      const ParPos pos = doc_->PosAtPoint(p.x(), p.y());
      const int off = std::min(pos.offset, pos.par->CharCount() - 1);
      const DocObject* object = doc_->Layout().ObjectAt(p.x(), p.y());
      if ((object && !object->fileName.empty()) ||
          (off >= 0 && pos.par->HasAttributes() &&
           (pos.par->AttrAt(static_cast<size_t>(off)).styleBits & kStyleDoubleUnderline))) {
        shape = display_.hyperLinkCursor;
      } else if (dragAndDropSupport && doc_->HasSelection()) {
        const int64_t at = doc_->PositionOf(pos);
        if (at >= doc_->PositionOf(doc_->SelectionBegin()) && at < doc_->PositionOf(doc_->SelectionEnd())) {
          shape = Qt::ArrowCursor;
        }
      }
    }
    viewport()->setCursor(shape);
    return;
  }
  switch (mouseMode_) {
    case MouseMode::PendingDrag:
      if ((p - pressPoint_).manhattanLength() > kDragDistance) StartDrag();
      return;
    case MouseMode::Resizing:
      if (resizeObject_) {
        const int w = std::max(kMinObjectPixels, p.x() - resizeOrigin_.x());
        const int h = std::max(kMinObjectPixels, p.y() - resizeOrigin_.y());
        resizeObject_->width =
            static_cast<int32_t>(int64_t{w} * 1440 / std::max(1, doc_->Document().header.xPixelsPerInch));
        resizeObject_->height =
            static_cast<int32_t>(int64_t{h} * 1440 / std::max(1, doc_->Document().header.yPixelsPerInch));
        doc_->SelectionBegin().par->MarkDirty();
        doc_->Reformat();
        doc_->modified = true;
        UpdateAll();
        AfterEdit(false);
      }
      return;
    case MouseMode::Selecting: {
      doc_->MoveCaretTo(doc_->PosAtPoint(p.x(), p.y()), !display_.noBlockMarking);
      AfterEdit(true);         // scrolls when the pointer leaves the view
      FollowHeldSelection(p);  // and goes on scrolling while it stays outside
      return;
    }
    default:
      return;
  }
}

void WPRichText::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  StopAutoScroll();
  const QPoint p = e->position().toPoint();
  switch (mouseMode_) {
    case MouseMode::PendingDrag:
      // A drag that never began is a click at the press point.
      setFocus(Qt::MouseFocusReason);
      doc_->MoveCaretTo(doc_->PosAtPoint(pressPoint_.x(), pressPoint_.y()), false);
      AfterEdit();
      break;
    case MouseMode::Resizing:
      resizeObject_ = nullptr;
      doc_->Changed();
      break;
    case MouseMode::Selecting:
      if (p == pressPoint_ && !(e->modifiers() & Qt::ShiftModifier)) {
        doc_->MoveCaretTo(doc_->PosAtPoint(p.x(), p.y()), false);
        AfterEdit();
      }
      break;
    default:
      break;
  }
  mouseMode_ = MouseMode::None;
}

// --------------------------------------------------------------------------------------------
// Drag and drop

void WPRichText::dragEnterEvent(QDragEnterEvent* e) {
  if (onDragOver && onDragOver(*this, e)) {
    e->acceptProposedAction();
    return;
  }
  const QMimeData* m = e->mimeData();
  bool ok = m->hasText() || m->hasImage();
  for (const QString& type : RtfMimeTypes()) ok |= m->hasFormat(type);
  if (ok && !doc_->readOnly) e->acceptProposedAction();
}

void WPRichText::dragMoveEvent(QDragMoveEvent* e) {
  if (onDragOver && onDragOver(*this, e)) {
    e->acceptProposedAction();
    return;
  }
  if (doc_->readOnly) {
    e->ignore();
    return;
  }
  e->acceptProposedAction();
}

void WPRichText::dropEvent(QDropEvent* e) {
  if (onDragDrop && onDragDrop(*this, e)) return;
  if (doc_->readOnly) return;
  const QPoint p = e->position().toPoint();
  ParPos at = doc_->PosAtPoint(p.x(), p.y());
  int64_t drop = doc_->PositionOf(at);
  if (draggingOut_ && e->source() == this) {
    // Moving our own selection: onto itself does nothing; elsewhere the text moves.
    const int64_t a = doc_->PositionOf(doc_->SelectionBegin()), b = doc_->PositionOf(doc_->SelectionEnd());
    if (drop >= a && drop <= b) {
      e->ignore();
      draggingOut_ = false;
      return;
    }
    const bool move = e->dropAction() == Qt::MoveAction || e->proposedAction() == Qt::MoveAction;
    doc_->BeginUndoGroup();  // moved text undoes in one step
    if (move) {
      doc_->DeleteSelection();
      if (drop > b) drop -= b - a;
    }
    draggingOut_ = false;
    e->setDropAction(Qt::CopyAction);
  }
  doc_->SetCaretPosition(drop);
  PasteMimeData(e->mimeData());
  doc_->EndUndoGroup();
  e->acceptProposedAction();
  AfterEdit();
}

// --------------------------------------------------------------------------------------------
// Find and replace dialogs

void WPRichText::FindDialog() { OpenFindDialog(false); }
void WPRichText::ReplaceDialog() { OpenFindDialog(true); }

void WPRichText::OpenFindDialog(bool replace) {
  if (findDialog_) findDialog_->close();
  const bool de = doc_->Language() == WPLanguage::German;
  auto* dlg = new QDialog(this);
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setObjectName(replace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
  dlg->setWindowTitle(replace ? (de ? QStringLiteral("Ersetzen") : QStringLiteral("Replace"))
                              : (de ? QStringLiteral("Suchen") : QStringLiteral("Find")));
  auto* grid = new QGridLayout(dlg);
  auto* find_edit = new QLineEdit(dlg);
  find_edit->setObjectName(QStringLiteral("FindEdit"));
  grid->addWidget(new QLabel(de ? QStringLiteral("Suchen nach:") : QStringLiteral("Find what:"), dlg), 0, 0);
  grid->addWidget(find_edit, 0, 1);
  QLineEdit* replace_edit = nullptr;
  if (replace) {
    replace_edit = new QLineEdit(dlg);
    replace_edit->setObjectName(QStringLiteral("ReplaceEdit"));
    grid->addWidget(new QLabel(de ? QStringLiteral("Ersetzen durch:") : QStringLiteral("Replace with:"), dlg),
                    1, 0);
    grid->addWidget(replace_edit, 1, 1);
  }
  auto* whole =
      new QCheckBox(de ? QStringLiteral("Nur ganzes Wort") : QStringLiteral("Match &whole word only"), dlg);
  whole->setObjectName(QStringLiteral("WholeWord"));
  auto* match_case =
      new QCheckBox(de ? QStringLiteral("Gro\u00DF-/Kleinschreibung") : QStringLiteral("Match &case"), dlg);
  match_case->setObjectName(QStringLiteral("MatchCase"));
  auto* up = new QRadioButton(de ? QStringLiteral("Aufw\u00E4rts") : QStringLiteral("&Up"), dlg);
  up->setObjectName(QStringLiteral("Up"));
  auto* down = new QRadioButton(de ? QStringLiteral("Abw\u00E4rts") : QStringLiteral("&Down"), dlg);
  down->setObjectName(QStringLiteral("Down"));
  down->setChecked(doc_->findOptions.down);
  up->setChecked(!doc_->findOptions.down);
  whole->setChecked(doc_->findOptions.wholeWord);
  match_case->setChecked(doc_->findOptions.matchCase);
  grid->addWidget(whole, 2, 0);
  grid->addWidget(match_case, 3, 0);
  auto* dir = new QHBoxLayout;
  dir->addWidget(up);
  dir->addWidget(down);
  grid->addLayout(dir, 2, 1);
  auto* buttons = new QVBoxLayout;
  auto* find_next = new QPushButton(de ? QStringLiteral("&Weitersuchen") : QStringLiteral("&Find Next"), dlg);
  find_next->setObjectName(QStringLiteral("FindNext"));
  find_next->setDefault(true);
  buttons->addWidget(find_next);
  auto options = [=, this] {
    doc_->findOptions = FindOptions{match_case->isChecked(), whole->isChecked(), down->isChecked()};
  };
  QObject::connect(find_next, &QPushButton::clicked, dlg, [=, this] {
    options();
    if (!doc_->FindNext(ToU32(find_edit->text()))) QApplication::beep();
    AfterEdit();
  });
  if (replace) {
    auto* rep = new QPushButton(de ? QStringLiteral("&Ersetzen") : QStringLiteral("&Replace"), dlg);
    rep->setObjectName(QStringLiteral("Replace"));
    auto* all = new QPushButton(de ? QStringLiteral("&Alle ersetzen") : QStringLiteral("Replace &All"), dlg);
    all->setObjectName(QStringLiteral("ReplaceAll"));
    buttons->addWidget(rep);
    buttons->addWidget(all);
    QObject::connect(rep, &QPushButton::clicked, dlg, [=, this] {
      options();
      doc_->ReplaceNext(ToU32(find_edit->text()), ToU32(replace_edit->text()));
      AfterEdit();
    });
    QObject::connect(all, &QPushButton::clicked, dlg, [=, this] {
      options();
      doc_->ReplaceAll(ToU32(find_edit->text()), ToU32(replace_edit->text()));
      AfterEdit();
    });
  }
  auto* cancel = new QPushButton(de ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel"), dlg);
  cancel->setObjectName(QStringLiteral("Cancel"));
  QObject::connect(cancel, &QPushButton::clicked, dlg, &QDialog::close);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 2, 4, 1);
  if (doc_->HasSelection()) find_edit->setText(FromU32(doc_->SelectedText()).section(QChar('\n'), 0, 0));
  findDialog_ = dlg;
  dlg->show();
  find_edit->setFocus();
}

}  // namespace inkwend
