// The weapon model reader and the mesh geometry built from it: corner order, frame
// decoding, texture coordinates, centre-aimed normals, and the rejection of broken files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "model/model_mesh.h"
#include "support/test_files.h"

using testing::HasSubstr;

namespace {

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {  // little-endian, as the file stores it
  uint32_t u = 0;
  std::memcpy(&u, &value, sizeof value);
  for (size_t i = 0; i < sizeof value; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

// A model as other tools write it. Vertex v of frame f is stored as bytes (v, 2v + f, 255);
// frames have scale (1, 1, 0.1) and translation (0, 0, -5), the last one `lastFrame`.
struct Md2File {
  int32_t skins = 3, vertices = 13, frames = 2;
  std::vector<int16_t> st;                                                // s, t pairs (100 + i, 200 + i)
  std::vector<std::array<int16_t, 6>> tris = {{10, 11, 12, 20, 21, 22}};  // vertex and coordinate indices
  float lastFrame[6] = {1, 1, 0.1f, 0, 0, -5};
  Md2File() {
    for (int i = 0; i < 23; ++i) st.insert(st.end(), {static_cast<int16_t>(100 + i), static_cast<int16_t>(200 + i)});
  }
};

// Identifier, version, skin size, frame size and counts; the block offsets (not read) stay 0.
std::vector<uint8_t> WriteMd2(const Md2File& m, size_t trailingBytes = 0) {
  std::vector<uint8_t> out;
  const uint32_t header[17] = {0x32504449, 8, 256, 128, 40u + 4 * m.vertices, uint32_t(m.skins), uint32_t(m.vertices),
                               uint32_t(m.st.size() / 2), uint32_t(m.tris.size()), 0, uint32_t(m.frames)};
  for (uint32_t v : header) Put(out, v);
  out.resize(out.size() + 64 * m.skins, 's');
  for (int16_t v : m.st) Put(out, v);
  for (const auto& t : m.tris) for (int16_t v : t) Put(out, v);
  const float usual[6] = {1, 1, 0.1f, 0, 0, -5};
  for (int f = 0; f < m.frames; ++f) {
    for (int i = 0; i < 6; ++i) Put(out, f + 1 == m.frames ? m.lastFrame[i] : usual[i]);
    out.resize(out.size() + 16, 'n');  // frame name without a terminator
    for (int v = 0; v < m.vertices; ++v) out.insert(out.end(), {uint8_t(v), uint8_t(2 * v + f), 255, 0});
  }
  out.resize(out.size() + trailingBytes, 0xAB);  // e.g. a commands block, not read
  return out;
}

ModelMesh Mesh(std::vector<Float3> frame, std::vector<ModelTriangle> triangles) {
  ModelMesh m;
  m.frames = {std::move(frame)};
  m.triangles = std::move(triangles);
  return m;
}

}  // namespace

TEST(ModelMeshRead, ReadsAFileWithCornersReversedAndEveryFrameDecoded) {
  TempDir dir;
  const std::string path = dir.File("weapon.md2");
  WriteFile(path, WriteMd2(Md2File(), 100));
  ModelMesh mesh;
  ASSERT_TRUE(mesh.ReadFile(path.c_str()));
  ASSERT_EQ(mesh.triangles.size(), 1u);
  const ModelTriangle& t = mesh.triangles[0];
  // File corners (10, 11, 12) with coordinates (20, 21, 22) are kept last to first.
  EXPECT_EQ((std::array<int32_t, 9>{t.K1, t.K2, t.K3, t.s1, t.t1, t.s2, t.t2, t.s3, t.t3}),
            (std::array<int32_t, 9>{12, 11, 10, 122, 222, 121, 221, 120, 220}));
  EXPECT_EQ(mesh.triangleCount, 1);
  EXPECT_EQ(mesh.frameCount, 2);
  ASSERT_EQ(mesh.frames.size(), 2u);
  for (int f = 0; f < 2; ++f) {
    ASSERT_EQ(mesh.frames[f].size(), 13u);
    EXPECT_FLOAT_EQ(mesh.frames[f][7].x, 7.0f);
    EXPECT_FLOAT_EQ(mesh.frames[f][7].y, 14.0f + f);
    EXPECT_NEAR(mesh.frames[f][7].z, 20.5f, 1e-5f);  // byte 255 x 0.1 - 5
  }
}

TEST(ModelMeshRead, AcceptsTheLargestCountsAndManyFrames) {
  Md2File m;
  m.skins = 32, m.vertices = 4118, m.frames = 40;
  m.st.assign(2 * 4096, 1);
  m.tris = {{0, 4117, 2000, 0, 4095, 7}};
  const auto bytes = WriteMd2(m);
  ModelMesh mesh;
  ASSERT_TRUE(mesh.ReadBytes(bytes.data(), bytes.size(), nullptr));
  ASSERT_EQ(mesh.frames.size(), 40u);
  EXPECT_EQ(mesh.frames[39].size(), 4118u);
}

TEST(ModelMeshRead, RejectsBrokenFilesWholeAndKeepsTheMeshAsItWas) {
  const std::vector<uint8_t> good = WriteMd2(Md2File());
  auto field = [&](int offset, int32_t value) {
    auto bytes = good;
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
  };
  auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
  auto with = [](auto change) { Md2File m; change(m); return WriteMd2(m); };
  struct Case { const char* name; std::vector<uint8_t> bytes; const char* reason; };  // reason: in the error
  // Header counts at 20 skins, 24 vertices, 28 coordinates, 32 triangles, 40 frames; the
  // blocks start at 68 (skin names), 260 (coordinates), 352 (triangles), 364 (frames).
  std::vector<Case> cases = {
      {"empty", {}, "header"},
      {"header cut", cut(67), "header"},
      {"33 skins", field(20, 33), "33 skin names, at most 32"},
      {"4119 vertices", field(24, 4119), "4119 vertices per frame, at most"},
      {"4097 coordinates", field(28, 4097), "4097 texture coordinates, at most"},
      {"no triangle", field(32, 0), "triangle"},
      {"no frame", field(40, 0), "frame"},
      {"2^31 - 1 triangles", field(32, INT32_MAX), "triangles"},
      {"2^31 - 1 frames, beyond 32-bit sizes", field(40, INT32_MAX), "frames"},
      {"vertex index = count", with([](Md2File& m) { m.tris.push_back({0, 13, 1, 0, 0, 0}); }), "vertex 13"},
      {"vertex index 0xFFFF", with([](Md2File& m) { m.tris.push_back({0, 1, -1, 0, 0, 0}); }), "vertex -1"},
      {"coordinate index = count", with([](Md2File& m) { m.tris.push_back({0, 1, 2, 23, 0, 0}); }), "coordinate 23"},
      {"no coordinates", with([](Md2File& m) { m.st.clear(); }), "coordinate"},
      {"ends in skin names", cut(259), "skin names"},
      {"ends in coordinates", cut(350), "texture coordinates"},
      {"ends in triangles", cut(363), "triangles"},
      {"ends in the last frame", cut(good.size() - 1), "frames"},
      {"NaN scale", with([](Md2File& m) { m.lastFrame[0] = NAN; }), "frame 1"},
      {"infinite translation", with([](Md2File& m) { m.lastFrame[4] = INFINITY; }), "frame 1"},
      {"scale 1e38", with([](Md2File& m) { m.lastFrame[2] = 1e38f; }), "frame 1"},
  };
  for (int offset : {20, 24, 28, 32, 40}) cases.push_back({"negative count", field(offset, -1), "negative"});

  // The mesh holds another model when a broken file comes: 2 triangles, 3 frames.
  Md2File before;
  before.frames = 3;
  before.tris.push_back({0, 1, 2, 0, 1, 2});
  const std::vector<uint8_t> first = WriteMd2(before);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelMesh mesh;
    std::string error;
    ASSERT_TRUE(mesh.ReadBytes(first.data(), first.size(), &error));
    // The bytes are an exact-size copy: a read past their end shows under the sanitizers.
    EXPECT_FALSE(mesh.ReadBytes(c.bytes.data(), c.bytes.size(), &error));
    EXPECT_THAT(error, HasSubstr(c.reason));
    EXPECT_EQ(mesh.triangles.size(), 2u);
    EXPECT_EQ(mesh.frames.size(), 3u);
    EXPECT_EQ(mesh.frameCount, 3);
  }
}

TEST(ModelMeshRead, FileErrorsGiveOneLineNamingTheFileAndReason) {
  TempDir dir;
  WriteFile(dir.File("text.md2"), std::string("not a model"));
  for (const auto& [name, reason] : {std::pair<const char*, const char*>{"missing.md2", "cannot open"},
                                     {"text.md2", "header"}}) {
    const std::string path = dir.File(name);
    ModelMesh mesh;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(mesh.ReadFile(path.c_str()));
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_THAT(out, HasSubstr(path));
    EXPECT_THAT(out, HasSubstr(reason));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
  }
}

TEST(ModelMeshGeometry, SkinCoordinatesAndNormalsAimedAtTheCentreOnTheEyePlane) {
  // Vertex 0 serves both triangles and so counts twice: the centre is (3, 2, -3).
  const ModelMesh mesh = Mesh({{0, 0, -3}, {6, 0, -3}, {0, 6, -3}, {6, 6, -3}},
                              {{0, 1, 2, 128, 64, 256, 0, 0, 128}, {0, 3, 1}});
  const Float3 c = MeshCentre(mesh);
  EXPECT_FLOAT_EQ(c.x, 3.0f);
  EXPECT_FLOAT_EQ(c.y, 2.0f);
  EXPECT_FLOAT_EQ(c.z, -3.0f);
  const auto v = BuildMeshVertices(mesh, 256, 128);
  ASSERT_EQ(v.size(), 6u);
  // Texture coordinates are skin pixels over the skin's size.
  EXPECT_FLOAT_EQ(v[0].s, 0.5f);
  EXPECT_FLOAT_EQ(v[0].t, 0.5f);
  EXPECT_FLOAT_EQ(v[1].s, 1.0f);
  EXPECT_FLOAT_EQ(v[2].t, 1.0f);
  // Corner 0 at (0, 0, -3) points towards (3, 2, 0).
  const float len = std::sqrt(22.0f);
  const Float3 n = v[0].normal;
  EXPECT_NEAR(std::hypot(n.x - 3.0f / len, n.y - 2.0f / len, n.z - 3.0f / len), 0.0f, 1e-6f);

  // A skin without an image has no size: coordinates 0, not a division by zero.
  for (const MeshVertex& z : BuildMeshVertices(mesh, 0, 0)) EXPECT_TRUE(z.s == 0.0f && z.t == 0.0f);
  // A corner exactly on the aim point gets the zero vector, not NaN.
  for (const MeshVertex& z : BuildMeshVertices(Mesh({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 1, 2}}), 1, 1)) {
    EXPECT_TRUE(z.normal.x == 0.0f && z.normal.y == 0.0f && z.normal.z == 0.0f);
  }
}
