// Keyboard and mouse: the input state's recording and its per-frame actions on a real
// viewer.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "app/input_state.h"
#include "app/virtual_keys.h"
#include "viewer/viewer.h"

namespace {

class FixedCentre : public MouseCentre {
 public:
  bool ClientCentre(int32_t& x, int32_t& y) override {
    if (!active) return false;
    x = 400;
    y = 300;
    return true;
  }
  void PutCursorAt(int32_t x, int32_t y) override {
    puts++;
    if (input != nullptr) input->SetMousePosition(x, y);
  }
  bool active = true;
  int puts = 0;
  InputState* input = nullptr;
};

uint32_t g_now = 0;
uint32_t TestClock() { return g_now; }

}  // namespace

class InputApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 1000;
    input.SetClock(&TestClock);
    input.SetMoveClock(g_now);
    input.SetMouseCentre(&centre);
    centre.input = &input;
    input.SetViewer(&viewer);
    input.SetMousePosition(400, 300);
    viewer.SetY(0.0f);
  }
  Viewer viewer;
  InputState input;
  FixedCentre centre;
};

TEST_F(InputApplyTest, RecordsTapsAndPressesUntilTheFrameUsesThem) {
  // Pressed and released within one frame: seen in that frame, then forgotten.
  input.SetKey(vk::kEscape, true);
  input.SetKey(vk::kEscape, false);
  EXPECT_TRUE(input.IsKeyDown(vk::kEscape));
  input.EndFrame();
  EXPECT_FALSE(input.IsKeyDown(vk::kEscape));
  input.SetKey(300, true);  // beyond the table: ignored
  EXPECT_FALSE(input.IsKeyDown(300));
  // Without a viewer nothing applies and the recorded presses stay.
  input.SetViewer(nullptr);
  input.SetButton(1, true);
  input.ApplyKeys();
  input.ApplyMouse();
  EXPECT_TRUE(input.buttons[1]);
}

TEST_F(InputApplyTest, EveryBoundKeyActsWhileHeldAndForOneFrameAfterATap) {
  // What one frame of each key does: a walk along the heading turned by `turn` degrees
  // (a growing heading turns left, so 90 is a step left), a pitch of `pitch` degrees,
  // or levelling the view.
  enum class Act { Walk, Pitch, Level };
  const struct {
    int key;
    Act act;
    float turn;
    float pitch;
  } cases[] = {
      {vk::kUp, Act::Walk, 0, 0},      {'A', Act::Walk, 0, 0},     // forward
      {vk::kDown, Act::Walk, 180, 0},  {'Y', Act::Walk, 180, 0},   // back
      {vk::kLeft, Act::Walk, 90, 0},   {'Q', Act::Walk, 90, 0},    // step left
      {vk::kRight, Act::Walk, -90, 0}, {'W', Act::Walk, -90, 0},   // step right
      {vk::kPageUp, Act::Pitch, 0, 1}, {vk::kPageDown, Act::Pitch, 0, -1},
      {vk::kEnd, Act::Level, 0, 0}};
  constexpr float kHeading = 30.0f;  // off the axes, so that no two directions share a component
  constexpr float kStartPitch = 10.0f;
  // One 10 ms frame from rest; the effect is checked against `acts`.
  auto expectFrame = [&](const auto& c, bool acts) {
    viewer.velocity.Clear();
    viewer.pitch = kStartPitch;
    g_now += 10;
    input.ApplyKeys();
    const Vector3 v = viewer.velocity;
    if (c.act == Act::Walk && acts) {
      // Heading h looks along (-sin h, 0, -cos h).
      const double h = (kHeading + c.turn) * M_PI / 180.0;
      ASSERT_GT(v.Length(), 0.0f);
      EXPECT_NEAR(v.x / v.Length(), -std::sin(h), 1e-5);
      EXPECT_NEAR(v.z / v.Length(), -std::cos(h), 1e-5);
      EXPECT_EQ(v.y, 0.0f);
    } else {
      EXPECT_EQ(v.Length(), 0.0f);
    }
    float pitch = kStartPitch;
    if (acts && c.act == Act::Pitch) pitch += c.pitch;
    if (acts && c.act == Act::Level) pitch = 0.0f;
    EXPECT_FLOAT_EQ(viewer.GetPitch(), pitch);
  };
  for (const auto& c : cases) {
    for (bool tap : {false, true}) {
      SCOPED_TRACE(testing::Message() << "key " << c.key << (tap ? " tapped" : " held"));
      viewer = Viewer();
      viewer.SetY(0.0f);
      viewer.Turn(kHeading);
      input.SetKey(c.key, true);
      if (tap) input.SetKey(c.key, false);  // released before the frame
      expectFrame(c, true);
      input.EndFrame();
      expectFrame(c, !tap);  // a held key acts again, a tap is spent
      input.SetKey(c.key, false);
      input.EndFrame();
    }
  }
}

TEST_F(InputApplyTest, MovementUsesTimeSinceLastFrameOnly) {
  viewer.speed = 0.5f;
  viewer.accelerationTime = 100;
  // Frames without a key still advance the move clock.
  g_now += 5000;
  input.ApplyKeys();
  EXPECT_EQ(input.moveClock, g_now);
  EXPECT_FLOAT_EQ(viewer.velocity.z, 0.0f);
  input.SetKey('A', true);  // forward
  g_now += 10;
  input.ApplyKeys();
  // One frame of 10 ms at heading 0: 0.5 * 10 / 100 along -z, not 5 seconds' worth.
  EXPECT_NEAR(viewer.velocity.z, -0.05f, 1e-6f);
  EXPECT_NEAR(viewer.velocity.x, 0.0f, 1e-6f);
  // Up and Down together cancel.
  viewer.velocity.Clear();
  input.SetKey('A', false);
  input.SetKey(vk::kUp, true);
  input.SetKey(vk::kDown, true);
  g_now += 10;
  input.ApplyKeys();
  EXPECT_NEAR(viewer.velocity.Length(), 0.0f, 1e-7f);
}

TEST_F(InputApplyTest, MouseLookTurnsByTheOffsetFromTheCentreOnce) {
  const struct {
    int32_t speed;  // 0 is ignored: the divisor stays 5
    bool invert;
    int32_t x, y;   // reported position; the centre is (400, 300)
    float heading, pitch;
  } cases[] = {
      {5, false, 350, 300, 10.0f, 0.0f},     // 50 pixels left: a left turn
      {5, true, 400, 320, 0.0f, -4.0f},      // 20 pixels below, inverted: up
      {5, false, 400, 320, 0.0f, 4.0f},      // ... not inverted: down
      {0, false, 390, 300, 2.0f, 0.0f},
      // Far positions turn without overflow (64-bit offsets); the pitch clamps.
      {1, false, INT32_MIN, INT32_MAX, 2147484048.0f, 90.0f},
  };
  for (const auto& c : cases) {
    viewer = Viewer();
    centre.puts = 0;
    input.SetMouseSpeed(c.speed);
    input.SetInvert(c.invert);
    input.SetMousePosition(c.x, c.y);
    input.ApplyMouse();
    EXPECT_FLOAT_EQ(viewer.GetHeading(), c.heading) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(viewer.GetPitch(), c.pitch) << c.x << "," << c.y;
    EXPECT_EQ(centre.puts, 1);
    // Back at the centre: the next frame does not turn.
    input.ApplyMouse();
    EXPECT_FLOAT_EQ(viewer.GetHeading(), c.heading);
  }
  // An unfocused window leaves view and cursor alone, and presses are still used up.
  centre.active = false;
  centre.puts = 0;
  input.SetMousePosition(0, 0);
  input.SetButton(0, true);
  input.ApplyMouse();
  EXPECT_EQ(centre.puts, 0);
  EXPECT_FALSE(input.buttons[0]);
}

TEST_F(InputApplyTest, RightButtonJumpsOncePerFrameOnTheGround) {
  viewer.jumpVector = Vector3(0, 1, 0);
  input.SetButton(1, true);
  input.SetButton(1, true);  // two presses within one frame
  input.SetButton(2, true);
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.velocity.y, 1.0f);
  EXPECT_FALSE(input.buttons[1] || input.buttons[2]);
  input.ApplyMouse();  // no new press: no second jump
  EXPECT_FLOAT_EQ(viewer.velocity.y, 1.0f);
}
