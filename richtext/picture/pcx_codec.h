#pragma once
// PCX pictures (ZSoft's run-length format) for the image browser; no image library at hand
// reads them. Monochrome, 16-colour (four 1-bit planes or one 4-bit plane), 256-colour and
// 24-bit (three 8-bit planes) pictures decode into 24-bit bitmaps.
#include <cstdint>
#include <span>
#include <string>

#include "richtext/model/objects.h"

namespace inkwend {

// False, with the reason in `error`, when the bytes are not a PCX picture of a kind above or the
// picture is larger than `max_side` pixels in either direction. Run-length data that ends early
// leaves the rest of the picture black rather than failing: what was there is shown.
bool DecodePcx(std::span<const uint8_t> data, int max_side, Bitmap& out, std::string& error);

}  // namespace inkwend
