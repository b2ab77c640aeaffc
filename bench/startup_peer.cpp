// The peer of the start-up benchmark: the least a Qt Widgets program does to show a text
// editor. It prints the same "first-paint-ms" line as the diary's start-up probe and ends
// after its window is first painted.
#include <QApplication>
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
  app.installEventFilter(&probe);
  QTextEdit edit;
  edit.resize(622, 402);
  edit.show();
  return QApplication::exec();
}
