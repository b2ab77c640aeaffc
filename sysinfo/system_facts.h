#pragma once
// The configuration report: the facts about the program, the system, the machine and the
// diary's settings that a user passes on when asking for help, and the report's lines made from
// them. Facts come in as plain values and file texts (uname, /etc/os-release, /proc/cpuinfo,
// /proc/meminfo), so the lines can be checked without the machine they describe.
//
//   ReportFacts facts = ...;              // see sysinfo/configuration_info.h for the real ones
//   for (const std::string& line : ReportLines(facts)) Show(line);
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwend {

// Writes a whole number with a separator between groups of three digits ("16,777,216").
std::string WithThousands(uint64_t value, std::string_view separator);

// "Linux 6.1.0-13-amd64 (Debian GNU/Linux 12 (bookworm))": the kernel from uname and the
// distribution's PRETTY_NAME (else NAME) from the text of /etc/os-release, when there is one.
std::string SystemText(std::string_view kernel_name, std::string_view kernel_release,
                       std::string_view os_release);

// "Processor:  x86_64 AMD EPYC (2 processors)": the machine from uname, then the first model
// name of /proc/cpuinfo (or its Hardware line, as ARM boards have) and how many processors it
// lists.
std::string ProcessorText(std::string_view machine, std::string_view cpuinfo);

// Colours a screen shows at a depth of bits per pixel (16 bits count 65535, as reports always
// have said; 24 and 32 bits 16777216).
uint64_t ColorCount(int bits_per_pixel);
// "1920 x 1080 x 16,777,216 colors; Scale: 125%"
std::string VideoText(int width, int height, int bits_per_pixel, int scale_percent,
                      std::string_view separator);

// "Small Fonts in use" at 96 pixels per inch, "Large Fonts in use" at 120, else "Custom font size in use".
std::string FontSizeText(int dpi);

// Memory figures in bytes, from /proc/meminfo.
struct MemoryFacts {
  uint64_t physicalTotal = 0;
  uint64_t physicalAvailable = 0;
  uint64_t swapTotal = 0;
  uint64_t swapAvailable = 0;
  uint64_t commitLimit = 0;      // what may be promised to programs
  uint64_t commitAvailable = 0;  // of it, not promised yet
  int LoadPercent() const;       // physical memory in use
};
// Lines it lacks leave their figures 0; the kB unit of the file is taken into bytes.
MemoryFacts ParseMeminfo(std::string_view meminfo);

// What the report shows, gathered by the caller.
struct ReportFacts {
  std::string longDate;   // today in the locale's long date format
  std::string version;    // the program's version
  std::string system;     // SystemText
  std::string processor;  // ProcessorText
  std::string video;      // VideoText
  std::string fontSize;   // FontSizeText
  MemoryFacts memory;
  std::string thousandsSeparator = ",";
  std::string userLanguage, systemLanguage;
  std::string userCountry, systemCountry;  // abbreviated: "US"
  std::string shortDateFormat, longDateFormat;
  std::string shortTimeFormat, longTimeFormat;
  // From KW.INI (never the password).
  std::string defaultFontName;
  int defaultFontSize = 10;
  bool defaultFontBold = false, defaultFontItalic = false, defaultFontUnderline = false;
  int defaultFontColor = 0;
  std::string lastIconFile;
  bool iconShowing = false;
};

// The report line by line. The labels are padded so that the values after the tab line up in a
// fixed-pitch font.
std::vector<std::string> ReportLines(const ReportFacts& facts);

}  // namespace inkwend
