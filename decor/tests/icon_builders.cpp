#include "decor/tests/icon_builders.h"

#include <algorithm>
#include <map>

namespace inkwend::icons::testing {

void Put16(Bytes* b, uint16_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}
void Set16(Bytes* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Set32(Bytes* b, size_t at, uint32_t v) {
  Set16(b, at, static_cast<uint16_t>(v));
  Set16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

static void PadTo(Bytes* b, size_t align) {
  while (b->size() % align) b->push_back(0);
}

// Stores pixel `x` of a row in the layout of `bpp` bits per pixel (palette index or colour).
static void PutPixel(Bytes* row, int bpp, size_t x, uint32_t v) {
  switch (bpp) {
    case 1:
      (*row)[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
      break;
    case 4:
      (*row)[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
      break;
    case 8:
      (*row)[x] = static_cast<uint8_t>(v);
      break;
    case 24:
      (*row)[3 * x] = v & 0xFF;
      (*row)[3 * x + 1] = (v >> 8) & 0xFF;
      (*row)[3 * x + 2] = (v >> 16) & 0xFF;
      break;
    case 32:
      for (size_t k = 0; k < 4; ++k) (*row)[4 * x + k] = (v >> (8 * k)) & 0xFF;
      break;
    default:
      break;
  }
}

Bytes MakeDib(const DibPlan& s) {
  Bytes b;
  Put32(&b, 40);
  Put32(&b, static_cast<uint32_t>(s.width));
  Put32(&b, static_cast<uint32_t>(s.height * 2));
  Put16(&b, 1);
  Put16(&b, static_cast<uint16_t>(s.bpp));
  for (int i = 0; i < 6; ++i) Put32(&b, i == 4 ? static_cast<uint32_t>(s.palette.size()) : 0);
  for (uint32_t c : s.palette) Put32(&b, c & 0xFFFFFF);
  const size_t stride = ((static_cast<size_t>(s.width) * s.bpp + 31) / 32) * 4;
  for (int y = s.height - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < s.width; ++x) {
      const uint32_t v = s.pixel ? s.pixel(x, y) : 0;
      PutPixel(&row, s.bpp, static_cast<size_t>(x), v);
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  const size_t mstride = ((static_cast<size_t>(s.width) + 31) / 32) * 4;
  for (int y = s.height - 1; y >= 0; --y) {
    Bytes row(mstride, 0);
    for (int x = 0; x < s.width; ++x)
      if (s.masked && s.masked(x, y)) row[x / 8] |= static_cast<uint8_t>(1 << (7 - x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes SolidDib(int width, int height, int bpp, uint32_t rgb) {
  DibPlan s{width, height, bpp, {}, nullptr, nullptr};
  if (bpp <= 8) {
    s.palette = {rgb};
    s.pixel = [](int, int) { return 0u; };
  } else {
    s.pixel = [rgb](int, int) { return 0xFF000000u | rgb; };
  }
  return MakeDib(s);
}

Bytes FakePng(int width, int height, uint32_t fill) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  auto be32 = [&b](uint32_t v) {
    for (int k = 3; k >= 0; --k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  be32(static_cast<uint32_t>(width));
  be32(static_cast<uint32_t>(height));
  b.push_back(8);
  b.push_back(6);
  b.insert(b.end(), {0, 0, 0, 0, 0, 0, 0});
  be32(fill);
  return b;
}

Bytes MakeIco(const std::vector<IcoImage>& images) {
  Bytes b;
  Put16(&b, 0);
  Put16(&b, 1);
  Put16(&b, static_cast<uint16_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const auto& im : images) {
    b.push_back(static_cast<uint8_t>(im.width));
    b.push_back(static_cast<uint8_t>(im.height));
    b.push_back(0);
    b.push_back(0);
    Put16(&b, 1);
    Put16(&b, static_cast<uint16_t>(im.bpp));
    Put32(&b, static_cast<uint32_t>(im.data.size()));
    Put32(&b, offset);
    offset += static_cast<uint32_t>(im.data.size());
  }
  for (const auto& im : images) b.insert(b.end(), im.data.begin(), im.data.end());
  return b;
}

Bytes MakeGroup(const std::vector<GroupEntry>& entries) {
  Bytes b;
  Put16(&b, 0);
  Put16(&b, 1);
  Put16(&b, static_cast<uint16_t>(entries.size()));
  for (const auto& e : entries) {
    b.push_back(static_cast<uint8_t>(e.width));
    b.push_back(static_cast<uint8_t>(e.height));
    b.push_back(0);
    b.push_back(0);
    Put16(&b, 1);
    Put16(&b, static_cast<uint16_t>(e.bpp));
    Put32(&b, e.bytes);
    Put16(&b, e.iconId);
  }
  return b;
}

static Bytes MzStub() {
  Bytes b(64, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Set32(&b, 0x3C, 64);
  return b;
}

Bytes MakeNe(const std::vector<Resource>& resources, unsigned shift) {
  Bytes b = MzStub();
  const size_t ne = b.size();
  b.resize(ne + 64, 0);
  b[ne] = 'N';
  b[ne + 1] = 'E';
  b[ne + 0x36] = 2;  // Windows
  const size_t table = b.size();
  Set16(&b, ne + 0x24, static_cast<uint16_t>(table - ne));
  if (resources.empty()) {
    Set16(&b, ne + 0x26, static_cast<uint16_t>(table - ne));
  } else {
    // Type blocks in order of first appearance.
    std::vector<uint16_t> types;
    for (const auto& r : resources)
      if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
    Put16(&b, static_cast<uint16_t>(shift));
    std::vector<std::pair<size_t, const Resource*>> slots_value;  // entry position, resource
    for (uint16_t t : types) {
      Put16(&b, static_cast<uint16_t>(0x8000 | t));
      const size_t count_at = b.size();
      Put16(&b, 0);
      Put32(&b, 0);
      uint16_t n = 0;
      for (const auto& r : resources) {
        if (r.type != t) continue;
        slots_value.emplace_back(b.size(), &r);
        b.resize(b.size() + 12, 0);
        ++n;
      }
      Set16(&b, count_at, n);
    }
    Put16(&b, 0);
    for (auto& [at, r] : slots_value) {
      if (r->name.empty()) {
        Set16(&b, at + 6, static_cast<uint16_t>(0x8000 | r->id));
      } else {
        Set16(&b, at + 6, static_cast<uint16_t>(b.size() - table));
        b.push_back(static_cast<uint8_t>(r->name.size()));
        b.insert(b.end(), r->name.begin(), r->name.end());
      }
    }
    b.push_back(0);
    Set16(&b, ne + 0x26, static_cast<uint16_t>(b.size() - table + (table - ne)));
    b.insert(b.end(), {5, 'I', 'C', 'O', 'N', 'S', 0, 0, 0});
    const size_t align = size_t{1} << shift;
    for (auto& [at, r] : slots_value) {
      PadTo(&b, align);
      Set16(&b, at, static_cast<uint16_t>(b.size() >> shift));
      Set16(&b, at + 2, static_cast<uint16_t>((r->data.size() + align - 1) >> shift));
      b.insert(b.end(), r->data.begin(), r->data.end());
    }
    PadTo(&b, align);
  }
  return b;
}

using ResourceTypes = std::map<uint16_t, std::vector<const Resource*>>;

// The tree, sorted the way linkers write it: types by id; in each, named entries by name, then ids.
static ResourceTypes ResourcesByType(const std::vector<Resource>& resources) {
  std::map<uint16_t, std::vector<const Resource*>> by_type;
  for (const auto& r : resources) by_type[r.type].push_back(&r);
  for (auto& [t, list] : by_type)
    std::stable_sort(list.begin(), list.end(), [](const Resource* a, const Resource* c) {
      if (a->name.empty() != c->name.empty()) return !a->name.empty();
      return a->name.empty() ? a->id < c->id : a->name < c->name;
    });
  return by_type;
}

// The resource section of a PE file whose section starts at the relative address `va`: the
// directory tree (type, item, language), the data entries, the names, then the data.
static Bytes ResourceSection(const ResourceTypes& by_type, uint32_t va) {
  Bytes r;
  auto dir_header = [&r](size_t named, size_t ids) {
    r.resize(r.size() + 12, 0);
    Put16(&r, static_cast<uint16_t>(named));
    Put16(&r, static_cast<uint16_t>(ids));
  };
  dir_header(0, by_type.size());
  std::vector<size_t> type_slots;
  for (auto& [t, list] : by_type) {
    type_slots.push_back(r.size());
    Put32(&r, t);
    Put32(&r, 0);
  }
  struct Pending {
    size_t nameSlot;
    const Resource* res;
    size_t dataSlot;
  };
  std::vector<Pending> pending;
  size_t ti = 0;
  for (auto& [t, list] : by_type) {
    Set32(&r, type_slots[ti++] + 4, 0x80000000u | static_cast<uint32_t>(r.size()));
    size_t named = 0;
    for (auto* x : list) named += x->name.empty() ? 0 : 1;
    dir_header(named, list.size() - named);
    std::vector<size_t> item_slots;
    for (auto* x : list) {
      item_slots.push_back(r.size());
      Put32(&r, x->name.empty() ? x->id : 0);
      Put32(&r, 0);
    }
    for (size_t i = 0; i < list.size(); ++i) {
      Set32(&r, item_slots[i] + 4, 0x80000000u | static_cast<uint32_t>(r.size()));
      dir_header(0, 1);
      Put32(&r, 0x409);
      pending.push_back(Pending{item_slots[i], list[i], r.size()});
      Put32(&r, 0);
    }
  }
  for (auto& p : pending) {
    Set32(&r, p.dataSlot, static_cast<uint32_t>(r.size()));
    const size_t entry = r.size();
    r.resize(r.size() + 16, 0);
    p.dataSlot = entry;
  }
  for (auto& p : pending) {
    if (!p.res->name.empty()) {
      Set32(&r, p.nameSlot, 0x80000000u | static_cast<uint32_t>(r.size()));
      Put16(&r, static_cast<uint16_t>(p.res->name.size()));
      for (char c : p.res->name) Put16(&r, static_cast<uint8_t>(c));
    }
  }
  for (auto& p : pending) {
    PadTo(&r, 8);
    Set32(&r, p.dataSlot, va + static_cast<uint32_t>(r.size()));
    Set32(&r, p.dataSlot + 4, static_cast<uint32_t>(p.res->data.size()));
    r.insert(r.end(), p.res->data.begin(), p.res->data.end());
  }
  return r;
}

Bytes MakePe(const std::vector<Resource>& resources, bool pe32_plus) {
  Bytes b = MzStub();
  b.insert(b.end(), {'P', 'E', 0, 0});
  const size_t coff = b.size();
  b.resize(coff + 20, 0);
  Set16(&b, coff, pe32_plus ? 0x8664 : 0x14C);
  Set16(&b, coff + 2, 1);
  const uint16_t optional_size = pe32_plus ? 240 : 224;
  Set16(&b, coff + 16, optional_size);
  const size_t opt = b.size();
  b.resize(opt + optional_size, 0);
  Set16(&b, opt, pe32_plus ? 0x20B : 0x10B);
  const size_t dirs = opt + (pe32_plus ? 112 : 96);
  Set32(&b, opt + (pe32_plus ? 108 : 92), 16);
  const size_t section = b.size();
  b.resize(section + 40, 0);
  std::copy_n(".rsrc", 5, b.begin() + static_cast<long>(section));
  PadTo(&b, 0x200);
  const size_t raw = b.size();
  const uint32_t va = 0x1000;

  Bytes r = ResourceSection(ResourcesByType(resources), va);
  PadTo(&r, 0x200);
  b.insert(b.end(), r.begin(), r.end());
  Set32(&b, dirs + 16, va);
  Set32(&b, dirs + 20, static_cast<uint32_t>(r.size()));
  Set32(&b, section + 8, static_cast<uint32_t>(r.size()));
  Set32(&b, section + 12, va);
  Set32(&b, section + 16, static_cast<uint32_t>(r.size()));
  Set32(&b, section + 20, static_cast<uint32_t>(raw));
  return b;
}

}  // namespace inkwend::icons::testing
