// Undo and redo, and the bookkeeping every edit goes through: which paragraphs changed (for
// undo and for repainting only what changed).
#include <algorithm>

#include "richtext/editing/text_input.h"
#include "richtext/editing/undo_step.h"

namespace inkwend {

namespace {
constexpr int kBelowEverything = 1 << 30;

size_t StepBytes(const std::vector<EditController::TParSnapshot>& pars) {
  size_t n = 0;
  for (const auto& s : pars)
    n += sizeof(s) + s.Text.capacity() * sizeof(char32_t) + s.Attrs.capacity() * sizeof(TCharAttr);
  return n;
}
}  // namespace

void EditController::TrimUndo() {
  // Steps hold copies of whole paragraphs: keep the history within a memory budget, dropping the
  // oldest steps first (a single step above the budget is not kept at all).
  size_t total = 0;
  for (const auto& s : redo_) total += StepBytes(s->Pars);
  for (const auto& s : undo_) total += StepBytes(s->Pars);
  while (!undo_.empty() && (total > UndoMemoryLimit || undo_.size() > std::max<size_t>(UndoLimit, 1))) {
    total -= StepBytes(undo_.front()->Pars);
    undo_.erase(undo_.begin());
    group_open_ = false;
    typing_par_ = nullptr;
  }
}

std::vector<EditController::TParSnapshot> EditController::Snapshot(int first_index, int count) const {
  std::vector<TParSnapshot> out;
  out.reserve(static_cast<size_t>(std::max(count, 0)));
  TParagraph* p = doc_.ParagraphAt(first_index);
  for (int i = 0; i < count && p; ++i, p = p->Next) {
    TParSnapshot s;
    s.Props.CopyPropertiesFrom(*p);
    s.Text.assign(p->Text().begin(), p->Text().end());
    if (p->HasAttributes()) s.Attrs.assign(p->Attrs().begin(), p->Attrs().end());
    s.EndAttr = p->EndAttr;
    out.push_back(std::move(s));
  }
  return out;
}

void EditController::Restore(int first_index, int count, const std::vector<TParSnapshot>& pars) {
  Caret = SelStart = SelEnd = TTextCursor{};
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  TParagraph* old = doc_.ParagraphAt(first_index);
  TParagraph* after = old ? old->Prev : doc_.LastParagraph();
  std::vector<TCharAttr> filled;
  for (const TParSnapshot& s : pars) {
    TParagraph* np =
        doc_.NewParagraph(after, std::max<int>(kNewParagraphCapacity, static_cast<int>(s.Text.size()) + 8));
    np->CopyPropertiesFrom(s.Props);
    np->EndAttr = s.EndAttr;
    std::span<const TCharAttr> attrs = s.Attrs;
    if (np->HasAttributes() && attrs.size() != s.Text.size()) {
      filled.assign(s.Text.size(), doc_.DefaultAttr);
      attrs = filled;
    } else if (!np->HasAttributes()) {
      attrs = {};
    }
    doc_.AppendText(np, std::span<const char32_t>(s.Text), attrs);
    np->MarkDirty();
    after = np;
  }
  TParagraph* p = after ? after->Next : doc_.FirstParagraph();
  for (int i = 0; i < count && p; ++i) {
    TParagraph* next = p->Next;
    if (doc_.FirstParagraph() != doc_.LastParagraph()) doc_.FreeParagraph(p);
    p = next;
  }
  Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
}

void EditController::BeginTyping(TParagraph* par) {
  if (group_open_ && typing_par_ == par && dirty_first_index_ < 0 && !undo_.empty() &&
      undo_.back()->Kind == TEditKind::Typing) {
    typing_fast_ = true;
    typed_par_ = par;
    height_before_ = layout_.DocumentHeight();
    return;
  }
  typing_fast_ = false;
  typed_par_ = nullptr;
  const int index = ParagraphIndex(par);
  BeginEdit(TEditKind::Typing, index, index, /*structural=*/false);
  typing_par_ = par;
  typing_par_start_ = PositionOf(TParPos{par, 0});
}

void EditController::EndTyping() {
  if (!typing_fast_) {
    EndEdit();
    return;
  }
  typing_fast_ = false;
  undo_.back()->CaretAfter = typing_par_start_ + CaretPos().Offset;
  redo_.clear();
}

void EditController::BeginEdit(TEditKind kind, int first_index, int last_index, bool structural) {
  if (last_index < first_index) std::swap(first_index, last_index);
  pending_structural_ = structural;
  pending_count_before_ = structural ? doc_.ParagraphCount() : 0;
  typed_par_ = nullptr;
  if (dirty_first_index_ < 0) {
    height_before_ = layout_.DocumentHeight();
    dirty_first_index_ = first_index;
    dirty_last_index_ = last_index;
  } else {
    dirty_first_index_ = std::min(dirty_first_index_, first_index);
    dirty_last_index_ = std::max(dirty_last_index_, last_index);
  }
  if (kind == TEditKind::Typing && group_open_ && !undo_.empty() && undo_.back()->Kind == TEditKind::Typing &&
      first_index >= undo_.back()->First && last_index < undo_.back()->First + undo_.back()->Count) {
    merging_ = true;
    return;
  }
  merging_ = false;
  pending_ = std::make_unique<TUndoStep>();
  pending_->Kind = kind;
  pending_->First = first_index;
  pending_->Pars = Snapshot(first_index, last_index - first_index + 1);
  pending_->CaretBefore = GetCaretPosition();
}

void EditController::EndEdit() {
  const int delta = pending_structural_ ? doc_.ParagraphCount() - pending_count_before_ : 0;
  if (delta != 0) structure_changed_ = true;
  if (merging_) {
    merging_ = false;
    undo_.back()->Count += delta;
    undo_.back()->CaretAfter = GetCaretPosition();
    dirty_last_index_ = std::max(dirty_last_index_, dirty_last_index_ + delta);
  } else if (pending_) {
    pending_->Count = static_cast<int>(pending_->Pars.size()) + delta;
    pending_->CaretAfter = GetCaretPosition();
    group_open_ = pending_->Kind == TEditKind::Typing;
    if (!group_open_) typing_par_ = nullptr;
    dirty_last_index_ = std::max(dirty_last_index_, pending_->First + pending_->Count - 1);
    undo_.push_back(std::move(pending_));
    redo_.clear();
    TrimUndo();
  }
  redo_.clear();
}

void EditController::Finished(bool changed) {
  if (typed_par_ && dirty_first_index_ < 0) {
    // Keys typed into a paragraph of an open group: only that paragraph is wrapped again; the
    // lines below move only when its height changed.
    TParagraph* par = typed_par_;
    typed_par_ = nullptr;
    last_fast_par_ = par;
    const bool height_changed = layout_.ReformatParagraph(par, true);
    const int top = layout_.Box(par, 0).top;
    const int bottom = height_changed || layout_.DocumentHeight() != height_before_ ? kBelowEverything
                                                                                    : layout_.BottomOf(par);
    dirty_top_ = dirty_top_ <= dirty_bottom_ ? std::min(dirty_top_, top) : top;
    dirty_bottom_ = std::max(dirty_bottom_, bottom);
    if (changed) Changed();
    return;
  }
  typed_par_ = nullptr;
  last_fast_par_ = nullptr;
  layout_.Reformat();
  if (dirty_first_index_ >= 0) {
    TParagraph* first = doc_.ParagraphAt(dirty_first_index_);
    if (!first) first = doc_.LastParagraph();
    const int top = layout_.Box(first, 0).top;
    int bottom;
    if (structure_changed_ || layout_.DocumentHeight() != height_before_) {
      bottom = kBelowEverything;
    } else {
      TParagraph* last = doc_.ParagraphAt(dirty_last_index_);
      if (!last) last = doc_.LastParagraph();
      bottom = layout_.BottomOf(last);
    }
    dirty_top_ = std::min(dirty_top_ <= dirty_bottom_ ? dirty_top_ : top, top);
    dirty_bottom_ = std::max(dirty_bottom_, bottom);
  }
  dirty_first_index_ = -1;
  structure_changed_ = false;
  if (changed) Changed();
}

void EditController::ResetDirty() {
  dirty_top_ = 1;
  dirty_bottom_ = 0;
}

void EditController::MarkAllDirty() {
  last_fast_par_ = nullptr;
  dirty_top_ = 0;
  dirty_bottom_ = kBelowEverything;
}

void EditController::ClearUndo() {
  undo_.clear();
  redo_.clear();
  pending_.reset();
  group_open_ = false;
  merging_ = false;
  typing_par_ = nullptr;
}

bool EditController::ApplyStep(TUndoStep& step) {
  if (ReadOnly || !Ready) return false;
  group_open_ = false;
  const int count_now = static_cast<int>(step.Pars.size());
  std::vector<TParSnapshot> current = Snapshot(step.First, step.Count);
  Restore(step.First, step.Count, step.Pars);
  step.Pars = std::move(current);
  step.Count = count_now;
  std::swap(step.CaretBefore, step.CaretAfter);
  Modified = true;
  layout_.Reformat();
  MoveCaretTo(PosAt(step.CaretAfter), false);
  MarkAllDirty();
  Changed();
  return true;
}

bool EditController::Undo() {
  if (undo_.empty() || ReadOnly || !Ready) return false;
  std::unique_ptr<TUndoStep> step = std::move(undo_.back());
  undo_.pop_back();
  ApplyStep(*step);
  redo_.push_back(std::move(step));
  return true;
}

bool EditController::Redo() {
  if (redo_.empty() || ReadOnly || !Ready) return false;
  std::unique_ptr<TUndoStep> step = std::move(redo_.back());
  redo_.pop_back();
  ApplyStep(*step);
  undo_.push_back(std::move(step));
  return true;
}

}  // namespace inkwend
