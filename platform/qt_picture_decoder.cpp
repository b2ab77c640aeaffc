#include "platform/qt_picture_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstddef>
#include <cstring>
#include <limits>

namespace inkwend {

Bitmap BitmapFromImage(const QImage& image) {
  Bitmap bmp;
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return bmp;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  bmp.width = argb.width();
  bmp.height = argb.height();
  bmp.bitsPerPixel = 24;
  const int stride = bmp.Stride();
  bmp.bits.assign(static_cast<size_t>(stride) * static_cast<size_t>(bmp.height), 0);
  for (int y = 0; y < bmp.height; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uint8_t* dst = bmp.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int x = 0; x < bmp.width; ++x) {
      const QRgb p = src[x];
      const int a = qAlpha(p);
      auto over_white = [a](int c) { return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255); };
      uint8_t* pixel = dst + std::ptrdiff_t{3} * x;
      pixel[0] = over_white(qBlue(p));
      pixel[1] = over_white(qGreen(p));
      pixel[2] = over_white(qRed(p));
    }
  }
  return bmp;
}

bool QtPictureDecoder::Decode(PictureFormat format, std::span<const uint8_t> data, int max_side,
                              Bitmap& out) const {
  if (data.empty() || data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return false;
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format == PictureFormat::Png ? "png" : "jpeg");
  // Oversized pictures are refused from their header, before pixel memory is taken.
  const QSize declared = reader.size();
  if (!declared.isValid() || declared.width() > max_side || declared.height() > max_side ||
      static_cast<int64_t>(declared.width()) * declared.height() > (int64_t{1} << 26)) {
    return false;
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) return false;
  out = BitmapFromImage(image);
  return true;
}

const QtPictureDecoder& QtPictureDecoderInstance() {
  static const QtPictureDecoder kDecoder;
  return kDecoder;
}

}  // namespace inkwend
