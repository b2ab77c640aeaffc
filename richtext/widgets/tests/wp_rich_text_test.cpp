// WPRichText driven as a user drives it: keys, clicks, the clipboard, the find dialog.
#include "richtext/widgets/wp_rich_text.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include "platform/qt_picture_decoder.h"
#include "richtext/widgets/tests/editor_under_test.h"

using namespace inkwend;

class WPRichTextTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> w_;
  int changes_ = 0;

 private slots:
  void init() {
    QVERIFY(ShowEmptyEditor(w_, {400, 300}));
    changes_ = 0;
    w_->onChange = [this](WPRichText&) { ++changes_; };
  }
  void cleanup() { w_.reset(); }

  void typingEnterBackspaceDelete() {
    QTest::keyClicks(w_.get(), "Hello");
    QTest::keyClick(w_.get(), Qt::Key_Return);
    QTest::keyClicks(w_.get(), "world");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Hello|world"));
    QVERIFY(changes_ >= 11);
    QCOMPARE(w_->GetCaretPosition(), 11);

    // Backspace at the very start does nothing.
    QTest::keyClick(w_.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w_->GetCaretPosition(), 0);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Hello|world"));

    // Delete at the very end clears the last paragraph's shading and borders.
    Paragraph* last = w_->Memo().Document().LastParagraph();
    last->shadingPercent = 30;
    last->borderFlags[0] = kBorderOn | kBorderBox;
    QTest::keyClick(w_.get(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_Delete);
    QCOMPARE(last->shadingPercent, uint8_t{0});
    QCOMPARE(last->borderFlags[0], uint8_t{0});
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Hello|world"));

    // Backspace at a paragraph start joins.
    w_->SetCaretPosition(6);
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Helloworld"));
  }

  void typingAfterHiddenTextAndInsertPoint() {
    EditController& m = w_->Memo();
    CharAttr hidden = m.Document().defaultAttr;
    hidden.charFlags = kCharHidden;
    CharAttr point = m.Document().defaultAttr;
    point.charFlags = kCharInsertPoint;
    point.tagNumber = 3;
    m.Document().AppendText(m.Document().FirstParagraph(), U"ab", hidden);
    Paragraph* second = m.Document().NewParagraph(m.Document().FirstParagraph());
    m.Document().AppendText(second, U"P", point);
    w_->Reformat();

    w_->SetCaretPosition(2);  // right after the hidden text
    QTest::keyClicks(w_.get(), "x");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abx|P"));
    QCOMPARE(m.Document().FirstParagraph()->Attrs()[2].charFlags, uint8_t{0});

    w_->SetCaretPosition(5);  // right after the insert point
    QTest::keyClicks(w_.get(), "y");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abx|Py"));
    QCOMPARE(m.Document().LastParagraph()->Attrs()[1].charFlags, uint8_t{0});
    QCOMPARE(m.Document().LastParagraph()->Attrs()[1].tagNumber, uint16_t{0});
  }

  void ctrlEnterTwiceTogglesThePageBreak() {
    QTest::keyClicks(w_.get(), "one");
    QTest::keyClick(w_.get(), Qt::Key_Return);
    QTest::keyClicks(w_.get(), "two");
    QTest::keyClick(w_.get(), Qt::Key_Home);
    QTest::keyClick(w_.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(w_->Memo().Document().LastParagraph()->parFlags & kParPageBreak);
    QTest::keyClick(w_.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!(w_->Memo().Document().LastParagraph()->parFlags & kParPageBreak));
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one|two"));
    // Elsewhere it splits the paragraph; the new one starts a page.
    QTest::keyClick(w_.get(), Qt::Key_Right);
    QTest::keyClick(w_.get(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one|t|wo"));
    QVERIFY(w_->Memo().Document().LastParagraph()->parFlags & kParPageBreak);
  }

  void pastePrefersRtfAndTakesText() {
    QTest::keyClicks(w_.get(), "[]");
    QTest::keyClick(w_.get(), Qt::Key_Left);
    auto* mime = new QMimeData;
    mime->setData("text/rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 \\i rich\\i0}");
    mime->setText("plain");
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("[rich]"));
    QVERIFY(w_->Memo().Document().FirstParagraph()->Attrs()[1].styleBits & kStyleItalic);
    QCOMPARE(w_->GetCaretPosition(), 5);

    QApplication::clipboard()->setText(QStringLiteral("caf\u00E9\nnext"));
    QTest::keyClick(w_.get(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("[richcaf\u00E9|next]"));

    // application/rtf as LibreOffice offers it.
    auto* lo = new QMimeData;
    lo->setData("application/rtf", "{\\rtf1 X}");
    QApplication::clipboard()->setMimeData(lo);
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("[richcaf\u00E9|nextX]"));

    w_->onBeforePasteEvent = [](WPRichText&, const WPRTFText&) { return false; };
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("[richcaf\u00E9|nextX]"));
  }

  void pasteAPicture() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    const Paragraph* p = w_->Memo().Document().FirstParagraph();
    QCOMPARE(p->CharCount(), 1);
    QVERIFY(p->Attrs()[0].charFlags & kCharObject);
    const DocObject* o = w_->Memo().Document().FindObjectByNumber(p->Attrs()[0].tagNumber);
    QVERIFY(o);
    QCOMPARE(o->graphic.Bitmap()->width, 4);
    QCOMPARE(o->graphic.Bitmap()->PixelRgb(0, 0), 0xFF0000u);
  }

  void transparentPartsOfAnInsertedPictureShowWhite() {
    // As on the page, and as pictures read from RTF: blended over white, not black.
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(255, 0, 0, 128));
    w_->InsertGraphic(image);
    const Bitmap* bitmap = w_->Memo().Document().Objects().front()->graphic.Bitmap();
    QVERIFY(bitmap);
    QCOMPARE(bitmap->PixelRgb(0, 0), 0xFFFFFFu);
    QCOMPARE(bitmap->PixelRgb(1, 0), 0xFF7F7Fu);
  }

  void loadsAndPastesDecodePicturesWithTheEditorsDecoder() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&png, "PNG"));
    const std::string rtf = "{\\rtf1 a{\\pict\\pngblip " + png.data().toHex().toStdString() + "}}";
    auto load = [&] {
      w_->Clear();
      MemoryStream stream(rtf);
      QCOMPARE(w_->LoadFromStream(stream), kResultOk);
    };
    load();
    QVERIFY(w_->Memo().Document().Objects().front()->graphic.Empty());  // no decoder: an empty object
    w_->SetPictureDecoder(&QtPictureDecoderInstance());
    load();
    QCOMPARE(w_->Memo().Document().Objects().front()->graphic.Bitmap()->PixelRgb(0, 0), 0x00FF00u);
    auto* mime = new QMimeData;
    mime->setData("text/rtf", QByteArray::fromStdString(rtf));
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w_->Memo().Document().Objects().size(), size_t{2});
    QVERIFY(w_->Memo().Document().Objects().back()->graphic.Bitmap());
  }

  void aCutOffEntryLoadsAsDamagedWithItsText() {
    MemoryStream stream(std::string("{\\rtf1 kept {\\b words"));
    QCOMPARE(w_->LoadFromStream(stream), kResultStreamError);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("kept words"));
    QCOMPARE(w_->LastLoadStatus().Code(), StatusCode::Damaged);
    QCOMPARE(w_->LastLoadStatus().DamageFound()->dropped, std::string("2 groups not closed"));
  }

  void selectAndResizeAPictureByItsCorner() {
    QTest::keyClicks(w_.get(), "pic ");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    w_->InsertGraphic(image);
    w_->viewport()->repaint();
    QCOMPARE(w_->Memo().Layout().HitObjects().size(), size_t{1});
    const Rect r = w_->Memo().Layout().HitObjects()[0].rect;
    QCOMPARE(r.Width(), 40);
    QTest::mouseDClick(w_->viewport(), Qt::LeftButton, {}, QPoint(r.left + 20, r.top + 15));
    // QTest keeps the button down after a double click; a user lets it go.
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, QPoint(r.left + 20, r.top + 15));
    QCOMPARE(w_->Memo().PositionOf(w_->Memo().SelectionBegin()), 4);
    QCOMPARE(w_->Memo().PositionOf(w_->Memo().SelectionEnd()), 5);
    w_->viewport()->repaint();

    const QPoint corner(r.right - 3, r.bottom - 3);
    QTest::mouseMove(w_->viewport(), corner);
    QCOMPARE(w_->viewport()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(w_->viewport(), Qt::LeftButton, {}, corner);
    QTest::mouseMove(w_->viewport(), QPoint(r.left + 80, r.top + 50));
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, QPoint(r.left + 80, r.top + 50));
    const DocObject* o = w_->Memo().Document().Objects().front().get();
    const int ppi = w_->Memo().Document().header.xPixelsPerInch;
    QCOMPARE(o->width, 80 * 1440 / ppi);
    QCOMPARE(o->height, 50 * 1440 / w_->Memo().Document().header.yPixelsPerInch);
    w_->viewport()->repaint();
    QCOMPARE(w_->Memo().Layout().HitObjects()[0].rect.Width(), 80);
    QCOMPARE(DumpParagraphs(*w_).size(), qsizetype{5});  // the text is unchanged
  }

  void copyOffersRtfAndTextAndCanBeVetoed() {
    QTest::keyClicks(w_.get(), "copy me");
    QTest::keyClick(w_.get(), Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* m = QApplication::clipboard()->mimeData();
    QCOMPARE(m->text(), QStringLiteral("me"));
    for (const char* type : {"text/rtf", "application/rtf"}) {
      QVERIFY2(m->data(type).startsWith("{\\rtf"), type);
      QVERIFY(m->data(type).contains("me"));
    }
    // Cut removes; a veto keeps both text and clipboard.
    w_->onBeforeCopyEvent = [](WPRichText&) { return false; };
    QApplication::clipboard()->setText("old");
    QTest::keyClick(w_.get(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("copy me"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("old"));
    w_->onBeforeCopyEvent = nullptr;
    QTest::keyClick(w_.get(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("copy "));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("me"));
  }

  void navigationKeysAndSelection() {
    QTest::keyClicks(w_.get(), "one two three");
    QTest::keyClick(w_.get(), Qt::Key_Home);
    QCOMPARE(w_->GetCaretPosition(), 0);
    QTest::keyClick(w_.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w_->GetCaretPosition(), 4);
    QTest::keyClick(w_.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(w_.get(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(w_->HasSelection());
    QCOMPARE(w_->Memo().SelectedText(), std::u32string(U"tw"));
    QTest::keyClick(w_.get(), Qt::Key_Escape);
    QVERIFY(!w_->HasSelection());
    QTest::keyClick(w_.get(), Qt::Key_End);
    QCOMPARE(w_->GetCaretPosition(), 13);
    QTest::keyClick(w_.get(), Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(w_->GetCaretPosition(), 8);

    // Tab inserts a tab; Ctrl+Tab and Shift+Tab are events.
    int ctrl_tab = 0, shift_tab = 0;
    w_->ctrlTabPressed = [&](WPRichText&) { ++ctrl_tab; };
    w_->shiftTabPressed = [&](WPRichText&) { ++shift_tab; };
    QTest::keyClick(w_.get(), Qt::Key_Tab);
    QTest::keyClick(w_.get(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one two \\tthree"));
    QCOMPARE(ctrl_tab, 1);
    QCOMPARE(shift_tab, 1);
    QVERIFY(w_->hasFocus());

    // Insert toggles overwrite.
    QTest::keyClick(w_.get(), Qt::Key_Insert);
    QVERIFY(!w_->Inserting());
    QTest::keyClicks(w_.get(), "TH");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("one two \\tTHree"));
  }

  void upDownAndPaging() {
    for (int i = 0; i < 60; ++i) {
      QTest::keyClicks(w_.get(), QStringLiteral("line %1").arg(i));
      QTest::keyClick(w_.get(), Qt::Key_Return);
    }
    QVERIFY(w_->verticalScrollBar()->maximum() > 0);
    QCOMPARE(w_->verticalScrollBar()->value(), w_->verticalScrollBar()->maximum());  // caret kept in view
    QTest::keyClick(w_.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w_->verticalScrollBar()->value(), 0);
    QTest::keyClick(w_.get(), Qt::Key_Down);
    QTest::keyClick(w_.get(), Qt::Key_Down);
    QCOMPARE(w_->Memo().ParagraphIndex(w_->Memo().CaretPos().par), 2);
    QTest::keyClick(w_.get(), Qt::Key_Up);
    QCOMPARE(w_->Memo().ParagraphIndex(w_->Memo().CaretPos().par), 1);

    // Page Down scrolls a view height and the caret keeps its place on the screen.
    const int before_y = w_->Memo().CaretRect().top;
    QTest::keyClick(w_.get(), Qt::Key_PageDown);
    QVERIFY(w_->verticalScrollBar()->value() > 0);
    QVERIFY(std::abs(w_->Memo().CaretRect().top - before_y) < 20);
    QVERIFY(w_->Memo().ParagraphIndex(w_->Memo().CaretPos().par) > 5);
    // Ctrl+Page Up scrolls only.
    const int64_t caret = w_->GetCaretPosition();
    QTest::keyClick(w_.get(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(w_->verticalScrollBar()->value(), 0);
    QCOMPARE(w_->GetCaretPosition(), caret);
  }

  void mouseClickDragShiftClickDoubleClick() {
    QTest::keyClicks(w_.get(), "alpha beta gamma");
    w_->Memo().Reformat();
    auto point_of = [&](int64_t pos) {
      const ParPos p = w_->Memo().PosAt(pos);
      const TextCursor c{p.par, 0, p.offset};
      std::vector<int> xs;
      w_->Memo().Layout().LineXs(p.par, 0, xs);
      const LineBox& l = w_->Memo().Layout().Box(p.par, c.line);
      return QPoint(xs[static_cast<size_t>(c.pos)] - w_->Memo().scrollX,
                    l.top + l.height / 2 - w_->Memo().scrollY);
    };
    QTest::mouseClick(w_->viewport(), Qt::LeftButton, {}, point_of(6) + QPoint(1, 0));
    QCOMPARE(w_->GetCaretPosition(), 6);
    QVERIFY(!w_->HasSelection());

    QTest::mousePress(w_->viewport(), Qt::LeftButton, {}, point_of(0) + QPoint(1, 0));
    QTest::mouseMove(w_->viewport(), point_of(5) + QPoint(1, 0));
    QTest::mouseRelease(w_->viewport(), Qt::LeftButton, {}, point_of(5) + QPoint(1, 0));
    QCOMPARE(w_->Memo().SelectedText(), std::u32string(U"alpha"));

    QTest::mouseClick(w_->viewport(), Qt::LeftButton, Qt::ShiftModifier, point_of(10) + QPoint(1, 0));
    QCOMPARE(w_->Memo().SelectedText(), std::u32string(U"alpha beta"));

    QTest::mouseDClick(w_->viewport(), Qt::LeftButton, {}, point_of(13));
    QCOMPARE(w_->Memo().SelectedText(), std::u32string(U"gamma"));
  }

  void inputMethodTextIsTyped() {
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("\u00E9\u65E5\u672C"));
    QApplication::sendEvent(w_.get(), &compose);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("\u00E9\u65E5\u672C"));
    // A dead-key sequence arrives as one key event carrying the composed character.
    QTest::sendKeyEvent(QTest::Click, w_.get(), Qt::Key_unknown, QStringLiteral("\u00FC"), Qt::NoModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("\u00E9\u65E5\u672C\u00FC"));
  }

  void undoRedoKeys() {
    QTest::keyClicks(w_.get(), "abc");
    QTest::keyClick(w_.get(), Qt::Key_Return);
    QTest::keyClicks(w_.get(), "d");
    QTest::keyClick(w_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abc|"));
    QTest::keyClick(w_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abc"));
    QTest::keyClick(w_.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abc|"));
    QTest::keyClick(w_.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("abc|d"));
  }

  void readOnlyRefusesKeys() {
    QTest::keyClicks(w_.get(), "fixed");
    w_->SetReadOnly(true);
    changes_ = 0;
    QTest::keyClicks(w_.get(), "xyz");
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QTest::keyClick(w_.get(), Qt::Key_Return);
    QApplication::clipboard()->setText("paste");
    QTest::keyClick(w_.get(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w_.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("fixed"));
    QCOMPARE(changes_, 0);
  }

  void findDialogSelectsTheHit() {
    QTest::keyClicks(w_.get(), "Find the cat. The CAT!");
    w_->SetCaretPosition(0);
    w_->FindDialog();
    QDialog* dlg = w_->ActiveFindDialog();
    QVERIFY(dlg);
    dlg->findChild<QLineEdit*>("FindEdit")->setText("cat");
    dlg->findChild<QCheckBox*>("MatchCase")->setChecked(true);
    QTest::mouseClick(dlg->findChild<QPushButton*>("FindNext"), Qt::LeftButton);
    QCOMPARE(w_->Memo().PositionOf(w_->Memo().SelectionBegin()), 9);
    QTest::mouseClick(dlg->findChild<QPushButton*>("FindNext"), Qt::LeftButton);
    QCOMPARE(w_->Memo().PositionOf(w_->Memo().SelectionBegin()), 9);  // no second hit with case
    dlg->close();

    w_->ReplaceDialog();
    dlg = w_->ActiveFindDialog();
    QVERIFY(dlg);
    dlg->findChild<QLineEdit*>("FindEdit")->setText("c*t");
    dlg->findChild<QLineEdit*>("ReplaceEdit")->setText("dog");
    dlg->findChild<QCheckBox*>("MatchCase")->setChecked(false);
    QTest::mouseClick(dlg->findChild<QPushButton*>("ReplaceAll"), Qt::LeftButton);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("Find the dog. The dog!"));
    dlg->close();

    QVERIFY(w_->FindText(QStringLiteral("the"), true));
    QCOMPARE(w_->GetCaretPosition(), 14);  // backwards: the caret before the hit
  }

  void operationsOfTheTable() {
    // SetPageLayout with every value kept changes nothing.
    const TextHeader before = w_->Memo().Document().header;
    w_->SetPageLayout(-1000, -1000, -1000, -1000, -1000, -1000);
    QCOMPARE(w_->Memo().Document().header.pageWidth, before.pageWidth);
    QCOMPARE(w_->Memo().Document().header.marginTop, before.marginTop);
    QCOMPARE(w_->Memo().Document().header.textAreaWidth, before.textAreaWidth);

    // FastAppendText of itself fails with its message.
    bool thrown = false;
    try {
      w_->FastAppendText(*w_);
    } catch (const WPError& e) {
      thrown = QString::fromUtf8(e.what()) == QStringLiteral("Cannot perform FastAppendText(self)");
    }
    QVERIFY(thrown);

    WPRichText other;
    other.Clear();
    other.InsertText(QStringLiteral("appended"));
    QTest::keyClicks(w_.get(), "first");
    w_->FastAppendText(other);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("first|appended"));

    // SaveSelectionToStream without a selection tells the user.
    QString shown;
    w_->onMessage = [&](WPRichText&, const QString& m) { shown = m; };
    MemoryStream s;
    w_->HideSelection();
    w_->SaveSelectionToStream(s);
    QCOMPARE(shown, QStringLiteral("no text selected"));
  }

  void clearTakesTheControlsFontAndColours() {
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(14);
    f.setBold(true);
    w_->SetFont(f);
    w_->SetFontColor(QColor(0xFF, 0, 0));
    w_->Clear();
    const CharAttr a = w_->GetCurrentAttr();
    QCOMPARE(a.fontIndex, uint8_t{0});
    QCOMPARE(QString::fromStdU32String(w_->Memo().Document().header.fonts[0].name),
             QStringLiteral("Courier New"));
    QCOMPARE(a.pointSize, uint8_t{14});
    QCOMPARE(a.TextColor(), uint8_t{1});         // red
    QCOMPARE(a.BackgroundColor(), uint8_t{12});  // the control's white
    QVERIFY(a.styleBits & kStyleBold);
    QTest::keyClicks(w_.get(), "x");
    QCOMPARE(w_->Memo().Document().FirstParagraph()->Attrs()[0].pointSize, uint8_t{14});
    QVERIFY(w_->FileName().isEmpty());
  }

  void loadSavePrint() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTest::keyClicks(w_.get(), "saved entry");
    const QString path = dir.filePath("entry.rtf");
    QCOMPARE(w_->SaveToFile(path), kResultOk);
    QCOMPARE(w_->FileName(), path);
    w_->Clear();
    QVERIFY(w_->IsEmpty());
    QCOMPARE(w_->LoadFromFile(path), kResultOk);
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("saved entry"));
    QCOMPARE(w_->GetCaretPosition(), 0);
    QVERIFY(!w_->Modified());
    QVERIFY(w_->LoadFromFile(dir.filePath("missing.rtf")) != kResultOk);
    QCOMPARE(w_->FileName(), path);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    QVERIFY2(w_->Print(printer), qPrintable(w_->lastPrintError));
    QFile pdf(dir.filePath("out.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("saved entry"));
  }

  void typingRepaintsOnlyWhatChangedAndPaintsItRight() {
    for (int i = 0; i < 12; ++i) {
      QTest::keyClicks(w_.get(),
                       QStringLiteral("paragraph %1 with some words to wrap around the line end").arg(i));
      QTest::keyClick(w_.get(), Qt::Key_Return);
    }
    w_->SetCaretPosition(70);
    QTest::qWait(20);
    w_->onChange = nullptr;
    // Type until the paragraph grows a line, so the lines below move too.
    for (int i = 0; i < 40; ++i) {
      QTest::keyClick(w_.get(), Qt::Key_Z);
      QCoreApplication::processEvents();
    }
    QTest::keyClick(w_.get(), Qt::Key_Backspace);
    QCoreApplication::processEvents();
    // What the screen shows (the backing store after the partial repaints) equals a full paint.
    QScreen* screen = w_->window()->windowHandle()->screen();
    const QPoint at = w_->viewport()->mapTo(w_->window(), QPoint(0, 0));
    const QImage shown = screen
                             ->grabWindow(w_->window()->winId(), at.x(), at.y(), w_->viewport()->width(),
                                          w_->viewport()->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    w_->SetReadOnly(true);  // no caret in either picture
    w_->clearFocus();
    QCoreApplication::processEvents();
    const QImage full = w_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), full.size());
    int differing = 0;
    for (int y = 0; y < full.height(); ++y) {
      for (int x = 0; x < full.width(); ++x) differing += shown.pixel(x, y) != full.pixel(x, y);
    }
    QVERIFY2(differing <= 2 * full.height(), qPrintable(QString::number(differing)));  // the caret at most
  }

  void wordWalkForTheSpellChecker() {
    QTest::keyClicks(w_.get(), "teh cat");
    w_->SpellRestart();
    QCOMPARE(w_->NextWord(), QStringLiteral("teh"));
    w_->ReplaceWord(QStringLiteral("the"));
    QCOMPARE(w_->NextWord(), QStringLiteral("cat"));
    QCOMPARE(w_->NextWord(), QString());
    QCOMPARE(DumpParagraphs(*w_), QStringLiteral("the cat"));
  }
};

QTEST_MAIN(WPRichTextTest)
#include "wp_rich_text_test.moc"
