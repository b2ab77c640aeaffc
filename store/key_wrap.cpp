#include "store/key_wrap.h"

#include <sodium.h>

#include <charconv>
#include <vector>

namespace inkwend {
namespace {

constexpr std::string_view kScheme = "argon2id";
constexpr std::string_view kVersion = "1";
constexpr size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kSealedBytes = DiaryKey::kBytes + crypto_aead_xchacha20poly1305_ietf_ABYTES;
// The seal covers the purpose, so that a sealed key is not taken for anything else.
constexpr std::string_view kAssociated = "Inkwend diary key 1";
// A damaged or hostile KW.INI must not make the prompt take minutes or gigabytes.
constexpr uint64_t kMaxPasses = 64;
constexpr uint64_t kMaxMemoryBytes = uint64_t{1} << 30;

// Wiped and unlocked however the function leaves.
template <size_t N>
class SecretBytes {
 public:
  SecretBytes() { (void)sodium_mlock(bytes_, N); }
  ~SecretBytes() { (void)sodium_munlock(bytes_, N); }  // wipes before unlocking
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  unsigned char* Data() { return bytes_; }

 private:
  unsigned char bytes_[N]{};
};

std::string Hex(const unsigned char* bytes, size_t size) {
  std::string text(size * 2 + 1, '\0');
  sodium_bin2hex(text.data(), text.size(), bytes, size);
  text.pop_back();
  return text;
}

bool FromHex(std::string_view text, unsigned char* out, size_t size) {
  size_t length = 0;
  return text.size() == size * 2 &&
         sodium_hex2bin(out, size, text.data(), text.size(), nullptr, &length, nullptr) == 0 &&
         length == size;
}

bool ToNumber(std::string_view text, uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t colon = line.find(':', start);
    fields.push_back(line.substr(start, colon - start));
    if (colon == std::string_view::npos) return fields;
    start = colon + 1;
  }
}

bool DeriveWrappingKey(unsigned char* out, std::string_view password, const unsigned char* salt,
                       KeyDerivation cost) {
  return crypto_pwhash(out, DiaryKey::kBytes, password.data(), password.size(), salt, cost.passes,
                       static_cast<size_t>(cost.memoryBytes), crypto_pwhash_ALG_ARGON2ID13) == 0;
}

Status DamagedLine() {
  return Status::Damaged("The diary's encryption key in KW.INI is damaged; the diary cannot be opened.",
                         Damage{0, "the key"});
}

}  // namespace

KeyDerivation KeyDerivation::Fastest() {
  return {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN};
}

Result<std::string> WrapDiaryKey(const DiaryKey& key, std::string_view password, KeyDerivation cost) {
  if (!StrongCryptoReady()) return Status::Error("The encryption library could not be started.");
  unsigned char salt[kSaltBytes];
  unsigned char nonce[kNonceBytes];
  randombytes_buf(salt, sizeof salt);
  randombytes_buf(nonce, sizeof nonce);
  SecretBytes<DiaryKey::kBytes> wrapping;
  if (!DeriveWrappingKey(wrapping.Data(), password, salt, cost))
    return Status::Error(StatusCode::OutOfMemory, "There is not enough memory to derive the key.");
  unsigned char sealed[kSealedBytes];
  crypto_aead_xchacha20poly1305_ietf_encrypt(sealed, nullptr, key.Bytes(), DiaryKey::kBytes,
                                             reinterpret_cast<const unsigned char*>(kAssociated.data()),
                                             kAssociated.size(), nullptr, nonce, wrapping.Data());
  std::string line(kScheme);
  line += ':';
  line += kVersion;
  line += ':' + std::to_string(cost.passes) + ':' + std::to_string(cost.memoryBytes) + ':';
  line += Hex(salt, sizeof salt) + ':' + Hex(nonce, sizeof nonce) + ':' + Hex(sealed, sizeof sealed);
  return line;
}

Result<std::unique_ptr<DiaryKey>> UnwrapDiaryKey(std::string_view wrapped, std::string_view password) {
  if (!StrongCryptoReady()) return Status::Error("The encryption library could not be started.");
  const std::vector<std::string_view> fields = Fields(wrapped);
  KeyDerivation cost;
  unsigned char salt[kSaltBytes];
  unsigned char nonce[kNonceBytes];
  unsigned char sealed[kSealedBytes];
  if (fields.size() != 7 || fields[0] != kScheme || fields[1] != kVersion ||
      !ToNumber(fields[2], cost.passes) || !ToNumber(fields[3], cost.memoryBytes) ||
      !FromHex(fields[4], salt, sizeof salt) || !FromHex(fields[5], nonce, sizeof nonce) ||
      !FromHex(fields[6], sealed, sizeof sealed))
    return DamagedLine();
  if (cost.passes < crypto_pwhash_argon2id_OPSLIMIT_MIN || cost.passes > kMaxPasses ||
      cost.memoryBytes < crypto_pwhash_argon2id_MEMLIMIT_MIN || cost.memoryBytes > kMaxMemoryBytes)
    return DamagedLine();
  SecretBytes<DiaryKey::kBytes> wrapping;
  if (!DeriveWrappingKey(wrapping.Data(), password, salt, cost))
    return Status::Error(StatusCode::OutOfMemory, "There is not enough memory to derive the key.");
  SecretBytes<DiaryKey::kBytes> opened;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(opened.Data(), nullptr, nullptr, sealed, sizeof sealed,
                                                 reinterpret_cast<const unsigned char*>(kAssociated.data()),
                                                 kAssociated.size(), nonce, wrapping.Data()) != 0)
    return Status::Error(StatusCode::Refused, kWrongPasswordMessage);
  std::unique_ptr<DiaryKey> key = DiaryKey::FromBytes(opened.Data());
  if (!key) return Status::Error("The encryption library could not be started.");
  return key;
}

std::string ReadWrappedKey(const IniFile& ini) {
  return ini.ReadString(kStrongKeySection, kStrongKeyName, "");
}

}  // namespace inkwend
