// Fuzz target: the weapon model reader and the geometry built from what it accepts.
// Whatever the bytes, nothing reads out of bounds and an accepted mesh gives finite
// vertices for the display list.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/model_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModelMesh mesh;
  std::string error;
  if (!mesh.ReadBytes(data, size, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (mesh.frames.empty() || mesh.triangles.empty()) std::abort();
  // The skin the coordinates are divided by: loaded, missing (0 x 0), one pixel, odd.
  static const int32_t kSkinSizes[][2] = {{256, 128}, {0, 0}, {1, 1}, {7, 0}};
  for (const MeshVertex& v : BuildMeshVertices(mesh, kSkinSizes[size % 4][0], kSkinSizes[size % 4][1])) {
    for (float f : {v.s, v.t, v.normal.x, v.normal.y, v.normal.z, v.position.x, v.position.y, v.position.z}) {
      if (!std::isfinite(f)) std::abort();
    }
  }
  return 0;
}
