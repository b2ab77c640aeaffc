// The ruler driven with the mouse: markers dragged and snapped, tab stops added and changed,
// and what it paints.
#include <QTest>

#include "richtext/toolbar/tests/fake_editor.h"
#include "richtext/toolbar/wp_ruler.h"

using namespace inkwend;

namespace {

// 144 pixels per inch: one pixel is 10 twips, so positions read easily.
WPRulerFormat Format() {
  WPRulerFormat f;
  f.pixelsPerInch = 144;
  f.textWidth = 700;  // 7000 twips
  return f;
}

constexpr int kOrigin = 20;
constexpr int kLeftMarkerTriangleY = 14;  // the upper part of the left marker
constexpr int kLeftMarkerBoxY = 18;       // its rectangle

struct Event {
  int kind, group, number;
  bool changing;
};

}  // namespace

class RulerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRuler> ruler_;
  FakeEditor editor_;
  std::vector<Event> events_;

  void Drag(QPoint from, int to_x, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(ruler_.get(), Qt::LeftButton, mods, from);
    QTest::mouseMove(ruler_.get(), QPoint(to_x, from.y()));
    QTest::mouseRelease(ruler_.get(), Qt::LeftButton, mods, QPoint(to_x, from.y()));
  }
  void Click(int x, int y = 8) { QTest::mouseClick(ruler_.get(), Qt::LeftButton, {}, QPoint(x, y)); }

 private slots:
  void init() {
    ruler_ = std::make_unique<WPRuler>();
    editor_ = FakeEditor();
    events_.clear();
    ruler_->resize(800, 22);
    ruler_->SetLeftOffset(kOrigin);
    ruler_->SetFormat(Format());
    ruler_->SetEditor(&editor_);
    auto record = [this](WPRuler&, WpSelNr& kind, int& group, int& number, bool changing) {
      events_.push_back({kind, group, number, changing});
    };
    ruler_->onSelection = record;
    ruler_->whileSelection = record;
    ruler_->show();
    QVERIFY(QTest::qWaitForWindowExposed(ruler_.get()));
  }
  void cleanup() { ruler_.reset(); }

  void draggedLeftIndentSnaps_data() {
    QTest::addColumn<Units>("units");
    QTest::addColumn<int>("to_x");
    QTest::addColumn<int>("twips");
    QTest::newRow("100 twips, inch") << Units::Inch << kOrigin + 10 << 144;
    QTest::newRow("50 twips, inch") << Units::Inch << kOrigin + 5 << 0;
    QTest::newRow("216 twips, inch") << Units::Inch << kOrigin + 22 << 288;  // 220 + 73 = 293
    QTest::newRow("100 twips, cm") << Units::Centimetre << kOrigin + 10 << 141;
    QTest::newRow("left of the origin") << Units::Inch << kOrigin - 15 << 0;
  }
  void draggedLeftIndentSnaps() {
    QFETCH(Units, units);
    QFETCH(int, to_x);
    QFETCH(int, twips);
    ruler_->SetUnits(units);
    ruler_->SetIndents(144 * 3, 144 * 3, -1);  // both at 432, x = 63
    int x = ruler_->MarkerX(kMarkerLeft);
    Drag(QPoint(x, kLeftMarkerTriangleY), to_x);
    QCOMPARE(ruler_->Format().leftIndent, twips);
    QCOMPARE(ruler_->Format().firstIndent, 432);  // the first line stays
    QVERIFY(!editor_.indents.empty());
    QCOMPARE(editor_.indents.back().left, twips);
    QCOMPARE(editor_.indents.back().changing, false);
    QCOMPARE(editor_.indents.front().changing, true);
    QCOMPARE(editor_.indents.back().marker, kMarkerLeft);
    QVERIFY(events_.size() >= 2);
    QCOMPARE(events_.front().kind, 9);
    QCOMPARE(events_.front().group, 1792);
    QCOMPARE(events_.front().number, 2);
    QVERIFY(events_.front().changing);
    QVERIFY(!events_.back().changing);
  }

  void leftMarkerTakesTheFirstLineAlong() {
    ruler_->SetIndents(432, 288, -1);  // first 43 px right of the origin, left 28
    // By its rectangle, and by its triangle with Shift held.
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerBoxY), kOrigin + 43);
    QCOMPARE(ruler_->Format().leftIndent, 432);
    QCOMPARE(ruler_->Format().firstIndent, 576);
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerTriangleY), kOrigin + 14, Qt::ShiftModifier);
    QCOMPARE(ruler_->Format().leftIndent, 144);
    QCOMPARE(ruler_->Format().firstIndent, 288);
    // The first line never goes below 0.
    ruler_->SetIndents(0, 288, -1);
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerBoxY), kOrigin + 14);
    QCOMPARE(ruler_->Format().leftIndent, 144);
    QCOMPARE(ruler_->Format().firstIndent, 0);
  }

  void firstAndRightMarkers() {
    Drag(QPoint(ruler_->MarkerX(kMarkerFirst), 2), kOrigin + 72);
    QCOMPARE(ruler_->Format().firstIndent, 720);
    QCOMPARE(editor_.indents.back().marker, kMarkerFirst);
    // The right marker measures from the right edge.
    Drag(QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY), kOrigin + 700 - 144);
    QCOMPARE(ruler_->Format().rightIndent, 1440);
    QCOMPARE(editor_.indents.back().marker, kMarkerRight);
  }

  void markersDoNotCross() {
    ruler_->SetIndents(-1, -1, 1440);  // right marker at 5760 twips
    Drag(QPoint(ruler_->MarkerX(kMarkerFirst), 2), kOrigin + 650);
    QCOMPARE(ruler_->Format().firstIndent, 0);
    Drag(QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY), kOrigin - 10);
    QCOMPARE(ruler_->Format().rightIndent, 1440);
    QVERIFY(!ruler_->SetIndents(6000, -1, -1));
    QCOMPARE(ruler_->Format().firstIndent, 0);
    QVERIFY(ruler_->SetIndents(-9999, 720, -9999));
    QCOMPARE(ruler_->Format().leftIndent, 720);
    QCOMPARE(ruler_->Format().rightIndent, 1440);
  }

  void clicksAddAndCycleTabs() {
    // A new stop where there is none: a left tab under All.
    Click(kOrigin + 100);
    QCOMPARE(ruler_->Format().tabs[0].twips, 1000);
    QCOMPARE(int(ruler_->Format().tabs[0].kind), int(kRulerTabLeft));
    QCOMPARE(int(editor_.tabCalls.size()), 1);
    QCOMPARE(editor_.tabCalls[0].first, uint64_t{1});
    // Clicks on it (within 4 pixels) advance its kind; a decimal tab stays decimal.
    Click(kOrigin + 103);
    QCOMPARE(int(ruler_->Format().tabs[0].kind), int(kRulerTabRight));
    Click(kOrigin + 97);
    QCOMPARE(int(ruler_->Format().tabs[0].kind), int(kRulerTabCenter));
    Click(kOrigin + 100);
    QCOMPARE(int(ruler_->Format().tabs[0].kind), int(kRulerTabDecimal));
    size_t calls = editor_.tabCalls.size();
    WPRulerFormat before = ruler_->Format();
    Click(kOrigin + 100);
    QCOMPARE(int(ruler_->Format().tabs[0].kind), int(kRulerTabDecimal));
    QCOMPARE(editor_.tabCalls.size(), calls);  // nothing changed, nothing sent
    for (int i = 0; i < 64; ++i)
      QCOMPARE(ruler_->Format().tabs[size_t(i)].twips, before.tabs[size_t(i)].twips);
    // Another kind chosen: new stops of that kind, existing ones left alone.
    ruler_->SetNewTabKind(TabKind::Center);
    Click(kOrigin + 300);
    QCOMPARE(ruler_->Format().tabs[1].twips, 3000);
    QCOMPARE(int(ruler_->Format().tabs[1].kind), int(kRulerTabCenter));
    Click(kOrigin + 300);
    QCOMPARE(int(ruler_->Format().tabs[1].kind), int(kRulerTabCenter));
    // Outside the text width: nothing.
    Click(kOrigin + 750);
    Click(kOrigin - 5);
    QCOMPARE(ruler_->Format().tabs[2].twips, 0);
  }

  void existingDecimalTabUnderTkAll() {
    WPRulerFormat f = Format();
    f.tabs[5] = {1440, kRulerTabDecimal};
    f.tabsOfAny = f.tabsOfEvery = uint64_t{1} << 5;
    ruler_->SetFormat(f);
    Click(kOrigin + 144);
    QCOMPARE(int(ruler_->Format().tabs[5].kind), int(kRulerTabDecimal));
    QCOMPARE(ruler_->Format().tabs[0].twips, 0);  // no new stop either
    QVERIFY(editor_.tabCalls.empty());
  }

  void cursorOverMarkers() {
    QTest::mouseMove(ruler_.get(), QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY));
    QCOMPARE(ruler_->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(ruler_.get(), QPoint(kOrigin + 300, 8));
    QCOMPARE(ruler_->cursor().shape(), Qt::ArrowCursor);
  }

  void paintsScaleTabsAndTextArea() {
    WPRulerFormat f = Format();
    f.hasTextArea = true;
    f.textAreaLeft = 0;
    f.textAreaRight = 300;
    f.tabs[0] = {1440, kRulerTabLeft};  // in every selected paragraph: black
    f.tabs[1] = {2880, kRulerTabLeft};  // in some of them: grey
    f.tabsOfAny = 3;
    f.tabsOfEvery = 1;
    ruler_->SetFormat(f);
    QImage image = ruler_->grab().toImage();
    const int mid = 11;
    auto at = [&](int x, int y) { return QColor(image.pixel(x, y)); };
    // Tenth ticks: black inside the text area, grey outside.
    QCOMPARE(at(kOrigin + 14, mid), QColor(Qt::black));
    QCOMPARE(at(kOrigin + 4 * 144 + 14, mid), QColor(128, 128, 128));
    QCOMPARE(at(kOrigin + 144, 10), QColor(Qt::black));
    QCOMPARE(at(kOrigin + 288, 10), QColor(128, 128, 128));
    // Scrolled: the scale moves with the text.
    ruler_->SetXOffset(-50);
    QImage scrolled = ruler_->grab().toImage();
    QCOMPARE(QColor(scrolled.pixel(kOrigin - 50 + 144 + 14, mid)), QColor(Qt::black));
    QCOMPARE(ruler_->MarkerX(kMarkerLeft), kOrigin - 50);
  }

  void unitsAndMarkerSize() {
    QCOMPARE(ruler_->UnitStep(), 144);
    ruler_->SetUnits(Units::Centimetre);
    QCOMPARE(ruler_->UnitStep(), 57);  // 144 x 0.3937 = 56.69
    QCOMPARE(ruler_->MarkerSize(), 7);
    ruler_->resize(800, 24);
    QCOMPARE(ruler_->MarkerSize(), 9);  // 8 rounded up to odd
  }
};

QTEST_MAIN(RulerTest)
#include "ruler_test.moc"
