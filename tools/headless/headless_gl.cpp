// Surfaceless EGL context for drawing without an X server (Mesa llvmpipe).
#include "headless/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>

namespace {

EGLDisplay OpenSurfacelessDisplay() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay != nullptr) {
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY) return display;
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

}  // namespace

HeadlessGL::~HeadlessGL() { Destroy(); }

bool HeadlessGL::Create(int width, int height) {
  Destroy();
  EGLDisplay display = OpenSurfacelessDisplay();
  if (display == EGL_NO_DISPLAY) {
    error_ = "no EGL display";
    return false;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    error_ = "eglInitialize failed";
    return false;
  }
  display_ = display;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error_ = "EGL cannot bind the desktop OpenGL API";
    return false;
  }
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                  EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                  EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                  EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) {
    error_ = "no EGL config with a pbuffer, RGBA and depth";
    return false;
  }
  const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
  if (surface == EGL_NO_SURFACE) {
    error_ = "eglCreatePbufferSurface failed";
    return false;
  }
  surface_ = surface;
  // No version or profile attributes: Mesa then gives a compatibility context,
  // which has the fixed-function pipeline the program draws with.
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    error_ = "eglCreateContext failed";
    return false;
  }
  context_ = context;
  if (!eglMakeCurrent(display, surface, surface, context)) {
    error_ = "eglMakeCurrent failed";
    return false;
  }
  width_ = width;
  height_ = height;
  glViewport(0, 0, width, height);
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  return true;
}

void HeadlessGL::Destroy() {
  if (display_ == nullptr) return;
  EGLDisplay display = static_cast<EGLDisplay>(display_);
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != nullptr) eglDestroyContext(display, static_cast<EGLContext>(context_));
  if (surface_ != nullptr) eglDestroySurface(display, static_cast<EGLSurface>(surface_));
  eglTerminate(display);
  display_ = context_ = surface_ = nullptr;
  width_ = height_ = 0;
}

std::vector<uint8_t> HeadlessGL::ReadPixelsTopDown() const {
  std::vector<uint8_t> bottomUp(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  const size_t row = static_cast<size_t>(width_) * 4;
  for (int y = 0; y < height_; ++y) {
    std::memcpy(&topDown[static_cast<size_t>(y) * row],
                &bottomUp[static_cast<size_t>(height_ - 1 - y) * row], row);
  }
  return topDown;
}
