#pragma once
// A quick test that rules out most entries of a diary-wide search without reading them into a
// document. An entry's RTF is reduced to the printable ASCII characters its text can hold,
// lower-cased: control words, braces, line ends and every byte or escape that stands for another
// character are left out, and the groups the RTF reader drops (font and colour tables, document
// information, pictures, groups marked "\*" with a word it does not know) are skipped.
//
// The reduction may hold more than the entry shows (text outside paragraphs, fallbacks of \uN),
// never less: every stretch of printable ASCII that stands in one paragraph of the document stands
// in the reduction too. So a search text whose ASCII core is missing from the reduction cannot
// match the entry, and only the rest need reading. Where the RTF uses anything that could break
// that promise (multi-byte code pages, verbatim RTF, footnotes, \uN for an ASCII character or a
// surrogate half, \bin), the reduction gives up and the entry is read whole.
#include <string>
#include <string_view>

namespace inkwend {

// Reduces `rtf` into `out` (cleared first). False when the entry must be read whole.
bool ReduceRtfToAscii(std::string_view rtf, std::string& out);

// The longest stretch of `text` made of printable ASCII other than the wildcard "*", lower-cased
// as the find operation compares letters; empty when there is none.
std::string AsciiCore(std::u32string_view text);

}  // namespace inkwend
