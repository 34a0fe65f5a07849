// Soak runs: random input through the program's own input state and viewer, the
// viewer's invariants after every frame, and the peak memory before and after.
#include "headless/soak.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/input_state.h"
#include "app/virtual_keys.h"
#include "terrain/terrain.h"
#include "viewer/viewer.h"

namespace {

// Every key the input state maps to the viewer: the four movement keys with their
// letter twins, the two pitch keys and End.
constexpr int kBoundKeys[] = {vk::kUp,     'A', vk::kDown,     'Y',      vk::kLeft, 'Q',
                              vk::kRight,  'W', vk::kPageUp,   vk::kPageDown, vk::kEnd};

// Frames drawn at the start whatever the drawing interval.
constexpr uint64_t kWarmUpFrames = 32;

int32_t ClampToInt32(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

}  // namespace

// [SECTION] Random input

int64_t SoakInput::MouseOffset() {
  const uint64_t kind = Below(100);
  if (kind < 55) return 0;
  if (kind < 80) return Between(-20, 20);
  if (kind < 92) return Between(-1000, 1000);
  // A position report holds 16 bits: the largest jump a window can see.
  if (kind < 98) return Chance(500) ? Between(-65535, 65535) : (Chance(500) ? 65535 : -65535);
  // Beyond anything a window reports: the whole 32-bit range of a recorded position.
  switch (Below(3)) {
    case 0: return std::numeric_limits<int64_t>::min() / 2;  // clamps to the lowest int32
    case 1: return std::numeric_limits<int64_t>::max() / 2;  // clamps to the highest
    default: return Between(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  }
}

SoakFrame SoakInput::Next() {
  SoakFrame frame;
  for (int key : kBoundKeys) {
    if (Chance(40)) {
      down_[key] = !down_[key];
      frame.keyEvents.emplace_back(key, down_[key]);
    } else if (!down_[key] && Chance(5)) {
      // Pressed and released again before the frame is applied.
      frame.keyEvents.emplace_back(key, true);
      frame.keyEvents.emplace_back(key, false);
    }
  }
  frame.mouseDx = MouseOffset();
  frame.mouseDy = MouseOffset();
  if (Chance(30)) frame.rightPresses = Chance(200) ? 2 : 1;
  frame.otherButton = Chance(10);

  const uint64_t kind = Below(100);
  if (kind < 2) frame.frameMs = 0;
  else if (kind < 4) frame.frameMs = 500;
  else if (kind < 64) frame.frameMs = static_cast<uint32_t>(Between(10, 20));
  else if (kind < 90) frame.frameMs = static_cast<uint32_t>(Between(0, 60));
  else frame.frameMs = static_cast<uint32_t>(Between(0, 500));
  return frame;
}

// [SECTION] Invariants

std::string CheckViewerInvariants(const Viewer& v) {
  char text[512];
  const float values[] = {v.x, v.y, v.z, v.heading, v.pitch, v.velocity.x, v.velocity.y,
                          v.velocity.z, v.fallVelocity.x, v.fallVelocity.y, v.fallVelocity.z};
  for (float value : values) {
    if (!std::isfinite(value)) return "a pose or velocity component is not finite";
  }
  if (v.pitch < -90.0f || v.pitch > 90.0f) {
    std::snprintf(text, sizeof text, "pitch %g outside [-90, 90]", static_cast<double>(v.pitch));
    return text;
  }
  const Terrain* terrain = v.GetTerrain();
  if (terrain == nullptr) return "";
  // The same float arithmetic as the fence, so that a viewer held at the fence passes.
  const float step = terrain->StepSize();
  const float half = step * 0.5f;
  const TerrainBounds b = terrain->GetBounds();
  const float maxX = static_cast<float>(b.last1) * step - half;
  const float maxZ = static_cast<float>(b.last0) * step - half;
  if (v.x < half || v.x > maxX || v.z < half || v.z > maxZ) {
    std::snprintf(text, sizeof text, "(x, z) = (%.9g, %.9g) outside the fence x [%.9g, %.9g], z [%.9g, %.9g]",
                  static_cast<double>(v.x), static_cast<double>(v.z), static_cast<double>(half),
                  static_cast<double>(maxX), static_cast<double>(half), static_cast<double>(maxZ));
    return text;
  }
  const float ground = terrain->HeightAt(v.z, v.x);
  if (!(v.y >= ground)) {
    std::snprintf(text, sizeof text, "feet y %.9g below the ground %.9g", static_cast<double>(v.y),
                  static_cast<double>(ground));
    return text;
  }
  return "";
}

// [SECTION] Memory

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double HeapInUseMb() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double CurrentRssMb() {
  // Freed heap pages go back first, so that what remains is memory still in use.
  malloc_trim(0);
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return 0.0;
  unsigned long size = 0, resident = 0;
  const int read = std::fscanf(f, "%lu %lu", &size, &resident);
  std::fclose(f);
  if (read != 2) return 0.0;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// [SECTION] The run

namespace {

void PrintViewer(const Viewer& v) {
  std::fprintf(stderr,
               "  x %.9g y %.9g z %.9g heading %.9g pitch %.9g\n"
               "  velocity (%.9g, %.9g, %.9g) fall velocity (%.9g, %.9g, %.9g) in air %d ground %.9g\n",
               static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z),
               static_cast<double>(v.heading), static_cast<double>(v.pitch), static_cast<double>(v.velocity.x),
               static_cast<double>(v.velocity.y), static_cast<double>(v.velocity.z),
               static_cast<double>(v.fallVelocity.x), static_cast<double>(v.fallVelocity.y),
               static_cast<double>(v.fallVelocity.z), v.inAir ? 1 : 0,
               v.GetTerrain() != nullptr ? static_cast<double>(v.GetTerrain()->HeightAt(v.z, v.x)) : 0.0);
}

void PrintFrame(const SoakFrame& f) {
  std::fprintf(stderr, "  input: %zu key events, mouse (%" PRId64 ", %" PRId64 "), right presses %d, %u ms\n",
               f.keyEvents.size(), f.mouseDx, f.mouseDy, f.rightPresses, f.frameMs);
}

}  // namespace

int RunSoak(const SoakOptions& options, SoakTarget& t) {
  InputState& input = *t.input;
  Viewer& viewer = *t.viewer;
  SoakInput random(options.seed);

  const auto start = std::chrono::steady_clock::now();
  const uint64_t tenth = options.frames / 10 > 0 ? options.frames / 10 : 1;
  double peakAtTenth = 0.0;
  double currentAtTenth = 0.0;
  double heapAtTenth = 0.0;
  uint64_t rendered = 0;

  std::string broken = CheckViewerInvariants(viewer);
  if (!broken.empty()) {
    std::fprintf(stderr, "soak: seed %" PRIu64 ": before the first frame: %s\n", options.seed, broken.c_str());
    PrintViewer(viewer);
    return 1;
  }

  for (uint64_t frame = 1; frame <= options.frames; ++frame) {
    const SoakFrame f = random.Next();
    // The window messages of this frame, then the main loop's pass.
    for (const auto& [key, down] : f.keyEvents) input.SetKey(static_cast<uint32_t>(key), down);
    input.SetMousePosition(ClampToInt32(t.centreX + f.mouseDx), ClampToInt32(t.centreY + f.mouseDy));
    for (int i = 0; i < f.rightPresses; ++i) input.SetButton(1, true);
    if (f.otherButton) input.SetButton(frame % 2 == 0 ? 0 : 2, true);

    *t.clockMs += f.frameMs;
    // The first frames are all drawn: the renderer fills its caches (compiled state
    // variants, buffers) on the first draws, and that is growth the memory check must
    // not count as a leak.
    const bool warmUp = frame <= kWarmUpFrames;
    const bool draw = options.renderEvery > 0 && (warmUp || frame % options.renderEvery == 0);
    t.frame(draw);
    if (draw) ++rendered;

    broken = CheckViewerInvariants(viewer);
    if (!broken.empty()) {
      std::fprintf(stderr, "soak: seed %" PRIu64 ": frame %" PRIu64 ": %s\n", options.seed, frame, broken.c_str());
      PrintViewer(viewer);
      PrintFrame(f);
      return 1;
    }
    if (frame == tenth) {
      peakAtTenth = PeakRssMb();
      currentAtTenth = CurrentRssMb();
      heapAtTenth = HeapInUseMb();
    }
  }

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double peakAtEnd = PeakRssMb();
  const double currentAtEnd = CurrentRssMb();
  const double heapAtEnd = HeapInUseMb();
  const bool memoryHeld = peakAtEnd - peakAtTenth <= options.rssGrowthLimitMb;
  std::printf("soak: %" PRIu64 " frames (%" PRIu64 " drawn), seed %" PRIu64 ", %.1f s | peak RSS at 10%% %.1f MB, "
              "at end %.1f MB | current RSS %.1f MB, %.1f MB | heap in use %.1f MB, %.1f MB | %s\n",
              options.frames, rendered, options.seed, seconds, peakAtTenth, peakAtEnd, currentAtTenth,
              currentAtEnd, heapAtTenth, heapAtEnd, memoryHeld ? "ok" : "FAILED");
  if (!memoryHeld) {
    std::fprintf(stderr, "soak: seed %" PRIu64 ": peak RSS grew from %.1f MB to %.1f MB, more than %.1f MB\n",
                 options.seed, peakAtTenth, peakAtEnd, options.rssGrowthLimitMb);
    return 1;
  }
  const Viewer& v = viewer;
  std::printf("soak: final pose x %.6f y %.6f z %.6f heading %.3f pitch %.3f\n", static_cast<double>(v.x),
              static_cast<double>(v.y), static_cast<double>(v.z), static_cast<double>(v.heading),
              static_cast<double>(v.pitch));
  return 0;
}
