#include "richtext/layout/metafile.h"

#include <gtest/gtest.h>

#include <vector>

#include "richtext/layout/layout.h"
#include "richtext/layout/tests/test_devices.h"
#include "richtext/layout/tests/wmf_builder.h"
#include "richtext/picture/bitmap_codec.h"

namespace inkwend {
namespace {

using testing::RecordingCanvas;
using testing::WmfBuilder;

TEST(MetafileTest, MapsTheWindowOntoTheRectangle) {
  WmfBuilder w;
  w.Record(0x020B, {10, 20});                   // window origin (y 10, x 20)
  w.Record(0x020C, {100, 200});                 // window extent (y 100, x 200)
  w.Record(0x02FA, {0, 3, 0, 0x00FF, 0x0000});  // red pen, 3 wide
  w.Record(0x012D, {0});
  w.Record(0x02FC, {1, 0, 0, 0});  // null brush
  w.Record(0x012D, {1});
  w.Record(0x041B, {60, 120, 10, 20});              // rectangle (bottom, right, top, left)
  w.Record(0x0418, {110, 220, 10, 20});             // ellipse
  w.Record(0x0214, {10, 20});                       // move to (20, 10)
  w.Record(0x0213, {110, 220});                     // line to (220, 110)
  w.Record(0x0325, {3, 20, 10, 120, 10, 120, 60});  // polyline of three points
  RecordingCanvas canvas;
  MetafileStats stats;
  ASSERT_TRUE(PlayMetafile(canvas, w.Metafile(), {100, 100, 300, 200}, nullptr, nullptr, &stats));
  EXPECT_EQ(stats.drawn, 4);
  const auto rects = canvas.Of("rect");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].rect, (Rect{100, 100, 200, 150}));
  EXPECT_TRUE(rects[0].brush.null);
  EXPECT_EQ(rects[0].pen.color, 0x0000FFu);
  EXPECT_EQ(canvas.Of("ellipse")[0].rect, (Rect{100, 100, 300, 200}));
  EXPECT_EQ(canvas.Of("line")[0].to, (Point{300, 200}));
  EXPECT_EQ(canvas.Of("polyline")[0].points, (std::vector<Point>{{100, 100}, {200, 100}, {200, 150}}));
  EXPECT_EQ(canvas.ops.front().kind, "clip");
  EXPECT_EQ(canvas.ops.back().kind, "unclip");
}

TEST(MetafileTest, DrawsBitmapRecordsAndText) {
  Bitmap bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.bitsPerPixel = 24;
  bmp.bits.assign(static_cast<size_t>(bmp.Stride()) * 2, 0x40);
  const std::vector<uint8_t> dib = EncodeDib(bmp);
  WmfBuilder w;
  w.Record(0x020C, {40, 40});
  // StretchDIB: rop, usage, source 2x2 at 0,0, destination 20x20 at (10, 10).
  w.Record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, 20, 10, 10}, dib);
  // DIBStretchBlt of the same bitmap into the top-left quarter.
  w.Record(0x0B41, {0x0020, 0x00CC, 2, 2, 0, 0, 20, 20, 0, 0}, dib);
  w.Record(0x0521, {2, 'h' | ('i' << 8), 5, 6});  // TextOut "hi" at (6, 5)
  RecordingCanvas canvas;
  ASSERT_TRUE(PlayMetafile(canvas, w.Metafile(), {0, 0, 80, 80}, nullptr));
  const auto bitmaps = canvas.Of("bitmap");
  ASSERT_EQ(bitmaps.size(), 2u);
  EXPECT_EQ(bitmaps[0].rect, (Rect{20, 20, 60, 60}));
  EXPECT_EQ(bitmaps[1].rect, (Rect{0, 0, 40, 40}));
  const auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, U"hi");
  EXPECT_EQ(texts[0].x, 12);
}

TEST(MetafileTest, DamagedInputIsRefusedOrCutShort) {
  RecordingCanvas canvas;
  std::string error;
  Metafile junk;
  junk.bytes = {1, 2, 3, 4, 5};
  EXPECT_FALSE(PlayMetafile(canvas, junk, {0, 0, 10, 10}, nullptr, &error));
  EXPECT_EQ(error, "not a metafile");

  WmfBuilder w;
  w.Record(0x041B, {10, 10, 0, 0});
  w.Record(0x0325, {30000, 1, 1});  // claims 30000 points
  Metafile mf = w.Metafile();
  mf.bytes.resize(mf.bytes.size() - 3);  // cut inside the last record
  MetafileStats stats;
  EXPECT_TRUE(PlayMetafile(canvas, mf, {0, 0, 10, 10}, nullptr, &error, &stats));
  EXPECT_EQ(stats.drawn, 1);
}

TEST(MetafileTest, ObjectWithABrokenMetafileIsDrawnAsACrossedBox) {
  WPRTFText doc;
  TextLayout layout{doc};
  DocGraphic g;
  Metafile mf;
  mf.bytes = {9, 9, 9};
  g.image = mf;
  DocObject* o = doc.AddObject(std::move(g), 5);
  RecordingCanvas canvas;
  layout.PaintObject(canvas, o, {0, 0, 30, 20});
  EXPECT_EQ(canvas.Of("rect").size(), 1u);
  EXPECT_EQ(canvas.Of("line").size(), 2u);
}

}  // namespace
}  // namespace inkwend

namespace inkwend {
namespace {

TEST(MetafileTest, MissingLinkedPictureShowsItsName) {
  WPRTFText doc;
  TextLayout layout{doc};
  DocObject* o = doc.AddObject(DocGraphic{}, 6);
  o->fileName = U"holiday.bmp";
  testing::RecordingCanvas canvas;
  layout.PaintObject(canvas, o, {10, 10, 110, 50});
  ASSERT_EQ(canvas.Of("text").size(), 1u);
  EXPECT_EQ(canvas.Of("text")[0].text, U"holiday.bmp");
  EXPECT_EQ(canvas.Of("text")[0].x, 12);
  EXPECT_EQ(canvas.Of("line").size(), 0u);  // framed, not crossed
  EXPECT_EQ(canvas.Of("rect").size(), 1u);
}

}  // namespace
}  // namespace inkwend
