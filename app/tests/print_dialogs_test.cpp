// The print options and status dialogs, and Print from the main window into a PDF file, driven
// as a user would.
#include "app/print_dialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app/date_text.h"
#include "app/tests/diary_window.h"

using namespace inkwend;
using inkwend::testing::DiaryWindow;
using inkwend::testing::ScriptedPrompter;

namespace {

const QDate kJan1(2023, 1, 1);
const QDate kJan2(2023, 1, 2);
const QDate kJan3(2023, 1, 3);

QByteArray Rtf(const QByteArray& text) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "}";
}
QString Short(QDate d) { return FormatDate(QStringLiteral("ddddd"), d, SystemDateSettings()); }

int PdfPages(const QString& path) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {path});
  info.waitForFinished();
  const QString out = QString::fromUtf8(info.readAllStandardOutput());
  const qsizetype at = out.indexOf(QStringLiteral("Pages:"));
  return at < 0 ? -1 : out.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
}

QString PdfText(const QString& path) {
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
  text.waitForFinished();
  return QString::fromUtf8(text.readAllStandardOutput());
}

}  // namespace

class PrintDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void controlsFollowTheChoice() {
    PrintOptions options;
    options.startDate = QDateTime(kJan1, QTime());
    options.endDate = QDateTime(kJan3, QTime());
    options.show();
    QCOMPARE(options.DateEditFrom()->text(), Short(kJan1));
    QCOMPARE(options.DateEditTo()->text(), Short(kJan3));
    QCOMPARE(options.DateFormat()->text(),
             QStringLiteral("(use: %1)").arg(SystemDateSettings().shortDateFormat));
    // The current entry: no dates, no layout choice.
    QVERIFY(!options.DateEditFrom()->isEnabled());
    QVERIFY(!options.MergePages()->isEnabled());
    QVERIFY(options.OKButton()->isEnabled());
    options.PrintAll()->click();
    QVERIFY(!options.DateEditFrom()->isEnabled());
    QVERIFY(options.MergePages()->isEnabled());
    options.PrintRangeOfDates()->click();
    QVERIFY(options.DateEditFrom()->isEnabled() && options.DateEditTo()->isEnabled());
    QVERIFY(options.MergePages()->isEnabled());
    QVERIFY(options.OKButton()->isEnabled());
    // OK waits for two valid dates.
    options.DateEditTo()->setText(QStringLiteral("no date"));
    QVERIFY(!options.OKButton()->isEnabled());
    options.DateEditTo()->setText(Short(kJan2));
    QVERIFY(options.OKButton()->isEnabled());
  }

  void anImpossibleDateIsRefusedWithTheFormatAndAnExample() {
    ScriptedPrompter prompter;
    PrintOptions options;
    options.startDate = QDateTime(kJan1, QTime());
    options.endDate = QDateTime(kJan3, QTime());
    options.show();
    options.PrintRangeOfDates()->click();
    // The thirtieth of February, in the locale's order.
    options.DateEditFrom()->setText(
        Short(QDate(2023, 2, 28)).replace(QStringLiteral("28"), QStringLiteral("30")));
    options.DateEditFromExit(options.DateEditFrom());
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages[0].contains(QStringLiteral("Please use the date format ") +
                                           SystemDateSettings().shortDateFormat +
                                           QStringLiteral("\n   Example: ") + Short(QDate::currentDate())),
             qPrintable(prompter.messages[0]));
    QCOMPARE(options.DateEditFrom()->text(), Short(kJan1));
    // A valid date is written in the short date format; an empty box is left alone.
    options.DateEditTo()->setText(QStringLiteral(" ") + Short(kJan2));
    options.DateEditFromExit(options.DateEditTo());
    QCOMPARE(options.DateEditTo()->text(), Short(kJan2));
    options.DateEditTo()->clear();
    options.DateEditFromExit(options.DateEditTo());
    QCOMPARE(options.DateEditTo()->text(), QString());
    QCOMPARE(prompter.messages.size(), 1);
  }

  void aMergedChoiceStillCountsForTheCurrentEntry() {
    PrintOptions options;
    options.startDate = QDateTime(kJan2, QTime());
    options.show();
    options.PrintAll()->click();
    options.MergePages()->click();
    options.PrintCurrentOnly()->click();
    QVERIFY(!options.MergePages()->isEnabled());
    options.OKButton()->click();
    QCOMPARE(options.result(), int(QDialog::Accepted));
    QVERIFY(options.merged && options.currentOnly && !options.all);
    QCOMPARE(options.endDate, options.startDate);
  }

  void statusReportsTheDaysAndCompletes() {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/Entries");
    DiarySession session(dir.path().toStdString(), RealFileSystem());
    for (QDate d : {kJan1, kJan2, kJan3}) {
      QFile f(dir.path() + "/Entries/" + d.toString("yyyyMMdd") + ".KWE");
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(Rtf("Entry of " + d.toString("d").toLatin1() + "."));
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + "/merged.pdf");
    PrintStatusForm status(session, printer);
    status.startDate = kJan1;
    status.endDate = kJan3;
    status.merged = true;
    QCOMPARE(status.Status()->text(), QStringLiteral("Printing"));
    QCOMPARE(status.CancelButton()->text(), QStringLiteral("Cancel"));
    status.show();
    QTRY_COMPARE(status.Status()->text(), QStringLiteral("Completed"));
    QCOMPARE(status.CancelButton()->text(), QStringLiteral("OK"));
    QCOMPARE(status.Summary().printed, 3);
    QCOMPARE(PdfPages(dir.path() + "/merged.pdf"), 1);
    // OK closes.
    status.CancelButton()->click();
    QCOMPARE(status.result(), int(QDialog::Accepted));

    // Cancel stops after the day in progress; the merged job is dropped, its file not written.
    PrintStatusForm cancelled(session, printer);
    cancelled.startDate = kJan1;
    cancelled.endDate = kJan3;
    cancelled.merged = true;
    printer.setOutputFileName(dir.path() + "/cancelled.pdf");
    cancelled.CancelButton()->click();
    QCOMPARE(cancelled.Status()->text(), QStringLiteral("Cancelled"));
    QCOMPARE(cancelled.CancelButton()->text(), QStringLiteral("OK"));
    cancelled.PrintNow();
    QCOMPARE(cancelled.Status()->text(), QStringLiteral("Cancelled"));
    QCOMPARE(cancelled.Summary().entries, 1);
    QVERIFY(!QFile::exists(dir.path() + "/cancelled.pdf"));
  }

  void printFromTheMainWindowIntoAPdfFile() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
      QSKIP("printer queues are installed: Print goes to the default one, not into a PDF file");
    DiaryWindow diary;
    QVERIFY(diary.window);
    diary.writeEntry(kJan1, Rtf("The first day."));
    diary.writeEntry(kJan2, Rtf("The second day."));
    diary.show(kJan2);
    const QString out = diary.dir.path() + "/printed.pdf";
    diary.prompter.script = [&](QDialog& dialog) {
      if (auto* options = qobject_cast<PrintOptions*>(&dialog)) {
        options->PrintAll()->click();
        options->EachPageSeparate()->click();
        options->OKButton()->click();
      } else if (auto* file = qobject_cast<QFileDialog*>(&dialog)) {
        file->selectFile(out);
        static_cast<QDialog*>(file)->accept();
      } else if (auto* status = qobject_cast<PrintStatusForm*>(&dialog)) {
        QTRY_COMPARE(status->Status()->text(), QStringLiteral("Completed"));
        status->CancelButton()->click();
      }
    };
    diary.window->findChild<QAction*>(QStringLiteral("PrintNow"))->trigger();
    QCOMPARE(diary.prompter.dialogs,
             QStringList({QStringLiteral("Print Options"), QStringLiteral("Save as PDF"),
                          QStringLiteral("Print Status")}));
    // Separate: a file per entry, each under its date.
    const QString first = diary.dir.path() + "/printed-20230101.pdf";
    QCOMPARE(PdfPages(first), 1);
    QVERIFY(PdfText(first).contains(QStringLiteral("The first day.")));
    QVERIFY(PdfText(diary.dir.path() + "/printed-20230102.pdf").contains(QStringLiteral("The second day.")));
    QCOMPARE(diary.window->CurrentDate(), kJan2);
  }
};

QTEST_MAIN(PrintDialogsTest)
#include "print_dialogs_test.moc"
