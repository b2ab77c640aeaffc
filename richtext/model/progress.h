#pragma once
// Progress of long loads and saves: one process-wide hook fed from a stack of frames, so that
// a save nested in a larger operation reports within its parent's share of the range.
#include <cstdint>
#include <functional>

namespace inkwend {

// Receives the percentage (0..100) whenever it changes; 0 once the last frame closes.
inline std::function<void(int percent)> progress_event;
// Switches all progress reporting off.
inline bool progress_disabled = false;

class WPProgress {
 public:
  // Opens a frame for `total` units: 0..100 for the first frame, otherwise from the parent's
  // current percentage to the parent's end.
  static void Open(int64_t total);
  // Reports position `position` (0..total) of the innermost frame.
  static void Advance(int64_t position);
  // Sends the frame's end percentage and drops it.
  static void Close();
  static int Depth();
};

// Opens a frame for a scope and closes it on every way out.
class ProgressFrame {
 public:
  explicit ProgressFrame(int64_t total) { WPProgress::Open(total); }
  ~ProgressFrame() { WPProgress::Close(); }
  ProgressFrame(const ProgressFrame&) = delete;
  ProgressFrame& operator=(const ProgressFrame&) = delete;
  void Advance(int64_t position) { WPProgress::Advance(position); }
};

}  // namespace inkwend
