#pragma once
// A user dictionary as last read from its file. Several running copies of the program may share
// one user dictionary, so its file is looked at again before an operation; it is read again only
// when its size or times changed since, or when it changed too recently for the times to tell
// two writes apart.
#include <cstdint>
#include <ctime>
#include <vector>

#include "spell/engine/dictionary_format.h"

namespace inkwend::spell {

class UserDictionarySnapshot {
 public:
  // Brings the copy up to date with the file open as `fd`, whose header lies at `header_offset`.
  void Refresh(int fd, int64_t header_offset);
  // Forgets the copy, so that the next Refresh reads the file (after this process wrote it).
  void Forget() { known_ = false; }

  // False when the file held no whole header at the last read; the copy then holds no nodes.
  bool HasHeader() const { return hasHeader_; }
  const DictionaryHeader& Header() const { return header_; }
  // Node n (1 <= n <= LastNode()) lies at Nodes() + n * kNodeSize.
  const uint8_t* Nodes() const { return bytes_.data() + kHeaderSize - kNodeSize; }
  uint32_t LastNode() const { return lastNode_; }

 private:
  struct FileState {
    int64_t size = -1;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileState& other) const;
  };
  void Read(int fd, int64_t header_offset, int64_t size);

  std::vector<uint8_t> bytes_;  // from the header to the end of the file
  DictionaryHeader header_;
  uint32_t lastNode_ = 0;
  bool hasHeader_ = false;
  FileState state_;
  int64_t headerOffset_ = -1;
  bool known_ = false;  // bytes_ hold the file as state_ describes it
};

}  // namespace inkwend::spell
