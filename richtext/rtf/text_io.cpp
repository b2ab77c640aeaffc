#include "richtext/rtf/text_io.h"

#include <algorithm>
#include <cctype>

#include "base/file_system.h"

namespace inkwend {

TWPLoadFormat EffectiveSaveFormat(const TWPRTFText& doc, TWPLoadFormat save_format) {
  if (save_format != TWPLoadFormat::AutomaticFormat && save_format != TWPLoadFormat::LastFormat)
    return save_format;
  if (doc.LastFormat == TWPLoadFormat::FormatRTF || doc.LastFormat == TWPLoadFormat::FormatANSI)
    return doc.LastFormat;
  return doc.AttributeMode() ? TWPLoadFormat::FormatRTF : TWPLoadFormat::FormatANSI;
}

int SaveToStream(const TWPRTFText& doc, TWPStream& stream, TWPLoadFormat save_format) {
  TWPLoadFormat format = EffectiveSaveFormat(doc, save_format);
  // An empty document saved as RTF to a stream is written as plain text: only the 0 byte.
  if (format == TWPLoadFormat::FormatRTF && doc.IsEmpty()) format = TWPLoadFormat::FormatANSI;
  return WriteDocument(doc, stream, format);
}

int SaveSelectionToStream(const TWPRTFText& doc, TWPStream& stream, const TTextRange& selection,
                          TWPLoadFormat save_format) {
  return WriteDocument(doc, stream, EffectiveSaveFormat(doc, save_format), &selection);
}

int SaveToFile(const TWPRTFText& doc, const std::string& path, TWPLoadFormat save_format) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper.find(".RTF") != std::string::npos)
    save_format = TWPLoadFormat::FormatRTF;
  else if (upper.find(".HTM") != std::string::npos)
    save_format = TWPLoadFormat::FormatHTML;
  const TWPLoadFormat format = EffectiveSaveFormat(doc, save_format);

  TMemoryStream memory;
  int result = WriteDocument(doc, memory, format, nullptr, /*omit_closing_zero=*/true);
  if (result == kResultOk && !RealFileSystem().WriteFileAtomically(path, memory.Bytes()).IsOk())
    result = kResultStreamError;
  return result;
}

}  // namespace inkwend
