#include "app/about_box.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/help.h"
#include "app/tests/scripted_prompter.h"
#include "platform/program_directory.h"

using namespace inkwend;
using inkwend::testing::ScriptedPrompter;

// Receives the URLs the help would hand to the desktop's browser.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class AboutBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void aboutBoxShowsBuildAndVersionAndOkCloses() {
    QTemporaryDir diary;
    QVERIFY(SetProgramDirectory(diary.path()).IsOk());
    QWidget main;
    main.setGeometry(200, 150, 800, 600);
    main.show();
    ScriptedPrompter prompter;
    bool checked = false;
    prompter.script = [&](QDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("About Inkwend!"));
      // The designed size with the folder's row; wider when the folder's path needs it.
      QVERIFY(d.width() >= 434 && d.height() >= 268);
      QCOMPARE(d.minimumSize(), d.maximumSize());  // fixed: cannot be resized
      // No border icons (no close, minimise or maximise box), and always on top.
      const Qt::WindowFlags flags = d.windowFlags();
      QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
      QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
      QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
      QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
      // Centred over the main window (up to the window frame, which is only known once shown).
      const QPoint offset = d.frameGeometry().center() - main.frameGeometry().center();
      QVERIFY2(offset.manhattanLength() <= 8,
               qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));

      // The build label tells the truth about this build, independently of how it is worded.
      QCOMPARE(d.findChild<QLabel*>("BuildLabel")->text(),
               QStringLiteral("%1-bit version").arg(sizeof(void*) * 8));
      QCOMPARE(d.findChild<QLabel*>("VersionLabel")->text(), QStringLiteral("Version 2.9d"));
      // The diary's folder, as text that can be selected and copied.
      auto* folder = d.findChild<QLabel*>("DiaryFolderLabel");
      QCOMPARE(folder->text(), "Diary folder: " + diary.path());
      QVERIFY(folder->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));

      // The picture sits at the top left and is really drawn (not a blank square).
      QWidget* picture = d.findChild<QWidget*>("Image1");
      QVERIFY(picture->geometry().left() < 40 && picture->geometry().top() < 40);
      const QImage image = picture->grab().toImage();
      QSet<QRgb> colours;
      for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
      QVERIFY2(colours.size() > 10, "the notebook picture is blank");

      auto* ok = d.findChild<QPushButton*>("OKButton");
      QCOMPARE(ok->text(), QStringLiteral("Ok"));
      QTest::mouseClick(ok, Qt::LeftButton);
      QCOMPARE(d.result(), int(QDialog::Accepted));
      checked = true;
    };
    ShowAboutBox(&main);
    QVERIFY(checked);
    QCOMPARE(prompter.dialogs, QStringList{"About Inkwend!"});
  }

  void notebookIconHasSharpSizes() {
    const QIcon icon = NotebookIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(48, 48).size(), QSize(48, 48));
  }

  void helpOpensContentsOfThePageFound() {
    QTemporaryDir dir;
    SetShippedFilesBase(dir.path());
    QVERIFY(QDir(dir.path()).mkpath("help"));
    QFile page(dir.path() + "/help/index.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();

    UrlCatcher catcher;
    ScriptedPrompter prompter;
    QVERIFY(OpenHelpContents(nullptr));
    QCOMPARE(catcher.opened.size(), 1);
    QCOMPARE(catcher.opened[0].toLocalFile(), QFileInfo(page).absoluteFilePath());
    QCOMPARE(catcher.opened[0].fragment(), QStringLiteral("contents"));
    QVERIFY(prompter.messages.isEmpty());
  }

  // An installed program finds the help under its prefix's share/inkwend; a copy beside the
  // program (a build tree, a portable install) comes first.
  void shippedFilesAreFoundBesideTheProgramOrUnderThePrefix() {
    QTemporaryDir prefix;
    SetShippedFilesBase(prefix.path() + "/bin");
    const QString installed = prefix.path() + "/share/inkwend/help/index.html";
    const QString beside = prefix.path() + "/bin/help/index.html";
    QCOMPARE(FindHelpFile(), QString());
    for (const QString& path : {installed, beside}) {
      QVERIFY(QFileInfo(path).dir().mkpath("."));
      QFile page(path);
      QVERIFY(page.open(QIODevice::WriteOnly));
      page.close();
      QCOMPARE(FindHelpFile(), path);
    }
    SetShippedFilesBase(QString());
  }

  void missingHelpIsSaidNotOpened() {
    QTemporaryDir dir;
    SetShippedFilesBase(dir.path());
    UrlCatcher catcher;
    ScriptedPrompter prompter;
    QVERIFY(!OpenHelpContents(nullptr));
    QVERIFY(catcher.opened.isEmpty());
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages[0].contains("help file could not be found"), qPrintable(prompter.messages[0]));
  }

  // The shipped page: it has the contents anchor, and every picture and page it links to
  // ships with it.
  void shippedPageIsWhole() {
    const QString folder = QStringLiteral(INKWEND_SOURCE_DIR "/app/help");
    QFile page(folder + "/index.html");
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("id=\"contents\"")));
    QSet<QString> anchors;
    for (const auto& m : QRegularExpression(QStringLiteral("id=\"([^\"]+)\"")).globalMatch(html))
      anchors.insert(m.captured(1));
    const QRegularExpression ref(QStringLiteral("(?:src|href)=\"([^\"]+)\""));
    for (const auto& m : ref.globalMatch(html)) {
      const QString target = m.captured(1);
      if (target.startsWith("http:") || target.startsWith("https:") || target.startsWith("mailto:")) continue;
      if (target.startsWith('#')) {
        QVERIFY2(anchors.contains(target.mid(1)), qPrintable("no anchor for " + target));
      } else {
        QVERIFY2(QFileInfo::exists(folder + '/' + target.section('#', 0, 0)),
                 qPrintable("missing " + target));
      }
    }
  }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
