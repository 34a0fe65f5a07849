// The camera transform: turns the viewer's orientation and eye position into the
// model-view matrix. The only OpenGL call site of the viewer module.
#include <GL/gl.h>

#include "viewer/viewer.h"

void Camera::ApplyTransform() const {
  // Pitch first, so that a positive pitch tilts the view down whatever the heading;
  // 360 - heading turns the world the other way round from the viewer's turn.
  glRotatef(pitch, 1.0f, 0.0f, 0.0f);
  glRotatef(360.0f - heading, 0.0f, 1.0f, 0.0f);
  // The eye sits sizeOfViewer above the feet.
  glTranslatef(-x, -(y + sizeOfViewer), -z);
}
