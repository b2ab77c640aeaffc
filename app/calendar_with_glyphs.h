#pragma once
// CalendarWithGlyphs: a month grid of 7 columns by 7 rows. Row 0 holds the short day names,
// rows 1 to 6 the days of the month, the week starting on Sunday; the first of the month stands
// in row 1 under its weekday. A day is chosen by a click or the arrow keys (empty cells and the
// header are not selectable). Day cells are drawn by DrawCalendarCellEvent when it is set, so
// that the opener can put marks on them; everything is painted in logical pixels, so it stays
// sharp at any screen scale.
#include <QDateTime>
#include <QWidget>
#include <functional>

namespace inkwend {

class CalendarWithGlyphs : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kColumns = 7;
  static constexpr int kRows = 7;

  explicit CalendarWithGlyphs(QWidget* parent = nullptr);

  // The grid's date with its time of day (kept through every step).
  QDateTime CalendarDate() const { return date_; }
  QDate Date() const { return date_.date(); }
  // Shows the date; fires `changed` even when the value is the same.
  void SetCalendarDate(const QDateTime& when);

  // Month and year steps. A month step keeps the day, clamped to the target month's length; a
  // year step from 29 February goes to the 28th first.
  void PrevMonth();
  void NextMonth();
  void PrevYear();
  void NextYear();

  // The text of a cell ("" for an empty one): a short day name in row 0, a day number below.
  QString CellText(int column, int row) const;
  QRect CellRect(int column, int row) const;
  // The cell of a day of the shown month.
  QPoint CellOfDay(int day) const;

  // Draws a day cell instead of the grid (the background is already filled): painter, cell
  // rectangle, cell text.
  std::function<void(QPainter&, const QRect&, const QString&)> drawCalendarCellEvent;

 signals:
  void changed();
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // Column of the first of the shown month (Sunday = 0).
  int FirstColumn() const;
  // The day in a cell, or 0 for the header and empty cells.
  int DayAt(int column, int row) const;
  void SelectDay(int day);
  // Selects the day under a point of the widget; the header and empty cells select nothing.
  void SelectDayAt(QPoint p);
  void StepTo(QDate day);

  QDateTime date_;
};

}  // namespace inkwend
