#include "richtext/rtf/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "richtext/model/charset.h"

namespace inkwend {

namespace {

const char* IconvName(int codepage) {
  switch (codepage) {
    case 437:
      return "CP437";
    case 850:
      return "CP850";
    case 874:
      return "CP874";
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    case 1250:
      return "CP1250";
    case 1251:
      return "CP1251";
    case 1253:
      return "CP1253";
    case 1254:
      return "CP1254";
    case 1255:
      return "CP1255";
    case 1256:
      return "CP1256";
    case 1257:
      return "CP1257";
    case 1258:
      return "CP1258";
    case 1361:
      return "JOHAB";
    case 10000:
      return "MACINTOSH";
    default:
      return nullptr;
  }
}

constexpr char32_t kLead = 0xFFFFFFFF;     // the byte opens a double-byte character
constexpr char32_t kUnknown = 0xFFFFFFFE;  // a pair not converted yet

// Converts `size` bytes; returns the one character they make, kLead when they are the start of
// a longer sequence, or U+FFFD.
char32_t ConvertOne(iconv_t cd, const char* bytes, size_t size) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[2] = {bytes[0], size > 1 ? bytes[1] : '\0'};
  char32_t out[4] = {};
  char* src = in;
  size_t src_left = size;
  char* dst = reinterpret_cast<char*>(out);
  size_t dst_left = sizeof out;
  const size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  if (r == static_cast<size_t>(-1) && errno == EINVAL) return kLead;
  if (r == static_cast<size_t>(-1) || dst_left != sizeof out - 4) return 0xFFFD;
  return out[0];
}

}  // namespace

struct CodePageDecoder::Table {
  std::array<char32_t, 256> single{};
  mutable std::vector<char32_t> pairs;  // 65536 entries, filled on first use
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  bool doubleByte = false;

  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }

  char32_t Pair(uint8_t lead, uint8_t trail) const {
    char32_t& c = pairs[static_cast<size_t>(lead) << 8 | trail];
    if (c == kUnknown) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      c = ConvertOne(cd, bytes, 2);
      if (c == kLead) c = 0xFFFD;
    }
    return c;
  }
};

namespace {

std::mutex g_tables_mutex;

const CodePageDecoder::Table* TableFor(int codepage);

}  // namespace

int CodePageOfCharSet(int charset) {
  switch (charset) {
    case 0:
      return 1252;  // ANSI: Windows-1252 whatever \ansicpg says (Word's own fonts)
    case 2:
      return kCodePageSymbol;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    case 255:
      return 850;
    default:
      return 0;
  }
}

CodePageDecoder::CodePageDecoder(int codepage) : codepage_(codepage) {
  if (codepage != 1252 && codepage != kCodePageSymbol && codepage != 0) {
    std::lock_guard<std::mutex> lock(g_tables_mutex);
    table_ = TableFor(codepage);
  }
  if (!table_ && codepage != kCodePageSymbol) codepage_ = 1252;
}

char32_t CodePageDecoder::Feed(uint8_t byte) {
  if (lead_ != 0) {
    const uint8_t lead = lead_;
    lead_ = 0;
    std::lock_guard<std::mutex> lock(g_tables_mutex);
    return table_->Pair(lead, byte);
  }
  if (codepage_ == kCodePageSymbol) return kSymbolBase + byte;
  if (!table_) return Windows1252ToUnicode(byte);
  const char32_t c = table_->single[byte];
  if (c == kLead) {
    lead_ = byte;
    return 0;
  }
  return c;
}

char32_t CodePageDecoder::Single(uint8_t byte) const {
  if (codepage_ == kCodePageSymbol) return kSymbolBase + byte;
  if (!table_) return Windows1252ToUnicode(byte);
  const char32_t c = table_->single[byte];
  return c == kLead ? 0 : c;
}

namespace {

const CodePageDecoder::Table* TableFor(int codepage) {
  static std::map<int, std::unique_ptr<CodePageDecoder::Table>> tables;
  auto it = tables.find(codepage);
  if (it != tables.end()) return it->second.get();
  const char* name = IconvName(codepage);
  std::unique_ptr<CodePageDecoder::Table> table;
  if (name) {
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      table = std::make_unique<CodePageDecoder::Table>();
      table->cd = cd;  // kept for the lifetime of the process, as the table is
      for (int b = 0; b < 256; ++b) {
        if (b < 0x80 && codepage != 10000 && codepage != 437 && codepage != 850) {
          table->single[static_cast<size_t>(b)] = static_cast<char32_t>(b);
          continue;
        }
        const char byte = static_cast<char>(b);
        table->single[static_cast<size_t>(b)] = ConvertOne(cd, &byte, 1);
        if (table->single[static_cast<size_t>(b)] == kLead) table->doubleByte = true;
      }
      if (table->doubleByte) table->pairs.assign(65536, kUnknown);
    }
  }
  const CodePageDecoder::Table* result = table.get();
  tables.emplace(codepage, std::move(table));
  return result;
}

}  // namespace

CodePageEncoder::CodePageEncoder(int codepage) {
  CodePageDecoder decoder(codepage);
  auto add = [&](char32_t c, uint16_t bytes) {
    if (c >= 0x80 && c != 0xFFFD) bytes_.emplace(c, bytes);  // the first (lowest) bytes win
  };
  for (int lead = 0x80; lead < 256; ++lead) {
    const char32_t single = decoder.Single(static_cast<uint8_t>(lead));
    if (single != 0) {
      add(single, static_cast<uint16_t>(lead));
      continue;
    }
    for (int trail = 0x20; trail < 256; ++trail) {
      decoder.Reset();
      decoder.Feed(static_cast<uint8_t>(lead));
      add(decoder.Feed(static_cast<uint8_t>(trail)), static_cast<uint16_t>(lead << 8 | trail));
    }
  }
}

const CodePageEncoder* CodePageEncoder::For(int codepage) {
  // The cheap answer first: the writer asks for every run it writes.
  if (codepage == 0 || codepage == 1252 || codepage == kCodePageSymbol) return nullptr;
  static std::mutex mutex;  // not the tables' mutex, which building an encoder takes
  static std::map<int, std::unique_ptr<CodePageEncoder>> encoders;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = encoders.find(codepage);
  if (it == encoders.end()) {
    // A code page without a table of its own decodes as Windows-1252, and is written as it.
    std::unique_ptr<CodePageEncoder> encoder;
    if (CodePageDecoder(codepage).CodePage() != 1252) encoder = std::make_unique<CodePageEncoder>(codepage);
    it = encoders.emplace(codepage, std::move(encoder)).first;
  }
  return it->second.get();
}

CodePageEncoder::Bytes CodePageEncoder::Encode(char32_t c) const {
  Bytes out;
  const auto it = bytes_.find(c);
  if (it == bytes_.end()) return out;
  if (it->second > 0xFF) {
    out.count = 2;
    out.bytes[0] = static_cast<uint8_t>(it->second >> 8);
    out.bytes[1] = static_cast<uint8_t>(it->second & 0xFF);
  } else {
    out.count = 1;
    out.bytes[0] = static_cast<uint8_t>(it->second);
  }
  return out;
}

}  // namespace inkwend
