// The camera transform read back from OpenGL: pitch about x, then 360 - heading about
// y, then the eye position; the view agrees with the motion model's directions.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "headless/headless_gl.h"
#include "viewer/viewer.h"

TEST(ViewerCameraTest, ModelViewIsPitchThenHeadingThenEyePosition) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(8, 8)) << gl.error();
  const float p = 25.0f * 0.017453292f, h = 130.0f * 0.017453292f;
  // Each world point or direction w (w[3] 1 or 0) and where the model-view matrix takes
  // it. The eye, sizeOfViewer above the feet, is the origin; the motion model's forward
  // (-sin h, 0, -cos h) and the world's up are tilted by the pitch about eye x. Pitch 90
  // at heading 0 looks straight down, with world north (-z) up on screen.
  const struct { float pitch, heading, w[4], eye[3]; } cases[] = {
      {25, 130, {3.5f, 1.25f + 0.075f, -2.0f, 1}, {0, 0, 0}},
      {25, 130, {-std::sin(h), 0, -std::cos(h), 0}, {0, std::sin(p), -std::cos(p)}},
      {25, 130, {0, 1, 0, 0}, {0, std::cos(p), std::sin(p)}},
      {90, 0, {0, -1, 0, 0}, {0, 0, -1}},
      {90, 0, {0, 0, -1, 0}, {0, 1, 0}},
  };
  for (const auto& c : cases) {
    Viewer v;
    v.pitch = c.pitch;
    v.heading = c.heading;
    v.x = 3.5f;
    v.y = 1.25f;
    v.z = -2.0f;
    glLoadIdentity();
    v.ApplyTransform();
    float m[16];  // column-major
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int r = 0; r < 3; ++r) {
      EXPECT_NEAR(m[r] * c.w[0] + m[4 + r] * c.w[1] + m[8 + r] * c.w[2] + m[12 + r] * c.w[3], c.eye[r], 1e-5f)
          << "pitch " << c.pitch << " row " << r;
    }
  }
}
