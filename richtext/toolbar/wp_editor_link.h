#pragma once
// The link between the formatting toolbar, the ruler, the paragraph dialog and an editor.
// The widgets of this folder talk to the editor only through WPEditorLink, so they work (and
// are tested) without a real editor; WPRichTextLink (wp_rich_text_link.h) connects the
// diary's editor. In the other direction the editor pushes its state into the widgets:
// WPToolBar::ShowAttributes (the caret's attributes) and WPRuler::SetFormat (indents, tab
// stops, text width).
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace inkwend {

// What a toolbar or ruler selection is about. Passed by reference to the application's
// handlers: setting it to 0 stops further processing.
using WpSelNr = uint8_t;
inline constexpr WpSelNr kSelFontName = 1;
inline constexpr WpSelNr kSelFontSize = 2;
inline constexpr WpSelNr kSelTextColor = 3;
inline constexpr WpSelNr kSelBackgroundColor = 4;  // palette index, 0 = none
inline constexpr WpSelNr kSelStyle = 5;
inline constexpr WpSelNr kSelIconDown = 6;
inline constexpr WpSelNr kSelIconUp = 7;
inline constexpr WpSelNr kSelRuler = 9;
inline constexpr WpSelNr kSelParColor = 10;  // palette index, 0 = none

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
// application's onSelection sees them) or an icon (kinds 6 and 7: Group, Number, iconName).
struct WPToolCommand {
  WpSelNr kind = 0;
  QString text;
  int number = 0;
  int group = 0;
  QString iconName;
  int id = 0;
};

// The attributes at the caret as the editor reports them to the toolbar.
struct WPCaretAttributes {
  QString fontName;
  int pointSize = 0;
  QColor textColor{Qt::black};
  bool hasBackground = false;  // the brush behind the text; white selects "none"
  QColor background{Qt::white};
  bool bold = false, italic = false, underline = false, strikeOut = false;
  bool hyperlink = false, superscript = false, subscript = false, hidden = false, rtfCode = false;
  int alignment = 1;  // 1 left, 2 right, 3 justified, 4 centred (the alignment icons' numbers)
};

// Tab kinds as the ruler draws them.
inline constexpr uint8_t kRulerTabLeft = 0;
inline constexpr uint8_t kRulerTabRight = 1;
inline constexpr uint8_t kRulerTabCenter = 2;
inline constexpr uint8_t kRulerTabDecimal = 3;

struct WPRulerTab {
  int twips = 0;  // 0: free slot
  uint8_t kind = kRulerTabLeft;
  bool operator==(const WPRulerTab&) const = default;
};

// The editor's current paragraph format as the ruler shows it.
struct WPRulerFormat {
  int textWidth = 0;  // pixels: the width the text is laid out in
  // Pixels where the text wraps when that is short of textWidth (a window wider than the page
  // wraps at the page); 0: at textWidth. Indents count from here; the ruler beyond is shaded.
  int wrapWidth = 0;
  int pixelsPerInch = 96;  // screen resolution
  int firstIndent = 0;     // twips, absolute (from the same origin as leftIndent)
  int leftIndent = 0;
  int rightIndent = 0;  // twips, from the right edge of the text width
  std::array<WPRulerTab, 64> tabs{};
  uint64_t tabsOfAny = 0;    // tabs that belong to one of the selected paragraphs
  uint64_t tabsOfEvery = 0;  // tabs that belong to every selected paragraph
  bool showAllTabs = false;
  // A page with margins: the text area in pixels from the ruler's origin (text starts at 0).
  bool hasTextArea = false;
  int textAreaLeft = 0;
  int textAreaRight = 0;

  int TabPixels(int slot) const {
    return pixelsPerInch > 0 ? static_cast<int>(static_cast<int64_t>(tabs[static_cast<size_t>(slot)].twips) *
                                                pixelsPerInch / 1440)
                             : 0;
  }
  bool operator==(const WPRulerFormat&) const = default;
};

// The six values of a paragraph that the paragraph dialog edits, in twips.
struct WPParagraphValues {
  int firstIndent = 0;  // absolute, from the origin of leftIndent
  int leftIndent = 0;
  int rightIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  int lineSpacing = 0;  // 0 = automatic
};

// What the widgets of this folder need from an editor. Every call comes from a user action.
class WPEditorLink {
 public:
  virtual ~WPEditorLink() = default;

  // --- toolbar ---
  // A toolbar command (character attributes, alignment, edit and file commands, list choices).
  virtual void ToolbarCommand(const WPToolCommand& command) = 0;
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
  virtual void RulerTabs(uint64_t changed, const WPRulerFormat& format) = 0;

  // --- paragraph dialog ---
  // The calls between these two are one user action, undone and redone as one.
  virtual void BeginChange() {}
  virtual void EndChange() {}
  virtual WPParagraphValues CurrentParagraph() const = 0;
  // On the selected paragraphs, or the caret's paragraph without a selection. Twips.
  virtual void SetParSpacing(int before, int line_spacing, int after) = 0;
  virtual void SetParIndents(int first, int left, int right) = 0;
};

}  // namespace inkwend
