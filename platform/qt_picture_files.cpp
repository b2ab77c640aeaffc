#include "platform/qt_picture_files.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <span>
#include <string>

#include "platform/qt_canvas.h"
#include "platform/qt_picture_decoder.h"
#include "richtext/layout/metafile.h"
#include "richtext/picture/bitmap_codec.h"
#include "richtext/picture/embedded_picture.h"
#include "richtext/picture/pcx_codec.h"

namespace inkwend {

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 26;

std::span<const uint8_t> Bytes(const QByteArray& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

// Any picture Qt reads, refused from its header when it is too large to hold. `format` empty:
// told by content.
QImage ReadImageAs(const QByteArray& bytes, const QByteArray& format, QByteArray* format_read) {
  QByteArray copy = bytes;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(format.isEmpty());
  if (!reader.canRead()) return {};
  const QSize declared = reader.size();
  if (declared.isValid() &&
      (declared.width() > kMaxBitmapDimension || declared.height() > kMaxBitmapDimension ||
       int64_t{declared.width()} * declared.height() > kMaxPixels)) {
    return {};
  }
  if (format_read) *format_read = reader.format().toLower();
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

// By `hint` (a file's extension) when that format's reader takes the bytes, else by content.
// The extension goes first because some formats have no signature (Targa) and content detection
// takes them for another.
QImage ReadImage(const QByteArray& bytes, QByteArray* format_read, const QByteArray& hint) {
  if (!hint.isEmpty()) {
    QImage image = ReadImageAs(bytes, hint, format_read);
    if (!image.isNull()) return image;
  }
  return ReadImageAs(bytes, {}, format_read);
}

}  // namespace

DocGraphic GraphicFromEncodedPicture(const QByteArray& bytes, const QByteArray& format_hint) {
  DocGraphic graphic;
  if (bytes.isEmpty() || bytes.size() > kMaxInsertedPictureBytes) return graphic;
  QByteArray format;
  const QImage image = ReadImage(bytes, &format, format_hint);
  if (image.isNull()) return graphic;
  graphic.image = BitmapFromImage(image);
  if (format == "png" || format == "jpeg" || format == "jpg") {
    const std::span<const uint8_t> data = Bytes(bytes);
    graphic.compressed = CompressedPicture{format == "png" ? PictureFormat::Png : PictureFormat::Jpeg,
                                           {data.begin(), data.end()}};
  }
  return graphic;
}

DocGraphic LoadPictureForInsertion(const QString& path) {
  DocGraphic graphic;
  QFile file(path);
  if (!QFileInfo(path).isFile() || file.size() > kMaxInsertedPictureBytes || !file.open(QIODevice::ReadOnly))
    return graphic;
  const QByteArray bytes = file.readAll();
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("wmf")) {
    if (LoadPictureFile(path.toStdU32String(), true, graphic)) return graphic;
    return {};
  }
  if (suffix == QLatin1String("pcx")) {
    Bitmap bmp;
    std::string error;
    if (DecodePcx(Bytes(bytes), kMaxBitmapDimension, bmp, error)) graphic.image = std::move(bmp);
    return graphic;
  }
  return GraphicFromEncodedPicture(bytes, suffix.toLatin1());
}

QImage ImageOfGraphic(const DocGraphic& graphic) {
  if (const Bitmap* bmp = graphic.Bitmap()) return ToQImage(*bmp);
  const Metafile* mf = graphic.Metafile();
  if (!mf || graphic.PixelWidth() <= 0 || graphic.PixelHeight() <= 0) return {};
  QImage image(graphic.PixelWidth(), graphic.PixelHeight(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtTextMetrics metrics;
  QtCanvas canvas(painter, metrics);
  PlayMetafile(canvas, *mf, Rect{0, 0, image.width(), image.height()}, &metrics);
  return image;
}

DocGraphic ScaledBitmapGraphic(const DocGraphic& graphic, int percent) {
  DocGraphic scaled;
  const QImage image = ImageOfGraphic(graphic);
  if (image.isNull()) return scaled;
  const int width = std::max(1, static_cast<int>(image.width() * percent * 0.01));
  const int height = std::max(1, static_cast<int>(image.height() * percent * 0.01));
  scaled.image =
      BitmapFromImage(image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  return scaled;
}

}  // namespace inkwend
