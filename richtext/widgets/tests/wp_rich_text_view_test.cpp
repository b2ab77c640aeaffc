// What the editor shows besides the text, driven as a user drives it: the text an input method
// is composing, the view scrolling on its own while a selection is held beyond its edge, and
// the controls linked to it from outside (status bar and label, external scroll bars).
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

#include "richtext/model/stream.h"
#include "richtext/widgets/tests/editor_under_test.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

namespace {

// Every text a widget showed on screen, in order (a text set and replaced before it was painted
// is not seen by anyone).
class ShownTexts : public QObject {
 public:
  explicit ShownTexts(QLabel* label) : label_(label) { label->installEventFilter(this); }
  QStringList seen;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && (seen.isEmpty() || seen.last() != label_->text()))
      seen << label_->text();
    return false;
  }

 private:
  QLabel* label_;
};

// Pixels that differ between two grabs of the view inside a rectangle.
int ChangedPixels(const QImage& a, const QImage& b, const QRect& area) {
  int changed = 0;
  const QRect r = area.intersected(a.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  return changed;
}

// An input method's event: the composing text as one highlighted clause with its cursor, and
// the text committed before it.
void SendComposing(QWidget* to, const QString& text, int cursor, const QString& commit = QString()) {
  QTextCharFormat clause;
  clause.setBackground(Qt::darkBlue);
  clause.setForeground(Qt::white);
  QInputMethodEvent e(text, {QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 0,
                                                          static_cast<int>(text.size()), clause),
                             QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, cursor, 1, QVariant())});
  if (!commit.isEmpty()) e.setCommitString(commit);
  QApplication::sendEvent(to, &e);
}

// Where the input method places its candidate window.
QRect CandidateRect(const QWidget& w) { return w.inputMethodQuery(Qt::ImCursorRectangle).toRect(); }

}  // namespace

class WPRichTextViewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> w_;
  int changes_ = 0;

  QRect CaretInView() const {
    const Rect r = w_->Memo().CaretRect();
    return QRect(r.left, r.top, r.Width(), r.Height());
  }
  QImage Grab() const { return w_->viewport()->grab().toImage(); }
  void HeldMoveTo(const QPoint& p) {
    QMouseEvent move(QEvent::MouseMove, p, w_->viewport()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w_->viewport(), &move);
  }

 private slots:
  void init() {
    QVERIFY(ShowEmptyEditor(w_, {400, 300}));
    changes_ = 0;
    w_->onChange = [this](WPRichText&) { ++changes_; };
  }
  void cleanup() { w_.reset(); }

  void composingTextIsDrawnAtTheCaretAndReplacedByTheCommit() {
    QTest::keyClicks(w_.get(), "ab");
    const int changes_typed = changes_;
    const QImage before = Grab();
    const QRect caret = CaretInView();
    const QRect candidates_before = CandidateRect(*w_);

    SendComposing(w_.get(), QStringLiteral("\u306B\u307B"), 1);
    // Shown, not written: the entry and its change count are untouched.
    QCOMPARE(w_->PreeditText(), QStringLiteral("\u306B\u307B"));
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("ab"));
    QCOMPARE(changes_, changes_typed);
    const QImage composing = Grab();
    const QRect at_caret(caret.left(), caret.top(), 40, caret.height());
    QVERIFY(ChangedPixels(before, composing, at_caret) > 20);
    // The clause's own background, as the input method gave it.
    const QColor clause = composing.pixelColor(caret.left() + 3, caret.top() + 1);
    QVERIFY2(clause.blue() > 100 && clause.red() < 30 && clause.green() < 30, qPrintable(clause.name()));
    // The candidate window goes beside the composing cursor, right of the caret.
    const QRect candidates = CandidateRect(*w_);
    QVERIFY(candidates.left() > candidates_before.left());
    QCOMPARE(candidates.top(), candidates_before.top());

    // The commit takes the place of the composing text.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u65E5\u672C"));
    QApplication::sendEvent(w_.get(), &commit);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("ab\u65E5\u672C"));
    QVERIFY(w_->PreeditText().isEmpty());
    QVERIFY(changes_ > changes_typed);
    QCOMPARE(CandidateRect(*w_).left(), w_->viewport()->mapToParent(CaretInView().topLeft()).x());

    // A commit and the next composition in one event; a cancelled composition leaves nothing.
    SendComposing(w_.get(), QStringLiteral("k"), 1, QStringLiteral("\u8A9E"));
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("ab\u65E5\u672C\u8A9E"));
    QCOMPARE(w_->PreeditText(), QStringLiteral("k"));
    const QImage with_k = Grab();
    QInputMethodEvent cancel;
    QApplication::sendEvent(w_.get(), &cancel);
    QVERIFY(w_->PreeditText().isEmpty());
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("ab\u65E5\u672C\u8A9E"));
    const QRect after_text(CaretInView().left() + 2, CaretInView().top(), 30, CaretInView().height());
    QVERIFY(ChangedPixels(with_k, Grab(), after_text) > 0);  // the composing text is gone
  }

  void heldSelectionBeyondTheEdgeScrollsOnItsOwn() {
    QString text;
    for (int i = 0; i < 80; ++i) text += QStringLiteral("line %1\n").arg(i);
    w_->InsertText(text);
    w_->SetCaretPosition(0);
    QScrollBar* bar = w_->verticalScrollBar();
    QCOMPARE(bar->value(), 0);

    QTest::mousePress(w_->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    const int64_t anchor = w_->GetCaretPosition();
    const int below = w_->viewport()->height() + 30;
    HeldMoveTo(QPoint(5, below));
    QVERIFY(w_->AutoScrolling());
    const int scrolled_by_move = bar->value();
    const int64_t end_by_move = w_->Memo().PositionOf(w_->Memo().SelectionEnd());
    // The mouse stands still below the view: the view scrolls on and the selection follows.
    QTRY_VERIFY(bar->value() >= scrolled_by_move + 3 * WPRichText::AutoScrollStep(30));
    QVERIFY(w_->Memo().PositionOf(w_->Memo().SelectionEnd()) > end_by_move);
    QCOMPARE(w_->Memo().PositionOf(w_->Memo().SelectionBegin()), anchor);

    // Back inside, it stops; above the view it scrolls back up.
    HeldMoveTo(QPoint(5, 50));
    QVERIFY(!w_->AutoScrolling());
    const int stopped_at = bar->value();
    QTest::qWait(120);
    QCOMPARE(bar->value(), stopped_at);
    HeldMoveTo(QPoint(5, -40));
    QTRY_VERIFY(bar->value() < stopped_at);

    // Letting go ends it, the selection made stays.
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, QPoint(5, -40));
    QVERIFY(!w_->AutoScrolling());
    QVERIFY(w_->HasSelection());
    const int released_at = bar->value();
    QTest::qWait(120);
    QCOMPARE(bar->value(), released_at);
  }

  void statusTextsFollowLoadingWritingAndFormatting() {
    QWidget holder;
    auto* label = new QLabel(&holder);
    auto* bar = new QStatusBar(&holder);
    label->move(0, 0);
    bar->setGeometry(0, 30, 300, 20);
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    ShownTexts shown(label);
    QStringList bar_texts;
    connect(bar, &QStatusBar::messageChanged, bar, [&](const QString& text) { bar_texts << text; });
    w_->SetStatusLabel(label);
    w_->SetStatusBar(bar);
    QCOMPARE(label->text(), QStringLiteral("Ready"));

    shown.seen.clear();
    bar_texts.clear();
    MemoryStream rtf(std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Loaded text\\par}"));
    w_->LoadFromStream(rtf);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Loaded text|"));
    const QStringList loading{"reading ...", "formatting ...", "Ready"};
    QCOMPARE(shown.seen, loading);
    QCOMPARE(bar_texts, loading);

    shown.seen.clear();
    MemoryStream out;
    w_->SaveToStream(out);
    QCOMPARE(shown.seen, QStringList({"writing ...", "Ready"}));
    shown.seen.clear();
    w_->Reformat();
    QCOMPARE(shown.seen, QStringList({"formatting ...", "Ready"}));

    // In the editor's language; an unlinked label is left alone.
    w_->SetLanguage(WPLanguage::German);
    shown.seen.clear();
    w_->Reformat();
    QCOMPARE(shown.seen, QStringList({"beim formatieren", "Bereit"}));
    w_->SetStatusLabel(nullptr);
    label->setText(QStringLiteral("mine"));
    w_->Reformat();
    QCOMPARE(label->text(), QStringLiteral("mine"));
  }

  void externalScrollBarsFollowAndMoveTheView() {
    QString text;
    for (int i = 0; i < 120; ++i) text += QStringLiteral("line %1\n").arg(i);
    w_->InsertText(text);
    QScrollBar outside(Qt::Vertical);
    QList<int> tops;
    w_->onYPosChanged = [&](WPRichText&, int y) { tops << y; };
    w_->SetExternVerScrollBar(&outside);
    QCOMPARE(outside.minimum(), 0);
    QCOMPARE(outside.maximum(), 1000);
    QScrollBar* own = w_->verticalScrollBar();
    QVERIFY(own->maximum() > 0);
    QCOMPARE(outside.value(), 1000);  // the caret after the typing is at the end

    QTest::keyClick(w_.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(own->value(), 0);
    QCOMPARE(outside.value(), 0);
    QCOMPARE(tops.last(), 0);
    QTest::keyClick(w_.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(outside.value(), 1000);
    QCOMPARE(tops.last(), own->maximum());

    // Moving the outside bar moves the view (and it stays where it was put).
    outside.setValue(500);
    QVERIFY(qAbs(own->value() - own->maximum() / 2) <= 1);
    QCOMPARE(w_->Memo().scrollY, own->value());
    QCOMPARE(tops.last(), own->value());
    QVERIFY(qAbs(outside.value() - 500) <= 1);
    outside.triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(own->value(), 0);

    // A bar deleted while linked is simply forgotten.
    {
      QScrollBar gone(Qt::Horizontal);
      w_->SetExternHorScrollBar(&gone);
    }
    QTest::keyClick(w_.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(outside.value(), 1000);
  }

  void caretPageBreaksAndBackgroundAsSet() {
    QTest::keyClicks(w_.get(), "top");
    const QRect caret = CaretInView();
    auto dark_in = [](const QImage& image, const QRect& r) {
      int dark = 0;
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
      return dark;
    };
    QVERIFY(dark_in(Grab(), caret) > 0);  // just typed: the caret shows
    w_->SetCaretDisabled(true);
    QTest::keyClicks(w_.get(), " ");
    QCOMPARE(dark_in(Grab(), CaretInView()), 0);

    // A page break shows as a line above its paragraph, across the view, unless switched off.
    QTest::keyClick(w_.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(w_.get(), "next page");
    const int break_y = w_->Memo().Layout().Box(w_->Memo().Document().LastParagraph(), 0).top;
    const int far_x = w_->viewport()->width() - 20;
    QVERIFY(w_->ShowPageBreak());
    QVERIFY(qGray(Grab().pixel(far_x, break_y)) < 200);
    w_->SetShowPageBreak(false);
    QCOMPARE(Grab().pixelColor(far_x, break_y), QColor(Qt::white));

    // Only bitmaps go behind the text: a metafile is refused with its message.
    QStringList messages;
    w_->onMessage = [&](WPRichText&, const QString& text) { messages << text; };
    DocGraphic metafile;
    metafile.image = Metafile{{1, 0, 9, 0}, 100, 100};
    QVERIFY(!w_->SetBackgroundImage(metafile));
    QCOMPARE(messages, QStringList{"Please use Bitmap."});
    QVERIFY(w_->BackgroundImage().isNull());
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    w_->SetBackgroundImage(red);
    const QPoint empty(far_x, w_->viewport()->height() - 10);
    QCOMPARE(Grab().pixelColor(empty), QColor(Qt::red));

    // Transparent: the window behind shows where the text has no background of its own.
    w_->SetBackgroundImage(QImage());
    QWidget behind;
    behind.setAutoFillBackground(true);
    QPalette palette = behind.palette();
    palette.setColor(QPalette::Window, Qt::green);
    behind.setPalette(palette);
    behind.resize(400, 300);
    w_->setParent(&behind);
    w_->SetBorderStyle(WPBorderStyle::None);
    w_->SetTransparent(true);
    behind.show();
    QVERIFY(QTest::qWaitForWindowExposed(&behind));
    QCOMPARE(behind.grab().toImage().pixelColor(w_->mapTo(&behind, empty)), QColor(Qt::green));
    w_->setParent(nullptr);
  }

  void mouseSettings() {
    CharAttr link = w_->GetCurrentAttr();
    QTest::keyClicks(w_.get(), "see ");
    link.styleBits |= kStyleDoubleUnderline;
    w_->SetCurrentAttr(link);
    QTest::keyClicks(w_.get(), "there");
    w_->viewport()->repaint();
    const LineBox& line = w_->Memo().Layout().Box(w_->Memo().Document().FirstParagraph(), 0);
    std::vector<int> xs;
    w_->Memo().Layout().LineXs(w_->Memo().Document().FirstParagraph(), 0, xs);
    const QPoint on_link((xs[5] + xs[6]) / 2, line.top + line.height / 2);
    const QPoint on_see((xs[0] + xs[1]) / 2, on_link.y());

    w_->SetHyperLinkCursor(Qt::WhatsThisCursor);
    QTest::mouseMove(w_->viewport(), on_link);
    QCOMPARE(w_->viewport()->cursor().shape(), Qt::WhatsThisCursor);

    // One click on the link reports it and leaves the caret where it was.
    QStringList clicked;
    w_->Memo().Document().onSpecialRunClick = [&](const std::u32string& text, uint16_t) {
      clicked << QString::fromStdU32String(text);
    };
    const int64_t caret = w_->GetCaretPosition();
    w_->SetOneClickHyperlink(true);
    QTest::mouseClick(w_->viewport(), Qt::LeftButton, {}, on_link);
    QCOMPARE(clicked.size(), 1);
    QVERIFY2(clicked.front().endsWith("there"), qPrintable(clicked.front()));
    QCOMPARE(w_->GetCaretPosition(), caret);
    w_->SetOneClickHyperlink(false);
    QTest::mouseClick(w_->viewport(), Qt::LeftButton, {}, on_link);
    QCOMPARE(clicked.size(), 1);
    QVERIFY(w_->GetCaretPosition() != caret);

    // Without block marking a drag only moves the caret.
    w_->SetNoBlockMarking(true);
    QTest::mousePress(w_->viewport(), Qt::LeftButton, {}, on_see);
    HeldMoveTo(on_link);
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, on_link);
    QVERIFY(!w_->HasSelection());
    w_->SetNoBlockMarking(false);
    QTest::mousePress(w_->viewport(), Qt::LeftButton, {}, on_see);
    HeldMoveTo(on_link);
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, on_link);
    QVERIFY(w_->HasSelection());
  }

  void frameOffsetsAndText() {
    const QPoint at = w_->viewport()->pos();
    w_->SetTopOffset(12);
    w_->SetLeftOffset(7);
    QCOMPARE(w_->viewport()->pos(), at + QPoint(7, 12));
    w_->SetBorderStyle(WPBorderStyle::None);
    QCOMPARE(w_->BorderStyle(), WPBorderStyle::None);
    QCOMPARE(w_->frameWidth(), 0);
    for (WPScrollBars bars :
         {WPScrollBars::None, WPScrollBars::Vertical, WPScrollBars::Horizontal, WPScrollBars::Both}) {
      w_->SetScrollBars(bars);
      QCOMPARE(w_->ScrollBars(), bars);
    }
    w_->SetScrollBars(WPScrollBars::None);
    QCOMPARE(w_->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // The text as one RTF property, both ways.
    QCOMPARE(w_->SetRtfText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 one\\par {\\b two}}"), kResultOk);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one|two"));
    const QByteArray rtf = w_->RtfText();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("\\b"));
    WPRichText other;
    other.SetRtfText(rtf);
    QCOMPARE(DumpParagraphs(other), QStringLiteral("one|two"));
    QCOMPARE(other.RtfText(), rtf);

    QCOMPARE(w_->MemoryFormat(), WPMemoryFormat::Rich);
    w_->SetMemoryFormat(WPMemoryFormat::Plain);
    QVERIFY(!w_->Memo().Document().AttributeMode());
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one|two"));
  }

  void fartherOutsideScrollsFaster() {
    QCOMPARE(WPRichText::AutoScrollStep(0), 0);
    int last = 0;
    for (int outside : {1, 20, 80, 200}) {
      QVERIFY2(WPRichText::AutoScrollStep(outside) > last, qPrintable(QString::number(outside)));
      last = WPRichText::AutoScrollStep(outside);
    }
    // Never so fast that the text cannot be followed.
    QCOMPARE(WPRichText::AutoScrollStep(100000), WPRichText::AutoScrollStep(400));
  }
};

QTEST_MAIN(WPRichTextViewTest)
#include "wp_rich_text_view_test.moc"
