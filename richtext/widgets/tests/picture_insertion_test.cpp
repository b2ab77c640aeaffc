// Pictures put into the editor from outside, as a user does it: a photo pasted from the
// clipboard, a picture with transparent parts, the corner handle dragged with the mouse, and what
// the entry keeps of all that (its size on disk, and what another word processor makes of it).
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "platform/qt_picture_decoder.h"
#include "platform/qt_picture_files.h"
#include "richtext/widgets/wp_rich_text.h"

using namespace inkwend;

namespace {

// A photo-like picture: smooth colour with grain, which JPEG compresses as it does a real photo.
QByteArray PhotoJpeg(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  std::mt19937 rng(7);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int grain = static_cast<int>(rng() % 24);
      line[x] =
          qRgb((x * 255 / width + grain) % 256, (y * 255 / height + grain) % 256, (x + y + grain) % 256);
    }
  }
  QBuffer jpeg;
  jpeg.open(QIODevice::WriteOnly);
  image.save(&jpeg, "JPEG", 85);
  return jpeg.data();
}

std::string SavedRtf(WPRichText& editor) {
  MemoryStream out;
  editor.SaveToStream(out);
  return out.TakeBytes();
}

const DocObject& OnlyObject(const WPRichText& editor) {
  const auto& objects = editor.Memo().Document().Objects();
  if (objects.size() != 1) qFatal("expected one picture, found %d", static_cast<int>(objects.size()));
  return *objects.front();
}

void PasteMime(WPRichText& editor, QMimeData* mime) {
  QApplication::clipboard()->setMimeData(mime);
  editor.PasteFromClipboard();
}

}  // namespace

class PictureInsertionTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<WPRichText> w_;

  std::unique_ptr<WPRichText> LoadedCopy(const std::string& rtf) {
    auto copy = std::make_unique<WPRichText>();
    copy->SetPictureDecoder(&QtPictureDecoderInstance());
    copy->Clear();
    MemoryStream in(rtf);
    copy->LoadFromStream(in);
    return copy;
  }

 private slots:
  void init() {
    w_ = std::make_unique<WPRichText>();
    w_->resize(500, 400);
    w_->SetWordWrap(true);
    w_->SetPictureDecoder(&QtPictureDecoderInstance());
    w_->onMessage = [](WPRichText&, const QString&) {};
    w_->Clear();
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
  }
  void cleanup() { w_.reset(); }

  // The photo is kept as its JPEG bytes (hex doubles them), shown at the width of the text, and
  // read back as the same bytes at the same size.
  void pastedPhotoKeepsItsJpegBytesAndFitsTheText() {
    const QByteArray photo = PhotoJpeg(1600, 1200);
    QVERIFY(photo.size() > 100000);
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/jpeg"), photo);
    mime->setImageData(QImage::fromData(photo));
    PasteMime(*w_, mime);
    const DocObject& object = OnlyObject(*w_);
    QVERIFY(object.graphic.compressed.has_value());
    QCOMPARE(object.graphic.Bitmap()->width, 1600);
    const int ppi = w_->Memo().Document().header.xPixelsPerInch;
    const int shown = object.width * ppi / 1440;
    QVERIFY2(shown < 500 && shown > 300, qPrintable(QString::number(shown)));
    QVERIFY(std::abs(object.height * 1600 / object.width - 1200) <= 4);  // proportions kept
    QVERIFY(w_->Modified());

    const std::string rtf = SavedRtf(*w_);
    QVERIFY(rtf.find("\\pict\\jpegblip") != std::string::npos);
    QVERIFY2(static_cast<double>(rtf.size()) <= 2.2 * photo.size(), qPrintable(QString::number(rtf.size())));
    const auto copy = LoadedCopy(rtf);
    const DocObject& back = OnlyObject(*copy);
    QCOMPARE(back.width, object.width);
    QCOMPARE(back.height, object.height);
    QVERIFY(back.graphic.compressed == object.graphic.compressed);
    QCOMPARE(SavedRtf(*copy), rtf);
  }

  // Another word processor opens the entry with the photo in its place.
  void libreOfficeShowsThePastedPhoto() {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) QSKIP("LibreOffice is not installed");
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/jpeg"), PhotoJpeg(800, 600));
    w_->InsertText(QStringLiteral("Before "));
    PasteMime(*w_, mime);
    w_->InsertText(QStringLiteral(" after"));
    QTemporaryDir dir;
    QFile entry(dir.filePath(QStringLiteral("20261210.rtf")));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    const std::string rtf = SavedRtf(*w_);
    entry.write(rtf.data(), static_cast<qint64>(rtf.size()));
    entry.close();
    QProcess office;
    office.start(soffice,
                 {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("fodt"),
                  QStringLiteral("--outdir"), dir.path(), entry.fileName()});
    QVERIFY(office.waitForFinished(180000));
    QFile converted(dir.filePath(QStringLiteral("20261210.fodt")));
    QVERIFY2(converted.open(QIODevice::ReadOnly), office.readAllStandardError().constData());
    const QByteArray xml = converted.readAll();
    const qsizetype image = xml.indexOf("<draw:image");
    QVERIFY(image > 0);
    QVERIFY(xml.indexOf("Before") < image && image < xml.indexOf("after", image));
    QVERIFY(xml.indexOf("<office:binary-data>", image) > image);
  }

  // Transparent parts are white whichever way the picture comes: as PNG bytes or as decoded
  // image data (which arrives premultiplied, where a careless conversion turns them black).
  void transparentPartsAreWhite() {
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&png, "PNG"));
    const struct {
      const char* name;
      std::function<QMimeData*()> mime;
    } cases[] = {
        {"png bytes",
         [&] {
           auto* m = new QMimeData;
           m->setData(QStringLiteral("image/png"), png.data());
           return m;
         }},
        {"premultiplied image",
         [&] {
           auto* m = new QMimeData;
           m->setImageData(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
           return m;
         }},
    };
    for (const auto& c : cases) {
      w_->Clear();
      PasteMime(*w_, c.mime());
      const Bitmap* bitmap = OnlyObject(*w_).graphic.Bitmap();
      QVERIFY2(bitmap, c.name);
      QVERIFY2(bitmap->PixelRgb(0, 0) == 0xFF0000u, c.name);
      QVERIFY2(bitmap->PixelRgb(3, 1) == 0xFFFFFFu, c.name);
    }
  }

  // A picture narrower than the text keeps its natural size.
  void smallPictureKeepsItsSize() {
    DocGraphic graphic = GraphicFromEncodedPicture(PhotoJpeg(40, 30));
    QVERIFY(w_->InsertPicture(std::move(graphic)) != 0);
    const DocObject& object = OnlyObject(*w_);
    const int ppi = w_->Memo().Document().header.xPixelsPerInch;
    QCOMPARE(object.width, 40 * 1440 / ppi);
  }

  // The corner handle of a selected picture resizes it with the mouse; the entry keeps the size.
  void cornerHandleResizesAndTheSizeIsSaved() {
    QVERIFY(w_->InsertPicture(GraphicFromEncodedPicture(PhotoJpeg(100, 80))) != 0);
    w_->Refresh();
    QApplication::processEvents();
    QCOMPARE(static_cast<int>(w_->Memo().Layout().HitObjects().size()), 1);
    const Rect r = w_->Memo().Layout().HitObjects().front().rect;
    QWidget* view = w_->viewport();
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(r.left + 10, r.top + 10));
    QVERIFY(w_->HasSelection());
    const QPoint corner(r.right - 3, r.bottom - 3);
    QMouseEvent hover(QEvent::MouseMove, corner, view->mapToGlobal(corner), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &hover);
    QCOMPARE(view->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(view, Qt::LeftButton, {}, corner);
    const QPoint to(r.left + 50, r.top + 40);
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    const DocObject& object = OnlyObject(*w_);
    const int ppi = w_->Memo().Document().header.xPixelsPerInch;
    QCOMPARE(object.width, 50 * 1440 / ppi);
    QVERIFY(w_->Modified());
    const auto copy = LoadedCopy(SavedRtf(*w_));
    QCOMPARE(OnlyObject(*copy).width, object.width);
    QCOMPARE(OnlyObject(*copy).height, object.height);
  }
};

QTEST_MAIN(PictureInsertionTest)
#include "picture_insertion_test.moc"
