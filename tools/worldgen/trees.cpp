// The five tree billboards: conifer, broadleaf, birch, bush and dead tree. Shapes
// are drawn in a square frame (u across, w up, both 0..1) because the billboard
// shows the 128 x 256 picture on a square quad; each pixel is tested in that frame.
// Transparent pixels are pure black; every drawn pixel keeps red or green above 0,
// since the colour key makes pixels with red = green = 0 transparent.
#include <functional>
#include <vector>

#include "procedural.h"
#include "worldgen.h"

namespace worldgen {

namespace {

constexpr int kTreeWidth = 128;
constexpr int kTreeHeight = 256;

// Light from the upper left, slightly towards the viewer.
constexpr float kLightU = -0.55f, kLightW = 0.6f, kLightZ = 0.58f;

class Canvas {
 public:
  using Paint = std::function<Colour(float u, float w)>;

  Canvas() : colour_(kTreeWidth * kTreeHeight), covered_(kTreeWidth * kTreeHeight, false) {}

  // Paints every pixel whose centre satisfies `inside`, looking only at the pixels
  // of the frame rectangle [u0, u1] x [w0, w1].
  void Fill(float u0, float w0, float u1, float w1, const std::function<bool(float, float)>& inside,
            const Paint& paint) {
    const int x0 = std::max(0, static_cast<int>(std::floor(u0 * kTreeWidth)));
    const int x1 = std::min(kTreeWidth - 1, static_cast<int>(std::ceil(u1 * kTreeWidth)));
    const int y0 = std::max(0, static_cast<int>(std::floor((1.0f - w1) * kTreeHeight)));
    const int y1 = std::min(kTreeHeight - 1, static_cast<int>(std::ceil((1.0f - w0) * kTreeHeight)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(kTreeWidth);
        const float w = 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(kTreeHeight);
        if (!inside(u, w)) continue;
        colour_[y * kTreeWidth + x] = paint(u, w);
        covered_[y * kTreeWidth + x] = true;
      }
    }
  }

  // A tapered limb from a (radius ra) to b (radius rb), rounded at both ends.
  void Limb(float au, float aw, float bu, float bw, float ra, float rb, const Paint& paint) {
    const float r = std::max(ra, rb);
    Fill(std::min(au, bu) - r, std::min(aw, bw) - r, std::max(au, bu) + r, std::max(aw, bw) + r,
         [=](float u, float w) {
           const float du = bu - au, dw = bw - aw;
           const float t = Clamp01(((u - au) * du + (w - aw) * dw) / (du * du + dw * dw + 1e-12f));
           const float eu = u - (au + t * du), ew = w - (aw + t * dw);
           return std::sqrt(eu * eu + ew * ew) <= Lerp(ra, rb, t);
         },
         paint);
  }

  // A leafy clump: a disc whose rim is broken up by noise, shaded as a sphere.
  void Clump(float cu, float cw, float radius, Colour leaf, uint32_t seed, float raggedness = 0.35f) {
    const float reach = radius * (1.0f + raggedness);
    Fill(cu - reach, cw - reach, cu + reach, cw + reach,
         [=](float u, float w) {
           const float d = std::sqrt((u - cu) * (u - cu) + (w - cw) * (w - cw));
           const float n = PeriodicNoise(u * 70.0f, w * 70.0f, 4096, 4096, seed);
           return d <= radius * (1.0f - raggedness * 0.5f + raggedness * n);
         },
         [=](float u, float w) {
           const float nu = Clamp01(std::fabs(u - cu) / reach) * (u < cu ? -1.0f : 1.0f);
           const float nw = Clamp01(std::fabs(w - cw) / reach) * (w < cw ? -1.0f : 1.0f);
           const float nz = std::sqrt(std::max(0.0f, 1.0f - nu * nu - nw * nw));
           const float lit = std::max(0.0f, nu * kLightU + nw * kLightW + nz * kLightZ);
           const float speckle = PeriodicNoise(u * 160.0f, w * 160.0f, 4096, 4096, seed + 7u);
           return Scale(leaf, 0.45f + 0.75f * lit + 0.25f * (speckle - 0.5f));
         });
  }

  RgbImage ToImage() const {
    RgbImage image(kTreeWidth, kTreeHeight);
    for (int y = 0; y < kTreeHeight; ++y) {
      for (int x = 0; x < kTreeWidth; ++x) {
        if (!covered_[y * kTreeWidth + x]) continue;  // stays black: transparent
        const Colour& c = colour_[y * kTreeWidth + x];
        // Red and green never both reach 0, or the pixel would turn transparent.
        image.Set(x, y, std::max<uint8_t>(ToByte(c.r), 6), std::max<uint8_t>(ToByte(c.g), 6), ToByte(c.b));
      }
    }
    return image;
  }

 private:
  std::vector<Colour> colour_;
  std::vector<bool> covered_;
};

// Bark: vertical streaks, lit from the left across the limb.
Canvas::Paint Bark(Colour base, float centreU, float halfWidth, uint32_t seed) {
  return [=](float u, float w) {
    const float across = Clamp01((u - centreU) / (2.0f * halfWidth) + 0.5f);
    const float streak = PeriodicNoise(u * 90.0f, w * 12.0f, 4096, 4096, seed);
    return Scale(base, (1.15f - 0.6f * across) * (0.8f + 0.35f * streak));
  };
}

// Plain limb colour lit by its side of the tree.
Canvas::Paint Wood(Colour base, uint32_t seed) {
  return [=](float u, float w) {
    const float streak = PeriodicNoise(u * 120.0f, w * 120.0f, 4096, 4096, seed);
    return Scale(base, (1.1f - 0.35f * u) * (0.8f + 0.3f * streak));
  };
}

// [SECTION] Tree kinds

void DrawConifer(Canvas& canvas) {
  const Colour bark{0.36f, 0.24f, 0.15f};
  canvas.Limb(0.5f, -0.02f, 0.5f, 0.5f, 0.04f, 0.02f, Bark(bark, 0.5f, 0.04f, 301u));
  const Colour needles{0.10f, 0.30f, 0.14f};
  const int tiers = 7;
  for (int k = 0; k < tiers; ++k) {
    const float base = 0.10f + static_cast<float>(k) * 0.115f;
    const float apex = std::min(0.99f, base + 0.26f);
    const float halfWidth = 0.40f * (1.0f - static_cast<float>(k) / float(tiers + 1)) + 0.04f;
    const uint32_t seed = 310u + k;
    canvas.Fill(0.5f - halfWidth * 1.2f, base - 0.06f, 0.5f + halfWidth * 1.2f, apex,
                [=](float u, float w) {
                  const float off = std::fabs(u - 0.5f);
                  // The tips of each tier droop below its base line.
                  const float droop = 0.06f * off / halfWidth;
                  if (w < base - droop || w > apex) return false;
                  const float allowed = halfWidth * (apex - w) / (apex - base + droop);
                  const float n = PeriodicNoise(u * 60.0f, w * 40.0f, 4096, 4096, seed);
                  return off <= allowed * (0.8f + 0.35f * n);
                },
                [=](float u, float w) {
                  const float side = 1.15f - 0.7f * u;               // lit from the left
                  const float under = 0.7f + 0.5f * (w - base) / (apex - base);  // shaded under each tier
                  const float speckle = PeriodicNoise(u * 150.0f, w * 150.0f, 4096, 4096, seed + 50u);
                  return Scale(needles, side * under * (0.75f + 0.5f * speckle));
                });
  }
}

void DrawBroadleaf(Canvas& canvas) {
  const Colour bark{0.34f, 0.25f, 0.17f};
  canvas.Limb(0.5f, -0.02f, 0.5f, 0.5f, 0.055f, 0.035f, Bark(bark, 0.5f, 0.055f, 401u));
  canvas.Limb(0.5f, 0.36f, 0.32f, 0.58f, 0.025f, 0.012f, Wood(bark, 402u));
  canvas.Limb(0.5f, 0.42f, 0.68f, 0.62f, 0.025f, 0.012f, Wood(bark, 403u));
  const Colour leaves{0.22f, 0.46f, 0.15f};
  Random random(404u);
  // Clumps from the back and bottom of the crown to its top, so the lit upper
  // clumps lie over the shaded lower ones.
  for (int i = 0; i < 22; ++i) {
    const float a = random.Range(0.0f, 2.0f * kPi);
    const float r = std::sqrt(random.Unit());
    const float cu = 0.5f + 0.30f * r * std::cos(a);
    const float cw = 0.56f + 0.18f * static_cast<float>(i) / 22.0f + 0.16f * r * std::sin(a);
    const float radius = random.Range(0.12f, 0.17f);
    const Colour tint{leaves.r + random.Range(-0.03f, 0.05f), leaves.g + random.Range(-0.05f, 0.05f),
                      leaves.b};
    canvas.Clump(cu, std::min(cw, 0.97f - radius * 1.2f), radius, tint, 410u + i);
  }
}

void DrawBirch(Canvas& canvas) {
  const Colour bark{0.90f, 0.88f, 0.82f};
  const auto birchBark = [=](float u, float w) {
    const float mark = PeriodicNoise(u * 40.0f, w * 55.0f, 4096, 4096, 501u);
    if (mark > 0.68f) return Colour{0.16f, 0.14f, 0.12f};  // dark bands
    return Scale(bark, 1.1f - 0.45f * Clamp01((u - 0.47f) / 0.06f));
  };
  canvas.Limb(0.5f, -0.02f, 0.49f, 0.45f, 0.03f, 0.022f, birchBark);
  canvas.Limb(0.49f, 0.45f, 0.52f, 0.93f, 0.022f, 0.01f, birchBark);
  Random random(502u);
  const Colour leaves{0.45f, 0.63f, 0.22f};
  for (int i = 0; i < 10; ++i) {
    const float side = (i % 2 == 0) ? -1.0f : 1.0f;
    const float from = random.Range(0.5f, 0.85f);
    const float tipU = 0.5f + side * random.Range(0.08f, 0.17f);
    const float tipW = from + random.Range(0.02f, 0.1f);
    canvas.Limb(0.5f, from, tipU, tipW, 0.009f, 0.004f, Wood(Colour{0.55f, 0.5f, 0.45f}, 503u));
  }
  // Small, loose clumps: the birch crown lets the trunk show through.
  for (int i = 0; i < 30; ++i) {
    const float a = random.Range(0.0f, 2.0f * kPi);
    const float r = std::sqrt(random.Unit());
    const float cu = 0.5f + 0.22f * r * std::cos(a);
    const float cw = 0.66f + 0.26f * r * std::sin(a);
    canvas.Clump(cu, std::min(cw, 0.92f), random.Range(0.045f, 0.075f), leaves, 510u + i, 0.5f);
  }
}

void DrawBush(Canvas& canvas) {
  const Colour stem{0.30f, 0.22f, 0.14f};
  canvas.Limb(0.5f, -0.02f, 0.5f, 0.12f, 0.03f, 0.02f, Wood(stem, 601u));
  canvas.Limb(0.5f, 0.02f, 0.3f, 0.16f, 0.018f, 0.01f, Wood(stem, 602u));
  canvas.Limb(0.5f, 0.02f, 0.7f, 0.17f, 0.018f, 0.01f, Wood(stem, 603u));
  const Colour leaves{0.17f, 0.38f, 0.13f};
  Random random(604u);
  for (int i = 0; i < 18; ++i) {
    const float a = random.Range(0.0f, kPi);
    const float r = std::sqrt(random.Unit());
    const float cu = 0.5f + 0.32f * r * std::cos(a);
    const float cw = 0.13f + 0.14f * static_cast<float>(i) / 18.0f + 0.14f * r * std::sin(a);
    canvas.Clump(cu, cw, random.Range(0.10f, 0.14f), leaves, 610u + i);
  }
  // A few red berries.
  for (int i = 0; i < 14; ++i) {
    const float cu = 0.5f + random.Range(-0.33f, 0.33f);
    const float cw = random.Range(0.12f, 0.36f);
    const float radius = 0.011f;
    canvas.Fill(cu - radius, cw - radius, cu + radius, cw + radius,
                [=](float u, float w) { return (u - cu) * (u - cu) + (w - cw) * (w - cw) <= radius * radius; },
                [=](float u, float w) {
                  return (u < cu && w > cw) ? Colour{0.9f, 0.3f, 0.25f} : Colour{0.62f, 0.1f, 0.1f};
                });
  }
}

void DeadBranch(Canvas& canvas, Random& random, float u, float w, float angle, float length, float radius,
                int depth, Colour wood) {
  const float eu = u + length * std::sin(angle);
  const float ew = w + length * std::cos(angle);
  canvas.Limb(u, w, eu, ew, radius, radius * 0.7f, Wood(wood, 700u + depth));
  if (depth == 0) return;
  const int children = random.Unit() < 0.35f ? 3 : 2;
  for (int c = 0; c < children; ++c) {
    const float spread = random.Range(0.3f, 0.7f) * (c == 0 ? -1.0f : 1.0f);
    const float childAngle = angle + (c == 2 ? random.Range(-0.15f, 0.15f) : spread);
    DeadBranch(canvas, random, eu, ew, childAngle, length * random.Range(0.62f, 0.78f), radius * 0.65f,
               depth - 1, wood);
  }
}

void DrawDeadTree(Canvas& canvas) {
  const Colour wood{0.45f, 0.40f, 0.35f};
  canvas.Limb(0.5f, -0.02f, 0.5f, 0.4f, 0.05f, 0.033f, Bark(wood, 0.5f, 0.05f, 801u));
  Random random(802u);
  DeadBranch(canvas, random, 0.5f, 0.38f, -0.45f, 0.2f, 0.026f, 4, wood);
  DeadBranch(canvas, random, 0.5f, 0.4f, 0.12f, 0.24f, 0.03f, 4, wood);
  DeadBranch(canvas, random, 0.5f, 0.3f, 0.9f, 0.16f, 0.02f, 3, wood);
}

}  // namespace

RgbImage MakeTree(TreeKind kind) {
  Canvas canvas;
  switch (kind) {
    case TreeKind::Conifer: DrawConifer(canvas); break;
    case TreeKind::Broadleaf: DrawBroadleaf(canvas); break;
    case TreeKind::Birch: DrawBirch(canvas); break;
    case TreeKind::Bush: DrawBush(canvas); break;
    case TreeKind::DeadTree: DrawDeadTree(canvas); break;
  }
  return canvas.ToImage();
}

}  // namespace worldgen
