// The shown day in the entry editor: finding, loading and saving its entry file, the default
// font of a day without entry, and the scratch editor of diary-wide work.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <exception>

#include "app/date_text.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "richtext/model/stream.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

Date ToStoreDate(QDate d) {
  return Date{std::chrono::year(d.year()), std::chrono::month(static_cast<unsigned>(d.month())),
              std::chrono::day(static_cast<unsigned>(d.day()))};
}

QDate FromStoreDate(Date d) {
  return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
               static_cast<int>(static_cast<unsigned>(d.day())));
}

// Entries are RTF. Anything else (the bytes of an entry enciphered with another password, or
// of a file that is not an entry) would only show as noise.
bool LooksLikeRtf(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size() &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\b'))
    ++i;
  return bytes.compare(i, 5, "{\\rtf") == 0;
}

// Loads RTF bytes into an editor; returns the editor's result code, or -1 with `error` set
// when the editor refused the document.
int LoadInto(TWPRichText& editor, std::string bytes, QString& error) {
  try {
    TMemoryStream stream(std::move(bytes));
    return editor.LoadFromStream(stream);
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  } catch (...) {
    error = QStringLiteral("unknown error");
  }
  editor.Clear();
  return -1;
}

}  // namespace

Date TMainScreen::StoreDate() const { return ToStoreDate(FCurrentDate); }

QString TMainScreen::GetCurrentDateFileName() const {
  return QString::fromStdString(store_.EntryPath(StoreDate()));
}

void TMainScreen::FindDateRecord() {
  FHasEntry = store_.HasEntry(StoreDate());
  SetDateCaption();
}

void TMainScreen::SetDateCaption() {
  DateLabel->setText(FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), FCurrentDate, SystemDateSettings()));
}

bool TMainScreen::LoadRichText() {
  FLoading = true;
  struct ClearLoading {
    bool& flag;
    ~ClearLoading() { flag = false; }
  } clearLoading{FLoading};

  entryLocked_ = false;
  entryDamaged_ = false;
  WPRichText1->SetReadOnly(false);
  WPRichText1->Clear();
  const bool giveFocus = !FFirstActivation;
  if (!FHasEntry) {
    SetDefaultFontNow();
    SaveButton->hide();
    CancelButton->hide();
    if (giveFocus) WPRichText1->setFocus();
    return true;
  }

  // Message boxes keep 255 characters: what the user must know comes first, the path last.
  const QString day = DateLabel->text();
  QString problem;  // why nothing of the entry can be shown
  std::string bytes;
  const Status read = store_.ReadEntry(StoreDate(), FPassword, bytes);
  if (!read.IsOk()) {
    problem = QString::fromStdString(read.Message());
  } else if (!LooksLikeRtf(bytes)) {
    problem = FPassword.empty()
                  ? QStringLiteral(
                        "Its file does not hold a diary entry (or it is enciphered and the diary has "
                        "no password).")
                  : QStringLiteral(
                        "It cannot be deciphered with the diary's password: it was enciphered with "
                        "another one, or the file is damaged.");
  } else {
    QString error;
    const int result = LoadInto(*WPRichText1, std::move(bytes), error);
    if (result == 7) {
      entryDamaged_ = true;
      ReportError(QStringLiteral("The entry of %1 is damaged; what could be read is shown. If you change and "
                                 "save it, the damaged file is kept beside it as %2.damaged.")
                      .arg(day, QFileInfo(GetCurrentDateFileName()).fileName()));
    } else if (result == 2) {
      problem = QStringLiteral("It is too large for the memory available.");
    } else if (result != 0) {
      problem = error.isEmpty() ? QStringLiteral("It is damaged: nothing of it could be read.") : error;
    }
  }
  if (!problem.isEmpty()) {
    // Nothing is shown, and the editor stays read-only so that the file is not saved over;
    // "Delete Entry" can still remove it.
    WPRichText1->Clear();
    entryLocked_ = true;
    WPRichText1->SetReadOnly(true);
    ReportError(QStringLiteral("The entry of %1 cannot be shown; its file is left as it is. %2\n%3")
                    .arg(day, problem, GetCurrentDateFileName()));
  }
  WPRichText1->SetCaretPosition(0);
  WPRichText1->viewport()->update();
  if (giveFocus) WPRichText1->setFocus();
  return problem.isEmpty();
}

bool TMainScreen::SaveRichText() {
  const QString day = DateLabel->text();
  const bool empty = WPRichText1->IsEmpty();
  if (empty && FHasEntry) {
    const Status removed = store_.RemoveEntry(StoreDate());
    if (!removed.IsOk()) {
      ReportError(QStringLiteral("The entry of %1 could not be deleted: %2")
                      .arg(day, QString::fromStdString(removed.Message())));
      return false;
    }
    FHasEntry = false;
    entryDamaged_ = false;
  } else if (FHasEntry || !empty) {
    TMemoryStream stream;
    const int result = WPRichText1->SaveToStream(stream);
    if (result != 0) {
      ReportError(QStringLiteral("The entry of %1 was not saved; your text is still in the editor. (The "
                                 "editor could not write it: error %2.)")
                      .arg(day)
                      .arg(result));
      return false;
    }
    if (entryDamaged_) {
      // The damaged original stays beside the new entry, once.
      const QString path = GetCurrentDateFileName();
      if (!QFile::exists(path + ".damaged")) QFile::copy(path, path + ".damaged");
    }
    const Status written = store_.WriteEntry(StoreDate(), stream.Bytes(), FPassword);
    if (!written.IsOk()) {
      ReportError(
          QStringLiteral("The entry of %1 was not saved; your text is still in the editor. Save again "
                         "once the cause is mended: %2")
              .arg(day, QString::fromStdString(written.Message())));
      return false;
    }
    FHasEntry = true;
    entryDamaged_ = false;
  }
  return true;
}

bool TMainScreen::LoadRichTextAllPurp(QString* error) {
  WPRichTextAllPurpose->Clear();
  if (!store_.HasEntry(StoreDate())) return true;
  std::string bytes;
  const Status read = store_.ReadEntry(StoreDate(), FPassword, bytes);
  QString problem;
  if (!read.IsOk()) {
    problem = QString::fromStdString(read.Message());
  } else if (!LooksLikeRtf(bytes)) {
    problem = QStringLiteral("the entry of %1 is not readable with the diary's password")
                  .arg(FormatDate(QStringLiteral("ddddd"), FCurrentDate, SystemDateSettings()));
  } else {
    QString loadError;
    const int result = LoadInto(*WPRichTextAllPurpose, std::move(bytes), loadError);
    if (result == 2 || result < 0)
      problem = loadError.isEmpty() ? QStringLiteral("out of memory") : loadError;
  }
  WPRichTextAllPurpose->SetCaretPosition(0);
  if (error) *error = problem;
  return problem.isEmpty();
}

QDate TMainScreen::FirstDiaryRecord() const {
  return FromStoreDate(store_.FirstDiaryRecord(ToStoreDate(QDate::currentDate())));
}

QDate TMainScreen::LastDiaryRecord() const {
  return FromStoreDate(store_.LastDiaryRecord(ToStoreDate(QDate::currentDate())));
}

void TMainScreen::SetDefaultFontNow() {
  // The empty document itself starts in the default font, so that the caret keeps it when it
  // moves (an empty paragraph gives the caret the attributes of its end).
  QFont defaultFont(FDefaultFontName);
  defaultFont.setPointSize(std::clamp(FDefaultFontSize, 1, 255));
  defaultFont.setBold(FDefaultFontBold);
  defaultFont.setItalic(FDefaultFontItalic);
  defaultFont.setUnderline(FDefaultFontUnderline);
  WPRichText1->SetFont(defaultFont);
  const int rgb = FDefaultFontColor < 0 ? 0 : FDefaultFontColor;
  WPRichText1->SetFontColor(QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
  if (WPRichText1->IsEmpty()) WPRichText1->Clear();

  TCharAttr a = WPRichText1->GetCurrentAttr();
  const int font = WPRichText1->FontIndexOf(FDefaultFontName);
  if (font >= 0) a.FontIndex = static_cast<uint8_t>(font);
  a.PointSize = static_cast<uint8_t>(std::clamp(FDefaultFontSize, 1, 255));
  if (FDefaultFontBold) a.StyleBits |= kStyleBold;
  if (FDefaultFontItalic) a.StyleBits |= kStyleItalic;
  if (FDefaultFontUnderline) a.StyleBits |= kStyleUnderline;
  int color = 0;
  for (int i = 0; i < 16; ++i)
    if (FDefaultFontColor >= 0 && WPRichText1->PaletteColor(i) == static_cast<TColorRef>(FDefaultFontColor))
      color = i;
  a.SetTextColor(static_cast<uint8_t>(color));
  WPRichText1->SetCurrentAttr(a);
}

}  // namespace inkwend
