#include "operations/export/entry_text.h"

#include <exception>
#include <new>
#include <vector>

#include "base/text_encoding.h"
#include "richtext/model/paragraph.h"
#include "richtext/model/stream.h"
#include "richtext/model/symbol_font.h"
#include "richtext/rtf/loader.h"

namespace inkwend {

Status ReadEntryDocument(std::string_view rtf, WPRTFText& doc, const WPPictureDecoder* decoder) {
  Status status;
  try {
    MemoryStream stream{std::string(rtf)};
    LoadOptions options;
    options.status = &status;
    options.pictureDecoder = decoder;
    LoadFromStream(doc, stream, options);
  } catch (const std::bad_alloc&) {
    return Status::Error(StatusCode::OutOfMemory, "It is too large for the memory available.");
  } catch (const std::exception& e) {
    return Status::Error(StatusCode::Damaged, e.what());
  }
  // An empty entry file reads as nothing, which is an empty text rather than a failure.
  if (status.Code() == StatusCode::NotFound) return Status::Ok();
  return status;
}

std::string EntryPlainText(const WPRTFText& doc) {
  std::u32string out;
  std::vector<CharAttr> attrs;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    // The empty paragraph after a document's last paragraph end is not a line of its text.
    if (!p->next && p->prev && p->CharCount() == 0) break;
    const auto text = p->Text();
    attrs.resize(p->HasAttributes() ? text.size() : 0);
    p->CopyAttrs(0, attrs);
    for (size_t i = 0; i < text.size(); ++i) {
      const char32_t c = text[i];
      if (!attrs.empty() && (attrs[i].charFlags & kCharObject)) continue;
      if (c < 4 || c == kCharSoftHyphen) continue;  // a soft hyphen shows only at a line's end
      out.push_back(attrs.empty() ? c : PlainTextChar(doc.header, c, attrs[i]));
    }
    out.push_back(U'\n');
  }
  return ToUtf8(out);
}

}  // namespace inkwend
