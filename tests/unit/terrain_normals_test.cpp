// Vertex normals of an uneven terrain, bit for bit: the build must give exactly the
// sums of the cells' face normals (as Cell() gives them), added in the order of a
// sweep over the cells with j outer, times 0.33333334, and (0, 1, 0) on the edges
// with index 0.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"

namespace {

bool SameBits(const Float3& a, const Float3& b) {
  return std::memcmp(&a.x, &b.x, sizeof(float)) == 0 && std::memcmp(&a.y, &b.y, sizeof(float)) == 0 &&
         std::memcmp(&a.z, &b.z, sizeof(float)) == 0;
}

}  // namespace

TEST(TerrainNormalsTest, EqualTheSweptSumsOfTheFaceNormals) {
  // Non-square, with a step that binary floats cannot hold exactly.
  for (const auto& [samplesX, samplesY, step] : {std::tuple{23, 17, 0.37f}, std::tuple{9, 31, 0.2f}}) {
    Terrain terrain;
    terrain.SetStepSize(step);
    terrain.SetHeightScaling(7.0f);
    const std::vector<uint8_t> bmp = MakeBmp(samplesX, samplesY, [](int i, int j) {
      return Rgb{0, 0, static_cast<uint8_t>((i * i * 13 + j * 71 + i * j) % 256)};
    });
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), static_cast<int16_t>(samplesX),
                                                  static_cast<int16_t>(samplesY)));
    const uint32_t cellsX = terrain.cellsX;
    const uint32_t cellsY = terrain.cellsY;
    std::vector<Float3> sums((cellsX + 1) * (cellsY + 1), Float3{0.0f, 0.0f, 0.0f});
    auto add = [&](uint32_t i, uint32_t j, const Float3& n) {
      Float3& s = sums[i * (cellsY + 1) + j];
      s = Float3{s.x + n.x, s.y + n.y, s.z + n.z};
    };
    for (uint32_t j = 0; j < cellsY; ++j) {
      for (uint32_t i = 0; i < cellsX; ++i) {
        const TerrainCell cell = terrain.Cell(i, j);
        // The corners of each triangle, as offsets from the cell's sample [i][j].
        const uint32_t corners[2][3][2] = {{{0, 0}, {1, 1}, {0, 1}}, {{1, 0}, {1, 1}, {0, 0}}};
        for (int t = 0; t < 2; ++t) {
          for (const auto& c : corners[t]) add(i + c[0], j + c[1], cell.triangles[t].Normal);
        }
      }
    }
    size_t differing = 0;
    for (uint32_t i = 0; i <= cellsX; ++i) {
      for (uint32_t j = 0; j <= cellsY; ++j) {
        const Float3& s = sums[i * (cellsY + 1) + j];
        const Float3 expected = i == 0 || j == 0 ? Float3{0.0f, 1.0f, 0.0f}
                                                 : Float3{s.x * 0.33333334f, s.y * 0.33333334f, s.z * 0.33333334f};
        differing += !SameBits(terrain.Normal(i, j), expected);
      }
    }
    EXPECT_EQ(differing, 0u) << samplesX << " x " << samplesY;
  }
}
