// The terrain's patch display lists, read back through OpenGL feedback mode: which
// triangles each patch holds, their texture coordinates and winding, the colour, and
// the texture binding recorded (or not) in the lists.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

namespace {

struct FeedbackVertex {
  float x, y, depth;  // window coordinates: x = world x, y = world z (see Project())
  float r, g, b, a;
  float s, t;
};

using FeedbackTriangle = std::vector<FeedbackVertex>;

class TerrainMeshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(64, 64)) << gl_.error();
    Project();
  }

  // A parallel projection looking down the world y axis, one window unit per world
  // unit: window x = world x, window y = world z, for worlds up to 200 units across.
  static void Project() {
    glViewport(0, 0, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 200.0, 0.0, 200.0, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    // Columns: world x -> eye x, world y -> eye z, world z -> eye y.
    const GLfloat m[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(m);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
  }

  // Runs `draw` in feedback mode and returns the triangles it emitted.
  static std::vector<FeedbackTriangle> Capture(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback buffer overflowed";
    std::vector<FeedbackTriangle> triangles;
    for (GLint at = 0; at < count;) {
      const GLint token = static_cast<GLint>(buffer[at++]);
      EXPECT_EQ(token, GL_POLYGON_TOKEN);
      if (token != GL_POLYGON_TOKEN) break;
      const GLint n = static_cast<GLint>(buffer[at++]);
      FeedbackTriangle triangle;
      for (GLint v = 0; v < n; ++v, at += 12) {
        const GLfloat* f = &buffer[at];
        // x y z w, r g b a, s t r q
        triangle.push_back(FeedbackVertex{f[0], f[1], f[2], f[4], f[5], f[6], f[7], f[8], f[9]});
      }
      triangles.push_back(triangle);
    }
    return triangles;
  }

  static std::vector<FeedbackTriangle> CaptureList(GLuint list) {
    return Capture([list] { glCallList(list); });
  }

  // A terrain of samplesX x samplesY samples with step 1, level plateau, no texture.
  static void BuildPlain(Terrain& terrain, int16_t samplesX, int16_t samplesY) {
    terrain.SetStepSize(1.0f);
    std::string error;
    ASSERT_TRUE(terrain.Build("", samplesX, samplesY, &error)) << error;
    ASSERT_NE(terrain.FirstList(), 0u);
  }

  static uint32_t CellsInPatch(uint32_t patch, uint32_t cells) {
    const uint32_t begin = patch * 7;
    return begin >= cells ? 0 : std::min(7u, cells - begin);
  }

  // Checks the cells a patch list holds: the triangle count, that every triangle lies
  // in the patch, and that the pairs cover each cell.
  static void CheckPatch(const Terrain& terrain, uint32_t p, uint32_t q) {
    SCOPED_TRACE("patch " + std::to_string(p) + "," + std::to_string(q));
    const GLuint list = terrain.FirstList() + p * terrain.PatchesAlong1() + q;
    const auto triangles = CaptureList(list);
    const uint32_t along0 = CellsInPatch(p, terrain.cellsX);
    const uint32_t along1 = CellsInPatch(q, terrain.cellsY);
    ASSERT_EQ(triangles.size(), 2u * along0 * along1);
    for (const auto& triangle : triangles) {
      ASSERT_EQ(triangle.size(), 3u);
      for (const auto& v : triangle) {
        EXPECT_GE(v.y, 7.0f * p - 1e-3f);
        EXPECT_LE(v.y, 7.0f * p + along0 + 1e-3f);
        EXPECT_GE(v.x, 7.0f * q - 1e-3f);
        EXPECT_LE(v.x, 7.0f * q + along1 + 1e-3f);
      }
    }
  }

  HeadlessGL gl_;
};

// The cell [i][j] a triangle belongs to, from its centroid (window y = z = i, x = j).
void CellOf(const FeedbackTriangle& t, int* i, int* j) {
  *i = static_cast<int>(std::floor((t[0].y + t[1].y + t[2].y) / 3.0f));
  *j = static_cast<int>(std::floor((t[0].x + t[1].x + t[2].x) / 3.0f));
}

}  // namespace

TEST_F(TerrainMeshTest, DefaultSizeHas225PatchesWithOneCellAtTheFarEdges) {
  Terrain terrain;
  BuildPlain(terrain, 100, 100);
  ASSERT_EQ(terrain.PatchesAlong0(), 15u);
  ASSERT_EQ(terrain.PatchesAlong1(), 15u);
  for (GLuint n = 0; n < 225; ++n) EXPECT_TRUE(glIsList(terrain.FirstList() + n)) << n;
  for (uint32_t p = 0; p < 15; ++p) {
    for (uint32_t q = 0; q < 15; ++q) CheckPatch(terrain, p, q);
  }
  // Draw calls every list: all 99 x 99 cells, each exactly once.
  const auto all = Capture([&] { terrain.Draw(123.0f, 1.0f, 2.0f, 3.0f); });
  ASSERT_EQ(all.size(), 99u * 99u * 2u);
  std::vector<int> perCell(99 * 99, 0);
  for (const auto& t : all) {
    int i = 0;
    int j = 0;
    CellOf(t, &i, &j);
    ASSERT_TRUE(i >= 0 && i < 99 && j >= 0 && j < 99);
    ++perCell[i * 99 + j];
  }
  EXPECT_TRUE(std::all_of(perCell.begin(), perCell.end(), [](int n) { return n == 2; }));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TerrainMeshTest, CellCountMultipleOfSevenLeavesTheLastPatchRowEmpty) {
  Terrain terrain;
  BuildPlain(terrain, 99, 100);  // 98 x 99 cells
  ASSERT_EQ(terrain.PatchesAlong0(), 15u);
  ASSERT_EQ(terrain.PatchesAlong1(), 15u);
  for (uint32_t q = 0; q < 15; ++q) {
    EXPECT_TRUE(CaptureList(terrain.FirstList() + 14 * 15 + q).empty()) << q;
  }
  CheckPatch(terrain, 13, 14);
  CheckPatch(terrain, 0, 0);
  EXPECT_EQ(Capture([&] { terrain.Draw(0, 0, 0, 0); }).size(), 98u * 99u * 2u);
}

TEST_F(TerrainMeshTest, TextureCoordinatesRepeatEveryTenCellsAndFacesPointUp) {
  TempDir dir;
  const std::string file = dir.File("bumps.bmp");
  WriteFile(file, MakeBmp(30, 30, [](int column, int row) {
              const auto v = static_cast<uint8_t>((column * 37 + row * 11) % 256);
              return Rgb{v, v, v};
            }));
  Terrain terrain;
  terrain.SetStepSize(1.0f);
  std::string error;
  ASSERT_TRUE(terrain.Build(file.c_str(), 30, 30, &error)) << error;

  glColor4f(1.0f, 0.0f, 0.0f, 0.5f);  // the lists set white themselves
  const auto all = Capture([&] { terrain.Draw(0, 0, 0, 0); });
  ASSERT_EQ(all.size(), 29u * 29u * 2u);
  int checkedNamedCells = 0;
  for (const auto& t : all) {
    int i = 0;
    int j = 0;
    CellOf(t, &i, &j);
    // Counter-clockwise seen from above is clockwise in this (x, z) window.
    const float area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x);
    EXPECT_LT(area, 0.0f) << "cell " << i << "," << j;
    for (const auto& v : t) {
      const int di = static_cast<int>(std::lround(v.y)) - i;  // 0 or 1
      const int dj = static_cast<int>(std::lround(v.x)) - j;
      ASSERT_TRUE((di == 0 || di == 1) && (dj == 0 || dj == 1));
      EXPECT_FLOAT_EQ(v.s, static_cast<float>(i % 10 + di) / 10.0f) << i << "," << j;
      EXPECT_FLOAT_EQ(v.t, static_cast<float>(j % 10 + dj) / 10.0f) << i << "," << j;
      EXPECT_FLOAT_EQ(v.r, 1.0f);
      EXPECT_FLOAT_EQ(v.g, 1.0f);
      EXPECT_FLOAT_EQ(v.b, 1.0f);
      EXPECT_FLOAT_EQ(v.a, 1.0f);
      // The vertex height is the sample's: depth = (1 - y / 100) / 2 for this ortho.
      const float height = terrain.Sample(static_cast<uint32_t>(i + di), static_cast<uint32_t>(j + dj));
      EXPECT_NEAR(v.depth, (1.0f - height / 100.0f) / 2.0f, 1e-5f);
    }
    if (i == 12 && j == 3) {
      ++checkedNamedCells;
      float sMin = 1, sMax = 0, tMin = 1, tMax = 0;
      for (const auto& v : t) {
        sMin = std::min(sMin, v.s), sMax = std::max(sMax, v.s);
        tMin = std::min(tMin, v.t), tMax = std::max(tMax, v.t);
      }
      EXPECT_FLOAT_EQ(sMin, 0.2f);
      EXPECT_FLOAT_EQ(sMax, 0.3f);
      EXPECT_FLOAT_EQ(tMin, 0.3f);
      EXPECT_FLOAT_EQ(tMax, 0.4f);
    }
    if (i == 9 && j == 19) {
      ++checkedNamedCells;
      float sMax = 0, tMax = 0;
      for (const auto& v : t) sMax = std::max(sMax, v.s), tMax = std::max(tMax, v.t);
      EXPECT_FLOAT_EQ(sMax, 1.0f);
      EXPECT_FLOAT_EQ(tMax, 1.0f);
    }
  }
  EXPECT_EQ(checkedNamedCells, 4);
}

TEST_F(TerrainMeshTest, ListsBindTheGroundTextureOnlyWhenOneIsLoaded) {
  GLuint other = 0;
  glGenTextures(1, &other);
  ASSERT_NE(other, 0u);

  // Without a texture the lists leave the binding alone.
  Terrain bare;
  BuildPlain(bare, 10, 10);
  glBindTexture(GL_TEXTURE_2D, other);
  bare.Draw(0, 0, 0, 0);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), other);

  // With one, every list binds slot 0.
  TempDir dir;
  const std::string file = dir.File("ground.bmp");
  WriteFile(file, MakeSolidBmp(8, 8, Rgb{10, 200, 30}));
  Terrain textured;
  ASSERT_TRUE(textured.AddTexture(file.c_str()));
  ASSERT_EQ(textured.textures.lastTexture, 0);
  ASSERT_FALSE(textured.textures.textures[0].Empty());
  BuildPlain(textured, 10, 10);
  const GLuint ground = textured.textures.textures[0].glName - 1;
  ASSERT_NE(ground, other);
  for (uint32_t n = 0; n < textured.PatchesAlong0() * textured.PatchesAlong1(); ++n) {
    glBindTexture(GL_TEXTURE_2D, other);
    glCallList(textured.FirstList() + n);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), ground) << "list " << n;
  }

  // A file that does not load still takes its slot.
  Terrain missing;
  EXPECT_TRUE(missing.AddTexture(dir.File("absent.bmp").c_str()));
  EXPECT_EQ(missing.textures.lastTexture, 0);
  glDeleteTextures(1, &other);
}

TEST_F(TerrainMeshTest, RefusedWorldReservesNoLists) {
  if (Terrain::BytesNeeded(32767, 32767, true) <= Terrain::PhysicalMemoryBytes()) {
    GTEST_SKIP() << "this machine could hold the largest world";
  }
  Terrain terrain;
  std::string error;
  EXPECT_FALSE(terrain.Build("", 32767, 32767, &error));
  EXPECT_NE(error.find("a world of 32767 x 32767 samples needs"), std::string::npos) << error;
  EXPECT_EQ(terrain.FirstList(), 0u);
  EXPECT_FALSE(terrain.IsBuilt());
  EXPECT_TRUE(Capture([&] { terrain.Draw(0, 0, 0, 0); }).empty());
  EXPECT_FALSE(terrain.Build("", 1, 10, &error));
  EXPECT_EQ(error, "World/WorldSizeX is 1; it must be between 2 and 32767 samples");
}
