// The window's OpenGL side: the rendering context, the temporary full-screen display
// mode, the initial OpenGL state, the viewport and projection, and the buffer swap.
#pragma once

#include <SDL_video.h>

#include <cstdint>

class GLWindow {
 public:
  GLWindow() = default;
  virtual ~GLWindow() = default;  // releases nothing; Destroy() does

  // Context, display mode, initial state. Every failure is shown in the "Error" box and
  // returns false at once; the caller then calls Destroy().
  bool Create(int32_t width, int32_t height, bool fullscreen, SDL_Window* window);
  bool SetDisplayMode(int32_t width, int32_t height);
  bool InitState();
  // Viewport, aspect and perspective for a client area of width x height pixels.
  void Resize(uint32_t width, uint32_t height, int32_t fieldOfView, float farDistance);
  // Leaves full screen, releases the context. Harmless when parts are missing.
  void Destroy();
  void SwapBuffers();
  float Aspect() const { return aspect; }

  float aspect = 4.0f / 3.0f;            // width / height of the last resize
  SDL_GLContext renderingContext = nullptr;
  SDL_Window* window = nullptr;
  bool displaySwitched = false;          // full-screen mode is in force
};
