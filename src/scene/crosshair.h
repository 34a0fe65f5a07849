// The crosshair: a small colour-keyed square blended over the middle of the window,
// size x width / 30 pixels on each side whatever the window's shape.
#pragma once

#include <cstdint>

#include "textures/texture.h"

class Crosshair {
 public:
  Crosshair() = default;
  virtual ~Crosshair() = default;
  Crosshair(const Crosshair&) = delete;
  Crosshair& operator=(const Crosshair&) = delete;

  // Loads the image with the colour-key loader (pixels with red and green 0 are
  // transparent). That loader ends the program when the file cannot be opened.
  bool LoadTexture(const char* file);
  // Kept only when greater than 0 (and finite); anything else is ignored.
  void SetSize(float value);
  // Kept only when greater than 0 and less than 1; anything else is ignored.
  void SetTransparency(float value);
  // Draws the crosshair with the model-view matrix the identity and the window's
  // perspective in force. Blending, blend factors, depth test, lighting and fog are
  // as before the call; the current colour is left at (1, 1, 1, transparency).
  // Draws nothing while no image is loaded (none named, or its file could not be decoded).
  void Draw(uint32_t fov, float aspect);

  Texture texture;
  float transparency = 1.0f;  // alpha the crosshair is drawn with; 1 is opaque
  float size = 1.0f;          // size factor: size x window width / 30 pixels
};
