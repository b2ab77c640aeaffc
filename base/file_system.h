#pragma once
// The file system as the engines see it. Every engine that reads or writes files takes a
// FileSystem&, so that tests inject the faults a user meets (a full disk, a rename that fails,
// a read cut short) through FaultyFileSystem (base/faulty_file_system.h) instead of relying on
// file modes, which do not stop root.
//
// Files that hold user data are never overwritten in place: WriteFileAtomically writes a
// temporary file in the same directory, flushes it and renames it over the old one, so a crash
// or a full disk leaves either the old file or the new one, never half of either.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace inkwend {

// Nothing the diary reads comes near this; a larger file is refused rather than read.
inline constexpr uint64_t kMaxReadBytes = uint64_t{1} << 30;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content of a plain file. Pipes, devices, sockets and folders are refused at once
  // (never waited on), as is a file larger than kMaxReadBytes. NotFound for a missing file.
  virtual Result<std::string> ReadFile(const std::string& path) = 0;
  // ReadFile for a file that is always small (a settings file): one larger than `max_bytes` is
  // refused (Refused) before it is read, so a huge one costs neither memory nor time.
  virtual Result<std::string> ReadFileAtMost(const std::string& path, uint64_t max_bytes);
  // Replaces the file atomically (see above); on failure the old file is untouched.
  virtual Status WriteFileAtomically(const std::string& path, std::string_view bytes) = 0;
  // Writes in place (for files the design updates in place, such as the user dictionary).
  virtual Status WriteFileInPlace(const std::string& path, std::string_view bytes) = 0;
  // Appends to a file, creating it when missing.
  virtual Status AppendToFile(const std::string& path, std::string_view bytes) = 0;
  // Copies a plain file byte for byte; dst is replaced atomically and stays as it was on failure.
  virtual Status CopyFile(const std::string& src, const std::string& dst) = 0;
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // Rename without making it durable: for a run of renames in one folder that ends with one
  // SyncDirectory, instead of a folder flush per rename.
  virtual Status RenameWithoutSync(const std::string& from, const std::string& to) {
    return Rename(from, to);
  }
  // Makes the renames, creations and removals in a folder durable.
  virtual Status SyncDirectory(const std::string& /*path*/) { return Status::Ok(); }
  // A missing file is no error.
  virtual Status RemoveFile(const std::string& path) = 0;
  // Creates the folder and any missing parent (private to the user); an existing folder is no error.
  virtual Status CreateDirectory(const std::string& path) = 0;
  // Something other than a folder is there (a plain file, but also a pipe or a device).
  virtual bool FileExists(const std::string& path) = 0;
  // A plain file (or a link to one) is there: a name ReadFile would read. The real file system
  // tells pipes and devices apart; a wrapper that does not override this takes anything that
  // FileExists for one.
  virtual bool IsPlainFile(const std::string& path) { return FileExists(path); }
  virtual bool DirectoryExists(const std::string& path) = 0;
  // The size of a plain file as the system records it, without reading it (so that a check of a
  // copy does not trust the read it checks). A wrapper that does not override this reads the file.
  virtual Result<uint64_t> FileSize(const std::string& path) {
    Result<std::string> bytes = ReadFile(path);
    if (!bytes.IsOk()) return bytes.GetStatus();
    return static_cast<uint64_t>(bytes.Value().size());
  }
  // Names (not paths) of the entries of a folder, sorted; NotFound for a missing folder.
  virtual Result<std::vector<std::string>> ListDirectory(const std::string& path) = 0;
};

// WriteFileAtomically's temporary file for a file named TARGET is "TARGET.tmp-" and six letters
// or digits, beside it. True when `name` (a file name, not a path) is one; `target` then holds
// TARGET. A kill or a power cut during a save can leave one behind.
bool IsAtomicWriteTempName(std::string_view name, std::string* target = nullptr);

// The real file system of the machine (POSIX calls).
FileSystem& RealFileSystem();

}  // namespace inkwend
