// Scripted input for the headless renderer: a list of steps, each holding keys or
// moving the mouse for some frames, turned into the key and mouse messages a user
// would cause, frame by frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ScriptStep {
  enum class Kind { Hold, Turn, Look, Jump, Wait };
  Kind kind = Kind::Wait;
  int key = 0;          // virtual-key code held, for Hold
  int frames = 1;       // frames the step lasts
  float degrees = 0.0f; // for Turn (left positive) and Look (down positive)
};

// "forward 60, turn 90, jump, wait 30, back 10, left 5, right 5, look 20, pageup 3,
//  pagedown 3, end 1". Returns nothing and sets `error` for an unknown word or count.
std::optional<std::vector<ScriptStep>> ParseInputScript(const std::string& text, std::string* error);

// What one frame of the script does.
struct FrameInput {
  std::vector<int> keysDown;  // held during this frame
  int mouseDx = 0;            // pixels from the window centre
  int mouseDy = 0;
  bool rightButton = false;
};

// Expands the steps into frames; `mouseSpeed` is the settings' pixels per degree.
std::vector<FrameInput> ExpandScript(const std::vector<ScriptStep>& steps, int mouseSpeed);
