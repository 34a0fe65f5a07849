// The platform on SDL2: video start-up, the window and its OpenGL context, the display
// mode for full screen, events into the input state, the cursor, the clock, the "Error"
// box and the executable's folder.
#include "app/sdl_platform.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/termination.h"
#include "app/virtual_keys.h"
#include "log/log.h"

namespace {

// [SECTION] Helpers

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

// The virtual-key code of an SDL keycode, or 0 for a key that has none. SDL keycodes
// follow the active keyboard layout, so the letter keys do too.
int VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 97 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return vk::kReturn;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL: case SDLK_RCTRL: return 17;
    case SDLK_LALT: case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return vk::kEscape;
    case SDLK_SPACE: return vk::kSpace;
    case SDLK_PAGEUP: return vk::kPageUp;
    case SDLK_PAGEDOWN: return vk::kPageDown;
    case SDLK_END: return vk::kEnd;
    case SDLK_HOME: return vk::kHome;
    case SDLK_LEFT: return vk::kLeft;
    case SDLK_UP: return vk::kUp;
    case SDLK_RIGHT: return vk::kRight;
    case SDLK_DOWN: return vk::kDown;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    default: return 0;
  }
}

// Like a cursor that stops at the screen's edge, a position is kept within 0..32767,
// so that a fast move in relative mode never wraps around into a huge turn.
int32_t ClampCoordinate(int32_t v) { return v < 0 ? 0 : (v > 32767 ? 32767 : v); }

// [SECTION] The platform

class SdlPlatform final : public Platform {
 public:
  ~SdlPlatform() override {
    DestroyContext();
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool StartWindowSystem(std::string& why) override {
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

  bool CreateWindow(const char* title, int32_t width, int32_t height) override {
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
    return window_ != nullptr;
  }

  const char* CreateContext(int32_t width, int32_t height, ScreenMode mode) override {
    // The pixel format was requested before the window was made; a window without a
    // usable one has none now.
    if (window_ == nullptr || SDL_GetWindowPixelFormat(window_) == SDL_PIXELFORMAT_UNKNOWN ||
        (SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL) == 0) {
      return "Can't find a suitable pixelformat";
    }
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr) return "Can't create a GL rendering context";
    if (SDL_GL_MakeCurrent(window_, context_) != 0) return "Can't activate GLRC";
    if (mode == ScreenMode::kSwitchMode && !SetDisplayMode(width, height)) return "Can't switch resolution";
    // The desktop keeps its mode: the borderless window only grows over it, by itself
    // where no window manager runs, and made full screen where one does.
    SDL_Rect desktop{};
    if (mode == ScreenMode::kDesktop && SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &desktop) == 0) {
      SDL_SetWindowPosition(window_, desktop.x, desktop.y);
      SDL_SetWindowSize(window_, desktop.w, desktop.h);
      displaySwitched_ = SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    }
    return nullptr;
  }

  bool SetSwapInterval(int32_t interval, std::string* why) override {
    if (SDL_GL_SetSwapInterval(interval) == 0) return true;
    if (why != nullptr) *why = SDL_GetError();
    return false;
  }

  void DestroyContext() override {
    if (window_ != nullptr && displaySwitched_) {
      SDL_SetWindowFullscreen(window_, 0);
      displaySwitched_ = false;
    }
    if (context_ != nullptr) {
      SDL_GL_MakeCurrent(window_, nullptr);
      SDL_GL_DeleteContext(context_);
      context_ = nullptr;
    }
  }

  void ShowAndFocus(int32_t& width, int32_t& height) override {
    width = height = 0;
    if (window_ == nullptr) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
    SDL_GetWindowSize(window_, &width, &height);
  }

  WindowEvents PumpEvents(InputState& input) override {
    WindowEvents events;
    // The cursor's return to the centre counts as a move, as a warp would.
    if (cursorReturned_) {
      input.SetMousePosition(mouseX_, mouseY_);
      cursorReturned_ = false;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) Translate(event, input, events);
    return events;
  }

  void CaptureMouse(bool on) override {
    lookActive_ = on;
    if (!on) {
      SDL_SetRelativeMouseMode(SDL_FALSE);
      relative_ = false;
      SDL_ShowCursor(SDL_ENABLE);
      return;
    }
    int w = 0, h = 0;
    if (window_ != nullptr) SDL_GetWindowSize(window_, &w, &h);
    mouseX_ = w / 2;
    mouseY_ = h / 2;
    if (window_ != nullptr) SDL_WarpMouseInWindow(window_, mouseX_, mouseY_);
    SDL_ShowCursor(SDL_DISABLE);
    UpdateRelativeMode();
  }

  bool ClientSize(int32_t& width, int32_t& height) const override {
    if (window_ == nullptr || (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) == 0) return false;
    SDL_GetWindowSize(window_, &width, &height);
    return true;
  }

  bool ClientCentre(int32_t& x, int32_t& y) override {
    int32_t w = 0, h = 0;
    if (!ClientSize(w, h)) return false;
    x = w / 2;
    y = h / 2;
    return true;
  }

  void PutCursorAt(int32_t x, int32_t y) override {
    mouseX_ = x;
    mouseY_ = y;
    if (!relative_ && window_ != nullptr) SDL_WarpMouseInWindow(window_, x, y);
    cursorReturned_ = true;
  }

  void SwapBuffers() override {
    if (window_ != nullptr && context_ != nullptr) SDL_GL_SwapWindow(window_);
  }

  bool WindowVisible() const override {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
  }

  void WaitForEvents(uint32_t ms) override { SDL_WaitEventTimeout(nullptr, static_cast<int>(ms)); }

  uint32_t Milliseconds() override { return SDL_GetTicks(); }

  bool ShowErrorBox(const char* text, std::string* why) override {
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

  std::string ExecutableFolder() override {
    // SDL_GetBasePath needs no SDL_Init; it gives the folder with a trailing separator.
    char* base = SDL_GetBasePath();
    if (base == nullptr) return "";
    std::string folder(base);
    SDL_free(base);
    return folder;
  }

 private:
  bool SetDisplayMode(int32_t width, int32_t height) {
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0) return false;
    // Only the size is asked for; colour depth and refresh rate stay as they are.
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest{};
    if (SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr) return false;
    if (closest.w != width || closest.h != height) return false;
    if (SDL_SetWindowDisplayMode(window_, &closest) != 0) return false;
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) return false;
    displaySwitched_ = true;
    return true;
  }

  void Translate(const SDL_Event& event, InputState& input, WindowEvents& events) {
    switch (event.type) {
      case SDL_QUIT:
        events.closeRequested = true;
        return;
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) events.closeRequested = true;
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          events.resized = true;
          events.width = event.window.data1;
          events.height = event.window.data2;
        }
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
            event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
          UpdateRelativeMode();
        }
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) events.focusLost = true;
        return;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        // Alt+F4 closes the window like the window manager's close, also where no
        // window manager runs to turn it into a close request.
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT) != 0) {
          events.closeRequested = true;
          return;
        }
        const int code = VirtualKey(event.key.keysym.sym);
        if (code != 0) input.SetKey(static_cast<uint32_t>(code), event.type == SDL_KEYDOWN);
        return;
      }
      case SDL_MOUSEMOTION:
        // In relative mode the cursor stays put; the position is our own, moved by each
        // motion and put back to the centre by the mouse look.
        if (relative_) {
          mouseX_ = ClampCoordinate(mouseX_ + event.motion.xrel);
          mouseY_ = ClampCoordinate(mouseY_ + event.motion.yrel);
        } else {
          mouseX_ = ClampCoordinate(event.motion.x);
          mouseY_ = ClampCoordinate(event.motion.y);
        }
        input.SetMousePosition(mouseX_, mouseY_);
        return;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) input.SetButton(0, true);
        if (event.button.button == SDL_BUTTON_RIGHT) input.SetButton(1, true);
        if (event.button.button == SDL_BUTTON_MIDDLE) input.SetButton(2, true);
        return;
      default:
        return;
    }
  }

  void UpdateRelativeMode() {
    // Relative mode reports every motion even at the screen's edge, where warping the
    // cursor back to the centre is unreliable on some desktops. It is used while the
    // window has the focus; otherwise the cursor is left alone.
    const bool focused = window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
    const bool wanted = lookActive_ && focused;
    if (wanted && !relative_) {
      relative_ = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
    } else if (!wanted && relative_) {
      SDL_SetRelativeMouseMode(SDL_FALSE);
      relative_ = false;
    }
  }

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  bool videoStarted_ = false;
  bool displaySwitched_ = false;  // full-screen mode is in force
  bool lookActive_ = false;       // cursor hidden and the mouse driving the view
  bool relative_ = false;         // SDL's relative mouse mode is on
  int32_t mouseX_ = 0;            // the mouse position last given to the input state
  int32_t mouseY_ = 0;
  bool cursorReturned_ = false;   // PutCursorAt since the last pump
};

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform() { return std::make_unique<SdlPlatform>(); }
