#include "app/date_text.h"

#include <QRegularExpression>
#include <QStringList>

namespace inkwend {
namespace {

bool IsYearLetter(QChar c) { return c == 'y' || c == 'Y'; }

// The first run of exactly `length` year letters (longer runs do not count), or -1.
int FindYearRun(const QString& f, int length) {
  for (int i = 0; i < f.size();) {
    if (!IsYearLetter(f[i])) {
      ++i;
      continue;
    }
    int end = i;
    while (end < f.size() && IsYearLetter(f[end])) ++end;
    if (end - i == length) return i;
    i = end;
  }
  return -1;
}

QChar SeparatorOf(const QString& qt_format, const QString& letters, QChar fallback) {
  bool in_quote = false;
  for (QChar c : qt_format) {
    if (c == '\'') in_quote = !in_quote;
    if (in_quote || c == '\'') continue;
    if (!letters.contains(c) && !c.isSpace()) return c;
  }
  return fallback;
}

// Order of day, month and year in a short date format: e.g. "MDY", "DMY", "YMD".
QString FieldOrder(const QString& qt_format) {
  QString order;
  for (QChar c : qt_format) {
    const QChar field = c == 'd' ? 'D' : c == 'M' ? 'M' : (c == 'y' || c == 'Y') ? 'Y' : QChar();
    if (!field.isNull() && !order.contains(field)) order += field;
  }
  for (QChar f : {QChar('M'), QChar('D'), QChar('Y')})
    if (!order.contains(f)) order += f;
  return order;
}

int ExpandTwoDigitYear(int yy) {
  // Two-digit years fall within 50 years of the present one.
  const int now = QDate::currentDate().year();
  int year = now / 100 * 100 + yy;
  if (year > now + 50) year -= 100;
  if (year <= now - 50) year += 100;
  return year;
}

}  // namespace

QString EnsureFourDigitYear(const QString& format, QChar date_separator) {
  for (int i = 0; i + 4 <= format.size(); ++i) {
    if (IsYearLetter(format[i]) && IsYearLetter(format[i + 1]) && IsYearLetter(format[i + 2]) &&
        IsYearLetter(format[i + 3]))
      return format;
  }
  QString f = format;
  for (int run = 3; run >= 1; --run) {
    const int at = FindYearRun(f, run);
    if (at >= 0) {
      f.insert(at + run, QString(4 - run, f[at]));
      return f;
    }
  }
  return f + date_separator + QStringLiteral("YYYY");
}

DateSettings DateSettings::FromLocale(const QLocale& locale) {
  DateSettings s;
  s.locale = locale;
  const QString short_format = locale.dateFormat(QLocale::ShortFormat);
  s.dateSeparator = SeparatorOf(short_format, QStringLiteral("dMyY"), '/');
  s.shortDateFormat = EnsureFourDigitYear(short_format, s.dateSeparator).replace('Y', 'y');
  s.longDateFormat = locale.dateFormat(QLocale::LongFormat);
  s.shortTimeFormat = locale.timeFormat(QLocale::ShortFormat);
  s.timeSeparator = SeparatorOf(s.shortTimeFormat, QStringLiteral("hHmsaApAt"), ':');
  return s;
}

const DateSettings& SystemDateSettings() {
  static const DateSettings kSettings = DateSettings::FromLocale(QLocale::system());
  return kSettings;
}

QString FormatDateTime(const QString& pattern, const QDateTime& when, const DateSettings& s) {
  const QDate date = when.date();
  const QTime time = when.time();
  QString out;
  bool last_was_hour = false;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    const QChar lower = c.toLower();
    int run = 1;
    while (i + run < pattern.size() && pattern[i + run].toLower() == lower) ++run;
    if (c == '"' || c == '\'') {
      const qsizetype end = pattern.indexOf(c, i + 1);
      out += pattern.mid(i + 1, (end < 0 ? pattern.size() : end) - i - 1);
      i = end < 0 ? pattern.size() : end + 1;
      continue;
    }
    if (lower == 'y') {
      out += run <= 2 ? QStringLiteral("%1").arg(date.year() % 100, 2, 10, QChar('0'))
                      : QStringLiteral("%1").arg(date.year(), 4, 10, QChar('0'));
      last_was_hour = false;
    } else if (lower == 'm' && last_was_hour && run <= 2) {
      out += run == 1 ? QString::number(time.minute())
                      : QStringLiteral("%1").arg(time.minute(), 2, 10, QChar('0'));
      last_was_hour = false;
    } else if (lower == 'm') {
      run = std::min(run, 4);
      if (run == 1) out += QString::number(date.month());
      if (run == 2) out += QStringLiteral("%1").arg(date.month(), 2, 10, QChar('0'));
      if (run == 3) out += s.locale.monthName(date.month(), QLocale::ShortFormat);
      if (run == 4) out += s.locale.standaloneMonthName(date.month(), QLocale::LongFormat);
    } else if (lower == 'd') {
      run = std::min(run, 6);
      if (run == 1) out += QString::number(date.day());
      if (run == 2) out += QStringLiteral("%1").arg(date.day(), 2, 10, QChar('0'));
      if (run == 3) out += s.locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
      if (run == 4) out += s.locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
      if (run == 5) out += s.locale.toString(date, s.shortDateFormat);
      if (run == 6) out += s.locale.toString(date, s.longDateFormat);
      last_was_hour = false;
    } else if (lower == 'h') {
      run = std::min(run, 2);
      out +=
          run == 1 ? QString::number(time.hour()) : QStringLiteral("%1").arg(time.hour(), 2, 10, QChar('0'));
      last_was_hour = true;
    } else if (lower == 'n' || lower == 's') {
      run = std::min(run, 2);
      const int v = lower == 'n' ? time.minute() : time.second();
      out += run == 1 ? QString::number(v) : QStringLiteral("%1").arg(v, 2, 10, QChar('0'));
    } else if (lower == 't') {
      run = std::min(run, 2);
      out += s.locale.toString(time, run == 1 ? s.shortTimeFormat : s.locale.timeFormat(QLocale::LongFormat));
    } else if (c == '/') {
      run = 1;
      out += s.dateSeparator;
    } else if (c == ':') {
      run = 1;
      out += s.timeSeparator;
    } else {
      out += pattern.mid(i, run);
    }
    i += run;
  }
  return out;
}

bool ParseDateText(const QString& text, const DateSettings& s, QDateTime* result) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return false;
  // A date as the locale writes it, month names included ("10 Dec 2026" in the C locale): the
  // date boxes show dates that way, so they must read them back.
  const QDate as_shown = s.locale.toDate(trimmed, s.shortDateFormat);
  if (as_shown.isValid()) {
    if (result) *result = QDateTime(as_shown, QTime(0, 0));
    return true;
  }
  // The date part runs up to the first blank; the rest, if any, is a time.
  const qsizetype blank = trimmed.indexOf(QRegularExpression(QStringLiteral("\\s")));
  const QString date_part = blank < 0 ? trimmed : trimmed.left(blank);
  const QString time_part = blank < 0 ? QString() : trimmed.mid(blank).trimmed();

  const QStringList fields = date_part.split(s.dateSeparator);
  if (fields.size() < 2 || fields.size() > 3) return false;
  QList<int> numbers;
  for (const QString& f : fields) {
    bool ok = false;
    const int n = f.toInt(&ok);
    if (!ok || f.isEmpty() || f.size() > 4 || f.startsWith('+') || f.startsWith('-')) return false;
    numbers.append(n);
  }
  const QString order = FieldOrder(s.shortDateFormat);
  int day = 0, month = 0, year = QDate::currentDate().year();
  if (numbers.size() == 3) {
    for (int i = 0; i < 3; ++i) {
      if (order[i] == 'D') day = numbers[i];
      if (order[i] == 'M') month = numbers[i];
      if (order[i] == 'Y') year = fields[i].size() <= 2 ? ExpandTwoDigitYear(numbers[i]) : numbers[i];
    }
  } else {
    // Day and month only, in the order they have in the short date format.
    const QString dm = QString(order).remove('Y');
    day = dm[0] == 'D' ? numbers[0] : numbers[1];
    month = dm[0] == 'M' ? numbers[0] : numbers[1];
  }
  const QDate date(year, month, day);
  if (!date.isValid()) return false;

  QTime time(0, 0);
  if (!time_part.isEmpty()) {
    static const QRegularExpression kTimePattern(
        QStringLiteral("^(\\d{1,2})(?:\\D(\\d{1,2}))?(?:\\D(\\d{1,2}))?\\s*([AaPp][Mm])?$"));
    const auto m = kTimePattern.match(time_part);
    if (!m.hasMatch()) return false;
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const int second = m.captured(3).toInt();
    if (!m.captured(4).isEmpty()) {
      if (hour < 1 || hour > 12) return false;
      hour = hour % 12 + (m.captured(4).toLower() == QStringLiteral("pm") ? 12 : 0);
    }
    time = QTime(hour, minute, second);
    if (!time.isValid()) return false;
  }
  if (result) *result = QDateTime(date, time);
  return true;
}

bool IsValidDate(const QString& text, const DateSettings& settings) {
  return ParseDateText(text, settings, nullptr);
}

}  // namespace inkwend
