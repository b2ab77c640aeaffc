// Writes the seed corpus of fuzz_xbase: small tables with their memo files in the fuzz input
// layout (memo layout byte, table length, table, memo file). Built on demand only:
//   cmake --build BUILD --target xbase_make_seed_corpus && BUILD/.../xbase_make_seed_corpus
//   fuzz/corpus/fuzz_xbase
#include <cstdio>
#include <fstream>
#include <string>

#include "operations/xbase/tests/xbase_writer.h"

namespace {

using namespace inkwend::xbase::testing;

std::string Input(int layout, const std::string& table, const std::string& memo) {
  return std::string(1, static_cast<char>(layout)) + Le(table.size(), 4) + table + memo;
}

TableSpec Diary(uint8_t version, int pointer_width = 10) {
  TableSpec plan;
  plan.version = version;
  plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', pointer_width}};
  return plan;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  };

  {  // FoxPro 2 diary table, one deleted record, one record without a memo.
    TableSpec plan = Diary(0xF5);
    FptWriter fpt;
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(fpt.Add("{\\rtf1 day one}\r\n"))}),
                    Row(plan.fields, true, {"20240102", MemoPointer(fpt.Add("gone"))}),
                    Row(plan.fields, false, {"20240103", ""})};
    write("foxpro_diary", Input(1, WriteTable(plan), fpt.Bytes()));
  }
  {  // Visual FoxPro: binary pointers, binary number types, nulls and a varchar.
    TableSpec plan;
    plan.version = 0x30;
    plan.languageDriver = 0x03;
    plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 4, 0, 0x02},
                   {"N", 'I', 4},    {"Y", 'Y', 8},
                   {"T", 'T', 8},    {"V", 'V', 6},
                   {"B", 'B', 8},    {"_NullFlags", '0', 1, 0, 0x05}};
    FptWriter fpt(32);
    plan.records = {Row(plan.fields, false,
                        {"20240101", MemoPointer(fpt.Add("text memo"), 4), Le(5, 4), Le(12345, 8),
                         Le(2460370, 4) + Le(1000, 4), std::string("ab\0\0\0\x02", 6),
                         Le(0x4000000000000000ull, 8), std::string(1, '\x02')}),
                    Row(plan.fields, false,
                        {"20240102", MemoPointer(fpt.Add(std::string("\0\1\2", 3), 0), 4), Le(0, 4), Le(0, 8),
                         Le(0, 8), "abcdef", Le(0, 8), std::string(1, '\x01')})};
    write("visual_foxpro_types", Input(1, WriteTable(plan), fpt.Bytes()));
  }
  {  // dBase III with a memo over one block; cp866 text.
    TableSpec plan = Diary(0x83);
    plan.languageDriver = 0x65;
    DbtWriter dbt;
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(dbt.Add(std::string(700, 'x')))}),
                    Row(plan.fields, false, {"\x8F\xA0", MemoPointer(dbt.Add("\x8F\xA0"))})};
    write("dbase3_diary", Input(2, WriteTable(plan), dbt.Bytes()));
  }
  {  // dBase IV memo blocks.
    TableSpec plan = Diary(0x8B);
    DbtWriter dbt(true, 1024);
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(dbt.Add("First memo\r\n"))}),
                    Row(plan.fields, false, {"20240102", MemoPointer(dbt.Add(std::string(1500, 'y')))})};
    write("dbase4_diary", Input(2, WriteTable(plan), dbt.Bytes()));
  }
  {  // No memo file; dates, numbers, logicals, a long character field.
    TableSpec plan;
    plan.version = 0x03;
    plan.fields = {{"DAY", 'D', 8}, {"AMOUNT", 'N', 8, 2}, {"OK", 'L', 1}, {"LONG", 'C', 300}};
    plan.records = {Row(plan.fields, false, {"20240229", "1.50", "T", "long"}),
                    Row(plan.fields, true, {"", "", "?", ""})};
    write("plain_types", Input(0, WriteTable(plan), ""));
  }
  {  // Damaged memos: a length of 2^31, a block past the end, a block inside the header.
    TableSpec plan = Diary(0xF5);
    FptWriter fpt;
    const uint32_t block = fpt.Add("short");
    std::string memo = fpt.Bytes();
    PutBe(&memo, block * 64 + 4, 0x80000000u, 4);
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(block)}),
                    Row(plan.fields, false, {"20240102", MemoPointer(70000)}),
                    Row(plan.fields, false, {"20240103", MemoPointer(2)})};
    write("damaged_memos", Input(1, WriteTable(plan), memo));
  }
  {  // A dBase III memo without its end mark, and a dBase IV length of 2^31.
    TableSpec plan = Diary(0x83);
    DbtWriter dbt;
    const uint32_t block = dbt.Add("");
    std::string memo = dbt.Bytes().substr(0, static_cast<size_t>(block) * 512) + std::string(600, 'z');
    plan.records = {Row(plan.fields, false, {"20240101", MemoPointer(block)})};
    write("dbase3_no_end_mark", Input(2, WriteTable(plan), memo));

    TableSpec spec4 = Diary(0x8B);
    DbtWriter dbt4(true);
    const uint32_t block4 = dbt4.Add("text");
    std::string memo4 = dbt4.Bytes();
    PutLe(&memo4, block4 * 512 + 4, 0x80000000u, 4);
    spec4.records = {Row(spec4.fields, false, {"20240101", MemoPointer(block4)})};
    write("dbase4_huge_length", Input(2, WriteTable(spec4), memo4));
  }
  {  // A cut table and a record length that disagrees with the fields.
    TableSpec plan = Diary(0xF5);
    for (int i = 0; i < 4; ++i)
      plan.records.push_back(Row(plan.fields, false, {"2024010" + std::to_string(i), ""}));
    const std::string table = WriteTable(plan);
    write("cut_table", Input(1, table.substr(0, table.size() - 30), ""));
    std::string odd = table;
    PutLe(&odd, 10, 12, 2);
    write("short_record_length", Input(1, odd, ""));
    PutLe(&odd, 10, 25, 2);
    write("long_record_length", Input(1, odd, ""));
  }
  return 0;
}
