// The editor's display settings: marking with the mouse, hyperlinks, page breaks, the caret,
// table grid, transparency and a background picture, offsets, frame and scroll bars, and the
// text as one RTF property.
#include <QPainter>
#include <QScrollBar>

#include "platform/qt_picture_decoder.h"
#include "platform/qt_picture_files.h"
#include "richtext/model/stream.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

constexpr const char* kUseBitmap = "Please use Bitmap.";
const QColor kGrayTableColor(192, 192, 192);

}  // namespace

bool WPRichText::ShowPageBreak() const { return doc_->Layout().showPageBreak; }

void WPRichText::SetShowPageBreak(bool on) {
  doc_->Layout().showPageBreak = on;
  UpdateAll();
}

void WPRichText::SetCaretDisabled(bool on) {
  display_.caretDisabled = on;
  RepaintCaret();
}

void WPRichText::SetPaintGrayTable(bool on) {
  display_.paintGrayTable = on;
  UpdateAll();
}

void WPRichText::SetTransparent(bool on) {
  display_.transparent = on;
  // Not opaque: Qt paints the parent's background under the text first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent, !on);
  UpdateAll();
}

bool WPRichText::SetBackgroundImage(const DocGraphic& graphic) {
  if (graphic.Metafile()) {
    ShowMessage(QString::fromLatin1(kUseBitmap));
    return false;
  }
  display_.backgroundImage = graphic.Empty() ? QImage() : ImageOfGraphic(graphic);
  UpdateAll();
  return true;
}

void WPRichText::SetBackgroundImage(const QImage& image) {
  display_.backgroundImage = image;
  UpdateAll();
}

bool WPRichText::BackgroundLoadFromFile(const QString& path) {
  const DocGraphic graphic = LoadPictureForInsertion(path);
  if (graphic.Empty()) return false;
  return SetBackgroundImage(graphic);
}

void WPRichText::SetBackgroundScrolling(bool on) {
  display_.backgroundScrolling = on;
  UpdateAll();
}

void WPRichText::SetTopOffset(int pixels) {
  display_.topOffset = std::max(0, pixels);
  setViewportMargins(display_.leftOffset, display_.topOffset, 0, 0);
}

void WPRichText::SetLeftOffset(int pixels) {
  display_.leftOffset = std::max(0, pixels);
  setViewportMargins(display_.leftOffset, display_.topOffset, 0, 0);
}

WPBorderStyle WPRichText::BorderStyle() const {
  return frameShape() == QFrame::NoFrame ? WPBorderStyle::None : WPBorderStyle::Single;
}

void WPRichText::SetBorderStyle(WPBorderStyle style) {
  setFrameShape(style == WPBorderStyle::None ? QFrame::NoFrame : QFrame::StyledPanel);
}

WPScrollBars WPRichText::ScrollBars() const {
  const bool h = horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  const bool v = verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  if (h && v) return WPScrollBars::Both;
  if (h) return WPScrollBars::Horizontal;
  return v ? WPScrollBars::Vertical : WPScrollBars::None;
}

void WPRichText::SetScrollBars(WPScrollBars bars) {
  const bool h = bars == WPScrollBars::Horizontal || bars == WPScrollBars::Both;
  const bool v = bars == WPScrollBars::Vertical || bars == WPScrollBars::Both;
  setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

QByteArray WPRichText::RtfText() {
  MemoryStream stream;
  const WPLoadFormat format = doc_->Document().saveFormat;
  doc_->Document().saveFormat = WPLoadFormat::FormatRTF;
  doc_->SaveToStream(stream);
  doc_->Document().saveFormat = format;
  return QByteArray::fromStdString(stream.Bytes());
}

int WPRichText::SetRtfText(const QByteArray& rtf) {
  Clear();
  MemoryStream stream(rtf.toStdString());
  return LoadFromStream(stream);
}

WPMemoryFormat WPRichText::MemoryFormat() const {
  return doc_->Document().AttributeMode() ? WPMemoryFormat::Rich : WPMemoryFormat::Plain;
}

void WPRichText::SetMemoryFormat(WPMemoryFormat format) {
  doc_->Document().SetAttributeMode(format == WPMemoryFormat::Rich);
  doc_->Layout().ReformatAll();
  UpdateAll();
  AfterEdit();
}

bool WPRichText::ReportHyperlinkAt(ParPos pos) {
  Paragraph* par = pos.par;
  if (!par || !par->HasAttributes()) return false;
  for (const int offset : {pos.offset, pos.offset - 1}) {
    if (offset < 0 || offset >= par->CharCount()) continue;
    if (!(par->AttrAt(static_cast<size_t>(offset)).styleBits & kStyleDoubleUnderline)) continue;
    for (int line = 0; line < par->LineCount(); ++line) {
      const int start = static_cast<int>(par->Line(line).start);
      if (offset < start + static_cast<int>(par->Line(line).length)) {
        doc_->Document().ReportSpecialRun(par, line, offset - start, nullptr);
        return true;
      }
    }
  }
  return false;
}

// --------------------------------------------------------------------------------------------
// Painting of the settings around the text

bool WPRichText::PaintBackground(QPainter& painter, const QRect& area) {
  if (display_.backgroundImage.isNull()) return display_.transparent;
  painter.fillRect(area, color_);
  // Tiled from the text's top left corner, or from the view's when it stays put.
  const QPoint origin = display_.backgroundScrolling ? QPoint(-doc_->scrollX, -doc_->scrollY) : QPoint();
  painter.drawTiledPixmap(area, QPixmap::fromImage(display_.backgroundImage), area.topLeft() - origin);
  return true;
}

void WPRichText::PaintOverlays(QPainter& painter, const QRect& area) {
  if (area.contains(viewport()->rect()) && !doc_->Document().Objects().empty()) HideControlsOutOfView();
  if (display_.paintGrayTable) PaintGrayTable(painter);
  if (!preedit_.text.isEmpty()) PaintPreedit(painter);
}

void WPRichText::PaintGrayTable(QPainter& painter) {
  const TextLayout& layout = doc_->Layout();
  const int view_h = viewport()->height();
  for (Paragraph* p = doc_->Document().FirstParagraph(); p; p = p->next) {
    const LineBox& first = layout.Box(p, 0);
    const LineBox& last = layout.Box(p, p->LineCount() - 1);
    const int top = first.top - doc_->scrollY, bottom = last.top + last.height - doc_->scrollY;
    if (bottom < 0) continue;
    if (top > view_h) break;
    if (p->IsTableCell() && !p->HasBorder()) {
      const int left = layout.LeftIndentPixels(p, 0) - 1 - doc_->scrollX;
      const int right = layout.LayoutWidth() - layout.RightIndentPixels(p) - doc_->scrollX;
      painter.setPen(QPen(kGrayTableColor, 1, Qt::DotLine));
      painter.drawRect(QRect(QPoint(left, top), QPoint(right, bottom - 1)));
    }
  }
}

}  // namespace inkwend
