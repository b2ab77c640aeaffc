#pragma once
// Undo records of the editing layer (private to it). A step keeps copies of the paragraphs an
// edit replaced, by index: undoing puts them back in place of the paragraphs that are there
// now and keeps those for redo, so every edit undoes the same way whatever it did.
#include <memory>
#include <vector>

#include "richtext/editing/text_input.h"

namespace inkwend {

struct EditController::ParSnapshot {
  Paragraph props;  // paragraph properties only (no text, lines or links)
  std::vector<char32_t> text;
  std::vector<CharAttr> attrs;  // empty in plain mode
  CharAttr endAttr;
};

struct EditController::UndoStep {
  EditKind kind = EditKind::Other;
  int first = 0;                  // index of the first paragraph concerned
  std::vector<ParSnapshot> pars;  // what undoing (or redoing) puts back
  int count = 0;                  // paragraphs now in the document that Pars replaces
  int64_t caretBefore = 0;        // caret after putting Pars back
  int64_t caretAfter = 0;         // caret of the state being replaced
  // A grouped step (one user action made of several edits): its edits in the order they were
  // made, undone last to first and redone first to last; `pars` is unused then.
  std::vector<std::unique_ptr<UndoStep>> parts;
};

}  // namespace inkwend
