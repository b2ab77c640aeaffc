#pragma once
// Drawing of the toolbar's "WPI_" glyphs, used by the build-time generator only.
#include <QImage>
#include <QString>
#include <QStringList>

namespace inkwend {

// Upper-case names of every glyph.
QStringList WPIArtNames();
// The glyph drawn `size` pixels square (16 or 32) on a transparent image.
QImage DrawWPIArt(const QString& name, int size);
// The disabled form: the glyph's shape embossed in grey and white.
QImage DisabledForm(const QImage& image);

}  // namespace inkwend
