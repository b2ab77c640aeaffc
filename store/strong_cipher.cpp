#include "store/strong_cipher.h"

#include <sodium.h>

namespace inkwend {
namespace {

constexpr size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr size_t kHeaderBytes = kStrongMagic.size() + 1;

// What the tag covers beside the text: the header (so that the version cannot be changed
// unnoticed) and the day the file is named after (so that files cannot trade names).
std::string AssociatedData(std::string_view header, std::string_view date_key) {
  std::string data(header);
  data += date_key;
  return data;
}

const unsigned char* Unsigned(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

}  // namespace

bool StrongCryptoReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

DiaryKey::DiaryKey() {
  // Kept out of swap where the system allows; without the privilege the key still works.
  (void)sodium_mlock(bytes_.data(), bytes_.size());
}

DiaryKey::~DiaryKey() {
  sodium_memzero(bytes_.data(), bytes_.size());
  (void)sodium_munlock(bytes_.data(), bytes_.size());
}

std::unique_ptr<DiaryKey> DiaryKey::Generate() {
  if (!StrongCryptoReady()) return nullptr;
  std::unique_ptr<DiaryKey> key(new DiaryKey());
  crypto_aead_xchacha20poly1305_ietf_keygen(key->bytes_.data());
  return key;
}

std::unique_ptr<DiaryKey> DiaryKey::FromBytes(const unsigned char* bytes) {
  if (!StrongCryptoReady()) return nullptr;
  std::unique_ptr<DiaryKey> key(new DiaryKey());
  std::copy(bytes, bytes + kBytes, key->bytes_.begin());
  return key;
}

bool IsStrongEntry(std::string_view stored) { return stored.starts_with(kStrongMagic); }

std::string StrongEncrypt(std::string_view plain, const DiaryKey& key, std::string_view date_key) {
  std::string out(kStrongMagic);
  out += static_cast<char>(kStrongVersion);
  const std::string associated = AssociatedData(out, date_key);
  out.resize(kHeaderBytes + kNonceBytes + plain.size() + kTagBytes);
  auto* nonce = reinterpret_cast<unsigned char*>(out.data() + kHeaderBytes);
  randombytes_buf(nonce, kNonceBytes);  // fresh for every write: never two texts under one nonce
  unsigned long long written = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + kNonceBytes, &written, Unsigned(plain), plain.size(),
                                             Unsigned(associated), associated.size(), nullptr, nonce,
                                             key.Bytes());
  out.resize(kHeaderBytes + kNonceBytes + written);
  return out;
}

Result<std::string> StrongDecrypt(std::string_view stored, const DiaryKey& key, std::string_view date_key) {
  if (!IsStrongEntry(stored) || stored.size() < kHeaderBytes + kNonceBytes + kTagBytes)
    return Status::Error(StatusCode::Refused, "Its encrypted file is cut short.");
  if (static_cast<uint8_t>(stored[kStrongMagic.size()]) != kStrongVersion)
    return Status::Error(StatusCode::Refused,
                         "Its file is encrypted in a newer format than this Inkwend reads.");
  const std::string associated = AssociatedData(stored.substr(0, kHeaderBytes), date_key);
  const std::string_view nonce = stored.substr(kHeaderBytes, kNonceBytes);
  const std::string_view sealed = stored.substr(kHeaderBytes + kNonceBytes);
  std::string plain(sealed.size() - kTagBytes, '\0');
  unsigned long long length = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          reinterpret_cast<unsigned char*>(plain.data()), &length, nullptr, Unsigned(sealed), sealed.size(),
          Unsigned(associated), associated.size(), Unsigned(nonce), key.Bytes()) != 0) {
    return Status::Error(StatusCode::Refused,
                         "Its encrypted file is damaged or has been altered, or it is another day's file "
                         "under this day's name.");
  }
  plain.resize(length);
  return plain;
}

}  // namespace inkwend
