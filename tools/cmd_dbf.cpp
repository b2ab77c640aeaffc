// inkwend-tool dbf dump FILE
// inkwend-tool dbf memo FILE RECNO FIELD
//
// dump prints one line per record in table order: the record number (from 1), a tab, "*" for a
// deleted record or "-", then per field a tab and NAME=value. Character fields lose their
// trailing blanks, memo fields show NAME=<N bytes>, null values NAME=.NULL. and an unreadable memo
// NAME=<unreadable> (the reason goes to standard error). Control characters in values are
// written as \xNN so that a record stays on one line.
// memo writes the bytes of one memo, unchanged, to standard output.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "operations/xbase/dbf_table.h"
#include "tools/command_registry.h"

namespace {

using inkwend::Status;
using inkwend::xbase::Field;
using inkwend::xbase::Memo;
using inkwend::xbase::Record;
using inkwend::xbase::Table;

constexpr char kUsage[] = "dbf dump FILE | dbf memo FILE RECNO FIELD";

int Fail(const std::string& message) {
  std::fprintf(stderr, "inkwend-tool: %s\n", message.c_str());
  return 1;
}

std::string Printable(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", b);
      out += escape;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool OpenTable(const std::string& path, std::unique_ptr<Table>* table) {
  const Status status = Table::Open(path, {}, table);
  if (!status.IsOk()) {
    Fail(status.Message());
    return false;
  }
  for (const std::string& warning : (*table)->warnings())
    std::fprintf(stderr, "warning: %s\n", warning.c_str());
  return true;
}

// One field of a record as the dump shows it: .NULL., a memo's size, or the text.
std::string FieldValue(const Record& record, const Field& f, int field) {
  if (record.IsNull(field)) return ".NULL.";
  if (f.IsMemo()) {
    Memo memo;
    const Status memo_status = record.ReadMemo(field, &memo);
    if (!memo_status.IsOk()) {
      std::fprintf(stderr, "warning: %s\n", memo_status.Message().c_str());
      return "<unreadable>";
    }
    if (!memo.warning.empty()) {
      std::fprintf(stderr, "warning: record %u, memo field %s: %s\n", record.number(), f.name.c_str(),
                   memo.warning.c_str());
    }
    return '<' + std::to_string(memo.bytes.size()) + " bytes>";
  }
  std::string text = record.Text(field);
  if (f.type == 'C') text.erase(text.find_last_not_of(' ') + 1);
  return Printable(text);
}

int Dump(const std::string& path) {
  std::unique_ptr<Table> table;
  if (!OpenTable(path, &table)) return 1;
  const auto& fields = table->fields();
  Record record;
  std::string line;
  for (uint32_t i = 0; i < table->record_count(); ++i) {
    const Status status = table->ReadRecord(i, &record);
    if (!status.IsOk()) return Fail(status.Message());
    line = std::to_string(record.number()) + (record.deleted() ? "\t*" : "\t-");
    for (size_t f = 0; f < fields.size(); ++f) {
      if (fields[f].IsSystem()) continue;
      const int field = static_cast<int>(f);
      line += '\t' + fields[f].name + '=';
      line += FieldValue(record, fields[f], field);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write to standard output");
}

int WriteMemo(const std::string& path, const std::string& record_text, const std::string& field_name) {
  uint64_t number = 0;
  for (char c : record_text) {
    if (c < '0' || c > '9' || number > UINT32_MAX) {
      number = 0;
      break;
    }
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number == 0) return Fail("\"" + record_text + "\" is not a record number (they count from 1)");
  std::unique_ptr<Table> table;
  if (!OpenTable(path, &table)) return 1;
  if (number > table->record_count()) {
    return Fail("record " + record_text + " does not exist; the table has " +
                std::to_string(table->record_count()) + " records");
  }
  const int field = table->FindField(field_name);
  if (field < 0) return Fail("the table has no field \"" + field_name + "\"");
  if (!table->fields()[field].IsMemo())
    return Fail("field " + table->fields()[field].name + " is not a memo field");
  Record record;
  Status status = table->ReadRecord(static_cast<uint32_t>(number - 1), &record);
  if (!status.IsOk()) return Fail(status.Message());
  Memo memo;
  status = record.ReadMemo(field, &memo);
  if (!status.IsOk()) return Fail(status.Message());
  if (!memo.warning.empty()) std::fprintf(stderr, "warning: %s\n", memo.warning.c_str());
  if (std::fwrite(memo.bytes.data(), 1, memo.bytes.size(), stdout) != memo.bytes.size() ||
      std::fflush(stdout) != 0) {
    return Fail("cannot write to standard output");
  }
  return 0;
}

int RunDbf(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
  if (args.size() == 4 && args[0] == "memo") return WriteMemo(args[1], args[2], args[3]);
  std::fprintf(stderr, "usage: inkwend-tool %s\n", kUsage);
  return 2;
}

const inkwend::tool::ToolCommand kDbf("dbf", kUsage, RunDbf);

}  // namespace
