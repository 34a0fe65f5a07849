// The real program in a real X window: a borderless window at the origin, still while
// nothing is pressed, walking on a held arrow key and turning with a real mouse, and
// ending with 0 on Escape. (The other endings and failures: e2e_failure_paths_test.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "headless/ini_edit.h"
#include "support/e2e.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Pixels of the program's window (at the screen's origin) that differ by more than a
// little between two screenshots.
int ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int screenWidth) {
  int changed = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t i = (static_cast<size_t>(y) * screenWidth + x) * 3;
      const int d = std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]);
      changed += d > 24 ? 1 : 0;
    }
  }
  return changed;
}

}  // namespace

TEST(WindowE2ETest, BorderlessAtTheOriginWalksTurnsAndEndsOnEscape) {
  XServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  ProgramRun run;
  run.CopyDefaultWorld();
  // The counter changes by itself; without it a still view gives still pictures.
  run.WriteSettings(WithSetting(WindowedShippedSettings(kWidth, kHeight), "FPS", "DrawCounter", "0"));
  ASSERT_TRUE(run.Start(x.Env()));
  const auto id = WaitForProgramWindow(x, run, "Quillmarsh", 30.0);
  ASSERT_TRUE(id.has_value() && x.WaitUntilViewable(*id, 30.0)) << run.Stderr();
  Sleep(1500);

  const std::string info = RunCapture({"xwininfo", "-id", *id}, x.Env());
  for (const char* line : {"Absolute upper-left X:  0", "Absolute upper-left Y:  0", "Width: 400", "Height: 300"}) {
    EXPECT_NE(info.find(line), std::string::npos) << info;
  }
  // No frame around it: the window's parent is the root window itself.
  const std::string tree = RunCapture({"xwininfo", "-id", *id, "-tree"}, x.Env());
  EXPECT_NE(tree.find("(the root window)"), std::string::npos) << tree;

  int w = 0, h = 0;
  const auto still1 = x.Screenshot(w, h);
  Sleep(300);
  const auto still2 = x.Screenshot(w, h);
  // Nothing moves by itself: the comparisons below can only pass through input.
  EXPECT_LT(ChangedPixels(still1, still2, w), kWidth * kHeight / 100);

  x.Xdotool({"keydown", "--window", *id, "Up"});
  Sleep(1000);
  x.Xdotool({"keyup", "--window", *id, "Up"});
  Sleep(800);
  const auto walked = x.Screenshot(w, h);
  EXPECT_GT(ChangedPixels(still2, walked, w), kWidth * kHeight / 10);

  // A real mouse reports relative motion; the program reads it in relative mode.
  x.Xdotool({"mousemove_relative", "--", "-150", "0"});
  Sleep(800);
  const auto turned = x.Screenshot(w, h);
  EXPECT_GT(ChangedPixels(walked, turned, w), kWidth * kHeight / 10);

  // Held like a real key, and released on the server whatever has the focus then.
  x.Xdotool({"keydown", "--window", *id, "Escape"});
  Sleep(200);
  x.Xdotool({"keyup", "Escape"});
  EXPECT_EQ(run.Wait(30.0), std::optional<int>(0)) << run.Stderr();
  EXPECT_EQ(run.Stderr(), "");
}
