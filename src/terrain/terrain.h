// The terrain: height samples read from a height-map picture (BMP or PNG), two
// triangles per grid cell, one averaged normal per sample, height queries, and the
// mesh in vertex and index buffers, drawn patch by patch.
// Sample [i][j] lies at world x = j * stepSize, z = i * stepSize.
// The height field and the queries need no OpenGL; only the buffers, the texture slot
// and Draw() do (terrain_mesh.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/view_volume.h"
#include "textures/texture.h"

struct RgbImage;
struct SampleImage;

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

// One patch of the mesh (up to Terrain::kPatchSize cells square): where its triangles
// lie in its block's buffers, and the height range of its samples.
struct TerrainPatch {
  uint32_t indexOffset = 0;  // bytes into the block's index buffer
  uint32_t indexCount = 0;   // 0: the patch holds no cell
  uint16_t firstVertex = 0;  // range of the vertices its indices name
  uint16_t lastVertex = 0;
  float lowY = 0.0f;
  float highY = 0.0f;
};

// Up to Terrain::kBlockPatches x kBlockPatches patches sharing one vertex buffer and one
// index buffer (16-bit indices), with the height range of all their samples.
struct TerrainBlock {
  uint32_t vertexBuffer = 0;
  uint32_t indexBuffer = 0;
  float lowY = 0.0f;
  float highY = 0.0f;
};

// The two triangles of a cell [i][j]; both share the diagonal P(i, j) - P(i+1, j+1).
struct TerrainCell {
  TerrainTriangle triangles[2];
};

class Terrain {
 public:
  static constexpr int32_t kMinSamples = 2;
  static constexpr int32_t kMaxSamples = 32767;
  static constexpr uint32_t kTextureRepeat = 10;  // cells per repeat of the ground texture
  static constexpr uint32_t kPatchSize = 7;       // cells per side of one patch
  static constexpr uint32_t kBlockPatches = 16;   // patches per side of one block
  // Whether `value` samples (the setting `key`) lie within kMinSamples..kMaxSamples;
  // false, with the message in `error`, when not. The message shows `written` (the
  // setting's text as the user wrote it) in place of the value when it is not empty.
  static bool CheckSamples(const char* key, int32_t value, std::string* error, const std::string& written = "");

  Terrain();
  // The buffers stay: they belong to the context, which is gone by the time the
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
  // The whole build: the height field, then the mesh (needs a current OpenGL
  // context). False, with a user-facing message in *error, when the sizes are
  // outside 2..32767, the world does not fit in memory, or OpenGL refuses the buffers.
  bool Build(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
             std::string* error = nullptr);

  // Build without any OpenGL: sizes, heights from the height-map file (a PNG when its
  // first bytes say so, a BMP otherwise; a missing or undecodable file gives the
  // plateau, with one stderr line when a file was named), triangles and normals. False,
  // with the message in *error, when the sizes are outside 2..32767 or the world does
  // not fit in memory; the terrain then stays unbuilt.
  bool BuildHeightField(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                        std::string* error = nullptr);
  // The same with the height map already decoded (null: the plateau, silently): a
  // bitmap's blue, or samples with their own maximum.
  bool BuildHeightFieldFromImage(const RgbImage* image, int16_t samplesX, int16_t samplesY,
                                 std::string* error = nullptr);
  bool BuildHeightFieldFromImage(const SampleImage* image, int16_t samplesX, int16_t samplesY,
                                 std::string* error = nullptr);
  // The same with the height map given as PNG or BMP bytes (null or undecodable: the
  // plateau, silently).
  bool BuildHeightFieldFromBytes(const uint8_t* data, size_t size, int16_t samplesX,
                                 int16_t samplesY, std::string* error = nullptr);

  // Fills the buffers of every block from the height field. False (with *error) when
  // OpenGL cannot hold them.
  bool BuildMesh(std::string* error = nullptr);
  // Draws, in order, every patch that is not wholly outside `view` (by default none
  // is), textured with the first slot's texture, in white. Returns the patches drawn.
  // Leaves the state that drawing every patch leaves (see RestoreDrawState), whatever
  // was skipped.
  uint32_t Draw(const ViewVolume& view = ViewVolume()) const;
  // Sets the current colour (white), the texture binding (the first slot's texture),
  // normal and texture coordinate to those the last cell's last vertex leaves: for
  // code that draws between the terrain and what follows it.
  void RestoreDrawState() const;

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

  // Patches along each index; the last along an index may hold no cell.
  uint32_t PatchesAlong0() const { return cellsX / kPatchSize + 1; }
  uint32_t PatchesAlong1() const { return cellsY / kPatchSize + 1; }

  // Bytes the height field of samplesX x samplesY samples takes (heights and
  // normals), in 64-bit arithmetic; with `withMesh` also the most the mesh's
  // buffers and patch tables take. Sizes below 1 count as 1.
  static uint64_t BytesNeeded(int32_t samplesX, int32_t samplesY, bool withMesh);
  // Largest world, in bytes as BytesNeeded() counts them, that the build accepts;
  // 0 (the default) means the installed memory (InstalledMemoryBytes()).
  void SetMemoryLimit(uint64_t bytes) { memoryLimit = bytes; }

  // Public state: the mesh builder (terrain_mesh.cpp) reads it, and tests read and set
  // it directly; the setters above and the build are the program's way to change it.
  float heightScaling;   // height of a full-intensity sample, in grid steps
  float stepSize;        // world units between neighbouring samples
  TextureSlots textures; // up to ten ground textures; only slot 0 is drawn
  uint32_t cellsX;       // cells along the first index (world z); 0 before the build
  uint32_t cellsY;       // cells along the second index (world x); 0 before the build

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
  template <typename Image>
  void LoadHeightMap(const Image* image);
  void BuildTriangles();
  size_t Index(uint32_t i, uint32_t j) const { return static_cast<size_t>(i) * (cellsY + 1) + j; }

  // Contiguous storage, empty before the build, row by row: row i holds the cellsY + 1
  // samples with that first index. The cells' triangles are not stored: their corners
  // are the samples' positions and their face normals follow from those, so Cell()
  // and the mesh derive them (a table of them would more than double the memory and
  // the build time of a large world).
  std::vector<float> heights;
  std::vector<Float3> normals;
  // The mesh: patches row by row (PatchesAlong0() x PatchesAlong1()), blocks row by
  // row; empty before BuildMesh().
  std::vector<TerrainPatch> patches;
  std::vector<TerrainBlock> blocks;
  bool meshTextured = false;  // whether the first slot held a texture when the mesh was built
  uint64_t memoryLimit = 0;
};
