// "Find Any Entry Containing..." and "Find Next Entry Containing..." driven by keys, on a diary of
// its own (plain and enciphered).
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include "app/date_text.h"
#include "app/search_dialogs.h"
#include "app/search_results.h"
#include "app/tests/diary_window.h"

using namespace inkwend;
using inkwend::testing::DiaryWindow;

namespace {

const QDate kJan5(2023, 1, 5);
const QDate kFeb2(2023, 2, 2);
const QDate kFeb9(2023, 2, 9);
const QDate kShown(2023, 3, 20);

QByteArray Rtf(const QByteArray& text) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "\\par }";
}

struct SearchDiary : DiaryWindow {
  explicit SearchDiary(const QByteArray& password = {}) : DiaryWindow(password) {
    writeEntry(kJan5, Rtf("A walk by the {\\b SEA}side."));
    writeEntry(kFeb2, Rtf("Rain all day."));
    writeEntry(kFeb9, Rtf("Back to the seaside, and the seaside again."));
    show(kShown);
  }
  // Ctrl+F4 with `text` typed into the ask dialog and Enter (or Escape).
  void findAny(const QString& text, bool cancel = false) {
    prompter.script = [text, cancel](QDialog& dialog) {
      auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("LookForText"));
      QVERIFY(edit && dialog.focusWidget() == edit);  // typing goes into the text at once
      QTest::keyClicks(edit, text);
      QTest::keyClick(edit, cancel ? Qt::Key_Escape : Qt::Key_Return);
    };
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(&editor(), Qt::Key_F4, Qt::ControlModifier);
    // The closed dialog hands activation back, as the desktop does.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }
  void findNext() {
    QVERIFY(QTest::qWaitForWindowActive(window.get()));  // back after the last walk
    QTest::keyClick(&editor(), Qt::Key_F5, Qt::ControlModifier);
  }
  bool findNextEnabled() const { return action("mnuFindNextBig")->isEnabled(); }
  QDate shown() const { return window->CurrentDate(); }
};

}  // namespace

class DiarySearchTest : public QObject {
  Q_OBJECT
 private slots:
  void stepsThroughTheMatchingEntriesInDateOrder_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("plain") << QByteArray();
    QTest::newRow("enciphered") << QByteArray("Secret");
  }
  void stepsThroughTheMatchingEntriesInDateOrder() {
    QFETCH(QByteArray, password);
    SearchDiary d(password);
    QVERIFY(!d.findNextEnabled());
    d.findAny(QStringLiteral("seaside"));
    QCOMPARE(d.prompter.dialogs, QStringList{QStringLiteral("Find text from any entry")});
    QCOMPARE(d.shown(), kJan5);
    QCOMPARE(d.selectedText(), QStringLiteral("SEAside"));  // lower case finds capitals
    QVERIFY(d.findNextEnabled());
    d.findNext();
    QCOMPARE(d.shown(), kFeb9);  // the second match in the same entry is passed by
    QCOMPARE(d.selectedText(), QStringLiteral("seaside"));
    QVERIFY(d.prompter.messages.isEmpty());
    // On the latest match: "No matches", the display stays and the item is disabled.
    d.findNext();
    QCOMPARE(d.prompter.messages, QStringList{QStringLiteral("Information: No matches")});
    QCOMPARE(d.shown(), kFeb9);
    QVERIFY(!d.findNextEnabled());
  }

  void findAnyStartsAtTheEarliestEntryEvenWhenTheShownDayMatches() {
    SearchDiary d;
    d.show(kFeb9);
    d.findAny(QStringLiteral("s*aside"));
    QCOMPARE(d.shown(), kJan5);
  }

  void noMatchReturnsToTheDayShown() {
    SearchDiary d;
    d.findAny(QStringLiteral("mountain"));
    QCOMPARE(d.prompter.messages, QStringList{QStringLiteral("Information: No matches")});
    QCOMPARE(d.shown(), kShown);
    QVERIFY(!d.findNextEnabled());
  }

  void aDiaryWithoutEntriesHasNoMatches() {
    DiaryWindow d;
    d.prompter.script = [](QDialog& dialog) {
      QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("LookForText")), QStringLiteral("x"));
      QTest::keyClick(&dialog, Qt::Key_Return);
    };
    d.action("mnuFindentrycontaining")->trigger();
    QCOMPARE(d.prompter.messages, QStringList{QStringLiteral("Information: No matches")});
    QCOMPARE(d.window->CurrentDate(), QDate::currentDate());
  }

  void cancelChangesNothing() {
    SearchDiary d;
    d.findAny(QStringLiteral("seaside"));
    QCOMPARE(d.shown(), kJan5);
    d.findAny(QStringLiteral("rain"), /*cancel=*/true);
    QCOMPARE(d.shown(), kJan5);
    QVERIFY(d.findNextEnabled());
    QVERIFY(d.prompter.messages.isEmpty());
    // An empty text walks nothing: the last outcome stands and its text is selected again.
    d.findAny(QString());
    QCOMPARE(d.shown(), kJan5);
    QCOMPARE(d.selectedText(), QStringLiteral("SEAside"));
  }

  void unsavedEditsAreSavedBeforeTheWalk() {
    SearchDiary d;
    d.type("Kayak trip");
    d.findAny(QStringLiteral("kayak"));
    QVERIFY(d.fileBytes(kShown).contains("Kayak"));
    QCOMPARE(d.shown(), kShown);
    QCOMPARE(d.selectedText(), QStringLiteral("Kayak"));
  }

  void anUnreadableEntryIsSaidOnceAndTheWalkGoesOn() {
    SearchDiary d("Secret");
    QFile other(d.entryPath(kFeb2));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QByteArray::fromStdString(EncryptBytes(Rtf("seaside").toStdString(), "another password")));
    other.close();
    d.show(kJan5);
    d.findAny(QStringLiteral("seaside"));
    QCOMPARE(d.shown(), kJan5);
    d.findNext();
    QCOMPARE(d.shown(), kFeb9);
    QCOMPARE(d.prompter.messages.size(), 1);
    QVERIFY(
        d.prompter.messages[0].contains(FormatDate(QStringLiteral("ddddd"), kFeb2, SystemDateSettings())));
    d.findAny(QStringLiteral("seaside"));
    d.findNext();
    QCOMPARE(d.shown(), kFeb9);
    QCOMPARE(d.prompter.messages.size(), 1);  // not said again
  }

  void showAllListsEveryMatchingDayAndShowsTheChosenOne() {
    SearchDiary d("Secret");
    d.prompter.script = [](QDialog& dialog) {
      QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("LookForText")),
                       QStringLiteral("seaside"));
      QTest::keyClick(&dialog, Qt::Key_Return);
    };
    QTest::keyClick(&d.editor(), Qt::Key_F4, Qt::ControlModifier | Qt::ShiftModifier);
    auto* results = d.window->findChild<SearchResults*>(QStringLiteral("SearchResults"));
    QVERIFY(results);
    QTreeWidget* list = results->List();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(results->Rows()[0].day, kJan5);
    QCOMPARE(results->Rows()[1].day, kFeb9);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("A walk by the <b>SEAside</b>."));
    QCOMPARE(results->Status(), QStringLiteral("2 entries"));
    QCOMPARE(d.shown(), kShown);  // the list alone changes nothing

    // A click shows the day with the match selected; Enter the chosen row.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    QCOMPARE(d.shown(), kFeb9);
    QCOMPARE(d.selectedText(), QStringLiteral("seaside"));
    QCOMPARE(d.editor().GetCaretPosition(), 19);
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(d.shown(), kJan5);
    QCOMPARE(d.selectedText(), QStringLiteral("SEAside"));
    QVERIFY(results->isVisible());
  }

  void contextEscapesTheTextAndBoldsTheMatch() {
    QCOMPARE(ContextHtml(U"a <b> & c", 2, 3), QStringLiteral("a <b>&lt;b&gt;</b> &amp; c"));
  }
};

QTEST_MAIN(DiarySearchTest)
#include "diary_search_test.moc"
