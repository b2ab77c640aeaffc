#pragma once
// What the reader tests compare: a document's text, paragraphs separated by '|'.
#include <string>

#include "richtext/model/document.h"

namespace inkwend::testing {

inline std::u32string Text(const WPRTFText& doc) {
  std::u32string out;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    if (p != doc.FirstParagraph()) out += U'|';
    out.append(p->Text().begin(), p->Text().end());
  }
  return out;
}

}  // namespace inkwend::testing
