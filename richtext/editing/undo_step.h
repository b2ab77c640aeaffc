#pragma once
// Undo records of the editing layer (private to it). A step keeps copies of the paragraphs an
// edit replaced, by index: undoing puts them back in place of the paragraphs that are there
// now and keeps those for redo, so every edit undoes the same way whatever it did.
#include <vector>

#include "richtext/editing/text_input.h"

namespace inkwend {

struct EditController::TParSnapshot {
  TParagraph Props;  // paragraph properties only (no text, lines or links)
  std::vector<char32_t> Text;
  std::vector<TCharAttr> Attrs;  // empty in plain mode
  TCharAttr EndAttr;
};

struct EditController::TUndoStep {
  TEditKind Kind = TEditKind::Other;
  int First = 0;                   // index of the first paragraph concerned
  std::vector<TParSnapshot> Pars;  // what undoing (or redoing) puts back
  int Count = 0;                   // paragraphs now in the document that Pars replaces
  int64_t CaretBefore = 0;         // caret after putting Pars back
  int64_t CaretAfter = 0;          // caret of the state being replaced
};

}  // namespace inkwend
