// Renders the emoji named in a set list to PNG pictures, one per line, for `inkwend-tool icl pack`.
//   inkwend-render-emoji FONT LIST OUTDIR
// A list line is "CODEPOINT[+CODEPOINT...] name"; '#' starts a comment. Each picture is the glyph
// drawn large, cropped to its ink and centred on a transparent square, saved as OUTDIR/name.png.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int kCanvas = 160;
constexpr int kPicture = 96;

QImage Render(const QFont& font, const QString& text) {
  QImage canvas(kCanvas, kCanvas, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  {
    QPainter p(&canvas);
    p.setFont(font);
    p.drawText(QRect(0, 0, kCanvas, kCanvas), Qt::AlignCenter, text);
  }
  // Crop to the ink, then centre on a square with a small margin.
  int left = kCanvas, top = kCanvas, right = -1, bottom = -1;
  for (int y = 0; y < kCanvas; ++y)
    for (int x = 0; x < kCanvas; ++x)
      if (qAlpha(canvas.pixel(x, y)) != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return {};
  const QImage ink = canvas.copy(left, top, right - left + 1, bottom - top + 1);
  const int side = std::max(ink.width(), ink.height()) * 17 / 16;
  QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::transparent);
  {
    QPainter p(&square);
    p.drawImage((side - ink.width()) / 2, (side - ink.height()) / 2, ink);
  }
  return square.scaled(kPicture, kPicture, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FONT LIST OUTDIR\n", argv[0]);
    return 2;
  }
  const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1]));
  if (id < 0) {
    std::fprintf(stderr, "cannot load the font %s\n", argv[1]);
    return 1;
  }
  QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
  font.setPixelSize(109);  // the size of the font's own bitmaps
  const QRawFont raw = QRawFont::fromFont(font);
  QFile list(QString::fromLocal8Bit(argv[2]));
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 1;
  }
  QDir().mkpath(QString::fromLocal8Bit(argv[3]));
  QTextStream in(&list);
  int written = 0;
  for (int line_no = 1; !in.atEnd(); ++line_no) {
    const QString line = in.readLine().section('#', 0, 0).trimmed();
    if (line.isEmpty()) continue;
    const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
    QString text;
    bool ok = fields.size() == 2;
    for (const QString& hex : fields.value(0).split('+')) {
      bool hex_ok = false;
      const char32_t cp = hex.toUInt(&hex_ok, 16);
      ok = ok && hex_ok && raw.supportsCharacter(cp);
      text += QString::fromUcs4(&cp, 1);
    }
    const QImage picture = ok ? Render(font, text) : QImage();
    if (picture.isNull()) {
      std::fprintf(stderr, "%s:%d: no glyph for \"%s\"\n", argv[2], line_no, qPrintable(line));
      return 1;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[3])).filePath(fields[1] + ".png");
    if (!picture.save(out, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
      return 1;
    }
    ++written;
  }
  std::printf("%d pictures\n", written);
  return 0;
}
