// Groups of the RTF reader: "{" saves the state of the group around it (character attribute,
// paragraph properties in force, destination, \uc and code page) and "}" restores it, after
// finishing what the closing group was collecting (a picture, a font definition, a footnote).
#include "richtext/rtf/reader.h"

namespace inkwend {

void WPRtfReader::PushGroup() {
  started_ = true;
  skipFallback_ = 0;
  decoder_.Reset();
  if (stack_.size() >= static_cast<size_t>(kMaxGroupDepth) || overflowDepth_ > 0) {
    ++overflowDepth_;
    return;
  }
  FlushRun();
  f_.attr = attr_;
  stack_.push_back(f_);
  // Each group directly inside the style sheet defines one style.
  if (f_.dest == Destination::StyleSheet && stack_.size() == styleSheetDepth_ + 1) BeginStyleDefinition();
}

void WPRtfReader::PopGroup() {
  skipFallback_ = 0;
  decoder_.Reset();
  if (overflowDepth_ > 0) {
    --overflowDepth_;
    return;
  }
  if (stack_.empty()) {  // an unbalanced "}" ends the document
    done_ = true;
    return;
  }
  FlushRun();
  star_ = false;
  const Destination closing = f_.dest;
  if (closing == Destination::Picture && stack_.size() == picture_.Depth()) FinishPicture();
  if (closing == Destination::PictureFile && stack_[stack_.size() - 1].dest != Destination::PictureFile)
    FinishPictureFile();
  if (closing == Destination::FontTable && !fontName_.empty()) EndFontDefinition();
  if (closing == Destination::FootnoteText && stack_.size() == footnoteDepth_) footnote_ = nullptr;
  if (closing == Destination::StyleSheet && stack_.size() == styleSheetDepth_ + 1) EndStyleDefinition();
  f_ = stack_.back();
  stack_.pop_back();
  attr_ = f_.attr;
  SetDecoder(f_.codePage);
  if (closing == Destination::FontTable && f_.dest != Destination::FontTable) SelectDefaultFont();
  if (stack_.empty()) {
    done_ = true;  // the outermost group closed; anything after it is not read
    return;
  }
  // Properties given inside the group end with it: a paragraph that has not begun yet takes
  // the restored ones once anything of it follows (groups that close at the end of the
  // document leave the last paragraph alone).
  if (f_.dest == Destination::Text && closing == Destination::Text && ParagraphEmpty())
    restorePending_ = true;
}

void WPRtfReader::ApplyRestoredProps() {
  restorePending_ = false;
  if (f_.dest != Destination::Text || !ParagraphEmpty()) return;
  // A bordered block ends where a group closes that had the border.
  if (par_->HasBorder() && f_.props.border[0] == 0 && par_->prev && par_->prev->HasBorder()) {
    par_->prev->borderFlags[0] |= kBorderEndsBlock;
  }
  ApplyProps(par_, f_.props);
}

}  // namespace inkwend
