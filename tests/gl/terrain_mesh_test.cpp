// The terrain's patch display lists, read back through OpenGL feedback mode: which
// cells each patch holds, texture coordinates, winding, heights and colour, and the
// texture binding recorded (or not) in the lists.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

namespace {

struct Vertex {
  float x, z, depth;  // window coordinates: world x, world z, depth from the height
  float g, s, t;      // green, texture coordinates
  int i, j;           // the cell of the triangle (step 1), from its centroid
};
using Triangle = std::array<Vertex, 3>;

class TerrainMeshTest : public ::testing::Test {
 protected:
  // A parallel projection down the world y axis, one window unit per world unit.
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(64, 64)) << gl_.error();
    glViewport(0, 0, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glOrtho(0.0, 200.0, 0.0, 200.0, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    const GLfloat swapYZ[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(swapYZ);
  }

  // The triangles `draw` emits: a polygon token, the count 3, and per vertex
  // x y z w, r g b a, s t r q.
  static std::vector<Triangle> Capture(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_TRUE(count >= 0 && count % 38 == 0) << count;
    std::vector<Triangle> triangles;
    for (GLint at = 0; at + 38 <= count; at += 38) {
      EXPECT_TRUE(buffer[at] == GL_POLYGON_TOKEN && buffer[at + 1] == 3.0f);
      const GLfloat* f = &buffer[at + 2];
      const int i = static_cast<int>(std::floor((f[1] + f[13] + f[25]) / 3));
      const int j = static_cast<int>(std::floor((f[0] + f[12] + f[24]) / 3));
      Triangle t;
      for (int v = 0; v < 3; ++v, f += 12) t[v] = Vertex{f[0], f[1], f[2], f[5], f[8], f[9], i, j};
      triangles.push_back(t);
    }
    return triangles;
  }

  HeadlessGL gl_;
};

}  // namespace

TEST_F(TerrainMeshTest, PatchesOfSevenCellsCoverEveryCellOnce) {
  GLuint other = 0;
  glGenTextures(1, &other);
  // 99 x 99 cells: one cell in the far patches; 98 x 99: the last patch row is empty.
  for (const uint32_t cells0 : {99u, 98u}) {
    Terrain terrain;
    terrain.SetStepSize(1.0f);
    ASSERT_TRUE(terrain.Build("", static_cast<int16_t>(cells0 + 1), 100));
    ASSERT_TRUE(terrain.PatchesAlong0() == 15 && terrain.PatchesAlong1() == 15);
    std::vector<int> perCell(cells0 * 99, 0);
    for (uint32_t p = 0; p < 15; ++p) {
      for (uint32_t q = 0; q < 15; ++q) {
        const auto triangles = Capture([&] { glCallList(terrain.FirstList() + p * 15 + q); });
        const uint32_t along0 = 7 * p >= cells0 ? 0 : std::min(7u, cells0 - 7 * p);
        ASSERT_EQ(triangles.size(), 2 * along0 * std::min(7u, 99 - 7 * q)) << p << "," << q;
        for (const Triangle& t : triangles) {
          const int i = t[0].i, j = t[0].j;
          ASSERT_TRUE(i / 7 == static_cast<int>(p) && i < static_cast<int>(cells0) && i >= 0);
          ASSERT_TRUE(j / 7 == static_cast<int>(q) && j < 99 && j >= 0);
          ++perCell[i * 99 + j];
        }
      }
    }
    EXPECT_TRUE(std::all_of(perCell.begin(), perCell.end(), [](int n) { return n == 2; }));
    // Without a ground texture the lists leave the binding alone.
    glBindTexture(GL_TEXTURE_2D, other);
    EXPECT_EQ(Capture([&] { terrain.Draw(123.0f, 1.0f, 2.0f, 3.0f); }).size(), 2 * cells0 * 99);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TerrainMeshTest, TextureRepeatsEveryTenCellsFacesPointUpAtTheSampleHeights) {
  TempDir dir;
  const std::string file = dir.File("bumps.bmp");
  WriteFile(file, MakeBmp(30, 30, [](int column, int row) {
              const auto v = static_cast<uint8_t>((column * 37 + row * 11) % 256);
              return Rgb{v, v, v};
            }));
  Terrain terrain;
  terrain.SetStepSize(1.0f);
  ASSERT_TRUE(terrain.Build(file.c_str(), 30, 30));

  // s follows i (world z), t follows j (world x); s, t at the cell's corner P(i, j).
  const struct {
    int i, j;
    float s, t;
  } named[] = {{12, 3, 0.2f, 0.3f}, {9, 19, 0.9f, 0.9f}};
  int namedVertices = 0;
  glColor4f(1.0f, 0.0f, 0.0f, 0.5f);  // the lists set white themselves
  for (const Triangle& t : Capture([&] { terrain.Draw(0, 0, 0, 0); })) {
    // Counter-clockwise seen from above is clockwise in this (x, z) window.
    EXPECT_LT((t[1].x - t[0].x) * (t[2].z - t[0].z) - (t[1].z - t[0].z) * (t[2].x - t[0].x), 0.0f);
    for (const Vertex& v : t) {
      const int di = static_cast<int>(std::lround(v.z)) - v.i;
      const int dj = static_cast<int>(std::lround(v.x)) - v.j;
      ASSERT_TRUE((di == 0 || di == 1) && (dj == 0 || dj == 1));
      // This projection puts height h at depth (1 - h / 100) / 2.
      const float h = terrain.Sample(v.i + di, v.j + dj);
      EXPECT_NEAR(v.depth, (1.0f - h / 100.0f) / 2.0f, 1e-5f) << v.i << "," << v.j;
      EXPECT_FLOAT_EQ(v.g, 1.0f);
      for (const auto& n : named) {
        if (n.i != v.i || n.j != v.j) continue;
        ++namedVertices;
        EXPECT_FLOAT_EQ(v.s, n.s + 0.1f * static_cast<float>(di)) << n.i << "," << n.j;
        EXPECT_FLOAT_EQ(v.t, n.t + 0.1f * static_cast<float>(dj)) << n.i << "," << n.j;
      }
    }
  }
  EXPECT_EQ(namedVertices, 12);  // two cells of two triangles
}

TEST_F(TerrainMeshTest, EveryListBindsTheGroundTextureWhenOneIsLoaded) {
  TempDir dir;
  const std::string file = dir.File("ground.bmp");
  WriteFile(file, MakeSolidBmp(8, 8, Rgb{10, 200, 30}));
  Terrain terrain;
  ASSERT_TRUE(terrain.AddTexture(file.c_str()));
  ASSERT_TRUE(terrain.Build("", 20, 20));
  const GLuint ground = terrain.textures.textures[0].glName - 1;
  ASSERT_NE(ground, 0u);
  for (uint32_t n = 0; n < terrain.PatchesAlong0() * terrain.PatchesAlong1(); ++n) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glCallList(terrain.FirstList() + n);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), ground) << "list " << n;
  }
}

TEST_F(TerrainMeshTest, RefusedWorldReservesNoLists) {
  Terrain terrain;
  std::string error;
  EXPECT_FALSE(terrain.Build("", 1, 10, &error));
  EXPECT_EQ(error, "World/WorldSizeX is 1; it must be between 2 and 32767 samples");
  if (Terrain::BytesNeeded(32767, 32767, true) > Terrain::PhysicalMemoryBytes()) {
    EXPECT_FALSE(terrain.Build("", 32767, 32767, &error));
    EXPECT_NE(error.find("a world of 32767 x 32767 samples needs"), std::string::npos) << error;
  }
  EXPECT_EQ(terrain.FirstList(), 0u);
  EXPECT_TRUE(Capture([&] { terrain.Draw(0, 0, 0, 0); }).empty());
}
