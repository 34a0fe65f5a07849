// Display lists of the weapon model: the mesh list (skin, colour, frame-0 triangles)
// and the outer list that places it in eye space. The geometry comes from
// model_mesh.cpp; only the OpenGL calls live here.
#include "model/model.h"

#include <GL/gl.h>

#include <vector>

bool Model::Load(const char* modelPath, const char* skinPath, const MeshPlacement& placement) {
  mesh.Free();  // a mesh loaded before is dropped
  if (!mesh.ReadFile(modelPath)) return false;
  skin.LoadBMP(skinPath);  // a missing skin leaves an empty texture; the mesh still draws

  const std::vector<MeshVertex> vertices = BuildMeshVertices(mesh, skin.Width(), skin.Height(), placement);
  list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  skin.Bind();
  glColor3f(1.0f, 1.0f, 1.0f);
  glBegin(GL_TRIANGLES);
  for (const MeshVertex& v : vertices) {
    glTexCoord2f(v.s, v.t);
    glNormal3f(v.normal.x, v.normal.y, v.normal.z);
    glVertex3f(v.position.x, v.position.y, v.position.z);
  }
  glEnd();
  glEndList();
  return true;
}

void Model::Draw() const {
  if (list != 0) glCallList(list);
}

bool WeaponModel::Load(const char* modelPath, const char* skinPath, const MeshPlacement& placement) {
  if (!model.Load(modelPath, skinPath, placement)) return false;
  list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  // The model's coordinates are eye-space positions: whatever the caller's
  // model-view holds (camera popped or not), the weapon stays in front of the eye.
  glPushMatrix();
  glLoadIdentity();
  model.Draw();
  glPopMatrix();
  glEndList();
  return true;
}

void WeaponModel::Draw() const {
  if (list != 0) glCallList(list);
}
