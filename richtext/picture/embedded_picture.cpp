#include "richtext/picture/embedded_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/file_system.h"
#include "richtext/model/charset.h"
#include "richtext/picture/bitmap_codec.h"

namespace inkwend {

namespace {

// Writers leave the image size field of a DIB's info header 0 or wrong; it is recomputed from
// width, height and depth for uncompressed bits.
void FixDibImageSize(std::vector<uint8_t>& data) {
  if (data.size() < 40) return;
  uint32_t header = 0;
  std::memcpy(&header, data.data(), 4);
  if (header < 40) return;
  int32_t w = 0, h = 0;
  uint16_t bits = 0;
  std::memcpy(&w, data.data() + 4, 4);
  std::memcpy(&h, data.data() + 8, 4);
  std::memcpy(&bits, data.data() + 14, 2);
  // A row fits 64 bits (31 bits of width times 16 of depth); the product with the height is
  // checked before it is formed.
  const int64_t row = (std::abs(static_cast<int64_t>(w)) * bits + 31) / 32 * 4;
  const int64_t rows = std::abs(static_cast<int64_t>(h));
  constexpr int64_t kMaxSize = std::numeric_limits<uint32_t>::max();
  const int64_t size = row == 0 ? 0 : rows > kMaxSize / row ? -1 : row * rows;
  uint32_t compression = 0;
  std::memcpy(&compression, data.data() + 16, 4);
  if (compression == 0 && size >= 0) {
    const auto s = static_cast<uint32_t>(size);
    std::memcpy(data.data() + 20, &s, 4);
  }
}

// A picture file named by a document; a pipe or device under that name is refused, not waited on.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  Result<std::string> bytes = RealFileSystem().ReadFile(path);
  if (!bytes.IsOk() || bytes.Value().empty() || bytes.Value().size() > kMaxPictureFileBytes) return false;
  out.assign(bytes.Value().begin(), bytes.Value().end());
  return true;
}

std::u32string LowerAscii(std::u32string s) {
  for (char32_t& c : s) {
    if (c >= U'A' && c <= U'Z') c += 32;
  }
  return s;
}

// A .wmf file: the placeable header, when there is one, gives the size and is not kept.
Metafile MetafileFromFile(std::vector<uint8_t> bytes) {
  uint32_t key = 0;
  std::memcpy(&key, bytes.data(), 4);
  Metafile mf;
  if (key == 0x9AC6CDD7u) {
    int16_t box[4];
    std::memcpy(box, bytes.data() + 6, 8);
    mf.width = std::max(box[2] - box[0], 0);
    mf.height = std::max(box[3] - box[1], 0);
    mf.bytes.assign(bytes.begin() + 22, bytes.end());
  } else {
    mf.bytes = std::move(bytes);
  }
  return mf;
}

}  // namespace

DocGraphic DecodeEmbeddedPicture(EmbeddedPictureKind kind, const EmbeddedPictureSize& size,
                                 std::vector<uint8_t> data, const WPPictureDecoder* decoder) {
  DocGraphic graphic;
  std::string error;
  switch (kind) {
    case EmbeddedPictureKind::Metafile:
      if (!data.empty()) {
        Metafile mf;
        mf.bytes = std::move(data);
        mf.width = std::max(size.width, 0);
        mf.height = std::max(size.height, 0);
        graphic.image = std::move(mf);
      }
      break;
    case EmbeddedPictureKind::Dib: {
      FixDibImageSize(data);
      Bitmap bmp;
      if (DecodeDib(data, bmp, error)) {
        graphic.image = std::move(bmp);
        graphic.inPictureHolder = true;  // written back as it came, device-independent
      }
      break;
    }
    case EmbeddedPictureKind::DeviceBitmap: {
      Bitmap bmp;
      if (DecodeDdb(size.width, size.height, size.planes, size.bitsPerPixel, size.widthBytes, data, bmp,
                    error)) {
        graphic.image = std::move(bmp);
      }
      break;
    }
    case EmbeddedPictureKind::Png:
    case EmbeddedPictureKind::Jpeg:
      if (decoder) {
        const PictureFormat format =
            kind == EmbeddedPictureKind::Png ? PictureFormat::Png : PictureFormat::Jpeg;
        Bitmap bmp;
        if (decoder->Decode(format, data, kMaxBitmapDimension, bmp)) {
          graphic.image = std::move(bmp);
          graphic.inPictureHolder = true;
          graphic.compressed = CompressedPicture{format, std::move(data)};  // written back as it came
        }
      }
      break;
    case EmbeddedPictureKind::Unsupported:
      break;
  }
  return graphic;
}

bool LoadPictureFile(const std::u32string& path, bool allow_metafile, DocGraphic& out) {
  const std::u32string lower = LowerAscii(path);
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(ToUtf8(path), bytes)) return false;
  if (lower.find(U".bmp") != std::u32string::npos) {
    std::string error;
    Bitmap bmp;
    if (!DecodeBmpFile(bytes, bmp, error)) return false;
    out.image = std::move(bmp);
    return true;
  }
  if (allow_metafile && lower.find(U".wmf") != std::u32string::npos && bytes.size() > 22) {
    out.image = MetafileFromFile(std::move(bytes));
    return true;
  }
  return false;
}

std::vector<uint8_t> PlaceableMetafileBytes(const Metafile& mf) {
  uint16_t w[11] = {};
  w[0] = 0xCDD7;  // key 0x9AC6CDD7, low word first
  w[1] = 0x9AC6;
  w[2] = 0;  // handle
  w[3] = 0;  // left
  w[4] = 0;  // top
  w[5] = static_cast<uint16_t>(std::clamp(mf.width, 0, 0x7FFF));
  w[6] = static_cast<uint16_t>(std::clamp(mf.height, 0, 0x7FFF));
  w[7] = 2540;  // units per inch
  w[8] = 0;     // reserved (32 bits)
  w[9] = 0;
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= w[i];
  w[10] = sum;
  std::vector<uint8_t> out;
  out.reserve(22 + mf.bytes.size());
  for (uint16_t v : w) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  out.insert(out.end(), mf.bytes.begin(), mf.bytes.end());
  return out;
}

}  // namespace inkwend
