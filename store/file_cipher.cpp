#include "store/file_cipher.h"

#include <algorithm>

#include "store/cipher.h"

namespace inkwend {
namespace {

constexpr size_t kChunkBytes = 4096;

}  // namespace

void PGCrypt::Message(const std::string& text) const {
  if (onMessage) onMessage(text);
}

void PGCrypt::SetInputFile(const std::string& path) {
  if (!path.empty() && !fs_->FileExists(path)) {
    Message("Input file does not exist.");
    input_.clear();
    return;
  }
  input_ = path;
}

void PGCrypt::SetOutputFile(const std::string& path) {
  if (fs_->FileExists(path) && path == input_) {
    Message("InputFile and OutputFile must be different files.");
    output_.clear();
    return;
  }
  output_ = path;
}

Status PGCrypt::Encrypt() { return Run(true); }
Status PGCrypt::Decrypt() { return Run(false); }

Status PGCrypt::Run(bool encrypt) {
  if (input_.empty() || output_.empty()) return Status::Ok();
  if (onBusy) onBusy(true);
  struct ArrowAgain {
    const PGCrypt* self;
    ~ArrowAgain() {
      if (self->onBusy) self->onBusy(false);
    }
  } arrow{this};

  Result<std::string> bytes = fs_->ReadFile(input_);
  if (!bytes.IsOk()) return bytes.GetStatus();
  std::string& data = bytes.Value();
  uint32_t state = PasswordSeed(password_);
  const auto direction = encrypt ? CipherDirection::Encrypt : CipherDirection::Decrypt;
  // 4096 bytes at a time, the stream running on across chunks, as the file was always done.
  auto* chunk = reinterpret_cast<uint8_t*>(data.data());
  for (size_t at = 0; at < data.size(); at += kChunkBytes) {
    const size_t length = std::min(kChunkBytes, data.size() - at);
    CipherTransform(direction, state, chunk + at, chunk + at, length);
  }
  return fs_->WriteFileAtomically(output_, data);
}

}  // namespace inkwend
