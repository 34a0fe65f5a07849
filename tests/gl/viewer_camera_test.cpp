// The camera transform read back from OpenGL: pitch about x, then 360 - heading about
// y, then the eye position; the view agrees with the motion model's directions.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "headless/headless_gl.h"
#include "viewer/viewer.h"

namespace {

std::array<float, 16> ModelView(const Camera& camera) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  camera.ApplyTransform();
  std::array<float, 16> m{};  // column-major
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

// The model-view matrix takes world point or direction `w` (w[3] 1 or 0) to `eye`.
void ExpectMaps(const std::array<float, 16>& m, std::array<float, 4> w, std::array<float, 3> eye) {
  for (int r = 0; r < 3; ++r) {
    EXPECT_NEAR(m[r] * w[0] + m[4 + r] * w[1] + m[8 + r] * w[2] + m[12 + r] * w[3], eye[r], 1e-5f)
        << "row " << r;
  }
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
  const float p = 25.0f * 0.017453292f, h = 130.0f * 0.017453292f;
  // The eye, sizeOfViewer above the feet, is the origin; the motion model's forward
  // (-sin h, 0, -cos h) and the world's up are tilted by the pitch about eye x.
  const auto m = ModelView(v);
  ExpectMaps(m, {3.5f, 1.25f + 0.075f, -2.0f, 1.0f}, {0.0f, 0.0f, 0.0f});
  ExpectMaps(m, {-std::sin(h), 0.0f, -std::cos(h), 0.0f}, {0.0f, std::sin(p), -std::cos(p)});
  ExpectMaps(m, {0.0f, 1.0f, 0.0f, 0.0f}, {0.0f, std::cos(p), std::sin(p)});

  // Pitch 90 at heading 0 looks straight down, with world north (-z) up on screen.
  v.pitch = 90.0f;
  v.heading = 0.0f;
  ExpectMaps(ModelView(v), {0.0f, -1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f});
  ExpectMaps(ModelView(v), {0.0f, 0.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
}
