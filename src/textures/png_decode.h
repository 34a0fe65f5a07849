// PNG decoding for the height map: one channel per pixel with its full precision (up to
// 16 bits). Works on bytes in memory; reading the file is the caller's step. Nothing
// here is drawn: textures still come from bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "textures/bmp_decode.h"

// One sample per pixel, rows top-down, each sample at most `maxValue` (255 for 8-bit
// pictures, 65535 for 16-bit ones).
struct SampleImage {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t maxValue = 255;
  std::vector<uint16_t> samples;  // width * height

  uint16_t At(int32_t column, int32_t row) const {
    return samples[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)];
  }
};

// Largest PNG file the loaders read: the largest picture's samples at 16 bits, stored
// without any compression, take half of the bitmap's limit, so one limit serves both.
constexpr uint64_t kMaxPngFileBytes = kMaxBmpFileBytes;

// Whether the bytes start with the PNG signature.
bool IsPng(const uint8_t* data, size_t size);

// Decodes any PNG libpng reads (grey of 1 to 16 bits, grey with alpha, palette, RGB,
// RGBA, interlaced or not) into its height channel: the grey level of a grey picture,
// the blue of a colour one (palette colours resolved); alpha is ignored. 16-bit pictures
// keep 16 bits, every other one gives 8 (1, 2 and 4-bit grey scaled up to 0..255).
// Width x height must be at most `maxPixels` (itself at most kMaxImagePixels). On
// failure returns nothing and sets `error` to a short reason.
std::optional<SampleImage> DecodePng(const uint8_t* data, size_t size, std::string* error,
                                     int64_t maxPixels = kMaxImagePixels);
