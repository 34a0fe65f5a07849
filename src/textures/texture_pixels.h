// The pixel layouts the texture loaders hand to OpenGL, made from a decoded picture
// without any GL call: the picture's bottom row comes first (texture row t = 0).
#pragma once

#include <cstdint>
#include <vector>

#include "textures/bmp_decode.h"

// RGB, 3 bytes per pixel, rows bottom-up and tightly packed (unpack alignment 1).
// Empty when the picture's pixel buffer does not match its size.
std::vector<uint8_t> BottomUpRgb(const RgbImage& image);

// RGBA, 4 bytes per pixel, rows bottom-up. The colour key: alpha 0 exactly where
// red and green are both 0 (black and pure blue alike), 255 everywhere else.
// Empty when the picture's pixel buffer does not match its size.
std::vector<uint8_t> BottomUpColourKeyedRgba(const RgbImage& image);

// The power-of-two edge a texture of `size` pixels is stored at: the nearest power
// of two (the larger one on a tie), at most `maxSize` (a power of two, the GL limit).
int32_t PowerOfTwoSize(int32_t size, int32_t maxSize);

// Area-weighted resampling of `width` x `height` pixels of `components` bytes each,
// rows tightly packed, to `newWidth` x `newHeight`. Each output pixel is the average
// of the source area it covers, so a region of one colour keeps that colour exactly.
// Empty when a size is not positive or `pixels` does not match the size.
std::vector<uint8_t> ResampleImage(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                                   int components, int32_t newWidth, int32_t newHeight);
