#include "sysinfo/system_facts.h"

#include <charconv>

namespace inkwend {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Calls `line(key, value)` for every "key<sep>value" line of a text.
template <typename F>
void ForEachPair(std::string_view text, char separator, F&& line) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view one = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t at = one.find(separator);
    if (at != std::string_view::npos) line(Trim(one.substr(0, at)), Trim(one.substr(at + 1)));
  }
}

std::string_view Unquoted(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::string Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::string WithThousands(uint64_t value, std::string_view separator) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string SystemText(std::string_view kernel_name, std::string_view kernel_release,
                       std::string_view os_release) {
  std::string pretty, name;
  ForEachPair(os_release, '=', [&](std::string_view key, std::string_view value) {
    if (key == "PRETTY_NAME") pretty = Unquoted(value);
    if (key == "NAME") name = Unquoted(value);
  });
  std::string text = std::string(kernel_name) + " " + std::string(kernel_release);
  const std::string& distribution = pretty.empty() ? name : pretty;
  if (!distribution.empty()) text += " (" + distribution + ")";
  return text;
}

std::string ProcessorText(std::string_view machine, std::string_view cpuinfo) {
  std::string model;
  int count = 0;
  ForEachPair(cpuinfo, ':', [&](std::string_view key, std::string_view value) {
    if (key == "processor") ++count;
    if (model.empty() && (key == "model name" || key == "Hardware" || key == "cpu model")) model = value;
  });
  std::string text = "Processor:  " + std::string(machine);
  if (!model.empty()) text += " " + model;
  if (count > 0) text += " (" + std::to_string(count) + (count == 1 ? " processor)" : " processors)");
  return text;
}

uint64_t ColorCount(int bits_per_pixel) {
  switch (bits_per_pixel) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    case 15:
      return 32768;
    case 16:
      return 65535;
    case 24:
    case 32:
      return 16777216;
    default:
      return bits_per_pixel < 0 ? 0 : static_cast<uint64_t>(bits_per_pixel);
  }
}

std::string VideoText(int width, int height, int bits_per_pixel, int scale_percent,
                      std::string_view separator) {
  return std::to_string(width) + " x " + std::to_string(height) + " x " +
         WithThousands(ColorCount(bits_per_pixel), separator) +
         " colors; Scale: " + std::to_string(scale_percent) + "%";
}

std::string FontSizeText(int dpi) {
  if (dpi == 96) return "Small Fonts in use";
  if (dpi == 120) return "Large Fonts in use";
  return "Custom font size in use";
}

int MemoryFacts::LoadPercent() const {
  if (physicalTotal == 0 || physicalAvailable > physicalTotal) return 0;
  return static_cast<int>((physicalTotal - physicalAvailable) * 100 / physicalTotal);
}

MemoryFacts ParseMeminfo(std::string_view meminfo) {
  MemoryFacts m;
  uint64_t committed = 0;
  ForEachPair(meminfo, ':', [&](std::string_view key, std::string_view value) {
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc()) return;
    if (Trim(std::string_view(end, static_cast<size_t>(value.data() + value.size() - end))) == "kB")
      number *= 1024;
    if (key == "MemTotal") m.physicalTotal = number;
    if (key == "MemAvailable") m.physicalAvailable = number;
    if (key == "SwapTotal") m.swapTotal = number;
    if (key == "SwapFree") m.swapAvailable = number;
    if (key == "CommitLimit") m.commitLimit = number;
    if (key == "Committed_AS") committed = number;
  });
  m.commitAvailable = committed < m.commitLimit ? m.commitLimit - committed : 0;
  return m;
}

std::vector<std::string> ReportLines(const ReportFacts& f) {
  const std::string& sep = f.thousandsSeparator;
  auto pair = [&](uint64_t total, uint64_t available) {
    return "Total: " + WithThousands(total, sep) + ";    Available: " + WithThousands(available, sep);
  };
  return {
      f.longDate,
      "",
      "[Product]",
      "Program:     \tInkwend!",
      "Version:     \t" + f.version,
      "",
      "[Environment]",
      "Linux:       \t" + f.system,
      "CPU:         \t" + f.processor,
      "Video:       \t" + f.video,
      "Font:        \t" + f.fontSize,
      "Memory Load: \t" + std::to_string(f.memory.LoadPercent()),
      "Phys Memory: \t" + pair(f.memory.physicalTotal, f.memory.physicalAvailable),
      "Swap Space:  \t" + pair(f.memory.swapTotal, f.memory.swapAvailable),
      "Commit Limit:\t" + pair(f.memory.commitLimit, f.memory.commitAvailable),
      "Language:    \tUser: " + f.userLanguage + ";    System: " + f.systemLanguage,
      "Country:     \tUser: " + f.userCountry + ";    System: " + f.systemCountry,
      "Date Format: \tShort: " + f.shortDateFormat + ";    Long: " + f.longDateFormat,
      "Time Format: \tShort: " + f.shortTimeFormat + ";    Long: " + f.longTimeFormat,
      "",
      "[KW.INI]",
      "",
      "DeFFont      \t" + f.defaultFontName + "," + std::to_string(f.defaultFontSize) + "," +
          Flag(f.defaultFontBold) + "," + Flag(f.defaultFontItalic) + "," + Flag(f.defaultFontUnderline) +
          "," + std::to_string(f.defaultFontColor),
      "LastIconFile:\t" + f.lastIconFile,
      "IconShowing :\t" + Flag(f.iconShowing),
  };
}

}  // namespace inkwend
