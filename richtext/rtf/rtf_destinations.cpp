// Destinations of the RTF reader: the groups that switch where their text goes: the font and
// colour tables, the document information (title, comment, subject), groups whose contents
// are dropped (field instructions, style sheets, ...), groups read as document text (a field's
// result), nested table rows, the style sheet and Word's shapes.
#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

bool WPRtfReader::DoDestination(const RtfKeyword& k) {
  switch (k.action) {
    case RtfAction::FontTbl:
      f_.dest = Destination::FontTable;
      fontName_.clear();
      definingFont_ = 0;
      definingCharset_ = 0;
      definingCodepage_ = 0;
      definingFamily_ = 0;
      return true;
    case RtfAction::ColorTbl:
      f_.dest = Destination::ColorTable;
      rtfColors_.assign(1, 0);
      colorMap_.clear();
      // What this table does not state past the first 15 entries is the diary's default.
      if (!KeepsColors()) {
        doc_.header.colors[15] = kDefaultColors[15];
        doc_.header.moreColors.clear();
      }
      return true;
    case RtfAction::InfoText: {
      // Only the first title, comment and subject are kept.
      const auto dest = static_cast<Destination>(k.arg);
      const std::u32string& t = dest == Destination::Title     ? doc_.header.title
                                : dest == Destination::Comment ? doc_.header.comment
                                                               : doc_.header.subject;
      f_.dest = t.empty() ? dest : Destination::Skip;
      return true;
    }
    case RtfAction::Transparent:
      return true;
    case RtfAction::SkipGroup:
      f_.dest = Destination::Skip;
      return true;
    case RtfAction::NestRow:
      if (f_.dest == Destination::Text) AddChar(kCharLineBreak);
      f_.dest = Destination::Skip;
      return true;
    case RtfAction::StyleSheet:
      f_.dest = Destination::StyleSheet;
      styleSheetDepth_ = stack_.size();
      return true;
    default:
      return false;
  }
}

// A shape's properties are skipped but for its picture ("pib"), which is kept where the shape
// stands; the result that older readers show instead then goes unread, or the picture would
// come twice.
bool WPRtfReader::DoShape(const RtfKeyword& k) {
  switch (k.action) {
    case RtfAction::Shape:
      shapePicture_ = false;
      return true;
    case RtfAction::ShapeInst:
      f_.dest = f_.dest == Destination::Text ? Destination::Shape : Destination::Skip;
      return true;
    case RtfAction::ShapeName:
      shapeName_.clear();
      f_.dest = f_.dest == Destination::Shape ? Destination::ShapeName : Destination::Skip;
      return true;
    case RtfAction::ShapeValue:
      f_.dest =
          f_.dest == Destination::Shape && shapeName_ == U"pib" ? Destination::ShapeValue : Destination::Skip;
      return true;
    case RtfAction::ShapeResult:
      if (shapePicture_) f_.dest = Destination::Skip;
      return true;
    default:
      return false;
  }
}

}  // namespace inkwend
