// The terrain's patch display lists, read back through OpenGL feedback mode: which
// cells each patch holds, texture coordinates, winding, heights and colour, and the
// ground texture's binding recorded (or not) in the lists.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

namespace {

// Every triangle of the whole terrain, as drawn each frame.
std::vector<FeedbackPolygon> DrawAll(const Terrain& terrain) {
  return CapturePolygons([&] { terrain.Draw(); });
}

GLuint BoundTexture() {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  return static_cast<GLuint>(bound);
}

}  // namespace

TEST(TerrainMeshTest, PatchesTextureRepeatWindingHeightsAndGroundTexture) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 64)) << gl.error();
  // A parallel projection down the world y axis: window x and y are world x and z, one
  // unit per world unit, and height h lies at depth (1 - h / 100) / 2.
  glViewport(0, 0, 200, 200);
  glMatrixMode(GL_PROJECTION);
  glOrtho(0.0, 200.0, 0.0, 200.0, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  const GLfloat swapYZ[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
  glLoadMatrixf(swapYZ);
  TempDir dir;
  WriteFile(dir.File("ground.bmp"), MakeSolidBmp(8, 8, Rgb{10, 200, 30}));
  WriteFile(dir.File("bumps.bmp"),
            MakeBmp(30, 30, [](int c, int r) { return Rgb{0, 0, uint8_t((c * 37 + r * 11) % 256)}; }));
  // 29 x 29 cells: 5 x 5 patches, the last ones one cell wide.
  Terrain terrain;
  terrain.SetStepSize(1.0f);
  ASSERT_TRUE(terrain.AddTexture(dir.File("ground.bmp").c_str()));
  ASSERT_TRUE(terrain.Build(dir.File("bumps.bmp").c_str(), 30, 30));
  ASSERT_EQ(terrain.PatchesAlong0() * terrain.PatchesAlong1(), 25u);
  GLuint other = 0;
  glGenTextures(1, &other);
  glColor4f(1.0f, 0.0f, 0.0f, 0.5f);  // the lists set white themselves
  std::vector<int> perCell(29 * 29, 0);
  for (uint32_t list = 0; list < 25; ++list) {
    glBindTexture(GL_TEXTURE_2D, other);
    for (const FeedbackPolygon& t : CapturePolygons([&] { glCallList(terrain.FirstList() + list); })) {
      ASSERT_EQ(t.size(), 3u);
      // Counter-clockwise seen from above is clockwise in this (x, z) window.
      EXPECT_LT((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x), 0.0f);
      const int i = static_cast<int>(std::floor((t[0].y + t[1].y + t[2].y) / 3));
      const int j = static_cast<int>(std::floor((t[0].x + t[1].x + t[2].x) / 3));
      ASSERT_TRUE(i / 7 == int(list / 5) && j / 7 == int(list % 5) && i >= 0 && i < 29 && j >= 0 && j < 29) << list;
      ++perCell[i * 29 + j];
      for (const FeedbackVertex& v : t) {
        const int di = static_cast<int>(std::lround(v.y)) - i, dj = static_cast<int>(std::lround(v.x)) - j;
        ASSERT_TRUE((di == 0 || di == 1) && (dj == 0 || dj == 1));
        EXPECT_NEAR(v.z, (1.0f - terrain.Sample(i + di, j + dj) / 100.0f) / 2.0f, 1e-5f) << i << "," << j;
        EXPECT_TRUE(v.r == 1.0f && v.g == 1.0f && v.a == 1.0f);
        // s follows i (world z), t follows j (world x); both restart every tenth cell.
        EXPECT_FLOAT_EQ(v.s, static_cast<float>(i % 10 + di) / 10.0f) << i << "," << j;
        EXPECT_FLOAT_EQ(v.t, static_cast<float>(j % 10 + dj) / 10.0f) << i << "," << j;
      }
    }
    EXPECT_EQ(BoundTexture(), terrain.textures.textures[0].glName - 1) << list;
  }
  EXPECT_EQ(std::count(perCell.begin(), perCell.end(), 2), 29 * 29);
  EXPECT_EQ(DrawAll(terrain).size(), 2u * 29 * 29);
  // Without a ground texture the lists leave the binding alone.
  Terrain bare;
  ASSERT_TRUE(bare.Build("", 10, 10));
  glBindTexture(GL_TEXTURE_2D, other);
  EXPECT_EQ(DrawAll(bare).size(), 2u * 9 * 9);
  EXPECT_EQ(BoundTexture(), other);
}
