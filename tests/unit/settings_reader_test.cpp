// The settings reader on in-memory text: defaults, number quirks, matching rules,
// malformed lines and the bytes of files written on other systems.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log/log.h"
#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;

// Fresh settings read from `text`, with the messages of the read in gMessages.
Settings Read(const std::string& text) {
  gMessages.clear();
  SetLogSink([](const std::string& line) { gMessages.push_back(line); });
  Settings s;
  s.LoadFromText(text);
  return s;
}

TEST(SettingsReaderTest, EmptyTextGivesTheDefaultsAndReadingAgainReplacesEverything) {
  Settings s = Read("");
  // Mouse/Speed is an integer, Motion/Speed a float; View/SizeOfViewer is 0, not the viewer's own 0.075.
  EXPECT_TRUE(s.worldSizeX == 100 && s.resolutionFullscreen == 1 && s.skyBoxTexture[0] == '\0' && s.mouseSpeed == 5);
  EXPECT_TRUE(s.motionSpeed == 0.5f && s.worldStepSize == 0.2f && s.viewDepth == 7.5f && s.sunlightDiffuse == 0.75f &&
              s.viewSizeOfViewer == 0.0f);
  s.LoadFromText("[Weapon]\nModel=a/very/long/name.md2\n[Mouse]\nSpeed=9\n");
  s.LoadFromText("[Weapon]\nModel=b\n");
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(std::memcmp(s.weaponModel, "b\0\0\0", 4), 0);  // no tail of the longer name
  EXPECT_TRUE(gMessages.empty());
}

TEST(SettingsReaderTest, NumbersReadLikeTheProfileReaderAndStrtodAndAreFinite) {
  const struct { const char* value; int expected; } ints[] = {
      {"12abc", 12}, {"-3", -3}, {"abc", 0}, {"", 0}, {"010", 10}, {"0x10", 0},
      {"2.9", 2}, {"-2147483648", -2147483647 - 1}, {"12345678901234567890", 2147483647}};
  for (const auto& c : ints) EXPECT_EQ(Read(std::string("[Mouse]\nSpeed=") + c.value).mouseSpeed, c.expected) << c.value;
  // 40 characters: only the first 31 are converted, so the exponent is lost.
  const std::string forty = "1" + std::string(29, '0') + "0e-30" + std::string(5, '0');
  const struct { std::string value; float expected; } floats[] = {
      {"0.8", 0.8f}, {"", 0.0f}, {"1,5", 1.0f}, {"0x1p4", 16.0f}, {"2000", 2000.0f}, {forty, 1e30f}};
  for (const auto& c : floats) EXPECT_FLOAT_EQ(Read("[World]\nStepSize=" + c.value).worldStepSize, c.expected) << c.value;
  EXPECT_TRUE(gMessages.empty());
  // A value that is no finite float takes the default, with one message each.
  Settings s = Read("[Motion]\nSpeed=nan\nSlowdown=inf\nJumpForce=1e999\n[View]\nDepth=-1e39\n[Trees]\nSize=1e38\n");
  EXPECT_TRUE(s.motionSpeed == 0.5f && s.viewDepth == 7.5f && s.treesSize == 1e38f);  // 1e38: large but a float
  ASSERT_EQ(gMessages.size(), 4u);
  EXPECT_EQ(gMessages[1], "quillmarsh: settings: Motion/Speed: \"nan\" is not a finite number; using the default 0.5");
}

TEST(SettingsReaderTest, SectionsKeysAndValuesMatchTheProfileReader) {
  // Mouse/Speed: before any section, a comment, then the first of two; a second Mouse
  // section is never read; an unclosed header still names its section.
  const std::string kept(259, 'k');
  Settings s = Read("Speed=9\n[mOUSE]\n; Speed=1\nSPEED = 3 \nspeed=4\n[Motion\nspeed=0.8\n[Mouse]\nInvert=1\n"
                    "[ View ] trailing\nFOV=60\n[SkyBox]\nTexture=" + kept + "TAIL\n[Weapon]\nModel=  gfx/My Gun.md2  \n"
                    "Skin=\"gfx/skin.bmp\"\n");
  EXPECT_TRUE(s.mouseSpeed == 3 && s.mouseInvert == 0 && s.motionSpeed == 0.8f && s.viewFOV == 60);
  EXPECT_EQ(std::string(s.skyBoxTexture) + "|" + s.weaponModel + "|" + s.weaponSkin,
            kept + "|gfx/My Gun.md2|gfx/skin.bmp");
}

TEST(SettingsReaderTest, LineEndingsByteOrderMarkAndNulReadAlike) {
  std::string unix, windows = "\xEF\xBB\xBF", mac, nul;
  for (std::string line : {"[World]", "StepSize=0.4", "HeightmapFile=gfx/h.bmp", "[Mouse]", "Speed=3"}) {
    unix += line + "\n";
    windows += line + "\r\n";
    mac += line + "\r";
    nul += line + std::string(1, '\0') + "7\n";  // a NUL ends its line's content only
  }
  for (const std::string& text : {unix, windows, mac, nul, unix.substr(0, unix.size() - 1)}) {
    Settings s = Read(text);
    EXPECT_TRUE(s.worldStepSize == 0.4f && s.mouseSpeed == 3);
    EXPECT_EQ(std::memcmp(s.worldHeightmapFile, "gfx/h.bmp\0\0", 11), 0);
  }
}

TEST(SettingsReaderTest, GermanLocaleStillReadsAPoint) {
  TempDir dir;  // a German locale built privately, so that none needs to be installed
  const std::string command = "localedef -i de_DE -f UTF-8 " + dir.File("de_DE.UTF-8") + " >/dev/null 2>&1";
  const int built = std::system(command.c_str());
  setenv("LOCPATH", dir.path().c_str(), 1);
  // The locale must really use a decimal comma for the test to mean anything.
  const bool german = built == 0 && std::setlocale(LC_ALL, "de_DE.UTF-8") && std::strtod("0.2", nullptr) == 0.0;
  Settings s = Read("[World]\nStepSize=0.2\n[Motion]\nSpeed=1,5\n");
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  if (!german) GTEST_SKIP() << "no German locale could be built";
  EXPECT_TRUE(s.worldStepSize == 0.2f && s.motionSpeed == 1.0f);
}

}  // namespace
