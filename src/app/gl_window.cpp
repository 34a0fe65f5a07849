// OpenGL context and state for the program's window.
#include "app/gl_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "scene/error_box.h"
#include "textures/gl_context_state.h"

bool GLWindow::Create(int32_t width, int32_t height, bool fullscreen, SDL_Window* sdlWindow) {
  window = sdlWindow;
  // The pixel format (RGBA, double buffer, 16-bit depth) was requested before the
  // window was made; a window without a usable one has no pixel format now.
  if (window == nullptr || SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_UNKNOWN ||
      (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) == 0) {
    ShowErrorBox("Can't find a suitable pixelformat");
    return false;
  }
  renderingContext = SDL_GL_CreateContext(window);
  if (renderingContext == nullptr) {
    ShowErrorBox("Can't create a GL rendering context");
    return false;
  }
  if (SDL_GL_MakeCurrent(window, renderingContext) != 0) {
    ShowErrorBox("Can't activate GLRC");
    return false;
  }
  SetGLContextAlive(true);
  if (fullscreen && !SetDisplayMode(width, height)) {
    ShowErrorBox("Can't switch resolution");
    return false;
  }
  if (!InitState()) {
    ShowErrorBox("Can't init the state machine");
    return false;
  }
  return true;
}

bool GLWindow::SetDisplayMode(int32_t width, int32_t height) {
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0) return false;
  // Only the size is asked for; colour depth and refresh rate stay as they are.
  SDL_DisplayMode wanted{};
  wanted.w = width;
  wanted.h = height;
  SDL_DisplayMode closest{};
  if (SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr) return false;
  if (closest.w != width || closest.h != height) return false;
  if (SDL_SetWindowDisplayMode(window, &closest) != 0) return false;
  if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) return false;
  displaySwitched = true;
  return true;
}

bool GLWindow::InitState() {
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
  return true;
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

void GLWindow::Destroy() {
  if (window != nullptr && displaySwitched) {
    SDL_SetWindowFullscreen(window, 0);
    displaySwitched = false;
  }
  if (renderingContext != nullptr) {
    SetGLContextAlive(false);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(renderingContext);
    renderingContext = nullptr;
  }
}

void GLWindow::SwapBuffers() {
  if (window != nullptr && renderingContext != nullptr) SDL_GL_SwapWindow(window);
}
