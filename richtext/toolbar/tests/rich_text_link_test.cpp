// The toolbar, the ruler and the paragraph dialog working on the real editor.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "richtext/toolbar/paragraph_dlg.h"
#include "richtext/toolbar/wp_rich_text_link.h"
#include "richtext/toolbar/wp_ruler.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

class RichTextLinkTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> window_;
  WPToolBar* bar_ = nullptr;
  WPRuler* ruler_ = nullptr;
  WPRichText* editor_ = nullptr;
  WPRichTextLink* link_ = nullptr;

  QToolButton* Button(const char* name) { return bar_->IconButton(QString::fromLatin1(name)); }
  Paragraph* First() { return editor_->Memo().Document().FirstParagraph(); }
  const CharAttr& AttrAt(int i) { return First()->Attrs()[size_t(i)]; }

 private slots:
  void init() {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_ = new WPToolBar;
    bar_->SetSelListBoxes(kSelListFontName | kSelListFontSize | kSelListFontColor | kSelListBackgroundColor);
    bar_->SetSelStatusIcons(kSelNormal | kSelBold | kSelItalic | kSelUnder | kSelStrikeOut | kSelLeft |
                            kSelRight | kSelBlock | kSelCenter);
    bar_->SetSelEditIcons(kSelCopy | kSelCut | kSelPaste | kSelSelAll | kSelFind | kSelReplace |
                          kSelSpellCheck);
    bar_->SetAlign(ToolAlign::Top);
    ruler_ = new WPRuler;
    ruler_->setFixedHeight(22);
    editor_ = new WPRichText;
    editor_->onMessage = [](WPRichText&, const QString&) {};
    layout->addWidget(bar_);
    layout->addWidget(ruler_);
    layout->addWidget(editor_);
    window_->resize(900, 500);
    editor_->Clear();
    link_ = new WPRichTextLink(*editor_, bar_, ruler_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    editor_->setFocus();
    QTest::keyClicks(editor_, "Dear diary");
    QTest::qWait(1);
  }
  void cleanup() { window_.reset(); }

  void boldOnTheSelectionAndShownAtTheCaret() {
    QTest::keyClick(editor_, Qt::Key_Home, Qt::ShiftModifier);
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);
    for (int i = 0; i < 10; ++i) QVERIFY(AttrAt(i).styleBits & kStyleBold);
    QVERIFY(editor_->hasFocus());  // the keyboard is back in the editor
    // The caret in the bold text: the button is down; a new plain paragraph: up.
    QTest::keyClick(editor_, Qt::Key_End);
    QTest::qWait(1);
    QVERIFY(Button("WPI_BOLD")->isChecked());
    QTest::keyClick(editor_, Qt::Key_Return);
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);  // bold off for what is typed now
    QTest::keyClicks(editor_, "x");
    QTest::qWait(1);
    QVERIFY(!Button("WPI_BOLD")->isChecked());
    QVERIFY(!(First()->next->Attrs()[0].styleBits & kStyleBold));
    QTest::keyClick(editor_, Qt::Key_Up);
    QTest::qWait(1);
    QVERIFY(Button("WPI_BOLD")->isChecked());
  }

  void listsChangeTheSelection() {
    QTest::keyClick(editor_, Qt::Key_Home, Qt::ShiftModifier);
    bar_->FontSizeList()->setCurrentIndex(bar_->FontSizeList()->findText(" 12"));
    QTest::keyClick(bar_->FontSizeList(), Qt::Key_Down);
    QCOMPARE(int(AttrAt(0).pointSize), 13);
    QTest::keyClick(bar_->FontColorList(), Qt::Key_Down);  // red
    QCOMPARE(int(AttrAt(3).TextColor()), 1);
    QCOMPARE(editor_->PaletteColor(1), ColorRef(0x0000FF));
  }

  void copyAndAlignment() {
    QApplication::clipboard()->clear();
    QTest::keyClick(editor_, Qt::Key_Home, Qt::ShiftModifier);
    QTest::mouseClick(Button("WPI_COPY"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QString("Dear diary"));
    QVERIFY(!Button("WPI_COPY")->isChecked());
    QTest::mouseClick(Button("WPI_CENTER"), Qt::LeftButton);
    QCOMPARE(int(First()->alignment), int(kAlignCenter));
    QTest::mouseClick(Button("WPI_JUSTIFIED"), Qt::LeftButton);
    QCOMPARE(int(First()->alignment), int(kAlignJustify));
  }

  void rulerIndentsAndTabs() {
    QTest::qWait(1);
    int ppi = ruler_->Format().pixelsPerInch;
    QVERIFY(ppi > 0);
    QCOMPARE(ruler_->Format().textWidth, editor_->Memo().Layout().LayoutWidth());
    // Drag the left marker (with the first line, by its rectangle) about a tenth of an inch.
    QRect left = ruler_->MarkerRect(kMarkerLeft);
    QPoint from(ruler_->MarkerX(kMarkerLeft), left.bottom() - 1);
    int to = from.x() + (ppi + 9) / 10;
    QTest::mousePress(ruler_, Qt::LeftButton, {}, from);
    QTest::mouseMove(ruler_, QPoint(to, from.y()));
    QTest::mouseRelease(ruler_, Qt::LeftButton, {}, QPoint(to, from.y()));
    QCOMPARE(First()->leftIndent, 144);
    QCOMPARE(First()->firstIndent, 144);
    // A click on the scale adds a left tab stop to the paragraph.
    int x = ruler_->Origin() + 2 * ppi;
    QTest::mouseClick(ruler_, Qt::LeftButton, {}, QPoint(x, 8));
    int slot = -1;
    for (int i = 0; i < 64; ++i)
      if (First()->HasTab(i)) slot = i;
    QVERIFY(slot >= 0);
    QVERIFY(std::abs(editor_->Memo().Document().header.tabs[size_t(slot)].position - 2880) <= 1440 / ppi + 1);
    // A second click on it makes it a right tab.
    QTest::mouseClick(ruler_, Qt::LeftButton, {}, QPoint(x, 8));
    QCOMPARE(int(editor_->Memo().Document().header.tabs[size_t(slot)].kind), int(kTabRight));
  }

  void readOnlyEditorRefusesTheRuler() {
    editor_->SetReadOnly(true);
    QTest::qWait(1);
    int ppi = ruler_->Format().pixelsPerInch;
    QPoint from(ruler_->MarkerX(kMarkerFirst), ruler_->MarkerRect(kMarkerFirst).top() + 1);
    QTest::mousePress(ruler_, Qt::LeftButton, {}, from);
    QTest::mouseMove(ruler_, QPoint(from.x() + ppi, from.y()));
    QTest::mouseRelease(ruler_, Qt::LeftButton, {}, QPoint(from.x() + ppi, from.y()));
    QCOMPARE(First()->firstIndent, 0);
    QCOMPARE(ruler_->Format().firstIndent, 0);  // the marker went back
    QTest::mouseClick(ruler_, Qt::LeftButton, {}, QPoint(ruler_->Origin() + 2 * ppi, 8));
    for (int i = 0; i < 64; ++i) QVERIFY(!First()->HasTab(i));
    QCOMPARE(ruler_->Format().tabs[0].twips, 0);
  }

  // A drag, a new tab stop and the paragraph dialog's OK are one step each for Undo.
  void rulerAndDialogChangesUndoInOneStepEach() {
    QTest::qWait(1);
    const int ppi = ruler_->Format().pixelsPerInch;
    const QRect left = ruler_->MarkerRect(kMarkerLeft);
    const QPoint from(ruler_->MarkerX(kMarkerLeft), left.bottom() - 1);
    QTest::mousePress(ruler_, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
      QTest::mouseMove(ruler_, QPoint(from.x() + step * ppi / 4, from.y()));
    QTest::mouseRelease(ruler_, Qt::LeftButton, {}, QPoint(from.x() + ppi, from.y()));
    QCOMPARE(First()->leftIndent, 1440);
    QTest::mouseClick(ruler_, Qt::LeftButton, {}, QPoint(ruler_->Origin() + 3 * ppi, 8));
    QVERIFY(First()->tabMask != 0);

    ParagraphPropDlg dlg;
    dlg.SetEditor(link_);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.findChild<QLineEdit*>("RightIndent")->setText("0.5");
    dlg.findChild<QLineEdit*>("SpaceBeforePts")->setText("6");
    QTest::mouseClick(dlg.findChild<QPushButton*>("Okbutton"), Qt::LeftButton);
    QCOMPARE(First()->rightIndent, 720);
    QCOMPARE(First()->spaceBefore, 120);

    editor_->Undo();  // the dialog: spacing and indents together
    QCOMPARE(First()->rightIndent, 0);
    QCOMPARE(First()->spaceBefore, 0);
    QVERIFY(First()->tabMask != 0);
    editor_->Undo();  // the tab stop
    QCOMPARE(First()->tabMask, uint64_t{0});
    QCOMPARE(First()->leftIndent, 1440);
    editor_->Undo();  // the whole drag
    QCOMPARE(First()->leftIndent, 0);
    QCOMPARE(First()->firstIndent, 0);
    QCOMPARE(editor_->Memo().Document().FirstParagraph()->CharCount(), 10);  // the typing is next
  }

  // In a window wider than the page the text wraps at the page: the ruler's right margin is
  // there, and the ruler is shaded beyond it.
  void rulerMarksWhereTheTextWraps() {
    window_->resize(1200, 500);
    QTest::qWait(1);
    link_->EditorStateChanged();
    const int page = editor_->Memo().Document().header.textAreaWidth;
    QVERIFY(editor_->Memo().Layout().LayoutWidth() > page + 100);
    QCOMPARE(ruler_->WrapWidth(), page);
    QCOMPARE(ruler_->MarkerX(kMarkerRight), ruler_->Origin() + page);
    const QImage image = ruler_->grab().toImage();
    const QRgb shade = ruler_->palette().color(QPalette::Mid).rgb();
    QCOMPARE(image.pixel(ruler_->Origin() + page + 40, ruler_->height() / 2), shade);
    QVERIFY(image.pixel(ruler_->Origin() + page - 40, 3) != shade);
    // Typing wraps exactly there.
    QTest::keyClicks(editor_, QString(" word").repeated(40));
    const Paragraph* par = First();
    QVERIFY(par->LineCount() > 1);
    window_->resize(900, 500);
  }

  void paragraphDialogAppliesToTheCaretsParagraph() {
    ParagraphPropDlg dlg;
    dlg.SetEditor(link_);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QLineEdit* left = dlg.findChild<QLineEdit*>("LeftIndent");
    left->setFocus();
    left->selectAll();
    QTest::keyClicks(left, "0.5");
    QLineEdit* before = dlg.findChild<QLineEdit*>("SpaceBeforePts");
    before->selectAll();
    QTest::keyClicks(before, "6");
    QTest::mouseClick(dlg.findChild<QPushButton*>("Okbutton"), Qt::LeftButton);
    QCOMPARE(First()->leftIndent, 720);
    QCOMPARE(First()->firstIndent, 720);  // "Same as Left Indent"
    QCOMPARE(First()->spaceBefore, 120);
    QCOMPARE(ruler_->Format().leftIndent, 720);
  }
};

QTEST_MAIN(RichTextLinkTest)
#include "rich_text_link_test.moc"
