#pragma once
// WPRichTextLink connects the diary's editor WPRichText to a toolbar, a ruler and the
// paragraph dialog: it carries out their commands on the editor and shows the editor's state
// (the caret's attributes, the paragraph's indents and tab stops, the text width) in them.
//
//   WPRichTextLink link(editor, &toolbar, &ruler);
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

class WPRichText;
class WPToolBar;
class WPRuler;

class WPRichTextLink : public QObject, public WPEditorLink {
 public:
  // The editor must outlive the link; toolbar and ruler may be null or go away first.
  WPRichTextLink(WPRichText& editor, WPToolBar* toolbar, WPRuler* ruler);
  ~WPRichTextLink() override;

  // Shows the editor's current state in the toolbar and ruler now.
  void EditorStateChanged();

  // --- WPEditorLink ---
  void ToolbarCommand(const WPToolCommand& command) override;
  void FocusEditor() override;
  void RulerIndents(int marker, bool changing, int first, int left, int right) override;
  void RulerTabs(uint64_t changed, const WPRulerFormat& format) override;
  void BeginChange() override;
  void EndChange() override;
  WPParagraphValues CurrentParagraph() const override;
  void SetParSpacing(int before, int line_spacing, int after) override;
  void SetParIndents(int first, int left, int right) override;

  // What the toolbar and ruler are shown (also for tests).
  WPCaretAttributes CaretAttributes() const;
  WPRulerFormat RulerFormat() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ScheduleUpdate();
  void CharacterCommand(bool down, int number);
  bool IconCommand(bool down, int group, int number);
  void EditCommand(int number);

  WPRichText& editor_;
  QPointer<WPToolBar> toolbar_;
  QPointer<WPRuler> ruler_;
  bool updatePosted_ = false;
  // A ruler marker is being dragged: its moves make one undo step, closed when it is let go.
  bool rulerDragging_ = false;
};

}  // namespace inkwend
