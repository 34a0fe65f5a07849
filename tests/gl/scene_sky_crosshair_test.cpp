// The sky and the crosshair in a headless context: the window's corners in eye space,
// how the sky scrolls, the crosshair's size in pixels, and the state both restore.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "headless/headless_gl.h"
#include "scene/crosshair.h"
#include "scene/sky_box.h"
#include "support/bmp_writer.h"
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

// Switches, blend factors, matrix mode, the bound texture's wrap modes and all matrices.
std::vector<double> DrawingState() {
  std::vector<double> s;
  for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_TEXTURE_2D}) s.push_back(glIsEnabled(cap));
  GLint v[1];
  for (GLenum e : {GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE}) { glGetIntegerv(e, v); s.push_back(v[0]); }
  for (GLenum e : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) { glGetTexParameteriv(GL_TEXTURE_2D, e, v); s.push_back(v[0]); }
  GLdouble m[16];
  for (GLenum e : {GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX, GL_TEXTURE_MATRIX}) {
    glGetDoublev(e, m);
    s.insert(s.end(), m, m + 16);
  }
  return s;
}

std::vector<float> CurrentColour() {
  std::vector<float> c(4);
  glGetFloatv(GL_CURRENT_COLOR, c.data());
  return c;
}

}  // namespace

TEST(SkyGL, ScrollsRepeatsAndRestoresState) {
  for (float corner : {-1.0f, 1.0f}) {  // field of view 90 at 4:3
    const Float3 p = ScreenToEye(corner, corner, -1, 90, 4.0f / 3.0f);
    EXPECT_NEAR(p.x, corner * 4.0 / 3.0, 1e-6);
    EXPECT_NEAR(p.y, corner, 1e-6);
    EXPECT_EQ(p.z, -1.0f);
  }

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
  const std::vector<double> before = DrawingState();
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
  expectBands(0, 0, 1.05f, 0, 0);     // the image spans the window exactly once
  expectBands(0, 150, 1.05f, 0, 0);   // one turn of the image
  expectBands(0, 75, 1.05f, 4, 0);    // half a turn of the image: half the window
  expectBands(50, 0, 1.05f, 0, 4);
  // Shifts of less than half tell the directions apart. Turning left moves the sky to
  // the right, as the world outside does; looking down moves it up.
  expectBands(0, 18.75f, 1.05f, 1, 0);   // an eighth of 150 degrees: one band right
  expectBands(0, -37.5f, 1.05f, -2, 0);  // turning right: two bands left
  expectBands(12.5f, 0, 1.05f, 0, 1);    // an eighth of 100 degrees: one band up
  // A heading of ten million degrees shows exactly what its remainder, 100, shows.
  sky.Draw(0, 100, 90, 1.05f, float(w) / h);
  const std::vector<uint8_t> ordinary = gl.ReadPixelsTopDown();
  sky.Draw(0, 1e7f, 90, 1.05f, float(w) / h);
  EXPECT_TRUE(ordinary == gl.ReadPixelsTopDown());
  expectBands(0, 0, 0.5f, 0, 0);      // ambient 0.2 + diffuse 0.3: half brightness
  EXPECT_EQ(DrawingState(), before);  // wrap modes back to clamp, everything else kept
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
  EXPECT_FALSE(glIsTexture(0xFFFFFFFFu));
  EXPECT_EQ(DrawingState(), before);
}

TEST(CrosshairGL, SquareOfSizeTimesWidthOver30PixelsBlendedAndRestored) {
  const struct { int w, h; uint32_t fov; float size; double side; } cases[] = {
      {320, 240, 90, 1, 10.67}, {640, 480, 90, 1, 21.33}, {640, 240, 90, 1, 21.33},
      {640, 480, 60, 1, 21.33}, {640, 480, 90, 3, 64.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " fov " << c.fov << " size " << c.size);
    HeadlessGL gl;
    OpenWindow(gl, c.w, c.h, c.fov);
    TempDir dir;
    WriteFile(dir.File("cross.bmp"), MakeSolidBmp(16, 16, Rgb{255, 255, 255}));
    Crosshair crosshair;
    ASSERT_TRUE(crosshair.LoadTexture(dir.File("cross.bmp").c_str()));
    for (float bad : {0.0f, -2.0f, NAN, INFINITY}) crosshair.SetSize(bad);
    for (float bad : {0.0f, -1.0f, 1.0f, 1.5f, NAN}) crosshair.SetTransparency(bad);
    EXPECT_TRUE(crosshair.size == 1.0f && crosshair.transparency == 1.0f);
    crosshair.SetSize(c.size);
    crosshair.SetTransparency(0.5f);
    const std::vector<double> before = DrawingState();
    crosshair.Draw(c.fov, float(c.w) / c.h);
    // Covered pixels along the middle row and column (edges are dimmed by filtering).
    const std::vector<uint8_t> px = gl.ReadPixelsTopDown();
    int across = 0, up = 0;
    for (int x = 0; x < c.w; ++x) across += Red(px, c.w, x, c.h / 2) > 16;
    for (int y = 0; y < c.h; ++y) up += Red(px, c.w, c.w / 2, y) > 16;
    EXPECT_NEAR(across, c.side, 1.0);
    EXPECT_NEAR(up, c.side, 1.0);
    EXPECT_NEAR(Red(px, c.w, c.w / 2, c.h / 2), 128, 3);  // half over black
    EXPECT_EQ(DrawingState(), before);
    EXPECT_EQ(CurrentColour(), (std::vector<float>{1, 1, 1, 0.5f}));
  }
}
