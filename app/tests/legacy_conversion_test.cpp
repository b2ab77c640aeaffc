// The offer to convert the old diary table while the main window is created: the question, the
// conversion (plain and enciphered with the password KW.INI keeps), No, and a conversion cut short
// by a full disk, each followed by the next start.
#include "app/legacy_conversion.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_screen.h"
#include "app/tests/scripted_prompter.h"
#include "base/faulty_file_system.h"
#include "platform/program_directory.h"
#include "store/cipher.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

const QString kTables = QStringLiteral(INKWEND_SOURCE_DIR "/operations/convert/tests/data/");
const QString kQuestion = QStringLiteral(
    "Confirm: Old file format detected. Would you like to\rconvert to the new file format now? (Press No\r"
    "if you wish to make backups of your datafiles\rfirst)");

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

struct OldInstall {
  QTemporaryDir dir;
  ScriptedPrompter prompter;

  explicit OldInstall(const QByteArray& password = {}, bool with_memo_file = true) {
    QByteArray ini = "[Opening Screen]\r\nshow=0\r\n";
    if (!password.isEmpty())
      ini += "[Security]\r\nPassword=" + QByteArray::fromStdString(EncryptString(password.toStdString())) +
             "\r\n";
    Write(dir.path() + "/KW.INI", ini);
    QFile::copy(kTables + "foxpro/INKWEND.DBF", dir.path() + "/INKWEND.DBF");
    if (with_memo_file) QFile::copy(kTables + "foxpro/INKWEND.FPT", dir.path() + "/INKWEND.FPT");
    QVERIFY(InitProgramDirectory({"inkwend", "--data-dir", dir.path()}).IsOk());
  }
  // Creates the main window as a start does; true when it started.
  bool start(FileSystem& files = RealFileSystem()) {
    prompter.messages.clear();
    MainScreen window(nullptr, files);
    return window.startedOk();
  }
  QString entries() const { return dir.path() + "/Entries"; }
  // Every converted entry, deciphered with `password`, equals the expected one.
  bool holdsTheOldDiary(const QByteArray& password = {}) const {
    const QDir expected(kTables + "expected");
    const QStringList names = expected.entryList(QDir::Files, QDir::Name);
    if (QDir(entries()).entryList(QDir::Files, QDir::Name) != names) return false;
    for (const QString& name : names) {
      std::string stored = Read(entries() + "/" + name).toStdString();
      if (!password.isEmpty()) stored = DecryptBytes(stored, password.toStdString());
      if (stored != Read(expected.filePath(name)).toStdString()) return false;
    }
    return true;
  }
};

}  // namespace

class LegacyConversionTest : public QObject {
  Q_OBJECT
 private slots:
  void yesConvertsTheTable_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QByteArray();
    QTest::newRow("enciphered") << QByteArray("Secret");
  }
  void yesConvertsTheTable() {
    QFETCH(QByteArray, password);
    OldInstall install(password);
    QVERIFY(install.start());
    QCOMPARE(install.prompter.messages, QStringList{kQuestion});
    QVERIFY(install.holdsTheOldDiary(password));
    QVERIFY(!QFileInfo::exists(install.dir.path() + "/Entries.converting"));
    QVERIFY(!QFileInfo::exists(install.dir.path() + "/ERASEME.RTF"));
    // The next start finds Entries/ and asks nothing.
    QVERIFY(install.start());
    QVERIFY(install.prompter.messages.isEmpty());
  }

  void noEndsTheProgramAndAsksAgainNextTime() {
    OldInstall install;
    install.prompter.answerYes = false;
    QVERIFY(!install.start());
    QCOMPARE(install.prompter.messages, QStringList{kQuestion});
    QVERIFY(!QFileInfo::exists(install.entries()));
    install.prompter.answerYes = true;
    QVERIFY(install.start());
    QCOMPARE(install.prompter.messages, QStringList{kQuestion});
    QVERIFY(install.holdsTheOldDiary());
  }

  void aConversionCutShortIsOfferedAgain() {
    OldInstall install;
    FaultyFileSystem full_disk;
    full_disk.FailWrites("20240107.KWE");
    QVERIFY(!install.start(full_disk));
    QCOMPARE(install.prompter.messages.size(), 2);
    QVERIFY(install.prompter.messages[1].contains(QStringLiteral("could not be converted")));
    QVERIFY(install.prompter.messages[1].contains(QStringLiteral("20240107.KWE")));
    QVERIFY(!QFileInfo::exists(install.entries()));
    QVERIFY(install.start());
    QCOMPARE(install.prompter.messages, QStringList{kQuestion});
    QVERIFY(install.holdsTheOldDiary());
  }

  void aTableWithoutItsMemoFileIsNotOffered() {
    OldInstall install({}, /*with_memo_file=*/false);
    QVERIFY(install.start());
    QVERIFY(install.prompter.messages.isEmpty());
    QVERIFY(QFileInfo(install.entries()).isDir());
    QVERIFY(QDir(install.entries()).isEmpty());
  }
};

QTEST_MAIN(LegacyConversionTest)
#include "legacy_conversion_test.moc"
