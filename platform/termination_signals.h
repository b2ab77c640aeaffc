#pragma once
// Requests to end the program that arrive as signals: SIGTERM (what a logout, a shutdown or
// `kill` sends), SIGHUP (the terminal went away) and SIGINT (Ctrl+C in the terminal that started
// the diary). A signal handler may do almost nothing
// safely, so the handler only writes the signal's number into a pipe; the event loop reads it
// and runs the program's answer there, where saving the diary is safe.
//
//   TerminationSignals signals([&](int) { SaveAndQuit(); });
//   QApplication::exec();
#include <csignal>
#include <functional>
#include <iterator>
#include <memory>

class QSocketNotifier;

namespace inkwend {

class TerminationSignals {
 public:
  // Catches the signals from now on; `on_request` runs on the event loop of this thread with
  // the signal's number, once for each signal that arrived. One object at a time.
  explicit TerminationSignals(std::function<void(int)> on_request);
  // The handlers from before come back.
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False when the signals could not be caught (no pipe, or another object catches them):
  // their default action then stands.
  bool Active() const { return active_; }

 private:
  static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
  void Drain();

  std::function<void(int)> onRequest_;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  bool active_ = false;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_[std::size(kSignals)] = {};
};

}  // namespace inkwend
