// The messages the window procedure handles, and the translation of SDL events into
// them. Translation is plain code: it needs no window and no display.
#pragma once

#include <SDL_events.h>

#include <cstdint>
#include <optional>

enum class MessageKind {
  Create,
  Destroy,
  Size,         // a = client width, b = client height
  Close,        // window-manager close, Alt+F4 and Escape
  KeyDown,      // a = virtual-key code
  KeyUp,        // a = virtual-key code
  MouseMove,    // a = x, b = y, client pixels (unsigned 16-bit each)
  LButtonDown,
  RButtonDown,
  MButtonDown,
  Quit,         // the posted quit message: ends the main loop; a = exit status
};

struct WindowMessage {
  MessageKind kind;
  uint32_t a = 0;
  uint32_t b = 0;
};

// In relative mouse mode the cursor does not move; the translator keeps a position
// of its own, moved by each motion and put back to the centre by the mouse look.
struct MouseTracker {
  bool relative = false;
  int32_t x = 0;
  int32_t y = 0;
};

// The message an SDL event stands for, or nothing for events the program ignores
// (button releases, keys without a virtual-key code, ...).
std::optional<WindowMessage> TranslateEvent(const SDL_Event& event, MouseTracker& mouse);
