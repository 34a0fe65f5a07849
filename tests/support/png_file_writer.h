// Writes PNG files through libpng in the layouts the tests need: any colour type, bit
// depth and interlacing libpng can write.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct PngLayout {
  int colourType = 0;  // libpng's PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int bitDepth = 8;    // 1, 2, 4, 8 or 16
  bool interlaced = false;
};

// `sample(column, rowFromTop, channel)` gives each stored sample (for a palette picture
// the index; its palette is entry k = (k, 2k, 255 - k) as red, green, blue).
std::vector<uint8_t> MakePng(int width, int height, const std::function<uint32_t(int, int, int)>& sample,
                             const PngLayout& layout = {});
