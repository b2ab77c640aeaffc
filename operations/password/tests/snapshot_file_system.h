#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "base/posix_file_system.h"

namespace inkwend::testing {

// The real file system, with the diary folder copied aside before every change it makes: each
// copy is the diary as a kill or a power cut at that instant would leave it.
class SnapshotFileSystem : public PosixFileSystem {
 public:
  SnapshotFileSystem(std::string diary, std::string snapshots)
      : diary_(std::move(diary)), snapshots_(std::move(snapshots)) {}
  int count = 0;

  void Snapshot() {
    std::filesystem::copy(diary_, snapshots_ + std::to_string(count++),
                          std::filesystem::copy_options::recursive);
  }
  Status WriteFileAtomically(const std::string& path, std::string_view bytes) override {
    Snapshot();
    return PosixFileSystem::WriteFileAtomically(path, bytes);
  }
  Status WriteFileInPlace(const std::string& path, std::string_view bytes) override {
    Snapshot();
    return PosixFileSystem::WriteFileInPlace(path, bytes);
  }
  Status Rename(const std::string& from, const std::string& to) override {
    Snapshot();
    return PosixFileSystem::Rename(from, to);
  }
  Status RenameWithoutSync(const std::string& from, const std::string& to) override {
    Snapshot();
    return PosixFileSystem::RenameWithoutSync(from, to);
  }
  Status RemoveFile(const std::string& path) override {
    Snapshot();
    return PosixFileSystem::RemoveFile(path);
  }

 private:
  std::string diary_, snapshots_;
};

}  // namespace inkwend::testing
