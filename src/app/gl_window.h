// The window's OpenGL side that does not depend on the window system: the initial
// OpenGL state, and the viewport and projection for a client area.
#pragma once

#include <cstdint>

class GLWindow {
 public:
  // The state every frame starts from: depth test, back-face culling, texturing,
  // lighting with light 0, colour material, white clear colour.
  void InitState();
  // Viewport, aspect and perspective for a client area of width x height pixels.
  void Resize(uint32_t width, uint32_t height, int32_t fieldOfView, float farDistance);
  float Aspect() const { return aspect; }

  float aspect = 4.0f / 3.0f;  // width / height of the last resize
};
