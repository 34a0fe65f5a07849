// The settings: read from text (defaults, number quirks, matching rules, malformed
// lines, the bytes of files written on other systems), then found and read as a file
// (the path in the caller's folder; files missing, unreadable or too large).
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "log/log.h"
#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;

void Keep(const std::string& line) { gMessages.push_back(line); }

// Fresh settings read from `text`, with the messages of the read in gMessages.
Settings Read(const std::string& text) {
  gMessages.clear();
  SetLogSink(Keep);
  Settings s;
  s.LoadFromText(text);
  return s;
}

TEST(SettingsReaderTest, DefaultsNumbersSectionsKeysAndValues) {
  Settings s = Read("");
  // Mouse/Speed is an integer, Motion/Speed a float; View/SizeOfViewer is 0, not the viewer's own 0.075.
  EXPECT_TRUE(s.worldSizeX == 100 && s.resolutionFullscreen == 1 && s.skyBoxTexture[0] == '\0' && s.mouseSpeed == 5);
  EXPECT_TRUE(s.motionSpeed == 0.5f && s.worldStepSize == 0.2f && s.viewDepth == 7.5f && s.sunlightDiffuse == 0.75f &&
              s.viewSizeOfViewer == 0.0f);
  // Reading again replaces everything, the whole of every name included.
  s.LoadFromText("[Weapon]\nModel=a/very/long/name.md2\n[Mouse]\nSpeed=9\n");
  s.LoadFromText("[Weapon]\nModel=b\n");
  EXPECT_TRUE(s.mouseSpeed == 5 && std::memcmp(s.weaponModel, "b\0\0\0", 4) == 0);
  const std::pair<std::string, int> ints[] = {
      {"12abc", 12}, {"-3", -3}, {"abc", 0}, {"", 0}, {"010", 10}, {"0x10", 0},
      {"2.9", 2}, {"-2147483648", -2147483647 - 1}, {"12345678901234567890", 2147483647}};
  for (const auto& [value, expected] : ints) EXPECT_EQ(Read("[Mouse]\nSpeed=" + value).mouseSpeed, expected) << value;
  // 40 characters: only the first 31 are converted, so the exponent is lost.
  const std::string forty = "1" + std::string(29, '0') + "0e-30" + std::string(5, '0');
  const std::pair<std::string, float> floats[] = {
      {"0.8", 0.8f}, {"", 0.0f}, {"1,5", 1.0f}, {"0x1p4", 16.0f}, {"2000", 2000.0f}, {forty, 1e30f}};
  for (const auto& [value, expected] : floats)
    EXPECT_FLOAT_EQ(Read("[World]\nStepSize=" + value).worldStepSize, expected) << value;
  EXPECT_TRUE(gMessages.empty());
  // A value that is no finite float takes the default, with one message each.
  s = Read("[Motion]\nSpeed=nan\nSlowdown=inf\nJumpForce=1e999\n[View]\nDepth=-1e39\n[Trees]\nSize=1e38\n");
  EXPECT_TRUE(s.motionSpeed == 0.5f && s.viewDepth == 7.5f && s.treesSize == 1e38f);  // 1e38: large but a float
  ASSERT_EQ(gMessages.size(), 4u);
  EXPECT_EQ(gMessages[1], "quillmarsh: settings: Motion/Speed: \"nan\" is not a finite number; using the default 0.5");
  // Mouse/Speed: before any section, a comment, then the first of two; a second Mouse
  // section is never read; an unclosed header still names its section.
  const std::string kept(259, 'k');
  s = Read("Speed=9\n[mOUSE]\n; Speed=1\nSPEED = 3 \nspeed=4\n[Motion\nspeed=0.8\n[Mouse]\nInvert=1\n[ View ] x\n"
           "FOV=60\n[SkyBox]\nTexture=" + kept + "TAIL\n[Weapon]\nModel=  gfx/My Gun.md2  \nSkin=\"gfx/skin.bmp\"\n");
  EXPECT_TRUE(s.mouseSpeed == 3 && s.mouseInvert == 0 && s.motionSpeed == 0.8f && s.viewFOV == 60);
  EXPECT_EQ(std::string(s.skyBoxTexture) + "|" + s.weaponModel + "|" + s.weaponSkin,
            kept + "|gfx/My Gun.md2|gfx/skin.bmp");
}

// A window or view that cannot be drawn, and a held model placed by hand: values out of
// range are refused with one line each, quoting the text when it was not read whole.
TEST(SettingsReaderTest, RangesAndWeaponPlacement) {
  Settings s = Read("[View]\nFOV=0x10\n[Resolution]\nWidth=0\nHeight=-5\n[Weapon]\nScale=0\nOffset=1 2\n"
                    "SkinOrigin=sideways\n");
  EXPECT_TRUE(s.viewFOV == 90 && s.resolutionWidth == 320 && s.resolutionHeight == 240 && s.weaponScale == 1.0f);
  EXPECT_TRUE(s.weaponOffset.x == 0.0f && s.weaponOffset.y == 0.0f && s.weaponOffset.z == 0.0f && !s.weaponSkinFromTop);
  const std::string m = "quillmarsh: settings: ";
  EXPECT_EQ(gMessages, (std::vector<std::string>{
                           m + "Weapon/Scale: \"0\" is not above 0; using the default 1.0",
                           m + "Weapon/Offset: \"1 2\" is not three numbers; using the default 0 0 0",
                           m + "Weapon/SkinOrigin: \"sideways\" is neither bottom nor top; using bottom",
                           m + "View/FOV: \"0x10\" is outside 1 to 179; using the default 90",
                           m + "Resolution/Width: 0 is below 1; using the default 320",
                           m + "Resolution/Height: -5 is below 1; using the default 240"}));
  s = Read("[View]\nFOV=179\n[Resolution]\nWidth=1\n[Weapon]\nScale=0.004\nOffset=0.12 -0.15, -0.35\nSkinOrigin=TOP\n");
  EXPECT_TRUE(s.viewFOV == 179 && s.resolutionWidth == 1 && s.weaponScale == 0.004f && s.weaponSkinFromTop);
  EXPECT_TRUE(s.weaponOffset.x == 0.12f && s.weaponOffset.y == -0.15f && s.weaponOffset.z == -0.35f);
  EXPECT_TRUE(gMessages.empty()) << gMessages[0];
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

// The file in the caller's folder, or the defaults with the reason. Editors on Windows
// save UTF-16 with a byte-order mark; it reads like UTF-8. Text that is neither is read
// as it stands, with one line saying what is wrong with it.
TEST(SettingsFileTest, TheFileInTheFolderOrTheDefaultsWithTheReason) {
  TempDir dir;
  const std::string largest = "[Mouse]\nSpeed=3\n" + std::string((16 << 20) - 16, ' ');  // 16 MiB
  const std::string longest(kPathSize - 2 - dir.path().size(), 'n');  // the path has 259 characters
  WriteFile(dir.File("Quillmarsh.ini"), largest);
  WriteFile(dir.File(longest), largest.substr(0, 16));
  WriteFile(dir.File("huge.ini"), largest + " ");
  std::filesystem::create_directory(dir.File("folder.ini"));
  const std::u16string text = u"[Mouse]\r\nSpeed=3\r\n[World]\r\nHeightmapFile=gfx/H\u00F6he\U0001F600.bmp\r\n";
  const auto utf16 = [&text](bool bigEndian, bool mark) {
    std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (const char16_t c : text)
      out += bigEndian ? std::string{char(c >> 8), char(c & 0xFF)} : std::string{char(c & 0xFF), char(c >> 8)};
    return out;
  };
  WriteFile(dir.File("le.ini"), utf16(false, true));
  WriteFile(dir.File("be.ini"), utf16(true, true));
  WriteFile(dir.File("bare.ini"), utf16(false, false));
  WriteFile(dir.File("latin.ini"), std::string("[Mouse]\nSpeed=3\n[World]\nHeightmapFile=gfx/H\xF6he.bmp\n"));
  const std::string utf8Name = "gfx/H\xC3\xB6he\xF0\x9F\x98\x80.bmp";
  const std::string start = "quillmarsh: settings: \"" + dir.path() + "/", end = "; using the default settings";
  const struct { std::string folder, name; int speed; std::string message, heightmap = ""; } cases[] = {
      {dir.path(), "Quillmarsh.ini", 3, ""}, {dir.path() + "/", "Quillmarsh.ini", 3, ""}, {dir.path(), longest, 3, ""},
      {dir.path(), "absent.ini", 5, ""},      // a missing file is normal: no message
      {"", dir.File("Quillmarsh.ini"), 5, ""},  // no folder known: the defaults, whatever the name
      {dir.path(), longest + "n", 5, start + longest + "n\": the path is longer than 259 characters" + end},
      {dir.File("Quillmarsh.ini"), "x", 5, start + "Quillmarsh.ini/x\": cannot open: Not a directory" + end},
      {dir.path(), "folder.ini", 5, start + "folder.ini\": cannot read: Is a directory" + end},
      {dir.path(), "huge.ini", 5, start + "huge.ini\": cannot read: it is larger than 16 MiB" + end},
      {dir.path(), "le.ini", 3, "", utf8Name}, {dir.path(), "be.ini", 3, "", utf8Name},
      {dir.path(), "bare.ini", 5, start + "bare.ini\": it looks like UTF-16 without a byte-order mark; save it as "
                                          "UTF-8, or as UTF-16 with a byte-order mark"},
      {dir.path(), "latin.ini", 3, start + "latin.ini\": byte 43 is not UTF-8 text; save the file as UTF-8 or UTF-16",
       "gfx/H\xF6he.bmp"}};
  SetLogSink(Keep);
  for (const auto& c : cases) {
    gMessages.clear();
    Settings s;  // 0 everywhere until Load fills it
    s.Load(c.folder, c.name.c_str());
    EXPECT_TRUE(s.mouseSpeed == c.speed && s.worldHeightmapFile == c.heightmap) << c.name;
    EXPECT_EQ(gMessages, c.message.empty() ? std::vector<std::string>() : std::vector<std::string>{c.message});
  }
}

}  // namespace
