// Crosshair drawing: a quad at eye depth -1 whose corners are placed through
// ScreenToEye, so that its size follows the window width and not the field of view.
#include "scene/crosshair.h"

#include <GL/gl.h>

#include <cmath>

#include "scene/sky_box.h"

bool Crosshair::LoadTexture(const char* file) { return texture.LoadBMPWithAlpha(file); }

void Crosshair::SetSize(float value) {
  // Not-a-number fails the comparison; infinity would put the corners at infinity.
  if (value > 0.0f && std::isfinite(value)) size = value;
}

void Crosshair::SetTransparency(float value) {
  if (value > 0.0f && value < 1.0f) transparency = value;
}

void Crosshair::Draw(uint32_t fov, float aspect) {
  // Nothing to show: no image (its name would be invalid), or a window without width.
  if (!texture.HasImage() || !(aspect > 0.0f) || !std::isfinite(aspect)) return;

  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_LIGHTING_BIT);
  texture.Bind();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // The current colour is not among the saved groups: it stays after the call.
  glColor4f(1.0f, 1.0f, 1.0f, transparency);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);

  // Half the side in normalised screen units across the width; the vertical extent is
  // scaled by the aspect so that the square has as many pixels up as across.
  const float h = size * 0.033333335f;
  const Float3 bottomLeft = ScreenToEye(-h, -h * aspect, -1.0f, fov, aspect);
  const Float3 bottomRight = ScreenToEye(h, -h * aspect, -1.0f, fov, aspect);
  const Float3 topRight = ScreenToEye(h, h * aspect, -1.0f, fov, aspect);
  const Float3 topLeft = ScreenToEye(-h, h * aspect, -1.0f, fov, aspect);
  // Counter-clockwise as seen from the eye: back faces are culled.
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(bottomLeft.x, bottomLeft.y, bottomLeft.z);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(bottomRight.x, bottomRight.y, bottomRight.z);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(topRight.x, topRight.y, topRight.z);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(topLeft.x, topLeft.y, topLeft.z);
  glEnd();

  glPopAttrib();
}
