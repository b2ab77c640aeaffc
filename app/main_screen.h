#pragma once
// TMainScreen: the diary's main window. A notebook page shows the entry of one day in the
// editor, with the date above it, the formatting toolbar and ruler on top and the navigation
// and action buttons at the bottom. The window owns the editing state of the shown day (the
// Save button is visible exactly while the text holds unsaved changes), moves between days,
// and keeps the state the rest of the program reads: the current date, whether it has an
// entry, the password, the default font and the icon palette's position.
//
// Split by concern: main_screen.cpp (controls, creation, activation, layout, closing),
// main_screen_menu.cpp (the menu bar), main_screen_actions.cpp (commands),
// entry_editing.cpp (loading and saving the shown day).
#include <QDate>
#include <QMainWindow>
#include <string>

#include "store/entry_store.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace inkwend {

class TDefaultFontDialog;
class TGraphicPanel;
class TRingPanel;
class TWPRichText;
class TWPRichTextLink;
class TWPRuler;
class TWPToolBar;

class TMainScreen : public QMainWindow {
  Q_OBJECT
 public:
  // The settings file knows the main window by this class name.
  static constexpr char kClassName[] = "TMainScreen";

  explicit TMainScreen(QWidget* parent = nullptr);
  ~TMainScreen() override;

  // false when creation found a reason to end (the message has been shown).
  bool startedOk() const { return startedOk_; }

  // --- controls (owned by the window) ---
  TWPToolBar* WPToolBar2 = nullptr;
  TWPRuler* WPRuler1 = nullptr;
  TRingPanel* RingPanel1 = nullptr;
  QLabel* DateLabel = nullptr;
  QFrame* TopLine = nullptr;
  QFrame* Bottomline = nullptr;
  TWPRichText* WPRichText1 = nullptr;
  TWPRichText* WPRichTextAllPurpose = nullptr;  // hidden scratch editor of diary-wide work
  QWidget* ActionPanel = nullptr;
  QPushButton* SaveButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* FirstButton = nullptr;
  QPushButton* PriorButton = nullptr;
  QPushButton* BitBtn1 = nullptr;  // Today
  QPushButton* Nextbutton = nullptr;
  QPushButton* LastButton = nullptr;
  QPushButton* Hidebutton = nullptr;
  QPushButton* ExplorerButton1 = nullptr;  // Exit
  // Speed buttons and spacers appended to the toolbar.
  QToolButton* Deletebutton = nullptr;
  QToolButton* DocPageBreakButton = nullptr;
  QToolButton* ParagraphSetupButton = nullptr;
  QToolButton* DocWordWrapButton = nullptr;
  TGraphicPanel* spacer1 = nullptr;
  TGraphicPanel* spacer2 = nullptr;
  TGraphicPanel* spacer3 = nullptr;
  TGraphicPanel* spacer4 = nullptr;
  TGraphicPanel* spacer5 = nullptr;
  TGraphicPanel* spacer6 = nullptr;
  TDefaultFontDialog* DefaultFontdialog = nullptr;
  // Menu items other code and tests reach.
  QAction* SaveChangesItem = nullptr;
  QAction* WrapTextItem = nullptr;

  // --- state ---
  QString FDefaultFontName = QStringLiteral("Arial");
  int FDefaultFontSize = 10;
  bool FDefaultFontBold = false;
  bool FDefaultFontItalic = false;
  bool FDefaultFontUnderline = false;
  int FDefaultFontColor = 0;  // red in the low byte; negative for a system colour
  bool FShowOpeningMessage = true;
  bool FLoading = false;  // a document is being put into the entry editor
  QDate FCurrentDate;
  bool FHasEntry = false;
  std::string FPassword;  // plain password bytes; empty = none
  bool FSearchFound = false;
  QString FSearchText;
  bool FPaletteVisible = false;
  bool FFirstActivation = true;
  int FPaletteTop = 0;
  int FPaletteLeft = 0;
  QString FIconFile;  // the palette's icon library file

  // --- the shown day (entry_editing.cpp) ---
  QString GetCurrentDateFileName() const;
  void FindDateRecord();
  void SetDateCaption();
  // Shows the current day in the entry editor. False when its entry could not be read: the
  // user has been told, and the editor stays read-only so the file cannot be overwritten.
  bool LoadRichText();
  // Writes, keeps or removes the entry file. False when that failed: the user has been told
  // and the text stays in the editor, still modified.
  bool SaveRichText();
  // Loads the current day's entry into the scratch editor. False (with the reason in `error`)
  // when the entry exists but cannot be read.
  bool LoadRichTextAllPurp(QString* error = nullptr);
  QDate FirstDiaryRecord() const;
  QDate LastDiaryRecord() const;
  void SetDefaultFontNow();
  const EntryStore& Store() const { return store_; }

  // --- commands (main_screen_actions.cpp) ---
  // The Save action; false when a modified entry could not be saved (callers stop then).
  bool SaveButtonClick();
  void CancelButtonClick();
  void DeleteButtonClick();
  void NextbuttonClick();
  void PriorButtonClick();
  void FirstButtonClick();
  void LastButtonClick();
  void BitBtn1Click();  // Today
  void HidebuttonClick();
  void ExitClick();
  void InsertTodaysDate();
  void InsertCurrentTime();
  void WordWrapClick();
  void InsertPageBreak();
  void ParagraphSetupClick();
  void ChangeDefaultFont();
  void SetButtons();
  void LoadPreferences();
  void SavePreferences();
  // The shown text holds unsaved changes (the Save button is shown).
  bool Modified() const;
  // On every size change of the window: the page laid out, the caret at the start.
  void FormResize();

 protected:
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  void CreateToolbarButtons();
  // Date label, rules and editor placed from the page's edges.
  void LayoutPage();
  void CreateMenu();  // main_screen_menu.cpp
  void FormCreate();
  void FormActivate();
  void WPRichText1Change();
  void GoToDate(QDate date);
  void SetWordWrapHint();
  bool ApplicationKeyHook(QObject* watched, QEvent* e);
  bool EditorHasFocus() const;
  void ReportError(const QString& text);
  int ExecDialog(class QDialog& dialog);
  Date StoreDate() const;

  EntryStore store_;
  TWPRichTextLink* link_ = nullptr;  // owned by WPRichText1
  bool startedOk_ = true;
  bool keyHookInstalled_ = false;
  // The entry shown could not be read: the editor is read-only until another day is shown.
  bool entryLocked_ = false;
  // The entry shown was damaged; before it is overwritten its file is kept beside it.
  bool entryDamaged_ = false;
  bool closing_ = false;
};

}  // namespace inkwend
