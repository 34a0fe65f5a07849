// Drawing trees in a real GL context: upright where the tree stands, facing the viewer
// at headings 0 and 90, colour-keyed texels see-through, trees behind skipped, and
// the state left as found.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"
#include "trees/tree_set.h"

namespace {

class TreeDrawingTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(64, 64)) << gl_.error();
    SetGLContextAlive(true);
    // Green top half, red bottom half, blue (see-through) left quarter.
    WriteFile(dir_.File("t.bmp"), MakeBmp(16, 16, [](int column, int row) {
                return column < 4 ? Rgb{0, 0, 255} : row < 8 ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
              }));
    ASSERT_TRUE(set_.AddTexture(dir_.File("t.bmp").c_str()));
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2.0, 2.0, -2.0, 2.0, -100.0, 100.0);  // 16 pixels per unit
    glMatrixMode(GL_MODELVIEW);
  }
  void TearDown() override { SetGLContextAlive(false); }

  // A tree of size 1 with its foot at (x, -1, z), seen from (vx, 0, vz) through the
  // camera transform. Returns the picture, rows top-down, RGBA.
  std::vector<uint8_t> DrawOne(float heading, float x, float z, float vx, float vz, float brightness = 1.0f) {
    Tree tree;
    tree.x = x, tree.y = -1.0f, tree.z = z, tree.size = 1.0f;
    set_.trees = {tree};
    set_.placedCount = 1;
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(360.0f - heading, 0.0f, 1.0f, 0.0f);
    glTranslatef(-vx, 0.0f, -vz);
    EXPECT_TRUE(set_.Draw(heading, vx, 0.0f, vz, brightness));
    return gl_.ReadPixelsTopDown();
  }
  static int Channel(const std::vector<uint8_t>& picture, int column, int row, int c) {
    return picture[(row * 64 + column) * 4 + c];
  }

  HeadlessGL gl_;
  TempDir dir_;
  TreeSet set_;
};

}  // namespace

TEST_F(TreeDrawingTest, UprightFacingTheViewerAndOnlyInFront) {
  // The quad covers columns and rows 16..47; column 19 is the see-through quarter.
  for (const auto& picture : {DrawOne(0.0f, 0.0f, 0.0f, 0.0f, 5.0f), DrawOne(90.0f, 0.0f, 0.0f, 5.0f, 0.0f)}) {
    EXPECT_GT(Channel(picture, 36, 20, 1), 240);  // top green
    EXPECT_GT(Channel(picture, 36, 44, 0), 240);  // foot red
    for (const auto& p : {std::pair{36, 8}, {36, 56}, {8, 30}, {56, 30}, {19, 30}}) {
      EXPECT_LT(Channel(picture, p.first, p.second, 0) + Channel(picture, p.first, p.second, 1), 15);
    }
  }
  EXPECT_NEAR(Channel(DrawOne(0.0f, 0.0f, 0.0f, 0.0f, 5.0f, 0.5f), 36, 44, 0), 64, 3);  // half colour, half opaque
  EXPECT_EQ(Channel(DrawOne(0.0f, 0.0f, 8.0f, 0.0f, 5.0f), 36, 44, 0), 0);  // behind the viewer
}

TEST_F(TreeDrawingTest, RestoresBlendingAndBindingAndLeavesTheBrightnessAsColour) {
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
  DrawOne(0.0f, 0.0f, 0.0f, 0.0f, 5.0f, 0.5f);
  GLint source = 0, destination = 0, bound = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_TRUE(source == GL_DST_COLOR && destination == GL_SRC_COLOR && !glIsEnabled(GL_BLEND));
  EXPECT_EQ(GLuint(bound), other);
  GLfloat colour[4], normal[3];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_CURRENT_NORMAL, normal);
  EXPECT_TRUE(colour[0] == 0.5f && colour[1] == 0.5f && colour[2] == 0.5f && colour[3] == 0.5f);
  EXPECT_TRUE(normal[0] == 0.0f && normal[1] == 0.0f && normal[2] == 1.0f);
}
