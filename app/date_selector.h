#pragma once
// DateSelector: the modal "Select Date" dialog. A month grid marks with a small red square every
// day that has an entry, a panel on top spells out the chosen date, and buttons step by month and
// year. The dialog does not know where entries live: the opener hands it onGetEntryDays, which
// lists the days of a month that have one. The list is asked for only when the shown month or
// year changes.
//
//   DateSelector selector(this);
//   selector.initialDate = QDateTime(day, QTime());
//   selector.onGetEntryDays = [&](QStringList& days, int year, int month) { ... };
//   if (CurrentPrompter().Exec(selector) == QDialog::Accepted) Use(selector.Calendar()->Date());
#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QPainter;
class QPushButton;

namespace inkwend {

class CalendarWithGlyphs;

class DateSelector : public QDialog {
  Q_OBJECT
 public:
  explicit DateSelector(QWidget* parent = nullptr);

  // Shown when the dialog first appears.
  QDateTime initialDate = QDateTime::currentDateTime();
  // Empties the list and adds the day numbers ("1" to "31") of that month that have entries.
  std::function<void(QStringList& days, int year, int month)> onGetEntryDays;

  CalendarWithGlyphs* Calendar() const { return calendar_; }
  QDateTime SelectedDate() const { return selectedDate_; }
  const QStringList& EntryDays() const { return entryDays_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void FormActivate();
  void CalendarChange();
  void CalendarDrawCalendarCellEvent(QPainter& painter, const QRect& cell, const QString& text) const;
  QPushButton* StepButton(const char* name, const QString& caption, const QString& hint);

  CalendarWithGlyphs* calendar_ = nullptr;
  QLabel* showDatePanel_ = nullptr;
  QDateTime selectedDate_;
  QStringList entryDays_;
  int lastMonth_ = -1;
  int lastYear_ = -1;
  // From creation to the first showing: changes of the grid's default date are not shown.
  bool initialising_ = true;
};

}  // namespace inkwend
