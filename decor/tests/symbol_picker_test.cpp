// The symbol picker driven by keys and clicks: the fonts offered and the one preselected, the
// 224-character grid, the emoji page, and what the entry gets.
#include "decor/symbol_picker.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "richtext/model/paragraph.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

class SymbolPickerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> Editor() {
    auto editor = std::make_unique<WPRichText>();
    editor->resize(400, 300);
    editor->Clear();
    editor->InsertText("ab");
    editor->SetCaretPosition(1);
    return editor;
  }
  static QString FirstParagraph(const WPRichText& editor) {
    const auto text = editor.Memo().Document().FirstParagraph()->Text();
    return QString::fromStdU32String(std::u32string(text.begin(), text.end()));
  }

 private slots:
  void fontsSortedAndWingdingsPreselected() {
    SymbolPicker picker(nullptr, {}, QStringList{"Wingdings", "Symbol", "Webdings"});
    auto* sets = picker.findChild<QComboBox*>("SymbolSets");
    QCOMPARE(sets->count(), 3);
    QCOMPARE(sets->itemText(0), QString("Symbol"));
    QCOMPARE(sets->currentText(), QString("Wingdings"));
    auto* grid = picker.findChild<QListWidget*>("SymbolList");
    QCOMPARE(grid->count(), 224);
    QCOMPARE(grid->item(0)->text(), QString(" "));
    QCOMPARE(grid->item(223)->text(), QString(QChar(255)));
    QCOMPARE(grid->font().family(), QString("Wingdings"));
  }

  void noSymbolFontSaysSoAndGivesNoResult() {
    QStringList said;
    SymbolPicker picker(
        nullptr, [&](const QString& text) { said << text; }, QStringList{});
    QCOMPARE(said, QStringList{"No Symbol fonts installed"});
    QCOMPARE(picker.exec(), int(QDialog::Rejected));
  }

  // Confirming at once inserts the space in the preselected font, through the current attributes.
  void confirmingAtOnceInsertsTheSpaceInThatFont() {
    const QStringList fonts = SymbolPicker::InstalledSymbolFonts();
    if (fonts.isEmpty()) QSKIP("no symbol font installed");
    SymbolPicker picker;
    picker.show();
    QTest::mouseClick(picker.findChild<QPushButton*>("CopyCharButton"), Qt::LeftButton);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QVERIFY(fonts.contains(picker.FontName()));
    QCOMPARE(picker.Character(), QString(" "));
    const auto editor = Editor();
    picker.InsertInto(*editor);
    QCOMPARE(FirstParagraph(*editor), QString("a") + QChar(0xF020) + "b");
    const CharAttr attr = editor->GetCurrentAttr();
    const FontSlot& slot = editor->Memo().Document().header.fonts[attr.fontIndex];
    QCOMPARE(QString::fromStdU32String(slot.name), picker.FontName());
    QCOMPARE(int(slot.charSet), int(kSymbolCharSet));
  }

  // A character chosen with the arrow keys and a font chosen in the list, then a double-click.
  void keysAndDoubleClickChooseACharacter() {
    SymbolPicker picker(nullptr, {}, QStringList{"Symbol", "Wingdings"});
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto* sets = picker.findChild<QComboBox*>("SymbolSets");
    sets->setFocus();
    QTest::keyClick(sets, Qt::Key_Up);
    QCOMPARE(sets->currentText(), QString("Symbol"));
    auto* grid = picker.findChild<QListWidget*>("SymbolList");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(picker.Character(), QString("\""));
    QCOMPARE(picker.FontName(), QString("Symbol"));
    const QRect cell = grid->visualItemRect(grid->item(33));  // "A"
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QMouseEvent twice(QEvent::MouseButtonDblClick, cell.center(),
                      grid->viewport()->mapToGlobal(cell.center()), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &twice);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(picker.Character(), QString("A"));
  }

  // Emoji go in as Unicode text in the current font.
  void emojiPageInsertsUnicodeText() {
    SymbolPicker picker(nullptr, {}, QStringList{"Symbol"});
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    picker.findChild<QTabWidget*>()->setCurrentIndex(1);
    auto* emoji = picker.findChild<QListWidget*>("EmojiList");
    QVERIFY(emoji->count() > 100);
    QTest::mouseClick(emoji->viewport(), Qt::LeftButton, {}, emoji->visualItemRect(emoji->item(0)).center());
    QCOMPARE(picker.Character(), QString::fromUcs4(U"\U0001F600", 1));
    QVERIFY(picker.FontName().isEmpty());
    QTest::keyClick(emoji, Qt::Key_Return);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    const auto editor = Editor();
    const uint8_t font_before = editor->GetCurrentAttr().fontIndex;
    picker.InsertInto(*editor);
    QCOMPARE(FirstParagraph(*editor), "a" + QString::fromUcs4(U"\U0001F600", 1) + "b");
    QCOMPARE(editor->GetCurrentAttr().fontIndex, font_before);
  }
};

QTEST_MAIN(SymbolPickerTest)
#include "symbol_picker_test.moc"
