#pragma once
// An entry's RTF read into a document, and the document's text as a reader sees it: paragraphs
// on lines of their own, line breaks as new lines, tabs kept, object anchors and soft hyphens left
// out, symbol-font characters as the Unicode they draw.
#include <string>
#include <string_view>

#include "base/status.h"
#include "richtext/model/document.h"
#include "richtext/picture/picture_decoder.h"

namespace inkwend {

// Reads `rtf` into the empty `doc`. Ok, Damaged (what could be read is in `doc`), or why nothing
// could be read. PNG and JPEG pictures other programs embed are decoded by `decoder` when one is
// given (they are empty objects otherwise).
Status ReadEntryDocument(std::string_view rtf, WPRTFText& doc, const WPPictureDecoder* decoder = nullptr);

// The document's text as UTF-8, each paragraph ended by "\n".
std::string EntryPlainText(const WPRTFText& doc);

}  // namespace inkwend
