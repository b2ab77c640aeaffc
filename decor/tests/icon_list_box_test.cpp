// IconListBox driven as the palette's user drives it: files chosen, cells painted and clicked.
#include "decor/icon_list_box.h"

#include <QApplication>
#include <QBuffer>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "decor/tests/icon_builders.h"
#include "platform/qt_icon_image.h"

using inkwend::IconListBox;
namespace b = inkwend::icons::testing;

class IconListBoxTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  QString Write(const QString& name, const b::Bytes& bytes) {
    const QString path = dir_.filePath(name);
    std::ofstream(path.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // A library of `n` icons, icon i a solid 32 x 32 image of colour 0x0000i0 + 0x10.
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
  static bool Attached(IconListBox& list, int i) {
    return list.item(i)->data(IconListBox::kIconRole).isValid();
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void startsEmptyDisabledAndSized() {
    IconListBox list;
    QCOMPARE(list.NumberOfIcons(), -1);
    QCOMPARE(list.count(), 0);
    QVERIFY(!list.isEnabled());
    QCOMPARE(list.Version(), QString("TIconListBox v1.10"));
    list.SetVersion("something else");
    QCOMPARE(list.Version(), QString("TIconListBox v1.10"));
    QCOMPARE(list.ItemHeight(), 38);
    QCOMPARE(list.XIcons(), 4);
    QCOMPARE(list.YIcons(), 1);
    QCOMPARE(list.width(), 38 * 4 + 2);
    QCOMPARE(list.font().family(), QString("Arial"));
  }

  void oneIconGivesItemZeroSelected() {
    IconListBox list;
    int changes = 0;
    list.onFileChange = [&](IconListBox* sender) {
      QCOMPARE(sender, &list);
      ++changes;
    };
    list.SetFileName(Write("one.ico", b::MakeIco({{32, 32, 24, b::SolidDib(32, 32, 24, 0x336699)}})));
    QCOMPARE(changes, 1);
    QCOMPARE(list.NumberOfIcons(), 1);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.item(0)->text(), QString("0"));
    QCOMPARE(list.currentRow(), 0);
    QVERIFY(list.isEnabled());
  }

  void sameNameDoesNotReloadOtherCaseDoes() {
    const QString path = Library("Same.icl", 3);
    IconListBox list;
    int changes = 0;
    list.onFileChange = [&](IconListBox*) { ++changes; };
    list.SetFileName(path);
    list.setCurrentRow(2);
    QVERIFY(list.GetIcon(2).has_value());
    list.SetFileName(path);
    QCOMPARE(changes, 1);
    QCOMPARE(list.currentRow(), 2);  // not reloaded: selection and attached icon kept
    QVERIFY(Attached(list, 2));

    // The same file under another letter case is another text, so it reloads.
    QFile::copy(path, dir_.filePath("SAME.ICL"));
    list.SetFileName(dir_.filePath("SAME.ICL"));
    QCOMPARE(changes, 2);
    QCOMPARE(list.currentRow(), 0);
    QVERIFY(!Attached(list, 2));
  }

  void missingEmptyAndIconlessFiles() {
    IconListBox list;
    list.SetFileName(dir_.filePath("missing.icl"));
    QCOMPARE(list.NumberOfIcons(), -1);
    QVERIFY(!list.isEnabled());
    list.SetAutoDisable(false);
    QVERIFY(list.isEnabled());
    list.SetAutoDisable(true);
    QVERIFY(!list.isEnabled());

    list.SetFileName(Write("notes.nil", b::Bytes{'N', 'I', 'L', 0, 0}));
    QCOMPARE(list.NumberOfIcons(), 0);
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.currentRow(), -1);
    QVERIFY(list.isEnabled());

    list.SetFileName(QString());
    QCOMPARE(list.NumberOfIcons(), -1);
    QVERIFY(!list.isEnabled());
  }

  void gridSizeFollowsXIconsAndYIcons() {
    IconListBox list;
    list.SetXIcons(3);
    list.SetYIcons(3);
    QCOMPARE(list.width(), 38 * 3 + 2);
    QCOMPARE(list.height(), 38 * 3 + 3);  // wide enough already: no room for a scroll bar
    const QSize before = list.size();
    for (int bad : {0, -2}) {
      list.SetXIcons(bad);
      list.SetYIcons(bad);
      QCOMPARE(list.XIcons(), 3);
      QCOMPARE(list.YIcons(), 3);
      QCOMPARE(list.size(), before);
    }
    // Growing wider than the control is now: the height leaves room for the horizontal scroll bar.
    list.SetXIcons(5);
    QCOMPARE(list.width(), 38 * 5 + 2);
    const int scroll_bar = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    QCOMPARE(list.height(), 38 * 3 + scroll_bar + 3);
    // And all three rows of cells still fit above the scroll bar.
    list.SetFileName(Library("rows.icl", 20));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.visualItemRect(list.item(2)).left(), list.visualItemRect(list.item(0)).left());
    QCOMPARE(list.visualItemRect(list.item(3)).top(), list.visualItemRect(list.item(0)).top());
  }

  void cachingExtractsOnFirstPaintOnly() {
    IconListBox list;
    list.SetXIcons(3);
    list.SetYIcons(3);
    list.SetFileName(Library("many.icl", 40));
    QCOMPARE(list.count(), 40);
    for (int i = 0; i < 40; ++i) QVERIFY(!Attached(list, i));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QImage shot = list.grab().toImage();
    QVERIFY(Attached(list, 0));
    QVERIFY(!Attached(list, 39));  // far beyond the first screen
    // Cell 1 is below cell 0 (cells fill a column first); its centre shows icon 1's colour.
    const QRect cell1 = list.visualItemRect(list.item(1));
    QCOMPARE(cell1.left(), list.visualItemRect(list.item(0)).left());
    const QPoint centre = list.viewport()->mapTo(&list, cell1.center());
    QCOMPARE(shot.pixel(centre) & 0xFFFFFFu, 0x11u);
  }

  void switchingCachingOffAttachesEveryIcon() {
    IconListBox list;
    list.SetFileName(Library("all.icl", 12));
    QVERIFY(!Attached(list, 5));
    list.SetEnableCaching(false);
    QCOMPARE(list.count(), 12);
    for (int i = 0; i < 12; ++i) QVERIFY2(Attached(list, i), qPrintable(QString::number(i)));
    QCOMPARE(list.GetIcon(7)->pixel(16, 16), 0xFF000017u);
    // Turning it back on keeps what was extracted.
    list.SetEnableCaching(true);
    QVERIFY(Attached(list, 11));
  }

  void nonSquareIconIsCentredAndBrokenIconDrawsNothing() {
    std::vector<b::Resource> res = {
        {14, 1, "", b::MakeGroup({{32, 16, 32, 1}})},
        {3, 1, "", b::SolidDib(32, 16, 32, 0xFF0000)},
        {14, 2, "", b::MakeGroup({{32, 32, 32, 9}})},  // its image is missing
    };
    IconListBox list;
    list.SetFileName(Write("wide.icl", b::MakeNe(res)));
    QCOMPARE(list.NumberOfIcons(), 2);
    QImage cell(38, 38, QImage::Format_ARGB32);
    cell.fill(Qt::black);
    {
      QPainter p(&cell);
      list.DrawCell(&p, 0, QRect(0, 0, 38, 38), false);
    }
    const QRgb base = list.palette().color(QPalette::Base).rgb();
    // Left (38 - 32) / 2 = 3, top (38 - 16) / 2 = 11.
    QCOMPARE(cell.pixel(3, 11), qRgb(255, 0, 0));
    QCOMPARE(cell.pixel(34, 26), qRgb(255, 0, 0));
    QCOMPARE(cell.pixel(2, 11), base);
    QCOMPARE(cell.pixel(3, 10), base);
    QCOMPARE(cell.pixel(35, 27), base);
    QCOMPARE(cell.pixel(3, 27), base);

    const std::optional<QImage> broken = list.GetIcon(1);
    QVERIFY(broken.has_value());
    QVERIFY(broken->isNull());
    cell.fill(Qt::black);
    {
      QPainter p(&cell);
      list.DrawCell(&p, 1, QRect(0, 0, 38, 38), true);
    }
    QCOMPARE(cell.pixel(19, 19), list.palette().color(QPalette::Highlight).rgb());
    QVERIFY(!list.GetIcon(2).has_value());
  }

  void pngImagesDecodeThroughQt() {
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 128, 255, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));
    const b::Bytes png_bytes(png.begin(), png.end());
    IconListBox list;
    list.SetFileName(Write(
        "png.ico", b::MakeIco({{16, 16, 8, b::SolidDib(16, 16, 8, 0x00FF00)}, {64, 64, 32, png_bytes}})));
    const std::optional<QImage> icon = list.GetIcon(0);
    QVERIFY(icon && !icon->isNull());
    QCOMPARE(icon->size(), QSize(32, 32));
    QCOMPARE(icon->pixel(16, 16), qRgba(0, 128, 255, 200));

    // The decoder refuses a picture larger than it is allowed to allocate, before decoding it.
    inkwend::icons::IconImage out;
    QVERIFY(!inkwend::QtPngDecoder().Decode(png_bytes.data(), png_bytes.size(), 32, &out));
    QVERIFY(inkwend::QtPngDecoder().Decode(png_bytes.data(), png_bytes.size(), 64, &out));
    b::Bytes damaged = png_bytes;
    damaged.resize(damaged.size() / 2);
    QVERIFY(!inkwend::QtPngDecoder().Decode(damaged.data(), damaged.size(), 64, &out));
  }

  void clickedIconIsWhatADragCarries() {
    IconListBox list;
    list.SetXIcons(3);
    list.SetYIcons(3);
    list.SetFileName(Library("drag.icl", 9));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QRect cell4 = list.visualItemRect(list.item(4));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell4.center());
    QCOMPARE(list.currentRow(), 4);
    std::unique_ptr<QMimeData> data(list.model()->mimeData(list.selectionModel()->selectedIndexes()));
    QVERIFY(data);
    QCOMPARE(data->data(IconListBox::kIconMimeType), QByteArray("4"));
    const QImage image = qvariant_cast<QImage>(data->imageData());
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.pixel(0, 0), 0xFF000014u);
  }
};

QTEST_MAIN(IconListBoxTest)
#include "icon_list_box_test.moc"
