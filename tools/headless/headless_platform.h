// The program's platform without a window system: an off-screen OpenGL buffer of a
// fixed size (headless_gl.h), a clock the driver advances, a window that always has the
// focus, and no events of its own (the driver puts its input into the input state).
#pragma once

#include <cstdint>
#include <string>

#include "app/platform.h"
#include "headless/headless_gl.h"

class HeadlessPlatform final : public Platform {
 public:
  HeadlessPlatform(int width, int height) : width_(width), height_(height) {}

  bool StartWindowSystem(std::string&) override { return true; }
  // The buffer has the renderer's size, whatever the settings ask for.
  bool CreateWindow(const char*, int32_t, int32_t) override { return true; }
  const char* CreateContext(int32_t width, int32_t height, ScreenMode mode) override;
  bool SetSwapInterval(int32_t, std::string*) override { return true; }
  void DestroyContext() override { gl_.Destroy(); }
  void ShowAndFocus(int32_t& width, int32_t& height) override {
    width = width_;
    height = height_;
  }
  WindowEvents PumpEvents(InputState& input) override;
  void CaptureMouse(bool) override {}
  bool ClientSize(int32_t& width, int32_t& height) const override {
    width = width_;
    height = height_;
    return true;
  }
  bool ClientCentre(int32_t& x, int32_t& y) override {
    x = width_ / 2;
    y = height_ / 2;
    return true;
  }
  void PutCursorAt(int32_t x, int32_t y) override;
  // The frame is finished before the driver reads or times it.
  void SwapBuffers() override;
  bool WindowVisible() const override { return true; }
  void WaitForEvents(uint32_t) override {}
  uint32_t Milliseconds() override { return nowMs; }
  // Nothing to show: the message is on stderr already.
  bool ShowErrorBox(const char*, std::string*) override { return true; }
  std::string ExecutableFolder() override { return ""; }

  const HeadlessGL& gl() const { return gl_; }

  uint32_t nowMs = 0;  // the simulated clock, advanced by the driver

 private:
  HeadlessGL gl_;
  int width_;
  int height_;
  bool cursorReturned_ = false;
  int32_t cursorX_ = 0;
  int32_t cursorY_ = 0;
};
