#include "richtext/toolbar/wp_glyphs.h"

#include <QDir>
#include <QPixmap>

// Outside the namespace, as the resource initialiser requires.
static void InitGlyphResources() { Q_INIT_RESOURCE(wpi_glyphs); }

namespace inkwend {

namespace {

void EnsureResources() {
  static bool done = false;
  if (!done) {
    InitGlyphResources();
    done = true;
  }
}

// Splits a strip of two images (normal, disabled) into the icon's modes.
void AddStrip(QIcon& icon, const QString& path, qreal ratio) {
  QPixmap strip(path);
  if (strip.isNull()) return;
  int side = strip.height();
  QPixmap normal = strip.copy(0, 0, side, side);
  normal.setDevicePixelRatio(ratio);
  icon.addPixmap(normal, QIcon::Normal);
  if (strip.width() >= side * 2) {
    QPixmap disabled = strip.copy(side, 0, side, side);
    disabled.setDevicePixelRatio(ratio);
    icon.addPixmap(disabled, QIcon::Disabled);
  }
}

}  // namespace

QIcon WPIGlyph(const QString& icon_name) {
  EnsureResources();
  QString base = QStringLiteral(":/wpi/") + icon_name.toUpper();
  QIcon icon;
  AddStrip(icon, base + QStringLiteral(".png"), 1.0);
  AddStrip(icon, base + QStringLiteral("@2x.png"), 2.0);
  return icon;
}

QStringList WPIGlyphNames() {
  EnsureResources();
  QStringList names;
  for (const QString& f : QDir(QStringLiteral(":/wpi")).entryList(QDir::Files))
    if (!f.contains(QLatin1Char('@'))) names << f.chopped(4);
  return names;
}

}  // namespace inkwend
