// The headless platform's context, events and frame end.
#include "headless/headless_platform.h"

#include <GL/gl.h>

#include "log/log.h"

const char* HeadlessPlatform::CreateContext(int32_t, int32_t, ScreenMode) {
  if (gl_.Create(width_, height_)) return nullptr;
  Log("OpenGL", "", "no off-screen context: " + gl_.error());
  return "Can't create a GL rendering context";
}

WindowEvents HeadlessPlatform::PumpEvents(InputState& input) {
  // The cursor's return to the centre reaches the input state as a window's would.
  if (cursorReturned_) input.SetMousePosition(cursorX_, cursorY_);
  cursorReturned_ = false;
  return WindowEvents{};
}

void HeadlessPlatform::PutCursorAt(int32_t x, int32_t y) {
  cursorReturned_ = true;
  cursorX_ = x;
  cursorY_ = y;
}

void HeadlessPlatform::SwapBuffers() { glFinish(); }
