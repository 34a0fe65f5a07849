// Frame counter with a clock the test drives: samples end after more than 250 ms, the
// ending frame opens the next sample, and the clock may wrap.
#include <gtest/gtest.h>

#include <vector>

#include "app/frame_counter.h"

namespace {
uint32_t g_now = 0;
}  // namespace

TEST(FrameCounterTest, RateAfterEachTick) {
  const struct {
    const char* name;
    uint32_t start;
    std::vector<uint32_t> steps;  // ms before each tick
    std::vector<uint32_t> rates;  // Rate() after each tick
  } cases[] = {
      // 10 ms frames: the first sample ends at +260 without a frame of its own (25 ticks
      // inside it); the next sample holds that ending frame and 25 more: 26 * 4.
      {"steady", 1000, std::vector<uint32_t>(52, 10),
       [] {
         std::vector<uint32_t> r(25, 0);
         r.resize(51, 100);
         r.resize(52, 104);
         return r;
       }()},
      // Frames slower than a sample end one every tick: one frame each, rate 4.
      {"slow", 0, {333, 333, 333}, {0, 4, 4}},
      // A long start-up ends the empty first sample at once.
      {"long start", 50, {900, 10}, {0, 0}},
      // Exactly 250 ms does not end a sample, 251 does; across the clock's wrap.
      {"boundary", 0xFFFFFF00u, {250, 1}, {0, 4}},
  };
  for (const auto& c : cases) {
    g_now = c.start;
    FrameCounter counter([] { return g_now; });
    for (size_t i = 0; i < c.steps.size(); ++i) {
      g_now += c.steps[i];
      counter.Tick();
      ASSERT_EQ(counter.Rate(), c.rates[i]) << c.name << ", tick " << i + 1;
    }
  }
}
