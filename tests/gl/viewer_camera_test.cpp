// The camera transform read back from OpenGL: pitch about x, then 360 - heading about
// y, then the eye position; the view agrees with the motion model's directions.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "headless/headless_gl.h"
#include "viewer/viewer.h"

namespace {

using Mat4 = std::array<float, 16>;  // column-major, as OpenGL stores it

Mat4 Multiply(const Mat4& a, const Mat4& b) {
  Mat4 r{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) r[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
  return r;
}

Mat4 RotX(float degrees) {
  const float c = std::cos(degrees * 3.14159265f / 180), s = std::sin(degrees * 3.14159265f / 180);
  return {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
}

Mat4 RotY(float degrees) {
  const float c = std::cos(degrees * 3.14159265f / 180), s = std::sin(degrees * 3.14159265f / 180);
  return {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
}

Mat4 Translate(float x, float y, float z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

Mat4 ModelViewAfterTransform(const Camera& camera) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  camera.ApplyTransform();
  Mat4 m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

// A world direction as the eye sees it (rotation part only).
std::array<float, 3> ToEye(const Mat4& m, float x, float y, float z) {
  return {m[0] * x + m[4] * y + m[8] * z, m[1] * x + m[5] * y + m[9] * z,
          m[2] * x + m[6] * y + m[10] * z};
}

}  // namespace

TEST(ViewerCameraTest, ModelViewIsPitchThenHeadingThenEyePosition) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(8, 8)) << gl.error();

  Viewer v;
  v.pitch = 25.0f;
  v.heading = 130.0f;
  v.x = 3.5f;
  v.y = 1.25f;
  v.z = -2.0f;
  v.sizeOfViewer = 0.075f;
  const Mat4 got = ModelViewAfterTransform(v);
  const Mat4 want = Multiply(Multiply(RotX(25.0f), RotY(360.0f - 130.0f)),
                             Translate(-3.5f, -(1.25f + 0.075f), 2.0f));
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-5f) << "element " << i;

  // The eye looks along -z in eye space; at pitch 0 that is the motion model's forward
  // direction (-sin h, 0, -cos h) for any heading.
  v.pitch = 0.0f;
  const float h = 130.0f * 0.017453292f;
  auto forward = ToEye(ModelViewAfterTransform(v), -std::sin(h), 0.0f, -std::cos(h));
  EXPECT_NEAR(forward[0], 0.0f, 1e-5f);
  EXPECT_NEAR(forward[1], 0.0f, 1e-5f);
  EXPECT_NEAR(forward[2], -1.0f, 1e-5f);

  // Pitch 90 at heading 0 looks straight down; world north (-z) is then up on screen.
  v.pitch = 90.0f;
  v.heading = 0.0f;
  const Mat4 down = ModelViewAfterTransform(v);
  auto look = ToEye(down, 0.0f, -1.0f, 0.0f);
  EXPECT_NEAR(look[0], 0.0f, 1e-5f);
  EXPECT_NEAR(look[1], 0.0f, 1e-5f);
  EXPECT_NEAR(look[2], -1.0f, 1e-5f);
  auto north = ToEye(down, 0.0f, 0.0f, -1.0f);
  EXPECT_NEAR(north[1], 1.0f, 1e-5f);
}
