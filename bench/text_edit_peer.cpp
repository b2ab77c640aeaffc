// The peer of the start-up and end-to-end benchmarks: the least a Qt Widgets program does to
// show a text editor, or, given a file, to open a document in one. It reads the HTML file (the
// same text and formatting the diary reads as RTF) into a QTextEdit before showing it. With
// INKWEND_STARTUP_PROBE set it prints the same "first-paint-ms" line as the diary's start-up
// probe once its window is painted and ends, as the diary does; without, it runs until ended,
// to be typed into.
#include <QApplication>
#include <QFile>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

double MillisecondsSince(long long launch_ns) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec * 1000000000LL + ts.tv_nsec - launch_ns) / 1e6;
}

class FirstPaint : public QObject {
 public:
  explicit FirstPaint(long long launch_ns) : launchNs_(launch_ns) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, this, [this] {
        std::printf("first-paint-ms %.1f\n", MillisecondsSince(launchNs_));
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  long long launchNs_;
  bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  FirstPaint probe(qEnvironmentVariable("INKWEND_STARTUP_PROBE").toLongLong());
  if (qEnvironmentVariableIsSet("INKWEND_STARTUP_PROBE")) app.installEventFilter(&probe);
  QTextEdit edit;
  if (argc > 1) {
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (file.open(QIODevice::ReadOnly)) edit.setHtml(QString::fromUtf8(file.readAll()));
    // The width of the diary's editor in its first window.
    edit.resize(556, 330);
    edit.show();
    edit.activateWindow();
  } else {
    // The size of the diary's first window.
    edit.resize(622, 402);
    edit.show();
  }
  return QApplication::exec();
}
