// Keyboard and mouse: what one frame of recorded input does to a real viewer, and what
// is left of it for the next frame. The frame counter: samples end after more than
// 250 ms, and the clock may wrap.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "app/frame_counter.h"
#include "app/input_state.h"
#include "app/key_bindings.h"
#include "app/virtual_keys.h"
#include "log/log.h"
#include "settings/settings.h"
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
  // `pitch` degrees, or levelling the view (NAN), or nothing at all; or a jump. The arrow
  // keys, which walk as these letters do, are driven by the whole-scene walks. The
  // rebound rows use the keys a [Keys] section names.
  Settings rebound;
  rebound.LoadFromText("[Keys]\nForward=w\nBack=S\nLeft=a\nRight=D\nJump=space\nLookUp=F12\n");
  const struct {
    bool wasd;
    uint32_t key;
    float walk;
    float pitch;
    bool jumps;
  } cases[] = {
      {false, 'A', 0, 0, false},         {false, 'Y', 180, 0, false},       {false, 'Q', 90, 0, false},
      {false, 'W', -90, 0, false},       {false, vk::kPageUp, NAN, 1, false}, {false, vk::kPageDown, NAN, -1, false},
      {false, vk::kEnd, NAN, NAN, false}, {false, 256, NAN, 0, false},  // beyond the table: ignored
      {false, vk::kSpace, NAN, 0, false}, {true, 'W', 0, 0, false},      {true, 'S', 180, 0, false},
      {true, 'A', 90, 0, false},         {true, 'D', -90, 0, false},      {true, 'Y', NAN, 0, false},
      {true, vk::kSpace, NAN, 0, true},  {true, 123, NAN, -1, false},      {true, vk::kPageDown, NAN, 0, false},
  };
  constexpr float kHeading = 30.0f;  // off the axes, so that no two directions share a component
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << (c.wasd ? " rebound" : ""));
    input.SetBindings(c.wasd ? BindingsFromSettings(rebound) : KeyBindings());
    viewer = Viewer();
    viewer.SetY(0.0f);
    viewer.Turn(kHeading);
    viewer.speed = 0.5f;
    viewer.accelerationTime = 100;
    viewer.jumpVector.y = 1.0f;
    // Held, the keys act in every frame; released, no more. A held jump key jumps once.
    for (int frame = 0; frame < 3; ++frame) {
      input.SetKey(c.key, frame < 2);
      viewer.velocity.Clear();
      viewer.pitch = 10.0f;
      for (uint32_t button : {0u, 2u}) input.SetButton(button, true);  // only the right one jumps
      Frame();
      const Vector3 v = viewer.velocity;
      const bool walks = frame < 2 && !std::isnan(c.walk);
      const double h = (kHeading + c.walk) * M_PI / 180.0;  // looking along (-sin h, 0, -cos h)
      // One frame of 10 ms: 0.5 * 10 / 100, not the time since the last walk.
      EXPECT_NEAR(std::hypot(v.x, v.z), walks ? 0.05f : 0.0f, 1e-6f);
      EXPECT_NEAR(v.x, walks ? -std::sin(h) * 0.05 : 0.0, 1e-6);
      EXPECT_NEAR(v.z, walks ? -std::cos(h) * 0.05 : 0.0, 1e-6);
      EXPECT_EQ(v.y, c.jumps && frame == 0 ? 1.0f : 0.0f);
      EXPECT_FLOAT_EQ(viewer.GetPitch(), frame == 2 ? 10.0f : std::isnan(c.pitch) ? 0.0f : 10.0f + c.pitch);
      EXPECT_EQ(viewer.GetHeading(), kHeading);
    }
  }
}

// The turn's direction, the inverted pitch and the right button's jump show in the
// whole-scene walks.
TEST_F(InputTest, MouseTurnsOnceByTheOffsetFromTheCentre) {
  const struct {
    int32_t speed;  // 0 is ignored: the divisor stays 5
    int32_t x, y;   // reported position
    float heading, pitch;
  } cases[] = {
      {0, 390, 300, 2.0f, 0.0f},
      // Far positions turn without overflow (64-bit offsets); the pitch clamps.
      {1, INT32_MIN, INT32_MAX, 2147484048.0f, 90.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    viewer = Viewer();
    input.SetMouseSpeed(c.speed);
    input.SetMousePosition(c.x, c.y);
    // The cursor is put back at the centre: the second frame does not turn.
    for (int frame = 0; frame < 2; ++frame) {
      Frame();
      EXPECT_FLOAT_EQ(viewer.GetHeading(), c.heading);
      EXPECT_FLOAT_EQ(viewer.GetPitch(), c.pitch);
    }
  }
  // An unfocused window leaves the view alone.
  focused = false;
  input.SetMousePosition(0, 0);
  Frame();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 2147484048.0f);
}

// Key names as a settings file writes them, in any case; every name a code is shown by
// reads back as that code; a name no key has is reported, and the action keeps its key.
TEST(KeyBindingsTest, NamesReadInAnyCaseAndUnknownNamesKeepTheDefault) {
  const struct {
    const char* name;
    uint32_t code;
  } names[] = {
      {"w", 'W'},         {"7", '7'},          {"f12", 123},           {"F1", 112},     {"left shift", 16},
      {"Right Ctrl", 17}, {"PAGEUP", 33},      {"Keypad 5", 101},      {"Space", 32},   {"", 0},
      {"WW", 0},          {"F13", 0},          {"Shift", 0},           {"Keypad 10", 0},
  };
  for (const auto& n : names) EXPECT_EQ(KeyCodeFromName(n.name), n.code) << n.name;
  for (uint32_t code = 1; code < 256; ++code) {
    const std::string name = KeyNameOf(code);
    EXPECT_TRUE(name.empty() || KeyCodeFromName(name) == code) << name;
  }
  static std::vector<std::string> lines;
  SetLogSink([](const std::string& line) { lines.push_back(line); });
  Settings settings;
  settings.LoadFromText("[Keys]\nQuit=Nope\nJump=Hyper\nBack=\n");
  const KeyBindings bindings = BindingsFromSettings(settings);
  SetLogSink(nullptr);
  EXPECT_EQ(bindings.quit, static_cast<uint32_t>(vk::kEscape));
  EXPECT_EQ(bindings.jump, 0u);
  EXPECT_EQ(bindings.back, static_cast<uint32_t>('Y'));
  // The help shows the keys in force.
  settings.LoadFromText("[Keys]\nForward=w\nJump=space\n");
  const std::vector<std::string> help = HelpLines(BindingsFromSettings(settings));
  EXPECT_TRUE(help[0] == "Forward     W, Up" && help[8] == "Jump        right button, Space") << help[0] << help[8];
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "quillmarsh: settings: Keys/Jump: \"Hyper\" is not a key name; using no key",
                       "quillmarsh: settings: Keys/Quit: \"Nope\" is not a key name; using Escape"}));
}

// Exactly 250 ms does not end a sample, 251 does; across the clock's wrap. The rate in
// later samples shows in the counter that the whole-scene walks draw.
TEST(FrameCounterTest, SampleEndsAfterMoreThan250MsAcrossTheWrap) {
  g_now = 0xFFFFFFF0u;
  FrameCounter counter([] { return g_now; });
  g_now += 250;
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 0u);
  g_now += 1;
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 4u);
}

}  // namespace
