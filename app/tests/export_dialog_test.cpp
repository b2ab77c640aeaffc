// "Export to RTF (Rich Text Format)" driven by keys on a diary of its own (plain and enciphered):
// the options dialog, the files written and the final message.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/date_text.h"
#include "app/export_options.h"
#include "app/tests/diary_window.h"
#include "platform/program_directory.h"

using namespace inkwend;
using inkwend::testing::DiaryWindow;

namespace {

const QDate kJan5(2023, 1, 5);
const QDate kFeb2(2023, 2, 2);
const QDate kFeb9(2023, 2, 9);

QByteArray Rtf(const QByteArray& text) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "\\par }";
}

QString Short(QDate d) { return FormatDate(QStringLiteral("ddddd"), d, SystemDateSettings()); }

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ExportDiary : DiaryWindow {
  QTemporaryDir out;
  explicit ExportDiary(const QByteArray& password = {}) : DiaryWindow(password) {
    writeEntry(kJan5, Rtf("A walk by the sea."));
    writeEntry(kFeb2, Rtf("Rain all day."));
    writeEntry(kFeb9, Rtf("Back home."));
    show(kFeb2);
  }
  // Opens the dialog and hands it to `keys`, which ends it as the user would.
  void exportWith(const std::function<void(SaveOptions&)>& keys) {
    prompter.script = [keys](QDialog& dialog) {
      auto* options = qobject_cast<SaveOptions*>(&dialog);
      QVERIFY(options);
      keys(*options);
    };
    action("Export1")->trigger();
  }
};

QRadioButton* Radio(QDialog& d, const char* name) {
  return d.findChild<QRadioButton*>(QString::fromLatin1(name));
}

// Focus on a radio and Space, as the keyboard chooses it.
void Choose(QDialog& d, const char* name) {
  QRadioButton* r = Radio(d, name);
  r->setFocus();
  QTest::keyClick(r, Qt::Key_Space);
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

}  // namespace

class ExportDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void allEntriesAsRtf_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QByteArray();
    QTest::newRow("enciphered") << QByteArray("Secret");
  }
  void allEntriesAsRtf() {
    QFETCH(QByteArray, password);
    ExportDiary d(password);
    const QString target = d.out.path();
    QFile stale(target + "/20230205.RTF");  // not an entry: left alone
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    d.exportWith([&](SaveOptions& options) {
      QCOMPARE(options.DirectoryEdit()->text(), ProgramDirectory());  // starts at the program directory
      QVERIFY(!options.DateEditFrom()->isEnabled());
      Choose(options, "PrintAll");
      Retype(options.DirectoryEdit(), target);
      QTest::keyClick(options.DirectoryEdit(), Qt::Key_Return);
    });
    QCOMPARE(d.prompter.dialogs, QStringList{QStringLiteral("Export Options (Export to RTF Format)")});
    QCOMPARE(d.prompter.messages,
             QStringList{QStringLiteral("Information: Saved 3 file(s) as Rich Text Format "
                                        "(RTF)\rto directory: ") +
                         target + "/"});
    QCOMPARE(Read(target + "/20230105.RTF"), Rtf("A walk by the sea."));
    QCOMPARE(Read(target + "/20230202.RTF"), Rtf("Rain all day."));
    QCOMPARE(Read(target + "/20230209.RTF"), Rtf("Back home."));
    QCOMPARE(d.window->CurrentDate(), kFeb2);  // the shown day again
  }

  void currentEntryAsTextAndAnEmptyRange() {
    ExportDiary d;
    const QString target = d.out.path();
    d.exportWith([&](SaveOptions& options) {
      Choose(options, "FormatText");
      Retype(options.DirectoryEdit(), target + "/");
      QTest::keyClick(options.DirectoryEdit(), Qt::Key_Return);
    });
    QCOMPARE(
        d.prompter.messages.last(),
        QStringLiteral("Information: Saved 1 file(s) as plain text (UTF-8)\rto directory: ") + target + "/");
    QCOMPARE(Read(target + "/20230202.txt"), QByteArray("Rain all day.\n"));

    d.exportWith([&](SaveOptions& options) {
      Choose(options, "PrintRangeOfDates");
      Retype(options.DateEditFrom(), Short(QDate(2023, 1, 6)));
      Retype(options.DateEditTo(), Short(QDate(2023, 2, 1)));
      Retype(options.DirectoryEdit(), target);
      QTest::keyClick(options.DirectoryEdit(), Qt::Key_Return);
    });
    QCOMPARE(d.prompter.messages.last(),
             QStringLiteral("Information: Saved 0 file(s) as Rich Text Format (RTF)\rto directory: ") +
                 target + "/");
  }

  // A date that cannot be read is refused with an example, the box gets its date back, and OK
  // waits while a range box is empty.
  void aDateThatCannotBeReadIsRefused() {
    ExportDiary d;
    d.exportWith([&](SaveOptions& options) {
      Choose(options, "PrintRangeOfDates");
      QVERIFY(options.DateEditFrom()->isEnabled());
      const QString stored = options.DateEditFrom()->text();
      QCOMPARE(stored, Short(kFeb2));
      Retype(options.DateEditFrom(), QStringLiteral("the day after"));
      QVERIFY(!options.OkButton()->isEnabled());
      // Enter leaves the box as Tab does (OK, the default button, is disabled meanwhile).
      QTest::keyClick(options.DateEditFrom(), Qt::Key_Return);
      QCOMPARE(options.DateEditFrom()->text(), stored);
      QVERIFY(options.OkButton()->isEnabled());
      Retype(options.DateEditTo(), QString());
      QVERIFY(!options.OkButton()->isEnabled());
      QTest::keyClick(options.DateEditTo(), Qt::Key_Escape);
    });
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(d.prompter.messages[0].startsWith(QStringLiteral("Information: Please use the date format ") +
                                              SystemDateSettings().shortDateFormat + "\r   Example: "));
  }

  void aFolderThatCannotBeWrittenIsNamed() {
    ExportDiary d("Secret");
    const QString missing = d.out.path() + "/missing";
    d.exportWith([&](SaveOptions& options) {
      Choose(options, "PrintAll");
      Retype(options.DirectoryEdit(), missing);
      QTest::keyClick(options.DirectoryEdit(), Qt::Key_Return);
    });
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(d.prompter.messages[0].contains(QStringLiteral("20230105.RTF")));
    QVERIFY(d.prompter.messages[0].contains(QStringLiteral("0 file(s) had been written")));
  }

  void aRootFolderGetsNoSecondSlash() {
    SaveOptions options;
    options.directory = QStringLiteral("/");
    options.show();
    QCOMPARE(options.TargetDirectory(), QStringLiteral("/"));
  }
};

// Dates are typed as numbers in the order of the locale's short date, which the C locale writes
// with a month name; the test speaks US English, as a user there would.
int main(int argc, char** argv) {
  qputenv("LC_ALL", "en_US.UTF-8");
  QApplication app(argc, argv);
  ExportDialogTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "export_dialog_test.moc"
