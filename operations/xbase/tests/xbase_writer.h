#pragma once
// Writes small xBase tables and memo files following the published layouts, so that tests can
// build exactly the table (or the damage) they need.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace inkwend::xbase::testing {

inline void PutLe(std::string* s, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) (*s)[at + i] = static_cast<char>(value >> (8 * i));
}
inline void PutBe(std::string* s, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) (*s)[at + i] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
}
inline std::string Le(uint64_t value, int bytes) {
  std::string s(bytes, '\0');
  PutLe(&s, 0, value, bytes);
  return s;
}

struct FieldSpec {
  std::string name;
  char type = 'C';
  int length = 10;
  int decimals = 0;
  uint8_t flags = 0;  // Visual FoxPro field flags
};

struct TableSpec {
  uint8_t version = 0x03;
  uint8_t languageDriver = 0;
  std::vector<FieldSpec> fields;
  // Each record as stored, deleted mark first; see Row().
  std::vector<std::string> records;
  bool encrypted = false;
};

inline int RecordLength(const std::vector<FieldSpec>& fields) {
  int length = 1;
  for (const FieldSpec& f : fields) length += f.length;
  return length;
}

// A record: text values padded to the field width (numbers to the right, the rest to the
// left). A value already as long as its field is taken as is, so binary values pass unchanged.
inline std::string Row(const std::vector<FieldSpec>& fields, bool deleted,
                       const std::vector<std::string>& values) {
  std::string record(1, deleted ? '*' : ' ');
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldSpec& f = fields[i];
    std::string v = i < values.size() ? values[i] : std::string();
    v.resize(std::min<size_t>(v.size(), f.length));
    const std::string pad(f.length - v.size(), ' ');
    const bool right = f.type == 'N' || f.type == 'F' || f.type == 'M' || f.type == 'G' || f.type == 'B';
    record += right ? pad + v : v + pad;
  }
  return record;
}

// The memo pointer of a memo field: ten digits for dBase and FoxPro, four binary bytes for
// Visual FoxPro; block 0 stands for "no memo" (blanks or zeros).
inline std::string MemoPointer(uint32_t block, int width = 10) {
  if (width == 4) return Le(block, 4);
  return block == 0 ? std::string(width, ' ') : std::to_string(block);
}

inline std::string WriteTable(const TableSpec& plan) {
  const bool visual_foxpro = plan.version == 0x30 || plan.version == 0x31 || plan.version == 0x32;
  const size_t header_length = 32 + 32 * plan.fields.size() + 1 + (visual_foxpro ? 263 : 0);
  const int record_length = RecordLength(plan.fields);
  std::string out(header_length, '\0');
  out[0] = static_cast<char>(plan.version);
  out[1] = 124;  // last update 2024-01-01
  out[2] = 1;
  out[3] = 1;
  PutLe(&out, 4, plan.records.size(), 4);
  PutLe(&out, 8, header_length, 2);
  PutLe(&out, 10, record_length, 2);
  out[15] = plan.encrypted ? 1 : 0;
  out[29] = static_cast<char>(plan.languageDriver);
  size_t pos = 32;
  int offset = 1;
  for (const FieldSpec& f : plan.fields) {
    out.replace(pos, std::min<size_t>(f.name.size(), 10), f.name.substr(0, 10));
    out[pos + 11] = f.type;
    if (visual_foxpro) PutLe(&out, pos + 12, offset, 4);
    out[pos + 16] = static_cast<char>(f.length & 0xFF);
    out[pos + 17] = static_cast<char>(f.type == 'C' ? f.length >> 8 : f.decimals);
    out[pos + 18] = static_cast<char>(f.flags);
    offset += f.length;
    pos += 32;
  }
  out[pos] = 0x0D;
  for (const std::string& r : plan.records) out += r;
  out += '\x1A';
  return out;
}

// FoxPro memo file: 512-byte header with the next free block and the block size (big-endian),
// then per memo an 8-byte block header (type, length; big-endian) and the data, padded to blocks.
class FptWriter {
 public:
  explicit FptWriter(uint32_t block_size = 64) : blockSize_(block_size), bytes_(512, '\0') { Pad(); }
  uint32_t Add(const std::string& data, uint32_t type = 1) {
    const uint32_t block = static_cast<uint32_t>(bytes_.size() / blockSize_);
    std::string head(8, '\0');
    PutBe(&head, 0, type, 4);
    PutBe(&head, 4, data.size(), 4);
    bytes_ += head + data;
    Pad();
    return block;
  }
  std::string Bytes() const {
    std::string out = bytes_;
    PutBe(&out, 0, out.size() / blockSize_, 4);
    PutBe(&out, 6, blockSize_, 2);
    return out;
  }

 private:
  void Pad() { bytes_.resize((bytes_.size() + blockSize_ - 1) / blockSize_ * blockSize_, '\0'); }
  uint32_t blockSize_;
  std::string bytes_;
};

// dBase memo file. dBase III: 512-byte blocks, text ended by 0x1A 0x1A. dBase IV: block size at
// byte 20 of the header, each memo led by FF FF 08 00 and its length (little-endian, counting
// those 8 bytes).
class DbtWriter {
 public:
  explicit DbtWriter(bool dbase4 = false, uint32_t block_size = 512)
      : dbase4_(dbase4), blockSize_(dbase4 ? block_size : 512), bytes_(512, '\0') {
    Pad();
  }
  uint32_t Add(const std::string& text) {
    const uint32_t block = static_cast<uint32_t>(bytes_.size() / blockSize_);
    if (dbase4_) {
      bytes_ += std::string("\xFF\xFF\x08\x00", 4) + Le(text.size() + 8, 4) + text;
    } else {
      bytes_ += text + "\x1A\x1A";
    }
    Pad();
    return block;
  }
  std::string Bytes() const {
    std::string out = bytes_;
    PutLe(&out, 0, out.size() / blockSize_, 4);
    if (dbase4_) PutLe(&out, 20, blockSize_, 2);
    return out;
  }

 private:
  void Pad() { bytes_.resize((bytes_.size() + blockSize_ - 1) / blockSize_ * blockSize_, '\0'); }
  bool dbase4_;
  uint32_t blockSize_;
  std::string bytes_;
};

}  // namespace inkwend::xbase::testing
