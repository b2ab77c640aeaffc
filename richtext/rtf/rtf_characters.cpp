// Characters and character attributes of the RTF reader: text words (\par, \tab, \emdash, ...),
// "\'xx" in the code page in force, "\uN" with its fallback, and the words that change the
// attribute of the text that follows.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using rtf_values::kHexValue;

void WPRtfReader::HexByte() {
  int hi = Get();
  if (hi < 0) return;
  if (kHexValue[static_cast<size_t>(hi)] < 0) {
    Unget();
    return;
  }
  int lo = Get();
  if (lo < 0) return;
  if (kHexValue[static_cast<size_t>(lo)] < 0) {
    Unget();
    return;
  }
  const auto byte =
      static_cast<uint8_t>(kHexValue[static_cast<size_t>(hi)] << 4 | kHexValue[static_cast<size_t>(lo)]);
  if (skipFallback_ > 0) {
    --skipFallback_;
    return;
  }
  if (f_.dest == Destination::Text && byte < 0x80 && !decoder_.Pending() &&
      decoder_.CodePage() != kCodePageSymbol) {
    if (byte == 1)
      TaggedObjectAnchor();
    else if (byte > 3)
      AddChar(byte);
    return;
  }
  const char32_t ch = decoder_.Feed(byte);
  if (ch != 0) CharOut(ch);
}

void WPRtfReader::UnicodeChar(int32_t n) {
  decoder_.Reset();
  int32_t v = n;
  if (v < 0) v += 65536;
  v = std::clamp(v, 0, 0xFFFF);
  char32_t ch = static_cast<char32_t>(v);
  if (ch >= 0xD800 && ch <= 0xDBFF) {
    highSurrogate_ = static_cast<char16_t>(ch);
    ch = 0;
  } else if (ch >= 0xDC00 && ch <= 0xDFFF) {
    ch = highSurrogate_ ? 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (ch - 0xDC00)
                        : 0xFFFD;
    highSurrogate_ = 0;
  } else {
    highSurrogate_ = 0;
  }
  skipFallback_ = 0;
  if (ch != 0) CharOut(ch);
  skipFallback_ = f_.uc;
}

bool WPRtfReader::DoCharacter(const RtfKeyword& k, int32_t) {
  const bool text = f_.dest == Destination::Text;
  switch (k.action) {
    case RtfAction::Par:
    case RtfAction::ParBreak:
      if (text) EndParagraph();
      return true;
    case RtfAction::Line:
      if (text) AddChar(kCharLineBreak);
      return true;
    case RtfAction::Tab:
      if (text)
        AddChar(kCharTab);
      else if (f_.dest == Destination::FootnoteText)
        CharOut(U'\t');
      return true;
    case RtfAction::Char:
      CharOut(static_cast<char32_t>(k.arg));
      return true;
    case RtfAction::Ignore:
      return true;
    default:
      return false;
  }
}

namespace {

void SetBits(uint8_t& bits, int mask, bool on) {
  if (on)
    bits |= static_cast<uint8_t>(mask);
  else
    bits &= static_cast<uint8_t>(~mask);
}

// \super, \sub, \up, \dn, \nosupersub: at most one of superscript and subscript.
void SetPosition(CharAttr& a, uint8_t position) {
  a.styleBits &= static_cast<uint8_t>(~(kStyleSubscript | kStyleSuperscript));
  a.styleBits |= position;
}

}  // namespace

// \plain: the default attribute in the default font and size (text marked as RTF code stays so).
void WPRtfReader::PlainCharacterAttr() {
  ChangeAttr([&](CharAttr& a) {
    const uint8_t code = a.charFlags & kCharRtfCode;
    a = CharAttr{};
    a.charFlags = code;
    a.pointSize = plainSize_;
    for (const RtfFont& font : fonts_) {
      if (font.number == deff_) a.fontIndex = font.slot;
    }
  });
  f_.codePage = FontCodePage(deff_);
  SetDecoder(f_.codePage);
}

bool WPRtfReader::DoCharacterAttr(const RtfKeyword& k, int32_t n) {
  using A = RtfAction;
  switch (k.action) {
    case A::Plain:
      PlainCharacterAttr();
      return true;
    case A::Font:
      if (f_.dest == Destination::FontTable)
        StartFontDefinition(n);
      else
        SetFont(n);
      return true;
    case A::FontSize:
      ChangeAttr([&](CharAttr& a) {
        const int32_t pt = n / 2;
        a.pointSize = static_cast<uint8_t>(pt <= 0 ? 10 : std::min(pt, 255));
      });
      return true;
    case A::Style:
      ChangeAttr([&](CharAttr& a) { SetBits(a.styleBits, k.arg, n != 0); });
      return true;
    case A::UnderlineOff:
      ChangeAttr([&](CharAttr& a) { SetBits(a.styleBits, kStyleUnderline | kStyleDoubleUnderline, false); });
      return true;
    case A::CharFlag:
      ChangeAttr([&](CharAttr& a) { SetBits(a.charFlags, k.arg, n != 0); });
      return true;
    case A::CharDirection:
      ChangeAttr([&](CharAttr& a) {
        a.moreFlags = static_cast<uint8_t>((a.moreFlags & ~(kMoreRightToLeft | kMoreLeftToRight)) | k.arg);
      });
      return true;
    case A::MoreFlag:
      ChangeAttr([&](CharAttr& a) { SetBits(a.moreFlags, k.arg, n != 0); });
      return true;
    case A::Super:
      if (f_.dest == Destination::Text)
        ChangeAttr([&](CharAttr& a) { SetPosition(a, n != 0 ? kStyleSuperscript : 0); });
      return true;
    case A::Up:
      ChangeAttr([&](CharAttr& a) { SetPosition(a, n > 0 ? kStyleSuperscript : 0); });
      return true;
    case A::Sub:
    case A::Down:
      ChangeAttr([&](CharAttr& a) { SetPosition(a, n > 0 ? kStyleSubscript : 0); });
      return true;
    case A::NoSuperSub:
      ChangeAttr([&](CharAttr& a) { SetPosition(a, 0); });
      return true;
    case A::Cf:
      ChangeAttr([&](CharAttr& a) { a.SetTextColor(MapColor(n)); });
      return true;
    case A::Cb:
      ChangeAttr([&](CharAttr& a) { a.SetBackgroundColor(MapColor(n)); });
      return true;
    default:
      return DoCharacterFlag(k, n);
  }
}

bool WPRtfReader::DoCharacterFlag(const RtfKeyword& k, int32_t n) {
  switch (k.action) {
    case RtfAction::InsPnt:
      ChangeAttr([&](CharAttr& a) {
        if (n != 0) {
          a.charFlags = static_cast<uint8_t>((a.charFlags | kCharInsertPoint) & ~kCharAutomatic);
          a.tagNumber = static_cast<uint16_t>(std::clamp(n, 0, 0xFFFF));
        } else {
          a.charFlags &= static_cast<uint8_t>(~kCharInsertPoint);
          a.tagNumber = 0;
        }
      });
      return true;
    case RtfAction::InAut:
      ChangeAttr([&](CharAttr& a) {
        if (n != 0)
          a.charFlags = static_cast<uint8_t>((a.charFlags | kCharAutomatic) & ~kCharInsertPoint);
        else
          a.charFlags &= static_cast<uint8_t>(~kCharAutomatic);
      });
      return true;
    case RtfAction::WpRtf:
      if (f_.dest != Destination::Text) return true;
      ChangeAttr([&](CharAttr& a) { SetBits(a.charFlags, kCharRtfCode, n != 0); });
      verbatim_ = n != 0;
      verbatimMatch_ = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace inkwend
