#include "richtext/model/dump.h"

#include <cstdio>

#include "richtext/model/charset.h"

namespace inkwend {

namespace {

std::string Hex2(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02x", v & 0xFF);
  return buf;
}

std::string Quote(std::span<const char32_t> text) {
  std::string out = "\"";
  for (char32_t c : text) {
    if (c == U'\t')
      out += "\\t";
    else if (c == U'\n')
      out += "\\n";
    else if (c == U'"')
      out += "\\\"";
    else if (c == U'\\')
      out += "\\\\";
    else if (c < 32)
      out += "\\x" + Hex2(static_cast<unsigned>(c));
    else
      out += ToUtf8(std::u32string_view(&c, 1));
  }
  return out + "\"";
}

std::string Attr(const TCharAttr& a) {
  return "f" + std::to_string(a.FontIndex) + " s" + std::to_string(a.PointSize) + " c" +
         Hex2(a.ColorIndexes) + " st" + Hex2(a.StyleBits) + " cf" + Hex2(a.CharFlags) + " lf" +
         Hex2(a.LayoutFlags) + " mf" + Hex2(a.MoreFlags) + " t" + std::to_string(a.TagNumber);
}

}  // namespace

std::string DumpParagraph(const TParagraph& p, int number) {
  char tabs[24];
  std::snprintf(tabs, sizeof tabs, "%llx", static_cast<unsigned long long>(p.TabMask));
  std::string out = "P" + std::to_string(number) + " al=" + std::to_string(p.Alignment) +
                    " fi=" + std::to_string(p.FirstIndent) + " li=" + std::to_string(p.LeftIndent) +
                    " ri=" + std::to_string(p.RightIndent) + " sb=" + std::to_string(p.SpaceBefore) +
                    " sa=" + std::to_string(p.SpaceAfter) + " sl=" + std::to_string(p.LineSpacing) +
                    " pf=" + Hex2(p.ParFlags) + " bd=" + Hex2(p.BorderFlags[0]) + "." +
                    Hex2(p.BorderFlags[1]) + " bw=" + std::to_string(p.BorderWidth) +
                    " bc=" + Hex2(p.BorderColor) + " sh=" + Hex2(p.ShadingColors) + "/" +
                    std::to_string(p.ShadingPercent) + " tabs=" + tabs +
                    " cell=" + std::to_string(p.CellStart) + "/" + std::to_string(p.CellWidth) + "\n";
  for (int i = 0; i < p.LineCount(); ++i) {
    const auto text = p.LineText(i);
    const auto attrs = p.LineAttrs(i);
    out += " L" + std::to_string(i) + " " + Quote(text) + "\n";
    size_t run = 0;
    while (run < attrs.size()) {
      size_t end = run + 1;
      while (end < attrs.size() && attrs[end].SameRun(attrs[run]) &&
             attrs[end].TagNumber == attrs[run].TagNumber)
        ++end;
      out += "  [" + std::to_string(run) + "," + std::to_string(end) + ") " + Attr(attrs[run]) + "\n";
      run = end;
    }
  }
  return out;
}

std::string DumpDocument(const TWPRTFText& doc) {
  std::string out;
  int n = 0;
  for (const TParagraph* p = doc.FirstParagraph(); p; p = p->Next) out += DumpParagraph(*p, n++);
  return out;
}

}  // namespace inkwend
