// Pictures: the bitmap forms of the model and the picture groups of the RTF writer.
#include <gtest/gtest.h>

#include <random>

#include "richtext/picture/bitmap_codec.h"
#include "richtext/rtf/text_io.h"

namespace inkwend {
namespace {

TBitmap MakeBitmap(int w, int h, int bpp, unsigned seed) {
  TBitmap b;
  b.Width = w;
  b.Height = h;
  b.BitsPerPixel = static_cast<uint16_t>(bpp);
  std::mt19937 gen(seed);
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp); ++i) {
      b.Palette.push_back(TPaletteEntry{static_cast<uint8_t>(gen()), static_cast<uint8_t>(gen()),
                                        static_cast<uint8_t>(gen()), 0});
    }
  }
  b.Bits.assign(static_cast<size_t>(b.Stride()) * static_cast<size_t>(h), 0);
  const size_t used = static_cast<size_t>((w * bpp + 7) / 8);
  for (int y = 0; y < h; ++y) {
    for (size_t x = 0; x < used; ++x)
      b.Bits[static_cast<size_t>(y * b.Stride()) + x] = static_cast<uint8_t>(gen());
    // Bits past the last pixel of a row are not part of the picture.
    if ((w * bpp) % 8)
      b.Bits[static_cast<size_t>(y * b.Stride()) + used - 1] &=
          static_cast<uint8_t>(0xFF << (8 - (w * bpp) % 8));
  }
  return b;
}

TEST(BitmapCodec, DibRoundTripsEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    const TBitmap b = MakeBitmap(13, 5, bpp, static_cast<unsigned>(bpp));
    ASSERT_TRUE(b.Valid());
    TBitmap back;
    std::string error;
    ASSERT_TRUE(DecodeDib(EncodeDib(b), back, error)) << error;
    EXPECT_EQ(back, b);
    ASSERT_TRUE(DecodeBmpFile(EncodeBmpFile(b), back, error)) << error;
    EXPECT_EQ(back, b);
  }
}

TEST(BitmapCodec, DdbKeepsDeepAndBlackAndWhiteBitmaps) {
  for (int bpp : {16, 24, 32}) {
    const TBitmap b = MakeBitmap(7, 3, bpp, 1);
    const TDdbImage ddb = EncodeDdb(b);
    EXPECT_EQ(ddb.BitsPerPixel, bpp);
    EXPECT_EQ(ddb.WidthBytes, (7 * bpp + 15) / 16 * 2);
    TBitmap back;
    std::string error;
    ASSERT_TRUE(DecodeDdb(7, 3, 1, bpp, ddb.WidthBytes, ddb.Bits, back, error)) << error;
    EXPECT_EQ(back, b);
  }
  TBitmap mono = MakeBitmap(9, 2, 1, 3);
  mono.Palette = {TPaletteEntry{0, 0, 0, 0}, TPaletteEntry{255, 255, 255, 0}};
  const TDdbImage ddb = EncodeDdb(mono);
  EXPECT_EQ(ddb.BitsPerPixel, 1);
  EXPECT_EQ(ddb.WidthBytes, 2);
  TBitmap back;
  std::string error;
  ASSERT_TRUE(DecodeDdb(9, 2, 1, 1, 2, ddb.Bits, back, error));
  EXPECT_EQ(back, mono);
}

TEST(BitmapCodec, PalettedDdbIsWrittenWithItsColours) {
  // A device bitmap carries no palette, so the colours go into 24-bit pixels.
  const TBitmap b = MakeBitmap(5, 4, 8, 9);
  const TDdbImage ddb = EncodeDdb(b);
  EXPECT_EQ(ddb.BitsPerPixel, 24);
  TBitmap back;
  std::string error;
  ASSERT_TRUE(DecodeDdb(5, 4, 1, 24, ddb.WidthBytes, ddb.Bits, back, error));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.PixelRgb(x, y), b.PixelRgb(x, y));
}

TEST(BitmapCodec, DamagedInputIsRefused) {
  TBitmap out;
  std::string error;
  const std::vector<uint8_t> dib = EncodeDib(MakeBitmap(8, 8, 24, 2));
  EXPECT_FALSE(DecodeDib(std::span(dib).first(dib.size() - 1), out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DecodeDib(std::span(dib).first(20), out, error));
  std::vector<uint8_t> bad_depth = dib;
  bad_depth[14] = 7;
  EXPECT_FALSE(DecodeDib(bad_depth, out, error));
  std::vector<uint8_t> huge = dib;
  huge[7] = 0x7F;  // width near 2^31
  EXPECT_FALSE(DecodeDib(huge, out, error));
  EXPECT_FALSE(DecodeDdb(4, 4, 1, 24, 12, std::vector<uint8_t>(47), out, error));
  EXPECT_FALSE(DecodeDdb(4, 4, 2, 1, 2, std::vector<uint8_t>(64), out, error));
  EXPECT_FALSE(DecodeBmpFile(std::vector<uint8_t>{'B', 'X', 0, 0}, out, error));
}

TEST(BitmapCodec, TopDownAndRunLengthBitmaps) {
  // 2x2, 8 bits, run-length: row 0 (bottom) = 1,1; row 1 = 2,3.
  std::vector<uint8_t> rle = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0,
                              0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) rle.insert(rle.end(), {static_cast<uint8_t>(i * 10), 0, 0, 0});
  // colours used 4: only four palette entries precede the bits
  rle.insert(rle.end(), {2, 1, 0, 0, 1, 2, 1, 3, 0, 1});
  TBitmap out;
  std::string error;
  ASSERT_TRUE(DecodeDib(rle, out, error)) << error;
  EXPECT_EQ(out.Palette.size(), 256u);  // filled up behind the four given colours
  EXPECT_EQ(out.Palette[3].Blue, 30);
  EXPECT_EQ(out.Bits[0], 2);  // top row first
  EXPECT_EQ(out.Bits[1], 3);
  EXPECT_EQ(out.Bits[4], 1);
  EXPECT_EQ(out.Bits[5], 1);

  // A negative height stores rows top-down.
  TBitmap b = MakeBitmap(1, 2, 24, 5);
  std::vector<uint8_t> dib = EncodeDib(b);
  dib[8] = 0xFE;
  dib[9] = dib[10] = dib[11] = 0xFF;  // height -2
  ASSERT_TRUE(DecodeDib(dib, out, error));
  EXPECT_EQ(out.PixelRgb(0, 0), b.PixelRgb(0, 1));
}

// --- the writer's picture groups ---

const std::string kPlain = "\\plain\\f0\\fs20\\cf0 ";

std::string BodyWith(TWPRTFText& doc, char32_t anchor, int key) {
  TCharAttr a = doc.DefaultAttr;
  a.CharFlags = kCharObject;
  a.TagNumber = static_cast<uint16_t>(key);
  doc.AppendText(doc.FirstParagraph(), std::u32string(1, anchor), a);
  doc.SaveFormat = TWPLoadFormat::FormatRTF;
  TMemoryStream out;
  EXPECT_EQ(SaveToStream(doc, out, doc.SaveFormat), kResultOk);
  const std::string& all = out.Bytes();
  const size_t start = all.find("\\margb1440") + 10;
  return all.substr(start, all.size() - start - 3);
}

TEST(RtfPictures, DeviceDependentBitmap) {
  TWPRTFText doc;
  TBitmap b;
  b.Width = 2;
  b.Height = 2;
  b.Bits = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  TDocGraphic g;
  g.Image = b;
  TDocObject* o = doc.AddObject(std::move(g), -1);
  EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->Number),
            "{" + kPlain +
                "{\\pict\\wbitmap0\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes6\\picw2\\pich2\\picwgoal30\\pic"
                "hgoal30\r\n"
                "0102030405060708090a0b0c}}");
}

const std::string kMonoDib =
    "\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes1\\picw3\\pich1\\picwgoal45\\pichgoal15\r\n"
    // info header: size 40, width 3, height 1, 1 plane, 1 bit, uncompressed, 4 bytes of bits, four zeros
    "28000000"
    "03000000"
    "01000000"
    "0100"
    "0100"
    "00000000"
    "04000000"
    "00000000"
    "00000000"
    "00000000"
    "00000000"
    "00000000"
    "ffffff00"    // palette: black, white
    "a0000000}";  // pixels 1, 0, 1

TDocGraphic MonoGraphic() {
  TBitmap b;
  b.Width = 3;
  b.Height = 1;
  b.BitsPerPixel = 1;
  b.Palette = {TPaletteEntry{0, 0, 0, 0}, TPaletteEntry{255, 255, 255, 0}};
  b.Bits = {0xA0, 0, 0, 0};
  TDocGraphic g;
  g.Image = b;
  return g;
}

TEST(RtfPictures, DibWhenAskedOrForPictureHolders) {
  {
    TWPRTFText doc;
    doc.WriteBitmapAsDib = true;
    TDocObject* o = doc.AddObject(MonoGraphic(), -1);
    EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->Number),
              "{" + kPlain + "{\\pict\\dibitmap0" + kMonoDib + "}");
  }
  {
    TWPRTFText doc;
    TDocGraphic g = MonoGraphic();
    g.InPictureHolder = true;
    TDocObject* o = doc.AddObject(std::move(g), -1);
    EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->Number),
              "{" + kPlain + "{\\pict\\dibitmap0" + kMonoDib + "}");
  }
}

TEST(RtfPictures, Metafile) {
  TWPRTFText doc;
  TDocGraphic g;
  g.Image = TMetafile{{0x01, 0x00, 0x09, 0xAB}, 10, 20};
  TDocObject* o = doc.AddObject(std::move(g), -1);
  o->Width = 1440;
  o->Height = 720;
  EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->Number),
            "{" + kPlain + "{\\pict\\wmetafile8\\picw10\\pich20\\picwgoal1440\\pichgoal720\r\n010009ab}}");
}

TEST(RtfPictures, LinkedPictureInBothForms) {
  {
    TWPRTFText doc;
    TDocObject* o = doc.AddObject(TDocGraphic{}, -1);
    o->FileName = U"pics/cat.bmp";
    o->Width = 1440;
    o->Height = 720;
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->Tag),
              "{" + kPlain + "{\\*\\picfile\\picwgoal1440\\pichgoal720 \"pics/cat.bmp\"}}");
  }
  {
    TWPRTFText doc;
    TDocObject* o = doc.AddObject(MonoGraphic(), -1);
    o->FileName = U"cat.bmp";
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->Tag),
              "{" + kPlain + "{\\*\\picfile\\picw3\\pich1\\picwgoal45\\pichgoal15 \"cat.bmp\"}}");
  }
  {
    TWPRTFText doc;
    doc.WriteLinkedPicturesShort = true;
    TDocObject* o = doc.AddObject(TDocGraphic{}, -1);
    o->FileName = U"cat.bmp";
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->Tag), "{" + kPlain + "\\{bmc cat.bmp\\}}");
  }
}

TEST(RtfPictures, TaggedObjectAndMissingRecord) {
  TWPRTFText doc;
  TDocObject* o = doc.AddObject(TDocGraphic{}, 5);
  o->Tagged = true;
  o->Width = 100;
  o->Height = 200;
  EXPECT_EQ(BodyWith(doc, kCharObjectByTag, 5), "{" + kPlain + "\\wpobjtag5\\wpobjw100\\wpobjh200 \\'01}");

  TWPRTFText none;  // an anchor whose record is gone writes only its block
  EXPECT_EQ(BodyWith(none, kCharObjectByTag, 9), "{" + kPlain + "}");
}

}  // namespace
}  // namespace inkwend
