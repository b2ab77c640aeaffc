#include "app/startup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/single_instance.h"
#include "app/tests/scripted_prompter.h"
#include "platform/program_directory.h"
#include "store/cipher.h"
#include "store/ini_file.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

void WriteSettings(const QString& dir, const QByteArray& bytes) {
  QFile f(dir + "/KW.INI");
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray ReadSettings(const QString& dir) {
  QFile f(dir + "/KW.INI");
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Gives the instance lock back before the temporary directory holding it goes.
struct ReleaseAtEnd {
  ~ReleaseAtEnd() { ReleaseInstanceLock(); }
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartOnEmptyDirectory() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    QCOMPARE(ProgramDirectory(), dir.path() + "/");
    QVERIFY(prompter.dialogs.isEmpty());  // no password stored: nothing asked

    MainScreen window;
    QVERIFY(window.startedOk());
    QVERIFY(QFileInfo(dir.path() + "/Entries").isDir());
    // The opening caution came up once, with its box clear.
    QCOMPARE(prompter.dialogs, QStringList{"Inkwend!"});
    // Centred at the designed size, and the placement written at once.
    const QRect screen = window.screen()->geometry();
    QCOMPARE(window.frameGeometry().left(), (screen.width() - window.frameGeometry().width()) / 2);
    const IniFile ini(ReadSettings(dir.path()).toStdString());
    QCOMPARE(ini.ReadInteger("TMainScreen_Placement", "Right", 0) -
                 ini.ReadInteger("TMainScreen_Placement", "Left", 0),
             window.geometry().width());
    QCOMPARE(ini.ReadString("TMainScreen_Placement", "Maximized", ""), std::string("0"));

    // The first activation writes the preferences with their defaults.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const IniFile after(ReadSettings(dir.path()).toStdString());
    QCOMPARE(after.Find("Security", "Password"), std::optional<std::string>(""));
    QCOMPARE(after.ReadString("Default Font", "Name", ""), std::string("Arial"));
    QCOMPARE(after.ReadString("Opening Screen", "show", ""), std::string("1"));
  }

  void dontShowAgainIsStored() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    ScriptedPrompter prompter;
    prompter.script = [](QDialog& d) {
      auto* box = d.findChild<QCheckBox*>("DontShow");
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
      QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    {
      MainScreen window;
      window.close();
    }
    QCOMPARE(IniFile(ReadSettings(dir.path()).toStdString()).ReadString("Opening Screen", "show", ""),
             std::string("0"));
    prompter.dialogs.clear();
    MainScreen again;
    QVERIFY(prompter.dialogs.isEmpty());
  }

  void secondStartIsRefusedAndStaleLockIsNot() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    // A second copy on the same directory (the lock is held by a live process: this one).
    QVERIFY(IsAlreadyRunning(dir.path() + "/"));
    ReleaseInstanceLock();
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::AlreadyRunning);
    QCOMPARE(prompter.messages, QStringList{"Information: Inkwend! is already running"});
    ReleaseInstanceLock();

    // A lock left by a process that has ended does not block the next start.
    QFile stale(dir.path() + "/inkwend.lock");
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("2147480000\ninkwend\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
  }

  void passwordPrompt() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    WriteSettings(dir.path(),
                  "[Security]\r\nPassword=" + QByteArray::fromStdString(EncryptString("Secret")) + "\r\n");
    ScriptedPrompter prompter;
    int tries = 0;
    prompter.script = [&](QDialog& d) {
      auto* pass = d.findChild<QLineEdit*>("Pass");
      QCOMPARE(d.windowTitle(), QString("Inkwend! - Password Required"));
      QCOMPARE(pass->text().size(), 4);  // "Pass": four mask characters
      QCOMPARE(pass->echoMode(), QLineEdit::Password);
      for (const char* attempt : {"secret", "Secret"}) {
        pass->selectAll();
        QTest::keyClicks(pass, attempt);
        QTest::keyClick(pass, Qt::Key_Return);
        ++tries;
        if (d.result() == QDialog::Accepted) break;
        QCOMPARE(pass->text(), QString(attempt));  // the wrong text stays
      }
    };
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    QCOMPARE(tries, 2);
    QCOMPARE(prompter.messages, QStringList{"Information: Sorry, that is the wrong password"});
    ReleaseInstanceLock();

    // Close ends the program quietly, and the lock is given back.
    prompter.messages.clear();
    prompter.script = [](QDialog& d) {
      QTest::mouseClick(d.findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
    };
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::PasswordRefused);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(!IsAlreadyRunning(dir.path() + "/"));
  }

  void nonAsciiPasswordMatchesWindowsBytes() {
    // A diary made on Windows stores the Windows-1252 bytes of the password.
    QCOMPARE(PasswordBytesOf(QString::fromUtf8("Café")), std::string("Caf\xE9"));
    QCOMPARE(PasswordBytesOf(QString::fromUtf8("日記")), std::string("日記"));
  }

  void storedPlacementIsFittedOntoScreen() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    WriteSettings(dir.path(),
                  "[Opening Screen]\r\nshow=0\r\n[TMainScreen_Placement]\r\nLeft=-50\r\nTop=10\r\n"
                  "Right=450\r\nBottom=310\r\nMaximized=0\r\n");
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    MainScreen window;
    QCOMPARE(window.geometry(), QRect(1, 10, 500, 300));
    const IniFile ini(ReadSettings(dir.path()).toStdString());
    QCOMPARE(ini.ReadInteger("TMainScreen_Placement", "Left", 0), 1);
    QCOMPARE(ini.ReadInteger("TMainScreen_Placement", "Right", 0), 501);
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
