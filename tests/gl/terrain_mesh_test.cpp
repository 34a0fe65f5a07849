// The terrain mesh in a real GL context. Skipping what lies outside the view must never
// change a pixel: rough ground with trees on it, seen from random places, in random
// directions, through random lenses, looks the same with and without the skipping, and
// what drawing leaves behind is the same whatever was skipped.
// What the triangles look like (every cell once, heights, texture repeat, winding,
// colour) is checked by the whole-scene walks.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <random>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "textures/bmp_decode.h"
#include "textures/gl_context_state.h"
#include "trees/tree_set.h"

TEST(TerrainMeshTest, SkippingWhatIsOutsideTheViewChangesNoPixel) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(96, 64)) << gl.error();
  SetGLContextAlive(true);
  for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0}) glEnable(cap);
  TempDir dir;
  WriteFile(dir.File("green.bmp"), MakeSolidBmp(8, 8, Rgb{40, 200, 90}));
  // 120 x 90 samples of rough ground: blocks of 16 x 16 patches, and partial ones; trees
  // of many sizes scattered over it.
  std::mt19937 random(7);
  auto uniform = [&](double low, double high) { return low + (high - low) * static_cast<double>(random() % 10000) / 1e4; };
  RgbImage image{120, 90, {}};
  for (int k = 0; k < 120 * 90 * 3; ++k) image.pixels.push_back(static_cast<uint8_t>(random() % 256));
  Terrain terrain;
  terrain.SetStepSize(0.5f);
  ASSERT_TRUE(terrain.AddTexture(dir.File("green.bmp").c_str()));
  ASSERT_TRUE(terrain.BuildHeightFieldFromImage(&image, 90, 120) && terrain.BuildMesh());
  TreeSet trees;
  ASSERT_TRUE(trees.AddTexture(dir.File("green.bmp").c_str()));
  trees.trees.resize(300);
  for (Tree& tree : trees.trees) {
    tree.x = static_cast<float>(uniform(0.0, 60.0));
    tree.z = static_cast<float>(uniform(0.0, 45.0));
    tree.y = terrain.HeightAt(tree.z, tree.x);
    tree.size = static_cast<float>(uniform(0.1, 2.0));
  }
  trees.placedCount = 300;

  // Random places, directions and lenses; each view drawn without and with skipping.
  uint32_t drawn = 0;
  for (int view = 0; view < 60; ++view) {
    SCOPED_TRACE(testing::Message() << "view " << view);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(uniform(5.0, 175.0), uniform(0.2, 5.0), 0.02, uniform(0.5, 300.0));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(uniform(-90.0, 90.0), 1.0, 0.0, 0.0);
    const float heading = static_cast<float>(uniform(-180.0, 180.0));
    glRotatef(-heading, 0.0f, 1.0f, 0.0f);
    const Float3 eye{static_cast<float>(uniform(-10.0, 70.0)), static_cast<float>(uniform(-2.0, 8.0)),
                     static_cast<float>(uniform(-10.0, 55.0))};
    glTranslatef(-eye.x, -eye.y, -eye.z);
    double matrices[2][16];
    glGetDoublev(GL_PROJECTION_MATRIX, matrices[0]);
    glGetDoublev(GL_MODELVIEW_MATRIX, matrices[1]);
    std::vector<uint8_t> pictures[2];
    // The colour, normal and texture coordinate the terrain leaves.
    std::vector<float> left[2] = {std::vector<float>(11), std::vector<float>(11)};
    for (int skipping = 0; skipping < 2; ++skipping) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      const ViewVolume volume = skipping ? ViewVolume(matrices[0], matrices[1]) : ViewVolume();
      const uint32_t count = terrain.Draw(volume);
      glGetFloatv(GL_CURRENT_COLOR, &left[skipping][0]);
      glGetFloatv(GL_CURRENT_NORMAL, &left[skipping][4]);
      glGetFloatv(GL_CURRENT_TEXTURE_COORDS, &left[skipping][7]);
      trees.Draw(heading, eye.x, eye.y, eye.z, 1.0f, volume);
      drawn += skipping ? count + trees.drawnCount : 0;
      pictures[skipping] = gl.ReadPixelsTopDown();
    }
    EXPECT_EQ(left[0], left[1]);
    ASSERT_TRUE(pictures[0] == pictures[1]);
  }
  // The skipping did skip: most views see a small part of the ground (13 x 17 patches
  // hold cells) and of the trees.
  EXPECT_LT(drawn, (13 * 17 + 300) * 60 / 2);
  SetGLContextAlive(false);
}
