// Input scripts for the headless renderer.
#include "headless/input_script.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

struct Word {
  const char* name;
  ScriptStep::Kind kind;
  int key;
};

// Virtual-key codes of the bound keys.
constexpr Word kWords[] = {
    {"forward", ScriptStep::Kind::Hold, 38}, {"back", ScriptStep::Kind::Hold, 40},
    {"left", ScriptStep::Kind::Hold, 37},    {"right", ScriptStep::Kind::Hold, 39},
    {"pageup", ScriptStep::Kind::Hold, 33},  {"pagedown", ScriptStep::Kind::Hold, 34},
    {"end", ScriptStep::Kind::Hold, 35},     {"wait", ScriptStep::Kind::Wait, 0},
    {"turn", ScriptStep::Kind::Turn, 0},     {"look", ScriptStep::Kind::Look, 0},
    {"jump", ScriptStep::Kind::Jump, 0},     {"pause", ScriptStep::Kind::Hold, 'P'},
    {"help", ScriptStep::Kind::Hold, 112},   {"screenshot", ScriptStep::Kind::Hold, 123},
};

}  // namespace

std::optional<std::vector<ScriptStep>> ParseInputScript(const std::string& text, std::string* error) {
  std::vector<ScriptStep> steps;
  std::stringstream items(text);
  for (std::string item; std::getline(items, item, ',');) {
    std::istringstream words(item);
    std::string name;
    if (!(words >> name)) continue;
    const Word* word = nullptr;
    for (const Word& w : kWords) {
      if (name == w.name) word = &w;
    }
    if (word == nullptr) {
      if (error) *error = "unknown script word \"" + name + "\"";
      return std::nullopt;
    }
    ScriptStep step;
    step.kind = word->kind;
    step.key = word->key;
    std::string count;
    if (words >> count) {
      char* end = nullptr;
      const double value = std::strtod(count.c_str(), &end);
      if (end == count.c_str() || *end != '\0' || !std::isfinite(value) || std::fabs(value) > 1e7) {
        if (error) *error = "bad number \"" + count + "\" after \"" + name + "\"";
        return std::nullopt;
      }
      if (step.kind == ScriptStep::Kind::Turn || step.kind == ScriptStep::Kind::Look) {
        step.degrees = static_cast<float>(value);
      } else if (value < 0) {
        if (error) *error = "negative frame count after \"" + name + "\"";
        return std::nullopt;
      } else {
        step.frames = static_cast<int>(value);
      }
    }
    steps.push_back(step);
  }
  return steps;
}

std::vector<FrameInput> ExpandScript(const std::vector<ScriptStep>& steps, int mouseSpeed) {
  std::vector<FrameInput> frames;
  for (const ScriptStep& step : steps) {
    switch (step.kind) {
      case ScriptStep::Kind::Hold:
        for (int f = 0; f < step.frames; ++f) frames.push_back(FrameInput{{step.key}});
        break;
      case ScriptStep::Kind::Wait:
        for (int f = 0; f < step.frames; ++f) frames.push_back(FrameInput{});
        break;
      case ScriptStep::Kind::Jump: {
        FrameInput input;
        input.rightButton = true;
        frames.push_back(input);
        break;
      }
      case ScriptStep::Kind::Turn:
      case ScriptStep::Kind::Look: {
        // Moving the mouse left of the centre turns left: dx = -degrees * speed.
        FrameInput input;
        const int pixels = static_cast<int>(std::lround(step.degrees * static_cast<float>(mouseSpeed)));
        if (step.kind == ScriptStep::Kind::Turn) {
          input.mouseDx = -pixels;
        } else {
          input.mouseDy = pixels;
        }
        frames.push_back(input);
        break;
      }
    }
  }
  return frames;
}
