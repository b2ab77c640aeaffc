#include "richtext/model/progress.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace inkwend {

namespace {

struct Frame {
  double start = 0;
  double end = 100;
  double perUnit = 0;  // percent per unit
  int64_t step = 0;    // report every `step` units; 0 = never
  int64_t lastPosition = 0;
  double current = 0;
  int lastSent = -1;
};

std::vector<Frame>& Frames() {
  static std::vector<Frame> frames;
  return frames;
}

int sent_percent = -1;

void Send(int percent, bool force = false) {
  if (progress_event && (force || percent != sent_percent)) {
    sent_percent = percent;
    progress_event(percent);
  }
}

}  // namespace

void WPProgress::Open(int64_t total) {
  if (progress_disabled) return;
  auto& frames = Frames();
  Frame f;
  if (!frames.empty()) {
    f.start = frames.back().current;
    f.end = frames.back().end;
  }
  f.current = f.start;
  if (total >= 1) {
    f.perUnit = (f.end - f.start) / static_cast<double>(total);
    const double inv = f.perUnit > 0 ? 1.0 / f.perUnit : 0;
    f.step = std::max<int64_t>(1, std::llround(inv));
  }
  if (frames.empty()) sent_percent = -1;
  frames.push_back(f);
}

void WPProgress::Advance(int64_t position) {
  if (progress_disabled) return;
  auto& frames = Frames();
  if (frames.empty()) return;
  Frame& f = frames.back();
  if (f.step == 0 || position - f.lastPosition < f.step || f.current >= f.end) return;
  f.lastPosition = position;
  f.current = std::min(f.end, f.start + static_cast<double>(position) * f.perUnit);
  const int percent = static_cast<int>(f.current);
  if (percent != f.lastSent) {
    f.lastSent = percent;
    Send(percent);
  }
}

void WPProgress::Close() {
  if (progress_disabled) return;
  auto& frames = Frames();
  if (frames.empty()) return;
  const Frame f = frames.back();
  frames.pop_back();
  Send(static_cast<int>(f.end), true);
  if (frames.empty()) Send(0, true);
}

int WPProgress::Depth() { return static_cast<int>(Frames().size()); }

}  // namespace inkwend
