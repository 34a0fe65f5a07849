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

class SettingsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    SetLogSink([](const std::string& line) { gMessages.push_back(line); });
  }
  void TearDown() override { SetLogSink(nullptr); }

  static Settings Read(const std::string& text) {
    Settings s;
    s.LoadFromText(text);
    return s;
  }
};

TEST_F(SettingsReaderTest, EmptyTextGivesTheDefaultsAndReadingAgainReplacesEverything) {
  Settings s = Read("");
  EXPECT_EQ(s.worldSizeX, 100);
  EXPECT_FLOAT_EQ(s.worldStepSize, 0.2f);
  EXPECT_EQ(s.resolutionFullscreen, 1);
  EXPECT_STREQ(s.skyBoxTexture, "");
  EXPECT_EQ(s.mouseSpeed, 5);             // Mouse/Speed is an integer...
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.5f);   // ...Motion/Speed a float
  EXPECT_FLOAT_EQ(s.viewDepth, 7.5f);
  EXPECT_EQ(s.viewSizeOfViewer, 0.0f);    // "0.0", not the viewer's own 0.075
  EXPECT_TRUE(gMessages.empty());

  s.LoadFromText("[Weapon]\nModel=a/very/long/name.md2\n[Mouse]\nSpeed=9\n");
  s.LoadFromText("[Weapon]\nModel=b\n");
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(std::memcmp(s.weaponModel, "b\0\0\0", 4), 0);  // no tail of the longer name
}

TEST_F(SettingsReaderTest, NumbersReadLikeTheProfileReaderAndStrtod) {
  const struct { const char* value; int expected; } ints[] = {
      {"12abc", 12}, {"-3", -3}, {"abc", 0}, {"", 0}, {"010", 10}, {" 7", 7}, {"0x10", 0},
      {"2.9", 2}, {"-2147483648", -2147483647 - 1}, {"12345678901234567890", 2147483647}};
  for (const auto& c : ints) EXPECT_EQ(Read(std::string("[Mouse]\nSpeed=") + c.value).mouseSpeed, c.expected) << c.value;

  // 40 characters: only the first 31 are converted, so the exponent is lost.
  const std::string forty = "1" + std::string(29, '0') + "0e-30" + std::string(5, '0');
  const struct { std::string value; float expected; } floats[] = {
      {"0.8", 0.8f}, {"", 0.0f}, {"1,5", 1.0f}, {"0x1p4", 16.0f}, {"0", 0.0f}, {"2000", 2000.0f}, {forty, 1e30f}};
  for (const auto& c : floats) EXPECT_FLOAT_EQ(Read("[World]\nStepSize=" + c.value).worldStepSize, c.expected) << c.value;
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(SettingsReaderTest, NonFiniteFloatsTakeTheDefaultWithOneMessage) {
  Settings s = Read("[Motion]\nSpeed=nan\nSlowdown=inf\nJumpForce=1e999\n[View]\nDepth=-1e39\n[Trees]\nSize=1e38\n");
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.5f);
  EXPECT_FLOAT_EQ(s.viewDepth, 7.5f);
  EXPECT_FLOAT_EQ(s.treesSize, 1e38f);  // large but a float
  ASSERT_EQ(gMessages.size(), 4u);
  EXPECT_EQ(gMessages[1], "quillmarsh: settings: Motion/Speed: \"nan\" is not a finite number; using the default 0.5");
}

TEST_F(SettingsReaderTest, PathsAreKeptUpTo259CharactersAndUnquoted) {
  const std::string kept(259, 'k');
  Settings s = Read("[SkyBox]\nTexture=" + kept + "\n[Font]\nFilename=" + std::string(259, 'a') + "TAIL" +
                    "\n[Weapon]\nModel=  gfx/My Gun.md2  \nSkin=\"gfx/skin.bmp\"\n");
  EXPECT_EQ(std::string(s.skyBoxTexture), kept);
  EXPECT_EQ(std::string(s.fontFilename), std::string(259, 'a'));
  EXPECT_STREQ(s.weaponModel, "gfx/My Gun.md2");
  EXPECT_STREQ(s.weaponSkin, "gfx/skin.bmp");
}

TEST_F(SettingsReaderTest, NamesMatchWithoutCaseFirstWinsAndSectionsStayApart) {
  Settings s = Read("[mOUSE]\nSPEED=3\nspeed=4\n[Motion]\nspeed=0.8\n"
                    "[Mouse]\nInvert=1\n"  // a second Mouse section is never read
                    "[Resolution]\nwidth = 640\nWidth=800\n");
  EXPECT_EQ(s.mouseSpeed, 3);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.8f);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_EQ(s.resolutionWidth, 640);
}

TEST_F(SettingsReaderTest, CommentsAndMalformedLinesAreIgnored) {
  Settings s = Read("Speed=9\n[Mouse]\n; Speed=1\n   ;Invert=1\nSpeed\n=7\n  Speed  =  6  ; not a comment\n"
                    "[Motion\nSpeed=0.9\n[ View ] trailing\nFOV=60\n[]\nFOV=10\n");
  EXPECT_EQ(s.mouseSpeed, 6);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.9f);  // an unclosed header still names its section
  EXPECT_EQ(s.viewFOV, 60);
}

TEST_F(SettingsReaderTest, LineEndingsByteOrderMarkAndNulReadAlike) {
  const std::string lines[] = {"[World]", "StepSize=0.4", "HeightmapFile=gfx/h.bmp", "[Mouse]", "Speed=3"};
  std::string unix, windows = "\xEF\xBB\xBF", mac, nul;
  for (const std::string& line : lines) {
    unix += line + "\n";
    windows += line + "\r\n";
    mac += line + "\r";
    nul += line + std::string(1, '\0') + "7\n";  // a NUL ends its line's content only
  }
  for (const std::string& text : {unix, windows, mac, nul, unix.substr(0, unix.size() - 1)}) {
    Settings s = Read(text);
    EXPECT_FLOAT_EQ(s.worldStepSize, 0.4f);
    EXPECT_EQ(std::memcmp(s.worldHeightmapFile, "gfx/h.bmp\0\0", 11), 0);
    EXPECT_EQ(s.mouseSpeed, 3);
  }
  // The tail of a very long line is never read as a line of its own.
  Settings s = Read("[Mouse]\nInvert=" + std::string(300, 'x') + "Speed=8\nJunk=" + std::string(70000, ' ') +
                    "[Motion]\n[Trees]\nCount=4\n");
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(s.treesCount, 4);
}

TEST_F(SettingsReaderTest, GermanLocaleStillReadsAPoint) {
  // An installed German locale, or one built privately from the locale sources.
  TempDir localeDir;
  bool found = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8") ||
               std::setlocale(LC_ALL, "de_DE");
  if (!found && std::system(("localedef -i de_DE -f UTF-8 " + localeDir.File("de_DE.UTF-8") + " >/dev/null 2>&1")
                                .c_str()) != -1) {
    setenv("LOCPATH", localeDir.path().c_str(), 1);
    found = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  if (!found) {
    unsetenv("LOCPATH");
    GTEST_SKIP() << "no German locale is installed and none could be generated";
  }
  const double plain = std::strtod("0.2", nullptr);  // proves the locale really uses a comma
  Settings s = Read("[World]\nStepSize=0.2\n[Motion]\nSpeed=1,5\n");
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  EXPECT_EQ(plain, 0.0);
  EXPECT_FLOAT_EQ(s.worldStepSize, 0.2f);
  EXPECT_FLOAT_EQ(s.motionSpeed, 1.0f);
}

}  // namespace
