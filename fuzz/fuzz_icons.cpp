// Icon files from anywhere: count, describe and extract every icon without crashing or hanging.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "decor/icons/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  inkwend::icons::IconFile file(
      inkwend::MemoryView(std::string_view(reinterpret_cast<const char*>(data), size)));
  for (int i = 0; i < std::min(file.Count(), 64); ++i) {
    inkwend::icons::ImageInfo info;
    file.ChosenImage(i, &info);
    inkwend::icons::IconImage image;
    file.Extract(i, nullptr, &image);
  }
  return 0;
}
