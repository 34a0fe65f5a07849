// A bounded soak of the headless renderer: thousands of frames of seeded random input
// on small worlds with extreme settings, the viewer's invariants checked after every
// frame and the memory compared between 10% of the run and its end; the seed replays a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/test_files.h"

namespace {

// The shipped settings on a world of 17 x 13 samples with a few small trees that find
// room on any of these worlds, `sets` ("Section/Key=Value") applied.
std::string Soak(const TempDir& dir, std::vector<std::string> sets, const char* frames, const char* seed,
                 int* code) {
  std::vector<std::string> argv = {std::getenv("QM_HEADLESS"), "--folder", dir.path(), "--size", "64x48",
                                   "--soak", frames, "--seed", seed, "--render-every", "250"};
  sets.insert(sets.begin(), {"World/WorldSizeX=17", "World/WorldSizeY=13", "Trees/Count=4", "Trees/Size=0.005",
                             "Trees/MaxTerrainRoughness=1000"});
  for (const std::string& set : sets) argv.insert(argv.end(), {"--set", set});
  return RunCapture(argv, EnvironmentWithoutDisplay(), 120.0, code);
}

std::string FinalPose(const std::string& out) {
  const auto at = out.find("final pose");
  return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
}

}  // namespace

TEST(HeadlessSoakTest, InvariantsAndMemoryHoldOnExtremeWorldsAndTheSeedReplays) {
  ASSERT_NE(std::getenv("QM_HEADLESS"), nullptr);
  TempDir dir;
  std::filesystem::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", dir.File("gfx"),
                        std::filesystem::copy_options::recursive);
  WriteFile(dir.File("Quillmarsh.ini"), ShippedSettings());
  const std::vector<std::string> worlds[] = {
      // Huge steps over a sunken world, gravity pointing up, no jump force, forces at once.
      {"World/StepSize=999", "World/HeightScaling=-5", "Gravity/GravityY=0.5", "Motion/JumpForce=0",
       "Motion/AccelerationTime=0", "Motion/MidAirAccelerationTime=0"},
      // Tiny steps under steep hills: every frame's move crosses cells, jumps land on slopes.
      {"World/StepSize=0.01", "World/HeightScaling=200", "Motion/JumpForce=3"},
      // Level ground at 0 with no damping and no gravity growth.
      {"World/HeightScaling=0", "Motion/Slowdown=0", "Motion/MidAirSlowdown=0", "Gravity/GravityAcceleration=0"},
  };
  for (const auto& sets : worlds) {
    int code = -1;
    const std::string out = Soak(dir, sets, "20000", "7", &code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("soak: 20000 frames"), std::string::npos) << out;
    EXPECT_NE(out.find("| ok"), std::string::npos) << out;
  }
  // A broken invariant is reported with its seed; rerunning that seed must replay it.
  int a = -1, b = -1, c = -1;
  const std::string first = FinalPose(Soak(dir, {}, "3000", "11", &a));
  ASSERT_EQ(a, 0);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, FinalPose(Soak(dir, {}, "3000", "11", &b)));
  EXPECT_NE(first, FinalPose(Soak(dir, {}, "3000", "12", &c)));
}
