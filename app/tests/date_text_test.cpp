#include "app/date_text.h"

#include <QtTest>

using namespace inkwend;

class DateTextTest : public QObject {
  Q_OBJECT
 private slots:
  void ensureFourDigitYear_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two") << "M/d/yy"
                         << "M/d/yyyy";
    QTest::newRow("four") << "dd.MM.yyyy"
                          << "dd.MM.yyyy";
    QTest::newRow("none") << "d/M"
                          << "d/M/YYYY";
    QTest::newRow("three") << "yyy-MM-dd"
                           << "yyyy-MM-dd";
    QTest::newRow("one") << "d.M.y"
                         << "d.M.yyyy";
    QTest::newRow("upper") << "YY/MM/DD"
                           << "YYYY/MM/DD";
    QTest::newRow("first run") << "yy 'x' y"
                               << "yyyy 'x' y";
    QTest::newRow("five") << "yyyyy"
                          << "yyyyy";
  }
  void ensureFourDigitYear() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(EnsureFourDigitYear(format, '/'), expected);
  }

  void formatsUnderFixedLocales() {
    const QDate date(1997, 3, 2);
    const DateSettings us = DateSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(FormatDate("dddd, mmmm d, yyyy", date, us), QString("Sunday, March 2, 1997"));
    QCOMPARE(FormatDate("yyyymmdd", date, us), QString("19970302"));
    QCOMPARE(FormatDate("ddddd", date, us), QString("3/2/1997"));
    QCOMPARE(FormatDateTime("t", QDateTime(date, QTime(14, 5)), us),
             us.locale.toString(QTime(14, 5), us.shortTimeFormat));

    const DateSettings de = DateSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(FormatDate("dddd, mmmm d, yyyy", date, de), QString("Sonntag, März 2, 1997"));
    QCOMPARE(FormatDate("ddddd", date, de), QString("02.03.1997"));
    QCOMPARE(FormatDate("dddddd", date, de), de.locale.toString(date, de.longDateFormat));
  }

  void shortDateWithoutYear() {
    DateSettings no_year = DateSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    no_year.shortDateFormat = EnsureFourDigitYear("dd.MM", '.').replace('Y', 'y');
    QCOMPARE(no_year.shortDateFormat, QString("dd.MM.yyyy"));
    QCOMPARE(FormatDate("ddddd", QDate(2024, 2, 29), no_year), QString("29.02.2024"));
  }

  void isValidDate_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("us") << "en_US"
                        << "3/2/1997" << true;
    QTest::newRow("us time") << "en_US"
                             << "3/2/1997 2:05 PM" << true;
    QTest::newRow("us 24h") << "en_US"
                            << "3/2/1997 14:05:09" << true;
    QTest::newRow("us no year") << "en_US"
                                << "12/31" << true;
    QTest::newRow("us 29 feb") << "en_US"
                               << "2/29/2024" << true;
    QTest::newRow("us 30 feb") << "en_US"
                               << "2/30/2024" << false;
    QTest::newRow("us dmy order") << "en_US"
                                  << "31/12/2024" << false;
    QTest::newRow("us bad time") << "en_US"
                                 << "3/2/1997 25:00" << false;
    QTest::newRow("empty") << "en_US"
                           << "" << false;
    QTest::newRow("words") << "en_US"
                           << "tomorrow" << false;
    QTest::newRow("de") << "de_DE"
                        << "31.12.2024" << true;
    QTest::newRow("de two digit") << "de_DE"
                                  << "31.12.24" << true;
    QTest::newRow("de wrong sep") << "de_DE"
                                  << "31/12/2024" << false;
    QTest::newRow("de month 13") << "de_DE"
                                 << "1.13.2024" << false;
    // Locales whose short date names the month: the boxes show dates that way and read them back.
    QTest::newRow("c month name") << "C"
                                  << "10 Dec 2026" << true;
    QTest::newRow("c 30 feb") << "C"
                              << "30 Feb 2024" << false;
    QTest::newRow("c no month") << "C"
                                << "10 Foo 2026" << false;
  }
  // What a date box shows is read back as the same day, in every locale's own short format.
  void shownDatesReadBack() {
    for (const char* name : {"C", "en_US", "de_DE", "fr_FR", "ja_JP"}) {
      const DateSettings s = DateSettings::FromLocale(QLocale(QString::fromLatin1(name)));
      const QDate day(2026, 12, 10);
      const QString shown = FormatDate(QStringLiteral("ddddd"), day, s);
      QDateTime read;
      QVERIFY2(ParseDateText(shown, s, &read), qPrintable(QStringLiteral("%1: %2").arg(name, shown)));
      QCOMPARE(read.date(), day);
    }
  }
  void isValidDate() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidDate(text, DateSettings::FromLocale(QLocale(locale))), valid);
  }
};

QTEST_MAIN(DateTextTest)
#include "date_text_test.moc"
