// Keyboard and mouse state: the window's messages record keys, buttons and the mouse
// position as they arrive; once per frame the state is turned into viewer actions
// (walking, pitch keys, mouse look, jump).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "app/key_bindings.h"

class Viewer;

// What the mouse look needs from the window system: the centre of the focused
// window's client area, and putting the cursor back there.
class MouseCentre {
 public:
  virtual ~MouseCentre() = default;
  // False when the program's window is not the active one; the look then does nothing.
  virtual bool ClientCentre(int32_t& x, int32_t& y) = 0;
  virtual void PutCursorAt(int32_t x, int32_t y) = 0;
};

class InputState {
 public:
  using Clock = std::function<uint32_t()>;  // milliseconds

  InputState() = default;
  virtual ~InputState() = default;

  // [SECTION] Recording, from the window messages
  void SetKey(uint32_t code, bool down);
  void SetMousePosition(int32_t x, int32_t y);
  void SetButton(uint32_t index, bool pressed);
  // True while the key is down, and also in the frame a key was pressed and released
  // again: a tap shorter than one frame (easily made at a low frame rate) still counts.
  bool IsKeyDown(uint32_t code) const { return code < 256 && (keys[code] || tapped_[code]); }
  // Whether the key went down since the last frame: held down since before, or
  // repeated by the keyboard, it does not count again.
  bool Pressed(uint32_t code) const { return code < 256 && pressed_[code]; }
  // Forgets the taps of the frame that just ended.
  void EndFrame();
  // A frame in which the input does nothing (the program is paused): the walking
  // clock moves on to `now` and the mouse buttons pressed meanwhile are dropped.
  void SkipFrame(uint32_t now);

  // [SECTION] Set-up
  void SetViewer(Viewer* v) { viewer = v; }
  void SetInvert(bool flag) { invert = flag; }
  // A speed of 0 would divide the look angle by zero; it is ignored (the divisor stays).
  void SetMouseSpeed(int32_t value);
  void SetMoveClock(uint32_t time) { moveClock = time; }
  void SetClock(Clock c) { clock_ = std::move(c); }
  void SetMouseCentre(MouseCentre* centre) { mouseCentre_ = centre; }
  void SetBindings(const KeyBindings& b) { bindings = b; }

  // [SECTION] Per frame
  // The walking, look and level keys act while IsKeyDown counts them: every frame while
  // held, and for one frame (until EndFrame) after a tap between two frames. The jump
  // key jumps once per press, as the right mouse button does.
  void ApplyKeys();
  void ApplyMouse();
  // Whether the quit key is down in this frame.
  bool QuitPressed() const { return IsKeyDown(bindings.quit); }

  int32_t mouseSpeed = 5;    // mouse-look divisor, pixels per degree
  bool invert = false;       // vertical look inverted
  Viewer* viewer = nullptr;  // not owned; null until the scene is set up
  bool keys[256] = {};       // indexed by virtual-key code; true while down
  int32_t mouseX = 0;        // last mouse position, client pixels
  int32_t mouseY = 0;
  bool buttons[3] = {};      // left, right, middle: pressed since the last frame
  uint32_t moveClock = 0;    // clock reading at the last keyboard application
  KeyBindings bindings;      // the keys of the actions

 private:
  Clock clock_;
  MouseCentre* mouseCentre_ = nullptr;
  bool tapped_[256] = {};   // pressed since the last EndFrame()
  bool pressed_[256] = {};  // went from up to down since the last EndFrame()
};
