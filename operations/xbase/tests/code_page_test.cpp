#include "operations/xbase/code_page.h"

#include <gtest/gtest.h>

#include <memory>

#include "operations/xbase/dbf_table.h"
#include "operations/xbase/tests/xbase_writer.h"

namespace inkwend::xbase {
namespace {

TEST(CodePage, LanguageDriverBytesNameTheirCodePages) {
  struct Case {
    uint8_t driver;
    int codePage;
  } cases[] = {
      {0x00, 0},   {0x01, 437},  {0x02, 850},  {0x03, 1252},  {0x57, 1252}, {0x64, 852}, {0x65, 866},
      {0x7B, 932}, {0xC8, 1250}, {0xC9, 1251}, {0x96, 10007}, {0x26, 866},  {0x1B, 437}, {0xF0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(CodePageOfLanguageDriver(c.driver), c.codePage) << int{c.driver};
}

TEST(CodePage, DecodesUpperHalfOfEachPage) {
  struct Case {
    int codePage;
    const char* bytes;
    const char* utf8;
  } cases[] = {
      {1252, "caf\xE9 \x80 \x9F", "caf\u00E9 \u20AC \u0178"},
      {1252, "\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},  // holes pass through as C1
      {437, "\x82\x9C\xE1\xDB", "\u00E9\u00A3\u00DF\u2588"},
      {850, "\xD0\x9B\xE9", "\u00F0\u00F8\u00DA"},
      {852, "\xA5\xE7", "\u0105\u0161"},
      {866, "\x80\xA0\xEF", "\u0410\u0430\u044F"},
      {1250, "\x9A\xB9", "\u0161\u0105"},
      {1251, "\xC0\xFF", "\u0410\u044F"},
      {1253, "\xE1\xAA", "\u03B1\uFFFD"},  // 0xAA is undefined in 1253
      {1255, "\xE0", "\u05D0"},
      {10000, "\x8E\xA5", "\u00E9\u2022"},
      {932, "caf\xE9", "caf\u00E9"},  // no table: read as Windows-1252
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeText(c.bytes, c.codePage), c.utf8) << c.codePage;
  EXPECT_TRUE(CanDecode(866));
  EXPECT_FALSE(CanDecode(932));
}

TEST(CodePage, TableTextAndMemosUseTheHeadersCodePage) {
  using namespace testing;
  TableSpec plan;
  plan.version = 0xF5;
  plan.fields = {{"NAME", 'C', 6}, {"NOTE", 'M', 10}};
  FptWriter memo;
  const uint32_t block = memo.Add("\x8F\xA0");  // cp866: "Па"
  plan.records = {Row(plan.fields, false, {"\x8F\xE0\xA8\xA2\xA5\xE2", MemoPointer(block)})};

  struct Case {
    uint8_t driver;
    int codePage;
    const char* name;
    const char* note;
    bool warned;
  } cases[] = {
      {0x65, 866, "\u041F\u0440\u0438\u0432\u0435\u0442", "\u041F\u0430", false},
      {0x00, 1252, "\u008F\u00E0\u00A8\u00A2\u00A5\u00E2", "\u008F\u00A0", false},
      {0x7A, 1252, "\u008F\u00E0\u00A8\u00A2\u00A5\u00E2", "\u008F\u00A0", true},  // 936 has no table here
      {0xEE, 1252, "\u008F\u00E0\u00A8\u00A2\u00A5\u00E2", "\u008F\u00A0", true},  // names nothing known
  };
  for (const Case& c : cases) {
    plan.languageDriver = c.driver;
    std::unique_ptr<Table> table;
    ASSERT_TRUE(Table::Open(MemorySource(WriteTable(plan)), MemorySource(memo.Bytes()), MemoLayout::FoxPro,
                            {}, &table)
                    .IsOk());
    EXPECT_EQ(table->code_page(), c.codePage);
    EXPECT_EQ(!table->warnings().empty(), c.warned) << int{c.driver};
    Record r;
    ASSERT_TRUE(table->ReadRecord(0, &r).IsOk());
    EXPECT_EQ(r.Text(0), c.name);
    Memo m;
    ASSERT_TRUE(r.ReadMemo(1, &m).IsOk());
    EXPECT_EQ(m.bytes, "\x8F\xA0");  // the bytes stay as stored
    EXPECT_EQ(table->Decode(m.bytes), c.note);
  }
}

}  // namespace
}  // namespace inkwend::xbase
