// The scene's lights, sky and crosshair in a headless context, where the whole-scene walks
// cannot reach: the flashlight switched off at exit only while GL lives; the sky for huge
// headings and without an image; refused crosshair values; the GL state each restores.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "headless/headless_gl.h"
#include "scene/crosshair.h"
#include "scene/lights.h"
#include "scene/sky_box.h"
#include "support/bmp_writer.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"

// A w x h context, cleared black, with the window's perspective and drawing state, and fog.
static void OpenWindow(HeadlessGL& gl, int w, int h, uint32_t fov = 90) {
  ASSERT_TRUE(gl.Create(w, h)) << gl.error();
  SetGLContextAlive(true);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(fov, static_cast<double>(w) / h, 0.02, 7.5);
  glMatrixMode(GL_MODELVIEW);
  for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0, GL_FOG}) glEnable(cap);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

static int Red(const std::vector<uint8_t>& px, int w, int x, int yFromTop) { return px[(size_t(yFromTop) * w + x) * 4]; }

TEST(SkyGL, HugeHeadingsRepeatAndStateIsRestored) {
  const int w = 64, h = 48;
  HeadlessGL gl;
  OpenWindow(gl, w, h);
  TempDir dir;
  WriteFile(dir.File("sky.bmp"), MakeBmp(64, 64, [](int x, int y) { return Rgb{uint8_t(4 * x), uint8_t(4 * y), 200}; }));
  SkyBox sky;
  ASSERT_TRUE(sky.texture.LoadBMP(dir.File("sky.bmp").c_str()));
  sky.texture.Bind();
  const std::vector<double> before = GLStateSnapshot();
  // A heading of ten million degrees shows exactly what its remainder, 100, shows.
  sky.Draw(0, 100, 90, 1.05f, float(w) / h);
  const std::vector<uint8_t> ordinary = gl.ReadPixelsTopDown();
  sky.Draw(0, 1e7f, 90, 1.05f, float(w) / h);
  EXPECT_TRUE(ordinary == gl.ReadPixelsTopDown());
  EXPECT_EQ(GLStateSnapshot(), before);  // wrap modes back to clamp, everything else kept

  // Without an image the sky is plain grey, and no texture name is made up for it;
  // without width (or with an aspect that is no number) it draws nothing.
  SkyBox empty;
  glClear(GL_COLOR_BUFFER_BIT);
  for (float aspect : {0.0f, NAN}) empty.Draw(0, 0, 90, 1.0f, aspect);
  EXPECT_EQ(Red(gl.ReadPixelsTopDown(), w, w / 2, h / 2), 0);
  empty.Draw(0, 0, 90, 0.5f, float(w) / h);
  EXPECT_NEAR(Red(gl.ReadPixelsTopDown(), w, 0, 0), 128, 2);
  EXPECT_NEAR(Red(gl.ReadPixelsTopDown(), w, w - 1, h - 1), 128, 2);
  EXPECT_EQ(GLStateSnapshot(), before);
}

TEST(CrosshairGL, RefusedSizesAndTransparenciesAndStateRestored) {
  HeadlessGL gl;
  OpenWindow(gl, 320, 240);
  Crosshair crosshair;
  crosshair.Draw(90, 320.0f / 240.0f);  // no image yet: nothing drawn
  EXPECT_EQ(Red(gl.ReadPixelsTopDown(), 320, 160, 120), 0);
  TempDir dir;
  WriteFile(dir.File("broken.bmp"), std::vector<uint8_t>(100, 'X'));  // an image that failed: nothing either
  testing::internal::CaptureStderr();
  EXPECT_FALSE(crosshair.LoadTexture(dir.File("broken.bmp").c_str()));
  testing::internal::GetCapturedStderr();
  crosshair.Draw(90, 320.0f / 240.0f);
  EXPECT_EQ(Red(gl.ReadPixelsTopDown(), 320, 160, 120), 0);
  WriteFile(dir.File("cross.bmp"), MakeSolidBmp(16, 16, Rgb{255, 255, 255}));
  ASSERT_TRUE(crosshair.LoadTexture(dir.File("cross.bmp").c_str()));
  for (float bad : {0.0f, -2.0f, NAN, INFINITY}) crosshair.SetSize(bad);
  for (float bad : {0.0f, -1.0f, 1.0f, 1.5f, NAN}) crosshair.SetTransparency(bad);
  EXPECT_TRUE(crosshair.size == 1.0f && crosshair.transparency == 1.0f);
  crosshair.texture.Bind();
  const std::vector<double> before = GLStateSnapshot();
  crosshair.Draw(90, 320.0f / 240.0f);
  EXPECT_EQ(Red(gl.ReadPixelsTopDown(), 320, 160, 120), 255);
  EXPECT_EQ(GLStateSnapshot(), before);
}

TEST(LightsGL, FlashlightSwitchedOffAtDestructionOnlyWhileGLLives) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(8, 8)) << gl.error();
  SetGLContextAlive(true);
  Sunlight sun;
  sun.Update();  // before set-up there is no light to send to
  {
    Flashlight flash;
    Light& light = flash;  // the scene's calls reach the overrides through the base
    light.Enable(GL_LIGHT1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
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
