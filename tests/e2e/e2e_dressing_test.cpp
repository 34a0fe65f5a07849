// The dressed default world in a real window: sky, trees, crosshair, held lantern and
// frame counter are on screen.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/e2e.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Shot {
  std::vector<uint8_t> rgb;
  int width = 0;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

class DressingE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    settings = WindowedShippedSettings(kWidth, kHeight);
  }

  // Runs the program with `ini`, waits until it draws, takes a screenshot, quits.
  Shot RunAndShoot(const std::string& ini, const std::string& savePng = "") {
    ProgramRun run;
    run.CopyDefaultWorld();
    run.WriteSettings(ini);
    EXPECT_TRUE(run.Start(x.Env()));
    auto id = WaitForProgramWindow(x, run, "Quillmarsh", 30.0);
    EXPECT_TRUE(id.has_value()) << run.Stderr();
    Sleep(2500);
    Shot shot;
    int h = 0;
    shot.rgb = x.Screenshot(shot.width, h);
    if (!savePng.empty()) x.SavePng(savePng);
    EXPECT_TRUE(run.Running()) << run.Stderr();
    // Held for a while like a real key; released on the server whatever has the
    // focus then, so that no Escape stays down for the next run.
    x.Xdotool({"keydown", "--window", id.value_or("0"), "Escape"});
    Sleep(200);
    x.Xdotool({"keyup", "Escape"});
    EXPECT_EQ(run.Wait(30.0), std::optional<int>(0)) << run.Stderr();
    return shot;
  }

  static int CountIn(const Shot& s, int x0, int y0, int x1, int y1, bool (*test)(const uint8_t*)) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int xx = x0; xx < x1; ++xx) n += test(s.At(xx, y)) ? 1 : 0;
    }
    return n;
  }

  XServer x;
  std::string settings;
};

bool Bluish(const uint8_t* p) { return p[2] > p[0] + 30 && p[2] > 120; }
bool Bright(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }
bool Brass(const uint8_t* p) { return p[0] > 120 && p[0] > p[1] + 20 && p[1] > p[2] + 20; }

}  // namespace

TEST_F(DressingE2ETest, DefaultWorldShowsSkyTreesCrosshairLanternAndCounter) {
  const char* build = std::getenv("QM_BUILD_DIR");
  const std::string png = build != nullptr ? std::string(build) + "/e2e-default-world.png" : "";
  const Shot dressed = RunAndShoot(settings, png);
  // Sky across the top left of the window (a tree may stand in front of the rest).
  EXPECT_GT(CountIn(dressed, 0, 20, kWidth / 3, 120, Bluish), kWidth / 3 * 100 * 6 / 10);
  // The brass lantern in the lower right.
  EXPECT_GT(CountIn(dressed, kWidth / 2, kHeight / 2, kWidth, kHeight, Brass), 2000);
  EXPECT_EQ(CountIn(dressed, 0, kHeight / 2, kWidth / 4, kHeight, Brass), 0);
  // White counter text in the top-right corner, nowhere else along the top.
  EXPECT_GT(CountIn(dressed, kWidth - 74, 0, kWidth, 14, Bright), 20);

  // The same view without trees, counter and crosshair: what differs is theirs.
  std::string bare = WithSetting(settings, "Trees", "Count", "0");
  bare = WithSetting(bare, "FPS", "DrawCounter", "0");
  bare = WithSetting(bare, "Crosshair", "DrawCrosshair", "0");
  const Shot plain = RunAndShoot(bare);
  auto differing = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int xx = x0; xx < x1; ++xx) {
        const uint8_t* a = dressed.At(xx, y);
        const uint8_t* b = plain.At(xx, y);
        n += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 40 ? 1 : 0;
      }
    }
    return n;
  };
  EXPECT_GT(differing(0, 150, kWidth / 2 - 20, 330), 200);  // trees on the horizon, left of centre
  EXPECT_GT(differing(kWidth / 2 - 12, kHeight / 2 - 12, kWidth / 2 + 12, kHeight / 2 + 12), 10);  // crosshair
  EXPECT_EQ(CountIn(plain, kWidth - 74, 0, kWidth, 14, Bright), 0);
}
