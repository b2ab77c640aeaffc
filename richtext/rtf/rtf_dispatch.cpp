// Control words: the keyword look-up, the words that act before any other ("\*", "\bin",
// "\'xx", "\uN"), and the hand-over to the part of the reader for the word's kind.
#include <string_view>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

void TWPRtfReader::Dispatch(const ControlWord& c) {
  const TRtfKeyword* k = c.length ? FindRtfKeyword(std::string_view(c.word, c.length), c.hash) : nullptr;
  if (!k) {
    if (star_ && f_.Dest != kSkip) {
      FlushRun();
      f_.Dest = kSkip;
    }
    star_ = false;
    return;
  }
  if (k->Action == TRtfAction::Star) {
    star_ = true;
    return;
  }
  star_ = false;
  const int32_t n = (!c.hasParam || k->ForceDefault) ? k->Default : c.param;

  // Words that matter even where the text is dropped.
  if (k->Action == TRtfAction::Bin) {
    if (c.hasParam && c.param > 0) SkipBinary(c.param);
    return;
  }
  if (f_.Dest == kSkip) return;
  if (k->Action == TRtfAction::Hex) {
    HexByte();
    return;
  }
  if (k->Action == TRtfAction::U) {
    UnicodeChar(n);
    return;
  }
  skip_fallback_ = 0;  // any other word ends the fallback of \uN
  if (decoder_.Pending()) decoder_.Reset();

  if (k->Kind == TRtfKind::Destination || k->Action == TRtfAction::Par || k->Action == TRtfAction::Cell ||
      k->Action == TRtfAction::Pard || k->Action == TRtfAction::Plain) {
    FlushRun();
  }
  // Each action belongs to exactly one part; the most frequent come first.
  (void)(DoCharacter(*k, n) || DoCharacterAttr(*k, n) || DoParagraph(*k, n) || DoBorderShading(*k, n) ||
         DoTable(*k, n) || DoFontColorTable(*k, n) || DoSection(*k, n) || DoPicture(*k, n) ||
         DoFootnote(*k, n) || DoDestination(*k));
}

}  // namespace inkwend
