#pragma once
// MainScreen: the diary's main window. A notebook page shows the entry of one day in the
// editor, with the date above it, the formatting toolbar and ruler on top and the navigation
// and action buttons at the bottom. The window drives a DiarySession, which keeps the state the
// rest of the program reads (the current date, whether it has an entry, whether its text holds
// unsaved changes, the password and the preferences) and does the diary's file work; the
// window puts the session's RTF into its editors and shows what happened. The Save and Cancel
// buttons are visible exactly while the session says the text is modified.
//
// Split by concern: main_screen.cpp (controls, creation, activation, layout, closing),
// main_screen_menu.cpp (the menu bar), main_screen_actions.cpp (commands),
// entry_editing.cpp (loading and saving the shown day), recovery.cpp (recovery copies of
// unsaved text, and saving when the session ends with nobody to answer).
#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>
#include <set>
#include <string>

#include "operations/export/diary_export.h"
#include "store/diary_session.h"

class QAction;
class QDialog;
class QDragMoveEvent;
class QDropEvent;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

namespace inkwend {

class DefaultFontDialog;
class FloatingPalette;
class GraphicPanel;
class RingPanel;
class SpellingMarker;
class WPRichText;
class WPRichTextLink;
class WPRuler;
class WPToolBar;

class MainScreen : public QMainWindow {
  Q_OBJECT
 public:
  // The settings file knows the main window by this class name.
  static constexpr char kClassName[] = "TMainScreen";

  // The diary's files are reached through `file_system`, which outlives the window (tests give
  // one that fails on purpose).
  explicit MainScreen(QWidget* parent = nullptr, FileSystem& file_system = RealFileSystem());
  ~MainScreen() override;

  // false when creation found a reason to end (the message has been shown).
  bool startedOk() const { return startedOk_; }

  // --- state the rest of the program reads ---
  // The diary: the day shown, its entry and modified state, the password and the preferences.
  DiarySession& Session() { return session_; }
  const DiarySession& Session() const { return session_; }
  QDate CurrentDate() const;
  // Moves to another day without loading it (FindDateRecord and LoadRichText do that).
  void SetCurrentDate(QDate date);
  bool loading = false;  // a document is being put into the entry editor
  bool searchFound = false;
  QString searchText;
  bool firstActivation = true;

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
  // The date selector (main_screen_moving.cpp): saves first, opens on the current day and goes
  // to the day chosen.
  void CalendarButtonClick();
  // The days ("1" to "31") of a month that have an entry, for the date selector.
  void GetEntryDays(QStringList& days, int year, int month) const;
  // The diary-wide search (main_screen_search.cpp).
  void mnuFindentrycontainingClick();
  void mnuFindNextBigClick();
  // Lists every entry holding a text in a results window; a row shows its day, match selected.
  void mnuShowAllClick();
  // Shows `day` with characters `offset` to `offset + length` of its paragraph `paragraph`
  // selected (saving the day shown first).
  void ShowSearchMatch(QDate day, int paragraph, int offset, int length);
  void HidebuttonClick();
  void ExitClick();
  void InsertTodaysDate();
  void InsertCurrentTime();
  void WordWrapClick();
  void InsertPageBreak();
  void ParagraphSetupClick();
  void ChangeDefaultFont();
  // Spelling (main_screen_spelling.cpp): the spell-check dialog on the entry, and marking
  // misspelt words as the user types switched on or off (a preference).
  void SpellCheck1Click();
  void MarkSpellingClick();
  static QString MainDictionaryPath();
  static QString UserDictionaryPath();
  // The toolbar's spell-check icon: number 8 of the edit group.
  static constexpr int kSpellIconNumber = 8;
  // Help > Configuration Information (main_screen_report.cpp).
  void ConfigurationInformation1Click();
  // "Export to RTF (Rich Text Format)" (main_screen_export.cpp): saves first, asks what to export,
  // writes the files and says how many.
  void Export1Click();
  // Exports the entries from `from` to `to` into `directory` (ending in "/") with the status
  // window, and says how many files were written or why it stopped.
  void ExportEntries(Date from, Date to, ExportFormat format, const QString& directory);
  // The range as one PDF file of merged pages in `directory` (ending in "/").
  void ExportPdf(Date from, Date to, const QString& directory);
  // "Select or Change Password" (password_dialogs.cpp).
  void MnuSecurityClick();
  // Printing (main_screen_print.cpp): the printer set-up, and Print (menu and toolbar button).
  void PrintSetup1Click();
  void PrintNowClick();
  void PrintbuttonClick();
  void SetButtons();
  void LoadPreferences();
  void SavePreferences();
  // The shown text holds unsaved changes (the session says so; the Save button shows it).
  bool Modified() const;
  // On every size change of the window: the page laid out, the caret at the start.
  void FormResize();

  // --- decorations (main_screen_decor.cpp) ---
  // The image browser, then the chosen picture at the caret.
  void PasteGraphicButtonClick();
  // The symbol picker, then the chosen symbol (or emoji) at the caret.
  void SymbolPickerButtonClick();
  // Shows or hides the icon palette and keeps that for the settings.
  void ShowHideIconToolClick();
  // The floating icon palette (created with the window, lives as long).
  FloatingPalette* Palette() const { return palette_; }

  // --- recovery copies and unattended saving (recovery.cpp) ---
  // How long typing must pause before the unsaved text is copied aside.
  static constexpr int kRecoveryDelayMs = 3000;
  // Writes the unsaved text to its recovery copy now (the timer does this after a pause).
  void KeepRecoveryCopy();
  // A copy waits for the pause in typing.
  bool RecoveryCopyPending() const;
  // Offers the copies an earlier run left, one day at a time, until one is taken.
  void OfferRecovery();
  // Saves as Exit does, asking nothing: for a session manager's end or a termination signal.
  // When the text cannot be saved its recovery copy stays. `ending`: the program ends next,
  // so nothing asked meanwhile may act on its answer. False when the text was not saved.
  bool SaveUnattended(bool ending);

 protected:
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  // The row of action and navigation buttons at the bottom.
  void CreateActionPanel(QWidget* parent);
  void CreateToolbarButtons();
  // main_screen_decor.cpp: the picture, symbol and palette buttons, the palette and the editor's
  // drop handling of icons; the palette's place, set and visibility at the first activation.
  void CreateDecorations();
  void ShowPaletteAsSaved();
  void KeepPalettePreferences(Preferences& preferences) const;
  void SetIconToolCaption();
  bool WPRichText1DragOver(QDragMoveEvent* e) const;
  bool WPRichText1DragDrop(QDropEvent* e);
  // Date label, rules and editor placed from the page's edges.
  void LayoutPage();
  // Places the page and the editor at their final sizes while the window is still hidden, for
  // the first entry to be read; EditorPlaced once it is.
  void PlaceEditorBeforeShowing();
  void EditorPlaced();
  void CreateMenu();  // main_screen_menu.cpp
  void CreateSpelling();
  void UpdateSpellCheckShortcut(bool save_visible);
  void FormCreate();
  void FormActivate();
  // The window's state as the start command asks: minimised, maximised or in front.
  void ApplyStartShowState();
  // The window's icon, once (after the first paint).
  void ShowWindowIcon();
  void WPRichText1Change();
  void GoToDate(QDate date);
  // Goes to the day the session named; a refused day (beyond the diary's years) changes nothing.
  void GoToDay(const Result<Date>& day);
  void SetWordWrapHint();
  // Undo and Redo are enabled as the entry editor's history allows.
  void UpdateUndoItems();
  bool ApplicationKeyHook(QObject* watched, QEvent* e);
  bool EditorHasFocus() const;
  void ReportError(const QString& text);
  int ExecDialog(QDialog& dialog);

  // Shows the entry as modified or not: the session's flag and the Save and Cancel buttons.
  void ShowModified(bool modified);
  // main_screen_search.cpp: the walk from `from` to `to` for searchText, and showing where it
  // ended (`shown`: the day shown before the command).
  void SearchWalk(QDate from, QDate to);
  void EndSearch(QDate shown);
  // recovery.cpp
  void ScheduleRecoveryCopy();
  void DiscardRecoveryCopy();
  void ShowRecoveredText(Date day, std::string rtf);

  DiarySession session_;
  bool startedOk_ = true;
  bool keyHookInstalled_ = false;
  static constexpr int kIconDelayMs = 500;
  bool iconShown_ = false;
  bool closing_ = false;
  QTimer* recoveryTimer_ = nullptr;  // created at the first change
  bool savingUnattended_ = false;
  bool endingUnattended_ = false;
  // Days whose entry a search could not read and has said so ("yyyymmdd").
  std::set<std::string> searchUnreadableSaid_;
  QPointer<QDialog> searchResults_;  // the open results window, if any (it deletes itself)

  // --- controls (children of the window; object names as the design has them) ---
  WPToolBar* toolBar_ = nullptr;       // WPToolBar2
  WPRuler* ruler_ = nullptr;           // WPRuler1
  RingPanel* pagePanel_ = nullptr;     // RingPanel1
  QLabel* dateLabel_ = nullptr;        // DateLabel
  QFrame* topRule_ = nullptr;          // TopLine
  QFrame* bottomRule_ = nullptr;       // Bottomline
  WPRichText* entryEditor_ = nullptr;  // WPRichText1
  // Hidden scratch editor of diary-wide work.
  WPRichText* scratchEditor_ = nullptr;    // WPRichTextAllPurpose
  WPRichTextLink* link_ = nullptr;         // owned by entryEditor_
  QWidget* actionPanel_ = nullptr;         // ActionPanel
  QPushButton* saveButton_ = nullptr;      // SaveButton
  QPushButton* cancelButton_ = nullptr;    // cancelButton
  QPushButton* firstButton_ = nullptr;     // FirstButton
  QPushButton* previousButton_ = nullptr;  // PriorButton
  QPushButton* todayButton_ = nullptr;     // bitBtn1
  QPushButton* nextButton_ = nullptr;      // Nextbutton
  QPushButton* lastButton_ = nullptr;      // LastButton
  QPushButton* calendarButton_ = nullptr;  // CalendarButton
  QPushButton* hideButton_ = nullptr;      // Hidebutton
  QPushButton* exitButton_ = nullptr;      // ExplorerButton1
  // Speed buttons and spacers appended to the toolbar.
  QToolButton* deleteButton_ = nullptr;             // Deletebutton
  QToolButton* pageBreakButton_ = nullptr;          // DocPageBreakButton
  QToolButton* paragraphButton_ = nullptr;          // ParagraphSetupButton
  QToolButton* wordWrapButton_ = nullptr;           // DocWordWrapButton
  QToolButton* passwordButton_ = nullptr;           // PasswordButton
  QToolButton* printButton_ = nullptr;              // Printbutton
  std::array<GraphicPanel*, 6> spacers_{};          // spacer1 ... spacer6
  QToolButton* pasteGraphicButton_ = nullptr;       // PasteGraphicButton
  QToolButton* symbolPickerButton_ = nullptr;       // SymbolPickerButton
  QToolButton* showHideIconTool_ = nullptr;         // ShowHideIconTool
  FloatingPalette* palette_ = nullptr;              // FloatingPalette
  DefaultFontDialog* defaultFontDialog_ = nullptr;  // DefaultFontdialog
  QAction* saveChangesItem_ = nullptr;              // SaveChangesItem
  QAction* wrapTextItem_ = nullptr;                 // WrapTextItem
  QAction* undoItem_ = nullptr;                     // UndoItem
  QAction* redoItem_ = nullptr;                     // RedoItem
  QAction* findNextBigItem_ = nullptr;              // mnuFindNextBig
  QAction* spellCheckItem_ = nullptr;               // SpellCheck1
  QAction* markSpellingItem_ = nullptr;             // MarkSpellingItem
  // A member, so it goes before the entry editor it marks (children outlive members).
  std::unique_ptr<SpellingMarker> spellingMarker_;
};

}  // namespace inkwend
