// Keyboard codes: the program's input bindings use the classic virtual-key numbering
// (letters 65..90, digits 48..57, Escape 27, arrows 37..40, ...). SDL keycodes follow
// the active keyboard layout, so the letter keys do too.
#pragma once

#include <SDL_keycode.h>

namespace vk {
constexpr int kReturn = 13;
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPageUp = 33;
constexpr int kPageDown = 34;
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
}  // namespace vk

// The virtual-key code of an SDL keycode, or 0 for a key that has none (dropped).
int VirtualKeyFromSdl(SDL_Keycode key);
