#pragma once
// The formatting toolbar's keyboard shortcuts and the English hints of its icons.
#include <QStringList>

class QWidget;

namespace inkwend {

class WPToolBar;

// Ctrl+B, Ctrl+I and Ctrl+U toggle bold, italic and underline, and Ctrl+L, Ctrl+E and Ctrl+J
// align left, centred and justified, anywhere in `window`, each by clicking the toolbar's own
// button, so that the keys do exactly what the buttons do and the toolbar shows the state.
// (Ctrl+R stays with "Replace in Current Entry", so right alignment has no key.)
void AddFormatShortcuts(QWidget& window, WPToolBar& toolbar);

// "WPI_name=hint" lines for every icon the toolbar knows, in plain English.
QStringList EnglishToolbarHints();

}  // namespace inkwend
