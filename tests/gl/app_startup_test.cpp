// The program started in-process on the headless platform, as the window starts it:
// what the scene set-up refuses (the "Error" box text, caught, and no start), what the
// readers refuse (one message each, and the program runs on without the file), and
// what the first frame then shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/program.h"
#include "headless/headless_platform.h"
#include "headless/ini_edit.h"
#include "log/error_box.h"
#include "log/log.h"
#include "support/e2e.h"
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

std::vector<std::string> g_lines;

struct Picture {
  std::vector<uint8_t> rgba;  // rows top-down
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * kWidth + x) * 4]; }
  int Count(int x0, int y0, int x1, int y1, bool (*test)(const uint8_t*)) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += test(At(x, y)) ? 1 : 0;
    }
    return n;
  }
};

bool Bluish(const uint8_t* p) { return p[2] > p[0] + 30 && p[2] > 120; }
bool Bright(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }
bool Brass(const uint8_t* p) { return p[0] > 120 && p[0] > p[1] + 20 && p[1] > p[2] + 20; }
bool Green(const uint8_t* p) { return p[1] > p[0] + 15 && p[1] > p[2] + 15; }

// Sky over the top left, the lantern in the lower right, the counter top right.
bool Dressed(const Picture& p) {
  return p.Count(0, 10, kWidth / 3, 70, Bluish) > kWidth / 3 * 60 * 6 / 10 &&
         p.Count(kWidth / 2, kHeight / 2, kWidth, kHeight, Brass) > 800 &&
         p.Count(0, kHeight / 2, kWidth / 4, kHeight, Brass) == 0 && p.Count(kWidth - 60, 0, kWidth, 14, Bright) > 10;
}
bool NoLantern(const Picture& p) { return p.Count(kWidth / 2, kHeight / 2, kWidth, kHeight, Brass) < 50; }
// Without its texture the ground is lit grey: no grass green in the lower left.
bool PlainGround(const Picture& p) { return p.Count(0, kHeight * 3 / 4, kWidth / 2, kHeight, Green) < 50; }

// Level ground seen from above, lit by the sun towards (10, 1.7, 10) (half of 21 samples,
// step 1) with the unnormalised vertex normal (0, 2, 0); colour material makes it white:
// global ambient 0.2 + light ambient 0.1 + diffuse 0.5 * N.L everywhere.
bool SunlitGrey(const Picture& p) {
  const double expected = 255.0 * (0.2 + 0.1 + 0.5 * 2.0 * 1.7 / std::sqrt(10.0 * 10.0 + 1.7 * 1.7 + 10.0 * 10.0));
  for (auto [x, y] : {std::pair{kWidth / 2, kHeight / 2}, std::pair{5, 5}, std::pair{kWidth - 5, kHeight - 5}}) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(p.At(x, y)[c] - expected) > 2.0) return false;
    }
  }
  return true;
}

constexpr const char* kLevelWorld =
    "[World]\nWorldSizeX=21\nWorldSizeY=21\nStepSize=1\nHeightScaling=1\nHeightmapFile=\n"
    "[View]\nFOV=60\nDepth=50\nSizeOfViewer=0.5\n[Sunlight]\nAmbient=0.1\nDiffuse=0.5\n"
    "[Crosshair]\nTexture=gfx/Crosshair.bmp\nDrawCrosshair=0\n[Trees]\nCount=0\n";

struct Row {
  const char* name = "";
  std::vector<const char*> settings = {};   // "Section/Key=Value" over the shipped settings
  std::vector<const char*> truncated = {};  // files cut to 100 bytes: inside every reader's data
  std::vector<const char*> removed = {};
  const char* box = nullptr;                // the box's text starts so; nullptr: no box, it starts
  std::vector<const char*> logHas = {};
  bool (*picture)(const Picture&) = nullptr;  // the first frame, looking ahead
  const char* base = nullptr;                 // settings text instead of the shipped one
  float pitch = 0.0f;                         // degrees looked down before the frame
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

class StartupTest : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    fs::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", dir.File("gfx"), fs::copy_options::recursive);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    g_lines.clear();
    SetLogSink([](const std::string& line) { g_lines.push_back(line); });
    SetErrorBoxPresenter([this](const char* text, std::string*) {
      boxes.push_back(text);
      return true;
    });
  }
  void TearDown() override {
    SetErrorBoxPresenter(nullptr);
    SetLogSink(nullptr);
    ASSERT_EQ(chdir(home.c_str()), 0);
  }

  TempDir dir;
  std::string home = fs::current_path().string();
  std::vector<std::string> boxes;
};

TEST_P(StartupTest, RefusesOrStartsAndDraws) {
  const Row& r = GetParam();
  std::string ini = r.base != nullptr ? r.base : ShippedSettings();
  ini = WithSetting(ini, "FPS", "DrawCounter", r.base != nullptr ? "0" : "1");
  for (const char* s : r.settings) ASSERT_TRUE(ApplySetting(ini, s)) << s;
  for (const char* f : r.truncated) fs::resize_file(f, 100);
  for (const char* f : r.removed) fs::remove(f);

  HeadlessPlatform platform(kWidth, kHeight);
  auto program = std::make_unique<Program>(platform);
  program->settings.LoadFromText(ini);
  const bool started = StartProgram(*program, "Quillmarsh");

  std::string log;
  for (const std::string& line : g_lines) {
    EXPECT_EQ(line.rfind("quillmarsh: ", 0), 0u) << "not in the program's message format: " << line;
    log += line + "\n";
  }
  for (const char* text : r.logHas) EXPECT_NE(log.find(text), std::string::npos) << "missing: " << text << "\n" << log;
  if (r.box != nullptr) {
    EXPECT_FALSE(started);
    ASSERT_EQ(boxes.size(), 1u) << log;
    EXPECT_EQ(boxes[0].rfind(r.box, 0), 0u) << boxes[0];
    return;
  }
  ASSERT_TRUE(started) << log;
  EXPECT_TRUE(boxes.empty());
  if (r.logHas.empty()) {
    EXPECT_EQ(log, "");
  }
  if (r.picture == nullptr) return;
  program->viewer.Pitch(r.pitch);
  RunFrame(*program, true);
  Picture picture{platform.gl().ReadPixelsTopDown()};
  EXPECT_TRUE(r.picture(picture));
}

const Row kRows[] = {
    {"ShippedWorld", {}, {}, {}, nullptr, {}, &Dressed},
    {"LevelGroundFromAbove", {}, {"gfx/Textures/Landscape5.bmp"}, {}, nullptr,
     {"texture: \"gfx/Textures/Landscape5.bmp\": "}, &SunlitGrey, kLevelWorld, 90.0f},

    // [SECTION] The scene set-up refuses: the box, and no start
    {"WorldSizeXTooSmall", {"World/WorldSizeX=1"}, {}, {}, "World/WorldSizeX is 1; it must be between 2 and 32767 samples"},
    {"WorldSizeYBeyondSixteenBits", {"World/WorldSizeY=70000"}, {}, {},
     "World/WorldSizeY is 70000; it must be between 2 and 32767 samples"},
    {"WorldBeyondMemory", {"World/WorldSizeX=32767", "World/WorldSizeY=32767"}, {}, {},
     "a world of 32767 x 32767 samples needs "},
    {"HeightsBeyondFloat", {"World/HeightScaling=1e37", "World/StepSize=100"}, {}, {}, "World/HeightScaling is "},
    {"TreesFindNoRoom", {"Trees/Count=3000", "Trees/MaxTerrainRoughness=0.00001"}, {}, {},
     "Can't find enough valid places to place all trees"},
    {"MoreTreesThanCells", {"Trees/Count=100000"}, {}, {},
     "Trees/Count is 100000: the terrain has only 65536 cells and holds at most one tree per cell"},
    {"TreesBeyondMemory", {"Trees/Count=2000000000", "Trees/Size=0"}, {}, {},
     "Trees/Count is 2000000000: not enough memory for that many trees"},

    // [SECTION] The readers refuse a file: one line, and the program runs on without it
    {"BrokenHeightMap", {}, {"gfx/Terrain/Heightmap.bmp"}, {}, nullptr,
     {"quillmarsh: height map: \"gfx/Terrain/Heightmap.bmp\": cannot be used ("}},
    {"BrokenGroundTexture", {}, {"gfx/Textures/Landscape5.bmp"}, {}, nullptr,
     {"quillmarsh: texture: \"gfx/Textures/Landscape5.bmp\": "}, &PlainGround},
    {"MissingGroundTexture", {}, {}, {"gfx/Textures/Landscape5.bmp"}, nullptr,
     {"quillmarsh: texture: \"gfx/Textures/Landscape5.bmp\": cannot open file"}, &PlainGround},
    {"BrokenSky", {}, {"gfx/Sky.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Sky.bmp\": "}},
    {"BrokenTreeImage", {}, {"gfx/Trees/Tree3.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Trees/Tree3.bmp\": "}},
    {"BrokenModel", {}, {"gfx/Weapon/Lantern.md2"}, {}, nullptr,
     {"quillmarsh: weapon model: \"gfx/Weapon/Lantern.md2\": "}, &NoLantern},
    {"MissingModel", {"Weapon/Model=gfx/Weapon/Nothing.md2"}, {}, {}, nullptr,
     {"quillmarsh: weapon model: \"gfx/Weapon/Nothing.md2\": cannot open the file"}},
    {"BrokenSkin", {}, {"gfx/Weapon/Lantern.bmp"}, {}, nullptr, {"quillmarsh: texture: \"gfx/Weapon/Lantern.bmp\": "}},
    {"BrokenFont", {}, {"gfx/Font.tga"}, {}, nullptr,
     {"quillmarsh: font: \"gfx/Font.tga\": the file ends before all pixels are read"}},
    {"NonFiniteSettings", {"Motion/Speed=nan", "Gravity/GravityAcceleration=1e999"}, {}, {}, nullptr,
     {"quillmarsh: settings: Motion/Speed: \"nan\" is not a finite number; using the default 0.5",
      "quillmarsh: settings: Gravity/GravityAcceleration: \"1e999\" is not a finite number; using the default"}},
};

INSTANTIATE_TEST_SUITE_P(EveryPath, StartupTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
