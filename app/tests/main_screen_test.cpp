// The main window used as a person would: typing, the keyboard, the buttons, with each test on
// a diary of its own in a temporary directory.
#include "app/main_screen.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/single_instance.h"
#include "app/startup.h"
#include "app/tests/scripted_prompter.h"
#include "controls/graphic_panel.h"
#include "controls/ring_panel.h"
#include "richtext/model/stream.h"
#include "richtext/toolbar/wp_ruler.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"
#include "store/cipher.h"
#include "store/ini_file.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

// The machine's file system, with copies that fail on request (a disk that is full when the
// damaged copy of an entry is made).
class CopyFailingFileSystem final : public FileSystem {
 public:
  bool failCopies = false;

  Result<std::string> ReadFile(const std::string& path) override { return real_.ReadFile(path); }
  Status WriteFileAtomically(const std::string& path, std::string_view bytes) override {
    return real_.WriteFileAtomically(path, bytes);
  }
  Status WriteFileInPlace(const std::string& path, std::string_view bytes) override {
    return real_.WriteFileInPlace(path, bytes);
  }
  Status AppendToFile(const std::string& path, std::string_view bytes) override {
    return real_.AppendToFile(path, bytes);
  }
  Status CopyFile(const std::string& src, const std::string& dst) override {
    return failCopies ? Status::Error("No space left on device") : real_.CopyFile(src, dst);
  }
  Status Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  Status RemoveFile(const std::string& path) override { return real_.RemoveFile(path); }
  Status CreateDirectory(const std::string& path) override { return real_.CreateDirectory(path); }
  bool FileExists(const std::string& path) override { return real_.FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return real_.DirectoryExists(path); }
  Result<std::vector<std::string>> ListDirectory(const std::string& path) override {
    return real_.ListDirectory(path);
  }

 private:
  FileSystem& real_ = RealFileSystem();
};

// A started diary on its own directory, its window shown and active.
struct Diary {
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  CopyFailingFileSystem fileSystem;
  std::unique_ptr<MainScreen> window;

  explicit Diary(const QByteArray& settings = "[Opening Screen]\r\nshow=0\r\n") {
    QFile ini(dir.path() + "/KW.INI");
    if (ini.open(QIODevice::WriteOnly)) ini.write(settings);
    ini.close();
    if (PrepareStart({"inkwend", "--data-dir", dir.path()}) != StartResult::Run) return;
    Open();
  }
  ~Diary() {
    window.reset();
    ReleaseInstanceLock();
  }
  void Open() {
    window = std::make_unique<MainScreen>(nullptr, fileSystem);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("the main window did not become active");
  }
  // A control of the window by its object name (the design's name).
  template <class T>
  T* child(const char* name) const {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("the window has no control %s", name);
    return found;
  }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  QToolButton* speedButton(const char* name) const { return child<QToolButton>(name); }
  WPRichText& editor() const { return *child<WPRichText>("WPRichText1"); }
  WPRichText& scratchEditor() const { return *child<WPRichText>("WPRichTextAllPurpose"); }
  QLabel* dateLabel() const { return child<QLabel>("DateLabel"); }
  RingPanel* page() const { return child<RingPanel>("RingPanel1"); }
  QAction* wrapTextItem() const { return child<QAction>("WrapTextItem"); }
  QString entryPath(QDate d) const { return dir.path() + "/Entries/" + d.toString("yyyyMMdd") + ".KWE"; }
  bool hasFile(QDate d) const { return QFileInfo(entryPath(d)).isFile(); }
  QByteArray fileBytes(QDate d) const {
    QFile f(entryPath(d));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void writeFile(QDate d, const QByteArray& bytes) const {
    QFile f(entryPath(d));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  }
  // Shows a day as the navigation does.
  void show(QDate d) const {
    window->SetCurrentDate(d);
    window->FindDateRecord();
    window->LoadRichText();
  }
  // Each character as a key carrying its text (also those no key of the test keyboard has).
  void type(const QString& text) const {
    for (QChar c : text)
      QTest::sendKeyEvent(QTest::Click, &editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  void click(QAbstractButton* b) const { QTest::mouseClick(b, Qt::LeftButton); }
  // The text of the shown entry, paragraphs separated by '\n'.
  QString text() const {
    QString out;
    for (Paragraph* p = editor().Memo().Document().FirstParagraph(); p; p = p->next) {
      if (!out.isEmpty() || p != editor().Memo().Document().FirstParagraph()) out += '\n';
      for (char32_t c : p->Text()) out += QString::fromUcs4(&c, 1);
    }
    return out;
  }
  std::string editorRtf() const {
    MemoryStream stream;
    editor().SaveToStream(stream);
    return stream.Bytes();
  }
  bool modified() const { return window->Modified(); }
  IniFile settings() const {
    QFile f(dir.path() + "/KW.INI");
    return IniFile(f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string());
  }
};

}  // namespace

class MainScreenTest : public QObject {
  Q_OBJECT
 private slots:
  void typeAndSaveWithCtrlS_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("focusInEditor");
    QTest::newRow("plain, key hook in the editor") << QByteArray() << true;
    QTest::newRow("enciphered, key hook in the editor") << QByteArray("Secret") << true;
    QTest::newRow("plain, menu shortcut elsewhere") << QByteArray() << false;
  }
  void typeAndSaveWithCtrlS() {
    QFETCH(QByteArray, password);
    QFETCH(bool, focusInEditor);
    Diary d;
    const QDate today = QDate::currentDate();
    d.window->Session().SetPassword(password.toStdString());
    QVERIFY(d.editor().hasFocus());
    QVERIFY(!d.modified());
    d.type("Dear diary, caf\u00e9 \u65e5\u8a18");
    QVERIFY(d.modified());
    QVERIFY(!d.button("CancelButton")->isHidden());
    QVERIFY(!d.hasFile(today));  // nothing is written before the save
    QWidget* target = &d.editor();
    if (!focusInEditor) {
      d.button("BitBtn1")->setFocus();
      QVERIFY(!d.editor().hasFocus());
      target = d.button("BitBtn1");
    }
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!d.modified());
    QVERIFY(d.button("CancelButton")->isHidden());
    QVERIFY(d.window->Session().HasEntry());

    const std::string rtf = d.editorRtf();
    QVERIFY(QByteArray::fromStdString(rtf).startsWith("{\\rtf1"));
    QVERIFY(QByteArray::fromStdString(rtf).contains("Dear diary, caf\\'e9"));
    const QByteArray file = d.fileBytes(today);
    QCOMPARE(file.size(), qsizetype(rtf.size()));
    if (password.isEmpty()) {
      QCOMPARE(file, QByteArray::fromStdString(rtf));
    } else {
      QVERIFY(file != QByteArray::fromStdString(rtf));
      QCOMPARE(DecryptBytes(file.toStdString(), password.toStdString()), rtf);
    }
    QVERIFY(!QFile::exists(d.dir.path() + "/Eraseme.rtf"));
    QVERIFY(d.prompter.messages.isEmpty());

    // Away and back: the entry reads back, through the cipher when there is one.
    d.click(d.button("Nextbutton"));
    QCOMPARE(d.text(), QString());
    d.click(d.button("PriorButton"));
    QCOMPARE(d.text(), QString("Dear diary, caf\u00e9 \u65e5\u8a18"));
    QVERIFY(!d.modified());
  }

  void saveWritesOnlyWhatChanged() {
    Diary d;
    const QDate today = QDate::currentDate();
    // Typing and then removing every character leaves a new day without a file.
    d.type("x");
    QTest::keyClick(&d.editor(), Qt::Key_Backspace);
    QVERIFY(d.modified());
    QVERIFY(d.window->SaveButtonClick());
    QVERIFY(!d.hasFile(today));
    QVERIFY(!d.window->Session().HasEntry());
    // An unchanged entry is not written again: a file removed behind the window stays away.
    d.type("kept");
    d.window->SaveButtonClick();
    QVERIFY(d.hasFile(today));
    QFile::remove(d.entryPath(today));
    d.click(d.button("BitBtn1"));
    QVERIFY(!d.hasFile(today));
    // Emptying an entry removes its file at the save, and the day gets the default font again.
    d.type("again");
    d.window->SaveButtonClick();
    QVERIFY(d.hasFile(today));
    d.editor().SelectAll();
    QTest::keyClick(&d.editor(), Qt::Key_Delete);
    QVERIFY(d.modified());
    QTest::keyClick(&d.editor(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!d.hasFile(today));
    QVERIFY(!d.window->Session().HasEntry());
  }

  void nextAndPrevAcrossYearEndAndLeapDay_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Next on 31 December")
        << QDate(2023, 12, 31) << "Next" << QDate(2024, 1, 1) << "Monday, January 1, 2024";
    QTest::newRow("Prev on 1 January")
        << QDate(2024, 1, 1) << "Prev" << QDate(2023, 12, 31) << "Sunday, December 31, 2023";
    QTest::newRow("Prev on 1 March of a leap year")
        << QDate(2024, 3, 1) << "Ctrl+PgUp" << QDate(2024, 2, 29) << "Thursday, February 29, 2024";
    QTest::newRow("Next on the leap day")
        << QDate(2024, 2, 29) << "Ctrl+PgDn" << QDate(2024, 3, 1) << "Friday, March 1, 2024";
    QTest::newRow("Next on 28 February of a common year")
        << QDate(2023, 2, 28) << "Next" << QDate(2023, 3, 1) << "Wednesday, March 1, 2023";
  }
  void nextAndPrevAcrossYearEndAndLeapDay() {
    QFETCH(QDate, from);
    QFETCH(QString, how);
    QFETCH(QDate, to);
    QFETCH(QString, caption);
    Diary d;
    d.show(from);
    d.editor().setFocus();
    // The modified day is saved on the way, without a question.
    d.type("written on " + from.toString(Qt::ISODate));
    if (how == "Next") d.click(d.button("Nextbutton"));
    if (how == "Prev") d.click(d.button("PriorButton"));
    if (how == "Ctrl+PgDn") QTest::keyClick(&d.editor(), Qt::Key_PageDown, Qt::ControlModifier);
    if (how == "Ctrl+PgUp") QTest::keyClick(&d.editor(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(d.window->CurrentDate(), to);
    QCOMPARE(d.dateLabel()->text(), caption);
    QVERIFY(d.hasFile(from));
    QVERIFY(!d.modified());
    QVERIFY(d.prompter.messages.isEmpty());
    QCOMPARE(d.text(), QString());
    QVERIFY(!d.window->Session().HasEntry());
  }

  void firstAndLastIncludeToday() {
    Diary d;
    const QDate today = QDate::currentDate();
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(QDate(2001, 5, 6), "{\\rtf1 old}");
    d.writeFile(today.addYears(2), "{\\rtf1 future}");
    QFile notes(d.dir.path() + "/Entries/notes.KWE");
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    d.click(d.button("FirstButton"));
    QCOMPARE(d.window->CurrentDate(), QDate(2001, 5, 6));
    QCOMPARE(d.text(), QString("old"));
    d.click(d.button("LastButton"));
    QCOMPARE(d.window->CurrentDate(), today.addYears(2));
    QCOMPARE(d.text(), QString("future"));
    QFile::remove(d.entryPath(today.addYears(2)));
    d.click(d.button("LastButton"));
    QCOMPARE(d.window->CurrentDate(), today);
  }

  void cancelRestoresSavedText() {
    Diary d;
    const QDate day(2024, 6, 10);
    d.show(day);
    d.editor().setFocus();
    d.type("first");
    d.window->SaveButtonClick();
    const QByteArray saved = d.fileBytes(day);
    QTest::keyClick(&d.editor(), Qt::Key_Return);
    d.type("second");
    QCOMPARE(d.text(), QString("first\nsecond"));
    d.click(d.button("CancelButton"));
    QCOMPARE(d.text(), QString("first"));
    QVERIFY(!d.modified());
    QCOMPARE(d.fileBytes(day), saved);
    // A day without entry is emptied by Cancel.
    d.show(day.addDays(1));
    d.type("scratch");
    d.click(d.button("CancelButton"));
    QCOMPARE(d.text(), QString());
    QVERIFY(!d.hasFile(day.addDays(1)));
  }

  void deleteEntry_data() {
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("then");
    QTest::addColumn<bool>("fileKept");
    QTest::newRow("Yes, then Cancel keeps the file") << true << "Cancel" << true;
    QTest::newRow("Yes, then Next removes it") << true << "Next" << false;
    QTest::newRow("No, then Next keeps it") << false << "Next" << true;
  }
  void deleteEntry() {
    QFETCH(bool, answerYes);
    QFETCH(QString, then);
    QFETCH(bool, fileKept);
    Diary d;
    const QDate day(2024, 2, 29);
    d.show(day);
    d.editor().setFocus();
    d.type("leap day");
    d.window->SaveButtonClick();
    const QByteArray saved = d.fileBytes(day);
    d.prompter.answerYes = answerYes;
    d.click(d.speedButton("Deletebutton"));
    QCOMPARE(d.prompter.messages, QStringList{"Confirm: Delete this entry?"});
    QCOMPARE(d.modified(), answerYes);
    QCOMPARE(d.text(), answerYes ? QString() : QString("leap day"));
    d.click(then == "Cancel" ? d.button("CancelButton") : d.button("Nextbutton"));
    QCOMPARE(d.hasFile(day), fileKept);
    if (fileKept) QCOMPARE(d.fileBytes(day), saved);
    // Back on the day: the entry, or an empty day in the default font.
    d.show(day);
    QCOMPARE(d.text(), fileKept ? QString("leap day") : QString());
    QCOMPARE(d.window->Session().HasEntry(), fileKept);
  }

  void todayOnModifiedTodaySavesAndReloads() {
    Diary d;
    const QDate today = QDate::currentDate();
    d.type("morning");
    QVERIFY(d.editor().GetCaretPosition() > 0);
    d.click(d.button("BitBtn1"));
    QVERIFY(d.hasFile(today));
    QVERIFY(!d.modified());
    QCOMPARE(d.window->CurrentDate(), today);
    QCOMPARE(d.text(), QString("morning"));
    QCOMPARE(d.editor().GetCaretPosition(), 0);
  }

  void actionButtonsKeepTheirPlacesWhenSaveAndCancelShow() {
    Diary d;
    const std::initializer_list<QWidget*> steady{
        d.button("FirstButton"), d.button("PriorButton"), d.button("BitBtn1"),        d.button("Nextbutton"),
        d.button("LastButton"),  d.button("Hidebutton"),  d.button("ExplorerButton1")};
    auto places = [&] {
      QCoreApplication::processEvents();  // let the panel's layout react to shown and hidden buttons
      QList<QRect> out;
      for (QWidget* w : steady) out << w->geometry();
      return out;
    };
    const QList<QRect> before = places();
    QVERIFY(d.button("SaveButton")->isHidden());
    d.type("x");
    QVERIFY(d.button("SaveButton")->isVisible());
    QCOMPARE(places(), before);
    // Save and Cancel sit in their own slots, left of First, not over it.
    QVERIFY(d.button("SaveButton")->geometry().right() < d.button("CancelButton")->x());
    QVERIFY(d.button("CancelButton")->geometry().right() < d.button("FirstButton")->x());
    QVERIFY(d.window->SaveButtonClick());
    QVERIFY(d.button("SaveButton")->isHidden());
    QCOMPARE(places(), before);
  }

  void resizeMovesCaretToStartAndLaysOutThePage() {
    Diary d;
    d.type("a line of text");
    QVERIFY(d.editor().GetCaretPosition() > 0);
    d.window->resize(d.window->width() + 80, d.window->height() + 40);
    QTRY_COMPARE(d.editor().GetCaretPosition(), 0);
    // Label, rules and editor share the page's inner column.
    const int left = d.page()->leftEdge + 15;
    const int width = d.page()->width() - d.page()->leftEdge - d.page()->rightEdge - 20;
    for (QWidget* w : std::initializer_list<QWidget*>{d.dateLabel(), d.child<QFrame>("TopLine"),
                                                      d.child<QFrame>("Bottomline"), &d.editor()}) {
      QCOMPARE(w->x(), left);
      QCOMPARE(w->width(), width);
    }
    QCOMPARE(d.editor().y(), 35);
    QCOMPARE(d.editor().y() + d.editor().height(), d.page()->height() - 22);
    QCOMPARE(d.child<QFrame>("Bottomline")->y(), d.page()->height() - 20);
  }

  void entryOfTodayIsLaidOutOnceAtTheWidthItIsShownAt_data() {
    QTest::addColumn<int>("words");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("longer than the page") << 2000 << true;
    QTest::newRow("one line") << 3 << false;
  }
  void entryOfTodayIsLaidOutOnceAtTheWidthItIsShownAt() {
    QFETCH(int, words);
    QFETCH(bool, scrolls);
    Diary d;
    d.writeFile(QDate::currentDate(), "{\\rtf1 " + QByteArray("word ").repeated(words) + "}");
    // Started again on the diary, the entry of today is read while the window is still hidden.
    d.window.reset();
    d.window = std::make_unique<MainScreen>(nullptr, d.fileSystem);
    const TextLayout& layout = d.editor().Memo().Layout();
    const int width = layout.LayoutWidth(), lines = layout.TotalLines();
    QVERIFY(width > 200);
    d.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.window.get()));
    QCoreApplication::processEvents();
    QCOMPARE(d.editor().verticalScrollBar()->isVisible(), scrolls);
    QCOMPARE(layout.LayoutWidth(), d.editor().viewport()->width());
    // A long entry keeps the lines it was read into; a short one is laid out again without the
    // scroll bar it turned out not to need.
    if (scrolls) {
      QCOMPARE(layout.LayoutWidth(), width);
      QCOMPARE(layout.TotalLines(), lines);
    }
  }

  void windowIconFollowsTheFirstPaint() {
    Diary d;
    d.window.reset();
    d.window = std::make_unique<MainScreen>(nullptr, d.fileSystem);
    QVERIFY(d.window->windowIcon().isNull());  // nothing drawn before the window is
    d.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.window.get()));
    QTRY_VERIFY(!d.window->windowIcon().isNull());
    QVERIFY(d.window->windowIcon().availableSizes().contains(QSize(256, 256)));
  }

  void closeSavesEntryPreferencesAndPlacement() {
    Diary d;
    const QDate today = QDate::currentDate();
    d.type("evening");
    QVERIFY(d.window->close());
    QVERIFY(d.hasFile(today));
    const IniFile ini = d.settings();
    QVERIFY(ini.ReadInteger("TMainScreen_Placement", "Bottom", 0) > 0);
    QCOMPARE(ini.ReadString("Default Font", "Name", ""), std::string("Arial"));
    // The next start shows the entry.
    d.window.reset();
    d.Open();
    QCOMPARE(d.text(), QString("evening"));
  }

  void savingFailureKeepsTheText() {
    Diary d;
    const QDate day(2024, 7, 1);
    // A folder where the entry file would go: the save cannot replace it.
    QVERIFY(QDir().mkpath(d.entryPath(day) + "/blocker"));
    d.show(day);
    d.editor().setFocus();
    d.type("precious");
    QTest::keyClick(&d.editor(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(d.prompter.messages[0].contains("was not saved; your text is still in the editor"));
    QVERIFY(d.modified());
    // Navigation does not leave the unsaved day behind.
    d.click(d.button("Nextbutton"));
    QCOMPARE(d.window->CurrentDate(), day);
    QCOMPARE(d.text(), QString("precious"));
    // Closing asks before the changes are lost; No keeps the window open.
    d.prompter.answerYes = false;
    QVERIFY(!d.window->close());
    QCOMPARE(d.text(), QString("precious"));
    // Once the obstacle is gone the same day saves.
    QDir(d.entryPath(day)).removeRecursively();
    QVERIFY(d.window->SaveButtonClick());
    QVERIFY(d.hasFile(day));
  }

  void unreadableEntriesAreLeftAlone_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("enciphered with another password")
        << QByteArray("right") << QByteArray::fromStdString(EncryptBytes("{\\rtf1 secret}", "wrong"))
        << "cannot be deciphered";
    QTest::newRow("not an entry") << QByteArray() << QByteArray("\x01\x02garbage\xff", 10) << "does not hold";
    QTest::newRow("empty file") << QByteArray() << QByteArray() << "does not hold";
  }
  void unreadableEntriesAreLeftAlone() {
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    Diary d;
    const QDate day(2024, 8, 15);
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(day, file);
    d.window->Session().SetPassword(password.toStdString());
    d.show(day);
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY2(d.prompter.messages[0].contains(message), qPrintable(d.prompter.messages[0]));
    QVERIFY(!d.window->loading);
    // Typing cannot replace the file; moving on leaves it as it was.
    d.editor().setFocus();
    d.type("overwrite");
    QVERIFY(!d.modified());
    d.click(d.button("Nextbutton"));
    QCOMPARE(d.fileBytes(day), file);
    // Delete Entry still removes it.
    d.show(day);
    d.click(d.speedButton("Deletebutton"));
    d.window->SaveButtonClick();
    QVERIFY(!d.hasFile(day));
  }

  void damagedEntryShowsWhatCanBeReadAndKeepsTheOriginal() {
    Diary d;
    const QDate day(2024, 9, 1);
    const QByteArray damaged("{\\rtf1 kept text\\");  // cut off inside a control word
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(day, damaged);
    d.show(day);
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY2(d.prompter.messages[0].contains("is damaged; what could be read is shown"),
             qPrintable(d.prompter.messages[0]));
    QCOMPARE(d.text(), QString("kept text"));
    // Moving on without a change leaves the file alone; a changed entry keeps the original.
    d.click(d.button("Nextbutton"));
    QCOMPARE(d.fileBytes(day), damaged);
    QVERIFY(!QFile::exists(d.entryPath(day) + ".damaged"));
    d.show(day);
    d.editor().setFocus();
    d.type("!");
    d.click(d.button("SaveButton"));
    QVERIFY(d.fileBytes(day).startsWith("{\\rtf1"));
    QVERIFY(d.fileBytes(day) != damaged);
    QFile original(d.entryPath(day) + ".damaged");
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), damaged);

    // Damaged again: the earlier copy stays, and the new one gets a name of its own.
    const QByteArray again("{\\rtf1 second\\");
    d.writeFile(day, again);
    d.prompter.messages.clear();
    d.show(day);
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY2(d.prompter.messages[0].contains(QFileInfo(d.entryPath(day)).fileName() + ".damaged-2."),
             qPrintable(d.prompter.messages[0]));
    QCOMPARE(d.text(), QString("second"));
    d.editor().setFocus();
    d.type("!");
    d.click(d.button("SaveButton"));
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(!d.modified());
    QFile second(d.entryPath(day) + ".damaged-2");
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), again);
    QVERIFY(original.seek(0));
    QCOMPARE(original.readAll(), damaged);
  }

  void damagedEntryWhoseCopyFailsIsLeftAsItIs() {
    Diary d;
    const QDate day(2024, 9, 3);
    const QByteArray damaged("{\\rtf1 kept text\\");
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(day, damaged);
    d.show(day);
    QCOMPARE(d.text(), QString("kept text"));
    d.fileSystem.failCopies = true;
    d.prompter.messages.clear();
    d.editor().setFocus();
    d.type("!");
    d.click(d.button("SaveButton"));
    // The user is told, the entry file is as it was, and the text waits in the editor.
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY2(d.prompter.messages[0].contains("was not saved; your text is still in the editor") &&
                 d.prompter.messages[0].contains("No space left on device"),
             qPrintable(d.prompter.messages[0]));
    QCOMPARE(d.fileBytes(day), damaged);
    QVERIFY(!QFile::exists(d.entryPath(day) + ".damaged"));
    QVERIFY(d.modified());
    d.click(d.button("Nextbutton"));
    QCOMPARE(d.window->CurrentDate(), day);
    // With room again the same text saves, and the original is kept.
    d.fileSystem.failCopies = false;
    QVERIFY(d.window->SaveButtonClick());
    QVERIFY(d.fileBytes(day) != damaged);
    QFile original(d.entryPath(day) + ".damaged");
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), damaged);
  }

  void entryPicturesFromOtherProgramsShowAsBitmaps() {
    // Word and LibreOffice embed pictures as PNG or JPEG data; an entry pasted from them shows
    // the pictures themselves, not empty frames.
    Diary d;
    const QDate day(2024, 9, 2);
    auto hex = [](const char* format, int w, int h) {
      QImage image(w, h, QImage::Format_RGB32);
      image.fill(Qt::red);
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, format);
      return bytes.toHex();
    };
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(day, "{\\rtf1\\ansi a{\\pict\\pngblip\\picw4\\pich3 " + hex("PNG", 4, 3) +
                         "}b{\\pict\\jpegblip " + hex("JPG", 8, 6) + "}c}");
    d.show(day);
    QCOMPARE(d.prompter.messages.size(), 0);
    const auto& objects = d.editor().Memo().Document().Objects();
    QCOMPARE(objects.size(), size_t{2});
    QVERIFY(objects[0]->graphic.Bitmap() != nullptr);
    QCOMPARE(objects[0]->graphic.Bitmap()->width, 4);
    QVERIFY(objects[1]->graphic.Bitmap() != nullptr);
    QCOMPARE(objects[1]->graphic.Bitmap()->height, 6);
  }

  void scratchEditorLoadsAnyDay() {
    Diary d;
    d.window->Session().SetPassword("pw");
    const QDate shown = QDate::currentDate(), other(2020, 2, 29);
    QDir().mkpath(d.dir.path() + "/Entries");
    d.writeFile(other, QByteArray::fromStdString(EncryptBytes("{\\rtf1 scratch}", "pw")));
    d.type("shown day");
    // A diary-wide walk sets the day, loads it into the scratch editor and restores the day.
    d.window->SetCurrentDate(other);
    QString error;
    QVERIFY(d.window->LoadRichTextAllPurp(&error));
    QVERIFY(error.isEmpty());
    QCOMPARE(d.scratchEditor().Memo().Document().FirstParagraph()->CharCount(), 7);
    QVERIFY(!d.scratchEditor().isVisible());
    // The shown day, its flag, caption and modified state are untouched.
    QCOMPARE(d.text(), QString("shown day"));
    QVERIFY(d.modified());
    QVERIFY(!d.window->Session().HasEntry());
    QVERIFY(!d.dateLabel()->text().contains("2020"));
    // A day without entry leaves it empty; one enciphered with another password is refused.
    d.window->SetCurrentDate(other.addDays(1));
    QVERIFY(d.window->LoadRichTextAllPurp());
    QVERIFY(d.scratchEditor().IsEmpty());
    d.window->SetCurrentDate(other);
    d.window->Session().SetPassword("other");
    QVERIFY(!d.window->LoadRichTextAllPurp(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(d.scratchEditor().IsEmpty());
    d.window->SetCurrentDate(shown);
  }

  void defaultFontForDaysWithoutEntry() {
    Diary d(
        "[Opening Screen]\r\nshow=0\r\n[Default Font]\r\nName=Courier "
        "New\r\nSize=14\r\nBold=1\r\nColor=255\r\n");
    d.show(QDate(2024, 1, 2));
    const CharAttr a = d.editor().GetCurrentAttr();
    QCOMPARE(a.pointSize, uint8_t(14));
    QVERIFY(a.styleBits & kStyleBold);
    QVERIFY(!(a.styleBits & kStyleItalic));
    QCOMPARE(d.editor().PaletteColor(a.colorIndexes & 0x0F), ColorRef(255));
    QCOMPARE(a.fontIndex, uint8_t(d.editor().FontIndexOf("Courier New")));
    // Typed text keeps it, also after the caret was moved to the start by a resize.
    d.window->resize(d.window->width() + 30, d.window->height());
    QTRY_COMPARE(d.editor().GetCaretPosition(), 0);
    d.type("x");
    QCOMPARE(d.editor().GetCurrentAttr().pointSize, uint8_t(14));
    const QByteArray rtf = QByteArray::fromStdString(d.editorRtf());
    QVERIFY(rtf.contains("\\fs28") && rtf.contains("\\b x"));

    // Changing the default font stores it; the text on screen stays as it is.
    d.prompter.script = [](QDialog& dialog) {
      auto* size = dialog.findChild<QComboBox*>("FontSize");
      size->setCurrentText("20");
      dialog.findChild<QCheckBox*>("Bold")->setChecked(false);
      dialog.accept();
    };
    d.window->ChangeDefaultFont();
    QCOMPARE(d.editor().GetCurrentAttr().pointSize, uint8_t(14));
    const IniFile ini = d.settings();
    QCOMPARE(ini.ReadInteger("Default Font", "Size", 0), 20);
    QCOMPARE(ini.ReadString("Default Font", "Bold", ""), std::string("0"));
    QCOMPARE(ini.ReadInteger("Default Font", "Color", 0), 255);
    d.show(QDate(2024, 1, 3));
    QCOMPARE(d.editor().GetCurrentAttr().pointSize, uint8_t(20));

    // A cancelled choice is not stored, neither now nor when the window closes.
    d.prompter.script = [](QDialog& dialog) {
      QCOMPARE(dialog.findChild<QComboBox*>("FontSize")->currentText(), QString("20"));
      dialog.findChild<QComboBox*>("FontSize")->setCurrentText("30");
      dialog.reject();
    };
    d.window->ChangeDefaultFont();
    QVERIFY(d.window->close());
    QCOMPARE(d.settings().ReadInteger("Default Font", "Size", 0), 20);
  }

  void insertDateTimeAndPageBreak() {
    Diary d;
    QTest::keyClick(&d.editor(), Qt::Key_D, Qt::ControlModifier);
    const QString date = d.text();
    QVERIFY(date.endsWith(' '));
    QVERIFY2(date.contains(QString::number(QDate::currentDate().year())), qPrintable(date));
    QVERIFY(d.modified());
    d.window->SaveButtonClick();
    QTest::keyClick(&d.editor(), Qt::Key_T, Qt::ControlModifier);
    QVERIFY(d.modified());
    QVERIFY(d.text().size() > date.size());
    d.click(d.speedButton("DocPageBreakButton"));
    Paragraph* second = d.editor().Memo().Document().FirstParagraph()->next;
    QVERIFY(second);
    QVERIFY(second->parFlags & kParPageBreak);
  }

  void pageBreakAddsAnEmptyParagraphAfterTheCaretsOne() {
    Diary d;
    // In an empty entry the one paragraph is taken and starts no page.
    d.click(d.speedButton("DocPageBreakButton"));
    QVERIFY(d.modified());
    QCOMPARE(d.text(), QString());
    QVERIFY(!(d.editor().Memo().Document().FirstParagraph()->parFlags & kParPageBreak));

    // With the caret inside a word, the paragraph stays whole and the break follows it.
    d.type("first day");
    QTest::keyClick(&d.editor(), Qt::Key_Return);
    d.type("last");
    d.editor().SetCaretPosition(3);
    d.click(d.speedButton("DocPageBreakButton"));
    QCOMPARE(d.text(), QString("first day\n\nlast"));
    Paragraph* added = d.editor().Memo().Document().FirstParagraph()->next;
    QVERIFY(added->parFlags & kParPageBreak);
    QCOMPARE(d.editor().Memo().CaretPos().par, added);
    QCOMPARE(d.editor().GetCaretPosition(), 10);
    // It writes in the font found at the caret.
    const CharAttr& at_caret = d.editor().Memo().Document().FirstParagraph()->Attrs().front();
    QCOMPARE(added->endAttr.fontIndex, at_caret.fontIndex);
    QCOMPARE(added->endAttr.pointSize, at_caret.pointSize);
  }

  void menuBarItems() {
    Diary d;
    // Caption, shortcut and separators ("-") of each menu, as far as their features exist.
    auto listing = [&](const char* menu_name) {
      QStringList out;
      for (QAction* a : d.window->findChild<QMenu*>(menu_name)->actions()) {
        if (a->isSeparator())
          out << "-";
        else
          out << (a->shortcut().isEmpty() ? a->text() : a->text() + " | " + a->shortcut().toString());
      }
      return out;
    };
    QCOMPARE(listing("FileMenu"),
             QStringList({"Select or Change Password", "-", "Print Setup", "Print | Ctrl+P", "-",
                          "Export to RTF (Rich Text Format)", "-", "E&xit"}));
    QCOMPARE(listing("EditMenu"), QStringList({"&Undo | Ctrl+Z",
                                               "&Redo | Ctrl+Y",
                                               "-",
                                               "Cut | Ctrl+X",
                                               "Copy | Ctrl+C",
                                               "Paste | Ctrl+V",
                                               "Delete Selection",
                                               "-",
                                               "Select All | Ctrl+A",
                                               "Save Changes | Ctrl+S",
                                               "Delete Entry | Alt+D",
                                               "-",
                                               "&Spell Check | Alt+S",
                                               "Insert Today's &Date  | Ctrl+D",
                                               "Insert Current Time | Ctrl+T",
                                               "-",
                                               "&Wrap Text to fit Screen",
                                               "Mark Spelling Errors as You Type",
                                               "-",
                                               "Change Default Font"}));
    QCOMPARE(
        listing("FindMenu"),
        QStringList({"&Find in Current Entry | Ctrl+F", "&Replace in Current Entry | Ctrl+R", "-",
                     "Find Any Entry Containing... | Ctrl+F4", "Find Next Entry Containing... | Ctrl+F5",
                     "Show All Entries Containing... | Ctrl+Shift+F4", "-", "Select a &Date... | Ctrl+G"}));
    QCOMPARE(listing("HelpMenu"), QStringList({"Contents", "About", "-", "Configuration Information"}));
  }

  void editCommandsAndDialogs() {
    Diary d;
    auto action = [&](const QString& text) {
      for (QAction* a : d.window->findChildren<QAction*>())
        if (a->text() == text) return a;
      return static_cast<QAction*>(nullptr);
    };
    d.type("one two");
    d.window->SaveButtonClick();
    // Ctrl+A in the editor selects everything; copying leaves the entry unmodified, cutting
    // and pasting modify it.
    QTest::keyClick(&d.editor(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(d.editor().HasSelection());
    action("Copy")->trigger();
    QVERIFY(!d.modified());
    QCOMPARE(QApplication::clipboard()->text(), QString("one two"));
    action("Cut")->trigger();
    QVERIFY(d.modified());
    QCOMPARE(d.text(), QString());
    d.click(d.button("CancelButton"));
    QCOMPARE(d.text(), QString("one two"));
    action("Paste")->trigger();
    QVERIFY(d.modified());
    QCOMPARE(d.text(), QString("one twoone two"));
    // Without a selection Cut does nothing.
    d.click(d.button("CancelButton"));
    action("Cut")->trigger();
    QVERIFY(!d.modified());

    // Dialogs run through the prompter, centred over the window.
    d.prompter.script = [&](QDialog& dialog) {
      const QPoint centre = dialog.frameGeometry().center();
      const QPoint main = d.window->frameGeometry().center();
      QVERIFY((centre - main).manhattanLength() <= 6);
      dialog.accept();
    };
    d.click(d.speedButton("ParagraphSetupButton"));
    action("About")->trigger();
    QCOMPARE(d.prompter.dialogs.size(), 2);
    QCOMPARE(d.prompter.dialogs.last(), QString("About Inkwend!"));

    QVERIFY(d.modified());  // the paragraph dialog's OK
    d.click(d.button("CancelButton"));
    // A press on the ruler counts as a change of the text; Hide minimises the window.
    QVERIFY(!d.modified());
    QTest::mouseClick(d.child<WPRuler>("WPRuler1"), Qt::LeftButton, {},
                      QPoint(d.child<WPRuler>("WPRuler1")->width() / 2, 5));
    QVERIFY(d.modified());
    d.click(d.button("Hidebutton"));
    QTRY_VERIFY(d.window->isMinimized());
  }

  void wordWrapToggle() {
    Diary d;
    QVERIFY(d.wrapTextItem()->isChecked());
    QVERIFY(d.editor().WordWrap());
    QCOMPARE(d.speedButton("DocWordWrapButton")->toolTip(), QString("Toggle word wrap off"));
    d.click(d.speedButton("DocWordWrapButton"));
    QVERIFY(!d.wrapTextItem()->isChecked());
    QVERIFY(!d.editor().WordWrap());
    QCOMPARE(d.speedButton("DocWordWrapButton")->toolTip(), QString("Toggle word wrap on"));
    d.wrapTextItem()->trigger();
    QVERIFY(d.wrapTextItem()->isChecked());
    QVERIFY(d.editor().WordWrap());
    QCOMPARE(d.speedButton("DocWordWrapButton")->toolTip(), QString("Toggle word wrap off"));
  }

  void toolbarHoldsTheWindowButtonsWithTheTwiceListedSpacerSlot() {
    Diary d;
    WPToolBar* bar = d.child<WPToolBar>("WPToolBar2");
    QTRY_VERIFY(d.child<GraphicPanel>("spacer3")->parentWidget() == bar);
    bar->Flow();
    // In order along the row: delete, gap, page break, gap, paragraph, EMPTY SLOT, word wrap,
    // then the spacer itself.
    QCOMPARE(d.speedButton("Deletebutton")->size(), QSize(20, 20));
    QCOMPARE(d.child<GraphicPanel>("spacer3")->size(), QSize(3, 20));
    QVERIFY(d.child<GraphicPanel>("spacer1")->x() > d.speedButton("Deletebutton")->x());
    QVERIFY(d.speedButton("DocPageBreakButton")->x() > d.child<GraphicPanel>("spacer1")->x());
    const int gap_after_paragraph =
        d.speedButton("DocWordWrapButton")->x() - (d.speedButton("ParagraphSetupButton")->x() + 20);
    const int gap_after_page_break =
        d.speedButton("ParagraphSetupButton")->x() - (d.speedButton("DocPageBreakButton")->x() + 20);
    QCOMPARE(gap_after_paragraph, gap_after_page_break);  // the empty slot is as wide as a spacer
    QVERIFY(d.child<GraphicPanel>("spacer3")->x() > d.speedButton("DocWordWrapButton")->x());
    QCOMPARE(d.child<GraphicPanel>("spacer3")->y(), d.speedButton("DocWordWrapButton")->y() + 1);
    // The print button follows, then the password button, as large as the others.
    QCOMPARE(d.speedButton("Printbutton")->size(), QSize(20, 20));
    QVERIFY(d.speedButton("Printbutton")->x() > d.child<GraphicPanel>("spacer3")->x());
    QCOMPARE(d.speedButton("Printbutton")->toolTip(), QString("Print diary entries"));
    QCOMPARE(d.speedButton("PasswordButton")->size(), QSize(20, 20));
    // Next along the flow: to its right, or on the next row where the font list (as wide as the
    // longest family name installed) leaves no room on the first.
    QToolButton* print = d.speedButton("Printbutton");
    QToolButton* password = d.speedButton("PasswordButton");
    QVERIFY(password->y() > print->y() || (password->y() == print->y() && password->x() > print->x()));
    QCOMPARE(d.speedButton("PasswordButton")->toolTip(), QString("Select or Change Password"));
    QCOMPARE(d.speedButton("Deletebutton")->toolTip(), QString("Delete current entry"));
    QCOMPARE(bar->FontSizeList()->toolTip(), QString("Font Size"));
    QCOMPARE(bar->FontNameList()->toolTip(), QString("Font"));
  }
};

int main(int argc, char** argv) {
  // Day and month names as the captions are compared below.
  qputenv("LC_ALL", "C");
  qputenv("LANG", "C");
  QApplication app(argc, argv);
  MainScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_screen_test.moc"
