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
  Bitmap bitmap;
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
  if (bitmap.bits.size() > (size_t{1} << 20)) return 0;
  Bitmap back;
  if (!DecodeDib(EncodeDib(bitmap), back, error) || !(back == bitmap)) std::abort();

  WPRTFText doc;
  DocGraphic graphic;
  graphic.image = std::move(bitmap);
  graphic.inPictureHolder = data[0] & 0x80;
  DocObject* object = doc.AddObject(std::move(graphic), -1);
  CharAttr anchor = doc.defaultAttr;
  anchor.charFlags = kCharObject;
  anchor.tagNumber = object->number;
  doc.AppendText(doc.FirstParagraph(), std::u32string(1, kCharObjectByNumber), anchor);
  MemoryStream out;
  if (WriteDocument(doc, out, WPLoadFormat::FormatRTF) != kResultOk) std::abort();
  return 0;
}
