// Feeds arbitrary bytes to the terrain as its height map (a 17 x 9 sample grid), as a
// PNG when they start like one and as a bitmap otherwise, and asks for heights all over
// and around it: every answer must be finite and either -1 off the grid or between the
// lowest and highest possible sample.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "terrain/terrain.h"
#include "textures/bmp_decode.h"
#include "textures/png_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // FNV-1a over the input seeds the choices, so that they follow the bytes reproducibly.
  uint64_t state = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) state = (state ^ data[i]) * 1099511628211ull;
  static const float kScalings[] = {5.0f, -3.0f, 0.0f, 1e6f};
  static const float kSteps[] = {0.2f, 1.0f, 0.013f, 999.9f};
  Terrain terrain;
  terrain.SetHeightScaling(kScalings[state % 4]);
  terrain.SetStepSize(kSteps[(state >> 8) % 4]);
  const float step = terrain.StepSize();
  const float top = step * terrain.HeightScaling();
  const float slack = std::fabs(top) * 1e-5f;
  const auto onGround = [&](float h) {
    return std::isfinite(h) && h >= std::fmin(0.0f, top) - slack && h <= std::fmax(0.0f, top) + slack;
  };
  // Pictures are capped at a million pixels so that a header promising a huge image
  // only costs time, not a finding; what the decoder refuses gives the plateau.
  std::string reason;
  std::optional<RgbImage> bmp;
  std::optional<SampleImage> png;
  if (IsPng(data, size)) {
    png = DecodePng(data, size, &reason, int64_t{1} << 20);
  } else {
    bmp = DecodeBmp(data, size, &reason, int64_t{1} << 20);
  }
  const bool built = png ? terrain.BuildHeightFieldFromImage(&*png, 17, 9)
                         : terrain.BuildHeightFieldFromImage(bmp ? &*bmp : nullptr, 17, 9);
  if (!built || (!png && !bmp && reason.empty())) std::abort();  // a refusal says why
  if (!png && !bmp && std::fabs(terrain.Sample(16, 8) - top) > slack) std::abort();
  for (uint32_t i = 0; i <= 16; ++i) {
    for (uint32_t j = 0; j <= 8; ++j) {
      const Float3& n = terrain.Normal(i, j);
      if (!onGround(terrain.Sample(i, j)) || !std::isfinite(n.x + n.y + n.z)) std::abort();
    }
  }
  // Mostly inside, some beyond each edge, and the far corner itself: each step of a
  // linear congruential sequence gives 12 bits for z and 12 for x.
  const float extentZ = 16.0f * step;
  const float extentX = 8.0f * step;
  for (int k = 0; k < 64; ++k) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const float z = k == 0 ? extentZ : (float((state >> 40) & 0xFFF) / 4096.0f * 1.2f - 0.1f) * extentZ;
    const float x = k == 0 ? extentX : (float(state >> 52) / 4096.0f * 1.2f - 0.1f) * extentX;
    const float h = terrain.HeightAt(z, x);
    const bool inside = z >= 0.0f && x >= 0.0f && z <= extentZ && x <= extentX;
    if (inside ? !onGround(h) : h != -1.0f) std::abort();
  }
  return 0;
}
