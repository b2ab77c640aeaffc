#pragma once
// The pictures a document holds, from the bytes they are stored in: the picture kinds RTF
// embeds, picture files linked by name, and the placeable header a metafile file begins with.
#include <cstdint>
#include <string>
#include <vector>

#include "richtext/model/objects.h"
#include "richtext/picture/picture_decoder.h"

namespace inkwend {

// How the bytes of an embedded picture are stored.
enum class EmbeddedPictureKind : uint8_t {
  Metafile,      // Windows metafile records (\wmetafile)
  Dib,           // device-independent bitmap: info header, palette, bits (\dibitmap)
  DeviceBitmap,  // device-dependent bitmap: raw scan lines (\wbitmap)
  Png,           // \pngblip
  Jpeg,          // \jpegblip
  Unsupported,   // a kind this reader does not decode: kept as an empty object
};

// What RTF states about a device bitmap and a metafile beside the bytes.
struct EmbeddedPictureSize {
  int32_t width = 0;   // \picw: pixels, or the metafile's extent
  int32_t height = 0;  // \pich
  int32_t planes = 1;
  int32_t bitsPerPixel = 0;
  int32_t widthBytes = 0;
};

// The graphic the bytes hold; empty when they cannot be decoded (or, for PNG and JPEG, when
// there is no decoder). `decoder` may be null.
DocGraphic DecodeEmbeddedPicture(EmbeddedPictureKind kind, const EmbeddedPictureSize& size,
                                 std::vector<uint8_t> data, const WPPictureDecoder* decoder);

// A linked picture file: a .bmp file as a bitmap, a .wmf file (placeable or not) as a metafile
// when `allow_metafile`. False when the file cannot be read or is of neither kind (the kind is
// told by the name, case-insensitively).
bool LoadPictureFile(const std::u32string& path, bool allow_metafile, DocGraphic& out);

// Files larger than this are not read as pictures.
inline constexpr size_t kMaxPictureFileBytes = 64u << 20;

// A placeable metafile (22-byte header with key 0x9AC6CDD7, bounding box 0, 0, width, height,
// 2540 units per inch and the XOR checksum of its first ten words) followed by the records.
std::vector<uint8_t> PlaceableMetafileBytes(const Metafile& metafile);

}  // namespace inkwend
