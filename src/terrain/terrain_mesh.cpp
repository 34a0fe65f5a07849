// The terrain mesh: the ground texture slot, the full build, and the buffers. Every
// block of 16 x 16 patches of 7 x 7 cells keeps its textured, lit triangles in one
// vertex buffer and one index buffer; a frame draws the patches in order, skipping
// those wholly outside the view. Everything here needs a current OpenGL context; the
// height field itself is in height_field.cpp.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "terrain/terrain.h"

namespace {

// One vertex as the buffers hold it.
struct MeshVertex {
  float texture[2];
  float normal[3];
  float position[3];
};

// The vertex rows of one patch along one index, for the sample rows `begin` to `end`.
// The ground texture restarts on every kTextureRepeat-th row: a cell's near edge has
// the coordinate (row mod repeat) / repeat, its far edge that plus 1 / repeat, so a
// row where the texture restarts is needed twice, once ending the texture for the
// cell before it (coordinate 1) and once starting it for the cell after it (0).
struct PatchRows {
  PatchRows(uint32_t begin, uint32_t end) {
    const uint32_t r = Terrain::kTextureRepeat;
    for (uint32_t k = begin; k <= end; ++k) {
      if (k > begin) Add(k, (k - 1) % r + 1);
      if (k < end && (k == begin || k % r == 0)) Add(k, k % r);
      // Away from a restart both edges have the same coordinate and share a row.
      far.push_back(static_cast<uint16_t>(k > begin && k % r == 0 && k < end ? sample.size() - 2 : sample.size() - 1));
      near.push_back(static_cast<uint16_t>(sample.size() - 1));
    }
  }
  void Add(uint32_t row, uint32_t coordinate) {
    sample.push_back(row);
    step.push_back(coordinate);
  }
  std::vector<uint32_t> sample;  // per vertex row: its sample row
  std::vector<uint32_t> step;    // per vertex row: its texture coordinate, in 1 / repeat
  std::vector<uint16_t> near;    // per sample row from `begin`: the vertex row starting a cell
  std::vector<uint16_t> far;     // per sample row from `begin`: the vertex row ending a cell
};

float Coordinate(uint32_t step) {
  return static_cast<float>(step) / static_cast<float>(Terrain::kTextureRepeat);
}

}  // namespace

// The terrain is made here, with its ground textures (GL objects), so that the height
// field's own file needs nothing of OpenGL.
Terrain::Terrain() : heightScaling(5.0f), stepSize(0.2f), cellsX(0), cellsY(0) {}

// A file that fails to load still takes its slot (an empty texture name); only a
// full table refuses.
bool Terrain::AddTexture(const char* file) { return textures.Add(file, TextureLoader::kOpaque); }

bool Terrain::Build(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                    std::string* error) {
  // The memory check counts the buffers too, so that a world that would only fail
  // inside the driver is refused with a message first.
  if (!BuildFromFile(heightMapFile, samplesX, samplesY, true, error)) return false;
  return BuildMesh(error);
}

// [SECTION] Buffers

bool Terrain::BuildMesh(std::string* error) {
  for (const TerrainBlock& block : blocks) {
    glDeleteBuffers(1, &block.vertexBuffer);
    glDeleteBuffers(1, &block.indexBuffer);
  }
  blocks.clear();
  patches.clear();
  if (!IsBuilt()) return false;
  meshTextured = textures.lastTexture != -1;

  const uint32_t patches0 = PatchesAlong0();
  const uint32_t patches1 = PatchesAlong1();
  const uint32_t blocks0 = (patches0 + kBlockPatches - 1) / kBlockPatches;
  const uint32_t blocks1 = (patches1 + kBlockPatches - 1) / kBlockPatches;
  patches.resize(static_cast<size_t>(patches0) * patches1);
  blocks.resize(static_cast<size_t>(blocks0) * blocks1);
  // The world positions of the sample columns, as Corner() gives them.
  std::vector<float> columnX(static_cast<size_t>(cellsY) + 1);
  for (uint32_t j = 0; j <= cellsY; ++j) columnX[j] = static_cast<float>(j) * stepSize;

  std::vector<MeshVertex> vertices;
  std::vector<uint16_t> indices;
  // Errors left by earlier calls are not the buffers'.
  for (int k = 0; k < 16 && glGetError() != GL_NO_ERROR; ++k) {
  }
  for (uint32_t b0 = 0; b0 < blocks0; ++b0) {
    for (uint32_t b1 = 0; b1 < blocks1; ++b1) {
      TerrainBlock& block = blocks[static_cast<size_t>(b0) * blocks1 + b1];
      block.lowY = heights[Index(0, 0)];
      block.highY = block.lowY;
      vertices.clear();
      indices.clear();
      for (uint32_t p = b0 * kBlockPatches; p < std::min((b0 + 1) * kBlockPatches, patches0); ++p) {
        for (uint32_t q = b1 * kBlockPatches; q < std::min((b1 + 1) * kBlockPatches, patches1); ++q) {
          // Patches at the far edges may hold fewer cells, or none.
          const uint32_t iBegin = p * kPatchSize;
          const uint32_t jBegin = q * kPatchSize;
          const uint32_t iEnd = std::min(iBegin + kPatchSize, cellsX);
          const uint32_t jEnd = std::min(jBegin + kPatchSize, cellsY);
          if (iBegin >= iEnd || jBegin >= jEnd) continue;
          const PatchRows rows(iBegin, iEnd);     // along i: world z, texture s
          const PatchRows columns(jBegin, jEnd);  // along j: world x, texture t
          const size_t base = vertices.size();
          TerrainPatch& patch = patches[static_cast<size_t>(p) * patches1 + q];
          patch.lowY = heights[Index(iBegin, jBegin)];
          patch.highY = patch.lowY;
          for (size_t r = 0; r < rows.sample.size(); ++r) {
            const uint32_t i = rows.sample[r];
            for (size_t c = 0; c < columns.sample.size(); ++c) {
              const uint32_t j = columns.sample[c];
              const float height = heights[Index(i, j)];
              const Float3& n = normals[Index(i, j)];
              vertices.push_back({{Coordinate(rows.step[r]), Coordinate(columns.step[c])},
                                  {n.x, n.y, n.z},
                                  {columnX[j], height, static_cast<float>(i) * stepSize}});
              patch.lowY = std::min(patch.lowY, height);
              patch.highY = std::max(patch.highY, height);
            }
          }
          // The cells' triangles in the order and winding of the grid:
          // P(i, j), P(i+1, j+1), P(i, j+1) and P(i+1, j), P(i+1, j+1), P(i, j).
          const size_t width = columns.sample.size();
          auto at = [&](uint16_t row, uint16_t column) {
            return static_cast<uint16_t>(base + row * width + column);
          };
          const size_t firstIndex = indices.size();
          patch.indexOffset = static_cast<uint32_t>(firstIndex * sizeof(uint16_t));
          for (uint32_t j = jBegin; j < jEnd; ++j) {
            for (uint32_t i = iBegin; i < iEnd; ++i) {
              const uint16_t i0 = rows.near[i - iBegin];
              const uint16_t i1 = rows.far[i + 1 - iBegin];
              const uint16_t j0 = columns.near[j - jBegin];
              const uint16_t j1 = columns.far[j + 1 - jBegin];
              for (uint16_t index : {at(i0, j0), at(i1, j1), at(i0, j1), at(i1, j0), at(i1, j1), at(i0, j0)}) {
                indices.push_back(index);
              }
            }
          }
          patch.indexCount = static_cast<uint32_t>(indices.size() - firstIndex);
          patch.firstVertex = static_cast<uint16_t>(base);
          patch.lastVertex = static_cast<uint16_t>(vertices.size() - 1);
          block.lowY = std::min(block.lowY, patch.lowY);
          block.highY = std::max(block.highY, patch.highY);
        }
      }
      glGenBuffers(1, &block.vertexBuffer);
      glGenBuffers(1, &block.indexBuffer);
      glBindBuffer(GL_ARRAY_BUFFER, block.vertexBuffer);
      glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(MeshVertex)), vertices.data(),
                   GL_STATIC_DRAW);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, block.indexBuffer);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint16_t)),
                   indices.data(), GL_STATIC_DRAW);
    }
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  if (glGetError() != GL_NO_ERROR) {
    if (error) *error = "OpenGL could not hold the terrain's " + std::to_string(blocks.size() * 2) + " buffers";
    patches.clear();
    return false;
  }
  return true;
}

uint32_t Terrain::Draw(const ViewVolume& view) const {
  if (patches.empty()) return 0;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (meshTextured) textures.textures[0].Bind();

  const uint32_t patches0 = PatchesAlong0();
  const uint32_t patches1 = PatchesAlong1();
  const uint32_t blocks1 = (patches1 + kBlockPatches - 1) / kBlockPatches;
  // The world box of the cells from (i0, j0) to (i1, j1), from its lowest to its
  // highest sample, in the positions the vertices hold.
  auto excluded = [&](uint32_t i0, uint32_t j0, uint32_t i1, uint32_t j1, float lowY, float highY) {
    return view.Excludes({static_cast<float>(j0) * stepSize, lowY, static_cast<float>(i0) * stepSize},
                         {static_cast<float>(j1) * stepSize, highY, static_cast<float>(i1) * stepSize});
  };
  constexpr uint32_t kBlockCells = kBlockPatches * kPatchSize;
  std::vector<bool> blockExcluded(blocks.size());
  for (size_t b = 0; b < blocks.size(); ++b) {
    const uint32_t i0 = static_cast<uint32_t>(b / blocks1) * kBlockCells;
    const uint32_t j0 = static_cast<uint32_t>(b % blocks1) * kBlockCells;
    blockExcluded[b] = excluded(i0, j0, std::min(i0 + kBlockCells, cellsX), std::min(j0 + kBlockCells, cellsY),
                                blocks[b].lowY, blocks[b].highY);
  }

  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  const TerrainBlock* bound = nullptr;
  uint32_t drawn = 0;
  // Row by row of patches, as the grid is laid out, so that the triangles reach the
  // depth test in the same order whatever is skipped.
  for (uint32_t p = 0; p < patches0; ++p) {
    for (uint32_t b1 = 0; b1 < blocks1; ++b1) {
      const size_t b = static_cast<size_t>(p / kBlockPatches) * blocks1 + b1;
      if (blockExcluded[b]) continue;
      for (uint32_t q = b1 * kBlockPatches; q < std::min((b1 + 1) * kBlockPatches, patches1); ++q) {
        const TerrainPatch& patch = patches[static_cast<size_t>(p) * patches1 + q];
        if (patch.indexCount == 0) continue;
        if (excluded(p * kPatchSize, q * kPatchSize, std::min((p + 1) * kPatchSize, cellsX),
                     std::min((q + 1) * kPatchSize, cellsY), patch.lowY, patch.highY)) {
          continue;
        }
        if (bound != &blocks[b]) {
          bound = &blocks[b];
          glBindBuffer(GL_ARRAY_BUFFER, bound->vertexBuffer);
          glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bound->indexBuffer);
          glTexCoordPointer(2, GL_FLOAT, sizeof(MeshVertex), reinterpret_cast<const void*>(offsetof(MeshVertex, texture)));
          glNormalPointer(GL_FLOAT, sizeof(MeshVertex), reinterpret_cast<const void*>(offsetof(MeshVertex, normal)));
          glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), reinterpret_cast<const void*>(offsetof(MeshVertex, position)));
        }
        glDrawRangeElements(GL_TRIANGLES, patch.firstVertex, patch.lastVertex, static_cast<GLsizei>(patch.indexCount),
                            GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(static_cast<uintptr_t>(patch.indexOffset)));
        ++drawn;
      }
    }
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glPopClientAttrib();
  RestoreDrawState();
  return drawn;
}

void Terrain::RestoreDrawState() const {
  if (patches.empty()) return;
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (meshTextured) textures.textures[0].Bind();
  // Drawn in full, the grid ends with the last cell's first corner, P(cellsX-1, cellsY-1).
  const uint32_t i = cellsX - 1;
  const uint32_t j = cellsY - 1;
  glNormal3fv(&normals[Index(i, j)].x);
  glTexCoord2f(Coordinate(i % kTextureRepeat), Coordinate(j % kTextureRepeat));
}
