// Ground height queries: bilinear interpolation between the four surrounding samples,
// the answer -1 off the grid, for NaN and before the build, and the far edge.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"

namespace {

// A 100 x 100 world with step 0.25, built from an image whose blue value is given per
// (column, row); heights are blue / 255 with a scaling of 4 (4 * 0.25 = 1).
void BuildQuarterStepWorld(Terrain& terrain, const std::function<int(int, int)>& blue) {
  const auto bytes = MakeBmp(100, 100, [&](int column, int row) {
    const auto b = static_cast<uint8_t>(blue(column, row));
    return Rgb{0, 0, b};
  });
  terrain.SetStepSize(0.25f);
  terrain.SetHeightScaling(4.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 100, 100));
}

}  // namespace

TEST(TerrainHeightQueryTest, NoGroundBeforeTheBuild) {
  Terrain terrain;
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), -1.0f);
  EXPECT_FLOAT_EQ(terrain.HeightAt(1.0f, 1.0f), -1.0f);
  const TerrainBounds bounds = terrain.GetBounds();
  EXPECT_EQ(bounds.last0, 0);
  EXPECT_EQ(bounds.last1, 0);
}

TEST(TerrainHeightQueryTest, SamplesCornersAndOutside) {
  Terrain terrain;
  BuildQuarterStepWorld(terrain, [](int column, int row) { return (column * 7 + row * 3) % 256; });
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), terrain.Sample(0, 0));
  // The far corner is inside and gives the last sample exactly.
  EXPECT_FLOAT_EQ(terrain.HeightAt(24.75f, 24.75f), terrain.Sample(99, 99));
  EXPECT_FLOAT_EQ(terrain.HeightAt(24.75f, 0.0f), terrain.Sample(99, 0));
  // On a sample: weights 0.5 and 0.5 in both directions.
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.25f, 0.5f), terrain.Sample(1, 2));
  EXPECT_NE(terrain.Sample(1, 2), terrain.Sample(2, 1));

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float outside[][2] = {{24.76f, 1.0f}, {-0.001f, 1.0f}, {1.0f, 24.76f}, {1.0f, -0.001f},
                              {nan, 1.0f},    {1.0f, nan},     {inf, 1.0f},    {1.0f, -inf}};
  for (const auto& p : outside) {
    EXPECT_FLOAT_EQ(terrain.HeightAt(p[0], p[1]), -1.0f) << p[0] << ", " << p[1];
  }
}

TEST(TerrainHeightQueryTest, InterpolatesBetweenSamples) {
  Terrain terrain;
  // heights[1][0] = 1, heights[1][1] = 0.6, everything else 0.
  BuildQuarterStepWorld(terrain, [](int column, int row) {
    if (column == 1 && row == 0) return 255;
    if (column == 1 && row == 1) return 153;
    return 0;
  });
  ASSERT_FLOAT_EQ(terrain.Sample(1, 0), 1.0f);
  // Half-way along a cell edge.
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.125f, 0.0f), 0.5f);
  // Cell centre: each of the four samples weighs 0.25.
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.125f, 0.125f), 0.25f * (1.0f + 0.6f));
  // A quarter into the cell along both axes.
  EXPECT_NEAR(terrain.HeightAt(0.0625f, 0.0625f), 0.75f * 0.25f * 1.0f + 0.25f * 0.25f * 0.6f, 1e-6f);
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
