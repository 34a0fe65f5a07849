// A bounded soak of the headless renderer: thousands of frames of seeded random input on
// a small world with extreme settings given on its command line, the viewer's invariants
// checked after every frame and the memory compared between 10% of the run and its end;
// the seed replays a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/test_files.h"

TEST(HeadlessSoakTest, InvariantsAndMemoryHoldOnExtremeWorldsAndTheSeedReplays) {
  ASSERT_NE(std::getenv("QM_HEADLESS"), nullptr);
  TempDir dir;
  std::filesystem::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", dir.File("gfx"),
                        std::filesystem::copy_options::recursive);
  WriteFile(dir.File("Quillmarsh.ini"), ShippedSettings());
  // A world of 17 x 13 samples with a few small trees that find room on any of the worlds
  // below, `sets` applied; the renderer runs without a display. The line with the final pose.
  const auto soak = [&dir](std::vector<std::string> sets, const std::string& frames, const char* seed) {
    std::vector<std::string> args = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", std::getenv("QM_HEADLESS"),
                                     "--folder", dir.path(), "--size", "64x48", "--soak", frames, "--seed", seed,
                                     "--render-every", "250"};
    sets.insert(sets.begin(), {"World/WorldSizeX=17", "World/WorldSizeY=13", "Trees/Count=4", "Trees/Size=0.005",
                               "Trees/MaxTerrainRoughness=1000"});
    for (const std::string& set : sets) args.insert(args.end(), {"--set", set});
    int code = -1;
    const std::string out = RunCapture(args, 120.0, &code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("soak: " + frames + " frames"), std::string::npos) << out;
    EXPECT_NE(out.find("| ok"), std::string::npos) << out;
    const auto at = out.find("final pose");
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
  };
  // Huge steps over a sunken world, gravity pointing up, no jump force, forces at once.
  soak({"World/StepSize=999", "World/HeightScaling=-5", "Gravity/GravityY=0.5", "Motion/JumpForce=0",
        "Motion/AccelerationTime=0", "Motion/MidAirAccelerationTime=0"},
       "20000", "7");
  // A broken invariant is reported with its seed; rerunning that seed must replay it.
  const std::string first = soak({}, "3000", "11");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, soak({}, "3000", "11"));
  EXPECT_NE(first, soak({}, "3000", "12"));
  // The settings given on the command line take effect.
  EXPECT_NE(first, soak({"Motion/Speed=2"}, "3000", "11"));
}
