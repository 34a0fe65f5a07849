// The headless renderer: the same script gives the same picture twice, and settings
// edited on its command line take effect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/e2e.h"
#include "support/test_files.h"

namespace {

std::string Render(const std::string& folder, const std::string& out, const std::string& set, int* exitCode) {
  const char* renderer = std::getenv("QM_HEADLESS");
  if (renderer == nullptr) return "";
  return RunCapture({renderer, "--folder", folder, "--size", "160x120", "--script",
                     "forward 20, turn 30, jump, wait 10, left 5", "--out", out, "--set", "FPS/DrawCounter=0",
                     "--set", set},
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

TEST_F(HeadlessRendererTest, SameScriptSamePictureAndSettingsFromTheCommandLine) {
  WriteFile(dir.File("Quillmarsh.ini"), ShippedSettings());
  int code1 = -1, code2 = -1, code3 = -1;
  const std::string line = Render(dir.path(), dir.File("a.png"), "Weapon/Enabled=1", &code1);
  Render(dir.path(), dir.File("b.png"), "Weapon/Enabled=1", &code2);
  Render(dir.path(), dir.File("c.png"), "Weapon/Enabled=0", &code3);
  ASSERT_EQ(code1, 0) << line;
  ASSERT_EQ(code2, 0);
  ASSERT_EQ(code3, 0);
  EXPECT_NE(line.find("frames: mean"), std::string::npos) << line;
  const auto a = ReadFileBytes(dir.File("a.png"));
  ASSERT_GT(a.size(), 100u);
  EXPECT_EQ(a, ReadFileBytes(dir.File("b.png")));
  EXPECT_NE(a, ReadFileBytes(dir.File("c.png")));
}
