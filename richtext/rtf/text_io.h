#pragma once
// Saving a document: picks the writer by the save format and writes the whole document, a range
// of it, or a file. The functions only read the document; they return the result code (0 ok,
// 2 out of memory, 7 stream error, 8 nothing to write) and leave keeping it to the caller.
// Loading lives in loader.h.
#include <string>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/writer.h"

namespace inkwend {

// The format a save uses: `save_format`, or for AutomaticFormat/LastFormat the format of the
// document's last load when that was RTF or ANSI, else RTF in attribute mode and ANSI in plain mode.
WPLoadFormat EffectiveSaveFormat(const WPRTFText& doc, WPLoadFormat save_format);

// Writes the document. An empty document saved as RTF to a stream is written by the plain
// writer instead: a single 0 byte.
int SaveToStream(const WPRTFText& doc, WPStream& stream, WPLoadFormat save_format);
// The selection (in either direction) only.
int SaveSelectionToStream(const WPRTFText& doc, WPStream& stream, const TextRange& selection,
                          WPLoadFormat save_format);
// Saves to a file, replaced atomically. A name containing ".RTF" (any case) forces RTF, ".HTM"
// HTML (refused); otherwise `save_format` decides. No empty-document rule; plain text files get
// no closing 0 byte.
int SaveToFile(const WPRTFText& doc, const std::string& path, WPLoadFormat save_format);

}  // namespace inkwend
