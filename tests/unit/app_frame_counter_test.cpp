// Frame counter with a clock the test drives.
#include <gtest/gtest.h>

#include "app/frame_counter.h"

namespace {
uint32_t g_now = 0;
uint32_t TestClock() { return g_now; }
}  // namespace

TEST(FrameCounterTest, SteadyTenMillisecondFramesReport104) {
  g_now = 1000;
  FrameCounter counter(&TestClock);
  // Ticks at +10 .. +250 stay in the first sample; +260 ends it.
  for (int tick = 1; tick <= 25; ++tick) {
    g_now += 10;
    counter.Tick();
    EXPECT_EQ(counter.Rate(), 0u) << "tick " << tick;
  }
  g_now += 10;
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 100u);  // the first sample started without a frame
  EXPECT_EQ(counter.frames, 1u);    // the ending frame opens the next sample
  // A full sample in steady state: the frame that ended the last one plus 25 more.
  for (int tick = 1; tick <= 26; ++tick) {
    g_now += 10;
    counter.Tick();
  }
  EXPECT_EQ(counter.Rate(), 104u);
}

TEST(FrameCounterTest, SlowFramesEndASampleEveryTick) {
  g_now = 0;
  FrameCounter counter(&TestClock);
  g_now += 333;
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 0u);  // first sample held no frame yet
  for (int tick = 0; tick < 5; ++tick) {
    g_now += 333;
    counter.Tick();
    EXPECT_EQ(counter.Rate(), 4u);
  }
}

TEST(FrameCounterTest, LongStartUpEndsTheFirstSampleAtOnce) {
  g_now = 50;
  FrameCounter counter(&TestClock);
  g_now = 50 + 900;  // window and scene took 900 ms
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 0u);
  EXPECT_EQ(counter.sampleStart, 950u);
  EXPECT_EQ(counter.frames, 1u);
}

TEST(FrameCounterTest, ExactlyTwoHundredFiftyDoesNotEndTheSample) {
  g_now = 0xFFFFFF00u;  // also crosses the clock's wrap
  FrameCounter counter(&TestClock);
  g_now += 250;
  counter.Tick();
  EXPECT_EQ(counter.frames, 1u);
  EXPECT_EQ(counter.sampleStart, 0xFFFFFF00u);
  g_now += 1;
  counter.Tick();
  EXPECT_EQ(counter.Rate(), 4u);
}
