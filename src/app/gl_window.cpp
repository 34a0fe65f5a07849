// The initial OpenGL state, viewport and projection of the program's window.
#include "app/gl_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "textures/gl_context_state.h"

void GLWindow::InitState() {
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_LIGHTING);

  const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat diffuse[] = {0.75f, 0.75f, 0.75f, 1.0f};
  const GLfloat position[] = {0.0f, 0.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glEnable(GL_LIGHT0);

  const GLfloat materialAmbient[] = {1.75f, 1.75f, 1.75f, 1.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
}

void GLWindow::Resize(uint32_t width, uint32_t height, int32_t fieldOfView, float farDistance) {
  // A height of 0 gives the width itself as aspect, without a division.
  aspect = height == 0 ? static_cast<float>(width)
                       : static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
  if (!GLContextAlive()) return;
  glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fieldOfView, aspect, 0.02, farDistance);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDrawBuffer(GL_BACK);
}
