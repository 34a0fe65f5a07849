// Keyboard and mouse: what one frame of recorded input does to a real viewer, and what
// is left of it for the next frame. The frame counter: samples end after more than
// 250 ms, the ending frame opens the next sample, and the clock may wrap.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "app/frame_counter.h"
#include "app/input_state.h"
#include "app/virtual_keys.h"
#include "viewer/viewer.h"

namespace {

uint32_t g_now = 0;

// The window: focused, its centre at (400, 300); putting the cursor back there is seen
// as a mouse move, as a window's is.
class InputTest : public ::testing::Test, public MouseCentre {
 protected:
  void SetUp() override {
    g_now = 1000;
    input.SetClock([] { return g_now; });
    input.SetMoveClock(g_now);
    input.SetMouseCentre(this);
    input.SetViewer(&viewer);
    input.SetMousePosition(400, 300);
  }
  bool ClientCentre(int32_t& x, int32_t& y) override {
    x = 400;
    y = 300;
    return focused;
  }
  void PutCursorAt(int32_t x, int32_t y) override { input.SetMousePosition(x, y); }
  // One frame 10 ms after the last.
  void Frame() {
    g_now += 10;
    input.ApplyKeys();
    input.ApplyMouse();
    input.EndFrame();
  }
  Viewer viewer;
  InputState input;
  bool focused = true;
};

TEST_F(InputTest, KeysActWhileHeld) {
  // The direction walked, turned from the heading (90 is a step left), or a pitch of
  // `pitch` degrees, or levelling the view (NAN), or nothing at all.
  const struct {
    std::vector<uint32_t> keys;
    float walk;
    float pitch;
  } cases[] = {
      {{vk::kUp}, 0, 0},       {{'A'}, 0, 0},           {{vk::kDown}, 180, 0},      {{'Y'}, 180, 0},
      {{vk::kLeft}, 90, 0},    {{'Q'}, 90, 0},          {{vk::kRight}, -90, 0},     {{'W'}, -90, 0},
      {{vk::kPageUp}, NAN, 1}, {{vk::kPageDown}, NAN, -1}, {{vk::kEnd}, NAN, NAN},
      {{256}, NAN, 0},                 // beyond the table: ignored
  };
  constexpr float kHeading = 30.0f;  // off the axes, so that no two directions share a component
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.keys[0]);
    viewer = Viewer();
    viewer.SetY(0.0f);
    viewer.Turn(kHeading);
    viewer.speed = 0.5f;
    viewer.accelerationTime = 100;
    for (uint32_t key : c.keys) input.SetKey(key, true);
    // Held, the keys act in every frame; released, no more.
    for (int frame = 0; frame < 3; ++frame) {
      for (uint32_t key : c.keys) input.SetKey(key, frame < 2);
      viewer.velocity.Clear();
      viewer.pitch = 10.0f;
      Frame();
      const Vector3 v = viewer.velocity;
      const bool walks = frame < 2 && !std::isnan(c.walk);
      const double h = (kHeading + c.walk) * M_PI / 180.0;  // looking along (-sin h, 0, -cos h)
      // One frame of 10 ms: 0.5 * 10 / 100, not the time since the last walk.
      EXPECT_NEAR(v.Length(), walks ? 0.05f : 0.0f, 1e-6f);
      EXPECT_NEAR(v.x, walks ? -std::sin(h) * v.Length() : 0.0, 1e-6);
      EXPECT_NEAR(v.z, walks ? -std::cos(h) * v.Length() : 0.0, 1e-6);
      EXPECT_EQ(v.y, 0.0f);
      EXPECT_FLOAT_EQ(viewer.GetPitch(), frame == 2 ? 10.0f : std::isnan(c.pitch) ? 0.0f : 10.0f + c.pitch);
      EXPECT_EQ(viewer.GetHeading(), kHeading);
    }
  }
}

TEST_F(InputTest, MouseTurnsOnceByTheOffsetFromTheCentreAndTheRightButtonJumps) {
  const struct {
    int32_t speed;  // 0 is ignored: the divisor stays 5
    bool invert;
    int32_t x, y;  // reported position
    int button;    // pressed twice within the frame
    float heading, pitch, rise;
  } cases[] = {
      {5, false, 350, 300, 0, 10.0f, 0.0f, 0.0f},  // 50 pixels left: a left turn
      {5, true, 400, 320, 2, 0.0f, -4.0f, 0.0f},   // 20 pixels below, inverted: up
      {5, false, 400, 320, 1, 0.0f, 4.0f, 1.0f},   // ... not inverted: down; one jump
      {0, false, 390, 300, -1, 2.0f, 0.0f, 0.0f},
      // Far positions turn without overflow (64-bit offsets); the pitch clamps.
      {1, false, INT32_MIN, INT32_MAX, -1, 2147484048.0f, 90.0f, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    viewer = Viewer();
    viewer.SetY(0.0f);
    input.SetMouseSpeed(c.speed);
    input.SetInvert(c.invert);
    input.SetMousePosition(c.x, c.y);
    input.SetButton(static_cast<uint32_t>(c.button), true);
    input.SetButton(static_cast<uint32_t>(c.button), true);
    // The cursor is put back at the centre: the second frame neither turns nor jumps.
    for (int frame = 0; frame < 2; ++frame) {
      Frame();
      EXPECT_FLOAT_EQ(viewer.GetHeading(), c.heading);
      EXPECT_FLOAT_EQ(viewer.GetPitch(), c.pitch);
      EXPECT_FLOAT_EQ(viewer.velocity.y, c.rise);
    }
  }
  // An unfocused window leaves the view alone.
  focused = false;
  input.SetMousePosition(0, 0);
  Frame();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 2147484048.0f);
}

TEST(FrameCounterTest, RateAfterEachTick) {
  const struct {
    uint32_t start;
    std::vector<uint32_t> steps;  // ms before each tick
    std::vector<uint32_t> rates;  // Rate() after each tick
  } cases[] = {
      // 100 ms frames: the first sample ends at +300 with 2 frames; the next one holds
      // that ending frame and 2 more.
      {1000, {100, 100, 100, 100, 100, 100}, {0, 0, 8, 8, 8, 12}},
      // Exactly 250 ms does not end a sample, 251 does; across the clock's wrap.
      {0xFFFFFF00u, {250, 1}, {0, 4}},
  };
  for (const auto& c : cases) {
    g_now = c.start;
    FrameCounter counter([] { return g_now; });
    for (size_t i = 0; i < c.steps.size(); ++i) {
      g_now += c.steps[i];
      counter.Tick();
      ASSERT_EQ(counter.Rate(), c.rates[i]) << "start " << c.start << ", tick " << i + 1;
    }
  }
}

}  // namespace
