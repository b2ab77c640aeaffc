#include "platform/cairo_font_faces.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ot.h>

#include <QFont>
#include <cstring>
#include <optional>

#include "platform/fontconfig_handles.h"

namespace inkwend {

namespace {

// One FreeType library for the program: faces of several print jobs may be alive at once and
// cairo releases them when it is done with them, possibly after the job's own objects.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return static_cast<FT_Library>(nullptr);
    return lib;
  }();
  return library;
}

struct FoundFile {
  QString path;
  int index = 0;
};

std::optional<FoundFile> FileOf(FcPattern* font) {
  const QString path = StringOf(font, FC_FILE);
  if (path.isEmpty()) return std::nullopt;
  int index = 0;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  return FoundFile{path, index};
}

// The files of a family and style (a face may come as OpenType and as Type 1: the OpenType one
// is taken, as HarfBuzz reads only that).
std::optional<FoundFile> ListedFile(const QByteArray& family, const QByteArray& style) {
  std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
  if (!style.isEmpty())
    FcPatternAddString(pattern.get(), FC_STYLE, reinterpret_cast<const FcChar8*>(style.constData()));
  std::unique_ptr<FcObjectSet, ObjectSetFree> objects(
      FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FONTFORMAT, static_cast<char*>(nullptr)));
  std::unique_ptr<FcFontSet, FontSetFree> fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!fonts || fonts->nfont == 0) return std::nullopt;
  for (int i = 0; i < fonts->nfont; ++i) {
    if (IsSfnt(fonts->fonts[i])) return FileOf(fonts->fonts[i]);
  }
  return FileOf(fonts->fonts[0]);
}

// fontconfig's best match for the family in the raw font's weight and slant, when that is
// the same family (style names differ between the files' languages).
std::optional<FoundFile> MatchedFile(const QRawFont& raw) {
  const QByteArray family = raw.familyName().toUtf8();
  std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT,
                      raw.weight() >= QFont::Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT,
                      raw.style() != QFont::StyleNormal ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcPattern, PatternFree> match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match || StringOf(match.get(), FC_FAMILY) != raw.familyName()) return std::nullopt;
  return FileOf(match.get());
}

void DoneFace(void* face) { FT_Done_Face(static_cast<FT_Face>(face)); }

const cairo_user_data_key_t kFaceKey{};

}  // namespace

PdfFace::~PdfFace() {
  for (auto& [size, font] : sized) hb_font_destroy(font);
  hb_font_destroy(unscaled);
  hb_face_destroy(hb);
  cairo_font_face_destroy(cairo);  // releases the FreeType face once cairo is done with it
}

bool PdfFace::CanShape() const { return hb && hb_face_get_glyph_count(hb) > 0; }

unsigned PdfFace::GlyphOf(char32_t c) const { return FT_Get_Char_Index(ft, c); }

hb_font_t* PdfFace::Sized(int pixel_size) {
  hb_font_t*& font = sized[pixel_size];
  if (!font) {
    font = hb_font_create(hb);
    // 64 units to the pixel, as FreeType counts.
    hb_font_set_scale(font, pixel_size * 64, pixel_size * 64);
  }
  return font;
}

hb_font_t* PdfFace::Unscaled() {
  if (!unscaled) unscaled = hb_font_create(hb);  // a new font's scale is the face's units
  return unscaled;
}

PdfFontFaces::~PdfFontFaces() {
  for (auto& [key, image] : emojiImages_) cairo_surface_destroy(image.surface);
}

PdfFace* PdfFontFaces::Open(const QString& path, int index, bool bold, bool italic) {
  std::unique_ptr<PdfFace>& slot = byFile_[{path, index, bold, italic}];
  if (slot) return slot.get();
  const QByteArray file = path.toLocal8Bit();
  FT_Face ft = nullptr;
  if (!Library() || FT_New_Face(Library(), file.constData(), index, &ft) != 0) return nullptr;
  auto face = std::make_unique<PdfFace>();
  face->ft = ft;
  face->color = FT_HAS_COLOR(ft) && ft->num_fixed_sizes > 0;
  if (face->color) face->strikePpem = static_cast<int>(ft->available_sizes[0].y_ppem / 64);
  face->cairo = cairo_ft_font_face_create_for_ft_face(ft, face->color ? FT_LOAD_COLOR : 0);
  if (cairo_font_face_set_user_data(face->cairo, &kFaceKey, ft, DoneFace) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face->cairo);
    FT_Done_Face(ft);
    face->cairo = nullptr;
    return nullptr;
  }
  unsigned synthesize = 0;
  if (bold && (ft->style_flags & FT_STYLE_FLAG_BOLD) == 0) synthesize |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (italic && (ft->style_flags & FT_STYLE_FLAG_ITALIC) == 0) synthesize |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synthesize != 0) cairo_ft_font_face_set_synthesize(face->cairo, synthesize);
  hb_blob_t* blob = hb_blob_create_from_file(file.constData());
  face->hb = hb_face_create(blob, static_cast<unsigned>(index));
  hb_blob_destroy(blob);
  slot = std::move(face);
  return slot.get();
}

PdfFace* PdfFontFaces::FaceOf(const QRawFont& raw, bool bold, bool italic) {
  const auto key = std::make_tuple(&raw, bold, italic);
  if (auto it = byRaw_.find(key); it != byRaw_.end()) return it->second;
  PdfFace* face = nullptr;
  if (raw.isValid()) {
    auto file = ListedFile(raw.familyName().toUtf8(), raw.styleName().toUtf8());
    if (!file) file = MatchedFile(raw);
    if (file) face = Open(file->path, file->index, bold, italic);
  }
  byRaw_[key] = face;
  return face;
}

PdfFace* PdfFontFaces::EmojiFace() {
  if (!emojiTried_) {
    emojiTried_ = true;
    const auto file = ListedFile("Noto Color Emoji", {});
    if (file) emoji_ = Open(file->path, file->index, false, false);
  }
  return emoji_;
}

PdfFontFaces::GlyphImage PdfFontFaces::ColorGlyph(PdfFace& face, unsigned glyph) {
  if (auto it = emojiImages_.find(glyph); it != emojiImages_.end()) return it->second;
  GlyphImage image;
  FT_Face ft = face.ft;
  if (FT_Select_Size(ft, 0) == 0 && FT_Load_Glyph(ft, glyph, FT_LOAD_COLOR) == 0 &&
      ft->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_BGRA && ft->glyph->bitmap.width > 0) {
    const FT_Bitmap& bitmap = ft->glyph->bitmap;
    const int width = static_cast<int>(bitmap.width);
    const int height = static_cast<int>(bitmap.rows);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      cairo_surface_flush(surface);
      // FreeType's colour bitmaps are premultiplied BGRA, which is cairo's ARGB32 in memory.
      unsigned char* out = cairo_image_surface_get_data(surface);
      const int stride = cairo_image_surface_get_stride(surface);
      for (int y = 0; y < height; ++y)
        std::memcpy(out + static_cast<ptrdiff_t>(y) * stride,
                    bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch, static_cast<size_t>(width) * 4);
      cairo_surface_mark_dirty(surface);
      image = {surface, ft->glyph->bitmap_left, ft->glyph->bitmap_top};
    } else {
      cairo_surface_destroy(surface);
    }
  }
  emojiImages_[glyph] = image;
  return image;
}

}  // namespace inkwend
