// The sky: one textured quad that covers the whole window behind the world and
// scrolls its image with the viewer's heading and pitch, repeating endlessly; and
// ScreenToEye, the eye-space point a perspective projection shows at a screen position.
#pragma once

#include <cstdint>

#include "geometry/vector3.h"
#include "textures/texture.h"

// The point at eye-space z = depth that a perspective projection with vertical field
// of view `fov` (whole degrees) and `aspect` (width / height) shows at the normalised
// screen position (sx, sy): -1 is the left or bottom edge, +1 the right or top edge.
Float3 ScreenToEye(float sx, float sy, float depth, uint32_t fov, float aspect);

class SkyBox {
 public:
  SkyBox() = default;
  virtual ~SkyBox() = default;
  SkyBox(const SkyBox&) = delete;
  SkyBox& operator=(const SkyBox&) = delete;

  // Paints the sky over every pixel whose depth is still the cleared (far) value,
  // with the model-view matrix the identity and the window's perspective in force; the
  // depth buffer is not written. One image width scrolls by per 150 degrees of
  // heading, one image height per 100 degrees of pitch. `brightness` greys the image
  // (1 or more shows it unchanged) and stays the current colour afterwards. Fog,
  // lighting, the depth test, depth range and the texture's wrap mode are as before
  // the call.
  void Draw(float pitch, float heading, uint32_t fov, float brightness, float aspect);
  // The colour a level view shows at the horizon: the mean of the image's middle row
  // (or the plain sky's white) greyed by `brightness` as Draw greys it. Reads the
  // image back from its texture; binds it.
  Float3 HorizonColour(float brightness) const;

  Texture texture;  // the sky image; loaded by the scene set-up with Texture::LoadBMP
};
