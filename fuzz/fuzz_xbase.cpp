// Fuzz entry for the xBase table reader. The input carries a table and a memo file:
//   byte 0       memo layout: 0 none, 1 FoxPro (.FPT), 2 or 3 dBase (.DBT)
//   bytes 1..4   length of the table, little-endian (cut to what follows)
//   then the table bytes, then the memo file bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "operations/xbase/dbf_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace inkwend::xbase;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.size() < 5) return 0;
  const MemoLayout layouts[4] = {MemoLayout::None, MemoLayout::FoxPro, MemoLayout::DBase, MemoLayout::DBase};
  const MemoLayout layout = layouts[data[0] & 3];
  size_t table_size = data[1] | data[2] << 8 | data[3] << 16 | static_cast<size_t>(data[4]) << 24;
  const std::string_view rest = input.substr(5);
  if (table_size > rest.size()) table_size = rest.size();

  std::unique_ptr<Table> table;
  TableOptions options;
  options.maxMemoBytes = 1 << 20;
  if (!Table::Open(inkwend::MemoryView(rest.substr(0, table_size)),
                   inkwend::MemoryView(rest.substr(table_size)), layout, options, &table)
           .IsOk()) {
    return 0;
  }
  Record record;
  for (uint32_t i = 0; i < table->record_count(); ++i) {
    if (!table->ReadRecord(i, &record).IsOk()) break;
    for (size_t f = 0; f < table->fields().size(); ++f) {
      const int field = static_cast<int>(f);
      (void)record.Text(field);
      (void)record.IsNull(field);
      if (table->fields()[f].IsMemo()) {
        Memo memo;
        (void)record.ReadMemo(field, &memo);
        (void)table->Decode(memo.bytes);
      }
    }
  }
  return 0;
}
