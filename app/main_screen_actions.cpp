// The main window's commands: save, cancel, delete, moving between days, inserting text and
// page breaks, word wrap, the paragraph and default-font dialogs, and the preferences.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QPushButton>
#include <QToolButton>

#include "app/date_text.h"
#include "app/default_font_dialog.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "richtext/toolbar/paragraph_dlg.h"
#include "richtext/toolbar/wp_rich_text_link.h"
#include "richtext/widgets/wp_rich_text.h"
#include "store/preferences.h"

namespace inkwend {

bool MainScreen::Modified() const { return session_.Modified(); }

void MainScreen::ShowModified(bool modified) {
  session_.SetModified(modified);
  saveButton_->setVisible(modified);
  cancelButton_->setVisible(modified);
  if (spellCheckItem_) UpdateSpellCheckShortcut(modified);
}

void MainScreen::WPRichText1Change() {
  // Loading fills the editor without changing the entry; a read-only editor holds an entry
  // that could not be read, which must not be saved over.
  if (loading || entryEditor_->ReadOnly()) return;
  ShowModified(true);
  ScheduleRecoveryCopy();
}

bool MainScreen::SaveButtonClick() {
  if (!Modified()) return true;
  if (!SaveRichText()) return false;
  ShowModified(false);
  DiscardRecoveryCopy();
  return true;
}

void MainScreen::CancelButtonClick() {
  LoadRichText();
  ShowModified(false);
  DiscardRecoveryCopy();
}

void MainScreen::DeleteButtonClick() {
  if (!AskConfirm(QStringLiteral("Delete this entry?"))) return;
  // Emptied and modified: the next save removes the file, Cancel brings the entry back. An
  // entry that could not be read may be deleted too.
  session_.AllowRemoval();
  entryEditor_->SetReadOnly(false);
  entryEditor_->Clear();
  entryEditor_->Changed();
}

void MainScreen::GoToDate(QDate date) {
  // A modified day is saved without a question; when that fails the day stays shown.
  if (!SaveButtonClick()) return;
  DiscardRecoveryCopy();
  SetCurrentDate(date);
  FindDateRecord();
  LoadRichText();
}

void MainScreen::NextbuttonClick() { GoToDay(session_.NextDay()); }
void MainScreen::PriorButtonClick() { GoToDay(session_.PreviousDay()); }
void MainScreen::FirstButtonClick() {
  if (!SaveButtonClick()) return;
  GoToDate(FirstDiaryRecord());
}
void MainScreen::LastButtonClick() {
  if (!SaveButtonClick()) return;
  GoToDate(LastDiaryRecord());
}
void MainScreen::BitBtn1Click() { GoToDate(QDate::currentDate()); }

void MainScreen::HidebuttonClick() { showMinimized(); }

void MainScreen::ExitClick() {
  if (!SaveButtonClick()) return;
  close();
}

void MainScreen::InsertTodaysDate() {
  if (entryEditor_->ReadOnly()) return;
  entryEditor_->InsertText(FormatDate(QStringLiteral("ddddd"), QDate::currentDate(), SystemDateSettings()) +
                           ' ');
  entryEditor_->Reformat();
}

void MainScreen::InsertCurrentTime() {
  if (entryEditor_->ReadOnly()) return;
  entryEditor_->InsertText(
      FormatDateTime(QStringLiteral("t"), QDateTime::currentDateTime(), SystemDateSettings()) + ' ');
  entryEditor_->Reformat();
}

void MainScreen::SetWordWrapHint() {
  wordWrapButton_->setToolTip(wrapTextItem_->isChecked() ? QStringLiteral("Toggle word wrap off")
                                                         : QStringLiteral("Toggle word wrap on"));
}

void MainScreen::WordWrapClick() {
  wrapTextItem_->setChecked(!wrapTextItem_->isChecked());
  entryEditor_->SetWordWrap(wrapTextItem_->isChecked());
  SetWordWrapHint();
  entryEditor_->viewport()->update();
}

void MainScreen::InsertPageBreak() {
  if (entryEditor_->ReadOnly()) return;
  // A new empty paragraph after the caret's one, breaking the page before it and written in the
  // attribute at the caret; the text around the caret stays whole. An empty entry's only
  // paragraph is taken for it and starts no page (nothing stands before it).
  ParagraphDescription page_break;
  page_break.charAttr = entryEditor_->GetCurrentAttr();
  page_break.pageBreak = true;
  entryEditor_->AppendParagraph(page_break);
  entryEditor_->Changed();
  entryEditor_->Reformat();
}

void MainScreen::ParagraphSetupClick() {
  if (entryEditor_->ReadOnly()) return;
  ParagraphPropDlg dialog(this);
  dialog.SetEditor(link_);
  if (ExecDialog(dialog) == QDialog::Accepted) {
    entryEditor_->Changed();
    link_->EditorStateChanged();
  }
  entryEditor_->setFocus();
}

void MainScreen::ChangeDefaultFont() {
  LoadPreferences();
  defaultFontDialog_->Build();
  if (ExecDialog(*defaultFontDialog_) == QDialog::Accepted)
    SavePreferences();
  else
    LoadPreferences();  // the dialog is the working copy: a cancelled choice must not be saved later
}

void MainScreen::SetButtons() {
  // An entry that could not be read stays read-only, so that typing cannot replace its file.
  entryEditor_->SetReadOnly(session_.EntryLocked());
  UpdateUndoItems();
  ShowModified(false);
  SetIconToolCaption();
}

void MainScreen::LoadPreferences() {
  const QRect g = geometry();
  const Status loaded = session_.LoadPreferences({g.left(), g.top(), g.right() + 1, g.bottom() + 1});
  if (!loaded.IsOk()) ReportError(QString::fromStdString(loaded.Message()));
  const Preferences& p = session_.GetPreferences();
  defaultFontDialog_->SetFont(DefaultFontOf(QString::fromStdString(p.defaultFontName), p.defaultFontSize,
                                            p.defaultFontBold, p.defaultFontItalic, p.defaultFontUnderline));
  defaultFontDialog_->SetColorValue(p.defaultFontColor);
}

void MainScreen::SavePreferences() {
  // The dialog is the working copy of the default font.
  const QFont font = defaultFontDialog_->Font();
  Preferences& p = session_.MutablePreferences();
  p.defaultFontName = font.family().toStdString();
  p.defaultFontSize = font.pointSize();
  p.defaultFontBold = font.bold();
  p.defaultFontItalic = font.italic();
  p.defaultFontUnderline = font.underline();
  p.defaultFontColor = defaultFontDialog_->ColorValue();
  KeepPalettePreferences(p);
  const Status saved = session_.SavePreferences();
  if (!saved.IsOk()) ReportError(QString::fromStdString(saved.Message()));
}

}  // namespace inkwend
