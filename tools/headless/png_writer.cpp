// PNG output through libpng.
#include "headless/png_writer.h"

#include <png.h>

#include <cstdio>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  if (rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // Drop alpha: the frame is opaque, and what the window would show has no alpha.
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3) {
    rgb[j] = rgba[i];
    rgb[j + 1] = rgba[i + 1];
    rgb[j + 2] = rgba[i + 2];
  }
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
  if (!ok) std::fprintf(stderr, "PNG \"%s\": %s\n", path.c_str(), image.message);
  return ok != 0;
}

bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  rgba.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return true;
}
