#pragma once
// WPToolBar: the formatting toolbar of the rich-text editor. Lists for font name, size and
// colours and square icon buttons in groups; every click becomes a numbered command (WpSelNr)
// for the application's handlers and the attached editor, and the editor shows the caret's
// attributes back through ShowAttributes. The application may append its own buttons and
// spacers (AddControl); all controls flow left to right in rows.
//
//   WPToolBar bar;
//   bar.SetSelListBoxes(kSelListFontName | kSelListFontSize | kSelListFontColor | kSelListBackgroundColor);
//   bar.SetEditor(&link);                 // a WPEditorLink
//   bar.onIconSelection = [](WPToolBar&, WpSelNr& kind, const QString& name, int group,
//                            int number, int id) { ... };
//   bar.AddControl(myButton);
#include <QComboBox>
#include <QFrame>
#include <QPointer>
#include <QToolButton>
#include <array>
#include <functional>
#include <vector>

#include "controls/graphic_panel.h"
#include "richtext/toolbar/font_name_index.h"
#include "richtext/toolbar/wp_editor_link.h"

class QButtonGroup;

namespace inkwend {

// sel_ListBoxes
inline constexpr uint8_t kSelListFontName = 1, kSelListFontSize = 2, kSelListFontColor = 4,
                         kSelListBackgroundColor = 8, kSelListStyle = 16, kSelListParColor = 32;
// sel_StatusIcons (bit n for the n-th name)
inline constexpr uint16_t kSelNormal = 1u << 0, kSelBold = 1u << 1, kSelItalic = 1u << 2, kSelUnder = 1u << 3,
                          kSelHyperLink = 1u << 4, kSelStrikeOut = 1u << 5, kSelSuper = 1u << 6,
                          kSelSub = 1u << 7, kSelLeft = 1u << 8, kSelHidden = 1u << 9, kSelRTFCode = 1u << 10,
                          kSelRight = 1u << 11, kSelBlock = 1u << 12, kSelCenter = 1u << 13;
// sel_ActionIcons
inline constexpr uint8_t kSelExit = 1u << 0, kSelNew = 1u << 1, kSelOpen = 1u << 2, kSelSave = 1u << 3,
                         kSelClose = 1u << 4, kSelPrint = 1u << 5, kSelPrintSetup = 1u << 6;
// sel_DatabaseIcons
inline constexpr uint16_t kSelToStart = 1u << 0, kSelNext = 1u << 1, kSelPrev = 1u << 2, kSelToEnd = 1u << 3,
                          kSelEdit = 1u << 4, kSelAdd = 1u << 5, kSelDel = 1u << 6, kSelCancel = 1u << 7,
                          kSelPost = 1u << 8;
// sel_EditIcons
inline constexpr uint8_t kSelCopy = 1u << 0, kSelCut = 1u << 1, kSelPaste = 1u << 2, kSelSelAll = 1u << 3,
                         kSelHideSel = 1u << 4, kSelFind = 1u << 5, kSelReplace = 1u << 6,
                         kSelSpellCheck = 1u << 7;

enum class FontChoice : uint8_t { PrinterFonts, ScreenFonts };
enum class ToolAlign : uint8_t { None, Top, Bottom };

inline constexpr int kMaxIcons = 49;
inline constexpr int kMaxControls = 100;
inline constexpr const char* kErrNextToolBarLoop = "Error: NextToolBar Loop";

// The 16 colours of the toolbar's lists (and of documents by default).
using WPPalette = std::array<QColor, 16>;
WPPalette DefaultToolPalette();

// The base of tool panels: the chain to a next panel, the editor link and the palette.
class WPCustomToolPanel : public QFrame {
 public:
  explicit WPCustomToolPanel(QWidget* parent = nullptr);
  ~WPCustomToolPanel() override;

  // Another panel that receives every state update and command too. Its own panel clears the link.
  WPCustomToolPanel* NextToolBar() const { return next_; }
  void SetNextToolBar(WPCustomToolPanel* next);

  // The attached editor (not owned; the caller keeps it alive longer than the panel, or clears it).
  WPEditorLink* Editor() const { return editor_; }
  virtual void SetEditor(WPEditorLink* editor) { editor_ = editor; }

  // The colour palette, shared down the chain.
  const WPPalette& Palette() const { return palette_; }
  void SetPalette(const WPPalette& palette);

  // Messages for the user ("Error: NextToolBar Loop"); a message box when unassigned.
  std::function<void(const QString&)> onMessage;

  // Pressed state of icons (by id when non-zero, else by group and number; number 0 matches
  // any). Return the previous state; forwarded along the chain when the icon is not here.
  virtual bool SetIconDown(int id, int group, int number);
  virtual bool SetIconUp(int id, int group, int number);
  // Enables every matching icon here and along the chain; returns the previous state.
  virtual bool EnableIcon(int id, int group, int number, bool enabled);
  // Shows a value in the list of that kind (1 font name, 2 size, 3, 4, 10 colours); forwarded.
  virtual void ShowSelection(WpSelNr kind, const QString& text, int number);

 protected:
  // Calls `f` on the next panel unless a forward from this panel is running (a loop: the chain
  // is cut here and the user told).
  bool Forward(const std::function<void(WPCustomToolPanel&)>& f);
  void Message(const QString& text);

  virtual bool SetIconState(int id, int group, int number, bool down, bool& found);
  virtual bool EnableIconHere(int id, int group, int number, bool enabled, bool& found);
  virtual void ShowSelectionHere(WpSelNr kind, const QString& text, int number);

 private:
  QPointer<WPCustomToolPanel> next_;
  WPEditorLink* editor_ = nullptr;
  WPPalette palette_;
  bool forwarding_ = false;
};

// The toolbar's drop-down lists.
class WPTBCombo : public QComboBox {
 public:
  enum class ComboKind : uint8_t { FontName, FontSize, TextColor, BackgroundColor, ParColor, Style };
  WPTBCombo(ComboKind kind, WPCustomToolPanel* panel);
  ComboKind Kind() const { return kind_; }
  const WPPalette& Palette() const { return panel_->Palette(); }
  bool showFontFaces = false;  // font names drawn in their own face
  // Rows the pop-up list shows at most (0: as the style has it); more scroll.
  int popupRows = 0;
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  ComboKind kind_;
  WPCustomToolPanel* panel_;
};

// One entry of the icon table.
struct WPIconEntry {
  QString name;
  int group = 0;
  int number = 0;
  int id = 0;
  QToolButton* button = nullptr;
};

class WPToolBar : public WPCustomToolPanel {
 public:
  explicit WPToolBar(QWidget* parent = nullptr);
  ~WPToolBar() override;

  // --- what the toolbar holds (setting one rebuilds a built, enabled toolbar) ---
  uint8_t sel_ListBoxes() const { return listBoxes_; }
  void SetSelListBoxes(uint8_t set);
  uint16_t sel_StatusIcons() const { return statusIcons_; }
  void SetSelStatusIcons(uint16_t set);
  uint8_t sel_ActionIcons() const { return actionIcons_; }
  void SetSelActionIcons(uint8_t set);
  uint16_t sel_DatabaseIcons() const { return databaseIcons_; }
  void SetSelDatabaseIcons(uint16_t set);
  uint8_t sel_EditIcons() const { return editIcons_; }
  void SetSelEditIcons(uint8_t set);
  inkwend::FontChoice FontChoice() const { return fontChoice_; }
  void SetFontChoice(inkwend::FontChoice choice);
  int FontSizeFrom() const { return sizeFrom_; }
  void SetFontSizeFrom(int size);
  int FontSizeTo() const { return sizeTo_; }
  void SetFontSizeTo(int size);
  int WidthBetweenGroups() const { return groupGap_; }
  void SetWidthBetweenGroups(int pixels);
  // Lines "WPI_name=hint"; reading an empty list rebuilds the default one.
  const QStringList& Hints();
  void SetHints(const QStringList& hints);
  bool ShowFont() const { return showFont_; }
  void SetShowFont(bool on);
  // A plain control (memo, edit line, label, panel) whose font follows the toolbar's choices.
  QWidget* UpdateObject() const { return updateObject_; }
  void SetUpdateObject(QWidget* widget) { updateObject_ = widget; }
  // Top or bottom: the toolbar's height follows its rows.
  ToolAlign Align() const { return align_; }
  void SetAlign(ToolAlign align);
  GraphicPanel::Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(GraphicPanel::Bevel bevel);
  GraphicPanel::Bevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(GraphicPanel::Bevel bevel);
  int BevelWidth() const { return bevelWidth_; }

  // Also takes the editor's styles into the style list.
  void SetEditor(WPEditorLink* editor) override;

  // --- application events ---
  // Every icon click, before the editor acts.
  std::function<void(WPToolBar&, WpSelNr& kind, const QString& name, int group, int number, int id)>
      onIconSelection;
  // Every list choice, after UpdateObject.
  std::function<void(WPToolBar&, WpSelNr& kind, const QString& text, int number)> onSelection;

  // --- operations ---
  // Appends a control of the application (re-parented; ignored beyond 100 controls).
  void AddControl(QWidget* control);
  // Appends an icon (ignored beyond 49); rebuilds.
  void AddIcon(const QString& name, int id, int number, int group);
  // Index into the icon table (1..count) or 0.
  int FindIcon(int id, int group, int number) const;
  int IconCount() const { return iconCount_; }
  const WPIconEntry& Icon(int index) const { return icons_[static_cast<size_t>(index)]; }
  QToolButton* IconButton(const QString& name) const;
  // The font, size, colour and (when given) brush at the caret.
  void DisplayFont(const QString& name, int point_size, const QColor& color, const QColor* brush = nullptr);
  // Everything the editor reports about the caret: lists, character and alignment icons.
  void ShowAttributes(const WPCaretAttributes& attributes);
  // Builds the lists and buttons again (keeps those already made), then flows them.
  void Rebuild();
  // Places the controls in rows.
  void Flow();
  // The width that shows every control in one row (builds the toolbar first when needed).
  int OneRowWidth();
  // The controls in flow order.
  const std::vector<QPointer<QWidget>>& Controls() const { return controls_; }
  // The lists exist from construction, hidden unless their set member is on.
  WPTBCombo* FontNameList() const { return fontNames_; }
  WPTBCombo* FontSizeList() const { return fontSizes_; }
  WPTBCombo* FontColorList() const { return textColors_; }
  WPTBCombo* BackgroundColorList() const { return backColors_; }
  WPTBCombo* ParColorList() const { return parColors_; }
  WPTBCombo* StyleList() const { return styles_; }
  // Side of the square icon buttons.
  int ButtonSize() const;
  // Whether a font family is a scalable outline font (the two-T mark in the list).
  static bool IsOutlineFont(const QString& family);
  // The font list's entries: one per family (foundry suffixes " [name]" dropped, case-blind
  // duplicates removed), sorted without regard to case.
  static QStringList FamilyNames(const QStringList& families);
  // Rows the size list's pop-up shows at once.
  static constexpr int kSizeListRows = 12;

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

  bool SetIconState(int id, int group, int number, bool down, bool& found) override;
  bool EnableIconHere(int id, int group, int number, bool enabled, bool& found) override;
  void ShowSelectionHere(WpSelNr kind, const QString& text, int number) override;

 private:
  void RebuildIfBuilt();
  void FillIconTable();
  WPTBCombo* CreateList(WPTBCombo::ComboKind kind);
  WPTBCombo* MakeList(WPTBCombo*& list, WPTBCombo::ComboKind kind, bool wanted);
  void FillFontNames();
  void FillSizes();
  void FillColors(WPTBCombo* list);
  void FillStyles();
  void MakeButtons();
  QString HintFor(const QString& icon_name);
  void IconClicked(int index);
  void ListChosen(WPTBCombo* list, int item);
  void UpdateTheObject(WpSelNr kind, const QString& text, int number);
  void Deliver(const WPToolCommand& command);
  int GroupOf(const QWidget* control) const;
  int BevelSize() const;

  uint8_t listBoxes_ = kSelListFontName | kSelListFontSize | kSelListFontColor | kSelListParColor;
  uint16_t statusIcons_ = kSelBold | kSelItalic | kSelUnder | kSelLeft | kSelRight | kSelBlock | kSelCenter;
  uint8_t actionIcons_ = kSelPrint | kSelPrintSetup;
  uint16_t databaseIcons_ = 0;
  uint8_t editIcons_ = kSelCopy | kSelCut | kSelPaste | kSelFind | kSelReplace;
  inkwend::FontChoice fontChoice_ = inkwend::FontChoice::PrinterFonts;
  int sizeFrom_ = 8;
  int sizeTo_ = 72;
  int groupGap_ = 4;
  QStringList hints_;
  bool showFont_ = false;
  QPointer<QWidget> updateObject_;
  ToolAlign align_ = ToolAlign::None;
  GraphicPanel::Bevel bevelOuter_ = GraphicPanel::Bevel::Raised;
  GraphicPanel::Bevel bevelInner_ = GraphicPanel::Bevel::None;
  int bevelWidth_ = 1;

  std::array<WPIconEntry, kMaxIcons + 1> icons_{};  // slots 1..49
  int iconCount_ = 0;
  std::vector<QToolButton*> spareButtons_;  // buttons of slots no longer used
  QButtonGroup* alignmentGroup_ = nullptr;
  struct ExtraIcon {
    QString name;
    int id, number, group;
  };
  std::vector<ExtraIcon> addedIcons_;

  WPTBCombo* fontNames_ = nullptr;
  FontNameIndex fontNameIndex_;  // rows of fontNames_ by name
  WPTBCombo* fontSizes_ = nullptr;
  WPTBCombo* textColors_ = nullptr;
  WPTBCombo* backColors_ = nullptr;
  WPTBCombo* parColors_ = nullptr;
  WPTBCombo* styles_ = nullptr;

  std::vector<QPointer<QWidget>> controls_;  // flow order: lists, buttons, added controls
  std::vector<QPointer<QWidget>> added_;     // the application's controls, in order
  bool built_ = false;
  bool building_ = false;
  bool flowPosted_ = false;
};

}  // namespace inkwend
