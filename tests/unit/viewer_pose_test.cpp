// The viewer's pose operations and setters, and the motion model under hostile
// settings: nothing may turn into NaN or infinity, sink into the ground or leave the world.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

#include "terrain/terrain.h"
#include "viewer/viewer.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool Finite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

TEST(ViewerPoseTest, PitchClampsTurnNeverWrapsSettersKeepRanges) {
  Viewer v;
  v.Pitch(95.0f);
  EXPECT_EQ(v.GetPitch(), 90.0f);
  v.Pitch(-185.0f);
  v.Pitch(kNaN);  // ignored rather than leaving the range
  EXPECT_EQ(v.GetPitch(), -90.0f);
  v.heading = 350.0f;
  v.Turn(20.0f);
  v.Turn(-kInf);
  EXPECT_EQ(v.GetHeading(), 370.0f);

  for (float bad : {0.0f, -1.0f, kNaN, kInf}) v.SetSpeed(bad);
  EXPECT_EQ(v.GetSpeed(), 0.45f);
  for (float bad : {-1.0f, kNaN, kInf}) v.SetSizeOfViewer(bad);
  EXPECT_EQ(v.sizeOfViewer, 0.075f);
  v.SetSizeOfViewer(0.0f);
  EXPECT_EQ(v.sizeOfViewer, 0.0f);
}

// Every motion setting at hostile values, with every kind of frame time.
TEST(ViewerPoseTest, HostileSettingsNeverBreakTheInvariants) {
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(nullptr, 0, 30, 40));
  const float step = terrain.StepSize(), xMax = 39 * step - step / 2, zMax = 29 * step - step / 2;
  const struct {
    float gravityY, growth, slowdown, midAirSlowdown, jump, factor, smallestForce;
    int32_t accelerationTime, midAirAccelerationTime;
  } params[] = {
      {-0.15f, 2.5f, 5.0f, 5.0f, 1.0f, 4.0f, 0.0f, 0, 0},
      {-0.15f, 2.5f, 5.0f, 5.0f, 1.0f, 4.0f, 0.0f, -5, INT32_MIN},
      {kInf, kInf, -1000.0f, -kInf, kInf, kInf, kNaN, 1, 1},
      {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, INT32_MAX, INT32_MAX},
      {-kInf, 1e30f, kInf, kInf, -kInf, -1.0f, -1.0f, 100, 100},
      {5.0f, -50.0f, 1e38f, -1e38f, 1e38f, 1e38f, 1e38f, 100, 500},
      {-3e38f, 3e38f, 0.0f, 0.0f, 3e38f, 0.0f, 0.0f, 1, 1},
  };
  const uint32_t times[] = {0, 1, 16, 100000, UINT32_MAX, 16, 16};
  for (size_t p = 0; p < std::size(params); ++p) {
    const auto& s = params[p];
    Viewer v;
    v.SetTerrain(&terrain);
    v.SetGravity(Vector3(0.0f, s.gravityY, 0.0f));
    v.SetSpeed(p % 2 ? 3e38f : 0.5f);
    v.gravityAcceleration = s.growth;
    v.slowdown = s.slowdown;
    v.midAirSlowdown = s.midAirSlowdown;
    v.jumpVector.y = s.jump;
    v.maxAccelerationFactor = s.factor;
    v.smallestForce = s.smallestForce;
    v.accelerationTime = s.accelerationTime;
    v.midAirAccelerationTime = s.midAirAccelerationTime;
    v.SetY(p % 3 ? 1.5f : 1.0f);  // in the air or on the plateau
    for (int frame = 0; frame < 40; ++frame) {
      const uint32_t ms = times[frame % 7];
      v.Turn(frame * 37.0f);
      v.Pitch(frame % 2 ? 1e30f : -7.0f);
      v.Move(frame % 2 == 0, frame % 5 == 0, frame % 3 == 0, frame % 4 == 0, frame % 6 == 0,
             frame % 7 == 0, static_cast<int32_t>(ms));
      v.Accelerate(kInf, 3e38f, kNaN, -1.0f, 3e38f, 0.0f, static_cast<int32_t>(ms));
      if (frame % 4 == 1) v.Jump();
      v.Update(ms);
      // All finite, feet on or above the ground, inside the fence, pitch in range.
      SCOPED_TRACE(testing::Message() << "params " << p << " frame " << frame);
      ASSERT_TRUE(Finite(Vector3(v.GetX(), v.GetY(), v.GetZ())));
      ASSERT_TRUE(Finite(v.velocity) && Finite(v.fallVelocity));
      ASSERT_GE(v.GetY(), v.GroundHeight());
      ASSERT_TRUE(v.GetX() >= step / 2 && v.GetX() <= xMax) << v.GetX();
      ASSERT_TRUE(v.GetZ() >= step / 2 && v.GetZ() <= zMax) << v.GetZ();
      ASSERT_LE(std::fabs(v.GetPitch()), 90.0f);
    }
  }
}
