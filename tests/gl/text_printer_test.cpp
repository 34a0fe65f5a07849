// The text printer in a real (headless) context: the font texture's format, the
// quads it emits, the colours it draws, and every piece of state it restores.
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

// Grey or true-colour Targa, every byte 255 (an opaque font: each glyph a full cell).
std::vector<uint8_t> OpaqueTga(int side, int bits) {
  std::vector<uint8_t> out(18, 0);
  out[2] = bits == 8 ? 3 : 2;
  out[12] = static_cast<uint8_t>(side);
  out[14] = static_cast<uint8_t>(side);
  out[16] = static_cast<uint8_t>(bits);
  out.resize(out.size() + static_cast<size_t>(side) * side * (bits / 8), 255);
  return out;
}

class TextPrinterGL : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(96, 48)) << gl_.error();
    font_ = dir_.File("font.tga");
    WriteFile(font_, OpaqueTga(16, 8));
  }
  HeadlessGL gl_;
  TempDir dir_;
  std::string font_;
};

// Window-coordinate polygons captured in feedback mode while `draw` runs.
std::vector<std::vector<std::array<float, 2>>> FeedbackPolygons(void (*draw)()) {
  std::vector<GLfloat> buffer(4096);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<std::vector<std::array<float, 2>>> polygons;
  for (GLint i = 0; i < used;) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    if (token != GL_POLYGON_TOKEN) break;
    const GLint n = static_cast<GLint>(buffer[i++]);
    polygons.emplace_back();
    for (GLint k = 0; k < n; ++k, i += 2) polygons.back().push_back({buffer[i], buffer[i + 1]});
  }
  return polygons;
}

}  // namespace

TEST_F(TextPrinterGL, FontTextureFormatFollowsTheBitDepth) {
  const struct {
    int bits;
    GLenum format;
  } cases[] = {{8, GL_ALPHA}, {24, GL_RGB}, {32, GL_RGBA}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    const std::string path = dir_.File("font" + std::to_string(c.bits) + ".tga");
    WriteFile(path, OpaqueTga(32, c.bits));
    ASSERT_EQ(TextPrinter::LoadFont(path.c_str()), kFontLoaded);
    EXPECT_EQ(TextPrinter::FontPixelFormatGL(), c.format);
    glBindTexture(GL_TEXTURE_2D, TextPrinter::FontTexture());
    GLint internal = 0, width = 0, minFilter = 0, wrap = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(static_cast<GLenum>(internal), c.format);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_REPEAT);
  }
  // A missing font still leaves a texture name to draw with.
  testing::internal::CaptureStderr();
  EXPECT_EQ(TextPrinter::LoadFont(dir_.File("missing.tga").c_str()), kFontCannotOpen);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing.tga"), std::string::npos);
  EXPECT_NE(TextPrinter::FontTexture(), 0u);
}

TEST_F(TextPrinterGL, CounterEmitsOneQuadPerCharacterInWindowPixels) {
  ASSERT_EQ(TextPrinter::LoadFont(font_.c_str()), kFontLoaded);
  const auto polygons = FeedbackPolygons([] { TextPrinter::Print(10, 20, "%iFPS", 60); });
  // The driver may split each quad into triangles; each piece spans its glyph's cell.
  std::set<std::array<float, 4>> boxes;
  for (const auto& polygon : polygons) {
    std::array<float, 4> box = {1e9f, 1e9f, -1e9f, -1e9f};
    for (const auto& v : polygon) {
      box = {std::min(box[0], v[0]), std::min(box[1], v[1]), std::max(box[2], v[0]), std::max(box[3], v[1])};
    }
    boxes.insert({std::round(box[0]), std::round(box[1]), std::round(box[2]), std::round(box[3])});
  }
  std::set<std::array<float, 4>> expected;
  for (int i = 0; i < 5; ++i) expected.insert({10.0f + 12 * i, 20.0f, 22.0f + 12 * i, 32.0f});
  EXPECT_EQ(boxes, expected);
  EXPECT_TRUE(FeedbackPolygons([] { TextPrinter::Print(0, 0, "%s", ""); }).empty());
}

TEST_F(TextPrinterGL, ColourEscapeLastsOneCallOnly) {
  ASSERT_EQ(TextPrinter::LoadFont(font_.c_str()), kFontLoaded);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  TextPrinter::Print(4, 4, "\\c(255 0 0)A");
  EXPECT_EQ(TextPrinter::Style().colour[1], 1.0f);
  TextPrinter::Print(40, 4, "A");
  const auto pixels = gl_.ReadPixelsTopDown();
  auto at = [&](int x, int yFromBottom) {
    const size_t row = static_cast<size_t>(gl_.height() - 1 - yFromBottom);
    return &pixels[(row * gl_.width() + x) * 4];
  };
  EXPECT_EQ(at(10, 10)[0], 255);
  EXPECT_EQ(at(10, 10)[1], 0);
  EXPECT_EQ(at(46, 10)[0], 255);
  EXPECT_EQ(at(46, 10)[1], 255);
  EXPECT_EQ(at(30, 10)[0], 0);  // between the glyphs nothing is drawn
}

namespace {

struct GLStateSnapshot {
  GLint polygonMode[2];
  GLboolean texture2D, depthTest, lighting, scissorTest, blend;
  GLint blendSrc, blendDst, matrixMode;
  GLint scissorBox[4];
  GLfloat projection[16], modelview[16];

  static GLStateSnapshot Take() {
    GLStateSnapshot s{};
    glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
    s.texture2D = glIsEnabled(GL_TEXTURE_2D);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    s.lighting = glIsEnabled(GL_LIGHTING);
    s.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    s.blend = glIsEnabled(GL_BLEND);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    return s;
  }
};

void ExpectSame(const GLStateSnapshot& a, const GLStateSnapshot& b) {
  EXPECT_EQ(a.polygonMode[0], b.polygonMode[0]);
  EXPECT_EQ(a.polygonMode[1], b.polygonMode[1]);
  EXPECT_EQ(a.texture2D, b.texture2D);
  EXPECT_EQ(a.depthTest, b.depthTest);
  EXPECT_EQ(a.lighting, b.lighting);
  EXPECT_EQ(a.scissorTest, b.scissorTest);
  EXPECT_EQ(a.blend, b.blend);
  EXPECT_EQ(a.blendSrc, b.blendSrc);
  EXPECT_EQ(a.blendDst, b.blendDst);
  EXPECT_EQ(a.matrixMode, b.matrixMode);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a.scissorBox[i], b.scissorBox[i]);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(a.projection[i], b.projection[i]);
    EXPECT_EQ(a.modelview[i], b.modelview[i]);
  }
}

void SetSwitch(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

}  // namespace

TEST_F(TextPrinterGL, RestoresEveryStateItChangesEitherWay) {
  ASSERT_EQ(TextPrinter::LoadFont(font_.c_str()), kFontLoaded);
  for (bool on : {true, false}) {
    SCOPED_TRACE(on ? "switches on" : "switches off");
    glPolygonMode(GL_FRONT, on ? GL_LINE : GL_FILL);
    glPolygonMode(GL_BACK, on ? GL_POINT : GL_FILL);
    SetSwitch(GL_TEXTURE_2D, on);
    SetSwitch(GL_DEPTH_TEST, on);
    SetSwitch(GL_LIGHTING, on);
    SetSwitch(GL_SCISSOR_TEST, on);
    SetSwitch(GL_BLEND, on);
    glBlendFunc(on ? GL_ONE : GL_DST_COLOR, on ? GL_ONE : GL_SRC_COLOR);
    glScissor(3, 5, 7, 9);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30, 0, 1, 0);
    glMatrixMode(on ? GL_PROJECTION : GL_TEXTURE);

    const GLStateSnapshot before = GLStateSnapshot::Take();
    TextPrinter::Print(5, 30, "\\b+\\i+\\c(0 255 0)%d\n\tx", 42);
    ExpectSame(before, GLStateSnapshot::Take());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The style is back to its start for the next call.
    EXPECT_FALSE(TextPrinter::Style().bold);
    EXPECT_EQ(TextPrinter::Style().slant, 0);
    EXPECT_EQ(TextPrinter::Style().colour[0], 1.0f);
  }
}
