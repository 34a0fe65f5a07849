// Headless renderer and benchmark: builds the scene from a settings file and a working
// folder in an off-screen OpenGL buffer (no X server), drives the viewer with a scripted
// input on a fixed frame time, writes frames as PNG and prints one line of timings. With
// --soak it drives them with seeded random input instead and checks the viewer after
// every frame (soak.h).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program.h"
#include "headless/headless_platform.h"
#include "headless/ini_edit.h"
#include "headless/input_script.h"
#include "textures/png_file.h"
#include "headless/soak.h"
#include "io/file_bytes.h"
#include "settings/text_encoding.h"
#include "textures/gl_context_state.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Options {
  std::string folder = ".";
  std::string settings;  // default: <folder>/Quillmarsh.ini
  std::vector<std::string> sets;  // "Section/Key=Value" over the settings file
  int width = 640;
  int height = 480;
  std::string script = "wait 1";
  int frameMs = 16;
  std::string out;       // final frame
  int every = 0;         // write every Kth frame as <out>-NNNNN.png
  bool printPose = false;
  bool printSettings = false;  // the settings text with the --set edits, and nothing else
  bool trace = false;    // the pose after every frame
  SoakOptions soak;      // random input instead of the script when soak.frames > 0
};

bool SavePicture(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  std::string error;
  if (WritePng(path, width, height, rgba, &error)) return true;
  std::fprintf(stderr, "PNG \"%s\": %s\n", path.c_str(), error.c_str());
  return false;
}

void Usage() {
  std::fprintf(stderr,
               "usage: quillmarsh_headless --folder DIR [--settings FILE] [--set Section/Key=Value]...\n"
               "       [--size WxH]\n"
               "       [--script \"forward 60, turn 90, jump, wait 30\"] [--frame-ms N]\n"
               "       [--out FILE.png] [--every K] [--print-pose] [--trace] [--print-settings]\n"
               "       [--soak FRAMES [--seed N] [--render-every K] [--rss-limit-mb MB]]\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--print-pose" || a == "--trace" || a == "--print-settings") {
      (a == "--trace" ? o.trace : a == "--print-pose" ? o.printPose : o.printSettings) = true;
      continue;
    }
    if ((v = next()) == nullptr) return false;
    if (a == "--folder") o.folder = v;
    else if (a == "--settings") o.settings = v;
    else if (a == "--set") {
      std::string probe;
      if (!ApplySetting(probe, v)) return false;
      o.sets.push_back(v);
    }
    else if (a == "--size") {
      if (std::sscanf(v, "%dx%d", &o.width, &o.height) != 2) return false;
    } else if (a == "--script") o.script = v;
    else if (a == "--frame-ms") o.frameMs = std::atoi(v);
    else if (a == "--out") o.out = v;
    else if (a == "--every") o.every = std::atoi(v);
    else if (a == "--soak" || a == "--seed" || a == "--render-every") {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(v, &end, 10);
      if (end == v || *end != '\0' || v[0] == '-') return false;
      (a == "--soak" ? o.soak.frames : a == "--seed" ? o.soak.seed : o.soak.renderEvery) = n;
      if (a == "--soak" && n == 0) return false;
    } else if (a == "--rss-limit-mb") {
      o.soak.rssGrowthLimitMb = std::atof(v);
    } else return false;
  }
  return o.width > 0 && o.height > 0 && o.width <= 8192 && o.height <= 8192 && o.frameMs >= 0;
}

std::string FramePath(const std::string& out, int frame) {
  std::string base = out;
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0) base.resize(base.size() - 4);
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "-%05d.png", frame);
  return base + suffix;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    Usage();
    return 2;
  }
  std::string scriptError;
  auto steps = ParseInputScript(options.script, &scriptError);
  if (!steps) {
    std::fprintf(stderr, "quillmarsh_headless: %s\n", scriptError.c_str());
    return 2;
  }
  if (options.settings.empty()) options.settings = options.folder + "/Quillmarsh.ini";
  char settingsPath[4096];
  if (realpath(options.settings.c_str(), settingsPath) == nullptr) {
    std::fprintf(stderr, "quillmarsh_headless: settings file \"%s\" not found\n", options.settings.c_str());
    return 2;
  }
  if (chdir(options.folder.c_str()) != 0) {
    std::fprintf(stderr, "quillmarsh_headless: cannot enter folder \"%s\"\n", options.folder.c_str());
    return 2;
  }

  // The program's own objects and start-up, on an off-screen buffer.
  static HeadlessPlatform platform(options.width, options.height);
  static Program program(platform);
  const auto t0 = Clock::now();
  if (options.sets.empty() && !options.printSettings) {
    program.settings.LoadFile(settingsPath);
  } else {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(settingsPath, kMaxSettingsFileBytes, &bytes).Read()) {
      std::fprintf(stderr, "quillmarsh_headless: cannot read the settings file \"%s\"\n", settingsPath);
      return 2;
    }
    // Edited as the program reads it: UTF-16 files become UTF-8 text first.
    std::string text = DecodeSettingsText(bytes.data(), bytes.size()).utf8;
    for (const std::string& set : options.sets) ApplySetting(text, set);
    if (options.printSettings) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      return 0;
    }
    program.settings.LoadFromText(text);
  }
  const auto t1 = Clock::now();
  // A soak starts half a minute before the millisecond clock wraps (soak.h).
  if (options.soak.frames > 0) platform.nowMs = kSoakClockStart;
  const auto t2 = Clock::now();
  const bool started = StartProgram(program, "Quillmarsh");
  const auto t3 = Clock::now();
  if (!started) {
    SetGLContextAlive(false);
    return 1;
  }

  if (options.soak.frames > 0) {
    SoakTarget target;
    target.input = &program.inputState;
    target.viewer = &program.viewer;
    target.centreX = options.width / 2;
    target.centreY = options.height / 2;
    target.clockMs = &platform.nowMs;
    target.frame = [](bool draw) { RunFrame(program, draw); };
    const int result = RunSoak(options.soak, target);
    if (result == 0 && !options.out.empty() &&
        !SavePicture(options.out, options.width, options.height, platform.gl().ReadPixelsTopDown())) {
      SetGLContextAlive(false);
      return 2;
    }
    SetGLContextAlive(false);
    return result;
  }

  const std::vector<FrameInput> frames = ExpandScript(*steps, program.inputState.mouseSpeed);
  std::vector<double> frameTimes;
  frameTimes.reserve(frames.size());
  std::vector<int> held;
  uint64_t draws = 0;
  for (size_t f = 0; f < frames.size(); ++f) {
    const FrameInput& input = frames[f];
    // This frame's events: releases, presses, the mouse, the button.
    platform.PumpEvents(program.inputState);
    for (int key : held) program.inputState.SetKey(static_cast<uint32_t>(key), false);
    for (int key : input.keysDown) program.inputState.SetKey(static_cast<uint32_t>(key), true);
    held = input.keysDown;
    program.inputState.SetMousePosition(options.width / 2 + input.mouseDx, options.height / 2 + input.mouseDy);
    if (input.rightButton) program.inputState.SetButton(1, true);

    const auto start = Clock::now();
    platform.nowMs += static_cast<uint32_t>(options.frameMs);
    RunFrame(program, true);
    frameTimes.push_back(Ms(start, Clock::now()));
    draws += program.lastDrawCount;
    if (options.trace) {
      const Viewer& v = program.viewer;
      std::printf("frame %zu x %.5f y %.5f z %.5f heading %.3f pitch %.3f vy %.5f air %d\n", f + 1, v.GetX(),
                  v.GetY(), v.GetZ(), v.GetHeading(), v.GetPitch(), v.velocity.y, v.inAir ? 1 : 0);
    }

    const bool last = f + 1 == frames.size();
    if (!options.out.empty() && options.every > 0 && (f + 1) % static_cast<size_t>(options.every) == 0) {
      SavePicture(FramePath(options.out, static_cast<int>(f + 1)), options.width, options.height,
                  platform.gl().ReadPixelsTopDown());
    }
    if (last && !options.out.empty() &&
        !SavePicture(options.out, options.width, options.height, platform.gl().ReadPixelsTopDown())) {
      SetGLContextAlive(false);
      return 2;
    }
  }
  // The objects outlive the context: their destructors must not reach OpenGL.
  SetGLContextAlive(false);

  std::vector<double> sorted = frameTimes;
  std::sort(sorted.begin(), sorted.end());
  double mean = 0.0;
  for (double t : frameTimes) mean += t;
  mean = frameTimes.empty() ? 0.0 : mean / static_cast<double>(frameTimes.size());
  const double median = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
  const double p95 = sorted.empty() ? 0.0 : sorted[std::min(sorted.size() - 1, sorted.size() * 95 / 100)];
  const double first = frameTimes.empty() ? 0.0 : frameTimes.front();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("settings %.1f ms | terrain %.1f ms | setup %.1f ms | first frame %.1f ms | %zu frames: "
              "mean %.2f median %.2f p95 %.2f ms | peak %.1f MB | draws %.1f\n",
              Ms(t0, t1), program.timings.terrainBuildMs, Ms(t2, t3), first, frameTimes.size(), mean, median, p95,
              static_cast<double>(usage.ru_maxrss) / 1024.0,
              frameTimes.empty() ? 0.0 : static_cast<double>(draws) / static_cast<double>(frameTimes.size()));
  if (options.printPose) {
    const Viewer& v = program.viewer;
    std::printf("pose x %.6f y %.6f z %.6f heading %.6f pitch %.6f\n", v.GetX(), v.GetY(), v.GetZ(),
                v.GetHeading(), v.GetPitch());
  }
  return 0;
}
