// Tables written by LibreOffice's dBase driver (see data/libreoffice/make_libreoffice_fixtures.py):
// dBase III tables with .dbt memo files, as a real program lays them out.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "operations/xbase/dbf_table.h"

namespace inkwend::xbase {
namespace {

const std::string kDir = INKWEND_SOURCE_DIR "/operations/xbase/tests/data/libreoffice/";

std::string LongEntry() {
  std::string text;
  char line[16];
  for (int i = 0; i < 5600; ++i) {
    std::snprintf(line, sizeof line, "line %05d\r\n", i);
    text += line;
  }
  return text;
}

TEST(LibreOfficeTables, DiaryTableRecordByRecord) {
  std::unique_ptr<Table> table;
  const Status status = Table::Open(kDir + "INKWEND.dbf", {}, &table);
  ASSERT_TRUE(status.IsOk()) << status.Message();
  EXPECT_TRUE(table->warnings().empty());
  EXPECT_EQ(table->version(), 0x83);
  EXPECT_EQ(table->kind(), TableKind::DBase3);
  EXPECT_EQ(table->memo_layout(), MemoLayout::DBase);
  EXPECT_EQ(table->code_page(), 1252);  // the header names none
  ASSERT_EQ(table->record_count(), 8u);

  struct Expected {
    bool deleted;
    const char* date;
    std::string entry;
  } expected[] = {
      {false, "20240101", "{\\rtf1 New year}\r\n"},
      {true, "20240102", "deleted entry"},
      {false, "        ", "entry without a date"},  // an empty DATE, blanks as stored
      {false, "20240103",
       "{\\rtf1 " +
           [] {
             std::string s;
             for (int i = 0; i < 60; ++i) s += "two blocks ";
             return s;
           }() +
           "}"},
      {false, "20240102", "second entry of 2 January, caf\xE9"},  // the same DATE as record 2
      {false, "20241332", "entry with an invalid date"},
      {false, "20240104", LongEntry()},  // over 64 KB
      {false, "20240105", ""},
  };
  const int date = table->FindField("Date");
  const int entry = table->FindField("ENTRY");
  ASSERT_GE(date, 0);
  ASSERT_GE(entry, 0);
  Record r;
  for (uint32_t i = 0; i < table->record_count(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_TRUE(table->ReadRecord(i, &r).IsOk());
    EXPECT_EQ(r.deleted(), expected[i].deleted);
    EXPECT_EQ(r.Text(date), expected[i].date);
    Memo memo;
    const Status memo_status = r.ReadMemo(entry, &memo);
    ASSERT_TRUE(memo_status.IsOk()) << memo_status.Message();
    EXPECT_TRUE(memo.warning.empty()) << memo.warning;
    EXPECT_EQ(memo.bytes, expected[i].entry);
  }
  ASSERT_TRUE(table->ReadRecord(4, &r).IsOk());
  Memo memo;
  ASSERT_TRUE(r.ReadMemo(entry, &memo).IsOk());
  EXPECT_EQ(table->Decode(memo.bytes), "second entry of 2 January, caf\u00E9");
}

TEST(LibreOfficeTables, OtherFieldTypes) {
  std::unique_ptr<Table> table;
  ASSERT_TRUE(Table::Open(kDir + "TYPES.dbf", {}, &table).IsOk());
  ASSERT_EQ(table->record_count(), 4u);
  struct Expected {
    bool deleted;
    const char* name;
    const char* amount;
    const char* day;
    const char* done;
    const char* note;
  } expected[] = {
      {false, "Gr\u00FCn        ", "12.50", "20230228", "T", "first note"},
      {false, "no date     ", "3.75", "", "F", ""},
      {true, "gone        ", "0.00", "19991231", "T", "deleted note"},
      {false, "last        ", "100.25", "20240229", "", "\u00E0 la carte"},
  };
  Record r;
  for (uint32_t i = 0; i < table->record_count(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_TRUE(table->ReadRecord(i, &r).IsOk());
    EXPECT_EQ(r.deleted(), expected[i].deleted);
    EXPECT_EQ(r.Text(table->FindField("name")), expected[i].name);
    EXPECT_EQ(r.Text(table->FindField("amount")), expected[i].amount);
    EXPECT_EQ(r.Text(table->FindField("day")), expected[i].day);
    EXPECT_EQ(r.Text(table->FindField("done")), expected[i].done);
    Memo memo;
    ASSERT_TRUE(r.ReadMemo(table->FindField("note"), &memo).IsOk());
    EXPECT_EQ(table->Decode(memo.bytes), expected[i].note);
  }
}

}  // namespace
}  // namespace inkwend::xbase
