#pragma once
// Start-up measurement: with INKWEND_STARTUP_PROBE set, the program prints how long it took
// from process start until its main window was first painted, and ends right there.
//
// The printed line is "first-paint-ms <milliseconds>". When the variable holds the
// CLOCK_MONOTONIC time in nanoseconds at which the launcher started the process (within the last
// minute), that is the start (exact); otherwise the kernel's process start time is (10 ms steps).
#include <cstdint>
#include <optional>

namespace inkwend {

// Installs the probe when the variable is set; does nothing otherwise. Call after the
// application object exists and before the main window is created.
void InstallFirstPaintProbe();

// Milliseconds from process start to now (see above for where the start comes from).
double MillisecondsSinceProcessStart(std::optional<int64_t> launch_monotonic_ns);

}  // namespace inkwend
