// Settings files of any content: reading every key the diary uses and writing one must
// neither crash nor lose a byte of what was there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/ini_file.h"
#include "store/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  inkwend::IniFile ini(bytes);
  const inkwend::Preferences prefs = inkwend::LoadPreferences(ini, "/d/", {0, 0, 640, 480});
  (void)inkwend::ReadWindowPlacement(ini, "TMainScreen_Placement", false);
  if (ini.Bytes() != bytes) std::abort();
  if (inkwend::SavePreferences(ini, prefs).IsOk()) {
    // Everything written reads back.
    const inkwend::IniFile again(ini.Bytes());
    const inkwend::Preferences back = inkwend::LoadPreferences(again, "/d/", {0, 0, 640, 480});
    if (back.defaultFontName != prefs.defaultFontName.substr(0, inkwend::IniFile::kMaxValueLength) ||
        back.defaultFontSize != prefs.defaultFontSize || back.paletteTop != prefs.paletteTop)
      std::abort();
  }
  return 0;
}
