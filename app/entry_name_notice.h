#pragma once
// The one message a start gives about entry files whose names no day of the diary has.
#include <QString>
#include <string>
#include <vector>

namespace inkwend {

// What to tell the user about `names` (files in `entries_folder` named for days outside the
// years 1 to 9999, which every walk over the entries passes by): the file when there is one,
// the count and the first when there are more; empty when there are none.
QString OutOfRangeEntriesMessage(const QString& entries_folder, const std::vector<std::string>& names);

}  // namespace inkwend
