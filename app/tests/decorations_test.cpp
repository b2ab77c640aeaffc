// The main window's decorations as a user meets them: the icon palette shown and hidden with its
// button and remembered in the settings, an icon dragged into the entry, a photo chosen in the
// image browser, and a symbol from the symbol picker.
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <fstream>
#include <random>

#include "app/tests/diary_window.h"
#include "decor/floating_palette.h"
#include "decor/icon_list_box.h"
#include "decor/image_browser.h"
#include "decor/symbol_picker.h"
#include "decor/tests/icon_builders.h"

using namespace inkwend;
using inkwend::testing::DiaryWindow;
namespace b = inkwend::icons::testing;

namespace {

// An icon library of two 32 x 32 icons: solid red, then blue with a transparent left edge.
void WriteIconLibrary(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  b::DibPlan blue;
  blue.pixel = [](int x, int) { return x < 4 ? 0x00000000u : 0xFF0000FFu; };
  const b::Bytes file = b::MakeNe({{14, 1, "", b::MakeGroup({{32, 32, 32, 1}})},
                                   {3, 1, "", b::SolidDib(32, 32, 32, 0xFF0000)},
                                   {14, 2, "", b::MakeGroup({{32, 32, 32, 2}})},
                                   {3, 2, "", b::MakeDib(blue)}});
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

QString ParagraphText(const WPRichText& editor) {
  const auto text = editor.Memo().Document().FirstParagraph()->Text();
  return QString::fromStdU32String(std::u32string(text.begin(), text.end()));
}

}  // namespace

class DecorationsTest : public QObject {
  Q_OBJECT

 private slots:
  void iconToolButtonShowsHidesAndIsRemembered() {
    DiaryWindow d;
    FloatingPalette* palette = d.window->Palette();
    auto* button = d.window->findChild<QToolButton*>("ShowHideIconTool");
    QVERIFY(palette && button);
    // No "Icons" section: hidden, 100 pixels below the window's top, 200 left of its right edge.
    QVERIFY(!palette->isVisible());
    QCOMPARE(button->text(), QString("Show Icon Tool"));
    const Preferences& p = d.window->Session().GetPreferences();
    QCOMPARE(palette->y(), p.paletteTop);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(palette->isVisible());
    QCOMPARE(button->text(), QString("Hide Icon Tool"));
    palette->move(palette->x() + 7, palette->y());
    d.window->SavePreferences();
    QFile ini(d.dir.filePath("KW.INI"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray settings = ini.readAll();
    QVERIFY2(settings.contains("[Icons]\r\nVisible=1\r\n"), settings.constData());
    QVERIFY(settings.contains(("Left=" + QString::number(palette->x())).toLatin1()));
    palette->hide();  // hidden some other way: the button follows
    QCOMPARE(button->text(), QString("Show Icon Tool"));
  }

  // The icon goes where the caret is (not under the mouse), white behind its transparent parts,
  // and the entry is modified.
  void iconDraggedFromThePaletteGoesInAtTheCaret() {
    DiaryWindow d;
    const QString library = d.dir.filePath("icons/events.icl");
    WriteIconLibrary(library);
    FloatingPalette* palette = d.window->Palette();
    palette->CheckCurrentSet(library);
    palette->show();
    QVERIFY(QTest::qWaitForWindowExposed(palette));
    IconListBox* list = palette->IconList();
    QCOMPARE(list->NumberOfIcons(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(list->currentRow(), 1);

    d.type("Hello world");
    d.editor().SetCaretPosition(5);
    std::unique_ptr<QMimeData> mime(list->model()->mimeData({list->currentIndex()}));
    QWidget* target = d.editor().viewport();
    const QPoint far_right(target->width() - 5, 5);
    QDragEnterEvent enter(far_right, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(far_right, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);

    QCOMPARE(ParagraphText(d.editor()), "Hello" + QString(QChar(kCharObjectByNumber)) + " world");
    const Bitmap* icon = d.editor().Memo().Document().Objects().front()->graphic.Bitmap();
    QVERIFY(icon);
    QCOMPARE(icon->width, 32);
    QCOMPARE(icon->PixelRgb(0, 0), 0xFFFFFFu);
    QCOMPARE(icon->PixelRgb(20, 20), 0x0000FFu);
    QVERIFY(d.button("SaveButton")->isVisible());
  }

  // A photo chosen in the image browser is saved as its JPEG bytes: the entry stays small.
  void photoFromTheImageBrowserKeepsTheEntrySmall() {
    DiaryWindow d;
    QImage photo(1200, 900, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < photo.height(); ++y)
      for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x % 256, y % 256, int(rng() % 32)));
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    QVERIFY(photo.save(&jpeg, "JPEG", 85));
    QDir().mkpath(d.dir.filePath("pictures"));
    QFile file(d.dir.filePath("pictures/holiday.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(jpeg.data());
    file.close();

    d.prompter.script = [&](QDialog& dialog) {
      auto* browser = dynamic_cast<ImageBrowser*>(&dialog);
      if (!browser) return;
      browser->SetDirectory(d.dir.filePath("pictures"));
      auto* files = browser->findChild<QListWidget*>("FileListBox1");
      QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                        files->visualItemRect(files->item(0)).center());
      QTest::mouseClick(browser->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    QTest::mouseClick(d.window->findChild<QToolButton*>("PasteGraphicButton"), Qt::LeftButton);
    QCOMPARE(d.prompter.dialogs, QStringList{"Load Image File  "});
    QCOMPARE(d.editor().Memo().Document().Objects().size(), size_t{1});
    QVERIFY(d.button("SaveButton")->isVisible());
    QVERIFY(d.window->SaveButtonClick());
    const QByteArray entry = d.fileBytes(d.window->CurrentDate());
    QVERIFY(entry.contains("\\jpegblip"));
    QVERIFY2(entry.size() <= 2.2 * jpeg.data().size(), qPrintable(QString::number(entry.size())));
  }

  void symbolFromThePickerGoesInAtTheCaret() {
    DiaryWindow d;
    d.type("ab");
    d.editor().SetCaretPosition(1);
    d.prompter.script = [](QDialog& dialog) {
      if (auto* ok = dialog.findChild<QPushButton*>("CopyCharButton")) QTest::mouseClick(ok, Qt::LeftButton);
    };
    QTest::mouseClick(d.window->findChild<QToolButton*>("SymbolPickerButton"), Qt::LeftButton);
    if (SymbolPicker::InstalledSymbolFonts().isEmpty()) {
      QCOMPARE(d.prompter.messages, QStringList{"Information: No Symbol fonts installed"});
      return;
    }
    QCOMPARE(d.prompter.dialogs, QStringList{"Symbol Picker"});
    QCOMPARE(ParagraphText(d.editor()), "a" + QString(QChar(0xF020)) + "b");
  }
};

QTEST_MAIN(DecorationsTest)
#include "decorations_test.moc"
