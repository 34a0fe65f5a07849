// The text printer in a real (headless) context: the font texture's format, where and in
// which colour the glyphs land, every piece of state a print restores, and no text
// without a usable font.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "support/gl_capture.h"
#include "support/test_files.h"
#include "text/text_printer.h"

// Red and green of the pixel at column x, row y from the bottom.
static std::array<int, 2> RedGreen(int x, int y) {
  GLubyte p[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1]};
}

class TextPrinterGL : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl_.Create(96, 48)) << gl_.error(); }
  // Loads a 32 x 32 font of `bits` per pixel, every byte 255: each glyph a full opaque cell.
  int LoadFont(int bits) {
    std::vector<uint8_t> tga = {0, 0, uint8_t(bits == 8 ? 3 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                32, 0, 32, 0, uint8_t(bits), 0};
    tga.resize(18 + 32 * 32 * bits / 8, 255);
    WriteFile(dir_.File("font.tga"), tga);
    return TextPrinter::LoadFont(dir_.File("font.tga").c_str());
  }
  HeadlessGL gl_;
  TempDir dir_;
};

TEST_F(TextPrinterGL, FontFormatsAndNoTextWithoutAFontUntilALoadSucceeds) {
  for (const auto& [bits, format] : {std::pair{8, GL_ALPHA}, {24, GL_RGBA}, {32, GL_RGBA}}) {
    ASSERT_EQ(LoadFont(bits), kFontLoaded) << bits;
    glBindTexture(GL_TEXTURE_2D, TextPrinter::FontTexture());
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_TRUE(TextPrinter::FontPixelFormatGL() == GLenum(format) && GLenum(internal) == GLenum(format)) << bits;
  }
  // A file that is not there, and a header whose pixels are missing: one line each, and
  // a good font loaded before does not carry over.
  WriteFile(dir_.File("broken.tga"), std::vector<uint8_t>{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 32, 0, 8, 0});
  for (const std::string& path : {dir_.File("missing.tga"), dir_.File("broken.tga")}) {
    ASSERT_EQ(LoadFont(8), kFontLoaded);
    testing::internal::CaptureStderr();
    EXPECT_NE(TextPrinter::LoadFont(path.c_str()), kFontLoaded);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.find(path) != std::string::npos && std::count(err.begin(), err.end(), '\n') == 1) << err;
    glClear(GL_COLOR_BUFFER_BIT);
    TextPrinter::Print(10, 20, "%iFPS", 60);
    EXPECT_EQ(RedGreen(14, 24), (std::array<int, 2>{0, 0}));
  }
  ASSERT_EQ(LoadFont(8), kFontLoaded);
  TextPrinter::Print(10, 20, "%iFPS", 60);
  EXPECT_EQ(RedGreen(14, 24), (std::array<int, 2>{255, 255}));
}

TEST_F(TextPrinterGL, GlyphsLandInWindowPixelsColourLastsOneCallAndStateIsRestored) {
  ASSERT_EQ(LoadFont(8), kFontLoaded);
  glClear(GL_COLOR_BUFFER_BIT);
  // A 12-pixel cell from (10, 20) whose top edge italic shifts 8 pixels to the right.
  TextPrinter::Print(10, 20, "\\i+A");
  for (const auto& [x, y, red] : {std::array<int, 3>{10, 20, 255}, {9, 20, 0}, {10, 19, 0}, {27, 30, 255}, {12, 30, 0}})
    EXPECT_EQ(RedGreen(x, y)[0], red) << x << ", " << y;
  TextPrinter::Print(4, 4, "\\c(255 0 0)A");
  TextPrinter::Print(40, 4, "A");
  EXPECT_EQ(RedGreen(10, 10), (std::array<int, 2>{255, 0}));
  EXPECT_EQ(RedGreen(46, 10), (std::array<int, 2>{255, 255}));
  EXPECT_EQ(RedGreen(30, 10), (std::array<int, 2>{0, 0}));  // nothing between the glyphs

  // Every switch in the state a print turns it away from, and everything else it sets
  // away from what it sets; the font's texture stays bound afterwards.
  glBindTexture(GL_TEXTURE_2D, TextPrinter::FontTexture());
  glPolygonMode(GL_FRONT, GL_LINE);
  glPolygonMode(GL_BACK, GL_POINT);
  for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING}) glEnable(cap);
  for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_SCISSOR_TEST}) glDisable(cap);
  glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
  glScissor(3, 5, 7, 9);
  glRotatef(30, 0, 1, 0);
  glMatrixMode(GL_PROJECTION);
  glFrustum(-1, 1, -1, 1, 1, 10);
  glMatrixMode(GL_TEXTURE);
  const std::vector<double> before = GLStateSnapshot();
  TextPrinter::Print(5, 30, "\\b+\\i+\\c(0 255 0)%d\n\tx", 42);
  EXPECT_EQ(GLStateSnapshot(), before);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The style is back to its start for the next call.
  EXPECT_TRUE(!TextPrinter::Style().bold && TextPrinter::Style().slant == 0 && TextPrinter::Style().colour[1] == 1.0f);
}
