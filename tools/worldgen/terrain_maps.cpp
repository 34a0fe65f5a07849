// The height map (rolling hills, a winding valley, flat meadows, a gentle rim) and
// the tiling grass-and-earth ground texture. Heights are smooth on purpose: the
// terrain shows every grey step, so there is no pixel-sized noise in the height map.
#include <vector>

#include "procedural.h"
#include "worldgen.h"

namespace worldgen {

namespace {

constexpr int kHeightmapSize = 257;
constexpr int kGroundSize = 256;

// Noise over the height map whose lattice is far larger than the map, so it never
// repeats inside it. `cells` lattice cells span the map.
float MapFbm(float u, float v, int cells, int octaves, float gain, uint32_t seed) {
  float sum = 0.0f, weight = 1.0f, total = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * PeriodicNoise(u * static_cast<float>(cells), v * static_cast<float>(cells), 4096, 4096, seed + 131u * o);
    total += weight;
    weight *= gain;
    cells *= 2;
  }
  return sum / total;
}

// Box blur of the given radius along both axes, clamped at the borders; three
// passes approach a Gaussian.
void BoxBlur(std::vector<float>& field, int size, int radius, int passes) {
  std::vector<float> tmp(field.size());
  for (int pass = 0; pass < passes; ++pass) {
    for (int axis = 0; axis < 2; ++axis) {
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          float s = 0.0f;
          for (int k = -radius; k <= radius; ++k) {
            const int xx = std::min(size - 1, std::max(0, axis == 0 ? x + k : x));
            const int yy = std::min(size - 1, std::max(0, axis == 0 ? y : y + k));
            s += field[static_cast<size_t>(yy) * size + xx];
          }
          tmp[static_cast<size_t>(y) * size + x] = s / static_cast<float>(2 * radius + 1);
        }
      }
      field.swap(tmp);
    }
  }
}

}  // namespace

// [SECTION] Height map

GreyImage MakeHeightmap() {
  const int n = kHeightmapSize;
  const auto at = [](int x, int y) { return static_cast<size_t>(y) * n + x; };

  // Rolling hills: a few broad octaves, the smallest about ten pixels across.
  std::vector<float> hills(static_cast<size_t>(n) * n);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      hills[at(x, y)] = SmoothStep(0.15f, 0.85f, MapFbm(static_cast<float>(x) / float(n - 1), static_cast<float>(y) / float(n - 1), 4, 3, 0.5f, 11u));
    }
  }
  // The broad lie of the land: the hills with every bump smoothed away.
  std::vector<float> lie = hills;
  BoxBlur(lie, n, 14, 3);

  const float centreLevel = 0.8f * lie[at(n / 2, n / 2)] + 0.1f;

  std::vector<float> h(hills.size());
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const float u = static_cast<float>(x) / float(n - 1);
      const float v = static_cast<float>(y) / float(n - 1);
      // Meadows: broad patches, and the middle where the walk starts, keep only the
      // broad lie of the land and lose the bumps.
      const float du = u - 0.5f, dv = v - 0.5f;
      const float centre = 1.0f - SmoothStep(0.05f, 0.15f, std::sqrt(du * du + dv * dv));
      const float meadow = std::max(centre, SmoothStep(0.34f, 0.52f, MapFbm(u, v, 3, 2, 0.5f, 41u)));
      const float base = lie[at(x, y)];
      float height = base + (hills[at(x, y)] - base) * (1.0f - 0.95f * meadow);
      // Meadows are lower and gentler still: pull them towards a common level, and
      // the middle to one level.
      height = Lerp(height, 0.8f * height + 0.1f, meadow);
      height = Lerp(height, centreLevel, centre);

      // A winding valley follows one contour line of a broad noise field.
      const float course = MapFbm(u + 0.31f, v + 0.17f, 2, 1, 0.5f, 23u);
      const float valley = 1.0f - SmoothStep(0.0f, 0.22f, std::fabs(course - 0.5f));
      height -= 0.15f * valley * (1.0f - centre);

      // A low rim rises gently towards the borders, so the world's end is a
      // hill-top horizon rather than a wall or a drop.
      const float edge = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
      height += 0.2f * SmoothStep(0.16f, 0.0f, edge);
      h[at(x, y)] = height;
    }
  }
  BoxBlur(h, n, 3, 2);

  float lo = h[0], hi = h[0];
  for (float value : h) {
    lo = std::min(lo, value);
    hi = std::max(hi, value);
  }
  GreyImage image(n, n);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const float t = (h[static_cast<size_t>(y) * n + x] - lo) / (hi - lo);
      image.At(x, y) = ToByte(0.03f + 0.94f * t);
    }
  }
  return image;
}

// [SECTION] Ground texture

RgbImage MakeGroundTexture() {
  const int n = kGroundSize;
  const Colour darkGrass{0.20f, 0.33f, 0.10f};
  const Colour lightGrass{0.43f, 0.56f, 0.19f};
  const Colour dryGrass{0.55f, 0.55f, 0.25f};
  const Colour earth{0.40f, 0.30f, 0.19f};
  const Colour darkEarth{0.27f, 0.20f, 0.13f};

  std::vector<Colour> pixels(static_cast<size_t>(n) * n);
  std::vector<float> grassAmount(pixels.size());
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const float u = static_cast<float>(x) / float(n), v = static_cast<float>(y) / float(n);
      const float tone = PeriodicFbm(u, v, 4, 4, 5, 0.55f, 101u);
      const float dryness = SmoothStep(0.55f, 0.75f, PeriodicFbm(u, v, 2, 2, 3, 0.5f, 103u));
      Colour grass = Mix(darkGrass, lightGrass, SmoothStep(0.25f, 0.75f, tone));
      grass = Mix(grass, dryGrass, 0.5f * dryness);

      const float soil = PeriodicFbm(u, v, 16, 16, 3, 0.6f, 107u);
      const Colour ground = Mix(darkEarth, earth, SmoothStep(0.3f, 0.7f, soil));
      const float patch = 0.85f * SmoothStep(0.62f, 0.74f, PeriodicFbm(u, v, 6, 6, 3, 0.55f, 109u));

      // Fine grain: a per-pixel value on a lattice that wraps with the picture.
      const float grain = 0.9f + 0.2f * LatticeValue(x % n, y % n, 113u);
      pixels[static_cast<size_t>(y) * n + x] = Scale(Mix(grass, ground, patch), grain);
      grassAmount[static_cast<size_t>(y) * n + x] = 1.0f - patch;
    }
  }

  // Grass blades: short strokes, lighter or darker than the ground under them,
  // wrapping around the edges so the picture still tiles.
  Random random(127u);
  for (int blade = 0; blade < 9000; ++blade) {
    float x = random.Range(0.0f, float(n));
    float y = random.Range(0.0f, float(n));
    const float angle = random.Range(0.0f, 2.0f * kPi);
    const int length = 3 + static_cast<int>(random.Unit() * 5.0f);
    const float shade = random.Unit() < 0.5f ? random.Range(0.65f, 0.85f) : random.Range(1.15f, 1.35f);
    const float hueShift = random.Range(-0.04f, 0.04f);
    for (int step = 0; step < length; ++step) {
      const int px = ((static_cast<int>(x) % n) + n) % n;
      const int py = ((static_cast<int>(y) % n) + n) % n;
      const size_t i = static_cast<size_t>(py) * n + px;
      const float k = grassAmount[i];
      if (k > 0.3f) {
        Colour& c = pixels[i];
        const Colour tinted{c.r * shade + hueShift, c.g * shade + 0.02f, c.b * shade};
        c = Mix(c, tinted, k * (1.0f - 0.5f * static_cast<float>(step) / float(length)));
      }
      x += std::cos(angle);
      y += std::sin(angle);
    }
  }

  RgbImage image(n, n);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const Colour& c = pixels[static_cast<size_t>(y) * n + x];
      image.Set(x, y, ToByte(c.r), ToByte(c.g), ToByte(c.b));
    }
  }
  return image;
}

}  // namespace worldgen
