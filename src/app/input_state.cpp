// Input state: recording and the per-frame mapping of keys and mouse to the viewer.
#include "app/input_state.h"

#include "app/virtual_keys.h"
#include "viewer/viewer.h"

void InputState::SetKey(uint32_t code, bool down) {
  if (code >= 256) return;
  if (down && !keys[code]) pressed_[code] = true;
  keys[code] = down;
  if (down) tapped_[code] = true;
}

void InputState::EndFrame() {
  for (uint32_t code = 0; code < 256; ++code) {
    tapped_[code] = false;
    pressed_[code] = false;
  }
}

void InputState::SkipFrame(uint32_t now) {
  moveClock = now;
  buttons[0] = buttons[1] = buttons[2] = false;
}

void InputState::SetMousePosition(int32_t x, int32_t y) {
  mouseX = x;
  mouseY = y;
}

void InputState::SetButton(uint32_t index, bool pressed) {
  if (index < 3) buttons[index] = pressed;
}

void InputState::SetMouseSpeed(int32_t value) {
  if (value != 0) mouseSpeed = value;
}

void InputState::ApplyKeys() {
  if (viewer == nullptr) return;
  // IsKeyDown rather than keys[]: a key pressed and released again since the last
  // frame still acts for this one frame, so a short tap at a low frame rate is not lost.
  const bool forward = IsKeyDown(vk::kUp) || IsKeyDown(bindings.forward);
  const bool backward = IsKeyDown(vk::kDown) || IsKeyDown(bindings.back);
  const bool left = IsKeyDown(vk::kLeft) || IsKeyDown(bindings.left);
  const bool right = IsKeyDown(vk::kRight) || IsKeyDown(bindings.right);
  const uint32_t now = clock_ ? clock_() : moveClock;
  if (forward || backward || left || right) {
    viewer->Move(forward, backward, left, right, false, false, static_cast<int32_t>(now - moveClock));
  }
  // Every frame, so that a key pressed after a pause is given only one frame's time.
  moveClock = clock_ ? clock_() : now;

  if (IsKeyDown(bindings.lookDown)) viewer->Pitch(+1.0f);
  if (IsKeyDown(bindings.lookUp)) viewer->Pitch(-1.0f);
  if (IsKeyDown(bindings.levelView)) viewer->LevelView();
  // One jump per press: holding the key (or its auto-repeat) does not jump again.
  if (Pressed(bindings.jump)) viewer->Jump();
}

void InputState::ApplyMouse() {
  if (viewer == nullptr) return;
  int32_t centreX = 0;
  int32_t centreY = 0;
  if (mouseCentre_ != nullptr && mouseCentre_->ClientCentre(centreX, centreY)) {
    // The offsets are taken in 64 bits: a recorded position far from the centre (any
    // 32-bit value may be recorded) would overflow a 32-bit difference.
    const float speed = static_cast<float>(mouseSpeed);
    const int64_t dx = static_cast<int64_t>(centreX) - mouseX;
    const int64_t dy = static_cast<int64_t>(mouseY) - centreY;
    viewer->Turn(static_cast<float>(dx) / speed);
    viewer->Pitch(static_cast<float>(invert ? -dy : dy) / speed);
    mouseCentre_->PutCursorAt(centreX, centreY);
  }
  if (buttons[1]) viewer->Jump();
  buttons[0] = buttons[1] = buttons[2] = false;
}
