// Texture objects in a real GL context: what the two loaders upload (read back, bottom
// picture row at t = 0), what a failed load leaves, the slot table and releasing without
// a context. The colour-key loader's exit on a missing file is checked by the start-up
// rows (the crosshair).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"
#include "textures/texture.h"

static bool Load(Texture& texture, bool keyed, const std::string& file) {
  return keyed ? texture.LoadBMPWithAlpha(file.c_str()) : texture.LoadBMP(file.c_str());
}

// Level 0 of the texture as RGBA rows, bottom row first, and its size.
static std::vector<uint8_t> Level0(const Texture& texture, GLint size[2]) {
  texture.Bind();
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
  std::vector<uint8_t> rgba(static_cast<size_t>(size[0]) * size[1] * 4);
  if (!rgba.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

TEST(TextureTest, LoadersUploadBottomRowFirstWithTheColourKeyAndFailuresLeaveANameOnly) {
  HeadlessGL gl;
  ASSERT_TRUE(gl.Create(16, 16)) << gl.error();
  SetGLContextAlive(true);
  TempDir dir;
  // One colour per picture row, bottom row first: widths that are not a power of two are
  // stored at one and must keep every row, and rows one pixel wide are 3 bytes, not
  // padded. Black and pure blue are keyed out; (1,0,0) and (0,1,0) not.
  const Rgb rows[] = {{250, 0, 0}, {0, 250, 0}, {10, 20, 250}, {0, 0, 0}, {0, 0, 255}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}};
  const std::pair<int, BmpLayout> layouts[] = {{8, {}}, {1, {}}, {5, {40, true}}, {127, {124, false}}};
  for (const auto& [width, layout] : layouts) {
    WriteFile(dir.File("l.bmp"), MakeBmp(width, 8, [&](int, int y) { return rows[7 - y]; }, layout));
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "width " << width << " keyed " << keyed);
      Texture texture;
      ASSERT_TRUE(Load(texture, keyed, dir.File("l.bmp")));
      GLint size[2];
      const std::vector<uint8_t> rgba = Level0(texture, size);
      int wrong = 0;
      for (size_t i = 0; i < rgba.size(); i += 4) {
        const Rgb c = rows[i / 4 / size[0]];
        wrong += std::abs(rgba[i] - c.r) > 1 || std::abs(rgba[i + 1] - c.g) > 1 || std::abs(rgba[i + 2] - c.b) > 1 ||
                 rgba[i + 3] != (keyed && c.r == 0 && c.g == 0 ? 0 : 255);
      }
      EXPECT_TRUE(wrong == 0 && size[1] == 8 && texture.Width() == width && texture.Height() == 8) << wrong;
    }
  }

  const std::vector<uint8_t> ok = MakeSolidBmp(4, 4, Rgb{1, 1, 1});
  WriteFile(dir.File("ok.bmp"), ok);
  const std::string notBmp = dir.File(std::string(100, 'x') + ".bmp"), cut = dir.File("cut.bmp");
  WriteFile(notBmp, std::vector<uint8_t>(100, 'X'));
  WriteFile(cut, std::vector<uint8_t>(ok.begin(), ok.end() - 1));  // one pixel byte short
  for (const auto& [file, keyed] : {std::pair{notBmp, false}, {notBmp, true}, {cut, false}, {cut, true},
                                    {dir.File("missing.bmp"), false}}) {
    SCOPED_TRACE(file + (keyed ? " keyed" : ""));
    Texture texture;
    ASSERT_TRUE(texture.LoadBMP(dir.File("ok.bmp").c_str()));
    const GLuint first = texture.glName - 1;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(texture, keyed, file));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.find(file) != std::string::npos && std::count(err.begin(), err.end(), '\n') == 1) << err;
    GLint size[2];
    Level0(texture, size);
    EXPECT_EQ(std::string(texture.fileName), file.substr(0, 63));
    EXPECT_TRUE(!texture.Empty() && texture.Width() == 0 && size[0] == 0 && !glIsTexture(first));
  }

  // Ten slots, filled whatever the loader says; then releasing without a context only
  // forgets the name.
  TextureSlots slots;
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(slots.Add(i == 3 ? "no/such.bmp" : dir.File("ok.bmp").c_str(), TextureLoader::kOpaque));
  }
  const uint32_t lastName = slots.textures[9].glName;
  EXPECT_FALSE(slots.Add(dir.File("ok.bmp").c_str(), TextureLoader::kColourKeyed));  // the eleventh
  EXPECT_TRUE(slots.lastTexture == 9 && slots.textures[3].Width() == 0 && slots.textures[9].glName == lastName);
  SetGLContextAlive(false);
  slots.textures[9].Release();
  SetGLContextAlive(true);
  EXPECT_TRUE(slots.textures[9].Empty() && glIsTexture(lastName - 1));
  SetGLContextAlive(false);
}
