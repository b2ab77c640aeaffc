// Footnotes of the RTF reader: the character before \footnote becomes the note's mark and
// anchor, the group's text the note; Word's automatic number (\chftn) becomes the mark.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {
constexpr size_t kMaxFootnoteText = size_t{64} * 1024;
}

bool TWPRtfReader::DoFootnote(const TRtfKeyword& k, int32_t n) {
  switch (k.Action) {
    case TRtfAction::Footnote:
      StartFootnote();
      return true;
    case TRtfAction::FnNr:
      if (footnote_) footnote_->Number = std::max(n, 0);
      return true;
    case TRtfAction::Chftn:
      if (f_.Dest == kText) ChftnMark();
      return true;
    default:
      return false;
  }
}

void TWPRtfReader::ChftnMark() {
  // Word's automatic footnote number: the number becomes the anchor character.
  const int next = footnote_count_ + 1;
  AddChar(next <= 9 ? static_cast<char32_t>(U'0' + next) : U'*');
}

void TWPRtfReader::StartFootnote() {
  f_.Dest = kSkip;
  if (!doc_.AttributeMode() || footnote_count_ >= kMaxFootnotes || !stack_.size() ||
      stack_.back().Dest != kText) {
    return;
  }
  FlushParagraph();
  ++footnote_count_;
  TFootnoteRec* fn = doc_.AddFootnote(U'?', 0, U"");
  // The character before the footnote is its mark and anchor.
  const int n = par_->CharCount();
  if (n > 0) {
    const int line = par_->LineCount() - 1;
    auto text = par_->LineText(line);
    auto attrs = par_->LineAttrs(line);
    if (!text.empty() && text.back() > 3) {
      fn->Mark = text.back();
      TCharAttr& a = attrs.back();
      a.TagNumber = fn->Id;
      a.CharFlags |= kCharFootnote;
      a.StyleBits &= static_cast<uint8_t>(~kStyleSuperscript);
    }
  }
  footnote_ = fn;
  footnote_depth_ = stack_.size();
  f_.Dest = kFootnoteText;
}

void TWPRtfReader::FootnoteChar(char32_t c) {
  if (footnote_ && footnote_->Text.size() < kMaxFootnoteText) {
    if (footnote_->Text.empty() && (c == U' ' || c == footnote_->Mark)) return;
    footnote_->Text.push_back(c);
  }
}

}  // namespace inkwend
