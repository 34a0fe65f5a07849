// The viewer's motion model over real height fields: the first frames of walking and
// falling, the caps, the fence, the ground glue, and survival of hostile settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "viewer/viewer.h"

namespace {

// A terrain of samplesZ x samplesX samples, step 0.2 and height scaling 5 (heights
// 0..1), from an 8-bit grey height map: level(i, j) gives the grey of the sample at
// z = i * step, x = j * step. A null level makes the full-height plateau (height 1).
std::unique_ptr<Terrain> MakeTerrain(int samplesZ, int samplesX,
                                     const std::function<int(int, int)>& level = nullptr) {
  auto terrain = std::make_unique<Terrain>();
  terrain->SetStepSize(0.2f);
  terrain->SetHeightScaling(5.0f);
  TempDir dir;
  std::string file = dir.File("missing.bmp");
  if (level) {
    file = dir.File("height.bmp");
    BmpLayout grey;
    grey.bitsPerPixel = 8;
    // Image columns run along world z, rows (from the top) along world x.
    WriteFile(file, MakeBmp(samplesZ, samplesX,
                            [&](int column, int row) {
                              const auto g = static_cast<uint8_t>(level(column, row));
                              return Rgb{g, g, g};
                            },
                            grey));
  }
  EXPECT_TRUE(terrain->BuildHeightField(file.c_str(), static_cast<int16_t>(samplesZ),
                                        static_cast<int16_t>(samplesX)));
  return terrain;
}

// The viewer as the scene set-up leaves it with no settings file, except for the
// gravity and jump values a test chooses.
void ConfigureDefaults(Viewer& v, Terrain* terrain) {
  v.SetTerrain(terrain);
  v.SetGravity(Vector3(0, 0, 0));
  v.SetSpeed(0.5f);
  v.slowdown = 5.0f;
  v.midAirSlowdown = 5.0f;
  v.smallestForce = 0.0f;
  v.accelerationTime = 100;
  v.midAirAccelerationTime = 100;
  v.jumpVector.y = 0.0f;
  v.gravityAcceleration = 0.0f;
  v.maxAccelerationFactor = 4.0f;
  v.minimumHeight = 0.0f;
  v.SetSizeOfViewer(0.0f);
}

void PlaceOnGround(Viewer& v, float x, float z) {
  v.SetX(x);
  v.SetZ(z);
  v.SetY(v.GroundHeight());
}

float Distance(float ax, float ay, float az, float bx, float by, float bz) {
  return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
}

}  // namespace

TEST(ViewerMotionTest, FirstForwardFrameOnFlatGround) {
  auto terrain = MakeTerrain(20, 20);
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  PlaceOnGround(v, 2.0f, 2.0f);
  ASSERT_FLOAT_EQ(v.GetY(), 1.0f);

  v.Move(true, false, false, false, false, false, 10);
  EXPECT_NEAR(v.velocity.x, 0.0f, 1e-7f);
  EXPECT_EQ(v.velocity.y, 0.0f);
  EXPECT_FLOAT_EQ(v.velocity.z, -0.05f);

  v.Update(10);
  EXPECT_NEAR(v.GetX(), 2.0f, 1e-6f);
  EXPECT_NEAR(v.GetZ(), 2.0f - 0.0005f, 1e-6f);
  EXPECT_FLOAT_EQ(v.GetY(), 1.0f);
  EXPECT_FLOAT_EQ(v.velocity.z, -0.05f / 1.05f);
  EXPECT_FALSE(v.inAir);

  // At heading 0 the right-hand direction is +x and the left-hand one -x.
  v.velocity.Clear();
  v.Move(false, false, false, true, false, false, 10);
  EXPECT_FLOAT_EQ(v.velocity.x, 0.05f);
  v.velocity.Clear();
  v.Move(false, false, true, false, false, false, 10);
  EXPECT_FLOAT_EQ(v.velocity.x, -0.05f);
}

TEST(ViewerMotionTest, FallsWithGrowingFallVelocityAndLands) {
  auto terrain = MakeTerrain(20, 20);
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  v.SetGravity(Vector3(0, -0.15f, 0));
  v.gravityAcceleration = 2.5f;
  PlaceOnGround(v, 2.0f, 2.0f);
  v.SetY(1.5f);
  v.fallVelocity = v.gravity;

  v.Update(10);
  EXPECT_TRUE(v.inAir);
  EXPECT_FLOAT_EQ(v.fallVelocity.y, -0.15375f);
  EXPECT_FLOAT_EQ(v.GetY(), 1.5f - 0.0015375f);
  EXPECT_EQ(v.velocity.y, 0.0f);  // the fall never enters the walking velocity

  // Keep falling: the feet never go below the ground, and the first update on the
  // ground resets the fall velocity to gravity.
  int frames = 0;
  while (v.inAir && frames < 10000) {
    v.Update(16);
    EXPECT_GE(v.GetY(), v.GroundHeight());
    ++frames;
  }
  EXPECT_FLOAT_EQ(v.GetY(), 1.0f);
  v.Update(16);
  EXPECT_FALSE(v.inAir);
  EXPECT_FLOAT_EQ(v.fallVelocity.y, -0.15f);
  EXPECT_FLOAT_EQ(v.GetY(), 1.0f);
}

TEST(ViewerMotionTest, DisplacementPerFrameIsCapped) {
  auto terrain = MakeTerrain(200, 200);
  for (bool airborne : {false, true}) {
    Viewer v;
    ConfigureDefaults(v, terrain.get());
    PlaceOnGround(v, 20.0f, 20.0f);
    if (airborne) v.SetY(30.0f);
    v.velocity = Vector3(300.0f, 50.0f, -800.0f);
    v.fallVelocity = Vector3(0.0f, -1.0e6f, 0.0f);
    v.SetGravity(v.fallVelocity);
    const float x0 = v.GetX(), y0 = v.GetY(), z0 = v.GetZ();
    v.Update(100);
    EXPECT_LE(Distance(x0, y0, z0, v.GetX(), v.GetY(), v.GetZ()), 0.2f + 1e-5f)
        << "airborne " << airborne;
    EXPECT_GT(Distance(x0, y0, z0, v.GetX(), v.GetY(), v.GetZ()), 0.19f);
  }
}

TEST(ViewerMotionTest, JumpOnlyFromTheGround) {
  auto terrain = MakeTerrain(20, 20);
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  v.jumpVector.y = 1.0f;
  v.SetGravity(Vector3(0, -0.5f, 0));
  v.gravityAcceleration = 2.5f;
  PlaceOnGround(v, 2.0f, 2.0f);

  v.Jump();
  EXPECT_FLOAT_EQ(v.velocity.y, 1.0f);
  v.Update(16);
  EXPECT_GT(v.GetY(), 1.0f);  // the glue stays off while rising

  const float vy = v.velocity.y;
  v.Jump();  // in the air: nothing
  EXPECT_TRUE(v.inAir);
  EXPECT_EQ(v.velocity.y, vy);

  // Under gravity the viewer comes down; landing ends the upward velocity, so the
  // feet stay on the ground instead of bouncing off again.
  for (int frame = 0; frame < 200; ++frame) v.Update(16);
  EXPECT_FALSE(v.inAir);
  EXPECT_EQ(v.GetY(), 1.0f);
  EXPECT_EQ(v.velocity.y, 0.0f);
}

TEST(ViewerMotionTest, OppositeKeysCancel) {
  auto terrain = MakeTerrain(20, 20);
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  PlaceOnGround(v, 2.0f, 2.0f);
  v.Turn(33.0f);
  v.Move(true, true, false, false, false, false, 16);
  v.Move(false, false, true, true, false, false, 16);
  v.Move(false, false, false, false, true, true, 16);
  EXPECT_NEAR(v.velocity.Length(), 0.0f, 1e-6f);
}

TEST(ViewerMotionTest, FenceHalfAStepInsideEveryEdge) {
  // 12 samples along z, 20 along x: a mix-up of the two extents shows.
  auto terrain = MakeTerrain(12, 20, [](int i, int j) { return 40 + 3 * i + 5 * j; });
  const float step = 0.2f;
  const float xMax = 19 * step - step / 2;
  const float zMax = 11 * step - step / 2;
  struct Case {
    float heading;
    float x, z;  // where the viewer ends
  } cases[] = {
      {0.0f, 1.0f, step / 2},     // forward along -z
      {180.0f, 1.0f, zMax},       // along +z
      {90.0f, step / 2, 1.0f},    // along -x
      {270.0f, xMax, 1.0f},       // along +x
  };
  for (const Case& c : cases) {
    Viewer v;
    ConfigureDefaults(v, terrain.get());
    v.SetSpeed(5.0f);
    PlaceOnGround(v, 1.0f, 1.0f);
    v.Turn(c.heading);
    for (int frame = 0; frame < 200; ++frame) {
      v.Move(true, false, false, false, false, false, 16);
      v.Update(16);
      ASSERT_GE(v.GetX(), step / 2 - 1e-5f);
      ASSERT_LE(v.GetX(), xMax + 1e-5f);
      ASSERT_GE(v.GetZ(), step / 2 - 1e-5f);
      ASSERT_LE(v.GetZ(), zMax + 1e-5f);
    }
    EXPECT_NEAR(v.GetX(), c.x, 1e-4f) << "heading " << c.heading;
    EXPECT_NEAR(v.GetZ(), c.z, 1e-4f) << "heading " << c.heading;
    EXPECT_GE(v.GetY(), terrain->HeightAt(v.GetZ(), v.GetX()));
    EXPECT_GT(terrain->HeightAt(v.GetZ(), v.GetX()), 0.0f);  // real ground, not -1
  }
}

TEST(ViewerMotionTest, SmallestForceBoundary) {
  Viewer v;  // no terrain: always on the ground
  ConfigureDefaults(v, nullptr);
  v.smallestForce = 0.5f;
  v.velocity = Vector3(0.25f, 0.0f, -0.25f);
  v.Update(0);
  EXPECT_EQ(v.velocity.x, 0.25f);  // exactly equal: kept
  EXPECT_EQ(v.velocity.z, -0.25f);

  v.smallestForce = std::nextafter(0.5f, 1.0f);
  v.Update(0);
  EXPECT_EQ(v.velocity.x, 0.0f);  // just below: stopped
  EXPECT_EQ(v.velocity.z, 0.0f);
}

TEST(ViewerMotionTest, ZeroMillisecondsMovesNothingButTheGlue) {
  // A gentle slope falling towards -z.
  auto terrain = MakeTerrain(20, 20, [](int i, int) { return 5 * i; });
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  v.jumpVector.y = 1.0f;
  v.SetGravity(Vector3(0, -0.15f, 0));
  v.gravityAcceleration = 2.5f;
  PlaceOnGround(v, 2.0f, 2.0f);
  v.SetY(v.GetY() + 0.00001f);  // a hair above the ground counts as in the air
  v.velocity = Vector3(0.3f, 0.0f, -0.4f);
  v.Move(true, false, false, false, false, false, 0);
  v.Update(0);
  EXPECT_EQ(v.GetX(), 2.0f);
  EXPECT_EQ(v.GetZ(), 2.0f);
  EXPECT_FLOAT_EQ(v.GetY(), terrain->HeightAt(2.0f, 2.0f) + 0.00001f);
  EXPECT_EQ(v.velocity.x, 0.3f);
  EXPECT_EQ(v.velocity.z, -0.4f);

  // On the ground the glue puts the feet exactly on the ground.
  v.SetY(terrain->HeightAt(2.0f, 2.0f) - 0.05f);
  v.Update(0);
  EXPECT_EQ(v.GetY(), terrain->HeightAt(2.0f, 2.0f));
  EXPECT_TRUE(std::isfinite(v.fallVelocity.y));
}

TEST(ViewerMotionTest, GlueFollowsGentleSlopeOnlyWithAJumpForce) {
  // Heights fall by about 0.1 per world unit towards -z.
  auto terrain = MakeTerrain(20, 20, [](int i, int) { return 5 * i; });
  for (float jumpForce : {1.0f, 0.0f}) {
    Viewer v;
    ConfigureDefaults(v, terrain.get());
    v.jumpVector.y = jumpForce;
    PlaceOnGround(v, 2.0f, 3.0f);
    const float startY = v.GetY();
    for (int frame = 0; frame < 30; ++frame) {
      v.Move(true, false, false, false, false, false, 16);
      v.Update(16);
      if (jumpForce > 0) {
        ASSERT_FLOAT_EQ(v.GetY(), v.GroundHeight()) << "frame " << frame;
      } else {
        // No glue and no gravity: the feet keep their height above the falling ground.
        ASSERT_EQ(v.GetY(), startY) << "frame " << frame;
      }
    }
    EXPECT_LT(v.GetZ(), 2.9f);
    if (jumpForce == 0) {
      EXPECT_GT(v.GetY(), v.GroundHeight() + 0.005f);
    }
  }
}

TEST(ViewerMotionTest, SteepDropLeavesTheGroundDespiteTheGlue) {
  // Heights fall by about 0.78 per world unit towards -z: more than 0.01 within the
  // probe's reach of a tenth of a step.
  auto terrain = MakeTerrain(20, 20, [](int i, int) { return std::min(255, 40 * i); });
  Viewer v;
  ConfigureDefaults(v, terrain.get());
  v.jumpVector.y = 1.0f;
  PlaceOnGround(v, 2.0f, 1.0f);
  v.velocity = Vector3(0.0f, 0.0f, -2.0f);
  v.Update(16);
  EXPECT_GT(v.GetY(), v.GroundHeight());
  v.CheckGround();
  EXPECT_TRUE(v.inAir);
}

TEST(ViewerMotionTest, WithoutTerrainTheViewerStandsWhereItIs) {
  Viewer v;
  ConfigureDefaults(v, nullptr);
  v.SetY(123.0f);
  EXPECT_EQ(v.GroundHeight(), 123.0f);
  v.CheckGround();
  EXPECT_FALSE(v.inAir);
  EXPECT_EQ(v.GroundDropAhead(Vector3(1, 0, 1)), 0.0f);

  // No fence: walking off to negative coordinates is allowed, nothing becomes NaN.
  v.velocity = Vector3(-2.0f, 0.0f, -1.0f);
  for (int frame = 0; frame < 50; ++frame) v.Update(50);
  EXPECT_LT(v.GetX(), 0.0f);
  EXPECT_LT(v.GetZ(), 0.0f);
  EXPECT_EQ(v.GetY(), 123.0f);
}
