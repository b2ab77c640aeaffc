#pragma once
// The font files behind the faces Qt's metrics chose, opened for drawing into a PDF through
// cairo and for shaping with HarfBuzz. Layout measures with Qt's fonts, so the PDF must draw
// the same faces: each QRawFont (the wanted font or the one Qt fell back to for a character)
// is traced back through fontconfig to its file.
#include <cairo.h>
#include <hb.h>

#include <QRawFont>
#include <QString>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

using FT_Face = struct FT_FaceRec_*;

namespace inkwend {

// One face of a font file. A face the file has no bold or italic of is slanted or thickened by
// cairo, as Qt does for it.
struct PdfFace {
  FT_Face ft = nullptr;  // owned by the cairo face
  cairo_font_face_t* cairo = nullptr;
  hb_face_t* hb = nullptr;  // empty (no glyphs) for a face HarfBuzz cannot read, such as Type 1
  bool color = false;       // bitmap glyphs in colour (emoji), drawn as images
  int strikePpem = 0;       // the size of those bitmaps
  std::map<int, hb_font_t*> sized;
  hb_font_t* unscaled = nullptr;

  PdfFace() = default;
  PdfFace(const PdfFace&) = delete;
  PdfFace& operator=(const PdfFace&) = delete;
  ~PdfFace();
  bool CanShape() const;
  // The face's glyph of a character (0: none).
  unsigned GlyphOf(char32_t c) const;
  // The face for HarfBuzz at a size in device pixels (kept per size).
  hb_font_t* Sized(int pixel_size);
  // The face for HarfBuzz in font units.
  hb_font_t* Unscaled();
};

class PdfFontFaces {
 public:
  PdfFontFaces() = default;
  PdfFontFaces(const PdfFontFaces&) = delete;
  PdfFontFaces& operator=(const PdfFontFaces&) = delete;
  ~PdfFontFaces();

  // The face of a raw font Qt opened, thickened or slanted where the wanted style asks for
  // more than the file has; null when its file cannot be found or read.
  PdfFace* FaceOf(const QRawFont& raw, bool bold, bool italic);
  // The colour emoji face (null when it is not installed).
  PdfFace* EmojiFace();
  // A glyph of a colour face as an image at the face's bitmap size, with its offset from the
  // pen (x to the right, y up to the image's top); null when the glyph has no bitmap.
  struct GlyphImage {
    cairo_surface_t* surface = nullptr;
    int left = 0;
    int top = 0;
  };
  GlyphImage ColorGlyph(PdfFace& face, unsigned glyph);

 private:
  PdfFace* Open(const QString& path, int index, bool bold, bool italic);

  std::map<std::tuple<const QRawFont*, bool, bool>, PdfFace*> byRaw_;
  std::map<std::tuple<QString, int, bool, bool>, std::unique_ptr<PdfFace>> byFile_;
  bool emojiTried_ = false;
  PdfFace* emoji_ = nullptr;
  std::map<unsigned, GlyphImage> emojiImages_;
};

}  // namespace inkwend
