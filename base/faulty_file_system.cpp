#include "base/faulty_file_system.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace inkwend {
namespace {

bool Matches(const std::string& path, const std::string& match) {
  if (path.compare(0, match.size(), match) == 0) return true;
  const size_t slash = path.find_last_of('/');
  return path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, match) == 0;
}

// How many bytes lie between the descriptor's position and `limit`.
uint64_t RoomLeft(int fd, uint64_t limit) {
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at < 0) return limit;
  return static_cast<uint64_t>(at) >= limit ? 0 : limit - static_cast<uint64_t>(at);
}

}  // namespace

void FaultyFileSystem::FailWrites(std::string path_match, uint64_t bytes_allowed) {
  faults_.push_back({FaultKind::DiskFull, std::move(path_match), bytes_allowed});
}

void FaultyFileSystem::FailRenames(std::string path_match) {
  faults_.push_back({FaultKind::RenameFails, std::move(path_match)});
}

void FaultyFileSystem::FailReads(std::string path_match) {
  faults_.push_back({FaultKind::ReadFails, std::move(path_match)});
}

void FaultyFileSystem::ShortenReads(std::string path_match, uint64_t bytes_kept) {
  faults_.push_back({FaultKind::ShortRead, std::move(path_match), bytes_kept});
}

void FaultyFileSystem::FailCopies(std::string path_match) {
  faults_.push_back({FaultKind::CopyFails, std::move(path_match)});
}

FaultyFileSystem::Fault* FaultyFileSystem::Find(FaultKind kind, const std::string& path) {
  for (Fault& f : faults_)
    if (f.kind == kind && Matches(path, f.pathMatch)) return &f;
  return nullptr;
}

Status FaultyFileSystem::CopyFile(const std::string& src, const std::string& dst) {
  if (Find(FaultKind::CopyFails, src) || Find(FaultKind::CopyFails, dst)) {
    ++injected_;
    return Status::Error("Cannot copy \"" + src + "\" to \"" + dst +
                         "\": " + std::strerror(ENOSPC));  // a full disk
  }
  return PosixFileSystem::CopyFile(src, dst);
}

ssize_t FaultyFileSystem::WriteSome(const std::string& path, int fd, const char* data, size_t size) {
  Fault* full = Find(FaultKind::DiskFull, path);
  if (!full) return PosixFileSystem::WriteSome(path, fd, data, size);
  const uint64_t room = RoomLeft(fd, full->limit);
  if (room == 0) {
    ++injected_;
    errno = ENOSPC;
    return -1;
  }
  // A disk with room for part of the data takes that part, as write() does.
  return PosixFileSystem::WriteSome(path, fd, data, size < room ? size : static_cast<size_t>(room));
}

ssize_t FaultyFileSystem::ReadSome(const std::string& path, int fd, char* buffer, size_t size) {
  if (Find(FaultKind::ReadFails, path)) {
    ++injected_;
    errno = EIO;
    return -1;
  }
  Fault* cut = Find(FaultKind::ShortRead, path);
  if (!cut) return PosixFileSystem::ReadSome(path, fd, buffer, size);
  const uint64_t left = RoomLeft(fd, cut->limit);
  if (left == 0) {
    ++injected_;
    return 0;
  }
  return PosixFileSystem::ReadSome(path, fd, buffer, size < left ? size : static_cast<size_t>(left));
}

int FaultyFileSystem::RenameNow(const std::string& path, const char* from, const char* to) {
  if (Find(FaultKind::RenameFails, path)) {
    ++injected_;
    errno = ENOSPC;
    return -1;
  }
  return PosixFileSystem::RenameNow(path, from, to);
}

}  // namespace inkwend
