// Recovery copies of unsaved text as the main window keeps and offers them, and saving with
// nobody there to answer, each test on a diary of its own.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_screen.h"
#include "app/opening_dialogs.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/tests/scripted_prompter.h"
#include "richtext/model/stream.h"
#include "richtext/widgets/wp_rich_text.h"
#include "store/cipher.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

const QDate kDay(2024, 7, 1);
const QByteArray kSaved = "{\\rtf1\\ansi saved text\\par }";
const QByteArray kUnsaved = "{\\rtf1\\ansi unsaved text\\par }";

// A prompter that can act while a question is on the screen (a signal arriving then).
class ActingPrompter final : public ScriptedPrompter {
 public:
  std::function<void()> whileAsking;
  QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon) override {
    if (whileAsking && buttons.testFlag(QMessageBox::Yes)) whileAsking();
    return ScriptedPrompter::MessageBox(text, caption, buttons, icon);
  }
};

// A diary on its own directory; the window opens when the test has laid out the files.
struct Diary {
  QTemporaryDir dir;
  ActingPrompter prompter;
  std::unique_ptr<MainScreen> window;
  QByteArray password;

  explicit Diary(const QByteArray& diary_password = QByteArray()) : password(diary_password) {
    QVERIFY(QDir().mkpath(dir.path() + "/Entries"));
    QByteArray settings = "[Opening Screen]\r\nshow=0\r\n";
    if (!password.isEmpty())
      settings +=
          "[Security]\r\nPassword=" + QByteArray::fromStdString(EncryptString(password.toStdString())) +
          "\r\n";
    write(dir.path() + "/KW.INI", settings);
  }
  ~Diary() {
    window.reset();
    ReleaseInstanceLock();
  }
  void open() {
    prompter.script = [this](QDialog& d) {  // the opening password
      if (auto* prompt = dynamic_cast<GetOpeningPassword*>(&d)) {
        prompt->pass->setText(QString::fromLatin1(password));
        prompt->bitBtn1->click();
      }
    };
    QCOMPARE(PrepareStart({"inkwend", "--data-dir", dir.path()}), StartResult::Run);
    window = std::make_unique<MainScreen>();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }
  static void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  static QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QString entryPath(QDate d) const { return dir.path() + "/Entries/" + d.toString("yyyyMMdd") + ".KWE"; }
  QString copyPath(QDate d) const { return entryPath(d) + ".recover"; }
  // Stored as the diary stores entries: enciphered when it has a password.
  QByteArray stored(const QByteArray& rtf) const {
    return password.isEmpty()
               ? rtf
               : QByteArray::fromStdString(EncryptBytes(rtf.toStdString(), password.toStdString()));
  }
  WPRichText& editor() const { return *window->findChild<WPRichText*>("WPRichText1"); }
  void type(const QString& text) const {
    for (QChar c : text)
      QTest::sendKeyEvent(QTest::Click, &editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  QString text() const {
    QString out;
    for (Paragraph* p = editor().Memo().Document().FirstParagraph(); p; p = p->next)
      for (char32_t c : p->Text()) out += QString::fromUcs4(&c, 1);
    return out;
  }
  QByteArray editorRtf() const {
    MemoryStream stream;
    editor().SaveToStream(stream);
    return QByteArray::fromStdString(stream.Bytes());
  }
  QStringList questions() const { return prompter.messages.filter("Confirm: "); }
};

}  // namespace

class RecoveryTest : public QObject {
  Q_OBJECT
 private slots:
  void passwords_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QByteArray();
    QTest::newRow("enciphered") << QByteArray("Secret");
  }

  void typingKeepsACopyThatSaveRemoves_data() { passwords_data(); }
  void typingKeepsACopyThatSaveRemoves() {
    QFETCH(QByteArray, password);
    Diary d(password);
    d.open();
    const QDate today = QDate::currentDate();
    d.type("Dear diary");
    QVERIFY(d.window->RecoveryCopyPending());
    QVERIFY(!QFile::exists(d.copyPath(today)));  // not before typing pauses
    d.window->KeepRecoveryCopy();                // what the pause does
    QVERIFY(!d.window->RecoveryCopyPending());
    QCOMPARE(d.read(d.copyPath(today)), d.stored(d.editorRtf()));
    if (!password.isEmpty()) QVERIFY(!d.read(d.copyPath(today)).contains("Dear diary"));
    QVERIFY(!QFile::exists(d.entryPath(today)));  // the entry changes only on Save
    QTest::keyClick(&d.editor(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(QFile::exists(d.entryPath(today)));
    QVERIFY(!QFile::exists(d.copyPath(today)));
    QVERIFY(d.prompter.messages.isEmpty());
  }

  void cancelAndDayChangeRemoveTheCopy() {
    Diary d;
    d.open();
    const QDate today = QDate::currentDate();
    d.type("dropped");
    d.window->KeepRecoveryCopy();
    QVERIFY(QFile::exists(d.copyPath(today)));
    d.window->CancelButtonClick();
    QVERIFY(!QFile::exists(d.copyPath(today)));
    QVERIFY(!d.window->RecoveryCopyPending());

    d.type("kept");
    d.window->KeepRecoveryCopy();
    d.window->NextbuttonClick();  // saves the day on the way
    QVERIFY(!QFile::exists(d.copyPath(today)));
    QVERIFY(QFile::exists(d.entryPath(today)));

    // Deleting every character leaves nothing to recover.
    d.type("x");
    d.window->KeepRecoveryCopy();
    QVERIFY(QFile::exists(d.copyPath(today.addDays(1))));
    QTest::keyClick(&d.editor(), Qt::Key_Backspace);
    d.window->KeepRecoveryCopy();
    QVERIFY(!QFile::exists(d.copyPath(today.addDays(1))));
  }

  void acceptedCopyShowsAsAModifiedEntry_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("save");
    QTest::newRow("plain, saved") << QByteArray() << true;
    QTest::newRow("enciphered, saved") << QByteArray("Secret") << true;
    QTest::newRow("plain, cancelled") << QByteArray() << false;
  }
  void acceptedCopyShowsAsAModifiedEntry() {
    QFETCH(QByteArray, password);
    QFETCH(bool, save);
    Diary d(password);
    d.write(d.entryPath(kDay), d.stored(kSaved));
    d.write(d.copyPath(kDay), d.stored(kUnsaved));
    d.open();
    QCOMPARE(d.questions(), QStringList{"Confirm: Recover the unsaved text of Monday, July 1, 2024?"});
    QCOMPARE(d.window->CurrentDate(), kDay);
    QCOMPARE(d.text(), QString("unsaved text"));
    QVERIFY(d.window->Modified());
    QCOMPARE(d.read(d.entryPath(kDay)), d.stored(kSaved));  // not before Save
    if (save) {
      QVERIFY(d.window->SaveButtonClick());
      QCOMPARE(d.read(d.entryPath(kDay)), d.stored(d.editorRtf()));
    } else {
      d.window->CancelButtonClick();
      QCOMPARE(d.text(), QString("saved text"));
      QCOMPARE(d.read(d.entryPath(kDay)), d.stored(kSaved));
    }
    QVERIFY(!d.window->Modified());
    QVERIFY(!QFile::exists(d.copyPath(kDay)));
  }

  void declinedCopyIsRemovedAndTheNextIsOffered() {
    Diary d;
    const QDate later = kDay.addDays(3);
    d.write(d.copyPath(kDay), kUnsaved);
    d.write(d.copyPath(later), kUnsaved);
    d.prompter.answerYes = false;
    d.open();
    QCOMPARE(d.questions(), (QStringList{"Confirm: Recover the unsaved text of Monday, July 1, 2024?",
                                         "Confirm: Recover the unsaved text of Thursday, July 4, 2024?"}));
    QVERIFY(!QFile::exists(d.copyPath(kDay)));
    QVERIFY(!QFile::exists(d.copyPath(later)));
    QCOMPARE(d.window->CurrentDate(), QDate::currentDate());
    QVERIFY(!d.window->Modified());
    QVERIFY(!QFile::exists(d.entryPath(kDay)));
  }

  void unreadableCopyIsReportedAndKept() {
    Diary d;
    const QByteArray foreign = QByteArray::fromStdString(EncryptBytes(kUnsaved.toStdString(), "Other"));
    d.write(d.copyPath(kDay), foreign);
    d.open();
    QVERIFY(d.questions().isEmpty());
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(
        d.prompter.messages[0].contains("The unsaved text of Monday, July 1, 2024 kept when Inkwend last "
                                        "ended cannot be read"));
    QCOMPARE(d.read(d.copyPath(kDay)), foreign);
    // A copy of an earlier run is not written over by this run's typing on that day.
    d.window->SetCurrentDate(kDay);
    d.window->FindDateRecord();
    d.window->LoadRichText();
    d.type("new");
    d.window->KeepRecoveryCopy();
    QCOMPARE(d.read(d.copyPath(kDay)), foreign);
  }

  void endingWhileTheQuestionIsOpenKeepsTheCopy() {
    Diary d;
    d.write(d.copyPath(kDay), kUnsaved);
    d.prompter.answerYes = false;  // what a box closed by the end of the program may answer
    d.prompter.whileAsking = [&d] { d.window->SaveUnattended(true); };
    d.open();
    QCOMPARE(d.questions().size(), 1);
    QCOMPARE(d.read(d.copyPath(kDay)), kUnsaved);
    QCOMPARE(d.window->CurrentDate(), QDate::currentDate());
  }

  void unattendedSaveAsksNothing_data() { passwords_data(); }
  void unattendedSaveAsksNothing() {
    QFETCH(QByteArray, password);
    Diary d(password);
    d.open();
    const QDate today = QDate::currentDate();
    d.type("typed before the logout");
    QVERIFY(d.window->SaveUnattended(true));
    QVERIFY(!d.window->Modified());
    QCOMPARE(d.read(d.entryPath(today)), d.stored(d.editorRtf()));
    QVERIFY(!QFile::exists(d.copyPath(today)));
    QVERIFY(QFile::exists(d.dir.path() + "/KW.INI"));
    QVERIFY(d.prompter.messages.isEmpty());
  }

  void unattendedSaveThatFailsLeavesAnUpToDateCopy() {
    Diary d;
    d.open();
    const QDate today = QDate::currentDate();
    // A folder where the entry file would go: the save cannot replace it.
    QVERIFY(QDir().mkpath(d.entryPath(today) + "/blocker"));
    d.type("precious");
    d.window->KeepRecoveryCopy();
    d.type(" and more");
    QVERIFY(!d.window->SaveUnattended(true));
    QVERIFY(d.prompter.messages.isEmpty());  // nobody there to read it
    QVERIFY(d.window->Modified());
    QCOMPARE(d.read(d.copyPath(today)), d.editorRtf());
    QVERIFY(d.read(d.copyPath(today)).contains("precious and more"));
  }
};

int main(int argc, char** argv) {
  // Day and month names as the questions are compared below.
  qputenv("LC_ALL", "C");
  qputenv("LANG", "C");
  QApplication app(argc, argv);
  RecoveryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "recovery_test.moc"
