// Soak runs for the headless renderer: seeded random keyboard, mouse, jump and frame-time
// input over many frames, driving the program's own input state and viewer, with the
// viewer's invariants checked after every frame and the process's memory watched.
// Drawing is left to the caller (every Kth frame), so the soak knows no OpenGL.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

class InputState;
class Viewer;

struct SoakOptions {
  uint64_t frames = 0;       // frames to run; 0 means no soak
  uint64_t seed = 1;         // the same seed gives the same input, frame by frame
  uint64_t renderEvery = 100;  // draw every Kth frame (1: every frame; 0: none) and the first 32
  // Peak RSS may grow by at most this after the first 10%. Not less: the software
  // renderer's scratch memory for one frame follows the view, and a view that takes in
  // a whole world of 65,000 cells at once first drawn late in a run lifts the peak by
  // about 5 MB while the memory in use stays the same.
  double rssGrowthLimitMb = 8.0;
};

// What one frame of random input does, in the order the window messages arrive.
struct SoakFrame {
  std::vector<std::pair<int, bool>> keyEvents;  // virtual-key code, down
  int64_t mouseDx = 0;  // offset of the reported mouse position from the window centre
  int64_t mouseDy = 0;
  int rightPresses = 0;    // right-button presses this frame (0, 1 or 2)
  bool otherButton = false;  // a left or middle press, which does nothing
  uint32_t frameMs = 16;   // milliseconds the clock advances before the frame's update
};

// The random input: every bound key pressed and released at random (sometimes tapped
// within one frame), mouse moves from none to the 16-bit extremes a window can report
// and beyond, right-button jumps, frame times from 0 to 500 ms with both ends drawn
// exactly now and then.
class SoakInput {
 public:
  explicit SoakInput(uint64_t seed) : random_(seed) {}
  SoakFrame Next();

 private:
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : random_() % n; }
  int64_t Between(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(Below(static_cast<uint64_t>(hi - lo) + 1)); }
  bool Chance(uint32_t perMille) { return Below(1000) < perMille; }
  int64_t MouseOffset();

  std::mt19937_64 random_;
  bool down_[256] = {};
};

// The viewer's invariants after an update: every pose and velocity component finite,
// pitch within [-90, 90], feet at or above the ground, and (x, z) inside the fence half
// a grid step within the terrain's edge. Empty when all hold, else what is wrong.
std::string CheckViewerInvariants(const Viewer& viewer);

// Peak and current resident set size of this process, in megabytes.
double PeakRssMb();
double CurrentRssMb();

// Where the millisecond clock stands when a soak starts: half a minute before it wraps,
// so that every run also crosses the wrap, as a machine that has been up for 49.7 days does.
constexpr uint32_t kSoakClockStart = 0u - 30000u;

// The program's objects the soak drives. `clockMs` is the millisecond clock the program
// reads; the soak advances it. `frame` runs the program's frame, drawing it or not.
struct SoakTarget {
  InputState* input = nullptr;
  Viewer* viewer = nullptr;
  int32_t centreX = 0;  // the window centre the mouse look puts the cursor back to
  int32_t centreY = 0;
  uint32_t* clockMs = nullptr;
  std::function<void(bool draw)> frame;
};

// Runs the soak as the main loop runs a frame: events, then the frame (drawn or not). Prints one summary line to stdout; on the first broken invariant prints the
// frame, the seed and the values to stderr. Returns the process exit code: 0 when all
// held and memory stayed put, 1 otherwise.
int RunSoak(const SoakOptions& options, SoakTarget& target);
