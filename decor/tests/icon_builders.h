#pragma once
// Byte builders for icon fixtures: DIB images, .ICO files, NE and PE resource files. Tests make
// every file they read, so each one shows exactly the structure it is about.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace inkwend::icons::testing {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes* b, uint16_t v);
void Put32(Bytes* b, uint32_t v);
void Set16(Bytes* b, size_t at, uint16_t v);
void Set32(Bytes* b, size_t at, uint32_t v);

struct DibPlan {
  int width = 32;
  int height = 32;
  int bpp = 32;
  std::vector<uint32_t> palette;            // RGB entries, for bpp <= 8
  std::function<uint32_t(int, int)> pixel;  // palette index (bpp <= 8) or ARGB value
  std::function<bool(int, int)> masked;     // AND-mask bit; null: nothing masked
};
Bytes MakeDib(const DibPlan& plan);
// A solid opaque image in the given depth (palette of one colour for paletted depths).
Bytes SolidDib(int width, int height, int bpp, uint32_t rgb);

// A PNG-looking stream: signature and IHDR chunk with the given size, then `fill` as a payload the
// tests' fake decoder paints with.
Bytes FakePng(int width, int height, uint32_t fill);

struct IcoImage {
  int width, height, bpp;  // as written into the directory (0 stands for 256)
  Bytes data;
};
Bytes MakeIco(const std::vector<IcoImage>& images);

// GRPICONDIR: one 14-byte entry per image, referring to RT_ICON resources by id.
struct GroupEntry {
  int width, height, bpp;
  uint16_t iconId;
  uint32_t bytes = 0;
};
Bytes MakeGroup(const std::vector<GroupEntry>& entries);

struct Resource {
  uint16_t type;     // 3 RT_ICON, 14 RT_GROUP_ICON, anything else
  uint16_t id = 0;   // used when name is empty
  std::string name;  // a named resource
  Bytes data;
};
// A 16-bit NE file whose resource table holds `resources` (in that order) with alignment `shift`.
// With no resources the file has no resource table at all.
Bytes MakeNe(const std::vector<Resource>& resources, unsigned shift = 4);
// A PE32 (or PE32+) file with one .rsrc section holding `resources` in a sorted resource tree.
Bytes MakePe(const std::vector<Resource>& resources, bool pe32_plus = false);

}  // namespace inkwend::icons::testing
