#pragma once
// The main window's placement in KW.INI, and centring of windows.
#include <QSize>
#include <QString>

class QWidget;

namespace inkwend {

// Section name for a window class at the screen's dpi ("TMainScreen_Placement", "...120").
QString PlacementSectionFor(const QString& class_name, const QWidget& window);

// Writes the window's normal rectangle and maximised state. Returns an error text or empty.
QString SaveWindowPlacement(const QWidget& window, const QString& class_name);
// Restores the stored placement, fitted onto the screen, and saves it right away. With none
// stored the window takes DefaultWindowSize, centred. Returns an error text or empty.
QString RestoreWindowPlacement(QWidget& window, const QString& class_name, int minimum_width = 0);

// The first window's size on a screen with that available area: two thirds of it, at least
// `minimum_width` wide (what the toolbar needs in one row) and the designed 622 x 402, never
// more than the area.
QSize DefaultWindowSize(const QSize& available, int minimum_width);

// Centres the main window on the screen, any other window over the main window (or on the
// screen when the main window is maximised). `mainWindow` may be null.
void CenterForm(QWidget& window, const QWidget* main_window, bool is_main_window);

}  // namespace inkwend
