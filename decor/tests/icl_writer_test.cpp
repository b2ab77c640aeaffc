// Icon libraries written by BuildIcl read back through the same reader as any other file.
#include "decor/icons/icl_writer.h"

#include <gtest/gtest.h>

#include "decor/icons/icon_file.h"

namespace inkwend::icons {
namespace {

IconImage Solid(int w, int h, uint32_t argb) {
  return IconImage{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, argb)};
}

TEST(IclWriter, EveryPictureBecomesAnIconInOrder) {
  IconImage half = Solid(64, 64, 0xFF00FF00);
  for (int y = 0; y < 64; ++y)
    for (int x = 32; x < 64; ++x) half.argb[static_cast<size_t>(y) * 64 + x] = 0;  // right half clear
  const std::vector<IconImage> pictures = {Solid(32, 32, 0xFFFF0000), half, Solid(40, 20, 0x800000FF)};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(BuildIcl(pictures, "activity.icl", &bytes).IsOk());
  IconFile f(MemorySource(bytes));
  EXPECT_EQ(f.kind(), IconFileKind::Ne);
  ASSERT_EQ(f.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const auto images = f.Images(i);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 32);
    EXPECT_EQ(images[0].bitsPerPixel, 32);
    EXPECT_EQ(images[1].width, 16);
  }
  IconImage img;
  ASSERT_TRUE(f.Extract(0, nullptr, &img).IsOk());
  EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
  ASSERT_TRUE(f.Extract(1, nullptr, &img).IsOk());
  EXPECT_EQ(img.At(5, 5), 0xFF00FF00u);
  EXPECT_EQ(img.At(20, 5), 0u);
  // A 40 x 20 picture is centred on a transparent square: rows 0..7 clear, the middle kept.
  ASSERT_TRUE(f.Extract(2, nullptr, &img).IsOk());
  EXPECT_EQ(img.width, 32);
  EXPECT_EQ(img.At(16, 2), 0u);
  EXPECT_EQ(img.At(16, 16), 0x800000FFu);
  // The 16 x 16 image is there for small views.
  ASSERT_TRUE(f.Extract(0, nullptr, &img, 16).IsOk());
  EXPECT_EQ(img.width, 16);
}

TEST(IclWriter, ManyIconsNeedALargerAlignmentAndStillReadBack) {
  // The most icons make about 10 MB, beyond 16-bit offsets in 16-byte units.
  const std::vector<IconImage> pictures(kMaxIclIcons, Solid(32, 32, 0xFF123456));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(BuildIcl(pictures, "big", &bytes).IsOk());
  EXPECT_GT(bytes.size(), size_t{0xFFFF} << 4);
  IconFile f(MemorySource(bytes));
  ASSERT_EQ(f.Count(), kMaxIclIcons);
  IconImage img;
  ASSERT_TRUE(f.Extract(kMaxIclIcons - 1, nullptr, &img).IsOk());
  EXPECT_EQ(img.At(31, 31), 0xFF123456u);
}

TEST(IclWriter, RefusesWhatNoLibraryCanHold) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(BuildIcl({}, "x", &bytes).IsOk());
  EXPECT_FALSE(BuildIcl({Solid(32, 32, 1), IconImage{}}, "x", &bytes).IsOk());
  EXPECT_FALSE(BuildIcl(std::vector<IconImage>(kMaxIclIcons + 1, Solid(1, 1, 1)), "x", &bytes).IsOk());
}

}  // namespace
}  // namespace inkwend::icons
