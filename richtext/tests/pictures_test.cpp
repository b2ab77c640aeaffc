// Pictures: the bitmap forms of the model and the picture groups of the RTF writer.
#include <gtest/gtest.h>

#include <random>

#include "richtext/picture/bitmap_codec.h"
#include "richtext/picture/pcx_codec.h"
#include "richtext/rtf/text_io.h"
#include "richtext/tests/read_rtf.h"

namespace inkwend {
namespace {

Bitmap MakeBitmap(int w, int h, int bpp, unsigned seed) {
  Bitmap b;
  b.width = w;
  b.height = h;
  b.bitsPerPixel = static_cast<uint16_t>(bpp);
  std::mt19937 gen(seed);
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp); ++i) {
      b.palette.push_back(PaletteEntry{static_cast<uint8_t>(gen()), static_cast<uint8_t>(gen()),
                                       static_cast<uint8_t>(gen()), 0});
    }
  }
  b.bits.assign(static_cast<size_t>(b.Stride()) * static_cast<size_t>(h), 0);
  const size_t used = static_cast<size_t>((w * bpp + 7) / 8);
  for (int y = 0; y < h; ++y) {
    for (size_t x = 0; x < used; ++x)
      b.bits[static_cast<size_t>(y * b.Stride()) + x] = static_cast<uint8_t>(gen());
    // Bits past the last pixel of a row are not part of the picture.
    if ((w * bpp) % 8)
      b.bits[static_cast<size_t>(y * b.Stride()) + used - 1] &=
          static_cast<uint8_t>(0xFF << (8 - (w * bpp) % 8));
  }
  return b;
}

TEST(BitmapCodec, DibRoundTripsEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    const Bitmap b = MakeBitmap(13, 5, bpp, static_cast<unsigned>(bpp));
    ASSERT_TRUE(b.Valid());
    Bitmap back;
    std::string error;
    ASSERT_TRUE(DecodeDib(EncodeDib(b), back, error)) << error;
    EXPECT_EQ(back, b);
    ASSERT_TRUE(DecodeBmpFile(EncodeBmpFile(b), back, error)) << error;
    EXPECT_EQ(back, b);
  }
}

TEST(BitmapCodec, DdbKeepsDeepAndBlackAndWhiteBitmaps) {
  for (int bpp : {16, 24, 32}) {
    const Bitmap b = MakeBitmap(7, 3, bpp, 1);
    const DdbImage ddb = EncodeDdb(b);
    EXPECT_EQ(ddb.bitsPerPixel, bpp);
    EXPECT_EQ(ddb.widthBytes, (7 * bpp + 15) / 16 * 2);
    Bitmap back;
    std::string error;
    ASSERT_TRUE(DecodeDdb(7, 3, 1, bpp, ddb.widthBytes, ddb.bits, back, error)) << error;
    EXPECT_EQ(back, b);
  }
  Bitmap mono = MakeBitmap(9, 2, 1, 3);
  mono.palette = {PaletteEntry{0, 0, 0, 0}, PaletteEntry{255, 255, 255, 0}};
  const DdbImage ddb = EncodeDdb(mono);
  EXPECT_EQ(ddb.bitsPerPixel, 1);
  EXPECT_EQ(ddb.widthBytes, 2);
  Bitmap back;
  std::string error;
  ASSERT_TRUE(DecodeDdb(9, 2, 1, 1, 2, ddb.bits, back, error));
  EXPECT_EQ(back, mono);
}

TEST(BitmapCodec, PalettedDdbIsWrittenWithItsColours) {
  // A device bitmap carries no palette, so the colours go into 24-bit pixels.
  const Bitmap b = MakeBitmap(5, 4, 8, 9);
  const DdbImage ddb = EncodeDdb(b);
  EXPECT_EQ(ddb.bitsPerPixel, 24);
  Bitmap back;
  std::string error;
  ASSERT_TRUE(DecodeDdb(5, 4, 1, 24, ddb.widthBytes, ddb.bits, back, error));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.PixelRgb(x, y), b.PixelRgb(x, y));
}

TEST(BitmapCodec, DamagedInputIsRefused) {
  Bitmap out;
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
  Bitmap out;
  std::string error;
  ASSERT_TRUE(DecodeDib(rle, out, error)) << error;
  EXPECT_EQ(out.palette.size(), 256u);  // filled up behind the four given colours
  EXPECT_EQ(out.palette[3].blue, 30);
  EXPECT_EQ(out.bits[0], 2);  // top row first
  EXPECT_EQ(out.bits[1], 3);
  EXPECT_EQ(out.bits[4], 1);
  EXPECT_EQ(out.bits[5], 1);

  // A negative height stores rows top-down.
  Bitmap b = MakeBitmap(1, 2, 24, 5);
  std::vector<uint8_t> dib = EncodeDib(b);
  dib[8] = 0xFE;
  dib[9] = dib[10] = dib[11] = 0xFF;  // height -2
  ASSERT_TRUE(DecodeDib(dib, out, error));
  EXPECT_EQ(out.PixelRgb(0, 0), b.PixelRgb(0, 1));
}

// --- the writer's picture groups ---

const std::string kPlain = "\\plain\\f0\\fs20\\cf0 ";

std::string BodyWith(WPRTFText& doc, char32_t anchor, int key) {
  CharAttr a = doc.defaultAttr;
  a.charFlags = kCharObject;
  a.tagNumber = static_cast<uint16_t>(key);
  doc.AppendText(doc.FirstParagraph(), std::u32string(1, anchor), a);
  doc.saveFormat = WPLoadFormat::FormatRTF;
  MemoryStream out;
  EXPECT_EQ(SaveToStream(doc, out, doc.saveFormat), kResultOk);
  const std::string& all = out.Bytes();
  const size_t start = all.find("\\margb1440") + 10;
  return all.substr(start, all.size() - start - 3);
}

// A PCX file: the 128-byte header, then the run-length data, then what follows it.
std::vector<uint8_t> Pcx(int bits, int planes, int width, int height, int bytes_per_line,
                         std::vector<uint8_t> body, std::vector<uint8_t> tail = {}) {
  std::vector<uint8_t> f(128, 0);
  f[0] = 10;
  f[1] = 5;
  f[2] = 1;
  f[3] = static_cast<uint8_t>(bits);
  f[8] = static_cast<uint8_t>(width - 1);
  f[9] = static_cast<uint8_t>((width - 1) >> 8);
  f[10] = static_cast<uint8_t>(height - 1);
  for (int i = 0; i < 48; ++i)
    f[16 + static_cast<size_t>(i)] = static_cast<uint8_t>(i * 5);  // 16-colour palette
  f[65] = static_cast<uint8_t>(planes);
  f[66] = static_cast<uint8_t>(bytes_per_line);
  f.insert(f.end(), body.begin(), body.end());
  f.insert(f.end(), tail.begin(), tail.end());
  return f;
}

TEST(PcxCodec, EveryKindDecodes) {
  std::vector<uint8_t> palette256 = {12};
  for (int i = 0; i < 256; ++i) palette256.insert(palette256.end(), {static_cast<uint8_t>(i), 0, 0});
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    uint32_t first, second;  // 0xRRGGBB of pixels (0, 0) and (1, 0)
  } cases[] = {
      {"256 colours", Pcx(8, 1, 2, 1, 2, {0xC2, 7}, palette256), 0x070000, 0x070000},
      {"24 bits", Pcx(8, 3, 2, 1, 2, {10, 20, 30, 40, 50, 60}), 0x0A1E32, 0x14283C},
      {"black and white", Pcx(1, 1, 2, 1, 2, {0x80, 0}), 0xFFFFFF, 0x000000},
      {"16 colours in planes", Pcx(1, 4, 2, 1, 2, {0x80, 0, 0, 0, 0, 0, 0, 0}), 0x0F1419, 0x00050A},
      {"16 colours packed", Pcx(4, 1, 2, 1, 2, {0x21, 0}), 0x1E2328, 0x0F1419},
      // Run-length data that ends early leaves the rest black.
      {"cut short", Pcx(8, 3, 2, 1, 2, {0xC1}), 0x000000, 0x000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap b;
    std::string error;
    ASSERT_TRUE(DecodePcx(c.file, 100, b, error)) << error;
    EXPECT_EQ(b.width, 2);
    EXPECT_EQ(b.PixelRgb(0, 0), c.first);
    EXPECT_EQ(b.PixelRgb(1, 0), c.second);
  }
}

TEST(PcxCodec, RefusesWhatIsNoPcxOrTooLarge) {
  std::vector<uint8_t> not_pcx = Pcx(8, 1, 2, 1, 2, {1, 2});
  not_pcx[0] = 'B';
  const std::vector<std::vector<uint8_t>> files = {
      {},
      std::vector<uint8_t>(127, 10),
      not_pcx,
      Pcx(2, 2, 2, 1, 2, {0}),
      Pcx(8, 1, 300, 1, 300, {0}),
      Pcx(8, 1, 20, 1, 2, {0})};  // a line shorter than the width
  for (size_t i = 0; i < files.size(); ++i) {
    Bitmap b;
    std::string error;
    EXPECT_FALSE(DecodePcx(files[i], 100, b, error)) << i;
    EXPECT_FALSE(error.empty()) << i;
  }
}

TEST(RtfPictures, DeviceDependentBitmap) {
  WPRTFText doc;
  Bitmap b;
  b.width = 2;
  b.height = 2;
  b.bits = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  DocGraphic g;
  g.image = b;
  DocObject* o = doc.AddObject(std::move(g), -1);
  EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->number),
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

DocGraphic MonoGraphic() {
  Bitmap b;
  b.width = 3;
  b.height = 1;
  b.bitsPerPixel = 1;
  b.palette = {PaletteEntry{0, 0, 0, 0}, PaletteEntry{255, 255, 255, 0}};
  b.bits = {0xA0, 0, 0, 0};
  DocGraphic g;
  g.image = b;
  return g;
}

TEST(RtfPictures, DibWhenAskedOrForPictureHolders) {
  {
    WPRTFText doc;
    doc.writeBitmapAsDib = true;
    DocObject* o = doc.AddObject(MonoGraphic(), -1);
    EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->number),
              "{" + kPlain + "{\\pict\\dibitmap0" + kMonoDib + "}");
  }
  {
    WPRTFText doc;
    DocGraphic g = MonoGraphic();
    g.inPictureHolder = true;
    DocObject* o = doc.AddObject(std::move(g), -1);
    EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->number),
              "{" + kPlain + "{\\pict\\dibitmap0" + kMonoDib + "}");
  }
}

// PNG and JPEG pictures are written as the bytes they came in, at the size they are shown, and
// the reader takes them back as such.
TEST(RtfPictures, CompressedPicturesKeepTheirBytes) {
  for (const auto& [format, keyword] :
       {std::pair{PictureFormat::Png, "pngblip"}, {PictureFormat::Jpeg, "jpegblip"}}) {
    WPRTFText doc;
    DocGraphic g = MonoGraphic();
    g.compressed = CompressedPicture{format, {0x89, 0x50, 0xff}};
    DocObject* o = doc.AddObject(std::move(g), -1);
    o->width = 900;
    o->height = 300;
    const std::string body = BodyWith(doc, kCharObjectByNumber, o->number);
    EXPECT_EQ(body,
              "{" + kPlain + "{\\pict\\" + keyword + "\\picw3\\pich1\\picwgoal900\\pichgoal300\r\n8950ff}}");
    const auto back = testing::Read("{\\rtf1 " + body.substr(body.find("{\\pict")) + "}");
    ASSERT_EQ(back->Objects().size(), 1u);
    const DocObject& read = *back->Objects().front();
    ASSERT_TRUE(read.graphic.compressed.has_value());
    EXPECT_EQ(read.graphic.compressed->format, format);
    EXPECT_EQ(read.graphic.compressed->bytes, (std::vector<uint8_t>{0x89, 0x50, 0xff}));
    EXPECT_EQ(read.width, 900);
  }
}

TEST(RtfPictures, Metafile) {
  WPRTFText doc;
  DocGraphic g;
  g.image = Metafile{{0x01, 0x00, 0x09, 0xAB}, 10, 20};
  DocObject* o = doc.AddObject(std::move(g), -1);
  o->width = 1440;
  o->height = 720;
  EXPECT_EQ(BodyWith(doc, kCharObjectByNumber, o->number),
            "{" + kPlain + "{\\pict\\wmetafile8\\picw10\\pich20\\picwgoal1440\\pichgoal720\r\n010009ab}}");
}

TEST(RtfPictures, LinkedPictureInBothForms) {
  {
    WPRTFText doc;
    DocObject* o = doc.AddObject(DocGraphic{}, -1);
    o->fileName = U"pics/cat.bmp";
    o->width = 1440;
    o->height = 720;
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->tag),
              "{" + kPlain + "{\\*\\picfile\\picwgoal1440\\pichgoal720 \"pics/cat.bmp\"}}");
  }
  {
    WPRTFText doc;
    DocObject* o = doc.AddObject(MonoGraphic(), -1);
    o->fileName = U"cat.bmp";
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->tag),
              "{" + kPlain + "{\\*\\picfile\\picw3\\pich1\\picwgoal45\\pichgoal15 \"cat.bmp\"}}");
  }
  {
    WPRTFText doc;
    doc.writeLinkedPicturesShort = true;
    DocObject* o = doc.AddObject(DocGraphic{}, -1);
    o->fileName = U"cat.bmp";
    EXPECT_EQ(BodyWith(doc, kCharObjectByTag, o->tag), "{" + kPlain + "\\{bmc cat.bmp\\}}");
  }
}

TEST(RtfPictures, TaggedObjectAndMissingRecord) {
  WPRTFText doc;
  DocObject* o = doc.AddObject(DocGraphic{}, 5);
  o->tagged = true;
  o->width = 100;
  o->height = 200;
  EXPECT_EQ(BodyWith(doc, kCharObjectByTag, 5), "{" + kPlain + "\\wpobjtag5\\wpobjw100\\wpobjh200 \\'01}");

  WPRTFText none;  // an anchor whose record is gone writes only its block
  EXPECT_EQ(BodyWith(none, kCharObjectByTag, 9), "{" + kPlain + "}");
}

}  // namespace
}  // namespace inkwend
