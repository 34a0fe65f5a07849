// An OpenGL context without any window system: Mesa's surfaceless EGL platform with
// a pbuffer of the requested size. Used by the GL tests and the headless renderer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HeadlessGL {
 public:
  HeadlessGL() = default;
  ~HeadlessGL();
  HeadlessGL(const HeadlessGL&) = delete;
  HeadlessGL& operator=(const HeadlessGL&) = delete;

  // Creates a compatibility-profile context with RGBA colour, a 16-bit (or deeper)
  // depth buffer and a pbuffer of width x height, and makes it current.
  // On failure returns false and error() says why.
  bool Create(int width, int height);
  void Destroy();

  int width() const { return width_; }
  int height() const { return height_; }
  const std::string& error() const { return error_; }

  // Reads the colour buffer as RGBA bytes, rows top-down (as an image file wants).
  std::vector<uint8_t> ReadPixelsTopDown() const;

 private:
  void* display_ = nullptr;
  void* context_ = nullptr;
  void* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::string error_;
};
