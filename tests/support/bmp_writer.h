// Writes 24-bit BMP files in the layouts the tests need: the plain 54-byte header or
// a larger one, bottom-up or top-down.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgb {
  uint8_t r, g, b;
};

struct BmpLayout {
  uint32_t infoHeaderSize = 40;  // 40 (54-byte file header in all), 108 or 124
  bool topDown = false;          // negative height, rows stored top row first
};

// `pixel(column, rowFromTop)` gives each pixel's colour.
std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int, int)>& pixel,
                             const BmpLayout& layout = {});
// A picture of one colour.
std::vector<uint8_t> MakeSolidBmp(int width, int height, Rgb colour, const BmpLayout& layout = {});
