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

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent), store_(ProgramDirectory().toStdString()) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Inkwend"));
  setWindowIcon(NotebookIcon());
  CreateControls();
  // PNG and JPEG pictures in entries and pastes (Word, LibreOffice) are decoded by Qt.
  WPRichText1->SetPictureDecoder(&QtPictureDecoderInstance());
  WPRichTextAllPurpose->SetPictureDecoder(&QtPictureDecoderInstance());
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

  WPToolBar2 = new TWPToolBar(central);
  WPToolBar2->setObjectName(QStringLiteral("WPToolBar2"));
  WPToolBar2->SetSelListBoxes(SelFontName | SelFontSize | SelFontColor | SelBackgroundColor);
  WPToolBar2->SetSelStatusIcons(SelNormal | SelBold | SelItalic | SelUnder | SelStrikeOut | SelLeft |
                                SelRight | SelBlock | SelCenter);
  WPToolBar2->SetSelActionIcons(0);
  WPToolBar2->SetSelDatabaseIcons(0);
  // The spell-check icon joins with the spelling dialog.
  WPToolBar2->SetSelEditIcons(SelCopy | SelCut | SelPaste | SelSelAll | SelFind | SelReplace);
  WPToolBar2->SetFontChoice(TFontChoice::fsPrinterFonts);
  WPToolBar2->SetFontSizeFrom(8);
  WPToolBar2->SetWidthBetweenGroups(5);
  WPToolBar2->SetAlign(TToolAlign::alTop);
  WPToolBar2->setMinimumHeight(26);
  column->addWidget(WPToolBar2);

  WPRuler1 = new TWPRuler(central);
  WPRuler1->setObjectName(QStringLiteral("WPRuler1"));
  WPRuler1->SetUnits(TRulerUnits::Inch);
  WPRuler1->SetShowNumbers(true);
  WPRuler1->setFixedHeight(22);
  column->addWidget(WPRuler1);

  RingPanel1 = new TRingPanel(central);
  RingPanel1->setObjectName(QStringLiteral("RingPanel1"));
  RingPanel1->SetDoubleRing(true);
  RingPanel1->SetSmallRing(true);
  RingPanel1->LeftEdge = 31;
  RingPanel1->RightEdge = 15;
  RingPanel1->installEventFilter(this);
  column->addWidget(RingPanel1, 1);

  DateLabel = new QLabel(RingPanel1);
  DateLabel->setObjectName(QStringLiteral("DateLabel"));
  QFont dateFont(QStringLiteral("Arial"), 12);
  dateFont.setBold(true);
  dateFont.setItalic(true);
  DateLabel->setFont(dateFont);
  DateLabel->setAttribute(Qt::WA_TranslucentBackground);
  QPalette datePalette = DateLabel->palette();
  datePalette.setColor(QPalette::WindowText, QColor(128, 0, 128));
  DateLabel->setPalette(datePalette);
  TopLine = Rule(RingPanel1, "TopLine");
  Bottomline = Rule(RingPanel1, "Bottomline");

  WPRichText1 = new TWPRichText(RingPanel1);
  WPRichText1->setObjectName(QStringLiteral("WPRichText1"));
  WPRichText1->SetColor(Qt::white);
  WPRichText1->setFrameShape(QFrame::NoFrame);
  WPRichText1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  WPRichText1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  WPRichText1->SetWordWrap(true);
  WPRichText1->OnChange = [this](TWPRichText&) { WPRichText1Change(); };
  WPRichText1->OnBeforePasteEvent = [this](TWPRichText& editor) {
    editor.Changed();
    return true;
  };
  WPRichText1->OnKeyDown = [](TWPRichText& editor, QKeyEvent* k) {
    // Keys whose effect the editor may not report as a change of its own.
    const bool ctrlOnly = k->modifiers() == Qt::ControlModifier;
    if ((k->key() == Qt::Key_V && ctrlOnly) || k->key() == Qt::Key_Delete || k->key() == Qt::Key_Tab ||
        k->key() == Qt::Key_Backtab)
      editor.Changed();
    return false;
  };
  WPRichTextAllPurpose = new TWPRichText(RingPanel1);
  WPRichTextAllPurpose->setObjectName(QStringLiteral("WPRichTextAllPurpose"));
  WPRichTextAllPurpose->hide();

  link_ = new TWPRichTextLink(*WPRichText1, WPToolBar2, WPRuler1);
  WPRuler1->OnMouseDown = [this](TWPRuler&) { WPRichText1->Changed(); };

  ActionPanel = new QWidget(central);
  ActionPanel->setObjectName(QStringLiteral("ActionPanel"));
  ActionPanel->setFixedHeight(39);
  auto* row = new QHBoxLayout(ActionPanel);
  row->setContentsMargins(8, 4, 8, 5);
  row->setSpacing(6);
  SaveButton = ActionButton(ActionPanel, "SaveButton", QStringLiteral("&Save"));
  CancelButton = ActionButton(ActionPanel, "CancelButton", QStringLiteral("&Cancel"));
  FirstButton = ActionButton(ActionPanel, "FirstButton", QStringLiteral("Fi&rst"));
  PriorButton = ActionButton(ActionPanel, "PriorButton", QStringLiteral("&Prev"));
  BitBtn1 = ActionButton(ActionPanel, "BitBtn1", QStringLiteral("Today"));
  Nextbutton = ActionButton(ActionPanel, "Nextbutton", QStringLiteral("&Next"));
  LastButton = ActionButton(ActionPanel, "LastButton", QStringLiteral("&Last"));
  Hidebutton = ActionButton(ActionPanel, "Hidebutton", QStringLiteral("H&ide"));
  ExplorerButton1 = ActionButton(ActionPanel, "ExplorerButton1", QStringLiteral("E&xit"));
  SaveButton->setToolTip(QStringLiteral("Save the changes to this entry"));
  CancelButton->setToolTip(QStringLiteral("Undo the changes since the last save"));
  FirstButton->setToolTip(QStringLiteral("Go to the first entry of the diary"));
  PriorButton->setToolTip(QStringLiteral("Go to the previous day (Ctrl+Page Up)"));
  BitBtn1->setToolTip(QStringLiteral("Go to today"));
  Nextbutton->setToolTip(QStringLiteral("Go to the next day (Ctrl+Page Down)"));
  LastButton->setToolTip(QStringLiteral("Go to the last entry of the diary"));
  Hidebutton->setToolTip(QStringLiteral("Minimise Inkwend"));
  ExplorerButton1->setToolTip(QStringLiteral("Save and close Inkwend"));
  // Hidden Save and Cancel keep their slots: showing them at the first key press must not
  // slide the other buttons away from under the mouse.
  for (QPushButton* b : {SaveButton, CancelButton}) {
    QSizePolicy policy = b->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    b->setSizePolicy(policy);
    b->hide();
  }
  for (QPushButton* b : {SaveButton, CancelButton, FirstButton, PriorButton, BitBtn1, Nextbutton, LastButton})
    row->addWidget(b);
  row->addStretch(1);
  row->addWidget(Hidebutton);
  row->addWidget(ExplorerButton1);
  column->addWidget(ActionPanel);
  connect(SaveButton, &QPushButton::clicked, this, [this] { SaveButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(FirstButton, &QPushButton::clicked, this, [this] { FirstButtonClick(); });
  connect(PriorButton, &QPushButton::clicked, this, [this] { PriorButtonClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(Nextbutton, &QPushButton::clicked, this, [this] { NextbuttonClick(); });
  connect(LastButton, &QPushButton::clicked, this, [this] { LastButtonClick(); });
  connect(Hidebutton, &QPushButton::clicked, this, [this] { HidebuttonClick(); });
  connect(ExplorerButton1, &QPushButton::clicked, this, [this] { ExitClick(); });

  setCentralWidget(central);

  DefaultFontdialog = new TDefaultFontDialog(this);
  CreateToolbarButtons();
}

void TMainScreen::CreateToolbarButtons() {
  // Created on the window; FormCreate moves them onto the toolbar.
  Deletebutton =
      SpeedButton(this, "Deletebutton", TSpeedGlyph::DeleteEntry, QStringLiteral("Delete current entry"));
  DocPageBreakButton =
      SpeedButton(this, "DocPageBreakButton", TSpeedGlyph::PageBreak, QStringLiteral("Insert Page Break"));
  ParagraphSetupButton = SpeedButton(this, "ParagraphSetupButton", TSpeedGlyph::Paragraph,
                                     QStringLiteral("Paragraph properties"));
  DocWordWrapButton = SpeedButton(this, "DocWordWrapButton", TSpeedGlyph::WordWrap, QString());
  spacer1 = Spacer(this, "spacer1");
  spacer2 = Spacer(this, "spacer2");
  spacer3 = Spacer(this, "spacer3");
  spacer4 = Spacer(this, "spacer4");
  spacer5 = Spacer(this, "spacer5");
  spacer6 = Spacer(this, "spacer6");
  for (QWidget* w : std::initializer_list<QWidget*>{Deletebutton, DocPageBreakButton, ParagraphSetupButton,
                                                    DocWordWrapButton, spacer1, spacer2, spacer3, spacer4,
                                                    spacer5, spacer6})
    w->hide();
  connect(Deletebutton, &QToolButton::clicked, this, [this] { DeleteButtonClick(); });
  connect(DocPageBreakButton, &QToolButton::clicked, this, [this] { InsertPageBreak(); });
  connect(ParagraphSetupButton, &QToolButton::clicked, this, [this] { ParagraphSetupClick(); });
  connect(DocWordWrapButton, &QToolButton::clicked, this, [this] { WordWrapClick(); });
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
  const Status entries = store_.EnsureEntriesDirectory();
  if (!entries.ok()) {
    ReportError(QString::fromStdString(entries.message()));
    startedOk_ = false;
  }

  // The window's own buttons join the toolbar; spacer3 is listed twice, so its first slot
  // stays as an empty gap of its width.
  const int side = 20;
  for (QToolButton* b : {Deletebutton, DocPageBreakButton, ParagraphSetupButton, DocWordWrapButton})
    b->setFixedSize(side, side);
  for (TGraphicPanel* s : {spacer1, spacer2, spacer3, spacer4, spacer5, spacer6}) s->setFixedSize(3, side);
  for (QWidget* w :
       std::initializer_list<QWidget*>{Deletebutton, spacer1, DocPageBreakButton, spacer2,
                                       ParagraphSetupButton, spacer3, DocWordWrapButton, spacer3})
    WPToolBar2->AddControl(w);
  // Print, picture, symbol and icon-palette buttons (with spacer4 to spacer6 between them)
  // join with their features.

  SetWordWrapHint();
  WPToolBar2->FontSizeList()->setToolTip(QStringLiteral("Font Size"));
  WPToolBar2->FontNameList()->setToolTip(QStringLiteral("Font"));
  WPRichText1->setFrameShape(QFrame::NoFrame);

  FCurrentDate = QDate::currentDate();
  FHasEntry = false;
  FindDateRecord();
  LoadRichText();

  if (FShowOpeningMessage) FShowOpeningMessage = ShowOpeningMessage(this);
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
  WPRichText1->setFocus();
}

void TMainScreen::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

void TMainScreen::FormResize() {
  LayoutPage();
  WPRichText1->SetCaretPosition(0);
  WPRichText1->viewport()->update();
}

void TMainScreen::LayoutPage() {
  if (!RingPanel1) return;
  const int panelWidth = RingPanel1->width(), panelHeight = RingPanel1->height();
  const int left = RingPanel1->LeftEdge + 15;
  const int width = std::max(0, panelWidth - RingPanel1->LeftEdge - RingPanel1->RightEdge - 20);
  const int labelHeight = std::max(QFontMetrics(DateLabel->font()).height() + 2, 20);
  DateLabel->setGeometry(left, 8, width, labelHeight);
  TopLine->setGeometry(left, 28, width, 1);
  Bottomline->setGeometry(left, panelHeight - 20, width, 1);
  const int editorTop = 35;
  WPRichText1->setGeometry(left, editorTop, width, std::max(0, panelHeight - editorTop - 22));
  WPRuler1->SetLeftOffset(left);
}

bool TMainScreen::EditorHasFocus() const {
  QWidget* focus = QApplication::focusWidget();
  return focus && (focus == WPRichText1 || focus == WPRichText1->viewport());
}

bool TMainScreen::ApplicationKeyHook(QObject*, QEvent* e) {
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
  auto* k = static_cast<QKeyEvent*>(e);
  if (!(k->modifiers() & Qt::ControlModifier) || (k->key() != Qt::Key_S && k->key() != Qt::Key_A))
    return false;
  if (QApplication::activeWindow() != this || !WPRichText1->isVisible() || !EditorHasFocus()) return false;
  if (e->type() == QEvent::ShortcutOverride) {
    // Claim the key so that the menu's shortcut does not take it first.
    e->accept();
    return true;
  }
  if (k->key() == Qt::Key_S)
    SaveButtonClick();
  else
    WPRichText1->SelectAll();
  return true;
}

bool TMainScreen::eventFilter(QObject* watched, QEvent* e) {
  if (watched == RingPanel1 && e->type() == QEvent::Resize) {
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
