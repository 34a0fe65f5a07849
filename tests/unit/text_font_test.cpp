// The font's Targa reader (status codes, pixel conversion) and the glyph grid.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/test_files.h"
#include "text/font_image.h"

namespace {

// A header and width x height x bits/8 pixel bytes 0, 7, 14, ...
std::vector<uint8_t> MakeTga(uint8_t type, int width, int height, uint8_t bits, uint8_t colourMap = 0) {
  std::vector<uint8_t> out = {0, colourMap, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
                              uint8_t(height), uint8_t(height >> 8), bits, 0x20};
  for (size_t i = 0; i < size_t(width) * height * (bits / 8); ++i) out.push_back(static_cast<uint8_t>(i * 7));
  return out;
}

// Decodes from an exact-size copy, so that a read past the end shows under the sanitizers.
int Decode(std::vector<uint8_t> bytes, FontImage* image) {
  bytes.shrink_to_fit();
  return DecodeFontImage(bytes.empty() ? nullptr : bytes.data(), bytes.size(), image);
}

}  // namespace

TEST(FontImage, GreyIsKeptAsAlphaAndTrueColourIsSwappedToRgbOrder) {
  auto grey = MakeTga(3, 256, 256, 8);
  grey[0] = 200;  // the ID length is not consulted: pixels always start at offset 18
  FontImage image;
  ASSERT_EQ(Decode(grey, &image), kFontLoaded);
  EXPECT_EQ(image.format, FontPixelFormat::Alpha);
  EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), grey.begin() + 18, grey.end()));

  // Pixel 1 is stored B, G, R = 21, 28, 35 at 24 bits and B, G, R, A = 28, 35, 42, 49 at 32.
  ASSERT_EQ(Decode(MakeTga(2, 4, 2, 24), &image), kFontLoaded);
  EXPECT_EQ(image.format, FontPixelFormat::Rgb);
  EXPECT_EQ(std::vector<uint8_t>(&image.pixels[3], &image.pixels[6]), (std::vector<uint8_t>{35, 28, 21}));
  ASSERT_EQ(Decode(MakeTga(2, 2, 2, 32), &image), kFontLoaded);
  EXPECT_EQ(image.format, FontPixelFormat::Rgba);
  EXPECT_EQ(std::vector<uint8_t>(&image.pixels[4], &image.pixels[8]), (std::vector<uint8_t>{42, 35, 28, 49}));
}

TEST(FontImage, StatusCodesForUnusableFiles) {
  auto cut = [](std::vector<uint8_t> bytes, size_t size) { bytes.resize(size); return bytes; };
  std::vector<std::pair<std::vector<uint8_t>, int>> cases = {
      {MakeTga(2, 16, 16, 24, 1), kFontBadType},  // a colour map
      {MakeTga(3, 2, 2, 24), kFontLoaded},        // the image type is not matched to the depth
      {MakeTga(3, 2, 512, 8), kFontLoaded},
      {cut(MakeTga(2, 16, 16, 32), 18 + 1023), kFontNoPixels}};
  for (uint8_t type : {0, 1, 10}) cases.push_back({MakeTga(type, 16, 16, 8), kFontBadType});
  for (uint8_t bits : {0, 16, 64}) cases.push_back({MakeTga(2, 16, 16, bits), kFontBadDepth});
  for (size_t size : {0, 3, 17}) cases.push_back({cut(MakeTga(3, 2, 2, 8), size), kFontNoPixels});
  for (int side : {0, 1, 3, 384, 1024}) {
    cases.push_back({MakeTga(3, side, 16, 8), kFontBadSize});
    cases.push_back({MakeTga(3, 16, side, 8), kFontBadSize});
  }
  FontImage image;
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(Decode(cases[i].first, &image), cases[i].second) << "case " << i;
}

TEST(FontFile, MissingFileAndReadOnlyFile) {
  TempDir dir;
  FontImage image;
  EXPECT_EQ(ReadFontFile(dir.File("none.tga").c_str(), &image), kFontCannotOpen);
  EXPECT_EQ(ReadFontFile(nullptr, &image), kFontCannotOpen);
  // An installed font is read-only; it must still load.
  const std::string path = dir.File("font.tga");
  WriteFile(path, MakeTga(3, 256, 256, 8));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(ReadFontFile(path.c_str(), &image), kFontLoaded);
  EXPECT_EQ(image.width, 256);
}

TEST(FontGrid, GlyphCellsRunRowByRowFromTheTopLeft) {
  FontGrid grid;
  BuildFontGrid(&grid);
  const struct { int code; float u, v; } cells[] = {{0, 0, 0.9375f}, {17, 0.0625f, 0.875f}, {255, 0.9375f, 0}};
  for (const auto& c : cells) {
    EXPECT_FLOAT_EQ(grid.glyphs[c.code].u, c.u) << c.code;
    EXPECT_FLOAT_EQ(grid.glyphs[c.code].v, c.v) << c.code;
  }
}
