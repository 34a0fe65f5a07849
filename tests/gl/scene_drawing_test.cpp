// The scene's lights, sky and crosshair in a headless context: the light parameters and
// the flashlight switched off at exit only while GL lives; how the sky scrolls and
// repeats; the crosshair's size in pixels whatever the window's shape; the state restored.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// A w x h context, cleared black, with the window's perspective and drawing state, and fog.
void OpenWindow(HeadlessGL& gl, int w, int h, uint32_t fov = 90) {
  ASSERT_TRUE(gl.Create(w, h)) << gl.error();
  SetGLContextAlive(true);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(fov, static_cast<double>(w) / h, 0.02, 7.5);
  glMatrixMode(GL_MODELVIEW);
  for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0, GL_FOG}) glEnable(cap);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int Red(const std::vector<uint8_t>& px, int w, int x, int yFromTop) { return px[(size_t(yFromTop) * w + x) * 4]; }

std::vector<float> CurrentColour() {
  std::vector<float> c(4);
  glGetFloatv(GL_CURRENT_COLOR, c.data());
  return c;
}

}  // namespace

TEST(SkyGL, ScrollsRepeatsAndRestoresState) {
  const int w = 64, h = 48;
  HeadlessGL gl;
  OpenWindow(gl, w, h);
  TempDir dir;
  // 8 x 8 bands: red numbers the column band, green the row band from the top.
  WriteFile(dir.File("sky.bmp"), MakeBmp(64, 64, [](int x, int y) {
              return Rgb{uint8_t(20 + 30 * (x / 8)), uint8_t(20 + 30 * (y / 8)), 200};
            }));
  SkyBox sky;
  ASSERT_TRUE(sky.texture.LoadBMP(dir.File("sky.bmp").c_str()));
  sky.texture.Bind();
  const std::vector<double> before = GLStateSnapshot();
  // Band centres after the image moved by whole bands (8 bands each way).
  auto expectBands = [&](float pitch, float heading, float brightness, int shiftX, int shiftY) {
    sky.Draw(pitch, heading, 90, brightness, float(w) / h);
    const std::vector<uint8_t> px = gl.ReadPixelsTopDown();
    const double grey = std::min(brightness, 1.0f);
    for (int c = 0; c < 8; ++c)
      for (int r = 0; r < 8; ++r) {
        const size_t at = (size_t(6 * r + 3) * w + 8 * c + 4) * 4;
        EXPECT_NEAR(px[at], (20 + 30 * ((c - shiftX + 8) % 8)) * grey, 4) << pitch << " " << heading;
        EXPECT_NEAR(px[at + 1], (20 + 30 * ((r + shiftY) % 8)) * grey, 4) << pitch << " " << heading;
      }
  };
  expectBands(0, 0, 1.05f, 0, 0);  // the image spans the window exactly once
  // Turning left moves the sky to the right, as the world outside does; looking down
  // moves it up.
  expectBands(0, 18.75f, 1.05f, 1, 0);   // an eighth of 150 degrees: one band right
  expectBands(0, -37.5f, 1.05f, -2, 0);  // turning right: two bands left
  expectBands(12.5f, 0, 1.05f, 0, 1);    // an eighth of 100 degrees: one band up
  // A heading of ten million degrees shows exactly what its remainder, 100, shows.
  sky.Draw(0, 100, 90, 1.05f, float(w) / h);
  const std::vector<uint8_t> ordinary = gl.ReadPixelsTopDown();
  sky.Draw(0, 1e7f, 90, 1.05f, float(w) / h);
  EXPECT_TRUE(ordinary == gl.ReadPixelsTopDown());
  expectBands(0, 0, 0.5f, 0, 0);  // ambient 0.2 + diffuse 0.3: half brightness
  EXPECT_EQ(GLStateSnapshot(), before);  // wrap modes back to clamp, everything else kept
  EXPECT_EQ(CurrentColour(), (std::vector<float>{0.5f, 0.5f, 0.5f, 1}));

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

TEST(CrosshairGL, SquareOfSizeTimesWidthOver30PixelsBlendedAndRestored) {
  const struct { int w, h; uint32_t fov; float size; double side; } cases[] = {
      {320, 240, 90, 1, 10.67}, {640, 480, 90, 1, 21.33}, {640, 240, 90, 1, 21.33},
      {640, 480, 60, 1, 21.33}, {640, 480, 90, 3, 64.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " fov " << c.fov << " size " << c.size);
    HeadlessGL gl;
    OpenWindow(gl, c.w, c.h, c.fov);
    Crosshair crosshair;
    crosshair.Draw(c.fov, float(c.w) / float(c.h));  // no image yet: nothing drawn
    EXPECT_EQ(Red(gl.ReadPixelsTopDown(), c.w, c.w / 2, c.h / 2), 0);
    TempDir dir;
    WriteFile(dir.File("cross.bmp"), MakeSolidBmp(16, 16, Rgb{255, 255, 255}));
    ASSERT_TRUE(crosshair.LoadTexture(dir.File("cross.bmp").c_str()));
    for (float bad : {0.0f, -2.0f, NAN, INFINITY}) crosshair.SetSize(bad);
    for (float bad : {0.0f, -1.0f, 1.0f, 1.5f, NAN}) crosshair.SetTransparency(bad);
    EXPECT_TRUE(crosshair.size == 1.0f && crosshair.transparency == 1.0f);
    crosshair.SetSize(c.size);
    crosshair.SetTransparency(0.5f);
    crosshair.texture.Bind();
    const std::vector<double> before = GLStateSnapshot();
    crosshair.Draw(c.fov, float(c.w) / float(c.h));
    // Covered pixels along the middle row and column (edges are dimmed by filtering).
    const std::vector<uint8_t> px = gl.ReadPixelsTopDown();
    int across = 0, up = 0;
    for (int x = 0; x < c.w; ++x) across += Red(px, c.w, x, c.h / 2) > 16;
    for (int y = 0; y < c.h; ++y) up += Red(px, c.w, c.w / 2, y) > 16;
    EXPECT_TRUE(std::fabs(across - c.side) <= 1.0 && std::fabs(up - c.side) <= 1.0) << across << " x " << up;
    EXPECT_NEAR(Red(px, c.w, c.w / 2, c.h / 2), 128, 3);  // half over black
    EXPECT_EQ(GLStateSnapshot(), before);
    EXPECT_EQ(CurrentColour(), (std::vector<float>{1, 1, 1, 0.5f}));
  }
}

TEST(LightsGL, SunAndFlashlightAsTheSceneSetsThemUp) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(8, 8)) << gl.error();
  SetGLContextAlive(true);
  Sunlight sun;
  sun.Update();  // before set-up there is no light to send to
  sun.Setup(GL_LIGHT0, 0.2f, 0.6f, 10.0f, 5.0f);
  glScalef(2, 1, 1);  // the direction goes through the current matrix
  sun.Update();
  glLoadIdentity();
  {
    Flashlight flash;
    Light& light = flash;  // the scene's calls reach the overrides through the base
    light.Enable(GL_LIGHT1);
    light.Update();
    const struct { GLenum light, name; std::vector<float> values; } params[] = {
        {GL_LIGHT0, GL_AMBIENT, {0.2f, 0.2f, 0.2f, 1}}, {GL_LIGHT0, GL_DIFFUSE, {0.6f, 0.6f, 0.6f, 1}},
        {GL_LIGHT0, GL_POSITION, {20, 1.7f, 5, 0}},     {GL_LIGHT1, GL_DIFFUSE, {1, 1, 1, 1}},
        {GL_LIGHT1, GL_SPOT_CUTOFF, {15}},              {GL_LIGHT1, GL_SPOT_EXPONENT, {128}},
        {GL_LIGHT1, GL_POSITION, {0, 0, 1, 1}},         {GL_LIGHT1, GL_SPOT_DIRECTION, {0, 0, -1}}};
    for (const auto& p : params) {
      std::vector<float> v(4, -99.0f);
      glGetLightfv(p.light, p.name, v.data());
      v.resize(p.values.size());
      EXPECT_EQ(v, p.values) << "light " << p.light - GL_LIGHT0 << " parameter " << p.name;
    }
    EXPECT_TRUE(!glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_LIGHT1));  // the sun's set-up does not switch it on
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
