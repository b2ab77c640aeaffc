// The diary-wide search of the main window: "Find Any Entry Containing...", "Find Next Entry
// Containing..." and "Show All Entries Containing...". The walk itself is the engine's
// (operations/search); the window saves first, shows where the walk is, and shows the day it
// ends on with the text selected.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <optional>

#include "app/date_text.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/search_dialogs.h"
#include "app/search_results.h"
#include "app/window_placement.h"
#include "operations/search/diary_search.h"
#include "richtext/model/paragraph.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

// The status window is brought up to date (and the message loop turned) at most this often, so
// that a walk over thousands of entries is not spent repainting.
constexpr qint64 kStatusIntervalMs = 100;

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

void MainScreen::mnuShowAllClick() {
  if (!SaveButtonClick()) return;
  LookForAll dialog(this);
  CenterForm(dialog, this, false);
  const int result = CurrentPrompter().Exec(dialog);
  const QString text = dialog.Text();
  if (result != QDialog::Accepted || text.isEmpty()) return;

  if (searchResults_) searchResults_->close();  // one list at a time
  auto* results = new SearchResults(text, this);
  searchResults_ = results;
  results->onShowRow = [this](const SearchResultRow& row) {
    ShowSearchMatch(row.day, row.paragraph, row.offset, row.length);
  };
  results->show();

  QApplication::setOverrideCursor(Qt::WaitCursor);
  DiarySearch search(session_, text.toStdU32String());
  QElapsedTimer since_shown;
  const auto turn = [&](Date day) {
    if (since_shown.isValid() && since_shown.elapsed() < kStatusIntervalMs) return;
    results->SetStatus(QStringLiteral("Searching... ") + ShortDate(day));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_shown.start();
  };
  search.onEntry = turn;
  QStringList unreadable;
  search.onUnreadable = [&](Date day, const Status& why) {
    unreadable << ShortDate(day) + QStringLiteral(": ") + QString::fromStdString(why.Message());
  };
  search.FindAll(ToDate(FirstDiaryRecord()), ToDate(LastDiaryRecord()), [&](const SearchHit& hit) {
    results->AddRow(SearchResultRow{ToQDate(hit.day), hit.where.paragraph, hit.where.offset, hit.where.length,
                                    hit.where.context, hit.where.contextMatch});
    return true;
  });
  QApplication::restoreOverrideCursor();
  const int count = static_cast<int>(results->Rows().size());
  results->SetStatus(count == 0   ? QStringLiteral("No matches")
                     : count == 1 ? QStringLiteral("1 entry")
                                  : QStringLiteral("%1 entries").arg(count));
  if (!unreadable.isEmpty()) {
    ReportError(QStringLiteral("These entries could not be searched; their files are left as they are:\n") +
                unreadable.join('\n'));
  }
}

void MainScreen::ShowSearchMatch(QDate day, int paragraph, int offset, int length) {
  if (day != CurrentDate()) {
    GoToDate(day);
    if (CurrentDate() != day) return;  // the shown day could not be saved
  }
  // Positions count one place for each paragraph end before the match.
  int64_t position = 0;
  const Paragraph* p = entryEditor_->Memo().Document().FirstParagraph();
  for (int i = 0; i < paragraph && p; ++i, p = p->next) position += p->CharCount() + 1;
  if (!p || offset + length > p->CharCount()) return;  // the entry changed since the walk
  entryEditor_->SelectRange(position + offset, position + offset + length);
}

}  // namespace inkwend
