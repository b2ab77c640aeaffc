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
#include <QInputMethodEvent>
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

TColorRef ToColorRef(const QColor& c) {
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

}  // namespace

QStringList TWPRichText::RtfMimeTypes() {
  return {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"), QStringLiteral("text/richtext")};
}

TWPRichText::TWPRichText(QWidget* parent)
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
  doc_->Layout().BackgroundColor = ToColorRef(color_);
  doc_->OnChange = [this] {
    if (OnChange) OnChange(*this);
  };
  doc_->OnBeforePasteEvent = [this] { return !OnBeforePasteEvent || OnBeforePasteEvent(*this); };
  doc_->OnMessage = [this](const std::string& text) { ShowMessage(QString::fromStdString(text)); };

  blink_.setInterval(kCaretBlinkMs);
  QObject::connect(&blink_, &QTimer::timeout, viewport(), [this] { BlinkCaret(); });
  QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, viewport(),
                   [this] { ReportEditState(); });
  UpdateScrollBars();
}

TWPRichText::~TWPRichText() = default;

// --------------------------------------------------------------------------------------------
// Properties

void TWPRichText::SetReadOnly(bool on) {
  doc_->ReadOnly = on;
  RepaintCaret();
}

void TWPRichText::SetWordWrap(bool on) {
  doc_->SetWordWrap(on);
  doc_->Layout().SetWindowWidth(viewport()->width());
  UpdateAll();
  AfterEdit();
}

void TWPRichText::SetZooming(int percent) {
  doc_->Layout().SetZooming(percent <= 0 ? 100 : percent);
  UpdateAll();
  AfterEdit();
}

void TWPRichText::SetResizing(int percent) {
  doc_->Layout().SetResizing(percent <= 0 ? 100 : percent);
  UpdateAll();
  AfterEdit();
}

QString TWPRichText::HTMLFilePath() const { return FromU32(doc_->Document().HTMLFilePath); }
void TWPRichText::SetHTMLFilePath(const QString& path) { doc_->Document().HTMLFilePath = ToU32(path); }

void TWPRichText::SetColor(const QColor& color) {
  color_ = color;
  doc_->Layout().BackgroundColor = ToColorRef(color);
  UpdateAll();
}

QString TWPRichText::FileName() const {
  return QFile::decodeName(QByteArray::fromStdString(doc_->FileName()));
}

// --------------------------------------------------------------------------------------------
// Operations

void TWPRichText::Clear() {
  doc_->Clear();
  // New text takes the control's font and colours.
  TCharAttr a = doc_->Document().DefaultAttr;
  const QString family = font_.family().left(31);
  if (!family.isEmpty()) doc_->Document().Header.Fonts[0].Name = ToU32(family);
  a.FontIndex = 0;
  int points = font_.pointSize();
  if (points <= 0 && font_.pixelSize() > 0) points = (font_.pixelSize() * 72 + 48) / 96;
  a.PointSize = static_cast<uint8_t>(std::clamp(points, 1, 255));
  const TColorRef text = ToColorRef(font_color_), back = ToColorRef(color_);
  int text_index = 0, back_index = 0;
  for (int i = 14; i >= 0; --i) {
    if (doc_->Document().Header.Colors[static_cast<size_t>(i)] == text) text_index = i;
    if (doc_->Document().Header.Colors[static_cast<size_t>(i)] == back) back_index = i;
  }
  a.SetTextColor(static_cast<uint8_t>(text_index));
  a.SetBackgroundColor(static_cast<uint8_t>(back_index));
  a.StyleBits = static_cast<uint8_t>((font_.bold() ? kStyleBold : 0) | (font_.italic() ? kStyleItalic : 0) |
                                     (font_.underline() ? kStyleUnderline : 0));
  a.CharFlags = 0;
  doc_->Document().SetDefaultAttr(a);
  doc_->Document().FirstParagraph()->EndAttr = a;
  doc_->Document().FirstParagraph()->MarkDirty();
  doc_->Reformat();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  UpdateAll();
  AfterEdit();
}

int TWPRichText::LoadFromFile(const QString& path) {
  const int result = doc_->LoadFromFile(QFile::encodeName(path).toStdString());
  UpdateAll();
  AfterEdit(false);
  return result;
}

int TWPRichText::LoadFromStream(TWPStream& stream) {
  const int result = doc_->LoadFromStream(stream);
  UpdateAll();
  AfterEdit(false);
  return result;
}

int TWPRichText::SaveToFile(const QString& path) {
  return doc_->SaveToFile(QFile::encodeName(path).toStdString());
}

int TWPRichText::SaveToStream(TWPStream& stream) { return doc_->SaveToStream(stream); }

int TWPRichText::SaveSelectionToStream(TWPStream& stream) { return doc_->SaveSelectionToStream(stream); }

void TWPRichText::SetCaretPosition(int64_t position) {
  doc_->SetCaretPosition(position);
  AfterEdit();
}

void TWPRichText::SelectAll() {
  doc_->SelectAll();
  AfterEdit(false);
}

void TWPRichText::DeleteSelection() {
  doc_->DeleteSelection();
  AfterEdit();
}

void TWPRichText::HideSelection() {
  doc_->HideSelection();
  AfterEdit(false);
}

QMimeData* TWPRichText::SelectionMimeData() {
  auto* mime = new QMimeData;
  const QByteArray rtf = QByteArray::fromStdString(doc_->SelectionAsRtf());
  for (const QString& type : RtfMimeTypes()) mime->setData(type, rtf);
  mime->setText(FromU32(doc_->SelectedText()));
  return mime;
}

void TWPRichText::CopyToClipboard() {
  if (!doc_->HasSelection()) return;
  if (OnBeforeCopyEvent && !OnBeforeCopyEvent(*this)) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
}

void TWPRichText::CutToClipboard() {
  if (!doc_->HasSelection()) return;
  if (OnBeforeCopyEvent && !OnBeforeCopyEvent(*this)) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
  doc_->DeleteSelection();
  AfterEdit();
}

bool TWPRichText::PasteMimeData(const QMimeData* mime) {
  if (!mime) return false;
  for (const QString& type : RtfMimeTypes()) {
    if (mime->hasFormat(type)) {
      const QByteArray bytes = mime->data(type);
      if (!bytes.isEmpty()) return doc_->PasteBytes(bytes.toStdString(), TWPLoadFormat::FormatRTF);
    }
  }
  if (mime->hasText()) {
    const QString text = mime->text();
    if (!text.isEmpty()) return doc_->PasteBytes(text.toUtf8().toStdString(), TWPLoadFormat::FormatANSI);
  }
  if (mime->hasImage()) {
    try {
      const QImage image = qvariant_cast<QImage>(mime->imageData());
      if (!image.isNull()) return InsertGraphic(image) != 0;
    } catch (const std::exception&) {
      // A picture that cannot be taken is left on the clipboard.
    }
  }
  return false;
}

void TWPRichText::PasteFromClipboard() {
  if (!doc_->ReadOnly) PasteMimeData(QApplication::clipboard()->mimeData());
  UpdateAll();
  AfterEdit();
}

void TWPRichText::InsertText(const QString& text) {
  doc_->InsertText(ToU32(text));
  AfterEdit();
}

int TWPRichText::InsertGraphic(TDocGraphic graphic, int width, int height) {
  const int tag = doc_->InsertGraphic(std::move(graphic), width, height);
  AfterEdit();
  return tag;
}

int TWPRichText::InsertGraphic(const QImage& image, int width, int height) {
  TDocGraphic graphic;
  TBitmap bmp = BitmapFromImage(image);
  if (bmp.Width > 0) graphic.Image = std::move(bmp);
  return InsertGraphic(std::move(graphic), width, height);
}

void TWPRichText::SetCurrentAttr(const TCharAttr& attr) {
  doc_->SetCurrentAttr(attr);
  AfterEdit();
}

int TWPRichText::FontIndexOf(const QString& name) { return doc_->FontIndexOf(ToU32(name)); }

void TWPRichText::AppendParagraph(const TParagraphDescription& description) {
  doc_->AppendParagraph(description);
  AfterEdit();
}

void TWPRichText::SetPageLayout(int left, int right, int page_height, int page_width, int bottom, int top) {
  doc_->SetPageLayout(left, right, page_height, page_width, bottom, top);
  AfterEdit();
}

void TWPRichText::SetParSpacing(int before, int line_spacing, int after) {
  doc_->SetParSpacing(before, line_spacing, after);
  AfterEdit();
}

void TWPRichText::SetParIndents(int first, int left, int right) {
  doc_->SetParIndents(first, left, right);
  AfterEdit();
}

void TWPRichText::SetParShading(int percent, uint8_t colors) {
  doc_->SetParShading(percent, colors);
  AfterEdit();
}

void TWPRichText::Reformat() {
  doc_->Layout().ReformatAll();
  UpdateAll();
  AfterEdit();
}

void TWPRichText::Changed() { doc_->Changed(); }

void TWPRichText::Refresh() {
  if (paint_locked_) return;
  UpdateAll();
}

bool TWPRichText::FindText(const QString& text, bool backwards) {
  const bool found = doc_->FindText(ToU32(text), backwards);
  AfterEdit();
  return found;
}

void TWPRichText::ReplaceSelection(const QString& text) {
  doc_->ReplaceSelection(ToU32(text));
  AfterEdit();
}

void TWPRichText::AssignHeaderFrom(const TWPRTFText& document) {
  doc_->AssignHeaderFrom(document);
  UpdateAll();
  AfterEdit(false);
}

void TWPRichText::FastAppendText(TWPRichText& other) {
  doc_->FastAppendText(other.Memo());
  UpdateAll();
  AfterEdit(false);
}

bool TWPRichText::Print() {
  QPrinter printer(QPrinter::HighResolution);
  return Print(printer);
}

bool TWPRichText::Print(QPrinter& printer) {
  std::string error;
  const bool ok = PrintDocument(doc_->Layout(), printer, &error, 0, 0xFFFFFF);
  LastPrintError = QString::fromStdString(error);
  doc_->Layout().SetWindowWidth(viewport()->width());
  UpdateAll();
  AfterEdit(false);
  return ok;
}

void TWPRichText::Undo() {
  doc_->Undo();
  AfterEdit();
}

void TWPRichText::Redo() {
  doc_->Redo();
  AfterEdit();
}

QString TWPRichText::NextWord() {
  const QString word = FromU32(doc_->NextWord());
  AfterEdit();
  return word;
}

void TWPRichText::SelectWord() {
  doc_->SelectCurrentWord();
  AfterEdit();
}

void TWPRichText::ReplaceWord(const QString& text) {
  doc_->ReplaceCurrentWord(ToU32(text));
  AfterEdit();
}

void TWPRichText::ShowMessage(const QString& text) {
  if (OnMessage)
    OnMessage(*this, text);
  else
    QMessageBox::information(this, QString(), text);
}

// --------------------------------------------------------------------------------------------
// Repainting, scrolling, caret

void TWPRichText::UpdateAll() {
  full_update_pending_ = true;
  viewport()->update();
}

void TWPRichText::AfterEdit(bool keep_caret_visible) {
  // The controller has laid out what its operations changed. A key typed into a paragraph
  // repaints from that paragraph only, without a layout pass over the document.
  TParagraph* typed = doc_->LastTypedParagraph();
  if (doc_->DirtyTop() <= doc_->DirtyBottom()) {
    if (typed && (!fast_par_ || fast_par_ == typed))
      fast_par_ = typed;
    else
      full_update_pending_ = true;
  }
  if (keep_caret_visible) doc_->EnsureCaretVisible(viewport()->width(), viewport()->height());
  UpdateScrollBars();
  RepaintDirty();
  caret_on_ = true;
  if (hasFocus()) blink_.start();
  RepaintCaret();
  ReportEditState();
}

void TWPRichText::UpdateScrollBars() {
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
  doc_->ScrollY = std::clamp(doc_->ScrollY, 0, vmax);
  doc_->ScrollX = std::clamp(doc_->ScrollX, 0, hmax);
  if (v->value() != doc_->ScrollY) v->setValue(doc_->ScrollY);
  if (h->value() != doc_->ScrollX) h->setValue(doc_->ScrollX);
}

void TWPRichText::scrollContentsBy(int, int) {
  const int x = horizontalScrollBar()->value(), y = verticalScrollBar()->value();
  if (x == doc_->ScrollX && y == doc_->ScrollY) return;
  doc_->ScrollX = x;
  doc_->ScrollY = y;
  UpdateAll();
}

void TWPRichText::RepaintDirty() {
  if (doc_->DirtyTop() > doc_->DirtyBottom()) return;
  const int top = std::max(0, doc_->DirtyTop() - doc_->ScrollY);
  const int bottom = std::min(viewport()->height(), doc_->DirtyBottom() - doc_->ScrollY);
  if (!fast_par_) full_update_pending_ = true;
  if (bottom > top && !paint_locked_) viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
  doc_->ResetDirty();
}

void TWPRichText::RepaintCaret() {
  if (!caret_rect_.isNull()) viewport()->update(caret_rect_.adjusted(-1, 0, 1, 0));
  const QRect now = ToQRect(doc_->CaretRect());
  viewport()->update(now.adjusted(-1, 0, 1, 0));
}

void TWPRichText::BlinkCaret() {
  caret_on_ = !caret_on_;
  RepaintCaret();
}

void TWPRichText::ReportEditState() {
  const bool has = doc_->HasSelection();
  if (has != last_has_selection_) UpdateAll();
  last_has_selection_ = has;
  if (EditStateEvent) {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    EditStateEvent(*this, has, mime && !mime->formats().isEmpty());
  }
}

void TWPRichText::paintEvent(QPaintEvent* e) {
  QPainter painter(viewport());
  TQtCanvas canvas(painter, SharedTextMetrics());
  const QRect r = e->rect();
  PaintContext context(canvas, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  context.scrollX = doc_->ScrollX;
  context.scrollY = doc_->ScrollY;
  context.selStart = doc_->SelStart;
  context.selEnd = doc_->SelEnd;
  context.showCaret = hasFocus() && caret_on_ && !doc_->HasSelection();
  context.caret = doc_->Caret.Par ? doc_->Caret : TTextCursor{doc_->Document().FirstParagraph(), 0, 0};
  context.caretColor = QColor(color_).lightness() < 128 ? 0xFFFFFF : 0x000000;
  TParagraph* from = fast_par_;
  const bool fast = from && !full_update_pending_ && from == doc_->LastTypedParagraph() &&
                    !last_paint_selection_ && !doc_->HasSelection() &&
                    context.clip.Top >= doc_->Layout().Box(from, 0).top - doc_->ScrollY;
  fast_par_ = nullptr;
  full_update_pending_ = false;
  TRect caret;
  if (fast) {
    // Only the typed paragraph (and what moved below it) is in the clip, and it is laid out.
    caret = doc_->Layout().PaintFromParagraph(context, from);
  } else {
    caret = doc_->Layout().Paint(context);
    last_paint_selection_ = doc_->HasSelection();
  }
  caret_rect_ = caret.Empty() ? QRect() : ToQRect(caret);
}

void TWPRichText::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  doc_->Layout().SetWindowWidth(viewport()->width());
  doc_->Reformat();
  UpdateScrollBars();
  UpdateAll();
}

void TWPRichText::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  caret_on_ = true;
  blink_.start();
  RepaintCaret();
}

void TWPRichText::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  blink_.stop();
  doc_->BreakUndoGroup();
  RepaintCaret();
}

// --------------------------------------------------------------------------------------------
// Keyboard

bool TWPRichText::focusNextPrevChild(bool) { return false; }  // Tab is text here

bool TWPRichText::event(QEvent* e) {
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

void TWPRichText::TypeText(const QString& text) {
  bool any = false;
  for (char32_t c : text.toUcs4()) {
    if (c < 32 || c == 127) continue;  // tab and line feed arrive as keys of their own
    TCharAttr a = doc_->GetCurrentAttr();
    if (a.CharFlags & kCharHidden) {
      a.CharFlags &= static_cast<uint8_t>(~kCharHidden);
      doc_->Document().SetDefaultAttr(a);
    }
    any |= doc_->InputChar(c);
  }
  if (any || !text.isEmpty()) AfterEdit();
}

void TWPRichText::keyPressEvent(QKeyEvent* e) {
  if (OnKeyDown && OnKeyDown(*this, e)) return;
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
        if (CtrlTabPressed) CtrlTabPressed(*this);
      }
      return;
    case Qt::Key_Backtab:
      if (!ctrl && !alt && ShiftTabPressed) ShiftTabPressed(*this);
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
        doc_->Inserting = !doc_->Inserting;
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

void TWPRichText::inputMethodEvent(QInputMethodEvent* e) {
  if (!e->commitString().isEmpty()) TypeText(e->commitString());
  e->accept();
}

QVariant TWPRichText::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return !doc_->ReadOnly;
    case Qt::ImCursorRectangle: {
      const QRect r = ToQRect(doc_->CaretRect());
      return QRect(viewport()->mapToParent(r.topLeft()), r.size());
    }
    case Qt::ImFont:
      return font_;
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// --------------------------------------------------------------------------------------------
// Mouse

const TextLayout::THitObject* TWPRichText::SelectedObjectHit() const {
  if (!doc_->HasSelection()) return nullptr;
  const TParPos a = doc_->SelectionBegin(), b = doc_->SelectionEnd();
  if (a.Par != b.Par || b.Offset != a.Offset + 1 || !a.Par->HasAttributes()) return nullptr;
  const char32_t c = a.Par->Text()[static_cast<size_t>(a.Offset)];
  const TCharAttr& attr = a.Par->Attrs()[static_cast<size_t>(a.Offset)];
  if (!(attr.CharFlags & kCharObject)) return nullptr;
  const TDocObject* o = c == kCharObjectByTag ? doc_->Document().FindObjectByTag(attr.TagNumber)
                                              : doc_->Document().FindObjectByNumber(attr.TagNumber);
  for (const auto& h : doc_->Layout().HitObjects()) {
    if (h.Object == o) return &h;
  }
  return nullptr;
}

void TWPRichText::SelectObjectAt(const TextLayout::THitObject& hit) {
  // The anchor is the character painted at the object's left edge.
  const TParPos p = doc_->PosAtPoint(hit.Rect.Left + 1, hit.Rect.Top + hit.Rect.Height() / 2);
  for (int off : {p.Offset, p.Offset - 1}) {
    if (off < 0 || off >= p.Par->CharCount() || !p.Par->HasAttributes()) continue;
    const TCharAttr& a = p.Par->Attrs()[static_cast<size_t>(off)];
    if (a.CharFlags & kCharObject) {
      doc_->MoveCaretTo(TParPos{p.Par, off}, false);
      doc_->MoveCaretTo(TParPos{p.Par, off + 1}, true);
      return;
    }
  }
}

void TWPRichText::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  press_point_ = e->position().toPoint();
  if (resize_armed_) {
    if (const auto* hit = SelectedObjectHit()) {
      mouse_mode_ = TMouseMode::Resizing;
      resize_object_ = hit->Object;
      resize_origin_ = QPoint(hit->Rect.Left, hit->Rect.Top);
      return;
    }
  }
  const TParPos pos = doc_->PosAtPoint(press_point_.x(), press_point_.y());
  if (DragAndDropSupport && doc_->HasSelection()) {
    const int64_t at = doc_->PositionOf(pos);
    if (at >= doc_->PositionOf(doc_->SelectionBegin()) && at < doc_->PositionOf(doc_->SelectionEnd())) {
      mouse_mode_ = TMouseMode::PendingDrag;
      return;
    }
  }
  setFocus(Qt::MouseFocusReason);
  doc_->MoveCaretTo(pos, (e->modifiers() & Qt::ShiftModifier) != 0);
  mouse_mode_ = TMouseMode::Selecting;
  AfterEdit();
}

void TWPRichText::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  mouse_mode_ = TMouseMode::None;
  for (const auto& hit : doc_->Layout().HitObjects()) {
    if (hit.Rect.Contains(p.x(), p.y())) {
      SelectObjectAt(hit);
      AfterEdit(false);
      return;
    }
  }
  // Otherwise the word under the pointer.
  TParPos pos = doc_->PosAtPoint(p.x(), p.y());
  auto text = pos.Par->Text();
  int from = pos.Offset, to = pos.Offset;
  while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)])) --from;
  while (to < pos.Par->CharCount() && IsWordChar(text[static_cast<size_t>(to)])) ++to;
  if (to > from) {
    doc_->MoveCaretTo(TParPos{pos.Par, from}, false);
    doc_->MoveCaretTo(TParPos{pos.Par, to}, true);
    if (pos.Par->HasAttributes() &&
        (pos.Par->Attrs()[static_cast<size_t>(from)].StyleBits & kStyleDoubleUnderline)) {
      const TTextCursor c = doc_->Caret;
      doc_->Document().ReportSpecialRun(c.Par, c.Line, std::max(0, c.Pos - 1), nullptr);
    }
  }
  AfterEdit(false);
}

void TWPRichText::StartDrag() {
  mouse_mode_ = TMouseMode::None;
  auto* drag = new QDrag(this);
  drag->setMimeData(SelectionMimeData());
  dragging_out_ = true;
  const Qt::DropAction action = drag->exec(doc_->ReadOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction);
  const bool moved_elsewhere = dragging_out_ && action == Qt::MoveAction && drag->target() != viewport();
  dragging_out_ = false;
  if (moved_elsewhere) {
    doc_->DeleteSelection();
    AfterEdit();
  }
}

void TWPRichText::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (!(e->buttons() & Qt::LeftButton)) {
    // Hovering: which cursor.
    resize_armed_ = false;
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (const auto* hit = SelectedObjectHit()) {
      const int dx = hit->Rect.Right - p.x(), dy = hit->Rect.Bottom - p.y();
      if (dx >= 0 && dx <= kCornerGrip && dy >= 0 && dy <= kCornerGrip) {
        shape = Qt::SizeFDiagCursor;
        resize_armed_ = true;
      }
    }
    if (!resize_armed_) {
      const TParPos pos = doc_->PosAtPoint(p.x(), p.y());
      const int off = std::min(pos.Offset, pos.Par->CharCount() - 1);
      const TDocObject* object = doc_->Layout().ObjectAt(p.x(), p.y());
      if ((object && !object->FileName.empty()) ||
          (off >= 0 && pos.Par->HasAttributes() &&
           (pos.Par->Attrs()[static_cast<size_t>(off)].StyleBits & kStyleDoubleUnderline))) {
        shape = Qt::PointingHandCursor;
      } else if (DragAndDropSupport && doc_->HasSelection()) {
        const int64_t at = doc_->PositionOf(pos);
        if (at >= doc_->PositionOf(doc_->SelectionBegin()) && at < doc_->PositionOf(doc_->SelectionEnd())) {
          shape = Qt::ArrowCursor;
        }
      }
    }
    viewport()->setCursor(shape);
    return;
  }
  switch (mouse_mode_) {
    case TMouseMode::PendingDrag:
      if ((p - press_point_).manhattanLength() > kDragDistance) StartDrag();
      return;
    case TMouseMode::Resizing:
      if (resize_object_) {
        const int w = std::max(kMinObjectPixels, p.x() - resize_origin_.x());
        const int h = std::max(kMinObjectPixels, p.y() - resize_origin_.y());
        resize_object_->Width =
            static_cast<int32_t>(int64_t{w} * 1440 / std::max(1, doc_->Document().Header.XPixelsPerInch));
        resize_object_->Height =
            static_cast<int32_t>(int64_t{h} * 1440 / std::max(1, doc_->Document().Header.YPixelsPerInch));
        doc_->SelectionBegin().Par->MarkDirty();
        doc_->Reformat();
        doc_->Modified = true;
        UpdateAll();
        AfterEdit(false);
      }
      return;
    case TMouseMode::Selecting: {
      doc_->MoveCaretTo(doc_->PosAtPoint(p.x(), p.y()), true);
      AfterEdit(true);  // scrolls when the pointer leaves the view
      return;
    }
    default:
      return;
  }
}

void TWPRichText::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  switch (mouse_mode_) {
    case TMouseMode::PendingDrag:
      // A drag that never began is a click at the press point.
      setFocus(Qt::MouseFocusReason);
      doc_->MoveCaretTo(doc_->PosAtPoint(press_point_.x(), press_point_.y()), false);
      AfterEdit();
      break;
    case TMouseMode::Resizing:
      resize_object_ = nullptr;
      doc_->Changed();
      break;
    case TMouseMode::Selecting:
      if (p == press_point_ && !(e->modifiers() & Qt::ShiftModifier)) {
        doc_->MoveCaretTo(doc_->PosAtPoint(p.x(), p.y()), false);
        AfterEdit();
      }
      break;
    default:
      break;
  }
  mouse_mode_ = TMouseMode::None;
}

// --------------------------------------------------------------------------------------------
// Drag and drop

void TWPRichText::dragEnterEvent(QDragEnterEvent* e) {
  if (OnDragOver) {
    if (OnDragOver(*this, e)) e->acceptProposedAction();
    return;
  }
  const QMimeData* m = e->mimeData();
  bool ok = m->hasText() || m->hasImage();
  for (const QString& type : RtfMimeTypes()) ok |= m->hasFormat(type);
  if (ok && !doc_->ReadOnly) e->acceptProposedAction();
}

void TWPRichText::dragMoveEvent(QDragMoveEvent* e) {
  if (OnDragOver) {
    if (OnDragOver(*this, e))
      e->acceptProposedAction();
    else
      e->ignore();
    return;
  }
  if (doc_->ReadOnly) {
    e->ignore();
    return;
  }
  e->acceptProposedAction();
}

void TWPRichText::dropEvent(QDropEvent* e) {
  if (OnDragDrop) {
    OnDragDrop(*this, e);
    return;
  }
  if (doc_->ReadOnly) return;
  const QPoint p = e->position().toPoint();
  TParPos at = doc_->PosAtPoint(p.x(), p.y());
  int64_t drop = doc_->PositionOf(at);
  if (dragging_out_ && e->source() == this) {
    // Moving our own selection: onto itself does nothing; elsewhere the text moves.
    const int64_t a = doc_->PositionOf(doc_->SelectionBegin()), b = doc_->PositionOf(doc_->SelectionEnd());
    if (drop >= a && drop <= b) {
      e->ignore();
      dragging_out_ = false;
      return;
    }
    const bool move = e->dropAction() == Qt::MoveAction || e->proposedAction() == Qt::MoveAction;
    if (move) {
      doc_->DeleteSelection();
      if (drop > b) drop -= b - a;
    }
    dragging_out_ = false;
    e->setDropAction(Qt::CopyAction);
  }
  doc_->SetCaretPosition(drop);
  PasteMimeData(e->mimeData());
  e->acceptProposedAction();
  AfterEdit();
}

// --------------------------------------------------------------------------------------------
// Find and replace dialogs

void TWPRichText::FindDialog() { OpenFindDialog(false); }
void TWPRichText::ReplaceDialog() { OpenFindDialog(true); }

void TWPRichText::OpenFindDialog(bool replace) {
  if (find_dialog_) find_dialog_->close();
  const bool de = doc_->Language() == TWPLanguage::twpGerman;
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
  down->setChecked(doc_->FindOptions.Down);
  up->setChecked(!doc_->FindOptions.Down);
  whole->setChecked(doc_->FindOptions.WholeWord);
  match_case->setChecked(doc_->FindOptions.MatchCase);
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
    doc_->FindOptions = TFindOptions{match_case->isChecked(), whole->isChecked(), down->isChecked()};
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
  find_dialog_ = dlg;
  dlg->show();
  find_edit->setFocus();
}

}  // namespace inkwend
