// The world generator's encoders, and the parts of the generated world that the
// whole-scene walks (which draw the generated world) cannot see: every glyph of the font
// in the printer's cells, upright, and the skin name written into the lantern model.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/model_mesh.h"
#include "support/test_files.h"
#include "text/font_image.h"
#include "textures/bmp_decode.h"
#include "worldgen.h"

TEST(WorldgenTest, EncodersRoundTripThroughTheDecoder) {
  worldgen::RgbImage rgb(3, 2);    // rows of 9 bytes, padded to 12
  worldgen::GreyImage grey(5, 2);  // rows of 5 bytes, padded to 8
  for (size_t i = 0; i < rgb.rgb.size(); ++i) rgb.rgb[i] = uint8_t(10 * i + 1);
  for (size_t i = 0; i < grey.grey.size(); ++i) grey.grey[i] = uint8_t(20 * i + 3);
  const std::vector<uint8_t> bmp24 = worldgen::EncodeBmp24(rgb), bmp8 = worldgen::EncodeBmpGrey8(grey);
  std::string error;
  const auto a = DecodeBmp(bmp24.data(), bmp24.size(), &error), b = DecodeBmp(bmp8.data(), bmp8.size(), &error);
  ASSERT_TRUE(a && b) << error;
  EXPECT_TRUE(a->width == 3 && a->height == 2 && a->pixels == rgb.rgb);
  for (size_t i = 0; i < grey.grey.size(); ++i)
    EXPECT_TRUE(b->pixels.at(3 * i) == grey.grey[i] && b->pixels.at(3 * i + 2) == grey.grey[i]) << i;
}

TEST(WorldgenTest, TheWrittenWorldIsWhatTheProgramNeeds) {
  TempDir dir;
  EXPECT_FALSE(worldgen::WriteWorld(dir.path(), "/nonexistent/font.ttf"));
  ASSERT_TRUE(worldgen::WriteWorld(dir.path(), worldgen::kDefaultFontFile));
  const auto read = [&](const std::string& name) { return ReadFileBytes(dir.File("gfx/" + name)); };

  // The font: 256 x 256 coverage; code c in the printer's cell for it, rows counted
  // from the cell's bottom. A space is empty, letters are not, a full stop sits low and
  // an apostrophe high.
  const std::vector<uint8_t> tga = read("Font.tga");
  FontImage font;
  ASSERT_EQ(DecodeFontImage(tga.data(), tga.size(), &font), kFontLoaded);
  ASSERT_TRUE(font.width == 256 && font.height == 256 && font.format == FontPixelFormat::Alpha);
  FontGrid grid;
  BuildFontGrid(&grid);
  const auto coverage = [&](int code, int rowFrom, int rowTo) {
    const int column = int(grid.glyphs[code].u * 256), row = int(grid.glyphs[code].v * 256);
    long sum = 0;
    for (int r = rowFrom; r < rowTo; ++r) {
      for (int x = 0; x < 16; ++x) sum += font.pixels[size_t((row + r) * 256 + column + x)];
    }
    return sum;
  };
  EXPECT_TRUE(coverage(' ', 0, 16) == 0 && coverage(0, 0, 16) == 0 && coverage(10, 0, 16) == 0);
  for (int code : {int('0'), int('A'), int('F'), int('P'), int('S'), int('g'), int('~'), 0xE9})
    EXPECT_GT(coverage(code, 0, 16), 500) << code;
  EXPECT_TRUE(coverage('.', 0, 6) > 0 && coverage('.', 8, 16) == 0);
  EXPECT_TRUE(coverage('\'', 9, 16) > 0 && coverage('\'', 0, 7) == 0);

  // The lantern: read as the program reads it, skin named as written beside it.
  const std::vector<uint8_t> md2 = read("Weapon/Lantern.md2");
  ModelMesh lantern;
  std::string error;
  ASSERT_TRUE(lantern.ReadBytes(md2.data(), md2.size(), &error)) << error;
  ASSERT_TRUE(lantern.frameCount >= 1 && lantern.triangleCount >= 200);
  EXPECT_EQ(std::memcmp(&md2.at(68), "gfx/Weapon/Lantern.bmp", 23), 0);
}
