// The height field without OpenGL: heights from height-map images of every layout,
// the plateau for missing or broken files, vertex normals, the accepted settings, and
// the worlds that are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

using ::testing::HasSubstr;

namespace {

Rgb Grey(int level) {
  const auto v = static_cast<uint8_t>(level);
  return Rgb{v, v, v};
}

void ExpectNormal(const Terrain& terrain, uint32_t i, uint32_t j, float x, float y, float z) {
  const Float3& n = terrain.Normal(i, j);
  EXPECT_FLOAT_EQ(n.x, x) << "normal [" << i << "][" << j << "]";
  EXPECT_FLOAT_EQ(n.y, y) << "normal [" << i << "][" << j << "]";
  EXPECT_FLOAT_EQ(n.z, z) << "normal [" << i << "][" << j << "]";
}

}  // namespace

TEST(TerrainHeightFieldTest, DefaultsGiveHeightsFromZeroToOne) {
  TempDir dir;
  const std::string file = dir.File("height.bmp");
  // Column 0 black, column 1 white, column 2 blue 51, the rest mid grey. Red and
  // green differ from blue, so only the blue component can be what is read.
  WriteFile(file, MakeBmp(100, 100, [](int column, int) {
              if (column == 0) return Rgb{200, 100, 0};
              if (column == 1) return Rgb{0, 10, 255};
              if (column == 2) return Rgb{255, 255, 51};
              return Grey(128);
            }));
  Terrain terrain;
  std::string error;
  ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 100, 100, &error)) << error;
  EXPECT_EQ(terrain.cellsX, 99u);
  EXPECT_EQ(terrain.cellsY, 99u);
  for (uint32_t j : {0u, 50u, 99u}) {
    EXPECT_FLOAT_EQ(terrain.Sample(0, j), 0.0f);
    EXPECT_FLOAT_EQ(terrain.Sample(1, j), 1.0f);
    EXPECT_FLOAT_EQ(terrain.Sample(2, j), 0.2f);
  }
  const TerrainBounds bounds = terrain.GetBounds();
  EXPECT_EQ(bounds.first0, 0);
  EXPECT_EQ(bounds.first1, 0);
  EXPECT_EQ(bounds.last0, 99);
  EXPECT_EQ(bounds.last1, 99);
  EXPECT_FLOAT_EQ(terrain.StepSize(), 0.2f);
}

TEST(TerrainHeightFieldTest, LevelImageNormalsAndTriangles) {
  TempDir dir;
  const std::string file = dir.File("level.bmp");
  WriteFile(file, MakeSolidBmp(6, 5, Grey(128)));
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 6, 5));
  const uint32_t lastI = 5;
  const uint32_t lastJ = 4;
  for (uint32_t i = 0; i <= lastI; ++i) {
    for (uint32_t j = 0; j <= lastJ; ++j) {
      if (i == 0 || j == 0) {
        ExpectNormal(terrain, i, j, 0, 1, 0);
      } else if (i == lastI && j == lastJ) {
        ExpectNormal(terrain, i, j, 0, 2.0f / 3.0f, 0);
      } else if (i == lastI || j == lastJ) {
        ExpectNormal(terrain, i, j, 0, 1, 0);
      } else {
        ExpectNormal(terrain, i, j, 0, 2, 0);
      }
    }
  }
  // Cell [2][3]: corners at x = j * step, z = i * step; both faces point up.
  const TerrainCell cell = terrain.Cell(2, 3);
  EXPECT_FLOAT_EQ(cell.triangles[0].P2.x, 4 * 0.2f);
  EXPECT_FLOAT_EQ(cell.triangles[0].P2.z, 3 * 0.2f);
  EXPECT_FLOAT_EQ(cell.triangles[1].P1.x, 3 * 0.2f);
  EXPECT_FLOAT_EQ(cell.triangles[1].P1.z, 3 * 0.2f);
  for (const TerrainTriangle& t : cell.triangles) {
    EXPECT_FLOAT_EQ(t.Normal.y, 1.0f);
    EXPECT_FLOAT_EQ(t.P1.y, terrain.Sample(2, 3));
  }
}

TEST(TerrainHeightFieldTest, VertexNormalsAverageTheTrianglesAroundEachSample) {
  // Rough ground; the reference adds each face normal to its three corners in a sweep
  // with j outer and i inner, then scales by one third (edges with index 0: up).
  const auto bytes = MakeBmp(9, 7, [](int column, int row) {
    return Grey((column * 97 + row * 61 + column * row * 13) % 256);
  });
  Terrain terrain;
  terrain.SetHeightScaling(20.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 9, 7));
  std::vector<Float3> sums(9 * 7, Float3{0, 0, 0});
  auto add = [&](uint32_t i, uint32_t j, const Float3& n) {
    Float3& s = sums[i * 7 + j];
    s.x += n.x;
    s.y += n.y;
    s.z += n.z;
  };
  for (uint32_t j = 0; j < 6; ++j) {
    for (uint32_t i = 0; i < 8; ++i) {
      const TerrainCell cell = terrain.Cell(i, j);
      add(i, j, cell.triangles[0].Normal);
      add(i + 1, j + 1, cell.triangles[0].Normal);
      add(i, j + 1, cell.triangles[0].Normal);
      add(i + 1, j, cell.triangles[1].Normal);
      add(i + 1, j + 1, cell.triangles[1].Normal);
      add(i, j, cell.triangles[1].Normal);
    }
  }
  for (uint32_t i = 1; i <= 8; ++i) {
    for (uint32_t j = 1; j <= 6; ++j) {
      const Float3& s = sums[i * 7 + j];
      const Float3& n = terrain.Normal(i, j);
      EXPECT_EQ(n.x, s.x * 0.33333334f) << i << "," << j;
      EXPECT_EQ(n.y, s.y * 0.33333334f) << i << "," << j;
      EXPECT_EQ(n.z, s.z * 0.33333334f) << i << "," << j;
    }
  }
  // The face normals are unit length and belong to the triangles' corners.
  const TerrainCell cell = terrain.Cell(4, 2);
  const TerrainTriangle& t = cell.triangles[1];
  EXPECT_NEAR(std::sqrt(t.Normal.x * t.Normal.x + t.Normal.y * t.Normal.y + t.Normal.z * t.Normal.z),
              1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(t.P1.y, terrain.Sample(5, 2));
  EXPECT_FLOAT_EQ(t.P2.y, terrain.Sample(5, 3));
  EXPECT_FLOAT_EQ(t.P3.y, terrain.Sample(4, 2));
}

TEST(TerrainHeightFieldTest, ImageColumnsRunAlongZAndRowsAlongX) {
  TempDir dir;
  const std::vector<std::pair<const char*, BmpLayout>> layouts = {
      {"bottom-up 24-bit", BmpLayout{}},
      {"top-down 24-bit", BmpLayout{24, 40, true, 0}},
      {"8-bit palette", BmpLayout{8, 40, false, 0}},
      {"124-byte header", BmpLayout{24, 124, false, 0}},
  };
  for (const auto& [name, layout] : layouts) {
    SCOPED_TRACE(name);
    const std::string file = dir.File("dot.bmp");
    WriteFile(file, MakeBmp(20, 20, [](int column, int row) {
                return Grey(column == 10 && row == 3 ? 255 : 0);
              }, layout));
    Terrain terrain;
    ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 20, 20));
    EXPECT_FLOAT_EQ(terrain.Sample(10, 3), 1.0f);
    EXPECT_FLOAT_EQ(terrain.Sample(3, 10), 0.0f);
    EXPECT_FLOAT_EQ(terrain.HeightAt(10 * 0.2f, 3 * 0.2f), 1.0f);
    EXPECT_FLOAT_EQ(terrain.HeightAt(3 * 0.2f, 10 * 0.2f), 0.0f);
  }
}

TEST(TerrainHeightFieldTest, UnusableHeightMapsGiveThePlateau) {
  TempDir dir;
  const std::string garbage = dir.File("garbage.bmp");
  WriteFile(garbage, std::string("this is not a bitmap at all"));
  const std::string cut = dir.File("cut.bmp");
  WriteFile(cut, MakeSolidBmp(16, 16, Grey(0), BmpLayout{24, 40, false, 100}));
  const std::string missing = dir.File("missing.bmp");

  for (const std::string& file : {missing, garbage, cut}) {
    SCOPED_TRACE(file);
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(3.0f);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 8, 6));
    const std::string err = testing::internal::GetCapturedStderr();
    // One line that names the file.
    EXPECT_THAT(err, HasSubstr(file));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    for (uint32_t i = 0; i <= 7; ++i) {
      for (uint32_t j = 0; j <= 5; ++j) EXPECT_FLOAT_EQ(terrain.Sample(i, j), 1.5f);
    }
  }

  // No height map named: the plateau without a word.
  Terrain terrain;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(terrain.BuildHeightField("", 4, 4));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FLOAT_EQ(terrain.Sample(3, 3), 1.0f);
}

TEST(TerrainHeightFieldTest, ImageSmallerOrLargerThanTheGrid) {
  TempDir dir;
  const std::string small = dir.File("small.bmp");
  WriteFile(small, MakeSolidBmp(4, 3, Grey(0)));
  Terrain terrain;
  ASSERT_TRUE(terrain.BuildHeightField(small.c_str(), 6, 5));
  for (uint32_t i = 0; i <= 5; ++i) {
    for (uint32_t j = 0; j <= 4; ++j) {
      const float expected = (i < 4 && j < 3) ? 0.0f : 1.0f;
      EXPECT_FLOAT_EQ(terrain.Sample(i, j), expected) << i << "," << j;
    }
  }

  // Only the top-left 4 columns by 3 rows of a larger image are read.
  const std::string large = dir.File("large.bmp");
  WriteFile(large, MakeBmp(10, 10, [](int column, int row) { return Grey(column * 20 + row); }));
  Terrain big;
  ASSERT_TRUE(big.BuildHeightField(large.c_str(), 4, 3));
  for (uint32_t i = 0; i <= 3; ++i) {
    for (uint32_t j = 0; j <= 2; ++j) {
      EXPECT_FLOAT_EQ(big.Sample(i, j), static_cast<float>(i * 20 + j) / 255.0f) << i << "," << j;
    }
  }
}

TEST(TerrainHeightFieldTest, StepSizeAndScalingAcceptance) {
  Terrain terrain;
  for (float rejected : {0.0f, -1.0f, 1000.0f, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity()}) {
    terrain.SetStepSize(rejected);
    EXPECT_FLOAT_EQ(terrain.StepSize(), 0.2f) << rejected;
  }
  terrain.SetStepSize(999.9f);
  EXPECT_FLOAT_EQ(terrain.StepSize(), 999.9f);

  Terrain scaled;
  scaled.SetHeightScaling(std::numeric_limits<float>::quiet_NaN());
  scaled.SetHeightScaling(-std::numeric_limits<float>::infinity());
  EXPECT_FLOAT_EQ(scaled.HeightScaling(), 5.0f);
  // A negative scaling turns the relief upside down; 0 flattens it at 0.
  scaled.SetHeightScaling(-2.0f);
  ASSERT_TRUE(scaled.BuildHeightField("", 3, 3));
  EXPECT_FLOAT_EQ(scaled.Sample(1, 1), -0.4f);
  Terrain flat;
  flat.SetHeightScaling(0.0f);
  ASSERT_TRUE(flat.BuildHeightField("", 3, 3));
  EXPECT_FLOAT_EQ(flat.Sample(1, 1), 0.0f);
}

TEST(TerrainHeightFieldTest, RefusesSizesOutsideTheGrid) {
  struct Case {
    int16_t x;
    int16_t y;
    const char* message;
  };
  const Case cases[] = {
      {1, 100, "World/WorldSizeX is 1; it must be between 2 and 32767 samples"},
      {0, 100, "World/WorldSizeX is 0; it must be between 2 and 32767 samples"},
      {-5, 100, "World/WorldSizeX is -5; it must be between 2 and 32767 samples"},
      {100, 1, "World/WorldSizeY is 1; it must be between 2 and 32767 samples"},
      {100, -5, "World/WorldSizeY is -5; it must be between 2 and 32767 samples"},
  };
  for (const Case& c : cases) {
    Terrain terrain;
    std::string error;
    EXPECT_FALSE(terrain.BuildHeightField("", c.x, c.y, &error));
    EXPECT_EQ(error, c.message);
    EXPECT_FALSE(terrain.IsBuilt());
    EXPECT_EQ(terrain.GetBounds().last0, 0);
    EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), -1.0f);
  }
  // The smallest world: one cell.
  Terrain tiny;
  EXPECT_TRUE(tiny.BuildHeightField("", 2, 2));
  EXPECT_FLOAT_EQ(tiny.HeightAt(0.1f, 0.1f), 1.0f);
}

TEST(TerrainHeightFieldTest, RefusesWorldsLargerThanTheMemory) {
  // 1000 x 1000 samples need 16 bytes each.
  Terrain terrain;
  terrain.SetMemoryLimit(10 * 1024 * 1024);
  std::string error;
  EXPECT_FALSE(terrain.BuildHeightField("", 1000, 1000, &error));
  EXPECT_EQ(error, "a world of 1000 x 1000 samples needs 16 MB of memory; only 10 MB are available");
  EXPECT_FALSE(terrain.IsBuilt());
  EXPECT_FLOAT_EQ(terrain.HeightAt(1.0f, 1.0f), -1.0f);
  EXPECT_TRUE(terrain.BuildHeightField("", 500, 1000, &error));

  // The largest sizes against the installed memory (BytesNeeded counts in 64 bits).
  EXPECT_EQ(Terrain::BytesNeeded(32767, 32767, false), uint64_t{32767} * 32767 * 16);
  Terrain largest;
  if (Terrain::BytesNeeded(32767, 32767, false) > Terrain::PhysicalMemoryBytes()) {
    EXPECT_FALSE(largest.BuildHeightField("", 32767, 32767, &error));
    EXPECT_THAT(error, HasSubstr("a world of 32767 x 32767 samples needs 16382 MB"));
  }
}

TEST(TerrainHeightFieldTest, RefusesHeightsThatOverflow) {
  Terrain terrain;
  terrain.SetStepSize(999.0f);
  terrain.SetHeightScaling(1e38f);
  std::string error;
  EXPECT_FALSE(terrain.BuildHeightField("", 4, 4, &error));
  EXPECT_THAT(error, HasSubstr("World/HeightScaling"));
}
