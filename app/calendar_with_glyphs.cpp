#include "app/calendar_with_glyphs.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace inkwend {

CalendarWithGlyphs::CalendarWithGlyphs(QWidget* parent)
    : QWidget(parent), date_(QDateTime::currentDateTime()) {
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void CalendarWithGlyphs::SetCalendarDate(const QDateTime& when) {
  date_ = when;
  update();
  emit changed();
}

void CalendarWithGlyphs::StepTo(QDate day) {
  // Entry files name years 1 to 9999 only; the grid does not step beyond them.
  if (day.isValid() && day.year() >= 1 && day.year() <= 9999) SetCalendarDate(QDateTime(day, date_.time()));
}

void CalendarWithGlyphs::PrevMonth() { StepTo(date_.date().addMonths(-1)); }
void CalendarWithGlyphs::NextMonth() { StepTo(date_.date().addMonths(1)); }

void CalendarWithGlyphs::PrevYear() {
  QDate d = date_.date();
  if (d.month() == 2 && d.day() == 29) d = QDate(d.year(), 2, 28);
  StepTo(d.addYears(-1));
}

void CalendarWithGlyphs::NextYear() {
  QDate d = date_.date();
  if (d.month() == 2 && d.day() == 29) d = QDate(d.year(), 2, 28);
  StepTo(d.addYears(1));
}

int CalendarWithGlyphs::FirstColumn() const {
  const QDate first(date_.date().year(), date_.date().month(), 1);
  return first.dayOfWeek() % 7;  // Qt counts Monday = 1 ... Sunday = 7
}

int CalendarWithGlyphs::DayAt(int column, int row) const {
  if (row < 1 || row >= kRows || column < 0 || column >= kColumns) return 0;
  const int day = (row - 1) * kColumns + column - FirstColumn() + 1;
  return day >= 1 && day <= date_.date().daysInMonth() ? day : 0;
}

QPoint CalendarWithGlyphs::CellOfDay(int day) const {
  const int index = FirstColumn() + day - 1;
  return {index % kColumns, index / kColumns + 1};
}

QString CalendarWithGlyphs::CellText(int column, int row) const {
  if (row == 0) {
    // Sunday first; Qt numbers the days Monday = 1 ... Sunday = 7.
    const int qt_day = column == 0 ? 7 : column;
    return QLocale().dayName(qt_day, QLocale::ShortFormat);
  }
  const int day = DayAt(column, row);
  return day ? QString::number(day) : QString();
}

QRect CalendarWithGlyphs::CellRect(int column, int row) const {
  // Integer cell edges that share their borders, so the grid fills the widget without gaps.
  const int left = column * width() / kColumns;
  const int top = row * height() / kRows;
  const int right = (column + 1) * width() / kColumns;
  const int bottom = (row + 1) * height() / kRows;
  return {left, top, right - left, bottom - top};
}

void CalendarWithGlyphs::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int selected = date_.date().day();
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const QRect cell = CellRect(column, row);
      const QString text = CellText(column, row);
      const bool is_selected = row > 0 && DayAt(column, row) == selected;
      const QColor background = is_selected ? palette().color(QPalette::Highlight) : QColor(Qt::white);
      painter.fillRect(cell, background);
      painter.setBrush(background);
      painter.setPen(is_selected ? palette().color(QPalette::HighlightedText) : QColor(Qt::black));
      if (row > 0 && !text.isEmpty() && text[0].isDigit() && drawCalendarCellEvent) {
        painter.save();
        drawCalendarCellEvent(painter, cell, text);
        painter.restore();
      } else {
        painter.drawText(cell, Qt::AlignCenter, text);
      }
    }
  }
  if (hasFocus()) {
    const QPoint at = CellOfDay(selected);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(CellRect(at.x(), at.y()).adjusted(1, 1, -2, -2));
  }
}

void CalendarWithGlyphs::SelectDay(int day) {
  const QDate d = date_.date();
  SetCalendarDate(QDateTime(QDate(d.year(), d.month(), day), date_.time()));
}

void CalendarWithGlyphs::SelectDayAt(QPoint p) {
  if (width() <= 0 || height() <= 0) return;
  const int column = p.x() * kColumns / width();
  const int row = p.y() * kRows / height();
  const int day = DayAt(column, row);
  if (day) SelectDay(day);
}

void CalendarWithGlyphs::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) SelectDayAt(e->position().toPoint());
}

void CalendarWithGlyphs::mouseDoubleClickEvent(QMouseEvent* e) {
  // A double-click anywhere confirms, on the day its first click chose (some platforms send
  // the double-click without that press, so the day is chosen here too).
  if (e->button() != Qt::LeftButton) return;
  SelectDayAt(e->position().toPoint());
  emit doubleClicked();
}

void CalendarWithGlyphs::keyPressEvent(QKeyEvent* e) {
  int step = 0;
  switch (e->key()) {
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Right:
      step = 1;
      break;
    case Qt::Key_Up:
      step = -kColumns;
      break;
    case Qt::Key_Down:
      step = kColumns;
      break;
    default:
      QWidget::keyPressEvent(e);
      return;
  }
  // The selection moves only onto day cells of the shown month.
  const int day = date_.date().day() + step;
  if (day >= 1 && day <= date_.date().daysInMonth()) SelectDay(day);
  e->accept();
}

}  // namespace inkwend
