// Drawing trees in a real GL context: upright where the tree stands, facing the viewer
// at headings 0 and 90, colour-keyed texels see-through, trees behind skipped, and
// the state left as found.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"
#include "trees/tree_set.h"

TEST(TreeDrawingTest, UprightFacingTheViewerOnlyInFrontAndStateRestored) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 64)) << gl.error();
  SetGLContextAlive(true);
  TempDir dir;
  TreeSet set;
  // Green top half, red bottom half, blue (see-through) left quarter.
  WriteFile(dir.File("t.bmp"), MakeBmp(16, 16, [](int column, int row) {
              return column < 4 ? Rgb{0, 0, 255} : row < 8 ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
            }));
  ASSERT_TRUE(set.AddTexture(dir.File("t.bmp").c_str()));
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
  for (GLenum cap : {GL_TEXTURE_2D, GL_CULL_FACE}) glEnable(cap);
  glMatrixMode(GL_PROJECTION);
  glOrtho(-2.0, 2.0, -2.0, 2.0, -100.0, 100.0);  // 16 pixels per unit
  glMatrixMode(GL_MODELVIEW);
  const std::vector<double> before = GLStateSnapshot();
  EXPECT_FALSE(set.Draw(0.0f, 0.0f, 0.0f, 5.0f, 1.0f));  // none placed: nothing drawn

  // A tree of size 1 with its foot at (x, -1, z), seen from (vx, 0, vz) through the
  // camera transform: the channel c of the pixel at column, row from the top.
  auto drawOne = [&](float heading, float x, float z, float vx, float vz, float brightness = 1.0f) {
    Tree tree;
    tree.x = x;
    tree.y = -1.0f;
    tree.z = z;
    tree.size = 1.0f;
    set.trees = {tree};
    set.placedCount = 1;
    glClear(GL_COLOR_BUFFER_BIT);
    glRotatef(360.0f - heading, 0.0f, 1.0f, 0.0f);
    glTranslatef(-vx, 0.0f, -vz);
    EXPECT_TRUE(set.Draw(heading, vx, 0.0f, vz, brightness));
    glLoadIdentity();
    return [picture = gl.ReadPixelsTopDown()](int column, int row, int c) {
      return picture[size_t((row * 64 + column) * 4 + c)];
    };
  };
  // The quad covers columns and rows 16..47; column 19 is the see-through quarter.
  for (const auto& pixel : {drawOne(0.0f, 0.5f, 0.0f, 0.5f, 5.0f), drawOne(90.0f, 0.0f, 0.5f, 5.0f, 0.5f)}) {
    EXPECT_TRUE(pixel(36, 20, 1) > 240 && pixel(36, 44, 0) > 240);  // top green, foot red
    for (const auto& [x, y] : {std::pair{36, 8}, {36, 56}, {8, 30}, {56, 30}, {19, 30}}) {
      EXPECT_LT(pixel(x, y, 0) + pixel(x, y, 1), 15);
    }
  }
  EXPECT_EQ(drawOne(0.0f, 0.0f, 8.0f, 0.0f, 5.0f)(36, 44, 0), 0);            // behind the viewer
  EXPECT_NEAR(drawOne(0.0f, 0.0f, 0.0f, 0.0f, 5.0f, 0.5f)(36, 44, 0), 64, 3);  // half colour, half opaque

  // Blending and the binding come back; the brightness stays the colour, the normal faces +z.
  EXPECT_EQ(GLStateSnapshot(), before);
  GLfloat colour[4], normal[3];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_CURRENT_NORMAL, normal);
  EXPECT_TRUE(colour[0] == 0.5f && colour[1] == 0.5f && colour[2] == 0.5f && colour[3] == 0.5f);
  EXPECT_TRUE(normal[0] == 0.0f && normal[1] == 0.0f && normal[2] == 1.0f);
  SetGLContextAlive(false);
}
