// The terrain: height samples read from a height-map bitmap, two triangles per grid
// cell, one averaged normal per sample, height queries, and the patch display lists.
// Sample [i][j] lies at world x = j * stepSize, z = i * stepSize.
// The height field and the queries need no OpenGL; only the display lists, the texture
// slot and Draw() do (terrain_mesh.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "textures/texture.h"

struct RgbImage;

// Grid extent: first and last cell-corner indices along the first index (world z)
// and the second (world x).
struct TerrainBounds {
  int32_t first0 = 0;
  int32_t first1 = 0;
  int32_t last0 = 0;  // cellsX
  int32_t last1 = 0;  // cellsY
};

// One triangle of a grid cell: the plane's points are its corners, counter-clockwise
// seen from above, and its normal is the face normal.
class TerrainTriangle : public Plane {};

// The two triangles of a cell [i][j]; both share the diagonal P(i, j) - P(i+1, j+1).
struct TerrainCell {
  TerrainTriangle triangles[2];
};

class Terrain {
 public:
  static constexpr int32_t kMinSamples = 2;
  static constexpr int32_t kMaxSamples = 32767;
  // Whether `value` samples (the setting `key`) lie within kMinSamples..kMaxSamples;
  // false, with the message in `error`, when not. The message shows `written` (the
  // setting's text as the user wrote it) in place of the value when it is not empty.
  static bool CheckSamples(const char* key, int32_t value, std::string* error, const std::string& written = "");

  Terrain();
  // The display lists stay: they belong to the context, which is gone by the time the
  // program's terrain is destroyed. Inline, so that the code that only reads heights
  // needs nothing of the drawing half to link.
  virtual ~Terrain() = default;
  Terrain(const Terrain&) = delete;
  Terrain& operator=(const Terrain&) = delete;

  // [SECTION] Configuration, before the build
  // Stored unless NaN or infinite (a non-finite scaling would make every height NaN).
  void SetHeightScaling(float value);
  // Stored only when 0 < value < 1000 (NaN is refused); otherwise the step is kept.
  void SetStepSize(float value);
  // Loads `file` with Texture::LoadBMP into the next free texture slot. False only
  // when all ten slots are filled; a file that fails to load still takes its slot.
  bool AddTexture(const char* file);

  // [SECTION] Building
  // The whole build: the height field, then the display lists (needs a current
  // OpenGL context). False, with a user-facing message in *error, when the sizes are
  // outside 2..32767, the world does not fit in memory, or OpenGL refuses the lists.
  bool Build(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
             std::string* error = nullptr);

  // Build without any OpenGL: sizes, heights from the height-map file (a missing or
  // undecodable file reads as 255 everywhere, with one stderr line when a file was
  // named), triangles and normals. False, with the message in *error, when the sizes
  // are outside 2..32767 or the world does not fit in memory; the terrain then stays
  // unbuilt.
  bool BuildHeightField(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                        std::string* error = nullptr);
  // The same with the height map already decoded (null: the plateau, silently).
  bool BuildHeightFieldFromImage(const RgbImage* image, int16_t samplesX, int16_t samplesY,
                                 std::string* error = nullptr);
  // The same with the height map given as BMP bytes (null or undecodable: the plateau,
  // silently; `*decodeError` receives the decoder's reason when one is given).
  bool BuildHeightFieldFromBytes(const uint8_t* data, size_t size, int16_t samplesX,
                                 int16_t samplesY, std::string* error = nullptr,
                                 std::string* decodeError = nullptr);

  // Compiles one display list per patch of 7 x 7 cells. False (with *error) when
  // OpenGL cannot reserve the list names.
  bool BuildDisplayLists(std::string* error = nullptr);
  // Calls every patch list in order: every patch is drawn every frame.
  void Draw() const;

  // [SECTION] Queries
  // Ground height at world (x, z); -1.0 outside the grid, for NaN, or before the build.
  float HeightAt(float z, float x) const;
  TerrainBounds GetBounds() const;
  float StepSize() const;
  float HeightScaling() const { return heightScaling; }
  bool IsBuilt() const { return !heights.empty(); }

  // Per-sample and per-cell data of a built terrain (indices not checked beyond an
  // assert): height, position P(i, j) and vertex normal of sample [i][j], i in
  // 0..cellsX, j in 0..cellsY; the two triangles of cell [i][j], i < cellsX,
  // j < cellsY, with their face normals.
  float Sample(uint32_t i, uint32_t j) const;
  Float3 Corner(uint32_t i, uint32_t j) const;
  const Float3& Normal(uint32_t i, uint32_t j) const;
  TerrainCell Cell(uint32_t i, uint32_t j) const;

  // Patch lists: (PatchesAlong0() x PatchesAlong1()) names from FirstList().
  uint32_t FirstList() const { return firstList; }
  uint32_t PatchesAlong0() const { return cellsX / patchSize + 1; }
  uint32_t PatchesAlong1() const { return cellsY / patchSize + 1; }

  // Bytes the height field of samplesX x samplesY samples takes (heights and
  // normals), in 64-bit arithmetic; with `withMesh` also an estimate of the compiled
  // display lists. Sizes below 1 count as 1.
  static uint64_t BytesNeeded(int32_t samplesX, int32_t samplesY, bool withMesh);
  // Largest world, in bytes as BytesNeeded() counts them, that the build accepts;
  // 0 (the default) means the installed memory (InstalledMemoryBytes()).
  void SetMemoryLimit(uint64_t bytes) { memoryLimit = bytes; }

  // Public state: the mesh builder (terrain_mesh.cpp) reads it, and tests read and set
  // it directly; the setters above and the build are the program's way to change it.
  float heightScaling;   // height of a full-intensity sample, in grid steps
  float stepSize;        // world units between neighbouring samples
  uint32_t firstList;    // first display-list name of the mesh; 0 before the lists exist
  TextureSlots textures; // up to ten ground textures; only slot 0 is drawn
  uint32_t cellsX;       // cells along the first index (world z); 0 before the build
  uint32_t cellsY;       // cells along the second index (world x); 0 before the build
  uint32_t textureRepeat;  // cells per repeat of the ground texture (10)
  uint32_t patchSize;      // cells per side of one display-list patch (7)

 private:
  // Checks sizes and memory and allocates the grids; on failure leaves the terrain
  // unbuilt and explains in *error.
  bool Allocate(int16_t samplesX, int16_t samplesY, bool withMesh, std::string* error);
  // The float check on step x scaling, then Allocate().
  bool Prepare(int16_t samplesX, int16_t samplesY, bool withMesh, std::string* error);
  bool BuildFromFile(const char* heightMapFile, int16_t samplesX, int16_t samplesY, bool withMesh,
                     std::string* error);
  void Clear();
  // Heights from the decoded image, or the plateau when `image` is null.
  void LoadHeightMap(const RgbImage* image);
  void BuildTriangles();
  size_t Index(uint32_t i, uint32_t j) const { return static_cast<size_t>(i) * (cellsY + 1) + j; }

  // Contiguous storage, empty before the build, row by row: row i holds the cellsY + 1
  // samples with that first index. The cells' triangles are not stored: their corners
  // are the samples' positions and their face normals follow from those, so Cell()
  // and the mesh derive them (a table of them would more than double the memory and
  // the build time of a large world).
  std::vector<float> heights;
  std::vector<Float3> normals;
  uint64_t memoryLimit = 0;
};
