// The weapon's display lists in a headless context: frame 0's triangles are drawn, the
// weapon stays put in eye space whatever model-view the caller holds, and an unusable
// model file loads no skin and draws nothing. Its look is checked by the whole-scene walks.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "model/model.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/md2_writer.h"
#include "support/test_files.h"

// The window positions of every vertex the weapon emits.
static std::vector<float> Positions(const WeaponModel& weapon) {
  std::vector<float> out;
  for (const FeedbackPolygon& polygon : CapturePolygons([&] { weapon.Draw(); })) {
    for (const FeedbackVertex& v : polygon) out.insert(out.end(), {v.x, v.y, v.z});
  }
  return out;
}

TEST(WeaponGL, DrawsFrameZeroWithTheSkinInFrontOfTheEyeWhereverTheViewerTurns) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(64, 64)) << gl.error();
  TempDir dir;
  // A 1 x 1 square (two triangles) at z = -0.5 in the lower left quarter of the view in
  // frame 0; frame 1 lies far to the side.
  Md2Model m;
  m.texCoords = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
  m.triangles = {{0, 2, 1, 0, 2, 1}, {0, 3, 2, 0, 3, 2}};
  for (float x : {-1.0f, 50.0f}) {
    m.frames.push_back(
        Md2Frame{{0.01f, 0.01f, 0.01f}, {x, -1.0f, -0.5f}, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}}});
  }
  WriteFile(dir.File("weapon.md2"), WriteMd2(m));
  WriteFile(dir.File("skin.bmp"), MakeSolidBmp(64, 64, Rgb{200, 100, 50}));
  WeaponModel weapon;
  ASSERT_TRUE(weapon.Load(dir.File("weapon.md2").c_str(), dir.File("skin.bmp").c_str()));
  const std::vector<float> still = Positions(weapon);
  ASSERT_EQ(still.size(), 2u * 3u * 3u);
  // Frame 0 spans x in [-1, 0]: window x from 0 to 32.
  for (size_t i = 0; i < still.size(); i += 3) EXPECT_TRUE(still[i] > -0.1f && still[i] < 32.1f) << still[i];

  // A camera transform left on the matrix changes nothing, and the caller gets it back.
  glRotatef(-60.0f, 1, 0, 0);
  glTranslatef(5, 1, 2);
  const std::vector<double> before = GLStateSnapshot();
  EXPECT_EQ(Positions(weapon), still);
  EXPECT_EQ(GLStateSnapshot(), before);

  // An unusable model file: no list, no skin loaded, nothing drawn.
  WriteFile(dir.File("weapon.md2"), std::string("not a model"));
  WeaponModel broken;
  EXPECT_FALSE(broken.Load(dir.File("weapon.md2").c_str(), dir.File("skin.bmp").c_str()));
  EXPECT_TRUE(broken.list == 0u && broken.model.skin.Empty() && Positions(broken).empty());
}
