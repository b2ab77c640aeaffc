#pragma once
// Embedded objects and footnotes. Pictures are held in engine types (a bitmap with its pixels,
// a metafile with its bytes) so that the model, the RTF code and their tests need no GUI.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace inkwend {

struct PaletteEntry {  // the byte order of a Windows RGBQUAD
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  bool operator==(const PaletteEntry&) const = default;
};

// A bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel. Rows are stored top-down, each Stride()
// bytes (4-byte aligned, the device-independent layout). Pixels of 1, 4 and 8 bits index the
// palette (high bits first within a byte); 16 bits are x1r5g5b5, 24 bits B,G,R, 32 bits B,G,R,x.
struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitsPerPixel = 24;
  uint16_t planes = 1;
  std::vector<PaletteEntry> palette;
  std::vector<uint8_t> bits;

  static int StrideFor(int32_t width, int bits_per_pixel) {
    return static_cast<int>(((static_cast<int64_t>(width) * bits_per_pixel + 31) / 32) * 4);
  }
  int Stride() const { return StrideFor(width, bitsPerPixel); }
  // Width, height, depth and buffer agree with each other.
  bool Valid() const;
  // Colour of one pixel as 0xRRGGBB.
  uint32_t PixelRgb(int x, int y) const;
  bool operator==(const Bitmap&) const = default;
};

// A Windows metafile: its records without the 22-byte placeable header, and its size in pixels.
struct Metafile {
  std::vector<uint8_t> bytes;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Metafile&) const = default;
};

// A control shown in the text in place of a picture (supplied by the application).
class ObjectControl {
 public:
  virtual ~ObjectControl() = default;
  virtual int PixelWidth() const = 0;
  virtual int PixelHeight() const = 0;
  // Moves the control onto its place in the view (pixels) and shows it; painting calls it for
  // every control it reaches.
  virtual void Place(int /*left*/, int /*top*/, int /*width*/, int /*height*/) {}
  // The control's place is out of view.
  virtual void Hide() {}
  // A press at (x, y) inside the control's rectangle; true when the control took it, so that
  // the caret stays where it is.
  virtual bool Click(int /*x*/, int /*y*/) { return false; }
};

enum class PictureFormat : uint8_t { Png, Jpeg };

// A PNG or JPEG picture as the bytes it came in. It is written as them, so that a photo stays
// the size of its file instead of growing tenfold as an uncompressed bitmap.
struct CompressedPicture {
  PictureFormat format = PictureFormat::Png;
  std::vector<uint8_t> bytes;
  bool operator==(const CompressedPicture&) const = default;
};

struct DocGraphic {
  std::variant<std::monostate, inkwend::Bitmap, inkwend::Metafile> image;
  // Beside a bitmap: the compressed form it was decoded from, which is what gets written; the
  // bitmap is what is shown and printed.
  std::optional<CompressedPicture> compressed;
  // The picture came wrapped in a picture holder; such a bitmap is written in the
  // device-independent form.
  bool inPictureHolder = false;
  std::unique_ptr<ObjectControl> control;

  bool Empty() const { return std::holds_alternative<std::monostate>(image) && !control; }
  const inkwend::Bitmap* Bitmap() const { return std::get_if<inkwend::Bitmap>(&image); }
  const inkwend::Metafile* Metafile() const { return std::get_if<inkwend::Metafile>(&image); }
  // Size in pixels of the picture or control; 0 when there is none.
  int PixelWidth() const;
  int PixelHeight() const;
};

struct DocObject {
  DocGraphic graphic;       // owned by the record
  uint16_t tag = 0;         // anchor code 1 refers to this
  uint16_t number = 0;      // sequence number; anchor code 2 refers to this
  bool referenced = false;  // set by the garbage collection walk
  bool tagged = false;      // a tagged object (RTF \wpobjtag)
  bool internal = false;    // the tag was chosen by the document (tag -1 on add)
  int32_t width = 0;        // twips; 0 = compute from the graphic
  int32_t height = 0;
  std::u32string fileName;  // linked picture, or empty
};

struct FootnoteRec {
  char32_t mark = U'#';
  int32_t number = 0;  // 0 = no number
  uint16_t id = 0;     // footnote anchors carry it in tagNumber
  bool markOnly = false;
  std::u32string text;
  std::u32string text2;  // optional second text
};

}  // namespace inkwend
