// The main window's editing keys used as a person would: Undo and Redo by key and menu after
// typing, formatting and the paragraph dialog; Ctrl+B, Ctrl+I, Ctrl+U and the alignment keys
// with the toolbar showing the state; the first window's size.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "app/main_screen.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/tests/scripted_prompter.h"
#include "app/window_placement.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

namespace {

// A started diary on its own directory (no stored placement), its window shown and active.
struct Diary {
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  std::unique_ptr<MainScreen> window;

  Diary() {
    QFile ini(dir.path() + "/KW.INI");
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Opening Screen]\r\nshow=0\r\n");
    ini.close();
    if (PrepareStart({"inkwend", "--data-dir", dir.path()}) != StartResult::Run) return;
    window = std::make_unique<MainScreen>();
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("the main window did not become active");
  }
  ~Diary() {
    window.reset();
    ReleaseInstanceLock();
  }
  template <class T>
  T* child(const char* name) const {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("the window has no control %s", name);
    return found;
  }
  WPRichText& editor() const { return *child<WPRichText>("WPRichText1"); }
  WPToolBar& toolbar() const { return *child<WPToolBar>("WPToolBar2"); }
  QToolButton* icon(const char* name) const { return toolbar().IconButton(QString::fromLatin1(name)); }
  bool modified() const { return child<QPushButton>("SaveButton")->isVisible(); }
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) const {
    QTest::keyClick(&editor(), key, modifiers);
    QTest::qWait(1);  // the toolbar follows the editor after the event
  }
  void type(const QString& text) const { QTest::keyClicks(&editor(), text); }
  QString text() const {
    QString out;
    for (Paragraph* p = editor().Memo().Document().FirstParagraph(); p; p = p->next) {
      if (p != editor().Memo().Document().FirstParagraph()) out += '\n';
      for (char32_t c : p->Text()) out += QString::fromUcs4(&c, 1);
    }
    return out;
  }
  Paragraph* first() const { return editor().Memo().Document().FirstParagraph(); }
};

}  // namespace

class EditingKeysTest : public QObject {
  Q_OBJECT
 private slots:
  void undoAndRedoByKeysAndMenu() {
    Diary d;
    QAction* undo = d.child<QAction>("UndoItem");
    QAction* redo = d.child<QAction>("RedoItem");
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    d.type("hello");
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    d.key(Qt::Key_Z);
    QCOMPARE(d.text(), QString());
    QVERIFY(!undo->isEnabled() && redo->isEnabled());
    d.key(Qt::Key_Y);
    QCOMPARE(d.text(), QString("hello"));
    d.key(Qt::Key_Z);
    d.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.text(), QString("hello"));

    // An inserted date is a step of its own, not part of the typing before it.
    d.key(Qt::Key_D);
    QVERIFY(d.text().size() > 6);
    d.key(Qt::Key_Z);
    QCOMPARE(d.text(), QString("hello"));

    // The menu items do the same, and an undone change still counts as a change of the entry.
    QVERIFY(d.window->SaveButtonClick());
    QVERIFY(!d.modified());
    undo->trigger();
    QCOMPARE(d.text(), QString());
    QVERIFY(d.modified());
    redo->trigger();
    QCOMPARE(d.text(), QString("hello"));
  }

  void formatsDialogsAndPageBreaksUndoAsOneStepEach() {
    Diary d;
    d.type("one two");
    d.key(Qt::Key_A);
    QTest::mouseClick(d.icon("WPI_BOLD"), Qt::LeftButton);
    QVERIFY(d.first()->Attrs()[0].styleBits & kStyleBold);
    d.editor().setFocus();
    d.key(Qt::Key_Z);
    QCOMPARE(d.first()->Attrs()[0].styleBits & kStyleBold, 0);
    QCOMPARE(d.text(), QString("one two"));
    d.key(Qt::Key_Y);
    QVERIFY(d.first()->Attrs()[6].styleBits & kStyleBold);

    d.prompter.script = [](QDialog& dialog) {
      dialog.findChild<QLineEdit*>("LeftIndent")->setText("1");
      dialog.findChild<QLineEdit*>("SpaceBeforePts")->setText("12");
      QTest::mouseClick(dialog.findChild<QPushButton*>("Okbutton"), Qt::LeftButton);
    };
    QTest::mouseClick(d.child<QToolButton>("ParagraphSetupButton"), Qt::LeftButton);
    QCOMPARE(d.first()->leftIndent, 1440);
    QCOMPARE(d.first()->spaceBefore, 240);
    d.key(Qt::Key_Z);
    QCOMPARE(d.first()->leftIndent, 0);
    QCOMPARE(d.first()->spaceBefore, 0);
    QVERIFY(d.first()->Attrs()[0].styleBits & kStyleBold);  // the format is the next step

    // The page break is a new paragraph after the caret's one, which stays whole.
    d.editor().SetCaretPosition(3);
    QTest::mouseClick(d.child<QToolButton>("DocPageBreakButton"), Qt::LeftButton);
    QCOMPARE(d.text(), QString("one two\n"));
    d.editor().setFocus();
    d.key(Qt::Key_Z);
    QCOMPARE(d.text(), QString("one two"));
  }

  void formatKeysToggleAsTheToolbarDoes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("style");
    QTest::newRow("bold") << int(Qt::Key_B) << "WPI_BOLD" << int(kStyleBold);
    QTest::newRow("italic") << int(Qt::Key_I) << "WPI_ITALIC" << int(kStyleItalic);
    QTest::newRow("underline") << int(Qt::Key_U) << "WPI_UNDER" << int(kStyleUnderline);
  }
  void formatKeysToggleAsTheToolbarDoes() {
    QFETCH(int, key);
    QFETCH(QString, icon);
    QFETCH(int, style);
    Diary d;
    QToolButton* button = d.icon(icon.toLatin1().constData());
    d.type("word");
    d.key(Qt::Key_A);
    d.key(Qt::Key(key));
    QVERIFY(d.first()->Attrs()[0].styleBits & style);
    QVERIFY(d.first()->Attrs()[3].styleBits & style);
    QVERIFY(button->isChecked());
    QVERIFY(d.modified());
    d.key(Qt::Key(key));
    QCOMPARE(d.first()->Attrs()[0].styleBits & style, 0);
    QVERIFY(!button->isChecked());
    // Without a selection the key sets what is typed next.
    d.key(Qt::Key_End, Qt::NoModifier);
    d.key(Qt::Key(key));
    QVERIFY(button->isChecked());
    d.type("s");
    QVERIFY(d.first()->Attrs()[4].styleBits & style);
    QCOMPARE(d.first()->Attrs()[3].styleBits & style, 0);
    QVERIFY(button->isChecked());
  }

  void alignmentKeys() {
    Diary d;
    d.type("line");
    const struct {
      Qt::Key key;
      const char* icon;
      uint8_t alignment;
    } cases[] = {{Qt::Key_E, "WPI_CENTER", kAlignCenter},
                 {Qt::Key_J, "WPI_JUSTIFIED", kAlignJustify},
                 {Qt::Key_L, "WPI_LEFT", kAlignLeft}};
    for (const auto& c : cases) {
      d.key(c.key);
      QCOMPARE(int(d.first()->alignment), int(c.alignment));
      QVERIFY2(d.icon(c.icon)->isChecked(), c.icon);
    }
  }

  void firstWindowShowsTheWholeToolbarInOneRow() {
    Diary d;
    WPToolBar& bar = d.toolbar();
    QVERIFY(d.window->width() >= bar.OneRowWidth());
    int top = -1;
    for (const auto& control : bar.Controls()) {
      if (!control || !control->isVisible()) continue;
      if (top < 0) top = control->y();
      QVERIFY2(std::abs(control->y() - top) <= 1, qPrintable(control->objectName()));
    }
    const QRect available = d.window->screen()->availableGeometry();
    QCOMPARE(d.window->size(), DefaultWindowSize(available.size(), bar.OneRowWidth()));
  }

  void defaultWindowSize_data() {
    QTest::addColumn<QSize>("available");
    QTest::addColumn<int>("toolbar");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("two thirds") << QSize(1920, 1080) << 900 << QSize(1280, 720);
    QTest::newRow("toolbar wider") << QSize(1024, 768) << 760 << QSize(760, 512);
    QTest::newRow("designed size at least") << QSize(800, 600) << 0 << QSize(622, 402);
    QTest::newRow("never beyond the screen") << QSize(640, 380) << 900 << QSize(640, 380);
  }
  void defaultWindowSize() {
    QFETCH(QSize, available);
    QFETCH(int, toolbar);
    QFETCH(QSize, expected);
    QCOMPARE(DefaultWindowSize(available, toolbar), expected);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  EditingKeysTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "editing_keys_test.moc"
