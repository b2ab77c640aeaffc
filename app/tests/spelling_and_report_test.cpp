// The main window's spelling and configuration report: the spell-check dialog from the menu and
// from the toolbar, marking as you type and its preference, and the report's lines.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/tests/diary_window.h"
#include "spell/engine/dictionary_builder.h"

using namespace inkwend;
using namespace inkwend::testing;

namespace {

void WriteDictionary(const QString& path) {
  std::string bytes;
  const std::vector<std::string> words = {"the", "cat", "sat", "on", "mat", "dog"};
  QVERIFY(spell::BuildMainDictionary(words, {}, spell::BuildOptions{}, bytes, nullptr).IsOk());
  QFile out(path);
  QVERIFY(out.open(QIODevice::WriteOnly));
  out.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

bool Flagged(const WPRichText& editor, int offset) {
  const Paragraph* p = editor.Memo().Document().FirstParagraph();
  return p->HasAttributes() && (editor.Memo().Layout().WordFlagsAt(p, offset) & kLayoutFlaggedWord);
}

QString Text(const WPRichText& editor) {
  const auto t = editor.Memo().Document().FirstParagraph()->Text();
  return QString::fromUcs4(t.data(), static_cast<qsizetype>(t.size()));
}

}  // namespace

class SpellingAndReportTest : public QObject {
  Q_OBJECT

 private slots:
  void spellCheckFromMenuAndToolbar() {
    DiaryWindow d;
    QVERIFY(d.window);
    WriteDictionary(d.dir.path() + "/inkwend.dct");  // the diary's own copy comes first
    d.type("the catt sat ");
    QVERIFY(Flagged(d.editor(), 4));  // marked as typed

    int runs = 0;
    d.prompter.script = [&](QDialog& dialog) {
      ++runs;
      QTest::qWait(0);
      QCOMPARE(dialog.findChild<QLineEdit*>("Word")->text(), QStringLiteral("catt"));
      QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier);
      QTest::qWait(150);  // the button's key clicks after showing it pressed
    };
    d.action("SpellCheck1")->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(Text(d.editor()), QStringLiteral("the cat sat "));
    QVERIFY(d.prompter.messages.contains("Information: Spell check complete"));
    QVERIFY(d.button("SaveButton")->isVisible());  // the entry is modified
    QVERIFY(QFile::exists(d.dir.path() + "/inkwendu.dct"));

    // The toolbar's spell icon opens the same dialog; the entry is clean now.
    d.prompter.messages.clear();
    d.prompter.script = [&](QDialog&) {
      ++runs;
      QTest::qWait(0);
    };
    auto* icon = d.window->findChild<QToolButton*>("WPI_SPELL");
    QVERIFY(icon);
    icon->click();
    QCOMPARE(runs, 2);
    QVERIFY(d.prompter.messages.contains("Information: Spell check complete"));
  }

  void markingCanBeSwitchedOffAndIsRemembered() {
    DiaryWindow d;
    QVERIFY(d.window);
    WriteDictionary(d.dir.path() + "/inkwend.dct");
    d.type("catt ");
    QVERIFY(Flagged(d.editor(), 0));
    QAction* mark = d.action("MarkSpellingItem");
    QVERIFY(mark->isChecked());
    mark->trigger();
    QVERIFY(!mark->isChecked());
    QVERIFY(!Flagged(d.editor(), 0));
    d.window->SavePreferences();
    QFile ini(d.dir.path() + "/KW.INI");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("[Spelling]\r\nMarkAsYouType=0"));
  }

  void theDefaultLeavesTheSettingsFileAsItWas() {
    DiaryWindow d;
    QVERIFY(d.window);
    d.window->SavePreferences();
    QFile ini(d.dir.path() + "/KW.INI");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(!ini.readAll().contains("Spelling"));
  }

  void configurationReport() {
    DiaryWindow d("secret");
    QVERIFY(d.window);
    QString report;
    d.prompter.script = [&](QDialog& dialog) {
      report = dialog.findChild<QPlainTextEdit*>("Memo1")->toPlainText();
      dialog.findChild<QPushButton*>("Button1")->click();
    };
    d.window->findChild<QAction*>("ConfigurationInformation1")->trigger();
    const QStringList lines = report.split('\n');
    QCOMPARE(lines.value(2), QStringLiteral("[Product]"));
    QCOMPARE(lines.value(3), QStringLiteral("Program:     \tInkwend!"));
    QVERIFY(lines.value(7).startsWith("Linux:       \tLinux "));
    QVERIFY(lines.contains("[KW.INI]"));
    QVERIFY(lines.contains("DeFFont      \tArial,10,0,0,0,0"));
    QVERIFY(lines.contains("IconShowing :\t0"));
    QVERIFY(!report.contains("secret"));  // never the password
    QCOMPARE(QApplication::clipboard()->text(), report);
    QVERIFY(d.prompter.messages.contains("Configuration Information: Information copied to the clipboard"));
  }
};

QTEST_MAIN(SpellingAndReportTest)
#include "spelling_and_report_test.moc"
