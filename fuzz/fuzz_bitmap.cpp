// Bitmap decoding as met in RTF picture groups and linked .bmp files: the first byte chooses
// the form (DIB, .bmp file, device-dependent bits with a small header); whatever decodes must
// survive a round trip through the DIB encoder and be writable as RTF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "richtext/picture/bitmap_codec.h"
#include "richtext/rtf/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace inkwend;
  if (size < 1) return 0;
  const std::span<const uint8_t> rest(data + 1, size - 1);
  TBitmap bitmap;
  std::string error;
  bool ok = false;
  switch (data[0] % 3) {
    case 0:
      ok = DecodeDib(rest, bitmap, error);
      break;
    case 1:
      ok = DecodeBmpFile(rest, bitmap, error);
      break;
    case 2:
      if (rest.size() < 6) return 0;
      ok = DecodeDdb(rest[0] | (rest[1] << 8), rest[2], 1, rest[3], rest[4] | (rest[5] << 8), rest.subspan(6),
                     bitmap, error);
      break;
  }
  if (!ok) return 0;
  if (!bitmap.Valid()) std::abort();
  // Run-length data may describe a large picture from a few bytes; checking the round trip on
  // those would only slow the fuzzer down.
  if (bitmap.Bits.size() > (size_t{1} << 20)) return 0;
  TBitmap back;
  if (!DecodeDib(EncodeDib(bitmap), back, error) || !(back == bitmap)) std::abort();

  TWPRTFText doc;
  TDocGraphic graphic;
  graphic.Image = std::move(bitmap);
  graphic.InPictureHolder = data[0] & 0x80;
  TDocObject* object = doc.AddObject(std::move(graphic), -1);
  TCharAttr anchor = doc.DefaultAttr;
  anchor.CharFlags = kCharObject;
  anchor.TagNumber = object->Number;
  doc.AppendText(doc.FirstParagraph(), std::u32string(1, kCharObjectByNumber), anchor);
  TMemoryStream out;
  if (WriteDocument(doc, out, TWPLoadFormat::FormatRTF) != kResultOk) std::abort();
  return 0;
}
