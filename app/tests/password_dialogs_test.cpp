// "Select or Change Password" used as a person would, by the keyboard: the backup warning, the
// password dialog's checks and messages, and the run it starts, on a diary of its own.
#include "app/password_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/tests/scripted_prompter.h"
#include "base/faulty_file_system.h"
#include "operations/password/password_rules.h"
#include "store/cipher.h"
#include "store/ini_file.h"
#include "store/key_wrap.h"
#include "store/preferences.h"
#include "store/strong_cipher.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

constexpr int kEntries = 5;

std::string EntryRtf(int day) { return "{\\rtf1\\ansi Day " + std::to_string(day) + "}"; }

// A started diary of five entries under `password`, its window shown; the password dialog is
// driven by `onPassword` once the warning is passed with `warningKey`.
struct Diary {
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  FaultyFileSystem fileSystem;
  std::unique_ptr<MainScreen> window;
  std::function<void(GetPassword&)> onPassword;
  Qt::Key warningKey = Qt::Key_Return;
  QStringList shownInDialog;  // messages while the password dialog was open

  explicit Diary(const std::string& password) {
    QDir(dir.path()).mkdir("Entries");
    Write("KW.INI", "[Security]\r\nPassword=" + (password.empty() ? "" : EncryptString(password)) +
                        "\r\n[Opening Screen]\r\nshow=0\r\n");
    for (int day = 1; day <= kEntries; ++day)
      Write(EntryName(day), password.empty() ? EntryRtf(day) : EncryptBytes(EntryRtf(day), password));
    prompter.script = [this, password](QDialog& d) { Drive(d, password); };
    if (PrepareStart({"inkwend", "--data-dir", dir.path()}) != StartResult::Run) return;
    window = std::make_unique<MainScreen>(nullptr, fileSystem);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("the main window did not become active");
  }
  ~Diary() {
    window.reset();
    ReleaseInstanceLock();
  }

  void Drive(QDialog& d, const std::string& password) {
    if (auto* opening = qobject_cast<GetOpeningPassword*>(&d)) {
      opening->pass->setText(QString::fromStdString(password));
      opening->bitBtn1->click();
    } else if (qobject_cast<WarningScreen*>(&d)) {
      QTest::keyClick(&d, warningKey);
    } else if (auto* dialog = qobject_cast<GetPassword*>(&d)) {
      // Focus moves (and the box is left) only in the active window.
      QApplication::setActiveWindow(dialog);
      if (!QTest::qWaitForWindowActive(dialog)) qWarning("the password dialog did not become active");
      const qsizetype before = prompter.messages.size();
      if (onPassword) onPassword(*dialog);
      shownInDialog = prompter.messages.mid(before);
    }
  }

  static std::string EntryName(int day) { return "Entries/2020010" + std::to_string(day) + ".KWE"; }
  void Write(const std::string& name, const std::string& bytes) const {
    QFile f(dir.filePath(QString::fromStdString(name)));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  std::string Read(const std::string& name) const {
    QFile f(dir.filePath(QString::fromStdString(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
  }
  std::string StoredPassword() const { return ReadStoredPassword(IniFile(Read("KW.INI"))); }
  // Every entry as its RTF under the stored password.
  bool EntriesReadWithStoredPassword() const {
    const std::string password = StoredPassword();
    for (int day = 1; day <= kEntries; ++day) {
      const std::string bytes = Read(EntryName(day));
      if ((password.empty() ? bytes : DecryptBytes(bytes, password)) != EntryRtf(day)) return false;
    }
    return true;
  }
  // The menu item, as the keyboard reaches it.
  void Choose() const {
    for (QAction* a : window->menuBar()->actions()[0]->menu()->actions())
      if (a->text() == "Select or Change Password") a->trigger();
  }
};

void Type(QLineEdit* box, const QString& text) {
  box->setFocus();
  QTest::keyClicks(box, text);
}

}  // namespace

class PasswordDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void cancelOnTheWarningChangesNothing() {
    Diary diary("");
    diary.warningKey = Qt::Key_Escape;
    bool asked = false;
    diary.onPassword = [&asked](GetPassword&) { asked = true; };
    diary.Choose();
    QVERIFY(diary.prompter.dialogs.contains("Warning!"));
    QVERIFY(!asked);
  }

  void settingAPasswordEnciphersEveryEntry() {
    Diary diary("");
    diary.onPassword = [](GetPassword& d) {
      // No password yet: "(none)" stands where the old password would be asked.
      QVERIFY(d.oldPassword->isHidden());
      QVERIFY(d.label2->isVisible());
      Type(d.newPassword, "Ab 1");
      QTest::keyClick(d.newPassword, Qt::Key_Return);
      QCOMPARE(d.gauge1->maximum(), kEntries);
      QCOMPARE(d.gauge1->value(), kEntries);
      QVERIFY(d.passPanel->isHidden());
      QVERIFY(!d.label5->isHidden());  // the dialog itself is closed by now
      QVERIFY(!d.okButton->isEnabled());
      QCOMPARE(d.result(), int(QDialog::Accepted));
    };
    diary.Choose();
    QCOMPARE(diary.shownInDialog, QStringList{"Information: Be sure to write down your new password: Ab 1"});
    QCOMPARE(diary.StoredPassword(), std::string("Ab 1"));
    QCOMPARE(diary.window->Session().Password(), std::string("Ab 1"));
    QVERIFY(diary.EntriesReadWithStoredPassword());
  }

  // The toolbar button runs the same command; clearing leaves plain RTF.
  void clearingByTheToolbarButton() {
    Diary diary("OLD");
    diary.onPassword = [](GetPassword& d) {
      QVERIFY(d.oldPassword->isVisible());
      Type(d.oldPassword, "OLD");
      d.clearButton->setFocus();
      QTest::keyClick(d.clearButton, Qt::Key_Space);
    };
    diary.window->findChild<QToolButton*>("PasswordButton")->click();
    QCOMPARE(diary.shownInDialog, QStringList{"Information: Password cleared. No password now required."});
    QCOMPARE(diary.StoredPassword(), std::string());
    QVERIFY(diary.EntriesReadWithStoredPassword());
  }

  void oldPasswordChecks() {
    Diary diary("OLD");
    diary.onPassword = [](GetPassword& d) {
      Type(d.newPassword, "NEW");
      QTest::keyClick(d.newPassword, Qt::Key_Return);  // old password box empty
      Type(d.oldPassword, "old");                      // letter case counts
      QTest::keyClick(d.oldPassword, Qt::Key_Return);
      QVERIFY(d.isVisible());
      QVERIFY(d.okButton->isEnabled());
      QTest::keyClick(&d, Qt::Key_Escape);
    };
    diary.Choose();
    QCOMPARE(diary.shownInDialog, (QStringList{"Information: Previous password is required",
                                               "Information: Previous password is incorrect"}));
    QCOMPARE(diary.StoredPassword(), std::string("OLD"));
    QVERIFY(diary.EntriesReadWithStoredPassword());
  }

  // Checked when the box is left and again on OK (Return never leaves the box).
  void invalidCharactersEmptyTheBox() {
    Diary diary("");
    diary.onPassword = [](GetPassword& d) {
      Type(d.newPassword, "a-b");
      QTest::keyClick(d.newPassword, Qt::Key_Tab);
      QCOMPARE(d.newPassword->text(), QString());
      QVERIFY(d.newPassword->hasFocus());
      Type(d.newPassword, "x.y");
      QTest::keyClick(d.newPassword, Qt::Key_Return);
      QCOMPARE(d.newPassword->text(), QString());
      Type(d.newPassword, "123456789");  // the box takes eight
      QCOMPARE(d.newPassword->text(), QString("12345678"));
      QTest::keyClick(&d, Qt::Key_Escape);
    };
    diary.Choose();
    const QString invalid = "Information: Valid password characters are A-Z, 0-9 and spaces";
    QCOMPARE(diary.shownInDialog, (QStringList{invalid, invalid}));
    QCOMPARE(diary.StoredPassword(), std::string());
  }

  // The same password again is stored again, silently; nothing else changes.
  void theSamePasswordTouchesNothing() {
    Diary diary("OLD");
    const std::string before = diary.Read(Diary::EntryName(1));
    diary.onPassword = [](GetPassword& d) {
      Type(d.oldPassword, "OLD");
      Type(d.newPassword, "OLD");
      QTest::keyClick(d.newPassword, Qt::Key_Return);
      QVERIFY(d.gauge1->isHidden());
    };
    diary.Choose();
    QCOMPARE(diary.shownInDialog, QStringList());
    QCOMPARE(diary.Read(Diary::EntryName(1)), before);
  }

  void aFullDiskKeepsTheOldPassword() {
    Diary diary("OLD");
    diary.fileSystem.FailWrites("20200103.KWE.rekeyed");
    diary.onPassword = [](GetPassword& d) {
      Type(d.oldPassword, "OLD");
      Type(d.newPassword, "NEW");
      QTest::keyClick(d.newPassword, Qt::Key_Return);
      QCOMPARE(d.result(), int(QDialog::Rejected));
    };
    diary.Choose();
    QCOMPARE(diary.shownInDialog.size(), 1);
    QVERIFY(diary.shownInDialog[0].startsWith("Inkwend: The password was not changed: "));
    QVERIFY(diary.shownInDialog[0].contains("No space left on device"));
    QCOMPARE(diary.StoredPassword(), std::string("OLD"));
    QCOMPARE(diary.window->Session().Password(), std::string("OLD"));
    QVERIFY(diary.EntriesReadWithStoredPassword());
  }

  // A run a kill interrupted is mended before the diary opens, and the start says which way.
  void anInterruptedRunIsMendedAtStart() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Entries");
    QFile journal(dir.filePath("Password.journal"));
    QVERIFY(journal.open(QIODevice::WriteOnly));
    journal.write("Inkwend password change\nstate=staged\npassword=\n");
    journal.close();
    ScriptedPrompter prompter;
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    ReleaseInstanceLock();
    QCOMPARE(prompter.messages, QStringList{"Information: A password change that was interrupted has been "
                                            "undone: the diary keeps its previous password."});
    QVERIFY(!QFileInfo::exists(dir.filePath("Password.journal")));
  }

  // Strong encryption chosen in the dialog: every entry is encrypted, the password is kept nowhere,
  // and the next start opens the diary only with it.
  void choosingStrongEncryptionAndOpeningAgain() {
    const QString passphrase = QStringLiteral("a long pass-phrase");
    auto diary = std::make_unique<Diary>("OLD");
    diary->onPassword = [&passphrase](GetPassword& d) {
      QVERIFY(d.classicChoice->isChecked());
      QVERIFY(d.protectionNote->isVisible());
      d.strongChoice->click();
      QVERIFY(!d.protectionNote->isVisible());
      Type(d.oldPassword, "OLD");
      Type(d.newPassword, passphrase);  // longer than eight, and a "-": both fine for strong encryption
      QCOMPARE(d.newPassword->text(), passphrase);
      QTest::keyClick(d.newPassword, Qt::Key_Return);
      QCOMPARE(d.result(), int(QDialog::Accepted));
    };
    diary->Choose();
    QCOMPARE(diary->shownInDialog, QStringList{"Information: " + QString::fromUtf8(kStrongEncryptionDone)});
    QVERIFY(diary->window->Session().StronglyEncrypted());
    const std::string settings = diary->Read("KW.INI");
    QVERIFY(!ReadWrappedKey(IniFile(settings)).empty());
    QCOMPARE(diary->StoredPassword(), std::string());
    QVERIFY(settings.find(passphrase.toStdString()) == std::string::npos);
    for (int day = 1; day <= kEntries; ++day) QVERIFY(IsStrongEntry(diary->Read(Diary::EntryName(day))));

    // The next start: a wrong password is refused, the right one opens the key.
    const QString folder = diary->dir.path();
    diary->dir.setAutoRemove(false);
    diary.reset();
    OpenedDiaryKey().reset();
    ScriptedPrompter prompter;
    prompter.script = [&passphrase](QDialog& d) {
      auto* opening = qobject_cast<GetOpeningPassword*>(&d);
      if (!opening) return;
      opening->pass->setText(QStringLiteral("a long pass-phrasE"));
      opening->bitBtn1->click();
      QVERIFY(opening->isVisible() || opening->result() != QDialog::Accepted);
      opening->pass->setText(passphrase);
      opening->bitBtn1->click();
    };
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", folder}), StartResult::Run);
    ReleaseInstanceLock();
    QCOMPARE(prompter.messages, QStringList{"Information: Sorry, that is the wrong password"});
    QVERIFY(OpenedDiaryKey() != nullptr);
    DiarySession session(folder.toStdString(), RealFileSystem());
    session.SetDiaryKey(OpenedDiaryKey());
    std::string shown;
    QVERIFY(session
                .LoadDay(std::chrono::year(2020) / 1 / 3,
                         [&shown](std::string rtf) {
                           shown = std::move(rtf);
                           return Status::Ok();
                         })
                .IsOk());
    QCOMPARE(shown, EntryRtf(3));
    OpenedDiaryKey().reset();
    QDir(folder).removeRecursively();
  }
};

QTEST_MAIN(PasswordDialogsTest)
#include "password_dialogs_test.moc"
