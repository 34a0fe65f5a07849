// The height field without OpenGL: heights from height-map images, the plateau for
// missing or broken files, vertex normals, the accepted settings, and refused worlds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

using ::testing::HasSubstr;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Rgb Grey(int level) {
  const auto v = static_cast<uint8_t>(level);
  return Rgb{v, v, v};
}

}  // namespace

TEST(TerrainHeightFieldTest, BlueOfColumnIRowJGivesSampleIJFromZeroToOne) {
  // One bright pixel at column 10, row 3 from the top; red and green never count.
  for (bool topDown : {false, true}) {
    const auto bytes = MakeBmp(20, 12, [](int column, int row) {
      return column == 10 && row == 3 ? Rgb{0, 10, 255} : Rgb{200, 100, 0};
    }, BmpLayout{24, 40, topDown, 0});
    Terrain terrain;
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 20, 12));
    EXPECT_EQ(terrain.GetBounds().last0, 19);
    EXPECT_EQ(terrain.GetBounds().last1, 11);
    EXPECT_FLOAT_EQ(terrain.Sample(10, 3), 1.0f) << topDown;
    EXPECT_FLOAT_EQ(terrain.Sample(3, 10), 0.0f) << topDown;
    EXPECT_FLOAT_EQ(terrain.HeightAt(10 * 0.2f, 3 * 0.2f), 1.0f) << topDown;
  }
}

TEST(TerrainHeightFieldTest, ImageSmallerOrLargerThanTheGrid) {
  // Samples the image does not cover read as full height.
  const auto small = MakeSolidBmp(4, 3, Grey(0));
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(small.data(), small.size(), 6, 5));
  EXPECT_FLOAT_EQ(terrain.Sample(3, 2), 0.0f);
  EXPECT_FLOAT_EQ(terrain.Sample(4, 0), 1.0f);
  EXPECT_FLOAT_EQ(terrain.Sample(0, 3), 1.0f);
  // Only the top-left 4 columns by 3 rows of a larger image are read.
  const auto large = MakeBmp(10, 10, [](int column, int row) { return Grey(column * 20 + row); });
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(large.data(), large.size(), 4, 3));
  EXPECT_FLOAT_EQ(terrain.Sample(3, 2), 62.0f / 255.0f);
  EXPECT_FLOAT_EQ(terrain.Sample(1, 0), 20.0f / 255.0f);
}

TEST(TerrainHeightFieldTest, UnusableHeightMapsGiveThePlateauWithOneLine) {
  TempDir dir;
  const std::string cut = dir.File("cut.bmp");
  WriteFile(cut, MakeSolidBmp(16, 16, Grey(0), BmpLayout{24, 40, false, 100}));
  for (const std::string& file : {dir.File("missing.bmp"), cut}) {
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(3.0f);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 8, 6));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr(file));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FLOAT_EQ(terrain.Sample(7, 5), 1.5f) << file;
  }
  // No height map named: the plateau without a word.
  Terrain terrain;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(terrain.BuildHeightField("", 4, 4));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FLOAT_EQ(terrain.Sample(3, 3), 1.0f);
}

TEST(TerrainHeightFieldTest, LevelImageNormalsAndTriangles) {
  const auto bytes = MakeSolidBmp(6, 5, Grey(128));
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 6, 5));
  // Up on the edges, doubled inside (six faces / 3), two thirds at the far corner.
  for (uint32_t i = 0; i <= 5; ++i) {
    for (uint32_t j = 0; j <= 4; ++j) {
      const bool edge = i == 0 || j == 0 || i == 5 || j == 4;
      const float y = (i == 5 && j == 4) ? 2.0f / 3.0f : edge ? 1.0f : 2.0f;
      const Float3& n = terrain.Normal(i, j);
      EXPECT_TRUE(n.x == 0 && n.y == y && n.z == 0) << i << "," << j << ": " << n.y;
    }
  }
  // Cell [2][3]: corners at x = j * step, z = i * step; both faces point up.
  const TerrainCell cell = terrain.Cell(2, 3);
  EXPECT_FLOAT_EQ(cell.triangles[0].P2.x, 4 * 0.2f);
  EXPECT_FLOAT_EQ(cell.triangles[0].P2.z, 3 * 0.2f);
  for (const TerrainTriangle& t : cell.triangles) EXPECT_FLOAT_EQ(t.Normal.y, 1.0f);
}

TEST(TerrainHeightFieldTest, InnerNormalIsAThirdOfTheSixFacesAround) {
  const auto bytes =
      MakeBmp(9, 7, [](int c, int r) { return Grey((c * 97 + r * 61 + c * r * 13) % 256); });
  Terrain terrain;
  terrain.SetHeightScaling(20.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 9, 7));
  // Sample [4][3] is a corner of both triangles of cells [3][2] and [4][3], of the
  // second of [3][3] and of the first of [4][2].
  const TerrainCell a = terrain.Cell(3, 2), b = terrain.Cell(3, 3), c = terrain.Cell(4, 2),
                    d = terrain.Cell(4, 3);
  const Float3 faces[] = {a.triangles[0].Normal, a.triangles[1].Normal, b.triangles[1].Normal,
                          c.triangles[0].Normal, d.triangles[0].Normal, d.triangles[1].Normal};
  Float3 sum{0, 0, 0};
  for (const Float3& f : faces) sum = Float3{sum.x + f.x, sum.y + f.y, sum.z + f.z};
  EXPECT_NEAR(terrain.Normal(4, 3).x, sum.x / 3, 1e-5f);
  EXPECT_NEAR(terrain.Normal(4, 3).y, sum.y / 3, 1e-5f);
  EXPECT_NEAR(terrain.Normal(4, 3).z, sum.z / 3, 1e-5f);
}

TEST(TerrainHeightFieldTest, StepSizeAndScalingAcceptance) {
  Terrain terrain;
  for (float rejected : {0.0f, -1.0f, 1000.0f, kNaN, kInf}) terrain.SetStepSize(rejected);
  EXPECT_FLOAT_EQ(terrain.StepSize(), 0.2f);
  terrain.SetStepSize(999.9f);
  EXPECT_FLOAT_EQ(terrain.StepSize(), 999.9f);
  // Non-finite scalings are refused; a negative one turns the relief upside down.
  Terrain scaled;
  scaled.SetHeightScaling(kNaN);
  scaled.SetHeightScaling(-kInf);
  EXPECT_FLOAT_EQ(scaled.HeightScaling(), 5.0f);
  scaled.SetHeightScaling(-2.0f);
  ASSERT_TRUE(scaled.BuildHeightField("", 3, 3));
  EXPECT_FLOAT_EQ(scaled.Sample(1, 1), -0.4f);
}

TEST(TerrainHeightFieldTest, RefusesSizesMemoryAndOverflowingHeights) {
  const struct {
    int16_t x, y;
    const char* message;
  } cases[] = {
      {1, 100, "World/WorldSizeX is 1; it must be between 2 and 32767 samples"},
      {-5, 100, "World/WorldSizeX is -5; it must be between 2 and 32767 samples"},
      {100, 1, "World/WorldSizeY is 1; it must be between 2 and 32767 samples"},
  };
  std::string error;
  for (const auto& c : cases) {
    Terrain terrain;
    EXPECT_FALSE(terrain.BuildHeightField("", c.x, c.y, &error));
    EXPECT_EQ(error, c.message);
  }
  Terrain tiny;  // the smallest world: one cell
  EXPECT_TRUE(tiny.BuildHeightField("", 2, 2));

  // 1000 x 1000 samples take 16 bytes each; a refusal leaves the terrain unbuilt.
  Terrain terrain;
  terrain.SetMemoryLimit(10 * 1024 * 1024);
  ASSERT_TRUE(terrain.BuildHeightField("", 10, 10));
  EXPECT_FALSE(terrain.BuildHeightField("", 1000, 1000, &error));
  EXPECT_EQ(error,
            "a world of 1000 x 1000 samples needs 16 MB of memory; only 10 MB are available");
  EXPECT_FLOAT_EQ(terrain.HeightAt(1.0f, 1.0f), -1.0f);
  EXPECT_TRUE(terrain.BuildHeightField("", 500, 1000, &error));
  EXPECT_EQ(Terrain::BytesNeeded(32767, 32767, false), uint64_t{32767} * 32767 * 16);  // 64 bits

  Terrain huge;
  huge.SetStepSize(999.0f);
  huge.SetHeightScaling(1e38f);
  EXPECT_FALSE(huge.BuildHeightField("", 4, 4, &error));
  EXPECT_THAT(error, HasSubstr("World/HeightScaling"));
}
