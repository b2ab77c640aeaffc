// Any bytes as RTF and as plain text: reading must neither crash nor run away, and whatever
// was read must write out and read back without harm, the same from runs as from records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  inkwend::TWPRTFText doc;
  inkwend::TMemoryStream in(bytes);
  inkwend::TWPRtfReader(&doc).Read(in);
  inkwend::TMemoryStream out;
  if (inkwend::WriteDocument(doc, out, inkwend::TWPLoadFormat::FormatRTF, nullptr, true) ==
      inkwend::kResultOk) {
    inkwend::TWPRTFText again;
    inkwend::TMemoryStream back(out.Bytes());
    // The writer's own output is complete RTF: it never ends inside a control word or with a
    // group open.
    if (inkwend::TWPRtfReader(&again).Read(back) == inkwend::kResultStreamError) std::abort();
    // A read paragraph keeps its runs until its records are asked for; written from the records,
    // the bytes are the same.
    for (inkwend::TParagraph* p = doc.FirstParagraph(); p; p = p->Next) p->Attrs();
    inkwend::TMemoryStream expanded;
    inkwend::WriteDocument(doc, expanded, inkwend::TWPLoadFormat::FormatRTF, nullptr, true);
    if (expanded.Bytes() != out.Bytes()) std::abort();
  }
  inkwend::TWPRTFText plain;
  inkwend::TMemoryStream text(bytes);
  inkwend::TWPTextReader(&plain).Read(text);
  return 0;
}
