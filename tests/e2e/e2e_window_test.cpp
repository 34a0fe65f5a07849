// The real program in a real X window: its size and placement. (How it ends and how it
// fails are in e2e_failure_paths_test.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/e2e.h"

namespace {

class WindowE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    run.CopyDefaultWorld();
    settings = WindowedShippedSettings(800, 600);
  }

  std::string StartAndFindWindow() {
    run.WriteSettings(settings);
    EXPECT_TRUE(run.Start(x.Env()));
    auto id = WaitForProgramWindow(x, run, "Quillmarsh", 30.0);
    EXPECT_TRUE(id.has_value() && x.WaitUntilViewable(*id, 30.0)) << run.Stderr();
    // Let the first frames run.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return id.value_or("");
  }

  XServer x;
  ProgramRun run;
  std::string settings;
};

}  // namespace

TEST_F(WindowE2ETest, BorderlessWindowAtTheOrigin) {
  const std::string id = StartAndFindWindow();
  ASSERT_FALSE(id.empty());
  const std::string info = RunCapture({"xwininfo", "-id", id}, x.Env());
  EXPECT_NE(info.find("Absolute upper-left X:  0"), std::string::npos) << info;
  EXPECT_NE(info.find("Absolute upper-left Y:  0"), std::string::npos) << info;
  EXPECT_NE(info.find("Width: 800"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 600"), std::string::npos) << info;
  // No frame around it: the window's parent is the root window itself.
  const std::string tree = RunCapture({"xwininfo", "-id", id, "-tree"}, x.Env());
  EXPECT_NE(tree.find("(the root window)"), std::string::npos) << tree;
  EXPECT_TRUE(run.Running());

  x.Xdotool({"key", "--window", id, "Escape"});
  run.Wait(20.0);
}
