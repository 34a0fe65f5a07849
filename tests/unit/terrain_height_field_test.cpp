// The height field without OpenGL: the plateau for missing or broken height maps,
// accepted settings, refused worlds, vertex normals bit for bit, and the height queries
// over a height map (which sample each pixel gives, and those it does not cover).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Rgb Blue(int level) { return Rgb{0, 0, static_cast<uint8_t>(level)}; }

}  // namespace

TEST(TerrainHeightFieldTest, UnusableHeightMapsGiveThePlateauWithOneLine) {
  TempDir dir;
  const std::string cut = dir.File("cut.bmp");
  WriteFile(cut, MakeSolidBmp(16, 16, Blue(0), BmpLayout{24, 40, false, 100}));
  for (const std::string& file : {dir.File("missing.bmp"), cut, std::string()}) {
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(3.0f);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(terrain.BuildHeightField(file.c_str(), 8, 6));
    const std::string err = testing::internal::GetCapturedStderr();
    // No height map named: the plateau without a word.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), file.empty() ? 0 : 1) << err;
    EXPECT_THAT(err, testing::HasSubstr(file));
    EXPECT_FLOAT_EQ(terrain.Sample(7, 5), 1.5f) << file;
  }
}

TEST(TerrainHeightFieldTest, SettingsAndRefusedWorlds) {
  Terrain terrain;
  for (float rejected : {0.0f, -1.0f, 1000.0f, kNaN, kInf}) terrain.SetStepSize(rejected);
  for (float rejected : {kNaN, -kInf}) terrain.SetHeightScaling(rejected);
  EXPECT_TRUE(terrain.StepSize() == 0.2f && terrain.HeightScaling() == 5.0f);
  terrain.SetStepSize(999.9f);
  EXPECT_EQ(terrain.StepSize(), 999.9f);
  // A negative scaling turns the relief upside down.
  terrain.SetStepSize(0.2f);
  terrain.SetHeightScaling(-2.0f);
  ASSERT_TRUE(terrain.BuildHeightField("", 2, 2));  // the smallest world: one cell
  EXPECT_FLOAT_EQ(terrain.Sample(1, 1), -0.4f);

  std::string error;
  const struct { int16_t x, y; const char* message; } sizes[] = {
      {1, 100, "World/WorldSizeX is 1; it must be between 2 and 32767 samples"},
      {-5, 100, "World/WorldSizeX is -5; it must be between 2 and 32767 samples"},
      {100, 1, "World/WorldSizeY is 1; it must be between 2 and 32767 samples"},
  };
  for (const auto& c : sizes) {
    EXPECT_FALSE(terrain.BuildHeightField("", c.x, c.y, &error));
    EXPECT_EQ(error, c.message);
  }
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
  terrain.SetHeightScaling(7.0f);
  const auto bmp = MakeBmp(23, 17, [](int i, int j) { return Blue((i * i * 13 + j * 71 + i * j) % 256); });
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), 23, 17));
  // The face normals as Cell() gives them, added per sample in the order of a sweep over
  // the cells with j outer (which fixes the float rounding), times 0.33333334; the two
  // edges with index 0 point straight up.
  std::vector<Float3> sums(23 * 17, Float3{0, 0, 0});
  const uint32_t corners[2][3][2] = {{{0, 0}, {1, 1}, {0, 1}}, {{1, 0}, {1, 1}, {0, 0}}};
  for (uint32_t j = 0; j < 16; ++j) {
    for (uint32_t i = 0; i < 22; ++i) {
      const TerrainCell cell = terrain.Cell(i, j);
      for (int k = 0; k < 2; ++k) {
        const Float3& n = cell.triangles[k].Normal;
        for (const auto& c : corners[k]) {
          Float3& s = sums[(i + c[0]) * 17 + j + c[1]];
          s = Float3{s.x + n.x, s.y + n.y, s.z + n.z};
        }
      }
    }
  }
  int differing = 0;
  for (uint32_t i = 0; i < 23; ++i) {
    for (uint32_t j = 0; j < 17; ++j) {
      const Float3& s = sums[i * 17 + j];
      const Float3 e = i == 0 || j == 0 ? Float3{0, 1, 0}
                                        : Float3{s.x * 0.33333334f, s.y * 0.33333334f, s.z * 0.33333334f};
      const Float3& n = terrain.Normal(i, j);
      differing += !(n.x == e.x && n.y == e.y && n.z == e.z);
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST(TerrainHeightQueryTest, InterpolatesInsideAndAnswersMinusOneOutside) {
  Terrain terrain;
  EXPECT_FLOAT_EQ(terrain.HeightAt(0.0f, 0.0f), -1.0f);  // before the build
  // 101 samples along z, 50 along x, step 0.25, scaling 4: heights are the blue of image
  // column i, row j over 255 (red and green never count), and 1 for the last row of
  // samples, which the 100-column image does not cover. Sample [1][0] is 1, [1][1] is
  // 0.6, [2][3] is 0.2, everything else inside the image 0.
  const auto bytes = MakeBmp(100, 50, [](int i, int j) {
    return Rgb{200, 100, uint8_t(i == 1 && j <= 1 ? (j == 0 ? 255 : 153) : i == 2 && j == 3 ? 51 : 0)};
  });
  terrain.SetStepSize(0.25f);
  terrain.SetHeightScaling(4.0f);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bytes.data(), bytes.size(), 101, 50));
  const struct { float z, x, height; } cases[] = {
      {0.125f, 0.0f, 0.5f},                                      // half-way along a cell edge
      {0.125f, 0.125f, 0.25f * 1.6f},                            // cell centre: four weights of 0.25
      {0.0625f, 0.0625f, 0.75f * 0.25f + 0.25f * 0.25f * 0.6f},  // a quarter in
      {0.5f, 0.75f, 0.2f},                                       // on a sample, z and x not swapped
      {24.875f, 3.0f, 0.5f}, {25.0f, 12.25f, 1.0f},              // towards the uncovered far row, the far corner
      {25.01f, 1.0f, -1.0f}, {-0.001f, 1.0f, -1.0f}, {1.0f, 12.26f, -1.0f},
      {1.0f, -0.001f, -1.0f}, {kNaN, 1.0f, -1.0f}, {1.0f, kNaN, -1.0f}, {kInf, 1.0f, -1.0f},
  };
  for (const auto& c : cases) EXPECT_NEAR(terrain.HeightAt(c.z, c.x), c.height, 1e-6f) << c.z << ", " << c.x;

  // With 7 cells and this step, 7 * step / step comes out a hair above 7: the query
  // must still read the last samples.
  const float step = std::nextafter(0.01f, 1.0f), edge = 7.0f * step;
  volatile float u = edge / step;
  ASSERT_GT(u, 7.0f) << "the rounding this test needs did not happen";
  const auto ramp = MakeBmp(8, 8, [](int i, int j) { return Blue(i * 30 + j); });
  Terrain small;
  small.SetStepSize(step);
  ASSERT_TRUE(small.BuildHeightFieldFromBytes(ramp.data(), ramp.size(), 8, 8));
  EXPECT_FLOAT_EQ(small.HeightAt(edge, edge), small.Sample(7, 7));
  EXPECT_FLOAT_EQ(small.HeightAt(edge, 0.0f), small.Sample(7, 0));
  EXPECT_FLOAT_EQ(small.HeightAt(0.0f, edge), small.Sample(0, 7));
}
