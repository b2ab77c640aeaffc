// Damaged tables and memo files: a clear error or a skipped memo with a message, never a crash,
// a hang or an allocation the file cannot back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "operations/xbase/dbf_table.h"
#include "operations/xbase/tests/xbase_writer.h"

namespace inkwend::xbase {
namespace {

using namespace testing;

TableSpec DiaryTable(uint8_t version = 0xF5) {
  TableSpec plan;
  plan.version = version;
  plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 10}};
  return plan;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(DamagedTable, UnreadableTablesFailToOpenWithAMessage) {
  TableSpec plan = DiaryTable();
  plan.records = {Row(plan.fields, false, {"20240101", ""}), Row(plan.fields, false, {"20240102", ""})};
  const std::string good = WriteTable(plan);

  struct Case {
    const char* name;
    std::function<std::string()> bytes;
    const char* message;
  } cases[] = {
      {"empty file", [] { return std::string(); }, "too short"},
      {"cut inside the first header", [&] { return good.substr(0, 20); }, "too short"},
      {"cut inside the field list", [&] { return good.substr(0, 50); }, "cut inside its header"},
      {"header length below the fixed part",
       [&] {
         std::string s = good;
         PutLe(&s, 8, 20, 2);
         return s;
       },
       "header length"},
      {"record length shorter than the fields",
       [&] {
         std::string s = good;
         PutLe(&s, 10, 12, 2);  // the fields need 1 + 8 + 10
         return s;
       },
       "too short for its fields"},
      {"record length zero",
       [&] {
         std::string s = good;
         PutLe(&s, 10, 0, 2);
         return s;
       },
       "record length is 0"},
      {"no fields",
       [&] {
         std::string s = good;
         s[32] = 0x0D;
         return s;
       },
       "no fields"},
      {"field descriptor without a name",
       [&] {
         std::string s = good;
         s[64] = '\0';
         return s;
       },
       "descriptor 2"},
      {"encrypted",
       [] {
         TableSpec e = DiaryTable(0x8B);
         e.encrypted = true;
         return WriteTable(e);
       },
       "encrypted"},
      {"dBase 7", [&] { return std::string(1, '\x8C') + good.substr(1); }, "dBase 7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Table> table;
    TableOptions options;
    options.password = "secret";
    const Status status = Table::Open(MemorySource(c.bytes()), nullptr, MemoLayout::None, options, &table);
    ASSERT_FALSE(status.IsOk());
    EXPECT_TRUE(Contains(status.Message(), c.message)) << status.Message();
    EXPECT_EQ(table, nullptr);
  }
}

TEST(DamagedTable, CutTableYieldsTheWholeRecordsItHolds) {
  TableSpec plan = DiaryTable();
  for (int i = 1; i <= 5; ++i)
    plan.records.push_back(Row(plan.fields, false, {"2024010" + std::to_string(i), ""}));
  const std::string whole = WriteTable(plan);
  const size_t header = whole.size() - 1 - size_t{5} * 19;
  // Cut in the middle of the fourth record: three whole records remain.
  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(MemorySource(whole.substr(0, header + size_t{3} * 19 + 7)), nullptr,
                          MemoLayout::None, {}, &table)
                  .IsOk());
  EXPECT_EQ(table->record_count(), 3u);
  ASSERT_FALSE(table->warnings().empty());
  EXPECT_TRUE(Contains(table->warnings()[0], "counts 5 records")) << table->warnings()[0];
  Record r;
  ASSERT_TRUE(table->ReadRecord(2, &r).IsOk());
  EXPECT_EQ(r.Text(0), "20240103");
  EXPECT_FALSE(table->ReadRecord(3, &r).IsOk());
}

TEST(DamagedTable, OddButReadableHeadersOpenWithWarnings) {
  TableSpec plan = DiaryTable();
  plan.records = {Row(plan.fields, false, {"20240101", ""})};
  const std::string good = WriteTable(plan);

  struct Case {
    const char* name;
    std::string bytes;
    const char* warning;
  } cases[] = {
      // Two padding bytes after each record: the fields are read where they are.
      {"record longer than its fields",
       [&] {
         std::string s = good.substr(0, good.size() - 1 - 19);
         PutLe(&s, 10, 21, 2);
         return s + plan.records[0] + "xx\x1A";
       }(),
       "longer than its fields need"},
      {"unknown version byte", std::string(1, '\x1F') + good.substr(1), "version byte 0x1F"},
      {"field list without an end mark",
       [&] {
         std::string s = good;
         s[96] = ' ';
         return s;
       }(),
       "no end mark"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Table> table;
    const Status status = Table::Open(MemorySource(c.bytes), nullptr, MemoLayout::None, {}, &table);
    ASSERT_TRUE(status.IsOk()) << status.Message();
    ASSERT_FALSE(table->warnings().empty());
    EXPECT_TRUE(Contains(table->warnings()[0], c.warning)) << table->warnings()[0];
    Record r;
    ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
    EXPECT_EQ(r.Text(0), "20240101");
  }
}

// Each bad memo fails its own read with a message; the records around it stay readable.
TEST(DamagedTable, BadMemosAreReportedOneByOne) {
  struct Case {
    const char* name;
    MemoLayout layout;
    std::function<std::string(uint32_t* block)> memo;  // sets the block the record points at
    const char* message;
    uint64_t maxMemoBytes = uint64_t{256} << 20;
  } cases[] = {
      {"FoxPro block beyond the file", MemoLayout::FoxPro,
       [](uint32_t* block) {
         *block = 4000;
         return FptWriter().Bytes();
       },
       "beyond the end"},
      {"FoxPro length of 2^31", MemoLayout::FoxPro,
       [](uint32_t* block) {
         FptWriter w;
         *block = w.Add("short");
         std::string s = w.Bytes();
         PutBe(&s, *block * 64 + 4, 0x80000000u, 4);
         return s;
       },
       "claims 2147483648 bytes"},
      {"FoxPro memo cut by the end of the file", MemoLayout::FoxPro,
       [](uint32_t* block) {
         FptWriter w;
         *block = w.Add(std::string(100, 'a'));
         return w.Bytes().substr(0, *block * 64 + 50);
       },
       "holds only 42 after it"},
      {"FoxPro block header cut", MemoLayout::FoxPro,
       [](uint32_t* block) {
         FptWriter w;
         *block = w.Add("abc");
         return w.Bytes().substr(0, *block * 64 + 5);
       },
       "cut off"},
      // A block number that leads back into the memo file's own header, where the next-free
      // pointer lives: followed, it would read the header as a memo.
      {"FoxPro block pointing back into the header", MemoLayout::FoxPro,
       [](uint32_t* block) {
         FptWriter w;
         w.Add("real");
         *block = 1;
         return w.Bytes();
       },
       "inside the memo file's header"},
      {"memo larger than allowed", MemoLayout::FoxPro,
       [](uint32_t* block) {
         FptWriter w;
         *block = w.Add(std::string(2000, 'a'));
         return w.Bytes();
       },
       "more than a memo may have", 1000},
      {"dBase IV length of 2^31", MemoLayout::DBase,
       [](uint32_t* block) {
         DbtWriter w(true);
         *block = w.Add("short");
         std::string s = w.Bytes();
         PutLe(&s, *block * 512 + 4, 0x80000000u, 4);
         return s;
       },
       "claims 2147483640 bytes"},
      {"dBase IV length below its header", MemoLayout::DBase,
       [](uint32_t* block) {
         DbtWriter w(true);
         *block = w.Add("short");
         std::string s = w.Bytes();
         PutLe(&s, *block * 512 + 4, 3, 4);
         return s;
       },
       "less than its own header"},
      {"dBase block beyond the file", MemoLayout::DBase,
       [](uint32_t* block) {
         *block = 99;
         return DbtWriter().Bytes();
       },
       "beyond the end"},
      {"dBase III memo longer than allowed", MemoLayout::DBase,
       [](uint32_t* block) {
         DbtWriter w;
         *block = w.Add(std::string(5000, 'a'));
         return w.Bytes();
       },
       "longer than a memo may be", 1000},
      {"memo file shorter than its header", MemoLayout::FoxPro,
       [](uint32_t* block) {
         *block = 8;
         return FptWriter().Bytes().substr(0, 100);
       },
       "too short"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t block = 0;
    const std::string memo = c.memo(&block);
    TableSpec plan = DiaryTable(c.layout == MemoLayout::FoxPro ? 0xF5 : 0x8B);
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(block)}),
                    Row(plan.fields, false, {"20240102", ""})};
    TableOptions options;
    options.maxMemoBytes = c.maxMemoBytes;
    std::unique_ptr<Table> table;
    ASSERT_TRUE(
        Table::Open(MemorySource(WriteTable(plan)), MemorySource(memo), c.layout, options, &table).IsOk());
    Record r;
    ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
    Memo m;
    const Status status = r.ReadMemo(1, &m);
    ASSERT_FALSE(status.IsOk());
    EXPECT_TRUE(Contains(status.Message(), c.message)) << status.Message();
    EXPECT_TRUE(Contains(status.Message(), "Record 1, memo field ENTRY")) << status.Message();
    EXPECT_TRUE(m.bytes.empty());
    ASSERT_TRUE(table->ReadRecord(1, &r).IsOk());
    EXPECT_EQ(r.Text(0), "20240102");
    EXPECT_TRUE(r.ReadMemo(1, &m).IsOk());
  }
}

TEST(DamagedTable, MemoPointerThatIsNotANumber) {
  TableSpec plan = DiaryTable();
  plan.records = {Row(plan.fields, false, {"20240101", "12ab"})};
  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(MemorySource(WriteTable(plan)), MemorySource(FptWriter().Bytes()),
                          MemoLayout::FoxPro, {}, &table)
                  .IsOk());
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  Memo m;
  const Status status = r.ReadMemo(1, &m);
  ASSERT_FALSE(status.IsOk());
  EXPECT_TRUE(Contains(status.Message(), "\"12ab\", which is not a block number")) << status.Message();
  EXPECT_FALSE(r.ReadMemo(0, &m).IsOk());  // DATE is no memo field
}

// A dBase III memo runs to its end mark; one that never meets it stops at the end of the memo
// file and says so, instead of running on.
TEST(DamagedTable, DBase3MemoWithoutEndMarkStopsAtTheEndOfTheFile) {
  DbtWriter w;
  const uint32_t block = w.Add("");
  std::string memo = w.Bytes().substr(0, static_cast<size_t>(block) * 512);
  memo += std::string(1500, 'z');
  TableSpec plan = DiaryTable(0x83);
  plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(block)})};
  std::unique_ptr<Table> table;
  ASSERT_TRUE(
      Table::Open(MemorySource(WriteTable(plan)), MemorySource(memo), MemoLayout::DBase, {}, &table).IsOk());
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  Memo m;
  ASSERT_TRUE(r.ReadMemo(1, &m).IsOk());
  EXPECT_EQ(m.bytes, std::string(1500, 'z'));
  EXPECT_TRUE(Contains(m.warning, "no end mark")) << m.warning;
}

// Two records that point at the same memo block (a damaged free list can do this) each read
// it; nothing is followed from one memo to another.
TEST(DamagedTable, RecordsSharingAMemoBlock) {
  FptWriter w;
  const uint32_t block = w.Add("shared");
  TableSpec plan = DiaryTable();
  plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(block)}),
                  Row(plan.fields, false, {"20240102", MemoPointer(block)})};
  std::unique_ptr<Table> table;
  ASSERT_TRUE(
      Table::Open(MemorySource(WriteTable(plan)), MemorySource(w.Bytes()), MemoLayout::FoxPro, {}, &table)
          .IsOk());
  for (uint32_t i = 0; i < 2; ++i) {
    Record r;
    ASSERT_TRUE(table->ReadRecord(i, &r).IsOk());
    Memo m;
    ASSERT_TRUE(r.ReadMemo(1, &m).IsOk());
    EXPECT_EQ(m.bytes, "shared");
  }
}

}  // namespace
}  // namespace inkwend::xbase
