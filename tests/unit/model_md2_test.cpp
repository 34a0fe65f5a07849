// The weapon model reader and the geometry its display list is built from: corner
// order, frame decoding, texture coordinates, centre-aimed normals, and the rejection
// of every kind of broken file without reading out of bounds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "model/model_mesh.h"
#include "support/test_files.h"

namespace {

struct Md2Frame {
  float scale[3] = {1, 1, 1};
  float translate[3] = {0, 0, 0};
  std::vector<uint8_t> xyz;  // 3 bytes per vertex
};

struct Md2Triangle {
  int16_t vertex[3];
  int16_t texCoord[3];
};

struct Md2File {
  int32_t skinCount = 1;
  int32_t vertexCount = 0;
  std::vector<int16_t> texCoords;  // s, t pairs
  std::vector<Md2Triangle> triangles;
  std::vector<Md2Frame> frames;
  size_t trailingBytes = 0;
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, int16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF));
}
void PutF(std::vector<uint8_t>& out, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  Put32(out, u);
}

// Writes a file as other tools do: identifier, version and block offsets filled in,
// blocks in the usual order.
std::vector<uint8_t> WriteMd2(const Md2File& m) {
  const uint32_t frameSize = 40 + 4 * static_cast<uint32_t>(m.vertexCount);
  const uint32_t skins = 68, st = skins + 64 * m.skinCount;
  const uint32_t tris = st + 4 * static_cast<uint32_t>(m.texCoords.size() / 2);
  const uint32_t frames = tris + 12 * static_cast<uint32_t>(m.triangles.size());
  const uint32_t end = frames + frameSize * static_cast<uint32_t>(m.frames.size());
  std::vector<uint8_t> out;
  const uint32_t header[17] = {0x32504449, 8, 256, 128, frameSize, static_cast<uint32_t>(m.skinCount),
                               static_cast<uint32_t>(m.vertexCount),
                               static_cast<uint32_t>(m.texCoords.size() / 2),
                               static_cast<uint32_t>(m.triangles.size()), 0,
                               static_cast<uint32_t>(m.frames.size()), skins, st, tris, frames, end, end};
  for (uint32_t v : header) Put32(out, v);
  for (int32_t i = 0; i < m.skinCount; ++i) {
    std::string name = "skin" + std::to_string(i) + ".pcx";
    name.resize(64, '\0');
    out.insert(out.end(), name.begin(), name.end());
  }
  for (int16_t v : m.texCoords) Put16(out, v);
  for (const Md2Triangle& t : m.triangles) {
    for (int16_t v : t.vertex) Put16(out, v);
    for (int16_t v : t.texCoord) Put16(out, v);
  }
  for (const Md2Frame& f : m.frames) {
    for (float v : f.scale) PutF(out, v);
    for (float v : f.translate) PutF(out, v);
    for (int i = 0; i < 16; ++i) out.push_back(static_cast<uint8_t>("frame name here!"[i]));  // no terminator
    for (int32_t v = 0; v < m.vertexCount; ++v) {
      for (int a = 0; a < 3; ++a) out.push_back(f.xyz[3 * v + a]);
      out.push_back(0);
    }
  }
  out.insert(out.end(), m.trailingBytes, 0xAB);
  return out;
}

// A small valid model: 13 vertices, 23 texture coordinates, one triangle using
// vertices (10, 11, 12) and coordinates (20, 21, 22), two frames.
Md2File SmallModel() {
  Md2File m;
  m.skinCount = 3;
  m.vertexCount = 13;
  for (int i = 0; i < 23; ++i) {
    m.texCoords.push_back(static_cast<int16_t>(100 + i));
    m.texCoords.push_back(static_cast<int16_t>(200 + i));
  }
  m.triangles.push_back({{10, 11, 12}, {20, 21, 22}});
  for (int f = 0; f < 2; ++f) {
    Md2Frame frame;
    for (int v = 0; v < 13; ++v) {
      frame.xyz.push_back(static_cast<uint8_t>(v));
      frame.xyz.push_back(static_cast<uint8_t>(2 * v + f));
      frame.xyz.push_back(255);
    }
    frame.scale[2] = 0.1f;
    frame.translate[2] = -5.0f;
    m.frames.push_back(frame);
  }
  return m;
}

}  // namespace

TEST(ModelMeshRead, StoresCornersInReverseFileOrderWithTheirCoordinates) {
  TempDir dir;
  const std::string path = dir.File("weapon.md2");
  WriteFile(path, WriteMd2(SmallModel()));
  ModelMesh mesh;
  ASSERT_TRUE(mesh.ReadFile(path.c_str()));
  ASSERT_EQ(mesh.triangleCount, 1);
  ASSERT_EQ(mesh.triangles.size(), 1u);
  const ModelTriangle& t = mesh.triangles[0];
  EXPECT_EQ(t.K1, 12);
  EXPECT_EQ(t.K2, 11);
  EXPECT_EQ(t.K3, 10);
  EXPECT_EQ(t.s1, 122);
  EXPECT_EQ(t.t1, 222);
  EXPECT_EQ(t.s2, 121);
  EXPECT_EQ(t.t2, 221);
  EXPECT_EQ(t.s3, 120);
  EXPECT_EQ(t.t3, 220);
}

TEST(ModelMeshRead, DecodesAndKeepsEveryFrame) {
  Md2File m = SmallModel();
  m.trailingBytes = 100;  // a commands block after the frames is not read
  const auto bytes = WriteMd2(m);
  ModelMesh mesh;
  std::string error;
  ASSERT_TRUE(mesh.ReadBytes(bytes.data(), bytes.size(), &error)) << error;
  EXPECT_EQ(mesh.frameCount, 2);
  EXPECT_EQ(mesh.vertexCount, 13);
  ASSERT_EQ(mesh.frames.size(), 2u);
  for (int f = 0; f < 2; ++f) {
    ASSERT_EQ(mesh.frames[f].size(), 13u);
    const Float3 p = mesh.frames[f][7];
    EXPECT_FLOAT_EQ(p.x, 7.0f);
    EXPECT_FLOAT_EQ(p.y, 14.0f + f);
    // byte 255 x scale 0.1 - 5
    EXPECT_NEAR(p.z, 20.5f, 1e-5f);
  }
}

TEST(ModelMeshRead, LoadsManyFramesAndTheLargestAcceptedCounts) {
  Md2File m;
  m.skinCount = 32;
  m.vertexCount = 4118;
  m.texCoords.assign(2 * 4096, 1);
  m.triangles.push_back({{0, 4117, 2000}, {0, 4095, 7}});
  for (int f = 0; f < 40; ++f) {
    Md2Frame frame;
    frame.xyz.assign(3 * 4118, static_cast<uint8_t>(f));
    m.frames.push_back(frame);
  }
  const auto bytes = WriteMd2(m);
  ModelMesh mesh;
  std::string error;
  ASSERT_TRUE(mesh.ReadBytes(bytes.data(), bytes.size(), &error)) << error;
  ASSERT_EQ(mesh.frames.size(), 40u);
  EXPECT_FLOAT_EQ(mesh.frames[39][4117].y, 39.0f);
}

TEST(ModelMeshGeometry, TextureCoordinatesAreSkinPixelsOverSkinSize) {
  ModelMesh mesh;
  mesh.frames = {{{0, 0, -1}, {1, 0, -1}, {0, 1, -1}}};
  mesh.frameCount = 1;
  mesh.vertexCount = 3;
  mesh.triangles = {{0, 1, 2, 128, 64, 256, 0, 0, 128}};
  mesh.triangleCount = 1;
  auto v = BuildMeshVertices(mesh, 256, 128);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_FLOAT_EQ(v[0].s, 0.5f);
  EXPECT_FLOAT_EQ(v[0].t, 0.5f);
  EXPECT_FLOAT_EQ(v[1].s, 1.0f);
  EXPECT_FLOAT_EQ(v[2].t, 1.0f);
  // A skin that holds no image has no size: coordinates 0, never a division by zero.
  for (const MeshVertex& z : BuildMeshVertices(mesh, 0, 0)) {
    EXPECT_EQ(z.s, 0.0f);
    EXPECT_EQ(z.t, 0.0f);
  }
}

TEST(ModelMeshGeometry, NormalsAimAtTheCentreOnTheEyePlane) {
  ModelMesh mesh;
  // Vertex 0 is used by both triangles and so counts twice in the centre.
  mesh.frames = {{{0, 0, -3}, {6, 0, -3}, {0, 6, -3}, {6, 6, -3}}};
  mesh.frameCount = 1;
  mesh.vertexCount = 4;
  mesh.triangles = {{0, 1, 2}, {0, 3, 1}};
  mesh.triangleCount = 2;
  const Float3 c = MeshCentre(mesh);
  EXPECT_FLOAT_EQ(c.x, 18.0f / 6.0f);
  EXPECT_FLOAT_EQ(c.y, 12.0f / 6.0f);
  EXPECT_FLOAT_EQ(c.z, -3.0f);

  const auto v = BuildMeshVertices(mesh, 1, 1);
  ASSERT_EQ(v.size(), 6u);
  // Corner 0 at (0, 0, -3) towards (3, 2, 0).
  const float len = std::sqrt(9.0f + 4.0f + 9.0f);
  EXPECT_NEAR(v[0].normal.x, 3.0f / len, 1e-6f);
  EXPECT_NEAR(v[0].normal.y, 2.0f / len, 1e-6f);
  EXPECT_NEAR(v[0].normal.z, 3.0f / len, 1e-6f);
  EXPECT_FLOAT_EQ(v[0].position.z, -3.0f);

  // A corner lying exactly on the aim point gets the zero vector, not NaN.
  ModelMesh flat;
  flat.frames = {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  flat.triangles = {{0, 1, 2}};
  for (const MeshVertex& z : BuildMeshVertices(flat, 1, 1)) {
    EXPECT_EQ(z.normal.x, 0.0f);
    EXPECT_EQ(z.normal.y, 0.0f);
    EXPECT_EQ(z.normal.z, 0.0f);
  }
}

// [SECTION] Rejected files

namespace {

struct BadFile {
  const char* name;
  std::function<std::vector<uint8_t>()> bytes;
  const char* reason;  // a word the error must contain
};

std::vector<uint8_t> WithHeaderField(int offset, int32_t value, Md2File m = SmallModel()) {
  auto bytes = WriteMd2(m);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<uint8_t> WithFrameValue(int index, float value) {
  Md2File m = SmallModel();
  (index < 3 ? m.frames[1].scale[index] : m.frames[1].translate[index - 3]) = value;
  return WriteMd2(m);
}

std::vector<BadFile> BadFiles() {
  const size_t full = WriteMd2(SmallModel()).size();
  const size_t st = 68 + 3 * 64, tris = st + 23 * 4, frames = tris + 12;
  auto triangle = [](Md2Triangle t) {
    Md2File m = SmallModel();
    m.triangles.push_back(t);
    return WriteMd2(m);
  };
  return {
      {"empty", [] { return std::vector<uint8_t>(); }, "header"},
      {"header cut", [] { return Cut(WriteMd2(SmallModel()), 67); }, "header"},
      {"negative skins", [] { return WithHeaderField(20, -1); }, "negative"},
      {"negative vertices", [] { return WithHeaderField(24, -1); }, "negative"},
      {"negative coordinates", [] { return WithHeaderField(28, -5); }, "negative"},
      {"negative triangles", [] { return WithHeaderField(32, INT32_MIN); }, "negative"},
      {"negative frames", [] { return WithHeaderField(40, -1); }, "negative"},
      {"33 skins", [] { return WithHeaderField(20, 33); }, "skin"},
      {"4097 coordinates", [] { return WithHeaderField(28, 4097); }, "texture coordinates"},
      {"4119 vertices", [] { return WithHeaderField(24, 4119); }, "vertices"},
      {"no frame", [] { return WithHeaderField(40, 0); }, "frame"},
      {"no triangle", [] { return WithHeaderField(32, 0); }, "triangle"},
      {"vertex index = count", [=] { return triangle({{0, 13, 1}, {0, 0, 0}}); }, "vertex 13"},
      {"vertex index 0xFFFF", [=] { return triangle({{0, 1, -1}, {0, 0, 0}}); }, "vertex -1"},
      {"coordinate index = count", [=] { return triangle({{0, 1, 2}, {23, 0, 0}}); }, "coordinate 23"},
      {"no coordinates", [] {
         Md2File m = SmallModel();
         m.texCoords.clear();
         return WriteMd2(m);
       }, "coordinate"},
      {"ends in skins", [=] { return Cut(WriteMd2(SmallModel()), st - 1); }, "skin names"},
      {"ends in coordinates", [=] { return Cut(WriteMd2(SmallModel()), tris - 2); }, "texture coordinates"},
      {"ends in triangles", [=] { return Cut(WriteMd2(SmallModel()), frames - 1); }, "triangles"},
      {"ends in last frame", [=] { return Cut(WriteMd2(SmallModel()), full - 1); }, "frames"},
      // 2^31 - 1 frames of 16512 bytes: far beyond 32-bit sizes, and beyond the file.
      {"huge frame count", [] { return WithHeaderField(40, INT32_MAX); }, "frames"},
      {"huge triangle count", [] { return WithHeaderField(32, INT32_MAX); }, "triangles"},
      {"NaN scale", [] { return WithFrameValue(0, std::numeric_limits<float>::quiet_NaN()); }, "frame 1"},
      {"infinite translation", [] { return WithFrameValue(4, std::numeric_limits<float>::infinity()); }, "frame 1"},
      {"scale 1e38", [] { return WithFrameValue(2, 1e38f); }, "frame 1"},
  };
}

}  // namespace

TEST(ModelMeshRead, RejectsBrokenFilesWholeAndKeepsTheMeshAsItWas) {
  const auto good = WriteMd2(SmallModel());
  for (const BadFile& bad : BadFiles()) {
    SCOPED_TRACE(bad.name);
    ModelMesh mesh;
    std::string error;
    ASSERT_TRUE(mesh.ReadBytes(good.data(), good.size(), &error));
    // The exact size, so that a read past the end shows under the sanitizers.
    const std::vector<uint8_t> bytes = bad.bytes();
    std::vector<uint8_t> exact(bytes);
    EXPECT_FALSE(mesh.ReadBytes(exact.empty() ? nullptr : exact.data(), exact.size(), &error));
    EXPECT_THAT(error, testing::HasSubstr(bad.reason));
    EXPECT_EQ(mesh.frameCount, 2);
    EXPECT_EQ(mesh.triangles.size(), 1u);
    EXPECT_EQ(mesh.frames.size(), 2u);
  }
}

TEST(ModelMeshRead, FileErrorsGiveOneLineNamingTheFileAndReason) {
  TempDir dir;
  ModelMesh mesh;
  const std::string missing = dir.File("missing.md2");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(mesh.ReadFile(missing.c_str()));
  std::string out = testing::internal::GetCapturedStderr();
  EXPECT_THAT(out, testing::HasSubstr(missing));
  EXPECT_THAT(out, testing::HasSubstr("cannot open"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);

  const std::string broken = dir.File("broken.md2");
  WriteFile(broken, WithHeaderField(40, 0));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(mesh.ReadFile(broken.c_str()));
  out = testing::internal::GetCapturedStderr();
  EXPECT_THAT(out, testing::HasSubstr(broken));
  EXPECT_THAT(out, testing::HasSubstr("no frame"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
}
