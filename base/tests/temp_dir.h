#pragma once
// A fresh directory under $TMPDIR for one test, removed afterwards.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>

namespace inkwend::testing {

class TempDir {
 public:
  TempDir() : TempDir(DefaultRoot()) {}
  // Below `root` instead (a file system of the test's choosing).
  explicit TempDir(const std::filesystem::path& root) {
    std::filesystem::create_directories(root);
    std::string pattern = (root / "inkwend-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  // With a trailing "/".
  std::string path() const { return path_.string() + "/"; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  static std::filesystem::path DefaultRoot() {
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
  }
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Runs `work` on a thread of its own and tells whether it ended within five seconds. Work
// that waits on the named pipe `fifo` is then freed by opening the pipe's writing end, so a
// fault shows as a failed expectation instead of a test that never ends.
template <class Work>
bool FinishesPromptly(Work work, const std::string& fifo) {
  std::future<void> done = std::async(std::launch::async, work);
  if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  }
  return false;
}

}  // namespace inkwend::testing
