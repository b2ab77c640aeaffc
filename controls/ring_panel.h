#pragma once
// The notebook page: a white page with rounded corners on grey, with spiral-binding rings down
// its left side. The main window lays its date label, rules and editor out from LeftEdge and
// RightEdge, which every paint recomputes.
#include <QImage>
#include <QWidget>

namespace inkwend {

class TRingPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TRingPanel(QWidget* parent = nullptr);

  bool DoubleRing() const { return doubleRing_; }
  void SetDoubleRing(bool on);
  bool SmallRing() const { return smallRing_; }
  void SetSmallRing(bool on);

  // Width of the ring strip and right margin of the page, as the last paint found them.
  int LeftEdge = 43;
  int RightEdge = 22;

  // Paints the panel at the given size (what paintEvent does; also used by tests).
  void PaintPanel(QPainter& painter, QSize size);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool doubleRing_ = false;
  bool smallRing_ = false;
  QImage ring_;
};

}  // namespace inkwend
