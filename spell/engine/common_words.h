#pragma once
// The few hundred words that make up most of any English text. Among candidates equally close to
// a typed word, one of these is far more often the word meant than a rare word or a name: the
// dictionary holds CPU, Saar and tsp beside cup, star and top, and keeps no letter case to tell
// them apart.
#include <string_view>

namespace inkwend::spell {

// True when `word` (upper case) is one of the most common English words.
bool IsCommonWord(std::string_view word);

}  // namespace inkwend::spell
