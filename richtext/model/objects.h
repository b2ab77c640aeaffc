#pragma once
// Embedded objects and footnotes. Pictures are held in engine types (a bitmap with its pixels,
// a metafile with its bytes) so that the model, the RTF code and their tests need no GUI.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace inkwend {

struct TPaletteEntry {  // the byte order of a Windows RGBQUAD
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  uint8_t Reserved = 0;
  bool operator==(const TPaletteEntry&) const = default;
};

// A bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel. Rows are stored top-down, each Stride()
// bytes (4-byte aligned, the device-independent layout). Pixels of 1, 4 and 8 bits index the
// palette (high bits first within a byte); 16 bits are x1r5g5b5, 24 bits B,G,R, 32 bits B,G,R,x.
struct TBitmap {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t BitsPerPixel = 24;
  uint16_t Planes = 1;
  std::vector<TPaletteEntry> Palette;
  std::vector<uint8_t> Bits;

  static int StrideFor(int32_t width, int bits_per_pixel) {
    return static_cast<int>(((static_cast<int64_t>(width) * bits_per_pixel + 31) / 32) * 4);
  }
  int Stride() const { return StrideFor(Width, BitsPerPixel); }
  // Width, height, depth and buffer agree with each other.
  bool Valid() const;
  // Colour of one pixel as 0xRRGGBB.
  uint32_t PixelRgb(int x, int y) const;
  bool operator==(const TBitmap&) const = default;
};

// A Windows metafile: its records without the 22-byte placeable header, and its size in pixels.
struct TMetafile {
  std::vector<uint8_t> Bytes;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TMetafile&) const = default;
};

// A control shown in the text in place of a picture (supplied by the application).
class TObjectControl {
 public:
  virtual ~TObjectControl() = default;
  virtual int PixelWidth() const = 0;
  virtual int PixelHeight() const = 0;
};

struct TDocGraphic {
  std::variant<std::monostate, TBitmap, TMetafile> Image;
  // The picture came wrapped in a picture holder; such a bitmap is written in the
  // device-independent form.
  bool InPictureHolder = false;
  std::unique_ptr<TObjectControl> Control;

  bool Empty() const { return std::holds_alternative<std::monostate>(Image) && !Control; }
  const TBitmap* Bitmap() const { return std::get_if<TBitmap>(&Image); }
  const TMetafile* Metafile() const { return std::get_if<TMetafile>(&Image); }
  // Size in pixels of the picture or control; 0 when there is none.
  int PixelWidth() const;
  int PixelHeight() const;
};

struct TDocObject {
  TDocGraphic Graphic;      // owned by the record
  uint16_t Tag = 0;         // anchor code 1 refers to this
  uint16_t Number = 0;      // sequence number; anchor code 2 refers to this
  bool Referenced = false;  // set by the garbage collection walk
  bool Tagged = false;      // a tagged object (RTF \wpobjtag)
  bool Internal = false;    // the tag was chosen by the document (tag -1 on add)
  int32_t Width = 0;        // twips; 0 = compute from the graphic
  int32_t Height = 0;
  std::u32string FileName;  // linked picture, or empty
};

struct TFootnoteRec {
  char32_t Mark = U'#';
  int32_t Number = 0;  // 0 = no number
  uint16_t Id = 0;     // footnote anchors carry it in TagNumber
  bool MarkOnly = false;
  std::u32string Text;
  std::u32string Text2;  // optional second text
};

}  // namespace inkwend
