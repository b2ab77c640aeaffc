#pragma once
// PGCrypt: enciphers or deciphers a whole file with the entry cipher, 4096 bytes at a time.
// The output is written atomically, so a failed run never leaves a damaged output file and
// naming the same file twice (in any spelling) cannot destroy it.
#include <functional>
#include <string>

#include "base/file_system.h"
#include "base/status.h"

namespace inkwend {

class PGCrypt {
 public:
  // `fs` outlives the object.
  explicit PGCrypt(FileSystem& fs = RealFileSystem()) : fs_(&fs) {}

  // Shows a message to the user (the validation messages).
  std::function<void(const std::string&)> onMessage;
  // true when a run starts (hourglass), false when it ends (arrow again).
  std::function<void(bool)> onBusy;

  // An InputFile that names no existing file is refused with "Input file does not exist."
  void SetInputFile(const std::string& path);
  // The text of an existing InputFile is refused with "InputFile and OutputFile must be
  // different files."
  void SetOutputFile(const std::string& path);
  void SetPassword(const std::string& password) { password_ = password; }

  const std::string& InputFile() const { return input_; }
  const std::string& OutputFile() const { return output_; }
  const std::string& Password() const { return password_; }

  // Do nothing when either file name is empty; otherwise report file errors.
  Status Encrypt();
  Status Decrypt();

 private:
  Status Run(bool encrypt);
  void Message(const std::string& text) const;

  std::string input_, output_, password_;
  FileSystem* fs_;  // not owned
};

}  // namespace inkwend
