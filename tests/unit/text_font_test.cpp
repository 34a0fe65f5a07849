// The font's Targa reader (status codes, pixel conversion, reading the file) and the
// glyph grid.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "text/font_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A header and width x height x bits/8 pixel bytes 0, 7, 14, ..., cut to `size` bytes.
Bytes MakeTga(uint8_t type, int width, int height, uint8_t bits, uint8_t colourMap = 0, size_t size = SIZE_MAX) {
  Bytes out = {0, colourMap, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
               uint8_t(height >> 8), bits, 0x20};
  for (size_t i = 0; i < size_t(width) * height * (bits / 8); ++i) out.push_back(static_cast<uint8_t>(i * 7));
  out.resize(std::min(size, out.size()));
  out.shrink_to_fit();  // exact size, so that a read past the end shows under the sanitizers
  return out;
}

}  // namespace

TEST(FontImage, StatusCodesSizesAndPixelOrder) {
  Bytes grey = MakeTga(3, 2, 512, 8);
  grey[0] = 200;  // the ID length is not consulted: pixels always start at offset 18
  // Pixel 1 is stored B, G, R = 21, 28, 35 at 24 bits and B, G, R, A = 28, 35, 42, 49 at 32;
  // the image type is not matched to the depth.
  using F = FontPixelFormat;
  const struct { Bytes file; int status; F format = F::Alpha; Bytes pixel1 = {}; } cases[] = {
      {grey, kFontLoaded, F::Alpha, {7}}, {MakeTga(2, 4, 2, 24), kFontLoaded, F::Rgb, {35, 28, 21}},
      {MakeTga(2, 2, 4, 32), kFontLoaded, F::Rgba, {42, 35, 28, 49}},
      {MakeTga(3, 2, 2, 24), kFontLoaded, F::Rgb, {35, 28, 21}}, {MakeTga(2, 16, 16, 24, 1), kFontBadType},
      {MakeTga(0, 16, 16, 8), kFontBadType}, {MakeTga(10, 16, 16, 8), kFontBadType},
      {MakeTga(2, 16, 16, 0), kFontBadDepth}, {MakeTga(2, 16, 16, 16), kFontBadDepth},
      {MakeTga(2, 16, 16, 64), kFontBadDepth}, {MakeTga(3, 0, 16, 8), kFontBadSize},
      {MakeTga(3, 1, 16, 8), kFontBadSize}, {MakeTga(3, 1024, 16, 8), kFontBadSize},
      {MakeTga(3, 16, 384, 8), kFontBadSize}, {MakeTga(2, 16, 16, 32, 0, 18 + 1023), kFontNoPixels},
      {MakeTga(3, 2, 2, 8, 0, 17), kFontNoPixels}, {{}, kFontNoPixels},
  };
  for (const auto& c : cases) {
    FontImage image;
    ASSERT_EQ(DecodeFontImage(c.file.data(), c.file.size(), &image), c.status) << c.file.size();
    if (c.status != kFontLoaded) continue;
    const size_t bytes = c.pixel1.size();
    EXPECT_TRUE(image.format == c.format && image.width == c.file[12] && image.height == c.file[14] + 256 * c.file[15])
        << c.file.size();
    EXPECT_EQ(Bytes(&image.pixels[bytes], &image.pixels[2 * bytes]), c.pixel1);
  }
}

TEST(FontFile, MissingAndLargestFilesAndTheGlyphGrid) {
  TempDir dir;
  FontImage image;
  EXPECT_EQ(ReadFontFile(dir.File("none.tga").c_str(), &image), kFontCannotOpen);
  // The largest font, read-only as installed, followed by bytes the reader never needs.
  Bytes bytes = MakeTga(2, 512, 512, 32);
  bytes.push_back(0);
  WriteFile(dir.File("font.tga"), bytes);
  ASSERT_EQ(chmod(dir.File("font.tga").c_str(), 0444), 0);
  EXPECT_TRUE(ReadFontFile(dir.File("font.tga").c_str(), &image) == kFontLoaded && image.width == 512);
  // Glyph cells run row by row from the top left.
  FontGrid grid;
  BuildFontGrid(&grid);
  for (auto [code, u, v] : {std::tuple{0, 0.0f, 0.9375f}, {17, 0.0625f, 0.875f}, {255, 0.9375f, 0.0f}})
    EXPECT_TRUE(grid.glyphs[code].u == u && grid.glyphs[code].v == v) << code;
}
