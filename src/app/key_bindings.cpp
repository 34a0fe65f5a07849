#include "app/key_bindings.h"

#include <cctype>

#include "log/log.h"
#include "settings/settings.h"

namespace {

// Names of the keys that are not a letter, a digit or F1 to F12, with their codes.
// Both Shift (Ctrl, Alt) keys give one code, so either name binds both.
const struct {
  const char* name;
  uint32_t code;
} kNamedKeys[] = {
    {"Backspace", 8},        {"Tab", 9},            {"Return", vk::kReturn},   {"Keypad Enter", vk::kReturn},
    {"Left Shift", 16},      {"Right Shift", 16},   {"Left Ctrl", 17},         {"Right Ctrl", 17},
    {"Left Alt", 18},        {"Right Alt", 18},     {"Pause", 19},             {"CapsLock", 20},
    {"Escape", vk::kEscape}, {"Space", vk::kSpace}, {"PageUp", vk::kPageUp},   {"PageDown", vk::kPageDown},
    {"End", vk::kEnd},       {"Home", vk::kHome},   {"Left", vk::kLeft},       {"Up", vk::kUp},
    {"Right", vk::kRight},   {"Down", vk::kDown},   {"Insert", 45},            {"Delete", 46},
    {"Keypad 0", 96},        {"Keypad *", 106},     {"Keypad +", 107},         {"Keypad -", 109},
    {"Keypad .", 110},       {"Keypad /", 111},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k]))) return false;
  }
  return true;
}

}  // namespace

uint32_t KeyCodeFromName(std::string_view name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return static_cast<uint32_t>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  for (uint32_t f = 1; f <= 12; ++f) {
    if (SameName(name, "F" + std::to_string(f))) return 111 + f;
  }
  for (uint32_t k = 1; k <= 9; ++k) {
    if (SameName(name, "Keypad " + std::to_string(k))) return 96 + k;
  }
  for (const auto& key : kNamedKeys) {
    if (SameName(name, key.name)) return key.code;
  }
  return 0;
}

std::string KeyNameOf(uint32_t code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
  if (code >= 112 && code <= 123) return "F" + std::to_string(code - 111);
  if (code >= 97 && code <= 105) return "Keypad " + std::to_string(code - 96);
  for (const auto& key : kNamedKeys) {
    if (key.code == code) return key.name;
  }
  return "";
}

std::vector<std::string> HelpLines(const KeyBindings& b) {
  auto name = [](uint32_t code) { return code == 0 ? std::string("-") : KeyNameOf(code); };
  return {
      "Forward     " + name(b.forward) + ", Up",
      "Back        " + name(b.back) + ", Down",
      "Left        " + name(b.left) + ", Left",
      "Right       " + name(b.right) + ", Right",
      "Look        mouse",
      "Look down   " + name(b.lookDown),
      "Look up     " + name(b.lookUp),
      "Level view  " + name(b.levelView),
      "Jump        right button" + (b.jump == 0 ? std::string() : ", " + name(b.jump)),
      "Pause       " + name(b.pause),
      "Screenshot  " + name(b.screenshot),
      "Help        " + name(b.help),
      "Quit        " + name(b.quit),
  };
}

KeyBindings BindingsFromSettings(const Settings& settings) {
  KeyBindings bindings;
  const struct {
    const char* key;
    const std::string& name;
    uint32_t& code;
  } actions[] = {
      {"Keys/Forward", settings.keyForward, bindings.forward},
      {"Keys/Back", settings.keyBack, bindings.back},
      {"Keys/Left", settings.keyLeft, bindings.left},
      {"Keys/Right", settings.keyRight, bindings.right},
      {"Keys/LookUp", settings.keyLookUp, bindings.lookUp},
      {"Keys/LookDown", settings.keyLookDown, bindings.lookDown},
      {"Keys/LevelView", settings.keyLevelView, bindings.levelView},
      {"Keys/Jump", settings.keyJump, bindings.jump},
      {"Keys/Quit", settings.keyQuit, bindings.quit},
      {"Keys/Pause", settings.keyPause, bindings.pause},
      {"Keys/Screenshot", settings.keyScreenshot, bindings.screenshot},
      {"Keys/Help", settings.keyHelp, bindings.help},
  };
  for (const auto& action : actions) {
    if (action.name.empty()) continue;
    const uint32_t code = KeyCodeFromName(action.name);
    if (code != 0) {
      action.code = code;
    } else {
      const std::string kept = action.code == 0 ? "no key" : KeyNameOf(action.code);
      Log("settings", action.key, "\"" + Printable(action.name) + "\" is not a key name; using " + kept);
    }
  }
  return bindings;
}
