// The real program in a real X window: size and placement, the three ways to end it,
// a failed display switch, and no display at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/e2e.h"

namespace {

class WindowE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    run.CopyDefaultWorld();
    settings = ShippedSettings();
    settings = WithSetting(settings, "Resolution", "Width", "800");
    settings = WithSetting(settings, "Resolution", "Height", "600");
    settings = WithSetting(settings, "Resolution", "Fullscreen", "0");
  }

  std::string StartAndFindWindow() {
    run.WriteSettings(settings);
    filesBefore = run.ListFiles();
    EXPECT_TRUE(run.Start(x.Env()));
    auto id = x.WaitForWindow("Quillmarsh", 30.0);
    EXPECT_TRUE(id.has_value()) << "files " << run.ListFiles().size() << " display " << x.display() << " exit " << run.Wait(0).value_or(-1) << ": " << run.Stderr();
    // Let the first frames run.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return id.value_or("");
  }

  void ExpectNothingWritten() {
    auto after = run.ListFiles();
    after.erase(std::remove(after.begin(), after.end(), ".stderr"), after.end());
    auto before = filesBefore;
    before.erase(std::remove(before.begin(), before.end(), ".stderr"), before.end());
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
  }

  XServer x;
  ProgramRun run;
  std::string settings;
  std::vector<std::string> filesBefore;
};

}  // namespace

TEST_F(WindowE2ETest, BorderlessWindowAtTheOriginEndsWithEscape) {
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
  EXPECT_EQ(run.Wait(20.0), std::optional<int>(1)) << run.Stderr();
  ExpectNothingWritten();
}

TEST_F(WindowE2ETest, WindowManagerCloseEndsWithOne) {
  const std::string id = StartAndFindWindow();
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(x.SendDeleteWindow(id));
  EXPECT_EQ(run.Wait(20.0), std::optional<int>(1)) << run.Stderr();
}

TEST_F(WindowE2ETest, AltF4EndsWithOne) {
  const std::string id = StartAndFindWindow();
  ASSERT_FALSE(id.empty());
  x.Xdotool({"key", "--window", id, "alt+F4"});
  EXPECT_EQ(run.Wait(20.0), std::optional<int>(1)) << run.Stderr();
}

TEST_F(WindowE2ETest, ImpossibleFullScreenSizeIsReportedAndEndsWithOne) {
  settings = WithSetting(settings, "Resolution", "Width", "123");
  settings = WithSetting(settings, "Resolution", "Height", "77");
  settings = WithSetting(settings, "Resolution", "Fullscreen", "1");
  run.WriteSettings(settings);
  ASSERT_TRUE(run.Start(x.Env()));
  auto box = x.WaitForWindow("Error", 30.0);
  ASSERT_TRUE(box.has_value()) << run.Stderr();
  EXPECT_TRUE(run.Running());  // the box holds the program until it is dismissed
  x.Xdotool({"key", "--window", *box, "Return"});
  EXPECT_EQ(run.Wait(20.0), std::optional<int>(1)) << run.Stderr();
  EXPECT_NE(run.Stderr().find("Error: Can't switch resolution"), std::string::npos) << run.Stderr();
}

TEST(NoDisplayE2ETest, WithoutAnyDisplayItEndsWithZeroAndSaysWhy) {
  ProgramRun run;
  run.CopyDefaultWorld();
  ASSERT_TRUE(run.Start(EnvironmentWithoutDisplay()));
  EXPECT_EQ(run.Wait(30.0), std::optional<int>(0)) << run.Stderr();
  const std::string err = run.Stderr();
  EXPECT_NE(err.find("no display was found"), std::string::npos) << err;
  EXPECT_NE(err.find("Error: Failed to register the window class"), std::string::npos) << err;
}
