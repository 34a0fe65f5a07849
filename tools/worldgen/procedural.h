// Small deterministic building blocks for the generated pictures: a seeded random
// stream, lattice value noise that can wrap around (for tiling pictures), and
// colour helpers. Nothing here depends on the standard library's random engines,
// whose output differs between implementations.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace worldgen {

// SplitMix64: a tiny, well-mixed generator; the same seed gives the same stream
// everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  float Unit() { return static_cast<float>(Next() >> 40) / static_cast<float>(1ull << 24); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

 private:
  uint64_t state_;
};

// A value in [0, 1) for an integer lattice point; the same inputs always give the
// same value.
float LatticeValue(int32_t x, int32_t y, uint32_t seed);

// Smooth value noise in [0, 1). The lattice has `periodX` x `periodY` cells and wraps
// around, so noise(x + periodX, y) == noise(x, y); coordinates are in cells.
float PeriodicNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Sum of `octaves` layers of periodic noise, each with twice the cells of the one
// before and `gain` times its weight; normalised back to [0, 1). u and v run over
// [0, 1) for one period of the picture.
float PeriodicFbm(float u, float v, int cellsX, int cellsY, int octaves, float gain, uint32_t seed);

inline float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float SmoothStep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
inline uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

struct Colour {
  float r, g, b;
};
inline Colour Mix(Colour a, Colour b, float t) {
  return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}
inline Colour Scale(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }

constexpr float kPi = 3.14159265358979f;

}  // namespace worldgen
