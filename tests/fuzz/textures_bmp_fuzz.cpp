// Fuzz target for the BMP decoder and the texture pixel preparation: any bytes are
// decoded, and a decoded picture goes through both loader layouts and the
// power-of-two resampling. Pictures are capped at 1024 x 1024 pixels so that memory
// use stays far below the fuzzer's limit.
#include <cassert>
#include <cstdint>
#include <string>

#include "textures/bmp_decode.h"
#include "textures/texture_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto image = DecodeBmp(data, size, &error, int64_t{1024} * 1024);
  if (!image) {
    assert(!error.empty() && "a refused file always has a reason");
    return 0;
  }
  assert(image->width > 0 && image->height > 0);
  assert(image->pixels.size() == static_cast<size_t>(image->width) * image->height * 3);
  const auto rgb = BottomUpRgb(*image);
  const auto rgba = BottomUpColourKeyedRgba(*image);
  assert(rgb.size() == image->pixels.size());
  assert(rgba.size() == image->pixels.size() / 3 * 4);
  // Both layouts hold the same colours; the key hides exactly the pixels whose red
  // and green are both 0.
  for (size_t p = 0; p < rgb.size() / 3; ++p) {
    const uint8_t* c = &rgb[p * 3];
    const uint8_t* k = &rgba[p * 4];
    assert(c[0] == k[0] && c[1] == k[1] && c[2] == k[2]);
    assert(k[3] == ((c[0] == 0 && c[1] == 0) ? 0 : 255));
  }
  // Each loader resamples its own layout; the input's length picks one of them.
  const bool keyed = size % 2 == 0;
  const int components = keyed ? 4 : 3;
  const int32_t w = PowerOfTwoSize(image->width, 1024);
  const int32_t h = PowerOfTwoSize(image->height, 1024);
  const auto scaled = ResampleImage(keyed ? rgba : rgb, image->width, image->height, components, w, h);
  assert(scaled.size() == static_cast<size_t>(w) * h * components);
  return 0;
}
