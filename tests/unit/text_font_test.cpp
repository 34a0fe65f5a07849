// The font's Targa reader (status codes, pixel conversion) and the glyph grid.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "text/font_image.h"

namespace {

struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t colourMapType = 0;
  uint8_t imageType = 3;
  int width = 16;
  int height = 16;
  uint8_t bits = 8;
};

// A header and width x height x bits/8 pixel bytes counting up from 0.
std::vector<uint8_t> MakeTga(const TgaHeader& h) {
  std::vector<uint8_t> out(18, 0);
  out[0] = h.idLength;
  out[1] = h.colourMapType;
  out[2] = h.imageType;
  out[12] = static_cast<uint8_t>(h.width & 0xFF);
  out[13] = static_cast<uint8_t>(h.width >> 8);
  out[14] = static_cast<uint8_t>(h.height & 0xFF);
  out[15] = static_cast<uint8_t>(h.height >> 8);
  out[16] = h.bits;
  out[17] = 0x20;
  const size_t count = static_cast<size_t>(h.width) * h.height * (h.bits / 8);
  for (size_t i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(i * 7));
  return out;
}

int Decode(const std::vector<uint8_t>& bytes, FontImage* image = nullptr) {
  FontImage scratch;
  // An exact-size copy: reads past the end show under the sanitizers.
  std::vector<uint8_t> exact(bytes);
  return DecodeFontImage(exact.empty() ? nullptr : exact.data(), exact.size(), image ? image : &scratch);
}

}  // namespace

TEST(FontImage, EightBitGreyBecomesAnAlphaImageUnchanged) {
  const auto bytes = MakeTga({0, 0, 3, 256, 256, 8});
  FontImage image;
  ASSERT_EQ(Decode(bytes, &image), kFontLoaded);
  EXPECT_EQ(image.width, 256);
  EXPECT_EQ(image.height, 256);
  EXPECT_EQ(image.format, FontPixelFormat::Alpha);
  ASSERT_EQ(image.pixels.size(), 256u * 256u);
  EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), bytes.begin() + 18));
}

TEST(FontImage, TrueColourPixelsAreSwappedToRgbOrder) {
  FontImage rgb;
  ASSERT_EQ(Decode(MakeTga({0, 0, 2, 4, 2, 24}), &rgb), kFontLoaded);
  EXPECT_EQ(rgb.format, FontPixelFormat::Rgb);
  ASSERT_EQ(rgb.pixels.size(), 24u);
  // Stored bytes 7*i: pixel 1 is (21, 28, 35) as B, G, R.
  EXPECT_EQ(rgb.pixels[3], 35);
  EXPECT_EQ(rgb.pixels[4], 28);
  EXPECT_EQ(rgb.pixels[5], 21);

  FontImage rgba;
  ASSERT_EQ(Decode(MakeTga({0, 0, 2, 2, 2, 32}), &rgba), kFontLoaded);
  EXPECT_EQ(rgba.format, FontPixelFormat::Rgba);
  ASSERT_EQ(rgba.pixels.size(), 16u);
  EXPECT_EQ(rgba.pixels[4], 42);  // pixel 1: B=28 G=35 R=42 A=49
  EXPECT_EQ(rgba.pixels[5], 35);
  EXPECT_EQ(rgba.pixels[6], 28);
  EXPECT_EQ(rgba.pixels[7], 49);

  // The image type is not cross-checked against the depth.
  FontImage greyRgb;
  ASSERT_EQ(Decode(MakeTga({0, 0, 3, 2, 2, 24}), &greyRgb), kFontLoaded);
  EXPECT_EQ(greyRgb.format, FontPixelFormat::Rgb);
}

TEST(FontImage, PixelsAlwaysStartAtOffset18WhateverTheIdLength) {
  FontImage image;
  ASSERT_EQ(Decode(MakeTga({200, 0, 3, 2, 2, 8}), &image), kFontLoaded);
  EXPECT_EQ(image.pixels[1], 7);
}

TEST(FontImage, StatusCodesForUnusableFiles) {
  for (uint8_t type : {0, 1, 9, 10, 11}) {
    EXPECT_EQ(Decode(MakeTga({0, 0, type, 16, 16, 8})), kFontBadType) << int(type);
  }
  EXPECT_EQ(Decode(MakeTga({0, 1, 2, 16, 16, 24})), kFontBadType);
  for (int side : {0, 1, 3, 1024, 65535, 384}) {
    EXPECT_EQ(Decode(MakeTga({0, 0, 3, side, 16, 8})), kFontBadSize) << side;
    EXPECT_EQ(Decode(MakeTga({0, 0, 3, 16, side, 8})), kFontBadSize) << side;
  }
  EXPECT_EQ(Decode(MakeTga({0, 0, 3, 2, 512, 8})), kFontLoaded);
  for (uint8_t bits : {0, 15, 16, 64}) {
    auto bytes = MakeTga({0, 0, 2, 16, 16, 8});
    bytes[16] = bits;
    EXPECT_EQ(Decode(bytes), kFontBadDepth) << int(bits);
  }
  auto cut = MakeTga({0, 0, 2, 16, 16, 32});
  cut.pop_back();
  EXPECT_EQ(Decode(cut), kFontNoPixels);
  // A header cut short cannot have its pixels either.
  for (size_t size : {0, 3, 17}) {
    auto header = MakeTga({0, 0, 3, 2, 2, 8});
    header.resize(size);
    EXPECT_EQ(Decode(header), kFontNoPixels) << size;
  }
}

TEST(FontFile, MissingFileAndReadOnlyFile) {
  TempDir dir;
  FontImage image;
  EXPECT_EQ(ReadFontFile(dir.File("none.tga").c_str(), &image), kFontCannotOpen);
  EXPECT_EQ(ReadFontFile(nullptr, &image), kFontCannotOpen);

  // An installed font is read-only; it must still load.
  const std::string path = dir.File("font.tga");
  WriteFile(path, MakeTga({0, 0, 3, 256, 256, 8}));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(ReadFontFile(path.c_str(), &image), kFontLoaded);
  EXPECT_EQ(image.width, 256);
}

TEST(FontGrid, GlyphCellsRunRowByRowFromTheTopLeft) {
  FontGrid grid;
  BuildFontGrid(&grid);
  EXPECT_EQ(grid.rows, 16);
  EXPECT_EQ(grid.columns, 16);
  EXPECT_FLOAT_EQ(grid.cellWidth, 0.0625f);
  EXPECT_FLOAT_EQ(grid.cellHeight, 0.0625f);
  EXPECT_FLOAT_EQ(grid.glyphs[0].u, 0.0f);
  EXPECT_FLOAT_EQ(grid.glyphs[0].v, 0.9375f);
  EXPECT_FLOAT_EQ(grid.glyphs[15].u, 0.9375f);
  EXPECT_FLOAT_EQ(grid.glyphs[15].v, 0.9375f);
  EXPECT_FLOAT_EQ(grid.glyphs[17].u, 0.0625f);
  EXPECT_FLOAT_EQ(grid.glyphs[17].v, 0.875f);
  EXPECT_FLOAT_EQ(grid.glyphs[255].u, 0.9375f);
  EXPECT_FLOAT_EQ(grid.glyphs[255].v, 0.0f);
}
