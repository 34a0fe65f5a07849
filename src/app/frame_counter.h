// Frames per second for the on-screen counter: counts frames in samples of a little
// more than 250 ms and reports four times the count of the last finished sample.
#pragma once

#include <cstdint>
#include <functional>

class FrameCounter {
 public:
  using Clock = std::function<uint32_t()>;  // milliseconds, wrapping at 2^32

  // The first sample starts at construction.
  explicit FrameCounter(Clock clock);
  virtual ~FrameCounter() = default;

  // Once per frame, after the buffers are swapped.
  void Tick();
  uint32_t Rate() const { return rate; }

  uint32_t frames = 0;       // frames counted in the current sample
  uint32_t rate = 0;         // frames per second of the last finished sample
  uint32_t sampleStart = 0;  // clock reading at which the current sample began

 private:
  Clock clock_;
};
