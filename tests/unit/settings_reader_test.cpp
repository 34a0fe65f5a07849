// The settings reader on in-memory text: defaults, number quirks, matching rules,
// malformed lines and the bytes of files written on other systems.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;
void Catch(const std::string& line) { gMessages.push_back(line); }

class SettingsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    SetSettingsMessageSink(Catch);
  }
  void TearDown() override { SetSettingsMessageSink(nullptr); }

  Settings Read(const std::string& text) {
    Settings s;
    s.LoadFromText(text);
    return s;
  }
};

TEST_F(SettingsReaderTest, EmptyTextGivesEveryDefault) {
  Settings s = Read("");
  EXPECT_EQ(s.worldSizeX, 100);
  EXPECT_EQ(s.worldSizeY, 100);
  EXPECT_FLOAT_EQ(s.worldStepSize, 0.2f);
  EXPECT_EQ(s.resolutionWidth, 320);
  EXPECT_EQ(s.resolutionHeight, 240);
  EXPECT_STREQ(s.skyBoxTexture, "");
  EXPECT_STREQ(s.crosshairTexture, "");
  EXPECT_FLOAT_EQ(s.crosshairSize, 1.0f);
  EXPECT_FLOAT_EQ(s.crosshairTransparency, 1.0f);
  EXPECT_EQ(s.crosshairDrawCrosshair, 1);
  EXPECT_EQ(s.treesCount, 0);
  EXPECT_STREQ(s.fontFilename, "");
  EXPECT_EQ(s.fpsDrawCounter, 0);
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_EQ(s.viewFOV, 90);
  EXPECT_FLOAT_EQ(s.sunlightAmbient, 0.3f);
  EXPECT_FLOAT_EQ(s.sunlightDiffuse, 0.75f);
  EXPECT_EQ(s.resolutionFullscreen, 1);
  EXPECT_STREQ(s.worldHeightmapFile, "");
  EXPECT_EQ(s.flashlightEnabled, 0);
  EXPECT_EQ(s.weaponEnabled, 0);
  EXPECT_FLOAT_EQ(s.worldHeightScaling, 5.0f);
  EXPECT_EQ(s.gravityDirection.x, 0.0f);
  EXPECT_EQ(s.gravityDirection.y, 0.0f);
  EXPECT_EQ(s.gravityDirection.z, 0.0f);
  EXPECT_EQ(s.gravityAcceleration, 0.0f);
  EXPECT_FLOAT_EQ(s.motionSlowdown, 5.0f);
  EXPECT_FLOAT_EQ(s.motionMidAirSlowdown, 5.0f);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.5f);
  EXPECT_EQ(s.motionSmallestForce, 0.0f);
  EXPECT_EQ(s.motionMinimumHeight, 0.0f);
  EXPECT_EQ(s.motionAccelerationTime, 100);
  EXPECT_EQ(s.motionMidAirAccelerationTime, 100);
  EXPECT_EQ(s.motionJumpForce, 0.0f);
  EXPECT_FLOAT_EQ(s.motionMaxAccelerationFactor, 4.0f);
  EXPECT_STREQ(s.weaponModel, "");
  EXPECT_STREQ(s.weaponSkin, "");
  EXPECT_FLOAT_EQ(s.viewDepth, 7.5f);
  // The eye height's default text is "0.0", not the viewer's own 0.075.
  EXPECT_EQ(s.viewSizeOfViewer, 0.0f);
  EXPECT_FLOAT_EQ(s.treesSize, 0.3f);
  EXPECT_FLOAT_EQ(s.treesMaxTerrainRoughness, 0.05f);
  EXPECT_FLOAT_EQ(s.treesBrightness, 1.0f);
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(SettingsReaderTest, ReadingAgainReplacesEveryEarlierValue) {
  Settings s;
  s.LoadFromText("[Weapon]\nModel=a/very/long/name.md2\n[Mouse]\nSpeed=9\n");
  s.LoadFromText("[Weapon]\nModel=b\n");
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(std::memcmp(s.weaponModel, "b\0\0\0", 4), 0);
}

TEST_F(SettingsReaderTest, IntegersReadLikeTheProfileReader) {
  auto speed = [&](const std::string& value) {
    return Read("[Mouse]\nSpeed=" + value + "\n").mouseSpeed;
  };
  EXPECT_EQ(speed("12abc"), 12);
  EXPECT_EQ(speed("-3"), -3);
  EXPECT_EQ(speed("abc"), 0);
  EXPECT_EQ(speed(""), 0);  // present but empty: 0, not the default 5
  EXPECT_EQ(speed("010"), 10);
  EXPECT_EQ(speed(" 7"), 7);
  EXPECT_EQ(speed("0x10"), 0);
  EXPECT_EQ(speed("2.9"), 2);
  EXPECT_EQ(speed("2147483647"), 2147483647);
  EXPECT_EQ(speed("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(speed("12345678901234567890"), 2147483647);
}

TEST_F(SettingsReaderTest, FloatsReadLikeStrtod) {
  auto step = [&](const std::string& value) {
    return Read("[World]\nStepSize=" + value + "\n").worldStepSize;
  };
  EXPECT_FLOAT_EQ(step("0.8"), 0.8f);
  EXPECT_EQ(step(""), 0.0f);  // present but empty: 0.0, not the default 0.2
  EXPECT_FLOAT_EQ(step("1,5"), 1.0f);
  EXPECT_FLOAT_EQ(step("0x1p4"), 16.0f);
  // No range check: values the terrain will refuse still reach the record.
  EXPECT_EQ(step("0"), 0.0f);
  EXPECT_FLOAT_EQ(step("2000"), 2000.0f);
  // 40 characters: only the first 31 are converted, so the exponent is lost.
  std::string forty = "1" + std::string(29, '0') + "0e-30" + std::string(5, '0');
  ASSERT_EQ(forty.size(), 40u);
  EXPECT_FLOAT_EQ(step(forty), 1e30f);
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(SettingsReaderTest, NonFiniteFloatsTakeTheDefaultWithOneMessage) {
  Settings s = Read("[Motion]\nSpeed=nan\nSlowdown=inf\nJumpForce=1e999\n"
                    "[View]\nDepth=-1e39\n[Trees]\nSize=1e38\n");
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.5f);
  EXPECT_FLOAT_EQ(s.motionSlowdown, 5.0f);
  EXPECT_EQ(s.motionJumpForce, 0.0f);
  EXPECT_FLOAT_EQ(s.viewDepth, 7.5f);
  EXPECT_FLOAT_EQ(s.treesSize, 1e38f);  // large but a float
  ASSERT_EQ(gMessages.size(), 4u);
  EXPECT_EQ(gMessages[0], "Settings: [Motion] Slowdown = \"inf\" is not a finite number; "
                          "using the default 5.0");
  EXPECT_EQ(gMessages[1], "Settings: [Motion] Speed = \"nan\" is not a finite number; "
                          "using the default 0.5");
  EXPECT_NE(gMessages[3].find("[View] Depth = \"-1e39\""), std::string::npos);
}

TEST_F(SettingsReaderTest, PathsAreKeptUpTo259Characters) {
  std::string kept(259, 'k');
  std::string longer = std::string(259, 'a') + "TAIL";
  Settings s = Read("[SkyBox]\nTexture=" + kept + "\n[Font]\nFilename=" + longer +
                    "\n[Weapon]\nModel=  gfx/My Gun.md2  \nSkin=\"gfx/skin.bmp\"\n");
  EXPECT_EQ(std::string(s.skyBoxTexture), kept);
  EXPECT_EQ(std::string(s.fontFilename), std::string(259, 'a'));
  EXPECT_EQ(std::string(s.weaponModel), "gfx/My Gun.md2");
  EXPECT_EQ(std::string(s.weaponSkin), "gfx/skin.bmp");
}

TEST_F(SettingsReaderTest, NamesMatchWithoutCaseFirstWinsAndSectionsStayApart) {
  Settings s = Read(
      "[mOUSE]\nSPEED=3\nspeed=4\n"
      "[Motion]\nspeed=0.8\n"
      "[Mouse]\nInvert=1\n"  // a second Mouse section is never read
      "[Resolution]\nwidth = 640\nWidth=800\n"
      "[Crosshair]\nTexture=cross.bmp\nSize=2.5\n"
      "[SkyBox]\nTexture=sky.bmp\n[Trees]\nSize=0.7\n"
      "[Weapon]\nEnabled=1\n");
  EXPECT_EQ(s.mouseSpeed, 3);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.8f);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_EQ(s.resolutionWidth, 640);
  EXPECT_STREQ(s.crosshairTexture, "cross.bmp");
  EXPECT_STREQ(s.skyBoxTexture, "sky.bmp");
  EXPECT_FLOAT_EQ(s.crosshairSize, 2.5f);
  EXPECT_FLOAT_EQ(s.treesSize, 0.7f);
  EXPECT_EQ(s.weaponEnabled, 1);
  EXPECT_EQ(s.flashlightEnabled, 0);
}

TEST_F(SettingsReaderTest, CommentsAndMalformedLinesAreIgnored) {
  Settings s = Read(
      "Speed=9\n"                       // before any section
      "[Mouse]\n"
      "; Speed=1\n"
      "   ;Invert=1\n"
      "Speed\n"                         // key without '='
      "=7\n"                            // '=' without a key
      "  Speed  =  6  ; not a comment\n"
      "[Motion\n"                       // unclosed header still names its section
      "Speed=0.9\n"
      "[ View ] trailing\n"
      "FOV=60\n"
      "[]\nFOV=10\n");
  EXPECT_EQ(s.mouseSpeed, 6);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.9f);
  EXPECT_EQ(s.viewFOV, 60);
}

TEST_F(SettingsReaderTest, CrLfWithByteOrderMarkReadsLikeUnix) {
  const std::string lines[] = {"[World]", "StepSize=0.4", "HeightmapFile=gfx/h.bmp",
                               "[Mouse]", "Speed=3"};
  std::string unix, windows = "\xEF\xBB\xBF", mac, noFinalNewline;
  for (const std::string& line : lines) {
    unix += line + "\n";
    windows += line + "\r\n";
    mac += line + "\r";
  }
  noFinalNewline = unix.substr(0, unix.size() - 1);
  for (const std::string& text : {unix, windows, mac, noFinalNewline}) {
    Settings s = Read(text);
    EXPECT_FLOAT_EQ(s.worldStepSize, 0.4f);
    EXPECT_STREQ(s.worldHeightmapFile, "gfx/h.bmp");
    EXPECT_EQ(s.mouseSpeed, 3);
  }
}

TEST_F(SettingsReaderTest, NulByteEndsItsLineOnly) {
  std::string text = "[Mouse]\nSpeed=4";
  text += '\0';
  text += "2\nInvert=1\n[Font]\nFilename=a";
  text += '\0';
  text += "b\n";
  Settings s = Read(text);
  EXPECT_EQ(s.mouseSpeed, 4);
  EXPECT_EQ(s.mouseInvert, 1);
  EXPECT_STREQ(s.fontFilename, "a");
}

TEST_F(SettingsReaderTest, TailOfALongLineNeverBecomesAKey) {
  // Whatever a buffer would cut, the rest of a line is not read as a new line.
  std::string text = "[Mouse]\nInvert=" + std::string(300, 'x') + "Speed=8\n" +
                     "Junk=" + std::string(70000, ' ') + "[Motion]\n" +
                     "[Trees]\nCount=4\n";
  Settings s = Read(text);
  EXPECT_EQ(s.mouseInvert, 0);
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_EQ(s.treesCount, 4);
}

TEST_F(SettingsReaderTest, GermanLocaleStillReadsAPoint) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro"};
  const char* found = nullptr;
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      found = name;
      break;
    }
  }
  // Not installed: build it privately from the locale sources when they are there.
  TempDir localeDir;
  if (found == nullptr &&
      std::system(("localedef -i de_DE -f UTF-8 " + localeDir.File("de_DE.UTF-8") +
                   " >/dev/null 2>&1").c_str()) != -1) {
    setenv("LOCPATH", localeDir.path().c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) found = "de_DE.UTF-8 (generated)";
  }
  if (found == nullptr) {
    unsetenv("LOCPATH");
    GTEST_SKIP() << "no German locale is installed and none could be generated";
  }
  // The locale really uses a comma, or this test would prove nothing.
  double plain = std::strtod("0.2", nullptr);
  Settings s = Read("[World]\nStepSize=0.2\n[Motion]\nSpeed=1,5\n");
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  EXPECT_EQ(plain, 0.0) << found;
  EXPECT_FLOAT_EQ(s.worldStepSize, 0.2f);
  EXPECT_FLOAT_EQ(s.motionSpeed, 1.0f);
  EXPECT_FLOAT_EQ(s.viewDepth, 7.5f);
}

}  // namespace
