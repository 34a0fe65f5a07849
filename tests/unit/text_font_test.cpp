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

// A header, an image-ID field of `idLength` bytes, and width x height x bits/8 pixel
// bytes 0, 7, 14, ..., cut to `size` bytes.
Bytes MakeTga(uint8_t type, int width, int height, uint8_t bits, uint8_t colourMap = 0, size_t size = SIZE_MAX,
              uint8_t idLength = 0, uint8_t descriptor = 0) {
  Bytes out = {idLength, colourMap, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
               uint8_t(height), uint8_t(height >> 8), bits, descriptor};
  out.insert(out.end(), idLength, 0xEE);
  for (size_t i = 0; i < size_t(width) * height * (bits / 8); ++i) out.push_back(static_cast<uint8_t>(i * 7));
  out.resize(std::min(size, out.size()));
  out.shrink_to_fit();  // exact size, so that a read past the end shows under the sanitizers
  return out;
}

}  // namespace

TEST(FontImage, StatusCodesSizesAndPixelOrder) {
  // The first image pixels, rows bottom-up: the pixels follow the ID field; a file whose
  // rows run top-down (descriptor bit 5) and right to left (bit 4) is turned round.
  // Pixel 1 is stored B, G, R = 21, 28, 35 at 24 bits and B, G, R, A = 28, 35, 42, 49 at 32;
  // the image type is not matched to the depth.
  // A 24-bit font has no alpha: black is transparent, as in the tree images (red and
  // green both 0); pixel 0 is black, pixel 1 has green but no red.
  Bytes keyed = MakeTga(2, 2, 2, 24);
  for (size_t at : {19u, 20u, 23u}) keyed[at] = 0;
  using F = FontPixelFormat;
  const struct { Bytes file; int status; F format = F::Alpha; Bytes pixels = {}; } cases[] = {
      {MakeTga(3, 2, 512, 8, 0, SIZE_MAX, 200), kFontLoaded, F::Alpha, {0, 7}},
      {MakeTga(3, 2, 2, 8, 0, SIZE_MAX, 0, 0x30), kFontLoaded, F::Alpha, {21, 14, 7, 0}},
      {MakeTga(2, 4, 2, 24), kFontLoaded, F::Rgba, {14, 7, 0, 255, 35, 28, 21, 255}},
      {MakeTga(2, 2, 4, 32), kFontLoaded, F::Rgba, {14, 7, 0, 21, 42, 35, 28, 49}},
      {MakeTga(3, 2, 2, 24), kFontLoaded, F::Rgba, {14, 7, 0, 255}}, {MakeTga(2, 16, 16, 24, 1), kFontBadType},
      {keyed, kFontLoaded, F::Rgba, {0, 0, 0, 0, 0, 28, 21, 255, 56, 49, 42, 255}},
      {MakeTga(0, 16, 16, 8), kFontBadType}, {MakeTga(10, 16, 16, 8), kFontBadType},
      {MakeTga(2, 16, 16, 0), kFontBadDepth}, {MakeTga(2, 16, 16, 16), kFontBadDepth},
      {MakeTga(2, 16, 16, 64), kFontBadDepth}, {MakeTga(3, 0, 16, 8), kFontBadSize},
      {MakeTga(3, 1, 16, 8), kFontBadSize}, {MakeTga(3, 1024, 16, 8), kFontBadSize},
      {MakeTga(3, 16, 384, 8), kFontBadSize}, {MakeTga(2, 16, 16, 32, 0, 18 + 1023), kFontNoPixels},
      {MakeTga(3, 2, 2, 8, 0, 17), kFontNoPixels}, {MakeTga(3, 2, 2, 8, 0, 18 + 3 + 3, 3), kFontNoPixels},
      {{}, kFontNoPixels},
  };
  for (const auto& c : cases) {
    FontImage image;
    ASSERT_EQ(DecodeFontImage(c.file.data(), c.file.size(), &image), c.status) << c.file.size();
    if (c.status != kFontLoaded) continue;
    EXPECT_TRUE(image.format == c.format && image.width == c.file[12] && image.height == c.file[14] + 256 * c.file[15])
        << c.file.size();
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + static_cast<long>(c.pixels.size())), c.pixels);
  }
}

TEST(FontFile, MissingAndLargestFilesAndTheGlyphGrid) {
  TempDir dir;
  FontImage image;
  EXPECT_EQ(ReadFontFile(dir.File("none.tga").c_str(), &image), kFontCannotOpen);
  EXPECT_EQ(ReadFontFile(dir.path().c_str(), &image), kFontIsFolder);
  // The largest font with the longest ID field, read-only as installed, followed by
  // bytes the reader never needs.
  Bytes bytes = MakeTga(2, 512, 512, 32, 0, SIZE_MAX, 255);
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
