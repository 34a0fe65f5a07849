// The default world in a real window: it starts, and walking and the mouse change the
// picture.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/e2e.h"

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Pixels of the program's window (at the screen's origin) that differ by more than a
// little between two screenshots.
int ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int screenWidth, int width,
                  int height) {
  int changed = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t i = (static_cast<size_t>(y) * screenWidth + x) * 3;
      if (i + 2 >= a.size() || i + 2 >= b.size()) return changed;
      const int d = std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]);
      if (d > 24) ++changed;
    }
  }
  return changed;
}

class WorldE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    run.CopyDefaultWorld();
    settings = WindowedShippedSettings(kWidth, kHeight);
    // The counter changes by itself; without it a still view gives still pictures.
    settings = WithSetting(settings, "FPS", "DrawCounter", "0");
  }

  std::string Start() {
    run.WriteSettings(settings);
    EXPECT_TRUE(run.Start(x.Env()));
    auto id = WaitForProgramWindow(x, run, "Quillmarsh", 30.0);
    EXPECT_TRUE(id.has_value()) << run.Stderr();
    Sleep(1500);
    return id.value_or("");
  }

  std::vector<uint8_t> Shot() {
    int w = 0, h = 0;
    auto pixels = x.Screenshot(w, h);
    screenWidth = w;
    return pixels;
  }

  void Quit(const std::string& id) {
    x.Xdotool({"key", "--window", id, "Escape"});
    EXPECT_EQ(run.Wait(30.0), std::optional<int>(0)) << run.Stderr();
  }

  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;
  XServer x;
  ProgramRun run;
  std::string settings;
  int screenWidth = 0;
};

}  // namespace

TEST_F(WorldE2ETest, WalkingAndTheMouseChangeThePicture) {
  const std::string id = Start();
  ASSERT_FALSE(id.empty());
  const auto still1 = Shot();
  Sleep(300);
  const auto still2 = Shot();
  // Nothing moves by itself: the comparisons below can only pass through input.
  EXPECT_LT(ChangedPixels(still1, still2, screenWidth, kWidth, kHeight), kWidth * kHeight / 100);

  x.Xdotool({"keydown", "--window", id, "Up"});
  Sleep(1000);
  x.Xdotool({"keyup", "--window", id, "Up"});
  Sleep(800);
  const auto walked = Shot();
  EXPECT_GT(ChangedPixels(still2, walked, screenWidth, kWidth, kHeight), kWidth * kHeight / 10);

  // A real mouse reports relative motion; the program reads it in relative mode.
  x.Xdotool({"mousemove_relative", "--", "-150", "0"});
  Sleep(800);
  const auto turned = Shot();
  EXPECT_GT(ChangedPixels(walked, turned, screenWidth, kWidth, kHeight), kWidth * kHeight / 10);

  EXPECT_TRUE(run.Running());
  Quit(id);
}
