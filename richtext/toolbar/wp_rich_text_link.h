#pragma once
// TWPRichTextLink connects the diary's editor TWPRichText to a toolbar, a ruler and the
// paragraph dialog: it carries out their commands on the editor and shows the editor's state
// (the caret's attributes, the paragraph's indents and tab stops, the text width) in them.
//
//   TWPRichTextLink link(editor, &toolbar, &ruler);
//   ... the editor's caret moved or its text changed by a program:
//   link.EditorStateChanged();
//
// Keys, mouse releases, focus and size changes of the editor and its scrolling are watched, so
// that the toolbar and ruler follow the user's work without further calls; a program that moves
// the caret or changes formatting itself calls EditorStateChanged.
#include <QObject>
#include <QPointer>

#include "richtext/toolbar/wp_editor_link.h"

namespace inkwend {

class TWPRichText;
class TWPToolBar;
class TWPRuler;

class TWPRichTextLink : public QObject, public TWPEditorLink {
 public:
  // The editor must outlive the link; toolbar and ruler may be null or go away first.
  TWPRichTextLink(TWPRichText& editor, TWPToolBar* toolbar, TWPRuler* ruler);
  ~TWPRichTextLink() override;

  // Shows the editor's current state in the toolbar and ruler now.
  void EditorStateChanged();

  // --- TWPEditorLink ---
  void ToolbarCommand(const TWPToolCommand& command) override;
  void FocusEditor() override;
  void RulerIndents(int marker, bool changing, int first, int left, int right) override;
  void RulerTabs(uint64_t changed, const TWPRulerFormat& format) override;
  TWPParagraphValues CurrentParagraph() const override;
  void SetParSpacing(int before, int line_spacing, int after) override;
  void SetParIndents(int first, int left, int right) override;

  // What the toolbar and ruler are shown (also for tests).
  TWPCaretAttributes CaretAttributes() const;
  TWPRulerFormat RulerFormat() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ScheduleUpdate();
  void CharacterCommand(bool down, int number);
  bool IconCommand(bool down, int group, int number);
  void EditCommand(int number);

  TWPRichText& editor_;
  QPointer<TWPToolBar> toolbar_;
  QPointer<TWPRuler> ruler_;
  bool update_posted_ = false;
};

}  // namespace inkwend
