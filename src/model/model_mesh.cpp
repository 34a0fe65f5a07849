// MD2 model reading and the mesh geometry of the weapon. Works on bytes; the file is
// read whole first. Every count is checked in 64-bit arithmetic against the data's
// length before anything is allocated or read.
#include "model/model_mesh.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include "io/byte_reader.h"
#include "io/file_bytes.h"
#include "log/log.h"

namespace {

// The largest model file read. A hand-held model takes a few hundred kilobytes; this
// leaves room for many frames and triangles, and keeps a huge file that is no model
// from being read into memory whole.
constexpr uint64_t kMaxFileBytes = uint64_t{64} * 1024 * 1024;

// Header fields at their byte offsets; the rest of the 68 bytes is not used.
struct Md2Header {
  int32_t skinCount = 0;      // offset 20
  int32_t vertexCount = 0;    // offset 24
  int32_t texCoordCount = 0;  // offset 28
  int32_t triangleCount = 0;  // offset 32
  int32_t frameCount = 0;     // offset 40
};

struct TexCoord {
  int16_t s;
  int16_t t;
};

constexpr uint64_t kSkinNameBytes = 64;
constexpr uint64_t kTexCoordBytes = 4;
constexpr uint64_t kTriangleBytes = 12;
constexpr uint64_t kFrameHeaderBytes = 40;  // scale, translation, name
constexpr uint64_t kFrameVertexBytes = 4;   // x, y, z, normal index

// printf into a string for the error texts; the compiler checks every format.
__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

bool Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

}  // namespace

// [SECTION] Reading

bool ModelMesh::ReadBytes(const uint8_t* data, size_t size, std::string* error) {
  if (data == nullptr || size < static_cast<size_t>(kMd2HeaderBytes)) {
    return Fail(error, Format("file is shorter than its %d-byte header", kMd2HeaderBytes));
  }
  ByteReader in(data, size);
  Md2Header h;
  in.Skip(20);
  in.I32(&h.skinCount);
  in.I32(&h.vertexCount);
  in.I32(&h.texCoordCount);
  in.I32(&h.triangleCount);
  in.Skip(4);  // command count
  in.I32(&h.frameCount);
  in.Skip(24);  // block offsets and file end

  if (h.skinCount < 0) return Fail(error, Format("negative skin count (%d)", h.skinCount));
  if (h.vertexCount < 0) return Fail(error, Format("negative vertex count (%d)", h.vertexCount));
  if (h.texCoordCount < 0) {
    return Fail(error, Format("negative texture-coordinate count (%d)", h.texCoordCount));
  }
  if (h.triangleCount < 0) return Fail(error, Format("negative triangle count (%d)", h.triangleCount));
  if (h.frameCount < 0) return Fail(error, Format("negative frame count (%d)", h.frameCount));
  if (h.skinCount > kMd2MaxSkins) {
    return Fail(error, Format("%d skin names, at most %d are supported", h.skinCount, kMd2MaxSkins));
  }
  if (h.texCoordCount > kMd2MaxTexCoords) {
    return Fail(error, Format("%d texture coordinates, at most %d are supported", h.texCoordCount,
                              kMd2MaxTexCoords));
  }
  if (h.vertexCount > kMd2MaxVertices) {
    return Fail(error, Format("%d vertices per frame, at most %d are supported", h.vertexCount,
                              kMd2MaxVertices));
  }
  if (h.frameCount == 0) return Fail(error, "the model has no frame");
  if (h.triangleCount == 0) return Fail(error, "the model has no triangle");

  // Every block must lie inside the data before any of it is used. The sizes are
  // bounded by the checks above except the triangle and frame counts, which are at
  // most 2^31 each: the products stay far below 2^64.
  const uint64_t frameBytes = kFrameHeaderBytes + kFrameVertexBytes * static_cast<uint64_t>(h.vertexCount);
  const uint64_t skinBlock = kSkinNameBytes * static_cast<uint64_t>(h.skinCount);
  const uint64_t texCoordBlock = kTexCoordBytes * static_cast<uint64_t>(h.texCoordCount);
  const uint64_t triangleBlock = kTriangleBytes * static_cast<uint64_t>(h.triangleCount);
  const uint64_t frameBlock = frameBytes * static_cast<uint64_t>(h.frameCount);
  uint64_t end = static_cast<uint64_t>(kMd2HeaderBytes);
  const struct {
    uint64_t bytes;
    const char* name;
  } blocks[] = {{skinBlock, "skin names"},
                {texCoordBlock, "texture coordinates"},
                {triangleBlock, "triangles"},
                {frameBlock, "frames"}};
  for (const auto& block : blocks) {
    end += block.bytes;
    if (end > size) {
      return Fail(error, std::string("file ends inside the ") + block.name + " (" + std::to_string(size) +
                             " of " + std::to_string(end) + " bytes)");
    }
  }

  in.Skip(skinBlock);  // the skin comes from the settings, not from the file

  std::vector<TexCoord> texCoords(static_cast<size_t>(h.texCoordCount));
  for (TexCoord& tc : texCoords) {
    in.I16(&tc.s);
    in.I16(&tc.t);
  }

  std::vector<ModelTriangle> newTriangles(static_cast<size_t>(h.triangleCount));
  for (size_t i = 0; i < newTriangles.size(); ++i) {
    int16_t vertex[3] = {};
    int16_t coord[3] = {};
    for (int16_t& v : vertex) in.I16(&v);
    for (int16_t& c : coord) in.I16(&c);
    for (int corner = 0; corner < 3; ++corner) {
      if (vertex[corner] < 0 || vertex[corner] >= h.vertexCount) {
        return Fail(error, Format("triangle %d uses vertex %d", static_cast<int>(i), vertex[corner]) +
                               " of " + std::to_string(h.vertexCount));
      }
      if (coord[corner] < 0 || coord[corner] >= h.texCoordCount) {
        return Fail(error,
                    Format("triangle %d uses texture coordinate %d", static_cast<int>(i), coord[corner]) +
                        " of " + std::to_string(h.texCoordCount));
      }
    }
    // The corners are kept in the reverse of their file order.
    ModelTriangle& tri = newTriangles[i];
    tri.K1 = vertex[2];
    tri.K2 = vertex[1];
    tri.K3 = vertex[0];
    tri.s1 = texCoords[static_cast<size_t>(coord[2])].s;
    tri.t1 = texCoords[static_cast<size_t>(coord[2])].t;
    tri.s2 = texCoords[static_cast<size_t>(coord[1])].s;
    tri.t2 = texCoords[static_cast<size_t>(coord[1])].t;
    tri.s3 = texCoords[static_cast<size_t>(coord[0])].s;
    tri.t3 = texCoords[static_cast<size_t>(coord[0])].t;
  }

  std::vector<std::vector<Float3>> newFrames(static_cast<size_t>(h.frameCount));
  for (size_t f = 0; f < newFrames.size(); ++f) {
    float scale[3] = {};
    float translate[3] = {};
    for (float& v : scale) in.F32(&v);
    for (float& v : translate) in.F32(&v);
    in.Skip(16);  // frame name
    std::vector<Float3>& positions = newFrames[f];
    positions.resize(static_cast<size_t>(h.vertexCount));
    for (Float3& p : positions) {
      uint8_t packed[4] = {};
      for (uint8_t& b : packed) in.U8(&b);  // x, y, z, normal index (not used)
      p.x = static_cast<float>(packed[0]) * scale[0] + translate[0];
      p.y = static_cast<float>(packed[1]) * scale[1] + translate[1];
      p.z = static_cast<float>(packed[2]) * scale[2] + translate[2];
      // NaN fails every comparison, so this also catches non-finite values.
      if (!(std::fabs(p.x) <= kMd2MaxCoordinate && std::fabs(p.y) <= kMd2MaxCoordinate &&
            std::fabs(p.z) <= kMd2MaxCoordinate)) {
        return Fail(error, Format("frame %d has a position that is not a finite number below 1e6",
                                  static_cast<int>(f)));
      }
    }
  }

  triangles = std::move(newTriangles);
  frames = std::move(newFrames);
  frameCount = h.frameCount;
  triangleCount = h.triangleCount;
  return true;
}

bool ModelMesh::ReadFile(const char* path) {
  std::vector<uint8_t> bytes;
  const FileResult file = ReadWholeFile(path, kMaxFileBytes, &bytes);
  const std::string name = QuotedFile(path ? path : "");
  switch (file.status) {
    case FileStatus::kRead:
      break;
    case FileStatus::kCannotOpen:
      Log("weapon model", name, "cannot open the file");
      return false;
    case FileStatus::kCannotRead:
      Log("weapon model", name, file.error == EISDIR ? kFolderNotFile : "cannot read the file");
      return false;
    case FileStatus::kTooLarge:
      Log("weapon model", name, "the file is larger than 64 MiB");
      return false;
  }
  std::string error;
  if (!ReadBytes(bytes.data(), bytes.size(), &error)) {
    Log("weapon model", name, error);
    return false;
  }
  return true;
}

void ModelMesh::Free() {
  triangles.clear();
  triangles.shrink_to_fit();
  frames.clear();
  frames.shrink_to_fit();
}

// [SECTION] Geometry for the display list

Float3 MeshCentre(const ModelMesh& mesh) {
  Float3 sum{0.0f, 0.0f, 0.0f};
  if (mesh.triangles.empty() || mesh.frames.empty()) return sum;
  const std::vector<Float3>& frame = mesh.frames[0];
  for (const ModelTriangle& tri : mesh.triangles) {
    for (int32_t k : {tri.K1, tri.K2, tri.K3}) {
      if (k < 0 || static_cast<size_t>(k) >= frame.size()) continue;
      sum.x += frame[static_cast<size_t>(k)].x;
      sum.y += frame[static_cast<size_t>(k)].y;
      sum.z += frame[static_cast<size_t>(k)].z;
    }
  }
  const float uses = static_cast<float>(3 * static_cast<int64_t>(mesh.triangles.size()));
  return Float3{sum.x / uses, sum.y / uses, sum.z / uses};
}

std::vector<MeshVertex> BuildMeshVertices(const ModelMesh& mesh, int32_t skinWidth, int32_t skinHeight,
                                          const MeshPlacement& placement) {
  std::vector<MeshVertex> out;
  if (mesh.frames.empty()) return out;
  const std::vector<Float3>& frame = mesh.frames[0];
  auto place = [&placement](const Float3& p) {
    return Float3{p.x * placement.scale + placement.offset.x, p.y * placement.scale + placement.offset.y,
                  p.z * placement.scale + placement.offset.z};
  };
  Float3 aim = place(MeshCentre(mesh));
  aim.z = 0.0f;
  auto texCoord = [](int32_t pixels, int32_t size) {
    return size > 0 ? static_cast<float>(pixels) / static_cast<float>(size) : 0.0f;
  };
  out.reserve(mesh.triangles.size() * 3);
  for (const ModelTriangle& tri : mesh.triangles) {
    const int32_t corners[3][3] = {{tri.K1, tri.s1, tri.t1}, {tri.K2, tri.s2, tri.t2}, {tri.K3, tri.s3, tri.t3}};
    bool inRange = true;
    for (const auto& corner : corners) {
      inRange = inRange && corner[0] >= 0 && static_cast<size_t>(corner[0]) < frame.size();
    }
    // The reader only keeps valid indices; a mesh changed afterwards loses the triangle.
    if (!inRange) continue;
    for (const auto& corner : corners) {
      MeshVertex v;
      v.position = place(frame[static_cast<size_t>(corner[0])]);
      v.s = texCoord(corner[1], skinWidth);
      v.t = texCoord(corner[2], skinHeight);
      if (placement.skinFromTop && skinHeight > 0) v.t = 1.0f - v.t;
      v.normal = Float3{aim.x - v.position.x, aim.y - v.position.y, aim.z - v.position.z};
      Normalize(v.normal);
      out.push_back(v);
    }
  }
  return out;
}
