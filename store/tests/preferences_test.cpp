#include "store/preferences.h"

#include <gtest/gtest.h>

#include "store/cipher.h"

namespace inkwend {
namespace {

const WindowRect kMain{100, 50, 740, 530};

TEST(Preferences, DefaultsWithoutSettingsFile) {
  const Preferences p = LoadPreferences(IniFile(), "/diary/", kMain);
  EXPECT_EQ(p.password, "");
  EXPECT_EQ(p.defaultFontName, "Arial");
  EXPECT_EQ(p.defaultFontSize, 10);
  EXPECT_FALSE(p.defaultFontBold || p.defaultFontItalic || p.defaultFontUnderline);
  EXPECT_EQ(p.defaultFontColor, 0);
  EXPECT_TRUE(p.showOpeningMessage);
  EXPECT_FALSE(p.paletteVisible);
  EXPECT_EQ(p.iconFile, "/diary/icons/misc1.icl");
  EXPECT_EQ(p.paletteTop, 150);
  EXPECT_EQ(p.paletteLeft, 100 + 640 - 200);
}

TEST(Preferences, FirstSaveWritesEverySectionInOrder) {
  IniFile ini;
  ASSERT_TRUE(SavePreferences(ini, LoadPreferences(ini, "/d/", kMain)).IsOk());
  EXPECT_EQ(ini.Bytes(),
            "[Security]\r\nPassword=\r\n\r\n"
            "[Default Font]\r\nName=Arial\r\nSize=10\r\nBold=0\r\nItalic=0\r\nUnderline=0\r\nColor=0\r\n\r\n"
            "[Opening Screen]\r\nshow=1\r\n\r\n"
            "[Icons]\r\nVisible=0\r\nFile=/d/icons/misc1.icl\r\nTop=150\r\nLeft=540\r\n");
}

TEST(Preferences, ValuesRoundTripAndOddValuesRead) {
  IniFile ini("[Default Font]\r\nSize=0x0C\r\nBold=2\r\nColor=-16777201\r\n[Opening Screen]\r\nshow=0\r\n");
  Preferences p = LoadPreferences(ini, "/d/", kMain);
  EXPECT_EQ(p.defaultFontSize, 12);
  EXPECT_TRUE(p.defaultFontBold);
  EXPECT_EQ(p.defaultFontColor, -16777201);
  EXPECT_FALSE(p.showOpeningMessage);
  p.password = "Secret";
  ASSERT_TRUE(SavePreferences(ini, p).IsOk());
  EXPECT_EQ(ini.ReadString("Default Font", "Bold", ""), "1");
  EXPECT_EQ(ini.ReadString("Security", "Password", ""), EncryptString("Secret"));
  EXPECT_EQ(ReadStoredPassword(ini), "Secret");
  const Preferences back = LoadPreferences(ini, "/d/", kMain);
  EXPECT_EQ(back.password, "Secret");
  EXPECT_EQ(back.defaultFontColor, -16777201);
}

// A NUL inside a stored name could never be written back: every save of the preferences (at each
// start and exit) would fail. Such a name is damaged, and the default stands in for it.
TEST(Preferences, NamesHoldingANulFallBackToTheirDefaults) {
  const std::string bytes =
      std::string("[Default Font]\r\nName=Ar\0ial\r\nSize=12\r\n[Icons]\r\nFile=a\0b.icl\r\n", 61);
  ASSERT_NE(bytes.find('\0'), std::string::npos);
  IniFile ini(bytes);
  const Preferences p = LoadPreferences(ini, "/d/", kMain);
  EXPECT_EQ(p.defaultFontName, "Arial");
  EXPECT_EQ(p.defaultFontSize, 12);  // the rest of the section is read as usual
  EXPECT_EQ(p.iconFile, "/d/icons/misc1.icl");
  ASSERT_TRUE(SavePreferences(ini, p).IsOk());
  EXPECT_EQ(ini.Bytes().find('\0'), std::string::npos);
  EXPECT_EQ(ini.ReadString("Default Font", "Name", ""), "Arial");
}

TEST(Preferences, PasswordThatCannotBeStoredLeavesSettingsAlone) {
  // 0xA6 + 4 at an odd position scrambles to a line feed (0xAA - 4 + 100 = 0x10A).
  IniFile ini("[Security]\r\nPassword=\r\n");
  Preferences p;
  p.password =
      "\xAA"
      "bcd";
  ASSERT_NE(EncryptString(p.password).find('\n'), std::string::npos);
  EXPECT_FALSE(SavePreferences(ini, p).IsOk());
  EXPECT_EQ(ini.Bytes(), "[Security]\r\nPassword=\r\n");
}

TEST(WindowPlacement, SectionNameAndFitting) {
  EXPECT_EQ(PlacementSection("TMainScreen", 96), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSection("TMainScreen", 120), "TMainScreen_Placement120");
  struct Case {
    WindowRect stored, expected;
  } cases[] = {
      {{-50, 10, 750, 500}, {1, 10, 801, 500}},      // left of the screen
      {{0, 10, 1200, 500}, {1, 10, 1201, 500}},      // wider than the screen: right, then left
      {{100, 700, 600, 900}, {100, 568, 600, 768}},  // below the screen
      {{100, -20, 600, 300}, {100, 1, 600, 321}},   {{10, 10, 500, 400}, {10, 10, 500, 400}},
  };
  for (const Case& c : cases) {
    const WindowRect r = FitOntoScreen(c.stored, 1024, 768);
    EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
              std::tie(c.expected.left, c.expected.top, c.expected.right, c.expected.bottom));
  }
}

TEST(WindowPlacement, RoundTrip) {
  IniFile ini;
  ASSERT_TRUE(WriteWindowPlacement(ini, "TMainScreen_Placement", {{1, 2, 3, 4}, true}).IsOk());
  EXPECT_EQ(ini.Bytes(),
            "[TMainScreen_Placement]\r\nLeft=1\r\nTop=2\r\nRight=3\r\nBottom=4\r\nMaximized=1\r\n");
  const WindowPlacement p = ReadWindowPlacement(ini, "tmainscreen_placement", false);
  EXPECT_EQ(p.normal.bottom, 4);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(ReadWindowPlacement(IniFile(), "TMainScreen_Placement", false).normal.bottom, 0);
}

}  // namespace
}  // namespace inkwend
