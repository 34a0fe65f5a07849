// The tree images and the billboards: blended, farthest first, trees behind the
// viewer or outside the view skipped. Placement and the ordering are in tree_placement.cpp.
#include <GL/gl.h>

#include <cassert>

#include "trees/tree_set.h"

bool TreeSet::AddTexture(const char* path) { return textures.Add(path, TextureLoader::kColourKeyed); }

void Tree::DrawQuad() const {
  const float s = size;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-s, 0.0f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(s, 0.0f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(s, 2.0f * s, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-s, 2.0f * s, 0.0f);
  glEnd();
}

bool TreeSet::Draw(float heading, float viewerX, float viewerY, float viewerZ, float brightness,
                   const ViewVolume& view) {
  drawnCount = 0;
  if (placedCount == -1 || textures.lastTexture == -1) return false;
  assert(static_cast<size_t>(placedCount) == trees.size() && "placed count out of step with the array");
  SortFarToNear(viewerX, viewerY, viewerZ);

  GLint boundTexture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
  glPushAttrib(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // The texture environment modulates: each texel's colour and alpha are scaled by
  // the brightness, so a brightness below 1 also makes the trees translucent. The
  // colour and the normal are not part of the saved group and stay set afterwards.
  glColor4f(brightness, brightness, brightness, brightness);
  glNormal3f(0.0f, 0.0f, 1.0f);

  const Plane viewerPlane = ViewerCrossPlane(heading, viewerX, viewerY, viewerZ);
  // A tree drawn with the image of the tree before it needs no new binding.
  int32_t bound = -1;
  for (const Tree& tree : trees) {
    if (!IsInFront(viewerPlane, tree)) continue;
    if (tree.texture < 0 || tree.texture > textures.lastTexture) continue;
    // A kind whose image failed to load is left out rather than drawn as a dark square.
    if (!textures.textures[tree.texture].HasImage()) continue;
    // The billboard turns about its foot: it stays within this box whatever the heading.
    const float s = tree.size;
    if (view.Excludes({tree.x - s, tree.y, tree.z - s}, {tree.x + s, tree.y + 2.0f * s, tree.z + s})) continue;
    if (tree.texture != bound) {
      textures.textures[tree.texture].Bind();
      bound = tree.texture;
    }
    glPushMatrix();
    glTranslatef(tree.x, tree.y, tree.z);
    glRotatef(heading, 0.0f, 1.0f, 0.0f);
    tree.DrawQuad();
    glPopMatrix();
    ++drawnCount;
  }

  glPopAttrib();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
  return true;
}
