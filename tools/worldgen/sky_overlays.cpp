// The sky picture (a blue gradient with soft clouds that repeats in both directions,
// because the sky quad scrolls it endlessly) and the crosshair (a light cross with a
// dark rim on black, which the colour key turns transparent).
#include <vector>

#include "procedural.h"
#include "worldgen.h"

namespace worldgen {

// [SECTION] Sky

RgbImage MakeSky() {
  const int width = 512, height = 256;
  const Colour deep{0.15f, 0.34f, 0.70f};
  const Colour mid{0.36f, 0.58f, 0.88f};
  const Colour haze{0.70f, 0.82f, 0.95f};
  const Colour cloudLight{0.98f, 0.98f, 1.0f};
  const Colour cloudShade{0.72f, 0.76f, 0.84f};

  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    // The middle row is the horizon when the view is level; the gradient deepens
    // towards the top and the bottom row alike, so the picture wraps vertically.
    const float v = static_cast<float>(y) / float(height);
    const float depth = 0.5f + 0.5f * std::cos(2.0f * kPi * v);
    const Colour base = depth < 0.5f ? Mix(haze, mid, depth * 2.0f) : Mix(mid, deep, depth * 2.0f - 1.0f);
    for (int x = 0; x < width; ++x) {
      const float u = static_cast<float>(x) / float(width);
      // Lattice cells twice as tall as wide in the picture; the sky quad stretches
      // the picture to the window, so clouds come out broad and flat.
      const float n = PeriodicFbm(u, v, 6, 8, 5, 0.5f, 211u);
      const float density = SmoothStep(0.47f, 0.75f, n) * (0.55f + 0.45f * (1.0f - depth));
      const float light = SmoothStep(0.45f, 0.8f, PeriodicFbm(u, v, 16, 20, 3, 0.5f, 223u));
      const Colour cloud = Mix(cloudShade, cloudLight, light);
      const Colour c = Mix(base, cloud, density);
      image.Set(x, y, ToByte(c.r), ToByte(c.g), ToByte(c.b));
    }
  }
  return image;
}

// [SECTION] Crosshair

namespace {

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
  const float dx = bx - ax, dy = by - ay;
  const float t = Clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
  const float ex = px - (ax + t * dx), ey = py - (ay + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

RgbImage MakeCrosshair() {
  const int size = 64;
  const float c = (size - 1) * 0.5f;
  const float gap = 7.0f, reach = 27.0f, halfThickness = 2.6f, rim = 2.2f, dot = 2.4f;
  RgbImage image(size, size);  // all black: transparent
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float px = float(x), py = float(y);
      float d = std::sqrt((px - c) * (px - c) + (py - c) * (py - c)) - dot;
      d = std::min(d, SegmentDistance(px, py, c - reach, c, c - gap, c) - halfThickness);
      d = std::min(d, SegmentDistance(px, py, c + gap, c, c + reach, c) - halfThickness);
      d = std::min(d, SegmentDistance(px, py, c, c - reach, c, c - gap) - halfThickness);
      d = std::min(d, SegmentDistance(px, py, c, c + gap, c, c + reach) - halfThickness);
      if (d <= 0.0f) {
        image.Set(x, y, 236, 240, 244);
      } else if (d <= rim) {
        // Dark but not black: red and green stay above 0, so the rim is opaque and
        // keeps the cross readable against a bright sky.
        image.Set(x, y, 36, 38, 40);
      }
    }
  }
  return image;
}

}  // namespace worldgen
