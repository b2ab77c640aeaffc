#include "operations/export/diary_export.h"

#include "operations/export/entry_markdown.h"
#include "operations/export/entry_text.h"

namespace inkwend {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr ExportFormat kFormats[] = {ExportFormat::Rtf, ExportFormat::PlainText, ExportFormat::Markdown,
                                     ExportFormat::Pdf};

}  // namespace

std::string_view FormatName(ExportFormat format) {
  switch (format) {
    case ExportFormat::Rtf:
      return "rtf";
    case ExportFormat::PlainText:
      return "txt";
    case ExportFormat::Markdown:
      return "md";
    case ExportFormat::Pdf:
      return "pdf";
  }
  return {};
}

bool FormatFromName(std::string_view name, ExportFormat* format) {
  std::string lower(name);
  for (char& c : lower) c = Lower(c);
  for (const ExportFormat f : kFormats) {
    if (FormatName(f) == lower) {
      *format = f;
      return true;
    }
  }
  return false;
}

std::string ExportFileName(Date day, ExportFormat format) {
  // RTF files keep the upper-case extension the diary has always given them.
  if (format == ExportFormat::Rtf) return DateKey(day) + ".RTF";
  return DateKey(day) + "." + std::string(FormatName(format));
}

std::string RangePdfFileName(Date from, Date to) {
  return (from == to ? DateKey(from) : DateKey(from) + "-" + DateKey(to)) + ".pdf";
}

DiaryExport::DiaryExport(const DiarySession& session, std::string target_directory)
    : session_(session), target_(std::move(target_directory)) {
  if (target_.empty() || target_.back() != '/') target_ += '/';
}

Status DiaryExport::Run(Date from, Date to, ExportFormat format) {
  written_ = 0;
  if (format == ExportFormat::Pdf)
    return Status::Error(StatusCode::Refused, "PDF files are written by the printing code.");
  for (const Date day : session_.Store().EntryDaysBetween(from, to)) {
    if (onEntry) onEntry(day);
    std::string stopped_at;
    const Status s = ExportDay(day, format, stopped_at);
    // The file and the count come first: a message box may cut a long reason short.
    if (!s.IsOk())
      return Status::Error(s.Code(), "Exporting stopped at " + stopped_at + "; " + std::to_string(written_) +
                                         " file(s) had been written.\r" + s.Message());
  }
  return Status::Ok();
}

Status DiaryExport::ExportDay(Date day, ExportFormat format, std::string& stopped_at) {
  stopped_at = "the entry file " + DateKey(day) + ".KWE";
  std::string rtf;
  bool has_entry = false;
  const Status read = session_.LoadListedDay(day, [&](std::string bytes) {
    rtf = std::move(bytes);
    has_entry = true;
    return Status::Ok();
  });
  // A name the listing gave that turned out to be no plain file is a day without entry.
  if (!read.IsOk() || !has_entry) return read;
  stopped_at = ExportFileName(day, format);
  if (format == ExportFormat::Rtf) return Write(stopped_at, rtf);
  WPRTFText doc;
  const Status parsed = ReadEntryDocument(rtf, doc, pictureDecoder);
  // A damaged entry is exported with what can be read of it, as the diary shows it.
  if (!parsed.IsOk() && parsed.Code() != StatusCode::Damaged) {
    stopped_at = "the entry file " + DateKey(day) + ".KWE";
    return parsed;
  }
  if (format == ExportFormat::Markdown) return WriteMarkdown(day, doc, stopped_at);
  return Write(stopped_at, EntryPlainText(doc));
}

Status DiaryExport::WriteMarkdown(Date day, const WPRTFText& doc, std::string& stopped_at) {
  const MarkdownEntry entry = EntryMarkdown(doc, DateKey(day));
  // The pictures first: a Markdown file is never there without what it shows.
  for (const ExportedPicture& picture : entry.pictures) {
    const Status s = session_.Files().WriteFileAtomically(target_ + picture.name, picture.bytes);
    if (!s.IsOk()) {
      stopped_at = picture.name;
      return s;
    }
  }
  return Write(stopped_at, entry.text);
}

Status DiaryExport::Write(const std::string& name, std::string_view bytes) {
  const Status s = session_.Files().WriteFileAtomically(target_ + name, bytes);
  if (!s.IsOk()) return s;
  ++written_;
  return Status::Ok();
}

}  // namespace inkwend
