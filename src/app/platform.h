// The SDL side of the program's one window: video start-up, the window, the message
// queue, the cursor, the millisecond clock and the "Error" message box.
#pragma once

#include <SDL_video.h>

#include <cstdint>
#include <deque>
#include <string>

#include "app/input_state.h"
#include "app/window_messages.h"

// Milliseconds since start-up, wrapping at 2^32.
uint32_t Milliseconds();

// The modal "Error" box: error icon, no owner window. Returns once it is dismissed;
// false, with the reason, when it cannot be shown.
bool ShowErrorMessageBox(const char* text, std::string* why);

class Platform : public MouseCentre {
 public:
  ~Platform() override;

  // Starts SDL's video. A video driver that shows nothing (offscreen, dummy) is refused
  // unless the user asked for it through SDL_VIDEODRIVER; `why` then says no display
  // was found.
  bool InitVideo(std::string& why);
  // The borderless window at (0, 0), hidden until Show(), with an OpenGL pixel format
  // of RGBA, double buffering and a 16-bit depth buffer.
  SDL_Window* CreateWindow(const char* title, int32_t width, int32_t height);
  void ShowAndFocus();
  SDL_Window* window() const { return window_; }

  // Every waiting message, the posted quit message in its place among them.
  bool PeekMessage(WindowMessage& message);
  // The quit message carries the program's exit status: 0 after a normal end.
  void PostQuit(int exitCode) {
    queue_.push_back(WindowMessage{MessageKind::Quit, static_cast<uint32_t>(exitCode)});
  }

  // Cursor: centred and hidden while the program runs, shown again at close.
  void CentreAndHideCursor();
  void ShowCursor();

  // The client area's size while the window is the active one; false otherwise.
  bool ClientSize(int32_t& width, int32_t& height) const;

  // Mouse look (see InputState).
  bool ClientCentre(int32_t& x, int32_t& y) override;
  void PutCursorAt(int32_t x, int32_t y) override;

 private:
  void Pump();
  void UpdateRelativeMode();

  SDL_Window* window_ = nullptr;
  bool videoStarted_ = false;
  bool lookActive_ = false;  // cursor hidden and the mouse driving the view
  MouseTracker mouse_;
  std::deque<WindowMessage> queue_;
};
