// Height maps from PNG files: every layout gives the right samples at its full
// precision (16-bit pictures keep their low byte), and every unusable file (missing, a
// folder, cut, broken) gives the plateau with the one line a broken bitmap gives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "textures/png_decode.h"

namespace {

// The pictures are the height-map fuzz seeds. Most hold distinct values in every
// channel, spread over `bits` (a palette's entry k is red k, green 2k, blue 255 - k);
// the "extremes" hold one row of given values.
const std::string kPictures = std::string(QM_TESTS_DIR) + "/fuzz/corpus/terrain_heightmap/";

std::function<uint32_t(int, int, int)> Mixed(int bits) {
  return [bits](int x, int y, int c) { return uint32_t(x * 7919 + y * 104729 + c * 3571 + 11) % (1u << bits); };
}
std::function<uint32_t(int, int, int)> Row(std::vector<uint32_t> row) {
  return [row](int x, int, int) { return row[size_t(x)]; };
}

}  // namespace

TEST(TerrainHeightmapPngTest, EveryLayoutGivesItsSamplesAtFullPrecision) {
  const struct {
    const char* file;
    int width, height;
    int colourType, bits;  // as stored: 0 grey, 2 RGB, 3 palette, 6 RGBA
    std::function<uint32_t(int, int, int)> sample;
  } cases[] = {
      {"grey8_4x1_extremes", 4, 1, 0, 8, Row({0, 1, 254, 255})},
      {"grey16_6x1_extremes", 6, 1, 0, 16, Row({0, 1, 256, 257, 65534, 65535})},
      {"grey8_3x5", 3, 5, 0, 8, Mixed(8)},
      {"grey1_11x2", 11, 2, 0, 1, Mixed(1)},
      {"rgb8_3x2", 3, 2, 2, 8, Mixed(8)},
      {"rgba16_2x3", 2, 3, 6, 16, Mixed(16)},
      {"palette4_3x5_trns", 3, 5, 3, 4, Mixed(4)},
      {"grey16_9x10_interlaced", 9, 10, 0, 16, Mixed(16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const uint32_t full = c.bits == 16 ? 65535 : 255;
    // One sample more each way than the picture covers.
    const std::vector<uint8_t> png = ReadFileBytes(kPictures + c.file + ".png");
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(4.0f);
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(png.data(), png.size(), int16_t(c.width + 1), int16_t(c.height + 1)));
    for (int x = 0; x <= c.width; ++x) {
      for (int y = 0; y <= c.height; ++y) {
        // Grey scaled up to 8 bits, a colour's blue, a palette entry's blue; beyond the
        // picture, full height.
        const uint32_t v = x == c.width || y == c.height ? full
                           : c.colourType == 3 ? 255 - c.sample(x, y, 0)
                           : c.colourType == 0 ? c.sample(x, y, 0) * (c.bits < 8 ? 255 / ((1u << c.bits) - 1) : 1)
                                               : c.sample(x, y, 2);
        ASSERT_EQ(terrain.Sample(uint32_t(x), uint32_t(y)), float(v) / (float(full) / 2.0f)) << x << ", " << y;
      }
    }
  }
}

TEST(TerrainHeightmapPngTest, UnusableFilesGiveThePlateauWithTheBitmapsLine) {
  const TempDir dir;
  const auto good = ReadFileBytes(kPictures + "grey8_3x5.png");
  mkdir(dir.File("folder.png").c_str(), 0700);
  const struct {
    std::string name;
    std::vector<uint8_t> bytes;  // none: not written
    const char* reason;
  } cases[] = {
      {"cut.png", std::vector<uint8_t>(good.begin(), good.end() - 13), "truncated PNG data"},
      {"crc.png", ReadFileBytes(kPictures + "bad_crc.png"), "IDAT: CRC error"},
      {"text.png", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a PNG file"},
      {"text.bmp", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a BMP file"},
      {"folder.png", {}, "this is a folder, not a file"},
      {"missing.png", {}, "cannot open file"},
      {"bitmap.png", MakeSolidBmp(3, 2, Rgb{0, 0, 51}), nullptr},  // the first bytes decide
  };
  for (const auto& c : cases) {
    const std::string path = dir.File(c.name);
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    Terrain terrain;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(terrain.BuildHeightField(path.c_str(), 3, 2));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.reason ? "quillmarsh: height map: \"" + path + "\": cannot be used (" + c.reason +
                             "); the ground is level at full height\n"
                       : "");
    EXPECT_EQ(terrain.Sample(1, 1), c.reason ? 5.0f * 0.2f : 0.2f) << c.name;
  }
  // The pixel limit is the picture's area, checked before any pixel is read.
  std::string reason;
  EXPECT_TRUE(DecodePng(good.data(), good.size(), &reason, 15));
  EXPECT_FALSE(DecodePng(good.data(), good.size(), &reason, 14));
  EXPECT_EQ(reason, "image too large");
}
