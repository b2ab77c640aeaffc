// The configuration report's values and lines, from fixed facts and file texts.
#include "sysinfo/system_facts.h"

#include <gtest/gtest.h>

namespace inkwend {
namespace {

TEST(SystemFacts, ColoursByDepth) {
  const struct {
    int bits;
    uint64_t colors;
  } cases[] = {{1, 2}, {4, 16}, {8, 256}, {15, 32768}, {16, 65535}, {24, 16777216}, {32, 16777216}, {30, 30}};
  for (const auto& c : cases) EXPECT_EQ(ColorCount(c.bits), c.colors) << c.bits;
  EXPECT_EQ(VideoText(1920, 1080, 16, 100, ","), "1920 x 1080 x 65,535 colors; Scale: 100%");
  EXPECT_EQ(VideoText(2560, 1440, 32, 150, "."), "2560 x 1440 x 16.777.216 colors; Scale: 150%");
}

TEST(SystemFacts, FontSizeByDpi) {
  EXPECT_EQ(FontSizeText(96), "Small Fonts in use");
  EXPECT_EQ(FontSizeText(120), "Large Fonts in use");
  EXPECT_EQ(FontSizeText(144), "Custom font size in use");
}

TEST(SystemFacts, ThousandsSeparators) {
  EXPECT_EQ(WithThousands(0, ","), "0");
  EXPECT_EQ(WithThousands(999, ","), "999");
  EXPECT_EQ(WithThousands(1000, ","), "1,000");
  EXPECT_EQ(WithThousands(25275604992, "\xc2\xa0"),
            "25\xc2\xa0"
            "275\xc2\xa0"
            "604\xc2\xa0"
            "992");
}

TEST(SystemFacts, MemoryFromMeminfoInBytesPastFourGigabytes) {
  const MemoryFacts m = ParseMeminfo(
      "MemTotal:       24683716 kB\nMemFree:        18283388 kB\nMemAvailable:   18512787 kB\n"
      "SwapTotal:       2097148 kB\nSwapFree:        1048574 kB\nCommitLimit:    12341856 kB\n"
      "Committed_AS:    1698340 kB\nHugePages_Total:       0\n");
  EXPECT_EQ(m.physicalTotal, 24683716ull * 1024);  // no longer cut to 32 bits
  EXPECT_EQ(m.physicalAvailable, 18512787ull * 1024);
  EXPECT_EQ(m.LoadPercent(), 25);
  EXPECT_EQ(m.swapAvailable, 1048574ull * 1024);
  EXPECT_EQ(m.commitAvailable, (12341856ull - 1698340ull) * 1024);
  // A file it cannot read gives zeros, not a division by zero.
  EXPECT_EQ(ParseMeminfo("").LoadPercent(), 0);
  EXPECT_EQ(ParseMeminfo("MemTotal: lots\n").physicalTotal, 0u);
}

TEST(SystemFacts, SystemAndProcessorTexts) {
  EXPECT_EQ(SystemText("Linux", "6.1.0-13-amd64",
                       "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Linux 6.1.0-13-amd64 (Debian GNU/Linux 12 (bookworm))");
  EXPECT_EQ(SystemText("Linux", "6.6", "NAME=Alpine\n"), "Linux 6.6 (Alpine)");
  EXPECT_EQ(SystemText("Linux", "6.6", ""), "Linux 6.6");
  EXPECT_EQ(ProcessorText("x86_64",
                          "processor\t: 0\nmodel name\t: AMD EPYC\nprocessor\t: 1\nmodel name\t: AMD EPYC\n"),
            "Processor:  x86_64 AMD EPYC (2 processors)");
  EXPECT_EQ(ProcessorText("aarch64", "processor\t: 0\nHardware\t: BCM2835\n"),
            "Processor:  aarch64 BCM2835 (1 processor)");
  EXPECT_EQ(ProcessorText("riscv64", ""), "Processor:  riscv64");
}

TEST(SystemFacts, ReportLines) {
  ReportFacts f;
  f.longDate = "Friday, December 11, 2026";
  f.version = "2.9d";
  f.system = "Linux 6.1 (Debian)";
  f.processor = "Processor:  x86_64 AMD EPYC (2 processors)";
  f.video = "1920 x 1080 x 16,777,216 colors; Scale: 100%";
  f.fontSize = FontSizeText(96);
  f.memory.physicalTotal = 8000;
  f.memory.physicalAvailable = 2000;
  f.userLanguage = "English";
  f.systemLanguage = "German";
  f.userCountry = "US";
  f.systemCountry = "DE";
  f.shortDateFormat = "M/d/yyyy";
  f.longDateFormat = "dddd, MMMM d, yyyy";
  f.shortTimeFormat = "h:mm AP";
  f.longTimeFormat = "h:mm:ss AP t";
  f.defaultFontName = "Arial";
  f.defaultFontSize = 12;
  f.defaultFontItalic = true;
  f.defaultFontColor = 255;
  f.lastIconFile = "/home/me/icons/misc1.icl";
  f.iconShowing = true;
  const std::vector<std::string> expected = {
      "Friday, December 11, 2026",
      "",
      "[Product]",
      "Program:     \tInkwend!",
      "Version:     \t2.9d",
      "",
      "[Environment]",
      "Linux:       \tLinux 6.1 (Debian)",
      "CPU:         \tProcessor:  x86_64 AMD EPYC (2 processors)",
      "Video:       \t1920 x 1080 x 16,777,216 colors; Scale: 100%",
      "Font:        \tSmall Fonts in use",
      "Memory Load: \t75",
      "Phys Memory: \tTotal: 8,000;    Available: 2,000",
      "Swap Space:  \tTotal: 0;    Available: 0",
      "Commit Limit:\tTotal: 0;    Available: 0",
      "Language:    \tUser: English;    System: German",
      "Country:     \tUser: US;    System: DE",
      "Date Format: \tShort: M/d/yyyy;    Long: dddd, MMMM d, yyyy",
      "Time Format: \tShort: h:mm AP;    Long: h:mm:ss AP t",
      "",
      "[KW.INI]",
      "",
      "DeFFont      \tArial,12,0,1,0,255",
      "LastIconFile:\t/home/me/icons/misc1.icl",
      "IconShowing :\t1",
  };
  EXPECT_EQ(ReportLines(f), expected);
  // Every label is as wide as the others, so the values line up after the tab.
  for (const std::string& line : expected) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      EXPECT_EQ(tab, 13u) << line;
    }
  }
}

}  // namespace
}  // namespace inkwend
