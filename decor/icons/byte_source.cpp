#include "decor/icons/byte_source.h"

#include <cstring>
#include <filesystem>

namespace inkwend::icons {

bool ByteSource::ReadVector(uint64_t offset, size_t n, std::vector<uint8_t>* out) const {
  if (!Contains(offset, n)) return false;
  out->resize(n);
  return n == 0 || Read(offset, n, out->data());
}

bool MemorySource::Read(uint64_t offset, size_t n, uint8_t* out) const {
  if (!Contains(offset, n)) return false;
  if (n > 0) std::memcpy(out, bytes_.data() + offset, n);
  return true;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return nullptr;
  if (std::fseek(f, 0, SEEK_END) != 0) {
    std::fclose(f);
    return nullptr;
  }
  const long end = std::ftell(f);
  if (end < 0) {  // a directory or a pipe
    std::fclose(f);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(f, static_cast<uint64_t>(end)));
}

FileSource::~FileSource() { std::fclose(file_); }

bool FileSource::Read(uint64_t offset, size_t n, uint8_t* out) const {
  if (!Contains(offset, n)) return false;
  if (n == 0) return true;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(out, 1, n, file_) == n;
}

}  // namespace inkwend::icons
