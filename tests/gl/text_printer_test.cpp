// The text printer in a real (headless) context: the font texture's format, where and in
// which colour the glyphs land, and every piece of state a print restores.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "support/test_files.h"
#include "text/text_printer.h"

namespace {

const GLenum kSwitches[] = {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_LIGHTING, GL_SCISSOR_TEST, GL_BLEND};

// Every switch, function, box and matrix a print touches, as numbers.
std::vector<float> StateSnapshot() {
  std::vector<float> s;
  for (GLenum cap : kSwitches) s.push_back(glIsEnabled(cap));
  for (GLenum name : {GL_POLYGON_MODE, GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE, GL_SCISSOR_BOX}) {
    GLint v[4] = {};
    glGetIntegerv(name, v);
    s.insert(s.end(), v, v + 4);
  }
  for (GLenum name : {GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX}) {
    GLfloat m[16];
    glGetFloatv(name, m);
    s.insert(s.end(), m, m + 16);
  }
  return s;
}

// Red and green of the pixel at column x, row y from the bottom.
std::array<int, 2> RedGreen(int x, int y) {
  GLubyte p[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1]};
}

class TextPrinterGL : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl_.Create(96, 48)) << gl_.error(); }
  // Loads a 32 x 32 grey or true-colour font, every byte 255: each glyph a full opaque cell.
  bool LoadFont(int bits) {
    std::vector<uint8_t> tga(18, 0);
    tga[2] = bits == 8 ? 3 : 2;
    tga[12] = tga[14] = 32;
    tga[16] = static_cast<uint8_t>(bits);
    tga.resize(18 + 32 * 32 * bits / 8, 255);
    const std::string path = dir_.File("font" + std::to_string(bits) + ".tga");
    WriteFile(path, tga);
    return TextPrinter::LoadFont(path.c_str()) == kFontLoaded;
  }
  HeadlessGL gl_;
  TempDir dir_;
};

}  // namespace

TEST_F(TextPrinterGL, FontTextureFormatFollowsTheBitDepth) {
  const struct { int bits; GLenum format; } cases[] = {{8, GL_ALPHA}, {24, GL_RGB}, {32, GL_RGBA}};
  for (const auto& c : cases) {
    ASSERT_TRUE(LoadFont(c.bits)) << c.bits;
    EXPECT_EQ(TextPrinter::FontPixelFormatGL(), c.format);
    glBindTexture(GL_TEXTURE_2D, TextPrinter::FontTexture());
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_EQ(static_cast<GLenum>(internal), c.format) << c.bits;
  }
  // A missing font is named on stderr and still leaves a texture name to draw with.
  testing::internal::CaptureStderr();
  EXPECT_EQ(TextPrinter::LoadFont(dir_.File("missing.tga").c_str()), kFontCannotOpen);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing.tga"), std::string::npos);
  EXPECT_NE(TextPrinter::FontTexture(), 0u);
}

TEST_F(TextPrinterGL, CounterQuadsLandInWindowPixelsAndColourLastsOneCall) {
  ASSERT_TRUE(LoadFont(8));
  // Window bounding boxes (left, bottom, right, top) of the polygons the counter emits.
  std::vector<GLfloat> feedback(4096);
  glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
  glRenderMode(GL_FEEDBACK);
  TextPrinter::Print(10, 20, "%iFPS", 60);
  const GLint used = glRenderMode(GL_RENDER);
  std::set<std::array<long, 4>> boxes, expected;
  for (GLint i = 0; i < used && feedback[i] == GL_POLYGON_TOKEN; i += 2 + 2 * static_cast<GLint>(feedback[i + 1])) {
    std::array<long, 4> box = {1000, 1000, -1000, -1000};
    for (GLint k = i + 2; k < i + 2 + 2 * static_cast<GLint>(feedback[i + 1]); k += 2) {
      const long x = std::lround(feedback[k]), y = std::lround(feedback[k + 1]);
      box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    }
    boxes.insert(box);  // a quad split into triangles still gives its cell's box
  }
  for (long i = 0; i < 5; ++i) expected.insert({10 + 12 * i, 20, 22 + 12 * i, 32});
  EXPECT_EQ(boxes, expected);

  glClear(GL_COLOR_BUFFER_BIT);
  TextPrinter::Print(4, 4, "\\c(255 0 0)A");
  TextPrinter::Print(40, 4, "A");
  EXPECT_EQ(RedGreen(10, 10), (std::array<int, 2>{255, 0}));
  EXPECT_EQ(RedGreen(46, 10), (std::array<int, 2>{255, 255}));
  EXPECT_EQ(RedGreen(30, 10), (std::array<int, 2>{0, 0}));  // nothing between the glyphs
}

TEST_F(TextPrinterGL, RestoresEveryStateItChangesEitherWay) {
  ASSERT_TRUE(LoadFont(8));
  for (bool on : {true, false}) {
    SCOPED_TRACE(on ? "switches on" : "switches off");
    glPolygonMode(GL_FRONT, on ? GL_LINE : GL_FILL);
    glPolygonMode(GL_BACK, on ? GL_POINT : GL_FILL);
    for (GLenum cap : kSwitches) on ? glEnable(cap) : glDisable(cap);
    glBlendFunc(on ? GL_ONE : GL_DST_COLOR, on ? GL_ONE : GL_SRC_COLOR);
    glScissor(3, 5, 7, 9);
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(30, 0, 1, 0);
    glMatrixMode(on ? GL_PROJECTION : GL_TEXTURE);

    const std::vector<float> before = StateSnapshot();
    TextPrinter::Print(5, 30, "\\b+\\i+\\c(0 255 0)%d\n\tx", 42);
    EXPECT_EQ(StateSnapshot(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The style is back to its start for the next call.
    EXPECT_TRUE(!TextPrinter::Style().bold && TextPrinter::Style().slant == 0);
  }
}

TEST_F(TextPrinterGL, NoTextWithoutAFontUntilALoadSucceeds) {
  // A file that is not there, and a header whose pixels are missing.
  std::vector<uint8_t> header(18, 0);
  header[2] = 3;
  header[12] = header[14] = 32;
  header[16] = 8;
  WriteFile(dir_.File("broken.tga"), header);
  for (const std::string& path : {dir_.File("missing.tga"), dir_.File("broken.tga")}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(LoadFont(8));  // a good font before does not carry over
    testing::internal::CaptureStderr();
    EXPECT_NE(TextPrinter::LoadFont(path.c_str()), kFontLoaded);
    testing::internal::GetCapturedStderr();
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> before = gl_.ReadPixelsTopDown();
    TextPrinter::Print(10, 20, "%iFPS", 60);
    EXPECT_TRUE(gl_.ReadPixelsTopDown() == before);
  }
  ASSERT_TRUE(LoadFont(8));
  TextPrinter::Print(10, 20, "%iFPS", 60);
  EXPECT_EQ(RedGreen(14, 24), (std::array<int, 2>{255, 255}));
}
