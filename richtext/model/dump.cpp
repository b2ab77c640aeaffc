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

std::string Attr(const CharAttr& a) {
  // Colours past the first 16 show their high nibbles after the low ones.
  const std::string high = a.colorHigh != 0 ? "/" + Hex2(a.colorHigh) : "";
  return "f" + std::to_string(a.fontIndex) + " s" + std::to_string(a.pointSize) + " c" +
         Hex2(a.colorIndexes) + high + " st" + Hex2(a.styleBits) + " cf" + Hex2(a.charFlags) + " lf" +
         Hex2(a.layoutFlags) + " mf" + Hex2(a.moreFlags) + " t" + std::to_string(a.tagNumber);
}

}  // namespace

std::string DumpParagraph(const Paragraph& p, int number) {
  char tabs[24];
  std::snprintf(tabs, sizeof tabs, "%llx", static_cast<unsigned long long>(p.tabMask));
  std::string out = "P" + std::to_string(number) + " al=" + std::to_string(p.alignment) +
                    " fi=" + std::to_string(p.firstIndent) + " li=" + std::to_string(p.leftIndent) +
                    " ri=" + std::to_string(p.rightIndent) + " sb=" + std::to_string(p.spaceBefore) +
                    " sa=" + std::to_string(p.spaceAfter) + " sl=" + std::to_string(p.lineSpacing) +
                    " pf=" + Hex2(p.parFlags) + " bd=" + Hex2(p.borderFlags[0]) + "." +
                    Hex2(p.borderFlags[1]) + " bw=" + std::to_string(p.borderWidth) +
                    " bc=" + Hex2(p.borderColor) + " sh=" + Hex2(p.shadingColors) + "/" +
                    std::to_string(p.shadingPercent) + " tabs=" + tabs +
                    " cell=" + std::to_string(p.cellStart) + "/" + std::to_string(p.cellWidth) + "\n";
  for (int i = 0; i < p.LineCount(); ++i) {
    const auto text = p.LineText(i);
    const auto attrs = p.LineAttrs(i);
    out += " L" + std::to_string(i) + " " + Quote(text) + "\n";
    size_t run = 0;
    while (run < attrs.size()) {
      size_t end = run + 1;
      while (end < attrs.size() && attrs[end].SameRun(attrs[run]) &&
             attrs[end].tagNumber == attrs[run].tagNumber)
        ++end;
      out += "  [" + std::to_string(run) + "," + std::to_string(end) + ") " + Attr(attrs[run]) + "\n";
      run = end;
    }
  }
  return out;
}

std::string DumpDocument(const WPRTFText& doc) {
  std::string out;
  int n = 0;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) out += DumpParagraph(*p, n++);
  return out;
}

}  // namespace inkwend
