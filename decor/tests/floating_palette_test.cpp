// The icon palette driven as its user drives it: sets chosen from the "File" menu by keys and
// clicks, bonus sets, another file, and the ticks that say which set is shown.
#include "decor/floating_palette.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "decor/icon_list_box.h"
#include "decor/tests/icon_builders.h"
#include "platform/program_directory.h"

using namespace inkwend;
namespace b = inkwend::icons::testing;

class FloatingPaletteTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QStringList informed_;

  QString Write(const QString& name, const b::Bytes& bytes) {
    const QString path = dir_.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    std::ofstream(path.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // A library of `n` solid 32 x 32 icons.
  QString Library(const QString& name, int n) {
    std::vector<b::Resource> res;
    for (int i = 0; i < n; ++i) {
      res.push_back(
          {14, static_cast<uint16_t>(i + 1), "", b::MakeGroup({{32, 32, 32, static_cast<uint16_t>(i + 1)}})});
      res.push_back(
          {3, static_cast<uint16_t>(i + 1), "", b::SolidDib(32, 32, 32, static_cast<uint32_t>(0x10 + i))});
    }
    return Write(name, b::MakeNe(res));
  }
  std::unique_ptr<FloatingPalette> Palette(const QStringList& bonus = {}) {
    auto palette = std::make_unique<FloatingPalette>(nullptr, bonus);
    palette->onInformation = [this](const QString& text) { informed_ << text; };
    return palette;
  }
  static QStringList Ticked(const FloatingPalette& palette) {
    QStringList ticked;
    for (QAction* item : palette.FileMenu()->actions()) {
      if (item->isChecked()) ticked << item->text();
      if (item->menu()) {
        for (QAction* sub : item->menu()->actions())
          if (sub->isChecked()) ticked << sub->text();
      }
    }
    return ticked;
  }
  QString Program(const QString& name) const { return ProgramDirectory() + name; }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(SetProgramDirectory(dir_.filePath("diary")).IsOk());
    SetShippedFilesBase(dir_.filePath("nowhere"));
    Library("diary/icons/activity.icl", 2);
    Library("diary/icons/events.icl", 3);
    Library("diary/icons/misc1.icl", 4);
    Write("diary/icons/holiday.icl", b::MakeNe({}));  // an icon library without icons
  }
  void init() { informed_.clear(); }

  void createdWithTheActivitiesSet() {
    const auto palette = Palette();
    QCOMPARE(palette->windowTitle(), QString("Icons"));
    QVERIFY(palette->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(palette->IconList()->FileName(), Program("icons/activity.icl"));
    QCOMPARE(palette->IconList()->NumberOfIcons(), 2);
    QCOMPARE(palette->IconList()->XIcons(), 3);
    QCOMPARE(Ticked(*palette), QStringList{"Activities"});
    QStringList captions;
    for (QAction* item : palette->FileMenu()->actions()) captions << item->text();
    QCOMPARE(captions, (QStringList{"Activities", "Events", "Holidays", "Miscellaneous #1",
                                    "Miscellaneous #2", "Bonus Icon Sets", "Other..."}));
  }

  // The menu opened with Alt+F and walked with the arrow keys chooses "Events".
  void menuChosenByKeys() {
    const auto palette = Palette();
    palette->show();
    QVERIFY(QTest::qWaitForWindowExposed(palette.get()));
    QMenuBar* bar = palette->findChild<QMenuBar*>();
    QVERIFY(bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions().front()).center());
    QTRY_VERIFY(palette->FileMenu()->isVisible());
    QTest::keyClick(palette->FileMenu(), Qt::Key_Down);
    QTest::keyClick(palette->FileMenu(), Qt::Key_Down);
    QTest::keyClick(palette->FileMenu(), Qt::Key_Return);
    QTRY_COMPARE(palette->IconList()->FileName(), Program("icons/events.icl"));
    QCOMPARE(Ticked(*palette), QStringList{"Events"});
  }

  void checkCurrentSetTicksAndFallsBack() {
    const auto palette = Palette();
    const QString elsewhere = Library("elsewhere/mine.icl", 1);
    const struct {
      QString path;
      QStringList ticked;
      QString shown;
    } cases[] = {
        {Program("icons/events.icl"), {"Events"}, Program("icons/events.icl")},
        {elsewhere, {"Other..."}, elsewhere},
        // A set without icons: its item is ticked, the fallback set is shown.
        {Program("icons/holiday.icl"), {"Holidays"}, Program("icons/misc1.icl")},
        // A file that does not exist ticks nothing and changes nothing.
        {Program("icons/missing.icl"), {}, Program("icons/misc1.icl")},
    };
    for (const auto& c : cases) {
      palette->CheckCurrentSet(c.path);
      QCOMPARE(Ticked(*palette), c.ticked);
      QCOMPARE(palette->IconList()->FileName(), c.shown);
    }
  }

  void noBonusSetsSaysSo() {
    const auto palette = Palette({dir_.filePath("no-such-folder")});
    QVERIFY(!palette->BonusIconSetsItem()->menu());
    palette->BonusIconSetsItem()->trigger();
    QCOMPARE(informed_.size(), 1);
    QVERIFY(informed_.front().startsWith("No Bonus Sets Found!"));
  }

  void bonusSetsSortedWithoutRegardToCase() {
    Library("bonus/zebra.icl", 1);
    Library("bonus/Apples.icl", 2);
    Library("bonus/big.set.icl", 1);
    Write("bonus/readme.txt", {1});
    const auto palette = Palette({dir_.filePath("bonus")});
    QMenu* sub = palette->BonusIconSetsItem()->menu();
    QVERIFY(sub);
    QStringList captions;
    for (QAction* item : sub->actions()) captions << item->text();
    QCOMPARE(captions, (QStringList{"Apples", "big", "zebra"}));
    palette->BonusIconSetsItem()->trigger();  // only opens the sub-menu now
    QVERIFY(informed_.isEmpty());
    sub->actions()[0]->trigger();
    QCOMPARE(palette->IconList()->NumberOfIcons(), 2);
    QCOMPARE(Ticked(*palette), QStringList{"Apples"});
    // A name cut at its full stop names a file that is not there: an empty, disabled list.
    sub->actions()[1]->trigger();
    QCOMPARE(palette->IconList()->NumberOfIcons(), -1);
    QVERIFY(!palette->IconList()->isEnabled());
  }

  void otherFileAsksAgainUntilIconsOrCancel() {
    const QString empty = Write("elsewhere/empty.icl", b::MakeNe({}));
    const QString good = Library("elsewhere/good.icl", 5);
    const struct {
      QStringList answers;
      QString shown;
      int messages;
    } cases[] = {
        {{empty, good}, good, 1},
        {{empty, ""}, Program("icons/misc1.icl"), 1},
        {{""}, Program("icons/activity.icl"), 0},
    };
    for (const auto& c : cases) {
      const auto palette = Palette();
      QStringList answers = c.answers;
      palette->chooseIconFile = [&](const QString& start) {
        [&] { QCOMPARE(start, ProgramDirectory()); }();
        return answers.takeFirst();
      };
      palette->OtherIconFileItem()->trigger();
      QCOMPARE(palette->IconList()->FileName(), c.shown);
      QCOMPARE(informed_.size(), c.messages);
      if (c.messages) QCOMPARE(informed_.front(), "No icons found in " + empty);
      informed_.clear();
    }
  }
};

QTEST_MAIN(FloatingPaletteTest)
#include "floating_palette_test.moc"
