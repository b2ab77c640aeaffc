// The editor's events, raised by typing and pasting as a user does it and by loading a text.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "richtext/model/stream.h"
#include "richtext/widgets/tests/editor_under_test.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

class WPRichTextEventsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> w_;

 private slots:
  void init() { QVERIFY(ShowEmptyEditor(w_, {400, 300})); }
  void cleanup() { w_.reset(); }

  void textToInsertCanBeChangedOrDropped() {
    // A handler that writes typographic quotes and drops every "#".
    w_->getTextToInsert = [](WPRichText&, QString& text) {
      text.replace('"', QChar(0x201C));
      text.remove('#');
    };
    QTest::keyClicks(w_.get(), "a\"b#");
    w_->InsertText(QStringLiteral("#c\""));
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("a\u201Cbc\u201C"));
  }

  void newParagraphsAreHandedOverAndTheirChangesLaidOut() {
    QList<Paragraph*> made;
    w_->onNewParCreatedEvent = [&](WPRichText&, Paragraph& par) {
      made << &par;
      par.firstIndent = par.leftIndent = 1440;  // the handler indents every new paragraph by an inch
    };
    QTest::keyClicks(w_.get(), "one");
    QTest::keyClick(w_.get(), Qt::Key_Return);
    QTest::keyClicks(w_.get(), "two");
    QTest::keyClick(w_.get(), Qt::Key_Return, Qt::ControlModifier);  // a page break splits too
    QTest::keyClicks(w_.get(), "three");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one|two|three"));
    Paragraph* first = w_->Memo().Document().FirstParagraph();
    QCOMPARE(made, QList<Paragraph*>({first->next, first->next->next}));
    QCOMPARE(first->leftIndent, 0);
    // Laid out with the new indent: the text starts an inch in.
    const int inch = w_->Memo().Document().header.xPixelsPerInch;
    std::vector<int> xs;
    w_->Memo().Layout().LineXs(first->next, 0, xs);
    QVERIFY(!xs.empty() && xs.front() >= inch);
    // AppendParagraph makes one too; a key that makes no paragraph does not call it.
    ParagraphDescription description;
    w_->AppendParagraph(description);
    QCOMPARE(made.size(), 3);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(made.size(), 3);
  }

  void refusedEditsOfProtectedTextAreReported() {
    QTest::keyClicks(w_.get(), "open");
    CharAttr locked = w_->GetCurrentAttr();
    locked.charFlags |= kCharProtected;
    w_->Memo().Document().SetDefaultAttr(locked);
    w_->InsertText(QStringLiteral("LOCK"));
    w_->SetProtectedProp(kPpProtected | kPpProtectSelectedTextToo);
    int reported = 0;
    w_->onProtectedChange = [&](WPRichText&) { ++reported; };

    QTest::keyClick(w_.get(), Qt::Key_Backspace);  // into the protected word
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("openLOCK"));
    QCOMPARE(reported, 1);
    w_->SelectAll();
    w_->DeleteSelection();
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("openLOCK"));
    QCOMPARE(reported, 2);
    // An edit beside it goes through without a report.
    w_->SetCaretPosition(2);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("oenLOCK"));
    QCOMPARE(reported, 2);
  }

  void pasteEventSeesThePastedParagraphs() {
    QTest::keyClicks(w_.get(), "x");
    QStringList seen;
    bool allow = false;
    w_->onBeforePasteEvent = [&](WPRichText&, const WPRTFText& pasted) {
      seen.clear();
      for (const Paragraph* p = pasted.FirstParagraph(); p; p = p->next) {
        QString text;
        for (char32_t c : p->Text()) text += QString::fromUcs4(&c, 1);
        seen << text;
      }
      return allow;
    };
    QApplication::clipboard()->setText(QStringLiteral("first\nsecond"));
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(seen, QStringList({"first", "second"}));
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("x"));  // vetoed
    allow = true;
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("xfirst|second"));
  }

  void controlsStandInTheTextAndTakeTheirPresses() {
    QTest::keyClicks(w_.get(), "press ");
    auto* button = new QPushButton(QStringLiteral("OK"));
    button->resize(50, 24);
    int pressed = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
    w_->InsertControl(button);
    // A control that leaves its presses to the text's special click.
    auto* badge = new QWidget;
    badge->resize(30, 20);
    badge->setAttribute(Qt::WA_TransparentForMouseEvents);
    QList<QPoint> badge_clicks;
    w_->InsertControl(badge, [&](int x, int y) {
      badge_clicks << QPoint(x, y);
      return true;
    });
    QTest::keyClicks(w_.get(), " after");
    w_->viewport()->repaint();

    // Each stands where its anchor is laid out, at its size.
    const auto& hits = w_->Memo().Layout().HitObjects();
    QCOMPARE(hits.size(), size_t{2});
    QVERIFY(button->isVisible());
    QCOMPARE(button->parentWidget(), w_->viewport());
    QCOMPARE(button->geometry(), QRect(hits[0].rect.left, hits[0].rect.top, 50, 24));
    QCOMPARE(badge->geometry(), QRect(hits[1].rect.left, hits[1].rect.top, 30, 20));

    // A click on the button is the button's.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(pressed, 1);
    // A double click on the other control's place goes to its handler; the caret stays.
    const int64_t caret = w_->GetCaretPosition();
    const QPoint on_badge(hits[1].rect.left + 4, hits[1].rect.top + 5);
    QTest::mouseDClick(w_->viewport(), Qt::LeftButton, {}, on_badge);
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, on_badge);
    QCOMPARE(badge_clicks, QList<QPoint>{QPoint(4, 5)});
    QCOMPARE(w_->GetCaretPosition(), caret);

    // Scrolled out of view, the controls go with their place.
    QString lines;
    for (int i = 0; i < 60; ++i) lines += QStringLiteral("\nline");
    w_->InsertText(lines);
    w_->verticalScrollBar()->setValue(w_->verticalScrollBar()->maximum());
    w_->viewport()->repaint();
    QVERIFY(!button->isVisible());
    QVERIFY(!badge->isVisible());
    w_->verticalScrollBar()->setValue(0);
    w_->viewport()->repaint();
    QVERIFY(button->isVisible());

    // The text owns them: cleared, they go.
    QPointer<QPushButton> watched(button);
    w_->Clear();
    QTRY_VERIFY(watched.isNull());
  }

  void linkedPicturesAreAskedForByName() {
    QStringList asked;
    w_->onHTMLBitmapRequest = [&](WPRichText&, const QString& name) {
      asked << name;
      if (name != QStringLiteral("given.bmp")) return QImage();
      QImage image(4, 3, QImage::Format_RGB32);
      image.fill(Qt::red);
      return image;
    };
    MemoryStream rtf(
        std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 "
                    "{\\*\\picfile\\picwgoal60\\pichgoal45 \"given.bmp\"}"
                    "{\\*\\picfile\\picwgoal60\\pichgoal45 \"nowhere.bmp\"}}"));
    w_->LoadFromStream(rtf);
    QCOMPARE(asked, QStringList({"given.bmp", "nowhere.bmp"}));
    const auto& objects = w_->Memo().Document().Objects();
    QCOMPARE(objects.size(), size_t{2});
    QVERIFY(objects[0]->graphic.Bitmap());
    QCOMPARE(objects[0]->graphic.Bitmap()->width, 4);
    QVERIFY(objects[1]->graphic.Empty());  // not given and not on disk
  }
};

QTEST_MAIN(WPRichTextEventsTest)
#include "wp_rich_text_events_test.moc"
