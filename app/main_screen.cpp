#include "app/main_screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>

#include "app/about_box.h"
#include "app/date_text.h"
#include "app/default_font_dialog.h"
#include "app/opening_dialogs.h"
#include "app/prompter.h"
#include "app/speed_button_glyphs.h"
#include "app/window_placement.h"
#include "controls/graphic_panel.h"
#include "controls/ring_panel.h"
#include "platform/program_directory.h"
#include "platform/qt_picture_decoder.h"
#include "richtext/toolbar/wp_rich_text_link.h"
#include "richtext/toolbar/wp_ruler.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"
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

QToolButton* SpeedButton(QWidget* parent, const char* name, TSpeedGlyph glyph, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(SpeedButtonGlyph(glyph));
  b->setAutoRaise(true);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

TGraphicPanel* Spacer(QWidget* parent, const char* name) {
  auto* s = new TGraphicPanel(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->SetBevelOuter(TGraphicPanel::Bevel::None);
  s->SetBevelInner(TGraphicPanel::Bevel::None);
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

TMainScreen::TMainScreen(QWidget* parent, FileSystem& file_system)
    : QMainWindow(parent), session_(ProgramDirectory().toStdString(), file_system) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Inkwend"));
  setWindowIcon(NotebookIcon());
  CreateControls();
  // PNG and JPEG pictures in entries and pastes (Word, LibreOffice) are decoded by Qt.
  entryEditor_->SetPictureDecoder(&QtPictureDecoderInstance());
  scratchEditor_->SetPictureDecoder(&QtPictureDecoderInstance());
  CreateMenu();
  // Designed position and client size.
  setGeometry(156, 106, 622, 402);
  FormCreate();
}

TMainScreen::~TMainScreen() {
  if (keyHookInstalled_) qApp->removeEventFilter(this);
}

void TMainScreen::CreateControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  toolBar_ = new TWPToolBar(central);
  toolBar_->setObjectName(QStringLiteral("WPToolBar2"));
  toolBar_->SetSelListBoxes(SelFontName | SelFontSize | SelFontColor | SelBackgroundColor);
  toolBar_->SetSelStatusIcons(SelNormal | SelBold | SelItalic | SelUnder | SelStrikeOut | SelLeft | SelRight |
                              SelBlock | SelCenter);
  toolBar_->SetSelActionIcons(0);
  toolBar_->SetSelDatabaseIcons(0);
  // The spell-check icon joins with the spelling dialog.
  toolBar_->SetSelEditIcons(SelCopy | SelCut | SelPaste | SelSelAll | SelFind | SelReplace);
  toolBar_->SetFontChoice(TFontChoice::fsPrinterFonts);
  toolBar_->SetFontSizeFrom(8);
  toolBar_->SetWidthBetweenGroups(5);
  toolBar_->SetAlign(TToolAlign::alTop);
  toolBar_->setMinimumHeight(26);
  column->addWidget(toolBar_);

  ruler_ = new TWPRuler(central);
  ruler_->setObjectName(QStringLiteral("WPRuler1"));
  ruler_->SetUnits(TRulerUnits::Inch);
  ruler_->SetShowNumbers(true);
  ruler_->setFixedHeight(22);
  column->addWidget(ruler_);

  pagePanel_ = new TRingPanel(central);
  pagePanel_->setObjectName(QStringLiteral("RingPanel1"));
  pagePanel_->SetDoubleRing(true);
  pagePanel_->SetSmallRing(true);
  pagePanel_->LeftEdge = 31;
  pagePanel_->RightEdge = 15;
  pagePanel_->installEventFilter(this);
  column->addWidget(pagePanel_, 1);

  dateLabel_ = new QLabel(pagePanel_);
  dateLabel_->setObjectName(QStringLiteral("DateLabel"));
  QFont dateFont(QStringLiteral("Arial"), 12);
  dateFont.setBold(true);
  dateFont.setItalic(true);
  dateLabel_->setFont(dateFont);
  dateLabel_->setAttribute(Qt::WA_TranslucentBackground);
  QPalette datePalette = dateLabel_->palette();
  datePalette.setColor(QPalette::WindowText, QColor(128, 0, 128));
  dateLabel_->setPalette(datePalette);
  topRule_ = Rule(pagePanel_, "TopLine");
  bottomRule_ = Rule(pagePanel_, "Bottomline");

  entryEditor_ = new TWPRichText(pagePanel_);
  entryEditor_->setObjectName(QStringLiteral("WPRichText1"));
  entryEditor_->SetColor(Qt::white);
  entryEditor_->setFrameShape(QFrame::NoFrame);
  entryEditor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  entryEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  entryEditor_->SetWordWrap(true);
  entryEditor_->OnChange = [this](TWPRichText&) { WPRichText1Change(); };
  entryEditor_->OnBeforePasteEvent = [](TWPRichText& editor) {
    editor.Changed();
    return true;
  };
  entryEditor_->OnKeyDown = [](TWPRichText& editor, QKeyEvent* k) {
    // Keys whose effect the editor may not report as a change of its own.
    const bool ctrlOnly = k->modifiers() == Qt::ControlModifier;
    if ((k->key() == Qt::Key_V && ctrlOnly) || k->key() == Qt::Key_Delete || k->key() == Qt::Key_Tab ||
        k->key() == Qt::Key_Backtab)
      editor.Changed();
    return false;
  };
  scratchEditor_ = new TWPRichText(pagePanel_);
  scratchEditor_->setObjectName(QStringLiteral("WPRichTextAllPurpose"));
  scratchEditor_->hide();

  link_ = new TWPRichTextLink(*entryEditor_, toolBar_, ruler_);
  ruler_->OnMouseDown = [this](TWPRuler&) { entryEditor_->Changed(); };

  CreateActionPanel(central);
  column->addWidget(actionPanel_);

  setCentralWidget(central);

  defaultFontDialog_ = new TDefaultFontDialog(this);
  CreateToolbarButtons();
}

void TMainScreen::CreateActionPanel(QWidget* parent) {
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
  for (QPushButton* b :
       {saveButton_, cancelButton_, firstButton_, previousButton_, todayButton_, nextButton_, lastButton_})
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
  connect(hideButton_, &QPushButton::clicked, this, [this] { HidebuttonClick(); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { ExitClick(); });
}

void TMainScreen::CreateToolbarButtons() {
  // Created on the window; FormCreate moves them onto the toolbar.
  deleteButton_ =
      SpeedButton(this, "Deletebutton", TSpeedGlyph::DeleteEntry, QStringLiteral("Delete current entry"));
  pageBreakButton_ =
      SpeedButton(this, "DocPageBreakButton", TSpeedGlyph::PageBreak, QStringLiteral("Insert Page Break"));
  paragraphButton_ = SpeedButton(this, "ParagraphSetupButton", TSpeedGlyph::Paragraph,
                                 QStringLiteral("Paragraph properties"));
  wordWrapButton_ = SpeedButton(this, "DocWordWrapButton", TSpeedGlyph::WordWrap, QString());
  for (size_t i = 0; i < spacers_.size(); ++i)
    spacers_[i] = Spacer(this, ("spacer" + std::to_string(i + 1)).c_str());
  for (QWidget* w :
       std::initializer_list<QWidget*>{deleteButton_, pageBreakButton_, paragraphButton_, wordWrapButton_})
    w->hide();
  for (TGraphicPanel* s : spacers_) s->hide();
  connect(deleteButton_, &QToolButton::clicked, this, [this] { DeleteButtonClick(); });
  connect(pageBreakButton_, &QToolButton::clicked, this, [this] { InsertPageBreak(); });
  connect(paragraphButton_, &QToolButton::clicked, this, [this] { ParagraphSetupClick(); });
  connect(wordWrapButton_, &QToolButton::clicked, this, [this] { WordWrapClick(); });
}

void TMainScreen::ReportError(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Warning);
}

int TMainScreen::ExecDialog(QDialog& dialog) {
  dialog.adjustSize();
  CenterForm(dialog, this, false);
  return CurrentPrompter().Exec(dialog);
}

void TMainScreen::FormCreate() {
  FFirstActivation = true;
  FLoading = true;
  LoadPreferences();
  const QString placementError = RestoreWindowPlacement(*this, QString::fromLatin1(kClassName));
  if (!placementError.isEmpty()) ReportError(placementError);
  // The short date format with four-digit years is fixed once in SystemDateSettings.
  const Status entries = session_.EnsureEntriesDirectory();
  if (!entries.IsOk()) {
    ReportError(QString::fromStdString(entries.Message()));
    startedOk_ = false;
  }

  // The window's own buttons join the toolbar; spacer3 is listed twice, so its first slot
  // stays as an empty gap of its width.
  const int side = 20;
  for (QToolButton* b : {deleteButton_, pageBreakButton_, paragraphButton_, wordWrapButton_})
    b->setFixedSize(side, side);
  for (TGraphicPanel* s : spacers_) s->setFixedSize(3, side);
  for (QWidget* w :
       std::initializer_list<QWidget*>{deleteButton_, spacers_[0], pageBreakButton_, spacers_[1],
                                       paragraphButton_, spacers_[2], wordWrapButton_, spacers_[2]})
    toolBar_->AddControl(w);
  // Print, picture, symbol and icon-palette buttons (with spacer4 to spacer6 between them)
  // join with their features.

  SetWordWrapHint();
  toolBar_->FontSizeList()->setToolTip(QStringLiteral("Font Size"));
  toolBar_->FontNameList()->setToolTip(QStringLiteral("Font"));
  entryEditor_->setFrameShape(QFrame::NoFrame);

  SetCurrentDate(QDate::currentDate());
  FindDateRecord();
  LoadRichText();

  bool& showOpening = session_.MutablePreferences().showOpeningMessage;
  if (showOpening) showOpening = ShowOpeningMessage(this);
  FLoading = false;
}

bool TMainScreen::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && FFirstActivation) FormActivate();
  return QMainWindow::event(e);
}

void TMainScreen::FormActivate() {
  FFirstActivation = false;
  if (!isVisible()) show();
  SetButtons();
  if (!isMinimized()) {
    raise();
    activateWindow();
  }
  SetButtons();
  SavePreferences();
  if (!keyHookInstalled_) {
    qApp->installEventFilter(this);
    keyHookInstalled_ = true;
  }
  entryEditor_->setFocus();
}

void TMainScreen::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

void TMainScreen::FormResize() {
  LayoutPage();
  entryEditor_->SetCaretPosition(0);
  entryEditor_->viewport()->update();
}

void TMainScreen::LayoutPage() {
  if (!pagePanel_) return;
  const int panelWidth = pagePanel_->width(), panelHeight = pagePanel_->height();
  const int left = pagePanel_->LeftEdge + 15;
  const int width = std::max(0, panelWidth - pagePanel_->LeftEdge - pagePanel_->RightEdge - 20);
  const int labelHeight = std::max(QFontMetrics(dateLabel_->font()).height() + 2, 20);
  dateLabel_->setGeometry(left, 8, width, labelHeight);
  topRule_->setGeometry(left, 28, width, 1);
  bottomRule_->setGeometry(left, panelHeight - 20, width, 1);
  const int editorTop = 35;
  entryEditor_->setGeometry(left, editorTop, width, std::max(0, panelHeight - editorTop - 22));
  ruler_->SetLeftOffset(left);
}

bool TMainScreen::EditorHasFocus() const {
  QWidget* focus = QApplication::focusWidget();
  return focus && (focus == entryEditor_ || focus == entryEditor_->viewport());
}

bool TMainScreen::ApplicationKeyHook(QObject*, QEvent* e) {
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

bool TMainScreen::eventFilter(QObject* watched, QEvent* e) {
  if (watched == pagePanel_ && e->type() == QEvent::Resize) {
    // The page also changes size when the toolbar wraps into more rows; the caret stays.
    LayoutPage();
    return false;
  }
  if (keyHookInstalled_ && ApplicationKeyHook(watched, e)) return true;
  return QMainWindow::eventFilter(watched, e);
}

void TMainScreen::closeEvent(QCloseEvent* e) {
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
