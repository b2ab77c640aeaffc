#include "operations/convert/legacy_conversion.h"

#include <memory>
#include <set>

#include "operations/xbase/dbf_table.h"
#include "store/cipher.h"
#include "store/strong_cipher.h"

namespace inkwend {
namespace {

// The DATE text as the table component gave it: trailing blanks of the character field dropped.
std::string DateText(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

// A DATE text names a file in Entries/ whatever it says, as long as it cannot name one elsewhere.
bool NamesAFile(std::string_view date) {
  return !date.empty() && date != "." && date != ".." && date.find('/') == std::string_view::npos &&
         date.find('\0') == std::string_view::npos;
}

std::string RecordName(const xbase::Record& record, std::string_view date) {
  std::string name = "record " + std::to_string(record.number());
  if (!date.empty()) name += " (" + std::string(date) + ")";
  return name;
}

// One walk over the table's records into the staging folder.
class RecordWalk {
 public:
  RecordWalk(const xbase::Table& table, std::string staging, std::string_view password, FileSystem& fs,
             const LegacyConversion& conversion)
      : table_(table), staging_(std::move(staging)), password_(password), fs_(fs), conversion_(conversion) {}

  Status Run(ConversionReport& report) {
    const int date_field = table_.FindField("DATE");
    const int entry_field = table_.FindField("ENTRY");
    if (date_field < 0 || entry_field < 0)
      return Status::Error(StatusCode::Damaged,
                           std::string(kLegacyTableName) + " has no DATE or no ENTRY field.");
    std::set<std::string> written;
    xbase::Record record;
    for (uint32_t i = 0; i < table_.record_count(); ++i) {
      const Status read = table_.ReadRecord(i, &record);
      if (!read.IsOk()) {
        report.passedBy.push_back("record " + std::to_string(i + 1) + ": " + read.Message());
        continue;
      }
      if (record.deleted()) continue;
      const std::string date = DateText(record.Text(date_field));
      if (date.empty()) continue;
      Status s = ConvertRecord(record, entry_field, date, report, written);
      if (!s.IsOk()) return s;
    }
    report.entriesWritten = static_cast<int>(written.size());
    return Status::Ok();
  }

 private:
  // Writes the record's entry into the staging folder; `written` collects the dates written.
  Status ConvertRecord(const xbase::Record& record, int entry_field, const std::string& date,
                       ConversionReport& report, std::set<std::string>& written) {
    if (!NamesAFile(date)) {
      report.passedBy.push_back(RecordName(record, date) + ": the date cannot name an entry file");
      return Status::Ok();
    }
    if (conversion_.onEntry) conversion_.onEntry(date);
    xbase::Memo memo;
    const Status read = record.ReadMemo(entry_field, &memo);
    if (!read.IsOk()) {
      // An earlier record of the same date keeps its entry rather than losing it to unreadable text.
      report.passedBy.push_back(RecordName(record, date) + ": " + read.Message());
      return Status::Ok();
    }
    const DiaryKey* key = conversion_.diaryKey.get();
    if ((key || !password_.empty()) && conversion_.onEncrypt) conversion_.onEncrypt(date);
    const std::string path = staging_ + date + ".KWE";
    std::string stored = memo.bytes;
    if (key)
      stored = StrongEncrypt(memo.bytes, *key, date);
    else if (!password_.empty())
      stored = EncryptBytes(memo.bytes, password_);
    Status s = fs_.WriteFileAtomically(path, stored);
    if (s.IsOk()) written.insert(date);
    return s;
  }

  const xbase::Table& table_;
  std::string staging_;  // ends in "/"
  std::string_view password_;
  FileSystem& fs_;
  const LegacyConversion& conversion_;
};

}  // namespace

LegacyConversion::LegacyConversion(std::string program_directory, FileSystem& fs)
    : programDirectory_(std::move(program_directory)), fs_(fs) {
  if (programDirectory_.empty() || programDirectory_.back() != '/') programDirectory_ += '/';
}

bool LegacyConversion::Offered() const {
  return !fs_.DirectoryExists(EntriesDirectory()) && fs_.IsPlainFile(programDirectory_ + kLegacyTableName) &&
         fs_.IsPlainFile(programDirectory_ + kLegacyMemoName);
}

Status LegacyConversion::PrepareStaging() const {
  Status s = fs_.CreateDirectory(StagingDirectory());
  if (!s.IsOk()) return s;
  const std::string folder = StagingDirectory() + "/";
  Result<std::vector<std::string>> names = fs_.ListDirectory(folder);
  if (!names.IsOk()) return names.GetStatus();
  for (const std::string& name : names.Value()) {
    s = fs_.RemoveFile(folder + name);
    if (!s.IsOk()) return s;
  }
  return Status::Ok();
}

void LegacyConversion::ClearStaging() const {
  const std::string folder = StagingDirectory() + "/";
  Result<std::vector<std::string>> names = fs_.ListDirectory(folder);
  if (!names.IsOk()) return;
  // Best effort: what stays is cleared by the next run before it writes.
  for (const std::string& name : names.Value()) (void)fs_.RemoveFile(folder + name);
}

Result<ConversionReport> LegacyConversion::Run(std::string_view password) {
  std::unique_ptr<xbase::Table> table;
  xbase::TableOptions options;
  options.password = std::string(password);
  Status s = xbase::Table::Open(programDirectory_ + kLegacyTableName, options, &table);
  if (!s.IsOk())
    return Status::Error(s.Code(), "The old diary table " + std::string(kLegacyTableName) +
                                       " cannot be opened: " + s.Message());
  s = PrepareStaging();
  ConversionReport report;
  if (s.IsOk()) s = RecordWalk(*table, StagingDirectory() + "/", password, fs_, *this).Run(report);
  if (s.IsOk()) s = fs_.Rename(StagingDirectory(), EntriesDirectory());
  if (!s.IsOk()) {
    ClearStaging();
    return Status::Error(s.Code(), "The old diary could not be converted: " + s.Message());
  }
  return report;
}

}  // namespace inkwend
