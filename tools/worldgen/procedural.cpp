// Lattice value noise for the generated pictures; see procedural.h.
#include "procedural.h"

namespace worldgen {

namespace {

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  v ^= v >> 16;
  return v;
}

int Wrap(int v, int period) {
  const int m = v % period;
  return m < 0 ? m + period : m;
}

// Quintic fade: zero first and second derivative at the lattice points, so the
// noise has no visible creases.
float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

float LatticeValue(int32_t x, int32_t y, uint32_t seed) {
  const uint32_t h = Hash(static_cast<uint32_t>(x) * 0x9E3779B1u ^
                          Hash(static_cast<uint32_t>(y) + 0x632BE5ABu) ^ Hash(seed * 0x85EBCA77u));
  return static_cast<float>(h >> 8) / static_cast<float>(1u << 24);
}

float PeriodicNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const int x0 = static_cast<int>(fx);
  const int y0 = static_cast<int>(fy);
  const float tx = Fade(x - fx);
  const float ty = Fade(y - fy);
  const int ax = Wrap(x0, periodX), bx = Wrap(x0 + 1, periodX);
  const int ay = Wrap(y0, periodY), by = Wrap(y0 + 1, periodY);
  const float v00 = LatticeValue(ax, ay, seed), v10 = LatticeValue(bx, ay, seed);
  const float v01 = LatticeValue(ax, by, seed), v11 = LatticeValue(bx, by, seed);
  return Lerp(Lerp(v00, v10, tx), Lerp(v01, v11, tx), ty);
}

float PeriodicFbm(float u, float v, int cellsX, int cellsY, int octaves, float gain, uint32_t seed) {
  float sum = 0.0f;
  float weight = 1.0f;
  float total = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * PeriodicNoise(u * static_cast<float>(cellsX), v * static_cast<float>(cellsY), cellsX, cellsY, seed + 977u * o);
    total += weight;
    weight *= gain;
    cellsX *= 2;
    cellsY *= 2;
  }
  return sum / total;
}

}  // namespace worldgen
