// Reading icons from .ICO, NE and PE files built byte by byte.
#include "decor/icons/icon_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "decor/icons/image_decoder.h"
#include "decor/tests/icon_builders.h"

namespace inkwend::icons {
namespace {

using testing::Bytes;
using testing::DibPlan;
using testing::GroupEntry;
using testing::MakeDib;
using testing::Resource;
using testing::SolidDib;

// Paints the solid colour the fake PNG carries after its IHDR chunk.
class FakePngDecoder : public PngDecoder {
 public:
  bool Decode(const uint8_t* data, size_t size, int max_side, IconImage* out) const override {
    ImageHeader h;
    if (!ReadImageHeader(data, size, &h) || h.width > max_side || size < 37) return false;
    out->width = h.width;
    out->height = h.height;
    const uint32_t fill =
        (static_cast<uint32_t>(data[33]) << 24) | (data[34] << 16) | (data[35] << 8) | data[36];
    out->argb.assign(static_cast<size_t>(h.width) * h.height, fill);
    return true;
  }
};

IconFile FromBytes(const Bytes& b) { return IconFile(MemorySource(b)); }

TEST(ImageDecoder, PalettedAndDirectDepthsWithTheirMasks) {
  // A 2-colour checker in every depth, with the top-left pixel masked out.
  const uint32_t red = 0xFF0000, blue = 0x0000FF;
  for (int bpp : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bpp);
    DibPlan s{5, 3, bpp, {}, nullptr, [](int x, int y) { return x == 0 && y == 0; }};
    if (bpp <= 8) {
      s.palette = {red, blue};
      s.pixel = [](int x, int y) { return static_cast<uint32_t>((x + y) % 2); };
    } else {
      // 32-bit pixels with zero alpha: the mask decides, as in icons made before alpha existed.
      s.pixel = [&](int x, int y) { return (x + y) % 2 ? blue : red; };
    }
    const Bytes dib = MakeDib(s);
    IconImage img;
    ASSERT_TRUE(DecodeImage(dib.data(), dib.size(), nullptr, &img).IsOk());
    ASSERT_EQ(img.width, 5);
    ASSERT_EQ(img.height, 3);
    EXPECT_EQ(img.At(0, 0), 0u);
    EXPECT_EQ(img.At(1, 0), 0xFF000000u | blue);
    EXPECT_EQ(img.At(2, 0), 0xFF000000u | red);
    EXPECT_EQ(img.At(4, 2), 0xFF000000u | red);
    EXPECT_EQ(img.At(3, 2), 0xFF000000u | blue);
  }
}

TEST(ImageDecoder, RealAlphaWinsOverTheMask) {
  DibPlan s{2,
            1,
            32,
            {},
            [](int x, int) { return x == 0 ? 0x80102030u : 0x00000000u; },
            [](int, int) { return true; }};
  const Bytes dib = MakeDib(s);
  IconImage img;
  ASSERT_TRUE(DecodeImage(dib.data(), dib.size(), nullptr, &img).IsOk());
  EXPECT_EQ(img.At(0, 0), 0x80102030u);
  EXPECT_EQ(img.At(1, 0), 0u);
}

TEST(ImageDecoder, RefusesDamagedImages) {
  Bytes ok = SolidDib(16, 16, 8, 0x123456);
  struct Case {
    const char* what;
    std::function<void(Bytes*)> damage;
  } cases[] = {
      {"cut in the colour bits", [](Bytes* b) { b->resize(40 + 4 + 100); }},
      {"cut in the header", [](Bytes* b) { b->resize(20); }},
      {"width of 2^31", [](Bytes* b) { testing::Set32(b, 4, 0x80000000u); }},
      {"width beyond any icon", [](Bytes* b) { testing::Set32(b, 4, 70000); }},
      {"height of 2^31 - 1", [](Bytes* b) { testing::Set32(b, 8, 0x7FFFFFFFu); }},
      {"palette of 2^31 colours", [](Bytes* b) { testing::Set32(b, 32, 0x80000000u); }},
      {"unknown depth", [](Bytes* b) { testing::Set16(b, 14, 7); }},
      {"compressed", [](Bytes* b) { testing::Set32(b, 16, 1); }},
      {"header size beyond the data", [](Bytes* b) { testing::Set32(b, 0, 0xFFFFFFF0u); }},
  };
  for (const auto& c : cases) {
    Bytes b = ok;
    c.damage(&b);
    IconImage img;
    EXPECT_FALSE(DecodeImage(b.data(), b.size(), nullptr, &img).IsOk()) << c.what;
    EXPECT_TRUE(img.empty()) << c.what;
  }
  // A missing AND mask is tolerated: the image is opaque.
  Bytes no_mask = ok;
  no_mask.resize(no_mask.size() - 64);  // 16 rows of 4 bytes
  IconImage img;
  ASSERT_TRUE(DecodeImage(no_mask.data(), no_mask.size(), nullptr, &img).IsOk());
  EXPECT_EQ(img.At(0, 0), 0xFF123456u);
}

TEST(IcoFile, OneIconWhoseBestFittingImageIsChosen) {
  struct Case {
    const char* what;
    std::vector<testing::IcoImage> images;
    ImageInfo chosen;
  } cases[] = {
      {"exact size and most colours first",
       {{16, 16, 32, SolidDib(16, 16, 32, 1)},
        {32, 32, 4, SolidDib(32, 32, 4, 2)},
        {32, 32, 32, SolidDib(32, 32, 32, 3)},
        {48, 48, 32, SolidDib(48, 48, 32, 4)}},
       {32, 32, 32, false}},
      {"shrinking before enlarging",
       {{16, 16, 32, SolidDib(16, 16, 32, 1)}, {48, 48, 8, SolidDib(48, 48, 8, 2)}},
       {48, 48, 8, false}},
      {"the smallest of the larger ones",
       {{64, 64, 32, SolidDib(64, 64, 32, 1)},
        {48, 48, 8, SolidDib(48, 48, 8, 2)},
        {24, 24, 32, SolidDib(24, 24, 32, 3)}},
       {48, 48, 8, false}},
      {"the largest of the smaller ones",
       {{16, 16, 32, SolidDib(16, 16, 32, 1)}, {24, 24, 4, SolidDib(24, 24, 4, 2)}},
       {24, 24, 4, false}},
      {"the directory's depth is not trusted",
       {{32, 32, 0, SolidDib(32, 32, 24, 1)}, {32, 32, 0, SolidDib(32, 32, 4, 2)}},
       {32, 32, 24, false}},
      {"PNG images count with their IHDR size",
       {{0, 0, 32, testing::FakePng(256, 256, 0xFF00FF00)}, {16, 16, 32, SolidDib(16, 16, 32, 1)}},
       {256, 256, 32, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    IconFile f = FromBytes(testing::MakeIco(c.images));
    EXPECT_EQ(f.kind(), IconFileKind::Ico);
    ASSERT_EQ(f.Count(), 1);
    ImageInfo info;
    ASSERT_TRUE(f.ChosenImage(0, &info));
    EXPECT_EQ(info.width, c.chosen.width);
    EXPECT_EQ(info.height, c.chosen.height);
    EXPECT_EQ(info.bitsPerPixel, c.chosen.bitsPerPixel);
    EXPECT_EQ(info.png, c.chosen.png);
  }
}

TEST(IcoFile, ExtractsAtTheLargeIconSizeKeepingTheAspect) {
  FakePngDecoder png;
  struct Case {
    Bytes image;
    int w, h;
    uint32_t centre;
  } cases[] = {
      {SolidDib(32, 32, 24, 0x102030), 32, 32, 0xFF102030},
      {SolidDib(48, 48, 8, 0x405060), 32, 32, 0xFF405060},
      {SolidDib(16, 16, 4, 0x708090), 32, 32, 0xFF708090},
      {SolidDib(32, 16, 32, 0xA0B0C0), 32, 16, 0xFFA0B0C0},
      {testing::FakePng(64, 64, 0x80FF0000), 32, 32, 0x80FF0000},
  };
  for (const auto& c : cases) {
    ImageHeader h;
    ASSERT_TRUE(ReadImageHeader(c.image.data(), c.image.size(), &h));
    IconFile f = FromBytes(testing::MakeIco({{h.width, h.height, h.bitsPerPixel, c.image}}));
    IconImage img;
    ASSERT_TRUE(f.Extract(0, &png, &img).IsOk());
    EXPECT_EQ(img.width, c.w);
    EXPECT_EQ(img.height, c.h);
    EXPECT_EQ(img.At(c.w / 2, c.h / 2), c.centre);
  }
}

TEST(IcoFile, ADamagedBestImageFallsBackToTheNextOne) {
  Bytes broken = SolidDib(32, 32, 32, 1);
  broken.resize(100);  // header intact, pixels cut
  IconFile f =
      FromBytes(testing::MakeIco({{32, 32, 32, broken}, {16, 16, 8, SolidDib(16, 16, 8, 0x00FF00)}}));
  IconImage img;
  ASSERT_TRUE(f.Extract(0, nullptr, &img).IsOk());
  EXPECT_EQ(img.At(0, 0), 0xFF00FF00u);
  // PNG without a decoder is another image that cannot be drawn.
  IconFile only_png = FromBytes(testing::MakeIco({{0, 0, 32, testing::FakePng(256, 256, 1)}}));
  EXPECT_FALSE(only_png.Extract(0, nullptr, &img).IsOk());
  EXPECT_TRUE(img.empty());
}

// Three groups: two numbered ones written out of order and a named one; plus an unrelated resource.
std::vector<Resource> ThreeGroups() {
  return {
      {14, 7, "", testing::MakeGroup({{32, 32, 8, 3}})},
      {3, 1, "", SolidDib(32, 32, 32, 0x111111)},
      {3, 2, "", SolidDib(16, 16, 32, 0x222222)},
      {3, 3, "", SolidDib(32, 32, 8, 0x333333)},
      {14, 2, "", testing::MakeGroup({{16, 16, 32, 2}, {32, 32, 32, 1}})},
      {6, 1, "", Bytes(10, 'x')},  // a string table
      {14, 0, "SUN", testing::MakeGroup({{16, 16, 32, 2}})},
  };
}

void ExpectThreeGroups(const IconFile& f) {
  ASSERT_EQ(f.Count(), 3);
  // Named groups first, then numbered ones ascending: SUN (16 x 16 only), 2, 7.
  const uint32_t expected[] = {0xFF222222, 0xFF111111, 0xFF333333};
  for (int i = 0; i < 3; ++i) {
    IconImage img;
    ASSERT_TRUE(f.Extract(i, nullptr, &img).IsOk()) << i;
    EXPECT_EQ(img.width, 32);
    EXPECT_EQ(img.At(5, 5), expected[i]) << i;
  }
  ImageInfo info;
  ASSERT_TRUE(f.ChosenImage(0, &info));
  EXPECT_EQ(info.width, 16);
  EXPECT_FALSE(f.ChosenImage(3, &info));
  IconImage img;
  EXPECT_FALSE(f.Extract(3, nullptr, &img).IsOk());
  EXPECT_FALSE(f.Extract(-1, nullptr, &img).IsOk());
}

TEST(NeFile, GroupsInResourceDirectoryOrderForEveryAlignment) {
  for (unsigned shift : {0u, 1u, 4u, 9u}) {
    SCOPED_TRACE(shift);
    IconFile f = FromBytes(testing::MakeNe(ThreeGroups(), shift));
    EXPECT_EQ(f.kind(), IconFileKind::Ne);
    ExpectThreeGroups(f);
  }
}

TEST(PeFile, Pe32AndPe32PlusGroups) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus);
    IconFile f = FromBytes(testing::MakePe(ThreeGroups(), plus));
    EXPECT_EQ(f.kind(), IconFileKind::Pe);
    ExpectThreeGroups(f);
  }
}

TEST(PeFile, ResourceDllsLinkedByWindowsTools) {
  for (const char* name : {"windres_pe32.dll", "windres_pe32plus.dll"}) {
    SCOPED_TRACE(name);
    const auto f = IconFile::Open(std::string(INKWEND_SOURCE_DIR) + "/decor/tests/fixtures/" + name);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->Count(), 3);
    // ZEBRA (24 x 24 yellow, enlarged), 5 (32 x 32 8-bit blue beside a 16 x 16), 20 (32 x 16 cyan).
    const struct {
      int w, h, bpp;
      uint32_t colour;
    } expected[] = {{24, 24, 24, 0xFFFFFF00}, {32, 32, 8, 0xFF0000FF}, {32, 16, 32, 0xFF00FFFF}};
    for (int i = 0; i < 3; ++i) {
      ImageInfo info;
      ASSERT_TRUE(f->ChosenImage(i, &info));
      EXPECT_EQ(info.width, expected[i].w);
      EXPECT_EQ(info.height, expected[i].h);
      EXPECT_EQ(info.bitsPerPixel, expected[i].bpp);
      IconImage img;
      ASSERT_TRUE(f->Extract(i, nullptr, &img).IsOk());
      EXPECT_EQ(img.width, 32);
      EXPECT_EQ(img.height, expected[i].h == 16 ? 16 : 32);
      EXPECT_EQ(img.At(10, 10), expected[i].colour);
    }
  }
}

TEST(IconFile, FilesWithoutIconsCountNone) {
  const std::string text = "Not an icon file at all.\n";
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"text", Bytes(text.begin(), text.end())},
      {"a .NIL-style library", Bytes{'N', 'I', 'L', 0, 1, 0, 0, 0, 0, 0}},
      {"NE program without resources", testing::MakeNe({})},
      {"NE library of strings only", testing::MakeNe({{6, 1, "", Bytes(8, 'a')}})},
      {"PE without an icon group", testing::MakePe({{3, 1, "", SolidDib(32, 32, 32, 1)}})},
      {"ICO header of no images", Bytes{0, 0, 1, 0, 0, 0}},
      {"MZ only", Bytes{'M', 'Z'}},
  };
  for (const auto& c : cases) EXPECT_EQ(FromBytes(c.bytes).Count(), 0) << c.what;
  EXPECT_EQ(IconFile::Open("/nonexistent/file.icl"), nullptr);
}

// Hostile files: cut at every length, or with offsets and counts beyond the end. Nothing may crash,
// hang or allocate without bound (the sanitizers watch), and cut files never grow icons.
TEST(IconFile, CutFilesNeverCrashAndNeverGainIcons) {
  const Bytes files[] = {
      testing::MakeNe(ThreeGroups(), 4),
      testing::MakePe(ThreeGroups(), false),
      testing::MakeIco({{32, 32, 32, SolidDib(32, 32, 32, 1)}, {16, 16, 4, SolidDib(16, 16, 4, 2)}}),
  };
  for (const Bytes& full : files) {
    const int full_count = FromBytes(full).Count();
    for (size_t len = 0; len < full.size(); len += 7) {
      IconFile f = FromBytes(Bytes(full.begin(), full.begin() + static_cast<long>(len)));
      ASSERT_LE(f.Count(), full_count);
      for (int i = 0; i < f.Count(); ++i) {
        IconImage img;
        if (f.Extract(i, nullptr, &img).IsOk()) {
          ASSERT_FALSE(img.empty());
        }
      }
    }
  }
}

TEST(IconFile, HugeSizesAndOffsetsAreRefused) {
  const Bytes ne = testing::MakeNe(ThreeGroups(), 4);
  const Bytes pe = testing::MakePe(ThreeGroups(), false);
  const Bytes ico = testing::MakeIco({{32, 32, 32, SolidDib(32, 32, 32, 1)}});
  struct Case {
    const char* what;
    Bytes bytes;
    std::function<void(Bytes*)> damage;
    int firstExtracts;  // 1 yes, 0 no, -1 either (the directory is read as garbage)
  } cases[] = {
      {"ICO image of 2^31 bytes", ico, [](Bytes* b) { testing::Set32(b, 6 + 8, 0x80000000u); }, 0},
      {"ICO image beyond the end", ico, [](Bytes* b) { testing::Set32(b, 6 + 12, 0xFFFFFFF0u); }, 0},
      {"ICO of 65535 images", ico, [](Bytes* b) { testing::Set16(b, 4, 0xFFFF); }, 1},
      {"NE header beyond the end", ne, [](Bytes* b) { testing::Set32(b, 0x3C, 0x7FFFFFFFu); }, 0},
      {"NE shift of 31", ne, [](Bytes* b) { testing::Set16(b, 0x80, 31); }, 0},
      {"NE shift of 65535", ne, [](Bytes* b) { testing::Set16(b, 0x80, 0xFFFF); }, 0},
      {"NE type with 65535 resources", ne, [](Bytes* b) { testing::Set16(b, 0x84, 0xFFFF); }, -1},
      {"PE with 65535 sections", pe, [](Bytes* b) { testing::Set16(b, 0x46, 0xFFFF); }, 0},
      {"PE resource directory of 2^31", pe,
       [](Bytes* b) { testing::Set32(b, 0x40 + 24 + 96 + 16, 0x80000000u); }, 0},
  };
  for (const auto& c : cases) {
    Bytes b = c.bytes;
    c.damage(&b);
    IconFile f = FromBytes(b);
    IconImage img;
    const bool extracted = f.Extract(0, nullptr, &img).IsOk();
    if (c.firstExtracts >= 0) {
      EXPECT_EQ(extracted, c.firstExtracts == 1) << c.what;
    }
    for (int i = 1; i < std::min(f.Count(), 4); ++i) f.Extract(i, nullptr, &img);
  }
}

TEST(PeFile, AResourceDirectoryThatPointsAtItselfEnds) {
  Bytes pe = testing::MakePe(ThreeGroups(), true);
  // Point every subdirectory offset of the root back at the root.
  const size_t root = 0x200;
  const size_t n = static_cast<size_t>(pe[root + 12]) + pe[root + 14];
  ASSERT_EQ(n, 3u);  // icon, group icon, string table
  for (size_t i = 0; i < n; ++i) testing::Set32(&pe, root + 16 + 8 * i + 4, 0x80000000u);
  // The root now reads as its own list of groups, none of which leads to data.
  IconFile f = FromBytes(pe);
  EXPECT_LE(f.Count(), 3);
  for (int i = 0; i < f.Count(); ++i) {
    IconImage img;
    EXPECT_FALSE(f.Extract(i, nullptr, &img).IsOk());
  }
}

using PeDirectoryEntries = std::vector<std::pair<uint32_t, uint32_t>>;  // (name, target)

// A PE32 file whose one section (RVA 0x1000, at 0x200 in the file) holds resource directories one
// after the other, the root first; a subdirectory is named by its index in `directories`.
Bytes PeWithDirectories(const std::vector<PeDirectoryEntries>& directories) {
  const size_t root = 0x200, optional_at = 0x40 + 24, optional_size = 224;
  std::vector<uint32_t> rel;
  size_t size = 0;
  for (const auto& d : directories) {
    rel.push_back(static_cast<uint32_t>(size));
    size += 16 + 8 * d.size();
  }
  Bytes b(root + size, 0);
  b[0] = 'M';
  b[1] = 'Z';
  testing::Set32(&b, 0x3C, 0x40);
  b[0x40] = 'P';
  b[0x41] = 'E';
  testing::Set16(&b, 0x40 + 6, 1);  // one section
  testing::Set16(&b, 0x40 + 20, optional_size);
  testing::Set16(&b, optional_at, 0x10B);         // PE32
  testing::Set32(&b, optional_at + 92, 16);       // data directories
  testing::Set32(&b, optional_at + 112, 0x1000);  // the resource directory's RVA
  const size_t section = optional_at + optional_size;
  testing::Set32(&b, section + 12, 0x1000);
  testing::Set32(&b, section + 16, static_cast<uint32_t>(size));
  testing::Set32(&b, section + 20, root);
  for (size_t k = 0; k < directories.size(); ++k) {
    const size_t at = root + rel[k];
    testing::Set16(&b, at + 14, static_cast<uint16_t>(directories[k].size()));
    for (size_t i = 0; i < directories[k].size(); ++i) {
      const auto [name, target] = directories[k][i];
      testing::Set32(&b, at + 16 + 8 * i, name);
      testing::Set32(&b, at + 16 + 8 * i + 4, 0x80000000u | rel[target]);
    }
  }
  return b;
}

// Directories that point back at themselves used to be walked once per path to them: a root of
// N entries gave N^2 icons for N^3 work. Each directory is now read once and the count stays
// within what the file's size can hold.
TEST(PeFile, SelfReferencingDirectoriesAreWalkedOnce) {
  constexpr uint32_t kGroupIcon = 14;
  const auto many = [](uint32_t name, uint32_t target) { return PeDirectoryEntries(2000, {name, target}); };
  struct Case {
    const char* what;
    std::vector<PeDirectoryEntries> directories;
  } cases[] = {
      {"every type is the root", {many(kGroupIcon, 0)}},
      {"every item is its own languages", {{{kGroupIcon, 1}}, many(1, 1)}},
      {"every type holds the same items", {many(kGroupIcon, 1), many(1, 2), {{0, 1}}}},
  };
  for (const Case& c : cases) {
    const Bytes pe = PeWithDirectories(c.directories);
    const auto start = std::chrono::steady_clock::now();
    IconFile f = FromBytes(pe);
    IconImage img;
    for (int i = 0; i < std::min(f.Count(), 64); ++i) f.Extract(i, nullptr, &img);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.what;
    EXPECT_LE(f.Count(), 2000) << c.what;
  }
}

}  // namespace
}  // namespace inkwend::icons
