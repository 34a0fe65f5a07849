// Ground height queries: bilinear interpolation between the four surrounding samples,
// the answer -1 off the grid, for NaN and before the build, and the far edge.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"

TEST(TerrainHeightQueryTest, InterpolatesInsideAndAnswersMinusOneOutside) {
  Terrain terrain;
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), -1.0f);  // before the build

  // 100 x 100 samples, step 0.25, scaling 4: heights are blue / 255. Sample [1][0] is
  // 1, [1][1] is 0.6, [2][3] is 0.2, everything else 0.
  const auto bytes = MakeBmp(100, 100, [](int column, int row) {
    if (column == 1 && row <= 1) return Rgb{0, 0, static_cast<uint8_t>(row == 0 ? 255 : 153)};
    return Rgb{0, 0, static_cast<uint8_t>(column == 2 && row == 3 ? 51 : 0)};
  });
  terrain.SetStepSize(0.25f);
  terrain.SetHeightScaling(4.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 100, 100));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float z, x, height;
  } cases[] = {
      {0.125f, 0.0f, 0.5f},                 // half-way along a cell edge
      {0.125f, 0.125f, 0.25f * 1.6f},       // cell centre: four weights of 0.25
      {0.0625f, 0.0625f, 0.75f * 0.25f + 0.25f * 0.25f * 0.6f},  // a quarter in
      {0.5f, 0.75f, 0.2f},                  // on a sample, z and x not swapped
      {24.75f, 24.75f, 0.0f},               // the far corner is inside
      {24.76f, 1.0f, -1.0f}, {-0.001f, 1.0f, -1.0f}, {1.0f, 24.76f, -1.0f},
      {1.0f, -0.001f, -1.0f}, {nan, 1.0f, -1.0f}, {1.0f, nan, -1.0f}, {inf, 1.0f, -1.0f},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(terrain.HeightAt(c.z, c.x), c.height, 1e-6f) << c.z << ", " << c.x;
  }
}

TEST(TerrainHeightQueryTest, FarEdgeStaysInsideTheGrid) {
  // With 7 cells and this step, 7 * step / step comes out a hair above 7: the query
  // must still read the last samples.
  const float step = std::nextafter(0.01f, 1.0f);
  const float edge = 7.0f * step;
  volatile float u = edge / step;
  ASSERT_GT(u, 7.0f) << "the rounding this test needs did not happen";

  const auto bytes = MakeBmp(8, 8, [](int column, int row) {
    return Rgb{0, 0, static_cast<uint8_t>(column * 30 + row)};
  });
  Terrain terrain;
  terrain.SetStepSize(step);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 8, 8));
  EXPECT_FLOAT_EQ(terrain.HeightAt(edge, edge), terrain.Sample(7, 7));
  EXPECT_FLOAT_EQ(terrain.HeightAt(edge, 0.0f), terrain.Sample(7, 0));
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, edge), terrain.Sample(0, 7));
}
