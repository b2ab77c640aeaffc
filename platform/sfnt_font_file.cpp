#include "platform/sfnt_font_file.h"

#include <memory>

#include "platform/fontconfig_handles.h"

namespace inkwend {

std::optional<FontFile> SfntFileFor(const QString& family, bool bold, bool italic) {
  const QByteArray name = family.toUtf8();
  std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcFontSet, FontSetFree> fonts(
      FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
  if (!fonts || fonts->nfont == 0) return std::nullopt;
  const QString best_family = StringOf(fonts->fonts[0], FC_FAMILY);
  const QString best_style = StringOf(fonts->fonts[0], FC_STYLE);
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    // Only the same face in another format: a different family or style would change the text.
    if (StringOf(font, FC_FAMILY) != best_family || StringOf(font, FC_STYLE) != best_style) continue;
    if (!IsSfnt(font)) continue;
    int index = 0;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    const QString path = StringOf(font, FC_FILE);
    if (!path.isEmpty()) return FontFile{path, index};
  }
  return std::nullopt;
}

}  // namespace inkwend
