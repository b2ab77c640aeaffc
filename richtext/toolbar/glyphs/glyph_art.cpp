#include "richtext/toolbar/glyphs/glyph_art.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace inkwend {

namespace {

// Everything is drawn on a 16-unit grid and scaled; lines sit on half units so that they cover
// whole pixels at 16 and at 32 pixels.
const QColor kInk(0, 0, 0);
const QColor kBlue(0, 0, 160);
const QColor kRed(192, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kGrey(128, 128, 128);

void Letter(QPainter& p, const QString& text, const QRectF& box, bool bold, bool italic, bool underline,
            bool strike, const QColor& color = kInk, int pixel_height = 12) {
  QFont f(QStringLiteral("Liberation Serif"));
  if (!bold && !italic) f.setFamily(QStringLiteral("Liberation Sans"));
  f.setPixelSize(pixel_height);
  f.setBold(bold);
  f.setItalic(italic);
  f.setStyleStrategy(QFont::PreferAntialias);
  p.setFont(f);
  p.setPen(color);
  p.drawText(box, Qt::AlignCenter, text);
  p.setPen(QPen(color, 1));
  if (underline) p.drawLine(QPointF(3, 14.5), QPointF(13, 14.5));
  if (strike) {
    p.setPen(QPen(kRed, 1));
    p.drawLine(QPointF(1, 8.5), QPointF(15, 8.5));
  }
}

void Lines(QPainter& p, const std::function<std::pair<double, double>(int)>& span) {
  p.setPen(QPen(kInk, 1));
  for (int i = 0; i < 6; ++i) {
    auto [a, b] = span(i);
    double y = 2.5 + i * 2;
    p.drawLine(QPointF(a, y), QPointF(b, y));
  }
}

void Page(QPainter& p, double x, double y, double w, double h) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 3, y);
  path.lineTo(x + w, y + 3);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(x + w - 3, y), QPointF(x + w - 3, y + 3));
  p.drawLine(QPointF(x + w - 3, y + 3), QPointF(x + w, y + 3));
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color) {
  QPolygonF t{a, b, c};
  p.setPen(QPen(color, 1));
  p.setBrush(color);
  p.drawPolygon(t);
}

void Printer(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(QRectF(4.5, 1.5, 7, 5));  // paper in
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(QRectF(1.5, 6.5, 13, 6));  // body
  p.setBrush(kPaper);
  p.drawRect(QRectF(4.5, 10.5, 7, 4));  // paper out
  p.setPen(QPen(QColor(0, 160, 0), 1));
  p.drawPoint(QPointF(12.5, 8.5));
}

void Magnifier(QPainter& p, double cx, double cy, double r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(200, 230, 255));
  p.drawEllipse(QPointF(cx, cy), r, r);
  p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 0.7 + 4, cy + r * 0.7 + 4));
}

using ArtTable = std::map<QString, std::function<void(QPainter&)>>;

// Character attributes.
ArtTable CharacterArt() {
  return {
      {"WPI_NORMAL", [](QPainter& p) { Letter(p, "A", QRectF(0, 0, 16, 16), false, false, false, false); }},
      {"WPI_BOLD",
       [](QPainter& p) { Letter(p, "B", QRectF(0, 0, 16, 16), true, false, false, false, kInk, 13); }},
      {"WPI_ITALIC",
       [](QPainter& p) { Letter(p, "I", QRectF(0, 0, 16, 16), true, true, false, false, kInk, 13); }},
      {"WPI_UNDER", [](QPainter& p) { Letter(p, "U", QRectF(0, -1, 16, 15), false, false, true, false); }},
      {"WPI_STRIKEOUT", [](QPainter& p) { Letter(p, "S", QRectF(0, 0, 16, 16), false, false, false, true); }},
      {"WPI_SUPER",
       [](QPainter& p) {
         Letter(p, "x", QRectF(0, 3, 11, 13), false, false, false, false);
         Letter(p, "2", QRectF(9, 0, 7, 8), false, false, false, false, kBlue, 8);
       }},
      {"WPI_SUB",
       [](QPainter& p) {
         Letter(p, "x", QRectF(0, 0, 11, 13), false, false, false, false);
         Letter(p, "2", QRectF(9, 8, 7, 8), false, false, false, false, kBlue, 8);
       }},
      {"WPI_HYPERLINK",
       [](QPainter& p) {
         p.setPen(QPen(kBlue, 1.5));
         p.setBrush(Qt::NoBrush);
         p.drawRoundedRect(QRectF(1.5, 5.5, 8, 5), 2.5, 2.5);
         p.drawRoundedRect(QRectF(6.5, 5.5, 8, 5), 2.5, 2.5);
         p.setPen(QPen(kBlue, 1));
         p.drawLine(QPointF(1, 13.5), QPointF(15, 13.5));
         p.drawLine(QPointF(1, 15.5), QPointF(15, 15.5));
       }},
      {"WPI_HIDDEN",
       [](QPainter& p) {
         Letter(p, "ab", QRectF(0, -1, 16, 14), false, false, false, false, kGrey, 11);
         p.setPen(QPen(kInk, 1, Qt::DotLine));
         p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
       }},
      {"WPI_RTFCODE",
       [](QPainter& p) { Letter(p, "{\\}", QRectF(0, 0, 16, 16), true, false, false, false, kBlue, 10); }},
  };
}

// Paragraph alignment.
ArtTable ParagraphArt() {
  return {
      {"WPI_LEFT", [](QPainter& p) { Lines(p, [](int i) {
                                       return std::pair{1.0, i % 2 ? 10.0 : 15.0};
                                     }); }},
      {"WPI_RIGHT", [](QPainter& p) { Lines(p, [](int i) {
                                        return std::pair{i % 2 ? 6.0 : 1.0, 15.0};
                                      }); }},
      {"WPI_CENTER",
       [](QPainter& p) {
         Lines(p, [](int i) { return i % 2 ? std::pair{4.0, 12.0} : std::pair{1.0, 15.0}; });
       }},
      {"WPI_JUSTIFIED",
       [](QPainter& p) { Lines(p, [](int i) {
                           return std::pair{1.0, i == 5 ? 9.0 : 15.0};
                         }); }},
  };
}

// Files and printing.
ArtTable FileArt() {
  return {
      {"WPI_NEW", [](QPainter& p) { Page(p, 2.5, 0.5, 11, 15); }},
      {"WPI_OPEN",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(230, 200, 90));
         p.drawRect(QRectF(0.5, 4.5, 12, 10));
         p.drawRect(QRectF(0.5, 2.5, 5, 2));
         p.setBrush(QColor(250, 225, 120));
         QPolygonF flap{QPointF(2.5, 7.5), QPointF(15.5, 7.5), QPointF(12.5, 14.5), QPointF(0.5, 14.5)};
         p.drawPolygon(flap);
       }},
      {"WPI_SAVE",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(40, 60, 140));
         p.drawRect(QRectF(1.5, 1.5, 13, 13));
         p.setBrush(kPaper);
         p.drawRect(QRectF(3.5, 1.5, 9, 6));
         p.setBrush(QColor(192, 192, 192));
         p.drawRect(QRectF(4.5, 10.5, 7, 4));
       }},
      {"WPI_CLOSE",
       [](QPainter& p) {
         Page(p, 1.5, 0.5, 10, 14);
         p.setPen(QPen(kRed, 2));
         p.drawLine(QPointF(8, 8), QPointF(15, 15));
         p.drawLine(QPointF(15, 8), QPointF(8, 15));
       }},
      {"WPI_EXIT",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(160, 100, 50));
         p.drawRect(QRectF(1.5, 1.5, 8, 13));
         p.setPen(QPen(kInk, 2));
         p.drawLine(QPointF(7, 8), QPointF(14, 8));
         Triangle(p, QPointF(15, 8), QPointF(11.5, 4.5), QPointF(11.5, 11.5), kInk);
       }},
      {"WPI_PRINT", [](QPainter& p) { Printer(p); }},
      {"WPI_PRINTSETUP",
       [](QPainter& p) {
         Printer(p);
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(255, 220, 0));
         p.drawEllipse(QPointF(12.5, 12.5), 2.5, 2.5);
       }},
  };
}

// Moving through, adding and changing records.
ArtTable RecordArt() {
  return {
      {"WPI_TOSTART",
       [](QPainter& p) {
         p.fillRect(QRectF(3, 3, 2, 10), kInk);
         Triangle(p, QPointF(5.5, 8), QPointF(12.5, 3.5), QPointF(12.5, 12.5), kInk);
       }},
      {"WPI_PREV",
       [](QPainter& p) { Triangle(p, QPointF(4.5, 8), QPointF(11.5, 3.5), QPointF(11.5, 12.5), kInk); }},
      {"WPI_NEXT",
       [](QPainter& p) { Triangle(p, QPointF(11.5, 8), QPointF(4.5, 3.5), QPointF(4.5, 12.5), kInk); }},
      {"WPI_TOEND",
       [](QPainter& p) {
         Triangle(p, QPointF(10.5, 8), QPointF(3.5, 3.5), QPointF(3.5, 12.5), kInk);
         p.fillRect(QRectF(11, 3, 2, 10), kInk);
       }},
      {"WPI_ADD",
       [](QPainter& p) {
         p.fillRect(QRectF(7, 2, 2, 12), kInk);
         p.fillRect(QRectF(2, 7, 12, 2), kInk);
       }},
      {"WPI_DEL", [](QPainter& p) { p.fillRect(QRectF(2, 7, 12, 2), kInk); }},
      {"WPI_EDIT",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(255, 210, 60));
         QPolygonF pencil{QPointF(11, 1.5), QPointF(14.5, 5), QPointF(5, 14.5), QPointF(1.5, 14.5),
                          QPointF(1.5, 11)};
         p.drawPolygon(pencil);
         p.drawLine(QPointF(1.5, 11), QPointF(5, 14.5));
       }},
      {"WPI_CANCEL",
       [](QPainter& p) {
         p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(3, 3), QPointF(13, 13));
         p.drawLine(QPointF(13, 3), QPointF(3, 13));
       }},
      {"WPI_POST",
       [](QPainter& p) {
         p.setPen(QPen(QColor(0, 128, 0), 2, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(2, 8), QPointF(6, 12));
         p.drawLine(QPointF(6, 12), QPointF(14, 3));
       }},
  };
}

// Selection, clipboard, search and spelling.
ArtTable EditingArt() {
  return {
      {"WPI_SELALL",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1, Qt::DotLine));
         p.setBrush(Qt::NoBrush);
         p.drawRect(QRectF(0.5, 0.5, 15, 15));
         p.fillRect(QRectF(3, 3, 10, 10), QColor(0, 0, 128));
         p.setPen(QPen(kPaper, 1));
         for (int i = 0; i < 4; ++i) p.drawLine(QPointF(4, 4.5 + i * 2.5), QPointF(12, 4.5 + i * 2.5));
       }},
      {"WPI_HIDESEL",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1, Qt::DotLine));
         p.setBrush(Qt::NoBrush);
         p.drawRect(QRectF(0.5, 0.5, 15, 15));
         p.setPen(QPen(kInk, 1));
         for (int i = 0; i < 4; ++i) p.drawLine(QPointF(4, 4.5 + i * 2.5), QPointF(12, 4.5 + i * 2.5));
       }},
      {"WPI_CUT",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.drawLine(QPointF(4.5, 1), QPointF(10, 10));
         p.drawLine(QPointF(11.5, 1), QPointF(6, 10));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
         p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
       }},
      {"WPI_COPY",
       [](QPainter& p) {
         Page(p, 0.5, 0.5, 9, 11);
         Page(p, 5.5, 4.5, 9, 11);
       }},
      {"WPI_PASTE",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(190, 140, 80));
         p.drawRect(QRectF(1.5, 2.5, 10, 12));
         p.setBrush(QColor(192, 192, 192));
         p.drawRect(QRectF(4.5, 1.5, 4, 2));
         Page(p, 6.5, 6.5, 8, 9);
       }},
      {"WPI_FIND", [](QPainter& p) { Magnifier(p, 6.5, 6.5, 4.5); }},
      {"WPI_REPLACE",
       [](QPainter& p) {
         Letter(p, "a", QRectF(0, 0, 8, 9), false, false, false, false, kInk, 9);
         Letter(p, "b", QRectF(8, 7, 8, 9), false, false, false, false, kBlue, 9);
         p.setPen(QPen(kRed, 1));
         p.drawLine(QPointF(5, 11.5), QPointF(8, 11.5));
         Triangle(p, QPointF(9, 11.5), QPointF(7, 9.5), QPointF(7, 13.5), kRed);
         p.setPen(QPen(kRed, 1));
         p.drawLine(QPointF(4.5, 8.5), QPointF(4.5, 11.5));
       }},
      {"WPI_SPELL",
       [](QPainter& p) {
         Letter(p, "ABC", QRectF(0, 0, 16, 9), true, false, false, false, kInk, 7);
         p.setPen(QPen(QColor(0, 128, 0), 2, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(4, 12), QPointF(7, 15));
         p.drawLine(QPointF(7, 15), QPointF(14, 8));
       }},
  };
}

const ArtTable& Art() {
  static const ArtTable kArt = [] {
    ArtTable all;
    for (ArtTable group : {CharacterArt(), ParagraphArt(), FileArt(), RecordArt(), EditingArt()})
      all.merge(group);
    return all;
  }();
  return kArt;
}

}  // namespace

QStringList WPIArtNames() {
  QStringList names;
  for (const auto& [name, draw] : Art()) names << name;
  return names;
}

QImage DrawWPIArt(const QString& name, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  auto it = Art().find(name.toUpper());
  if (it == Art().end()) return image;
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.scale(size / 16.0, size / 16.0);
  it->second(p);
  return image;
}

QImage DisabledForm(const QImage& image) {
  QImage out(image.size(), QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  int step = image.width() >= 32 ? 2 : 1;  // the white relief is one unit to the lower right
  auto shape = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
    return qAlpha(image.pixel(x, y));
  };
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      int a = shape(x, y);
      int relief = shape(x - step, y - step);
      if (a > 0)
        out.setPixel(x, y, qRgba(128, 128, 128, a));
      else if (relief > 0)
        out.setPixel(x, y, qRgba(255, 255, 255, relief));
    }
  return out;
}

}  // namespace inkwend
