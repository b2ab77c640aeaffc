#pragma once
// Files holding user data are never overwritten in place: the new content goes to a temporary
// file in the same directory, is flushed to disk, and then renamed over the old file. A crash
// or a full disk leaves either the old file or the new one, never half of either.
#include <sys/types.h>

#include <string>
#include <string_view>

#include "store/status.h"

namespace inkwend {

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // discards the temporary file unless Commit() succeeded
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  Status Open(const std::string& path);
  Status Write(std::string_view bytes);
  Status Commit();

 private:
  void Discard();

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
};

// Writes the whole file at once, atomically.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; a missing or unreadable file is an error naming the file. Only plain
// files are read: a named pipe, device, socket or folder is refused at once (never waited on).
// So is a file larger than kMaxReadBytes, which no file of the diary comes near.
inline constexpr unsigned long long kMaxReadBytes = 1ull << 30;
Status ReadWholeFile(const std::string& path, std::string& bytes);

// Opens a plain file for reading. Pipes, devices and sockets are refused before they are
// opened, as reading (or even opening) one can wait forever or have side effects; the check
// is repeated on the open descriptor, opened without blocking, in case the name was replaced
// in between. `size` receives the file's size; the caller closes `fd`.
Status OpenPlainFileForReading(const std::string& path, int& fd, off_t& size);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Copies src to dst byte for byte (dst replaced atomically). false when the two names are the
// same text, src is no plain file or cannot be read, or dst cannot be written; a failed copy
// leaves dst as it was.
bool CopyFileContents(const std::string& src, const std::string& dst);

// Removes a file; a missing file is no error.
Status RemoveFile(const std::string& path);

}  // namespace inkwend
