#pragma once
// Pictures put into an entry from outside: picture files chosen in the image browser and image
// data from the clipboard or a drop. PNG and JPEG keep their own bytes (the entry stores them as
// they are); every other kind becomes a bitmap, with white behind transparent parts.
#include <QByteArray>
#include <QImage>
#include <QString>

#include "richtext/model/objects.h"

namespace inkwend {

// Files larger than this are not loaded as pictures.
inline constexpr qint64 kMaxInsertedPictureBytes = qint64{64} << 20;

// A picture from the encoded bytes of any kind Qt reads; empty when they are none. The kind is
// told by content, or by `format_hint` (such as "tga") for kinds without a signature.
DocGraphic GraphicFromEncodedPicture(const QByteArray& bytes, const QByteArray& format_hint = {});

// A picture file: Windows metafiles (.wmf) and PCX files by our own readers, everything else
// by Qt's image readers, told by content. Empty when the file cannot be read as a picture.
DocGraphic LoadPictureForInsertion(const QString& path);

// The picture as an image at its natural size, transparent parts white (for previews).
QImage ImageOfGraphic(const DocGraphic& graphic);

// The picture as a bitmap `percent` of its natural size (at least one pixel each way).
DocGraphic ScaledBitmapGraphic(const DocGraphic& graphic, int percent);

}  // namespace inkwend
