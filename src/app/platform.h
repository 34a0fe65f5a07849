// What the program needs from the system it runs on: one window with an OpenGL
// context, its events, the cursor, a millisecond clock, the "Error" box and the folder
// of the executable. No window library's types appear here; the program's window is
// one implementation (sdl_platform.cpp), the headless renderer's off-screen buffer another.
#pragma once

#include <cstdint>
#include <string>

#include "app/input_state.h"

// What one pump of the events found besides keyboard and mouse input, which goes
// straight into the input state.
struct WindowEvents {
  bool closeRequested = false;  // the window manager's close, Alt+F4
  bool focusLost = false;       // the window stopped being the active one
  bool resized = false;         // the client area is now width x height pixels
  int32_t width = 0;
  int32_t height = 0;
};

// How the window covers the screen: a window, full screen at the window's size (the
// display's mode switched), or a borderless window over the whole desktop.
enum class ScreenMode { kWindow, kSwitchMode, kDesktop };

class Platform : public MouseCentre {
 public:
  ~Platform() override = default;

  // Reaches the window system; false, with the reason, when there is none.
  virtual bool StartWindowSystem(std::string& why) = 0;
  // The borderless window at (0, 0), hidden until ShowAndFocus(), asking for an RGBA
  // double-buffered pixel format with a 16-bit depth buffer. False when no window can be made.
  virtual bool CreateWindow(const char* title, int32_t width, int32_t height) = 0;
  // The OpenGL context, made current, and the screen mode (for kSwitchMode the display
  // mode of width x height). nullptr on success, else the failure's "Error" box text.
  virtual const char* CreateContext(int32_t width, int32_t height, ScreenMode mode) = 0;
  // How buffer swaps wait for the display: 0 not at all, 1 for every refresh, -1
  // adaptive (late frames are not held back). False, with the reason, when refused.
  virtual bool SetSwapInterval(int32_t interval, std::string* why) = 0;
  // Leaves full screen and releases the context. Harmless when parts are missing.
  virtual void DestroyContext() = 0;
  // Shows the window with the focus; gives its client size.
  virtual void ShowAndFocus(int32_t& width, int32_t& height) = 0;

  // Every waiting event: keys (as virtual-key codes), mouse moves and button presses
  // into `input`, the rest into the result.
  virtual WindowEvents PumpEvents(InputState& input) = 0;
  // Mouse look on: cursor centred and hidden. Off: cursor shown and left alone.
  virtual void CaptureMouse(bool on) = 0;
  // The client area's size while the window is the active one; false otherwise.
  virtual bool ClientSize(int32_t& width, int32_t& height) const = 0;
  virtual void SwapBuffers() = 0;
  // Whether any of the window can be seen: not hidden, not minimised.
  virtual bool WindowVisible() const = 0;
  // Sleeps until an event arrives or `ms` milliseconds have passed.
  virtual void WaitForEvents(uint32_t ms) = 0;

  // Milliseconds since start-up, wrapping at 2^32.
  virtual uint32_t Milliseconds() = 0;
  // The modal "Error" box; returns once it is dismissed, or false with the reason
  // when it cannot be shown.
  virtual bool ShowErrorBox(const char* text, std::string* why) = 0;
  // The executable's folder with a trailing '/', or "" when it cannot be found.
  virtual std::string ExecutableFolder() = 0;
};
