// The viewer's pose operations and setters, and the edges of its motion model over real
// height fields: the fence, the smallest force, and degenerate times and rates, which
// may neither reverse nor amplify the motion nor put a NaN into it. Ordinary walking,
// falling, jumping and the ground glue are checked by the whole-scene walks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"
#include "viewer/viewer.h"

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class ViewerMotionTest : public ::testing::Test {
 protected:
  // A plateau 1 high of samplesZ x samplesX samples at the default step 0.2 and scaling 5,
  // and a viewer with default settings (speed 0.45, ground damping 7.5) standing on it.
  void Stand(float x, float z, int16_t samplesZ = 20, int16_t samplesX = 20) {
    const auto bmp = MakeSolidBmp(samplesZ, samplesX, Rgb{0, 0, 255});
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), samplesZ, samplesX));
    v = Viewer();
    v.SetTerrain(&terrain);
    v.SetX(x);
    v.SetZ(z);
    v.SetY(v.GroundHeight());
  }
  void Forward(int32_t ms) { v.Move(true, false, false, false, false, false, ms); }

  Terrain terrain;
  Viewer v;
};

// The pitch clamps show in the whole-scene walks; values that are not numbers do not.
TEST_F(ViewerMotionTest, TurnNeverWrapsAndSettersKeepRanges) {
  v.Pitch(kNaN);  // ignored rather than leaving the range
  v.Turn(370.0f);
  v.Turn(-kInf);
  EXPECT_TRUE(v.GetPitch() == 0.0f && v.GetHeading() == 370.0f);
  for (float bad : {0.0f, -1.0f, kNaN, kInf}) v.SetSpeed(bad);
  for (float bad : {-1.0f, kNaN, kInf}) v.SetSizeOfViewer(bad);
  EXPECT_TRUE(v.GetSpeed() == 0.45f && v.sizeOfViewer == 0.075f);
  v.SetSizeOfViewer(0.0f);
  EXPECT_EQ(v.sizeOfViewer, 0.0f);
}

TEST_F(ViewerMotionTest, FenceHalfAStepInsideEveryEdge) {
  const struct { float heading, x, z; } ends[] = {{0, 1, 0.1f}, {180, 1, 2.1f}, {90, 0.1f, 1}, {270, 3.7f, 1}};
  for (const auto& end : ends) {
    // 12 samples along z, 20 along x, so that a mix-up of the two extents shows.
    Stand(1.0f, 1.0f, 12, 20);
    v.SetSpeed(5.0f);
    v.Turn(end.heading);
    for (int frame = 0; frame < 200; ++frame) {
      Forward(16);
      v.Update(16);
    }
    EXPECT_TRUE(std::fabs(v.GetX() - end.x) < 1e-4f && std::fabs(v.GetZ() - end.z) < 1e-4f) << end.heading;
  }
}

TEST_F(ViewerMotionTest, SmallestForceAndDegenerateTimesAndRates) {
  Stand(2.0f, 2.0f);
  // Speeds of exactly the smallest force are kept, just below it the viewer stops.
  v.smallestForce = 0.5f;
  v.velocity = Vector3(0.25f, 0.0f, -0.25f);
  v.Update(0);
  const float kept = v.velocity.x;
  v.smallestForce = std::nextafter(0.5f, 1.0f);
  v.Update(0);
  EXPECT_TRUE(kept == 0.25f && v.velocity.x == 0.0f);

  v.smallestForce = 0.01f;
  v.SetTerrain(nullptr);  // always on the ground, no fence
  Forward(-10);           // a clock that went backwards adds no (reversed) force
  Forward(INT32_MIN);
  EXPECT_EQ(v.velocity.Length(), 0.0f);
  // An acceleration time of 0 or less applies the force at once, but still none for no
  // time or a negative one.
  for (int32_t time : {0, -100}) {
    v.velocity.Clear();
    v.accelerationTime = time;
    Forward(10);
    Forward(0);
    Forward(-10);
    EXPECT_FLOAT_EQ(v.velocity.z, -0.45f) << time;
  }
  // A negative cap stops rather than reverses; a negative damping rate does not speed up.
  v.maxAccelerationFactor = -4.0f;
  v.slowdown = -500.0f;
  v.Update(16);
  EXPECT_TRUE(v.GetZ() == 2.0f && v.velocity.z == -0.45f);
  // A negative growth rate may stop a fall in a long frame but never turns it upwards.
  Stand(2.0f, 2.0f);
  v.SetY(3.0f);
  v.fallVelocity = v.gravity;
  v.gravityAcceleration = -50.0f;
  v.Update(100);
  EXPECT_TRUE(v.fallVelocity.y <= 0.0f && v.GetY() <= 3.0f);
  // A jump force that is not a number adds nothing rather than spreading into the motion.
  Stand(2.0f, 2.0f);
  v.jumpVector.y = kNaN;
  v.Jump();
  v.Update(16);
  EXPECT_TRUE(std::isfinite(v.velocity.Length()) && std::isfinite(v.GetX() + v.GetY() + v.GetZ()));
}
