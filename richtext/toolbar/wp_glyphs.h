#pragma once
// The images of the toolbar's icons ("WPI_" names). They are drawn by our own generator at
// build time and shipped as resources: for each name a 16-pixel image beside its disabled form
// (32 x 16) and the same at twice the size for high-density screens.
#include <QIcon>
#include <QString>
#include <QStringList>

namespace inkwend {

// The icon for a "WPI_" name (case-insensitive), with its normal and disabled form; a null
// icon when there is no such image.
QIcon WPIGlyph(const QString& icon_name);

// Every name that has an image.
QStringList WPIGlyphNames();

}  // namespace inkwend
