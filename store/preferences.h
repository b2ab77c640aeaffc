#pragma once
// The diary's preferences as kept in KW.INI, and the main window placement section.
#include <string>

#include "base/status.h"
#include "store/ini_file.h"

namespace inkwend {

struct Preferences {
  std::string password;  // plain; stored scrambled
  std::string defaultFontName = "Arial";
  int defaultFontSize = 10;  // points
  bool defaultFontBold = false;
  bool defaultFontItalic = false;
  bool defaultFontUnderline = false;
  int defaultFontColor = 0;  // colour value, red in the low byte; negative for system colours
  bool showOpeningMessage = true;
  bool paletteVisible = false;
  std::string iconFile;  // the palette's icon library
  int paletteTop = 0;
  int paletteLeft = 0;
  // Misspelt words are marked as the user types. Stored only once switched off, so that the
  // settings file of a diary that never changed it stays as it was.
  bool markSpelling = true;
};

struct WindowRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// Reads every preference; `programDirectory` ends in "/" and `mainWindow` is the main window's
// rectangle at the moment of reading (the palette position defaults derive from it).
Preferences LoadPreferences(const IniFile& ini, const std::string& program_directory,
                            const WindowRect& main_window);
// Writes every preference into `ini` (in the order of the settings file's sections).
Status SavePreferences(IniFile& ini, const Preferences& prefs);

// The password as the opening prompt reads it: "Security"/"Password", unscrambled.
std::string ReadStoredPassword(const IniFile& ini);

// The window placement section: class name + "_Placement", plus the dpi above 96.
std::string PlacementSection(const std::string& class_name, int dpi);

struct WindowPlacement {
  WindowRect normal;
  bool maximized = false;
};
WindowPlacement ReadWindowPlacement(const IniFile& ini, const std::string& section, bool designed_maximized);
Status WriteWindowPlacement(IniFile& ini, const std::string& section, const WindowPlacement& placement);

// Fits a stored rectangle onto a screen of the given size: right edge, left edge, bottom edge,
// top edge, in that order, keeping width and height.
WindowRect FitOntoScreen(WindowRect r, int screen_width, int screen_height);

}  // namespace inkwend
