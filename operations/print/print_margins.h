#pragma once
// The margins a diary print walk leaves round the text, in inches.

namespace inkwend {

// The diary always prints with one inch all round.
struct PrintMargins {
  double top = 1.0, left = 1.0, right = 1.0, bottom = 1.0;
};

}  // namespace inkwend
