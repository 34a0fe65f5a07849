// The generated world read back with the program's own readers, as the program would
// see it: every picture decodes at the size the program expects, the height map is
// walkable ground, the trees are colour-keyed, the font decodes with upright glyphs in
// the printer's cells, and the lantern model has a frame, names its skin, hangs in the
// lower right of the view and shows its outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "model/model_mesh.h"
#include "support/test_files.h"
#include "text/font_image.h"
#include "textures/bmp_decode.h"
#include "worldgen.h"

namespace {

RgbImage Decode(const std::vector<uint8_t>& bytes) {
  std::string error;
  std::optional<RgbImage> image = DecodeBmp(bytes.data(), bytes.size(), &error);
  EXPECT_TRUE(image) << error;
  return image ? *image : RgbImage{};
}

}  // namespace

TEST(WorldgenTest, EncodersRoundTripThroughTheDecoder) {
  worldgen::RgbImage rgb(3, 2);  // rows of 9 bytes, padded to 12
  worldgen::GreyImage grey(5, 2);
  for (int i = 0; i < 6; ++i) rgb.Set(i % 3, i / 3, uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2));
  for (int i = 0; i < 10; ++i) grey.At(i % 5, i / 5) = uint8_t(20 * i + 3);
  const RgbImage a = Decode(worldgen::EncodeBmp24(rgb)), b = Decode(worldgen::EncodeBmpGrey8(grey));
  EXPECT_TRUE(a.width == 3 && a.height == 2 && a.pixels == rgb.rgb);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_TRUE(b.pixels.at(3 * i) == grey.grey[i] && b.pixels.at(3 * i + 2) == grey.grey[i]) << i;
  }
}

TEST(WorldgenTest, TheWrittenWorldIsWhatTheProgramNeeds) {
  TempDir dir;
  ASSERT_TRUE(worldgen::WriteWorld(dir.path(), worldgen::kDefaultFontFile));
  const auto read = [&](const std::string& name) { return ReadFileBytes(dir.File("gfx/" + name)); };
  const struct { const char* name; int width, height; } pictures[] = {
      {"Terrain/Heightmap.bmp", 257, 257}, {"Textures/Landscape5.bmp", 256, 256}, {"Crosshair.bmp", 64, 64},
      {"Sky.bmp", 512, 256}, {"Weapon/Lantern.bmp", 256, 128}, {"Trees/Tree1.bmp", 128, 256},
      {"Trees/Tree2.bmp", 128, 256}, {"Trees/Tree3.bmp", 128, 256}, {"Trees/Tree4.bmp", 128, 256},
      {"Trees/Tree5.bmp", 128, 256}};
  for (const auto& p : pictures) {
    const RgbImage image = Decode(read(p.name));
    EXPECT_TRUE(image.width == p.width && image.height == p.height) << p.name;
    if (std::string(p.name).rfind("Trees/", 0) != 0) continue;
    // Colour-keyed (red and green 0) in every corner, the trunk standing on the bottom
    // row's centre.
    for (int corner = 0; corner < 4; ++corner) {
      const uint8_t* c = image.Pixel(corner % 2 * 127, corner / 2 * 255);
      EXPECT_TRUE(c[0] == 0 && c[1] == 0) << p.name << " corner " << corner;
    }
    EXPECT_NE(image.Pixel(64, 255)[0] | image.Pixel(64, 255)[1], 0) << p.name;
  }
  // Ground from low to high, without cliffs, level where the walk starts.
  const RgbImage map = Decode(read("Terrain/Heightmap.bmp"));
  int lo = 255, hi = 0, steepest = 0;
  for (int y = 0; y + 1 < 257; ++y) {
    for (int x = 0; x + 1 < 257; ++x) {
      const int h = map.Pixel(x, y)[2];
      lo = std::min(lo, h);
      hi = std::max(hi, h);
      steepest = std::max({steepest, std::abs(h - map.Pixel(x + 1, y)[2]), std::abs(h - map.Pixel(x, y + 1)[2])});
    }
  }
  EXPECT_TRUE(lo <= 20 && hi >= 235 && steepest <= 12) << lo << " " << hi << " " << steepest;
  EXPECT_LE(std::abs(map.Pixel(128, 128)[2] - map.Pixel(132, 132)[2]), 1);

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
  for (int code : {int('0'), int('A'), int('F'), int('P'), int('S'), int('g'), int('~'), 0xE9}) {
    EXPECT_GT(coverage(code, 0, 16), 500) << code;
  }
  EXPECT_TRUE(coverage('.', 0, 6) > 0 && coverage('.', 8, 16) == 0);
  EXPECT_TRUE(coverage('\'', 9, 16) > 0 && coverage('\'', 0, 7) == 0);

  // The lantern: read as the program reads it, skin named as written beside it.
  const std::vector<uint8_t> md2 = read("Weapon/Lantern.md2");
  ModelMesh lantern;
  std::string error;
  ASSERT_TRUE(lantern.ReadBytes(md2.data(), md2.size(), &error)) << error;
  ASSERT_TRUE(lantern.frameCount >= 1 && lantern.triangleCount >= 200 && md2.size() > 68 + 64);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&md2[68]), strnlen(reinterpret_cast<const char*>(&md2[68]), 64)),
            "gfx/Weapon/Lantern.bmp");
  // Under a 90-degree perspective at 4:3 and 16:9 every vertex of frame 0 lies in the
  // lower right of the view, well beyond the near plane.
  const std::vector<Float3>& p = lantern.frames[0];
  for (float aspect : {4.0f / 3.0f, 16.0f / 9.0f}) {
    for (const Float3& v : p) {
      ASSERT_LT(v.z, -0.1f);
      const float sx = v.x / (-v.z * aspect), sy = v.y / -v.z;
      EXPECT_TRUE(sx > 0.1f && sx < 0.95f && sy > -1.0f && sy < -0.1f) << sx << ", " << sy;
    }
  }
  // In drawing order the faces wind counter-clockwise seen from outside: the enclosed
  // volume comes out positive.
  const Float3 c = MeshCentre(lantern);
  const auto fromCentre = [&](int32_t k) { return Float3{p[k].x - c.x, p[k].y - c.y, p[k].z - c.z}; };
  double volume = 0.0;
  for (const ModelTriangle& t : lantern.triangles) {
    const Float3 a = fromCentre(t.K1), n = CrossProduct(fromCentre(t.K2), fromCentre(t.K3));
    volume += a.x * n.x + a.y * n.y + a.z * n.z;
  }
  EXPECT_GT(volume, 0.0);
}

TEST(WorldgenTest, MissingFontFileIsReported) {
  TempDir dir;
  EXPECT_FALSE(worldgen::WriteWorld(dir.path(), "/nonexistent/font.ttf"));
}
