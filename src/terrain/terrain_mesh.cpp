// The terrain mesh: the ground texture slot, the full build, and the patch display
// lists (7 x 7 cells each) that hold the textured, lit triangles. Everything here
// needs a current OpenGL context; the height field itself is in height_field.cpp.
#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "terrain/terrain.h"

// The terrain is made here, with its ground textures (GL objects), so that the height
// field's own file needs nothing of OpenGL.
Terrain::Terrain()
    : heightScaling(5.0f),
      stepSize(0.2f),
      firstList(0),
      cellsX(0),
      cellsY(0),
      textureRepeat(10),
      patchSize(7) {}

// A file that fails to load still takes its slot (an empty texture name); only a
// full table refuses.
bool Terrain::AddTexture(const char* file) { return textures.Add(file, TextureLoader::kOpaque); }

bool Terrain::Build(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                    std::string* error) {
  // The memory check counts the compiled lists too, so that a world that would only
  // fail inside the driver is refused with a message first.
  if (!BuildFromFile(heightMapFile, samplesX, samplesY, true, error)) return false;
  return BuildDisplayLists(error);
}

// [SECTION] Patch display lists

bool Terrain::BuildDisplayLists(std::string* error) {
  const uint32_t patches0 = PatchesAlong0();
  const uint32_t patches1 = PatchesAlong1();
  const uint64_t listCount = uint64_t{patches0} * patches1;
  const GLuint first = listCount <= 0x7fffffff ? glGenLists(static_cast<GLsizei>(listCount)) : 0;
  if (first == 0) {
    if (error) {
      *error = "OpenGL could not reserve " + std::to_string(listCount) +
               " display lists for the terrain";
    }
    return false;
  }
  firstList = first;

  const bool textured = textures.lastTexture != -1;
  const uint32_t r = textureRepeat;
  const float repeat = static_cast<float>(r);
  // The texture restarts on every r-th cell, so the coordinates stay in 0..1 and the
  // clamped texture repeats: s follows i (world z), t follows j. coord[k] is the
  // coordinate k / r of a cell's near (k = index mod r) and far (k + 1) edge.
  std::vector<float> coord(static_cast<size_t>(r) + 1);
  for (uint32_t k = 0; k <= r; ++k) coord[k] = static_cast<float>(k) / repeat;
  // The world positions of the sample columns and rows, as Corner() gives them.
  std::vector<float> columnX(static_cast<size_t>(cellsY) + 1);
  for (uint32_t j = 0; j <= cellsY; ++j) columnX[j] = static_cast<float>(j) * stepSize;

  GLuint list = firstList;
  for (uint32_t p = 0; p < patches0; ++p) {
    for (uint32_t q = 0; q < patches1; ++q, ++list) {
      glNewList(list, GL_COMPILE);
      glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
      // Only the first slot is ever drawn. The bind is recorded in the list, so a
      // texture added after the build does not show.
      if (textured) textures.textures[0].Bind();
      glBegin(GL_TRIANGLES);
      // Patches at the far edges may hold fewer cells, or none.
      const uint32_t iBegin = p * patchSize;
      const uint32_t jBegin = q * patchSize;
      const uint32_t iEnd = std::min(iBegin + patchSize, cellsX);
      const uint32_t jEnd = std::min(jBegin + patchSize, cellsY);
      for (uint32_t j = jBegin; j < jEnd; ++j) {
        const float t0 = coord[j % r];
        const float t1 = coord[j % r + 1];
        for (uint32_t i = iBegin; i < iEnd; ++i) {
          const float s0 = coord[i % r];
          const float s1 = coord[i % r + 1];
          // The corners of the cell's triangles: P(i, j), P(i+1, j+1), P(i, j+1) and
          // P(i+1, j), P(i+1, j+1), P(i, j).
          const size_t at00 = Index(i, j);
          const size_t at10 = Index(i + 1, j);
          const float z0 = static_cast<float>(i) * stepSize;
          const float z1 = static_cast<float>(i + 1) * stepSize;
          const float p00[3] = {columnX[j], heights[at00], z0};
          const float p01[3] = {columnX[j + 1], heights[at00 + 1], z0};
          const float p10[3] = {columnX[j], heights[at10], z1};
          const float p11[3] = {columnX[j + 1], heights[at10 + 1], z1};
          const float* n00 = &normals[at00].x;
          const float* n01 = &normals[at00 + 1].x;
          const float* n10 = &normals[at10].x;
          const float* n11 = &normals[at10 + 1].x;

          glTexCoord2f(s0, t0);
          glNormal3fv(n00);
          glVertex3fv(p00);
          glTexCoord2f(s1, t1);
          glNormal3fv(n11);
          glVertex3fv(p11);
          glTexCoord2f(s0, t1);
          glNormal3fv(n01);
          glVertex3fv(p01);

          glTexCoord2f(s1, t0);
          glNormal3fv(n10);
          glVertex3fv(p10);
          glTexCoord2f(s1, t1);
          glNormal3fv(n11);
          glVertex3fv(p11);
          glTexCoord2f(s0, t0);
          glNormal3fv(n00);
          glVertex3fv(p00);
        }
      }
      glEnd();
      glEndList();
    }
  }
  return true;
}

void Terrain::Draw() const {
  if (firstList == 0) return;
  const GLuint end = firstList + PatchesAlong0() * PatchesAlong1();
  for (GLuint list = firstList; list < end; ++list) glCallList(list);
}
