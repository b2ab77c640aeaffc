#include "spell/engine/user_dictionary_snapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace inkwend::spell {

namespace {

// File systems stamp times from a clock that may tick only every few milliseconds: a copy read
// within this long of the file's last change may have missed a second write with the same
// stamp, so it is not trusted.
constexpr int64_t kSettleNanoseconds = 1'000'000'000;

int64_t Nanoseconds(const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

bool Settled(const timespec& changed) {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  return Nanoseconds(now) - Nanoseconds(changed) >= kSettleNanoseconds;
}

}  // namespace

bool UserDictionarySnapshot::FileState::operator==(const FileState& other) const {
  return size == other.size && Nanoseconds(modified) == Nanoseconds(other.modified) &&
         Nanoseconds(changed) == Nanoseconds(other.changed);
}

void UserDictionarySnapshot::Refresh(int fd, int64_t header_offset) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    known_ = false;
    Read(fd, header_offset, -1);
    return;
  }
  const FileState now{static_cast<int64_t>(st.st_size), st.st_mtim, st.st_ctim};
  if (known_ && now == state_ && header_offset == headerOffset_) return;
  Read(fd, header_offset, now.size);
  state_ = now;
  headerOffset_ = header_offset;
  known_ = Settled(st.st_mtim) && Settled(st.st_ctim);
}

void UserDictionarySnapshot::Read(int fd, int64_t header_offset, int64_t size) {
  // Nodes past the highest index a child can name are never reached, so they are not read.
  constexpr int64_t kMostBytes = kHeaderSize + int64_t{kMaxNodeIndex} * kNodeSize;
  const int64_t wanted = size < 0 ? kMostBytes : std::clamp<int64_t>(size - header_offset, 0, kMostBytes);
  bytes_.resize(static_cast<size_t>(std::max<int64_t>(wanted, kHeaderSize)));
  size_t done = 0;
  while (done < static_cast<size_t>(wanted)) {
    const ssize_t n = pread(fd, bytes_.data() + done, static_cast<size_t>(wanted) - done,
                            header_offset + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done < static_cast<size_t>(kHeaderSize)) {
    // A header cut short keeps the one read before, as a failed read of it always has.
    lastNode_ = 0;
    hasHeader_ = false;
    return;
  }
  header_ = ParseHeader(bytes_.data());
  hasHeader_ = true;
  lastNode_ = static_cast<uint32_t>((done - kHeaderSize) / kNodeSize);
}

}  // namespace inkwend::spell
