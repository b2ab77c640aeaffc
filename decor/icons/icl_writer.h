#pragma once
// Writes icon libraries: 16-bit NE files holding only icon resources, the .ICL format that icon
// editors and the shell read. Each picture becomes one icon group with a 32 x 32 and a 16 x 16
// image, both 32-bit with alpha and an AND mask (so that readers without alpha see the shape too).
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "decor/icons/icon_image.h"

namespace inkwend::icons {

// Icons a library can hold. Its resource table (36 bytes an icon: a group and two images) must
// end within 16-bit reach of the NE header, where the next table's offset is stored.
inline constexpr int kMaxIclIcons = 1800;

// Builds the library in memory. `module_name` names the library inside the file (letters and digits
// up to 8 characters are kept). A picture that is not square is centred on a transparent square.
Status BuildIcl(const std::vector<IconImage>& pictures, const std::string& module_name,
                std::vector<uint8_t>* out);

}  // namespace inkwend::icons
