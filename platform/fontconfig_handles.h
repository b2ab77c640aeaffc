#pragma once
// Owning handles and small readers for fontconfig's objects, for the places that look a font's
// file up themselves (the OpenType file behind a family, the PDF writer's faces).
#include <fontconfig/fontconfig.h>

#include <QString>

namespace inkwend {

struct PatternFree {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetFree {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetFree {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};

// A string property of a pattern; empty when it has none.
inline QString StringOf(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

// An OpenType file, with TrueType or CFF outlines (not Type 1, not a bitmap font).
inline bool IsSfnt(FcPattern* font) {
  const QString format = StringOf(font, FC_FONTFORMAT);
  return format == QLatin1StringView("TrueType") || format == QLatin1StringView("CFF");
}

}  // namespace inkwend
