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
#include "platform/program_directory.h"
#include "richtext/toolbar/paragraph_dlg.h"
#include "richtext/toolbar/wp_rich_text_link.h"
#include "richtext/widgets/wp_rich_text.h"
#include "store/ini_file.h"
#include "store/preferences.h"

namespace inkwend {

bool TMainScreen::Modified() const { return !SaveButton->isHidden(); }

void TMainScreen::WPRichText1Change() {
  // Loading fills the editor without changing the entry; a read-only editor holds an entry
  // that could not be read, which must not be saved over.
  if (FLoading || WPRichText1->ReadOnly()) return;
  SaveButton->show();
  CancelButton->show();
}

bool TMainScreen::SaveButtonClick() {
  if (!Modified()) return true;
  if (!SaveRichText()) return false;
  SaveButton->hide();
  CancelButton->hide();
  return true;
}

void TMainScreen::CancelButtonClick() {
  LoadRichText();
  SaveButton->hide();
  CancelButton->hide();
}

void TMainScreen::DeleteButtonClick() {
  if (!AskConfirm(QStringLiteral("Delete this entry?"))) return;
  // Emptied and modified: the next save removes the file, Cancel brings the entry back. An
  // entry that could not be read may be deleted too.
  entryLocked_ = false;
  WPRichText1->SetReadOnly(false);
  WPRichText1->Clear();
  WPRichText1->Changed();
}

void TMainScreen::GoToDate(QDate date) {
  // A modified day is saved without a question; when that fails the day stays shown.
  if (!SaveButtonClick()) return;
  FCurrentDate = date;
  FindDateRecord();
  LoadRichText();
}

void TMainScreen::NextbuttonClick() { GoToDate(FCurrentDate.addDays(1)); }
void TMainScreen::PriorButtonClick() { GoToDate(FCurrentDate.addDays(-1)); }
void TMainScreen::FirstButtonClick() {
  if (!SaveButtonClick()) return;
  GoToDate(FirstDiaryRecord());
}
void TMainScreen::LastButtonClick() {
  if (!SaveButtonClick()) return;
  GoToDate(LastDiaryRecord());
}
void TMainScreen::BitBtn1Click() { GoToDate(QDate::currentDate()); }

void TMainScreen::HidebuttonClick() { showMinimized(); }

void TMainScreen::ExitClick() {
  if (!SaveButtonClick()) return;
  close();
}

void TMainScreen::InsertTodaysDate() {
  if (WPRichText1->ReadOnly()) return;
  WPRichText1->InsertText(FormatDate(QStringLiteral("ddddd"), QDate::currentDate(), SystemDateSettings()) +
                          ' ');
  WPRichText1->Reformat();
}

void TMainScreen::InsertCurrentTime() {
  if (WPRichText1->ReadOnly()) return;
  WPRichText1->InsertText(
      FormatDateTime(QStringLiteral("t"), QDateTime::currentDateTime(), SystemDateSettings()) + ' ');
  WPRichText1->Reformat();
}

void TMainScreen::SetWordWrapHint() {
  DocWordWrapButton->setToolTip(WrapTextItem->isChecked() ? QStringLiteral("Toggle word wrap off")
                                                          : QStringLiteral("Toggle word wrap on"));
}

void TMainScreen::WordWrapClick() {
  WrapTextItem->setChecked(!WrapTextItem->isChecked());
  WPRichText1->SetWordWrap(WrapTextItem->isChecked());
  SetWordWrapHint();
  WPRichText1->viewport()->update();
}

void TMainScreen::InsertPageBreak() {
  if (WPRichText1->ReadOnly()) return;
  EditController& doc = WPRichText1->Memo();
  // At the start of a paragraph the page-break key toggles that paragraph's break; one that
  // already breaks keeps it.
  const TParPos at = doc.CaretPos();
  if (at.Offset == 0 && at.Par && (at.Par->ParFlags & kParPageBreak)) return;
  doc.SetCurrentAttr(WPRichText1->GetCurrentAttr());
  doc.InputChar(kKeyPageBreak, true);
  WPRichText1->Changed();
  WPRichText1->Reformat();
}

void TMainScreen::ParagraphSetupClick() {
  if (WPRichText1->ReadOnly()) return;
  TParagraphPropDlg dialog(this);
  dialog.SetEditor(link_);
  if (ExecDialog(dialog) == QDialog::Accepted) {
    WPRichText1->Changed();
    link_->EditorStateChanged();
  }
  WPRichText1->setFocus();
}

void TMainScreen::ChangeDefaultFont() {
  LoadPreferences();
  DefaultFontdialog->Build();
  if (ExecDialog(*DefaultFontdialog) == QDialog::Accepted)
    SavePreferences();
  else
    LoadPreferences();  // the dialog is the working copy: a cancelled choice must not be saved later
}

void TMainScreen::SetButtons() {
  // An entry that could not be read stays read-only, so that typing cannot replace its file.
  WPRichText1->SetReadOnly(entryLocked_);
  SaveButton->hide();
  CancelButton->hide();
  // The icon palette's button caption follows the palette once it exists.
}

void TMainScreen::LoadPreferences() {
  IniFile ini;
  const Status loaded = IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (!loaded.ok()) ReportError(QString::fromStdString(loaded.message()));
  const QRect g = geometry();
  const Preferences p = inkwend::LoadPreferences(ini, ProgramDirectory().toStdString(),
                                                 {g.left(), g.top(), g.right() + 1, g.bottom() + 1});
  FPassword = p.password;
  FDefaultFontName = QString::fromStdString(p.defaultFontName);
  FDefaultFontSize = p.defaultFontSize;
  FDefaultFontBold = p.defaultFontBold;
  FDefaultFontItalic = p.defaultFontItalic;
  FDefaultFontUnderline = p.defaultFontUnderline;
  FDefaultFontColor = p.defaultFontColor;
  FShowOpeningMessage = p.showOpeningMessage;
  DefaultFontdialog->SetFont(DefaultFontOf(FDefaultFontName, FDefaultFontSize, FDefaultFontBold,
                                           FDefaultFontItalic, FDefaultFontUnderline));
  DefaultFontdialog->SetColorValue(FDefaultFontColor);
  FIconFile = QString::fromStdString(p.iconFile);
  FPaletteVisible = p.paletteVisible;
  FPaletteTop = p.paletteTop;
  FPaletteLeft = p.paletteLeft;
}

void TMainScreen::SavePreferences() {
  // The dialog is the working copy of the default font.
  const QFont font = DefaultFontdialog->Font();
  FDefaultFontName = font.family();
  FDefaultFontSize = font.pointSize();
  FDefaultFontBold = font.bold();
  FDefaultFontItalic = font.italic();
  FDefaultFontUnderline = font.underline();
  FDefaultFontColor = DefaultFontdialog->ColorValue();

  Preferences p;
  p.password = FPassword;
  p.defaultFontName = FDefaultFontName.toStdString();
  p.defaultFontSize = FDefaultFontSize;
  p.defaultFontBold = FDefaultFontBold;
  p.defaultFontItalic = FDefaultFontItalic;
  p.defaultFontUnderline = FDefaultFontUnderline;
  p.defaultFontColor = FDefaultFontColor;
  p.showOpeningMessage = FShowOpeningMessage;
  p.paletteVisible = FPaletteVisible;
  p.iconFile = FIconFile.toStdString();
  p.paletteTop = FPaletteTop;
  p.paletteLeft = FPaletteLeft;

  IniFile ini;
  Status s = IniFile::Load(SettingsFilePath().toStdString(), ini);
  if (s.ok()) s = inkwend::SavePreferences(ini, p);
  if (s.ok()) s = ini.Save(SettingsFilePath().toStdString());
  if (!s.ok()) ReportError(QString::fromStdString(s.message()));
}

}  // namespace inkwend
