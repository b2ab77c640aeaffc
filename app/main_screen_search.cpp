// The diary-wide search of the main window: "Find Any Entry Containing..." and "Find Next Entry
// Containing...". The walk itself is the engine's (operations/search); the window saves first,
// shows where the walk is, and shows the day it ends on with the text selected.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <optional>

#include "app/date_text.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/search_dialogs.h"
#include "app/window_placement.h"
#include "operations/search/diary_search.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

// The status window is brought up to date (and the message loop turned) at most this often, so
// that a walk over thousands of entries is not spent repainting.
constexpr qint64 kStatusIntervalMs = 100;

QDate ToQDate(Date d) {
  return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
               static_cast<int>(static_cast<unsigned>(d.day())));
}

Date ToDate(QDate d) {
  return Date{std::chrono::year(d.year()), std::chrono::month(static_cast<unsigned>(d.month())),
              std::chrono::day(static_cast<unsigned>(d.day()))};
}

QString ShortDate(Date d) { return FormatDate(QStringLiteral("ddddd"), ToQDate(d), SystemDateSettings()); }

}  // namespace

void MainScreen::mnuFindentrycontainingClick() {
  if (!SaveButtonClick()) return;
  const QDate shown = CurrentDate();
  LookForAll dialog(this);
  CenterForm(dialog, this, false);
  const int result = CurrentPrompter().Exec(dialog);
  const QString text = dialog.Text();
  if (result != QDialog::Accepted) return;
  // An empty text walks nothing: the outcome of the last search stands.
  if (!text.isEmpty()) {
    searchText = text;
    searchFound = false;
    SearchWalk(FirstDiaryRecord(), LastDiaryRecord());
  }
  EndSearch(shown);
}

void MainScreen::mnuFindNextBigClick() {
  if (!SaveButtonClick()) return;
  const QDate shown = CurrentDate();
  searchFound = false;
  // Always a later day: a second match in the shown entry is not another find.
  SearchWalk(shown.addDays(1), LastDiaryRecord());
  EndSearch(shown);
}

void MainScreen::SearchWalk(QDate from, QDate to) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool was_active = isActiveWindow();
  ConvertNotify notify(this);
  notify.SetWhatAmIdoing(QStringLiteral("Searching..."));
  notify.show();

  const std::u32string text = searchText.toStdU32String();
  DiarySearch search(session_, text);
  QElapsedTimer since_shown;
  search.onEntry = [&](Date day) {
    if (since_shown.isValid() && since_shown.elapsed() < kStatusIntervalMs) return;
    notify.SetStatus(QStringLiteral("Processing entry for ") + ShortDate(day));
    // Repaints only: the window's commands wait until the walk is over.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_shown.start();
  };
  QStringList unreadable;
  search.onUnreadable = [&](Date day, const Status& why) {
    const std::string key = DateKey(day);
    if (!searchUnreadableSaid_.insert(key).second) return;  // said once per day
    unreadable << ShortDate(day) + QStringLiteral(": ") + QString::fromStdString(why.Message());
  };
  const std::optional<SearchHit> hit = search.FindFirst(ToDate(from), ToDate(to));
  notify.hide();
  // Some desktops leave no window active once the status window goes: the keyboard comes back.
  if (was_active && !isActiveWindow()) activateWindow();
  QApplication::restoreOverrideCursor();
  if (hit) {
    searchFound = true;
    SetCurrentDate(ToQDate(hit->day));
  }
  if (!unreadable.isEmpty()) {
    ReportError(QStringLiteral("These entries could not be searched; their files are left as they are:\n") +
                unreadable.join('\n'));
  }
}

void MainScreen::EndSearch(QDate shown) {
  findNextBigItem_->setEnabled(searchFound);
  if (!searchFound) {
    SetCurrentDate(shown);
    ShowInformation(QStringLiteral("No matches"));
  }
  FindDateRecord();
  LoadRichText();
  // The main editor's own find options (set by its find dialog) select the match.
  if (searchFound) entryEditor_->FindText(searchText);
}

}  // namespace inkwend
