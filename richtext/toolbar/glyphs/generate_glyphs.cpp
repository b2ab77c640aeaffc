// Build step: draws every "WPI_" glyph and writes, into the folder given, one PNG per name
// with the normal image beside its disabled form (32 x 16), the same at twice the size
// ("@2x", 64 x 32), and wpi_glyphs.qrc listing them under ":/wpi/".
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>
#include <cstdio>

#include "richtext/toolbar/glyphs/glyph_art.h"

namespace {

QImage Strip(const QString& name, int size) {
  QImage normal = inkwend::DrawWPIArt(name, size);
  QImage disabled = inkwend::DisabledForm(normal);
  QImage strip(size * 2, size, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  p.drawImage(0, 0, normal);
  p.drawImage(size, 0, disabled);
  return strip;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  QString qrc = QStringLiteral("<RCC>\n  <qresource prefix=\"/wpi\">\n");
  for (const QString& name : inkwend::WPIArtNames()) {
    for (int scale : {1, 2}) {
      QString file = scale == 1 ? name + QStringLiteral(".png") : name + QStringLiteral("@2x.png");
      if (!Strip(name, 16 * scale).save(dir.filePath(file), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(file)));
        return 1;
      }
      qrc += QStringLiteral("    <file>%1</file>\n").arg(file);
    }
  }
  qrc += QStringLiteral("  </qresource>\n</RCC>\n");
  QFile out(dir.filePath(QStringLiteral("wpi_glyphs.qrc")));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(qrc.toUtf8()) < 0) {
    std::fprintf(stderr, "cannot write the resource list\n");
    return 1;
  }
  return 0;
}
