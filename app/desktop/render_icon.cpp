// Writes the program's icon, as the main window shows it, as PNG files for the desktop's icon
// theme: OUTDIR/SIDExSIDE/apps/NAME.png for every side given. Built and run at build time, so
// the menu's icon and the window's icon are the same drawing.
//   inkwend-render-icon OUTDIR NAME SIDE...
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "app/about_box.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: inkwend-render-icon OUTDIR NAME SIDE...\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString name = QString::fromLocal8Bit(argv[2]);
  const QIcon icon = inkwend::NotebookIcon();
  for (int i = 3; i < argc; ++i) {
    const int side = QString::fromLatin1(argv[i]).toInt();
    const QString folder = QStringLiteral("%1x%1/apps").arg(side);
    const QString file = out.filePath(folder + '/' + name + QStringLiteral(".png"));
    if (side <= 0 || !out.mkpath(folder) || !icon.pixmap(side, side).save(file, "PNG")) {
      std::fprintf(stderr, "inkwend-render-icon: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
