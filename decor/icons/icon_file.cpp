#include "decor/icons/icon_file.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "base/byte_reader.h"
#include "decor/icons/image_decoder.h"

namespace inkwend::icons {
namespace {

constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtGroupIcon = 14;
// Enough of an image to read a DIB header of any known length or a PNG's IHDR chunk.
constexpr size_t kHeaderPeek = 256;
// NE resource tables are addressed with 16-bit offsets from the NE header, so they are shorter.
constexpr size_t kMaxNeTable = 0x10000;
// Far above any image of kMaxImageSide pixels a side (a 1024 x 1024 32-bit DIB is about 4 MiB);
// resource lengths beyond it are padding or damage and are not read.
constexpr uint64_t kMaxImageBytes = 16u << 20;

// Entry of a group directory: the directory fields plus where the image is.
struct DirEntry {
  int width = 0, height = 0, bpp = 0;
  uint32_t idOrOffset = 0;
  uint32_t size = 0;
};

// Parses an icon directory (ICONDIR in .ICO files, GRPICONDIR in resources). Entries are 16 bytes
// with a file offset in .ICO files and 14 bytes with a resource id in resources. Stops quietly at
// the end of the data, so a cut directory yields the entries it still holds.
std::vector<DirEntry> ParseDirectory(const std::vector<uint8_t>& d, bool ico) {
  std::vector<DirEntry> out;
  const ByteReader r(d.data(), d.size());
  if (d.size() < 6 || r.U16At(0) != 0 || r.U16At(2) != 1) return out;
  const size_t count = r.U16At(4);
  const size_t entry = ico ? 16 : 14;
  for (size_t i = 0; i < count && 6 + (i + 1) * entry <= d.size(); ++i) {
    const ByteReader e = r.Slice(6 + i * entry, entry);
    DirEntry de;
    de.width = e.U8At(0) == 0 ? 256 : e.U8At(0);
    de.height = e.U8At(1) == 0 ? 256 : e.U8At(1);
    de.bpp = e.U16At(6);
    de.size = e.U32At(8);
    de.idOrOffset = ico ? e.U32At(12) : e.U16At(12);
    out.push_back(de);
  }
  return out;
}

// Orders images by how well they serve as a large icon: the exact size first; then images that only
// need shrinking, the smallest of them first; then smaller ones, the largest first (enlarging looks
// worst); at equal size the most colours.
bool BetterFit(const ImageInfo& a, const ImageInfo& b) {
  const bool a_exact = a.width == kLargeIconSize && a.height == kLargeIconSize;
  const bool b_exact = b.width == kLargeIconSize && b.height == kLargeIconSize;
  if (a_exact != b_exact) return a_exact;
  if (!a_exact) {
    const int a_side = std::max(a.width, a.height), b_side = std::max(b.width, b.height);
    const bool a_big = a_side >= kLargeIconSize, b_big = b_side >= kLargeIconSize;
    if (a_big != b_big) return a_big;
    if (a_side != b_side) return a_big ? a_side < b_side : a_side > b_side;
  }
  return a.bitsPerPixel > b.bitsPerPixel;
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A length-prefixed name at `at` inside an NE resource table, in capitals.
std::string NeResourceName(const std::vector<uint8_t>& t, size_t at) {
  if (at >= t.size()) return std::string();
  const size_t len = std::min<size_t>(t[at], t.size() - at - 1);
  return UpperAscii(std::string(reinterpret_cast<const char*>(t.data() + at + 1), len));
}

}  // namespace

IconFile::IconFile(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {
  uint8_t magic[4];
  if (!source_ || !source_->ReadAt(0, 4, magic)) return;
  if (magic[0] == 0 && magic[1] == 0 && magic[2] == 1 && magic[3] == 0) {
    ParseIco();
  } else if (magic[0] == 'M' && magic[1] == 'Z') {
    ParseExecutable();
  }
  std::sort(iconResources_.begin(), iconResources_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::unique_ptr<IconFile> IconFile::Open(const std::string& path, Status* why) {
  Result<std::unique_ptr<ByteSource>> source = OpenFileSource(path);
  if (!source.IsOk()) {
    if (why) *why = source.GetStatus();
    return nullptr;
  }
  return std::make_unique<IconFile>(source.TakeValue());
}

void IconFile::ParseIco() {
  uint8_t head[6];
  if (!source_->ReadAt(0, 6, head)) return;
  const uint16_t count = ByteReader(head, sizeof head).U16At(4);
  if (count == 0) return;
  // One .ICO file is one icon, however many images it holds.
  kind_ = IconFileKind::Ico;
  groups_.push_back(Group{Location{0, std::min<uint64_t>(source_->Size(), 6 + 16ull * count)}, true});
}

void IconFile::ParseExecutable() {
  uint8_t mz[64];
  if (!source_->ReadAt(0, sizeof(mz), mz)) return;
  const uint64_t header = ByteReader(mz, sizeof mz).U32At(0x3C);
  uint8_t sig[4];
  if (!source_->ReadAt(header, 4, sig)) return;
  if (sig[0] == 'N' && sig[1] == 'E') {
    ParseNe(header);
  } else if (sig[0] == 'P' && sig[1] == 'E' && sig[2] == 0 && sig[3] == 0) {
    ParsePe(header);
  }
}

// NE: the resource table starts with an alignment shift; then type blocks (type id, count, four
// reserved bytes, `count` 12-byte resource entries) until a zero type id. Offsets and lengths of
// resources are stored in units of 1 << shift bytes.
void IconFile::ParseNe(uint64_t header) {
  uint8_t ne[64];
  if (!source_->ReadAt(header, sizeof(ne), ne)) return;
  kind_ = IconFileKind::Ne;
  const ByteReader ne_header(ne, sizeof ne);
  const uint16_t table_rel = ne_header.U16At(0x24);
  const uint16_t resident_names_rel = ne_header.U16At(0x26);
  if (table_rel == resident_names_rel) return;  // no resource table
  const uint64_t table_at = header + table_rel;
  if (table_at >= source_->Size()) return;
  std::vector<uint8_t> t;
  source_->ReadVector(table_at,
                      static_cast<size_t>(std::min<uint64_t>(kMaxNeTable, source_->Size() - table_at)), &t);
  if (t.size() < 2) return;
  const ByteReader table(t.data(), t.size());
  const unsigned shift = table.U16At(0);
  if (shift > 31) return;

  struct NamedGroup {
    bool named;
    std::string name;
    uint32_t id;
    Location where;
  };
  std::vector<NamedGroup> groups;
  size_t pos = 2;
  while (pos + 8 <= t.size()) {
    const uint16_t type = table.U16At(pos);
    if (type == 0) break;
    const size_t count = table.U16At(pos + 2);
    pos += 8;
    // Each block moves forward through a table of bounded length, so a damaged count cannot loop.
    for (size_t i = 0; i < count && pos + 12 <= t.size(); ++i, pos += 12) {
      const ByteReader e = table.Slice(pos, 12);
      const Location where{static_cast<uint64_t>(e.U16At(0)) << shift, static_cast<uint64_t>(e.U16At(2))
                                                                           << shift};
      const uint16_t id = e.U16At(6);
      if (type == (0x8000 | kRtIcon) && (id & 0x8000)) {
        iconResources_.emplace_back(id & 0x7FFF, where);
      } else if (type == (0x8000 | kRtGroupIcon)) {
        const bool named = (id & 0x8000) == 0;
        groups.push_back(NamedGroup{named, named ? NeResourceName(t, id) : std::string(),
                                    static_cast<uint32_t>(id & 0x7FFF), where});
      }
    }
  }
  // The same order as a PE resource directory: named groups by name, then numbered ones ascending.
  std::stable_sort(groups.begin(), groups.end(), [](const NamedGroup& a, const NamedGroup& b) {
    if (a.named != b.named) return a.named;
    return a.named ? a.name < b.name : a.id < b.id;
  });
  for (const auto& g : groups) groups_.push_back(Group{g.where, false});
}

// The resource directory of a PE file: RVAs are mapped to file offsets through the section table
// (`table`, 40 bytes per section), every read checked against the file.
class IconFile::PeDirectory {
 public:
  struct Entry {
    uint32_t name;  // an id, or with the high bit an offset to a name
    uint32_t target;
  };

  // Each directory entry takes 8 bytes of the file, so a file holds fewer entries than it has
  // 8-byte pieces: no more than that are read in all, however the directories point at each other.
  PeDirectory(const ByteSource& source, const std::vector<uint8_t>& table, size_t sections, uint32_t root_rva)
      : source_(source),
        table_(table),
        sections_(sections),
        rootRva_(root_rva),
        entriesLeft_(source.Size() / 8) {}

  // The file range of `size` bytes at `rva`, when one section holds all of it.
  bool ToOffset(uint64_t rva, uint64_t size, Location* out) const {
    for (size_t i = 0; i < sections_; ++i) {
      const ByteReader s = ByteReader(table_.data(), table_.size()).Slice(40 * i, 40);
      const uint64_t va = s.U32At(12), raw_size = s.U32At(16), raw_at = s.U32At(20);
      if (rva >= va && rva - va < raw_size) {
        if (size > raw_size - (rva - va)) return false;
        *out = Location{raw_at + (rva - va), size};
        return source_.Holds(out->offset, out->size);
      }
    }
    return false;
  }

  // The entries of the directory at `rel` from the root; none when it cannot be read, when it was
  // read before (a directory that points back at itself or at another one is walked once), or
  // when the file's entries are used up.
  void Read(uint32_t rel, std::vector<Entry>* out) {
    out->clear();
    if (!read_.insert(rel).second) return;
    Location at;
    if (!ToOffset(static_cast<uint64_t>(rootRva_) + rel, 16, &at)) return;
    uint8_t head[16];
    if (!source_.ReadAt(at.offset, 16, head)) return;
    const ByteReader dir(head, sizeof head);
    const auto n =
        static_cast<size_t>(std::min<uint64_t>(uint64_t{dir.U16At(12)} + dir.U16At(14), entriesLeft_));
    entriesLeft_ -= n;
    Location entries;
    std::vector<uint8_t> raw;
    if (!ToOffset(static_cast<uint64_t>(rootRva_) + rel + 16, 8ull * n, &entries) ||
        !source_.ReadVector(entries.offset, 8 * n, &raw))
      return;
    const ByteReader entries_read(raw.data(), raw.size());
    for (size_t i = 0; i < n; ++i)
      out->push_back(Entry{entries_read.U32At(8 * i), entries_read.U32At(8 * i + 4)});
  }

  // Follows an entry of the second level to its first language's data.
  bool DataOf(const Entry& e, Location* out) {
    uint32_t target = e.target;
    if (target & 0x80000000u) {
      const std::optional<uint32_t> first = FirstLanguage(target & 0x7FFFFFFFu);
      if (!first) return false;
      target = *first;
    }
    Location data_entry;
    uint8_t d[8];
    if (!ToOffset(static_cast<uint64_t>(rootRva_) + target, 8, &data_entry) ||
        !source_.ReadAt(data_entry.offset, 8, d))
      return false;
    const ByteReader data_entry_read(d, sizeof d);
    return ToOffset(data_entry_read.U32At(0), data_entry_read.U32At(4), out);
  }

 private:
  // The data entry of the first language in the directory at `rel`; looked up once per directory,
  // as items may share one.
  std::optional<uint32_t> FirstLanguage(uint32_t rel) {
    if (const auto known = firstLanguage_.find(rel); known != firstLanguage_.end()) return known->second;
    std::vector<Entry> languages;
    Read(rel, &languages);
    const auto it = std::find_if(languages.begin(), languages.end(),
                                 [](const Entry& l) { return (l.target & 0x80000000u) == 0; });
    std::optional<uint32_t> first;
    if (it != languages.end()) first = it->target;
    firstLanguage_.emplace(rel, first);
    return first;
  }

  const ByteSource& source_;
  const std::vector<uint8_t>& table_;
  size_t sections_;
  uint32_t rootRva_;
  uint64_t entriesLeft_;
  std::set<uint32_t> read_;  // directories read already
  std::map<uint32_t, std::optional<uint32_t>> firstLanguage_;
};

// PE: the resource directory is a three-level tree (type, name or id, language) found through the
// optional header's data directory; its data entries hold RVAs that the section table maps to file
// offsets. Only three levels are ever followed and each directory is read once, so a directory
// that points back at itself neither loops nor multiplies the work.
void IconFile::ParsePe(uint64_t header) {
  uint8_t coff[24];
  if (!source_->ReadAt(header, sizeof(coff), coff)) return;
  kind_ = IconFileKind::Pe;
  const ByteReader coff_header(coff, sizeof coff);
  const uint16_t sections = coff_header.U16At(6);
  const uint16_t optional_size = coff_header.U16At(20);
  const uint64_t optional_at = header + 24;
  std::vector<uint8_t> opt;
  if (!source_->ReadVector(optional_at, optional_size, &opt) || opt.size() < 2) return;
  const ByteReader optional(opt.data(), opt.size());
  size_t dirs_at = 0, count_at = 0;
  switch (optional.U16At(0)) {
    case 0x10B:
      count_at = 92;
      dirs_at = 96;
      break;  // PE32
    case 0x20B:
      count_at = 108;
      dirs_at = 112;
      break;  // PE32+
    default:
      return;
  }
  constexpr size_t kResourceDir = 2;
  if (opt.size() < dirs_at + (kResourceDir + 1) * 8 || optional.U32At(count_at) <= kResourceDir) return;
  const uint32_t root_rva = optional.U32At(dirs_at + kResourceDir * 8);
  if (root_rva == 0) return;

  std::vector<uint8_t> table;
  if (!source_->ReadVector(optional_at + optional_size, 40ull * sections, &table)) return;
  PeDirectory directory(*source_, table, sections, root_rva);
  AddPeResources(directory);
}

// Icons and icon groups of the resource tree; other resource types are passed over.
void IconFile::AddPeResources(PeDirectory& directory) {
  using Entry = PeDirectory::Entry;
  std::vector<Entry> types, items;
  directory.Read(0, &types);
  for (const Entry& type : types) {
    if ((type.name & 0x80000000u) || !(type.target & 0x80000000u)) continue;
    const uint32_t id = type.name & 0xFFFF;
    if (id != kRtIcon && id != kRtGroupIcon) continue;
    directory.Read(type.target & 0x7FFFFFFFu, &items);
    for (const Entry& item : items) {
      Location where;
      const bool found = directory.DataOf(item, &where);
      if (id == kRtIcon) {
        if (found && !(item.name & 0x80000000u)) iconResources_.emplace_back(item.name & 0xFFFF, where);
      } else {
        // A group whose data cannot be found still counts; it extracts as an icon without image.
        groups_.push_back(Group{found ? where : Location{}, false});
      }
    }
  }
}

const IconFile::Location* IconFile::IconResource(uint32_t id) const {
  auto it = std::lower_bound(iconResources_.begin(), iconResources_.end(), id,
                             [](const auto& entry, uint32_t key) { return entry.first < key; });
  return it != iconResources_.end() && it->first == id ? &it->second : nullptr;
}

std::vector<IconFile::Candidate> IconFile::Candidates(int index) const {
  std::vector<Candidate> out;
  if (index < 0 || index >= Count()) return out;
  const Group& group = groups_[static_cast<size_t>(index)];
  std::vector<uint8_t> dir;
  if (group.directory.size == 0 ||
      !source_->ReadVector(group.directory.offset,
                           static_cast<size_t>(std::min<uint64_t>(group.directory.size, 6 + 16 * 0xFFFFull)),
                           &dir))
    return out;
  for (const DirEntry& e : ParseDirectory(dir, group.ico)) {
    Candidate c;
    if (group.ico) {
      c.where = Location{e.idOrOffset, e.size};
    } else {
      const Location* res = IconResource(e.idOrOffset);
      if (res == nullptr) continue;
      c.where = *res;  // the resource's own length; the directory's byte count is only advice
    }
    c.where.size = std::min(c.where.size, kMaxImageBytes);
    if (c.where.size == 0 || !source_->Holds(c.where.offset, c.where.size)) continue;
    uint8_t head[kHeaderPeek];
    const size_t peek = static_cast<size_t>(std::min<uint64_t>(kHeaderPeek, c.where.size));
    ImageHeader h;
    if (!source_->ReadAt(c.where.offset, peek, head) || !ReadImageHeader(head, peek, &h)) continue;
    c.info = ImageInfo{h.width, h.height, h.bitsPerPixel, h.png};
    out.push_back(c);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Candidate& a, const Candidate& b) { return BetterFit(a.info, b.info); });
  return out;
}

bool IconFile::ChosenImage(int index, ImageInfo* info) const {
  const auto candidates = Candidates(index);
  if (candidates.empty()) return false;
  *info = candidates.front().info;
  return true;
}

std::vector<ImageInfo> IconFile::Images(int index) const {
  std::vector<ImageInfo> out;
  for (const Candidate& c : Candidates(index)) out.push_back(c.info);
  return out;
}

Status IconFile::Extract(int index, const PngDecoder* png, IconImage* out, int side) const {
  *out = IconImage{};
  if (index < 0 || index >= Count())
    return Status::Error("no icon " + std::to_string(index) + " in this file");
  Status last = Status::Error("icon " + std::to_string(index) + " holds no readable image");
  std::vector<uint8_t> bytes;
  for (const Candidate& c : Candidates(index)) {
    // Candidates are inside the file, so this allocation is bounded by the file's size.
    if (!source_->ReadVector(c.where.offset, static_cast<size_t>(c.where.size), &bytes)) continue;
    IconImage image;
    last = DecodeImage(bytes.data(), bytes.size(), png, &image);
    if (!last.IsOk()) continue;
    *out = ScaleToFit(image, side);
    return Status::Ok();
  }
  return last;
}

}  // namespace inkwend::icons
