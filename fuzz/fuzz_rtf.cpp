// Any bytes as RTF and as plain text: reading must neither crash nor run away, and whatever
// was read must write out and read back without harm, the same from runs as from records, and
// written again give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  inkwend::WPRTFText doc;
  inkwend::MemoryStream in(bytes);
  inkwend::WPRtfReader(&doc).Read(in);
  inkwend::MemoryStream out;
  if (inkwend::WriteDocument(doc, out, inkwend::WPLoadFormat::FormatRTF, nullptr, true) ==
      inkwend::kResultOk) {
    inkwend::WPRTFText again;
    inkwend::MemoryStream back(out.Bytes());
    // The writer's own output is complete RTF: it never ends inside a control word or with a
    // group open.
    if (inkwend::WPRtfReader(&again).Read(back) == inkwend::kResultStreamError) std::abort();
    // One read and write settles any input: writing what was read back gives the same bytes, so
    // an entry does not drift each time it is opened and saved.
    inkwend::MemoryStream settled;
    inkwend::WriteDocument(again, settled, inkwend::WPLoadFormat::FormatRTF, nullptr, true);
    if (settled.Bytes() != out.Bytes()) std::abort();
    // A read paragraph keeps its runs until its records are asked for; written from the records,
    // the bytes are the same.
    for (inkwend::Paragraph* p = doc.FirstParagraph(); p; p = p->next) p->Attrs();
    inkwend::MemoryStream expanded;
    inkwend::WriteDocument(doc, expanded, inkwend::WPLoadFormat::FormatRTF, nullptr, true);
    if (expanded.Bytes() != out.Bytes()) std::abort();
  }
  inkwend::WPRTFText plain;
  inkwend::MemoryStream text(bytes);
  inkwend::WPTextReader(&plain).Read(text);
  return 0;
}
