// The weapon model reader and the mesh geometry built from it: the limits, the rejection
// of broken files, texture coordinates and centre-aimed normals. Corner order and frame
// decoding show in the weapon's pictures of the whole-scene walks; the line naming a
// missing or broken file, in the start-up rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/model_mesh.h"
#include "support/md2_writer.h"

// Three skins, 23 texture coordinates (100 + i, 200 + i), one triangle with vertices
// 10, 11, 12 and coordinates 20, 21, 22; two frames of 13 vertices (v, 2v + f, 255)
// with scale (1, 1, 0.1) and translation (0, 0, -5).
static Md2Model Model(std::function<void(Md2Model&)> change = nullptr) {
  Md2Model m;
  m.skins = {"a", "b", "c"};
  for (int16_t i = 0; i < 23; ++i) m.texCoords.push_back({int16_t(100 + i), int16_t(200 + i)});
  m.triangles = {{10, 11, 12, 20, 21, 22}};
  for (int f = 0; f < 2; ++f) {
    m.frames.push_back(Md2Frame{{1, 1, 0.1f}, {0, 0, -5}, {}});
    for (int v = 0; v < 13; ++v) m.frames[f].vertices.push_back({uint8_t(v), uint8_t(2 * v + f), 255});
  }
  if (change) change(m);
  return m;
}

TEST(ModelMeshRead, LimitsAndBrokenFilesRejectedWholeLeavingTheMeshAsItWas) {
  const std::vector<uint8_t> good = WriteMd2(Model());
  auto field = [&](int offset, int32_t value) {
    auto bytes = good;
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
  };
  auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
  auto with = [](std::function<void(Md2Model&)> change) { return WriteMd2(Model(change)); };
  // Counts at 20 skins, 24 vertices, 28 coordinates, 32 triangles, 40 frames; blocks at 68
  // (skin names), 260 (coordinates), 352 (triangles), 364 (frames). Reason "" = accepted.
  const struct { const char* name; std::vector<uint8_t> bytes; const char* reason; } cases[] = {
      {"largest counts", with([](Md2Model& m) {
         m.skins.resize(32);
         m.texCoords.resize(4096);
         m.triangles = {{0, 4117, 2000, 0, 4095, 7}};
         for (Md2Frame& f : m.frames) f.vertices.resize(4118);
       }), ""},
      {"empty", {}, "header"},
      {"header cut", cut(67), "header"},
      {"33 skins", field(20, 33), "33 skin names, at most 32"},
      {"4119 vertices", field(24, 4119), "4119 vertices per frame, at most"},
      {"4097 coordinates", field(28, 4097), "4097 texture coordinates, at most"},
      {"no triangle", field(32, 0), "triangle"},
      {"no frame", field(40, 0), "frame"},
      {"2^31 - 1 triangles", field(32, INT32_MAX), "triangles"},
      {"2^31 - 1 frames", field(40, INT32_MAX), "frames"},
      {"vertex index = count", with([](Md2Model& m) { m.triangles.push_back({0, 13, 1, 0, 0, 0}); }), "vertex 13"},
      {"vertex index 0xFFFF", with([](Md2Model& m) { m.triangles.push_back({0, 1, -1, 0, 0, 0}); }), "vertex -1"},
      {"coordinate index = count", with([](Md2Model& m) { m.triangles.push_back({0, 1, 2, 23, 0, 0}); }),
       "coordinate 23"},
      {"no coordinates", with([](Md2Model& m) { m.texCoords.clear(); }), "coordinate"},
      {"ends in skin names", cut(259), "skin names"},
      {"ends in coordinates", cut(350), "texture coordinates"},
      {"ends in triangles", cut(363), "triangles"},
      {"ends in the last frame", cut(good.size() - 1), "frames"},
      {"NaN scale", with([](Md2Model& m) { m.frames[1].scale[2] = NAN; }), "frame 1"},
      {"infinite translation", with([](Md2Model& m) { m.frames[1].translate[1] = INFINITY; }), "frame 1"},
      {"scale 1e38", with([](Md2Model& m) { m.frames[1].scale[0] = 1e38f; }), "frame 1"},
      {"negative skins", field(20, -1), "negative"}, {"negative vertices", field(24, -1), "negative"},
      {"negative coordinates", field(28, -1), "negative"}, {"negative triangles", field(32, -1), "negative"},
      {"negative frames", field(40, -1), "negative"},
  };
  // The mesh holds another model when each file comes: 2 triangles, 3 frames.
  const std::vector<uint8_t> first = with([](Md2Model& m) {
    m.frames.push_back(m.frames[0]);
    m.triangles.push_back({0, 1, 2, 0, 1, 2});
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModelMesh mesh;
    std::string error;
    ASSERT_TRUE(mesh.ReadBytes(first.data(), first.size(), &error));
    // An exact-size copy: a read past its end shows under the sanitizers.
    EXPECT_EQ(mesh.ReadBytes(c.bytes.data(), c.bytes.size(), &error), *c.reason == '\0');
    if (*c.reason == '\0') continue;
    EXPECT_THAT(error, testing::HasSubstr(c.reason));
    EXPECT_TRUE(mesh.triangles.size() == 2u && mesh.frames.size() == 3u && mesh.frameCount == 3);
  }
}

TEST(ModelMeshGeometry, SkinCoordinatesAndNormalsAimedAtTheCentreOnTheEyePlane) {
  // Vertex 0 serves both triangles and so counts twice: the centre is (3, 2, -3).
  ModelMesh mesh;
  mesh.frames = {{{0, 0, -3}, {6, 0, -3}, {0, 6, -3}, {6, 6, -3}}};
  mesh.triangles = {{0, 1, 2, 128, 64, 256, 0, 0, 128}, {0, 3, 1}};
  const Float3 c = MeshCentre(mesh);
  EXPECT_TRUE(c.x == 3.0f && c.y == 2.0f && c.z == -3.0f);
  const auto v = BuildMeshVertices(mesh, 256, 128);
  ASSERT_EQ(v.size(), 6u);
  // Skin pixels over the skin's size; corner 0 at (0, 0, -3) points towards (3, 2, 0).
  EXPECT_TRUE(v[0].s == 0.5f && v[0].t == 0.5f && v[1].s == 1.0f && v[2].t == 1.0f);
  const float len = std::sqrt(22.0f);
  const Float3 n = v[0].normal;
  EXPECT_NEAR(std::hypot(n.x - 3.0f / len, n.y - 2.0f / len, n.z - 3.0f / len), 0.0f, 1e-6f);
  // A skin without an image has no size: coordinates 0, not a division by zero.
  for (const MeshVertex& z : BuildMeshVertices(mesh, 0, 0)) EXPECT_TRUE(z.s == 0.0f && z.t == 0.0f);
  // A model from another tool, placed by hand: scaled, then moved; skin rows from the top.
  const auto placed = BuildMeshVertices(mesh, 256, 128, MeshPlacement{0.5f, {1.0f, 2.0f, 3.0f}, true});
  const Float3 p = placed[1].position;
  EXPECT_TRUE(p.x == 4.0f && p.y == 2.0f && p.z == 1.5f && placed[0].t == 0.5f && placed[2].t == 0.0f);
}
