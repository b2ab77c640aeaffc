// TWPRichText driven as a user drives it: keys, clicks, the clipboard, the find dialog.
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

using namespace inkwend;

namespace {

QString Dump(const TWPRichText& w) {
  QString out;
  for (TParagraph* p = w.Memo().Document().FirstParagraph(); p; p = p->Next) {
    if (p != w.Memo().Document().FirstParagraph()) out += '|';
    for (char32_t c : p->Text()) out += c == kCharTab ? QStringLiteral("\\t") : QString::fromUcs4(&c, 1);
  }
  return out;
}

}  // namespace

class WPRichTextTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TWPRichText> w;
  int changes = 0;

 private slots:
  void init() {
    w = std::make_unique<TWPRichText>();
    w->resize(400, 300);
    w->OnMessage = [](TWPRichText&, const QString&) {};
    w->Clear();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->setFocus();
    changes = 0;
    w->OnChange = [this](TWPRichText&) { ++changes; };
  }
  void cleanup() { w.reset(); }

  void typingEnterBackspaceDelete() {
    QTest::keyClicks(w.get(), "Hello");
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClicks(w.get(), "world");
    QCOMPARE(Dump(*w), QStringLiteral("Hello|world"));
    QVERIFY(changes >= 11);
    QCOMPARE(w->GetCaretPosition(), 11);

    // Backspace at the very start does nothing.
    QTest::keyClick(w.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w->GetCaretPosition(), 0);
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QCOMPARE(Dump(*w), QStringLiteral("Hello|world"));

    // Delete at the very end clears the last paragraph's shading and borders.
    TParagraph* last = w->Memo().Document().LastParagraph();
    last->ShadingPercent = 30;
    last->BorderFlags[0] = kBorderOn | kBorderBox;
    QTest::keyClick(w.get(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_Delete);
    QCOMPARE(last->ShadingPercent, uint8_t{0});
    QCOMPARE(last->BorderFlags[0], uint8_t{0});
    QCOMPARE(Dump(*w), QStringLiteral("Hello|world"));

    // Backspace at a paragraph start joins.
    w->SetCaretPosition(6);
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QCOMPARE(Dump(*w), QStringLiteral("Helloworld"));
  }

  void typingAfterHiddenTextAndInsertPoint() {
    EditController& m = w->Memo();
    TCharAttr hidden = m.Document().DefaultAttr;
    hidden.CharFlags = kCharHidden;
    TCharAttr point = m.Document().DefaultAttr;
    point.CharFlags = kCharInsertPoint;
    point.TagNumber = 3;
    m.Document().AppendText(m.Document().FirstParagraph(), U"ab", hidden);
    TParagraph* second = m.Document().NewParagraph(m.Document().FirstParagraph());
    m.Document().AppendText(second, U"P", point);
    w->Reformat();

    w->SetCaretPosition(2);  // right after the hidden text
    QTest::keyClicks(w.get(), "x");
    QCOMPARE(Dump(*w), QStringLiteral("abx|P"));
    QCOMPARE(m.Document().FirstParagraph()->Attrs()[2].CharFlags, uint8_t{0});

    w->SetCaretPosition(5);  // right after the insert point
    QTest::keyClicks(w.get(), "y");
    QCOMPARE(Dump(*w), QStringLiteral("abx|Py"));
    QCOMPARE(m.Document().LastParagraph()->Attrs()[1].CharFlags, uint8_t{0});
    QCOMPARE(m.Document().LastParagraph()->Attrs()[1].TagNumber, uint16_t{0});
  }

  void ctrlEnterTwiceTogglesThePageBreak() {
    QTest::keyClicks(w.get(), "one");
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClicks(w.get(), "two");
    QTest::keyClick(w.get(), Qt::Key_Home);
    QTest::keyClick(w.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(w->Memo().Document().LastParagraph()->ParFlags & kParPageBreak);
    QTest::keyClick(w.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!(w->Memo().Document().LastParagraph()->ParFlags & kParPageBreak));
    QCOMPARE(Dump(*w), QStringLiteral("one|two"));
    // Elsewhere it splits the paragraph; the new one starts a page.
    QTest::keyClick(w.get(), Qt::Key_Right);
    QTest::keyClick(w.get(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("one|t|wo"));
    QVERIFY(w->Memo().Document().LastParagraph()->ParFlags & kParPageBreak);
  }

  void pastePrefersRtfAndTakesText() {
    QTest::keyClicks(w.get(), "[]");
    QTest::keyClick(w.get(), Qt::Key_Left);
    auto* mime = new QMimeData;
    mime->setData("text/rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 \\i rich\\i0}");
    mime->setText("plain");
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("[rich]"));
    QVERIFY(w->Memo().Document().FirstParagraph()->Attrs()[1].StyleBits & kStyleItalic);
    QCOMPARE(w->GetCaretPosition(), 5);

    QApplication::clipboard()->setText(QStringLiteral("caf\u00E9\nnext"));
    QTest::keyClick(w.get(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(Dump(*w), QStringLiteral("[richcaf\u00E9|next]"));

    // application/rtf as LibreOffice offers it.
    auto* lo = new QMimeData;
    lo->setData("application/rtf", "{\\rtf1 X}");
    QApplication::clipboard()->setMimeData(lo);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("[richcaf\u00E9|nextX]"));

    w->OnBeforePasteEvent = [](TWPRichText&) { return false; };
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("[richcaf\u00E9|nextX]"));
  }

  void pasteAPicture() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    const TParagraph* p = w->Memo().Document().FirstParagraph();
    QCOMPARE(p->CharCount(), 1);
    QVERIFY(p->Attrs()[0].CharFlags & kCharObject);
    const TDocObject* o = w->Memo().Document().FindObjectByNumber(p->Attrs()[0].TagNumber);
    QVERIFY(o);
    QCOMPARE(o->Graphic.Bitmap()->Width, 4);
    QCOMPARE(o->Graphic.Bitmap()->PixelRgb(0, 0), 0xFF0000u);
  }

  void transparentPartsOfAnInsertedPictureShowWhite() {
    // As on the page, and as pictures read from RTF: blended over white, not black.
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(255, 0, 0, 128));
    w->InsertGraphic(image);
    const TBitmap* bitmap = w->Memo().Document().Objects().front()->Graphic.Bitmap();
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
      w->Clear();
      TMemoryStream stream(rtf);
      QCOMPARE(w->LoadFromStream(stream), kResultOk);
    };
    load();
    QVERIFY(w->Memo().Document().Objects().front()->Graphic.Empty());  // no decoder: an empty object
    w->SetPictureDecoder(&QtPictureDecoderInstance());
    load();
    QCOMPARE(w->Memo().Document().Objects().front()->Graphic.Bitmap()->PixelRgb(0, 0), 0x00FF00u);
    auto* mime = new QMimeData;
    mime->setData("text/rtf", QByteArray::fromStdString(rtf));
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w->Memo().Document().Objects().size(), size_t{2});
    QVERIFY(w->Memo().Document().Objects().back()->Graphic.Bitmap());
  }

  void aCutOffEntryLoadsAsDamagedWithItsText() {
    TMemoryStream stream(std::string("{\\rtf1 kept {\\b words"));
    QCOMPARE(w->LoadFromStream(stream), kResultStreamError);
    QCOMPARE(Dump(*w), QStringLiteral("kept words"));
    QCOMPARE(w->LastLoadStatus().Code(), StatusCode::Damaged);
    QCOMPARE(w->LastLoadStatus().DamageFound()->dropped, std::string("2 groups not closed"));
  }

  void selectAndResizeAPictureByItsCorner() {
    QTest::keyClicks(w.get(), "pic ");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    w->InsertGraphic(image);
    w->viewport()->repaint();
    QCOMPARE(w->Memo().Layout().HitObjects().size(), size_t{1});
    const TRect r = w->Memo().Layout().HitObjects()[0].Rect;
    QCOMPARE(r.Width(), 40);
    QTest::mouseDClick(w->viewport(), Qt::LeftButton, {}, QPoint(r.Left + 20, r.Top + 15));
    // QTest keeps the button down after a double click; a user lets it go.
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, QPoint(r.Left + 20, r.Top + 15));
    QCOMPARE(w->Memo().PositionOf(w->Memo().SelectionBegin()), 4);
    QCOMPARE(w->Memo().PositionOf(w->Memo().SelectionEnd()), 5);
    w->viewport()->repaint();

    const QPoint corner(r.Right - 3, r.Bottom - 3);
    QTest::mouseMove(w->viewport(), corner);
    QCOMPARE(w->viewport()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(w->viewport(), Qt::LeftButton, {}, corner);
    QTest::mouseMove(w->viewport(), QPoint(r.Left + 80, r.Top + 50));
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, QPoint(r.Left + 80, r.Top + 50));
    const TDocObject* o = w->Memo().Document().Objects().front().get();
    const int ppi = w->Memo().Document().Header.XPixelsPerInch;
    QCOMPARE(o->Width, 80 * 1440 / ppi);
    QCOMPARE(o->Height, 50 * 1440 / w->Memo().Document().Header.YPixelsPerInch);
    w->viewport()->repaint();
    QCOMPARE(w->Memo().Layout().HitObjects()[0].Rect.Width(), 80);
    QCOMPARE(Dump(*w).size(), qsizetype{5});  // the text is unchanged
  }

  void copyOffersRtfAndTextAndCanBeVetoed() {
    QTest::keyClicks(w.get(), "copy me");
    QTest::keyClick(w.get(), Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* m = QApplication::clipboard()->mimeData();
    QCOMPARE(m->text(), QStringLiteral("me"));
    for (const char* type : {"text/rtf", "application/rtf"}) {
      QVERIFY2(m->data(type).startsWith("{\\rtf"), type);
      QVERIFY(m->data(type).contains("me"));
    }
    // Cut removes; a veto keeps both text and clipboard.
    w->OnBeforeCopyEvent = [](TWPRichText&) { return false; };
    QApplication::clipboard()->setText("old");
    QTest::keyClick(w.get(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("copy me"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("old"));
    w->OnBeforeCopyEvent = nullptr;
    QTest::keyClick(w.get(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(Dump(*w), QStringLiteral("copy "));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("me"));
  }

  void navigationKeysAndSelection() {
    QTest::keyClicks(w.get(), "one two three");
    QTest::keyClick(w.get(), Qt::Key_Home);
    QCOMPARE(w->GetCaretPosition(), 0);
    QTest::keyClick(w.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w->GetCaretPosition(), 4);
    QTest::keyClick(w.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(w.get(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(w->HasSelection());
    QCOMPARE(w->Memo().SelectedText(), std::u32string(U"tw"));
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QVERIFY(!w->HasSelection());
    QTest::keyClick(w.get(), Qt::Key_End);
    QCOMPARE(w->GetCaretPosition(), 13);
    QTest::keyClick(w.get(), Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(w->GetCaretPosition(), 8);

    // Tab inserts a tab; Ctrl+Tab and Shift+Tab are events.
    int ctrl_tab = 0, shift_tab = 0;
    w->CtrlTabPressed = [&](TWPRichText&) { ++ctrl_tab; };
    w->ShiftTabPressed = [&](TWPRichText&) { ++shift_tab; };
    QTest::keyClick(w.get(), Qt::Key_Tab);
    QTest::keyClick(w.get(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(Dump(*w), QStringLiteral("one two \\tthree"));
    QCOMPARE(ctrl_tab, 1);
    QCOMPARE(shift_tab, 1);
    QVERIFY(w->hasFocus());

    // Insert toggles overwrite.
    QTest::keyClick(w.get(), Qt::Key_Insert);
    QVERIFY(!w->Inserting());
    QTest::keyClicks(w.get(), "TH");
    QCOMPARE(Dump(*w), QStringLiteral("one two \\tTHree"));
  }

  void upDownAndPaging() {
    for (int i = 0; i < 60; ++i) {
      QTest::keyClicks(w.get(), QStringLiteral("line %1").arg(i));
      QTest::keyClick(w.get(), Qt::Key_Return);
    }
    QVERIFY(w->verticalScrollBar()->maximum() > 0);
    QCOMPARE(w->verticalScrollBar()->value(), w->verticalScrollBar()->maximum());  // caret kept in view
    QTest::keyClick(w.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w->verticalScrollBar()->value(), 0);
    QTest::keyClick(w.get(), Qt::Key_Down);
    QTest::keyClick(w.get(), Qt::Key_Down);
    QCOMPARE(w->Memo().ParagraphIndex(w->Memo().CaretPos().Par), 2);
    QTest::keyClick(w.get(), Qt::Key_Up);
    QCOMPARE(w->Memo().ParagraphIndex(w->Memo().CaretPos().Par), 1);

    // Page Down scrolls a view height and the caret keeps its place on the screen.
    const int before_y = w->Memo().CaretRect().Top;
    QTest::keyClick(w.get(), Qt::Key_PageDown);
    QVERIFY(w->verticalScrollBar()->value() > 0);
    QVERIFY(std::abs(w->Memo().CaretRect().Top - before_y) < 20);
    QVERIFY(w->Memo().ParagraphIndex(w->Memo().CaretPos().Par) > 5);
    // Ctrl+Page Up scrolls only.
    const int64_t caret = w->GetCaretPosition();
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(w->verticalScrollBar()->value(), 0);
    QCOMPARE(w->GetCaretPosition(), caret);
  }

  void mouseClickDragShiftClickDoubleClick() {
    QTest::keyClicks(w.get(), "alpha beta gamma");
    w->Memo().Reformat();
    auto point_of = [&](int64_t pos) {
      const TParPos p = w->Memo().PosAt(pos);
      const TTextCursor c{p.Par, 0, p.Offset};
      std::vector<int> xs;
      w->Memo().Layout().LineXs(p.Par, 0, xs);
      const LineBox& l = w->Memo().Layout().Box(p.Par, c.Line);
      return QPoint(xs[static_cast<size_t>(c.Pos)] - w->Memo().ScrollX,
                    l.top + l.height / 2 - w->Memo().ScrollY);
    };
    QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, point_of(6) + QPoint(1, 0));
    QCOMPARE(w->GetCaretPosition(), 6);
    QVERIFY(!w->HasSelection());

    QTest::mousePress(w->viewport(), Qt::LeftButton, {}, point_of(0) + QPoint(1, 0));
    QTest::mouseMove(w->viewport(), point_of(5) + QPoint(1, 0));
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, point_of(5) + QPoint(1, 0));
    QCOMPARE(w->Memo().SelectedText(), std::u32string(U"alpha"));

    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::ShiftModifier, point_of(10) + QPoint(1, 0));
    QCOMPARE(w->Memo().SelectedText(), std::u32string(U"alpha beta"));

    QTest::mouseDClick(w->viewport(), Qt::LeftButton, {}, point_of(13));
    QCOMPARE(w->Memo().SelectedText(), std::u32string(U"gamma"));
  }

  void inputMethodTextIsTyped() {
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("\u00E9\u65E5\u672C"));
    QApplication::sendEvent(w.get(), &compose);
    QCOMPARE(Dump(*w), QStringLiteral("\u00E9\u65E5\u672C"));
    // A dead-key sequence arrives as one key event carrying the composed character.
    QTest::sendKeyEvent(QTest::Click, w.get(), Qt::Key_unknown, QStringLiteral("\u00FC"), Qt::NoModifier);
    QCOMPARE(Dump(*w), QStringLiteral("\u00E9\u65E5\u672C\u00FC"));
  }

  void undoRedoKeys() {
    QTest::keyClicks(w.get(), "abc");
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClicks(w.get(), "d");
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("abc|"));
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("abc"));
    QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("abc|"));
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Dump(*w), QStringLiteral("abc|d"));
  }

  void readOnlyRefusesKeys() {
    QTest::keyClicks(w.get(), "fixed");
    w->SetReadOnly(true);
    changes = 0;
    QTest::keyClicks(w.get(), "xyz");
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QTest::keyClick(w.get(), Qt::Key_Return);
    QApplication::clipboard()->setText("paste");
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Dump(*w), QStringLiteral("fixed"));
    QCOMPARE(changes, 0);
  }

  void findDialogSelectsTheHit() {
    QTest::keyClicks(w.get(), "Find the cat. The CAT!");
    w->SetCaretPosition(0);
    w->FindDialog();
    QDialog* dlg = w->ActiveFindDialog();
    QVERIFY(dlg);
    dlg->findChild<QLineEdit*>("FindEdit")->setText("cat");
    dlg->findChild<QCheckBox*>("MatchCase")->setChecked(true);
    QTest::mouseClick(dlg->findChild<QPushButton*>("FindNext"), Qt::LeftButton);
    QCOMPARE(w->Memo().PositionOf(w->Memo().SelectionBegin()), 9);
    QTest::mouseClick(dlg->findChild<QPushButton*>("FindNext"), Qt::LeftButton);
    QCOMPARE(w->Memo().PositionOf(w->Memo().SelectionBegin()), 9);  // no second hit with case
    dlg->close();

    w->ReplaceDialog();
    dlg = w->ActiveFindDialog();
    QVERIFY(dlg);
    dlg->findChild<QLineEdit*>("FindEdit")->setText("c*t");
    dlg->findChild<QLineEdit*>("ReplaceEdit")->setText("dog");
    dlg->findChild<QCheckBox*>("MatchCase")->setChecked(false);
    QTest::mouseClick(dlg->findChild<QPushButton*>("ReplaceAll"), Qt::LeftButton);
    QCOMPARE(Dump(*w), QStringLiteral("Find the dog. The dog!"));
    dlg->close();

    QVERIFY(w->FindText(QStringLiteral("the"), true));
    QCOMPARE(w->GetCaretPosition(), 14);  // backwards: the caret before the hit
  }

  void operationsOfTheTable() {
    // SetPageLayout with every value kept changes nothing.
    const TTextHeader before = w->Memo().Document().Header;
    w->SetPageLayout(-1000, -1000, -1000, -1000, -1000, -1000);
    QCOMPARE(w->Memo().Document().Header.PageWidth, before.PageWidth);
    QCOMPARE(w->Memo().Document().Header.MarginTop, before.MarginTop);
    QCOMPARE(w->Memo().Document().Header.TextAreaWidth, before.TextAreaWidth);

    // FastAppendText of itself fails with its message.
    bool thrown = false;
    try {
      w->FastAppendText(*w);
    } catch (const TWPError& e) {
      thrown = QString::fromUtf8(e.what()) == QStringLiteral("Cannot perform FastAppendText(self)");
    }
    QVERIFY(thrown);

    TWPRichText other;
    other.Clear();
    other.InsertText(QStringLiteral("appended"));
    QTest::keyClicks(w.get(), "first");
    w->FastAppendText(other);
    QCOMPARE(Dump(*w), QStringLiteral("first|appended"));

    // SaveSelectionToStream without a selection tells the user.
    QString shown;
    w->OnMessage = [&](TWPRichText&, const QString& m) { shown = m; };
    TMemoryStream s;
    w->HideSelection();
    w->SaveSelectionToStream(s);
    QCOMPARE(shown, QStringLiteral("no text selected"));
  }

  void clearTakesTheControlsFontAndColours() {
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(14);
    f.setBold(true);
    w->SetFont(f);
    w->SetFontColor(QColor(0xFF, 0, 0));
    w->Clear();
    const TCharAttr a = w->GetCurrentAttr();
    QCOMPARE(a.FontIndex, uint8_t{0});
    QCOMPARE(QString::fromStdU32String(w->Memo().Document().Header.Fonts[0].Name),
             QStringLiteral("Courier New"));
    QCOMPARE(a.PointSize, uint8_t{14});
    QCOMPARE(a.TextColor(), uint8_t{1});         // red
    QCOMPARE(a.BackgroundColor(), uint8_t{12});  // the control's white
    QVERIFY(a.StyleBits & kStyleBold);
    QTest::keyClicks(w.get(), "x");
    QCOMPARE(w->Memo().Document().FirstParagraph()->Attrs()[0].PointSize, uint8_t{14});
    QVERIFY(w->FileName().isEmpty());
  }

  void loadSavePrint() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTest::keyClicks(w.get(), "saved entry");
    const QString path = dir.filePath("entry.rtf");
    QCOMPARE(w->SaveToFile(path), kResultOk);
    QCOMPARE(w->FileName(), path);
    w->Clear();
    QVERIFY(w->IsEmpty());
    QCOMPARE(w->LoadFromFile(path), kResultOk);
    QCOMPARE(Dump(*w), QStringLiteral("saved entry"));
    QCOMPARE(w->GetCaretPosition(), 0);
    QVERIFY(!w->Modified());
    QVERIFY(w->LoadFromFile(dir.filePath("missing.rtf")) != kResultOk);
    QCOMPARE(w->FileName(), path);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    QVERIFY2(w->Print(printer), qPrintable(w->LastPrintError));
    QFile pdf(dir.filePath("out.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QCOMPARE(Dump(*w), QStringLiteral("saved entry"));
  }

  void typingRepaintsOnlyWhatChangedAndPaintsItRight() {
    for (int i = 0; i < 12; ++i) {
      QTest::keyClicks(w.get(),
                       QStringLiteral("paragraph %1 with some words to wrap around the line end").arg(i));
      QTest::keyClick(w.get(), Qt::Key_Return);
    }
    w->SetCaretPosition(70);
    QTest::qWait(20);
    w->OnChange = nullptr;
    // Type until the paragraph grows a line, so the lines below move too.
    for (int i = 0; i < 40; ++i) {
      QTest::keyClick(w.get(), Qt::Key_Z);
      QCoreApplication::processEvents();
    }
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QCoreApplication::processEvents();
    // What the screen shows (the backing store after the partial repaints) equals a full paint.
    QScreen* screen = w->window()->windowHandle()->screen();
    const QPoint at = w->viewport()->mapTo(w->window(), QPoint(0, 0));
    const QImage shown = screen
                             ->grabWindow(w->window()->winId(), at.x(), at.y(), w->viewport()->width(),
                                          w->viewport()->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    w->SetReadOnly(true);  // no caret in either picture
    w->clearFocus();
    QCoreApplication::processEvents();
    const QImage full = w->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), full.size());
    int differing = 0;
    for (int y = 0; y < full.height(); ++y) {
      for (int x = 0; x < full.width(); ++x) differing += shown.pixel(x, y) != full.pixel(x, y);
    }
    QVERIFY2(differing <= 2 * full.height(), qPrintable(QString::number(differing)));  // the caret at most
  }

  void wordWalkForTheSpellChecker() {
    QTest::keyClicks(w.get(), "teh cat");
    w->SpellRestart();
    QCOMPARE(w->NextWord(), QStringLiteral("teh"));
    w->ReplaceWord(QStringLiteral("the"));
    QCOMPARE(w->NextWord(), QStringLiteral("cat"));
    QCOMPARE(w->NextWord(), QString());
    QCOMPARE(Dump(*w), QStringLiteral("the cat"));
  }
};

QTEST_MAIN(WPRichTextTest)
#include "wp_rich_text_test.moc"
