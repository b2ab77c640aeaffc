#include "store/file_cipher.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/atomic_file.h"
#include "store/cipher.h"

namespace inkwend {

void TPGCrypt::Message(const std::string& text) const {
  if (OnMessage) OnMessage(text);
}

void TPGCrypt::SetInputFile(const std::string& path) {
  if (!path.empty() && !FileExists(path)) {
    Message("Input file does not exist.");
    input_.clear();
    return;
  }
  input_ = path;
}

void TPGCrypt::SetOutputFile(const std::string& path) {
  if (FileExists(path) && path == input_) {
    Message("InputFile and OutputFile must be different files.");
    output_.clear();
    return;
  }
  output_ = path;
}

Status TPGCrypt::Encrypt() { return Run(true); }
Status TPGCrypt::Decrypt() { return Run(false); }

Status TPGCrypt::Run(bool encrypt) {
  if (input_.empty() || output_.empty()) return Status::Ok();
  if (OnBusy) OnBusy(true);
  struct ArrowAgain {
    const TPGCrypt* self;
    ~ArrowAgain() {
      if (self->OnBusy) self->OnBusy(false);
    }
  } arrow{this};

  int in = -1;
  off_t size = 0;
  if (Status opened = OpenPlainFileForReading(input_, in, size); !opened.ok()) return opened;
  AtomicFileWriter writer;
  Status status = writer.Open(output_);
  uint32_t state = PasswordSeed(password_);
  const auto direction = encrypt ? CipherDirection::Encrypt : CipherDirection::Decrypt;
  uint8_t chunk[4096];
  while (status.ok()) {
    // Fill a whole chunk unless the file ends, so the stream runs on across chunks.
    size_t have = 0;
    while (have < sizeof chunk) {
      const ssize_t n = ::read(in, chunk + have, sizeof chunk - have);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        status = Status::Error("Cannot read \"" + input_ + "\": " + std::strerror(errno));
        break;
      }
      if (n == 0) break;
      have += static_cast<size_t>(n);
    }
    if (!status.ok()) break;
    CipherTransform(direction, state, chunk, chunk, have);
    status = writer.Write(std::string_view(reinterpret_cast<const char*>(chunk), have));
    if (have < sizeof chunk) break;
  }
  ::close(in);
  if (status.ok()) status = writer.Commit();
  return status;
}

}  // namespace inkwend
