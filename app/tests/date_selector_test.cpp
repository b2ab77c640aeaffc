// The "Select Date" dialog driven by keys and clicks, and the main window's calendar button.
#include "app/date_selector.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include "app/calendar_with_glyphs.h"
#include "app/date_text.h"
#include "app/tests/diary_window.h"

using namespace inkwend;
using inkwend::testing::DiaryWindow;

namespace {

// The dialog on a date, with a provider that marks `marked` and counts its calls.
struct Selector {
  DateSelector dialog;
  QStringList marked;
  int scans = 0;
  explicit Selector(QDate start, QStringList marked_days = {}) : marked(std::move(marked_days)) {
    dialog.initialDate = QDateTime(start, QTime(15, 30));
    dialog.onGetEntryDays = [this](QStringList& days, int, int) {
      ++scans;
      days = marked;
    };
    dialog.show();
  }
  CalendarWithGlyphs* calendar() const { return dialog.Calendar(); }
  QString caption() const { return dialog.findChild<QLabel*>(QStringLiteral("ShowDatePanel"))->text(); }
  void click(const char* name) const {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
  }
  QPoint cellCentre(int column, int row) const { return calendar()->CellRect(column, row).center(); }
  void clickDay(int day) const {
    const QPoint cell = calendar()->CellOfDay(day);
    QTest::mouseClick(calendar(), Qt::LeftButton, {}, cellCentre(cell.x(), cell.y()));
  }
};

QString Caption(QDate d) { return FormatDate(QStringLiteral("dddd, mmmm d, yyyy"), d, SystemDateSettings()); }

}  // namespace

class DateSelectorTest : public QObject {
  Q_OBJECT
 private slots:
  void opensOnTheInitialDateWithoutMarksInAnEmptyMonth() {
    Selector s(QDate(1997, 3, 2));
    QCOMPARE(s.dialog.windowTitle(), QStringLiteral("Select Date"));
    QCOMPARE(s.caption(), Caption(QDate(1997, 3, 2)));
    QCOMPARE(s.dialog.SelectedDate(), QDateTime(QDate(1997, 3, 2), QTime(15, 30)));
    QCOMPARE(s.scans, 1);
    QVERIFY(s.dialog.EntryDays().isEmpty());
  }

  void gridPlacesTheFirstUnderItsWeekday() {
    // 1 March 2003 was a Saturday: row 1 holds only that day; 1 June 2003 a Sunday.
    Selector s(QDate(2003, 3, 15));
    for (int column = 0; column < 6; ++column) QCOMPARE(s.calendar()->CellText(column, 1), QString());
    QCOMPARE(s.calendar()->CellText(6, 1), QStringLiteral("1"));
    QCOMPARE(s.calendar()->CellText(0, 2), QStringLiteral("2"));
    QCOMPARE(s.calendar()->CellText(1, 6), QStringLiteral("31"));
    QCOMPARE(s.calendar()->CellText(0, 0), QLocale().dayName(7, QLocale::ShortFormat));  // Sunday first
    s.calendar()->SetCalendarDate(QDateTime(QDate(2003, 6, 1), QTime()));
    QCOMPARE(s.calendar()->CellText(0, 1), QStringLiteral("1"));
  }

  void stepsClampToTheTargetMonth_data() {
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("Month+ from 31 January") << QDate(2001, 1, 31) << "NextMonth" << QDate(2001, 2, 28);
    QTest::newRow("Month+ from 31 January, leap year")
        << QDate(2000, 1, 31) << "NextMonth" << QDate(2000, 2, 29);
    QTest::newRow("Month- from 31 March") << QDate(2001, 3, 31) << "PrevMonth" << QDate(2001, 2, 28);
    QTest::newRow("Month- across the year") << QDate(2001, 1, 15) << "PrevMonth" << QDate(2000, 12, 15);
    QTest::newRow("Year+ from 29 February") << QDate(2000, 2, 29) << "NextYear" << QDate(2001, 2, 28);
    QTest::newRow("Year- from 29 February") << QDate(2000, 2, 29) << "PrevYear" << QDate(1999, 2, 28);
    QTest::newRow("Year+ from 28 February") << QDate(2003, 2, 28) << "NextYear" << QDate(2004, 2, 28);
    QTest::newRow("Year- at the diary's first year") << QDate(1, 6, 1) << "PrevYear" << QDate(1, 6, 1);
  }
  void stepsClampToTheTargetMonth() {
    QFETCH(QDate, start);
    QFETCH(QString, button);
    QFETCH(QDate, expected);
    Selector s(start);
    s.click(button.toLatin1().constData());
    QCOMPARE(s.calendar()->Date(), expected);
    QCOMPARE(s.caption(), Caption(expected));
    QCOMPARE(s.dialog.SelectedDate().time(), QTime(15, 30));  // the time of day stays
  }

  void entryDaysAreAskedForOnlyWhenTheMonthChanges() {
    Selector s(QDate(2024, 5, 10), {QStringLiteral("3")});
    QCOMPARE(s.scans, 1);
    s.clickDay(20);
    QCOMPARE(s.calendar()->Date(), QDate(2024, 5, 20));
    QCOMPARE(s.caption(), Caption(QDate(2024, 5, 20)));
    QCOMPARE(s.scans, 1);
    QTest::keyClick(s.calendar(), Qt::Key_Right);
    QCOMPARE(s.calendar()->Date(), QDate(2024, 5, 21));
    QCOMPARE(s.scans, 1);
    s.click("NextMonth");
    QCOMPARE(s.scans, 2);
    s.click("NextYear");
    QCOMPARE(s.scans, 3);
  }

  void arrowKeysStayOnDaysOfTheMonth() {
    Selector s(QDate(2024, 5, 1));
    QTest::keyClick(s.calendar(), Qt::Key_Left);
    QTest::keyClick(s.calendar(), Qt::Key_Up);
    QCOMPARE(s.calendar()->Date(), QDate(2024, 5, 1));
    QTest::keyClick(s.calendar(), Qt::Key_Down);
    QCOMPARE(s.calendar()->Date(), QDate(2024, 5, 8));
    // Clicks on the header and on empty cells select nothing.
    QTest::mouseClick(s.calendar(), Qt::LeftButton, {}, s.cellCentre(3, 0));
    QTest::mouseClick(s.calendar(), Qt::LeftButton, {}, s.cellCentre(0, 1));  // before Wednesday the 1st
    QCOMPARE(s.calendar()->Date(), QDate(2024, 5, 8));
  }

  void todayKeepsTheTimeOfDay() {
    Selector s(QDate(1990, 1, 1));
    const QDateTime before = QDateTime::currentDateTime();
    s.click("DoCurrentDate");
    const QDateTime chosen = s.dialog.SelectedDate();
    QCOMPARE(chosen.date(), QDate::currentDate());
    QVERIFY(chosen >= before.addSecs(-1) && chosen <= QDateTime::currentDateTime());
  }

  void doubleClickAnywhereIsOk() {
    Selector header(QDate(2024, 5, 10));
    QTest::mouseDClick(header.calendar(), Qt::LeftButton, {}, header.cellCentre(2, 0));
    QCOMPARE(header.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(header.dialog.SelectedDate().date(), QDate(2024, 5, 10));

    Selector day(QDate(2024, 5, 10));
    const QPoint cell = day.calendar()->CellOfDay(17);
    QTest::mouseDClick(day.calendar(), Qt::LeftButton, {}, day.cellCentre(cell.x(), cell.y()));
    QCOMPARE(day.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(day.dialog.SelectedDate().date(), QDate(2024, 5, 17));
  }

  void enterIsOkAndEscapeIsCancel() {
    Selector ok(QDate(2024, 5, 10));
    QTest::keyClick(ok.calendar(), Qt::Key_Return);
    QCOMPARE(ok.dialog.result(), int(QDialog::Accepted));
    QVERIFY(!ok.dialog.isVisible());
    Selector cancel(QDate(2024, 5, 10));
    QTest::keyClick(cancel.calendar(), Qt::Key_Escape);
    QCOMPARE(cancel.dialog.result(), int(QDialog::Rejected));
  }

  void marksStandWhereTheyShouldAndStaySharpWhenScaled() {
    Selector s(QDate(2024, 5, 10), {QStringLiteral("3")});
    for (const qreal scale : {1.0, 2.0}) {
      QImage image(s.calendar()->size() * scale, QImage::Format_RGB32);
      image.setDevicePixelRatio(scale);
      image.fill(Qt::white);
      s.calendar()->render(&image);
      const auto red = [&](int x, int y) {
        return image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale)) ==
               QColor(255, 0, 0);
      };
      for (const int day : {3, 4}) {
        const QPoint at = s.calendar()->CellOfDay(day);
        const QRect cell = s.calendar()->CellRect(at.x(), at.y());
        const int left = cell.left() + (cell.width() - 6) / 2;
        const int top = cell.top() + (cell.height() - 8) / 2 - 2;
        const bool marked = day == 3;
        QCOMPARE(red(left, top), marked);
        QCOMPARE(red(left + 7, top + 7), marked);
        QVERIFY(!red(left - 1, top));
        QVERIFY(!red(left + 8, top + 7));
        QVERIFY(!red(left, top + 8));
      }
    }
  }

  void calendarButtonSavesFirstAndGoesToTheChosenDay() {
    DiaryWindow d;
    const QDate entry_day(2024, 5, 3);
    d.writeEntry(entry_day, "{\\rtf1\\ansi written before\\par }");
    const QDate start(2024, 5, 10);
    d.show(start);
    d.type("unsaved");
    QStringList marks;
    d.prompter.script = [&](QDialog& dialog) {
      auto& selector = static_cast<DateSelector&>(dialog);
      marks = selector.EntryDays();
      QCOMPARE(selector.SelectedDate().date(), start);
      QTest::keyClick(selector.Calendar(), Qt::Key_Up);  // to 3 May
      QTest::keyClick(selector.Calendar(), Qt::Key_Return);
    };
    QTest::mouseClick(d.button("CalendarButton"), Qt::LeftButton);
    QCOMPARE(d.prompter.dialogs, QStringList{QStringLiteral("Select Date")});
    QVERIFY(d.fileBytes(start).contains("unsaved"));  // saved before the calendar looked
    QCOMPARE(marks, (QStringList{QStringLiteral("3"), QStringLiteral("10")}));
    QCOMPARE(d.window->CurrentDate(), entry_day);
    QVERIFY(d.window->Session().HasEntry());

    // Cancel changes nothing.
    d.prompter.script = [](QDialog& dialog) {
      QTest::keyClick(static_cast<DateSelector&>(dialog).Calendar(), Qt::Key_Right);
      QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    d.action("SelectDateItem")->trigger();
    QCOMPARE(d.window->CurrentDate(), entry_day);
  }
};

QTEST_MAIN(DateSelectorTest)
#include "date_selector_test.moc"
