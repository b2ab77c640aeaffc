#pragma once
// The link between the formatting toolbar, the ruler, the paragraph dialog and an editor.
// The widgets of this folder talk to the editor only through TWPEditorLink, so they work (and
// are tested) without a real editor; TWPRichTextLink (wp_rich_text_link.h) connects the
// diary's editor. In the other direction the editor pushes its state into the widgets:
// TWPToolBar::ShowAttributes (the caret's attributes) and TWPRuler::SetFormat (indents, tab
// stops, text width).
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace inkwend {

// What a toolbar or ruler selection is about. Passed by reference to the application's
// handlers: setting it to 0 stops further processing.
using TWpSelNr = uint8_t;
inline constexpr TWpSelNr kSelFontName = 1;
inline constexpr TWpSelNr kSelFontSize = 2;
inline constexpr TWpSelNr kSelTextColor = 3;
inline constexpr TWpSelNr kSelBackgroundColor = 4;  // palette index, 0 = none
inline constexpr TWpSelNr kSelStyle = 5;
inline constexpr TWpSelNr kSelIconDown = 6;
inline constexpr TWpSelNr kSelIconUp = 7;
inline constexpr TWpSelNr kSelRuler = 9;
inline constexpr TWpSelNr kSelParColor = 10;  // palette index, 0 = none

// Icon groups.
inline constexpr int kGroupCharacter = 256;
inline constexpr int kGroupAlignment = 512;
inline constexpr int kGroupEdit = 768;
inline constexpr int kGroupFile = 1024;
inline constexpr int kGroupPrint = 1280;
inline constexpr int kGroupDatabase = 1536;
inline constexpr int kGroupRuler = 1792;

// Ruler markers (the number of a kind 9 selection).
inline constexpr int kMarkerRight = 1;
inline constexpr int kMarkerLeft = 2;
inline constexpr int kMarkerFirst = 3;

// One command of the toolbar: a list selection (kinds 1-5, 10: Text and Number as the
// application's OnSelection sees them) or an icon (kinds 6 and 7: Group, Number, IconName).
struct TWPToolCommand {
  TWpSelNr Kind = 0;
  QString Text;
  int Number = 0;
  int Group = 0;
  QString IconName;
  int Id = 0;
};

// The attributes at the caret as the editor reports them to the toolbar.
struct TWPCaretAttributes {
  QString FontName;
  int PointSize = 0;
  QColor TextColor{Qt::black};
  bool HasBackground = false;  // the brush behind the text; white selects "none"
  QColor Background{Qt::white};
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool Hyperlink = false, Superscript = false, Subscript = false, Hidden = false, RtfCode = false;
  int Alignment = 1;  // 1 left, 2 right, 3 justified, 4 centred (the alignment icons' numbers)
};

// Tab kinds as the ruler draws them.
inline constexpr uint8_t kRulerTabLeft = 0;
inline constexpr uint8_t kRulerTabRight = 1;
inline constexpr uint8_t kRulerTabCenter = 2;
inline constexpr uint8_t kRulerTabDecimal = 3;

struct TWPRulerTab {
  int Twips = 0;  // 0: free slot
  uint8_t Kind = kRulerTabLeft;
};

// The editor's current paragraph format as the ruler shows it.
struct TWPRulerFormat {
  int TextWidth = 0;       // pixels: the width the text is laid out in
  int PixelsPerInch = 96;  // screen resolution
  int FirstIndent = 0;     // twips, absolute (from the same origin as LeftIndent)
  int LeftIndent = 0;
  int RightIndent = 0;  // twips, from the right edge of the text width
  std::array<TWPRulerTab, 64> Tabs{};
  uint64_t TabsOfAny = 0;    // tabs that belong to one of the selected paragraphs
  uint64_t TabsOfEvery = 0;  // tabs that belong to every selected paragraph
  bool ShowAllTabs = false;
  // A page with margins: the text area in pixels from the ruler's origin (text starts at 0).
  bool HasTextArea = false;
  int TextAreaLeft = 0;
  int TextAreaRight = 0;

  int TabPixels(int slot) const {
    return PixelsPerInch > 0 ? static_cast<int>(static_cast<int64_t>(Tabs[static_cast<size_t>(slot)].Twips) *
                                                PixelsPerInch / 1440)
                             : 0;
  }
};

// The six values of a paragraph that the paragraph dialog edits, in twips.
struct TWPParagraphValues {
  int FirstIndent = 0;  // absolute, from the origin of LeftIndent
  int LeftIndent = 0;
  int RightIndent = 0;
  int SpaceBefore = 0;
  int SpaceAfter = 0;
  int LineSpacing = 0;  // 0 = automatic
};

// What the widgets of this folder need from an editor. Every call comes from a user action.
class TWPEditorLink {
 public:
  virtual ~TWPEditorLink() = default;

  // --- toolbar ---
  // A toolbar command (character attributes, alignment, edit and file commands, list choices).
  virtual void ToolbarCommand(const TWPToolCommand& command) = 0;
  // The toolbar is done: the keyboard goes back to the editor.
  virtual void FocusEditor() {}
  // Entries of the style list.
  virtual QStringList StyleNames() const { return {}; }

  // --- ruler ---
  // An indent marker moved (kMarkerRight, kMarkerLeft, kMarkerFirst); `changing` while dragging.
  // Indents in twips; the right indent from the right edge.
  virtual void RulerIndents(int marker, bool changing, int first, int left, int right) = 0;
  // Tab stops changed: the slots in `changed` of `format.Tabs` were added or got a new kind,
  // and belong to the selected paragraphs now.
  virtual void RulerTabs(uint64_t changed, const TWPRulerFormat& format) = 0;

  // --- paragraph dialog ---
  virtual TWPParagraphValues CurrentParagraph() const = 0;
  // On the selected paragraphs, or the caret's paragraph without a selection. Twips.
  virtual void SetParSpacing(int before, int line_spacing, int after) = 0;
  virtual void SetParIndents(int first, int left, int right) = 0;
};

}  // namespace inkwend
