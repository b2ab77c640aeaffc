#include "operations/xbase/dbf_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/byte_reader.h"
#include "operations/xbase/code_page.h"

namespace inkwend::xbase {
namespace {

constexpr uint32_t kTableHeaderSize = 32;
constexpr uint32_t kFieldDescriptorSize = 32;
constexpr uint8_t kFieldListEnd = 0x0D;
constexpr uint32_t kMemoHeaderSize = 512;
constexpr uint32_t kDBase3BlockSize = 512;
constexpr uint32_t kFoxProDefaultBlockSize = 64;
constexpr char kDBase3MemoEnd = 0x1A;
constexpr char kDBase4BlockMark[4] = {'\xFF', '\xFF', '\x08', '\x00'};

std::string Format(const char* format, auto... args) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    out.push_back(kDigits[static_cast<uint8_t>(c) >> 4]);
    out.push_back(kDigits[static_cast<uint8_t>(c) & 15]);
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\0'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

TableKind KindOf(uint8_t version) {
  switch (version) {
    case 0x30:
    case 0x31:
    case 0x32:
      return TableKind::VisualFoxPro;
    case 0xF5:
      return TableKind::FoxPro;
    case 0x02:
    case 0xFB:
      return TableKind::FoxBase;
    default:
      break;
  }
  // The low three bits give the level (3 for dBase III and IV alike); dBase IV sets bit 3 for its
  // memo layout or bits 4 to 6 for its SQL tables, dBase V uses level 5.
  const int level = version & 0x07;
  const bool dbase4 = level == 5 || (level == 3 && (version & 0x78) != 0);
  return dbase4 ? TableKind::DBase4 : TableKind::DBase3;
}

// Version bytes written by dBase III to V, FoxBASE, FoxPro, Visual FoxPro and Visual Objects.
constexpr uint8_t kKnownVersions[] = {0x02, 0x03, 0x05, 0x07, 0x30, 0x31, 0x32, 0x43, 0x63,
                                      0x7B, 0x83, 0x87, 0x8B, 0x8E, 0xCB, 0xE5, 0xF5, 0xFB};

bool IsKnownVersion(uint8_t version) {
  for (uint8_t known : kKnownVersions) {
    if (known == version) return true;
  }
  return false;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2 ? 1 : 0);
}

std::string FormatDateTime(std::string_view raw) {
  const ByteReader r(raw);
  const uint32_t julian_day = r.U32At(0);
  const uint32_t millis = r.U32At(4);
  if (julian_day == 0 && millis == 0) return std::string();
  int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(static_cast<int64_t>(julian_day) - 2440588, &year, &month, &day);
  const uint32_t seconds = millis / 1000;
  return Format("%04lld-%02u-%02u %02u:%02u:%02u", static_cast<long long>(year), month, day, seconds / 3600,
                seconds / 60 % 60, seconds % 60);
}

std::string FormatCurrency(std::string_view raw) {
  const auto value = static_cast<int64_t>(ByteReader(raw).U64At(0));
  // Work on the magnitude as unsigned so that the most negative value does not overflow.
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return Format("%s%llu.%04llu", value < 0 ? "-" : "", static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
}

std::string FormatDouble(std::string_view raw) {
  const uint64_t bits = ByteReader(raw).U64At(0);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Block numbers are checked against the header and the file size before anything is read: a
// damaged pointer back into the header or past the end is reported, never followed.
Status CheckBlock(uint64_t block, uint64_t offset, uint64_t memo_size) {
  if (offset < kMemoHeaderSize) {
    return Status::Error(Format("Memo block %llu lies inside the memo file's header.",
                                static_cast<unsigned long long>(block)));
  }
  if (offset >= memo_size) {
    return Status::Error(Format("Memo block %llu lies beyond the end of the memo file (%llu bytes).",
                                static_cast<unsigned long long>(block),
                                static_cast<unsigned long long>(memo_size)));
  }
  return Status::Ok();
}

// Old tables come from case-insensitive file systems: INKWEND.FPT, inkwend.fpt and Inkwend.Fpt
// all belong to INKWEND.DBF. A name in the table's own letter case wins over the others. Returns
// the memo file's path (empty when there is none) and its layout by its extension.
std::string FindMemoFile(const std::filesystem::path& directory, const std::string& stem,
                         const std::array<const char*, 2>& extensions, MemoLayout* layout) {
  namespace fs = std::filesystem;
  for (const char* extension : extensions) {
    const std::string wanted = stem + extension;
    // A name that matches but is no plain file (a folder, say) is still taken when nothing better
    // is there, so that opening it says what it is instead of "not found".
    std::string found;
    int found_rank = -1;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (!EqualsIgnoringCase(name, wanted)) continue;
      std::error_code kind_error;
      const int rank =
          (it->is_regular_file(kind_error) ? 2 : 0) + (name.compare(0, stem.size(), stem) == 0 ? 1 : 0);
      if (rank > found_rank) {
        found = it->path().string();
        found_rank = rank;
      }
    }
    if (!found.empty()) {
      *layout = extension[1] == 'f' ? MemoLayout::FoxPro : MemoLayout::DBase;
      return found;
    }
  }
  return std::string();
}

// A field as its descriptor stores it, before the record layout is known.
struct RawField {
  Field field;
  uint32_t highLength;  // FoxPro and Clipper keep character fields over 255 bytes in byte 17 as well
};

// The field descriptors of a table's header, up to the end mark (a missing mark is a warning).
Status ReadFieldDescriptors(const Table& table, const std::string& header, std::vector<RawField>* raw,
                            std::vector<std::string>* warnings) {
  const auto header_length = static_cast<uint32_t>(header.size());
  bool ended = false;
  for (uint32_t pos = kTableHeaderSize; pos < header_length; pos += kFieldDescriptorSize) {
    if (static_cast<uint8_t>(header[pos]) == kFieldListEnd) {
      ended = true;
      break;
    }
    if (header_length - pos < kFieldDescriptorSize) break;
    const char* d = header.data() + pos;
    RawField r;
    size_t name_length = 0;
    while (name_length < 11 && d[name_length] != '\0') ++name_length;
    r.field.name = table.Decode(TrimBlanks(std::string_view(d, name_length)));
    r.field.type = d[11];
    r.field.length = static_cast<uint8_t>(d[16]);
    r.field.decimals = static_cast<uint8_t>(d[17]);
    r.field.flags = table.kind() == TableKind::VisualFoxPro ? static_cast<uint8_t>(d[18]) : 0;
    r.highLength = r.field.type == 'C' ? r.field.decimals : 0;
    if (r.field.name.empty() || r.field.type < 0x20 || r.field.type > 0x7E) {
      return Status::Error(Format("Field descriptor %zu of the table is damaged.", raw->size() + 1));
    }
    raw->push_back(std::move(r));
  }
  if (raw->empty()) return Status::Error("The table has no fields: it is damaged or not an xBase table.");
  if (!ended) warnings->push_back("The table's field list has no end mark.");
  return Status::Ok();
}

// Whether the fields' lengths fit the record length: as stored (a byte each) or, when only that
// adds up, with the high length bytes of long character fields (`long_lengths`).
Status CheckRecordLength(const std::vector<RawField>& raw, uint32_t record_length, bool* long_lengths,
                         std::vector<std::string>* warnings) {
  uint64_t short_sum = 0, long_sum = 0;
  for (const RawField& r : raw) {
    short_sum += r.field.length;
    long_sum += r.field.length + r.highLength * 256;
  }
  *long_lengths = short_sum + 1 != record_length && long_sum + 1 == record_length;
  const uint64_t needed = (*long_lengths ? long_sum : short_sum) + 1;
  if (needed > record_length) {
    return Status::Error(
        Format("The table's record length (%u bytes) is too short for its fields (%llu bytes): the table is "
               "damaged.",
               record_length, static_cast<unsigned long long>(needed)));
  }
  if (needed < record_length) {
    warnings->push_back(
        Format("The table's record length (%u bytes) is longer than its fields need (%llu); "
               "the rest of each record is ignored.",
               record_length, static_cast<unsigned long long>(needed)));
  }
  return Status::Ok();
}

}  // namespace

bool Field::IsMemo() const {
  switch (type) {
    case 'M':
    case 'G':
    case 'P':
    case 'W':
      return true;
    case 'B':  // dBase: binary memo; Visual FoxPro: an 8-byte double
      return length != 8;
    default:
      return false;
  }
}

Table::~Table() = default;

Status Table::Open(std::unique_ptr<ByteSource> dbf, std::unique_ptr<ByteSource> memo, MemoLayout layout,
                   const TableOptions& options, std::unique_ptr<Table>* out) {
  if (memo == nullptr) layout = MemoLayout::None;
  return Build(std::move(dbf), std::move(memo), layout, options, std::string(),
               layout == MemoLayout::None ? "no memo file was given" : std::string(), out);
}

Status Table::Open(const std::string& dbf_path, const TableOptions& options, std::unique_ptr<Table>* out) {
  Result<std::unique_ptr<ByteSource>> opened = OpenFileSource(dbf_path);
  if (!opened.IsOk()) return opened.GetStatus();
  std::unique_ptr<ByteSource> dbf = opened.TakeValue();

  char version = 0;
  const bool foxpro = dbf->ReadAt(0, 1, &version) &&
                      KindOf(static_cast<uint8_t>(version)) != TableKind::DBase3 &&
                      KindOf(static_cast<uint8_t>(version)) != TableKind::DBase4;
  std::array<const char*, 2> extensions = {".fpt", ".dbt"};
  if (!foxpro) std::swap(extensions[0], extensions[1]);

  namespace fs = std::filesystem;
  const fs::path path(dbf_path);
  fs::path directory = path.parent_path();
  if (directory.empty()) directory = ".";
  const std::string stem = path.stem().string();

  MemoLayout layout = MemoLayout::None;
  const std::string found = FindMemoFile(directory, stem, extensions, &layout);

  std::unique_ptr<ByteSource> memo;
  std::string memo_problem;
  if (found.empty()) {
    memo_problem = "no memo file (" + stem + ".FPT or " + stem + ".DBT) was found beside the table";
  } else {
    Result<std::unique_ptr<ByteSource>> memo_opened = OpenFileSource(found);
    if (memo_opened.IsOk()) memo = memo_opened.TakeValue();
    if (!memo_opened.IsOk()) {
      std::string reason = memo_opened.GetStatus().Message();
      if (!reason.empty() && reason.back() == '.') reason.pop_back();
      memo_problem = "its memo file cannot be opened (" + reason + ")";
      layout = MemoLayout::None;
    }
  }
  return Build(std::move(dbf), std::move(memo), layout, options, found, memo_problem, out);
}

Status Table::Build(std::unique_ptr<ByteSource> dbf, std::unique_ptr<ByteSource> memo, MemoLayout layout,
                    const TableOptions& options, std::string memo_path, std::string memo_problem,
                    std::unique_ptr<Table>* out) {
  std::unique_ptr<Table> table(new Table());
  table->dbf_ = std::move(dbf);
  table->memo_ = std::move(memo);
  table->memoLayout_ = layout;
  table->memoPath_ = std::move(memo_path);
  table->memoProblem_ = std::move(memo_problem);
  table->maxMemoBytes_ = options.maxMemoBytes;
  Status status = table->Parse(options);
  if (!status.IsOk()) return status;
  table->OpenMemo();
  *out = std::move(table);
  return Status::Ok();
}

Status Table::Parse(const TableOptions& options) {
  (void)options.password;  // only encrypted tables would need it, and those are refused below
  const uint64_t size = dbf_->Size();
  char header[kTableHeaderSize];
  if (size < kTableHeaderSize || !dbf_->ReadAt(0, kTableHeaderSize, header)) {
    return Status::Error(Format("The file is too short to be an xBase table (%llu bytes).",
                                static_cast<unsigned long long>(size)));
  }
  version_ = static_cast<uint8_t>(header[0]);
  if ((version_ & 0x07) == 4) {  // 0x04 and 0x8C
    return Status::Error("This is a dBase 7 table, a format that cannot be read here.");
  }
  if (!IsKnownVersion(version_)) {
    warnings_.push_back(
        Format("The table's version byte 0x%02X is not a known one; it is read as a dBase table.", version_));
  }
  kind_ = KindOf(version_);
  const ByteReader header_reader(header, sizeof header);
  headerLength_ = header_reader.U16At(8);
  recordLength_ = header_reader.U16At(10);
  const uint32_t header_count = header_reader.U32At(4);

  if (header[15] == 0x01) {
    return Status::Error(
        "The table is encrypted. Its encryption belongs to the program that wrote it and cannot be "
        "read here, with or without the password.");
  }
  if (headerLength_ < kTableHeaderSize + 1) {
    return Status::Error(
        Format("The table's header length (%u bytes) is too small: the table is damaged.", headerLength_));
  }
  if (headerLength_ > size) {
    return Status::Error(
        Format("The table is cut inside its header (the header needs %u bytes, the file has %llu).",
               headerLength_, static_cast<unsigned long long>(size)));
  }
  if (recordLength_ == 0) {
    return Status::Error("The table's record length is 0: the table is damaged.");
  }

  languageDriver_ = static_cast<uint8_t>(header[29]);
  const int named = CodePageOfLanguageDriver(languageDriver_);
  if (named == 0) {
    codePage_ = kDefaultCodePage;
  } else if (named < 0) {
    codePage_ = kDefaultCodePage;
    warnings_.push_back(Format(
        "The table's language-driver byte 0x%02X names no known code page; its text is read as Windows-1252.",
        languageDriver_));
  } else if (!CanDecode(named)) {
    codePage_ = kDefaultCodePage;
    warnings_.push_back(Format(
        "The table's text is in code page %d, which cannot be decoded here; it is read as Windows-1252.",
        named));
  } else {
    codePage_ = named;
  }

  Status status = ParseFields();
  if (!status.IsOk()) return status;

  const uint64_t whole_records = (size - headerLength_) / recordLength_;
  recordCount_ = header_count;
  if (header_count > whole_records) {
    recordCount_ = static_cast<uint32_t>(whole_records);
    warnings_.push_back(Format("The table is cut: its header counts %u records, but the file holds only %u.",
                               header_count, recordCount_));
  }
  return Status::Ok();
}

Status Table::ParseFields() {
  std::string header(headerLength_, '\0');
  if (!dbf_->ReadAt(0, header.size(), header.data())) {
    return Status::Error("The table's header cannot be read.");
  }
  std::vector<RawField> raw;
  Status status = ReadFieldDescriptors(*this, header, &raw, &warnings_);
  if (!status.IsOk()) return status;
  bool long_lengths = false;
  status = CheckRecordLength(raw, recordLength_, &long_lengths, &warnings_);
  if (!status.IsOk()) return status;

  uint32_t offset = 1;
  int next_bit = 0;
  for (RawField& r : raw) {
    Field& f = r.field;
    if (long_lengths) {
      f.length += r.highLength * 256;
      f.decimals = 0;
    }
    f.offset = offset;
    offset += f.length;
    if (kind_ == TableKind::VisualFoxPro) {
      if (f.type == '0' && f.IsSystem()) nullFlagsField_ = static_cast<int>(fields_.size());
      // Each variable-length field takes a bit for "shorter than the field", each field that may
      // be null a bit for "null", in field order.
      if (f.type == 'V' || f.type == 'Q') f.lengthBit = next_bit++;
      if ((f.flags & 0x02) != 0) f.nullBit = next_bit++;
    }
    fields_.push_back(std::move(f));
  }
  return Status::Ok();
}

void Table::OpenMemo() {
  bool has_memo_fields = false;
  for (const Field& f : fields_) has_memo_fields = has_memo_fields || f.IsMemo();
  if (memoLayout_ == MemoLayout::None || memo_ == nullptr) {
    memoLayout_ = MemoLayout::None;
    if (memoProblem_.empty()) memoProblem_ = "no memo file was given";
    if (has_memo_fields) warnings_.push_back("The table has memo fields but " + memoProblem_ + ".");
    return;
  }
  char header[kMemoHeaderSize];
  if (!memo_->ReadAt(0, kMemoHeaderSize, header)) {
    memoProblem_ = Format("the memo file is too short (%llu bytes) to hold its header",
                          static_cast<unsigned long long>(memo_->Size()));
    if (has_memo_fields) warnings_.push_back("The table's memos cannot be read: " + memoProblem_ + ".");
    return;
  }
  if (memoLayout_ == MemoLayout::FoxPro) {
    memoBlockSize_ = ByteReader(header, sizeof header).U16BigEndianAt(6);
    if (memoBlockSize_ == 0) {
      memoBlockSize_ = kFoxProDefaultBlockSize;
      if (has_memo_fields) {
        warnings_.push_back(
            "The memo file gives a block size of 0; FoxPro's default of 64 bytes is assumed.");
      }
    }
  } else {
    // dBase III memo files have fixed 512-byte blocks and leave the size field empty; dBase IV
    // keeps its block size at byte 20.
    memoBlockSize_ = kDBase3BlockSize;
    const uint32_t stored = ByteReader(header, sizeof header).U16At(20);
    if (kind_ == TableKind::DBase4 && stored >= 64) memoBlockSize_ = stored;
  }
}

int Table::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (EqualsIgnoringCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string Table::Decode(std::string_view bytes) const { return DecodeText(bytes, codePage_); }

Status Table::ReadRecord(uint32_t index, Record* out) const {
  if (index >= recordCount_) {
    return Status::Error(Format("Record %llu does not exist; the table has %u records.",
                                static_cast<unsigned long long>(index) + 1, recordCount_));
  }
  out->table_ = this;
  out->number_ = index + 1;
  out->bytes_.resize(recordLength_);
  const uint64_t offset = headerLength_ + uint64_t{index} * recordLength_;
  if (!dbf_->ReadAt(offset, recordLength_, out->bytes_.data())) {
    out->bytes_.clear();
    return Status::Error(Format("Record %u cannot be read.", index + 1));
  }
  out->deleted_ = out->bytes_[0] == '*';
  return Status::Ok();
}

Status Table::ReadMemoBlock(uint64_t block, Memo* out) const {
  *out = Memo();
  out->block = block;
  if (block == 0) return Status::Ok();
  if (!memoProblem_.empty()) return Status::Error("The memo cannot be read: " + memoProblem_ + ".");
  return memoLayout_ == MemoLayout::FoxPro ? ReadFoxProMemo(block, out) : ReadDBaseMemo(block, out);
}

Status Table::ReadMemoData(uint64_t offset, uint64_t length, uint64_t block, Memo* out) const {
  if (!memo_->Holds(offset, length)) {
    const uint64_t left = offset <= memo_->Size() ? memo_->Size() - offset : 0;
    return Status::Error(
        Format("The memo at block %llu claims %llu bytes, but the memo file holds only %llu after it.",
               static_cast<unsigned long long>(block), static_cast<unsigned long long>(length),
               static_cast<unsigned long long>(left)));
  }
  if (length > maxMemoBytes_) {
    return Status::Error(Format("The memo at block %llu claims %llu bytes, more than a memo may have here.",
                                static_cast<unsigned long long>(block),
                                static_cast<unsigned long long>(length)));
  }
  out->bytes.resize(static_cast<size_t>(length));
  if (!memo_->ReadAt(offset, out->bytes.size(), out->bytes.data())) {
    out->bytes.clear();
    return Status::Error(
        Format("The memo at block %llu cannot be read.", static_cast<unsigned long long>(block)));
  }
  return Status::Ok();
}

Status Table::ReadFoxProMemo(uint64_t block, Memo* out) const {
  const uint64_t offset = block * memoBlockSize_;  // block < 2^40 and size < 2^16: no overflow
  Status status = CheckBlock(block, offset, memo_->Size());
  if (!status.IsOk()) return status;
  char head[8];
  if (!memo_->ReadAt(offset, sizeof head, head)) {
    return Status::Error(Format("The memo at block %llu is cut off by the end of the memo file.",
                                static_cast<unsigned long long>(block)));
  }
  const ByteReader r(head, sizeof head);
  out->isText = r.U32BigEndianAt(0) == 1;
  return ReadMemoData(offset + sizeof head, r.U32BigEndianAt(4), block, out);
}

Status Table::ReadDBaseMemo(uint64_t block, Memo* out) const {
  const uint64_t offset = block * memoBlockSize_;
  Status status = CheckBlock(block, offset, memo_->Size());
  if (!status.IsOk()) return status;

  char head[8];
  if (memo_->ReadAt(offset, sizeof head, head) && std::memcmp(head, kDBase4BlockMark, 4) == 0) {
    // dBase IV: the length counts the 8-byte block header too.
    const uint32_t length = ByteReader(head, sizeof head).U32At(4);
    if (length < sizeof head) {
      return Status::Error(Format("The memo at block %llu gives a length of %u, less than its own header.",
                                  static_cast<unsigned long long>(block), length));
    }
    return ReadMemoData(offset + sizeof head, length - sizeof head, block, out);
  }

  // dBase III: the text runs to an end mark, across as many blocks as it needs.
  const uint64_t size = memo_->Size();
  uint64_t pos = offset;
  char chunk[kDBase3BlockSize];
  while (pos < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, size - pos));
    if (!memo_->ReadAt(pos, n, chunk)) {
      out->bytes.clear();
      return Status::Error(
          Format("The memo at block %llu cannot be read.", static_cast<unsigned long long>(block)));
    }
    const void* end = std::memchr(chunk, kDBase3MemoEnd, n);
    const size_t take = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - chunk) : n;
    if (out->bytes.size() + take > maxMemoBytes_) {
      out->bytes.clear();
      return Status::Error(Format("The memo at block %llu is longer than a memo may be here.",
                                  static_cast<unsigned long long>(block)));
    }
    out->bytes.append(chunk, take);
    if (end != nullptr) return Status::Ok();
    pos += n;
  }
  out->warning = Format("The memo at block %llu has no end mark; it was read up to the end of the memo file.",
                        static_cast<unsigned long long>(block));
  return Status::Ok();
}

bool Record::IsNull(int field) const {
  if (table_ == nullptr || field < 0 || static_cast<size_t>(field) >= table_->fields_.size()) return false;
  const int bit = table_->fields_[field].nullBit;
  if (bit < 0 || table_->nullFlagsField_ < 0) return false;
  const std::string_view flags = Raw(table_->nullFlagsField_);
  const size_t byte = static_cast<size_t>(bit) / 8;
  return byte < flags.size() && (static_cast<uint8_t>(flags[byte]) >> (bit % 8) & 1) != 0;
}

std::string_view Record::Raw(int field) const {
  if (table_ == nullptr || field < 0 || static_cast<size_t>(field) >= table_->fields_.size()) return {};
  const Field& f = table_->fields_[field];
  return std::string_view(bytes_).substr(f.offset, f.length);
}

std::string Record::Text(int field) const {
  if (table_ == nullptr || field < 0 || static_cast<size_t>(field) >= table_->fields_.size()) return {};
  const Field& f = table_->fields_[field];
  if (f.IsMemo() || IsNull(field)) return {};
  std::string_view raw = Raw(field);
  if (f.lengthBit >= 0 && table_->nullFlagsField_ >= 0 && !raw.empty()) {
    const std::string_view flags = Raw(table_->nullFlagsField_);
    const size_t byte = static_cast<size_t>(f.lengthBit) / 8;
    if (byte < flags.size() && (static_cast<uint8_t>(flags[byte]) >> (f.lengthBit % 8) & 1) != 0) {
      raw = raw.substr(0, std::min<size_t>(static_cast<uint8_t>(raw.back()), raw.size() - 1));
    }
  }
  switch (f.type) {
    case 'C':
    case 'V':
      return table_->Decode(raw);
    case 'Q':
    case '0':
      return Hex(raw);
    case 'I':
      if (raw.size() == 4) return std::to_string(ByteReader(raw).I32At(0));
      break;
    case 'Y':
      if (raw.size() == 8) return FormatCurrency(raw);
      break;
    case 'B':
      if (raw.size() == 8) return FormatDouble(raw);
      break;
    case 'T':
      if (raw.size() == 8) return FormatDateTime(raw);
      break;
    default:
      break;
  }
  return table_->Decode(TrimBlanks(raw));
}

Status Record::MemoBlock(int field, uint64_t* block) const {
  *block = 0;
  if (table_ == nullptr || field < 0 || static_cast<size_t>(field) >= table_->fields_.size()) {
    return Status::Error("There is no such field.");
  }
  const Field& f = table_->fields_[field];
  if (!f.IsMemo()) return Status::Error("Field " + f.name + " is not a memo field.");
  if (IsNull(field)) return Status::Ok();
  const std::string_view raw = Raw(field);
  if (raw.size() == 4) {
    *block = ByteReader(raw).U32At(0);
    return Status::Ok();
  }
  const std::string_view digits = TrimBlanks(raw);
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || value > (uint64_t{1} << 40)) {
      return Status::Error(Format("Record %u: memo field %s holds \"%s\", which is not a block number.",
                                  number_, f.name.c_str(), table_->Decode(digits).c_str()));
    }
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  *block = value;
  return Status::Ok();
}

Status Record::ReadMemo(int field, Memo* out) const {
  *out = Memo();
  uint64_t block = 0;
  Status status = MemoBlock(field, &block);
  if (!status.IsOk()) return status;
  status = table_->ReadMemoBlock(block, out);
  if (!status.IsOk()) {
    return Status::Error(Format("Record %u, memo field %s: ", number_, table_->fields_[field].name.c_str()) +
                         status.Message());
  }
  return Status::Ok();
}

}  // namespace inkwend::xbase
