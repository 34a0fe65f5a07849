// Frame counter. The frame that ends a sample is counted as the first frame of the
// next one, so a steady 10 ms frame gives 26 frames per sample and a rate of 104.
#include "app/frame_counter.h"

FrameCounter::FrameCounter(Clock clock) : sampleStart(clock()), clock_(clock) {}

void FrameCounter::Tick() {
  const uint32_t now = clock_();
  if (now - sampleStart > 250) {  // unsigned difference: survives the clock wrapping
    rate = frames * 4;
    frames = 0;
    sampleStart = clock_();
  }
  ++frames;
}
