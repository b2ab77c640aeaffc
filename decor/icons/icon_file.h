#pragma once
// Counting and extracting the icons of an icon-bearing file: a single-icon .ICO file, a 16-bit
// Windows program or library (NE; .ICL icon libraries are NE files holding only icons) or a 32- or
// 64-bit one (PE32 / PE32+ .EXE and .DLL). Any other file, and a damaged one, holds no icons.
//
// One icon is a group of images of several sizes and depths. Extraction picks the image that best
// fits the large-icon size (32 x 32 first, then the most colours), decodes it and fits it into
// 32 x 32, keeping its aspect ratio.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "base/status.h"
#include "decor/icons/icon_image.h"

namespace inkwend::icons {

enum class IconFileKind { None, Ico, Ne, Pe };

struct ImageInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  bool png = false;
};

class IconFile {
 public:
  // Reads the directories of `source`. Never fails: a file that is not icon-bearing, or whose
  // directories are damaged, simply counts no icons (or the icons that could be located).
  explicit IconFile(std::unique_ptr<ByteSource> source);
  // Null when the path names no readable plain file; `why`, when given, then receives the reason.
  static std::unique_ptr<IconFile> Open(const std::string& path, Status* why = nullptr);

  IconFileKind kind() const { return kind_; }
  int Count() const { return static_cast<int>(groups_.size()); }

  // The image of icon `index` that extraction starts with. False when the index is out of range or
  // the icon has no readable image.
  bool ChosenImage(int index, ImageInfo* info) const;

  // Icon `index` as ARGB pixels fitted into side x side (default: the large-icon size). An icon whose
  // best image is damaged falls back to the next best one; an error only when none decodes.
  Status Extract(int index, const PngDecoder* png, IconImage* out, int side = kLargeIconSize) const;

  // Every image of icon `index`, in the group's order, with the headers read from the images.
  // Images whose header cannot be read are left out.
  std::vector<ImageInfo> Images(int index) const;

 private:
  struct Location {
    uint64_t offset = 0;
    uint64_t size = 0;
  };
  struct Group {
    Location directory;  // a group directory resource, or for .ICO the whole file
    bool ico = false;    // entries carry file offsets (.ICO) rather than icon resource ids
  };
  struct Candidate {
    Location where;
    ImageInfo info;
  };

  void ParseIco();
  void ParseExecutable();
  void ParseNe(uint64_t header);
  void ParsePe(uint64_t header);
  class PeDirectory;  // reads a PE file's resource directory
  void AddPeResources(PeDirectory& directory);
  std::vector<Candidate> Candidates(int index) const;  // best fit first
  const Location* IconResource(uint32_t id) const;

  std::unique_ptr<ByteSource> source_;
  IconFileKind kind_ = IconFileKind::None;
  std::vector<Group> groups_;
  std::vector<std::pair<uint32_t, Location>> iconResources_;  // RT_ICON id -> data, sorted by id
};

}  // namespace inkwend::icons
