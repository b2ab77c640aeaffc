// Termination signals reach the event loop as calls, one per signal, and the handlers from
// before come back when the catcher goes.
#include "platform/termination_signals.h"

#include <QCoreApplication>
#include <QtTest>
#include <csignal>
#include <vector>

using inkwend::TerminationSignals;

class TerminationSignalsTest : public QObject {
  Q_OBJECT
 private slots:
  void signalsArriveOnTheEventLoopOncePerSignal() {
    std::vector<int> received;
    TerminationSignals catcher([&](int signal_number) { received.push_back(signal_number); });
    QVERIFY(catcher.Active());
    QVERIFY(::raise(SIGTERM) == 0);  // the process lives on: the handler only wrote a byte
    QVERIFY(received.empty());       // nothing runs inside the handler
    QTRY_COMPARE(received, std::vector<int>{SIGTERM});
    QVERIFY(::raise(SIGHUP) == 0);
    QVERIFY(::raise(SIGINT) == 0);
    QVERIFY(::raise(SIGTERM) == 0);
    QTRY_COMPARE(received, (std::vector<int>{SIGTERM, SIGHUP, SIGINT, SIGTERM}));
  }

  void oneCatcherAtATimeAndThePreviousHandlersReturn() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before = {};
    struct sigaction term_before = {};
    QVERIFY(::sigaction(SIGHUP, &ignore, &before) == 0);
    QVERIFY(::sigaction(SIGTERM, nullptr, &term_before) == 0);
    {
      TerminationSignals first([](int) {});
      TerminationSignals second([](int) {});
      QVERIFY(first.Active());
      QVERIFY(!second.Active());  // it must not take the handlers from the first on its way out
    }
    struct sigaction now = {};
    QVERIFY(::sigaction(SIGHUP, nullptr, &now) == 0);
    QVERIFY(now.sa_handler == SIG_IGN);
    QVERIFY(::sigaction(SIGTERM, nullptr, &now) == 0);
    QVERIFY(now.sa_handler == term_before.sa_handler);
    QVERIFY(::sigaction(SIGHUP, &before, nullptr) == 0);
    // A new catcher works after the old one is gone.
    std::vector<int> received;
    TerminationSignals again([&](int signal_number) { received.push_back(signal_number); });
    QVERIFY(again.Active());
    QVERIFY(::raise(SIGHUP) == 0);
    QTRY_COMPARE(received, std::vector<int>{SIGHUP});
  }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "termination_signals_test.moc"
