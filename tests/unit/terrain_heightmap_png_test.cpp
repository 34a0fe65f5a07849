// Height maps from PNG files: every layout gives the right samples at its full
// precision (16-bit pictures keep their low byte), and every unusable file gives the
// plateau with the one line a broken bitmap gives.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/png_file_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "textures/png_decode.h"

namespace {

using Sample = std::function<uint32_t(int, int, int)>;
constexpr int kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6;

// Distinct values in every channel, spread over the bit depth.
Sample Mixed(int bits) {
  return [bits](int x, int y, int c) { return uint32_t(x * 7919 + y * 104729 + c * 3571 + 11) % (1u << bits); };
}
// The values of `row`, one per column, in every channel.
Sample Row(std::vector<uint32_t> row) {
  return [row](int x, int, int) { return row[size_t(x)]; };
}

}  // namespace

TEST(TerrainHeightmapPngTest, EveryLayoutGivesItsSamplesAtFullPrecision) {
  const struct { const char* name; int width, height; PngLayout layout; Sample sample; } cases[] = {
      {"8-bit grey extremes", 4, 1, {kGrey, 8}, Row({0, 1, 254, 255})},
      {"16-bit grey extremes and low bytes", 6, 1, {kGrey, 16}, Row({0, 1, 256, 257, 65534, 65535})},
      {"1 x 1", 1, 1, {kGrey, 16}, Row({40000})},
      {"3 x 5", 3, 5, {kGrey, 8}, Mixed(8)},
      {"1-bit grey, 11 wide", 11, 2, {kGrey, 1}, Mixed(1)},
      {"2-bit grey", 5, 3, {kGrey, 2}, Mixed(2)},
      {"4-bit grey", 5, 2, {kGrey, 4}, Mixed(4)},
      {"RGB uses blue", 3, 2, {kRgb, 8}, Mixed(8)},
      {"16-bit RGBA uses blue", 2, 3, {kRgba, 16}, Mixed(16)},
      {"grey + alpha", 3, 2, {kGreyAlpha, 16}, Mixed(16)},
      {"4-bit palette", 3, 5, {kPalette, 4}, Mixed(4)},
      {"interlaced 16-bit grey", 9, 10, {kGrey, 16, true}, Mixed(16)},
      {"interlaced palette", 10, 9, {kPalette, 8, true}, Mixed(8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto png = MakePng(c.width, c.height, c.sample, c.layout);
    const int bits = c.layout.bitDepth;
    const uint32_t full = bits == 16 ? 65535 : 255;
    // What the height channel should read: grey scaled up to 8 bits, blue, or the
    // palette entry's blue.
    const auto expected = [&](int x, int y) -> uint32_t {
      switch (c.layout.colourType) {
        case kRgb: case kRgba: return c.sample(x, y, 2);
        case kPalette: return 255 - c.sample(x, y, 0);
        default: return c.sample(x, y, 0) * (bits < 8 ? 255 / ((1u << bits) - 1) : 1);
      }
    };
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(4.0f);
    std::string reason;
    // One sample more each way than the picture covers: those read full height.
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(png.data(), png.size(), int16_t(c.width + 1),
                                                  int16_t(c.height + 1), nullptr, &reason));
    EXPECT_EQ(reason, "");
    for (int x = 0; x <= c.width; ++x) {
      for (int y = 0; y <= c.height; ++y) {
        const uint32_t v = x < c.width && y < c.height ? expected(x, y) : full;
        ASSERT_EQ(terrain.Sample(uint32_t(x), uint32_t(y)), float(v) / (float(full) / 2.0f)) << x << ", " << y;
      }
    }
  }
}

TEST(TerrainHeightmapPngTest, UnusableFilesGiveThePlateauWithTheBitmapsLine) {
  const TempDir dir;
  const auto good = MakePng(3, 5, Mixed(16), {kGrey, 16});
  auto badCrc = good;
  badCrc[badCrc.size() - 14] ^= 1;  // the pixel data's checksum, before the 12-byte end chunk
  const std::vector<uint8_t> cut(good.begin(), good.end() - 13);
  mkdir(dir.File("folder.png").c_str(), 0700);
  const struct { std::string name; std::vector<uint8_t> bytes; const char* reason; } cases[] = {
      {"cut.png", cut, "truncated PNG data"},
      {"crc.png", badCrc, "IDAT: CRC error"},
      {"text.png", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a PNG file"},
      {"text.bmp", {'h', 'i', 'l', 'l', 's', '\n', 0, 0, 0}, "not a BMP file"},
      {"zero.png", WithPngSize(good, 0, 5), "Invalid IHDR data"},
      {"huge.png", WithPngSize(good, 16385, 16384), "image too large"},
      {"folder.png", {}, "this is a folder, not a file"},
      {"bitmap.png", MakeSolidBmp(3, 2, Rgb{0, 0, 51}), nullptr},  // the first bytes decide
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    Terrain terrain;
    terrain.SetStepSize(0.5f);
    terrain.SetHeightScaling(4.0f);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(terrain.BuildHeightField(path.c_str(), 3, 2));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, c.reason ? "quillmarsh: height map: \"" + path + "\": cannot be used (" + c.reason +
                                  "); the ground is level at full height\n"
                            : "");
    EXPECT_EQ(terrain.Sample(1, 1), c.reason ? 2.0f : 0.4f);
  }
  // The pixel limit is the picture's area, checked before any pixel is read.
  std::string reason;
  EXPECT_TRUE(DecodePng(good.data(), good.size(), &reason, 15));
  EXPECT_FALSE(DecodePng(good.data(), good.size(), &reason, 14));
  EXPECT_EQ(reason, "image too large");
}
