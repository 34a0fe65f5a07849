// The weapon's triangle mesh: the MD2 model reader and the pure geometry the display
// list is built from (centre, texture coordinates, centre-aimed normals). No OpenGL here;
// the list itself is compiled in model.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"

// The limits of the model files the reader accepts: skin names, texture coordinates
// and vertices per frame. They were the reader's fixed working buffers, so every
// weapon model made for the program fits; a larger count marks a broken file, and the
// limits bound what a header can make the reader allocate.
constexpr int32_t kMd2HeaderBytes = 68;
constexpr int32_t kMd2MaxSkins = 32;
constexpr int32_t kMd2MaxTexCoords = 4096;
constexpr int32_t kMd2MaxVertices = 4118;
// Decoded positions are eye-space offsets of a hand-held model; anything beyond this
// magnitude (model units) is a broken scale or translation, and would overflow the
// float sums of the centre into infinities.
constexpr float kMd2MaxCoordinate = 1.0e6f;

// One triangle as drawn: the corners in the reverse of their file order.
struct ModelTriangle {
  int32_t K1 = 0, K2 = 0, K3 = 0;  // vertex indices: the file's third, second, first
  int32_t s1 = 0, t1 = 0;          // skin pixels of corner K1
  int32_t s2 = 0, t2 = 0;          // skin pixels of corner K2
  int32_t s3 = 0, t3 = 0;          // skin pixels of corner K3
};

struct ModelMesh {
  ModelMesh() = default;
  ~ModelMesh() = default;

  // Reads and decodes an MD2 file of at most 64 MiB. On any failure the mesh is left
  // as it was, one stderr line names the file and the reason, and the result is false.
  bool ReadFile(const char* path);
  // Decodes MD2 bytes. Rejects the whole file (mesh unchanged, `error` set) when a
  // count is negative or beyond the limits, there is no frame or no triangle, an
  // index is out of range, a frame holds non-finite or absurd values, or the data
  // ends inside a block. The block offsets, identifier and version are not consulted:
  // the blocks are read one after another directly behind the header.
  bool ReadBytes(const uint8_t* data, size_t size, std::string* error);
  // Drops the triangles and frames; the counts stay.
  void Free();

  std::vector<ModelTriangle> triangles;       // one per triangle, file order
  std::vector<std::vector<Float3>> frames;    // frameCount frames, one position per vertex
  int32_t frameCount = 0;
  int32_t triangleCount = 0;
};

// The mean of the frame-0 corner positions over all triangles (a vertex counts once
// per use), in float. A mesh without triangles gives (0, 0, 0).
Float3 MeshCentre(const ModelMesh& mesh);

// One corner as it goes into the display list.
struct MeshVertex {
  float s = 0.0f;  // texture coordinates: skin pixels / skin size, t flipped only for a
  float t = 0.0f;  // placement whose skin rows count from the top
  Float3 normal{};    // unit vector towards the placed centre's (x, y, 0), or zero
  Float3 position{};  // placed frame-0 position
};

// Where the held model sits: its file coordinates times `scale`, plus `offset` (eye
// space), and which end of the skin the texture rows count from (the file's t counts
// from the top in models made for the usual MD2 convention).
struct MeshPlacement {
  float scale = 1.0f;
  Float3 offset = {0.0f, 0.0f, 0.0f};
  bool skinFromTop = false;
};

// The corners of every triangle in drawing order (K1, K2, K3 per triangle), placed. A
// skin without a size (not loaded) gives texture coordinates 0 instead of a division by 0.
std::vector<MeshVertex> BuildMeshVertices(const ModelMesh& mesh, int32_t skinWidth, int32_t skinHeight,
                                          const MeshPlacement& placement = MeshPlacement());
