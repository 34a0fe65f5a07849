// The window's viewport and projection, read back from a headless context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/gl_window.h"
#include "headless/headless_gl.h"
#include "textures/gl_context_state.h"

TEST(GLWindowTest, ResizeSetsViewportAspectAndPerspective) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 48)) << gl.error();
  SetGLContextAlive(true);
  GLWindow window;
  const struct {
    uint32_t width, height;
    int32_t fov;
    float far, aspect;  // a height of 0 gives the width itself as aspect
  } cases[] = {{800, 600, 60, 20.0f, 800.0f / 600.0f}, {320, 0, 90, 7.5f, 320.0f}};
  for (const auto& c : cases) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    window.Resize(c.width, c.height, c.fov, c.far);
    EXPECT_FLOAT_EQ(window.Aspect(), c.aspect);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], static_cast<GLint>(c.width));
    EXPECT_EQ(viewport[3], static_cast<GLint>(c.height));
    // gluPerspective(fov, aspect, 0.02, far): f = cot(fov / 2).
    GLfloat p[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const float f = 1.0f / std::tan(static_cast<float>(c.fov) * 3.14159265f / 360.0f);
    const float n = 0.02f;
    EXPECT_NEAR(p[0], f / c.aspect, 1e-4f);
    EXPECT_NEAR(p[5], f, 1e-4f);
    EXPECT_NEAR(p[10], (c.far + n) / (n - c.far), 1e-4f);
    EXPECT_NEAR(p[14], 2 * c.far * n / (n - c.far), 1e-5f);
    // The model-view matrix is current and the identity again; drawing goes to the back buffer.
    GLint mode = 0, drawBuffer = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(drawBuffer, GL_BACK);
    GLfloat m[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
  }
  SetGLContextAlive(false);
}
