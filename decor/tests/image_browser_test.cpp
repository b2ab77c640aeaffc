// The image browser driven by keys and clicks: folders and the file mask, the preview, the size
// in percent, pictures of every kind it reads, and what the entry gets.
#include "decor/image_browser.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/qt_picture_decoder.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

namespace {

QByteArray Encoded(const QImage& image, const char* format) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return buffer.data();
}

// A 2 x 1 PCX picture of 24 bits: red, then blue.
QByteArray Pcx() {
  QByteArray f(128, '\0');
  f[0] = 10;
  f[1] = 5;
  f[2] = 1;
  f[3] = 8;
  f[8] = 1;  // x max
  f[65] = 3;
  f[66] = 2;
  f.append(QByteArray("\xc1\xff\x00\x00\x00\x00\xc1\xff", 8));  // bytes from 0xC0 up go as runs of one
  return f;
}

// A double-click as a list sees it from the window system: press, release, then the double-click
// press and its release.
void DoubleClick(QWidget* view, QPoint at) {
  QTest::mouseClick(view, Qt::LeftButton, {}, at);
  QTest::mousePress(view, Qt::LeftButton, {}, at);
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    {});
  QApplication::sendEvent(view, &twice);
  QTest::mouseRelease(view, Qt::LeftButton, {}, at);
}

// A 1 x 1 GIF of one dark green pixel (Qt reads GIF but does not write it).
QByteArray Gif() {
  return QByteArray(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x80\x00\xff\xff\xff"
      "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
      35);
}

// A 1 x 1 uncompressed true-colour Targa picture of one dark green pixel (Qt does not write TGA).
QByteArray Tga() {
  QByteArray header(18, '\0');
  header[2] = 2;   // uncompressed true colour
  header[12] = 1;  // width
  header[14] = 1;  // height
  header[16] = 24;
  header[17] = 0x20;  // rows top-down
  // Pixel, then the Targa 2 footer (Qt's reader wants a file at least that long).
  return header + QByteArray("\x00\x80\x00", 3) + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
}

}  // namespace

class ImageBrowserTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QStringList errors_;

  void Write(const QString& name, const QByteArray& bytes) {
    QFile f(dir_.filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  std::unique_ptr<ImageBrowser> Browser() {
    auto browser = std::make_unique<ImageBrowser>();
    browser->onError = [this](const QString& text) { errors_ << text; };
    browser->SetDirectory(dir_.path());
    browser->show();
    if (!QTest::qWaitForWindowExposed(browser.get())) qWarning("the browser was not shown");
    return browser;
  }
  static QListWidget* Files(ImageBrowser& b) { return b.findChild<QListWidget*>("FileListBox1"); }
  // Chooses a file as the user does: a click on its line.
  static void Click(ImageBrowser& b, const QString& name) {
    QListWidget* files = Files(b);
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    files->scrollToItem(found.front());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(found.front()).center());
  }
  std::unique_ptr<WPRichText> Editor() {
    auto editor = std::make_unique<WPRichText>();
    editor->resize(600, 400);
    editor->SetWordWrap(true);
    editor->Clear();
    editor->show();
    return editor;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    Write("wide.bmp", Encoded(wide, "BMP"));
    Write("photo.JPG", Encoded(wide, "JPEG"));
    Write("shot.png", Encoded(wide, "PNG"));
    Write("anim.gif", Gif());
    Write("old.tga", Tga());
    Write("picture.webp", Encoded(wide, "WEBP"));
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(0, 0, qRgba(0, 0, 255, 255));
    Write("mark.ico", Encoded(icon, "ICO"));
    Write("scan.pcx", Pcx());
    Write("broken.bmp", "BM this is not a bitmap");
    Write("notes.txt", "text");
    QDir(dir_.path()).mkdir("Sub");
  }
  void init() { errors_.clear(); }

  void listsFoldersAndPictureFiles() {
    const auto browser = Browser();
    QCOMPARE(browser->windowTitle(), QString("Load Image File  "));
    QStringList files;
    for (int i = 0; i < Files(*browser)->count(); ++i) files << Files(*browser)->item(i)->text();
    QCOMPARE(files, (QStringList{"anim.gif", "broken.bmp", "mark.ico", "old.tga", "photo.JPG", "picture.webp",
                                 "scan.pcx", "shot.png", "wide.bmp"}));
    auto* folders = browser->findChild<QListWidget*>("DirectoryListBox1");
    QCOMPARE(folders->item(0)->text(), QString(".."));
    QCOMPARE(folders->item(1)->text(), QString("Sub"));
    // Into a folder with a double-click, and back up with the keys.
    DoubleClick(folders->viewport(), folders->visualItemRect(folders->item(1)).center());
    QCOMPARE(browser->Directory(), QDir(dir_.path()).filePath("Sub"));
    QCOMPARE(Files(*browser)->count(), 0);
    folders->setFocus();
    folders->setCurrentRow(0);
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(browser->Directory(), QDir(dir_.path()).absolutePath());
  }

  // Every kind the browser lists loads; transparent parts come out white.
  void everyKindLoads() {
    const auto browser = Browser();
    for (const char* name : {"photo.JPG", "picture.webp", "shot.png", "wide.bmp"}) {
      Click(*browser, name);
      QVERIFY2(browser->Picture().PixelWidth() == 200, name);
      const uint32_t rgb = browser->Picture().Bitmap()->PixelRgb(5, 5);  // dark green, near enough for JPEG
      QVERIFY2((rgb >> 16) < 12 && std::abs(int((rgb >> 8) & 0xFF) - 128) < 12 && (rgb & 0xFF) < 12, name);
    }
    for (const char* name : {"anim.gif", "old.tga"}) {
      Click(*browser, name);
      QVERIFY2(browser->Picture().Bitmap() && browser->Picture().Bitmap()->PixelRgb(0, 0) == 0x008000u, name);
    }
    Click(*browser, "scan.pcx");
    QCOMPARE(browser->Picture().Bitmap()->PixelRgb(0, 0), 0xFF0000u);
    QCOMPARE(browser->Picture().Bitmap()->PixelRgb(1, 0), 0x0000FFu);
    Click(*browser, "mark.ico");
    QCOMPARE(browser->Picture().Bitmap()->PixelRgb(0, 0), 0x0000FFu);
    QCOMPARE(browser->Picture().Bitmap()->PixelRgb(8, 8), 0xFFFFFFu);
    QVERIFY(errors_.isEmpty());
    QVERIFY(!browser->findChild<QLabel*>("Image1")->pixmap().isNull());
  }

  void unreadableFileSaysSoAndClearsThePreview() {
    const auto browser = Browser();
    Click(*browser, "broken.bmp");
    QCOMPARE(errors_, QStringList{"Error loading file!"});
    QVERIFY(browser->Picture().Empty());
    QVERIFY(browser->findChild<QLabel*>("Image1")->pixmap().isNull());
  }

  // 200 x 100 at 50 % (the arrow keys step by 5) is inserted as a 100 x 50 bitmap.
  void percentChosenByKeysScalesTheBitmap() {
    const auto browser = Browser();
    Click(*browser, "wide.bmp");
    auto* percent = browser->findChild<QSpinBox*>("SpinEdit1");
    QCOMPARE(percent->value(), 100);
    percent->setFocus();
    for (int i = 0; i < 12; ++i) QTest::keyClick(percent, Qt::Key_Down);
    QCOMPARE(percent->value(), 40);
    QTest::keyClick(percent, Qt::Key_Up);
    QTest::keyClick(percent, Qt::Key_Up);
    QCOMPARE(percent->value(), 50);
    QTest::mouseClick(browser->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    QCOMPARE(browser->result(), int(QDialog::Accepted));
    const auto editor = Editor();
    QVERIFY(browser->InsertInto(*editor) != 0);
    const Bitmap* bitmap = editor->Memo().Document().Objects().front()->graphic.Bitmap();
    QCOMPARE(bitmap->width, 100);
    QCOMPARE(bitmap->height, 50);
  }

  // A JPEG keeps its bytes whatever the size chosen; the size is what the entry shows.
  void jpegKeepsItsBytesAtAnySize() {
    for (const int steps : {0, 4}) {
      const auto browser = Browser();
      Click(*browser, "photo.JPG");
      auto* percent = browser->findChild<QSpinBox*>("SpinEdit1");
      for (int i = 0; i < steps; ++i) QTest::keyClick(percent, Qt::Key_Up);
      QTest::keyClick(Files(*browser), Qt::Key_Return);  // Ok is the default button
      QCOMPARE(browser->result(), int(QDialog::Accepted));
      const auto editor = Editor();
      QVERIFY(browser->InsertInto(*editor) != 0);
      const DocObject& object = *editor->Memo().Document().Objects().front();
      QVERIFY(object.graphic.compressed.has_value());
      QCOMPARE(object.graphic.compressed->format, PictureFormat::Jpeg);
      const int ppi = editor->Memo().Document().header.xPixelsPerInch;
      QCOMPARE(object.width, 200 * (100 + 5 * steps) / 100 * 1440 / ppi);
    }
  }

  void okWithoutAFileStaysOpenAndEscapeCancels() {
    const auto browser = Browser();
    QTest::mouseClick(browser->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    QVERIFY(browser->isVisible());
    QTest::keyClick(browser.get(), Qt::Key_Escape);
    QVERIFY(!browser->isVisible());
    QCOMPARE(browser->result(), int(QDialog::Rejected));
  }
};

QTEST_MAIN(ImageBrowserTest)
#include "image_browser_test.moc"
