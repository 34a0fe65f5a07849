// The terrain mesh in a real GL context: every cell's two triangles drawn once, the last,
// narrower patches included, and no binding without a ground texture. Skipping what lies
// outside the view must never change a pixel: rough ground with trees on it, seen from
// random places, in random directions, through random lenses, looks the same with and
// without the skipping, and what drawing leaves behind is the same whatever was skipped.
// What the triangles look like (heights, texture repeat, winding, colour) is checked by
// the whole-scene walks.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <random>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "textures/bmp_decode.h"
#include "textures/gl_context_state.h"
#include "trees/tree_set.h"

namespace {

ViewVolume CurrentView() {
  double projection[16];
  double modelView[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  return ViewVolume(projection, modelView);
}

// The current colour, normal and texture coordinate, and the bound texture.
std::vector<float> CurrentState() {
  std::vector<float> state(12);
  glGetFloatv(GL_CURRENT_COLOR, &state[0]);
  glGetFloatv(GL_CURRENT_NORMAL, &state[4]);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, &state[7]);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  state[11] = static_cast<float>(bound);
  return state;
}

}  // namespace

TEST(TerrainMeshTest, EveryCellOnceAndNoBindingWithoutGroundTexture) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 64)) << gl.error();
  glOrtho(0.0, 30.0, -100.0, 100.0, -30.0, 30.0);  // everything in view, seen from the side
  // 29 x 29 cells: 5 x 5 patches of 7 cells, the last ones one cell wide.
  Terrain terrain;
  terrain.SetStepSize(1.0f);
  ASSERT_TRUE(terrain.Build("", 30, 30));
  ASSERT_EQ(terrain.PatchesAlong0() * terrain.PatchesAlong1(), 25u);
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  EXPECT_EQ(CapturePolygons([&] { EXPECT_EQ(terrain.Draw(), 25u); }).size(), 2u * 29 * 29);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), other);
}

TEST(TerrainMeshTest, SkippingWhatIsOutsideTheViewChangesNoPixel) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(96, 64)) << gl.error();
  SetGLContextAlive(true);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  TempDir dir;
  WriteFile(dir.File("ground.bmp"), MakeSolidBmp(8, 8, Rgb{40, 200, 90}));
  WriteFile(dir.File("tree.bmp"), MakeSolidBmp(8, 8, Rgb{200, 30, 30}));
  // 120 x 90 samples of rough ground: blocks of 16 x 16 patches, and partial ones.
  std::mt19937 random(7);
  RgbImage image;
  image.width = 120;
  image.height = 90;
  for (int k = 0; k < 120 * 90 * 3; ++k) image.pixels.push_back(static_cast<uint8_t>(random() % 256));
  Terrain terrain;
  terrain.SetStepSize(0.5f);
  terrain.SetHeightScaling(4.0f);
  ASSERT_TRUE(terrain.AddTexture(dir.File("ground.bmp").c_str()));
  ASSERT_TRUE(terrain.BuildHeightFieldFromImage(&image, 90, 120));
  ASSERT_TRUE(terrain.BuildMesh());
  TreeSet trees;
  ASSERT_TRUE(trees.AddTexture(dir.File("tree.bmp").c_str()));
  for (int k = 0; k < 300; ++k) {
    Tree tree;
    tree.x = static_cast<float>(random() % 600) / 10.0f;
    tree.z = static_cast<float>(random() % 450) / 10.0f;
    tree.y = terrain.HeightAt(tree.z, tree.x);
    tree.size = static_cast<float>(random() % 20 + 1) / 10.0f;
    trees.trees.push_back(tree);
  }
  trees.placedCount = static_cast<int32_t>(trees.trees.size());
  // 13 x 17 patches hold cells; the last along the second index holds none.
  const uint32_t patches = 13 * 17;

  uint32_t drawn = 0;
  uint32_t treesDrawn = 0;
  for (int view = 0; view < 60; ++view) {
    SCOPED_TRACE(testing::Message() << "view " << view);
    auto uniform = [&](double low, double high) { return low + (high - low) * static_cast<double>(random() % 10000) / 10000.0; };
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(uniform(5.0, 175.0), uniform(0.2, 5.0), 0.02, uniform(0.5, 300.0));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(uniform(-90.0, 90.0), 1.0, 0.0, 0.0);
    const float heading = static_cast<float>(uniform(-180.0, 180.0));
    glRotated(-heading, 0.0, 1.0, 0.0);
    const float x = static_cast<float>(uniform(-10.0, 70.0));
    const float y = static_cast<float>(uniform(-2.0, 8.0));
    const float z = static_cast<float>(uniform(-10.0, 55.0));
    glTranslatef(-x, -y, -z);
    std::vector<uint8_t> pictures[2];
    std::vector<float> states[2];
    for (int skipping = 0; skipping < 2; ++skipping) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      const ViewVolume volume = skipping ? CurrentView() : ViewVolume();
      const uint32_t count = terrain.Draw(volume);
      EXPECT_TRUE(skipping || count == patches);
      drawn += skipping ? count : 0;
      states[skipping] = CurrentState();
      trees.Draw(heading, x, y, z, 1.0f, volume);
      treesDrawn += skipping ? trees.drawnCount : 0;
      pictures[skipping] = gl.ReadPixelsTopDown();
    }
    EXPECT_EQ(states[0], states[1]);
    ASSERT_TRUE(pictures[0] == pictures[1]);
  }
  // The skipping did skip: most views see a small part of the ground.
  EXPECT_LT(drawn, patches * 60 / 2);
  EXPECT_LT(treesDrawn, 300 * 60 / 2);
  SetGLContextAlive(false);
}
