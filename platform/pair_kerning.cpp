#include "platform/pair_kerning.h"

#include <hb-ot.h>
#include <hb.h>

#include <QByteArray>
#include <array>

namespace inkwend {

namespace {

// HarfBuzz asks for tables one by one; Qt answers them from the font it opened.
hb_blob_t* TableOf(hb_face_t* /*face*/, hb_tag_t tag, void* user_data) {
  const auto* raw = static_cast<const QRawFont*>(user_data);
  if (tag == 0) return nullptr;  // the whole file: not available, tables are enough
  const char name[4] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                        static_cast<char>(tag >> 8), static_cast<char>(tag)};
  const QByteArray table = raw->fontTable(name);
  if (table.isEmpty()) return nullptr;
  return hb_blob_create(table.constData(), static_cast<unsigned>(table.size()), HB_MEMORY_MODE_DUPLICATE,
                        nullptr, nullptr);
}

void DeleteRawFont(void* user_data) { delete static_cast<QRawFont*>(user_data); }

hb_face_t* FaceOf(const QRawFont& font, const std::optional<FontFile>& file) {
  if (!font.fontTable("head").isEmpty()) {
    return hb_face_create_for_tables(TableOf, new QRawFont(font), DeleteRawFont);
  }
  if (!file) return nullptr;
  const QByteArray path = file->path.toLocal8Bit();
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.constData());
  if (!blob) return nullptr;
  hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(file->index));
  hb_blob_destroy(blob);
  return face;
}

bool HasKerning(hb_face_t* face) {
  if (hb_ot_layout_has_positioning(face)) return true;
  hb_blob_t* kern = hb_face_reference_table(face, HB_TAG('k', 'e', 'r', 'n'));
  const bool has = hb_blob_get_length(kern) > 0;
  hb_blob_destroy(kern);
  return has;
}

}  // namespace

std::unique_ptr<PairKerning> PairKerning::For(const QRawFont& font, const std::optional<FontFile>& file) {
  if (!font.isValid()) return nullptr;
  hb_face_t* face = FaceOf(font, file);
  if (!face) return nullptr;
  const unsigned units = hb_face_get_upem(face);
  if (units == 0 || !HasKerning(face)) {
    hb_face_destroy(face);
    return nullptr;
  }
  hb_font_t* hb_font = hb_font_create(face);
  hb_face_destroy(face);
  return std::unique_ptr<PairKerning>(new PairKerning(hb_font, font.pixelSize() / units));
}

PairKerning::PairKerning(hb_font_t* font, double pixels_per_unit)
    : font_(font), buffer_(hb_buffer_create()), pixelsPerUnit_(pixels_per_unit) {}

PairKerning::~PairKerning() {
  hb_buffer_destroy(buffer_);
  hb_font_destroy(font_);
}

double PairKerning::Kerning(char32_t left, char32_t right) {
  // Kerning only: ligatures and contextual forms would turn the pair into other glyphs.
  static const std::array<hb_feature_t, 4> kFeatures = {
      hb_feature_t{HB_TAG('k', 'e', 'r', 'n'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      hb_feature_t{HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      hb_feature_t{HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      hb_feature_t{HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END}};
  hb_buffer_clear_contents(buffer_);
  const std::array<hb_codepoint_t, 2> pair = {left, right};
  hb_buffer_add_codepoints(buffer_, pair.data(), 2, 0, 2);
  hb_buffer_set_direction(buffer_, HB_DIRECTION_LTR);
  hb_buffer_guess_segment_properties(buffer_);
  hb_shape(font_, buffer_, kFeatures.data(), static_cast<unsigned>(kFeatures.size()));
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, nullptr);
  if (count != 2 || info[0].codepoint == 0 || info[1].codepoint == 0) return 0;
  const hb_position_t plain = hb_font_get_glyph_h_advance(font_, info[0].codepoint);
  return (pos[0].x_advance - plain) * pixelsPerUnit_;
}

}  // namespace inkwend
