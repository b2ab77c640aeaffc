#include "richtext/rtf/text_io.h"

#include <algorithm>
#include <cctype>

#include "base/file_system.h"

namespace inkwend {

WPLoadFormat EffectiveSaveFormat(const WPRTFText& doc, WPLoadFormat save_format) {
  if (save_format != WPLoadFormat::AutomaticFormat && save_format != WPLoadFormat::LastFormat)
    return save_format;
  if (doc.lastFormat == WPLoadFormat::FormatRTF || doc.lastFormat == WPLoadFormat::FormatANSI)
    return doc.lastFormat;
  return doc.AttributeMode() ? WPLoadFormat::FormatRTF : WPLoadFormat::FormatANSI;
}

int SaveToStream(const WPRTFText& doc, WPStream& stream, WPLoadFormat save_format) {
  WPLoadFormat format = EffectiveSaveFormat(doc, save_format);
  // An empty document saved as RTF to a stream is written as plain text: only the 0 byte.
  if (format == WPLoadFormat::FormatRTF && doc.IsEmpty()) format = WPLoadFormat::FormatANSI;
  return WriteDocument(doc, stream, format);
}

int SaveSelectionToStream(const WPRTFText& doc, WPStream& stream, const TextRange& selection,
                          WPLoadFormat save_format) {
  return WriteDocument(doc, stream, EffectiveSaveFormat(doc, save_format), &selection);
}

int SaveToFile(const WPRTFText& doc, const std::string& path, WPLoadFormat save_format) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper.find(".RTF") != std::string::npos)
    save_format = WPLoadFormat::FormatRTF;
  else if (upper.find(".HTM") != std::string::npos)
    save_format = WPLoadFormat::FormatHTML;
  const WPLoadFormat format = EffectiveSaveFormat(doc, save_format);

  MemoryStream memory;
  int result = WriteDocument(doc, memory, format, nullptr, /*omit_closing_zero=*/true);
  if (result == kResultOk && !RealFileSystem().WriteFileAtomically(path, memory.Bytes()).IsOk())
    result = kResultStreamError;
  return result;
}

}  // namespace inkwend
