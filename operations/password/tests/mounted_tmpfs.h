#pragma once
// A small tmpfs mounted on a folder for one test, where the system allows it (root with the
// right to mount); tests that need one skip, or do without, when it cannot be mounted.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace inkwend::testing {

class MountedTmpfs {
 public:
  explicit MountedTmpfs(std::string at) : at_(std::move(at)) {
    mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=64m,mode=0700") == 0;
    if (!mounted_) error_ = std::strerror(errno);
  }
  ~MountedTmpfs() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  MountedTmpfs(const MountedTmpfs&) = delete;
  MountedTmpfs& operator=(const MountedTmpfs&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }
  // Leaves room for `free_bytes` more than is used now.
  bool LimitTo(uint64_t free_bytes) const {
    struct statvfs st {};
    if (::statvfs(at_.c_str(), &st) != 0) return false;
    const uint64_t used = (st.f_blocks - st.f_bfree) * st.f_frsize;
    const std::string size = "size=" + std::to_string(used + free_bytes);
    return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT, size.c_str()) == 0;
  }

 private:
  std::string at_;
  bool mounted_ = false;
  std::string error_;
};

}  // namespace inkwend::testing
