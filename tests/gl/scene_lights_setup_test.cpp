// The sun and the flashlight: OpenGL light parameters after set-up, the sun's direction
// sent under the current matrix, and the flashlight switched off at exit only while GL lives.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "headless/headless_gl.h"
#include "scene/lights.h"
#include "textures/gl_context_state.h"

using V = std::vector<float>;

static V Param(GLenum light, GLenum name, size_t count = 4) {
  V v(4, -99.0f);
  glGetLightfv(light, name, v.data());
  v.resize(count);
  return v;
}

TEST(LightsGL, SunAndFlashlightAsTheSceneSetsThemUp) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(8, 8)) << gl.error();
  SetGLContextAlive(true);
  Sunlight sun;
  sun.Update();  // before set-up there is no light to send to
  sun.Setup(GL_LIGHT0, 0.2f, 0.6f, 10.0f, 5.0f);
  EXPECT_EQ(Param(GL_LIGHT0, GL_AMBIENT), (V{0.2f, 0.2f, 0.2f, 1}));
  EXPECT_EQ(Param(GL_LIGHT0, GL_DIFFUSE), (V{0.6f, 0.6f, 0.6f, 1}));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));  // set-up does not switch it on
  glScalef(2, 1, 1);                     // the direction goes through the current matrix
  sun.Update();
  EXPECT_EQ(Param(GL_LIGHT0, GL_POSITION), (V{20, 1.7f, 5, 0}));
  glLoadIdentity();
  {
    Flashlight flash;
    Light& light = flash;  // the scene's calls reach the overrides through the base
    light.Enable(GL_LIGHT1);
    light.Update();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(Param(GL_LIGHT1, GL_DIFFUSE), (V{1, 1, 1, 1}));
    EXPECT_EQ(Param(GL_LIGHT1, GL_SPOT_CUTOFF, 1), (V{15}));
    EXPECT_EQ(Param(GL_LIGHT1, GL_SPOT_EXPONENT, 1), (V{128}));
    EXPECT_EQ(Param(GL_LIGHT1, GL_POSITION), (V{0, 0, 1, 1}));
    EXPECT_EQ(Param(GL_LIGHT1, GL_SPOT_DIRECTION, 3), (V{0, 0, -1}));
  }
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));  // switched off at destruction
  { Flashlight neverEnabled; }           // holds no light: makes no call
  {
    Flashlight late;
    late.Enable(GL_LIGHT2);
    SetGLContextAlive(false);  // context gone: the destructor must not reach GL
  }
  SetGLContextAlive(true);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
