#pragma once
// The notebook page: a white page with rounded corners on grey, with spiral-binding rings down
// its left side. The main window lays its date label, rules and editor out from leftEdge and
// rightEdge, which every paint recomputes.
#include <QImage>
#include <QWidget>

namespace inkwend {

class RingPanel : public QWidget {
  Q_OBJECT
 public:
  explicit RingPanel(QWidget* parent = nullptr);

  bool DoubleRing() const { return doubleRing_; }
  void SetDoubleRing(bool on);
  bool SmallRing() const { return smallRing_; }
  void SetSmallRing(bool on);

  // Width of the ring strip and right margin of the page, as the last paint found them.
  int leftEdge = 43;
  int rightEdge = 22;

  // Paints the panel at the given size (what paintEvent does; also used by tests). The rings
  // are drawn for the pixel density of the painter's device.
  void PaintPanel(QPainter& painter, QSize size);

  // The ring picture (logical size 43 x 11, or 31 x 11 when `small`) for a device with
  // `ratio` device pixels per logical pixel; its devicePixelRatio is that ratio.
  static QImage RingPicture(bool small, qreal ratio);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool doubleRing_ = false;
  bool smallRing_ = false;
  QImage ring_;  // the current ring picture, made for ringSmall_ and ringRatio_
  bool ringSmall_ = false;
  qreal ringRatio_ = 1.0;
};

}  // namespace inkwend
