// Control words: the keyword look-up, the words that act before any other ("\*", "\bin",
// "\'xx", "\uN"), and the hand-over to the part of the reader for the word's kind.
#include <string_view>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {

// The part of the reader that performs an action. The actions are declared in keywords.h
// grouped by part, so ranges of them tell the part (checked below).
enum class Part : uint8_t {
  Character,
  CharacterAttr,
  Paragraph,
  Section,
  Table,
  FontColorTable,
  Picture,
  Footnote,
  Destination,
  Style,
  None,
};

using A = RtfAction;
static_assert(A::Par < A::Ignore && A::Ignore < A::Plain && A::Plain < A::Cb && A::Cb < A::Pard &&
              A::Pard < A::Cfpat && A::Cfpat < A::Page && A::Page < A::U && A::U < A::Trowd &&
              A::Trowd < A::Trleft && A::Trleft < A::Red && A::Red < A::Cpg && A::Cpg < A::Pict &&
              A::Pict < A::ObjH && A::ObjH < A::FontTbl && A::FontTbl < A::NestRow &&
              A::NestRow < A::ShapeResult && A::ShapeResult < A::StyleNumber && A::StyleNumber < A::BasedOn &&
              A::BasedOn < A::Hex);

constexpr Part PartOf(RtfAction a) {
  if (a <= A::Ignore || a == A::ParBreak) return Part::Character;
  if (a <= A::Cb) return Part::CharacterAttr;
  if (a <= A::Cfpat) return Part::Paragraph;
  if (a <= A::U) return Part::Section;
  if (a <= A::Trleft) return Part::Table;
  if (a <= A::Cpg) return Part::FontColorTable;
  if (a <= A::ObjH) return Part::Picture;
  if (a == A::Footnote || a == A::FnNr || a == A::Chftn) return Part::Footnote;
  if (a <= A::ShapeResult) return Part::Destination;
  if (a <= A::BasedOn) return Part::Style;
  return Part::None;
}

// Inside a shape only the words that lead to its picture act.
constexpr bool ActsInShape(RtfAction a) { return a == A::ShapeName || a == A::ShapeValue || a == A::Pict; }

}  // namespace

void WPRtfReader::Dispatch(const ControlWord& c) {
  const RtfKeyword* k = c.length ? FindRtfKeyword(std::string_view(c.word, c.length), c.hash) : nullptr;
  if (!k) {
    if (star_ && f_.dest != Destination::Skip) {
      FlushRun();
      f_.dest = Destination::Skip;
    }
    star_ = false;
    return;
  }
  if (k->action == RtfAction::Star) {
    star_ = true;
    return;
  }
  star_ = false;
  const int32_t n = (!c.hasParam || k->forceDefault) ? k->defaultValue : c.param;

  // Words that matter even where the text is dropped.
  if (k->action == RtfAction::Bin) {
    if (c.hasParam && c.param > 0) SkipBinary(c.param);
    return;
  }
  if (f_.dest == Destination::Skip) return;
  if (k->action == RtfAction::Hex) {
    HexByte();
    return;
  }
  if (k->action == RtfAction::U) {
    UnicodeChar(n);
    return;
  }
  skipFallback_ = 0;  // any other word ends the fallback of \uN
  if (decoder_.Pending()) decoder_.Reset();
  if (f_.dest >= Destination::StyleSheet) [[unlikely]] {
    if (f_.dest == Destination::StyleSheet) {
      StyleSheetWord(*k, n);
      return;
    }
    if (!ActsInShape(k->action)) return;
  }

  if (k->kind == RtfKind::Destination || k->action == RtfAction::Par || k->action == RtfAction::Cell ||
      k->action == RtfAction::Pard || k->action == RtfAction::Plain) {
    FlushRun();
  }
  Perform(*k, n);
}

void WPRtfReader::Perform(const RtfKeyword& k, int32_t n) {
  switch (PartOf(k.action)) {
    case Part::Character:
      DoCharacter(k, n);
      break;
    case Part::CharacterAttr:
      DoCharacterAttr(k, n);
      break;
    case Part::Paragraph:
      if (!DoParagraph(k, n)) DoBorderShading(k, n);
      break;
    case Part::Section:
      DoSection(k, n);
      break;
    case Part::Table:
      DoTable(k, n);
      break;
    case Part::FontColorTable:
      DoFontColorTable(k, n);
      break;
    case Part::Picture:
      DoPicture(k, n);
      break;
    case Part::Footnote:
      DoFootnote(k, n);
      break;
    case Part::Destination:
      if (!DoDestination(k)) DoShape(k);
      break;
    case Part::Style:
      DoStyle(k, n);
      break;
    case Part::None:
      break;
  }
}

}  // namespace inkwend
