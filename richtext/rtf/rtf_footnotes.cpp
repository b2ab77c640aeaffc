// Footnotes of the RTF reader: the character before \footnote becomes the note's mark and
// anchor, the group's text the note; Word's automatic number (\chftn) becomes the mark.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {
constexpr size_t kMaxFootnoteText = size_t{64} * 1024;
}

bool WPRtfReader::DoFootnote(const RtfKeyword& k, int32_t n) {
  switch (k.action) {
    case RtfAction::Footnote:
      StartFootnote();
      return true;
    case RtfAction::FnNr:
      if (footnote_) footnote_->number = std::max(n, 0);
      return true;
    case RtfAction::Chftn:
      if (f_.dest == Destination::Text) ChftnMark();
      return true;
    default:
      return false;
  }
}

void WPRtfReader::ChftnMark() {
  // Word's automatic footnote number: the number becomes the anchor character.
  const int next = footnoteCount_ + 1;
  AddChar(next <= 9 ? static_cast<char32_t>(U'0' + next) : U'*');
}

void WPRtfReader::StartFootnote() {
  f_.dest = Destination::Skip;
  if (!doc_.AttributeMode() || footnoteCount_ >= kMaxFootnotes || !stack_.size() ||
      stack_.back().dest != Destination::Text) {
    return;
  }
  FlushParagraph();
  ++footnoteCount_;
  FootnoteRec* fn = doc_.AddFootnote(U'?', 0, U"");
  // The character before the footnote is its mark and anchor.
  const int n = par_->CharCount();
  if (n > 0) {
    const int line = par_->LineCount() - 1;
    auto text = par_->LineText(line);
    auto attrs = par_->LineAttrs(line);
    if (!text.empty() && text.back() > 3) {
      fn->mark = text.back();
      CharAttr& a = attrs.back();
      a.tagNumber = fn->id;
      a.charFlags |= kCharFootnote;
      a.styleBits &= static_cast<uint8_t>(~kStyleSuperscript);
    }
  }
  footnote_ = fn;
  footnoteDepth_ = stack_.size();
  f_.dest = Destination::FootnoteText;
}

void WPRtfReader::FootnoteChar(char32_t c) {
  if (footnote_ && footnote_->text.size() < kMaxFootnoteText) {
    if (footnote_->text.empty() && (c == U' ' || c == footnote_->mark)) return;
    footnote_->text.push_back(c);
  }
}

}  // namespace inkwend
