// BMP writer for the tests: rows padded to 4 bytes, little-endian fields written
// byte by byte.
#include "support/bmp_writer.h"

std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int, int)>& pixel,
                             const BmpLayout& layout) {
  const size_t rowSize = (size_t(width) * 3 + 3) / 4 * 4;
  const size_t pixelOffset = 14 + layout.infoHeaderSize;
  std::vector<uint8_t> out(pixelOffset + rowSize * size_t(height), 0);
  // The signature, then from offset 2: file size, reserved, pixel offset, header size,
  // width, height, planes and bits per pixel, no compression, pixel bytes.
  out[0] = 'B';
  out[1] = 'M';
  const uint32_t fields[] = {uint32_t(out.size()), 0, uint32_t(pixelOffset), layout.infoHeaderSize,
                             uint32_t(width), uint32_t(layout.topDown ? -height : height),
                             1 | 24u << 16, 0, uint32_t(rowSize * size_t(height))};
  for (size_t i = 0; i < 4 * std::size(fields); ++i) out[2 + i] = uint8_t(fields[i / 4] >> (8 * (i % 4)));
  for (int row = 0; row < height; ++row) {
    // Bottom-up files store the bottom row first.
    uint8_t* dst = &out[pixelOffset + size_t(layout.topDown ? row : height - 1 - row) * rowSize];
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, row);
      dst[x * 3] = c.b;
      dst[x * 3 + 1] = c.g;
      dst[x * 3 + 2] = c.r;
    }
  }
  return out;
}

std::vector<uint8_t> MakeSolidBmp(int width, int height, Rgb colour, const BmpLayout& layout) {
  return MakeBmp(width, height, [colour](int, int) { return colour; }, layout);
}
