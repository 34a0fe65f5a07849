// Fuzz target for the BMP decoder and the texture pixel preparation: any bytes are
// decoded, and a decoded picture goes through both loader layouts and the
// power-of-two resampling. Pictures are capped at 1024 x 1024 pixels so that memory
// use stays far below the fuzzer's limit.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "textures/bmp_decode.h"
#include "textures/texture_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto image = DecodeBmp(data, size, &error, int64_t{1024} * 1024);
  if (!image) {
    if (error.empty()) std::abort();  // a refused file always has a reason
    return 0;
  }
  if (image->width <= 0 || image->height <= 0) std::abort();
  const size_t pixels = size_t(image->width) * size_t(image->height);
  const auto rgb = BottomUpRgb(*image);
  const auto rgba = BottomUpColourKeyedRgba(*image);
  if (image->pixels.size() != pixels * 3 || rgb.size() != pixels * 3 || rgba.size() != pixels * 4) std::abort();
  // Each loader resamples its own layout; the input's length picks one of them.
  const int components = size % 2 == 0 ? 4 : 3;
  const int32_t w = PowerOfTwoSize(image->width, 1024);
  const int32_t h = PowerOfTwoSize(image->height, 1024);
  const auto scaled = ResampleImage(components == 4 ? rgba : rgb, image->width, image->height, components, w, h);
  if (scaled.size() != size_t(w) * size_t(h) * size_t(components)) std::abort();
  return 0;
}
