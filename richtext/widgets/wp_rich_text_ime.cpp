// Input methods: the text an input method is still composing (Chinese, Japanese, Korean and
// other scripts typed through one) is drawn at the caret, underlined as the input method asks,
// with its own cursor; only the committed text enters the document. The candidate window is
// placed beside the composing cursor.
#include <QInputMethodEvent>
#include <QPainter>
#include <QTextCharFormat>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QColor ToQColor(ColorRef c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

void WPRichText::inputMethodEvent(QInputMethodEvent* e) {
  // The composing text goes first: a commit replaces it.
  preedit_ = Preedit{};
  if (!e->commitString().isEmpty()) TypeText(e->commitString());
  preedit_.text = e->preeditString();
  preedit_.cursor = static_cast<int>(preedit_.text.size());
  for (const QInputMethodEvent::Attribute& a : e->attributes()) {
    if (a.type == QInputMethodEvent::Cursor) {
      preedit_.cursor = std::clamp(a.start, 0, static_cast<int>(preedit_.text.size()));
      preedit_.cursorVisible = a.length != 0;
    } else if (a.type == QInputMethodEvent::TextFormat) {
      const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
      if (format.isValid() && a.length > 0) preedit_.formats.push_back({a.start, a.length, format});
    }
  }
  UpdateAll();  // the text under the old composing text shows again
  e->accept();
}

QVariant WPRichText::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return !doc_->readOnly;
    case Qt::ImCursorRectangle: {
      const QRect r = PreeditCursorRect();
      return QRect(viewport()->mapToParent(r.topLeft()), r.size());
    }
    case Qt::ImFont:
      return PreeditFont();
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

QFont WPRichText::PreeditFont() const {
  // The font the committed text will be written in.
  const FontSpec caret_font = doc_->Layout().StyleFor(doc_->GetCurrentAttr()).font;
  QFont font(QString::fromStdU32String(caret_font.name));
  font.setPixelSize(std::max(1, caret_font.pixelSize));
  font.setBold(caret_font.bold);
  font.setItalic(caret_font.italic);
  return font;
}

QRect WPRichText::PreeditCursorRect() const {
  QRect caret = ToQRect(doc_->CaretRect());
  if (preedit_.text.isEmpty()) return caret;
  const QFontMetrics metrics(PreeditFont());
  caret.translate(metrics.horizontalAdvance(preedit_.text.left(preedit_.cursor)), 0);
  return caret;
}

void WPRichText::PaintPreedit(QPainter& painter) {
  const QRect caret = ToQRect(doc_->CaretRect());
  const QFont font = PreeditFont();
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(preedit_.text);
  // On the caret's line: the line's box, the text on a baseline near its bottom.
  const int height = std::max(caret.height(), metrics.height());
  const int baseline = caret.top() + height - metrics.descent();
  const ColorRef text_color = doc_->Layout().StyleFor(doc_->GetCurrentAttr()).text;
  painter.setFont(font);
  painter.fillRect(QRect(caret.left(), caret.top(), width + 1, height), color_);
  auto x_of = [&](int index) { return caret.left() + metrics.horizontalAdvance(preedit_.text.left(index)); };
  // The input method's own looks (a highlighted clause, colours) where it gives them.
  std::vector<bool> styled(static_cast<size_t>(preedit_.text.size()), false);
  for (const PreeditFormat& f : preedit_.formats) {
    const int from = std::clamp(f.start, 0, static_cast<int>(preedit_.text.size()));
    const int to = std::clamp(f.start + f.length, from, static_cast<int>(preedit_.text.size()));
    const QRect part(x_of(from), caret.top(), x_of(to) - x_of(from), height);
    if (f.format.hasProperty(QTextFormat::BackgroundBrush)) painter.fillRect(part, f.format.background());
    painter.setPen(f.format.hasProperty(QTextFormat::ForegroundBrush) ? f.format.foreground().color()
                                                                      : ToQColor(text_color));
    painter.drawText(part.left(), baseline, preedit_.text.mid(from, to - from));
    for (int i = from; i < to; ++i) styled[static_cast<size_t>(i)] = true;
  }
  painter.setPen(ToQColor(text_color));
  for (int i = 0; i < static_cast<int>(preedit_.text.size());) {
    if (styled[static_cast<size_t>(i)]) {
      ++i;
      continue;
    }
    int end = i;
    while (end < static_cast<int>(preedit_.text.size()) && !styled[static_cast<size_t>(end)]) ++end;
    painter.drawText(x_of(i), baseline, preedit_.text.mid(i, end - i));
    i = end;
  }
  // The whole composing text is underlined: it is not yet part of the entry.
  painter.drawLine(caret.left(), baseline + 1, caret.left() + width - 1, baseline + 1);
  if (preedit_.cursorVisible && hasFocus()) {
    const int x = x_of(preedit_.cursor);
    painter.drawLine(x, caret.top(), x, caret.top() + height - 1);
  }
}

}  // namespace inkwend
