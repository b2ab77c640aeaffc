// Spelling as you type: what gets marked and when, the right-click menu, and that the marks
// never reach what is stored.
#include "spell/ui/spelling_marker.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QtTest>

#include "richtext/model/stream.h"
#include "spell/ui/tests/spell_fixture.h"

using namespace inkwend;
using namespace inkwend::testing;

namespace {

// Whether every character of the paragraph's [from, to) carries the red mark (or none does).
bool Marked(const WPRichText& editor, int from, int to, const Paragraph* par = nullptr) {
  if (!par) par = editor.Memo().Document().FirstParagraph();
  if (!par->HasAttributes()) return false;
  for (int i = from; i < to; ++i)
    if (!(editor.Memo().Layout().WordFlagsAt(par, i) & kLayoutFlaggedWord)) return false;
  return true;
}
bool Unmarked(const WPRichText& editor, int from, int to) {
  const Paragraph* par = editor.Memo().Document().FirstParagraph();
  for (int i = from; i < to; ++i)
    if (editor.Memo().Layout().WordFlagsAt(par, i) & kLayoutFlaggedWord) return false;
  return true;
}

std::string Rtf(WPRichText& editor) {
  MemoryStream out;
  editor.SaveToStream(out);
  return out.Bytes();
}

}  // namespace

class SpellingMarkerTest : public QObject {
  Q_OBJECT

 private:
  SpellFolder folder_;
  std::unique_ptr<WPRichText> editor_;
  std::unique_ptr<SpellingMarker> marker_;

  void Start(const QString& text) {
    editor_ = EditorWith(text);
    QVERIFY(QTest::qWaitForWindowExposed(editor_.get()));
    editor_->setFocus();
    marker_ = std::make_unique<SpellingMarker>(*editor_, folder_.MainDictionary(), folder_.UserDictionary());
    marker_->onMessage = [](const QString& m) { QFAIL(qPrintable(m)); };
    marker_->SetEnabled(true);
  }
  // Right-clicks the character at `offset` of the first paragraph; returns the menu shown.
  QMenu* RightClick(int offset) {
    editor_->Memo().Layout().Reformat();
    const int64_t keep = editor_->GetCaretPosition();
    editor_->SetCaretPosition(offset);
    const Rect caret = editor_->Memo().CaretRect();
    editor_->SetCaretPosition(keep);
    const QPoint at(caret.left + 2, (caret.top + caret.bottom) / 2);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, editor_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(editor_->viewport(), &e);
    return editor_->ActiveContextMenu();
  }
  static QAction* Action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
      if (a->text() == text) return a;
    return nullptr;
  }

 private slots:
  void init() { QFile::remove(folder_.UserDictionary()); }
  void cleanup() {
    marker_.reset();
    editor_.reset();
  }

  void aTypedWordIsMarkedOnceTheCaretLeavesIt() {
    Start(QString());
    QTest::keyClicks(editor_.get(), QStringLiteral("the catt"));
    QVERIFY(Unmarked(*editor_, 4, 8));  // still being typed
    QTest::keyClick(editor_.get(), Qt::Key_Space);
    QVERIFY(Marked(*editor_, 4, 8));
    QVERIFY(Unmarked(*editor_, 0, 4));

    QTest::keyClicks(editor_.get(), QStringLiteral("mta"));
    QVERIFY(Unmarked(*editor_, 9, 12));
    QTest::keyClick(editor_.get(), Qt::Key_Home);  // leaving it by moving, not by typing
    QVERIFY(Marked(*editor_, 9, 12));

    // Going back into a marked word to mend it: unmarked while there, judged again on leaving.
    editor_->SetCaretPosition(8);
    QTest::keyClick(editor_.get(), Qt::Key_Backspace);
    QVERIFY(Unmarked(*editor_, 4, 7));
    QTest::keyClick(editor_.get(), Qt::Key_End);
    QVERIFY(Unmarked(*editor_, 4, 7));  // "cat" is right
  }

  void wordsTheDictionaryCannotJudgeStayUnmarked() {
    Start(QStringLiteral("don't o\u2019clock 2nd mp3 \u043f\u0440\u0438\u0432\u0435\u0442 hel\u00adlo catt"));
    editor_->SetCaretPosition(0);
    const QString text = EditorText(*editor_);
    QVERIFY(Unmarked(*editor_, 0, static_cast<int>(text.indexOf(QStringLiteral("catt")))));
    QVERIFY(Marked(*editor_, static_cast<int>(text.indexOf(QStringLiteral("catt"))),
                   static_cast<int>(text.size())));
  }

  void aRightClickReplacesTheWordUndoably() {
    Start(QStringLiteral("the catt sat"));
    QVERIFY(Marked(*editor_, 4, 8));
    QMenu* menu = RightClick(5);
    QVERIFY(menu);
    QAction* cat = Action(menu, QStringLiteral("cat"));
    QVERIFY(cat);
    QVERIFY(menu->actions().size() <= SpellingMarker::kMenuSuggestions + 3);
    cat->trigger();
    QCOMPARE(EditorText(*editor_), QStringLiteral("the cat sat"));
    QVERIFY(Unmarked(*editor_, 0, 11));
    editor_->Undo();
    QCOMPARE(EditorText(*editor_), QStringLiteral("the catt sat"));
    // An unmarked word has no menu.
    QVERIFY(!RightClick(1));
  }

  void addToDictionaryAndIgnoreUnmarkEveryCopy() {
    Start(QStringLiteral("zorp Zorp catt catt"));
    QVERIFY(Marked(*editor_, 0, 4) && Marked(*editor_, 5, 9));
    Action(RightClick(1), QStringLiteral("Add to Dictionary"))->trigger();
    QVERIFY(Unmarked(*editor_, 0, 9));  // in either letter case
    QVERIFY(folder_.UserDictionaryHas("ZORP"));
    QCOMPARE(EditorText(*editor_), QStringLiteral("zorp Zorp catt catt"));  // the text is as it was

    Action(RightClick(11), QStringLiteral("Ignore"))->trigger();
    QVERIFY(Unmarked(*editor_, 0, 19));
    QVERIFY(!folder_.UserDictionaryHas("CATT"));  // for this session only
  }

  void marksAreNeverStored() {
    Start(QStringLiteral("the catt sat on teh mat"));
    QVERIFY(Marked(*editor_, 4, 8));
    const std::string marked = Rtf(*editor_);
    marker_->SetEnabled(false);
    QVERIFY(Unmarked(*editor_, 0, 23));
    QCOMPARE(Rtf(*editor_), marked);
    QVERIFY(!RightClick(5));  // no spelling menu while marking is off
  }
};

QTEST_MAIN(SpellingMarkerTest)
#include "spelling_marker_test.moc"
