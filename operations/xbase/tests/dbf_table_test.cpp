#include "operations/xbase/dbf_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "operations/xbase/tests/xbase_writer.h"

namespace inkwend::xbase {
namespace {

using namespace testing;

std::unique_ptr<Table> OpenOrFail(const std::string& dbf, const std::string& memo, MemoLayout layout,
                                  TableOptions options = {}) {
  std::unique_ptr<Table> table;
  const Status status =
      Table::Open(MemorySource(dbf), memo.empty() ? nullptr : MemorySource(memo), layout, options, &table);
  EXPECT_TRUE(status.IsOk()) << status.Message();
  return table;
}

std::string MemoOf(const Table& table, uint32_t index, std::string_view field) {
  Record r;
  EXPECT_TRUE(table.ReadRecord(index, &r).IsOk());
  Memo memo;
  const Status status = r.ReadMemo(table.FindField(field), &memo);
  EXPECT_TRUE(status.IsOk()) << status.Message();
  return memo.bytes;
}

// The diary's legacy table in every family the reader takes: the version byte and the memo
// file decide the layout, the rest is read from the header.
TEST(DbfTable, ReadsEveryTableFamilyWithItsMemoFile) {
  struct Case {
    const char* name;
    uint8_t version;
    TableKind kind;
    MemoLayout layout;
    int pointerWidth;
    int dbt;  // 0: FoxPro memo file, 3 or 4: dBase III or IV memo file
  } cases[] = {
      {"dBase III", 0x83, TableKind::DBase3, MemoLayout::DBase, 10, 3},
      {"dBase IV", 0x8B, TableKind::DBase4, MemoLayout::DBase, 10, 4},
      {"FoxBASE", 0xFB, TableKind::FoxBase, MemoLayout::DBase, 10, 3},
      {"FoxPro 2", 0xF5, TableKind::FoxPro, MemoLayout::FoxPro, 10, 0},
      {"Visual FoxPro", 0x30, TableKind::VisualFoxPro, MemoLayout::FoxPro, 4, 0},
  };
  const std::string entry = "{\\rtf1\\ansi Hello\\par\r\n}\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableSpec plan;
    plan.version = c.version;
    plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', c.pointerWidth}, {"MOOD", 'C', 6}};
    FptWriter fpt;
    DbtWriter dbt(c.dbt == 4);
    auto add = [&](const std::string& text) { return c.dbt == 0 ? fpt.Add(text) : dbt.Add(text); };
    const uint32_t first = add(entry);
    const uint32_t second = add("gone");
    plan.records = {
        Row(plan.fields, false, {"20240101", MemoPointer(first, c.pointerWidth), "calm"}),
        Row(plan.fields, true, {"20240102", MemoPointer(second, c.pointerWidth), "sad"}),
        Row(plan.fields, false, {"20240103", MemoPointer(0, c.pointerWidth), ""}),
    };
    auto table = OpenOrFail(WriteTable(plan), c.dbt == 0 ? fpt.Bytes() : dbt.Bytes(), c.layout);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->warnings().empty()) << table->warnings().front();
    EXPECT_EQ(table->kind(), c.kind);
    EXPECT_EQ(table->record_count(), 3u);
    ASSERT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->FindField("Date"), 0);
    EXPECT_EQ(table->FindField("entry"), 1);
    EXPECT_EQ(table->FindField("ENTRIES"), -1);

    Record r;
    ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
    EXPECT_EQ(r.number(), 1u);
    EXPECT_FALSE(r.deleted());
    EXPECT_EQ(r.Text(table->FindField("date")), "20240101");
    EXPECT_EQ(r.Text(table->FindField("mood")), "calm  ");  // trailing blanks as stored
    EXPECT_EQ(MemoOf(*table, 0, "ENTRY"), entry);

    ASSERT_TRUE(table->ReadRecord(1, &r).IsOk());
    EXPECT_TRUE(r.deleted());
    EXPECT_EQ(MemoOf(*table, 1, "ENTRY"), "gone");

    ASSERT_TRUE(table->ReadRecord(2, &r).IsOk());
    Memo memo;
    ASSERT_TRUE(r.ReadMemo(1, &memo).IsOk());
    EXPECT_EQ(memo.block, 0u);
    EXPECT_EQ(memo.bytes, "");
    EXPECT_FALSE(table->ReadRecord(3, &r).IsOk());
  }
}

// Memos that fill more than one block, and memos over 64 KB (beyond any 16-bit length), in each
// memo layout; the bytes come back unchanged, line ends and all.
TEST(DbfTable, LongMemosComeBackWhole) {
  std::string over_a_block;
  for (int i = 0; over_a_block.size() <= 600; ++i) over_a_block += "line " + std::to_string(i) + "\r\n";
  std::string over_64k;
  for (int i = 0; over_64k.size() <= 70000; ++i) over_64k += "{\\b word " + std::to_string(i) + "}\r\n";
  over_64k += "caf\xE9";

  for (int layout = 0; layout < 4; ++layout) {
    SCOPED_TRACE(layout);
    TableSpec plan;
    plan.version = layout < 2 ? 0xF5 : 0x83;
    if (layout == 3) plan.version = 0x8B;
    plan.fields = {{"ENTRY", 'M', 10}};
    FptWriter fpt(layout == 0 ? 64 : 512);
    DbtWriter dbt(layout == 3);
    auto add = [&](const std::string& text) { return layout < 2 ? fpt.Add(text) : dbt.Add(text); };
    const uint32_t a = add(over_a_block);
    const uint32_t b = add(over_64k);
    plan.records = {Row(plan.fields, false, {MemoPointer(a)}), Row(plan.fields, false, {MemoPointer(b)})};
    auto table = OpenOrFail(WriteTable(plan), layout < 2 ? fpt.Bytes() : dbt.Bytes(),
                            layout < 2 ? MemoLayout::FoxPro : MemoLayout::DBase);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(MemoOf(*table, 0, "ENTRY"), over_a_block);
    EXPECT_EQ(MemoOf(*table, 1, "ENTRY"), over_64k);
  }
}

// FoxPro memos carry a type: text (1), picture (0) or object (2); the bytes are binary-safe.
TEST(DbfTable, FoxProPictureMemosKeepTheirBytes) {
  TableSpec plan;
  plan.version = 0x30;
  plan.fields = {{"PIC", 'G', 4}};
  FptWriter fpt(32);
  const std::string binary("\x00\x1A\x1A\xFF\x00", 5);
  plan.records = {Row(plan.fields, false, {MemoPointer(fpt.Add(binary, 0), 4)})};
  auto table = OpenOrFail(WriteTable(plan), fpt.Bytes(), MemoLayout::FoxPro);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->memo_block_size(), 32u);
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  Memo memo;
  ASSERT_TRUE(r.ReadMemo(0, &memo).IsOk());
  EXPECT_FALSE(memo.isText);
  EXPECT_EQ(memo.bytes, binary);
}

TEST(DbfTable, ValuesOfTheOtherFieldTypes) {
  TableSpec plan;
  plan.version = 0x03;
  plan.fields = {{"DAY", 'D', 8}, {"AMOUNT", 'N', 8, 2}, {"RATE", 'F', 10, 3}, {"DONE", 'L', 1}};
  plan.records = {Row(plan.fields, false, {"20240229", "12.50", "-0.125", "T"}),
                  Row(plan.fields, false, {"", "", "", "?"})};
  auto table = OpenOrFail(WriteTable(plan), "", MemoLayout::None);
  ASSERT_NE(table, nullptr);
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  EXPECT_EQ(r.Text(0), "20240229");
  EXPECT_EQ(r.Text(1), "12.50");
  EXPECT_EQ(r.Text(2), "-0.125");
  EXPECT_EQ(r.Text(3), "T");
  EXPECT_EQ(r.Raw(1), "   12.50");
  ASSERT_TRUE(table->ReadRecord(1, &r).IsOk());
  EXPECT_EQ(r.Text(0), "");  // an empty date
  EXPECT_EQ(r.Text(1), "");
  EXPECT_EQ(r.Text(3), "?");
  EXPECT_EQ(r.Text(-1), "");
  EXPECT_EQ(r.Text(4), "");
}

// Visual FoxPro's binary types and its hidden _NullFlags field, which marks null values and
// variable-length values shorter than their field.
TEST(DbfTable, VisualFoxProBinaryFieldsAndNulls) {
  TableSpec plan;
  plan.version = 0x32;
  plan.fields = {
      {"COUNT", 'I', 4},         {"PRICE", 'Y', 8},
      {"RATIO", 'B', 8, 2},      {"WHEN", 'T', 8},
      {"NICK", 'C', 6, 0, 0x02}, {"NOTE", 'V', 10},
      {"MEMO", 'M', 4, 0, 0x02}, {"_NullFlags", '0', 1, 0, 0x05},
  };
  // Bits in field order: NICK null = 0, NOTE shorter = 1, MEMO null = 2.
  const std::string julian_2024_02_29 = Le(2460370, 4);
  const std::string half_past_one = Le(uint64_t{13 * 3600 + 30 * 60 + 5} * 1000, 4);
  plan.records = {
      Row(plan.fields, false,
          {Le(static_cast<uint32_t>(-42), 4), Le(123456789, 8), Le(0x3FF8000000000000ull, 8),
           julian_2024_02_29 + half_past_one, "Ann   ", std::string("hi\0\0\0\0\0\0\0\x02", 10), Le(0, 4),
           std::string(1, '\x06')}),
      Row(plan.fields, false,
          {Le(7, 4), Le(static_cast<uint64_t>(-5), 8), Le(0, 8), Le(0, 8), "      ", "full text!", Le(0, 4),
           std::string(1, '\x01')}),
  };
  FptWriter fpt;
  auto table = OpenOrFail(WriteTable(plan), fpt.Bytes(), MemoLayout::FoxPro);
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->fields()[7].IsSystem());
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  EXPECT_EQ(r.Text(0), "-42");
  EXPECT_EQ(r.Text(1), "12345.6789");
  EXPECT_EQ(r.Text(2), "1.5");
  EXPECT_EQ(r.Text(3), "2024-02-29 13:30:05");
  EXPECT_FALSE(r.IsNull(4));
  EXPECT_EQ(r.Text(4), "Ann   ");
  EXPECT_EQ(r.Text(5), "hi");
  EXPECT_TRUE(r.IsNull(6));
  ASSERT_TRUE(table->ReadRecord(1, &r).IsOk());
  EXPECT_EQ(r.Text(1), "-0.0005");
  EXPECT_EQ(r.Text(3), "");
  EXPECT_TRUE(r.IsNull(4));
  EXPECT_EQ(r.Text(4), "");
  EXPECT_EQ(r.Text(5), "full text!");
  EXPECT_FALSE(r.IsNull(6));
}

// Clipper and FoxPro keep character fields longer than 255 bytes with the high byte of the
// length where other types keep their decimals.
TEST(DbfTable, CharacterFieldsOver255Bytes) {
  TableSpec plan;
  plan.version = 0x03;
  plan.fields = {{"LONG", 'C', 300}, {"N", 'N', 3}};
  const std::string text(299, 'x');
  plan.records = {Row(plan.fields, false, {text + "y", "7"})};
  auto table = OpenOrFail(WriteTable(plan), "", MemoLayout::None);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->fields()[0].length, 300u);
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  EXPECT_EQ(r.Text(0), text + "y");
  EXPECT_EQ(r.Text(1), "7");
}

TEST(DbfTable, PasswordIsIgnoredForUnencryptedTables) {
  TableSpec plan;
  plan.fields = {{"DATE", 'C', 8}};
  plan.records = {Row(plan.fields, false, {"20240101"})};
  TableOptions options;
  options.password = "secret";
  auto table = OpenOrFail(WriteTable(plan), "", MemoLayout::None, options);
  ASSERT_NE(table, nullptr);
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  EXPECT_EQ(r.Text(0), "20240101");
}

// Opening by path finds the memo file beside the table whatever the letter case of its name,
// and leaves both files as they were.
class DbfTableOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    dir_ = std::filesystem::path(tmp != nullptr ? tmp : "/tmp") /
           ("xbase_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir_;
};

TEST_F(DbfTableOnDisk, FindsTheMemoFileInAnyLetterCase) {
  TableSpec plan;
  plan.version = 0xF5;
  plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 10}};
  FptWriter fpt;
  plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(fpt.Add("{\\rtf1 x}"))})};
  const std::string dbf = Write("INKWEND.DBF", WriteTable(plan));
  const std::string memo = Write("inkwend.fpt", fpt.Bytes());
  const std::string before = ReadFile(dbf) + ReadFile(memo);

  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(dbf, {}, &table).IsOk());
  EXPECT_EQ(table->memo_path(), memo);
  EXPECT_EQ(table->memo_layout(), MemoLayout::FoxPro);
  EXPECT_EQ(MemoOf(*table, 0, "ENTRY"), "{\\rtf1 x}");
  table.reset();
  EXPECT_EQ(ReadFile(dbf) + ReadFile(memo), before);
}

TEST_F(DbfTableOnDisk, MissingMemoFileIsAWarningAndEachMemoAnError) {
  TableSpec plan;
  plan.version = 0xF5;
  plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 10}};
  plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(8)}),
                  Row(plan.fields, false, {"20240102", MemoPointer(0)})};
  const std::string dbf = Write("INKWEND.DBF", WriteTable(plan));
  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(dbf, {}, &table).IsOk());
  ASSERT_EQ(table->warnings().size(), 1u);
  EXPECT_NE(table->warnings()[0].find("INKWEND.FPT"), std::string::npos) << table->warnings()[0];
  Record r;
  ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
  EXPECT_EQ(r.Text(0), "20240101");
  Memo memo;
  const Status status = r.ReadMemo(1, &memo);
  EXPECT_FALSE(status.IsOk());
  EXPECT_NE(status.Message().find("Record 1, memo field ENTRY"), std::string::npos) << status.Message();
  ASSERT_TRUE(table->ReadRecord(1, &r).IsOk());
  EXPECT_TRUE(r.ReadMemo(1, &memo).IsOk());  // no memo to read
}

// A memo "file" that is a folder is reported as what it is, not as missing.
TEST_F(DbfTableOnDisk, MemoFolderIsNamedAsAFolder) {
  TableSpec plan;
  plan.version = 0xF5;
  plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 10}};
  plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(8)})};
  const std::string dbf = Write("INKWEND.DBF", WriteTable(plan));
  std::filesystem::create_directory(dir_ / "INKWEND.FPT");
  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(dbf, {}, &table).IsOk());
  ASSERT_EQ(table->warnings().size(), 1u);
  EXPECT_NE(table->warnings()[0].find("it is a folder"), std::string::npos) << table->warnings()[0];
}

TEST_F(DbfTableOnDisk, MissingTableIsAnError) {
  std::unique_ptr<Table> table;
  const Status status = Table::Open((dir_ / "INKWEND.DBF").string(), {}, &table);
  EXPECT_FALSE(status.IsOk());
  EXPECT_NE(status.Message().find("INKWEND.DBF"), std::string::npos) << status.Message();
  EXPECT_EQ(table, nullptr);
}

}  // namespace
}  // namespace inkwend::xbase
