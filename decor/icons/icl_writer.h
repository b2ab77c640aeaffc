#pragma once
// Writes icon libraries: 16-bit NE files holding only icon resources, the .ICL format that icon
// editors and the shell read. Each picture becomes one icon group with a 32 x 32 and a 16 x 16
// image, both 32-bit with alpha and an AND mask (so that readers without alpha see the shape too).
#include <cstdint>
#include <string>
#include <vector>

#include "decor/icons/icon_image.h"
#include "store/status.h"

namespace inkwend::icons {

// Icon images a library can hold: ids are 15-bit, two images per icon.
inline constexpr int kMaxIclIcons = 0x7FFF / 2;

// Builds the library in memory. `module_name` names the library inside the file (letters and digits
// up to 8 characters are kept). A picture that is not square is centred on a transparent square.
Status BuildIcl(const std::vector<IconImage>& pictures, const std::string& module_name, std::vector<uint8_t>* out);

}  // namespace inkwend::icons
