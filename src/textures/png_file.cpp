// PNG files through libpng's simplified interface.
#include "textures/png_file.h"

#include <png.h>

namespace {

// The pixels without their alpha, or empty when `rgba` does not hold width x height.
std::vector<uint8_t> Rgb(int width, int height, const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    return {};
  }
  std::vector<uint8_t> rgb(rgba.size() / 4 * 3);
  for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3) {
    rgb[j] = rgba[i];
    rgb[j + 1] = rgba[i + 1];
    rgb[j + 2] = rgba[i + 2];
  }
  return rgb;
}

png_image Header(int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  return image;
}

bool Written(int ok, const png_image& image, std::string* error) {
  if (!ok && error != nullptr) *error = image.message;
  return ok != 0;
}

}  // namespace

bool WritePng(std::FILE* file, int width, int height, const std::vector<uint8_t>& rgba, std::string* error) {
  const std::vector<uint8_t> rgb = Rgb(width, height, rgba);
  if (rgb.empty()) {
    if (error != nullptr) *error = "no picture";
    return false;
  }
  png_image image = Header(width, height);
  return Written(png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr), image, error);
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba, std::string* error) {
  const std::vector<uint8_t> rgb = Rgb(width, height, rgba);
  png_image image = Header(width, height);
  if (rgb.empty()) {
    if (error != nullptr) *error = "no picture";
    return false;
  }
  return Written(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr), image, error);
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
