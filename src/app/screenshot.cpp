#include "app/screenshot.h"

#include <GL/gl.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "log/log.h"
#include "textures/png_file.h"

namespace {

constexpr const char* kFolder = "Screenshots";

// The viewport's pixels as RGBA, rows top-down; width and height through the arguments.
std::vector<uint8_t> ReadFrame(int& width, int& height) {
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  width = viewport[2];
  height = viewport[3];
  const size_t row = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> bottomUp(row * static_cast<size_t>(height));
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(viewport[0], viewport[1], width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  glPopClientAttrib();
  std::vector<uint8_t> topDown(bottomUp.size());
  for (int y = 0; y < height; ++y) {
    std::memcpy(&topDown[static_cast<size_t>(y) * row], &bottomUp[static_cast<size_t>(height - 1 - y) * row], row);
  }
  return topDown;
}

}  // namespace

std::string ScreenshotName(const std::tm& when, int n) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &when);
  return std::string(kFolder) + "/quillmarsh-" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".png";
}

void SaveScreenshot(std::time_t when) {
  int width = 0;
  int height = 0;
  const std::vector<uint8_t> rgba = ReadFrame(width, height);
  std::error_code error;
  std::filesystem::create_directories(kFolder, error);
  if (error) {
    Log("screenshot", QuotedFile(kFolder), "cannot make the folder: " + error.message());
    return;
  }
  std::tm local{};
  localtime_r(&when, &local);
  // Exclusive creation: a file that exists, however it came there, is never replaced.
  for (int n = 1; n <= 1000; ++n) {
    const std::string name = ScreenshotName(local, n);
    std::FILE* file = std::fopen(name.c_str(), "wbx");
    if (file == nullptr && errno == EEXIST) continue;
    if (file == nullptr) {
      Log("screenshot", QuotedFile(name), std::string("cannot write: ") + std::strerror(errno));
      return;
    }
    std::string why;
    const bool written = WritePng(file, width, height, rgba, &why);
    if (std::fclose(file) != 0 && written) why = std::strerror(errno);
    if (written && why.empty()) {
      Log("screenshot", QuotedFile(name), "written");
    } else {
      std::remove(name.c_str());
      Log("screenshot", QuotedFile(name), "cannot write: " + why);
    }
    return;
  }
  Log("screenshot", QuotedFile(kFolder), "cannot write: a thousand screenshots of this second are there already");
}
