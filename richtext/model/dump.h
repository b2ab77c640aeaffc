#pragma once
// A readable dump of a document, for tests to compare against and for debugging:
//
//   P0 al=0 fi=0 li=0 ri=0 sb=0 sa=0 sl=0 pf=00 bd=00.00 bw=0 bc=00 sh=00/0 tabs=0 cell=0/0
//    L0 "Hi"
//     [0,2) f0 s12 c00 st01 cf00 lf00 mf00 t0
//
// Text is UTF-8 with control characters written as \t, \n and \xNN; each line is followed by its
// runs of equal attributes (font, size, colours, style, flags, byte 10 and 11, tag).
#include <string>

#include "richtext/model/document.h"

namespace inkwend {

std::string DumpDocument(const WPRTFText& doc);
std::string DumpParagraph(const Paragraph& par, int number);

}  // namespace inkwend
