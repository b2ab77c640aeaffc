// The editor with text beyond Latin, driven by keys: right-to-left paragraphs stand at the right
// and the arrows move on the screen, emoji sequences and accented letters are one step and one
// Backspace, and emoji draw in colour.
#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QtTest>

#include "richtext/widgets/tests/editor_under_test.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

namespace {

// The leftmost and rightmost columns holding anything but the background.
std::pair<int, int> InkColumns(const QImage& image) {
  // Inside the widget's frame.
  const QRgb background = image.pixel(image.width() / 2, image.height() - 4);
  int left = image.width(), right = -1;
  for (int y = 2; y < image.height() - 2; ++y) {
    for (int x = 2; x < image.width() - 2; ++x) {
      if (image.pixel(x, y) == background) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return {left, right};
}

bool HasColour(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.saturation() > 80 && c.value() > 80) return true;
    }
  }
  return false;
}

}  // namespace

class WPRichTextScriptsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> w_;

  void Commit(const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(w_.get(), &commit);
  }
  QImage Shot() {
    w_->repaint();
    return w_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

 private slots:
  void init() { QVERIFY(ShowEmptyEditor(w_, {400, 120})); }
  void cleanup() { w_.reset(); }

  void rightToLeftParagraphStandsAtTheRightAndArrowsMoveOnScreen() {
    Commit(QStringLiteral("\u05E9\u05DC\u05D5\u05DD ab"));  // shown "ab" at the left of the Hebrew word
    const auto [left, right] = InkColumns(Shot());
    QVERIFY2(left > w_->width() / 2, qPrintable(QString::number(left)));
    QVERIFY(right > w_->width() - 20);

    QTest::keyClick(w_.get(), Qt::Key_Home);
    QCOMPARE(w_->GetCaretPosition(), 0);  // the right edge
    QTest::keyClick(w_.get(), Qt::Key_Left);
    QCOMPARE(w_->GetCaretPosition(), 1);  // one letter further left, the next in the text
    QTest::keyClick(w_.get(), Qt::Key_Right);
    QCOMPARE(w_->GetCaretPosition(), 0);
    QTest::keyClick(w_.get(), Qt::Key_Left);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);  // logically back: the first letter
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("\u05DC\u05D5\u05DD ab"));
    QTest::keyClick(w_.get(), Qt::Key_Delete);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("\u05D5\u05DD ab"));
  }

  // Shift and an arrow from one end of a mixed line to the other stop at every place between
  // two letters on the screen, once each, while the selection grows.
  void selectionThroughADirectionChangeStopsEverywhere_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rightward");
    QTest::newRow("Hebrew in English") << QStringLiteral("ab \u05D0\u05D1 cd") << true;
    QTest::newRow("English in Hebrew") << QStringLiteral("\u05D0\u05D1 cd \u05D2\u05D3") << false;
  }
  void selectionThroughADirectionChangeStopsEverywhere() {
    QFETCH(QString, text);
    QFETCH(bool, rightward);
    Commit(text);
    QTest::keyClick(w_.get(), Qt::Key_Home);
    std::vector<int> xs{w_->Memo().CaretRect().left};
    for (int k = 0; k < text.size(); ++k) {
      QTest::keyClick(w_.get(), rightward ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
      xs.push_back(w_->Memo().CaretRect().left);
      const int step = rightward ? xs.back() - xs[xs.size() - 2] : xs[xs.size() - 2] - xs.back();
      QVERIFY2(step > 0, qPrintable(QStringLiteral("key %1").arg(k + 1)));
    }
    QCOMPARE(w_->Memo().SelectedText().size(), static_cast<size_t>(text.size()));
  }

  void clustersAreOneStepAndOneBackspace() {
    Commit(QStringLiteral("a\U0001F44D\U0001F3FDe\u0301"));
    QCOMPARE(w_->GetCaretPosition(), 5);
    QTest::keyClick(w_.get(), Qt::Key_Left);
    QCOMPARE(w_->GetCaretPosition(), 3);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("ae\u0301"));
    QTest::keyClick(w_.get(), Qt::Key_End);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("a"));
  }

  void emojiDrawInColourAndArabicJoins() {
    for (const QString& emoji : {QStringLiteral("\U0001F44D\U0001F3FD"), QStringLiteral("\u2764\uFE0F")}) {
      w_->Clear();
      Commit(emoji);
      QVERIFY2(HasColour(Shot()), qPrintable(emoji));
    }
    w_->Clear();
    // Joined, the word is narrower than its letters kept apart by non-joiners (isolated forms).
    Commit(QStringLiteral("\u0633\u0644\u0627\u0645"));
    const auto [joined_left, joined_right] = InkColumns(Shot());
    w_->Clear();
    Commit(QStringLiteral("\u0633\u200C\u0644\u200C\u0627\u200C\u0645"));
    const auto [apart_left, apart_right] = InkColumns(Shot());
    QVERIFY(joined_right - joined_left < apart_right - apart_left);
  }
};

QTEST_MAIN(WPRichTextScriptsTest)
#include "wp_rich_text_scripts_test.moc"
