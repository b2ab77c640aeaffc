#include "app/date_selector.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/calendar_with_glyphs.h"
#include "app/date_text.h"

namespace inkwend {
namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 303;
constexpr int kMarkSide = 8;

}  // namespace

DateSelector::DateSelector(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DateSelector"));
  setWindowTitle(QStringLiteral("Select Date"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(kClientWidth, kClientHeight);

  showDatePanel_ = new QLabel(this);
  showDatePanel_->setObjectName(QStringLiteral("ShowDatePanel"));
  showDatePanel_->setGeometry(0, 0, kClientWidth, 25);
  showDatePanel_->setAlignment(Qt::AlignCenter);
  showDatePanel_->setFrameShape(QFrame::Panel);
  showDatePanel_->setFrameShadow(QFrame::Raised);
  QFont caption_font(QStringLiteral("Arial"), 10);
  caption_font.setBold(true);
  showDatePanel_->setFont(caption_font);
  QPalette caption_palette = showDatePanel_->palette();
  caption_palette.setColor(QPalette::WindowText, Qt::black);
  showDatePanel_->setPalette(caption_palette);

  calendar_ = new CalendarWithGlyphs(this);
  calendar_->setObjectName(QStringLiteral("Calendar"));
  calendar_->setGeometry(22, 33, 316, 187);
  calendar_->drawCalendarCellEvent = [this](QPainter& painter, const QRect& cell, const QString& text) {
    CalendarDrawCalendarCellEvent(painter, cell, text);
  };
  connect(calendar_, &CalendarWithGlyphs::changed, this, [this] { CalendarChange(); });
  connect(calendar_, &CalendarWithGlyphs::doubleClicked, this, [this] { accept(); });

  const int step_top = 230;
  const int step_width = 60;
  const int step_gap = 4;
  int x = 22;
  auto place = [&](QPushButton* b) {
    b->setGeometry(x, step_top, step_width, 25);
    x += step_width + step_gap;
  };
  QPushButton* prev_year =
      StepButton("PrevYear", QStringLiteral("Year-"), QStringLiteral("Show the previous year"));
  QPushButton* prev_month =
      StepButton("PrevMonth", QStringLiteral("Month-"), QStringLiteral("Show the previous month"));
  QPushButton* today =
      StepButton("DoCurrentDate", QStringLiteral("Today"), QStringLiteral("Show today's date"));
  QPushButton* next_month =
      StepButton("NextMonth", QStringLiteral("Month +"), QStringLiteral("Show the next month"));
  QPushButton* next_year =
      StepButton("NextYear", QStringLiteral("Year+"), QStringLiteral("Show the next year"));
  for (QPushButton* b : {prev_year, prev_month, today, next_month, next_year}) place(b);
  connect(prev_year, &QPushButton::clicked, calendar_, &CalendarWithGlyphs::PrevYear);
  connect(prev_month, &QPushButton::clicked, calendar_, &CalendarWithGlyphs::PrevMonth);
  connect(today, &QPushButton::clicked, this,
          [this] { calendar_->SetCalendarDate(QDateTime::currentDateTime()); });
  connect(next_month, &QPushButton::clicked, calendar_, &CalendarWithGlyphs::NextMonth);
  connect(next_year, &QPushButton::clicked, calendar_, &CalendarWithGlyphs::NextYear);

  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  ok->setGeometry(22, 266, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  cancel->setGeometry(kClientWidth - 22 - 75, 266, 75, 25);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);  // Escape rejects as well
  calendar_->setFocus();
}

QPushButton* DateSelector::StepButton(const char* name, const QString& caption, const QString& hint) {
  auto* b = new QPushButton(caption, this);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(hint);
  b->setAutoDefault(false);  // Enter is OK wherever the focus is
  return b;
}

void DateSelector::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (initialising_) FormActivate();
}

void DateSelector::FormActivate() {
  calendar_->SetCalendarDate(initialDate);
  initialising_ = false;
  CalendarChange();
  calendar_->setFocus();
}

void DateSelector::CalendarChange() {
  if (initialising_) return;
  selectedDate_ = calendar_->CalendarDate();
  showDatePanel_->setText(
      FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), selectedDate_.date(), SystemDateSettings()));
  const QDate d = selectedDate_.date();
  if (d.month() != lastMonth_ || d.year() != lastYear_) {
    if (onGetEntryDays) onGetEntryDays(entryDays_, d.year(), d.month());
    calendar_->update();
  }
  lastMonth_ = d.month();
  lastYear_ = d.year();
}

void DateSelector::CalendarDrawCalendarCellEvent(QPainter& painter, const QRect& cell,
                                                 const QString& text) const {
  if (text.size() > 2) return;
  // The day number at the top right; the cell keeps its background (the selection highlight).
  painter.fillRect(cell, painter.brush());
  const int text_width = painter.fontMetrics().horizontalAdvance(text);
  painter.drawText(QPoint(cell.right() + 1 - text_width, cell.top() + painter.fontMetrics().ascent()), text);
  if (!entryDays_.contains(text)) return;
  const int left = cell.left() + (cell.width() - 6) / 2;
  const int top = cell.top() + (cell.height() - kMarkSide) / 2 - 2;
  painter.setPen(Qt::NoPen);
  painter.fillRect(QRect(left, top, kMarkSide, kMarkSide), QColor(255, 0, 0));
  painter.setBrush(Qt::white);
}

}  // namespace inkwend
