// The viewer's pose operations and setters, and the motion model's survival of any
// settings value: nothing may turn into NaN or infinity, leave the ground or the fence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "support/test_files.h"
#include "terrain/terrain.h"
#include "viewer/viewer.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool Finite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

TEST(ViewerPoseTest, PitchClampsAndTurnNeverWraps) {
  Viewer v;
  v.pitch = 80.0f;
  v.Pitch(15.0f);
  EXPECT_EQ(v.GetPitch(), 90.0f);
  v.pitch = -85.0f;
  v.Pitch(-10.0f);
  EXPECT_EQ(v.GetPitch(), -90.0f);
  v.Pitch(kInf);
  EXPECT_EQ(v.GetPitch(), 90.0f);
  v.Pitch(kNaN);  // ignored rather than leaving the range
  EXPECT_EQ(v.GetPitch(), 90.0f);
  v.LevelView();
  EXPECT_EQ(v.GetPitch(), 0.0f);

  v.heading = 350.0f;
  v.Turn(20.0f);
  EXPECT_EQ(v.GetHeading(), 370.0f);
  v.Turn(kNaN);
  v.Turn(-kInf);
  EXPECT_EQ(v.GetHeading(), 370.0f);
}

TEST(ViewerPoseTest, SettersKeepOldValuesOutsideTheirRange) {
  Viewer v;
  EXPECT_EQ(v.GetSpeed(), 0.45f);
  for (float bad : {0.0f, -1.0f, kNaN, kInf}) {
    v.SetSpeed(bad);
    EXPECT_EQ(v.GetSpeed(), 0.45f) << bad;
  }
  v.SetSpeed(0.8f);
  EXPECT_EQ(v.GetSpeed(), 0.8f);

  EXPECT_EQ(v.sizeOfViewer, 0.075f);
  for (float bad : {-1.0f, kNaN, kInf}) {
    v.SetSizeOfViewer(bad);
    EXPECT_EQ(v.sizeOfViewer, 0.075f) << bad;
  }
  v.SetSizeOfViewer(0.0f);
  EXPECT_EQ(v.sizeOfViewer, 0.0f);

  // SetGravity copies the components.
  v.SetGravity(Vector3(1.0f, -2.0f, 3.0f));
  EXPECT_EQ(v.gravity.x, 1.0f);
  EXPECT_EQ(v.gravity.y, -2.0f);
  EXPECT_EQ(v.gravity.z, 3.0f);
}

TEST(ViewerPoseTest, DegenerateTimesApplyForcesSoundly) {
  Viewer v;  // no terrain: always on the ground
  v.SetSpeed(0.5f);

  // A clock that went backwards adds no force (and never a reversed one).
  v.Move(true, false, false, false, false, false, -10);
  v.Move(true, false, false, false, false, false, INT32_MIN);
  EXPECT_EQ(v.velocity.Length(), 0.0f);

  // An acceleration time of 0 or less applies the whole force at once.
  for (int32_t time : {0, -100}) {
    v.velocity.Clear();
    v.accelerationTime = time;
    v.Move(true, false, false, false, false, false, 10);
    EXPECT_FLOAT_EQ(v.velocity.z, -0.5f) << time;
    EXPECT_TRUE(Finite(v.velocity));
    // ... but still nothing for no time or a negative time.
    v.velocity.Clear();
    v.Move(true, false, false, false, false, false, 0);
    v.Move(true, false, false, false, false, false, -10);
    EXPECT_EQ(v.velocity.Length(), 0.0f) << time;
  }

  // A negative displacement cap stops the viewer instead of sending it backwards.
  v.velocity = Vector3(0.0f, 0.0f, -1.0f);
  v.maxAccelerationFactor = -4.0f;
  const float z0 = v.GetZ();
  v.Update(16);
  EXPECT_EQ(v.GetZ(), z0);

  // A negative damping rate does not speed the viewer up.
  v.maxAccelerationFactor = 4.0f;
  v.slowdown = -500.0f;
  v.velocity = Vector3(0.0f, 0.0f, -1.0f);
  for (int frame = 0; frame < 10; ++frame) v.Update(16);
  EXPECT_FLOAT_EQ(v.velocity.z, -1.0f);

  // A negative growth rate of the fall velocity can slow the fall to a stop in a long
  // frame, but never turns it upwards.
  TempDir dir;
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightField(dir.File("none.bmp").c_str(), 20, 20));
  Viewer faller;
  faller.SetTerrain(&terrain);
  faller.SetX(2.0f);
  faller.SetZ(2.0f);
  faller.SetY(3.0f);
  faller.velocity.Clear();
  faller.fallVelocity = Vector3(0.0f, -0.15f, 0.0f);
  faller.gravityAcceleration = -50.0f;
  faller.Update(100);
  EXPECT_LE(faller.fallVelocity.y, 0.0f);
  EXPECT_LE(faller.GetY(), 3.0f);
}

// Every motion setting at hostile values, with every kind of frame time: after each
// update the position, velocity and fall velocity are finite, the feet are on or
// above the ground, the viewer is inside the fence and the pitch within its range.
TEST(ViewerPoseTest, HostileSettingsNeverBreakTheInvariants) {
  TempDir dir;
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightField(dir.File("none.bmp").c_str(), 30, 40));
  const float step = terrain.StepSize();
  const float half = step * 0.5f;

  struct Params {
    float gravityY, gravityAcceleration, slowdown, midAirSlowdown, jumpForce;
    float maxAccelerationFactor, smallestForce;
    int32_t accelerationTime, midAirAccelerationTime;
  };
  const std::vector<Params> params = {
      {-0.15f, 2.5f, 5.0f, 5.0f, 1.0f, 4.0f, 0.0f, 0, 0},
      {-0.15f, 2.5f, 5.0f, 5.0f, 1.0f, 4.0f, 0.0f, -5, INT32_MIN},
      {kInf, kInf, -1000.0f, -kInf, kInf, kInf, kNaN, 1, 1},
      {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, INT32_MAX, INT32_MAX},
      {-kInf, 1e30f, kInf, kInf, -kInf, -1.0f, -1.0f, 100, 100},
      {5.0f, -50.0f, 1e38f, -1e38f, 1e38f, 1e38f, 1e38f, 100, 500},
      {-3e38f, 3e38f, 0.0f, 0.0f, 3e38f, 0.0f, 0.0f, 1, 1},
  };
  const uint32_t times[] = {0, 1, 16, 100000, UINT32_MAX, 16, 16};

  for (size_t p = 0; p < params.size(); ++p) {
    const Params& s = params[p];
    Viewer v;
    v.SetTerrain(&terrain);
    v.SetGravity(Vector3(0.0f, s.gravityY, 0.0f));
    v.SetSpeed(p % 2 ? 3e38f : 0.5f);
    v.slowdown = s.slowdown;
    v.midAirSlowdown = s.midAirSlowdown;
    v.smallestForce = s.smallestForce;
    v.accelerationTime = s.accelerationTime;
    v.midAirAccelerationTime = s.midAirAccelerationTime;
    v.jumpVector.y = s.jumpForce;
    v.gravityAcceleration = s.gravityAcceleration;
    v.maxAccelerationFactor = s.maxAccelerationFactor;
    v.SetX(3.0f);
    v.SetZ(3.0f);
    v.SetY(v.GroundHeight() + (p % 3 ? 0.5f : 0.0f));

    for (int frame = 0; frame < 40; ++frame) {
      const uint32_t ms = times[frame % 7];
      v.Turn(frame * 37.0f);
      v.Pitch(frame % 2 ? 1e30f : -7.0f);
      v.Move(frame % 2 == 0, frame % 5 == 0, frame % 3 == 0, frame % 4 == 0, frame % 6 == 0,
             frame % 7 == 0, static_cast<int32_t>(ms));
      v.Accelerate(kInf, 3e38f, kNaN, -1.0f, 3e38f, 0.0f, static_cast<int32_t>(ms));
      if (frame % 4 == 1) v.Jump();
      v.Update(ms);

      SCOPED_TRACE(testing::Message() << "params " << p << " frame " << frame << " ms " << ms);
      ASSERT_TRUE(std::isfinite(v.GetX()) && std::isfinite(v.GetY()) && std::isfinite(v.GetZ()));
      ASSERT_TRUE(Finite(v.velocity));
      ASSERT_TRUE(Finite(v.fallVelocity));
      ASSERT_GE(v.GetY(), v.GroundHeight());
      ASSERT_GE(v.GetX(), half);
      ASSERT_LE(v.GetX(), 39 * step - half);
      ASSERT_GE(v.GetZ(), half);
      ASSERT_LE(v.GetZ(), 29 * step - half);
      ASSERT_GE(v.GetPitch(), -90.0f);
      ASSERT_LE(v.GetPitch(), 90.0f);
    }
  }
}
