#pragma once
// How far a typed word is from a dictionary word in the slips people make at a keyboard. Plain
// edit counting treats every slip alike; typing does not: a letter left out, a doubled letter
// typed once, two neighbours swapped, a vowel for a vowel or a key beside the right one are far
// more common than a letter from nowhere, and the first letter is rarely the wrong one.
#include <string_view>

namespace inkwend::spell {

// What one plain edit (a letter put in, or changed for an unrelated one) costs.
inline constexpr int kEditCost = 10;

// The cheapest set of slips that turns `candidate` into `typed` (both upper-case Windows-1252,
// clipped to 30 characters), in tenths of a plain edit. Where that is over `limit`, the search
// may stop early and give any value over it.
int TypingCost(std::string_view candidate, std::string_view typed, int limit = 1'000'000);

// What is added to the cost of a candidate that looks less like a word of running text than its
// neighbours: one without a vowel (an abbreviation such as CPU), a two-letter one for a longer
// typed word, one outside the commonest English words. The dictionary keeps no letter case, so it
// cannot tell the names and abbreviations it holds from ordinary words.
int UnlikelyWordCost(std::string_view candidate, std::string_view typed);

}  // namespace inkwend::spell
