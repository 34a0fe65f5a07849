// The terrain mesh: the ground texture slot, the full build, and the patch display
// lists (7 x 7 cells each) that hold the textured, lit triangles. Everything here
// needs a current OpenGL context; the height field itself is in height_field.cpp.
#include <GL/gl.h>

#include <algorithm>
#include <string>

#include "terrain/terrain.h"

// A file that fails to load still takes its slot (an empty texture name); only a
// full table refuses.
bool Terrain::AddTexture(const char* file) { return textures.Add(file, &Texture::LoadBMP); }

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
        for (uint32_t i = iBegin; i < iEnd; ++i) {
          // The texture restarts on every r-th cell, so the coordinates stay in 0..1
          // and the clamped texture repeats: s follows i (world z), t follows j.
          const float s0 = static_cast<float>(i % r) / repeat;
          const float s1 = static_cast<float>(i % r + 1) / repeat;
          const float t0 = static_cast<float>(j % r) / repeat;
          const float t1 = static_cast<float>(j % r + 1) / repeat;
          // The corners of the cell's triangles: P(i, j), P(i+1, j+1), P(i, j+1) and
          // P(i+1, j), P(i+1, j+1), P(i, j).
          const Float3 p00 = Corner(i, j);
          const Float3 p01 = Corner(i, j + 1);
          const Float3 p10 = Corner(i + 1, j);
          const Float3 p11 = Corner(i + 1, j + 1);

          glTexCoord2f(s0, t0);
          glNormal3fv(&normals[Index(i, j)].x);
          glVertex3fv(&p00.x);
          glTexCoord2f(s1, t1);
          glNormal3fv(&normals[Index(i + 1, j + 1)].x);
          glVertex3fv(&p11.x);
          glTexCoord2f(s0, t1);
          glNormal3fv(&normals[Index(i, j + 1)].x);
          glVertex3fv(&p01.x);

          glTexCoord2f(s1, t0);
          glNormal3fv(&normals[Index(i + 1, j)].x);
          glVertex3fv(&p10.x);
          glTexCoord2f(s1, t1);
          glNormal3fv(&normals[Index(i + 1, j + 1)].x);
          glVertex3fv(&p11.x);
          glTexCoord2f(s0, t0);
          glNormal3fv(&normals[Index(i, j)].x);
          glVertex3fv(&p00.x);
        }
      }
      glEnd();
      glEndList();
    }
  }
  return true;
}

void Terrain::Draw(float /*heading*/, float /*x*/, float /*y*/, float /*z*/) const {
  if (firstList == 0) return;
  const GLuint end = firstList + PatchesAlong0() * PatchesAlong1();
  for (GLuint list = firstList; list < end; ++list) glCallList(list);
}
