#pragma once
// Date texts as the diary shows them, from patterns in the classic form:
//   d dd ddd dddd  day, two-digit day, short and long day name
//   ddddd dddddd   the locale's short date (four-digit year) and long date
//   m mm mmm mmmm  month, two-digit month, short and long month name (minutes after h)
//   yy yyyy        year;  h hh n nn s ss  time;  t  the locale's short time
//   /  :           the locale's date and time separators;  "..." '...'  literal text
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <chrono>

namespace inkwend {

// Makes a short date format show four-digit years: extends the first run of year letters to
// four, or appends the date separator and "YYYY" when there is none.
QString EnsureFourDigitYear(const QString& format, QChar date_separator);

// What date texts are made from: the system locale's formats and names, or fixed ones in tests.
struct DateSettings {
  QLocale locale;
  QString shortDateFormat;  // Qt pattern, four-digit year (see EnsureFourDigitYear)
  QString longDateFormat;   // Qt pattern
  QString shortTimeFormat;  // Qt pattern
  QChar dateSeparator;
  QChar timeSeparator;

  static DateSettings FromLocale(const QLocale& locale);
};

// The settings of the system locale, computed once.
const DateSettings& SystemDateSettings();

QString FormatDateTime(const QString& pattern, const QDateTime& when, const DateSettings& settings);
inline QString FormatDate(const QString& pattern, QDate date, const DateSettings& settings) {
  return FormatDateTime(pattern, QDateTime(date, QTime(0, 0)), settings);
}

// Reads a date typed in the locale's short date order (day, month and year numbers separated
// by the date separator, the year optional), optionally followed by a time.
bool ParseDateText(const QString& text, const DateSettings& settings, QDateTime* result);
// true when the text converts to a date, optionally followed by a time.
bool IsValidDate(const QString& text, const DateSettings& settings = SystemDateSettings());

// The store's days (std::chrono::year_month_day) as Qt's dates, and back.
inline QDate ToQDate(std::chrono::year_month_day d) {
  return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
               static_cast<int>(static_cast<unsigned>(d.day())));
}
inline std::chrono::year_month_day ToDate(QDate d) {
  return {std::chrono::year(d.year()), std::chrono::month(static_cast<unsigned>(d.month())),
          std::chrono::day(static_cast<unsigned>(d.day()))};
}

}  // namespace inkwend
