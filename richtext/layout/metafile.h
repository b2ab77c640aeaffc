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

struct TMetafileStats {
  int Records = 0;  // records read
  int Drawn = 0;    // records that drew something
  int Skipped = 0;  // records not understood
};

// Plays the metafile stretched into `dest`. `metrics` (optional) places text exactly; without it
// text is placed with estimated metrics. Returns false when the bytes are not a metafile or no
// record could be drawn; `error` then says why.
bool PlayMetafile(TCanvas& canvas, const TMetafile& metafile, const TRect& dest, TTextMetrics* metrics,
                  std::string* error = nullptr, TMetafileStats* stats = nullptr);

}  // namespace inkwend
