// BMP writer for the tests: rows padded to 4 bytes, little-endian fields written
// byte by byte.
#include "support/bmp_writer.h"

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int, int)>& pixel,
                             const BmpLayout& layout) {
  const bool palette = layout.bitsPerPixel == 8;
  const size_t bytesPerPixel = palette ? 1 : 3;
  const size_t rowSize = (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  const size_t paletteSize = palette ? 256 * 4 : 0;
  const size_t pixelOffset = 14 + layout.infoHeaderSize + paletteSize;
  const size_t imageSize = rowSize * static_cast<size_t>(height);
  std::vector<uint8_t> out(pixelOffset + imageSize, 0);

  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, static_cast<uint32_t>(pixelOffset));
  Put32(out, 14, layout.infoHeaderSize);
  Put32(out, 18, static_cast<uint32_t>(width));
  Put32(out, 22, static_cast<uint32_t>(layout.topDown ? -height : height));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint32_t>(layout.bitsPerPixel));
  Put32(out, 30, 0);  // no compression
  Put32(out, 34, static_cast<uint32_t>(imageSize));
  Put32(out, 38, 2835);
  Put32(out, 42, 2835);
  Put32(out, 46, palette ? 256 : 0);
  if (layout.infoHeaderSize >= 108) {
    Put32(out, 70, 0x73524742);  // colour space "sRGB"
  }
  if (palette) {
    for (size_t i = 0; i < 256; ++i) {
      const size_t at = 14 + layout.infoHeaderSize + i * 4;
      out[at] = out[at + 1] = out[at + 2] = static_cast<uint8_t>(i);
    }
  }
  for (int row = 0; row < height; ++row) {
    // Bottom-up files store the bottom row first.
    const int stored = layout.topDown ? row : height - 1 - row;
    uint8_t* dst = &out[pixelOffset + static_cast<size_t>(stored) * rowSize];
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, row);
      if (palette) {
        dst[x] = c.b;
      } else {
        dst[x * 3] = c.b;
        dst[x * 3 + 1] = c.g;
        dst[x * 3 + 2] = c.r;
      }
    }
  }
  if (layout.truncateTo != 0 && layout.truncateTo < out.size()) out.resize(layout.truncateTo);
  return out;
}

std::vector<uint8_t> MakeSolidBmp(int width, int height, Rgb colour, const BmpLayout& layout) {
  return MakeBmp(width, height, [colour](int, int) { return colour; }, layout);
}
