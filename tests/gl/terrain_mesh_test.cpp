// The terrain's patch display lists, counted through OpenGL feedback mode: every cell's
// two triangles are drawn once, the last, narrower patches included, and lists built
// without a ground texture leave the texture binding alone. What the triangles look like
// (heights, texture repeat, winding, colour) is checked by the whole-scene walks.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "headless/headless_gl.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "terrain/terrain.h"

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
  EXPECT_EQ(CapturePolygons([&] { terrain.Draw(); }).size(), 2u * 29 * 29);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), other);
}
