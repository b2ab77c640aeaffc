#include "controls/ring_panel.h"

#include <QPainter>

// Resources of a static library must be registered by name from the global namespace.
static void InitControlsResources() { Q_INIT_RESOURCE(controls); }

namespace inkwend {
namespace {

QImage RingPicture(bool small) {
  InitControlsResources();
  return QImage(small ? QStringLiteral(":/controls/RINGIMAGES") : QStringLiteral(":/controls/RINGIMAGE"));
}

}  // namespace

TRingPanel::TRingPanel(QWidget* parent) : QWidget(parent), ring_(RingPicture(false)) {}

void TRingPanel::SetDoubleRing(bool on) {
  if (on == doubleRing_) return;
  doubleRing_ = on;
  update();
}

void TRingPanel::SetSmallRing(bool on) {
  if (on == smallRing_) return;
  smallRing_ = on;
  update();
}

void TRingPanel::PaintPanel(QPainter& painter, QSize size) {
  ring_ = RingPicture(smallRing_);
  LeftEdge = ring_.width();
  RightEdge = smallRing_ ? 15 : 22;
  const int m = RightEdge;
  painter.fillRect(QRect(QPoint(0, 0), size), QColor(128, 128, 128));
  painter.setBrush(Qt::white);
  painter.setPen(Qt::black);
  // The page, from (m, 5) to (width - m, height - 5) exclusive, corners 25 x 25.
  painter.drawRoundedRect(QRectF(m, 5, size.width() - 2 * m - 1, size.height() - 10 - 1), 12.5, 12.5);
  for (int y = 20; y <= size.height() - 40; y += 50) {
    painter.drawImage(QPoint(0, y), ring_);
    if (doubleRing_) painter.drawImage(QPoint(0, y + 15), ring_);
  }
}

void TRingPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPanel(painter, size());
}

}  // namespace inkwend
