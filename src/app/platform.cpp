// SDL platform layer: the only code that talks to SDL's video and event API.
#include "app/platform.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/termination.h"
#include "log/log.h"

uint32_t Milliseconds() { return SDL_GetTicks(); }

namespace {

// Xlib's own handler ends the process on any protocol error, with exit status 1 and
// no word from the program. A driver that refuses an OpenGL context raises such an
// error while the window is made; with this handler it is written down instead, and
// the failure reaches the program as a failed call, which it reports in its own box.
int RecordXError(Display* display, XErrorEvent* event) {
  char text[256] = {};
  XGetErrorText(display, event->error_code, text, sizeof text);
  Log("X server", "", std::string(text) + " (request " + std::to_string(event->request_code) + ")");
  return 0;
}

// The box on X draws its text with a core font of the server's; a server without such
// fonts (no xfonts-base beside Xvfb, for one) cannot show it, and the window library's
// own reason does not say so.
std::string MissingBoxFont() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return "";
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return "";
  int count = 0;
  char** names = XListFonts(display, "-*-*-medium-r-normal--*-120-*-*-*-*-*-*", 1, &count);
  if (names != nullptr) XFreeFontNames(names);
  XCloseDisplay(display);
  return count > 0 ? "" : "the X server has no core font for it (install xfonts-base); ";
}

constexpr const char* kNoDisplay =
    "no display was found (set DISPLAY or WAYLAND_DISPLAY to a running X or Wayland server)";

}  // namespace

bool ShowErrorMessageBox(const char* text, std::string* why) {
  int shown = 0;
  {
    ErrorBoxUp up;
    shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr);
  }
  // A box taken down because the program was asked to end is no failure to report.
  if (shown == 0 || TerminationSignal() != 0) return true;
  const std::string reason = SDL_GetError();
  if (why != nullptr) *why = MissingBoxFont() + reason;
  return false;
}

Platform::~Platform() {
  if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool Platform::InitVideo(std::string& why) {
  // Without any of these no window system can be reached; asking the window library
  // anyway would only add its own complaints to the message.
  if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr && std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    why = kNoDisplay;
    return false;
  }
  // Installed before SDL opens the display; SDL puts its own handlers around the calls
  // it expects to fail and restores this one afterwards.
  XSetErrorHandler(&RecordXError);
  // SIGINT and SIGTERM are the program's own (see termination.h).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    why = SDL_GetError();
    return false;
  }
  videoStarted_ = true;
  // SDL falls back on drivers that draw nowhere when no display can be reached; a
  // window there could be neither seen nor closed.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                               std::strcmp(driver, "dummy") == 0 ||
                                               std::strcmp(driver, "evdev") == 0);
  const bool askedFor = asked != nullptr && driver != nullptr && std::strstr(asked, driver) != nullptr;
  if (invisible && !askedFor) {
    why = kNoDisplay;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
    return false;
  }
  return true;
}

SDL_Window* Platform::CreateWindow(const char* title, int32_t width, int32_t height) {
  // Double-buffered RGBA with a 16-bit depth buffer, compatibility profile (the fixed
  // function pipeline). Sizes are minimums: the nearest format at least as deep is taken.
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  window_ = SDL_CreateWindow(title, 0, 0, width, height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (window_ == nullptr) Log("window", "", SDL_GetError());
  return window_;
}

void Platform::ShowAndFocus() {
  if (window_ == nullptr) return;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  SDL_SetWindowInputFocus(window_);
  // The client size after creation reaches the window procedure as its first size message.
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  queue_.push_front(WindowMessage{MessageKind::Size, static_cast<uint32_t>(w) & 0xFFFFu,
                                  static_cast<uint32_t>(h) & 0xFFFFu});
}

void Platform::Pump() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                                          event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)) {
      UpdateRelativeMode();
    }
    if (auto message = TranslateEvent(event, mouse_)) queue_.push_back(*message);
  }
}

bool Platform::PeekMessage(WindowMessage& message) {
  if (queue_.empty()) Pump();
  if (queue_.empty()) return false;
  message = queue_.front();
  queue_.pop_front();
  return true;
}

void Platform::CentreAndHideCursor() {
  lookActive_ = true;
  int32_t x = 0, y = 0;
  int w = 0, h = 0;
  if (window_ != nullptr) SDL_GetWindowSize(window_, &w, &h);
  x = w / 2;
  y = h / 2;
  if (window_ != nullptr) SDL_WarpMouseInWindow(window_, x, y);
  mouse_.x = x;
  mouse_.y = y;
  SDL_ShowCursor(SDL_DISABLE);
}

void Platform::ShowCursor() {
  lookActive_ = false;
  SDL_SetRelativeMouseMode(SDL_FALSE);
  mouse_.relative = false;
  SDL_ShowCursor(SDL_ENABLE);
}

void Platform::UpdateRelativeMode() {
  // Relative mode reports every motion even at the screen's edge, where warping the
  // cursor back to the centre is unreliable on some desktops. It is used while the
  // window has the focus; otherwise the cursor is left alone.
  const bool focused = window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
  const bool wanted = lookActive_ && focused;
  if (wanted && !mouse_.relative) {
    mouse_.relative = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
  } else if (!wanted && mouse_.relative) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    mouse_.relative = false;
  }
}

bool Platform::ClientSize(int32_t& width, int32_t& height) const {
  if (window_ == nullptr || (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) == 0) return false;
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  width = w;
  height = h;
  return true;
}

bool Platform::ClientCentre(int32_t& x, int32_t& y) {
  int32_t w = 0, h = 0;
  if (!ClientSize(w, h)) return false;
  x = w / 2;
  y = h / 2;
  return true;
}

void Platform::PutCursorAt(int32_t x, int32_t y) {
  mouse_.x = x;
  mouse_.y = y;
  if (!mouse_.relative && window_ != nullptr) SDL_WarpMouseInWindow(window_, x, y);
  // The cursor's arrival at the centre is reported as a move, as a warp would be.
  queue_.push_back(WindowMessage{MessageKind::MouseMove, static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
}
