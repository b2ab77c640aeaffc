// The plain-text body of WPTextReader: lines become paragraphs; UTF-8 when the bytes are
// valid UTF-8, Windows-1252 otherwise.
#include <string>

#include "richtext/model/charset.h"
#include "richtext/rtf/text_reader.h"

namespace inkwend {

namespace {

// A valid UTF-8 check that does not accept lone surrogates or overlong forms.
bool IsUtf8(const std::string& all) {
  size_t i = 0;
  const size_t n = all.size();
  while (i < n) {
    const auto b = static_cast<uint8_t>(all[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
    if (b >= 0xF5) len = 0;
    if (len == 0 || i + static_cast<size_t>(len) > n) return false;
    for (int k = 1; k < len; ++k) {
      if ((static_cast<uint8_t>(all[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    }
    i += static_cast<size_t>(len);
  }
  return true;
}

}  // namespace

void WPTextReader::ReadBody() {
  // CR, LF and CR LF each end a paragraph (text files from Linux end their lines with LF alone).
  // Text that is valid UTF-8 is read as UTF-8, anything else as Windows-1252.
  bool after_cr = false;
  int c;
  std::string all;  // the text is decoded once it is known whether it is UTF-8
  while ((c = Get()) >= 0) {
    if (c == 0) break;
    if (static_cast<int64_t>(all.size()) >= maxChars_) {
      MarkDamaged("the text after the first " + std::to_string(maxChars_) + " bytes");
      break;
    }
    all.push_back(static_cast<char>(c));
  }
  const bool utf8 = IsUtf8(all);
  const std::u32string text = utf8 ? FromUtf8(all) : std::u32string();
  auto put = [&](char32_t ch) {
    if (full_) return;
    if (ch == U'\r') {
      StartNewParagraph();
      after_cr = true;
      return;
    }
    if (ch == U'\n') {
      if (!after_cr) StartNewParagraph();
      after_cr = false;
      return;
    }
    after_cr = false;
    if (ch < 4 && ch != 0) return;  // never ordinary text
    AddChar(ch);
  };
  if (utf8) {
    for (char32_t ch : text) put(ch);
  } else {
    for (char b : all) put(Cp1252ToUnicode(static_cast<uint8_t>(b)));
  }
}

}  // namespace inkwend
