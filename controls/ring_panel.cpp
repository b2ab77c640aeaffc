#include "controls/ring_panel.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace inkwend {
namespace {

constexpr int kRingHeight = 11;

// Where a ring's parts lie, in the picture's logical pixels (0..width, 0..11).
struct RingShape {
  int width;     // of the picture: the ring strip
  double page;   // x of the page's left frame, where the ring's back goes behind the sheet
  double holeX;  // centre of the punched hole
};

RingShape ShapeOf(bool small) { return small ? RingShape{31, 15, 25.5} : RingShape{43, 22, 37.5}; }

// Strokes `path` as a round metal wire `thick` pixels across, lit from above: a dark outline,
// the metal's body and a bright streak along its upper side.
void StrokeWire(QPainter& p, const QPainterPath& path, double thick, const QColor& body,
                const QColor& shine) {
  auto stroke = [&](const QColor& colour, double width, QPointF offset) {
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    p.strokePath(path.translated(offset), pen);
  };
  stroke(QColor(52, 52, 56), thick, {});
  stroke(body, thick * 0.62, {});
  stroke(shine, thick * 0.28, {0, -thick * 0.14});
}

// Draws one ring in logical pixels: the hole punched through the page near its edge, the back
// of the wire (left of the page, where it shows beside the sheet) and the front of the wire,
// which comes out of the hole, runs over the page's edge and round to the left.
void DrawRing(QPainter& p, const RingShape& s) {
  p.setRenderHint(QPainter::Antialiasing);
  const double cy = 5.5;
  const double wire = 2.4;
  const double left = wire / 2;  // the wire's centre at its leftmost point
  const double span = s.holeX - left;
  const QPointF hole(s.holeX, cy);

  // The hole: a dark well with a soft grey rim where the cut edge of the paper catches light.
  QRadialGradient well(hole + QPointF(0, 0.6), 3.5);
  well.setColorAt(0.0, QColor(10, 10, 12));
  well.setColorAt(0.62, QColor(34, 34, 38));
  well.setColorAt(0.82, QColor(92, 92, 96));
  well.setColorAt(1.0, QColor(150, 150, 154, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(well);
  p.drawEllipse(hole, 3.5, 3.5);

  // The back of the wire: from the loop's left end up and over to the page's edge, rising a
  // little as a coil does.
  QPainterPath back(QPointF(left, cy));
  back.cubicTo(QPointF(left, cy - 2.9), QPointF(left + 0.13 * span, cy - 3.6),
               QPointF(left + 0.32 * span, cy - 3.75));
  back.cubicTo(QPointF(left + 0.42 * span, cy - 3.82), QPointF(s.page - 3, cy - 4.0),
               QPointF(s.page, cy - 4.15));
  StrokeWire(p, back, wire, QColor(150, 150, 156), QColor(236, 236, 240));

  // The front of the wire: out of the hole, down over the paper's edge, round to the left.
  QPainterPath front(QPointF(left, cy));
  front.cubicTo(QPointF(left, cy + 2.5), QPointF(left + 0.12 * span, cy + 3.55),
                QPointF(left + 0.36 * span, cy + 3.6));
  front.cubicTo(QPointF(left + 0.62 * span, cy + 3.65), QPointF(s.holeX - 4.6, cy + 3.5),
                QPointF(s.holeX - 2.3, cy + 1.7));
  front.lineTo(QPointF(s.holeX - 0.9, cy + 0.4));
  // Its shadow on the paper, down and to the right of the wire.
  p.setBrush(Qt::NoBrush);
  p.strokePath(front.translated(0.5, 0.9),
               QPen(QColor(0, 0, 0, 46), wire, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  StrokeWire(p, front, wire, QColor(176, 176, 182), QColor(250, 250, 252));

  // Where the wire enters the hole it goes into the dark.
  QRadialGradient dusk(hole, 2.6);
  dusk.setColorAt(0.0, QColor(10, 10, 12, 230));
  dusk.setColorAt(0.55, QColor(10, 10, 12, 120));
  dusk.setColorAt(1.0, QColor(10, 10, 12, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(dusk);
  p.drawEllipse(hole, 2.6, 2.6);
}

}  // namespace

// The picture for a screen of `ratio` device pixels per logical pixel: the ring drawn
// antialiased at the screen's own resolution, so that it is smooth on a plain screen and stays
// sharp at any scale instead of showing enlarged pixels.
QImage RingPanel::RingPicture(bool small, qreal ratio) {
  ratio = std::max<qreal>(ratio, 1.0);
  const RingShape shape = ShapeOf(small);
  QImage image(static_cast<int>(std::ceil(shape.width * ratio)),
               static_cast<int>(std::ceil(kRingHeight * ratio)), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  image.setDevicePixelRatio(ratio);
  QPainter p(&image);
  p.setClipRect(QRectF(0, 0, shape.width, kRingHeight));
  DrawRing(p, shape);
  return image;
}

RingPanel::RingPanel(QWidget* parent) : QWidget(parent), ring_(RingPicture(false, 1.0)) {}

void RingPanel::SetDoubleRing(bool on) {
  if (on == doubleRing_) return;
  doubleRing_ = on;
  update();
}

void RingPanel::SetSmallRing(bool on) {
  if (on == smallRing_) return;
  smallRing_ = on;
  update();
}

void RingPanel::PaintPanel(QPainter& painter, QSize size) {
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  if (ringSmall_ != smallRing_ || ringRatio_ != ratio) {
    ring_ = RingPicture(smallRing_, ratio);
    ringSmall_ = smallRing_;
    ringRatio_ = ratio;
  }
  leftEdge = ShapeOf(smallRing_).width;
  rightEdge = smallRing_ ? 15 : 22;
  const int m = rightEdge;
  painter.fillRect(QRect(QPoint(0, 0), size), QColor(128, 128, 128));
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::white);
  painter.setPen(QPen(Qt::black, 0));  // one device pixel wide
  // The page, from (m, 5) to (width - m, height - 5) exclusive, corners 25 x 25: smooth
  // corners, with the straight edges on the middle of a device pixel so that they stay crisp.
  const qreal half = 0.5 / ratio;
  painter.drawRoundedRect(QRectF(m + half, 5 + half, size.width() - 2 * m - 1, size.height() - 10 - 1), 12.5,
                          12.5);
  painter.restore();
  for (int y = 20; y <= size.height() - 40; y += 50) {
    painter.drawImage(QPoint(0, y), ring_);
    if (doubleRing_) painter.drawImage(QPoint(0, y + 15), ring_);
  }
}

void RingPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPanel(painter, size());
}

}  // namespace inkwend
