#pragma once
// The loading and saving layer of the document. Saving picks the writer by SaveFormat; every
// call keeps its result code in IoResult (0 ok, 2 out of memory, 7 stream error, 8 nothing to write).
#include <string>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/writer.h"

namespace inkwend {

class TWPRTFTextIo : public TWPRTFText {
 public:
  // The format a save uses: SaveFormat, or for AutomaticFormat/LastFormat the format of the last
  // load when that was RTF or ANSI, else RTF in attribute mode and ANSI in plain mode.
  TWPLoadFormat EffectiveSaveFormat() const;

  // Writes the document. An empty document saved as RTF to a stream is written by the plain
  // writer instead: a single 0 byte.
  int SaveToStream(TWPStream& stream);
  // The selection (in either direction) only.
  int SaveSelectionToStream(TWPStream& stream, const TTextRange& selection);
  // Saves to a file, replaced atomically. A name containing ".RTF" (any case) forces RTF, ".HTM"
  // HTML (refused); otherwise SaveFormat decides. No empty-document rule; plain text files get
  // no closing 0 byte.
  int SaveToFile(const std::string& path);
};

}  // namespace inkwend
