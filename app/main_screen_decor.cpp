// The main window's decorations: pictures from files (the image browser), symbols and emoji
// (the symbol picker), and the floating icon palette with the icons dropped from it.
#include <QApplication>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>

#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/speed_button_glyphs.h"
#include "controls/graphic_panel.h"
#include "decor/floating_palette.h"
#include "decor/icon_list_box.h"
#include "decor/image_browser.h"
#include "decor/symbol_picker.h"
#include "platform/program_directory.h"
#include "platform/qt_picture_decoder.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

namespace {

QToolButton* DecorButton(QWidget* parent, const char* name, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(20, 20);
  b->hide();
  return b;
}

// BonusIcons/ in the diary's folder and beside the program.
QStringList BonusDirectories() {
  QStringList directories = {ProgramDirectory() + QStringLiteral("BonusIcons")};
  for (const QString& candidate : ShippedFileCandidates(QStringLiteral("BonusIcons"))) {
    if (!directories.contains(candidate)) directories << candidate;
  }
  QStringList existing;
  for (const QString& directory : directories) {
    if (QFileInfo(directory).isDir()) existing << directory;
  }
  return existing;
}

void Inform(const QString& text) { ShowInformation(text); }

}  // namespace

void MainScreen::CreateDecorations() {
  pasteGraphicButton_ =
      DecorButton(this, "PasteGraphicButton", QStringLiteral("Paste an image into the text"));
  pasteGraphicButton_->setIcon(SpeedButtonGlyph(SpeedGlyph::Picture));
  symbolPickerButton_ =
      DecorButton(this, "SymbolPickerButton", QStringLiteral("Paste a symbol into the text"));
  symbolPickerButton_->setIcon(SpeedButtonGlyph(SpeedGlyph::Symbol));
  showHideIconTool_ = DecorButton(this, "ShowHideIconTool", QStringLiteral("Show/hide the icon palette"));
  showHideIconTool_->setText(QStringLiteral("Show Icon Tool"));
  showHideIconTool_->setFixedSize(96, 20);
  connect(pasteGraphicButton_, &QToolButton::clicked, this, [this] { PasteGraphicButtonClick(); });
  connect(symbolPickerButton_, &QToolButton::clicked, this, [this] { SymbolPickerButtonClick(); });
  connect(showHideIconTool_, &QToolButton::clicked, this, [this] { ShowHideIconToolClick(); });
  for (QWidget* w : std::initializer_list<QWidget*>{spacers_[3], pasteGraphicButton_, spacers_[4],
                                                    symbolPickerButton_, spacers_[5], showHideIconTool_})
    toolBar_->AddControl(w);

  palette_ = new FloatingPalette(this, BonusDirectories());
  palette_->onInformation = Inform;
  palette_->onHide = [this] { SetIconToolCaption(); };
  entryEditor_->onDragOver = [this](WPRichText&, QDragMoveEvent* e) { return WPRichText1DragOver(e); };
  entryEditor_->onDragDrop = [this](WPRichText&, QDropEvent* e) { return WPRichText1DragDrop(e); };
}

void MainScreen::ShowPaletteAsSaved() {
  const Preferences& p = session_.GetPreferences();
  palette_->move(p.paletteLeft, p.paletteTop);
  // A shipped set named as the diary's own ("icons/misc1.icl", the default) is the shipped copy
  // when the diary's folder has none.
  QString saved = QString::fromStdString(p.iconFile);
  const QString own_sets = ProgramDirectory() + QStringLiteral("icons/");
  if (!QFileInfo(saved).isFile() && saved.startsWith(own_sets, Qt::CaseInsensitive))
    saved = FloatingPalette::SetFile(QStringLiteral("icons/") + saved.mid(own_sets.size()));
  palette_->CheckCurrentSet(saved);
  palette_->setVisible(p.paletteVisible);
  SetIconToolCaption();
}

void MainScreen::KeepPalettePreferences(Preferences& preferences) const {
  // Until the first activation places the palette, the settings read are still the truth.
  if (!palette_ || firstActivation) return;
  preferences.paletteVisible = palette_->isVisible();
  preferences.iconFile = palette_->IconList()->FileName().toStdString();
  preferences.paletteTop = palette_->y();
  preferences.paletteLeft = palette_->x();
}

void MainScreen::SetIconToolCaption() {
  if (palette_ && showHideIconTool_)
    showHideIconTool_->setText(palette_->isVisible() ? QStringLiteral("Hide Icon Tool")
                                                     : QStringLiteral("Show Icon Tool"));
}

void MainScreen::ShowHideIconToolClick() {
  Preferences& p = session_.MutablePreferences();
  p.paletteVisible = !palette_->isVisible();
  palette_->setVisible(p.paletteVisible);
  SetButtons();
}

void MainScreen::PasteGraphicButtonClick() {
  ImageBrowser browser(this);
  browser.onError = [](const QString& text) {
    ShowMessageBox(text, QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
  };
  if (ExecDialog(browser) != QDialog::Accepted) return;
  if (browser.InsertInto(*entryEditor_) != 0) entryEditor_->Changed();
}

void MainScreen::SymbolPickerButtonClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SymbolPicker picker(this, Inform);
  QApplication::restoreOverrideCursor();
  if (!picker.NoFonts() && ExecDialog(picker) == QDialog::Accepted) {
    picker.InsertInto(*entryEditor_);
    QApplication::processEvents();
  }
}

namespace {

// The icon list a drag comes from: its source, or the palette's list when the drag carries an
// icon but its source is not known (a drag some other way than with this program's mouse).
IconListBox* IconSource(const QDropEvent* e, FloatingPalette* palette) {
  if (auto* list = qobject_cast<IconListBox*>(e->source())) return list;
  return palette && e->mimeData()->hasFormat(QString::fromLatin1(IconListBox::kIconMimeType))
             ? palette->IconList()
             : nullptr;
}

}  // namespace

bool MainScreen::WPRichText1DragOver(QDragMoveEvent* e) const { return IconSource(e, palette_) != nullptr; }

bool MainScreen::WPRichText1DragDrop(QDropEvent* e) {
  IconListBox* list = IconSource(e, palette_);
  if (!list) return false;
  e->acceptProposedAction();
  const int selected = list->currentRow();
  const std::optional<QImage> icon = selected < 0 ? std::nullopt : list->GetIcon(selected);
  if (!icon || icon->isNull()) return true;
  // The icon's transparent parts become white; it goes where the caret is, not under the mouse.
  QImage on_white(icon->size(), QImage::Format_RGB32);
  on_white.fill(Qt::white);
  QPainter(&on_white).drawImage(0, 0, *icon);
  QApplication::processEvents();
  if (entryEditor_->InsertGraphic(on_white) != 0) entryEditor_->Changed();
  return true;
}

}  // namespace inkwend
