#pragma once
// DiaryExport: writes the entries of a range of days into a folder, one file per day named after
// it: "YYYYMMDD.RTF" (the entry's RTF as the diary stores it, deciphered in memory),
// "YYYYMMDD.txt" (its text as UTF-8) or "YYYYMMDD.md" (Markdown, with its pictures beside it).
// Files of those names are replaced without asking; each is written atomically, so a failure
// leaves either the old file or the new one. The walk stops at the first file that cannot be
// written or entry that cannot be read, and says which, why, and how many were written.
//
//   DiaryExport out(session, "/home/me/exported/");
//   out.onEntry = [&](Date day) { ShowProgress(day); };
//   Status done = out.Run(from, to, ExportFormat::Rtf);
//   Tell(out.FilesWritten());
#include <functional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "richtext/model/document.h"
#include "richtext/picture/picture_decoder.h"
#include "store/diary_session.h"

namespace inkwend {

// PDF is written by the printing code (merged pages), not by this walk; it is listed so that the
// dialog and the command name every format in one place.
enum class ExportFormat { Rtf, PlainText, Markdown, Pdf };

// "rtf", "txt", "md", "pdf" (the names inkwend-tool takes); empty for none of them.
std::string_view FormatName(ExportFormat format);
// The format a name above (in any letter case) stands for; false when it names none.
bool FormatFromName(std::string_view name, ExportFormat* format);
// The file an entry is exported to in a format: "20240305.RTF", "20240305.txt", "20240305.md".
std::string ExportFileName(Date day, ExportFormat format);
// The one PDF file a range is exported to: "20240301-20240331.pdf", or "20240305.pdf" for a
// single day.
std::string RangePdfFileName(Date from, Date to);

class DiaryExport {
 public:
  // `session` outlives the export; `target_directory` is an existing folder ("/" is appended
  // when it does not end in one).
  DiaryExport(const DiarySession& session, std::string target_directory);

  // Before each entry is exported (the status window shows the day in progress).
  std::function<void(Date day)> onEntry;
  // Decodes PNG and JPEG pictures of entries for Markdown; without one they are left out. Not
  // owned; it outlives the Run.
  const WPPictureDecoder* pictureDecoder = nullptr;

  // Exports the entries from `from` to `to` (inclusive) in date order. Refused for Pdf, which
  // the printing code writes (PrintRangeToPdf, merged, into RangePdfFileName).
  Status Run(Date from, Date to, ExportFormat format);
  // Entry files written by the last Run (pictures beside Markdown files not counted).
  int FilesWritten() const { return written_; }
  const std::string& TargetDirectory() const { return target_; }

 private:
  // `stopped_at` names the file a failure is about.
  Status ExportDay(Date day, ExportFormat format, std::string& stopped_at);
  Status Write(const std::string& name, std::string_view bytes);
  // The Markdown file and the pictures beside it.
  Status WriteMarkdown(Date day, const WPRTFText& doc, std::string& stopped_at);

  const DiarySession& session_;  // outlives the export (see the constructor)
  std::string target_;           // ends in "/"
  int written_ = 0;
};

}  // namespace inkwend
