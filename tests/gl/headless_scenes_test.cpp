// Whole scenes, as the headless renderer draws them from the generated world: for each
// scripted walk, the viewer's pose after every frame and every 30th picture are reduced to
// one 64-bit FNV-1a digest and compared with the digest recorded when the pictures were
// last checked by eye. Any change to what the program shows or how the viewer moves
// changes a digest; a change that is meant must come with new digests (the failure
// message prints them) after looking at the pictures it writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace {

struct Scene {
  const char* name;
  const char* size;
  const char* sets;  // --set arguments over the shipped settings
  const char* script;
  uint64_t digest;
};

// Walks, jumps, turns and looks that reach the sky's wrap, the world's edge, the trees
// far and near, the weapon, the counter and the crosshair, under several settings; the
// key list shown and hidden again, and the pause.
const Scene kScenes[] = {
    {"shipped", "320x240", "",
     "forward 60, turn 90, jump, forward 30, wait 20, look 30, turn -150, back 20, left 10, right 5, look -60, wait 5",
     0x145e985329d62242},
    {"flashlight-dim-sun", "240x240",
     "--set Flashlight/Enabled=1 --set Sunlight/Ambient=0.1 --set Sunlight/Diffuse=0.3 --set Trees/Brightness=0.6",
     "turn 200, help, forward 40, help, look 50, pause, wait 10", 0xe0d2feac4200c2e9},
    {"edge-inverted-narrow", "400x150",
     "--set World/WorldSizeX=40 --set World/WorldSizeY=60 --set World/HeightScaling=-10 --set View/FOV=30 "
     "--set Trees/Count=40 --set Motion/Speed=3 --set Crosshair/Size=3 --set Crosshair/Transparency=0.5 --set Mouse/Invert=1",
     "forward 120, turn 45, forward 80, jump, look -20, left 40, wait 10", 0xb14d17dfc44b9249},
    {"bare-plateau", "200x300",
     "--set World/HeightmapFile= --set SkyBox/Texture= --set Trees/Count=0 --set Weapon/Enabled=0 "
     "--set FPS/DrawCounter=0 --set View/SizeOfViewer=0.3 --set World/StepSize=1 --set View/Depth=60",
     "forward 30, turn 30, look 40, wait 5", 0xec60ecd580f1e681},
    {"motion-extremes", "160x120",
     "--set Motion/AccelerationTime=0 --set Motion/MidAirAccelerationTime=0 --set Motion/SmallestForce=0.2 "
     "--set Motion/JumpForce=2 --set Gravity/GravityAcceleration=10 --set Motion/MaxAccelerationFactor=1 "
     "--set Trees/Count=2000 --set Trees/Size=0.1 --set Mouse/Speed=2",
     "jump, forward 20, jump, back 30, wait 40, right 20, turn 720, look 200, end 1, look -400", 0x73962fe9f235fb44},
};

template <typename Bytes>
uint64_t Fnv1a(const Bytes& bytes, uint64_t digest) {
  for (const auto c : bytes) digest = (digest ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
  return digest;
}

// Runs the renderer; the digest covers the pose lines and the pictures in frame order.
uint64_t Digest(const Scene& scene, const TempDir& dir) {
  const std::string build = std::getenv("QM_BUILD_DIR");
  const std::string out = dir.File(std::string(scene.name) + ".png");
  const std::string command = std::string(std::getenv("QM_HEADLESS")) + " --folder " + build + " --size " +
                              scene.size + " " + scene.sets + " --frame-ms 20 --trace --every 30 --out " + out +
                              " --script '" + scene.script + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  uint64_t digest = 0xcbf29ce484222325ull;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (std::string(line).rfind("frame ", 0) == 0) digest = Fnv1a(std::string(line), digest);
  }
  if (pclose(pipe) != 0) return 0;
  for (int frame = 30;; frame += 30) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%05d.png", frame);
    const std::string picture = out.substr(0, out.size() - 4) + suffix;
    if (!std::filesystem::exists(picture)) break;
    digest = Fnv1a(ReadFileBytes(picture), digest);
  }
  return Fnv1a(ReadFileBytes(out), digest);
}

}  // namespace

TEST(HeadlessScenes, PosesAndPicturesAreThoseLastCheckedByEye) {
  ASSERT_NE(std::getenv("QM_HEADLESS"), nullptr);
  TempDir dir;
  for (const Scene& scene : kScenes) {
    const uint64_t digest = Digest(scene, dir);
    EXPECT_NE(digest, 0u) << scene.name << ": the renderer failed";
    char actual[32];
    std::snprintf(actual, sizeof actual, "0x%llx", static_cast<unsigned long long>(digest));
    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%llx", static_cast<unsigned long long>(scene.digest));
    EXPECT_STREQ(actual, expected) << scene.name << ": pictures in " << dir.path();
  }
}
