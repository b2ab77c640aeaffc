// The formatting toolbar driven with the mouse and keyboard.
#include <QAbstractItemView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "richtext/toolbar/tests/fake_editor.h"
#include "richtext/toolbar/wp_glyphs.h"
#include "richtext/toolbar/wp_toolbar.h"

using namespace inkwend;

namespace {

// The main window's toolbar: its lists, icons, hints and own buttons.
void SetUpAsMainWindow(WPToolBar& bar) {
  bar.SetSelListBoxes(kSelListFontName | kSelListFontSize | kSelListFontColor | kSelListBackgroundColor);
  bar.SetSelStatusIcons(kSelNormal | kSelBold | kSelItalic | kSelUnder | kSelStrikeOut | kSelLeft |
                        kSelRight | kSelBlock | kSelCenter);
  bar.SetSelEditIcons(kSelCopy | kSelCut | kSelPaste | kSelSelAll | kSelFind | kSelReplace | kSelSpellCheck);
  bar.SetSelActionIcons(0);
  bar.SetFontSizeFrom(8);
  bar.SetWidthBetweenGroups(5);
  bar.SetAlign(ToolAlign::Top);
  bar.SetHints({"WPI_Under=Underline", "WPI_Justified=Justified", "WPI_Spell=Spell Check", "WPI_Bold=Bold"});
}

struct IconEvent {
  WpSelNr kind;
  QString name;
  int group, number;
};

}  // namespace

class ToolBarTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPToolBar> bar_;
  FakeEditor editor_;
  std::vector<IconEvent> iconEvents_;
  std::vector<std::pair<WpSelNr, int>> selections_;

  QToolButton* Button(const char* name) {
    QToolButton* b = bar_->IconButton(QString::fromLatin1(name));
    if (!b) qFatal("no button %s", name);
    return b;
  }

 private slots:
  void init() {
    bar_ = std::make_unique<WPToolBar>();
    editor_ = FakeEditor();
    iconEvents_.clear();
    selections_.clear();
    SetUpAsMainWindow(*bar_);
    bar_->SetEditor(&editor_);
    bar_->onIconSelection = [this](WPToolBar&, WpSelNr& kind, const QString& name, int group, int number,
                                   int) {
      iconEvents_.push_back({kind, name, group, number});
    };
    bar_->onSelection = [this](WPToolBar&, WpSelNr& kind, const QString&, int number) {
      selections_.emplace_back(kind, number);
    };
    bar_->resize(1400, 52);
    bar_->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar_.get()));
  }
  void cleanup() { bar_.reset(); }

  void mainWindowOrder() {
    auto* del = new QToolButton;
    del->setObjectName("Deletebutton");
    del->setFixedSize(20, 20);
    auto* spacer = new QWidget;
    spacer->setObjectName("spacer1");
    spacer->setFixedSize(3, 20);
    auto* br = new QToolButton;
    br->setObjectName("DocPageBreakButton");
    br->setFixedSize(20, 20);
    bar_->AddControl(del);
    bar_->AddControl(spacer);
    bar_->AddControl(br);
    bar_->AddControl(spacer);  // listed twice: placed at its later slot
    QTest::qWait(1);           // the posted re-flow
    QStringList names;
    std::vector<QWidget*> widgets;
    for (const auto& c : bar_->Controls()) {
      widgets.push_back(c);
      names << (c == bar_->FontNameList()          ? "font"
                : c == bar_->FontSizeList()        ? "size"
                : c == bar_->FontColorList()       ? "color"
                : c == bar_->BackgroundColorList() ? "background"
                                                   : c->objectName());
    }
    QCOMPARE(names, QStringList({"font",
                                 "size",
                                 "color",
                                 "background",
                                 "WPI_NORMAL",
                                 "WPI_BOLD",
                                 "WPI_ITALIC",
                                 "WPI_UNDER",
                                 "WPI_STRIKEOUT",
                                 "WPI_LEFT",
                                 "WPI_CENTER",
                                 "WPI_JUSTIFIED",
                                 "WPI_RIGHT",
                                 "WPI_SelAll",
                                 "WPI_CUT",
                                 "WPI_COPY",
                                 "WPI_PASTE",
                                 "WPI_FIND",
                                 "WPI_REPLACE",
                                 "WPI_SPELL",
                                 "Deletebutton",
                                 "spacer1",
                                 "DocPageBreakButton",
                                 "spacer1"}));
    // The earlier slot of the twice-listed spacer stays empty space of its width.
    QCOMPARE(br->x(), del->x() + 20 + 2 + 3);
    QCOMPARE(spacer->x(), br->x() + 20 + 2);
    widgets.erase(widgets.begin() + 21);
    names.removeAt(21);
    // One row, left to right, as listed.
    for (size_t i = 1; i < widgets.size(); ++i) {
      QVERIFY2(widgets[i]->x() >= widgets[i - 1]->x() + widgets[i - 1]->width(), qPrintable(names[int(i)]));
      QVERIFY(std::abs(widgets[i]->y() - widgets[0]->y()) <= 1);
    }
    // Square 20-pixel buttons; no gap inside a group, the group gap between groups, 2 pixels
    // before a control that is no button.
    QCOMPARE(Button("WPI_BOLD")->size(), QSize(20, 20));
    QCOMPARE(Button("WPI_ITALIC")->x(), Button("WPI_BOLD")->x() + 20);
    QCOMPARE(Button("WPI_LEFT")->x(), Button("WPI_STRIKEOUT")->x() + 20 + 5);
    QCOMPARE(Button("WPI_SelAll")->x(), Button("WPI_RIGHT")->x() + 20 + 5);
    QCOMPARE(del->x(), Button("WPI_SPELL")->x() + 20 + 5);
    QCOMPARE(Button("WPI_NORMAL")->x(), bar_->BackgroundColorList()->geometry().right() + 1 + 5);
    QCOMPARE(bar_->FontNameList()->x(), 1 + 2 + 2);
    // Buttons sit one pixel above the lists.
    QCOMPARE(Button("WPI_BOLD")->y(), bar_->FontSizeList()->y() - 1);
    // The size list offers 8..72 with a leading space.
    QCOMPARE(bar_->FontSizeList()->itemText(0), QString(" 8"));
    QCOMPARE(bar_->FontSizeList()->itemText(bar_->FontSizeList()->count() - 1), QString(" 72"));
    // Font names sorted; outline fonts known as such; list widths from the toolbar's font.
    QStringList fonts;
    for (int i = 0; i < bar_->FontNameList()->count(); ++i) fonts << bar_->FontNameList()->itemText(i);
    QVERIFY(fonts.contains("Liberation Sans"));
    for (int i = 1; i < fonts.size(); ++i) QVERIFY(fonts[i - 1].compare(fonts[i], Qt::CaseInsensitive) <= 0);
    QVERIFY(WPToolBar::IsOutlineFont("Liberation Sans"));
    QFontMetrics fm(bar_->font());
    QCOMPARE(bar_->FontSizeList()->width(), fm.horizontalAdvance('8') * 3 + 24);
    QCOMPARE(bar_->FontColorList()->width(), fm.horizontalAdvance('A') + 32);
    // Left starts down.
    QVERIFY(Button("WPI_LEFT")->isChecked());
  }

  void narrowToolbarWrapsAndGrows() {
    int one_row = bar_->height();
    bar_->resize(200, bar_->height());
    QTest::qWait(1);
    // Wrapped into rows: the toolbar (aligned to the top) grows to hold them.
    QVERIFY(bar_->height() > one_row);
    for (const auto& c : bar_->Controls())
      QVERIFY2(c->geometry().bottom() < bar_->height(), qPrintable(c->objectName()));
    QVERIFY(Button("WPI_SPELL")->y() > Button("WPI_NORMAL")->y());
  }

  void boldTwiceSendsDownThenUp() {
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);
    QCOMPARE(int(editor_.commands.size()), 2);
    QCOMPARE(int(editor_.commands[0].kind), 6);
    QCOMPARE(int(editor_.commands[1].kind), 7);
    QCOMPARE(editor_.commands[0].group, 256);
    QCOMPARE(editor_.commands[0].number, 2);
    QCOMPARE(editor_.commands[0].iconName, QString("WPI_BOLD"));
    // The application heard both first; the editor got the focus back each time.
    QCOMPARE(int(iconEvents_.size()), 2);
    QCOMPARE(int(iconEvents_[0].kind), 6);
    QCOMPARE(int(iconEvents_[1].kind), 7);
    QCOMPARE(editor_.focused, 2);
  }

  void copyPopsUpAgain() {
    QTest::mouseClick(Button("WPI_COPY"), Qt::LeftButton);
    QCOMPARE(int(editor_.commands.size()), 1);
    QCOMPARE(int(editor_.commands[0].kind), 6);
    QCOMPARE(editor_.commands[0].group, 768);
    QCOMPARE(editor_.commands[0].number, 1);
    QVERIFY(!Button("WPI_COPY")->isChecked());
    QTest::mouseClick(Button("WPI_COPY"), Qt::LeftButton);
    QCOMPARE(int(editor_.commands[1].kind), 6);  // again a press, not a release
  }

  void alignmentIsARadioGroup() {
    QTest::mouseClick(Button("WPI_CENTER"), Qt::LeftButton);
    QVERIFY(Button("WPI_CENTER")->isChecked());
    QVERIFY(!Button("WPI_LEFT")->isChecked());
    QCOMPARE(editor_.commands.back().group, 512);
    QCOMPARE(editor_.commands.back().number, 4);
    // Clicking the pressed one keeps it down: never all up.
    QTest::mouseClick(Button("WPI_CENTER"), Qt::LeftButton);
    QVERIFY(Button("WPI_CENTER")->isChecked());
    QCOMPARE(int(editor_.commands.back().kind), 6);
  }

  void superAndSubExcludeEachOther() {
    bar_->SetSelStatusIcons(bar_->sel_StatusIcons() | kSelSuper | kSelSub);
    QTest::mouseClick(Button("WPI_SUPER"), Qt::LeftButton);
    QTest::mouseClick(Button("WPI_SUB"), Qt::LeftButton);
    QVERIFY(Button("WPI_SUB")->isChecked());
    QVERIFY(!Button("WPI_SUPER")->isChecked());
    QTest::mouseClick(Button("WPI_SUPER"), Qt::LeftButton);
    QVERIFY(!Button("WPI_SUB")->isChecked());
  }

  void handlerCanStopACommand() {
    bar_->onIconSelection = [](WPToolBar&, WpSelNr& kind, const QString&, int, int, int) { kind = 0; };
    QTest::mouseClick(Button("WPI_ITALIC"), Qt::LeftButton);
    QVERIFY(editor_.commands.empty());
  }

  void listsSendTheirKinds() {
    // Keyboard choices in the size and colour lists.
    bar_->FontSizeList()->setFocus();
    QTest::keyClick(bar_->FontSizeList(), Qt::Key_Down);
    QTest::keyClick(bar_->FontColorList(), Qt::Key_Down);
    QTest::keyClick(bar_->FontColorList(), Qt::Key_Down);
    bar_->BackgroundColorList()->setCurrentIndex(5);
    QTest::keyClick(bar_->BackgroundColorList(), Qt::Key_Up);
    QCOMPARE(int(editor_.commands.size()), 4);
    QCOMPARE(int(editor_.commands[0].kind), 2);
    QCOMPARE(editor_.commands[0].number, 9);  // from " 8" down to " 9"
    QCOMPARE(int(editor_.commands[1].kind), 3);
    QCOMPARE(editor_.commands[2].number, 2);
    QCOMPARE(int(editor_.commands[3].kind), 4);
    QCOMPARE(editor_.commands[3].number, 4);
    QCOMPARE(int(selections_.size()), 4);
    // A font name typed into the list.
    QLineEdit* edit = bar_->FontNameList()->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "Liberation Serif");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(int(editor_.commands.size()), 5);
    QCOMPARE(int(editor_.commands[4].kind), 1);
    QCOMPARE(editor_.commands[4].text, QString("Liberation Serif"));
  }

  void caretAttributesShowInTheLists() {
    WPCaretAttributes a;
    a.fontName = "liberation sans";  // matched ignoring case
    a.pointSize = 12;
    a.textColor = QColor(0, 0, 255);  // blue: entry 3
    a.hasBackground = true;
    a.background = QColor(255, 255, 0);  // yellow: entry 4
    a.bold = true;
    a.alignment = 3;
    bar_->ShowAttributes(a);
    QCOMPARE(bar_->FontNameList()->currentText(), QString("Liberation Sans"));
    QCOMPARE(bar_->FontSizeList()->currentText(), QString(" 12"));
    QCOMPARE(bar_->FontColorList()->currentIndex(), 3);
    QCOMPARE(bar_->BackgroundColorList()->currentIndex(), 4);
    QVERIFY(Button("WPI_BOLD")->isChecked());
    QVERIFY(Button("WPI_JUSTIFIED")->isChecked());
    QVERIFY(!Button("WPI_LEFT")->isChecked());
    // Size 6 or less, an unmatched colour: the lists stay as they are. White: no background.
    a.pointSize = 6;
    a.textColor = QColor(1, 2, 3);
    a.background = Qt::white;
    a.bold = false;
    bar_->ShowAttributes(a);
    QCOMPARE(bar_->FontSizeList()->currentText(), QString(" 12"));
    QCOMPARE(bar_->FontColorList()->currentIndex(), 3);
    QCOMPARE(bar_->BackgroundColorList()->currentIndex(), 0);
    QVERIFY(!Button("WPI_BOLD")->isChecked());
    // A black brush is black (15), not "none".
    a.background = Qt::black;
    bar_->ShowAttributes(a);
    QCOMPARE(bar_->BackgroundColorList()->currentIndex(), 15);
    // Showing state sent no commands.
    QVERIFY(editor_.commands.empty());
  }

  void listsExistBeforeTheFirstShow() {
    WPToolBar fresh;
    fresh.FontSizeList()->setToolTip("Font Size");  // as the main window does while creating itself
    fresh.SetSelListBoxes(kSelListFontName | kSelListFontSize);
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    QCOMPARE(fresh.FontSizeList()->toolTip(), QString("Font Size"));
    QVERIFY(fresh.FontSizeList()->isVisible());
    QVERIFY(!fresh.FontColorList()->isVisible());
    QCOMPARE(int(fresh.Controls().size()), 2 + 7 + 2 + 5);  // lists, status, print, edit icons
  }

  void styleListFromTheEditor() {
    bar_->SetSelListBoxes(bar_->sel_ListBoxes() | kSelListStyle);
    FakeEditor styled;
    styled.styles = {"Normal", "Heading"};
    bar_->SetEditor(&styled);
    QCOMPARE(bar_->StyleList()->count(), 2);
    bar_->StyleList()->setFocus();
    QTest::keyClick(bar_->StyleList(), Qt::Key_Down);
    QCOMPARE(int(styled.commands.size()), 1);
    QCOMPARE(int(styled.commands[0].kind), 5);
    QCOMPARE(styled.commands[0].number, 1);  // the item's index
    QCOMPARE(styled.commands[0].text, QString("Heading"));
    bar_->SetEditor(&editor_);
  }

  void fontListHasOneEntryPerFamily() {
    QCOMPARE(
        WPToolBar::FamilyNames({"C059 [UKWN]", "Arial", "C059 [urw]", "arial", "C059", "Odd [name", "B"}),
        QStringList({"Arial", "B", "C059", "Odd [name"}));
    const QStringList shown = [this] {
      QStringList items;
      for (int i = 0; i < bar_->FontNameList()->count(); ++i) items << bar_->FontNameList()->itemText(i);
      return items;
    }();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(WPToolBar::FamilyNames(shown), shown);  // nothing left to merge
  }

  void sizeListPopupShowsAboutADozenRows() {
    WPTBCombo* sizes = bar_->FontSizeList();
    QVERIFY(sizes->count() > 2 * WPToolBar::kSizeListRows);
    sizes->setCurrentIndex(sizes->count() - 1);
    sizes->showPopup();
    QAbstractItemView* list = sizes->view();
    QTRY_VERIFY(list->isVisible());
    const int rows = list->viewport()->height() / list->sizeHintForRow(0);
    QVERIFY2(rows <= WPToolBar::kSizeListRows + 1 && rows >= WPToolBar::kSizeListRows - 2,
             qPrintable(QString("%1 rows").arg(rows)));
    QVERIFY(list->verticalScrollBar()->maximum() > 0);
    // The chosen size is among the rows shown.
    QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
    sizes->hidePopup();
  }

  void hintsFromTheList() {
    QCOMPARE(Button("WPI_UNDER")->toolTip(), QString("Underline"));
    QCOMPARE(Button("WPI_SPELL")->toolTip(), QString("Spell Check"));
    QCOMPARE(Button("WPI_ITALIC")->toolTip(), QString());  // no line: no hint
    WPToolBar plain;
    QVERIFY(plain.Hints().contains("WPI_Bold=Bold"));
    QCOMPARE(plain.Hints().size(), 38);
    plain.SetHints({});
    QCOMPARE(plain.Hints().size(), 38);  // reading an empty list rebuilds the default
  }

  void updateObjectFollows() {
    QLineEdit line;
    bar_->SetUpdateObject(&line);
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);
    QVERIFY(line.font().bold());
    QTest::mouseClick(Button("WPI_UNDER"), Qt::LeftButton);
    QVERIFY(line.font().underline());
    QTest::mouseClick(Button("WPI_BOLD"), Qt::LeftButton);
    QVERIFY(!line.font().bold());
    QTest::keyClick(bar_->FontSizeList(), Qt::Key_Down);
    QCOMPARE(line.font().pointSize(), 9);
  }

  void limitsOfTablesAndLists() {
    for (int i = 0; i < 60; ++i) bar_->AddIcon(QString("WPI_X%1").arg(i), 1000 + i, 1, 2048);
    QCOMPARE(bar_->IconCount(), kMaxIcons);
    QVERIFY(bar_->FindIcon(1000, 0, 0) > 0);
    QCOMPARE(bar_->FindIcon(1000 + 59, 0, 0), 0);
    for (int i = 0; i < 150; ++i) bar_->AddControl(new QToolButton);
    QTest::qWait(1);
    QCOMPARE(int(bar_->Controls().size()), kMaxControls);
  }

  void disablingKeepsEachButtonsState() {
    bar_->EnableIcon(0, 768, 1, false);  // copy
    bar_->setEnabled(false);
    QVERIFY(!Button("WPI_BOLD")->isEnabled());
    QVERIFY(!bar_->FontSizeList()->isEnabled());
    bar_->setEnabled(true);
    QVERIFY(Button("WPI_BOLD")->isEnabled());
    QVERIFY(!Button("WPI_COPY")->isEnabled());
  }

  void chainForwardsAndStopsLoops() {
    WPToolBar second;
    second.SetSelEditIcons(kSelSpellCheck);
    second.SetSelStatusIcons(0);
    second.show();
    QStringList messages;
    bar_->onMessage = [&](const QString& m) { messages << m; };
    second.onMessage = [&](const QString& m) { messages << m; };
    bar_->SetNextToolBar(bar_.get());
    QCOMPARE(bar_->NextToolBar(), nullptr);  // its own next: cleared
    bar_->SetNextToolBar(&second);
    // An icon that only the second toolbar has.
    second.SetSelEditIcons(kSelHideSel);
    QVERIFY(!bar_->SetIconDown(0, 768, 5));
    QVERIFY(second.IconButton("WPI_HideSel")->isChecked());
    // A loop is cut with a message instead of running for ever.
    second.SetNextToolBar(bar_.get());
    bar_->ShowSelection(kSelTextColor, QString(), 2);
    QCOMPARE(messages, QStringList({"Error: NextToolBar Loop"}));
    QCOMPARE(bar_->FontColorList()->currentIndex(), 2);
    bar_->ShowSelection(kSelTextColor, QString(), 5);
    QCOMPARE(messages.size(), 1);
  }

  void glyphsHaveTwoSizesAndADisabledForm() {
    for (int i = 1; i <= bar_->IconCount(); ++i) {
      const QString name = bar_->Icon(i).name;
      QIcon icon = WPIGlyph(name);
      QVERIFY2(!icon.isNull(), qPrintable(name));
      QImage normal = icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal).toImage();
      QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
      QImage large = icon.pixmap(QSize(16, 16), 2.0, QIcon::Normal).toImage();
      QCOMPARE(normal.size(), QSize(16, 16));
      QCOMPARE(large.size(), QSize(32, 32));
      QVERIFY2(normal != disabled, qPrintable(name));
      int inked = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) inked += qAlpha(normal.pixel(x, y)) > 128;
      QVERIFY2(inked >= 8, qPrintable(name));  // something is drawn
    }
    QCOMPARE(WPIGlyphNames().size(), 38);
    QVERIFY(WPIGlyph("WPI_NOSUCH").isNull());
  }
};

QTEST_MAIN(ToolBarTest)
#include "toolbar_test.moc"
