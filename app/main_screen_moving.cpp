// The main window's date selector: going to any day through the month calendar.
#include <QStringList>

#include "app/date_selector.h"
#include "app/main_screen.h"
#include "app/prompter.h"
#include "app/window_placement.h"

namespace inkwend {

void MainScreen::GetEntryDays(QStringList& days, int year, int month) const {
  days.clear();
  if (month < 1 || month > 12 || year < 1 || year > 9999) return;
  for (int day : session_.Store().EntryDays(year, static_cast<unsigned>(month))) days << QString::number(day);
}

void MainScreen::CalendarButtonClick() {
  // The day shown is saved before the calendar looks at the diary's files.
  if (!SaveButtonClick()) return;
  DateSelector selector(this);
  selector.initialDate = QDateTime(CurrentDate(), QTime(0, 0));
  selector.onGetEntryDays = [this](QStringList& days, int year, int month) {
    GetEntryDays(days, year, month);
  };
  CenterForm(selector, this, false);
  if (CurrentPrompter().Exec(selector) != QDialog::Accepted) return;
  GoToDate(selector.SelectedDate().date());
}

}  // namespace inkwend
