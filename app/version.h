#pragma once

namespace inkwend {
// Shown by the about box and the configuration report.
inline constexpr char kProgramVersion[] = "2.9d";
}  // namespace inkwend
