// The headless context the GL tests and the renderer use: it exists, has a depth
// buffer, and reads back what was cleared.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "headless/headless_gl.h"

TEST(HeadlessGLTest, ClearsAndReadsBack) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(32, 16)) << gl.error();
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  EXPECT_GE(depthBits, 16);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  auto pixels = gl.ReadPixelsTopDown();
  ASSERT_EQ(pixels.size(), 32u * 16u * 4u);
  EXPECT_EQ(pixels[0], 255);
  EXPECT_EQ(pixels[1], 0);
  EXPECT_EQ(pixels[pixels.size() - 4], 255);
}
