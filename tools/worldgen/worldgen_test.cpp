// Checks on the generated world that catch faults a glance at the pictures would
// miss: file layouts as the program reads them, seams of the tiling pictures, the
// colour key of the trees, font cell placement and the lantern model's layout,
// position in the view and face winding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "worldgen.h"

namespace {

using worldgen::Bytes;

uint32_t U16(const Bytes& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
int16_t S16(const Bytes& b, size_t at) { return static_cast<int16_t>(U16(b, at)); }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
float F32(const Bytes& b, size_t at) {
  const uint32_t bits = U32(b, at);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Mean absolute colour difference between columns a and b (or rows, when `rows`).
double LineDifference(const worldgen::RgbImage& image, int a, int b, bool rows) {
  const int count = rows ? image.width : image.height;
  double sum = 0.0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* p = rows ? image.At(i, a) : image.At(a, i);
    const uint8_t* q = rows ? image.At(i, b) : image.At(b, i);
    for (int k = 0; k < 3; ++k) sum += std::abs(p[k] - q[k]);
  }
  return sum / (3.0 * count);
}

// The step across the wrap-around edge must look like any step inside the picture.
void ExpectTilesSeamlessly(const worldgen::RgbImage& image) {
  for (bool rows : {false, true}) {
    const int n = rows ? image.height : image.width;
    double inside = 0.0;
    for (int i = 0; i + 1 < n; ++i) inside += LineDifference(image, i, i + 1, rows);
    inside /= (n - 1);
    EXPECT_LE(LineDifference(image, n - 1, 0, rows), 2.0 * inside + 1.0) << (rows ? "rows" : "columns");
  }
}

TEST(WorldgenFiles, BmpHeadersAndRowOrderMatchTheLoaders) {
  worldgen::RgbImage rgb(3, 2);
  rgb.Set(0, 0, 10, 20, 30);  // top-left
  const Bytes b24 = worldgen::EncodeBmp24(rgb);
  EXPECT_EQ(b24[0], 'B');
  EXPECT_EQ(b24[1], 'M');
  EXPECT_EQ(U32(b24, 10), 54u);
  EXPECT_EQ(U32(b24, 18), 3u);
  EXPECT_EQ(U32(b24, 22), 2u);
  EXPECT_EQ(U16(b24, 28), 24u);
  EXPECT_EQ(U32(b24, 34), 2u * 12u);  // rows padded from 9 to 12 bytes
  EXPECT_EQ(b24.size(), U32(b24, 2));
  // Bottom row first, blue-green-red: the top-left pixel opens the second row.
  EXPECT_EQ(b24[54 + 12 + 0], 30);
  EXPECT_EQ(b24[54 + 12 + 2], 10);

  worldgen::GreyImage grey(5, 2);
  grey.At(4, 1) = 200;  // bottom-right
  const Bytes b8 = worldgen::EncodeBmpGrey8(grey);
  EXPECT_EQ(U16(b8, 28), 8u);
  EXPECT_EQ(U32(b8, 10), 54u + 1024u);
  EXPECT_EQ(b8.size(), U32(b8, 2));
  EXPECT_EQ(b8[54 + 4 * 200], 200);  // palette entry 200: blue = 200
  EXPECT_EQ(b8[1078 + 4], 200);      // first stored row is the bottom row
}

TEST(WorldgenPictures, GroundAndSkyTileOnBothAxes) {
  ExpectTilesSeamlessly(worldgen::MakeGroundTexture());
  ExpectTilesSeamlessly(worldgen::MakeSky());
}

TEST(WorldgenPictures, TreesAreColourKeyedAndStandOnTheBottomCentre) {
  const worldgen::TreeKind kinds[] = {worldgen::TreeKind::Conifer, worldgen::TreeKind::Broadleaf,
                                      worldgen::TreeKind::Birch, worldgen::TreeKind::Bush,
                                      worldgen::TreeKind::DeadTree};
  for (worldgen::TreeKind kind : kinds) {
    const Bytes file = worldgen::EncodeBmp24(worldgen::MakeTree(kind));
    ASSERT_EQ(U32(file, 18), 128u);
    ASSERT_EQ(U32(file, 22), 256u);
    ASSERT_EQ(file.size(), 54u + 128u * 256u * 3u);
    // Read as the colour-key loader does: triplets from offset 54, bottom row first.
    size_t visible = 0;
    for (size_t i = 0; i < 128u * 256u; ++i) {
      const uint8_t b = file[54 + 3 * i], g = file[55 + 3 * i], r = file[56 + 3 * i];
      const bool transparent = r == 0 && g == 0;
      if (transparent) {
        EXPECT_EQ(b, 0) << "transparent pixels are pure black";
      } else {
        ++visible;
      }
    }
    EXPECT_GT(visible, 128u * 256u / 20) << "tree " << static_cast<int>(kind);
    // The trunk touches the bottom row at the centre; the side columns stay clear.
    for (size_t x : {62u, 64u, 65u}) {
      EXPECT_NE(file[55 + 3 * x] | file[56 + 3 * x], 0) << "tree " << static_cast<int>(kind);
    }
    for (size_t y = 0; y < 256; ++y) {
      for (size_t x : {0u, 127u}) {
        const size_t at = 54 + 3 * (y * 128 + x);
        EXPECT_EQ(file[at + 1] | file[at + 2], 0) << "tree " << static_cast<int>(kind) << " row " << y;
      }
    }
  }
}

TEST(WorldgenPictures, HeightmapIsSmoothWithFlatMeadows) {
  const worldgen::GreyImage map = worldgen::MakeHeightmap();
  ASSERT_EQ(map.width, 257);
  ASSERT_EQ(map.height, 257);
  int lo = 255, hi = 0, steepest = 0;
  size_t flat = 0;
  for (int y = 0; y < map.height; ++y) {
    for (int x = 0; x < map.width; ++x) {
      const int h = map.At(x, y);
      lo = std::min(lo, h);
      hi = std::max(hi, h);
      if (x + 1 < map.width) steepest = std::max(steepest, std::abs(h - map.At(x + 1, y)));
      if (y + 1 < map.height) steepest = std::max(steepest, std::abs(h - map.At(x, y + 1)));
      if (x > 0 && y > 0 && x + 1 < map.width && y + 1 < map.height) {
        int nlo = 255, nhi = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            nlo = std::min<int>(nlo, map.At(x + dx, y + dy));
            nhi = std::max<int>(nhi, map.At(x + dx, y + dy));
          }
        }
        if (nhi - nlo <= 2) ++flat;
      }
    }
  }
  EXPECT_LE(lo, 20);
  EXPECT_GE(hi, 235);
  EXPECT_LE(steepest, 12) << "no cliffs or walls";
  EXPECT_GE(flat, 255u * 255u / 5) << "enough level ground for trees";
  // The walk starts in the middle: level ground there.
  EXPECT_LE(std::abs(map.At(128, 128) - map.At(132, 132)), 1);
}

TEST(WorldgenFont, AtlasCellsFollowTheGlyphTableAndStandUpright) {
  const std::optional<worldgen::GreyImage> atlas = worldgen::MakeFontAtlas(worldgen::kDefaultFontFile);
  ASSERT_TRUE(atlas.has_value());
  const Bytes file = worldgen::EncodeTgaGrey8(*atlas);
  ASSERT_EQ(file.size(), 18u + 256u * 256u);
  EXPECT_EQ(file[0], 0);
  EXPECT_EQ(file[1], 0);
  EXPECT_EQ(file[2], 3);
  EXPECT_EQ(U16(file, 12), 256u);
  EXPECT_EQ(U16(file, 14), 256u);
  EXPECT_EQ(file[16], 8);

  // The printer takes stored row r as texture row v = r / 256 and finds code c in
  // the cell whose lower-left corner is ((c % 16) / 16, (15 - c / 16) / 16).
  auto coverage = [&](int code, int rowFrom, int rowTo) {  // rows inside the cell, 0 = bottom
    const int column0 = (code % 16) * 16;
    const int row0 = (15 - code / 16) * 16;
    long sum = 0;
    for (int r = rowFrom; r < rowTo; ++r) {
      for (int x = 0; x < 16; ++x) sum += file[18 + static_cast<size_t>(row0 + r) * 256 + column0 + x];
    }
    return sum;
  };
  EXPECT_EQ(coverage(' ', 0, 16), 0);
  EXPECT_EQ(coverage(0, 0, 16), 0);
  EXPECT_EQ(coverage(10, 0, 16), 0);
  for (int code : {int('0'), int('A'), int('F'), int('P'), int('S'), int('g'), int('~'), 0xE9}) EXPECT_GT(coverage(code, 0, 16), 500) << code;
  // Upright: a full stop sits low in its cell, an apostrophe high.
  EXPECT_GT(coverage('.', 0, 6), 0);
  EXPECT_EQ(coverage('.', 8, 16), 0);
  EXPECT_GT(coverage('\'', 9, 16), 0);
  EXPECT_EQ(coverage('\'', 0, 7), 0);
}

TEST(WorldgenFont, MissingFontFileIsReported) {
  EXPECT_FALSE(worldgen::MakeFontAtlas("/nonexistent/font.ttf").has_value());
}

TEST(WorldgenLantern, Md2LayoutIsConsistentAndWithinTheReaderLimits) {
  const worldgen::LanternFiles lantern = worldgen::MakeLantern();
  const Bytes& md2 = lantern.model;
  ASSERT_GE(md2.size(), 68u);
  EXPECT_EQ(std::string(md2.begin(), md2.begin() + 4), "IDP2");
  EXPECT_EQ(U32(md2, 4), 8u);
  EXPECT_EQ(U32(md2, 8), static_cast<uint32_t>(lantern.skin.width));
  EXPECT_EQ(U32(md2, 12), static_cast<uint32_t>(lantern.skin.height));
  const uint32_t skins = U32(md2, 20), vertices = U32(md2, 24), texCoords = U32(md2, 28);
  const uint32_t triangles = U32(md2, 32), frames = U32(md2, 40);
  EXPECT_EQ(U32(md2, 16), 40 + 4 * vertices);
  EXPECT_LE(skins, 32u);
  EXPECT_LE(texCoords, 4096u);
  EXPECT_LE(vertices, 4118u);
  EXPECT_GE(frames, 1u);
  EXPECT_GE(triangles, 200u);
  EXPECT_LE(triangles, 1000u);
  // Blocks in the order the reader takes them, each straight after the one before.
  const uint32_t stAt = 68 + 64 * skins, triAt = stAt + 4 * texCoords, frameAt = triAt + 12 * triangles;
  EXPECT_EQ(U32(md2, 44), 68u);
  EXPECT_EQ(U32(md2, 48), stAt);
  EXPECT_EQ(U32(md2, 52), triAt);
  EXPECT_EQ(U32(md2, 56), frameAt);
  EXPECT_EQ(U32(md2, 64), md2.size());
  ASSERT_EQ(md2.size(), frameAt + frames * (40 + 4 * vertices));
  for (uint32_t i = 0; i < texCoords; ++i) {
    const int s = S16(md2, stAt + 4 * i), t = S16(md2, stAt + 4 * i + 2);
    EXPECT_TRUE(s >= 0 && s <= lantern.skin.width && t >= 0 && t <= lantern.skin.height) << i;
  }
  for (uint32_t i = 0; i < triangles; ++i) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_LT(static_cast<uint32_t>(S16(md2, triAt + 12 * i + 2 * k)), vertices);
      EXPECT_LT(static_cast<uint32_t>(S16(md2, triAt + 12 * i + 6 + 2 * k)), texCoords);
    }
  }
}

TEST(WorldgenLantern, HangsInTheLowerRightAndShowsItsOutside) {
  const worldgen::LanternFiles lantern = worldgen::MakeLantern();
  const Bytes& md2 = lantern.model;
  const uint32_t vertices = U32(md2, 24), triangles = U32(md2, 32), triAt = U32(md2, 52);
  const uint32_t frameAt = U32(md2, 56);
  // Frame 0 decoded as the reader does: byte x scale + translation, in eye space.
  std::vector<float> p(3 * vertices);
  for (uint32_t v = 0; v < vertices; ++v) {
    for (int axis = 0; axis < 3; ++axis) {
      p[3 * v + axis] = md2[frameAt + 40 + 4 * v + axis] * F32(md2, frameAt + 4 * axis) +
                        F32(md2, frameAt + 12 + 4 * axis);
    }
  }
  // Under a 90-degree perspective (tangent of half the angle 1), 4:3 and 16:9.
  for (float aspect : {4.0f / 3.0f, 16.0f / 9.0f}) {
    for (uint32_t v = 0; v < vertices; ++v) {
      const float x = p[3 * v], y = p[3 * v + 1], z = p[3 * v + 2];
      ASSERT_LT(z, -0.1f) << "well beyond the near plane";
      const float sx = x / (-z * aspect), sy = y / -z;
      EXPECT_GT(sx, 0.1f);
      EXPECT_LT(sx, 0.95f);
      EXPECT_GT(sy, -1.0f);
      EXPECT_LT(sy, -0.1f);
    }
  }
  // The reader reverses each triangle's corners; in that order the faces must wind
  // counter-clockwise seen from outside: the enclosed volume comes out positive.
  double cx = 0, cy = 0, cz = 0;
  for (uint32_t v = 0; v < vertices; ++v) {
    cx += p[3 * v] / vertices;
    cy += p[3 * v + 1] / vertices;
    cz += p[3 * v + 2] / vertices;
  }
  double volume = 0.0;
  for (uint32_t i = 0; i < triangles; ++i) {
    double c[3][3];
    for (int k = 0; k < 3; ++k) {
      const uint32_t v = static_cast<uint32_t>(S16(md2, triAt + 12 * i + 2 * (2 - k)));
      c[k][0] = p[3 * v] - cx;
      c[k][1] = p[3 * v + 1] - cy;
      c[k][2] = p[3 * v + 2] - cz;
    }
    volume += (c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) - c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
               c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0])) /
              6.0;
  }
  EXPECT_GT(volume, 0.0);
}

TEST(WorldgenDeterminism, SameBytesOnEveryRun) {
  EXPECT_EQ(worldgen::EncodeBmpGrey8(worldgen::MakeHeightmap()), worldgen::EncodeBmpGrey8(worldgen::MakeHeightmap()));
  EXPECT_EQ(worldgen::MakeLantern().model, worldgen::MakeLantern().model);
  EXPECT_EQ(worldgen::EncodeBmp24(worldgen::MakeTree(worldgen::TreeKind::DeadTree)),
            worldgen::EncodeBmp24(worldgen::MakeTree(worldgen::TreeKind::DeadTree)));
}

}  // namespace
