#include "controls/graphic_panel.h"

#include <QMouseEvent>
#include <QPainter>

namespace inkwend {
namespace {

// `width` nested one-pixel frames: top and left in `first`, bottom and right in `second`.
void Frame3D(QPainter& p, QRect& r, const QColor& first, const QColor& second, int width) {
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), first);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), first);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), second);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), second);
    r.adjust(1, 1, -1, -1);
  }
}

}  // namespace

GraphicPanel::GraphicPanel(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Button)) {
  resize(185, 41);
}

void GraphicPanel::SetAlignment(Qt::Alignment a) {
  alignment_ = a;
  update();
}
void GraphicPanel::SetBevelInner(Bevel b) {
  bevelInner_ = b;
  update();
}
void GraphicPanel::SetBevelOuter(Bevel b) {
  bevelOuter_ = b;
  update();
}
void GraphicPanel::SetBevelWidth(int w) {
  bevelWidth_ = w;
  update();
}
void GraphicPanel::SetBorderWidth(int w) {
  borderWidth_ = w;
  update();
}
void GraphicPanel::SetBorderSingle(bool single) {
  if (single == borderSingle_) return;
  borderSingle_ = single;
  update();
}
void GraphicPanel::SetColor(const QColor& c) {
  color_ = c;
  update();
}
void GraphicPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void GraphicPanel::PaintPanel(QPainter& p, QSize size) {
  QRect r(QPoint(0, 0), size);
  const QColor highlight = palette().color(QPalette::Light);
  const QColor shadow = palette().color(QPalette::Dark);
  if (borderSingle_) Frame3D(p, r, Qt::black, Qt::black, 1);
  if (bevelOuter_ != Bevel::None)
    Frame3D(p, r, bevelOuter_ == Bevel::Raised ? highlight : shadow,
            bevelOuter_ == Bevel::Raised ? shadow : highlight, bevelWidth_);
  Frame3D(p, r, color_, color_, borderWidth_);
  if (bevelInner_ != Bevel::None)
    Frame3D(p, r, bevelInner_ == Bevel::Raised ? highlight : shadow,
            bevelInner_ == Bevel::Raised ? shadow : highlight, bevelWidth_);
  p.fillRect(r, color_);
  if (caption_.isEmpty()) return;
  p.setFont(font());
  p.setPen(palette().color(QPalette::WindowText));
  const int h = p.fontMetrics().height();
  const int top = (r.top() + r.bottom() + 1 - h) / 2;
  p.drawText(QRect(r.left(), top, r.width(), h),
             static_cast<int>(alignment_ | Qt::AlignVCenter | Qt::TextExpandTabs), caption_);
}

void GraphicPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPanel(painter, size());
}

void GraphicPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit OnClick();
}

void GraphicPanel::mouseDoubleClickEvent(QMouseEvent*) { emit OnDblClick(); }

}  // namespace inkwend
