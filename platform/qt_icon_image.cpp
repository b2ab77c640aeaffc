#include "platform/qt_icon_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <limits>

namespace inkwend {

bool QtPngDecoder::Decode(const uint8_t* data, size_t size, int max_side, icons::IconImage* out) const {
  if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return false;
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  // Refuse oversized images from the header, before any pixel memory is taken.
  const QSize declared = reader.size();
  if (!declared.isValid() || declared.width() > max_side || declared.height() > max_side) return false;
  QImage image;
  if (!reader.read(&image) || image.isNull()) return false;
  *out = FromQImage(image);
  return !out->empty();
}

const icons::PngDecoder& PngDecoderInstance() {
  static const QtPngDecoder kDecoder;
  return kDecoder;
}

QImage ToQImage(const icons::IconImage& image) {
  if (image.empty()) return {};
  QImage out(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < image.width; ++x) line[x] = image.At(x, y);
  }
  return out;
}

icons::IconImage FromQImage(const QImage& image) {
  icons::IconImage out;
  if (image.isNull()) return out;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  out.width = argb.width();
  out.height = argb.height();
  out.argb.resize(static_cast<size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    std::copy(line, line + out.width, out.argb.begin() + static_cast<long>(y) * out.width);
  }
  return out;
}

}  // namespace inkwend
