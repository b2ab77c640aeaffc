#include "app/startup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/printer_probe.h"
#include "app/single_instance.h"
#include "app/start_show_state.h"
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

  // The diary lives beside the program only in a portable install; anywhere else (a build
  // folder above all, which `rm -rf build` takes away) it lives in the user's data folder.
  void diaryFolderIsChosenByWhatIsBesideTheProgram() {
    QTemporaryDir root;
    const QString home = root.path() + "/home", xdg = root.path() + "/xdg";
    const QString in_xdg = xdg + "/inkwend", in_home = home + "/.local/share/inkwend";
    struct Case {
      const char* beside;  // made beside the program: "name" a file, "name/" a folder
      QString xdgDataHome;
      bool portable;
      QString elsewhere;
    } cases[] = {
        {"", xdg, false, in_xdg},
        {"", "", false, in_home},
        {"", "relative/data", false, in_home},  // a relative XDG_DATA_HOME is ignored
        {"KW.INI", xdg, true, {}},
        {"Entries/", xdg, true, {}},
        {"portable", xdg, true, {}},
        {"portable/", xdg, false, in_xdg},  // the marker is a file
        {"Entries", xdg, false, in_xdg},    // the diary's Entries is a folder
        {"inkwend.lock", xdg, false, in_xdg},
    };
    int n = 0;
    for (const Case& c : cases) {
      const QString exe = root.path() + QStringLiteral("/bin%1").arg(++n);
      QVERIFY(QDir().mkpath(exe));
      const QString beside = QString::fromLatin1(c.beside);
      if (beside.endsWith('/')) {
        QVERIFY(QDir(exe).mkpath(beside));
      } else if (!beside.isEmpty()) {
        QFile f(exe + "/" + beside);
        QVERIFY(f.open(QIODevice::WriteOnly));
      }
      QCOMPARE(DefaultProgramDirectory(exe, c.xdgDataHome, home), c.portable ? exe : c.elsewhere);
    }
  }

  // A folder that cannot be made is named with the system's reason, and the program ends.
  void uncreatableDiaryFolderIsNamedWithTheReason() {
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/file");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScriptedPrompter prompter;
    const QString wanted = dir.path() + "/file/diary";
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", wanted}), StartResult::NoProgramDirectory);
    QCOMPARE(prompter.messages.size(), 1);
    const QString& message = prompter.messages[0];
    QVERIFY2(message.contains("\"" + wanted + "\"") && message.contains("Not a directory"),
             qPrintable(message));
  }

  // Temporary files that a kill during a save left go at the next start, but only once that
  // start holds the lock: a running copy may be writing them.
  void staleTempFilesGoOnceTheLockIsHeld() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    ScriptedPrompter prompter;
    QVERIFY(QDir(dir.path()).mkpath("Entries"));
    const QStringList stale{dir.path() + "/KW.INI.tmp-Ab3dE9",
                            dir.path() + "/Entries/20240305.KWE.tmp-x1y2z3"};
    const QString kept = dir.path() + "/Entries/notes.tmp-x1y2z3";
    for (const QString& path : stale + QStringList{kept}) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QLockFile other(dir.path() + "/inkwend.lock");
    QVERIFY(other.tryLock());
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::AlreadyRunning);
    for (const QString& path : stale) QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    other.unlock();

    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    for (const QString& path : stale) QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    QVERIFY(QFileInfo::exists(kept));
  }

  // A settings file far larger than any is not read: one message, the defaults, and the file
  // as it was when the diary closes.
  void oversizedSettingsFileIsSaidOnceAndKept() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    const QByteArray huge = "[Opening Screen]\r\nshow=0\r\n" + QByteArray(int(IniFile::kMaxFileBytes), ';');
    WriteSettings(dir.path(), huge);
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    {
      MainScreen window;
      QVERIFY(window.startedOk());
      window.show();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      window.close();
    }
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages[0].contains("larger than 1 MB"), qPrintable(prompter.messages[0]));
    QCOMPARE(prompter.dialogs, QStringList{"Inkwend!"});  // the defaults: the opening caution shows
    QVERIFY(ReadSettings(dir.path()) == huge);
  }

  // A NUL in the stored font name used to make every save of the settings fail, with a box at
  // each start and exit. The default font stands in for it, silently, and is stored.
  void nulInTheStoredFontNameIsReplacedQuietly() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    WriteSettings(dir.path(),
                  QByteArray("[Opening Screen]\r\nshow=0\r\n[Default Font]\r\nName=Ar\0ial\r\n", 55));
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    {
      MainScreen window;
      window.show();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      window.close();
    }
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.messages.join('\n')));
    const QByteArray after = ReadSettings(dir.path());
    QVERIFY(!after.contains('\0'));
    QCOMPARE(IniFile(after.toStdString()).ReadString("Default Font", "Name", ""), std::string("Arial"));
  }

  // An entry file named for the year 0 is said once, and First and Last pass it by.
  void entryOfTheYearZeroIsSaidOnceAndPassedBy() {
    QTemporaryDir dir;
    ReleaseAtEnd release;
    WriteSettings(dir.path(), "[Opening Screen]\r\nshow=0\r\n");
    QVERIFY(QDir(dir.path()).mkpath("Entries"));
    for (const char* name : {"/Entries/00000312.KWE", "/Entries/20010203.KWE"}) {
      QFile f(dir.path() + name);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("{\\rtf1 x}");
    }
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    MainScreen window;
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages[0].contains(dir.path() + "/Entries/00000312.KWE"),
             qPrintable(prompter.messages[0]));
    window.FirstButtonClick();
    QCOMPARE(window.CurrentDate(), QDate(2001, 2, 3));
    window.PriorButtonClick();
    QCOMPARE(window.CurrentDate(), QDate(2001, 2, 2));
    QCOMPARE(prompter.messages.size(), 1);
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

  void startCommandChoosesTheWindowsState_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("plain") << QString() << false << false;
    QTest::newRow("minimised") << "--minimized" << true << false;
    QTest::newRow("maximised") << "--maximized" << false << true;
  }
  void startCommandChoosesTheWindowsState() {
    QFETCH(QString, option);
    QFETCH(bool, minimized);
    QFETCH(bool, maximized);
    QTemporaryDir dir;
    ReleaseAtEnd release;
    WriteSettings(dir.path(), "[Opening Screen]\r\nshow=0\r\n");
    ScriptedPrompter prompter;
    QStringList command{"inkwend", "--data-dir", dir.path()};
    if (!option.isEmpty()) command << option;
    QCOMPARE(PrepareStart(command), StartResult::Run);
    MainScreen window;
    window.show();
    // The first activation takes the state from the command.
    QTRY_VERIFY(!window.firstActivation);
    QTRY_COMPARE(window.isMinimized(), minimized);
    QTRY_COMPARE(window.isMaximized(), maximized);
    QVERIFY(window.isVisible());
    SetStartShowState(StartShowState::Normal);
  }

  void startStateOptions() {
    QCOMPARE(StartShowStateFromArguments({"inkwend"}), StartShowState::Normal);
    QCOMPARE(StartShowStateFromArguments({"inkwend", "--minimised"}), StartShowState::Minimized);
    QCOMPARE(StartShowStateFromArguments({"inkwend", "--iconic", "--maximised"}), StartShowState::Maximized);
    // A diary folder's name is not an option, even when it reads like one.
    QCOMPARE(StartShowStateFromArguments({"inkwend", "--data-dir", "--minimized"}), StartShowState::Normal);
  }

  void renderingPseudoPrinterAloneCountsAsNoPrinter() {
    struct Case {
      QStringList printers;
      bool hidden;
    };
    for (const Case& c : {Case{{}, false}, Case{{"Rendering"}, true}, Case{{"PDF Rendering Service"}, true},
                          Case{{"rendering"}, false}, Case{{"Rendering", "Office"}, false}})
      QVERIFY2(HidesPrinters([&] { return c.printers; }) == c.hidden, qPrintable(c.printers.join(',')));
    // A failing query hides nothing.
    QVERIFY(!HidesPrinters([]() -> QStringList { throw std::runtime_error("no print service"); }));
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
