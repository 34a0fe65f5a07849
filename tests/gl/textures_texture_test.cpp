// Texture objects in a real GL context: what the two loaders upload (read back,
// bottom picture row at t = 0), what a failed load leaves, the missing-file exit of
// the colour-key loader, and the slot table.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "headless/headless_gl.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "textures/gl_context_state.h"
#include "textures/texture.h"

namespace {

class TextureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.Create(16, 16)) << gl_.error();
    SetGLContextAlive(true);
  }
  void TearDown() override { SetGLContextAlive(false); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteFile(dir_.File(name), bytes);
    return dir_.File(name);
  }
  static bool Load(Texture& texture, bool keyed, const std::string& file) {
    return keyed ? texture.LoadBMPWithAlpha(file.c_str()) : texture.LoadBMP(file.c_str());
  }
  HeadlessGL gl_;
  TempDir dir_;
};

// Level 0's stored size into `level`, and how many of its texels differ from `row(t)`
// (alpha 0 exactly where red and green are 0 when `keyed`, else 255).
int WrongTexels(const Texture& texture, bool keyed, const Rgb* row, GLint level[2]) {
  texture.Bind();
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level[0]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &level[1]);
  std::vector<uint8_t> rgba(static_cast<size_t>(level[0]) * level[1] * 4);
  if (rgba.empty() || row == nullptr) return 0;
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  int wrong = 0;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    const Rgb c = row[i / 4 / level[0]];
    const int alpha = keyed && c.r == 0 && c.g == 0 ? 0 : 255;
    wrong += std::abs(rgba[i] - c.r) > 1 || std::abs(rgba[i + 1] - c.g) > 1 || std::abs(rgba[i + 2] - c.b) > 1 ||
             rgba[i + 3] != alpha;
  }
  return wrong;
}

}  // namespace

TEST_F(TextureTest, BothLoadersReadEveryLayoutBottomRowFirstWithTheColourKey) {
  // One colour per picture row, top row first: odd widths are stored at a power of two
  // and must keep every row. Black and pure blue are keyed out; (1,0,0) and (0,1,0) not.
  const Rgb colours[] = {{250, 0, 0}, {0, 250, 0}, {10, 20, 250}, {0, 0, 0}, {0, 0, 255}, {1, 0, 0}, {0, 1, 0}, {255, 255, 255}};
  const uint8_t greys[] = {200, 150, 100, 0, 1, 255, 50, 25};
  const std::pair<int, BmpLayout> cases[] = {{8, {}}, {5, {}}, {127, {}}, {8, {24, 108, false, 0}}, {8, {24, 124, false, 0}},
                                             {5, {24, 40, true, 0}}, {5, {8, 40, false, 0}}, {8, {8, 124, true, 0}}};
  for (const auto& [width, layout] : cases) {
    Rgb bottomUp[8];
    for (int y = 0; y < 8; ++y) bottomUp[7 - y] = layout.bitsPerPixel == 8 ? Rgb{greys[y], greys[y], greys[y]} : colours[y];
    const std::string file = Write("l.bmp", MakeBmp(width, 8, [&](int, int y) { return bottomUp[7 - y]; }, layout));
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "width " << width << " bits " << layout.bitsPerPixel << " header "
                                      << layout.infoHeaderSize << " top-down " << layout.topDown << " keyed " << keyed);
      Texture texture;
      ASSERT_TRUE(Load(texture, keyed, file));
      EXPECT_TRUE(texture.Width() == width && texture.Height() == 8);
      GLint size[2];
      EXPECT_EQ(WrongTexels(texture, keyed, bottomUp, size), 0);
      EXPECT_EQ(size[1], 8);
    }
  }
}

TEST_F(TextureTest, FailedLoadsReplaceTheImageWithANameWithoutOne) {
  BmpLayout cut;
  cut.truncateTo = 54 + 8 * 3 * 8 - 1;
  const std::string good = Write("ok.bmp", MakeSolidBmp(4, 4, Rgb{1, 1, 1}));
  const std::string notBmp = Write(std::string(100, 'x') + ".bmp", std::vector<uint8_t>(100, 'X'));
  const std::string truncated = Write("cut.bmp", MakeSolidBmp(8, 8, Rgb{1, 2, 3}, cut));
  for (const auto& [file, keyed] : {std::pair{notBmp, false}, {notBmp, true}, {truncated, false}, {truncated, true},
                                    {dir_.File("missing.bmp"), false}}) {
    SCOPED_TRACE(file + (keyed ? " keyed" : ""));
    Texture texture;
    ASSERT_TRUE(texture.LoadBMP(good.c_str()));
    const GLuint first = texture.glName - 1;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(texture, keyed, file));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(file), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(std::string(texture.fileName), file.substr(0, 63));
    GLint size[2];
    WrongTexels(texture, keyed, nullptr, size);
    EXPECT_TRUE(!texture.Empty() && texture.Width() == 0 && size[0] == 0);
    EXPECT_FALSE(glIsTexture(first));
  }
}

TEST_F(TextureTest, ReleaseWithTheContextGoneOnlyForgetsTheName) {
  Texture texture;
  ASSERT_TRUE(texture.LoadBMP(Write("a.bmp", MakeSolidBmp(4, 4, Rgb{9, 9, 9})).c_str()));
  const GLuint name = texture.glName - 1;
  SetGLContextAlive(false);
  texture.Release();
  SetGLContextAlive(true);
  EXPECT_TRUE(texture.Empty() && glIsTexture(name));
}

TEST_F(TextureTest, SlotTableTakesTenFilesWhateverTheLoaderSays) {
  const std::string good = Write("g.bmp", MakeSolidBmp(4, 4, Rgb{9, 9, 9}));
  TextureSlots slots;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(slots.Add(i == 3 ? "no/such.bmp" : good.c_str(), &Texture::LoadBMP)) << i;
    EXPECT_EQ(slots.lastTexture, i);
  }
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(!slots.textures[3].Empty() && slots.textures[3].Width() == 0 && slots.textures[9].Width() == 4);
  const uint32_t lastName = slots.textures[9].glName;
  EXPECT_FALSE(slots.Add(good.c_str(), &Texture::LoadBMPWithAlpha));  // the eleventh
  EXPECT_TRUE(slots.lastTexture == 9 && slots.textures[9].glName == lastName);
}

// The child re-runs this test alone, so it makes its own context.
TEST(TextureExitTest, MissingColourKeyFileEndsTheProgramNamingFileAndFolder) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string folder = std::filesystem::current_path().string();
  EXPECT_EXIT(
      {
        HeadlessGL gl;
        if (!gl.Create(8, 8)) std::_Exit(3);
        SetGLContextAlive(true);
        Texture texture;
        texture.LoadBMPWithAlpha("gfx/Trees/NoSuchTree.bmp");
      },
      testing::ExitedWithCode(1), "gfx/Trees/NoSuchTree\\.bmp.*" + folder);
}
