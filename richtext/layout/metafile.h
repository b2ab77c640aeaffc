#pragma once
// A small player of Windows metafiles (the pictures word processors put into RTF): it maps the
// window origin and extent onto a rectangle of the canvas and draws the records that such
// pictures use: bitmaps (StretchDIB, DIBStretchBlt, DIBBitBlt), lines, polylines, polygons,
// rectangles, rounded rectangles, ellipses and text, with pens, brushes and fonts. Other records
// are skipped. Damaged input ends the playing; it never reads past the bytes.
#include <cstdint>
#include <span>
#include <string>

#include "richtext/layout/canvas.h"
#include "richtext/model/objects.h"

namespace inkwend {

struct MetafileStats {
  int records = 0;  // records read
  int drawn = 0;    // records that drew something
  int skipped = 0;  // records not understood
};

// Plays the metafile stretched into `dest`. `metrics` (optional) places text exactly; without it
// text is placed with estimated metrics. Returns false when the bytes are not a metafile or no
// record could be drawn; `error` then says why.
bool PlayMetafile(Canvas& canvas, const Metafile& metafile, const Rect& dest, TextMetrics* metrics,
                  std::string* error = nullptr, MetafileStats* stats = nullptr);

}  // namespace inkwend
