#pragma once
// Reader of xBase tables (.DBF) with their memo files: .FPT (FoxPro layout) or .DBT (dBase III
// and dBase IV layouts). It reads dBase III, dBase IV, FoxBASE, FoxPro and Visual FoxPro tables,
// taking the version byte, header length, record length and field descriptors from the file
// rather than assuming one version. Reading never changes the files.
//
// Damage is handled in two ways. What makes the whole table unreadable (too short a header, a
// record length that cannot hold the fields, an encrypted table) fails Open with a message. What
// spoils part of it is a warning and the rest is read: a cut file yields the whole records it
// still holds, and a bad memo fails only the ReadMemo call that meets it.
//
// Typical use:
//   std::unique_ptr<Table> table;
//   Status s = Table::Open("/path/INKWEND.DBF", {}, &table);
//   Record r;
//   for (uint32_t i = 0; i < table->record_count(); ++i) {
//     if (!table->ReadRecord(i, &r).IsOk()) break;
//     if (r.deleted()) continue;
//     std::string date = r.Text(table->FindField("date"));
//     Memo memo;
//     if (r.ReadMemo(table->FindField("ENTRY"), &memo).IsOk()) ... memo.bytes ...
//   }
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "base/status.h"

namespace inkwend::xbase {

// The family a table's version byte belongs to.
enum class TableKind {
  DBase3,        // 0x03, 0x83; also Visual Objects (0x07, 0x87) and unknown bytes
  DBase4,        // 0x05, 0x7B, 0x8B, 0xCB, 0x43, 0x63, 0x8E
  FoxBase,       // 0x02, 0xFB
  FoxPro,        // 0xF5 (FoxPro 2 with memo); 0x03 tables written by FoxPro look like dBase III
  VisualFoxPro,  // 0x30, 0x31, 0x32
};

// Layout of the memo file handed to Open.
enum class MemoLayout {
  None,    // no memo file
  FoxPro,  // .FPT: block size in the header, big-endian block headers
  DBase,   // .DBT: dBase III (text ended by 0x1A) or dBase IV (block header FF FF 08 00), per block
};

struct Field {
  std::string name;     // as stored (decoded), without the trailing zero bytes
  char type = 'C';      // the type letter: C N F D L M G P B I Y T V Q 0 ...
  uint32_t offset = 0;  // of the value in the record; byte 0 is the deleted mark
  uint32_t length = 0;
  uint8_t decimals = 0;
  uint8_t flags = 0;   // Visual FoxPro: 0x01 hidden system field, 0x02 may be null, 0x04 binary
  int nullBit = -1;    // bit in the _NullFlags field that marks the value null, or -1
  int lengthBit = -1;  // bit in _NullFlags saying a V or Q value is shorter than the field, or -1

  // Whether the value is a block number into the memo file.
  bool IsMemo() const;
  // Visual FoxPro's hidden _NullFlags field and other system fields.
  bool IsSystem() const { return (flags & 0x01) != 0; }
};

// One memo as stored.
struct Memo {
  uint64_t block = 0;   // 0 when the record has no memo in this field
  bool isText = true;   // false for FoxPro picture and object memos (type 0 and 2)
  std::string bytes;    // unchanged
  std::string warning;  // set when the memo was read but something about it is off
};

struct TableOptions {
  // The diary's password. Unencrypted tables open whatever password is given; encrypted ones
  // cannot be read (their scheme is the closed engine's own) and fail to open with a message.
  std::string password;
  // A single memo larger than this is refused as damage rather than read into memory.
  uint64_t maxMemoBytes = uint64_t{256} << 20;
};

class Record;

class Table {
 public:
  // Opens a .DBF file and the memo file beside it with the same base name (.FPT for FoxPro
  // tables, .DBT for dBase ones, the other extension as a fallback; any letter case).
  static Status Open(const std::string& dbf_path, const TableOptions& options, std::unique_ptr<Table>* out);
  // Opens a table from bytes; `memo` may be null (layout None).
  static Status Open(std::unique_ptr<ByteSource> dbf, std::unique_ptr<ByteSource> memo, MemoLayout layout,
                     const TableOptions& options, std::unique_ptr<Table>* out);

  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  uint8_t version() const { return version_; }
  TableKind kind() const { return kind_; }
  // The code page text is decoded with (1252 when the language-driver byte names none).
  int code_page() const { return codePage_; }
  uint8_t language_driver() const { return languageDriver_; }
  MemoLayout memo_layout() const { return memoLayout_; }
  uint32_t memo_block_size() const { return memoBlockSize_; }
  // The memo file found by the path form of Open, empty when there is none.
  const std::string& memo_path() const { return memoPath_; }

  const std::vector<Field>& fields() const { return fields_; }
  // The index of the field with this name, compared without regard to ASCII case; -1 when none.
  int FindField(std::string_view name) const;

  // Records that can be read: the header's count, or fewer when the file is cut.
  uint32_t record_count() const { return recordCount_; }
  // Reads record `index` (0-based, in table order).
  Status ReadRecord(uint32_t index, Record* out) const;

  // Reads the memo whose block number is `block` (0: no memo, an empty result).
  Status ReadMemoBlock(uint64_t block, Memo* out) const;

  // Decodes stored text with the table's code page into UTF-8.
  std::string Decode(std::string_view bytes) const;

  // Damage noticed while opening (cut file, odd record length, missing memo file, unknown code
  // page ...). The table is still usable.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  Table() = default;
  static Status Build(std::unique_ptr<ByteSource> dbf, std::unique_ptr<ByteSource> memo, MemoLayout layout,
                      const TableOptions& options, std::string memo_path, std::string memo_problem,
                      std::unique_ptr<Table>* out);
  Status Parse(const TableOptions& options);
  Status ParseFields();
  void OpenMemo();
  Status ReadFoxProMemo(uint64_t block, Memo* out) const;
  Status ReadDBaseMemo(uint64_t block, Memo* out) const;
  Status ReadMemoData(uint64_t offset, uint64_t length, uint64_t block, Memo* out) const;

  friend class Record;

  std::unique_ptr<ByteSource> dbf_;
  std::unique_ptr<ByteSource> memo_;
  MemoLayout memoLayout_ = MemoLayout::None;
  std::string memoPath_;
  std::string memoProblem_;  // why memos cannot be read at all, empty when they can
  uint32_t memoBlockSize_ = 0;
  uint64_t maxMemoBytes_ = 0;

  uint8_t version_ = 0;
  TableKind kind_ = TableKind::DBase3;
  uint8_t languageDriver_ = 0;
  int codePage_ = 1252;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  uint32_t recordCount_ = 0;
  std::vector<Field> fields_;
  int nullFlagsField_ = -1;
  std::vector<std::string> warnings_;
};

// One record as read. It refers back to its table, which must outlive it.
class Record {
 public:
  // 1-based record number, as xBase programs count.
  uint32_t number() const { return number_; }
  bool deleted() const { return deleted_; }

  // Visual FoxPro: whether the field's value is null.
  bool IsNull(int field) const;
  // The stored bytes of the field, unchanged (the whole field width).
  std::string_view Raw(int field) const;
  // The value as UTF-8 text. Character fields keep their trailing blanks as stored. Numbers,
  // dates ("YYYYMMDD") and logicals are the stored text without surrounding blanks; binary
  // numbers (I, Y, B, T of Visual FoxPro) are written out in decimal, T as "YYYY-MM-DD HH:MM:SS".
  // Memo fields give an empty text (read them with ReadMemo); so do null values and field -1.
  std::string Text(int field) const;
  // The block number a memo field holds (0: no memo). Fails on a field that is not a memo or
  // a block number that is not a number.
  Status MemoBlock(int field, uint64_t* block) const;
  // Reads the memo of a memo field.
  Status ReadMemo(int field, Memo* out) const;

 private:
  friend class Table;
  const Table* table_ = nullptr;  // the table that read this record; owned by the caller
  uint32_t number_ = 0;
  bool deleted_ = false;
  std::string bytes_;
};

}  // namespace inkwend::xbase
