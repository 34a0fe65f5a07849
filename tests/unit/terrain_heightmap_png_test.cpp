// Height maps from PNG files: every layout gives the right samples at its full
// precision (16-bit pictures keep their low byte), and every unusable file gives the
// plateau with the one line a broken bitmap gives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/png_file_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "textures/png_decode.h"

namespace {

// Distinct values in every channel, spread over `bits`; or one row of given values.
std::function<uint32_t(int, int, int)> Mixed(int bits) {
  return [bits](int x, int y, int c) { return uint32_t(x * 7919 + y * 104729 + c * 3571 + 11) % (1u << bits); };
}
std::function<uint32_t(int, int, int)> Row(std::vector<uint32_t> row) {
  return [row](int x, int, int) { return row[size_t(x)]; };
}

}  // namespace

TEST(TerrainHeightmapPngTest, EveryLayoutGivesItsSamplesAtFullPrecision) {
  const struct {
    int width, height;
    PngLayout layout;  // colour type (0 grey, 2 RGB, 3 palette, 6 RGBA), bits, interlaced
    std::function<uint32_t(int, int, int)> sample;
  } cases[] = {
      {4, 1, {0, 8}, Row({0, 1, 254, 255})},      {6, 1, {0, 16}, Row({0, 1, 256, 257, 65534, 65535})},
      {3, 5, {0, 8}, Mixed(8)},                   {11, 2, {0, 1}, Mixed(1)},
      {3, 2, {2, 8}, Mixed(8)},                   {2, 3, {6, 16}, Mixed(16)},
      {3, 5, {3, 4}, Mixed(4)},                   {9, 10, {0, 16, true}, Mixed(16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.layout.colourType << " at " << c.layout.bitDepth << " bits");
    const int bits = c.layout.bitDepth;
    const uint32_t full = bits == 16 ? 65535 : 255;
    // One sample more each way than the picture covers.
    const std::vector<uint8_t> png = MakePng(c.width, c.height, c.sample, c.layout);
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(4.0f);
    std::string reason;
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(png.data(), png.size(), int16_t(c.width + 1), int16_t(c.height + 1),
                                                  nullptr, &reason));
    EXPECT_EQ(reason, "");
    for (int x = 0; x <= c.width; ++x) {
      for (int y = 0; y <= c.height; ++y) {
        // Grey scaled up to 8 bits, a colour's blue, a palette entry's blue; beyond the
        // picture, full height.
        uint32_t v = c.layout.colourType == 3 ? 255 - c.sample(x, y, 0)
                     : c.layout.colourType == 0 ? c.sample(x, y, 0) * (bits < 8 ? 255 / ((1u << bits) - 1) : 1)
                                                : c.sample(x, y, 2);
        if (x == c.width || y == c.height) v = full;
        ASSERT_EQ(terrain.Sample(uint32_t(x), uint32_t(y)), float(v) / (float(full) / 2.0f)) << x << ", " << y;
      }
    }
  }
}

TEST(TerrainHeightmapPngTest, UnusableFilesGiveThePlateauWithTheBitmapsLine) {
  const TempDir dir;
  const auto good = MakePng(3, 5, Mixed(16), {0, 16});
  auto badCrc = good;
  badCrc[badCrc.size() - 14] ^= 1;  // the pixel data's checksum, before the 12-byte end chunk
  mkdir(dir.File("folder.png").c_str(), 0700);
  const struct {
    std::string name;
    std::vector<uint8_t> bytes;
    const char* reason;
  } cases[] = {
      {"cut.png", std::vector<uint8_t>(good.begin(), good.end() - 13), "truncated PNG data"},
      {"crc.png", badCrc, "IDAT: CRC error"},
      {"text.png", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a PNG file"},
      {"text.bmp", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a BMP file"},
      {"folder.png", {}, "this is a folder, not a file"},
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
