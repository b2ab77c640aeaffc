#include "platform/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <iterator>

namespace inkwend {
namespace {

// The pipe the handler writes to; -1 while no object catches the signals.
std::atomic<int> g_write_end{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

// Only async-signal-safe calls: one write of one byte, errno kept for the code it interrupted.
// A full pipe already holds a request, so a write that fails loses nothing.
extern "C" void OnTerminationSignal(int signal_number) {
  const int saved_errno = errno;
  const int fd = g_write_end.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal_number);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = saved_errno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> on_request)
    : onRequest_(std::move(on_request)) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  int expected = -1;
  if (!g_write_end.compare_exchange_strong(expected, ends[1])) {  // another object catches them
    ::close(ends[0]);
    ::close(ends[1]);
    return;
  }
  readEnd_ = ends[0];
  writeEnd_ = ends[1];
  notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // system calls the signal interrupts go on
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
  active_ = true;
}

TerminationSignals::~TerminationSignals() {
  if (!active_) return;
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  g_write_end.store(-1);
  notifier_.reset();
  ::close(readEnd_);
  ::close(writeEnd_);
}

void TerminationSignals::Drain() {
  unsigned char received[16];
  for (;;) {
    const ssize_t n = ::read(readEnd_, received, sizeof received);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // drained (EAGAIN) or closed
    for (ssize_t i = 0; i < n; ++i)
      if (onRequest_) onRequest_(received[i]);
  }
}

}  // namespace inkwend
