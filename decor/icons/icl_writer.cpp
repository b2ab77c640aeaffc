#include "decor/icons/icl_writer.h"

#include <algorithm>
#include <cctype>

namespace inkwend::icons {
namespace {

constexpr uint16_t kRtIcon = 0x8003;
constexpr uint16_t kRtGroupIcon = 0x800E;
constexpr int kSides[] = {32, 16};

void Put16(std::vector<uint8_t>* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set16(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Set32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  Set16(b, at, v & 0xFFFF);
  Set16(b, at + 2, v >> 16);
}

IconImage Squared(const IconImage& src) {
  const int side = std::max(src.width, src.height);
  if (src.width == src.height) return src;
  IconImage out{side, side, std::vector<uint32_t>(static_cast<size_t>(side) * side, 0)};
  const int dx = (side - src.width) / 2, dy = (side - src.height) / 2;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) out.argb[static_cast<size_t>(y + dy) * side + x + dx] = src.At(x, y);
  return out;
}

// A 32-bit icon DIB: header, bottom-up BGRA rows, then the AND mask (set where fully transparent).
std::vector<uint8_t> Dib(const IconImage& img) {
  std::vector<uint8_t> b;
  const int w = img.width, h = img.height;
  Put32(&b, 40);
  Put32(&b, static_cast<uint32_t>(w));
  Put32(&b, static_cast<uint32_t>(h * 2));
  Put16(&b, 1);
  Put16(&b, 32);
  const size_t mask_stride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  Put32(&b, 0);
  Put32(&b, static_cast<uint32_t>(4 * static_cast<size_t>(w) * h + mask_stride * h));
  for (int i = 0; i < 4; ++i) Put32(&b, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) Put32(&b, img.At(x, y));
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(mask_stride, 0);
    for (int x = 0; x < w; ++x)
      if ((img.At(x, y) >> 24) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::string ModuleName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) && out.size() < 8)
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out.empty() ? "ICONS" : out;
}

}  // namespace

Status BuildIcl(const std::vector<IconImage>& pictures, const std::string& module_name,
                std::vector<uint8_t>* out) {
  out->clear();
  if (pictures.empty()) return Status::Error("an icon library needs at least one picture");
  if (pictures.size() > static_cast<size_t>(kMaxIclIcons))
    return Status::Error("an icon library holds at most " + std::to_string(kMaxIclIcons) + " icons");

  // The images of every picture, in order (ids 1, 2, ...).
  std::vector<std::vector<uint8_t>> images;
  for (size_t p = 0; p < pictures.size(); ++p) {
    if (pictures[p].empty()) return Status::Error("picture " + std::to_string(p + 1) + " is empty");
    const IconImage square = Squared(pictures[p]);
    for (int side : kSides) images.push_back(Dib(ScaleToFit(square, side)));
  }
  // Alignment: the smallest shift that lets 16-bit offsets reach the end of the file.
  uint64_t total = 1024 + 64 * pictures.size();
  for (const auto& r : images) total += r.size() + 64;
  unsigned shift = 4;
  while ((total >> shift) > 0xFFFF) ++shift;
  const size_t align = size_t{1} << shift;
  // Images are padded to the alignment, so that the byte count in the group equals the resource's
  // length in the table (readers compare the two).
  for (auto& image : images) image.resize((image.size() + align - 1) / align * align, 0);
  std::vector<std::vector<uint8_t>> groups;  // one per picture (ids 1, 2, ...)
  for (size_t p = 0; p < pictures.size(); ++p) {
    std::vector<uint8_t> group;
    Put16(&group, 0);
    Put16(&group, 1);
    Put16(&group, std::size(kSides));
    for (size_t k = 0; k < std::size(kSides); ++k) {
      const size_t id = p * std::size(kSides) + k + 1;
      group.push_back(static_cast<uint8_t>(kSides[k]));
      group.push_back(static_cast<uint8_t>(kSides[k]));
      group.push_back(0);
      group.push_back(0);
      Put16(&group, 1);
      Put16(&group, 32);
      Put32(&group, static_cast<uint32_t>(images[id - 1].size()));
      Put16(&group, static_cast<uint32_t>(id));
    }
    groups.push_back(std::move(group));
  }

  std::vector<uint8_t>& b = *out;
  // DOS header: nothing but the pointer to the NE header.
  b.assign(64, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Set16(&b, 0x02, 64);    // bytes on the last page
  Set16(&b, 0x04, 1);     // pages
  Set16(&b, 0x08, 4);     // header paragraphs
  Set16(&b, 0x18, 0x40);  // relocation table offset: a "new" executable follows
  Set32(&b, 0x3C, 64);
  const size_t ne = b.size();
  b.resize(ne + 64, 0);
  b[ne] = 'N';
  b[ne + 1] = 'E';
  b[ne + 2] = 5;                 // linker version
  Set16(&b, ne + 0x0C, 0x8000);  // a library module
  b[ne + 0x36] = 2;              // Windows
  Set16(&b, ne + 0x3E, 0x030A);  // Windows 3.10

  const size_t table = b.size();
  Set16(&b, ne + 0x22, static_cast<uint32_t>(table - ne));  // no segments
  Set16(&b, ne + 0x24, static_cast<uint32_t>(table - ne));
  Put16(&b, shift);
  std::vector<size_t> image_slots, group_slots;
  auto type_block = [&](uint16_t type, size_t count, std::vector<size_t>* slots_value) {
    Put16(&b, type);
    Put16(&b, static_cast<uint32_t>(count));
    Put32(&b, 0);
    for (size_t i = 0; i < count; ++i) {
      slots_value->push_back(b.size());
      b.resize(b.size() + 12, 0);
      Set16(&b, slots_value->back() + 4, 0x1C30);  // moveable, pure, discardable
      Set16(&b, slots_value->back() + 6, static_cast<uint32_t>(0x8000 | (i + 1)));
    }
  };
  type_block(kRtGroupIcon, groups.size(), &group_slots);
  type_block(kRtIcon, images.size(), &image_slots);
  Put16(&b, 0);
  b.push_back(0);  // no resource names

  Set16(&b, ne + 0x26, static_cast<uint32_t>(b.size() - ne));  // resident names: the module name
  const std::string module = ModuleName(module_name);
  b.push_back(static_cast<uint8_t>(module.size()));
  b.insert(b.end(), module.begin(), module.end());
  Put16(&b, 0);
  b.push_back(0);
  Set16(&b, ne + 0x28, static_cast<uint32_t>(b.size() - ne));  // no module references
  Set16(&b, ne + 0x2A, static_cast<uint32_t>(b.size() - ne));  // imported names: empty
  b.push_back(0);
  Set16(&b, ne + 0x04, static_cast<uint32_t>(b.size() - ne));  // entry table: no bundles
  Set16(&b, ne + 0x06, 2);
  Put16(&b, 0);
  const std::string description = "Inkwend icon library";
  Set32(&b, ne + 0x2C, static_cast<uint32_t>(b.size()));  // non-resident names (file offset)
  b.push_back(static_cast<uint8_t>(description.size()));
  b.insert(b.end(), description.begin(), description.end());
  Put16(&b, 0);
  b.push_back(0);
  Set16(&b, ne + 0x20, static_cast<uint32_t>(description.size() + 4));
  Set16(&b, ne + 0x32, shift);

  auto place = [&](const std::vector<uint8_t>& data, size_t slot) {
    while (b.size() % align) b.push_back(0);
    Set16(&b, slot, static_cast<uint32_t>(b.size() >> shift));
    Set16(&b, slot + 2, static_cast<uint32_t>((data.size() + align - 1) >> shift));
    b.insert(b.end(), data.begin(), data.end());
  };
  for (size_t i = 0; i < groups.size(); ++i) place(groups[i], group_slots[i]);
  for (size_t i = 0; i < images.size(); ++i) place(images[i], image_slots[i]);
  while (b.size() % align) b.push_back(0);
  return Status::Ok();
}

}  // namespace inkwend::icons
