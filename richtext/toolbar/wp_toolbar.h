#pragma once
// TWPToolBar: the formatting toolbar of the rich-text editor. Lists for font name, size and
// colours and square icon buttons in groups; every click becomes a numbered command (TWpSelNr)
// for the application's handlers and the attached editor, and the editor shows the caret's
// attributes back through ShowAttributes. The application may append its own buttons and
// spacers (AddControl); all controls flow left to right in rows.
//
//   TWPToolBar bar;
//   bar.SetSelListBoxes(SelFontName | SelFontSize | SelFontColor | SelBackgroundColor);
//   bar.SetEditor(&link);                 // a TWPEditorLink
//   bar.OnIconSelection = [](TWPToolBar&, TWpSelNr& kind, const QString& name, int group,
//                            int number, int id) { ... };
//   bar.AddControl(myButton);
#include <QComboBox>
#include <QFrame>
#include <QPointer>
#include <QToolButton>
#include <array>
#include <functional>
#include <vector>

#include "richtext/toolbar/wp_editor_link.h"

class QButtonGroup;

namespace inkwend {

// sel_ListBoxes
inline constexpr uint8_t SelFontName = 1, SelFontSize = 2, SelFontColor = 4, SelBackgroundColor = 8,
                         SelStyle = 16, SelParColor = 32;
// sel_StatusIcons (bit n for the n-th name)
inline constexpr uint16_t SelNormal = 1u << 0, SelBold = 1u << 1, SelItalic = 1u << 2, SelUnder = 1u << 3,
                          SelHyperLink = 1u << 4, SelStrikeOut = 1u << 5, SelSuper = 1u << 6,
                          SelSub = 1u << 7, SelLeft = 1u << 8, SelHidden = 1u << 9, SelRTFCode = 1u << 10,
                          SelRight = 1u << 11, SelBlock = 1u << 12, SelCenter = 1u << 13;
// sel_ActionIcons
inline constexpr uint8_t SelExit = 1u << 0, SelNew = 1u << 1, SelOpen = 1u << 2, SelSave = 1u << 3,
                         SelClose = 1u << 4, SelPrint = 1u << 5, SelPrintSetup = 1u << 6;
// sel_DatabaseIcons
inline constexpr uint16_t SelToStart = 1u << 0, SelNext = 1u << 1, SelPrev = 1u << 2, SelToEnd = 1u << 3,
                          SelEdit = 1u << 4, SelAdd = 1u << 5, SelDel = 1u << 6, SelCancel = 1u << 7,
                          SelPost = 1u << 8;
// sel_EditIcons
inline constexpr uint8_t SelCopy = 1u << 0, SelCut = 1u << 1, SelPaste = 1u << 2, SelSelAll = 1u << 3,
                         SelHideSel = 1u << 4, SelFind = 1u << 5, SelReplace = 1u << 6,
                         SelSpellCheck = 1u << 7;

enum class TFontChoice : uint8_t { fsPrinterFonts, fsScreenFonts };
enum class TToolAlign : uint8_t { alNone, alTop, alBottom };
enum class TBevel : uint8_t { bvNone, bvLowered, bvRaised };

inline constexpr int kMaxIcons = 49;
inline constexpr int kMaxControls = 100;
inline constexpr const char* kErrNextToolBarLoop = "Error: NextToolBar Loop";

// The 16 colours of the toolbar's lists (and of documents by default).
using TWPPalette = std::array<QColor, 16>;
TWPPalette DefaultToolPalette();

// The base of tool panels: the chain to a next panel, the editor link and the palette.
class TWPCustomToolPanel : public QFrame {
 public:
  explicit TWPCustomToolPanel(QWidget* parent = nullptr);
  ~TWPCustomToolPanel() override;

  // Another panel that receives every state update and command too. Its own panel clears the link.
  TWPCustomToolPanel* NextToolBar() const { return next_; }
  void SetNextToolBar(TWPCustomToolPanel* next);

  // The attached editor (not owned; the caller keeps it alive longer than the panel, or clears it).
  TWPEditorLink* Editor() const { return editor_; }
  virtual void SetEditor(TWPEditorLink* editor) { editor_ = editor; }

  // The colour palette, shared down the chain.
  const TWPPalette& Palette() const { return palette_; }
  void SetPalette(const TWPPalette& palette);

  // Messages for the user ("Error: NextToolBar Loop"); a message box when unassigned.
  std::function<void(const QString&)> OnMessage;

  // Pressed state of icons (by id when non-zero, else by group and number; number 0 matches
  // any). Return the previous state; forwarded along the chain when the icon is not here.
  virtual bool SetIconDown(int id, int group, int number);
  virtual bool SetIconUp(int id, int group, int number);
  // Enables every matching icon here and along the chain; returns the previous state.
  virtual bool EnableIcon(int id, int group, int number, bool enabled);
  // Shows a value in the list of that kind (1 font name, 2 size, 3, 4, 10 colours); forwarded.
  virtual void ShowSelection(TWpSelNr kind, const QString& text, int number);

 protected:
  // Calls `f` on the next panel unless a forward from this panel is running (a loop: the chain
  // is cut here and the user told).
  bool Forward(const std::function<void(TWPCustomToolPanel&)>& f);
  void Message(const QString& text);

  virtual bool SetIconState(int id, int group, int number, bool down, bool& found);
  virtual bool EnableIconHere(int id, int group, int number, bool enabled, bool& found);
  virtual void ShowSelectionHere(TWpSelNr kind, const QString& text, int number);

 private:
  QPointer<TWPCustomToolPanel> next_;
  TWPEditorLink* editor_ = nullptr;
  TWPPalette palette_;
  bool forwarding_ = false;
};

// The toolbar's drop-down lists.
class TWPTBCombo : public QComboBox {
 public:
  enum class TKind : uint8_t { FontName, FontSize, TextColor, BackgroundColor, ParColor, Style };
  TWPTBCombo(TKind kind, TWPCustomToolPanel* panel);
  TKind Kind() const { return kind_; }
  const TWPPalette& Palette() const { return panel_->Palette(); }
  bool ShowFontFaces = false;  // font names drawn in their own face

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  TKind kind_;
  TWPCustomToolPanel* panel_;
};

// One entry of the icon table.
struct TWPIconEntry {
  QString Name;
  int Group = 0;
  int Number = 0;
  int Id = 0;
  QToolButton* Button = nullptr;
};

class TWPToolBar : public TWPCustomToolPanel {
 public:
  explicit TWPToolBar(QWidget* parent = nullptr);
  ~TWPToolBar() override;

  // --- what the toolbar holds (setting one rebuilds a built, enabled toolbar) ---
  uint8_t sel_ListBoxes() const { return list_boxes_; }
  void SetSelListBoxes(uint8_t set);
  uint16_t sel_StatusIcons() const { return status_icons_; }
  void SetSelStatusIcons(uint16_t set);
  uint8_t sel_ActionIcons() const { return action_icons_; }
  void SetSelActionIcons(uint8_t set);
  uint16_t sel_DatabaseIcons() const { return database_icons_; }
  void SetSelDatabaseIcons(uint16_t set);
  uint8_t sel_EditIcons() const { return edit_icons_; }
  void SetSelEditIcons(uint8_t set);
  TFontChoice FontChoice() const { return font_choice_; }
  void SetFontChoice(TFontChoice choice);
  int FontSizeFrom() const { return size_from_; }
  void SetFontSizeFrom(int size);
  int FontSizeTo() const { return size_to_; }
  void SetFontSizeTo(int size);
  int WidthBetweenGroups() const { return group_gap_; }
  void SetWidthBetweenGroups(int pixels);
  // Lines "WPI_name=hint"; reading an empty list rebuilds the default one.
  const QStringList& Hints();
  void SetHints(const QStringList& hints);
  bool ShowFont() const { return show_font_; }
  void SetShowFont(bool on);
  // A plain control (memo, edit line, label, panel) whose font follows the toolbar's choices.
  QWidget* UpdateObject() const { return update_object_; }
  void SetUpdateObject(QWidget* widget) { update_object_ = widget; }
  // Top or bottom: the toolbar's height follows its rows.
  TToolAlign Align() const { return align_; }
  void SetAlign(TToolAlign align);
  TBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevel bevel);
  TBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevel bevel);
  int BevelWidth() const { return bevel_width_; }

  // Also takes the editor's styles into the style list.
  void SetEditor(TWPEditorLink* editor) override;

  // --- application events ---
  // Every icon click, before the editor acts.
  std::function<void(TWPToolBar&, TWpSelNr& kind, const QString& name, int group, int number, int id)>
      OnIconSelection;
  // Every list choice, after UpdateObject.
  std::function<void(TWPToolBar&, TWpSelNr& kind, const QString& text, int number)> OnSelection;

  // --- operations ---
  // Appends a control of the application (re-parented; ignored beyond 100 controls).
  void AddControl(QWidget* control);
  // Appends an icon (ignored beyond 49); rebuilds.
  void AddIcon(const QString& name, int id, int number, int group);
  // Index into the icon table (1..count) or 0.
  int FindIcon(int id, int group, int number) const;
  int IconCount() const { return icon_count_; }
  const TWPIconEntry& Icon(int index) const { return icons_[static_cast<size_t>(index)]; }
  QToolButton* IconButton(const QString& name) const;
  // The font, size, colour and (when given) brush at the caret.
  void DisplayFont(const QString& name, int point_size, const QColor& color, const QColor* brush = nullptr);
  // Everything the editor reports about the caret: lists, character and alignment icons.
  void ShowAttributes(const TWPCaretAttributes& attributes);
  // Builds the lists and buttons again (keeps those already made), then flows them.
  void Rebuild();
  // Places the controls in rows.
  void Flow();
  // The controls in flow order.
  const std::vector<QPointer<QWidget>>& Controls() const { return controls_; }
  // The lists exist from construction, hidden unless their set member is on.
  TWPTBCombo* FontNameList() const { return font_names_; }
  TWPTBCombo* FontSizeList() const { return font_sizes_; }
  TWPTBCombo* FontColorList() const { return text_colors_; }
  TWPTBCombo* BackgroundColorList() const { return back_colors_; }
  TWPTBCombo* ParColorList() const { return par_colors_; }
  TWPTBCombo* StyleList() const { return styles_; }
  // Side of the square icon buttons.
  int ButtonSize() const;
  // Whether a font family is a scalable outline font (the two-T mark in the list).
  static bool IsOutlineFont(const QString& family);

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

  bool SetIconState(int id, int group, int number, bool down, bool& found) override;
  bool EnableIconHere(int id, int group, int number, bool enabled, bool& found) override;
  void ShowSelectionHere(TWpSelNr kind, const QString& text, int number) override;

 private:
  void RebuildIfBuilt();
  void FillIconTable();
  TWPTBCombo* CreateList(TWPTBCombo::TKind kind);
  TWPTBCombo* MakeList(TWPTBCombo*& list, TWPTBCombo::TKind kind, bool wanted);
  void FillFontNames();
  void FillSizes();
  void FillColors(TWPTBCombo* list);
  void FillStyles();
  void MakeButtons();
  QString HintFor(const QString& icon_name);
  void IconClicked(int index);
  void ListChosen(TWPTBCombo* list, int item);
  void UpdateTheObject(TWpSelNr kind, const QString& text, int number);
  void Deliver(const TWPToolCommand& command);
  int GroupOf(const QWidget* control) const;
  int BevelSize() const;

  uint8_t list_boxes_ = SelFontName | SelFontSize | SelFontColor | SelParColor;
  uint16_t status_icons_ = SelBold | SelItalic | SelUnder | SelLeft | SelRight | SelBlock | SelCenter;
  uint8_t action_icons_ = SelPrint | SelPrintSetup;
  uint16_t database_icons_ = 0;
  uint8_t edit_icons_ = SelCopy | SelCut | SelPaste | SelFind | SelReplace;
  TFontChoice font_choice_ = TFontChoice::fsPrinterFonts;
  int size_from_ = 8;
  int size_to_ = 72;
  int group_gap_ = 4;
  QStringList hints_;
  bool show_font_ = false;
  QPointer<QWidget> update_object_;
  TToolAlign align_ = TToolAlign::alNone;
  TBevel bevel_outer_ = TBevel::bvRaised;
  TBevel bevel_inner_ = TBevel::bvNone;
  int bevel_width_ = 1;

  std::array<TWPIconEntry, kMaxIcons + 1> icons_{};  // slots 1..49
  int icon_count_ = 0;
  std::vector<QToolButton*> spare_buttons_;  // buttons of slots no longer used
  QButtonGroup* alignment_group_ = nullptr;
  struct TExtraIcon {
    QString Name;
    int Id, Number, Group;
  };
  std::vector<TExtraIcon> added_icons_;

  TWPTBCombo* font_names_ = nullptr;
  TWPTBCombo* font_sizes_ = nullptr;
  TWPTBCombo* text_colors_ = nullptr;
  TWPTBCombo* back_colors_ = nullptr;
  TWPTBCombo* par_colors_ = nullptr;
  TWPTBCombo* styles_ = nullptr;

  std::vector<QPointer<QWidget>> controls_;  // flow order: lists, buttons, added controls
  std::vector<QPointer<QWidget>> added_;     // the application's controls, in order
  bool built_ = false;
  bool building_ = false;
  bool flow_posted_ = false;
};

}  // namespace inkwend
