// The ruler driven with the mouse: markers dragged and snapped, tab stops added and changed,
// and what it paints.
#include <QTest>

#include "richtext/toolbar/tests/fake_editor.h"
#include "richtext/toolbar/wp_ruler.h"

using namespace inkwend;

namespace {

// 144 pixels per inch: one pixel is 10 twips, so positions read easily.
TWPRulerFormat Format() {
  TWPRulerFormat f;
  f.PixelsPerInch = 144;
  f.TextWidth = 700;  // 7000 twips
  return f;
}

constexpr int kOrigin = 20;
constexpr int kLeftMarkerTriangleY = 14;  // the upper part of the left marker
constexpr int kLeftMarkerBoxY = 18;       // its rectangle

struct TEvent {
  int Kind, Group, Number;
  bool Changing;
};

}  // namespace

class RulerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TWPRuler> ruler_;
  TFakeEditor editor_;
  std::vector<TEvent> events_;

  void Drag(QPoint from, int to_x, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(ruler_.get(), Qt::LeftButton, mods, from);
    QTest::mouseMove(ruler_.get(), QPoint(to_x, from.y()));
    QTest::mouseRelease(ruler_.get(), Qt::LeftButton, mods, QPoint(to_x, from.y()));
  }
  void Click(int x, int y = 8) { QTest::mouseClick(ruler_.get(), Qt::LeftButton, {}, QPoint(x, y)); }

 private slots:
  void init() {
    ruler_ = std::make_unique<TWPRuler>();
    editor_ = TFakeEditor();
    events_.clear();
    ruler_->resize(800, 22);
    ruler_->SetLeftOffset(kOrigin);
    ruler_->SetFormat(Format());
    ruler_->SetEditor(&editor_);
    auto record = [this](TWPRuler&, TWpSelNr& kind, int& group, int& number, bool changing) {
      events_.push_back({kind, group, number, changing});
    };
    ruler_->OnSelection = record;
    ruler_->WhileSelection = record;
    ruler_->show();
    QVERIFY(QTest::qWaitForWindowExposed(ruler_.get()));
  }
  void cleanup() { ruler_.reset(); }

  void draggedLeftIndentSnaps_data() {
    QTest::addColumn<TRulerUnits>("units");
    QTest::addColumn<int>("to_x");
    QTest::addColumn<int>("twips");
    QTest::newRow("100 twips, inch") << TRulerUnits::Inch << kOrigin + 10 << 144;
    QTest::newRow("50 twips, inch") << TRulerUnits::Inch << kOrigin + 5 << 0;
    QTest::newRow("216 twips, inch") << TRulerUnits::Inch << kOrigin + 22 << 288;  // 220 + 73 = 293
    QTest::newRow("100 twips, cm") << TRulerUnits::Centimeter << kOrigin + 10 << 141;
    QTest::newRow("left of the origin") << TRulerUnits::Inch << kOrigin - 15 << 0;
  }
  void draggedLeftIndentSnaps() {
    QFETCH(TRulerUnits, units);
    QFETCH(int, to_x);
    QFETCH(int, twips);
    ruler_->SetUnits(units);
    ruler_->SetIndents(144 * 3, 144 * 3, -1);  // both at 432, x = 63
    int x = ruler_->MarkerX(kMarkerLeft);
    Drag(QPoint(x, kLeftMarkerTriangleY), to_x);
    QCOMPARE(ruler_->Format().LeftIndent, twips);
    QCOMPARE(ruler_->Format().FirstIndent, 432);  // the first line stays
    QVERIFY(!editor_.Indents.empty());
    QCOMPARE(editor_.Indents.back().Left, twips);
    QCOMPARE(editor_.Indents.back().Changing, false);
    QCOMPARE(editor_.Indents.front().Changing, true);
    QCOMPARE(editor_.Indents.back().Marker, kMarkerLeft);
    QVERIFY(events_.size() >= 2);
    QCOMPARE(events_.front().Kind, 9);
    QCOMPARE(events_.front().Group, 1792);
    QCOMPARE(events_.front().Number, 2);
    QVERIFY(events_.front().Changing);
    QVERIFY(!events_.back().Changing);
  }

  void leftMarkerTakesTheFirstLineAlong() {
    ruler_->SetIndents(432, 288, -1);  // first 43 px right of the origin, left 28
    // By its rectangle, and by its triangle with Shift held.
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerBoxY), kOrigin + 43);
    QCOMPARE(ruler_->Format().LeftIndent, 432);
    QCOMPARE(ruler_->Format().FirstIndent, 576);
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerTriangleY), kOrigin + 14, Qt::ShiftModifier);
    QCOMPARE(ruler_->Format().LeftIndent, 144);
    QCOMPARE(ruler_->Format().FirstIndent, 288);
    // The first line never goes below 0.
    ruler_->SetIndents(0, 288, -1);
    Drag(QPoint(ruler_->MarkerX(kMarkerLeft), kLeftMarkerBoxY), kOrigin + 14);
    QCOMPARE(ruler_->Format().LeftIndent, 144);
    QCOMPARE(ruler_->Format().FirstIndent, 0);
  }

  void firstAndRightMarkers() {
    Drag(QPoint(ruler_->MarkerX(kMarkerFirst), 2), kOrigin + 72);
    QCOMPARE(ruler_->Format().FirstIndent, 720);
    QCOMPARE(editor_.Indents.back().Marker, kMarkerFirst);
    // The right marker measures from the right edge.
    Drag(QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY), kOrigin + 700 - 144);
    QCOMPARE(ruler_->Format().RightIndent, 1440);
    QCOMPARE(editor_.Indents.back().Marker, kMarkerRight);
  }

  void markersDoNotCross() {
    ruler_->SetIndents(-1, -1, 1440);  // right marker at 5760 twips
    Drag(QPoint(ruler_->MarkerX(kMarkerFirst), 2), kOrigin + 650);
    QCOMPARE(ruler_->Format().FirstIndent, 0);
    Drag(QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY), kOrigin - 10);
    QCOMPARE(ruler_->Format().RightIndent, 1440);
    QVERIFY(!ruler_->SetIndents(6000, -1, -1));
    QCOMPARE(ruler_->Format().FirstIndent, 0);
    QVERIFY(ruler_->SetIndents(-9999, 720, -9999));
    QCOMPARE(ruler_->Format().LeftIndent, 720);
    QCOMPARE(ruler_->Format().RightIndent, 1440);
  }

  void clicksAddAndCycleTabs() {
    // A new stop where there is none: a left tab under tkAll.
    Click(kOrigin + 100);
    QCOMPARE(ruler_->Format().Tabs[0].Twips, 1000);
    QCOMPARE(int(ruler_->Format().Tabs[0].Kind), int(kRulerTabLeft));
    QCOMPARE(int(editor_.TabCalls.size()), 1);
    QCOMPARE(editor_.TabCalls[0].first, uint64_t{1});
    // Clicks on it (within 4 pixels) advance its kind; a decimal tab stays decimal.
    Click(kOrigin + 103);
    QCOMPARE(int(ruler_->Format().Tabs[0].Kind), int(kRulerTabRight));
    Click(kOrigin + 97);
    QCOMPARE(int(ruler_->Format().Tabs[0].Kind), int(kRulerTabCenter));
    Click(kOrigin + 100);
    QCOMPARE(int(ruler_->Format().Tabs[0].Kind), int(kRulerTabDecimal));
    size_t calls = editor_.TabCalls.size();
    TWPRulerFormat before = ruler_->Format();
    Click(kOrigin + 100);
    QCOMPARE(int(ruler_->Format().Tabs[0].Kind), int(kRulerTabDecimal));
    QCOMPARE(editor_.TabCalls.size(), calls);  // nothing changed, nothing sent
    for (int i = 0; i < 64; ++i)
      QCOMPARE(ruler_->Format().Tabs[size_t(i)].Twips, before.Tabs[size_t(i)].Twips);
    // Another kind chosen: new stops of that kind, existing ones left alone.
    ruler_->SetNewTabKind(TTabKind::tkCenter);
    Click(kOrigin + 300);
    QCOMPARE(ruler_->Format().Tabs[1].Twips, 3000);
    QCOMPARE(int(ruler_->Format().Tabs[1].Kind), int(kRulerTabCenter));
    Click(kOrigin + 300);
    QCOMPARE(int(ruler_->Format().Tabs[1].Kind), int(kRulerTabCenter));
    // Outside the text width: nothing.
    Click(kOrigin + 750);
    Click(kOrigin - 5);
    QCOMPARE(ruler_->Format().Tabs[2].Twips, 0);
  }

  void existingDecimalTabUnderTkAll() {
    TWPRulerFormat f = Format();
    f.Tabs[5] = {1440, kRulerTabDecimal};
    f.TabsOfAny = f.TabsOfEvery = uint64_t{1} << 5;
    ruler_->SetFormat(f);
    Click(kOrigin + 144);
    QCOMPARE(int(ruler_->Format().Tabs[5].Kind), int(kRulerTabDecimal));
    QCOMPARE(ruler_->Format().Tabs[0].Twips, 0);  // no new stop either
    QVERIFY(editor_.TabCalls.empty());
  }

  void cursorOverMarkers() {
    QTest::mouseMove(ruler_.get(), QPoint(ruler_->MarkerX(kMarkerRight), kLeftMarkerTriangleY));
    QCOMPARE(ruler_->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(ruler_.get(), QPoint(kOrigin + 300, 8));
    QCOMPARE(ruler_->cursor().shape(), Qt::ArrowCursor);
  }

  void paintsScaleTabsAndTextArea() {
    TWPRulerFormat f = Format();
    f.HasTextArea = true;
    f.TextAreaLeft = 0;
    f.TextAreaRight = 300;
    f.Tabs[0] = {1440, kRulerTabLeft};  // in every selected paragraph: black
    f.Tabs[1] = {2880, kRulerTabLeft};  // in some of them: grey
    f.TabsOfAny = 3;
    f.TabsOfEvery = 1;
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
    ruler_->SetUnits(TRulerUnits::Centimeter);
    QCOMPARE(ruler_->UnitStep(), 57);  // 144 x 0.3937 = 56.69
    QCOMPARE(ruler_->MarkerSize(), 7);
    ruler_->resize(800, 24);
    QCOMPARE(ruler_->MarkerSize(), 9);  // 8 rounded up to odd
  }
};

QTEST_MAIN(RulerTest)
#include "ruler_test.moc"
