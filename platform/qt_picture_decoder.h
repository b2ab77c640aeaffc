#pragma once
// Qt's side of pictures: decoded images (from PNG and JPEG bytes in RTF, or from the clipboard
// and drops into the editor) become the model's 24-bit bitmaps through one conversion.
#include "richtext/picture/picture_decoder.h"

class QImage;

namespace inkwend {

// The image as a 24-bit bitmap of the model (rows top-down, B, G, R); transparent parts are
// blended over white, as they show on the page. An empty bitmap for a null image.
Bitmap BitmapFromImage(const QImage& image);

class QtPictureDecoder : public WPPictureDecoder {
 public:
  bool Decode(PictureFormat format, std::span<const uint8_t> data, int max_side, Bitmap& out) const override;
};

// One instance for the whole program; pass it in the load options or to the editors.
const QtPictureDecoder& QtPictureDecoderInstance();

}  // namespace inkwend
