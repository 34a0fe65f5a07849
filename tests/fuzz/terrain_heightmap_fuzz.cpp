// Feeds arbitrary bytes to the terrain as its height map (a 17 x 9 sample grid) and
// asks for heights all over and around it: every answer must be finite and either
// -1 off the grid or between the lowest and highest possible sample.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "terrain/terrain.h"
#include "textures/bmp_decode.h"

namespace {

// FNV-1a over the input, so that the query points follow the bytes reproducibly.
uint64_t Hash(const uint8_t* data, size_t size) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
  return h;
}

}  // namespace

// Names the broken expectation before stopping, so that a crash file explains itself.
#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      std::fprintf(stderr, "terrain height map check failed: %s\n", #cond);   \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t state = Hash(data, size);
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<float>(state >> 40) / static_cast<float>(1u << 24);  // 0..1
  };

  static const float kScalings[] = {5.0f, -3.0f, 0.0f, 1e6f};
  static const float kSteps[] = {0.2f, 1.0f, 0.013f, 999.9f};
  Terrain terrain;
  terrain.SetHeightScaling(kScalings[state % 4]);
  terrain.SetStepSize(kSteps[(state >> 8) % 4]);
  const float step = terrain.StepSize();
  const float top = step * terrain.HeightScaling();
  // Pictures are capped at a million pixels so that a header promising a huge image
  // only costs time, not a finding; what the decoder refuses gives the plateau.
  std::string reason;
  const std::optional<RgbImage> image = DecodeBmp(data, size, &reason, int64_t{1} << 20);
  CHECK(terrain.BuildHeightFieldFromImage(image ? &*image : nullptr, 17, 9));

  const float low = std::fmin(0.0f, top);
  const float high = std::fmax(0.0f, top);
  const float slack = std::fabs(top) * 1e-5f;
  if (!image) CHECK(std::fabs(terrain.Sample(16, 8) - top) <= slack);
  const float extentZ = 16.0f * step;
  const float extentX = 8.0f * step;

  for (uint32_t i = 0; i <= 16; ++i) {
    for (uint32_t j = 0; j <= 8; ++j) {
      const float h = terrain.Sample(i, j);
      CHECK(std::isfinite(h) && h >= low - slack && h <= high + slack);
      const Float3& n = terrain.Normal(i, j);
      CHECK(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
  }
  for (int k = 0; k < 64; ++k) {
    // Mostly inside, some beyond each edge, and the far corner itself.
    const float z = k == 0 ? extentZ : (next() * 1.2f - 0.1f) * extentZ;
    const float x = k == 0 ? extentX : (next() * 1.2f - 0.1f) * extentX;
    const float h = terrain.HeightAt(z, x);
    CHECK(std::isfinite(h));
    const bool inside = z >= 0.0f && x >= 0.0f && z <= extentZ && x <= extentX;
    if (inside) {
      CHECK(h >= low - slack && h <= high + slack);
    } else {
      CHECK(h == -1.0f);
    }
  }
  return 0;
}
