#include "app/main_screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "app/about_box.h"
#include "app/date_text.h"
#include "app/default_font_dialog.h"
#include "app/entry_name_notice.h"
#include "app/legacy_conversion.h"
#include "app/opening_dialogs.h"
#include "app/password_dialogs.h"
#include "app/print_dialogs.h"
#include "app/prompter.h"
#include "app/speed_button_glyphs.h"
#include "app/start_show_state.h"
#include "app/toolbar_keys.h"
#include "app/window_placement.h"
#include "controls/graphic_panel.h"
#include "controls/ring_panel.h"
#include "platform/program_directory.h"
#include "platform/qt_picture_decoder.h"
#include "richtext/toolbar/wp_rich_text_link.h"
#include "richtext/toolbar/wp_ruler.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"
#include "spell/ui/spelling_marker.h"
#include "store/ini_file.h"

namespace inkwend {
namespace {

QPushButton* ActionButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setFocusPolicy(Qt::TabFocus);  // a click leaves the keyboard in the editor
  // Narrower than their natural width when the window is small, so that showing Save and
  // Cancel never widens the window.
  b->setMinimumWidth(44);
  return b;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, SpeedGlyph glyph, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(SpeedButtonGlyph(glyph));
  b->setAutoRaise(true);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

GraphicPanel* Spacer(QWidget* parent, const char* name) {
  auto* s = new GraphicPanel(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->SetBevelOuter(GraphicPanel::Bevel::None);
  s->SetBevelInner(GraphicPanel::Bevel::None);
  s->setAttribute(Qt::WA_TransparentForMouseEvents);
  return s;
}

QFrame* Rule(QWidget* parent, const char* name) {
  auto* line = new QFrame(parent);
  line->setObjectName(QString::fromLatin1(name));
  line->setFrameShape(QFrame::NoFrame);
  line->setAutoFillBackground(true);
  QPalette p = line->palette();
  p.setColor(QPalette::Window, QColor(160, 160, 200));
  line->setPalette(p);
  return line;
}

}  // namespace

MainScreen::MainScreen(QWidget* parent, FileSystem& file_system)
    : QMainWindow(parent), session_(ProgramDirectory().toStdString(), file_system) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Inkwend"));
  CreateControls();
  // PNG and JPEG pictures in entries and pastes (Word, LibreOffice) are decoded by Qt.
  entryEditor_->SetPictureDecoder(&QtPictureDecoderInstance());
  scratchEditor_->SetPictureDecoder(&QtPictureDecoderInstance());
  CreateMenu();
  // Designed position and client size.
  setGeometry(156, 106, 622, 402);
  FormCreate();
}

MainScreen::~MainScreen() {
  if (keyHookInstalled_) qApp->removeEventFilter(this);
}

void MainScreen::CreateControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  toolBar_ = new WPToolBar(central);
  toolBar_->setObjectName(QStringLiteral("WPToolBar2"));
  toolBar_->SetSelListBoxes(kSelListFontName | kSelListFontSize | kSelListFontColor |
                            kSelListBackgroundColor);
  toolBar_->SetSelStatusIcons(kSelNormal | kSelBold | kSelItalic | kSelUnder | kSelStrikeOut | kSelLeft |
                              kSelRight | kSelBlock | kSelCenter);
  toolBar_->SetSelActionIcons(0);
  toolBar_->SetSelDatabaseIcons(0);
  toolBar_->SetSelEditIcons(kSelCopy | kSelCut | kSelPaste | kSelSelAll | kSelFind | kSelReplace |
                            kSelSpellCheck);
  toolBar_->SetFontChoice(FontChoice::PrinterFonts);
  toolBar_->SetFontSizeFrom(8);
  toolBar_->SetWidthBetweenGroups(5);
  toolBar_->SetHints(EnglishToolbarHints());
  toolBar_->SetAlign(ToolAlign::Top);
  toolBar_->setMinimumHeight(26);
  column->addWidget(toolBar_);

  ruler_ = new WPRuler(central);
  ruler_->setObjectName(QStringLiteral("WPRuler1"));
  ruler_->SetUnits(Units::Inch);
  ruler_->SetShowNumbers(true);
  ruler_->setFixedHeight(22);
  column->addWidget(ruler_);

  pagePanel_ = new RingPanel(central);
  pagePanel_->setObjectName(QStringLiteral("RingPanel1"));
  pagePanel_->SetDoubleRing(true);
  pagePanel_->SetSmallRing(true);
  pagePanel_->leftEdge = 31;
  pagePanel_->rightEdge = 15;
  pagePanel_->installEventFilter(this);
  column->addWidget(pagePanel_, 1);

  dateLabel_ = new QLabel(pagePanel_);
  dateLabel_->setObjectName(QStringLiteral("DateLabel"));
  QFont date_font(QStringLiteral("Arial"), 12);
  date_font.setBold(true);
  date_font.setItalic(true);
  dateLabel_->setFont(date_font);
  dateLabel_->setAttribute(Qt::WA_TranslucentBackground);
  QPalette date_palette = dateLabel_->palette();
  date_palette.setColor(QPalette::WindowText, QColor(128, 0, 128));
  dateLabel_->setPalette(date_palette);
  topRule_ = Rule(pagePanel_, "TopLine");
  bottomRule_ = Rule(pagePanel_, "Bottomline");

  entryEditor_ = new WPRichText(pagePanel_);
  entryEditor_->setObjectName(QStringLiteral("WPRichText1"));
  entryEditor_->SetColor(Qt::white);
  entryEditor_->setFrameShape(QFrame::NoFrame);
  entryEditor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  entryEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  entryEditor_->SetWordWrap(true);
  entryEditor_->onChange = [this](WPRichText&) { WPRichText1Change(); };
  entryEditor_->onBeforePasteEvent = [](WPRichText& editor, const WPRTFText&) {
    editor.Changed();
    return true;
  };
  entryEditor_->onKeyDown = [](WPRichText& editor, QKeyEvent* k) {
    // Keys whose effect the editor may not report as a change of its own.
    const bool ctrl_only = k->modifiers() == Qt::ControlModifier;
    if ((k->key() == Qt::Key_V && ctrl_only) || k->key() == Qt::Key_Delete || k->key() == Qt::Key_Tab ||
        k->key() == Qt::Key_Backtab)
      editor.Changed();
    return false;
  };
  scratchEditor_ = new WPRichText(pagePanel_);
  scratchEditor_->setObjectName(QStringLiteral("WPRichTextAllPurpose"));
  scratchEditor_->hide();

  link_ = new WPRichTextLink(*entryEditor_, toolBar_, ruler_);
  ruler_->onMouseDown = [this](WPRuler&) { entryEditor_->Changed(); };

  CreateActionPanel(central);
  column->addWidget(actionPanel_);

  setCentralWidget(central);

  defaultFontDialog_ = new DefaultFontDialog(this);
  CreateToolbarButtons();
}

void MainScreen::CreateActionPanel(QWidget* parent) {
  actionPanel_ = new QWidget(parent);
  actionPanel_->setObjectName(QStringLiteral("ActionPanel"));
  actionPanel_->setFixedHeight(39);
  auto* row = new QHBoxLayout(actionPanel_);
  row->setContentsMargins(8, 4, 8, 5);
  row->setSpacing(6);
  saveButton_ = ActionButton(actionPanel_, "SaveButton", QStringLiteral("&Save"));
  cancelButton_ = ActionButton(actionPanel_, "CancelButton", QStringLiteral("&Cancel"));
  firstButton_ = ActionButton(actionPanel_, "FirstButton", QStringLiteral("Fi&rst"));
  previousButton_ = ActionButton(actionPanel_, "PriorButton", QStringLiteral("&Prev"));
  todayButton_ = ActionButton(actionPanel_, "BitBtn1", QStringLiteral("Today"));
  nextButton_ = ActionButton(actionPanel_, "Nextbutton", QStringLiteral("&Next"));
  lastButton_ = ActionButton(actionPanel_, "LastButton", QStringLiteral("&Last"));
  calendarButton_ = ActionButton(actionPanel_, "CalendarButton", QString());
  calendarButton_->setIcon(SpeedButtonGlyph(SpeedGlyph::Calendar));
  calendarButton_->setToolTip(QStringLiteral("Select a date"));
  hideButton_ = ActionButton(actionPanel_, "Hidebutton", QStringLiteral("H&ide"));
  exitButton_ = ActionButton(actionPanel_, "ExplorerButton1", QStringLiteral("E&xit"));
  saveButton_->setToolTip(QStringLiteral("Save the changes to this entry"));
  cancelButton_->setToolTip(QStringLiteral("Undo the changes since the last save"));
  firstButton_->setToolTip(QStringLiteral("Go to the first entry of the diary"));
  previousButton_->setToolTip(QStringLiteral("Go to the previous day (Ctrl+Page Up)"));
  todayButton_->setToolTip(QStringLiteral("Go to today"));
  nextButton_->setToolTip(QStringLiteral("Go to the next day (Ctrl+Page Down)"));
  lastButton_->setToolTip(QStringLiteral("Go to the last entry of the diary"));
  hideButton_->setToolTip(QStringLiteral("Minimise Inkwend"));
  exitButton_->setToolTip(QStringLiteral("Save and close Inkwend"));
  // Hidden Save and Cancel keep their slots: showing them at the first key press must not
  // slide the other buttons away from under the mouse.
  for (QPushButton* b : {saveButton_, cancelButton_}) {
    QSizePolicy policy = b->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    b->setSizePolicy(policy);
    b->hide();
  }
  for (QPushButton* b : {saveButton_, cancelButton_, firstButton_, previousButton_, todayButton_, nextButton_,
                         lastButton_, calendarButton_})
    row->addWidget(b);
  row->addStretch(1);
  row->addWidget(hideButton_);
  row->addWidget(exitButton_);
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveButtonClick(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(firstButton_, &QPushButton::clicked, this, [this] { FirstButtonClick(); });
  connect(previousButton_, &QPushButton::clicked, this, [this] { PriorButtonClick(); });
  connect(todayButton_, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(nextButton_, &QPushButton::clicked, this, [this] { NextbuttonClick(); });
  connect(lastButton_, &QPushButton::clicked, this, [this] { LastButtonClick(); });
  connect(calendarButton_, &QPushButton::clicked, this, [this] { CalendarButtonClick(); });
  connect(hideButton_, &QPushButton::clicked, this, [this] { HidebuttonClick(); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { ExitClick(); });
}

void MainScreen::CreateToolbarButtons() {
  // Created on the window; FormCreate moves them onto the toolbar.
  deleteButton_ =
      SpeedButton(this, "Deletebutton", SpeedGlyph::DeleteEntry, QStringLiteral("Delete current entry"));
  pageBreakButton_ =
      SpeedButton(this, "DocPageBreakButton", SpeedGlyph::PageBreak, QStringLiteral("Insert Page Break"));
  paragraphButton_ = SpeedButton(this, "ParagraphSetupButton", SpeedGlyph::Paragraph,
                                 QStringLiteral("Paragraph properties"));
  wordWrapButton_ = SpeedButton(this, "DocWordWrapButton", SpeedGlyph::WordWrap, QString());
  for (size_t i = 0; i < spacers_.size(); ++i)
    spacers_[i] = Spacer(this, ("spacer" + std::to_string(i + 1)).c_str());
  for (QWidget* w :
       std::initializer_list<QWidget*>{deleteButton_, pageBreakButton_, paragraphButton_, wordWrapButton_})
    w->hide();
  for (GraphicPanel* s : spacers_) s->hide();
  connect(deleteButton_, &QToolButton::clicked, this, [this] { DeleteButtonClick(); });
  connect(pageBreakButton_, &QToolButton::clicked, this, [this] { InsertPageBreak(); });
  connect(paragraphButton_, &QToolButton::clicked, this, [this] { ParagraphSetupClick(); });
  connect(wordWrapButton_, &QToolButton::clicked, this, [this] { WordWrapClick(); });
  passwordButton_ = CreatePasswordButton(this);
  passwordButton_->hide();
  connect(passwordButton_, &QToolButton::clicked, this, [this] { MnuSecurityClick(); });
  printButton_ = CreatePrintButton(this);
  printButton_->hide();
  connect(printButton_, &QToolButton::clicked, this, [this] { PrintbuttonClick(); });
}

void MainScreen::ReportError(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Warning);
}

int MainScreen::ExecDialog(QDialog& dialog) {
  dialog.adjustSize();
  CenterForm(dialog, this, false);
  return CurrentPrompter().Exec(dialog);
}

void MainScreen::FormCreate() {
  firstActivation = true;
  loading = true;
  // A strongly encrypted diary's key, opened at the prompt: from now on the session alone keeps it.
  session_.SetDiaryKey(std::exchange(OpenedDiaryKey(), nullptr));
  LoadPreferences();
  // Entries/ is made only once an old diary table has been converted (or when there is none):
  // made before, it would hide the table from every later start.
  const ConversionOutcome conversion = PerformConversion(session_);
  if (conversion == ConversionOutcome::Declined || conversion == ConversionOutcome::Failed) {
    startedOk_ = false;
    loading = false;
    return;
  }
  // The short date format with four-digit years is fixed once in SystemDateSettings.
  const Status entries = session_.EnsureEntriesDirectory();
  if (!entries.IsOk()) {
    ReportError(QString::fromStdString(entries.Message()));
    startedOk_ = false;
  }
  const QString out_of_range = OutOfRangeEntriesMessage(
      QString::fromStdString(session_.Store().EntriesDirectory()), session_.Store().OutOfRangeEntryNames());
  if (!out_of_range.isEmpty()) ReportError(out_of_range);

  // The window's own buttons join the toolbar; spacer3 is listed twice, so its first slot
  // stays as an empty gap of its width.
  const int side = 20;
  for (QToolButton* b : {deleteButton_, pageBreakButton_, paragraphButton_, wordWrapButton_})
    b->setFixedSize(side, side);
  for (GraphicPanel* s : spacers_) s->setFixedSize(3, side);
  for (QWidget* w :
       std::initializer_list<QWidget*>{deleteButton_, spacers_[0], pageBreakButton_, spacers_[1],
                                       paragraphButton_, spacers_[2], wordWrapButton_, spacers_[2]})
    toolBar_->AddControl(w);
  printButton_->setFixedSize(side, side);
  toolBar_->AddControl(printButton_);
  passwordButton_->setFixedSize(side, side);
  toolBar_->AddControl(passwordButton_);
  CreateDecorations();
  // Placed once the toolbar is complete: a first window is wide enough for all of it in one row.
  const QString placement_error =
      RestoreWindowPlacement(*this, QString::fromLatin1(kClassName), toolBar_->OneRowWidth());
  if (!placement_error.isEmpty()) ReportError(placement_error);

  SetWordWrapHint();
  toolBar_->FontSizeList()->setToolTip(QStringLiteral("Font Size"));
  toolBar_->FontNameList()->setToolTip(QStringLiteral("Font"));
  entryEditor_->setFrameShape(QFrame::NoFrame);

  CreateSpelling();            // before the first entry is laid out, so that its words are marked then
  PlaceEditorBeforeShowing();  // so that the entry is laid out once, at the width it is shown at
  SetCurrentDate(QDate::currentDate());
  FindDateRecord();
  LoadRichText();
  EditorPlaced();

  bool& show_opening = session_.MutablePreferences().showOpeningMessage;
  if (show_opening) show_opening = ShowOpeningMessage(this);
  loading = false;
}

bool MainScreen::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && firstActivation) FormActivate();
  // The icon is drawn at seven sizes, a noticeable part of the start-up: it follows the first
  // paint (or half a second after showing, for a window that starts minimised and paints
  // nothing).
  if (e->type() == QEvent::Show && !iconShown_)
    QTimer::singleShot(kIconDelayMs, this, [this] { ShowWindowIcon(); });
  return QMainWindow::event(e);
}

void MainScreen::FormActivate() {
  firstActivation = false;
  if (!isVisible()) show();
  SetButtons();
  ApplyStartShowState();
  ShowPaletteAsSaved();
  SetButtons();
  SavePreferences();
  if (!keyHookInstalled_) {
    qApp->installEventFilter(this);
    keyHookInstalled_ = true;
  }
  entryEditor_->setFocus();
  OfferRecovery();
}

void MainScreen::ShowWindowIcon() {
  if (iconShown_) return;
  iconShown_ = true;
  setWindowIcon(NotebookIcon());
}

void MainScreen::ApplyStartShowState() {
  switch (CurrentStartShowState()) {
    case StartShowState::Minimized:
      showMinimized();
      return;
    case StartShowState::Maximized:
      showMaximized();
      break;
    case StartShowState::Normal:
      if (isMinimized()) return;  // minimised by the desktop before it was ever active
      break;
  }
  raise();
  activateWindow();
}

void MainScreen::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

void MainScreen::FormResize() {
  LayoutPage();
  entryEditor_->SetCaretPosition(0);
  entryEditor_->viewport()->update();
}

void MainScreen::LayoutPage() {
  if (!pagePanel_) return;
  const int panel_width = pagePanel_->width(), panel_height = pagePanel_->height();
  const int left = pagePanel_->leftEdge + 15;
  const int width = std::max(0, panel_width - pagePanel_->leftEdge - pagePanel_->rightEdge - 20);
  const int label_height = std::max(QFontMetrics(dateLabel_->font()).height() + 2, 20);
  dateLabel_->setGeometry(left, 8, width, label_height);
  topRule_->setGeometry(left, 28, width, 1);
  bottomRule_->setGeometry(left, panel_height - 20, width, 1);
  const int editor_top = 35;
  entryEditor_->setGeometry(left, editor_top, width, std::max(0, panel_height - editor_top - 22));
  ruler_->SetLeftOffset(left);
}

bool MainScreen::EditorHasFocus() const {
  QWidget* focus = QApplication::focusWidget();
  return focus && (focus == entryEditor_ || focus == entryEditor_->viewport());
}

bool MainScreen::ApplicationKeyHook(QObject*, QEvent* e) {
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
  auto* k = static_cast<QKeyEvent*>(e);
  if (!(k->modifiers() & Qt::ControlModifier) || (k->key() != Qt::Key_S && k->key() != Qt::Key_A))
    return false;
  if (QApplication::activeWindow() != this || !entryEditor_->isVisible() || !EditorHasFocus()) return false;
  if (e->type() == QEvent::ShortcutOverride) {
    // Claim the key so that the menu's shortcut does not take it first.
    e->accept();
    return true;
  }
  if (k->key() == Qt::Key_S)
    SaveButtonClick();
  else
    entryEditor_->SelectAll();
  return true;
}

bool MainScreen::eventFilter(QObject* watched, QEvent* e) {
  if (watched == pagePanel_ && e->type() == QEvent::Paint && !iconShown_)
    QTimer::singleShot(0, this, [this] { ShowWindowIcon(); });
  if (watched == pagePanel_ && e->type() == QEvent::Resize) {
    // The page also changes size when the toolbar wraps into more rows; the caret stays.
    LayoutPage();
    return false;
  }
  if (keyHookInstalled_ && ApplicationKeyHook(watched, e)) return true;
  return QMainWindow::eventFilter(watched, e);
}

void MainScreen::closeEvent(QCloseEvent* e) {
  if (!SaveButtonClick() && !AskConfirm(QStringLiteral(
                                "The changes to this entry could not be saved. Close Inkwend anyway and lose "
                                "them?"))) {
    e->ignore();
    return;
  }
  SavePreferences();
  const QString error = SaveWindowPlacement(*this, QString::fromLatin1(kClassName));
  if (!error.isEmpty()) ReportError(error);
  e->accept();
}

}  // namespace inkwend
