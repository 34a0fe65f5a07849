// The terrain: height samples read from a height-map bitmap, two triangles per grid
// cell, one averaged normal per sample, height queries, and the patch display lists.
// Sample [i][j] lies at world x = j * stepSize, z = i * stepSize.
#pragma once

#include <cstdint>

// Grid extent: first and last cell-corner indices along the first index (world z)
// and the second (world x).
struct TerrainBounds {
  int32_t first0 = 0;
  int32_t first1 = 0;
  int32_t last0 = 0;  // cellsX
  int32_t last1 = 0;  // cellsY
};

class Terrain {
 public:
  Terrain();
  virtual ~Terrain();
  Terrain(const Terrain&) = delete;
  Terrain& operator=(const Terrain&) = delete;

  // Ground height at world (x, z); -1.0 outside the grid or before the build.
  float HeightAt(float z, float x) const;
  TerrainBounds GetBounds() const;
  float StepSize() const;

  // Build without any OpenGL: sizes, heights from the height-map file (a missing or
  // undecodable file reads as 255 everywhere), triangles and normals. Build() is this
  // followed by the display lists. False when the sizes are outside 2..32767.
  bool BuildHeightField(const char* heightMapFile, int16_t samplesX, int16_t samplesY);

  // (The rest of the build, the texture slot and the drawing are declared by the
  // terrain module.)
};
