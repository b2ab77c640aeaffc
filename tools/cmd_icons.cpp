// inkwend-tool icons list FILE
// inkwend-tool icons extract FILE N OUT.png
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decor/icons/icon_file.h"
#include "platform/qt_icon_image.h"
#include "tools/command_registry.h"

namespace {

constexpr const char* kUsage = "icons list FILE | icons extract FILE N OUT.png";

int RunIcons(const std::vector<std::string>& args) {
  using inkwend::icons::IconFile;
  const bool list = args.size() == 2 && args[0] == "list";
  const bool extract = args.size() == 4 && args[0] == "extract";
  if (!list && !extract) {
    std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
    return 2;
  }
  inkwend::Status why;
  const auto file = IconFile::Open(args[1], &why);
  if (!file) {
    std::fprintf(stderr, "inkwend-tool: %s\n", why.Message().c_str());
    return 1;
  }
  if (list) {
    for (int i = 0; i < file->Count(); ++i) {
      inkwend::icons::ImageInfo info;
      if (file->ChosenImage(i, &info)) {
        std::printf("%d\t%dx%d\t%d\n", i, info.width, info.height, info.bitsPerPixel);
      } else {
        std::printf("%d\t-\t-\n", i);  // counted, but without a readable image
      }
    }
    return 0;
  }
  char* end = nullptr;
  const long n = std::strtol(args[2].c_str(), &end, 10);
  if (end == args[2].c_str() || *end != '\0' || n < 0 || n >= file->Count()) {
    std::fprintf(stderr, "inkwend-tool: %s holds %d icons; there is no icon %s\n", args[1].c_str(),
                 file->Count(), args[2].c_str());
    return 1;
  }
  inkwend::icons::IconImage image;
  const inkwend::Status status = file->Extract(static_cast<int>(n), &inkwend::PngDecoderInstance(), &image);
  if (!status.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", status.Message().c_str());
    return 1;
  }
  if (!inkwend::ToQImage(image).save(QString::fromStdString(args[3]), "PNG")) {
    std::fprintf(stderr, "inkwend-tool: cannot write %s\n", args[3].c_str());
    return 1;
  }
  return 0;
}

const inkwend::tool::ToolCommand kIcons("icons", kUsage, RunIcons);

}  // namespace
