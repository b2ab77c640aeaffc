#include "richtext/rtf/text_io.h"

#include <algorithm>
#include <cctype>

#include "base/file_system.h"

namespace inkwend {

TWPLoadFormat TWPRTFTextIo::EffectiveSaveFormat() const {
  if (SaveFormat != TWPLoadFormat::AutomaticFormat && SaveFormat != TWPLoadFormat::LastFormat)
    return SaveFormat;
  if (LastFormat == TWPLoadFormat::FormatRTF || LastFormat == TWPLoadFormat::FormatANSI) return LastFormat;
  return AttributeMode() ? TWPLoadFormat::FormatRTF : TWPLoadFormat::FormatANSI;
}

int TWPRTFTextIo::SaveToStream(TWPStream& stream) {
  TWPLoadFormat format = EffectiveSaveFormat();
  // An empty document saved as RTF to a stream is written as plain text: only the 0 byte.
  if (format == TWPLoadFormat::FormatRTF && IsEmpty()) format = TWPLoadFormat::FormatANSI;
  CollectObjects();
  return IoResult = WriteDocument(*this, stream, format);
}

int TWPRTFTextIo::SaveSelectionToStream(TWPStream& stream, const TTextRange& selection) {
  const TWPLoadFormat format = EffectiveSaveFormat();
  CollectObjects();
  return IoResult = WriteDocument(*this, stream, format, &selection);
}

int TWPRTFTextIo::SaveToFile(const std::string& path) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  TWPLoadFormat format = SaveFormat;
  if (upper.find(".RTF") != std::string::npos)
    format = TWPLoadFormat::FormatRTF;
  else if (upper.find(".HTM") != std::string::npos)
    format = TWPLoadFormat::FormatHTML;
  const TWPLoadFormat saved = SaveFormat;
  SaveFormat = format;
  format = EffectiveSaveFormat();
  SaveFormat = saved;

  CollectObjects();
  TMemoryStream memory;
  int result = WriteDocument(*this, memory, format, nullptr, /*omit_closing_zero=*/true);
  if (result == kResultOk && !RealFileSystem().WriteFileAtomically(path, memory.Bytes()).IsOk())
    result = kResultStreamError;
  return IoResult = result;
}

}  // namespace inkwend
