// The document as a whole in the RTF reader: page size and margins, facing pages and
// orientation, the code page of 8-bit text, the default font and the \uc fallback count.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {
// Default tab distances past these are taken as these (a twentieth of an inch to 22 inches).
constexpr int32_t kMinDefaultTab = 72;
constexpr int32_t kMaxDefaultTab = 31680;
}  // namespace

bool WPRtfReader::DoSection(const RtfKeyword& k, int32_t n) {
  switch (k.action) {
    case RtfAction::Page:
      SetPage(k.arg, n);
      return true;
    case RtfAction::Facing:
      if (!keepLayout) doc_.header.facingPages = n != 0;
      return true;
    case RtfAction::Landscape:
      if (!keepLayout) doc_.header.landscape = n != 0;
      return true;
    case RtfAction::AnsiCpg:
      ansiCodepage_ = n;
      SetDecoder(f_.codePage);
      return true;
    case RtfAction::Deff:
      deff_ = n;
      return true;
    case RtfAction::DefTab:
      // The diary's own files begin with \deftab720 whatever their tab grid; a distance from
      // elsewhere follows the page margins when such a document is stored.
      if (ownFile_ && !defTabSeen_) {
        defTabSeen_ = true;
      } else if (!keepLayout && f_.dest != Destination::Skip) {
        doc_.header.defaultTabTwips = n > 0 ? std::clamp(n, kMinDefaultTab, kMaxDefaultTab) : 0;
      }
      return true;
    case RtfAction::Uc:
      f_.uc = static_cast<uint8_t>(std::clamp(n, 0, 16));
      return true;
    default:
      return false;
  }
}

void WPRtfReader::SetPage(int which, int32_t value) {
  if (keepLayout || f_.dest == Destination::Skip) return;
  TextHeader& h = doc_.header;
  switch (which) {
    case 0:
      h.pageWidth = std::clamp(value, 720, 200000);
      break;
    case 1:
      h.pageHeight = std::clamp(value, 720, 200000);
      break;
    case 2:
      h.marginLeft = std::clamp(value, 0, 100000);
      break;
    case 3:
      h.marginRight = std::clamp(value, 0, 100000);
      break;
    case 4:
      h.marginTop = std::clamp(value, 0, 100000);
      break;
    case 5:
      h.marginBottom = std::clamp(value, 0, 100000);
      break;
    default:
      break;
  }
  textWidth_ = std::max(h.TextWidthTwips(), 1);
}

}  // namespace inkwend
