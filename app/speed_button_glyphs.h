#pragma once
// Pictures of the main window's own toolbar buttons, drawn in code so that they are sharp at
// every screen scale.
#include <QIcon>

namespace inkwend {

enum class SpeedGlyph { DeleteEntry, PageBreak, Paragraph, WordWrap, Calendar, Picture, Symbol };

QIcon SpeedButtonGlyph(SpeedGlyph glyph);

}  // namespace inkwend
