// Keyboard codes: the program's input bindings use the classic virtual-key numbering
// (letters 65..90 by the letter the active keyboard layout puts on the key, digits
// 48..57, Escape 27, arrows 37..40, ...), whatever window system delivers the keys.
#pragma once

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
