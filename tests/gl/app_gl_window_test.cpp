// The window's initial OpenGL state and its viewport and projection, read back from a
// headless context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/gl_window.h"
#include "headless/headless_gl.h"
#include "textures/gl_context_state.h"

namespace {

class GLWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.Create(64, 48)) << gl.error();
    SetGLContextAlive(true);
  }
  void TearDown() override { SetGLContextAlive(false); }

  static void ExpectVec4(GLenum light, GLenum what, float a, float b, float c, float d) {
    GLfloat v[4] = {};
    glGetLightfv(light, what, v);
    EXPECT_FLOAT_EQ(v[0], a);
    EXPECT_FLOAT_EQ(v[1], b);
    EXPECT_FLOAT_EQ(v[2], c);
    EXPECT_FLOAT_EQ(v[3], d);
  }

  HeadlessGL gl;
  GLWindow window;
};

}  // namespace

TEST_F(GLWindowTest, InitStateLeavesTheStartingState) {
  ASSERT_TRUE(window.InitState());
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  GLint value = 0;
  glGetIntegerv(GL_CULL_FACE_MODE, &value);
  EXPECT_EQ(value, GL_BACK);
  glGetIntegerv(GL_FRONT_FACE, &value);
  EXPECT_EQ(value, GL_CCW);
  GLint modes[2] = {};
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_FILL);
  EXPECT_EQ(modes[1], GL_FILL);
  glGetIntegerv(GL_COLOR_MATERIAL_FACE, &value);
  EXPECT_EQ(value, GL_FRONT);
  glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &value);
  EXPECT_EQ(value, GL_AMBIENT_AND_DIFFUSE);

  ExpectVec4(GL_LIGHT0, GL_AMBIENT, 0.3f, 0.3f, 0.3f, 1.0f);
  ExpectVec4(GL_LIGHT0, GL_DIFFUSE, 0.75f, 0.75f, 0.75f, 1.0f);
  ExpectVec4(GL_LIGHT0, GL_POSITION, 0.0f, 0.0f, 0.0f, 1.0f);

  // Switching colour material on copies the current colour (white) into the tracked
  // ambient and diffuse at once, so the ambient of 1.75 set just before does not last.
  glDisable(GL_COLOR_MATERIAL);
  GLfloat ambient[4] = {};
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  EXPECT_FLOAT_EQ(ambient[0], 1.0f);
  EXPECT_FLOAT_EQ(ambient[3], 1.0f);

  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[0], 1.0f);
  EXPECT_FLOAT_EQ(clear[1], 1.0f);
  EXPECT_FLOAT_EQ(clear[2], 1.0f);
  EXPECT_FLOAT_EQ(clear[3], 1.0f);
}

TEST_F(GLWindowTest, ResizeSetsViewportAspectAndPerspective) {
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1, 2, 3);
  window.Resize(800, 600, 60, 20.0f);
  EXPECT_FLOAT_EQ(window.Aspect(), 800.0f / 600.0f);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 600);

  // gluPerspective(60, 4/3, 0.02, 20): f = cot(30 degrees).
  GLfloat p[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  const float f = 1.0f / std::tan(30.0f * 3.14159265f / 180.0f);
  const float n = 0.02f, far = 20.0f;
  EXPECT_NEAR(p[0], f / (800.0f / 600.0f), 1e-4f);
  EXPECT_NEAR(p[5], f, 1e-4f);
  EXPECT_NEAR(p[10], (far + n) / (n - far), 1e-4f);
  EXPECT_NEAR(p[11], -1.0f, 1e-6f);
  EXPECT_NEAR(p[14], 2 * far * n / (n - far), 1e-5f);

  // The model-view matrix is current and the identity again.
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat m[16] = {};
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
  GLint drawBuffer = 0;
  glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
  EXPECT_EQ(drawBuffer, GL_BACK);
}

TEST_F(GLWindowTest, ZeroHeightUsesTheWidthAsAspect) {
  window.Resize(320, 0, 90, 7.5f);
  EXPECT_EQ(window.Aspect(), 320.0f);
  GLfloat p[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_NEAR(p[5], 1.0f, 1e-5f);  // cot(45 degrees)
  EXPECT_NEAR(p[0], 1.0f / 320.0f, 1e-6f);
  EXPECT_TRUE(std::isfinite(p[0]));
}
