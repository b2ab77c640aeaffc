#include "app/speed_button_glyphs.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace inkwend {
namespace {

// Draws on a 16 x 16 grid scaled to the requested size.
void Draw(QPainter& p, SpeedGlyph glyph, bool enabled) {
  const QColor ink = enabled ? QColor(40, 40, 40) : QColor(160, 160, 160);
  const QColor accent = enabled ? QColor(200, 30, 30) : QColor(170, 170, 170);
  const QColor blue = enabled ? QColor(30, 90, 190) : QColor(170, 170, 170);
  p.setRenderHint(QPainter::Antialiasing);
  auto page = [&](QRectF r) {
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
  };
  switch (glyph) {
    case SpeedGlyph::DeleteEntry: {
      page(QRectF(2.5, 1.5, 10, 13));
      p.setPen(QPen(ink, 0.8));
      for (double y : {4.5, 6.5, 8.5}) p.drawLine(QPointF(4.5, y), QPointF(10.5, y));
      p.setPen(QPen(accent, 2.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(8, 8), QPointF(14, 14));
      p.drawLine(QPointF(14, 8), QPointF(8, 14));
      break;
    }
    case SpeedGlyph::PageBreak: {
      page(QRectF(3.5, 0.5, 9, 5.5));
      page(QRectF(3.5, 10, 9, 5.5));
      p.setPen(QPen(blue, 1.2, Qt::DashLine));
      p.drawLine(QPointF(0.5, 8), QPointF(15.5, 8));
      break;
    }
    case SpeedGlyph::Paragraph: {
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      QPainterPath bowl;
      bowl.moveTo(8, 2);
      bowl.arcTo(QRectF(3, 2, 7, 7), 90, 180);
      bowl.lineTo(8, 9);
      p.drawPath(bowl);
      p.setPen(QPen(ink, 1.4));
      p.drawLine(QPointF(8, 2), QPointF(13, 2));
      p.drawLine(QPointF(8.3, 2), QPointF(8.3, 14.5));
      p.drawLine(QPointF(11.5, 2), QPointF(11.5, 14.5));
      break;
    }
    case SpeedGlyph::WordWrap: {
      p.setPen(QPen(ink, 1.2));
      p.drawLine(QPointF(1.5, 3.5), QPointF(14.5, 3.5));
      p.drawLine(QPointF(1.5, 12.5), QPointF(6.5, 12.5));
      p.setPen(QPen(blue, 1.3));
      p.setBrush(Qt::NoBrush);
      QPainterPath hook;
      hook.moveTo(1.5, 7.5);
      hook.lineTo(11.5, 7.5);
      hook.arcTo(QRectF(9.5, 7.5, 5, 5), 90, -180);
      hook.lineTo(9.5, 12.5);
      p.drawPath(hook);
      p.setBrush(blue);
      p.setPen(Qt::NoPen);
      QPolygonF head;
      head << QPointF(8, 12.5) << QPointF(10.5, 10.5) << QPointF(10.5, 14.5);
      p.drawPolygon(head);
      break;
    }
    case SpeedGlyph::Calendar: {
      page(QRectF(1.5, 2.5, 13, 12));
      p.setPen(Qt::NoPen);
      p.setBrush(blue);
      p.drawRect(QRectF(1.5, 2.5, 13, 3));
      p.setBrush(ink);
      for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
          p.drawRect(QRectF(3 + column * 3, 7 + row * 2.5, 1.5, 1.5));
      p.setBrush(accent);
      p.drawRect(QRectF(9, 9.5, 1.5, 1.5));
      break;
    }
    case SpeedGlyph::Picture: {  // a framed landscape: sun and hills
      page(QRectF(1.5, 2.5, 13, 11));
      p.setPen(Qt::NoPen);
      p.setBrush(accent);
      p.drawEllipse(QPointF(5, 6), 1.5, 1.5);
      p.setBrush(blue);
      QPolygonF hills;
      hills << QPointF(2, 13) << QPointF(7, 8) << QPointF(9.5, 10.5) << QPointF(11, 9) << QPointF(14, 13);
      p.drawPolygon(hills);
      break;
    }
    case SpeedGlyph::Symbol: {  // an Omega beside a star
      QFont font(QStringLiteral("DejaVu Serif"));
      font.setPixelSize(12);
      p.setFont(font);
      p.setPen(ink);
      p.drawText(QRectF(0, 1, 10, 14), Qt::AlignCenter, QString(QChar(0x03A9)));
      p.setPen(Qt::NoPen);
      p.setBrush(accent);
      QPolygonF star;
      for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? 3.2 : 1.3, angle = 3.14159265 * (i / 5.0 - 0.5);
        star << QPointF(12 + radius * std::cos(angle), 5 + radius * std::sin(angle));
      }
      p.drawPolygon(star);
      break;
    }
  }
}

class GlyphEngine : public QIconEngine {
 public:
  explicit GlyphEngine(SpeedGlyph glyph) : glyph_(glyph) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    Draw(*painter, glyph_, mode != QIcon::Disabled);
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new GlyphEngine(glyph_); }

 private:
  SpeedGlyph glyph_;
};

}  // namespace

QIcon SpeedButtonGlyph(SpeedGlyph glyph) { return QIcon(new GlyphEngine(glyph)); }

}  // namespace inkwend
