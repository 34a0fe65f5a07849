// The viewer's pose operations and setters, and its motion model over real height
// fields: walking, falling, jumping, the fence, the ground glue, the smallest force, and
// degenerate times and rates, which may neither reverse nor amplify the motion nor put
// a NaN into it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"
#include "viewer/viewer.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

int Plateau(int, int) { return 255; }
int GentleSlope(int i, int) { return 5 * i; }  // falls about 0.1 per world unit towards -z

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class ViewerMotionTest : public ::testing::Test {
 protected:
  // A terrain of samplesZ x samplesX samples at the default step 0.2 and scaling 5
  // (heights 0..1; level(i, j) is the grey at z = i * step, x = j * step), and the
  // viewer with default settings but speed 0.5 and ground damping 5 standing on it.
  void Stand(float x, float z, int (*level)(int, int) = Plateau, int16_t samplesZ = 20, int16_t samplesX = 20) {
    const auto bmp = MakeBmp(samplesZ, samplesX, [level](int i, int j) { return Rgb{0, 0, uint8_t(level(i, j))}; });
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), samplesZ, samplesX));
    v = Viewer();
    v.SetTerrain(&terrain);
    v.SetSpeed(0.5f);
    v.slowdown = 5.0f;
    v.SetX(x);
    v.SetZ(z);
    v.SetY(v.GroundHeight());
  }
  void Forward(int32_t ms) { v.Move(true, false, false, false, false, false, ms); }

  Terrain terrain;
  Viewer v;
};

}  // namespace

TEST(ViewerPoseTest, PitchClampsTurnNeverWrapsSettersKeepRanges) {
  Viewer v;
  v.Pitch(95.0f);
  const float high = v.GetPitch();
  v.Pitch(-185.0f);
  v.Pitch(kNaN);  // ignored rather than leaving the range
  v.heading = 350.0f;
  v.Turn(20.0f);
  v.Turn(-kInf);
  EXPECT_TRUE(high == 90.0f && v.GetPitch() == -90.0f && v.GetHeading() == 370.0f);
  for (float bad : {0.0f, -1.0f, kNaN, kInf}) v.SetSpeed(bad);
  for (float bad : {-1.0f, kNaN, kInf}) v.SetSizeOfViewer(bad);
  EXPECT_TRUE(v.GetSpeed() == 0.45f && v.sizeOfViewer == 0.075f);
  v.SetSizeOfViewer(0.0f);
  EXPECT_EQ(v.sizeOfViewer, 0.0f);
}

TEST_F(ViewerMotionTest, FirstForwardFrameAndKeyDirections) {
  Stand(2.0f, 2.0f);
  Forward(10);
  EXPECT_FLOAT_EQ(v.velocity.z, -0.05f);
  v.Update(10);
  EXPECT_NEAR(v.GetZ(), 2.0f - 0.0005f, 1e-6f);
  EXPECT_FLOAT_EQ(v.velocity.z, -0.05f / 1.05f);
  // At heading 0 left is -x; opposite keys cancel at any heading.
  v.velocity.Clear();
  v.Move(false, false, true, false, false, false, 10);
  EXPECT_FLOAT_EQ(v.velocity.x, -0.05f);
  v.Turn(33.0f);
  v.velocity.Clear();
  v.Move(true, true, true, true, true, true, 16);
  EXPECT_NEAR(v.velocity.Length(), 0.0f, 1e-6f);
}

TEST_F(ViewerMotionTest, FallsLandsAndJumpsOnlyFromTheGround) {
  Stand(2.0f, 2.0f);  // gravity -0.15, growing by 2.5 per second; jump force 1
  v.SetY(1.5f);
  v.fallVelocity = v.gravity;
  v.Update(10);
  EXPECT_FLOAT_EQ(v.fallVelocity.y, -0.15375f);
  EXPECT_FLOAT_EQ(v.GetY(), 1.5f - 0.0015375f);
  v.Jump();                       // in the air: nothing
  EXPECT_EQ(v.velocity.y, 0.0f);  // and the fall never enters the walking velocity
  // The feet never sink below the ground; on it the fall velocity is gravity again.
  for (int frame = 0; frame < 10000 && v.inAir; ++frame) {
    v.Update(16);
    ASSERT_GE(v.GetY(), v.GroundHeight());
  }
  v.Update(16);
  EXPECT_TRUE(!v.inAir && v.fallVelocity.y == -0.15f && v.GetY() == 1.0f);
  v.Jump();
  EXPECT_FLOAT_EQ(v.velocity.y, 1.0f);
  v.Update(16);
  EXPECT_GT(v.GetY(), 1.0f);  // the glue stays off while rising
  // Landing ends the upward velocity: the feet stay down instead of bouncing.
  for (int frame = 0; frame < 200; ++frame) v.Update(16);
  EXPECT_TRUE(v.GetY() == 1.0f && v.velocity.y == 0.0f);
}

TEST_F(ViewerMotionTest, FenceHalfAStepInsideEveryEdge) {
  const struct { float heading, x, z; } ends[] = {{0, 1, 0.1f}, {180, 1, 2.1f}, {90, 0.1f, 1}, {270, 3.7f, 1}};
  for (const auto& end : ends) {
    // 12 samples along z, 20 along x, so that a mix-up of the two extents shows.
    Stand(1.0f, 1.0f, [](int i, int j) { return 40 + 3 * i + 5 * j; }, 12, 20);
    v.SetSpeed(5.0f);
    v.Turn(end.heading);
    for (int frame = 0; frame < 200; ++frame) {
      Forward(16);
      v.Update(16);
    }
    EXPECT_TRUE(std::fabs(v.GetX() - end.x) < 1e-4f && std::fabs(v.GetZ() - end.z) < 1e-4f) << end.heading;
  }
}

TEST_F(ViewerMotionTest, GlueHoldsOnGentleSlopesOnlyWithAJumpForce) {
  for (float jumpForce : {1.0f, 0.0f}) {
    Stand(2.0f, 3.0f, GentleSlope);
    v.jumpVector.y = jumpForce;
    v.SetGravity(Vector3(0, 0, 0));
    const float startY = v.GetY();
    for (int frame = 0; frame < 30; ++frame) {
      Forward(16);
      v.Update(16);
      // Without glue (and gravity) the feet keep their height above the falling ground.
      ASSERT_FLOAT_EQ(v.GetY(), jumpForce > 0 ? v.GroundHeight() : startY) << frame;
    }
    EXPECT_LT(v.GetZ(), 2.95f);
  }
  // A steep drop (over 0.01 within the probe's tenth of a step) lets go of the feet.
  Stand(2.0f, 1.0f, [](int i, int) { return i < 6 ? 40 * i : 255; });
  v.velocity = Vector3(0.0f, 0.0f, -2.0f);
  v.Update(16);
  EXPECT_GT(v.GetY(), v.GroundHeight());
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
    EXPECT_FLOAT_EQ(v.velocity.z, -0.5f) << time;
  }
  // A negative cap stops rather than reverses; a negative damping rate does not speed up.
  v.maxAccelerationFactor = -4.0f;
  v.slowdown = -500.0f;
  v.Update(16);
  EXPECT_TRUE(v.GetZ() == 2.0f && v.velocity.z == -0.5f);
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
  EXPECT_TRUE(Finite(v.velocity) && Finite(Vector3(v.GetX(), v.GetY(), v.GetZ())));
}
