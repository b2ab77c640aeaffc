#include "richtext/rtf/picture_decoder.h"

namespace inkwend {

namespace {
const TWPPictureDecoder* g_decoder = nullptr;
}

void SetPictureDecoder(const TWPPictureDecoder* decoder) { g_decoder = decoder; }
const TWPPictureDecoder* PictureDecoder() { return g_decoder; }

}  // namespace inkwend
