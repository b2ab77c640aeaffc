#include <QPainter>
#include <QtTest>
#include <algorithm>

#include "controls/graphic_panel.h"
#include "controls/ring_panel.h"

using namespace inkwend;

namespace {

QImage Render(RingPanel& panel, QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  panel.PaintPanel(p, size);
  return image;
}

// Rows at which a ring picture starts: the ring strip's left column is grey except where a
// ring's wire reaches it, a run of rows that starts as far down in the panel as in the picture.
QList<int> RingRows(const QImage& image, bool small = false) {
  const QImage ring = RingPanel::RingPicture(small, 1.0);
  int offset = 0;
  while (offset < ring.height() && qAlpha(ring.pixel(0, offset)) == 0) ++offset;
  QList<int> rows;
  bool in_run = false;
  for (int y = 0; y < image.height(); ++y) {
    const bool ring_here = image.pixelColor(0, y) != QColor(128, 128, 128);
    if (ring_here && !in_run) rows << y - offset;
    in_run = ring_here;
  }
  return rows;
}

QImage RenderAt(RingPanel& panel, QSize size, qreal ratio) {
  QImage image(size * ratio, QImage::Format_ARGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter p(&image);
  panel.PaintPanel(p, size);
  return image;
}

}  // namespace

class PanelsTest : public QObject {
  Q_OBJECT
 private slots:
  void ringPositions() {
    RingPanel panel;
    QCOMPARE(RingRows(Render(panel, {200, 59})), QList<int>{});
    QCOMPARE(RingRows(Render(panel, {200, 160})), (QList<int>{20, 70, 120}));
    panel.SetDoubleRing(true);
    QCOMPARE(RingRows(Render(panel, {200, 160})), (QList<int>{20, 35, 70, 85, 120, 135}));
  }

  void edgesFollowRingSize() {
    RingPanel panel;
    panel.SetSmallRing(true);
    const QImage small = Render(panel, {300, 200});
    QCOMPARE(panel.leftEdge, 31);
    QCOMPARE(panel.rightEdge, 15);
    // Grey outside the page, white inside, the page's frame at x = 15.
    QCOMPARE(small.pixelColor(5, 2), QColor(128, 128, 128));
    QCOMPARE(small.pixelColor(150, 100), QColor(Qt::white));
    QCOMPARE(small.pixelColor(15, 100), QColor(Qt::black));
    QCOMPARE(small.pixelColor(300 - 15 - 1, 100), QColor(Qt::black));
    QCOMPARE(small.pixelColor(300 - 15 + 1, 100), QColor(128, 128, 128));
    panel.SetSmallRing(false);
    Render(panel, {300, 200});
    QCOMPARE(panel.leftEdge, 43);
    QCOMPARE(panel.rightEdge, 22);
  }

  void ringPictureForEveryDensity() {
    for (bool small : {false, true}) {
      const QSizeF logical(small ? 31 : 43, 11);
      for (qreal ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        const QImage ring = RingPanel::RingPicture(small, ratio);
        QVERIFY2(!ring.isNull(), qPrintable(QString("small %1 ratio %2").arg(small).arg(ratio)));
        QCOMPARE(ring.devicePixelRatio(), ratio);
        // Whole device pixels: the picture may round up by less than one logical pixel.
        const QSizeF size = ring.deviceIndependentSize();
        QVERIFY(size.width() >= logical.width() && size.width() < logical.width() + 1);
        QVERIFY(size.height() >= logical.height() && size.height() < logical.height() + 1);
      }
    }
  }

  // On a screen of twice the density the rings are drawn at that density. The plain picture
  // merely enlarged would consist of uniform 2 x 2 blocks only.
  void ringsSharpAtDoubleDensity() {
    for (bool small : {false, true}) {
      RingPanel panel;
      panel.SetSmallRing(small);
      const QImage image = RenderAt(panel, {200, 100}, 2.0);
      QCOMPARE(panel.leftEdge, small ? 31 : 43);
      QCOMPARE(panel.rightEdge, small ? 15 : 22);
      // The first ring, left of the page and its frame line (where only grey lies beneath it):
      // logical rows 20-30.
      const QColor grey(128, 128, 128);
      int ring_blocks = 0, detailed_blocks = 0;
      int top = image.height(), bottom = -1, leftmost = image.width();
      for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < 2 * (panel.rightEdge - 1); x += 2) {
          const QRgb block[] = {image.pixel(x, y), image.pixel(x + 1, y), image.pixel(x, y + 1),
                                image.pixel(x + 1, y + 1)};
          bool plain = true;
          for (QRgb c : block) plain = plain && c == grey.rgb();
          if (plain) continue;
          ++ring_blocks;
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
          leftmost = std::min(leftmost, x);
          if (block[0] != block[1] || block[0] != block[2] || block[0] != block[3]) ++detailed_blocks;
        }
      }
      QVERIFY(ring_blocks > 0);
      QVERIFY2(detailed_blocks * 4 >= ring_blocks,
               qPrintable(QString("%1 of %2 blocks with detail").arg(detailed_blocks).arg(ring_blocks)));
      // The ring keeps its place and size: it spans the picture's rows 20..30 and reaches the
      // strip's left edge.
      QVERIFY2(top >= 40 && top <= 42 && bottom >= 58 && bottom <= 61,
               qPrintable(QString("ring rows %1..%2").arg(top).arg(bottom)));
      QCOMPARE(leftmost, 0);
    }
  }

  void spacerPaintsFlat() {
    GraphicPanel spacer;
    spacer.resize(3, 20);
    spacer.SetBevelOuter(GraphicPanel::Bevel::None);
    QImage image(spacer.size(), QImage::Format_ARGB32);
    QPainter p(&image);
    spacer.PaintPanel(p, spacer.size());
    p.end();
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 3; ++x) QCOMPARE(image.pixel(x, y), spacer.Color().rgb());
  }

  void raisedBevelAndCaption() {
    GraphicPanel panel;
    QCOMPARE(panel.size(), QSize(185, 41));
    panel.SetBorderSingle(true);
    panel.SetCaption("Sunday, March 2, 1997");
    QImage image(panel.size(), QImage::Format_ARGB32);
    QPainter p(&image);
    panel.PaintPanel(p, panel.size());
    p.end();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
    QCOMPARE(image.pixel(1, 1), panel.palette().color(QPalette::Light).rgb());
    QCOMPARE(image.pixel(183, 39), panel.palette().color(QPalette::Dark).rgb());
    // Some caption pixels differ from the face colour in the middle row band.
    bool text = false;
    for (int x = 2; x < 183; ++x) text = text || image.pixel(x, 20) != panel.Color().rgb();
    QVERIFY(text);
  }

  void clickFires() {
    GraphicPanel panel;
    QSignalSpy clicks(&panel, &GraphicPanel::OnClick);
    QTest::mouseClick(&panel, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
  }
};

QTEST_MAIN(PanelsTest)
#include "panels_test.moc"
