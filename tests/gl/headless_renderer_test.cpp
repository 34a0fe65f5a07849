// The headless renderer: the same script gives the same picture twice, and a level
// world seen from above shows the colour the sun's lighting gives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "headless/png_writer.h"
#include "support/e2e.h"
#include "support/test_files.h"

namespace {

std::string Render(const std::string& folder, const std::string& settings, const std::string& script,
                   const std::string& out, int* exitCode) {
  const char* renderer = std::getenv("QM_HEADLESS");
  if (renderer == nullptr) return "";
  return RunCapture({renderer, "--folder", folder, "--settings", settings, "--size", "160x120", "--script",
                     script, "--out", out},
                    EnvironmentWithoutDisplay(), 120.0, exitCode);
}

class HeadlessRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("QM_HEADLESS"), nullptr);
    std::filesystem::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", dir.File("gfx"),
                          std::filesystem::copy_options::recursive);
  }
  TempDir dir;
};

}  // namespace

TEST_F(HeadlessRendererTest, SameScriptSamePicture) {
  std::string ini = ShippedSettings();
  ini = WithSetting(ini, "FPS", "DrawCounter", "0");
  WriteFile(dir.File("Quillmarsh.ini"), ini);
  const std::string script = "forward 20, turn 30, jump, wait 10, left 5";
  int code1 = -1, code2 = -1;
  const std::string line = Render(dir.path(), dir.File("Quillmarsh.ini"), script, dir.File("a.png"), &code1);
  Render(dir.path(), dir.File("Quillmarsh.ini"), script, dir.File("b.png"), &code2);
  ASSERT_EQ(code1, 0) << line;
  ASSERT_EQ(code2, 0);
  EXPECT_NE(line.find("frames: mean"), std::string::npos) << line;
  const auto a = ReadFileBytes(dir.File("a.png"));
  const auto b = ReadFileBytes(dir.File("b.png"));
  ASSERT_GT(a.size(), 100u);
  EXPECT_EQ(a, b);
}

TEST_F(HeadlessRendererTest, LevelGroundFromAboveHasTheSunlitColour) {
  // No height map: a level plateau; no ground image: plain white lit ground. Nothing
  // drawn over it.
  const std::string ini =
      "[World]\nWorldSizeX=21\nWorldSizeY=21\nStepSize=1\nHeightScaling=1\nHeightmapFile=\n"
      "[View]\nFOV=60\nDepth=50\nSizeOfViewer=0.5\n"
      "[Sunlight]\nAmbient=0.1\nDiffuse=0.5\n"
      "[Crosshair]\nTexture=gfx/Crosshair.bmp\nDrawCrosshair=0\n"
      "[Trees]\nCount=0\n";
  WriteFile(dir.File("plain.ini"), ini);
  std::filesystem::remove(dir.File("gfx/Textures/Landscape5.bmp"));
  int code = -1;
  const std::string line = Render(dir.path(), dir.File("plain.ini"), "look 90", dir.File("down.png"), &code);
  ASSERT_EQ(code, 0) << line;

  // Sun towards (10, 1.7, 10) (half of 21 samples, times step 1); the level ground's
  // vertex normal is (0, 2, 0), not normalised. Colour material makes the ground's
  // ambient and diffuse white: global ambient 0.2 + light ambient + diffuse * N.L.
  const double nDotL = 2.0 * 1.7 / std::sqrt(10.0 * 10.0 + 1.7 * 1.7 + 10.0 * 10.0);
  const double expected = 255.0 * (0.2 + 0.1 + 0.5 * nDotL);
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  ASSERT_TRUE(ReadPng(dir.File("down.png"), w, h, rgba));
  for (auto [x, y] : {std::pair{w / 2, h / 2}, std::pair{5, 5}, std::pair{w - 5, h - 5}}) {
    const size_t i = (static_cast<size_t>(y) * w + x) * 4;
    EXPECT_NEAR(rgba[i], expected, 2.0) << x << "," << y;
    EXPECT_NEAR(rgba[i + 1], expected, 2.0);
    EXPECT_NEAR(rgba[i + 2], expected, 2.0);
  }
}
