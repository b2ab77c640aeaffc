#pragma once
// Loading a document: the format is detected (or given), the right reader fills an empty
// document, or the read text is inserted into a non-empty one at the caret.
#include <functional>
#include <string>

#include "base/status.h"
#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/picture/picture_decoder.h"

namespace inkwend {

// A position in the document: paragraph, line and character index in the line.
struct DocPosition {
  Paragraph* par = nullptr;
  int line = 0;
  int pos = 0;
};

struct LoadOptions {
  // Where a load into a non-empty document inserts (the end of the document when unset).
  DocPosition caret;
  // Asked with the paragraphs read before they are inserted into a non-empty document; false
  // discards them.
  std::function<bool(const WPRTFText& read)> onLoad;
  // Flags all read text as automatic text.
  bool automaticText = false;
  // Keeps the document's colour table and page layout.
  bool keepLayout = false;
  // Receives the position after the inserted text.
  DocPosition* insertEnd = nullptr;
  // Decodes the PNG and JPEG pictures other programs embed; without one they load as empty
  // objects. Not owned: the caller keeps it alive during the load.
  const WPPictureDecoder* pictureDecoder = nullptr;
  // Receives the outcome of the load as a Status beside the numeric result: Ok (0);
  // OutOfMemory (2); Damaged (7) with Damage::offset, the byte offset in the stream where the
  // input turned out damaged or cut off (the stream's length for a file cut off with groups
  // still open), and Damage::dropped, what was missing or left out in words ("3 groups not
  // closed"); NotFound for nothing to read (8) or a missing file; Refused for a name that is
  // not a plain file (a folder, a pipe, a device), IoError when the system refuses to open it,
  // each saying why. The text read before the damage stays in the document.
  Status* status = nullptr;
};

// Streams above this size are switched to plain mode when they load as plain text.
inline constexpr int64_t kPlainModeThreshold = 500000;

// RTF when "{\rtf" follows leading white space (and backspace), HTML when one of a few tags is
// found in the first 2000 bytes, plain text otherwise. The stream position is kept.
WPLoadFormat DetectFormat(WPStream& stream);

// Loads the stream in doc.LoadFormat (detected for AutomaticFormat and LastFormat; HTML loads
// as plain text) and remembers the format in doc.LastFormat. The result (0 ok, 2 out of memory,
// 7 damaged input, 8 nothing read) is returned and kept in doc.ioResult; options.status
// receives it with the details. A load that fails
// with an error into an empty document leaves it cleared; an insertion that fails, or that
// onLoad refuses, leaves the document as it was. Loaded paragraphs are marked dirty; the caller
// lays the document out again.
int LoadFromStream(WPRTFText& doc, WPStream& stream, const LoadOptions& options = {});
int LoadFromFile(WPRTFText& doc, const std::string& path, const LoadOptions& options = {});

}  // namespace inkwend
