// Drawing trees in a real GL context: nothing before placement, trees behind the viewer
// and trees whose image could not be read skipped, and the state left as found. How they look (upright, facing the viewer,
// colour-keyed, brightness) is checked by the whole-scene walks.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"
#include "trees/tree_set.h"

TEST(TreeDrawingTest, NothingBeforePlacementNothingBehindAndStateRestored) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 64)) << gl.error();
  SetGLContextAlive(true);
  TempDir dir;
  TreeSet set;
  WriteFile(dir.File("t.bmp"), MakeSolidBmp(16, 16, Rgb{255, 0, 0}));
  ASSERT_TRUE(set.AddTexture(dir.File("t.bmp").c_str()));
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
  for (GLenum cap : {GL_TEXTURE_2D, GL_CULL_FACE}) glEnable(cap);
  glMatrixMode(GL_PROJECTION);
  glOrtho(-2.0, 2.0, -2.0, 2.0, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  const std::vector<double> before = GLStateSnapshot();
  EXPECT_FALSE(set.Draw(0.0f, 0.0f, 0.0f, 5.0f, 1.0f));  // none placed: nothing drawn

  // The red at the window's centre with one tree of size 1 at z, its foot at y = -1,
  // seen from (0, 0, 5) looking along -z.
  auto redAtCentre = [&](float z, int kind = 0) {
    Tree tree;
    tree.texture = kind;
    tree.y = -1.0f;
    tree.z = z;
    tree.size = 1.0f;
    set.trees = {tree};
    set.placedCount = 1;
    glClear(GL_COLOR_BUFFER_BIT);
    glTranslatef(0.0f, 0.0f, -5.0f);
    EXPECT_TRUE(set.Draw(0.0f, 0.0f, 0.0f, 5.0f, 1.0f));
    glLoadIdentity();
    return gl.ReadPixelsTopDown()[(32 * 64 + 32) * 4];
  };
  EXPECT_GT(redAtCentre(0.0f), 240);  // in front
  EXPECT_EQ(redAtCentre(8.0f), 0);    // behind the viewer: skipped
  EXPECT_EQ(GLStateSnapshot(), before);  // blending and the binding come back
  // A kind whose image could not be read is not drawn (its line was written at loading).
  WriteFile(dir.File("broken.bmp"), std::vector<uint8_t>(100, 'X'));
  testing::internal::CaptureStderr();
  ASSERT_TRUE(set.AddTexture(dir.File("broken.bmp").c_str()));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(redAtCentre(0.0f, 1), 0);
  SetGLContextAlive(false);
}
