#include "app/print_dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QIconEngine>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/calendar_with_glyphs.h"
#include "app/date_selector.h"
#include "app/date_text.h"
#include "app/prompter.h"
#include "app/speed_button_glyphs.h"
#include "app/window_placement.h"

namespace inkwend {
namespace {

QString ShortDate(QDate d) { return FormatDate(QStringLiteral("ddddd"), d, SystemDateSettings()); }

QFrame* Panel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setGeometry(geometry);
  return panel;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

// A printer seen from the front: paper going in on top, the body, a sheet coming out.
class PrinterGlyph : public QIconEngine {
 public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const QColor ink = mode == QIcon::Disabled ? QColor(128, 128, 128) : QColor(0, 0, 0);
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    painter->setPen(QPen(ink, 1));
    painter->setBrush(Qt::white);
    painter->drawRect(QRectF(4.5, 1.5, 7, 4));  // paper in
    painter->setBrush(QColor(192, 192, 192));
    painter->drawRect(QRectF(1.5, 5.5, 13, 6));  // body
    painter->setBrush(Qt::white);
    painter->drawRect(QRectF(4.5, 9.5, 7, 5));  // sheet out
    painter->drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new PrinterGlyph; }
};

}  // namespace

// --- PrintOptions ---

PrintOptions::PrintOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PrintOptions"));
  setWindowTitle(QStringLiteral("Print Options"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(315, 279);
  printCurrentOnly_ = Radio(this, "PrintCurrentOnly", QStringLiteral("Print current entry only"),
                            QStringLiteral("Print only the currntly showing entry"), 10);
  printCurrentOnly_->setChecked(true);
  printAll_ = Radio(this, "PrintAll", QStringLiteral("Print all entries"),
                    QStringLiteral("Print all diary entries"), 30);
  printRangeOfDates_ =
      Radio(this, "PrintRangeOfDates", QStringLiteral("Print range of dates"),
            QStringLiteral("Print diary entries that fall between a starting \nand ending date"), 50);

  QFrame* dates = Panel(this, "Panel1", QRect(16, 76, 283, 86));
  dateEditLabel_ = Label(dates, "DateEditLabel", QStringLiteral("Starting Date"), QRect(10, 10, 80, 16));
  dateEditFrom_ = new QLineEdit(dates);
  dateEditFrom_->setObjectName(QStringLiteral("DateEditFrom"));
  dateEditFrom_->setGeometry(96, 7, 121, 22);
  dateEditFrom_->setToolTip(QStringLiteral("Print diary entries starting with this date"));
  calendarFrom_ = CalendarButton(dates, "CalendarFrom",
                                 QStringLiteral("Select the starting date from a calendar"), 222, 7);
  label1_ = Label(dates, "Label1", QStringLiteral("Ending Date"), QRect(10, 38, 80, 16));
  dateEditTo_ = new QLineEdit(dates);
  dateEditTo_->setObjectName(QStringLiteral("DateEditTo"));
  dateEditTo_->setGeometry(96, 35, 121, 22);
  dateEditTo_->setToolTip(QStringLiteral("Print diary entries up to and including this date"));
  calendarTo_ =
      CalendarButton(dates, "CalendarTo", QStringLiteral("Select the ending date from a calendar"), 222, 35);
  dateFormat_ =
      Label(dates, "DateFormat", QStringLiteral("(use: %1)").arg(SystemDateSettings().shortDateFormat),
            QRect(2, 64, 279, 16));
  dateFormat_->setAlignment(Qt::AlignCenter);

  QFrame* layout = Panel(this, "Panel2", QRect(16, 170, 283, 56));
  eachPageSeparate_ = Radio(layout, "EachPageSeparate", QStringLiteral("Print each page separately"),
                            QStringLiteral("Print each diary entry (day) on its own page"), 6);
  eachPageSeparate_->setChecked(true);
  mergePages_ =
      Radio(layout, "MergePages", QStringLiteral("Merge pages "),
            QStringLiteral("Print as many diary entries per page as possible to conserve paper"), 28);

  okButton_ = new QPushButton(QStringLiteral("Ok"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  okButton_->setDefault(true);
  okButton_->setGeometry(56, 240, 75, 25);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  cancel->setGeometry(184, 240, 75, 25);
  connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  for (QRadioButton* r : {printCurrentOnly_, printAll_, printRangeOfDates_})
    connect(r, &QRadioButton::toggled, this, [this] { SetButtons(); });
  for (QLineEdit* box : {dateEditFrom_, dateEditTo_}) {
    connect(box, &QLineEdit::textChanged, this, [this] { SetButtons(); });
    box->installEventFilter(this);
  }
  connect(calendarFrom_, &QToolButton::clicked, this, [this] { CalendarFromClick(dateEditFrom_); });
  connect(calendarTo_, &QToolButton::clicked, this, [this] { CalendarFromClick(dateEditTo_); });
}

QRadioButton* PrintOptions::Radio(QWidget* parent, const char* name, const QString& text, const QString& hint,
                                  int y) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(QString::fromLatin1(name));
  r->setToolTip(hint);
  r->setGeometry(parent == this ? 16 : 10, y, 260, 18);
  return r;
}

QToolButton* PrintOptions::CalendarButton(QWidget* parent, const char* name, const QString& hint, int x,
                                          int y) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(SpeedButtonGlyph(SpeedGlyph::Calendar));
  b->setToolTip(hint);
  b->setGeometry(x, y, 22, 22);
  return b;
}

void PrintOptions::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!firstActivation_) return;
  dateEditFrom_->setText(ShortDate(startDate.date()));
  dateEditTo_->setText(ShortDate(endDate.date()));
  SetButtons();
  firstActivation_ = false;
}

void PrintOptions::SetButtons() {
  const bool range = printRangeOfDates_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{dateEditFrom_, calendarFrom_, dateEditTo_, calendarTo_})
    w->setEnabled(range);
  const bool many = range || printAll_->isChecked();
  eachPageSeparate_->setEnabled(many);
  mergePages_->setEnabled(many);
  okButton_->setEnabled(!range || (IsValidDate(dateEditFrom_->text()) && IsValidDate(dateEditTo_->text())));
}

bool PrintOptions::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusOut && (watched == dateEditFrom_ || watched == dateEditTo_)) {
    // Only a move to another control of the dialog leaves the box; switching windows does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      DateEditFromExit(static_cast<QLineEdit*>(watched));
  }
  return QDialog::eventFilter(watched, e);
}

void PrintOptions::DateEditFromExit(QLineEdit* box) {
  const DateSettings& settings = SystemDateSettings();
  const QString text = box->text().toUpper();
  QDateTime when;
  if (text.isEmpty()) {
    // left as it is
  } else if (ParseDateText(text, settings, &when)) {
    box->setText(ShortDate(when.date()));
  } else {
    ShowMessageBox(QStringLiteral("Please use the date format %1\n   Example: %2")
                       .arg(settings.shortDateFormat, ShortDate(QDate::currentDate())),
                   QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Information);
    box->setText(ShortDate((box == dateEditFrom_ ? startDate : endDate).date()));
    box->setFocus();
  }
  SetButtons();
}

void PrintOptions::CalendarFromClick(QLineEdit* box) {
  DateSelector selector(this);
  QDateTime typed;
  selector.initialDate =
      ParseDateText(box->text(), SystemDateSettings(), &typed) ? typed : QDateTime::currentDateTime();
  selector.onGetEntryDays = onGetEntryDays;
  CenterForm(selector, this, false);
  if (CurrentPrompter().Exec(selector) != QDialog::Accepted) return;
  box->setText(ShortDate(selector.Calendar()->Date()));
}

void PrintOptions::OKButtonClick() {
  merged = mergePages_->isChecked();
  currentOnly = printCurrentOnly_->isChecked();
  all = printAll_->isChecked();
  if (printRangeOfDates_->isChecked()) {
    const DateSettings& settings = SystemDateSettings();
    ParseDateText(dateEditFrom_->text(), settings, &startDate);
    ParseDateText(dateEditTo_->text(), settings, &endDate);
  } else {
    endDate = startDate;
  }
  accept();
}

// --- PrintStatusForm ---

PrintStatusForm::PrintStatusForm(const DiarySession& session, QPrinter& printer, QWidget* parent)
    : QDialog(parent), session_(session), printer_(printer) {
  setObjectName(QStringLiteral("PrintStatusForm"));
  setWindowTitle(QStringLiteral("Print Status"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(307, 154);
  printerStatus_ = Label(this, "printerstatus", QStringLiteral("Printing"), QRect(24, 20, 259, 50));
  printerStatus_->setAlignment(Qt::AlignCenter);
  printerStatus_->setWordWrap(true);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
  cancelButton_->setGeometry(116, 100, 75, 25);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

void PrintStatusForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (started_) return;  // a second activation while open does nothing
  started_ = true;
  // Printing runs once the dialog is on the screen, so that it can show the day in progress.
  QMetaObject::invokeMethod(
      this, [this] { PrintNow(); }, Qt::QueuedConnection);
}

void PrintStatusForm::PrintNow() {
  started_ = true;
  DiaryPrintRun run;
  run.summary = &summary_;
  const DateSettings& settings = SystemDateSettings();
  run.headerText = [&settings](Date day) {
    return FormatDate(QStringLiteral("dddddd"), ToQDate(day), settings).toStdU32String();
  };
  run.headingText = [&settings](Date day) {
    return FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), ToQDate(day), settings).toStdU32String();
  };
  run.onDay = [this](Date day) {
    printerStatus_->setText(QStringLiteral("Printed ") + ShortDate(ToQDate(day)));
    QApplication::processEvents();
    return !cancelled_;
  };
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const inkwend::Status done =
      PrintRangeToPrinter(session_, ToDate(startDate), ToDate(endDate),
                          merged ? PrintMode::Merged : PrintMode::Separate, printer_, run);
  QApplication::restoreOverrideCursor();
  finished_ = true;
  if (!done.IsOk() && done.Code() != StatusCode::Cancelled) {
    QApplication::beep();
    printerStatus_->setText(QStringLiteral("Error - ") + QString::fromStdString(done.Message()) +
                            (summary_.failedDay
                                 ? QStringLiteral(" (%1)").arg(ShortDate(ToQDate(*summary_.failedDay)))
                                 : QString()));
  } else {
    printerStatus_->setText(cancelled_ ? QStringLiteral("Cancelled") : QStringLiteral("Completed"));
  }
  TurnIntoOk();
  ReportTrouble(done);
}

void PrintStatusForm::ReportTrouble(const inkwend::Status& /*done*/) {
  if (summary_.unreadable.empty() && summary_.damaged.empty()) return;
  QString text;
  for (const EntryTrouble& t : summary_.unreadable)
    text += QStringLiteral("The entry of %1 was not printed. %2\n")
                .arg(ShortDate(ToQDate(t.day)), QString::fromStdString(t.why.Message()));
  for (const EntryTrouble& t : summary_.damaged)
    text += QStringLiteral("The entry of %1 is damaged; what could be read was printed.\n")
                .arg(ShortDate(ToQDate(t.day)));
  ShowMessageBox(text.trimmed(), QStringLiteral("Inkwend"), QMessageBox::Ok, QMessageBox::Warning);
}

void PrintStatusForm::CancelButtonClick() {
  if (cancelButton_->text() == QStringLiteral("OK")) {
    accept();
    return;
  }
  cancelled_ = true;
  printerStatus_->setText(QStringLiteral("Cancelled"));
  TurnIntoOk();
}

void PrintStatusForm::TurnIntoOk() {
  cancelButton_->setText(QStringLiteral("OK"));
  cancelButton_->setDefault(true);
}

void PrintStatusForm::reject() {
  // Escape cancels while printing and closes once finished.
  if (!finished_) {
    if (!cancelled_) CancelButtonClick();
    return;
  }
  QDialog::reject();
}

QToolButton* CreatePrintButton(QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QStringLiteral("Printbutton"));
  b->setIcon(QIcon(new PrinterGlyph));
  b->setAutoRaise(true);
  b->setToolTip(QStringLiteral("Print diary entries"));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace inkwend
