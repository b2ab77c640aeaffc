// The shown day in the entry editor: finding, loading and saving its entry through the diary
// session, the default font of a day without entry, and the scratch editor of diary-wide work.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <exception>
#include <new>

#include "app/date_text.h"
#include "app/editor_rtf_reader.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "richtext/model/stream.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

// The editor's load result as a Status: Damaged keeps what could be read in the editor; every
// other failure leaves it empty.
Status LoadResultStatus(int result) {
  switch (result) {
    case kResultOk:
      return Status::Ok();
    case kResultOutOfMemory:
      return Status::Error(StatusCode::OutOfMemory, "It is too large for the memory available.");
    case kResultStreamError:
      return Status::Damaged("It is damaged; what could be read is kept.", Damage{});
    default:  // kResultNothingToWrite: not even the start of a document was read
      return Status::Error(StatusCode::Refused, "It is damaged: nothing of it could be read.");
  }
}

}  // namespace

RtfWriter WriterFor(WPRichText& editor) {
  return [&editor]() -> Result<std::string> {
    MemoryStream stream;
    const int result = editor.SaveToStream(stream);
    if (result != kResultOk) return Status::Error("error " + std::to_string(result));
    return stream.Bytes();
  };
}

// The one way an entry's RTF gets into an editor (the entry editor or the scratch editor).
RtfReader ReaderFor(WPRichText& editor) {
  return [&editor](std::string rtf) {
    Status status;
    try {
      MemoryStream stream(std::move(rtf));
      status = LoadResultStatus(editor.LoadFromStream(stream));
    } catch (const std::bad_alloc&) {
      status = LoadResultStatus(kResultOutOfMemory);
    } catch (const std::exception& e) {
      status = Status::Error(StatusCode::IoError, e.what());
    } catch (...) {
      status = Status::Error(StatusCode::IoError, "unknown error");
    }
    if (!status.IsOk() && status.Code() != StatusCode::Damaged) editor.Clear();
    return status;
  };
}

QDate MainScreen::CurrentDate() const { return ToQDate(session_.CurrentDate()); }

void MainScreen::SetCurrentDate(QDate date) { session_.SetCurrentDate(ToDate(date)); }

void MainScreen::GoToDay(const Result<Date>& day) {
  if (day.IsOk()) GoToDate(ToQDate(day.Value()));
}

QString MainScreen::GetCurrentDateFileName() const { return QString::fromStdString(session_.EntryPath()); }

void MainScreen::FindDateRecord() {
  session_.FindEntry();
  SetDateCaption();
}

void MainScreen::SetDateCaption() {
  dateLabel_->setText(FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), CurrentDate(), SystemDateSettings()));
}

bool MainScreen::LoadRichText() {
  loading = true;
  struct ClearLoading {
    bool& flag;
    ~ClearLoading() { flag = false; }
  } clear_loading{loading};

  entryEditor_->SetReadOnly(false);
  entryEditor_->Clear();
  const bool give_focus = !firstActivation;
  const Status shown = session_.Load(ReaderFor(*entryEditor_));
  if (!session_.HasEntry()) {
    SetDefaultFontNow();
    ShowModified(false);
    if (give_focus) entryEditor_->setFocus();
    return true;
  }

  // Message boxes keep 255 characters: what the user must know comes first, the path last.
  const QString day = dateLabel_->text();
  if (shown.Code() == StatusCode::Damaged) {
    ReportError(QStringLiteral("The entry of %1 is damaged; what could be read is shown. If you change and "
                               "save it, the damaged file is kept beside it as %2.")
                    .arg(day, QFileInfo(QString::fromStdString(session_.DamagedCopyPath())).fileName()));
  } else if (!shown.IsOk()) {
    // Nothing is shown, and the editor stays read-only so that the file is not saved over;
    // "Delete Entry" can still remove it.
    entryEditor_->Clear();
    entryEditor_->SetReadOnly(true);
    ReportError(QStringLiteral("The entry of %1 cannot be shown; its file is left as it is. %2\n%3")
                    .arg(day, QString::fromStdString(shown.Message()), GetCurrentDateFileName()));
  }
  entryEditor_->SetCaretPosition(0);
  entryEditor_->viewport()->update();
  if (give_focus) entryEditor_->setFocus();
  return !session_.EntryLocked();
}

bool MainScreen::SaveRichText() {
  WPRichText& editor = *entryEditor_;
  const Status saved = session_.Save(WriterFor(editor), editor.IsEmpty());
  if (!saved.IsOk()) {
    ReportError(QStringLiteral("The entry of %1 %2")
                    .arg(dateLabel_->text(), QString::fromStdString(saved.Message())));
    return false;
  }
  return true;
}

bool MainScreen::LoadRichTextAllPurp(QString* error) {
  scratchEditor_->Clear();
  const Status read = session_.LoadDay(session_.CurrentDate(), ReaderFor(*scratchEditor_));
  // What could be read of a damaged entry is there to be searched or printed.
  const bool usable = read.IsOk() || read.Code() == StatusCode::Damaged;
  scratchEditor_->SetCaretPosition(0);
  if (error) {
    *error = usable ? QString()
                    : QStringLiteral("The entry of %1 cannot be read. %2")
                          .arg(FormatDate(QStringLiteral("ddddd"), CurrentDate(), SystemDateSettings()),
                               QString::fromStdString(read.Message()));
  }
  return usable;
}

QDate MainScreen::FirstDiaryRecord() const {
  return ToQDate(session_.FirstEntryDay(ToDate(QDate::currentDate())).Value());
}

QDate MainScreen::LastDiaryRecord() const {
  return ToQDate(session_.LastEntryDay(ToDate(QDate::currentDate())).Value());
}

void MainScreen::SetDefaultFontNow() {
  const Preferences& p = session_.GetPreferences();
  const QString font_name = QString::fromStdString(p.defaultFontName);
  // The empty document itself starts in the default font, so that the caret keeps it when it
  // moves (an empty paragraph gives the caret the attributes of its end).
  QFont default_font(font_name);
  default_font.setPointSize(std::clamp(p.defaultFontSize, 1, 255));
  default_font.setBold(p.defaultFontBold);
  default_font.setItalic(p.defaultFontItalic);
  default_font.setUnderline(p.defaultFontUnderline);
  entryEditor_->SetFont(default_font);
  const int rgb = p.defaultFontColor < 0 ? 0 : p.defaultFontColor;
  entryEditor_->SetFontColor(QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
  if (entryEditor_->IsEmpty()) entryEditor_->Clear();

  CharAttr a = entryEditor_->GetCurrentAttr();
  const int font = entryEditor_->FontIndexOf(font_name);
  if (font >= 0) a.fontIndex = static_cast<uint8_t>(font);
  a.pointSize = static_cast<uint8_t>(std::clamp(p.defaultFontSize, 1, 255));
  if (p.defaultFontBold) a.styleBits |= kStyleBold;
  if (p.defaultFontItalic) a.styleBits |= kStyleItalic;
  if (p.defaultFontUnderline) a.styleBits |= kStyleUnderline;
  int color = 0;
  for (int i = 0; i < 16; ++i)
    if (p.defaultFontColor >= 0 && entryEditor_->PaletteColor(i) == static_cast<ColorRef>(p.defaultFontColor))
      color = i;
  a.SetTextColor(static_cast<uint8_t>(color));
  entryEditor_->SetCurrentAttr(a);
}

}  // namespace inkwend
