// The sky quad and ScreenToEye. The quad lies at eye depth -1 exactly over the view. It
// is drawn after the terrain at the far end of the depth range, tested but not written,
// so it fills exactly the pixels the terrain left open and everything drawn later
// covers it: no pixel the terrain covers is shaded for the sky.
#include "scene/sky_box.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Degrees of heading and of pitch that scroll the image by its full width or height.
constexpr double kHeadingPeriod = 150.0;
constexpr double kPitchPeriod = 100.0;

// The angle brought into (-period, period) in double precision. The image repeats
// every period, so nothing on screen changes, but a heading of millions of degrees
// keeps the precision that texture coordinates near zero have. A non-finite angle
// counts as 0.
float Reduced(float degrees, double period) {
  if (!std::isfinite(degrees)) return 0.0f;
  return static_cast<float>(std::fmod(static_cast<double>(degrees), period));
}

}  // namespace

Float3 ScreenToEye(float sx, float sy, float depth, uint32_t fov, float aspect) {
  // Tangent of half the field of view: whole degrees times pi / 360.
  const double t = std::tan(static_cast<double>(fov) * 0.008726646);
  const double d = depth;
  return {static_cast<float>(-d * t * sx * aspect), static_cast<float>(-d * t * sy), depth};
}

Float3 SkyBox::HorizonColour(float brightness) const {
  // Colours are clamped to 0..1 before they modulate the image.
  const float grey = std::isnan(brightness) ? 0.0f : std::clamp(brightness, 0.0f, 1.0f);
  if (!texture.HasImage()) return {grey, grey, grey};
  texture.Bind();
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  if (width <= 0 || height <= 0) return {grey, grey, grey};
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glPopClientAttrib();
  double sum[3] = {};
  const uint8_t* row = &pixels[static_cast<size_t>(height / 2) * static_cast<size_t>(width) * 3];
  for (GLint x = 0; x < width; ++x) {
    for (int c = 0; c < 3; ++c) sum[c] += row[x * 3 + c];
  }
  auto mean = [&](int c) { return static_cast<float>(sum[c] / (255.0 * width)) * grey; };
  return {mean(0), mean(1), mean(2)};
}

void SkyBox::Draw(float pitch, float heading, uint32_t fov, float brightness, float aspect) {
  const float v = Reduced(pitch, kPitchPeriod) * 0.01f;
  const float u = Reduced(heading, kHeadingPeriod) * 0.006666667f;
  // A texture that was never created has no name to bind: the sky is then plain grey.
  const bool hasTexture = !texture.Empty();
  if (hasTexture) texture.Bind();
  // Set before the attributes are saved: the grey stays the current colour.
  glColor3f(brightness, brightness, brightness);
  // A window without width (or an aspect that is not a number) has nothing to cover.
  if (!(aspect > 0.0f) || !std::isfinite(aspect)) return;

  glPushAttrib(GL_FOG_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT);
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  // Every sky fragment gets the far depth (1), which passes only where the depth buffer
  // still holds its cleared value.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  glDepthRange(1.0, 1.0);
  if (hasTexture) {
    // Textures are created clamped; the sky repeats. The texture attributes saved
    // above include the bound texture's wrap modes, so the clamp comes back.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  } else {
    glDisable(GL_TEXTURE_2D);
  }

  const Float3 bottomLeft = ScreenToEye(-1.0f, -1.0f, -1.0f, fov, aspect);
  const Float3 bottomRight = ScreenToEye(1.0f, -1.0f, -1.0f, fov, aspect);
  const Float3 topLeft = ScreenToEye(-1.0f, 1.0f, -1.0f, fov, aspect);
  const Float3 topRight = ScreenToEye(1.0f, 1.0f, -1.0f, fov, aspect);
  // Counter-clockwise as seen from the eye: back faces are culled.
  glBegin(GL_QUADS);
  glTexCoord2f(-u, -v);
  glVertex3f(bottomLeft.x, bottomLeft.y, bottomLeft.z);
  glTexCoord2f(1.0f - u, -v);
  glVertex3f(bottomRight.x, bottomRight.y, bottomRight.z);
  glTexCoord2f(1.0f - u, 1.0f - v);
  glVertex3f(topRight.x, topRight.y, topRight.z);
  glTexCoord2f(-u, 1.0f - v);
  glVertex3f(topLeft.x, topLeft.y, topLeft.z);
  glEnd();

  glPopAttrib();
}
