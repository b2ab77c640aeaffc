// inkwend-tool icl pack OUT.icl IMAGE...
// Makes an icon library with one icon per image. An image is any picture Qt reads (PNG, BMP, ...)
// or an icon-bearing file, whose first icon is taken.
#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "base/file_system.h"
#include "decor/icons/icl_writer.h"
#include "decor/icons/icon_file.h"
#include "platform/qt_icon_image.h"
#include "tools/command_registry.h"

namespace {

constexpr const char* kUsage = "icl pack OUT.icl IMAGE...";
// Pictures larger than this are refused rather than decoded: icons are small.
constexpr int kMaxPictureSide = 4096;

bool LoadPicture(const std::string& path, inkwend::icons::IconImage* out, std::string* error) {
  // Read once through the file system, which refuses pipes, devices and folders at once; the
  // picture reader would wait on a pipe for ever.
  inkwend::Result<std::string> read = inkwend::RealFileSystem().ReadFile(path);
  if (!read.IsOk()) {
    *error = read.GetStatus().Message();
    return false;
  }
  const std::string& bytes = read.Value();
  const auto file = std::make_unique<inkwend::icons::IconFile>(inkwend::MemoryView(bytes));
  if (file->Count() > 0) {
    // At the chosen image's own size, so that the writer scales it only once.
    inkwend::icons::ImageInfo info;
    const int side =
        file->ChosenImage(0, &info) ? std::max(info.width, info.height) : inkwend::icons::kLargeIconSize;
    const inkwend::Status status = file->Extract(0, &inkwend::PngDecoderInstance(), out, side);
    if (!status.IsOk()) *error = status.Message();
    return status.IsOk();
  }
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)) {
    *error = "picture larger than " + std::to_string(kMaxPictureSide) + " pixels a side";
    return false;
  }
  QImage image;
  if (!reader.read(&image)) {
    *error = reader.errorString().toStdString();
    return false;
  }
  *out = inkwend::FromQImage(image);
  return true;
}

int RunIcl(const std::vector<std::string>& args) {
  if (args.size() < 3 || args[0] != "pack") {
    std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
    return 2;
  }
  std::vector<inkwend::icons::IconImage> pictures;
  for (size_t i = 2; i < args.size(); ++i) {
    inkwend::icons::IconImage picture;
    std::string error;
    if (!LoadPicture(args[i], &picture, &error)) {
      if (error.find(args[i]) != std::string::npos)  // the system's reason names the file itself
        std::fprintf(stderr, "inkwend-tool: %s\n", error.c_str());
      else
        std::fprintf(stderr, "inkwend-tool: %s: %s\n", args[i].c_str(), error.c_str());
      return 1;
    }
    pictures.push_back(std::move(picture));
  }
  std::vector<uint8_t> bytes;
  const std::string module = QFileInfo(QString::fromStdString(args[1])).completeBaseName().toStdString();
  inkwend::Status status = inkwend::icons::BuildIcl(pictures, module, &bytes);
  if (status.IsOk())
    status = inkwend::RealFileSystem().WriteFileAtomically(
        args[1], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!status.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", status.Message().c_str());
    return 1;
  }
  // The atomic writer keeps files private, as diary entries must be; icon sets are shared artwork.
  std::error_code ec;
  std::filesystem::permissions(args[1],
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                               ec);
  return 0;
}

const inkwend::tool::ToolCommand kIcl("icl", kUsage, RunIcl);

}  // namespace
