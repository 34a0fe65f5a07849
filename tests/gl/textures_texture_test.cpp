// Texture objects in a real GL context: what the two loaders upload (read back,
// bottom picture row at t = 0), what a failed load leaves, the missing-file exit of
// the colour-key loader, and the slot table.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
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
  HeadlessGL gl_;
  TempDir dir_;
};

// Compares level 0 with `want(s, t)` (alpha from the colour key when `keyed`) and
// returns the number of differing texels; `level` gets the stored size.
int CompareLevel0(const Texture& texture, bool keyed, const std::function<Rgb(int, int)>& want, GLint level[2]) {
  texture.Bind();
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level[0]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &level[1]);
  std::vector<uint8_t> rgba(static_cast<size_t>(level[0]) * level[1] * 4);
  if (rgba.empty()) return 0;
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  int wrong = 0;
  for (int t = 0; t < level[1]; ++t) {
    for (int s = 0; s < level[0]; ++s) {
      const Rgb c = want(s, t);
      const uint8_t* got = &rgba[(static_cast<size_t>(t) * level[0] + s) * 4];
      const int alpha = keyed && c.r == 0 && c.g == 0 ? 0 : 255;
      wrong += std::abs(got[0] - c.r) > 1 || std::abs(got[1] - c.g) > 1 || std::abs(got[2] - c.b) > 1 ||
               got[3] != alpha;
    }
  }
  return wrong;
}

}  // namespace

TEST_F(TextureTest, SixtyFourSquareKeepsColoursAndKeysAlphaExactly) {
  // Top half: black, pure blue, dark blue, (1,0,0), (0,1,0), white columns.
  const Rgb columns[] = {{0, 0, 0}, {0, 0, 255}, {0, 0, 9}, {1, 0, 0}, {0, 1, 0}, {255, 255, 255}};
  auto pixel = [&](int x, int y) { return y < 32 ? columns[x % 6] : Rgb{uint8_t(x * 4), uint8_t(y * 4), 77}; };
  const std::string file = Write("a.bmp", MakeBmp(64, 64, pixel));
  for (bool keyed : {false, true}) {
    Texture texture;
    ASSERT_TRUE(keyed ? texture.LoadBMPWithAlpha(file.c_str()) : texture.LoadBMP(file.c_str()));
    EXPECT_EQ(texture.Width(), 64);
    EXPECT_EQ(texture.Height(), 64);
    GLint size[2];
    EXPECT_EQ(CompareLevel0(texture, keyed, [&](int s, int t) { return pixel(s, 63 - t); }, size), 0) << keyed;
    EXPECT_EQ(size[0], 64);
    EXPECT_EQ(size[1], 64);
  }
}

TEST_F(TextureTest, BothLoadersReadEveryLayoutBottomRowFirst) {
  // One colour per picture row: odd widths are stored at a power of two and must
  // keep every row (GLU's own rescale loses the top one).
  const Rgb rows[] = {{250, 0, 0}, {0, 250, 0}, {10, 20, 250}, {0, 0, 0}};
  const uint8_t greys[] = {200, 150, 100, 0};
  const std::pair<int, BmpLayout> cases[] = {
      {5, {}}, {127, {}}, {8, {24, 108, false, 0}}, {8, {24, 124, false, 0}},
      {5, {24, 40, true, 0}}, {5, {8, 40, false, 0}}, {8, {8, 124, true, 0}}};
  for (const auto& [width, layout] : cases) {
    const bool grey = layout.bitsPerPixel == 8;
    auto row = [&](int y) { return grey ? Rgb{greys[y], greys[y], greys[y]} : rows[y]; };
    const std::string file = Write("l.bmp", MakeBmp(width, 4, [&](int, int y) { return row(y); }, layout));
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "width " << width << " bits " << layout.bitsPerPixel << " header "
                                      << layout.infoHeaderSize << " top-down " << layout.topDown << " keyed " << keyed);
      Texture texture;
      ASSERT_TRUE(keyed ? texture.LoadBMPWithAlpha(file.c_str()) : texture.LoadBMP(file.c_str()));
      EXPECT_EQ(texture.Width(), width);
      GLint size[2];
      EXPECT_EQ(CompareLevel0(texture, keyed, [&](int, int t) { return row(3 - t); }, size), 0);
      EXPECT_EQ(size[1], 4);
    }
  }
}

TEST_F(TextureTest, FailedLoadsLeaveANameWithoutAnImage) {
  auto notBmp = MakeSolidBmp(8, 8, Rgb{1, 2, 3});
  notBmp[0] = 'X';
  BmpLayout cut;
  cut.truncateTo = 54 + 8 * 3 * 8 - 1;
  const std::string good = Write("ok.bmp", MakeSolidBmp(4, 4, Rgb{1, 1, 1}));
  const std::string files[] = {Write("x.bmp", notBmp), Write("cut.bmp", MakeSolidBmp(8, 8, Rgb{1, 2, 3}, cut)),
                               dir_.File("missing.bmp")};
  for (const std::string& file : files) {
    for (bool keyed : {false, true}) {
      if (keyed && file == files[2]) continue;  // that one exits, see below
      SCOPED_TRACE(file + (keyed ? " keyed" : ""));
      Texture texture;
      ASSERT_TRUE(texture.LoadBMP(good.c_str()));  // the failed load must drop this image
      testing::internal::CaptureStderr();
      EXPECT_FALSE(keyed ? texture.LoadBMPWithAlpha(file.c_str()) : texture.LoadBMP(file.c_str()));
      const std::string err = testing::internal::GetCapturedStderr();
      EXPECT_NE(err.find(file), std::string::npos) << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_FALSE(texture.Empty());
      EXPECT_EQ(texture.Width(), 0);
      GLint size[2], minFilter = 0;
      CompareLevel0(texture, keyed, [](int, int) { return Rgb{}; }, size);
      EXPECT_EQ(size[0], 0);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
      EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    }
  }
}

TEST_F(TextureTest, ReloadReplacesTheNameAndReleaseRespectsTheContextFlag) {
  const std::string file = Write(std::string(100, 'n') + ".bmp", MakeSolidBmp(4, 4, Rgb{9, 9, 9}));
  Texture texture;
  ASSERT_TRUE(texture.LoadBMP(file.c_str()));
  EXPECT_EQ(std::string(texture.fileName), file.substr(0, 63));
  const GLuint first = texture.glName - 1;
  ASSERT_TRUE(texture.LoadBMP(file.c_str()));
  EXPECT_FALSE(glIsTexture(first));

  // With the context flagged gone, only the stored name is dropped.
  const GLuint second = texture.glName - 1;
  SetGLContextAlive(false);
  texture.Release();
  SetGLContextAlive(true);
  EXPECT_TRUE(texture.Empty());
  EXPECT_TRUE(glIsTexture(second));
}

TEST_F(TextureTest, SlotTableTakesTenFilesWhateverTheLoaderSays) {
  const std::string good = Write("g.bmp", MakeSolidBmp(4, 4, Rgb{9, 9, 9}));
  TextureSlots slots;
  for (int i = 0; i < 10; ++i) {
    testing::internal::CaptureStderr();
    EXPECT_TRUE(slots.Add(i == 3 ? "no/such.bmp" : good.c_str(), &Texture::LoadBMP)) << i;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(slots.lastTexture, i);
    EXPECT_FALSE(slots.textures[i].Empty());
  }
  EXPECT_EQ(slots.textures[3].Width(), 0);
  EXPECT_EQ(slots.textures[9].Width(), 4);
  const uint32_t lastName = slots.textures[9].glName;
  EXPECT_FALSE(slots.Add(good.c_str(), &Texture::LoadBMPWithAlpha));
  EXPECT_EQ(slots.lastTexture, 9);
  EXPECT_EQ(slots.textures[9].glName, lastName);
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
