// Groups of the RTF reader: "{" saves the state of the group around it (character attribute,
// paragraph properties in force, destination, \uc and code page) and "}" restores it, after
// finishing what the closing group was collecting (a picture, a font definition, a footnote).
#include "richtext/rtf/reader.h"

namespace inkwend {

void TWPRtfReader::PushGroup() {
  started_ = true;
  skip_fallback_ = 0;
  decoder_.Reset();
  if (stack_.size() >= static_cast<size_t>(kMaxGroupDepth) || overflow_depth_ > 0) {
    ++overflow_depth_;
    return;
  }
  FlushRun();
  f_.Attr = attr_;
  stack_.push_back(f_);
}

void TWPRtfReader::PopGroup() {
  skip_fallback_ = 0;
  decoder_.Reset();
  if (overflow_depth_ > 0) {
    --overflow_depth_;
    return;
  }
  if (stack_.empty()) {  // an unbalanced "}" ends the document
    done_ = true;
    return;
  }
  FlushRun();
  star_ = false;
  const Destination closing = f_.Dest;
  if (closing == kPicture && stack_.size() == picture_.Depth()) FinishPicture();
  if (closing == kPictureFile && stack_[stack_.size() - 1].Dest != kPictureFile) FinishPictureFile();
  if (closing == kFontTable && !font_name_.empty()) EndFontDefinition();
  if (closing == kFootnoteText && stack_.size() == footnote_depth_) footnote_ = nullptr;
  f_ = stack_.back();
  stack_.pop_back();
  attr_ = f_.Attr;
  SetDecoder(f_.CodePage);
  if (closing == kFontTable && f_.Dest != kFontTable) SelectDefaultFont();
  if (stack_.empty()) {
    done_ = true;  // the outermost group closed; anything after it is not read
    return;
  }
  // Properties given inside the group end with it: a paragraph that has not begun yet takes
  // the restored ones once anything of it follows (groups that close at the end of the
  // document leave the last paragraph alone).
  if (f_.Dest == kText && closing == kText && ParagraphEmpty()) restore_pending_ = true;
}

void TWPRtfReader::ApplyRestoredProps() {
  restore_pending_ = false;
  if (f_.Dest != kText || !ParagraphEmpty()) return;
  // A bordered block ends where a group closes that had the border.
  if (par_->HasBorder() && f_.Props.Border[0] == 0 && par_->Prev && par_->Prev->HasBorder()) {
    par_->Prev->BorderFlags[0] |= kBorderEndsBlock;
  }
  ApplyProps(par_, f_.Props);
}

}  // namespace inkwend
