// The spell-check dialog driven by keys over an editor: the walk, Skip, Replace, Add, the end of
// the walk, and every way the dictionaries can be missing.
#include "spell/ui/spell_check_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "spell/ui/tests/spell_fixture.h"

using namespace inkwend;
using namespace inkwend::testing;

class SpellCheckDialogTest : public QObject {
  Q_OBJECT

 private:
  static constexpr int kAnimatedClickMs = 150;
  SpellFolder folder_;
  std::unique_ptr<WPRichText> editor_;
  std::unique_ptr<SpellCheckDialog> dialog_;
  QStringList messages_;
  int changes_ = 0;

  // Opens the dialog over an editor holding `text` and waits for the walk's first stop.
  void Open(const QString& text, const QString& main = {}, const QString& user = {}) {
    editor_ = EditorWith(text);
    editor_->onChange = [this](WPRichText&) { ++changes_; };
    dialog_ = std::make_unique<SpellCheckDialog>(*editor_, main.isEmpty() ? folder_.MainDictionary() : main,
                                                 user.isEmpty() ? folder_.UserDictionary() : user);
    dialog_->onInformation = [this](const QString& m) { messages_ << m; };
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    QTest::qWait(0);  // the walk starts from the message loop
    QCoreApplication::processEvents();
  }
  QString Word() const { return dialog_->findChild<QLineEdit*>(QStringLiteral("Word"))->text(); }
  QString ReplaceAs() const { return dialog_->findChild<QLineEdit*>(QStringLiteral("ReplaceAs"))->text(); }
  QListWidget* List() const { return dialog_->findChild<QListWidget*>(QStringLiteral("WordList")); }
  QPushButton* AddButton() const { return dialog_->findChild<QPushButton*>(QStringLiteral("Addbutton")); }
  QString Selected() const {
    const std::u32string s = editor_->Memo().SelectedText();
    return QString::fromUcs4(s.data(), static_cast<qsizetype>(s.size()));
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(dialog_.get(), static_cast<Qt::Key>(key), modifiers);
    QTest::qWait(kAnimatedClickMs);  // a button's key shows it pressed for a moment, then clicks
  }
  void PressAdd() {
    AddButton()->setFocus();
    QTest::keyClick(AddButton(), Qt::Key_Space);
    QTest::qWait(0);
  }
  // The end of the walk: the message, then the dialog closes by itself, leaving no selection.
  void ExpectCompleteAndClosed() {
    QCOMPARE(messages_.value(messages_.size() - 1), QStringLiteral("Spell check complete"));
    QTRY_VERIFY(!dialog_->isVisible());
    QVERIFY(!editor_->HasSelection());
    QCOMPARE(editor_->GetCaretPosition(), 0);
  }

 private slots:
  void init() {
    messages_.clear();
    changes_ = 0;
    QFile::remove(folder_.UserDictionary());
  }
  void cleanup() {
    dialog_.reset();
    editor_.reset();
  }

  void stopsAtEachUnknownWordAndReplacesUndoably() {
    Open(QStringLiteral("the catt sat\non teh mat"));
    QCOMPARE(Word(), QStringLiteral("catt"));
    QCOMPARE(Selected(), QStringLiteral("catt"));
    QVERIFY(List()->count() > 0);
    QCOMPARE(ReplaceAs(), List()->item(0)->text());
    QVERIFY(!List()->findItems(QStringLiteral("cat"), Qt::MatchExactly).isEmpty());

    // A suggestion chosen with the keys becomes the replacement.
    List()->setFocus();
    const int cat_row = List()->row(List()->findItems(QStringLiteral("cat"), Qt::MatchExactly).first());
    List()->setCurrentRow(0);
    for (int i = 0; i < cat_row; ++i) QTest::keyClick(List(), Qt::Key_Down);
    QCOMPARE(ReplaceAs(), QStringLiteral("cat"));

    Key(Qt::Key_R, Qt::AltModifier);
    QCOMPARE(EditorText(*editor_), QStringLiteral("the cat sat\non teh mat"));
    QVERIFY(changes_ > 0);
    QCOMPARE(Word(), QStringLiteral("teh"));  // the walk goes on into the next paragraph
    QCOMPARE(Selected(), QStringLiteral("teh"));

    Key(Qt::Key_S, Qt::AltModifier);  // Skip: nothing else is wrong
    ExpectCompleteAndClosed();
    QCOMPARE(EditorText(*editor_), QStringLiteral("the cat sat\non teh mat"));
    editor_->Undo();  // the replacement was an edit like any other
    QCOMPARE(EditorText(*editor_), QStringLiteral("the catt sat\non teh mat"));
  }

  void aCleanEntryCompletesAtOnce() {
    // One-letter words and the possessive of a known word never stop the walk.
    Open(QStringLiteral("the cat's mat, a dog I ran"));
    ExpectCompleteAndClosed();
    QCOMPARE(messages_.size(), 1);
  }

  void addTakesTheEditedWordIntoANewUserDictionary() {
    QVERIFY(!QFile::exists(folder_.UserDictionary()));
    Open(QStringLiteral("zorp the zorpy"));
    QVERIFY(QFile::exists(folder_.UserDictionary()));  // created on first use
    QVERIFY(AddButton()->isEnabled());
    QCOMPARE(Word(), QStringLiteral("zorp"));
    auto* word = dialog_->findChild<QLineEdit*>(QStringLiteral("Word"));
    word->setFocus();
    word->selectAll();
    QTest::keyClicks(word, QStringLiteral("zorpy"));
    PressAdd();
    QVERIFY(folder_.UserDictionaryHas("ZORPY"));
    QVERIFY(!folder_.UserDictionaryHas("ZORP"));
    // "zorpy" further on is known now, so the walk ends.
    ExpectCompleteAndClosed();
  }

  void noUserDictionaryDisablesAdd() {
    const QString unwritable = folder_.Missing() + QStringLiteral("u");  // its folder does not exist
    Open(QStringLiteral("the catt"), {}, unwritable);
    QCOMPARE(dialog_->UserDictionaryNumber(), -1);
    QVERIFY(!AddButton()->isEnabled());
    QVERIFY(dialog_->findChild<QLabel*>(QStringLiteral("DictionaryNote"))->isVisible());
    QCOMPARE(Word(), QStringLiteral("catt"));  // the main dictionary still checks
    Key(Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!editor_->HasSelection());
  }

  void noMainDictionaryChecksAgainstTheUserDictionaryOnly() {
    Open(QStringLiteral("the cat"), folder_.Missing());
    QVERIFY(dialog_->DictionaryProblem().contains(QStringLiteral("main dictionary")));
    QCOMPARE(Word(), QStringLiteral("the"));  // every word stops the walk
    PressAdd();
    QCOMPARE(Word(), QStringLiteral("cat"));
    QVERIFY(folder_.UserDictionaryHas("THE"));
  }

  void aWordWithoutSuggestionsIsItsOwnReplacement() {
    // Nothing in the main dictionary sounds like it (a new user dictionary would offer its "A").
    Open(QStringLiteral("the qqqq"), {}, folder_.Missing() + QStringLiteral("u"));
    QCOMPARE(Word(), QStringLiteral("qqqq"));
    QCOMPARE(List()->count(), 0);
    QCOMPARE(ReplaceAs(), QStringLiteral("qqqq"));
  }

  void replacingInAReadOnlyEditorChangesNothing() {
    Open(QStringLiteral("catt teh"));
    editor_->SetReadOnly(true);
    changes_ = 0;
    Key(Qt::Key_R, Qt::AltModifier);
    QCOMPARE(EditorText(*editor_), QStringLiteral("catt teh"));
    QCOMPARE(changes_, 0);                    // nothing that could be saved over the entry
    QCOMPARE(Word(), QStringLiteral("teh"));  // the walk moved on
  }
};

QTEST_MAIN(SpellCheckDialogTest)
#include "spell_check_dialog_test.moc"
