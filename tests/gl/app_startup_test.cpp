// The program started in-process on the headless platform, as the window starts it:
// what the scene set-up refuses (the "Error" box text, and no start), what the
// readers refuse (one message each, and the program runs on without the file), what the
// first frame then shows, and the frames that follow; and the window's projection once
// it has no height, read back from the program's context.
#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/program.h"
#include "app/virtual_keys.h"
#include "headless/headless_platform.h"
#include "headless/ini_edit.h"
#include "log/log.h"
#include "support/e2e.h"
#include "support/test_files.h"
#include "textures/png_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

std::vector<std::string> g_lines;

constexpr const char* kLevelWorld =
    "[World]\nWorldSizeX=21\nWorldSizeY=21\nStepSize=1\nHeightScaling=1\nHeightmapFile=\n"
    "[View]\nFOV=60\nDepth=50\nSizeOfViewer=0.5\n[Sunlight]\nAmbient=0.1\nDiffuse=0.5\n"
    "[Crosshair]\nTexture=gfx/Crosshair.bmp\nDrawCrosshair=0\n[Trees]\nCount=0\n[Mouse]\nSpeed=1\nInvert=1\n"
    "[FPS]\nDrawCounter=0\n";

struct Row {
  const char* name = "";
  std::vector<const char*> settings = {};   // "Section/Key=Value" over the shipped settings
  std::vector<const char*> truncated = {};  // files cut to 100 bytes: inside every reader's data
  std::vector<const char*> removed = {};
  const char* box = nullptr;                // the box's text starts so; nullptr: no box, it starts
  std::vector<const char*> logHas = {};     // "%F" stands for the program's folder
  const char* base = nullptr;               // settings text instead of the shipped one
  int32_t mouseDy = 0;                      // pixels the mouse is below the centre in the first frame
  float pitch = 0.0f;                       // the view's pitch after that frame
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

class StartupTest : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    fs::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", dir.File("gfx"), fs::copy_options::recursive);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    g_lines.clear();
    SetLogSink([](const std::string& line) { g_lines.push_back(line); });
  }
  void TearDown() override {
    SetLogSink(nullptr);
    ASSERT_EQ(chdir(home.c_str()), 0);
  }

  TempDir dir;
  std::string home = fs::current_path().string();
};

TEST_P(StartupTest, RefusesOrStartsAndDraws) {
  const Row& r = GetParam();
  std::string ini = r.base != nullptr ? r.base : ShippedSettings();
  for (const char* s : r.settings) ASSERT_TRUE(ApplySetting(ini, s)) << s;
  for (const char* f : r.truncated) fs::resize_file(f, 100);
  for (const char* f : r.removed) fs::remove(f);

  HeadlessPlatform platform(kWidth, kHeight);
  auto program = std::make_unique<Program>(platform);
  program->settings.LoadFromText(ini);
  if (!r.logHas.empty() && std::strstr(r.logHas[0], "; the program ends") != nullptr) {
    // The process ends: the start runs in a process of its own, writing to stderr.
    std::string line = r.logHas[0];
    line.replace(line.find("%F"), 2, dir.path());
    SetLogSink(nullptr);
    EXPECT_EXIT(StartProgram(*program, "Quillmarsh"), ::testing::ExitedWithCode(1), ::testing::HasSubstr(line));
    return;
  }
  const bool started = StartProgram(*program, "Quillmarsh");

  std::string log;
  for (const std::string& line : g_lines) {
    EXPECT_EQ(line.rfind("quillmarsh: ", 0), 0u) << "not in the program's message format: " << line;
    log += line + "\n";
  }
  for (const char* text : r.logHas) EXPECT_NE(log.find(text), std::string::npos) << "missing: " << text << "\n" << log;
  // The box's text follows "Error: " on its line; a program that starts shows no box.
  const std::string error = std::string("quillmarsh: Error: ") + (r.box != nullptr ? r.box : "");
  EXPECT_EQ(log.find(error) != std::string::npos, r.box != nullptr) << log;
  ASSERT_EQ(started, r.box == nullptr) << log;
  if (!started) return;
  EXPECT_TRUE(!r.logHas.empty() || log.empty()) << log;
  program->inputState.SetMousePosition(kWidth / 2, kHeight / 2 + r.mouseDy);
  EXPECT_FALSE(RunFrame(*program, true));
  EXPECT_FLOAT_EQ(program->viewer.GetPitch(), r.pitch);
  // A tap acts in one frame only, and the frame with Escape says that the program ends.
  for (uint32_t key : {vk::kPageDown, vk::kEscape}) {
    platform.PumpEvents(program->inputState);
    program->inputState.SetKey(key, true);
    program->inputState.SetKey(key, false);
    EXPECT_EQ(RunFrame(*program, false), key == vk::kEscape);
  }
  EXPECT_FLOAT_EQ(program->viewer.GetPitch(), r.pitch - 1.0f);
  // A window of no height (minimised on some window managers) must not divide by zero: its
  // aspect is the width itself, and the projection stays finite.
  program->window.Resize(320, 0, 90, 7.5f);
  GLfloat p[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_FLOAT_EQ(program->window.Aspect(), 320.0f);
  EXPECT_NEAR(p[0], 1.0f / 320.0f, 1e-6f);
}

// The pause key stops the world: held keys, the mouse and time do nothing until it is
// pressed again, and the world goes on from where it stood, as if no time had passed.
// Any stall, a long pause's included, moves the viewer by 200 ms at most.
TEST_F(StartupTest, PauseStopsTheWorldAndAStallCountsAsOneSlowFrame) {
  auto walk = [&](bool pausing, uint32_t stallMs) {
    HeadlessPlatform platform(kWidth, kHeight);
    auto program = std::make_unique<Program>(platform);
    program->settings.LoadFromText(kLevelWorld);
    EXPECT_TRUE(StartProgram(*program, "Quillmarsh"));
    InputState& input = program->inputState;
    auto frame = [&](uint32_t ms, std::vector<uint32_t> keys, int32_t mouseDx) {
      platform.nowMs += ms;
      platform.PumpEvents(input);
      for (uint32_t key : {uint32_t{'P'}, uint32_t{vk::kUp}}) input.SetKey(key, false);
      for (uint32_t key : keys) input.SetKey(key, true);
      input.SetMousePosition(kWidth / 2 + mouseDx, kHeight / 2);
      RunFrame(*program, true);
    };
    if (pausing) {
      frame(20, {'P'}, 0);
      for (int k = 0; k < 5; ++k) frame(1000, {vk::kUp}, 50);
      EXPECT_TRUE(program->paused);
      EXPECT_EQ(program->viewer.GetZ(), 10.5f);  // not a step
    }
    // Resumes, when paused, looking on from wherever the free cursor was left.
    frame(20, {pausing ? uint32_t{'P'} : 0u, vk::kUp}, pausing ? 50 : 0);
    frame(stallMs, {vk::kUp}, 0);
    EXPECT_FALSE(program->paused);
    return std::vector<float>{program->viewer.GetX(), program->viewer.GetZ(), program->viewer.GetHeading()};
  };
  EXPECT_EQ(walk(true, 10000), walk(false, 200));
}

// The screenshot key writes the frame it ends as a new PNG each time it is pressed; a
// folder that cannot be made is said once, and the program goes on. (The help key and
// the pause show in the whole-scene walks.)
TEST_F(StartupTest, ScreenshotsAreTheFrameAndNeverReplaceAFile) {
  HeadlessPlatform platform(kWidth, kHeight);
  auto program = std::make_unique<Program>(platform);
  program->settings.LoadFromText(kLevelWorld);
  ASSERT_TRUE(StartProgram(*program, "Quillmarsh"));
  for (int press = 0; press < 2; ++press) {
    platform.PumpEvents(program->inputState);
    program->inputState.SetKey(123, false);  // F12 pressed, held over the frame's end
    program->inputState.SetKey(123, true);
    EXPECT_FALSE(RunFrame(*program, true));
  }
  const std::vector<uint8_t> frame = platform.gl().ReadPixelsTopDown();
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator("Screenshots")) files.push_back(entry.path().string());
  ASSERT_EQ(files.size(), 2u);
  for (const std::string& file : files) {
    EXPECT_THAT(file, ::testing::MatchesRegex("Screenshots/quillmarsh-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}(-2)?\\.png"));
    EXPECT_NE(std::find(g_lines.begin(), g_lines.end(), "quillmarsh: screenshot: \"" + file + "\": written"), g_lines.end());
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(ReadPng(file, width, height, rgba));
    EXPECT_TRUE(width == kWidth && height == kHeight && rgba == frame) << file;
  }
  fs::remove_all("Screenshots");
  std::ofstream("Screenshots") << "not a folder";
  g_lines.clear();
  program->inputState.SetKey(123, false);
  program->inputState.SetKey(123, true);
  EXPECT_FALSE(RunFrame(*program, true));
  EXPECT_EQ(g_lines, std::vector<std::string>{"quillmarsh: screenshot: \"Screenshots\": cannot make the folder: Not a directory"});
}

const Row kRows[] = {
    {"ShippedWorld"},
    // Also the readers' refusal of a broken ground texture (see below).
    {"LevelGroundFromAbove", {}, {"gfx/Textures/Landscape5.bmp"}, {}, nullptr,
     {"texture: \"gfx/Textures/Landscape5.bmp\": "}, kLevelWorld, -90, 90.0f},

    // [SECTION] The scene set-up refuses: the box, and no start
    {"WorldSizeYBeyondSixteenBits", {"World/WorldSizeY=70000"}, {}, {},
     "World/WorldSizeY is 70000; it must be between 2 and 32767 samples"},
    {"HeightsBeyondFloat", {"World/HeightScaling=1e37", "World/StepSize=100"}, {}, {}, "World/HeightScaling is "},
    {"WorldSizeNotReadWhole", {"World/WorldSizeX=1e38"}, {}, {},
     "World/WorldSizeX is \"1e38\"; it must be between 2 and 32767 samples"},
    {"TreesFindNoRoom", {"Trees/Count=3000", "Trees/MaxTerrainRoughness=0.00001"}, {}, {},
     "Can't find enough valid places to place all trees"},
    {"MoreTreesThanCells", {"Trees/Count=100000"}, {}, {},
     "Trees/Count is 100000: the terrain has only 65536 cells and holds at most one tree per cell"},
    {"TreesBeyondMemory", {"Trees/Count=2000000000", "Trees/Size=0"}, {}, {},
     "Trees/Count is 2000000000: not enough memory for that many trees"},

    // [SECTION] A colour-keyed image that cannot be opened ends the program at once, with 1
    {"MissingCrosshair", {}, {}, {"gfx/Crosshair.bmp"}, nullptr,
     {"quillmarsh: texture: \"gfx/Crosshair.bmp\": cannot open file (working folder \"%F\"); the program ends"}},

    // [SECTION] The readers refuse a file: one line, and the program runs on without it
    {"BrokenHeightMap", {}, {"gfx/Terrain/Heightmap.bmp"}, {}, nullptr,
     {"quillmarsh: height map: \"gfx/Terrain/Heightmap.bmp\": cannot be used ("}},
    {"MissingGroundTexture", {}, {}, {"gfx/Textures/Landscape5.bmp"}, nullptr,
     {"quillmarsh: texture: \"gfx/Textures/Landscape5.bmp\": cannot open file"}},
    {"BrokenSky", {}, {"gfx/Sky.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Sky.bmp\": "}},
    {"BrokenTreeImage", {}, {"gfx/Trees/Tree3.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Trees/Tree3.bmp\": "}},
    {"BrokenModel", {}, {"gfx/Weapon/Lantern.md2"}, {}, nullptr,
     {"quillmarsh: weapon model: \"gfx/Weapon/Lantern.md2\": "}},
    {"MissingModel", {"Weapon/Model=gfx/Weapon/Nothing.md2"}, {}, {}, nullptr,
     {"quillmarsh: weapon model: \"gfx/Weapon/Nothing.md2\": cannot open the file"}},
    {"BrokenSkin", {}, {"gfx/Weapon/Lantern.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Weapon/Lantern.bmp\": "}},
    {"FolderAsHeightMap", {"World/HeightmapFile=gfx"}, {}, {}, nullptr,
     {"quillmarsh: height map: \"gfx\": cannot be used (this is a folder, not a file)"}},
    // A file that is not configured, or not used, is not looked for.
    {"NothingUnusedIsRead", {"SkyBox/Texture=", "FPS/DrawCounter=0", "Crosshair/DrawCrosshair=0"}, {}, {"gfx/Font.tga", "gfx/Crosshair.bmp"}},
    {"BrokenFont", {}, {"gfx/Font.tga"}, {}, nullptr,
     {"quillmarsh: font: \"gfx/Font.tga\": the file ends before all pixels are read"}},
};

INSTANTIATE_TEST_SUITE_P(EveryPath, StartupTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
