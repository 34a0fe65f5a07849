// The weapon's display lists in a headless context: frame 0's triangles are drawn with
// the skin, the weapon stays put in eye space whatever model-view the caller holds, and
// an unusable model file draws nothing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "model/model.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

namespace {

// A 1 x 1 square (two triangles) at z = -0.5, in the lower left quarter of the view, in
// frame 0; frame 1 lies far to the side. Header: 64 x 64 skin, 4 vertices, 4 coordinates.
std::vector<uint8_t> SquareModel() {
  std::vector<uint8_t> out;
  auto put = [&](auto v) {  // little-endian, as the file stores it
    uint32_t u = 0;
    std::memcpy(&u, &v, sizeof v);
    for (size_t i = 0; i < sizeof v; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
  };
  for (uint32_t v : {0x32504449u, 8u, 64u, 64u, 56u, 0u, 4u, 4u, 2u, 0u, 2u, 0u, 0u, 0u, 0u, 0u, 0u}) put(v);
  for (int16_t v : {0, 0, 64, 0, 64, 64, 0, 64}) put(v);             // s, t
  for (int16_t v : {0, 2, 1, 0, 2, 1, 0, 3, 2, 0, 3, 2}) put(v);     // vertices, coordinates
  for (float x : {-1.0f, 50.0f}) {
    for (float v : {0.01f, 0.01f, 0.01f, x, -1.0f, -0.5f}) put(v);  // scale, translation
    out.resize(out.size() + 16, 'n');
    for (uint8_t v : {0, 0, 0, 0, 100, 0, 0, 0, 100, 100, 0, 0, 0, 100, 0, 0}) out.push_back(v);
  }
  return out;
}

// The window coordinates (x, y, depth) of every vertex the weapon emits.
std::vector<float> FeedbackVertices(const WeaponModel& weapon) {
  std::vector<GLfloat> buffer(1024);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  weapon.Draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<float> vertices;
  for (GLint i = 0; i < used && buffer[i] == GL_POLYGON_TOKEN; i += 2 + 3 * static_cast<GLint>(buffer[i + 1])) {
    vertices.insert(vertices.end(), &buffer[i + 2], &buffer[i + 2] + 3 * static_cast<GLint>(buffer[i + 1]));
  }
  return vertices;
}

class WeaponGL : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(64, 64)) << gl_.error();
    WriteFile(model_, SquareModel());
    WriteFile(skin_, MakeBmp(64, 64, [](int column, int) { return Rgb{uint8_t(column < 32 ? 200 : 50), 100, 50}; }));
  }
  HeadlessGL gl_;
  TempDir dir_;
  std::string model_ = dir_.File("weapon.md2"), skin_ = dir_.File("skin.bmp");
};

}  // namespace

TEST_F(WeaponGL, DrawsFrameZeroInFrontOfTheEyeWhereverTheViewerTurns) {
  WeaponModel weapon;
  ASSERT_TRUE(weapon.Load(model_.c_str(), skin_.c_str()));
  const std::vector<float> still = FeedbackVertices(weapon);
  ASSERT_EQ(still.size(), 2u * 3u * 3u);
  // Frame 0 spans x in [-1, 0]: window x from 0 to 32.
  for (size_t i = 0; i < still.size(); i += 3) EXPECT_TRUE(still[i] > -0.1f && still[i] < 32.1f) << still[i];

  // A camera transform left on the matrix changes nothing, and the caller gets it back.
  glRotatef(-60.0f, 1, 0, 0);
  glTranslatef(5, 1, 2);
  GLfloat before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  EXPECT_EQ(FeedbackVertices(weapon), still);
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);

  // The list sets its own white and binds the skin, s running along x and t along y: the
  // skin's left half (red 200) shows at the square's left, its right half (red 50) at the right.
  glColor3f(0, 0, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glEnable(GL_TEXTURE_2D);
  weapon.Draw();
  const std::vector<uint8_t> pixels = gl_.ReadPixelsTopDown();
  auto red = [&](int x, int y) { return pixels[((63 - y) * 64 + x) * 4]; };
  EXPECT_NEAR(red(4, 28), 200, 2);
  EXPECT_NEAR(red(28, 4), 50, 2);
}

TEST_F(WeaponGL, UnusableModelFileDrawsNothingAndLoadsNoSkin) {
  WriteFile(model_, std::string("not a model"));
  WeaponModel weapon;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(weapon.Load(model_.c_str(), skin_.c_str()));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(weapon.list, 0u);
  EXPECT_TRUE(weapon.model.skin.Empty());
  EXPECT_TRUE(FeedbackVertices(weapon).empty());
}
