// The weapon's display lists in a headless context: frame 0's triangles are emitted,
// the weapon stays put in eye space whatever model-view the caller holds, and an
// unusable model file draws nothing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "model/model.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Two triangles, four vertices, two frames; frame 0 lies at z = -4 in front of the
// eye, frame 1 far to the side (it must not be drawn).
std::vector<uint8_t> TwoTriangleModel() {
  const int vertices = 4, texCoords = 4, triangles = 2, frames = 2;
  std::vector<uint8_t> out;
  const uint32_t frameSize = 40 + 4 * vertices;
  const uint32_t header[17] = {0x32504449, 8, 64, 64, frameSize, 0, vertices, texCoords, triangles, 0, frames,
                               68, 68, 68 + 16, 68 + 16 + 24, 0, 68 + 16 + 24 + 2 * frameSize};
  for (uint32_t v : header) Put32(out, v);
  const uint16_t st[8] = {0, 0, 64, 0, 64, 64, 0, 64};
  for (uint16_t v : st) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  const uint16_t tris[12] = {0, 2, 1, 0, 2, 1, 0, 3, 2, 0, 3, 2};
  for (uint16_t v : tris) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(0);
  }
  for (int f = 0; f < frames; ++f) {
    const float scale[3] = {0.01f, 0.01f, 0.01f};
    const float translate[3] = {f == 0 ? -1.0f : 50.0f, -1.0f, -4.0f};
    for (float v : scale) { uint32_t u; std::memcpy(&u, &v, 4); Put32(out, u); }
    for (float v : translate) { uint32_t u; std::memcpy(&u, &v, 4); Put32(out, u); }
    out.resize(out.size() + 16, 'n');
    const uint8_t xyz[4][3] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    for (const auto& v : xyz) {
      out.insert(out.end(), v, v + 3);
      out.push_back(0);
    }
  }
  return out;
}

// All vertices emitted while `draw` runs, in window coordinates (x, y, depth).
std::vector<float> FeedbackVertices(const WeaponModel& weapon) {
  std::vector<GLfloat> buffer(1024);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  weapon.Draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<float> vertices;
  for (GLint i = 0; i < used;) {
    if (static_cast<GLint>(buffer[i++]) != GL_POLYGON_TOKEN) break;
    const GLint n = static_cast<GLint>(buffer[i++]);
    vertices.insert(vertices.end(), buffer.begin() + i, buffer.begin() + i + 3 * n);
    i += 3 * n;
  }
  return vertices;
}

class WeaponGL : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(64, 64)) << gl_.error();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    model_ = dir_.File("weapon.md2");
    skin_ = dir_.File("skin.bmp");
    WriteFile(model_, TwoTriangleModel());
    WriteFile(skin_, MakeSolidBmp(64, 64, {200, 100, 50}));
  }
  HeadlessGL gl_;
  TempDir dir_;
  std::string model_, skin_;
};

}  // namespace

TEST_F(WeaponGL, DrawsFrameZeroTrianglesInFrontOfTheEye) {
  WeaponModel weapon;
  ASSERT_TRUE(weapon.Load(model_.c_str(), skin_.c_str()));
  EXPECT_NE(weapon.list, 0u);
  EXPECT_EQ(weapon.model.skin.Width(), 64);
  const std::vector<float> v = FeedbackVertices(weapon);
  ASSERT_EQ(v.size(), 2u * 3u * 3u);
  // Frame 0 spans x in [-1, 0] at z = -4: window x from 32 - 8 to 32.
  for (size_t i = 0; i < v.size(); i += 3) {
    EXPECT_GE(v[i], 23.9f);
    EXPECT_LE(v[i], 32.1f);
  }
  // The list sets its own white and leaves the caller's model-view alone.
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[1], 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WeaponGL, TurningTheViewerNeverMovesTheWeapon) {
  WeaponModel weapon;
  ASSERT_TRUE(weapon.Load(model_.c_str(), skin_.c_str()));
  const std::vector<float> still = FeedbackVertices(weapon);
  ASSERT_FALSE(still.empty());

  // A camera transform pushed and popped by the caller, as the frame does.
  glPushMatrix();
  glRotatef(35.0f, 0, 1, 0);
  glTranslatef(3, -2, 7);
  glPopMatrix();
  EXPECT_EQ(FeedbackVertices(weapon), still);

  // Even with the camera still on the matrix the weapon is drawn from the identity,
  // and the caller gets its matrix back.
  glRotatef(-60.0f, 1, 0, 0);
  glTranslatef(5, 1, 2);
  GLfloat before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  EXPECT_EQ(FeedbackVertices(weapon), still);
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);

  // Same pixels as well: draw once straight, once under the turned matrix.
  glEnable(GL_TEXTURE_2D);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  weapon.Draw();
  const auto straight = gl_.ReadPixelsTopDown();
  // The skin shows: the pixel left of the centre carries its red.
  EXPECT_NEAR(straight[(32 * 64 + 28) * 4], 200, 2);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glRotatef(90.0f, 0, 1, 0);
  weapon.Draw();
  EXPECT_EQ(gl_.ReadPixelsTopDown(), straight);
}

TEST_F(WeaponGL, UnusableModelFileDrawsNothing) {
  auto broken = TwoTriangleModel();
  broken[40] = 0;  // no frame
  const std::string brokenPath = dir_.File("broken.md2");
  WriteFile(brokenPath, broken);
  for (const std::string& path : {brokenPath, dir_.File("missing.md2")}) {
    WeaponModel weapon;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(weapon.Load(path.c_str(), skin_.c_str()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(path), std::string::npos);
    EXPECT_EQ(weapon.list, 0u);
    EXPECT_TRUE(weapon.model.skin.Empty());  // no skin is loaded for a rejected model
    EXPECT_TRUE(FeedbackVertices(weapon).empty());
  }
}
