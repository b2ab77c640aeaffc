// Destinations of the RTF reader: the groups that switch where their text goes: the font and
// colour tables, the document information (title, comment, subject), groups whose contents
// are dropped (field instructions, style sheets, ...), groups read as document text (a field's
// result), and nested table rows.
#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

bool TWPRtfReader::DoDestination(const TRtfKeyword& k) {
  switch (k.Action) {
    case TRtfAction::FontTbl:
      f_.Dest = kFontTable;
      font_name_.clear();
      defining_font_ = 0;
      defining_charset_ = 0;
      defining_codepage_ = 0;
      defining_family_ = 0;
      return true;
    case TRtfAction::ColorTbl:
      f_.Dest = kColorTable;
      rtf_colors_.assign(1, 0);
      color_map_.clear();
      return true;
    case TRtfAction::InfoText: {
      // Only the first title, comment and subject are kept.
      const auto dest = static_cast<Destination>(k.Arg);
      const std::u32string& t = dest == kTitle     ? doc_.Header.Title
                                : dest == kComment ? doc_.Header.Comment
                                                   : doc_.Header.Subject;
      f_.Dest = t.empty() ? dest : kSkip;
      return true;
    }
    case TRtfAction::Transparent:
      return true;
    case TRtfAction::SkipGroup:
      f_.Dest = kSkip;
      return true;
    case TRtfAction::NestRow:
      if (f_.Dest == kText) AddChar(kCharLineBreak);
      f_.Dest = kSkip;
      return true;
    default:
      return false;
  }
}

}  // namespace inkwend
