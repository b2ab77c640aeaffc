#pragma once
// Qt's side of the icon readers: decoding PNG icon images and turning icon pixels into QImages.
#include <QImage>
#include <QString>

#include "decor/icons/icon_image.h"

namespace inkwend {

class QtPngDecoder : public icons::PngDecoder {
 public:
  bool Decode(const uint8_t* data, size_t size, int max_side, icons::IconImage* out) const override;
};

// The process-wide decoder handed to icon readers.
const icons::PngDecoder& PngDecoderInstance();

QImage ToQImage(const icons::IconImage& image);
icons::IconImage FromQImage(const QImage& image);

}  // namespace inkwend
