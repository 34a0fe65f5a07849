// Which key does what: the keyboard's actions, the key names the settings file uses for
// them (the window library's names: "W", "Space", "Left Shift", "F12", "PageUp"), and
// the virtual-key codes the input state is keyed by.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/virtual_keys.h"

class Settings;

// One key per action; 0 is no key. The arrow keys walk as well, whatever is bound here,
// and the right mouse button always jumps.
struct KeyBindings {
  uint32_t forward = 'A';
  uint32_t back = 'Y';
  uint32_t left = 'Q';
  uint32_t right = 'W';
  uint32_t lookDown = vk::kPageUp;  // one degree per frame, as a mouse moved down
  uint32_t lookUp = vk::kPageDown;
  uint32_t levelView = vk::kEnd;
  uint32_t jump = 0;
  uint32_t quit = vk::kEscape;
  uint32_t pause = 'P';
  uint32_t screenshot = 123;  // F12
  uint32_t help = 112;        // F1
};

// The code of a key name, letters and words in any case; 0 for a name no key has.
uint32_t KeyCodeFromName(std::string_view name);
// The name of a code, as KeyCodeFromName reads it; "" for a code no name has.
std::string KeyNameOf(uint32_t code);

// The defaults with the [Keys] section's names applied. A name no key has is reported,
// with the setting and the default kept.
KeyBindings BindingsFromSettings(const Settings& settings);

// The help text: one line per action with the key that does it, in the order the
// [Keys] section lists them, the arrow keys and the mouse included.
std::vector<std::string> HelpLines(const KeyBindings& bindings);
