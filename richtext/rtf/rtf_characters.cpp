// Characters and character attributes of the RTF reader: text words (\par, \tab, \emdash, ...),
// "\'xx" in the code page in force, "\uN" with its fallback, and the words that change the
// attribute of the text that follows.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using rtf_values::kHexValue;

void TWPRtfReader::HexByte() {
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
  if (skip_fallback_ > 0) {
    --skip_fallback_;
    return;
  }
  if (f_.Dest == kText && byte < 0x80 && !decoder_.Pending() && decoder_.CodePage() != kCodePageSymbol) {
    if (byte == 1)
      TaggedObjectAnchor();
    else if (byte > 3)
      AddChar(byte);
    return;
  }
  const char32_t ch = decoder_.Feed(byte);
  if (ch != 0) CharOut(ch);
}

void TWPRtfReader::UnicodeChar(int32_t n) {
  decoder_.Reset();
  int32_t v = n;
  if (v < 0) v += 65536;
  v = std::clamp(v, 0, 0xFFFF);
  char32_t ch = static_cast<char32_t>(v);
  if (ch >= 0xD800 && ch <= 0xDBFF) {
    high_surrogate_ = static_cast<char16_t>(ch);
    ch = 0;
  } else if (ch >= 0xDC00 && ch <= 0xDFFF) {
    ch = high_surrogate_ ? 0x10000 + ((static_cast<char32_t>(high_surrogate_) - 0xD800) << 10) + (ch - 0xDC00)
                         : 0xFFFD;
    high_surrogate_ = 0;
  } else {
    high_surrogate_ = 0;
  }
  skip_fallback_ = 0;
  if (ch != 0) CharOut(ch);
  skip_fallback_ = f_.Uc;
}

bool TWPRtfReader::DoCharacter(const TRtfKeyword& k, int32_t) {
  const bool text = f_.Dest == kText;
  switch (k.Action) {
    case TRtfAction::Par:
    case TRtfAction::ParBreak:
      if (text) EndParagraph();
      return true;
    case TRtfAction::Line:
      if (text) AddChar(kCharLineBreak);
      return true;
    case TRtfAction::Tab:
      if (text)
        AddChar(kCharTab);
      else if (f_.Dest == kFootnoteText)
        CharOut(U'\t');
      return true;
    case TRtfAction::Char:
      CharOut(static_cast<char32_t>(k.Arg));
      return true;
    case TRtfAction::Ignore:
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
void SetPosition(TCharAttr& a, uint8_t position) {
  a.StyleBits &= static_cast<uint8_t>(~(kStyleSubscript | kStyleSuperscript));
  a.StyleBits |= position;
}

}  // namespace

// \plain: the default attribute in the default font (text marked as RTF code stays so).
void TWPRtfReader::PlainCharacterAttr() {
  ChangeAttr([&](TCharAttr& a) {
    const uint8_t code = a.CharFlags & kCharRtfCode;
    a = TCharAttr{};
    a.CharFlags = code;
    for (const RtfFont& font : fonts_) {
      if (font.Number == deff_) a.FontIndex = font.Slot;
    }
  });
  f_.CodePage = FontCodePage(deff_);
  SetDecoder(f_.CodePage);
}

bool TWPRtfReader::DoCharacterAttr(const TRtfKeyword& k, int32_t n) {
  using A = TRtfAction;
  switch (k.Action) {
    case A::Plain:
      PlainCharacterAttr();
      return true;
    case A::Font:
      if (f_.Dest == kFontTable)
        StartFontDefinition(n);
      else
        SetFont(n);
      return true;
    case A::FontSize:
      ChangeAttr([&](TCharAttr& a) {
        const int32_t pt = n / 2;
        a.PointSize = static_cast<uint8_t>(pt <= 0 ? 10 : std::min(pt, 255));
      });
      return true;
    case A::Style:
      ChangeAttr([&](TCharAttr& a) { SetBits(a.StyleBits, k.Arg, n != 0); });
      return true;
    case A::UnderlineOff:
      ChangeAttr([&](TCharAttr& a) { SetBits(a.StyleBits, kStyleUnderline | kStyleDoubleUnderline, false); });
      return true;
    case A::CharFlag:
      ChangeAttr([&](TCharAttr& a) { SetBits(a.CharFlags, k.Arg, n != 0); });
      return true;
    case A::Super:
      if (f_.Dest == kText) ChangeAttr([&](TCharAttr& a) { SetPosition(a, n != 0 ? kStyleSuperscript : 0); });
      return true;
    case A::Up:
      ChangeAttr([&](TCharAttr& a) { SetPosition(a, n > 0 ? kStyleSuperscript : 0); });
      return true;
    case A::Sub:
    case A::Down:
      ChangeAttr([&](TCharAttr& a) { SetPosition(a, n > 0 ? kStyleSubscript : 0); });
      return true;
    case A::NoSuperSub:
      ChangeAttr([&](TCharAttr& a) { SetPosition(a, 0); });
      return true;
    case A::Cf:
      ChangeAttr([&](TCharAttr& a) { a.SetTextColor(MapColor(n)); });
      return true;
    case A::Cb:
      ChangeAttr([&](TCharAttr& a) { a.SetBackgroundColor(MapColor(n)); });
      return true;
    default:
      return DoCharacterFlag(k, n);
  }
}

bool TWPRtfReader::DoCharacterFlag(const TRtfKeyword& k, int32_t n) {
  switch (k.Action) {
    case TRtfAction::InsPnt:
      ChangeAttr([&](TCharAttr& a) {
        if (n != 0) {
          a.CharFlags = static_cast<uint8_t>((a.CharFlags | kCharInsertPoint) & ~kCharAutomatic);
          a.TagNumber = static_cast<uint16_t>(std::clamp(n, 0, 0xFFFF));
        } else {
          a.CharFlags &= static_cast<uint8_t>(~kCharInsertPoint);
          a.TagNumber = 0;
        }
      });
      return true;
    case TRtfAction::InAut:
      ChangeAttr([&](TCharAttr& a) {
        if (n != 0)
          a.CharFlags = static_cast<uint8_t>((a.CharFlags | kCharAutomatic) & ~kCharInsertPoint);
        else
          a.CharFlags &= static_cast<uint8_t>(~kCharAutomatic);
      });
      return true;
    case TRtfAction::WpRtf:
      if (f_.Dest != kText) return true;
      ChangeAttr([&](TCharAttr& a) { SetBits(a.CharFlags, kCharRtfCode, n != 0); });
      verbatim_ = n != 0;
      verbatim_match_ = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace inkwend
