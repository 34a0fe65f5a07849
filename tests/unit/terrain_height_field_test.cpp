// The height field without OpenGL: accepted settings, refused worlds, vertex normals bit
// for bit, and the height queries over a height map (which sample each pixel gives, and
// those it does not cover). Unusable height maps are the PNG test's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

static Rgb Blue(int level) { return Rgb{0, 0, static_cast<uint8_t>(level)}; }

TEST(TerrainHeightFieldTest, SettingsAndRefusedWorlds) {
  Terrain terrain;
  for (float rejected : {0.0f, -1.0f, 1000.0f, kNaN, kInf}) terrain.SetStepSize(rejected);
  for (float rejected : {kNaN, -kInf}) terrain.SetHeightScaling(rejected);
  EXPECT_TRUE(terrain.StepSize() == 0.2f && terrain.HeightScaling() == 5.0f);
  terrain.SetStepSize(999.9f);
  EXPECT_EQ(terrain.StepSize(), 999.9f);
  EXPECT_TRUE(terrain.BuildHeightField("", 2, 2));  // the smallest world: one cell

  std::string error;
  EXPECT_FALSE(terrain.BuildHeightField("", 1, 100, &error));
  EXPECT_EQ(error, "World/WorldSizeX is 1; it must be between 2 and 32767 samples");
  EXPECT_FALSE(terrain.BuildHeightField("", 100, 1, &error));
  EXPECT_EQ(error, "World/WorldSizeY is 1; it must be between 2 and 32767 samples");
  // 1000 x 1000 samples take 16 bytes each; a refusal leaves the terrain unbuilt.
  terrain.SetMemoryLimit(10 * 1024 * 1024);
  ASSERT_TRUE(terrain.BuildHeightField("", 10, 10));
  EXPECT_FALSE(terrain.BuildHeightField("", 1000, 1000, &error));
  EXPECT_EQ(error, "a world of 1000 x 1000 samples needs 16 MB of memory; only 10 MB are available");
  EXPECT_FLOAT_EQ(terrain.HeightAt(1.0f, 1.0f), -1.0f);
  EXPECT_TRUE(terrain.BuildHeightField("", 500, 1000, &error));
  EXPECT_EQ(Terrain::BytesNeeded(32767, 32767, false), uint64_t{32767} * 32767 * 16);  // 64 bits
  terrain.SetStepSize(999.0f);
  terrain.SetHeightScaling(1e38f);
  EXPECT_FALSE(terrain.BuildHeightField("", 4, 4, &error));
  EXPECT_THAT(error, testing::HasSubstr("World/HeightScaling"));
}

TEST(TerrainHeightFieldTest, NormalsAreTheSweptFaceSumsTimesAThird) {
  // Non-square, with a step that binary floats cannot hold exactly.
  Terrain terrain;
  terrain.SetStepSize(0.37f);
  const auto bmp = MakeBmp(23, 17, [](int i, int j) { return Blue((i * i * 13 + j * 71 + i * j) % 256); });
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), 23, 17));
  // The face normals as Cell() gives them, added to the samples at their corners in the
  // order of a sweep over the cells with j outer (which fixes the float rounding), times
  // 0.33333334; the two edges with index 0 point straight up.
  std::vector<Float3> sums(23 * 17, Float3{0, 0, 0});
  for (uint32_t c = 0; c < 22 * 16; ++c) {  // cell [c % 22][c / 22]
    for (const TerrainTriangle& t : terrain.Cell(c % 22, c / 22).triangles) {
      for (const Float3& p : {t.P1, t.P2, t.P3}) {
        Float3& s = sums[static_cast<size_t>(std::lround(p.z / 0.37f) * 17 + std::lround(p.x / 0.37f))];
        s = Float3{s.x + t.Normal.x, s.y + t.Normal.y, s.z + t.Normal.z};
      }
    }
  }
  for (uint32_t k = 0; k < sums.size(); ++k) {  // sample [k / 17][k % 17]
    const Float3& s = sums[k];
    const Float3 e = k < 17 || k % 17 == 0 ? Float3{0, 1, 0}
                                           : Float3{s.x * 0.33333334f, s.y * 0.33333334f, s.z * 0.33333334f};
    const Float3& n = terrain.Normal(k / 17, k % 17);
    ASSERT_TRUE(n.x == e.x && n.y == e.y && n.z == e.z) << "sample " << k / 17 << ", " << k % 17;
  }
}

TEST(TerrainHeightQueryTest, InterpolatesInsideAndAnswersMinusOneOutside) {
  Terrain terrain;
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), -1.0f);  // before the build
  // 101 samples along z, 50 along x, step 0.25, scaling 4: heights are the blue of image
  // column i, row j over 255 (red and green never count), and 1 for the last row of
  // samples, which the 100-column image does not cover. Sample [1][0] is 1, [2][3] is
  // 0.2, everything else inside the image 0. The weights inside a cell show in every
  // step of the whole-scene walks.
  const auto bytes = MakeBmp(100, 50, [](int i, int j) {
    return Rgb{200, 100, uint8_t(i == 1 && j == 0 ? 255 : i == 2 && j == 3 ? 51 : 0)};
  });
  terrain.SetStepSize(0.25f);
  terrain.SetHeightScaling(4.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 101, 50));
  const struct { float z, x, height; } cases[] = {
      {0.125f, 0.0f, 0.5f}, {0.5f, 0.75f, 0.2f},     // half-way along a cell edge; on a sample
      {24.875f, 3.0f, 0.5f}, {25.0f, 12.25f, 1.0f},  // towards the uncovered far row, the far corner
      {25.01f, 1.0f, -1.0f}, {-0.001f, 1.0f, -1.0f}, {1.0f, 12.26f, -1.0f},
      {1.0f, -0.001f, -1.0f}, {kNaN, 1.0f, -1.0f}, {1.0f, kNaN, -1.0f}, {kInf, 1.0f, -1.0f},
  };
  for (const auto& c : cases) EXPECT_NEAR(terrain.HeightAt(c.z, c.x), c.height, 1e-6f) << c.z << ", " << c.x;

  // With 7 cells and this step, 7 * step / step comes out a hair above 7: the query
  // must still read the last samples.
  const float step = std::nextafter(0.01f, 1.0f), edge = 7.0f * step;
  ASSERT_GT(edge / step, 7.0f) << "the rounding this test needs did not happen";
  const auto ramp = MakeBmp(8, 8, [](int i, int j) { return Blue(i * 30 + j); });
  terrain.SetStepSize(step);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(ramp.data(), ramp.size(), 8, 8));
  EXPECT_FLOAT_EQ(terrain.HeightAt(edge, edge), terrain.Sample(7, 7));
  EXPECT_FLOAT_EQ(terrain.HeightAt(edge, 0.0f), terrain.Sample(7, 0));
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, edge), terrain.Sample(0, 7));
}
