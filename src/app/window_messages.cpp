// SDL events to window messages.
#include "app/window_messages.h"

#include "app/virtual_keys.h"

namespace {

// Client coordinates travel as unsigned 16-bit values. Like a cursor that stops at
// the screen's edge, a position is kept within 0..32767, so that a fast move in
// relative mode never wraps around into a huge turn.
int32_t ClampCoordinate(int32_t v) { return v < 0 ? 0 : (v > 32767 ? 32767 : v); }

}  // namespace

std::optional<WindowMessage> TranslateEvent(const SDL_Event& event, MouseTracker& mouse) {
  switch (event.type) {
    case SDL_QUIT:
      return WindowMessage{MessageKind::Close};
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return WindowMessage{MessageKind::Close};
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        return WindowMessage{MessageKind::Size, static_cast<uint32_t>(event.window.data1) & 0xFFFFu,
                             static_cast<uint32_t>(event.window.data2) & 0xFFFFu};
      }
      return std::nullopt;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      // Alt+F4 closes the window like the window manager's close, also where no
      // window manager runs to turn it into a close request.
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT) != 0) {
        return WindowMessage{MessageKind::Close};
      }
      const int code = VirtualKeyFromSdl(event.key.keysym.sym);
      if (code == 0) return std::nullopt;
      return WindowMessage{event.type == SDL_KEYDOWN ? MessageKind::KeyDown : MessageKind::KeyUp,
                           static_cast<uint32_t>(code)};
    }
    case SDL_MOUSEMOTION:
      if (mouse.relative) {
        mouse.x = ClampCoordinate(mouse.x + event.motion.xrel);
        mouse.y = ClampCoordinate(mouse.y + event.motion.yrel);
      } else {
        mouse.x = ClampCoordinate(event.motion.x);
        mouse.y = ClampCoordinate(event.motion.y);
      }
      return WindowMessage{MessageKind::MouseMove, static_cast<uint32_t>(mouse.x),
                           static_cast<uint32_t>(mouse.y)};
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) return WindowMessage{MessageKind::LButtonDown};
      if (event.button.button == SDL_BUTTON_RIGHT) return WindowMessage{MessageKind::RButtonDown};
      if (event.button.button == SDL_BUTTON_MIDDLE) return WindowMessage{MessageKind::MButtonDown};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}
