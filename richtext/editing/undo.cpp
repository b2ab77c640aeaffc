// Undo and redo, and the bookkeeping every edit goes through: which paragraphs changed (for
// undo and for repainting only what changed).
#include <algorithm>

#include "richtext/editing/text_input.h"
#include "richtext/editing/undo_step.h"

namespace inkwend {

namespace {
constexpr int kBelowEverything = 1 << 30;

size_t StepBytes(const EditController::UndoStep& step) {
  size_t n = 0;
  for (const auto& s : step.pars)
    n += sizeof(s) + s.text.capacity() * sizeof(char32_t) + s.attrs.capacity() * sizeof(CharAttr);
  for (const auto& part : step.parts) n += StepBytes(*part);
  return n;
}
}  // namespace

void EditController::TrimUndo() {
  // Steps hold copies of whole paragraphs: keep the history within a memory budget, dropping the
  // oldest steps first (a single step above the budget is not kept at all).
  size_t total = 0;
  for (const auto& s : redo_) total += StepBytes(*s);
  for (const auto& s : undo_) total += StepBytes(*s);
  while (!undo_.empty() && (total > undoMemoryLimit || undo_.size() > std::max<size_t>(undoLimit, 1))) {
    total -= StepBytes(*undo_.front());
    undo_.erase(undo_.begin());
    if (userGroupStart_ > 0) --userGroupStart_;
    groupOpen_ = false;
    typingPar_ = nullptr;
  }
}

std::vector<EditController::ParSnapshot> EditController::Snapshot(int first_index, int count) const {
  std::vector<ParSnapshot> out;
  out.reserve(static_cast<size_t>(std::max(count, 0)));
  Paragraph* p = doc_.ParagraphAt(first_index);
  for (int i = 0; i < count && p; ++i, p = p->next) {
    ParSnapshot s;
    s.props.CopyPropertiesFrom(*p);
    s.text.assign(p->Text().begin(), p->Text().end());
    if (p->HasAttributes()) s.attrs.assign(p->Attrs().begin(), p->Attrs().end());
    s.endAttr = p->endAttr;
    out.push_back(std::move(s));
  }
  return out;
}

void EditController::Restore(int first_index, int count, const std::vector<ParSnapshot>& pars) {
  caret = selStart = selEnd = TextCursor{};
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  Paragraph* old = doc_.ParagraphAt(first_index);
  Paragraph* after = old ? old->prev : doc_.LastParagraph();
  std::vector<CharAttr> filled;
  for (const ParSnapshot& s : pars) {
    Paragraph* np =
        doc_.NewParagraph(after, std::max<int>(kNewParagraphCapacity, static_cast<int>(s.text.size()) + 8));
    np->CopyPropertiesFrom(s.props);
    np->endAttr = s.endAttr;
    std::span<const CharAttr> attrs = s.attrs;
    if (np->HasAttributes() && attrs.size() != s.text.size()) {
      filled.assign(s.text.size(), doc_.defaultAttr);
      attrs = filled;
    } else if (!np->HasAttributes()) {
      attrs = {};
    }
    doc_.AppendText(np, std::span<const char32_t>(s.text), attrs);
    np->MarkDirty();
    after = np;
  }
  Paragraph* p = after ? after->next : doc_.FirstParagraph();
  for (int i = 0; i < count && p; ++i) {
    Paragraph* next = p->next;
    if (doc_.FirstParagraph() != doc_.LastParagraph()) doc_.FreeParagraph(p);
    p = next;
  }
  caret = TextCursor{doc_.FirstParagraph(), 0, 0};
}

void EditController::BeginTyping(Paragraph* par) {
  if (groupOpen_ && typingPar_ == par && dirtyFirstIndex_ < 0 && !undo_.empty() &&
      undo_.back()->kind == EditKind::Typing) {
    typingFast_ = true;
    typedPar_ = par;
    heightBefore_ = layout_.DocumentHeight();
    return;
  }
  typingFast_ = false;
  typedPar_ = nullptr;
  const int index = ParagraphIndex(par);
  BeginEdit(EditKind::Typing, index, index, /*structural=*/false);
  typingPar_ = par;
  typingParStart_ = PositionOf(ParPos{par, 0});
}

void EditController::EndTyping() {
  if (!typingFast_) {
    EndEdit();
    return;
  }
  typingFast_ = false;
  undo_.back()->caretAfter = typingParStart_ + CaretPos().offset;
  redo_.clear();
}

void EditController::BeginEdit(EditKind kind, int first_index, int last_index, bool structural) {
  if (last_index < first_index) std::swap(first_index, last_index);
  pendingStructural_ = structural;
  pendingCountBefore_ = structural ? doc_.ParagraphCount() : 0;
  typedPar_ = nullptr;
  if (dirtyFirstIndex_ < 0) {
    heightBefore_ = layout_.DocumentHeight();
    dirtyFirstIndex_ = first_index;
    dirtyLastIndex_ = last_index;
  } else {
    dirtyFirstIndex_ = std::min(dirtyFirstIndex_, first_index);
    dirtyLastIndex_ = std::max(dirtyLastIndex_, last_index);
  }
  if (kind == EditKind::Typing && groupOpen_ && !undo_.empty() && undo_.back()->kind == EditKind::Typing &&
      first_index >= undo_.back()->first && last_index < undo_.back()->first + undo_.back()->count) {
    merging_ = true;
    return;
  }
  merging_ = false;
  pending_ = std::make_unique<UndoStep>();
  pending_->kind = kind;
  pending_->first = first_index;
  pending_->pars = Snapshot(first_index, last_index - first_index + 1);
  pending_->caretBefore = GetCaretPosition();
}

void EditController::EndEdit() {
  const int delta = pendingStructural_ ? doc_.ParagraphCount() - pendingCountBefore_ : 0;
  if (delta != 0) structureChanged_ = true;
  if (merging_) {
    merging_ = false;
    undo_.back()->count += delta;
    undo_.back()->caretAfter = GetCaretPosition();
    dirtyLastIndex_ = std::max(dirtyLastIndex_, dirtyLastIndex_ + delta);
  } else if (pending_) {
    pending_->count = static_cast<int>(pending_->pars.size()) + delta;
    pending_->caretAfter = GetCaretPosition();
    groupOpen_ = pending_->kind == EditKind::Typing;
    if (!groupOpen_) typingPar_ = nullptr;
    dirtyLastIndex_ = std::max(dirtyLastIndex_, pending_->first + pending_->count - 1);
    undo_.push_back(std::move(pending_));
    redo_.clear();
    TrimUndo();
  }
  redo_.clear();
}

void EditController::Finished(bool changed) {
  if (typedPar_ && dirtyFirstIndex_ < 0) {
    // Keys typed into a paragraph of an open group: only that paragraph is wrapped again, only
    // its lines that changed are repainted, and the lines below move only when its height changed.
    Paragraph* par = typedPar_;
    typedPar_ = nullptr;
    lastFastPar_ = par;
    const TextLayout::TypedChange typed = layout_.ReformatTypedParagraph(par);
    const int top = typed.top;
    const int bottom =
        typed.heightChanged || layout_.DocumentHeight() != heightBefore_ ? kBelowEverything : typed.bottom;
    dirtyTop_ = dirtyTop_ <= dirtyBottom_ ? std::min(dirtyTop_, top) : top;
    dirtyBottom_ = std::max(dirtyBottom_, bottom);
    if (changed) Changed();
    return;
  }
  typedPar_ = nullptr;
  lastFastPar_ = nullptr;
  layout_.Reformat();
  if (dirtyFirstIndex_ >= 0) {
    Paragraph* first = doc_.ParagraphAt(dirtyFirstIndex_);
    if (!first) first = doc_.LastParagraph();
    const int top = layout_.Box(first, 0).top;
    int bottom;
    if (structureChanged_ || layout_.DocumentHeight() != heightBefore_) {
      bottom = kBelowEverything;
    } else {
      Paragraph* last = doc_.ParagraphAt(dirtyLastIndex_);
      if (!last) last = doc_.LastParagraph();
      bottom = layout_.BottomOf(last);
    }
    dirtyTop_ = std::min(dirtyTop_ <= dirtyBottom_ ? dirtyTop_ : top, top);
    dirtyBottom_ = std::max(dirtyBottom_, bottom);
  }
  dirtyFirstIndex_ = -1;
  structureChanged_ = false;
  if (changed) Changed();
}

void EditController::ResetDirty() {
  dirtyTop_ = 1;
  dirtyBottom_ = 0;
}

void EditController::MarkAllDirty() {
  lastFastPar_ = nullptr;
  dirtyTop_ = 0;
  dirtyBottom_ = kBelowEverything;
}

void EditController::ClearUndo() {
  undo_.clear();
  redo_.clear();
  pending_.reset();
  groupOpen_ = false;
  merging_ = false;
  typingPar_ = nullptr;
  userGroupStart_ = 0;
}

void EditController::BeginUndoGroup() {
  if (userGroupDepth_++ > 0) return;
  groupOpen_ = false;
  userGroupStart_ = undo_.size();
}

void EditController::EndUndoGroup() {
  if (userGroupDepth_ == 0 || --userGroupDepth_ > 0) return;
  groupOpen_ = false;
  typingPar_ = nullptr;
  const size_t start = std::min(userGroupStart_, undo_.size());
  if (undo_.size() - start < 2) return;  // nothing or one edit: a step of its own already
  auto group = std::make_unique<UndoStep>();
  group->caretBefore = undo_[start]->caretBefore;
  group->caretAfter = undo_.back()->caretAfter;
  for (size_t i = start; i < undo_.size(); ++i) group->parts.push_back(std::move(undo_[i]));
  undo_.resize(start);
  undo_.push_back(std::move(group));
}

void EditController::SwapStep(UndoStep& step) {
  const int count_now = static_cast<int>(step.pars.size());
  std::vector<ParSnapshot> current = Snapshot(step.first, step.count);
  Restore(step.first, step.count, step.pars);
  step.pars = std::move(current);
  step.count = count_now;
  std::swap(step.caretBefore, step.caretAfter);
}

bool EditController::ApplyStep(UndoStep& step, bool undoing) {
  if (readOnly || !ready) return false;
  groupOpen_ = false;
  if (step.parts.empty()) {
    SwapStep(step);
  } else {
    // Each part puts back what it replaced, so the parts run in the reverse order of their edits.
    if (undoing)
      for (auto it = step.parts.rbegin(); it != step.parts.rend(); ++it) SwapStep(**it);
    else
      for (auto& part : step.parts) SwapStep(*part);
    std::swap(step.caretBefore, step.caretAfter);
  }
  modified = true;
  layout_.Reformat();
  MoveCaretTo(PosAt(step.caretAfter), false);
  MarkAllDirty();
  Changed();
  return true;
}

bool EditController::Undo() {
  if (undo_.empty() || readOnly || !ready) return false;
  std::unique_ptr<UndoStep> step = std::move(undo_.back());
  undo_.pop_back();
  ApplyStep(*step, /*undoing=*/true);
  redo_.push_back(std::move(step));
  return true;
}

bool EditController::Redo() {
  if (redo_.empty() || readOnly || !ready) return false;
  std::unique_ptr<UndoStep> step = std::move(redo_.back());
  redo_.pop_back();
  ApplyStep(*step, /*undoing=*/false);
  undo_.push_back(std::move(step));
  return true;
}

}  // namespace inkwend
