// Keyboard and mouse: SDL events to messages, messages into the input state, and the
// input state's per-frame actions on a real viewer.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "app/input_state.h"
#include "app/program.h"
#include "app/virtual_keys.h"
#include "app/window_messages.h"
#include "viewer/viewer.h"

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = key;
  return e;
}

SDL_Event MotionEvent(int x, int y, int xrel, int yrel) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  e.motion.xrel = xrel;
  e.motion.yrel = yrel;
  return e;
}

SDL_Event ButtonEvent(Uint32 type, Uint8 button) {
  SDL_Event e{};
  e.type = type;
  e.button.button = button;
  return e;
}

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

TEST(VirtualKeyTest, BindingsAndLayoutFollowingLetters) {
  const struct {
    SDL_Keycode key;
    int code;
  } cases[] = {{SDLK_a, 65}, {SDLK_y, 89}, {SDLK_q, 81},        {SDLK_w, 87},        {SDLK_z, 90},
               {SDLK_0, 48}, {SDLK_9, 57}, {SDLK_ESCAPE, 27},   {SDLK_LEFT, 37},     {SDLK_UP, 38},
               {SDLK_RIGHT, 39}, {SDLK_DOWN, 40}, {SDLK_PAGEUP, 33}, {SDLK_PAGEDOWN, 34}, {SDLK_END, 35},
               {SDLK_HOME, 36}, {SDLK_SPACE, 32}, {SDLK_RETURN, 13},
               // Keys without a code are dropped rather than aliased onto a bound one.
               {SDLK_AUDIOPLAY, 0}};
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyFromSdl(c.key), c.code) << c.key;
  MouseTracker mouse;
  EXPECT_FALSE(TranslateEvent(KeyEvent(SDL_KEYDOWN, SDLK_AUDIOPLAY), mouse).has_value());
}

TEST(WindowMessageTest, EventsBecomeMessages) {
  MouseTracker mouse;
  auto down = TranslateEvent(KeyEvent(SDL_KEYDOWN, SDLK_UP), mouse);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->kind, MessageKind::KeyDown);
  EXPECT_EQ(down->a, 38u);
  auto up = TranslateEvent(KeyEvent(SDL_KEYUP, SDLK_a), mouse);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->kind, MessageKind::KeyUp);
  EXPECT_EQ(up->a, 65u);

  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(TranslateEvent(quit, mouse)->kind, MessageKind::Close);
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_EQ(TranslateEvent(close, mouse)->kind, MessageKind::Close);
  SDL_Event size{};
  size.type = SDL_WINDOWEVENT;
  size.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  size.window.data1 = 640;
  size.window.data2 = 0;
  auto sized = TranslateEvent(size, mouse);
  EXPECT_EQ(sized->kind, MessageKind::Size);
  EXPECT_EQ(sized->a, 640u);
  EXPECT_EQ(sized->b, 0u);

  EXPECT_EQ(TranslateEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), mouse)->kind,
            MessageKind::LButtonDown);
  EXPECT_EQ(TranslateEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), mouse)->kind,
            MessageKind::RButtonDown);
  EXPECT_EQ(TranslateEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE), mouse)->kind,
            MessageKind::MButtonDown);
  // A release goes nowhere: only presses are recorded.
  EXPECT_FALSE(TranslateEvent(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), mouse));
}

TEST(WindowMessageTest, RelativeMotionSumsFromTheCentreAndNeverWraps) {
  MouseTracker mouse;
  auto absolute = TranslateEvent(MotionEvent(120, 45, 3, 3), mouse);
  EXPECT_EQ(absolute->a, 120u);
  EXPECT_EQ(absolute->b, 45u);

  mouse.relative = true;
  mouse.x = 400;
  mouse.y = 300;
  TranslateEvent(MotionEvent(0, 0, -30, 5), mouse);
  auto second = TranslateEvent(MotionEvent(0, 0, -20, 15), mouse);
  EXPECT_EQ(second->a, 350u);  // 50 pixels left of the centre
  EXPECT_EQ(second->b, 320u);
  // A fast sweep to the left stops at 0 like a cursor at the screen's edge.
  auto sweep = TranslateEvent(MotionEvent(0, 0, -5000, 0), mouse);
  EXPECT_EQ(sweep->a, 0u);
}

TEST(WindowProcedureTest, RecordsKeysMovesAndPressesWithoutAWindow) {
  Program program;
  InputState& input = program.inputState;
  EXPECT_EQ(WindowProcedure(program, {MessageKind::KeyDown, 27}), 0);
  EXPECT_TRUE(input.IsKeyDown(27));
  WindowProcedure(program, {MessageKind::KeyUp, 27});
  // Pressed and released within one frame: still seen in that frame, then forgotten.
  EXPECT_FALSE(input.keys[27]);
  EXPECT_TRUE(input.IsKeyDown(27));
  input.EndFrame();
  EXPECT_FALSE(input.IsKeyDown(27));
  WindowProcedure(program, {MessageKind::MouseMove, 65535, 12});
  EXPECT_EQ(input.mouseX, 65535);
  EXPECT_EQ(input.mouseY, 12);
  WindowProcedure(program, {MessageKind::RButtonDown});
  WindowProcedure(program, {MessageKind::MButtonDown});
  EXPECT_FALSE(input.buttons[0]);
  EXPECT_TRUE(input.buttons[1]);
  EXPECT_TRUE(input.buttons[2]);
  // Without a context a size message only sets the aspect; height 0 gives the width.
  program.settings.viewFOV = 60;
  program.settings.viewDepth = 20;
  WindowProcedure(program, {MessageKind::Size, 640, 0});
  EXPECT_EQ(program.window.Aspect(), 640.0f);
  WindowProcedure(program, {MessageKind::Size, 800, 600});
  EXPECT_FLOAT_EQ(program.window.Aspect(), 800.0f / 600.0f);
  // No viewer yet: nothing applies, the recorded input stays.
  input.ApplyKeys();
  input.ApplyMouse();
  EXPECT_TRUE(input.buttons[1]);
}

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

TEST_F(InputApplyTest, PitchKeysTurnByOneDegreePerFrameAndClamp) {
  input.SetKey(vk::kPageUp, true);
  for (int frame = 0; frame < 30; ++frame) input.ApplyKeys();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), 30.0f);
  for (int frame = 0; frame < 100; ++frame) input.ApplyKeys();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), 90.0f);
  // Page Up with End: raised, then levelled in the same frame.
  input.SetKey(vk::kEnd, true);
  input.ApplyKeys();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), 0.0f);
  input.EndFrame();
  input.SetKey(vk::kEnd, false);
  input.SetKey(vk::kPageUp, false);
  input.SetKey(vk::kPageDown, true);
  input.ApplyKeys();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), -1.0f);
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

TEST_F(InputApplyTest, MouseLookFromTheCentre) {
  input.SetMouseSpeed(5);
  input.SetMousePosition(350, 300);  // 50 pixels left of the centre
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 10.0f);
  EXPECT_EQ(centre.puts, 1);
  // Back at the centre: the next frame does not turn.
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 10.0f);

  input.SetInvert(true);
  input.SetMousePosition(400, 320);  // 20 pixels below the centre
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), -4.0f);
  input.SetInvert(false);
  input.SetMousePosition(400, 320);
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetPitch(), 0.0f);
}

TEST_F(InputApplyTest, FarMousePositionsTurnWithoutOverflow) {
  input.SetMouseSpeed(1);
  input.SetMousePosition(INT32_MIN, INT32_MAX);  // centre (400, 300)
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 2147484048.0f);
  EXPECT_FLOAT_EQ(viewer.GetPitch(), 90.0f);
}

TEST_F(InputApplyTest, ZeroMouseSpeedIsIgnored) {
  input.SetMouseSpeed(0);
  EXPECT_EQ(input.mouseSpeed, 5);
  input.SetMousePosition(390, 300);
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 2.0f);
}

TEST_F(InputApplyTest, UnfocusedWindowLeavesViewAndCursorAlone) {
  centre.active = false;
  input.SetMousePosition(0, 0);
  input.SetButton(0, true);
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.GetHeading(), 0.0f);
  EXPECT_EQ(centre.puts, 0);
  EXPECT_FALSE(input.buttons[0]);
}

TEST_F(InputApplyTest, RightButtonJumpsOncePerFrameOnTheGround) {
  viewer.jumpVector = Vector3(0, 1, 0);
  input.SetButton(1, true);
  input.SetButton(1, true);  // two presses within one frame
  input.SetButton(0, true);
  input.SetButton(2, true);
  input.ApplyMouse();
  EXPECT_FLOAT_EQ(viewer.velocity.y, 1.0f);
  EXPECT_FALSE(input.buttons[0]);
  EXPECT_FALSE(input.buttons[1]);
  EXPECT_FALSE(input.buttons[2]);
  input.ApplyMouse();  // no new press: no second jump
  EXPECT_FLOAT_EQ(viewer.velocity.y, 1.0f);
}
