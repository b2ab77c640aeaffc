#include "store/preferences.h"

#include "store/cipher.h"

namespace inkwend {
namespace {

constexpr char kSecurity[] = "Security";
constexpr char kDefaultFont[] = "Default Font";
constexpr char kOpeningScreen[] = "Opening Screen";
constexpr char kIcons[] = "Icons";
constexpr char kSpelling[] = "Spelling";
constexpr char kMarkAsYouType[] = "MarkAsYouType";

// A text value that holds a NUL is damaged: it could never be written back (a settings line
// holds none), and a name cut there names nothing meant. The default stands in for it, so that
// every later save of the preferences still succeeds.
std::string ReadText(const IniFile& ini, std::string_view section, std::string_view key,
                     const std::string& def) {
  std::string value = ini.ReadString(section, key, def);
  return value.find('\0') == std::string::npos ? value : def;
}

}  // namespace

std::string ReadStoredPassword(const IniFile& ini) {
  const std::string stored = ini.ReadString(kSecurity, "Password", "");
  return stored.empty() ? stored : Decryptstring(stored);
}

Preferences LoadPreferences(const IniFile& ini, const std::string& program_directory,
                            const WindowRect& main_window) {
  Preferences p;
  p.password = ReadStoredPassword(ini);
  p.defaultFontName = ReadText(ini, kDefaultFont, "Name", "Arial");
  p.defaultFontSize = ini.ReadInteger(kDefaultFont, "Size", 10);
  p.defaultFontBold = ini.ReadBool(kDefaultFont, "Bold", false);
  p.defaultFontItalic = ini.ReadBool(kDefaultFont, "Italic", false);
  p.defaultFontUnderline = ini.ReadBool(kDefaultFont, "Underline", false);
  p.defaultFontColor = ini.ReadInteger(kDefaultFont, "Color", 0);
  p.showOpeningMessage = ini.ReadBool(kOpeningScreen, "show", true);
  p.iconFile = ReadText(ini, kIcons, "File", program_directory + "icons/misc1.icl");
  p.paletteVisible = ini.ReadBool(kIcons, "Visible", false);
  p.paletteTop = ini.ReadInteger(kIcons, "Top", main_window.top + 100);
  p.paletteLeft = ini.ReadInteger(kIcons, "Left", main_window.left + main_window.width() - 200);
  p.markSpelling = ini.ReadBool(kSpelling, kMarkAsYouType, true);
  return p;
}

Status SavePreferences(IniFile& ini, const Preferences& p) {
  // Checked first so that a password that cannot be stored leaves the file as it was.
  Status s =
      ini.WriteString(kSecurity, "Password", p.password.empty() ? std::string() : EncryptString(p.password));
  if (!s.IsOk())
    return Status::Error(
        "The password cannot be stored in the settings file. Please choose another password.");
  for (Status step :
       {ini.WriteString(kDefaultFont, "Name", p.defaultFontName),
        ini.WriteInteger(kDefaultFont, "Size", p.defaultFontSize),
        ini.WriteBool(kDefaultFont, "Bold", p.defaultFontBold),
        ini.WriteBool(kDefaultFont, "Italic", p.defaultFontItalic),
        ini.WriteBool(kDefaultFont, "Underline", p.defaultFontUnderline),
        ini.WriteInteger(kDefaultFont, "Color", p.defaultFontColor),
        ini.WriteBool(kOpeningScreen, "show", p.showOpeningMessage),
        ini.WriteBool(kIcons, "Visible", p.paletteVisible), ini.WriteString(kIcons, "File", p.iconFile),
        ini.WriteInteger(kIcons, "Top", p.paletteTop), ini.WriteInteger(kIcons, "Left", p.paletteLeft)}) {
    if (!step.IsOk()) return step;
  }
  if (!p.markSpelling || ini.Find(kSpelling, kMarkAsYouType))
    return ini.WriteBool(kSpelling, kMarkAsYouType, p.markSpelling);
  return Status::Ok();
}

std::string PlacementSection(const std::string& class_name, int dpi) {
  std::string section = class_name + "_Placement";
  if (dpi > 96) section += std::to_string(dpi);
  return section;
}

WindowPlacement ReadWindowPlacement(const IniFile& ini, const std::string& section, bool designed_maximized) {
  WindowPlacement p;
  p.normal.left = ini.ReadInteger(section, "Left", 0);
  p.normal.top = ini.ReadInteger(section, "Top", 0);
  p.normal.right = ini.ReadInteger(section, "Right", 0);
  p.normal.bottom = ini.ReadInteger(section, "Bottom", 0);
  p.maximized = ini.ReadBool(section, "Maximized", designed_maximized);
  return p;
}

Status WriteWindowPlacement(IniFile& ini, const std::string& section, const WindowPlacement& p) {
  for (Status step :
       {ini.WriteInteger(section, "Left", p.normal.left), ini.WriteInteger(section, "Top", p.normal.top),
        ini.WriteInteger(section, "Right", p.normal.right),
        ini.WriteInteger(section, "Bottom", p.normal.bottom),
        ini.WriteBool(section, "Maximized", p.maximized)}) {
    if (!step.IsOk()) return step;
  }
  return Status::Ok();
}

WindowRect FitOntoScreen(WindowRect r, int screen_width, int screen_height) {
  if (r.right > screen_width) {
    r.left -= r.right - screen_width;
    r.right = screen_width;
  }
  if (r.left < 0) {
    const int shift = -r.left + 1;
    r.left += shift;
    r.right += shift;
  }
  if (r.bottom > screen_height) {
    r.top -= r.bottom - screen_height;
    r.bottom = screen_height;
  }
  if (r.top < 0) {
    const int shift = -r.top + 1;
    r.top += shift;
    r.bottom += shift;
  }
  return r;
}

}  // namespace inkwend
